#pragma once

// The program's list of category names that the user's category file does
// not hold (names that desktop outlines carry), and the sorted views of a
// category file that the category boxes and menus show.

#include "CabinetHost.h"

#include "kx_gen/String.h"

#include <memory>
#include <vector>

namespace kx_gen {
class CCategoryDB;
class CCategoryRecord;
} // namespace kx_gen

// Orders category names for display: the unfiled category's name after every
// other, all others without regard to letter case. Negative, 0 or positive.
int CompareCategoryNames(const kx_gen::_String &a, const kx_gen::_String &b);

// The non-empty categories of `categories`, sorted by CompareCategoryNames.
// The records stay the file's.
std::vector<kx_gen::CCategoryRecord *> BuildSortedView(kx_gen::CCategoryDB &categories);

// One list per run. Its entries point at records: records of the attached
// category file (not owned) or records the list made itself (owned), whose
// ids come from a counter starting at 1.
class CCategoryList : public CCategoryMenuList {
public:
    struct Entry {
        kx_gen::CCategoryRecord *m_pRecord = nullptr;
        bool m_bOwned = false;
    };

    CCategoryList();
    ~CCategoryList() override;
    CCategoryList(const CCategoryList &) = delete;
    CCategoryList &operator=(const CCategoryList &) = delete;

    // The first entry named exactly `name`, or null.
    Entry *FindByName(const kx_gen::_String &name);
    // Appends an entry for `record` (not owned), or with null a new owned
    // record with the next id; the caller names it.
    Entry &Add(kx_gen::CCategoryRecord *record);
    // Rebuilds a desktop-only user's category file from the list: listed
    // file records become owned copies, the unfiled name leaves the list,
    // the file is emptied, the unfiled category goes in first and then the
    // listed names in list order until the file is full. Returns the unfiled
    // record. Throws the storage library's exceptions.
    kx_gen::CCategoryRecord *RebuildFileAndGetUnfiled(kx_gen::CCategoryDB &categories);
    // Empties the list, then collects the names that desktop outlines use
    // (through `collect`, which calls AddName), sorts them and drops those
    // the attached file holds.
    template <typename Collect> void Rebuild(Collect collect)
    {
        Reset();
        collect(*this);
        Sort();
        if (m_pFile)
            RemoveKnown(*m_pFile);
    }
    void Sort();

    int GetCount() const { return static_cast<int>(m_Entries.size()); }
    const Entry &GetAt(int index) const { return m_Entries[static_cast<std::size_t>(index)]; }
    kx_gen::_String GetName(int index) const;
    kx_gen::CCategoryDB *GetFile() const { return m_pFile; }

    // CCategoryMenuList
    void Reset() override;
    bool Contains(const kx_gen::_String &name) override;
    void AddName(const kx_gen::_String &name) override;
    void RemoveKnown(kx_gen::CCategoryDB &categories) override;
    void RebuildFile(kx_gen::CCategoryDB &categories) override;
    void AttachFile(kx_gen::CCategoryDB *categories) override;

private:
    void Free(Entry &entry);

    std::vector<Entry> m_Entries;
    std::uint32_t m_nNextId = 0;
    kx_gen::CCategoryDB *m_pFile = nullptr;
};
