#include "RecoveryCopy.h"

#include "OutlineMan.h"
#include "QtStrings.h"

#include "kx_gen/Exception.h"
#include "kx_gen/File.h"
#include "kx_gen/Memory.h"
#include "kx_gen/OutlineDB.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <exception>

namespace {

// Rewrites the outline file at `path` with the headers of `man`'s outline.
void CopyHeaders(COutlineMan &man, const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    try {
        kx_gen::COutlineDB db;
        db.Open(name.constData(), kx_gen::CFile::modeRead | kx_gen::CFile::shareDenyWrite);
        db.ReadSharedHeader();
        db.ReadPrivateHeader();
        db.ReadRows();
        db.Close();
        db.copySharedHeader(*man.GetDB());
        db.copyPrivateHeader(*man.GetDB());
        const QByteArray part = QFile::encodeName(path + QStringLiteral(".part"));
        db.Open(part.constData(), kx_gen::CFile::modeCreate | kx_gen::CFile::modeWrite);
        db.WriteAllHeaders();
        db.WriteRows();
        db.Close();
    } catch (kx_gen::CException *e) {
        kx_gen::ExceptionHolder owned(e);
        QFile::remove(path + QStringLiteral(".part"));
        return;
    } catch (const std::exception &) {
        QFile::remove(path + QStringLiteral(".part"));
        return;
    }
    // The copy with headers replaces the one without only once it is
    // complete, and the one without comes back if that fails.
    const QString aside = path + QStringLiteral(".items");
    if (!QFile::rename(path, aside)) {
        QFile::remove(path + QStringLiteral(".part"));
        return;
    }
    if (QFile::rename(path + QStringLiteral(".part"), path)) {
        QFile::remove(aside);
    } else {
        QFile::rename(aside, path);
        QFile::remove(path + QStringLiteral(".part"));
    }
}

} // namespace

QString RecoveryCopyPath(const QString &outlinePath, const QString &title, const QDateTime &now,
    const QString &dataFolder)
{
    const QString stamp = now.toString(QStringLiteral("yyyy-MM-dd HHmm"));
    QString folder;
    QString base;
    QString suffix = QStringLiteral("kxo");
    if (!outlinePath.isEmpty()) {
        const QFileInfo info(outlinePath);
        folder = info.absolutePath();
        base = info.completeBaseName();
        if (!info.suffix().isEmpty())
            suffix = info.suffix();
    } else {
        folder = dataFolder.isEmpty()
            ? QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)
            : dataFolder;
        folder += QStringLiteral("/Recovered");
        base = title;
        // The title becomes a file name: no separators or reserved signs.
        for (QChar &c : base) {
            if (QStringLiteral("\\/:*?\"<>|").contains(c) || c.unicode() < 32)
                c = QLatin1Char('_');
        }
        if (base.trimmed().isEmpty())
            base = QStringLiteral("Untitled");
    }
    const QString stem = QStringLiteral("%1 (recovered %2)").arg(base, stamp);
    QString path = QStringLiteral("%1/%2.%3").arg(folder, stem, suffix);
    for (int n = 2; QFileInfo::exists(path) && n < 1000; ++n)
        path = QStringLiteral("%1/%2 %3.%4").arg(folder, stem).arg(n).arg(suffix);
    return path;
}

bool WriteRecoveryCopy(COutlineMan &man, const QString &path, QString *error)
{
    auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    if (!man.IsOpen())
        return fail(QStringLiteral("The outline is not open."));
    COutlineTree &tree = man.GetTree();
    COutlineNode *first = tree.GetFirstChild(nullptr);
    COutlineNode *last = tree.GetLastChild(nullptr);
    // A transfer block is a complete outline file of the items, made
    // without touching the outline's own records or file.
    kx_gen::MemHolder block(man.MakeTransferBlock(first, last));
    if (!block.get())
        return fail(QStringLiteral("The items could not be collected."));
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return fail(
            QStringLiteral("The folder %1 could not be made.").arg(QFileInfo(path).absolutePath()));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(file.errorString());
    const auto *bytes = static_cast<const char *>(kx_gen::MemGetPtr(block.get()));
    const qint64 size = static_cast<qint64>(kx_gen::MemGetSize(block.get()));
    const bool written = bytes && file.write(bytes, size) == size;
    kx_gen::MemReleasePtr(block.get());
    if (!written || !file.commit())
        return fail(file.errorString());
    // The items are safe; now give the copy the outline's title, category,
    // font and numbering. Should that fail, the copy keeps its items under
    // default headers, which is still everything the user wrote.
    CopyHeaders(man, path);
    return true;
}
