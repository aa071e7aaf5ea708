#pragma once

#include "FileInfoArray.h"

#include "kx_gen/String.h"

// One outline list of the active user: a folder, its extensions, a title and
// a kind (cabinet::RootKind).
class CFileTreeRoot : public CFileInfoArray {
public:
    CFileTreeRoot() = default;

    // Reads the entries again from the folder: every file with one of the
    // root's extensions that is neither hidden nor a folder nor
    // `excludedPath` (the filing cabinet, which shares a folder with the
    // outlines), whose category and title can be read. Unreadable files are
    // left out without a message. Entries come in listing order; m_bResort
    // is set.
    void Refresh(const kx_gen::_String &excludedPath);
    // Drops the entry of `path` and reads it again when the file still
    // exists and belongs here. Returns the entry, or null.
    CTreeData *RefreshFile(const kx_gen::_String &path, const kx_gen::_String &excludedPath);

    bool IsOutlineRoot() const;
    bool IsTemplateRoot() const;

    kx_gen::_String m_strTitle;
    int m_nKind = 1;
    int m_nTreeItem = 0;

private:
    // Reads the entry of `path` whose file facts `find` holds or, when
    // `find` is null, are read from disk; null when it cannot be read.
    CTreeData *ReadEntry(const kx_gen::_String &path, const kx_gen::CFileFind *find);
};
