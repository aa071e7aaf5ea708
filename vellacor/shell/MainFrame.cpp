#include "MainFrame.h"

#include "AppContext.h"
#include "AppText.h"
#include "CategoryDialog.h"
#include "ChildFrame.h"
#include "Commands.h"
#include "DocTitleBar.h"
#include "DropTarget.h"
#include "ExchangeCommands.h"
#include "FileViewControlBar.h"
#include "FormatCommands.h"
#include "FrameState.h"
#include "HotSyncWindow.h"
#include "InstanceHandOff.h"
#include "MainToolBars.h"
#include "OutlineDoc.h"
#include "PreferencesDlg.h"
#include "PrintCommands.h"
#include "StatusIndicators.h"
#include "User.h"
#include "UsersCombo.h"
#include "WindowPlacement.h"
#include "ZumraView.h"

#include "kx_gen/PathUtils.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QIcon>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>

namespace {

// "Outline Format (*.kxo)" out of a filter string of the table.
QString FilterOf(unsigned id)
{
    const QStringList parts = AppText(id).split(QLatin1Char('\n'));
    return parts.size() > 1 ? parts[1] : QString();
}

} // namespace

MainFrame::MainFrame(CAppContext *context, QWidget *parent)
    : QMainWindow(parent)
    , m_pContext(context)
    , m_pMdiArea(new QMdiArea(this))
{
    setWindowTitle(AppText(appstr::kAppName));
    m_pMdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_pMdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_pMdiArea);
    m_pMdiArea->setBackground(palette().brush(QPalette::Mid));
    setAcceptDrops(true);
    if (m_pContext) {
        m_pExchange = new CExchangeCommands(*m_pContext, this);
        m_pFormats = std::make_unique<CFormatCommands>(*m_pContext, this);
        m_pPane = new CFileViewControlBar(m_pContext, this);
        m_pPane->setWindowTitle(tr("File list"));
        addDockWidget(Qt::LeftDockWidgetArea, m_pPane);
    }
    createMenus();
    m_pToolBars = new CMainToolBars(*this, m_Actions);
    // Items dragged onto the Filing Cabinet's button go into the cabinet.
    if (m_pContext)
        if (QToolButton *button = m_pToolBars->filingCabinetButton())
            new CTrashCanDropTarget(button, [this] { return FilingCabinetView(*m_pContext); });
    m_pIndicators = new CStatusIndicators(*statusBar());
    statusBar()->showMessage(tr("Ready"));
    resize(900, 640);
    connect(m_pMdiArea, &QMdiArea::subWindowActivated, this, [this] {
        RebuildViewMenus();
        UpdateTitle();
        UpdateActions();
    });
    connect(m_pToolBars->usersCombo(), &CUsersCombo::userChosen, this, &MainFrame::OnUserChosen);
    if (m_pContext) {
        m_Recent.Load(m_pContext->Settings());
        RebuildRecentMenu();
        m_pToolBars->usersCombo()->SetUsers(&m_pContext->Users());
        connect(&m_AutoSave, &QTimer::timeout, this, &MainFrame::AutoSaveTick);
        connect(m_pPane, &CFileViewControlBar::selectionChanged, this, &MainFrame::UpdateActions);
        connect(m_pPane, &CFileViewControlBar::documentOpened, this, &MainFrame::AddRecent);
        connect(m_pPane, &CFileViewControlBar::editCategoriesRequested, this,
            &MainFrame::EditCategories);
        m_pContext->m_onCategoryChanged
            = [this](const kx_gen::_String &oldName, const kx_gen::_String &newName) {
                  RefreshAllCategories();
                  m_pPane->OnCategoryAdded(oldName, newName);
              };
        m_pContext->m_onUserChanged = [this](int code, CUser *user) {
            UserActivated(code == CCabinetNotify::kUserActivated ? user : nullptr);
        };
        m_pContext->m_onFileSaved
            = [this](const kx_gen::_String &, const kx_gen::_String &newPath, bool) {
                  m_pPane->Rebuild(true);
                  m_pPane->SelectFile(PathToQString(newPath));
                  AddRecent(PathToQString(newPath));
              };
        connect(qApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) {
                ApplicationActivated(state == Qt::ApplicationActive);
            });
        // HotSync: the coordination's windows (HotSyncWindow.*).
        m_pHotSync = new CHotSyncWindow(*this, *m_pContext);
    }
    UpdateActions();
}

MainFrame::~MainFrame()
{
    // The document area outlives our members while Qt destroys the children:
    // it must not call back into them.
    disconnect(m_pMdiArea, nullptr, this, nullptr);
    disconnect(qApp, nullptr, this, nullptr);
    if (m_pPane)
        disconnect(m_pPane, nullptr, this, nullptr);
    if (m_pContext) {
        m_pContext->m_onCategoryChanged = nullptr;
        m_pContext->m_onUserChanged = nullptr;
        m_pContext->m_onFileSaved = nullptr;
    }
}

CChildFrame *MainFrame::activeFrame() const
{
    QMdiSubWindow *window = m_pMdiArea->activeSubWindow();
    return window ? qobject_cast<CChildFrame *>(window->widget()) : nullptr;
}

CZumraView *MainFrame::activeView() const
{
    CChildFrame *frame = activeFrame();
    return frame ? frame->view() : nullptr;
}

void MainFrame::Print(int command)
{
    CZumraView *view = activeView();
    if (!view || !m_pContext)
        return;
    CPreferences &preferences = m_pContext->Preferences();
    CPrintPreferences print;
    print.m_bPrintHidden = preferences.m_bPrintHiddenItems;
    print.m_bPrintNotes = preferences.m_bPrintNotes;
    kx_gen::CAppRegistry &settings = m_pContext->Settings();
    if (command == cmd::kPrintPreview) {
        RunPrintPreview(*view, settings, print);
    } else if (command == cmd::kExportPdf) {
        RunExportPdf(*view, settings, print);
    } else if (RunPrint(*view, settings, print)) {
        // The print dialog's own choices become the preferences' next time.
        preferences.m_bPrintHiddenItems = print.m_bPrintHidden;
        preferences.m_bPrintNotes = print.m_bPrintNotes;
        preferences.SavePreferences(settings);
    }
}

COutlineDoc *MainFrame::activeDocument() const
{
    CChildFrame *frame = activeFrame();
    return frame ? &frame->document() : nullptr;
}

void MainFrame::UpdateTitle()
{
    // The task bar and the window switcher name the outline being worked on.
    const COutlineDoc *document = activeDocument();
    if (!document) {
        setWindowTitle(AppText(appstr::kAppName));
        setWindowModified(false);
        return;
    }
    setWindowTitle(
        ToQString(document->GetTitle()) + QStringLiteral("[*] - ") + AppText(appstr::kAppName));
    setWindowModified(document->IsModified());
}

void MainFrame::UpdateActions()
{
    const COutlineDoc *document = activeDocument();
    const bool haveContext = m_pContext != nullptr;
    for (QAction *action : { m_pSave, m_pSaveAs, m_pSaveAsTemplate, m_pClose })
        action->setEnabled(document != nullptr);
    m_pSaveAsTemplate->setEnabled(document && !document->m_bFilingCabinet);
    // An outline that was never saved and holds nothing new has nothing to export.
    const bool exportable
        = document && (document->IsModified() || !document->GetPathName().IsEmpty());
    m_pExportPdb->setEnabled(exportable && haveContext && m_pContext->IsPalmMode());
    m_pExportWord->setEnabled(exportable);
    for (int id : { cmd::kHtmlExport, cmd::kHtmlSettings })
        if (QAction *action = Action(id))
            action->setEnabled(document && m_pContext->ActiveUser());
    for (QAction *action : m_ViewActions)
        action->setEnabled(activeFrame() != nullptr);
    m_pSaveAll->setEnabled(haveContext);
    CUser *user = haveContext ? m_pContext->ActiveUser() : nullptr;
    m_pEditCategories->setEnabled(user && user->GetCategories());

    // The list commands follow the pane's selection; the Move commands also
    // take an active outline that lies in no list.
    const bool pane = m_pPane && m_pPane->isVisible();
    Action(cmd::kNewFromTemplate)->setEnabled(pane && m_pPane->CanNewFromTemplate());
    Action(cmd::kRenameOutline)->setEnabled(pane && m_pPane->CanRename());
    Action(cmd::kDuplicateOutline)->setEnabled(pane && m_pPane->CanDuplicate());
    Action(cmd::kDeleteOutline)->setEnabled(pane && m_pPane->CanDelete());
    const bool outside = ActivePlace() != EPlace::kInList;
    const bool palm = haveContext && m_pContext->IsPalmMode();
    Action(cmd::kMoveToDesktop)->setEnabled(outside || (pane && m_pPane->CanMoveToDesktop()));
    Action(cmd::kMoveToHandheld)
        ->setEnabled((outside && palm) || (pane && m_pPane->CanMoveToHandheld()));
    Action(cmd::kShowFilingCabinet)->setEnabled(user != nullptr);
    Action(cmd::kEmptyFilingCabinet)->setEnabled(user != nullptr);
    Action(cmd::kUsers)->setEnabled(palm);
    Action(cmd::kUsers)->setVisible(palm);

    CChildFrame *frame = activeFrame();
    if (m_pIndicators) {
        m_pIndicators->SetPosition(
            frame && frame->view() ? frame->view()->GetStatusText() : QString());
        m_pIndicators->SetOverwrite(frame && frame->view() && frame->view()->IsOverwrite());
        const bool readOnly = document
            && (document->m_bConflict
                || (!document->GetPathName().IsEmpty()
                    && QFileInfo::exists(PathToQString(document->GetPathName()))
                    && !QFileInfo(PathToQString(document->GetPathName())).isWritable()));
        m_pIndicators->SetReadOnly(readOnly);
    }
}

bool MainFrame::CreateWindowFor(COutlineDoc &document, int /*place*/)
{
    if (!m_pContext)
        return false;
    auto *frame = new CChildFrame(document, *m_pContext);
    QMdiSubWindow *window = m_pMdiArea->addSubWindow(frame);
    window->setWindowIcon(
        QIcon(document.m_bTemplate ? QStringLiteral(":/icons/application-x-idealoom-template.svg")
                                   : QStringLiteral(":/icons/application-x-idealoom-outline.svg")));
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    window->installEventFilter(this);
    frame->SetSubWindow(window);
    connect(frame, &CChildFrame::titleChanged, this, [this] {
        UpdateTitle();
        UpdateActions();
    });
    connect(frame, &CChildFrame::editCategoriesRequested, this, &MainFrame::EditCategories);
    connect(frame, &CChildFrame::caretMoved, this, [this, frame](const QString &status) {
        if (frame == activeFrame())
            m_pIndicators->SetPosition(status);
    });
    connect(frame, &CChildFrame::overwriteChanged, this, [this, frame](bool on) {
        if (frame == activeFrame())
            m_pIndicators->SetOverwrite(on);
    });
    connect(frame, &CChildFrame::statusMessage, this,
        [this](const QString &text) { statusBar()->showMessage(text, 5000); });
    connect(frame, &CChildFrame::characterRefused, this, [this](const QString &character) {
        statusBar()->showMessage(AppText(appstr::kUnsupportedCharacter).arg(character), 5000);
    });
    frame->InitialUpdate();
    // A new window is at least as wide as its title bar needs.
    const int width = std::max(frame->titleBar()->minimumSizeHint().width() + 40, 560);
    window->resize(width, 420);
    const QList<QMdiSubWindow *> others = m_pMdiArea->subWindowList();
    // The first window takes the state of the last run; later ones follow
    // the windows already there.
    const bool alone = std::none_of(others.begin(), others.end(),
        [window](QMdiSubWindow *w) { return w != window && !w->isHidden(); });
    const bool maximized = alone
        ? shell::ReadMaxState(m_pContext->Settings())
        : std::any_of(others.begin(), others.end(), [window](QMdiSubWindow *w) {
              return w != window && !w->isHidden() && w->isMaximized();
          });
    if (maximized)
        window->showMaximized();
    else
        window->show();
    frame->setFocus();
    if (!document.m_bFilingCabinet && !document.GetPathName().IsEmpty())
        AddRecent(PathToQString(document.GetPathName()));
    UpdateTitle();
    UpdateActions();
    return true;
}

void MainFrame::DestroyWindowOf(COutlineDoc &document)
{
    for (QMdiSubWindow *window : m_pMdiArea->subWindowList()) {
        auto *frame = qobject_cast<CChildFrame *>(window->widget());
        if (!frame || &frame->document() != &document)
            continue;
        window->removeEventFilter(this);
        // The document dies now, the window at the next turn of the loop:
        // what the window still runs meanwhile must not reach the document.
        frame->DocumentClosing();
        m_pMdiArea->removeSubWindow(window);
        window->hide();
        window->deleteLater();
    }
    UpdateTitle();
    UpdateActions();
}

bool MainFrame::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Close && m_pContext) {
        auto *window = qobject_cast<QMdiSubWindow *>(watched);
        auto *frame = window ? qobject_cast<CChildFrame *>(window->widget()) : nullptr;
        if (frame && frame->document().m_bFilingCabinet) {
            // The filing cabinet stays open while its user is active: its
            // window only hides, and Show Filing Cabinet brings it back.
            event->ignore();
            window->hide();
            return true;
        }
        if (frame) {
            // The document decides (and may ask) whether its window closes.
            event->ignore();
            COutlineDoc *document = &frame->document();
            QTimer::singleShot(
                0, this, [this, document] { m_pContext->Documents().CloseDocument(document); });
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

bool MainFrame::OpenFile(const QString &path)
{
    if (!m_pContext)
        return false;
    return m_pContext->Documents().OpenDocumentFile(PathFromQString(path)) != nullptr;
}

void MainFrame::FileNew()
{
    if (m_pContext)
        m_pContext->Documents().OpenDocumentFile(kx_gen::_String());
}

void MainFrame::FileOpen()
{
    if (!m_pContext)
        return;
    const QString filters = FilterOf(appstr::kOutlineFilter) + QStringLiteral(";;")
        + FilterOf(appstr::kTemplateFilter);
    const QString path = QFileDialog::getOpenFileName(
        this, QString(), PathToQString(m_pContext->DesktopFolder()), filters);
    if (!path.isEmpty())
        OpenFile(path);
}

bool MainFrame::FileSave()
{
    COutlineDoc *document = activeDocument();
    return document && document->SaveByTitle();
}

bool MainFrame::FileSaveAs()
{
    COutlineDoc *document = activeDocument();
    if (!document)
        return false;
    const QString folder = document->GetPathName().IsEmpty()
        ? PathToQString(m_pContext->DesktopFolder())
        : QFileInfo(PathToQString(document->GetPathName())).absolutePath();
    const QString outlines = FilterOf(appstr::kOutlineFilter);
    const QString templates = FilterOf(appstr::kTemplateFilter);
    QString selected = document->m_bTemplate ? templates : outlines;
    QString path = QFileDialog::getSaveFileName(this, AppText(appstr::kSaveAsCaption),
        folder + QLatin1Char('/') + ToQString(document->GetTitle()),
        outlines + QStringLiteral(";;") + templates, &selected);
    if (path.isEmpty())
        return false;
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix != QLatin1String("kxo") && suffix != QLatin1String("kxt"))
        path += selected == templates ? QStringLiteral(".kxt") : QStringLiteral(".kxo");
    return document->SaveAs(PathFromQString(path));
}

void MainFrame::FileSaveAsTemplate()
{
    if (COutlineDoc *document = activeDocument())
        document->SaveAsTemplate();
}

void MainFrame::FileSaveAll()
{
    if (m_pContext)
        m_pContext->Documents().SaveAll();
}

void MainFrame::FileClose()
{
    if (COutlineDoc *document = activeDocument())
        m_pContext->Documents().CloseDocument(document);
}

void MainFrame::EditCategories()
{
    CUser *user = m_pContext ? m_pContext->ActiveUser() : nullptr;
    if (!user || !user->GetCategories() || CCategoryDialog::IsOpen())
        return;
    CCategoryDialog dialog(*user->GetCategories(), *m_pContext, this);
    dialog.exec();
    if (dialog.IsChanged()) {
        user->SaveCategories();
        RefreshAllCategories();
    }
}

void MainFrame::EditPreferences()
{
    if (!m_pContext)
        return;
    m_AutoSave.stop();
    CPreferences &preferences = m_pContext->Preferences();
    const kx_gen::_String oldFolder = preferences.m_strPath;
    CPreferencesDlg dialog(preferences, m_pContext->IsPalmMode(), this);
    if (dialog.exec() == QDialog::Accepted) {
        const kx_gen::_String newFolder = dialog.preferences().m_strPath;
        preferences = dialog.preferences();
        preferences.m_strPath = oldFolder;
        if (!(newFolder == oldFolder)) {
            // The documents of the old folder close first; a cancel keeps
            // everything where it was.
            m_bDocumentLock = true;
            m_pContext->ChangeDesktopFolder(newFolder);
            m_bDocumentLock = false;
        }
        preferences.SavePreferences(m_pContext->Settings());
    }
    UpdateActions();
    RestartAutoSave();
}

void MainFrame::RestartAutoSave()
{
    m_AutoSave.stop();
    const int minutes = m_pContext ? m_pContext->Preferences().m_nAutoSave : 0;
    if (minutes > 0)
        m_AutoSave.start(minutes * 60000);
}

void MainFrame::AutoSaveTick()
{
    if (m_bDocumentLock || QApplication::activeModalWidget()) {
        // Busy: try again shortly rather than saving under someone's feet.
        QTimer::singleShot(1000, this, &MainFrame::AutoSaveTick);
        return;
    }
    m_bDocumentLock = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_pContext->Documents().SaveAll();
    QApplication::restoreOverrideCursor();
    m_bDocumentLock = false;
}

void MainFrame::StartListening()
{
    m_pListener = new CInstanceListener(this);
    connect(m_pListener, &CInstanceListener::openRequested, this,
        [this](const QString &path) { OpenFile(path); });
    connect(m_pListener, &CInstanceListener::newDocumentRequested, this, &MainFrame::FileNew);
    connect(m_pListener, &CInstanceListener::activationRequested, this, [this] {
        if (isMinimized())
            showNormal();
        raise();
        activateWindow();
    });
    if (m_pHotSync)
        connect(m_pListener, &CInstanceListener::hotSyncNotified, m_pHotSync,
            &CHotSyncWindow::Notify);
    m_pListener->Start();
}

void MainFrame::RestoreState()
{
    if (!m_pContext)
        return;
    kx_gen::CAppRegistry &settings = m_pContext->Settings();
    shell::RestoreBarState(*this, settings);
    if (!shell::RestoreWindowPlacement(*this, settings, true))
        showMaximized();
}

void MainFrame::RefreshAllCategories()
{
    for (QMdiSubWindow *window : m_pMdiArea->subWindowList())
        if (auto *frame = qobject_cast<CChildFrame *>(window->widget()))
            frame->RefreshCategories();
}

void MainFrame::closeEvent(QCloseEvent *event)
{
    m_AutoSave.stop();
    if (m_pContext) {
        kx_gen::CAppRegistry &settings = m_pContext->Settings();
        shell::SaveWindowPlacement(*this, settings);
        shell::SaveBarState(*this, settings);
        QMdiSubWindow *active = m_pMdiArea->activeSubWindow();
        shell::WriteMaxState(settings, active && active->isMaximized());
        m_Recent.Save(settings);
        m_pContext->Env().Attempt([this] { m_pContext->Users().Store(); });
    }
    if (m_pContext && !m_pContext->Documents().CloseAllDocuments(false)) {
        event->ignore();
        RestartAutoSave();
        return;
    }
    event->accept();
}
