#include "CabinetCommands.h"

#include "CabinetHost.h"
#include "CabinetNames.h"
#include "CabinetSettings.h"
#include "CabinetText.h"
#include "RootList.h"
#include "User.h"

#include "kx_gen/CategoryDB.h"
#include "kx_gen/Exception.h"
#include "kx_gen/File.h"
#include "kx_gen/OutlineDB.h"
#include "kx_gen/PathUtils.h"

#include <sys/stat.h>

using kx_gen::_String;
using kx_gen::CFile;
using namespace cabinet;

namespace {

bool PathExists(const _String &path)
{
    struct stat status { };
    return ::stat(path, &status) == 0;
}

bool HasExtension(const _String &path, const char *extension)
{
    _String ext = kx_gen::GetFileExt(path);
    return ext.size() > 1 && EqualNoCase(_String(ext.c_str() + 1), extension);
}

bool IsTemplateKind(int kind)
{
    return kind == kRootDesktopTemplates || kind == kRootHandheldTemplates;
}

bool IsOutlineKind(int kind)
{
    return kind == kRootDesktopOutlines || kind == kRootHandheldOutlines;
}

// Opens an outline file without changing it and reads its shared header.
void ReadSharedHeader(const _String &path, kx_gen::COutlineDB &db)
{
    db.OpenWithoutUpgrade(path, CFile::modeRead | CFile::shareDenyWrite, nullptr);
    db.ReadSharedHeader();
    db.Close();
}

} // namespace

CCabinetCommands::CCabinetCommands(CCabinetEnv &env, CUser &user)
    : m_env(env)
    , m_user(user)
    , m_Roots(user.GetRoots())
{
}

void CCabinetCommands::Report(kx_gen::CException *e) const
{
    kx_gen::ExceptionHolder holder(e);
    m_env.m_pPrompter->ShowMessage(e->GetDescription());
}

_String CCabinetCommands::Destination(const _String &title, int kind) const
{
    CFileTreeRoot *root = m_Roots.FindByKind(kind);
    if (!root)
        return _String();
    _String destination = m_Roots.MakeFileName(root->m_strFolder, title, kind, _String());
    if (!destination.IsEmpty() && PathExists(destination))
        destination = kx_gen::GetNextValidNumberedName(destination);
    return destination;
}

bool CCabinetCommands::Rename(const _String &path, _String &newPath)
{
    CTreeData *entry = m_Roots.FindEntry(path);
    if (!entry)
        return false;
    auto *root = static_cast<CFileTreeRoot *>(entry->m_pOwner);
    const _String oldTitle = entry->m_strTitle;
    _String title = oldTitle;
    if (!m_env.m_pPrompter->AskText(kRenameFileCaption, title))
        return false;
    title.Trim();
    if (title.IsEmpty() || title == oldTitle)
        return false;
    // The file name follows the title as far as file names allow; the
    // outline keeps the title as typed.
    _String fileTitle = title;
    if (!CRootList::ValidateTitle(fileTitle)) {
        m_env.m_pPrompter->ShowMessage(kMsgEnterValidFileName);
        return false;
    }
    _String target = m_Roots.MakeFileName(root->m_strFolder, fileTitle, root->m_nKind, path);
    if (target.IsEmpty())
        return false;
    const bool renamed = m_env.Attempt([&] {
        kx_gen::COutlineDB old;
        ReadSharedHeader(path, old);
        // HotSync matches a synchronised outline by its file name: only the
        // title may change.
        if (old.GetSynchronized())
            target = path;
        else if (!(target == path))
            CFile::Rename(path, target);
        kx_gen::COutlineDB db;
        db.Open(target, CFile::modeReadWrite | CFile::shareExclusive);
        db.ReadSharedHeader();
        db.ReadPrivateHeader();
        db.SetOutlineTitle(title);
        db.SetOutlineChanged(true);
        db.WriteSharedHeader();
        db.WritePrivateHeader();
        db.Close();
        if (m_env.m_pDocuments->IsOpen(path))
            m_env.m_pDocuments->Renamed(path, target, title);
    });
    m_Roots.RefreshFile(path);
    if (renamed) {
        m_Roots.RefreshFile(target);
        newPath = target;
    }
    return renamed;
}

bool CCabinetCommands::Duplicate(const _String &path, _String &newPath)
{
    CFileTreeRoot *root = m_Roots.FindRootOf(path);
    if (!root)
        return false;
    _String text = kx_gen::GetFileTitle(path);
    if (!m_env.m_pPrompter->AskText(kDuplicateFileCaption, text))
        return false;
    text.Trim();
    if (text.IsEmpty())
        return false;
    _String fileTitle = text;
    if (!CRootList::ValidateTitle(fileTitle)) {
        m_env.m_pPrompter->ShowMessage(kMsgEnterValidFileName);
        return false;
    }
    _String target = Destination(fileTitle, root->m_nKind);
    if (target.IsEmpty())
        return false;
    COpenDocuments &documents = *m_env.m_pDocuments;
    if (documents.IsOpen(path) && documents.IsModified(path) && !documents.Save(path))
        return false;
    if (!m_Roots.Duplicate(path, target, text))
        return false;
    newPath = target;
    return true;
}

bool CCabinetCommands::Delete(const std::vector<_String> &paths)
{
    if (paths.empty()) {
        m_env.m_pPrompter->ShowMessage(kMsgSelectFile);
        return false;
    }
    bool archive = GetMoveToArchive(*m_env.m_pSettings);
    if (!m_env.m_pPrompter->AskDelete(kMsgReallyDelete, archive))
        return false;
    SetMoveToArchive(*m_env.m_pSettings, archive);
    if (archive && m_Roots.GetArchiveFolder().IsEmpty()) {
        m_env.m_pPrompter->ShowMessage(kMsgNoArchiveFolder);
        return false;
    }
    bool all = true;
    for (const _String &path : paths) {
        if (m_env.m_pDocuments->IsOpen(path))
            m_env.m_pDocuments->Close(path, true);
        all = m_Roots.RemoveOrArchive(path, archive) && all;
    }
    return all;
}

bool CCabinetCommands::MoveToHandheld(const std::vector<_String> &paths, _String &lastPath)
{
    return MoveBetween(paths, true, lastPath);
}

bool CCabinetCommands::MoveToDesktop(const std::vector<_String> &paths, _String &lastPath)
{
    return MoveBetween(paths, false, lastPath);
}

bool CCabinetCommands::MoveBetween(
    const std::vector<_String> &paths, bool toHandheld, _String &lastPath)
{
    if (!m_env.PalmPresent())
        return false;
    bool moved = false;
    for (const _String &path : paths) {
        CFileTreeRoot *root = m_Roots.FindRootOf(path);
        if (!root)
            continue;
        int kind = 0;
        if (toHandheld && root->m_nKind == kRootDesktopOutlines)
            kind = kRootHandheldOutlines;
        else if (toHandheld && root->m_nKind == kRootDesktopTemplates)
            kind = kRootHandheldTemplates;
        else if (!toHandheld && root->m_nKind == kRootHandheldOutlines)
            kind = kRootDesktopOutlines;
        else if (!toHandheld && root->m_nKind == kRootHandheldTemplates)
            kind = kRootDesktopTemplates;
        else
            continue;
        _String destination;
        if (!Transfer(
                path, kind, false, nullptr, toHandheld ? kCheckOwnCategory : kNoCheck, destination))
            return false;
        lastPath = destination;
        moved = true;
    }
    return moved;
}

bool CCabinetCommands::AcceptHandheldCategory(const _String &category, bool &added)
{
    added = false;
    kx_gen::CCategoryDB *categories = m_user.GetCategories();
    if (category.IsEmpty() || !categories || categories->FindCategory(category.c_str()))
        return true;
    if (categories->isFull()) {
        m_env.m_pPrompter->ShowMessage(kMsgMaxCategoriesOnMove);
        return false;
    }
    categories->AddNewCategory(category);
    m_env.m_pCategoryList->RemoveKnown(*categories);
    m_user.SaveCategories();
    added = true;
    return true;
}

bool CCabinetCommands::Transfer(const _String &source, int destinationKind, bool copy,
    const char *category, CategoryCheck check, _String &destination)
{
    COpenDocuments &documents = *m_env.m_pDocuments;
    const bool wasOpen = documents.IsOpen(source);
    // The file must hold what the window shows before it changes place.
    if (wasOpen && !documents.Save(source))
        return false;

    _String categoryAdded;
    if (destinationKind == kRootHandheldOutlines && check != kNoCheck) {
        bool added = false;
        try {
            _String wanted;
            if (check == kCheckGivenCategory) {
                wanted = category ? category : "";
            } else {
                kx_gen::COutlineDB db;
                ReadSharedHeader(source, db);
                wanted = db.GetCategoryName();
            }
            if (!AcceptHandheldCategory(wanted, added))
                return false;
            if (added)
                categoryAdded = wanted;
        } catch (kx_gen::CException *e) {
            Report(e);
            return false;
        }
    }

    destination = Destination(kx_gen::GetFileTitle(source), destinationKind);
    if (destination.IsEmpty())
        return false;

    // A copy leaves the source where it is, so its window may stay open.
    int place = 0;
    const bool closed = wasOpen && !copy;
    if (closed)
        place = documents.Close(source, false);
    bool done = copy ? m_Roots.Copy(source, destination, category)
                     : m_Roots.Move(source, destination, nullptr);
    // The category is in the file whether or not the file moved.
    if (!categoryAdded.IsEmpty())
        m_env.m_pNotify->CategoryAdded(categoryAdded, categoryAdded);
    if (closed)
        documents.Reopen(done ? destination : source, place);
    return done;
}

bool CCabinetCommands::SaveAsTemplate(const _String &path, _String &newPath)
{
    CFileTreeRoot *root = m_Roots.FindRootOf(path);
    if (!root)
        return false;
    int kind = 0;
    if (root->m_nKind == kRootDesktopOutlines)
        kind = kRootDesktopTemplates;
    else if (root->m_nKind == kRootHandheldOutlines)
        kind = kRootHandheldTemplates;
    else
        return false;
    _String destination = Destination(kx_gen::GetFileTitle(path), kind);
    if (destination.IsEmpty())
        return false;
    // The handheld files templates under no category.
    const char *category = kind == kRootHandheldTemplates ? "" : nullptr;
    if (!m_Roots.Copy(path, destination, category))
        return false;
    newPath = destination;
    return true;
}

bool CCabinetCommands::NewFromTemplate(const _String &path, _String &newPath)
{
    CFileTreeRoot *root = m_Roots.FindRootOf(path);
    if (!root)
        return false;
    int kind = 0;
    if (root->m_nKind == kRootDesktopTemplates)
        kind = kRootDesktopOutlines;
    else if (root->m_nKind == kRootHandheldTemplates)
        kind = kRootHandheldOutlines;
    else
        return false;
    _String destination = Destination(kx_gen::GetFileTitle(path), kind);
    if (destination.IsEmpty())
        return false;
    // Templates carry no category; an outline always needs one.
    _String category = m_user.m_strFilterCategory;
    if (category.IsEmpty())
        category = kx_gen::CCategoryDB::getUnfiledCategoryName();
    if (!m_Roots.Copy(path, destination, category))
        return false;
    newPath = destination;
    m_env.m_pDocuments->Open(destination);
    return true;
}

bool CCabinetCommands::New(int rootKind)
{
    CFileTreeRoot *root = m_Roots.FindByKind(rootKind);
    if (!root || rootKind == kRootConflicts)
        return false;
    m_env.m_pDocuments->NewDocument(root->m_strFolder, IsTemplateKind(rootKind));
    return true;
}

bool CCabinetCommands::Drop(
    const _String &path, int targetKind, bool paneShowsAll, _String &newPath)
{
    CFileTreeRoot *source = m_Roots.FindRootOf(path);
    CFileTreeRoot *target = m_Roots.FindByKind(targetKind);
    if (!source || !target || source == target)
        return false;
    const bool copy = IsTemplateKind(source->m_nKind) && IsOutlineKind(targetKind);
    _String category;
    CategoryCheck check = kNoCheck;
    if (copy) {
        category = paneShowsAll ? _String() : m_user.m_strFilterCategory;
        if (category.IsEmpty())
            category = kx_gen::CCategoryDB::getUnfiledCategoryName();
        check = kCheckGivenCategory;
    } else if (source->m_nKind == kRootDesktopOutlines) {
        check = kCheckOwnCategory;
    }
    return Transfer(path, targetKind, copy, copy ? category.c_str() : nullptr, check, newPath);
}

bool CCabinetCommands::MoveOutsideFile(const _String &path, bool toHandheld, _String &newPath)
{
    if (toHandheld && !m_env.PalmPresent())
        return false;
    const bool isTemplate = HasExtension(path, kTemplateExtension);
    if (!isTemplate && !HasExtension(path, kOutlineExtension))
        return false;
    int kind = toHandheld ? (isTemplate ? kRootHandheldTemplates : kRootHandheldOutlines)
                          : (isTemplate ? kRootDesktopTemplates : kRootDesktopOutlines);
    return Transfer(path, kind, false, nullptr, toHandheld ? kCheckOwnCategory : kNoCheck, newPath);
}

bool CCabinetCommands::ShowConflictsNotice(const _String &path)
{
    if (!m_Roots.IsInConflicts(path))
        return false;
    m_env.m_pPrompter->ShowMessage(kMsgConflicts);
    return true;
}
