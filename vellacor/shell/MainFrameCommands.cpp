// The main window's commands on the outline lists, the filing cabinet, the
// users, the recent files and the manual, and the window's reactions to
// drops and to the program's activation.

#include "MainFrame.h"

#include "AppContext.h"
#include "AppText.h"
#include "CabinetCommands.h"
#include "ChildFrame.h"
#include "Commands.h"
#include "FileViewControlBar.h"
#include "FrameState.h"
#include "HotSyncWindow.h"
#include "MainToolBars.h"
#include "OutlineDoc.h"
#include "QtStrings.h"
#include "RootList.h"
#include "StatusIndicators.h"
#include "User.h"
#include "UserList.h"
#include "UserSwitch.h"
#include "UsersCombo.h"

#include "kx_gen/Exception.h"

#include <QAction>
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QToolBar>

// ---- The filing cabinet ---------------------------------------------------------

void MainFrame::Show(COutlineDoc &document)
{
    if (!document.GetFrame()) {
        CreateWindowFor(document, -1);
        return;
    }
    for (QMdiSubWindow *window : m_pMdiArea->subWindowList()) {
        auto *frame = qobject_cast<CChildFrame *>(window->widget());
        if (frame && &frame->document() == &document) {
            window->show();
            m_pMdiArea->setActiveSubWindow(window);
            frame->setFocus();
        }
    }
}

void MainFrame::Empty(COutlineDoc &document)
{
    document.GetOutline().ClearAll();
    document.SetModifiedFlag(true);
    document.UpdateAllViews(COutlineDoc::kHintReplaced);
}

void MainFrame::ShowFilingCabinet()
{
    if (CUser *user = m_pContext ? m_pContext->ActiveUser() : nullptr)
        cabinet::ShowFilingCabinet(*user, *this);
}

void MainFrame::EmptyFilingCabinet()
{
    if (CUser *user = m_pContext ? m_pContext->ActiveUser() : nullptr)
        cabinet::EmptyFilingCabinet(*user, *this);
}

// ---- The outline lists ------------------------------------------------------------

MainFrame::EPlace MainFrame::ActivePlace() const
{
    const COutlineDoc *document = activeDocument();
    CUser *user = m_pContext ? m_pContext->ActiveUser() : nullptr;
    if (!document || !user || document->m_bFilingCabinet || document->GetPathName().IsEmpty()
        || user->GetRoots().FindRootOf(document->GetPathName()))
        return EPlace::kInList;
    return document->m_bTemplate ? EPlace::kOutsideTemplate : EPlace::kOutsideOutline;
}

void MainFrame::MoveActive(bool toHandheld)
{
    CUser *user = m_pContext ? m_pContext->ActiveUser() : nullptr;
    if (!user || !m_pPane)
        return;
    if (ActivePlace() == EPlace::kInList) {
        if (toHandheld)
            m_pPane->MoveSelectedToHandheld();
        else
            m_pPane->MoveSelectedToDesktop();
        return;
    }
    // An outline opened from elsewhere joins the lists.
    const kx_gen::_String path = activeDocument()->GetPathName();
    kx_gen::_String newPath;
    if (CCabinetCommands(m_pContext->Env(), *user).MoveOutsideFile(path, toHandheld, newPath)) {
        m_pPane->Rebuild(true);
        m_pPane->SelectFile(PathToQString(newPath));
    }
    UpdateActions();
}

void MainFrame::MoveToDesktop()
{
    MoveActive(false);
}

void MainFrame::MoveToHandheld()
{
    MoveActive(true);
}

void MainFrame::DeleteOutline()
{
    if (m_pPane)
        m_pPane->DeleteSelected();
}

// ---- Users ------------------------------------------------------------------------

void MainFrame::UsersCommand()
{
    if (m_pContext)
        shell::RunUsersCommand(*m_pContext, *m_pToolBars->usersCombo(), this);
}

void MainFrame::OnUserChosen()
{
    if (!m_pContext)
        return;
    CUsersCombo *combo = m_pToolBars->usersCombo();
    if (!shell::SwitchUser(*m_pContext, combo->GetSelectedUser())) {
        // A cancelled question keeps the user: the box says so again.
        if (CUser *active = m_pContext->Users().GetActiveUser())
            combo->SelectUser(active->GetName());
    }
    UpdateActions();
}

void MainFrame::UserActivated(CUser *user)
{
    if (m_pPane)
        m_pPane->UserActivated(user);
    const bool palm = m_pContext && m_pContext->IsPalmMode();
    CUsersCombo *combo = m_pToolBars->usersCombo();
    if (palm) {
        const QSignalBlocker quiet(combo);
        combo->FillUsers();
        if (user)
            combo->SelectUser(user->GetName());
    }
    // Only Palm mode has users to choose from.
    m_pToolBars->usersBar()->toggleViewAction()->setVisible(palm);
    if (!palm)
        m_pToolBars->usersBar()->hide();
    m_pIndicators->SetUser(palm && user ? ToQString(user->GetName()) : QString());
    if (user)
        RestartAutoSave();
    UpdateActions();
}

void MainFrame::ApplicationActivated(bool active)
{
    if (!m_pContext || QApplication::activeModalWidget())
        return;
    // During a HotSync the users stay let go of until it ends.
    if (m_pHotSync && m_pHotSync->state() != 0)
        return;
    CUserList &users = m_pContext->Users();
    if (!active) {
        // Another program (HotSync among them) may read the users meanwhile.
        m_pContext->Env().Attempt([&] { users.Store(); });
        return;
    }
    if (!m_pContext->IsPalmMode())
        return;
    bool changed = false;
    m_pContext->Env().Attempt([&] { changed = users.PalmUsersChanged(); });
    if (!changed)
        return;
    if (!m_pContext->Env().Attempt([&] {
            users.Enumerate();
            users.Restore();
        }))
        m_pContext->Quit();
}

// ---- Recent files -------------------------------------------------------------------

void MainFrame::AddRecent(const QString &path)
{
    if (!m_pContext || !m_Recent.Add(PathFromQString(path)))
        return;
    m_Recent.Save(m_pContext->Settings());
    RebuildRecentMenu();
}

void MainFrame::RebuildRecentMenu()
{
    if (!m_pRecentMenu)
        return;
    m_pRecentMenu->clear();
    int number = 0;
    for (const kx_gen::_String &entry : m_Recent.Paths()) {
        const QString path = PathToQString(entry);
        ++number;
        QAction *action = m_pRecentMenu->addAction(
            QStringLiteral("&%1 %2").arg(number).arg(QFileInfo(path).fileName()));
        action->setObjectName(QString::number(cmd::kRecentFile1 + number - 1));
        action->setStatusTip(path);
        action->setToolTip(path);
        connect(action, &QAction::triggered, this, [this, path] {
            if (!QFileInfo::exists(path)) {
                QMessageBox::warning(this, AppText(appstr::kAppName),
                    tr("The outline %1 no longer exists.").arg(path));
                m_Recent.Remove(PathFromQString(path));
                m_Recent.Save(m_pContext->Settings());
                RebuildRecentMenu();
                return;
            }
            OpenFile(path);
        });
    }
    m_pRecentMenu->setEnabled(number > 0);
}

// ---- Help ---------------------------------------------------------------------------

void MainFrame::Help()
{
    if (!shell::OpenManual())
        QMessageBox::warning(this, AppText(appstr::kAppName),
            tr("The manual could not be opened. It should be at %1.").arg(shell::ManualPath()));
}

void MainFrame::About()
{
    QMessageBox::about(this, tr("About %1").arg(AppText(appstr::kAppName)),
        tr("<h3>%1 %2</h3><p>The desktop outliner and companion of the handheld outliner.</p>")
            .arg(AppText(appstr::kAppName), QApplication::applicationVersion()));
}

// ---- Drops and activation -------------------------------------------------------------

void MainFrame::dragEnterEvent(QDragEnterEvent *event)
{
    if (m_pContext && event->mimeData()->hasUrls()
        && !shell::DroppedOutline(event->mimeData()->urls()).isEmpty())
        event->acceptProposedAction();
}

void MainFrame::dropEvent(QDropEvent *event)
{
    const QString path = shell::DroppedOutline(event->mimeData()->urls());
    if (path.isEmpty())
        return;
    event->acceptProposedAction();
    OpenFile(path);
}

void MainFrame::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::PaletteChange && m_pToolBars) {
        m_pToolBars->UpdateIcons();
        m_pMdiArea->setBackground(palette().brush(QPalette::Mid));
    }
    QMainWindow::changeEvent(event);
}
