#include "CategoryList.h"

#include "CabinetText.h"

#include "kx_gen/CategoryDB.h"
#include "kx_gen/CategoryRecord.h"

#include <algorithm>

using kx_gen::_String;
using kx_gen::CCategoryDB;
using kx_gen::CCategoryRecord;

int CompareCategoryNames(const _String &a, const _String &b)
{
    const _String unfiled = CCategoryDB::getUnfiledCategoryName();
    const bool aUnfiled = a == unfiled;
    const bool bUnfiled = b == unfiled;
    if (aUnfiled || bUnfiled)
        return aUnfiled == bUnfiled ? 0 : (aUnfiled ? 1 : -1);
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const int ca = cabinet::ToUpper1252(static_cast<unsigned char>(a[i]));
        const int cb = cabinet::ToUpper1252(static_cast<unsigned char>(b[i]));
        if (ca != cb)
            return ca - cb;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

std::vector<CCategoryRecord *> BuildSortedView(CCategoryDB &categories)
{
    std::vector<CCategoryRecord *> view;
    for (CCategoryRecord &record : categories)
        view.push_back(&record);
    std::stable_sort(view.begin(), view.end(), [](CCategoryRecord *a, CCategoryRecord *b) {
        return CompareCategoryNames(a->GetCategoryName(), b->GetCategoryName()) < 0;
    });
    return view;
}

CCategoryList::CCategoryList() = default;

CCategoryList::~CCategoryList()
{
    Reset();
}

void CCategoryList::Free(Entry &entry)
{
    if (entry.m_bOwned)
        delete entry.m_pRecord;
    entry.m_pRecord = nullptr;
}

CCategoryList::Entry *CCategoryList::FindByName(const _String &name)
{
    for (Entry &entry : m_Entries)
        if (entry.m_pRecord && entry.m_pRecord->GetCategoryName() == name)
            return &entry;
    return nullptr;
}

CCategoryList::Entry &CCategoryList::Add(CCategoryRecord *record)
{
    Entry entry;
    if (record) {
        entry.m_pRecord = record;
    } else {
        auto owned = std::make_unique<CCategoryRecord>();
        owned->Init();
        owned->SetCategoryId(++m_nNextId);
        entry.m_pRecord = owned.release();
        entry.m_bOwned = true;
    }
    m_Entries.push_back(entry);
    return m_Entries.back();
}

_String CCategoryList::GetName(int index) const
{
    const Entry &entry = GetAt(index);
    return entry.m_pRecord ? entry.m_pRecord->GetCategoryName() : _String();
}

void CCategoryList::Sort()
{
    std::stable_sort(m_Entries.begin(), m_Entries.end(), [](const Entry &a, const Entry &b) {
        return CompareCategoryNames(a.m_pRecord->GetCategoryName(), b.m_pRecord->GetCategoryName())
            < 0;
    });
}

void CCategoryList::Reset()
{
    for (Entry &entry : m_Entries)
        Free(entry);
    m_Entries.clear();
}

bool CCategoryList::Contains(const _String &name)
{
    return FindByName(name) != nullptr;
}

void CCategoryList::AddName(const _String &name)
{
    if (name.IsEmpty() || Contains(name))
        return;
    Add(nullptr).m_pRecord->SetCategoryName(name);
}

void CCategoryList::RemoveKnown(CCategoryDB &categories)
{
    auto known = [&categories](const Entry &entry) {
        return entry.m_pRecord
            && categories.FindCategory(entry.m_pRecord->GetCategoryName().c_str()) != nullptr;
    };
    for (Entry &entry : m_Entries)
        if (known(entry))
            Free(entry);
    m_Entries.erase(std::remove_if(m_Entries.begin(), m_Entries.end(),
                        [](const Entry &e) { return e.m_pRecord == nullptr; }),
        m_Entries.end());
}

CCategoryRecord *CCategoryList::RebuildFileAndGetUnfiled(CCategoryDB &categories)
{
    // The file's records are about to go: keep the names as our own.
    const _String unfiled = CCategoryDB::getUnfiledCategoryName();
    std::vector<_String> names;
    for (const Entry &entry : m_Entries)
        if (entry.m_pRecord && !(entry.m_pRecord->GetCategoryName() == unfiled))
            names.push_back(entry.m_pRecord->GetCategoryName());
    Reset();
    for (const _String &name : names)
        AddName(name);

    categories.deleteAllCategories();
    CCategoryRecord *unfiledRecord = categories.AddNewCategory(unfiled.c_str());
    for (const _String &name : names) {
        if (categories.isFull())
            break;
        if (!categories.FindCategory(name.c_str()))
            categories.AddNewCategory(name.c_str());
    }
    return unfiledRecord;
}

void CCategoryList::RebuildFile(CCategoryDB &categories)
{
    RebuildFileAndGetUnfiled(categories);
}

void CCategoryList::AttachFile(CCategoryDB *categories)
{
    m_pFile = categories;
}
