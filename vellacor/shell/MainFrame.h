#pragma once

#include "OutlineDocTemplate.h"
#include "PaneCommands.h"
#include "RecentFiles.h"

#include <QHash>
#include <QMainWindow>
#include <QTimer>

#include <functional>
#include <memory>

class CAppContext;
class CChildFrame;
class CExchangeCommands;
class CFileViewControlBar;
class CFormatCommands;
class CMainToolBars;
class CStatusIndicators;
class CHotSyncWindow;
class CInstanceListener;
class COutlineDoc;
class QAction;
class QMdiArea;
class QMdiSubWindow;

// The program's main window: a multiple-document area in which every open
// outline has its window, the menus and the status bar. It makes the
// documents' windows and routes the file commands to the active outline.
class MainFrame : public QMainWindow, public CDocWindows, public cabinet::CFilingCabinetWindow {
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
    // CFilingCabinetWindow
    void Show(COutlineDoc &document) override;
    void Empty(COutlineDoc &document) override;

    // The window's command of `id` (tests, and the bars); null when none.
    QAction *Action(int id) const { return m_Actions.value(id, nullptr); }
    CMainToolBars *toolBars() const { return m_pToolBars; }
    CStatusIndicators *indicators() const { return m_pIndicators; }
    const CRecentFileList &recentFiles() const { return m_Recent; }
    // Where the active outline lies, for the Move commands.
    enum class EPlace { kInList, kOutsideOutline, kOutsideTemplate };
    EPlace ActivePlace() const;

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
    void ShowFilingCabinet();
    void EmptyFilingCabinet();
    void MoveToDesktop();
    void MoveToHandheld();
    void DeleteOutline();
    void UsersCommand();
    void Help();
    void About();
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
    void changeEvent(QEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void createMenus();
    QAction *MakeAction(int id, std::function<void()> slot);
    void createViewMenus();
    void createWindowMenu();
    void RebuildViewMenus();
    void RebuildRecentMenu();
    void AddRecent(const QString &path);
    void OnUserChosen();
    void UserActivated(class CUser *user);
    void MoveActive(bool toHandheld);
    // On returning to the program: Palm's users may have changed meanwhile.
    void ApplicationActivated(bool active);
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
    QMenu *m_pViewMenu = nullptr;
    QMenu *m_pOutlineMenu = nullptr;
    QMenu *m_pWindowMenu = nullptr;
    QMenu *m_pRecentMenu = nullptr;
    // The window's own actions that stay in the view-filled menus.
    QList<QAction *> m_ViewMenuFixed;
    QList<QAction *> m_OutlineMenuFixed;
    QHash<int, QAction *> m_Actions;
    CMainToolBars *m_pToolBars = nullptr;
    CStatusIndicators *m_pIndicators = nullptr;
    std::unique_ptr<CFormatCommands> m_pFormats;
    CRecentFileList m_Recent;
    QTimer m_AutoSave;
    // Held while documents are being saved; an auto-save tick waits for it.
    bool m_bDocumentLock = false;
    void AutoSaveTick();
};
