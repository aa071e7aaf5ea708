#pragma once

// The program's side of a HotSync. The HotSync notifier reports the
// progress of a synchronisation with small codes; before the handheld's
// files are touched the program saves and closes its outlines and lets go of
// the user's lists and category file, and afterwards it reads them again.
// This object is that sequence without any window: the shell feeds it the
// codes (after answering the notifier) and does the window work it asks for
// through CHotSyncHost.

#include "kx_gen/String.h"

#include <cstdint>
#include <vector>

class CAppContext;
class CUser;

// What the coordinator needs from the windows.
class CHotSyncHost {
public:
    virtual ~CHotSyncHost() = default;

    // The state changed (0 none, 1 preparing, 3 synchronising): the input
    // filter is on while it is not 0.
    virtual void HotSyncStateChanged(int state) = 0;
    virtual void StopAutoSave() = 0;
    virtual void RestartAutoSave() = 0;
    // Keeps the window placement and the docking layout for Ctrl+R.
    virtual void SaveSafeLayout() = 0;
    // The outline-list pane and the toolbars.
    virtual void EnableWindows(bool enable) = 0;
    virtual void ShowSyncDialog() = 0;
    virtual void CloseSyncDialog() = 0;
    // Holds (or releases and redraws) the pane's drawing while the lists
    // are read again.
    virtual void FreezePane(bool freeze) = 0;
    // Selects the user's filter category in the pane.
    virtual void SetPaneFilter(const kx_gen::_String &category) = 0;
    virtual void RedrawMainWindow() = 0;
    // Tells the notifier that the step is done.
    virtual void SetSyncEvent() = 0;
};

class CHotSyncCoordinator {
public:
    enum State { kNone = 0, kPreparing = 1, kSynchronizing = 3 };
    enum Code { kStart = 0, kRunning = 1, kEnded = 2, kEndedToo = 3 };

    // Both stay the caller's and outlive the coordinator.
    CHotSyncCoordinator(CAppContext &context, CHotSyncHost &host);

    int GetState() const { return m_nState; }

    // The work of one notification code (the posted follow-up of the
    // notifier's message).
    void OnHotSyncNotify(std::uint64_t code, std::int64_t lParam);
    // The notifier is gone while a HotSync was under way (it died or
    // stopped answering): everything comes back as after the end of a
    // HotSync. Nothing happens when no HotSync is under way.
    void OnNotifierLost();

    // The documents that could not be saved before the last HotSync and
    // stayed open (for the message and the tests).
    const std::vector<kx_gen::_String> &UnsavedTitles() const { return m_Unsaved; }

private:
    void Prepare();
    void ShowSynchronizing();
    void Restore();
    void SetState(int state);

    CAppContext &m_Context;
    CHotSyncHost &m_Host;
    int m_nState = kNone;
    // The files closed before the HotSync, to reopen after it.
    std::vector<kx_gen::_String> m_Reopen;
    std::vector<kx_gen::_String> m_Unsaved;
    // Whether the users were let go of and must be read again.
    bool m_bUsersReleased = false;
    bool m_bDialogShown = false;
};
