#include "OutlineDoc.h"

#include "AppStrings.h"
#include "CabinetHost.h"
#include "CabinetNames.h"
#include "CabinetText.h"
#include "DocumentHost.h"
#include "OutlineDocTemplate.h"
#include "RootList.h"
#include "StorageGuard.h"
#include "User.h"

#include "kx_gen/CategoryDB.h"
#include "kx_gen/File.h"
#include "kx_gen/OutlineDB.h"
#include "kx_gen/PathUtils.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>

using kx_gen::_String;

namespace {

// A string-table text with its one placeholder ("%s" or "%1") filled in.
_String FormatText(unsigned id, const _String &argument)
{
    std::string text = appstr::Get(id);
    for (const char *placeholder : { "%s", "%1" }) {
        const std::size_t at = text.find(placeholder);
        if (at != std::string::npos) {
            text.replace(at, 2, argument.str());
            break;
        }
    }
    return _String(std::move(text));
}

_String Extension(bool isTemplate)
{
    return appstr::Get(isTemplate ? appstr::kTemplateExtension : appstr::kOutlineExtension);
}

// Puts a file's modification time back after its headers were rewritten.
void RestoreModificationTime(const _String &path, const struct stat &before)
{
    const struct timespec times[2] = { before.st_atim, before.st_mtim };
    utimensat(AT_FDCWD, path.c_str(), times, 0);
}

} // namespace

bool IsTemplatePath(const _String &path)
{
    return cabinet::EqualNoCase(kx_gen::GetFileExt(path), _String(".") + Extension(true))
        || cabinet::EqualNoCase(kx_gen::GetFileExt(path), Extension(true));
}

void COutlineDoc::CDocOutline::SetModified(bool modified)
{
    m_pDoc->SetModifiedFlag(modified);
}

COutlineDoc::COutlineDoc(CDocumentHost &host, COutlineDocTemplate *docTemplate)
    : m_Host(host)
    , m_pTemplate(docTemplate)
    , m_Outline(this, host.OutlineSettings(), &host.Messages())
{
}

COutlineDoc::~COutlineDoc() = default;

CUser *COutlineDoc::User() const
{
    return m_Host.ActiveUser();
}

CRootList *COutlineDoc::Roots() const
{
    CUser *user = User();
    return user ? &user->GetRoots() : nullptr;
}

void COutlineDoc::ShowMessage(const _String &text)
{
    m_Host.Prompter().ShowMessage(text);
}

void COutlineDoc::SetTitle(const _String &text)
{
    if (m_strOutlineTitle.IsEmpty())
        m_strOutlineTitle = text;
    m_strTitle
        = m_bFilingCabinet ? _String(appstr::Get(appstr::kFilingCabinetTitle)) : m_strOutlineTitle;
    if (m_pFrame)
        m_pFrame->TitleChanged();
}

void COutlineDoc::SetOutlineTitle(const _String &title)
{
    if (m_bFilingCabinet || m_bConflict)
        return;
    m_strOutlineTitle = title;
    SetTitle(title);
    SetModifiedFlag(true);
}

void COutlineDoc::SetCategory(const _String &name)
{
    kx_gen::COutlineDB *db = m_Outline.GetDB();
    if (!db || m_bConflict || db->GetCategoryName() == name)
        return;
    RunStorageOperation(&m_Host.Messages(), [&] {
        db->SetCategoryName(name);
        db->SetOutlineChanged(true);
    });
    SetModifiedFlag(true);
}

void COutlineDoc::SetModifiedFlag(bool modified)
{
    if (m_bConflict || m_bModified == modified)
        return;
    m_bModified = modified;
    if (m_pFrame)
        m_pFrame->TitleChanged();
}

void COutlineDoc::UpdateAllViews(int hint)
{
    if (m_pFrame)
        m_pFrame->UpdateViews(hint);
}

// ---- Life cycle ------------------------------------------------------------

bool COutlineDoc::OnNewDocument(bool forImport)
{
    DeleteContents();
    m_bModified = false;
    m_strPathName.Empty();
    SetTitle(appstr::Get(appstr::kUntitled));
    if (!m_Outline.NewOutline(!forImport))
        return false;
    m_bTemplate = false;
    m_bConflict = false;
    m_strNewFolder.Empty();
    CUser *user = User();
    if (user && !user->m_strFilterCategory.IsEmpty())
        RunStorageOperation(&m_Host.Messages(),
            [&] { m_Outline.GetDB()->SetCategoryName(user->m_strFilterCategory); });
    return true;
}

bool COutlineDoc::OnOpenDocument(const _String &path)
{
    if (m_pTemplate) {
        if (COutlineDoc *open = m_pTemplate->FindDocument(path); open && open != this) {
            if (open->m_pFrame)
                open->m_pFrame->Activate();
            return false;
        }
    }
    DeleteContents();
    if (!m_Outline.Load(path.c_str()))
        return false;
    CRootList *roots = Roots();
    m_bConflict = roots && roots->IsInConflicts(path);
    m_bTemplate = IsTemplatePath(path);
    m_strNewFolder.Empty();
    m_strPathName = path;
    m_bModified = false;
    _String title;
    RunStorageOperation(&m_Host.Messages(), [&] { title = m_Outline.GetDB()->GetOutlineTitle(); });
    m_strOutlineTitle = title;
    SetTitle(title);
    return true;
}

void COutlineDoc::DeleteContents()
{
    m_strOutlineTitle.Empty();
    m_Outline.Close();
}

bool COutlineDoc::OnSaveDocument(const _String &path)
{
    kx_gen::COutlineDB *db = m_Outline.GetDB();
    if (!db)
        return false;
    if (m_pFrame && m_pFrame->HasView())
        m_pFrame->StoreViewState();
    if (!RunStorageOperation(&m_Host.Messages(), [&] { db->SetOutlineTitle(m_strOutlineTitle); }))
        return false;
    if (!m_Outline.Save(path.c_str()))
        return false;
    m_Outline.SetNewDB(false);
    m_strPathName = path;
    // The manager's save cleared the modified flag already; a Conflicts
    // document never had it.
    SetModifiedFlag(false);
    if (m_Host.IsSavingAll())
        m_Host.FileSaved(path, path, false);
    return true;
}

// ---- Naming ------------------------------------------------------------------

_String COutlineDoc::DefaultFolder() const
{
    if (m_Host.IsPalmMode()) {
        const _String preferred = m_Host.SaveNewOutlinesIn();
        if (!preferred.IsEmpty())
            return preferred;
        if (CUser *user = User())
            return user->GetFolder();
    }
    return m_Host.DesktopFolder();
}

bool COutlineDoc::MakePathFromTitle(_String &path, const _String &title, bool showError)
{
    if (cabinet::Trimmed(title).IsEmpty()) {
        if (showError)
            ShowMessage(appstr::Get(appstr::kEnterValidFileName));
        return false;
    }
    _String folder;
    if (!path.IsEmpty())
        folder = kx_gen::GetFileDir(path);
    else if (!m_strNewFolder.IsEmpty())
        folder = m_strNewFolder;
    else
        folder = DefaultFolder();
    const _String candidate
        = kx_gen::JoinPath(folder, cabinet::FileTitleFor(title) + "." + Extension(m_bTemplate));
    CRootList *roots = Roots();
    const _String backup = roots ? roots->GetBackupFolder() : _String();
    path = kx_gen::GetValidFileName(candidate, backup.IsEmpty() ? nullptr : backup.c_str(),
        path.IsEmpty() ? nullptr : path.c_str());
    return true;
}

bool COutlineDoc::TitleNeedsRename() const
{
    if (m_strPathName.IsEmpty())
        return true;
    const kx_gen::COutlineDB *db = m_Outline.GetDB();
    if (!db)
        return false;
    bool rename = false;
    RunStorageOperation(&const_cast<CDocumentHost &>(m_Host).Messages(), [&] {
        rename = !db->GetSynchronized()
            && !cabinet::EqualNoCase(db->GetOutlineTitle(), m_strOutlineTitle);
    });
    return rename;
}

bool COutlineDoc::AcceptCategoryFor(const _String &target, bool &added)
{
    added = false;
    CUser *user = User();
    CRootList *roots = Roots();
    if (m_bTemplate || !user || !roots || !m_Host.IsPalmMode()
        || roots->IsInDesktopOutlines(target))
        return true;
    kx_gen::CCategoryDB *categories = user->GetCategories();
    const _String name = m_Outline.GetCategoryName();
    if (!categories || name.IsEmpty() || categories->FindCategory(name.c_str()))
        return true;
    if (categories->isFull()) {
        ShowMessage(appstr::Get(appstr::kMaxCategoriesOnSave));
        return false;
    }
    if (!RunStorageOperation(&m_Host.Messages(), [&] { categories->AddNewCategory(name.c_str()); }))
        return false;
    user->SaveCategories();
    added = true;
    return true;
}

bool COutlineDoc::WriteAndRename(const _String &target, bool replace)
{
    if (m_strPathName.IsEmpty() || m_strPathName == target)
        return OnSaveDocument(target);
    // An existing outline is written where it is, then renamed: a failed
    // rename leaves the saved file at its old name.
    if (!OnSaveDocument(m_strPathName))
        return false;
    const bool renamed = RunStorageOperation(&m_Host.Messages(), [&] {
        if (replace && kx_gen::IsFileExist(target)) {
            if (std::rename(m_strPathName.c_str(), target.c_str()) != 0)
                throw kx_gen::CFileException::FromErrno(errno, target.c_str());
        } else {
            kx_gen::CFile::Rename(m_strPathName, target);
        }
    });
    if (!renamed)
        return false;
    m_strPathName = target;
    return true;
}

bool COutlineDoc::SaveByTitle()
{
    if (m_bFilingCabinet)
        return OnSaveDocument(m_strPathName);
    _String target = m_strPathName;
    if (TitleNeedsRename() && !MakePathFromTitle(target, m_strOutlineTitle, true))
        return false;
    bool replace = false;
    if (!(target == m_strPathName) && kx_gen::IsFileExist(target)) {
        if (!m_Host.Prompter().AskYesNo(
                FormatText(appstr::kFileExistsOverwrite, kx_gen::GetFileName(target))))
            return false;
        replace = true;
    }
    bool added = false;
    if (!AcceptCategoryFor(target, added))
        return false;
    const _String oldPath = m_strPathName;
    if (!WriteAndRename(target, replace))
        return false;
    m_Host.FileSaved(oldPath, target, added);
    SetTitle(m_strOutlineTitle);
    return true;
}

bool COutlineDoc::SaveAllByTitle()
{
    if (m_bFilingCabinet)
        return OnSaveDocument(m_strPathName);
    if (cabinet::Trimmed(m_strOutlineTitle).IsEmpty()) {
        m_strOutlineTitle = appstr::Get(appstr::kUntitled);
        SetTitle(m_strOutlineTitle);
    }
    _String target = m_strPathName;
    if (TitleNeedsRename() && !MakePathFromTitle(target, m_strOutlineTitle, false))
        return false;
    // Not written means still modified: the caller must not close it.
    return WriteAndRename(target, false);
}

bool COutlineDoc::SaveModified()
{
    if (m_Host.IsSavingAll())
        return !IsModified() || SaveAllByTitle();
    if (m_bFilingCabinet)
        return m_strPathName.IsEmpty() || OnSaveDocument(m_strPathName);
    if (!IsModified()) {
        WriteHeadersOnly();
        return true;
    }
    switch (
        m_Host.Prompter().AskYesNoCancel(FormatText(appstr::kSaveChangesTo, m_strOutlineTitle))) {
    case CCabinetPrompter::kCancel:
        return false;
    case CCabinetPrompter::kYes:
        return SaveByTitle();
    case CCabinetPrompter::kNo:
        return true;
    }
    return false;
}

void COutlineDoc::WriteHeadersOnly()
{
    kx_gen::COutlineDB *db = m_Outline.GetDB();
    if (m_bFilingCabinet || m_bConflict || m_strPathName.IsEmpty() || !db || !m_pFrame
        || !m_pFrame->HasView())
        return;
    m_pFrame->StoreViewState();
    struct stat before { };
    if (::stat(m_strPathName.c_str(), &before) != 0)
        return;
    // Only settings are at stake, so a failure is not worth a message.
    RunStorageOperation(nullptr, [&] {
        kx_gen::COutlineDB scratch;
        scratch.Open(m_strPathName, kx_gen::CFile::modeReadWrite | kx_gen::CFile::shareExclusive);
        scratch.ReadSharedHeader();
        scratch.ReadPrivateHeader();
        scratch.copySharedHeader(*db);
        scratch.copyPrivateHeader(*db);
        scratch.WriteSharedHeader();
        scratch.WritePrivateHeader();
        scratch.Close();
    });
    RestoreModificationTime(m_strPathName, before);
}

bool COutlineDoc::SaveAs(const _String &path)
{
    kx_gen::COutlineDB *db = m_Outline.GetDB();
    if (!db || path.IsEmpty())
        return false;
    // Everything Save As changes is put back when the write fails.
    const bool wasTemplate = m_bTemplate;
    const _String oldTitle = m_strOutlineTitle;
    const _String oldCategory = m_Outline.GetCategoryName();
    const _String oldPath = m_strPathName;
    auto restore = [&] {
        m_bTemplate = wasTemplate;
        m_strOutlineTitle = oldTitle;
        m_Outline.SetNewDB(oldPath.IsEmpty());
        RunStorageOperation(nullptr, [&] { db->SetCategoryName(oldCategory); });
        SetTitle(oldTitle);
    };

    m_bTemplate = IsTemplatePath(path);
    m_strOutlineTitle = cabinet::TitleFromFileTitle(kx_gen::GetFileTitle(path));
    m_Outline.SetNewDB(true);
    _String category = oldCategory;
    if (m_bTemplate) {
        category.Empty();
    } else if (wasTemplate) {
        CUser *user = User();
        category = user && !user->m_strFilterCategory.IsEmpty()
            ? user->m_strFilterCategory
            : kx_gen::CCategoryDB::getUnfiledCategoryName();
    }
    RunStorageOperation(&m_Host.Messages(), [&] { db->SetCategoryName(category); });
    bool added = false;
    if (!AcceptCategoryFor(path, added) || !OnSaveDocument(path)) {
        restore();
        return false;
    }
    CRootList *roots = Roots();
    m_bConflict = roots && roots->IsInConflicts(path);
    m_Host.FileSaved(oldPath, path, added);
    SetTitle(m_strOutlineTitle);
    return true;
}

bool COutlineDoc::SaveAsTemplate()
{
    kx_gen::COutlineDB *db = m_Outline.GetDB();
    CRootList *roots = Roots();
    if (!db || m_bFilingCabinet)
        return false;
    _String target;
    const bool inLists = roots && !m_strPathName.IsEmpty()
        && (roots->IsInDesktopOutlines(m_strPathName)
            || roots->IsInHandheldOutlines(m_strPathName));
    if (!inLists && roots) {
        const int kind = m_Host.Prompter().AskTemplateRoot();
        CFileTreeRoot *root = kind ? roots->FindByKind(kind) : nullptr;
        if (!root)
            return false;
        target = roots->MakeFileName(root->m_strFolder, m_strOutlineTitle, kind, _String());
        if (target.IsEmpty())
            return false;
    } else {
        const bool wasTemplate = m_bTemplate;
        m_bTemplate = true;
        target = m_strPathName;
        const bool made = MakePathFromTitle(target, m_strOutlineTitle, true);
        m_bTemplate = wasTemplate;
        if (!made)
            return false;
        if (target == m_strPathName)
            target = kx_gen::GetValidFileName(target);
    }
    if (kx_gen::IsFileExist(target)
        && !m_Host.Prompter().AskYesNo(
            FormatText(appstr::kFileExistsOverwriteOther, kx_gen::GetFileName(target))))
        return false;
    // The outline's own unsaved changes are not the template's to drop.
    if (IsModified()) {
        switch (m_Host.Prompter().AskYesNoCancel(
            FormatText(appstr::kSaveChangesTo, m_strOutlineTitle))) {
        case CCabinetPrompter::kCancel:
            return false;
        case CCabinetPrompter::kYes:
            if (!SaveByTitle())
                return false;
            break;
        case CCabinetPrompter::kNo:
            break;
        }
    }

    const bool wasTemplate = m_bTemplate;
    const bool wasNew = m_Outline.IsNewDB();
    const _String oldCategory = m_Outline.GetCategoryName();
    m_bTemplate = true;
    m_Outline.SetNewDB(true);
    RunStorageOperation(&m_Host.Messages(), [&] { db->SetCategoryName(_String()); });
    const bool saved = OnSaveDocument(target);
    if (!saved) {
        m_bTemplate = wasTemplate;
        m_Outline.SetNewDB(wasNew);
        RunStorageOperation(nullptr, [&] { db->SetCategoryName(oldCategory); });
        return false;
    }
    m_Host.FileSaved(_String(), target, false);
    if (m_pTemplate)
        m_pTemplate->ReplaceWithFile(this, target);
    return true;
}

void COutlineDoc::Renamed(const _String &path, const _String &title)
{
    m_strPathName = path;
    m_bTemplate = IsTemplatePath(path);
    CRootList *roots = Roots();
    m_bConflict = roots && roots->IsInConflicts(path);
    if (!title.IsEmpty()) {
        m_strOutlineTitle = title;
        RunStorageOperation(nullptr, [&] { m_Outline.GetDB()->SetOutlineTitle(title); });
    }
    SetTitle(m_strOutlineTitle);
}

void COutlineDoc::RenameCategory(const _String &oldName, const _String &newName)
{
    kx_gen::COutlineDB *db = m_Outline.GetDB();
    if (!db || m_bConflict || !(m_Outline.GetCategoryName() == oldName))
        return;
    const _String name
        = newName.IsEmpty() ? kx_gen::CCategoryDB::getUnfiledCategoryName() : newName;
    const bool wasModified = IsModified();
    if (!RunStorageOperation(&m_Host.Messages(), [&] {
            db->SetCategoryName(name);
            db->SetOutlineChanged(true);
        }))
        return;
    SetModifiedFlag(true);
    if (!wasModified && !m_strPathName.IsEmpty())
        OnSaveDocument(m_strPathName);
}
