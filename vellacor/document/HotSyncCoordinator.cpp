#include "HotSyncCoordinator.h"

#include "AppContext.h"
#include "AppStrings.h"
#include "OutlineDoc.h"
#include "User.h"

#include "kx_gen/PathUtils.h"

#include <string>

using kx_gen::_String;

CHotSyncCoordinator::CHotSyncCoordinator(CAppContext &context, CHotSyncHost &host)
    : m_Context(context)
    , m_Host(host)
{
}

void CHotSyncCoordinator::SetState(int state)
{
    if (m_nState == state)
        return;
    m_nState = state;
    m_Host.HotSyncStateChanged(state);
}

void CHotSyncCoordinator::OnHotSyncNotify(std::uint64_t code, std::int64_t /*lParam*/)
{
    switch (code) {
    case kStart:
        // A second start while one is under way changes nothing.
        if (m_nState != kNone)
            return;
        Prepare();
        return;
    case kRunning:
        // Files are about to be exchanged: whatever the notifier said before,
        // the outlines must be closed by now.
        if (m_nState == kNone)
            Prepare();
        ShowSynchronizing();
        return;
    case kEnded:
    case kEndedToo:
        Restore();
        return;
    default:
        m_Host.SetSyncEvent();
        return;
    }
}

void CHotSyncCoordinator::OnNotifierLost()
{
    if (m_nState != kNone)
        Restore();
}

void CHotSyncCoordinator::Prepare()
{
    SetState(kPreparing);
    m_Host.StopAutoSave();
    m_Host.SaveSafeLayout();
    m_Reopen.clear();
    m_Unsaved.clear();
    // Saved without questions; an outline whose save failed stays open
    // with its changes rather than being closed and lost.
    for (COutlineDoc *document : m_Context.Documents().SaveAndCloseForSync(m_Reopen))
        m_Unsaved.push_back(document->GetTitle());
    m_Host.EnableWindows(false);
    CUserList &users = m_Context.Users();
    users.Store();
    // The user stays the one to come back after the HotSync (also when the
    // program ends during it); only its lists and files are let go of.
    if (CUser *user = users.GetActiveUser(); user && user->IsActive())
        user->Deactivate();
    m_bUsersReleased = true;
    m_Host.SetSyncEvent();
    // Told last: the notifier is not kept waiting while the message is read.
    if (!m_Unsaved.empty()) {
        _String titles;
        for (const _String &title : m_Unsaved) {
            if (!titles.IsEmpty())
                titles += ", ";
            titles += "\"" + title + "\"";
        }
        std::string text = appstr::Get(appstr::kHotSyncNotSaved);
        if (const std::size_t at = text.find("%s"); at != std::string::npos)
            text.replace(at, 2, titles.str());
        m_Context.Prompter().ShowMessage(_String(text.c_str()));
    }
}

void CHotSyncCoordinator::ShowSynchronizing()
{
    SetState(kSynchronizing);
    if (!m_bDialogShown) {
        m_Host.ShowSyncDialog();
        m_bDialogShown = true;
    }
    m_Host.SetSyncEvent();
}

void CHotSyncCoordinator::Restore()
{
    SetState(kNone);
    if (m_bDialogShown) {
        m_Host.CloseSyncDialog();
        m_bDialogShown = false;
    }
    m_Host.EnableWindows(true);
    if (m_bUsersReleased) {
        m_bUsersReleased = false;
        m_Host.FreezePane(true);
        // The HotSync may have changed every list and the category file.
        const bool restored = m_Context.Env().Attempt([&] { m_Context.Users().Restore(); });
        if (!restored || !m_Context.ActiveUser()) {
            m_Host.FreezePane(false);
            m_Host.SetSyncEvent();
            m_Context.Quit();
            return;
        }
        m_Host.SetPaneFilter(m_Context.ActiveUser()->m_strFilterCategory);
        m_Host.FreezePane(false);
        std::vector<_String> reopen;
        reopen.swap(m_Reopen);
        for (const _String &path : reopen)
            if (kx_gen::IsFileExist(path))
                m_Context.Documents().OpenDocumentFile(path);
        m_Host.RedrawMainWindow();
    }
    m_Host.RestartAutoSave();
    m_Host.SetSyncEvent();
}
