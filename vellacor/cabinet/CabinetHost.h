#pragma once

// What the filing cabinet needs from the program around it. The shell
// implements these interfaces with message boxes, dialogs, documents and the
// main window; tests replace them with versions that record what they were
// asked and answer from a script.

#include "kx_gen/String.h"

#include <functional>

namespace kx_gen {
class CAppRegistry;
class CCategoryDB;
} // namespace kx_gen

class COutlineDoc;
class CPalmLibrary;
class CUser;

// Questions and messages for the user.
class CCabinetPrompter {
public:
    virtual ~CCabinetPrompter() = default;

    // A message box with an OK button.
    virtual void ShowMessage(const kx_gen::_String &text) = 0;
    // A Yes/No question; true for Yes.
    virtual bool AskYesNo(const kx_gen::_String &question) = 0;
    // The one-field name dialog (label "New Name") with the caption
    // `caption`, filled with `text`; on OK `text` holds what the user typed
    // and the result is true.
    virtual bool AskText(const kx_gen::_String &caption, kx_gen::_String &text) = 0;
    // The "Delete file" dialog: `message` and the "Archive" check box,
    // which starts as `archive` and holds the user's choice afterwards.
    // True for OK.
    virtual bool AskDelete(const kx_gen::_String &message, bool &archive) = 0;

    // Answers of AskYesNoCancel.
    enum Answer { kYes, kNo, kCancel };
    // A Yes/No/Cancel question (saving changes before a close).
    virtual Answer AskYesNoCancel(const kx_gen::_String &question) = 0;
    // An OK/Cancel question; true for OK.
    virtual bool AskOkCancel(const kx_gen::_String &question) = 0;
    // The save-as-template dialog: where a template of an outline that lies
    // in no outline list goes. Returns the root kind chosen (handheld or
    // desktop templates), or 0 for Cancel.
    virtual int AskTemplateRoot() = 0;
};

// The open outline documents, known by their file paths.
class COpenDocuments {
public:
    virtual ~COpenDocuments() = default;

    virtual bool IsOpen(const kx_gen::_String &path) = 0;
    virtual bool IsModified(const kx_gen::_String &path) = 0;
    // Saves the open outline to its own file without asking; false when the
    // save failed (the document then stays as it was).
    virtual bool Save(const kx_gen::_String &path) = 0;
    // Closes the outline's window. With `discard` its changes are dropped
    // unsaved. Returns a token for the window's place in the window order,
    // to be handed to Reopen.
    virtual int Close(const kx_gen::_String &path, bool discard) = 0;
    // Opens `path` in a window put back at `place` (a token from Close).
    virtual void Reopen(const kx_gen::_String &path, int place) = 0;
    // Opens `path` in a new window.
    virtual void Open(const kx_gen::_String &path) = 0;
    // The open outline at `oldPath` now lives at `newPath` under the title
    // `title`: the document takes both and updates its title bar.
    virtual void Renamed(const kx_gen::_String &oldPath, const kx_gen::_String &newPath,
        const kx_gen::_String &title)
        = 0;
    // A new, never-saved outline (or template) that will be saved in `folder`.
    virtual void NewDocument(const kx_gen::_String &folder, bool isTemplate) = 0;

    // The filing cabinet. Opens the outline file `path` as the filing
    // cabinet document (hidden, marked as the filing cabinet, never in the
    // recent-file list), or, when `fromFile` is false, a new empty outline
    // that will be saved at `path`. Null when that failed.
    virtual COutlineDoc *OpenFilingCabinet(const kx_gen::_String &path, bool fromFile) = 0;
    // Saves the filing cabinet without asking and closes its window.
    virtual void CloseFilingCabinet(COutlineDoc *document) = 0;
};

// The program's list of category names that the user's category file does
// not hold (the names desktop outlines use), shown in the category menus.
class CCategoryMenuList {
public:
    virtual ~CCategoryMenuList() = default;

    // Empties the list.
    virtual void Reset() = 0;
    virtual bool Contains(const kx_gen::_String &name) = 0;
    // Appends a name the list does not hold.
    virtual void AddName(const kx_gen::_String &name) = 0;
    // Drops the names that `categories` holds, after categories were added
    // to the file.
    virtual void RemoveKnown(kx_gen::CCategoryDB &categories) = 0;
    // A desktop-only user's category file was just made anew: fill it from
    // the list (the unfiled category first, then the listed names).
    virtual void RebuildFile(kx_gen::CCategoryDB &categories) = 0;
    // The active user's category file, or null when no user is active.
    virtual void AttachFile(kx_gen::CCategoryDB *categories) = 0;
};

// Notifications for the main window.
class CCabinetNotify {
public:
    // Codes of UserChanged.
    static constexpr int kUserActivated = 15;
    static constexpr int kUserDeactivated = 31;

    virtual ~CCabinetNotify() = default;

    // A user became active (kUserActivated) or stopped being active
    // (kUserDeactivated).
    virtual void UserChanged(int code, CUser *user) = 0;
    // A category was added to the active user's category file (both names
    // are the added one) or renamed.
    virtual void CategoryAdded(const kx_gen::_String &oldName, const kx_gen::_String &newName) = 0;
    // The program cannot go on: end it after the message already shown.
    virtual void Quit() = 0;
};

// Everything the users and their outline lists share for the whole run. The
// application owns the pieces; every pointer except `m_pPalm` must be set
// before a user is made. Without a loaded Palm library the cabinet runs in
// desktop-only mode.
struct CCabinetEnv {
    CPalmLibrary *m_pPalm = nullptr;
    // The preference "Path": the folder of Desktop Outlines and Templates.
    kx_gen::_String m_strDesktopFolder;
    kx_gen::CAppRegistry *m_pSettings = nullptr;
    CCabinetPrompter *m_pPrompter = nullptr;
    COpenDocuments *m_pDocuments = nullptr;
    CCategoryMenuList *m_pCategoryList = nullptr;
    CCabinetNotify *m_pNotify = nullptr;

    // Palm mode: one of Palm's user libraries was loaded at start.
    bool PalmPresent() const;
    // Runs an operation the user asked for. A library exception shows its
    // text through the prompter, any other exception "Unknown exception";
    // true when the operation completed.
    bool Attempt(const std::function<void()> &operation) const;
};
