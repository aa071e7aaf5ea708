#pragma once

#include "OutlineDocTemplate.h"

#include <QMainWindow>
#include <QTimer>

class CAppContext;
class CChildFrame;
class CExchangeCommands;
class CFileViewControlBar;
class CHotSyncWindow;
class CInstanceListener;
class COutlineDoc;
class QAction;
class QMdiArea;
class QMdiSubWindow;

// The program's main window: a multiple-document area in which every open
// outline has its window, the menus and the status bar. It makes the
// documents' windows and routes the file commands to the active outline.
class MainFrame : public QMainWindow, public CDocWindows {
    Q_OBJECT

public:
    // Without a context the window has no documents (a bare frame).
    explicit MainFrame(CAppContext *context = nullptr, QWidget *parent = nullptr);
    ~MainFrame() override;

    QMdiArea *mdiArea() const { return m_pMdiArea; }
    CChildFrame *activeFrame() const;
    // Opens `path` (a new outline when empty); false when nothing opened.
    bool OpenFile(const QString &path);
    CFileViewControlBar *pane() const { return m_pPane; }
    // Answers second instances from now on.
    void StartListening();
    // Puts the window where it was at the last exit (maximized the first time).
    void RestoreState();

    // CDocWindows
    bool CreateWindowFor(COutlineDoc &document, int place) override;
    void DestroyWindowOf(COutlineDoc &document) override;

public slots:
    void FileNew();
    void FileOpen();
    bool FileSave();
    bool FileSaveAs();
    void FileSaveAsTemplate();
    void FileSaveAll();
    void FileClose();
    void EditCategories();
    void EditPreferences();
    // Starts (or stops) the auto-save timer from the preference.
    void RestartAutoSave();

    // ---- HotSync (HotSyncWindow.*) ----
public:
    void StopAutoSave() { m_AutoSave.stop(); }
    CHotSyncWindow *hotSync() const { return m_pHotSync; }

private:
    CHotSyncWindow *m_pHotSync = nullptr;
    // ---- end HotSync ----

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createMenus();
    void UpdateTitle();
    void UpdateActions();
    void RefreshAllCategories();
    COutlineDoc *activeDocument() const;

    CAppContext *m_pContext;
    QMdiArea *m_pMdiArea = nullptr;
    QAction *m_pSave = nullptr;
    QAction *m_pSaveAs = nullptr;
    QAction *m_pSaveAsTemplate = nullptr;
    QAction *m_pSaveAll = nullptr;
    QAction *m_pClose = nullptr;
    QAction *m_pEditCategories = nullptr;
    QAction *m_pExportPdb = nullptr;
    QAction *m_pExportWord = nullptr;
    QList<QAction *> m_ViewActions;
    class CZumraView *activeView() const;
    void Print(int command);
    CExchangeCommands *m_pExchange = nullptr;
    CFileViewControlBar *m_pPane = nullptr;
    CInstanceListener *m_pListener = nullptr;
    QMenu *m_pEditMenu = nullptr;
    // Fills the Edit menu with the active view's commands.
    void RebuildEditMenu();
    QTimer m_AutoSave;
    // Held while documents are being saved; an auto-save tick waits for it.
    bool m_bDocumentLock = false;
    void AutoSaveTick();
};
