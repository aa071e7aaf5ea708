#pragma once

// The windows' part of a HotSync: the "Synchronizing" dialog, the filter
// that keeps the user's input out while the handheld's files are being
// exchanged, the watch on the notifier, and Ctrl+R, which puts the window
// layout back as it was before the last HotSync. The sequence itself is
// CHotSyncCoordinator's.

#include "HotSyncCoordinator.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>

class CAppContext;
class MainFrame;
class QAction;

// The modeless "Synchronizing" dialog.
class CSyncDlg : public QDialog {
    Q_OBJECT

public:
    explicit CSyncDlg(QWidget *parent);
};

// Swallows the user's input everywhere in the program: keys, shortcuts,
// wheels, other buttons than the left, drags, context menus, and clicks on
// menu commands other than Exit. Painting, activation, closing and the
// program's own queued work pass.
class CHotSyncInputFilter : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};

class CHotSyncWindow : public QObject, public CHotSyncHost {
    Q_OBJECT

public:
    // How often the notifier is looked after while a HotSync runs, and how
    // long a HotSync may stay silent when the notifier cannot be watched.
    static constexpr int kWatchIntervalMs = 2000;
    static constexpr int kSilenceLimitMs = 10 * 60 * 1000;

    // `frame` and `context` outlive this object (the frame is its parent).
    CHotSyncWindow(MainFrame &frame, CAppContext &context);
    ~CHotSyncWindow() override;

    CHotSyncCoordinator &coordinator() { return m_Coordinator; }
    int state() const { return m_Coordinator.GetState(); }
    CSyncDlg *dialog() const { return m_pDialog; }
    // The command 109 (Ctrl+R), added to the main window.
    QAction *restoreLayoutAction() const { return m_pRestoreLayout; }

public slots:
    // One notification of the notifier (the listener's posted follow-up).
    void Notify(quint64 code, qint64 lParam);
    // Ctrl+R: the window placement and docking layout kept at the start of
    // the last HotSync.
    void RestoreSafeLayout();
    // Looks whether the notifier still holds its lock (or, when it cannot
    // be watched, whether it has been silent too long); ends the HotSync
    // on the program's side when it is gone.
    void CheckNotifier();

private:
    // CHotSyncHost
    void HotSyncStateChanged(int state) override;
    void StopAutoSave() override;
    void RestartAutoSave() override;
    void SaveSafeLayout() override;
    void EnableWindows(bool enable) override;
    void ShowSyncDialog() override;
    void CloseSyncDialog() override;
    void FreezePane(bool freeze) override;
    void SetPaneFilter(const kx_gen::_String &category) override;
    void RedrawMainWindow() override;
    void SetSyncEvent() override;

    MainFrame &m_Frame;
    CAppContext &m_Context;
    CHotSyncCoordinator m_Coordinator;
    CHotSyncInputFilter m_Filter;
    QPointer<CSyncDlg> m_pDialog;
    QAction *m_pRestoreLayout = nullptr;
    QTimer m_Watch;
    QElapsedTimer m_SinceNotify;
};
