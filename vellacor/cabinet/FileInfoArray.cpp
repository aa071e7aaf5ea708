#include "FileInfoArray.h"

#include "CabinetText.h"

#include "kx_gen/PathUtils.h"

#include <utility>

using kx_gen::_String;

namespace {
constexpr std::size_t kReservedEntries = 100;
}

CFileInfoArray::CFileInfoArray()
{
    m_Entries.reserve(kReservedEntries);
}

int CFileInfoArray::Add(CFileInfo *entry)
{
    entry->m_pOwner = this;
    m_Entries.emplace_back(entry);
    return GetCount() - 1;
}

CFileInfo *CFileInfoArray::GetAt(int index) const
{
    if (index < 0 || index >= GetCount())
        return nullptr;
    return m_Entries[static_cast<std::size_t>(index)].get();
}

CTreeData *CFileInfoArray::GetDataAt(int index) const
{
    return dynamic_cast<CTreeData *>(GetAt(index));
}

void CFileInfoArray::RemoveAt(int index)
{
    if (index >= 0 && index < GetCount())
        m_Entries.erase(m_Entries.begin() + index);
}

void CFileInfoArray::RemoveAll()
{
    m_Entries.clear();
}

int CFileInfoArray::FindPath(const _String &path) const
{
    for (int i = 0; i < GetCount(); ++i)
        if (cabinet::EqualNoCase(m_Entries[static_cast<std::size_t>(i)]->m_strPath, path))
            return i;
    return -1;
}

void CFileInfoArray::Swap(int first, int second)
{
    if (first >= 0 && second >= 0 && first < GetCount() && second < GetCount())
        std::swap(m_Entries[static_cast<std::size_t>(first)],
            m_Entries[static_cast<std::size_t>(second)]);
}

bool CFileInfoArray::HasExtensionOf(const _String &path) const
{
    _String ext = kx_gen::GetFileExt(path);
    if (ext.IsEmpty())
        return false;
    _String bare(ext.c_str() + 1);
    for (const _String &known : m_Extensions)
        if (cabinet::EqualNoCase(bare, known))
            return true;
    return false;
}
