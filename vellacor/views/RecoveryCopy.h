#pragma once

// Recovery copies: when an outline window has to close without saving, its
// items are first written to a file of their own, so that no edit is lost
// even when the outline in memory is no longer fit to be saved over its
// file.

#include <QDateTime>
#include <QString>

class COutlineMan;

// Where the recovery copy of an outline goes: beside its file (for
// "/d/Plans.kxo" a name like "/d/Plans (recovered 2026-12-09 0317).kxo"),
// or, for an outline never saved (empty `outlinePath`), in the user's data
// folder under "Recovered", named after `title`. A name that exists gets a
// number. `now` names the copy; `dataFolder` replaces the user's data
// folder when not empty.
QString RecoveryCopyPath(const QString &outlinePath, const QString &title,
    const QDateTime &now = QDateTime::currentDateTime(), const QString &dataFolder = QString());

// Writes every item of `man` to `path` as an outline file of its own, with
// the outline's title, category, font and numbering, creating its folder. Neither the outline's
// file nor its records' change marks are touched. False when the copy could
// not be made; `error` then says why.
bool WriteRecoveryCopy(COutlineMan &man, const QString &path, QString *error = nullptr);
