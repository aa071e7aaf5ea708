#include "AppContext.h"

#include "CabinetSettings.h"
#include "OutlineDoc.h"
#include "PalmLibrary.h"
#include "RootList.h"
#include "User.h"

#include "kx_gen/AppRegistry.h"
#include "kx_gen/CategoryDB.h"

using kx_gen::_String;

CAppContext::CAppContext(CCabinetPrompter &prompter, kx_gen::CAppRegistry &settings)
    : m_Prompter(prompter)
    , m_Settings(settings)
{
    m_env.m_pSettings = &m_Settings;
    m_env.m_pPrompter = &m_Prompter;
    m_env.m_pDocuments = this;
    m_env.m_pCategoryList = &m_Categories;
    m_env.m_pNotify = this;
    m_pUsers = std::make_unique<CUserList>(m_env);
    m_pTemplate = std::make_unique<COutlineDocTemplate>(*this, nullptr, &m_Settings);
}

CAppContext::~CAppContext()
{
    // Deactivating saves and closes the Filing Cabinet through the
    // documents; the other documents point at the users' lists: they go
    // before the users.
    m_pUsers->SetActive(nullptr);
    m_pTemplate.reset();
    m_pUsers.reset();
}

void CAppContext::SetWindows(CDocWindows *windows)
{
    m_pTemplate = std::make_unique<COutlineDocTemplate>(*this, windows, &m_Settings);
}

bool CAppContext::Start(CPalmLibrary *palm)
{
    m_bStopped = false;
    m_env.m_pPalm = palm;
    m_Prefs.LoadPreferences(m_Settings);
    m_env.m_strDesktopFolder = m_Prefs.m_strPath;
    EnsureFolder(m_env.m_strDesktopFolder);
    bool ok = m_env.Attempt([&] { m_pUsers->Enumerate(); });
    if (ok)
        ok = m_env.Attempt([&] { m_pUsers->Restore(); });
    return ok && m_pUsers->GetActiveUser() != nullptr;
}

void CAppContext::Stop()
{
    // Safe to run again: a second Store would record that no user is
    // active, and the next run would forget whose outlines were shown.
    if (m_bStopped)
        return;
    m_bStopped = true;
    m_env.Attempt([this] { m_pUsers->Store(); });
    m_env.Attempt([this] { m_pUsers->SetActive(nullptr); });
}

_String CAppContext::SaveNewOutlinesIn() const
{
    // In Palm mode new outlines go to the handheld unless the preference
    // sends them to the desktop.
    return m_Prefs.m_nSaveFolder == CPreferences::kSaveInDesktop ? m_env.m_strDesktopFolder
                                                                 : _String();
}

bool CAppContext::ChangeDesktopFolder(const _String &folder)
{
    for (COutlineDoc *document : m_pTemplate->InStackingOrder())
        if (document->IsModified() && !document->m_bFilingCabinet && !document->SaveModified())
            return false;
    if (!m_pTemplate->CloseAllDocuments(false))
        return false;
    CUser *user = ActiveUser();
    m_pUsers->SetActive(nullptr);
    m_Prefs.m_strPath = folder;
    m_env.m_strDesktopFolder = folder;
    EnsureFolder(folder);
    if (user && !IsPalmMode())
        user->SetFolder(folder);
    m_pUsers->SetActive(user);
    return true;
}

CUser *CAppContext::ActiveUser()
{
    return m_pUsers ? m_pUsers->GetActiveUser() : nullptr;
}

bool CAppContext::IsSavingAll() const
{
    return m_pTemplate && m_pTemplate->IsSavingAll();
}

void CAppContext::FileSaved(const _String &oldPath, const _String &newPath, bool categoriesChanged)
{
    if (CUser *user = ActiveUser()) {
        if (!oldPath.IsEmpty() && !(oldPath == newPath))
            user->GetRoots().RefreshFile(oldPath);
        user->GetRoots().RefreshFile(newPath);
        if (categoriesChanged && user->GetCategories())
            m_Categories.RemoveKnown(*user->GetCategories());
    }
    if (m_onFileSaved)
        m_onFileSaved(oldPath, newPath, categoriesChanged);
}

// ---- Open documents for the outline lists ----------------------------------

bool CAppContext::IsOpen(const _String &path)
{
    return m_pTemplate->FindDocument(path) != nullptr;
}

bool CAppContext::IsModified(const _String &path)
{
    COutlineDoc *document = m_pTemplate->FindDocument(path);
    return document && document->IsModified();
}

bool CAppContext::Save(const _String &path)
{
    COutlineDoc *document = m_pTemplate->FindDocument(path);
    return document && document->OnSaveDocument(path);
}

int CAppContext::Close(const _String &path, bool discard)
{
    COutlineDoc *document = m_pTemplate->FindDocument(path);
    if (!document)
        return -1;
    const int place = document->GetFrame() ? document->GetFrame()->StackingOrder() : -1;
    if (discard)
        m_pTemplate->RemoveDocument(document);
    else
        m_pTemplate->CloseDocument(document);
    return place;
}

void CAppContext::Reopen(const _String &path, int place)
{
    m_pTemplate->OpenDocumentFile(path, place);
}

void CAppContext::Open(const _String &path)
{
    m_pTemplate->OpenDocumentFile(path);
}

void CAppContext::Renamed(const _String &oldPath, const _String &newPath, const _String &title)
{
    if (COutlineDoc *document = m_pTemplate->FindDocument(oldPath))
        document->Renamed(newPath, title);
}

void CAppContext::NewDocument(const _String &folder, bool isTemplate)
{
    if (COutlineDoc *document = m_pTemplate->OpenDocumentFile(_String())) {
        document->m_strNewFolder = folder;
        document->m_bTemplate = isTemplate;
    }
}

COutlineDoc *CAppContext::OpenFilingCabinet(const _String &path, bool fromFile)
{
    auto document = std::make_unique<COutlineDoc>(*this, m_pTemplate.get());
    document->m_bFilingCabinet = true;
    if (fromFile) {
        if (!document->OnOpenDocument(path))
            return nullptr;
    } else {
        if (!document->OnNewDocument())
            return nullptr;
        document->Renamed(path, _String());
    }
    document->SetTitle(_String());
    return m_pTemplate->Adopt(std::move(document));
}

void CAppContext::CloseFilingCabinet(COutlineDoc *document)
{
    document->SaveModified();
    m_pTemplate->RemoveDocument(document);
}

// ---- Category edits ----------------------------------------------------------

void CAppContext::RewriteOutlines(const char *oldName, const char *newName)
{
    if (CUser *user = ActiveUser())
        user->GetRoots().RenameCategory(oldName, newName);
}

void CAppContext::RebuildCategoryList()
{
    CUser *user = ActiveUser();
    m_Categories.Rebuild([user](CCategoryList &list) {
        if (user)
            user->GetRoots().CollectDesktopCategories(list);
    });
}

void CAppContext::Announce(const _String &oldName, const _String &newName)
{
    if (!(oldName == newName))
        m_pTemplate->RenameCategoryInOpenDocuments(oldName, newName);
    if (m_onCategoryChanged)
        m_onCategoryChanged(oldName, newName);
}

// ---- Notifications of the cabinet --------------------------------------------

void CAppContext::UserChanged(int code, CUser *user)
{
    if (m_onUserChanged)
        m_onUserChanged(code, user);
}

void CAppContext::CategoryAdded(const _String &oldName, const _String &newName)
{
    if (m_onCategoryChanged)
        m_onCategoryChanged(oldName, newName);
}

void CAppContext::Quit()
{
    if (m_onQuit)
        m_onQuit();
}
