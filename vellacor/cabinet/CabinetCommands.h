#pragma once

#include "kx_gen/String.h"

#include <vector>

namespace kx_gen {
class CException;
}

struct CCabinetEnv;
class CRootList;
class CUser;

// The commands of the outline lists on the active user's files: rename,
// duplicate, delete or archive, move between desktop and handheld, save as
// template, new outline from template, new, and drag and drop onto another
// list. Each command asks and reports through the environment's prompter,
// saves, closes and reopens open outlines through its open documents, and
// leaves the user's lists refreshed. Commands that make a file return its
// path so that the pane can select it.
class CCabinetCommands {
public:
    // `user` must be the active user.
    CCabinetCommands(CCabinetEnv &env, CUser &user);

    // Asks for a new title and gives it to the outline. A synchronised
    // outline keeps its file name; any other is renamed after its title (as
    // far as a file title can follow it: cut and without the characters
    // that file names may not hold).
    bool Rename(const kx_gen::_String &path, kx_gen::_String &newPath);
    // Asks for a name and copies the outline under that title into its own
    // list (saving it first when it is open and modified).
    bool Duplicate(const kx_gen::_String &path, kx_gen::_String &newPath);
    // Asks once, with the "Archive" box from the preferences (written back),
    // and deletes or archives every file; open outlines are closed unsaved.
    bool Delete(const std::vector<kx_gen::_String> &paths);
    // Moves every file between the desktop and the handheld lists (outlines
    // and templates alike). Moving to the handheld adds an outline's
    // category to the user's category file, and refuses the move when the
    // file is full. `lastPath` is the last file's new path.
    bool MoveToHandheld(const std::vector<kx_gen::_String> &paths, kx_gen::_String &lastPath);
    bool MoveToDesktop(const std::vector<kx_gen::_String> &paths, kx_gen::_String &lastPath);
    // Copies an outline into the templates list beside it; a handheld
    // template gets an empty category.
    bool SaveAsTemplate(const kx_gen::_String &path, kx_gen::_String &newPath);
    // Copies a template into the outlines list beside it, filed under the
    // user's filter category (the unfiled category when there is none), and
    // opens the copy.
    bool NewFromTemplate(const kx_gen::_String &path, kx_gen::_String &newPath);
    // A new document that will be saved in the list of kind `rootKind`.
    bool New(int rootKind);
    // Drops the file `path` onto the list of kind `targetKind`: a template
    // dropped on an outlines list is copied and filed under the pane's
    // category (the unfiled one when the pane shows all), anything else
    // moves.
    bool Drop(
        const kx_gen::_String &path, int targetKind, bool paneShowsAll, kx_gen::_String &newPath);
    // Moves an outline or template file that lies in no list into the
    // desktop or handheld lists.
    bool MoveOutsideFile(const kx_gen::_String &path, bool toHandheld, kx_gen::_String &newPath);

    // Shows the Conflicts notice when `path` lies in the Conflicts folder;
    // true when it did.
    bool ShowConflictsNotice(const kx_gen::_String &path);

private:
    enum CategoryCheck { kNoCheck, kCheckOwnCategory, kCheckGivenCategory };

    bool MoveBetween(
        const std::vector<kx_gen::_String> &paths, bool toHandheld, kx_gen::_String &lastPath);
    // Moves or copies `source` into the list of kind `destinationKind`
    // under its own file title, with the open-document and category steps.
    // `category` (may be null) is written into a copy.
    bool Transfer(const kx_gen::_String &source, int destinationKind, bool copy,
        const char *category, CategoryCheck check, kx_gen::_String &destination);
    // Makes sure the user's category file holds `category` before an
    // outline goes to the handheld. False (after the message) when the file
    // is full; `added` tells whether the category was added.
    bool AcceptHandheldCategory(const kx_gen::_String &category, bool &added);
    // The unique path for `title` in the list of kind `kind`, or empty.
    kx_gen::_String Destination(const kx_gen::_String &title, int kind) const;
    void Report(kx_gen::CException *e) const;

    CCabinetEnv &m_env;
    CUser &m_user;
    CRootList &m_Roots;
};
