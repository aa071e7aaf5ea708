#pragma once

#include "FileInfo.h"

#include "kx_gen/String.h"

#include <cstddef>
#include <memory>
#include <vector>

// The files of one folder that carry one of a set of extensions. The array
// owns its entries.
class CFileInfoArray {
public:
    CFileInfoArray();
    virtual ~CFileInfoArray() = default;
    CFileInfoArray(const CFileInfoArray &) = delete;
    CFileInfoArray &operator=(const CFileInfoArray &) = delete;

    // Appends `entry` (taking ownership, making this array its owner) and
    // returns its index.
    virtual int Add(CFileInfo *entry);

    int GetCount() const { return static_cast<int>(m_Entries.size()); }
    CFileInfo *GetAt(int index) const;
    // The entry at `index` as an outline entry (every entry of a root is one).
    CTreeData *GetDataAt(int index) const;
    // Frees the entry at `index`.
    void RemoveAt(int index);
    void RemoveAll();
    // The index of the entry whose path equals `path` without regard to
    // letter case, or -1.
    int FindPath(const kx_gen::_String &path) const;
    // Swaps two entries (for sorting).
    void Swap(int first, int second);

    // True when `path`'s extension (after the last dot, any letter case) is
    // one of the array's extensions.
    bool HasExtensionOf(const kx_gen::_String &path) const;

    // The folder, always ending in a separator.
    kx_gen::_String m_strFolder;
    // The extensions of the files that belong here, without the dot.
    std::vector<kx_gen::_String> m_Extensions;
    // Set when the entries were read again or must be sorted again; the
    // pane clears it when it has sorted them.
    int m_bResort = 0;

protected:
    std::vector<std::unique_ptr<CFileInfo>> m_Entries;
};
