#include "RootList.h"

#include "CabinetHost.h"
#include "CabinetNames.h"
#include "CabinetText.h"

#include "kx_gen/CategoryDB.h"
#include "kx_gen/Exception.h"
#include "kx_gen/File.h"
#include "kx_gen/OutlineDB.h"
#include "kx_gen/PathUtils.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include <sys/stat.h>

using kx_gen::_String;
using kx_gen::CFile;
using namespace cabinet;

namespace {

_String WithSeparator(const _String &folder)
{
    if (folder.IsEmpty() || folder[folder.size() - 1] == kx_gen::kPathSeparator)
        return folder;
    return folder + _String(std::string(1, kx_gen::kPathSeparator));
}

// A plain existence test: file names may hold characters that wildcard
// searches would take as patterns.
bool PathExists(const _String &path)
{
    struct stat status { };
    return ::stat(path, &status) == 0;
}

} // namespace

void EnsureFolder(const _String &folder)
{
    if (folder.IsEmpty() || PathExists(folder))
        return;
    std::error_code ignored;
    std::filesystem::create_directories(folder.str(), ignored);
}

CRootList::CRootList(CCabinetEnv &env)
    : m_env(env)
{
}

CRootList::~CRootList() = default;

void CRootList::Init(const _String &desktopFolder, const _String &userFolder)
{
    Clear();
    m_strDesktopFolder = desktopFolder;
    m_strUserFolder = userFolder;
    const bool palm = m_env.PalmPresent();
    if (palm) {
        m_strFilingCabinet = kx_gen::JoinPath(userFolder, kFilingCabinetFileName);
        AddRoot(userFolder, { kOutlineExtension }, kHandheldOutlinesTitle, kRootHandheldOutlines);
        AddRoot(
            userFolder, { kTemplateExtension }, kHandheldTemplatesTitle, kRootHandheldTemplates);
    } else {
        m_strFilingCabinet = kx_gen::JoinPath(desktopFolder, kFilingCabinetFileName);
    }
    AddRoot(desktopFolder, { kOutlineExtension }, kDesktopOutlinesTitle, kRootDesktopOutlines);
    AddRoot(desktopFolder, { kTemplateExtension }, kDesktopTemplatesTitle, kRootDesktopTemplates);
    if (palm) {
        m_strConflicts = kx_gen::JoinPath(userFolder, kConflictsFolderName);
        m_strBackup = kx_gen::JoinPath(userFolder, kBackupFolderName);
        m_strArchive = kx_gen::JoinPath(userFolder, kArchiveFolderName);
        AddRoot(m_strConflicts, { kOutlineExtension, kTemplateExtension }, kConflictsTitle,
            kRootConflicts);
        EnsureFolder(m_strBackup);
        EnsureFolder(m_strArchive);
    }
}

void CRootList::Clear()
{
    m_Roots.clear();
    m_strFilingCabinet.Empty();
    m_strConflicts.Empty();
    m_strBackup.Empty();
    m_strArchive.Empty();
}

void CRootList::AddRoot(
    const _String &folder, std::vector<_String> extensions, const char *title, int kind)
{
    auto root = std::make_unique<CFileTreeRoot>();
    root->m_strFolder = WithSeparator(folder);
    root->m_Extensions = std::move(extensions);
    root->m_strTitle = title;
    root->m_nKind = kind;
    EnsureFolder(root->m_strFolder);
    m_Roots.push_back(std::move(root));
}

void CRootList::RefreshAll()
{
    for (auto &root : m_Roots)
        root->Refresh(m_strFilingCabinet);
}

void CRootList::RefreshFile(const _String &path)
{
    _String folder = kx_gen::GetRoot(path);
    for (auto &root : m_Roots)
        if (EqualNoCase(root->m_strFolder, folder) && root->HasExtensionOf(path))
            root->RefreshFile(path, m_strFilingCabinet);
}

CFileTreeRoot *CRootList::GetAt(int index) const
{
    if (index < 0 || index >= GetCount())
        return nullptr;
    return m_Roots[static_cast<std::size_t>(index)].get();
}

CFileTreeRoot *CRootList::FindByKind(int kind) const
{
    for (const auto &root : m_Roots)
        if (root->m_nKind == kind)
            return root.get();
    return nullptr;
}

CFileTreeRoot *CRootList::FindByFolder(const _String &folder) const
{
    int position = -1;
    return FindNextByFolder(folder, position);
}

CFileTreeRoot *CRootList::FindNextByFolder(const _String &folder, int &position) const
{
    _String wanted = WithSeparator(folder);
    for (int i = std::max(position + 1, 0); i < GetCount(); ++i) {
        if (EqualNoCase(m_Roots[static_cast<std::size_t>(i)]->m_strFolder, wanted)) {
            position = i;
            return m_Roots[static_cast<std::size_t>(i)].get();
        }
    }
    position = GetCount();
    return nullptr;
}

CFileTreeRoot *CRootList::FindRootOf(const _String &path) const
{
    _String folder = kx_gen::GetRoot(path);
    int position = -1;
    while (CFileTreeRoot *root = FindNextByFolder(folder, position))
        if (root->HasExtensionOf(path))
            return root;
    return nullptr;
}

CTreeData *CRootList::FindEntry(const _String &path) const
{
    CFileTreeRoot *root = FindRootOf(path);
    if (!root)
        return nullptr;
    return root->GetDataAt(root->FindPath(path));
}

bool CRootList::IsInDesktopOutlines(const _String &path) const
{
    CFileTreeRoot *root = FindByKind(kRootDesktopOutlines);
    return root && kx_gen::GetRoot(path) == root->m_strFolder;
}

bool CRootList::IsInHandheldOutlines(const _String &path) const
{
    if (!m_env.PalmPresent())
        return false;
    CFileTreeRoot *root = FindByKind(kRootHandheldOutlines);
    return root && kx_gen::GetRoot(path) == root->m_strFolder;
}

bool CRootList::IsInConflicts(const _String &path) const
{
    if (!m_env.PalmPresent())
        return false;
    CFileTreeRoot *root = FindByFolder(kx_gen::GetRoot(path));
    return root && root->m_nKind == kRootConflicts;
}

_String CRootList::MakeFileName(
    const _String &folder, const _String &title, int kind, const _String &oldPath) const
{
    const char *extension = nullptr;
    if (kind == kRootDesktopOutlines || kind == kRootHandheldOutlines)
        extension = kOutlineExtension;
    else if (kind == kRootDesktopTemplates || kind == kRootHandheldTemplates)
        extension = kTemplateExtension;
    else
        return _String();
    _String candidate
        = kx_gen::JoinPath(folder, cabinet::FileTitleFor(title) + "." + extension);
    const char *allowed = oldPath.IsEmpty() ? nullptr : oldPath.c_str();
    // HotSync keeps copies in the Backup folder; a new handheld outline must
    // not take the name of one of them.
    if (IsInHandheldOutlines(candidate))
        return kx_gen::GetValidFileName(candidate, m_strBackup, allowed);
    return kx_gen::GetValidFileName(candidate, nullptr, allowed);
}

void CRootList::MarkChanged(const _String &path, const char *category, const char *title)
{
    kx_gen::COutlineDB db;
    db.Open(path, CFile::modeReadWrite | CFile::shareExclusive);
    db.ReadSharedHeader();
    db.ReadPrivateHeader();
    if (category)
        db.SetCategoryName(category);
    if (title)
        db.SetOutlineTitle(title);
    db.SetOutlineChanged(true);
    db.SetSynchronized(false);
    db.WriteSharedHeader();
    db.WritePrivateHeader();
    db.Close();
}

bool CRootList::Move(const _String &source, const _String &destination, const char *category)
{
    const bool done = m_env.Attempt([&] {
        CFile::Move(source, destination);
        MarkChanged(destination, category, nullptr);
    });
    RefreshFile(source);
    RefreshFile(destination);
    return done;
}

bool CRootList::Copy(const _String &source, const _String &destination, const char *category)
{
    const bool done = m_env.Attempt([&] {
        CFile::Copy(source, destination);
        MarkChanged(destination, category, nullptr);
    });
    RefreshFile(destination);
    return done;
}

bool CRootList::Duplicate(const _String &source, const _String &destination, const _String &title)
{
    const bool done = m_env.Attempt([&] {
        CFile::Copy(source, destination);
        MarkChanged(destination, nullptr, title);
    });
    RefreshFile(destination);
    return done;
}

bool CRootList::RemoveOrArchive(const _String &path, bool archive)
{
    if (archive && m_strArchive.IsEmpty()) {
        m_env.m_pPrompter->ShowMessage(kMsgNoArchiveFolder);
        return false;
    }
    const bool done = m_env.Attempt([&] {
        if (archive) {
            _String destination = kx_gen::JoinPath(m_strArchive, kx_gen::GetFileName(path));
            if (PathExists(destination))
                destination = kx_gen::GetNextValidNumberedName(destination);
            CFile::Move(path, destination);
        } else {
            CFile::Remove(path);
        }
    });
    RefreshFile(path);
    return done;
}

void CRootList::RenameCategory(const char *oldName, const char *newName)
{
    kx_gen::updateCategory(m_strDesktopFolder, kOutlineExtension, oldName, newName);
    if (!m_strUserFolder.IsEmpty()
        && !EqualNoCase(WithSeparator(m_strUserFolder), WithSeparator(m_strDesktopFolder)))
        kx_gen::updateCategory(m_strUserFolder, kOutlineExtension, oldName, newName);
    RefreshAll();
}

void CRootList::CollectDesktopCategories(CCategoryMenuList &list) const
{
    CFileTreeRoot *root = FindByKind(kRootDesktopOutlines);
    if (!root)
        return;
    for (int i = 0; i < root->GetCount(); ++i) {
        const _String &name = root->GetDataAt(i)->m_strCategory;
        if (!name.IsEmpty() && !list.Contains(name))
            list.AddName(name);
    }
}

void CRootList::CollectHandheldCategories(CCategoryMenuList &list) const
{
    for (const _String &name : HandheldCategoryNames())
        if (!list.Contains(name))
            list.AddName(name);
}

std::vector<_String> CRootList::HandheldCategoryNames() const
{
    std::vector<_String> names;
    if (!m_env.PalmPresent())
        return names;
    for (int kind : { kRootHandheldOutlines, kRootConflicts }) {
        CFileTreeRoot *root = FindByKind(kind);
        if (!root)
            continue;
        for (int i = 0; i < root->GetCount(); ++i) {
            CTreeData *entry = root->GetDataAt(i);
            if (entry->IsTemplate() || entry->m_strCategory.IsEmpty())
                continue;
            if (std::find(names.begin(), names.end(), entry->m_strCategory) == names.end())
                names.push_back(entry->m_strCategory);
        }
    }
    return names;
}

void CRootList::AttachCategories(kx_gen::CCategoryDB &categories)
{
    if (!m_env.PalmPresent())
        return;
    const _String unfiled = kx_gen::CCategoryDB::getUnfiledCategoryName();
    for (int kind : { kRootHandheldOutlines, kRootConflicts }) {
        CFileTreeRoot *root = FindByKind(kind);
        if (!root)
            continue;
        for (int i = 0; i < root->GetCount(); ++i) {
            CTreeData *entry = root->GetDataAt(i);
            // Templates carry no category.
            if (entry->IsTemplate() || categories.FindCategory(entry->m_strCategory.c_str()))
                continue;
            if (kx_gen::updateFileCategory(entry->m_strPath, true, entry->m_strCategory, unfiled)) {
                entry->m_strCategory = unfiled;
                entry->ReadFileFacts(entry->m_strPath);
                root->m_bResort = 1;
            }
        }
    }
}

void CRootList::SetAllResort(int flag)
{
    for (auto &root : m_Roots)
        root->m_bResort = flag;
}

bool CRootList::ValidateTitle(_String &text)
{
    _String title = text;
    bool valid = kx_gen::ValidateFileTitle(title);
    text = title;
    return valid;
}
