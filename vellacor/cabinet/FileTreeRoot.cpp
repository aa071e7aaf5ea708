#include "FileTreeRoot.h"

#include "CabinetNames.h"
#include "CabinetText.h"

#include "kx_gen/File.h"
#include "kx_gen/FileFind.h"
#include "kx_gen/PathUtils.h"

#include <memory>

using kx_gen::_String;
using kx_gen::CFile;

void CFileTreeRoot::Refresh(const _String &excludedPath)
{
    RemoveAll();
    _String pattern = m_Extensions.size() == 1 ? _String("*.") + m_Extensions.front() : "*.*";
    kx_gen::CFileFind find;
    bool more = find.FindFile(kx_gen::JoinPath(m_strFolder, pattern));
    while (more) {
        more = find.FindNextFileA();
        if (find.IsDots() || find.IsDirectory() || find.IsHidden())
            continue;
        _String path = find.GetFilePath();
        if (m_Extensions.size() > 1 && !HasExtensionOf(path))
            continue;
        if (cabinet::EqualNoCase(path, excludedPath))
            continue;
        if (CTreeData *entry = ReadEntry(path, &find))
            Add(entry);
    }
    m_bResort = 1;
}

CTreeData *CFileTreeRoot::RefreshFile(const _String &path, const _String &excludedPath)
{
    int index = FindPath(path);
    if (index >= 0)
        RemoveAt(index);
    m_bResort = 1;
    if (!HasExtensionOf(path) || cabinet::EqualNoCase(path, excludedPath))
        return nullptr;
    CTreeData *entry = ReadEntry(path, nullptr);
    if (!entry)
        return nullptr;
    if (entry->m_nAttributes & (CFile::hidden | CFile::directory)) {
        delete entry;
        return nullptr;
    }
    Add(entry);
    return entry;
}

bool CFileTreeRoot::IsOutlineRoot() const
{
    return m_nKind == cabinet::kRootDesktopOutlines || m_nKind == cabinet::kRootHandheldOutlines;
}

bool CFileTreeRoot::IsTemplateRoot() const
{
    return m_nKind == cabinet::kRootDesktopTemplates || m_nKind == cabinet::kRootHandheldTemplates;
}

CTreeData *CFileTreeRoot::ReadEntry(const _String &path, const kx_gen::CFileFind *find)
{
    auto entry = std::make_unique<CTreeData>(this);
    if (find)
        entry->ReadFileFacts(*find);
    else if (!entry->ReadFileFacts(path))
        return nullptr;
    if (!entry->ReadOutline())
        return nullptr;
    return entry.release();
}
