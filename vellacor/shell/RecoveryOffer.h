#pragma once

// The windows' side of the recovery copies: the timer that keeps them
// while the program runs, and the offer at start of the copies that a run
// which did not end cleanly left behind.

#include <QDialog>
#include <QObject>
#include <QString>
#include <QTimer>

#include "RecoveryStore.h"

#include <vector>

class CAppContext;
class QListWidget;

// Writes the recovery copies of the open outlines every interval (30
// seconds; the environment variable VELLACOR_RECOVERY_SECONDS changes it).
class CRecoveryKeeper : public QObject {
    Q_OBJECT

public:
    explicit CRecoveryKeeper(CAppContext &context, QObject *parent = nullptr);

    void Start();
    // Writes the copies now.
    void Tick();
    int intervalMs() const { return m_Timer.interval(); }

private:
    CAppContext &m_Context;
    QTimer m_Timer;
};

// The answers the offer takes for every copy at once (the command line's
// --recovered option); kAsk shows the dialog.
enum class RecoveredAnswer { kAsk, kOpen, kDiscard, kLater };
// "open", "discard", "later" or empty (kAsk); false for anything else.
bool ParseRecoveredAnswer(const QString &text, RecoveredAnswer &answer);

// Offers the outlines that an earlier run left unsaved: each can be opened
// (as a new outline that has not been saved yet, so that nothing is written
// over its file until the user saves), saved elsewhere, discarded, or left
// for the next start. Returns how many copies were there.
int OfferRecoveredOutlines(
    QWidget *parent, CAppContext &context, RecoveredAnswer answer = RecoveredAnswer::kAsk);

// What one answer does to one copy; false when it failed (the copy stays,
// the user was told).
bool OpenRecoveredCopy(CAppContext &context, const CRecoveryStore::SCopy &copy);
bool SaveRecoveredCopyAs(
    QWidget *parent, const CRecoveryStore::SCopy &copy, const QString &target = QString());

// The dialog of the offer.
class CRecoveredDlg : public QDialog {
    Q_OBJECT

public:
    CRecoveredDlg(CAppContext &context, std::vector<CRecoveryStore::SCopy> copies,
        QWidget *parent = nullptr);

    QListWidget *list() const { return m_pList; }
    // The buttons' work on the selected copy.
    void OpenSelected();
    void SaveSelectedAs();
    void DiscardSelected();

private:
    int Selected() const;
    void Done(int row);

    CAppContext &m_Context;
    std::vector<CRecoveryStore::SCopy> m_Copies;
    QListWidget *m_pList;
};
