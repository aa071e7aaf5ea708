#pragma once

// Everything of one run that is not a window: the settings store, Palm's
// library, the users with their outline lists and category files, the
// program's category list and the open documents, wired to each other. The
// shell adds the windows and the prompter that asks with dialogs; tests use
// the same object with a scripted prompter and no windows.

#include "CabinetHost.h"
#include "CategoryEditor.h"
#include "CategoryList.h"
#include "DocumentHost.h"
#include "OutlineDocTemplate.h"
#include "OutlineServices.h"
#include "Preferences.h"
#include "RecoveryStore.h"
#include "UserList.h"

#include <functional>
#include <memory>

namespace kx_gen {
class CAppRegistry;
}

class CPalmLibrary;

class CAppContext : public CDocumentHost,
                    public COpenDocuments,
                    public CCategoryEditHost,
                    public CCabinetNotify,
                    public CMessageSink {
public:
    // `prompter` and `settings` stay the caller's and outlive the context.
    CAppContext(CCabinetPrompter &prompter, kx_gen::CAppRegistry &settings);
    ~CAppContext() override;

    // The shell's window maker (may be null).
    void SetWindows(CDocWindows *windows);
    // Reads the desktop folder, builds the users (Palm mode when `palm` has a
    // library loaded) and activates the user of the last run. False when
    // the program cannot go on (the user was told).
    bool Start(CPalmLibrary *palm);
    // Stores the users and deactivates the active one; only once.
    void Stop();
    // Moves the desktop outlines and templates to `folder`: every modified
    // outline is saved (asking as a close does), every outline closed, and
    // the active user's lists are built again on the new folder. False, with
    // nothing changed, when the user cancelled a question.
    bool ChangeDesktopFolder(const kx_gen::_String &folder);

    COutlineDocTemplate &Documents() { return *m_pTemplate; }
    CUserList &Users() { return *m_pUsers; }
    CCategoryList &Categories() { return m_Categories; }
    CCabinetEnv &Env() { return m_env; }
    kx_gen::CAppRegistry &Settings() { return m_Settings; }
    // The recovery copies of unsaved outlines.
    CRecoveryStore &Recovery() { return m_Recovery; }

    // Hooks for the windows: a saved file to show in the pane, a category
    // change to show everywhere, a user change, the end of the program.
    std::function<void(const kx_gen::_String &, const kx_gen::_String &, bool)> m_onFileSaved;
    std::function<void(const kx_gen::_String &, const kx_gen::_String &)> m_onCategoryChanged;
    std::function<void(int, CUser *)> m_onUserChanged;
    std::function<void()> m_onQuit;

    // CDocumentHost
    CCabinetPrompter &Prompter() override { return m_Prompter; }
    CMessageSink &Messages() override { return *this; }
    COutlineSettings *OutlineSettings() override { return m_pOutlineSettings; }
    void SetOutlineSettings(COutlineSettings *settings) { m_pOutlineSettings = settings; }
    CUser *ActiveUser() override;
    bool IsPalmMode() const override { return m_env.PalmPresent(); }
    kx_gen::_String SaveNewOutlinesIn() const override;
    CPreferences &Preferences() { return m_Prefs; }
    kx_gen::_String DesktopFolder() const override { return m_env.m_strDesktopFolder; }
    bool IsSavingAll() const override;
    void FileSaved(const kx_gen::_String &oldPath, const kx_gen::_String &newPath,
        bool categoriesChanged) override;

    // COpenDocuments
    bool IsOpen(const kx_gen::_String &path) override;
    bool IsModified(const kx_gen::_String &path) override;
    bool Save(const kx_gen::_String &path) override;
    int Close(const kx_gen::_String &path, bool discard) override;
    void Reopen(const kx_gen::_String &path, int place) override;
    void Open(const kx_gen::_String &path) override;
    void Renamed(const kx_gen::_String &oldPath, const kx_gen::_String &newPath,
        const kx_gen::_String &title) override;
    void NewDocument(const kx_gen::_String &folder, bool isTemplate) override;
    COutlineDoc *OpenFilingCabinet(const kx_gen::_String &path, bool fromFile) override;
    void CloseFilingCabinet(COutlineDoc *document) override;

    // CCategoryEditHost
    void RewriteOutlines(const char *oldName, const char *newName) override;
    void RebuildCategoryList() override;
    void Announce(const kx_gen::_String &oldName, const kx_gen::_String &newName) override;

    // CCabinetNotify
    void UserChanged(int code, CUser *user) override;
    void CategoryAdded(const kx_gen::_String &oldName, const kx_gen::_String &newName) override;
    void Quit() override;

    // CMessageSink: storage errors of the managers.
    void ShowMessage(const kx_gen::_String &text) override { m_Prompter.ShowMessage(text); }

private:
    CCabinetPrompter &m_Prompter;
    kx_gen::CAppRegistry &m_Settings;
    bool m_bStopped = false;
    CCategoryList m_Categories;
    CCabinetEnv m_env;
    std::unique_ptr<CUserList> m_pUsers;
    std::unique_ptr<COutlineDocTemplate> m_pTemplate;
    CPreferences m_Prefs;
    COutlineSettings *m_pOutlineSettings = &m_Prefs;
    CRecoveryStore m_Recovery;
};
