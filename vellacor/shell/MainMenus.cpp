// The main window's menus. The window's own commands are made once from the
// command table; the Edit, View and Outline menus also show the active
// outline view's actions, which carry the view's shortcuts, so that one key
// never has two actions.

#include "MainFrame.h"

#include "AppContext.h"
#include "Commands.h"
#include "ExchangeCommands.h"
#include "FileViewControlBar.h"
#include "FormatCommands.h"
#include "LineNrsDlg.h"
#include "MainToolBars.h"
#include "OutlineCommands.h"
#include "PrintCommands.h"
#include "ZumraView.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>

namespace {

// The view commands of each view-filled menu, in order; 0 is a separator.
constexpr int kEditIds[] = { outline_cmd::kUndo, outline_cmd::kRedo, 0, outline_cmd::kCut,
    outline_cmd::kCopy, outline_cmd::kPaste, outline_cmd::kSelectAll, 0, outline_cmd::kCopyItem,
    outline_cmd::kCutItem, outline_cmd::kPasteItem, 0, outline_cmd::kNewItem,
    outline_cmd::kDuplicateItem, outline_cmd::kDeleteItem, outline_cmd::kAttachNote,
    outline_cmd::kAttachDrawing, outline_cmd::kInsertDate, outline_cmd::kInsertTime, 0,
    outline_cmd::kCutToCabinet, outline_cmd::kCopyToCabinet, 0 };

constexpr int kViewIds[] = { outline_cmd::kShowCheckBoxes, outline_cmd::kHideCheckBoxes,
    outline_cmd::kHideCheckedItems, 0, outline_cmd::kShowHeading1, outline_cmd::kShowHeading1 + 1,
    outline_cmd::kShowHeading1 + 2, outline_cmd::kShowHeading1 + 3, outline_cmd::kShowHeading1 + 4,
    outline_cmd::kShowHeading1 + 5, outline_cmd::kShowHeading1 + 6, outline_cmd::kShowHeading1 + 7,
    outline_cmd::kShowHeading1 + 8, outline_cmd::kShowAll, 0 };

constexpr int kOutlineIds[] = { outline_cmd::kMoveLeft, outline_cmd::kMoveRight,
    outline_cmd::kMoveUp, outline_cmd::kMoveDown, 0, outline_cmd::kCollapse, outline_cmd::kExpand,
    0, outline_cmd::kSortAllAsc, outline_cmd::kSortAllDesc, outline_cmd::kSortCurrentAsc,
    outline_cmd::kSortCurrentDesc, 0, outline_cmd::kDeleteChecked, outline_cmd::kUncheckAll, 0 };

// Empties `menu` and fills it with the view's actions of `ids`, then the
// window's `fixed` actions (a null one is a separator).
template <std::size_t N>
void FillViewMenu(QMenu *menu, CZumraView *view, const int (&ids)[N], const QList<QAction *> &fixed)
{
    // clear() deletes only the actions the menu owns (its separators); the
    // view's and the window's actions survive.
    menu->clear();
    if (view) {
        for (int id : ids) {
            if (!id) {
                menu->addSeparator();
            } else if (QAction *action = view->Action(id)) {
                menu->addAction(action);
            }
        }
        QObject::connect(menu, &QMenu::aboutToShow, view, &CZumraView::UpdateCommandStates,
            Qt::UniqueConnection);
    }
    for (QAction *action : fixed) {
        if (action)
            menu->addAction(action);
        else
            menu->addSeparator();
    }
}

} // namespace

QAction *MainFrame::MakeAction(int id, std::function<void()> slot)
{
    const cmd::Command *command = cmd::Find(id);
    auto *action = new QAction(QString::fromLatin1(command->menuText), this);
    action->setObjectName(QString::number(id));
    action->setStatusTip(QString::fromLatin1(command->statusText));
    if (command->standardKey != QKeySequence::UnknownKey)
        action->setShortcuts(command->standardKey);
    else if (command->shortcut)
        action->setShortcut(QKeySequence(QString::fromLatin1(command->shortcut)));
    connect(action, &QAction::triggered, this, std::move(slot));
    m_Actions.insert(id, action);
    return action;
}

void MainFrame::createMenus()
{
    auto make = [this](int id, auto slot) {
        return MakeAction(id, [this, slot] {
            if constexpr (std::is_member_function_pointer_v<decltype(slot)>)
                (this->*slot)();
            else
                slot();
        });
    };
    CFileViewControlBar *pane = m_pPane;
    auto paneCommand = [this, pane](int id, void (CFileViewControlBar::*slot)()) {
        return MakeAction(id, [pane, slot] {
            if (pane)
                (pane->*slot)();
        });
    };

    QMenu *fileMenu = menuBar()->addMenu(tr("&File"));
    fileMenu->addAction(make(cmd::kFileNew, &MainFrame::FileNew));
    fileMenu->addAction(
        paneCommand(cmd::kNewFromTemplate, &CFileViewControlBar::NewFromSelectedTemplate));
    fileMenu->addAction(make(cmd::kFileOpen, &MainFrame::FileOpen));
    m_pClose = make(cmd::kFileClose, &MainFrame::FileClose);
    fileMenu->addAction(m_pClose);
    fileMenu->addSeparator();
    m_pSave = make(cmd::kFileSave, &MainFrame::FileSave);
    m_pSaveAs = make(cmd::kFileSaveAs, &MainFrame::FileSaveAs);
    m_pSaveAsTemplate = make(cmd::kFileSaveAsTemplate, &MainFrame::FileSaveAsTemplate);
    m_pSaveAll = make(cmd::kFileSaveAll, &MainFrame::FileSaveAll);
    fileMenu->addActions({ m_pSave, m_pSaveAs, m_pSaveAsTemplate, m_pSaveAll });
    fileMenu->addSeparator();
    fileMenu->addAction(paneCommand(cmd::kRenameOutline, &CFileViewControlBar::RenameSelected));
    fileMenu->addAction(
        paneCommand(cmd::kDuplicateOutline, &CFileViewControlBar::DuplicateSelected));
    fileMenu->addAction(make(cmd::kDeleteOutline, &MainFrame::DeleteOutline));
    fileMenu->addAction(make(cmd::kMoveToDesktop, &MainFrame::MoveToDesktop));
    fileMenu->addAction(make(cmd::kMoveToHandheld, &MainFrame::MoveToHandheld));
    fileMenu->addSeparator();

    QMenu *importMenu = fileMenu->addMenu(tr("&Import"));
    importMenu->addAction(make(cmd::kImportPdb, [this] {
        if (m_pExchange)
            m_pExchange->ImportPdb();
    }));
    importMenu->addAction(make(cmd::kImportWord, [this] {
        if (m_pExchange)
            m_pExchange->ImportWord();
    }));
    QMenu *exportMenu = fileMenu->addMenu(tr("Ex&port"));
    m_pExportPdb = make(cmd::kExportPdb, [this] {
        if (m_pExchange)
            m_pExchange->ExportPdb(activeDocument());
    });
    m_pExportWord = make(cmd::kExportWord, [this] {
        if (m_pExchange)
            m_pExchange->ExportWord(activeDocument());
    });
    exportMenu->addActions({ m_pExportPdb, m_pExportWord });
    if (m_pFormats) {
        importMenu->addSeparator();
        m_pFormats->FillImportMenu(*importMenu);
        exportMenu->addSeparator();
        m_pFormats->FillExportMenu(*exportMenu, [this] { return activeDocument(); });
        exportMenu->addSeparator();
        exportMenu->addAction(make(cmd::kHtmlExport, [this] {
            if (COutlineDoc *document = activeDocument())
                m_pFormats->ExportHtml(document);
        }));
        exportMenu->addAction(make(cmd::kHtmlSettings, [this] { m_pFormats->HtmlSettings(); }));
    }
    // Every export needs an outline to export.
    connect(exportMenu, &QMenu::aboutToShow, this, [this, exportMenu] {
        UpdateActions();
        for (QAction *action : exportMenu->actions())
            if (action->objectName().startsWith(QLatin1String("export-")))
                action->setEnabled(activeDocument() != nullptr);
    });

    fileMenu->addSeparator();
    fileMenu->addAction(make(cmd::kPageSetup, [this] {
        if (m_pContext)
            RunPageSetup(this, m_pContext->Settings());
    }));
    for (int command : { cmd::kPrintPreview, cmd::kPrint, cmd::kExportPdf }) {
        QAction *action = make(command, [this, command] { Print(command); });
        m_ViewActions << action;
        fileMenu->addAction(action);
    }
    fileMenu->addSeparator();
    m_pRecentMenu = fileMenu->addMenu(tr("Recent &Files"));
    fileMenu->addSeparator();
    fileMenu->addAction(make(cmd::kAppExit, &QWidget::close));

    QMenu *editMenu = menuBar()->addMenu(tr("&Edit"));
    m_pEditMenu = editMenu;
    m_pEditCategories = make(cmd::kEditCategories, &MainFrame::EditCategories);
    editMenu->addAction(m_pEditCategories);
    editMenu->addSeparator();
    editMenu->addAction(make(cmd::kPreferences, &MainFrame::EditPreferences));

    m_pViewMenu = menuBar()->addMenu(tr("&View"));
    m_pOutlineMenu = menuBar()->addMenu(tr("&Outline"));
    createViewMenus();
    createWindowMenu();

    QMenu *helpMenu = menuBar()->addMenu(tr("&Help"));
    helpMenu->addAction(make(cmd::kHelpManual, &MainFrame::Help));
    helpMenu->addSeparator();
    helpMenu->addAction(make(cmd::kAbout, &MainFrame::About));
}

void MainFrame::createViewMenus()
{
    QAction *showList = MakeAction(cmd::kShowOutlineList, [this] {
        if (m_pPane)
            m_pPane->setVisible(!m_pPane->isVisible());
    });
    showList->setCheckable(true);
    showList->setChecked(m_pPane != nullptr);
    if (m_pPane)
        connect(m_pPane, &QDockWidget::visibilityChanged, this, [this, showList] {
            showList->setChecked(m_pPane->isVisible());
            UpdateActions();
        });
    auto *barsMenu = new QMenu(tr("&Toolbars"), this);
    auto *statusToggle = new QAction(tr("&Status Bar"), this);
    statusToggle->setCheckable(true);
    statusToggle->setChecked(true);
    connect(statusToggle, &QAction::toggled, statusBar(), &QWidget::setVisible);
    m_ViewMenuFixed = { showList, barsMenu->menuAction(), statusToggle };

    QAction *numbers = MakeAction(cmd::kLineNumbers, [this] {
        if (CZumraView *view = activeView())
            RunLineNumbersCommand(*view);
    });
    m_ViewActions << numbers;
    m_OutlineMenuFixed
        = { numbers, nullptr, MakeAction(cmd::kShowFilingCabinet, [this] { ShowFilingCabinet(); }),
              MakeAction(cmd::kEmptyFilingCabinet, [this] { EmptyFilingCabinet(); }), nullptr,
              MakeAction(cmd::kUsers, [this] { UsersCommand(); }) };
    // The bars are made after the menus; their toggles join when they exist.
    connect(barsMenu, &QMenu::aboutToShow, this, [this, barsMenu] {
        barsMenu->clear();
        if (m_pToolBars)
            m_pToolBars->AddToggles(*barsMenu);
    });
    RebuildViewMenus();
}

void MainFrame::createWindowMenu()
{
    m_pWindowMenu = menuBar()->addMenu(tr("&Window"));
    MakeAction(cmd::kWindowCascade, [this] { m_pMdiArea->cascadeSubWindows(); });
    MakeAction(cmd::kWindowTile, [this] { m_pMdiArea->tileSubWindows(); });
    MakeAction(cmd::kWindowNext, [this] { m_pMdiArea->activateNextSubWindow(); });
    // The list of windows is made when the menu opens: titles change.
    connect(m_pWindowMenu, &QMenu::aboutToShow, this, [this] {
        m_pWindowMenu->clear();
        m_pWindowMenu->addActions({ m_Actions.value(cmd::kWindowCascade),
            m_Actions.value(cmd::kWindowTile), m_Actions.value(cmd::kWindowNext) });
        const QList<QMdiSubWindow *> windows = m_pMdiArea->subWindowList();
        bool any = false;
        int number = 0;
        for (QMdiSubWindow *window : windows) {
            if (window->isHidden())
                continue;
            if (!any)
                m_pWindowMenu->addSeparator();
            any = true;
            ++number;
            QString title = window->windowTitle();
            title.remove(QStringLiteral("[*]"));
            QAction *entry = m_pWindowMenu->addAction(
                number < 10 ? QStringLiteral("&%1 %2").arg(number).arg(title) : title);
            entry->setCheckable(true);
            entry->setChecked(window == m_pMdiArea->activeSubWindow());
            connect(entry, &QAction::triggered, this,
                [this, window] { m_pMdiArea->setActiveSubWindow(window); });
        }
        for (int id : { cmd::kWindowCascade, cmd::kWindowTile, cmd::kWindowNext })
            m_Actions.value(id)->setEnabled(any);
    });
    // Without entries the menu could not open at all.
    m_pWindowMenu->addAction(m_Actions.value(cmd::kWindowCascade));
}

void MainFrame::RebuildViewMenus()
{
    CZumraView *view = activeView();
    QList<QAction *> editFixed;
    editFixed << m_pEditCategories << nullptr << m_Actions.value(cmd::kPreferences);
    FillViewMenu(m_pEditMenu, view, kEditIds, editFixed);
    FillViewMenu(m_pViewMenu, view, kViewIds, m_ViewMenuFixed);
    FillViewMenu(m_pOutlineMenu, view, kOutlineIds, m_OutlineMenuFixed);
    if (m_pToolBars)
        m_pToolBars->SetView(view);
}
