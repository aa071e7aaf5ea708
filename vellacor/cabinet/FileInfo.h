#pragma once

#include "kx_gen/String.h"
#include "kx_gen/Time.h"

#include <cstdint>

namespace kx_gen {
class CFileFind;
}

class CFileInfoArray;

// One file of an outline list: its path and what the directory listing says
// about it.
class CFileInfo {
public:
    explicit CFileInfo(CFileInfoArray *owner = nullptr)
        : m_pOwner(owner)
    {
    }
    virtual ~CFileInfo() = default;

    // Takes path, attributes, size and times from the current match of
    // `find`.
    void ReadFileFacts(const kx_gen::CFileFind &find);
    // The same from the file system; false when `path` does not exist.
    bool ReadFileFacts(const kx_gen::_String &path);

    kx_gen::_String m_strPath;
    int m_nAttributes = -1;
    std::uint64_t m_nSize = 0;
    kx_gen::CTime m_CreationTime;
    kx_gen::CTime m_LastAccessTime;
    kx_gen::CTime m_LastWriteTime;
    CFileInfoArray *m_pOwner = nullptr;
};

// An outline or template file of an outline list, with the category and the
// title stored in it.
class CTreeData : public CFileInfo {
public:
    using CFileInfo::CFileInfo;

    // Opens the outline file read-only and reads its category (shared
    // header) and title (private header). Never writes to the file, also not
    // to enlarge headers of an older file. False, with the fields left as
    // they were, when the file cannot be opened or read.
    bool ReadOutline();

    // A template file (extension "kxt", any letter case).
    bool IsTemplate() const;

    kx_gen::_String m_strCategory;
    kx_gen::_String m_strTitle;
};
