#pragma once

#include "FileTreeRoot.h"

#include "kx_gen/String.h"

#include <memory>
#include <vector>

namespace kx_gen {
class CCategoryDB;
class CException;
} // namespace kx_gen

struct CCabinetEnv;
class CCategoryMenuList;

// The outline lists (roots) of one user: in Palm mode Handheld Outlines,
// Handheld Templates, Desktop Outlines, Desktop Templates and Conflicts; in
// desktop-only mode the two desktop roots. Besides the lists it knows the
// user's Conflicts, Backup and Archive folders and the filing cabinet, and
// performs the file operations that keep HotSync's flags right.
//
// File operations catch every exception, show its text through the
// prompter and return false; the lists are refreshed as far as the files
// changed.
class CRootList {
public:
    explicit CRootList(CCabinetEnv &env);
    ~CRootList();
    CRootList(const CRootList &) = delete;
    CRootList &operator=(const CRootList &) = delete;

    // Builds the roots for the desktop folder and the user's folder (Palm
    // mode), creating missing folders (also Backup and Archive). The entries
    // are not read yet (RefreshAll).
    void Init(const kx_gen::_String &desktopFolder, const kx_gen::_String &userFolder);
    // Drops every root.
    void Clear();
    // Reads every root's entries from disk.
    void RefreshAll();
    // Updates the entry of `path` in every root of its folder whose
    // extensions fit: dropped, and read again when the file still exists.
    void RefreshFile(const kx_gen::_String &path);

    int GetCount() const { return static_cast<int>(m_Roots.size()); }
    CFileTreeRoot *GetAt(int index) const;
    CFileTreeRoot *FindByKind(int kind) const;
    // The first root of `folder` (compared without regard to case, with or
    // without the trailing separator), and the next one after `position`
    // (an index; -1 starts at the beginning). Two roots share each folder.
    CFileTreeRoot *FindByFolder(const kx_gen::_String &folder) const;
    CFileTreeRoot *FindNextByFolder(const kx_gen::_String &folder, int &position) const;
    // The root that lists `path`: of its folder and with its extension.
    CFileTreeRoot *FindRootOf(const kx_gen::_String &path) const;
    // The entry of `path` in its root, or null.
    CTreeData *FindEntry(const kx_gen::_String &path) const;

    bool IsInDesktopOutlines(const kx_gen::_String &path) const;
    // Both false in desktop-only mode.
    bool IsInHandheldOutlines(const kx_gen::_String &path) const;
    bool IsInConflicts(const kx_gen::_String &path) const;

    // The path for an outline titled `title` in `folder` for a root of
    // `kind` ("kxo" for kinds 2 and 4, "kxt" for 3 and 5; empty for any
    // other kind): the title cut to a file title's length and numbered until
    // no file of the name exists, in the Handheld Outlines folder also none
    // in the Backup folder. `oldPath` (may be empty) is the file's current
    // path, which counts as free.
    kx_gen::_String MakeFileName(const kx_gen::_String &folder, const kx_gen::_String &title,
        int kind, const kx_gen::_String &oldPath) const;

    // Moves / copies `source` to `destination` (which must not exist) and
    // marks the destination changed and not synchronised; with `category`
    // (may be null) it also takes that category name. The lists of both
    // paths are refreshed. False after a message when anything failed; a
    // file that reached the destination stays there.
    bool Move(
        const kx_gen::_String &source, const kx_gen::_String &destination, const char *category);
    bool Copy(
        const kx_gen::_String &source, const kx_gen::_String &destination, const char *category);
    // Copies `source` to `destination` under the title `title`, marked
    // changed and not synchronised.
    bool Duplicate(const kx_gen::_String &source, const kx_gen::_String &destination,
        const kx_gen::_String &title);
    // Deletes `path`, or with `archive` moves it into the Archive folder
    // (numbered when the name is taken there). Desktop-only mode has no
    // Archive folder: archiving is refused with a message and the file
    // stays.
    bool RemoveOrArchive(const kx_gen::_String &path, bool archive);

    // Rewrites the category `oldName` to `newName` (null: the unfiled
    // category) in every outline of the desktop folder and of the user's
    // folder, then reads every root again.
    void RenameCategory(const char *oldName, const char *newName);
    // Adds to `list` every non-empty category that the outlines of Desktop
    // Outlines use and the list does not hold yet.
    void CollectDesktopCategories(CCategoryMenuList &list) const;
    // The same for Handheld Outlines and the outlines (not templates) of
    // Conflicts (Palm mode; nothing otherwise).
    void CollectHandheldCategories(CCategoryMenuList &list) const;
    // The categories that CollectHandheldCategories adds, without
    // repetitions, in list order.
    std::vector<kx_gen::_String> HandheldCategoryNames() const;
    // Palm mode: refiles every outline of Handheld Outlines and Conflicts
    // whose category `categories` lacks under the unfiled category, on disk
    // and in its entry.
    void AttachCategories(kx_gen::CCategoryDB &categories);
    void SetAllResort(int flag);
    // Makes `text` usable as a file title (in place); false when it was not.
    static bool ValidateTitle(kx_gen::_String &text);

    const kx_gen::_String &GetFilingCabinetPath() const { return m_strFilingCabinet; }
    const kx_gen::_String &GetConflictsFolder() const { return m_strConflicts; }
    const kx_gen::_String &GetBackupFolder() const { return m_strBackup; }
    const kx_gen::_String &GetArchiveFolder() const { return m_strArchive; }

private:
    void AddRoot(const kx_gen::_String &folder, std::vector<kx_gen::_String> extensions,
        const char *title, int kind);
    // Marks `path` changed and not synchronised; with `category` and/or
    // `title` (may be null) also writes those.
    static void MarkChanged(const kx_gen::_String &path, const char *category, const char *title);

    CCabinetEnv &m_env;
    std::vector<std::unique_ptr<CFileTreeRoot>> m_Roots;
    kx_gen::_String m_strDesktopFolder;
    kx_gen::_String m_strUserFolder;
    kx_gen::_String m_strFilingCabinet;
    kx_gen::_String m_strConflicts;
    kx_gen::_String m_strBackup;
    kx_gen::_String m_strArchive;
};

// Creates `folder` (and the folders above it) unless a file or folder of
// that name exists. Failures are left to whoever uses the folder.
void EnsureFolder(const kx_gen::_String &folder);
