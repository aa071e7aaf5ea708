#include "User.h"

#include "CabinetHost.h"
#include "CabinetNames.h"
#include "CabinetText.h"
#include "PalmLibrary.h"

#include "palmdesktop/PalmDesktop.h"

#include "kx_gen/AppRegistry.h"
#include "kx_gen/CategoryDB.h"
#include "kx_gen/Exception.h"
#include "kx_gen/File.h"
#include "kx_gen/PathUtils.h"

#include <sys/stat.h>

using kx_gen::_String;
using namespace cabinet;

namespace {

bool PathExists(const _String &path)
{
    struct stat status { };
    return ::stat(path, &status) == 0;
}

bool IsFile(const _String &path)
{
    struct stat status { };
    return !path.IsEmpty() && ::stat(path, &status) == 0 && S_ISREG(status.st_mode);
}

} // namespace

bool CUserHtmlSettings::IsValid() const
{
    return IsFile(m_strHtmlPath) && IsFile(m_strRulePath) && !m_strExportFolder.IsEmpty();
}

// ---- CUser -----------------------------------------------------------------

CUser::CUser(CCabinetEnv &env)
    : m_env(env)
    , m_Roots(env)
{
}

CUser::~CUser() = default;

void CUser::SetFolder(const _String &path)
{
    _String folder = Trimmed(path);
    EnsureFolder(folder);
    m_strFolder = folder;
}

_String CUser::BaseFolder() const
{
    return m_env.PalmPresent() ? m_strFolder : m_env.m_strDesktopFolder;
}

_String CUser::CategoriesPath() const
{
    return kx_gen::JoinPath(BaseFolder(), kCategoriesFileName);
}

_String CUser::FilingCabinetPath() const
{
    return kx_gen::JoinPath(BaseFolder(), kFilingCabinetFileName);
}

void CUser::ReportException(kx_gen::CException *e) const
{
    kx_gen::ExceptionHolder holder(e);
    m_env.m_pPrompter->ShowMessage(e->GetDescription());
}

bool CUser::Activate()
{
    if (m_env.PalmPresent() && m_strFolder.IsEmpty()) {
        // A user added by name learns its folder from Palm's library now;
        // without one there is nothing to show.
        try {
            SetFolder(m_strFolder);
        } catch (kx_gen::CException *e) {
            ReportException(e);
        }
        if (m_strFolder.IsEmpty())
            return false;
    }
    m_bActive = true;
    m_Roots.Init(m_env.m_strDesktopFolder, m_strFolder);
    m_Roots.RefreshAll();
    bool opened = true;
    m_env.Attempt([&] {
        m_env.m_pCategoryList->Reset();
        m_Roots.CollectDesktopCategories(*m_env.m_pCategoryList);
        opened = OpenCategories();
        if (!opened) {
            m_env.m_pPrompter->ShowMessage(kMsgCannotCreateCategoryFile);
            m_env.m_pNotify->Quit();
        } else {
            if (!m_strFilterCategory.IsEmpty()
                && !m_pCategories->FindCategory(m_strFilterCategory.c_str()))
                m_strFilterCategory.Empty();
            m_env.m_pCategoryList->AttachFile(m_pCategories.get());
            m_Roots.AttachCategories(*m_pCategories);
        }
    });
    m_env.m_pNotify->UserChanged(CCabinetNotify::kUserActivated, this);
    return opened;
}

bool CUser::OpenCategories()
{
    const _String path = CategoriesPath();
    auto categories = std::make_unique<kx_gen::CCategoryDB>();
    bool valid = false;
    if (PathExists(path)) {
        try {
            categories->LoadFile(path);
            valid = categories->GetCategoryCount() > 0;
        } catch (kx_gen::CException *e) {
            kx_gen::ExceptionHolder holder(e);
        }
        if (!valid && !m_env.m_pPrompter->AskYesNo(kMsgCategoryFileCorrupted))
            return false;
    }
    if (!valid) {
        // What a failed read left behind is of no use for the new table.
        categories = std::make_unique<kx_gen::CCategoryDB>();
        m_pCategories = std::move(categories);
        try {
            RebuildCategories();
        } catch (kx_gen::CException *e) {
            kx_gen::ExceptionHolder holder(e);
            m_pCategories.reset();
            return false;
        }
        return true;
    }
    m_pCategories = std::move(categories);
    return true;
}

void CUser::RebuildCategories()
{
    const _String path = CategoriesPath();
    if (PathExists(path))
        kx_gen::CFile::Remove(path);
    m_pCategories->CreateFile(path);
    if (m_env.PalmPresent()) {
        // The handheld's categories come back from the outlines that use them.
        for (const _String &name : m_Roots.HandheldCategoryNames()) {
            if (m_pCategories->isFull())
                break;
            if (!m_pCategories->FindCategory(name.c_str()))
                m_pCategories->AddNewCategory(name);
        }
    } else {
        m_env.m_pCategoryList->RebuildFile(*m_pCategories);
    }
    m_pCategories->SaveFile(path);
}

void CUser::Deactivate()
{
    if (m_pCategories) {
        SaveCategories();
        // The list must not keep pointing at the file once it is freed.
        m_env.m_pCategoryList->AttachFile(nullptr);
        m_pCategories.reset();
    }
    if (m_pFilingCabinet) {
        m_env.m_pDocuments->CloseFilingCabinet(m_pFilingCabinet);
        m_pFilingCabinet = nullptr;
    }
    m_Roots.Clear();
    m_bActive = false;
    m_env.m_pNotify->UserChanged(CCabinetNotify::kUserDeactivated, this);
}

bool CUser::SaveCategories()
{
    if (!m_pCategories)
        return false;
    return m_env.Attempt([&] { m_pCategories->SaveFile(CategoriesPath()); });
}

COutlineDoc *CUser::GetFilingCabinet()
{
    if (m_pFilingCabinet)
        return m_pFilingCabinet;
    const _String path = FilingCabinetPath();
    COpenDocuments &documents = *m_env.m_pDocuments;
    COutlineDoc *document = documents.OpenFilingCabinet(path, PathExists(path));
    if (!document) {
        m_env.m_pPrompter->ShowMessage(kMsgFilingCabinetCorrupted);
        document = documents.OpenFilingCabinet(path, false);
        if (!document) {
            m_env.m_pNotify->Quit();
            return nullptr;
        }
    }
    m_pFilingCabinet = document;
    return document;
}

bool CUser::IsFilingCabinetPath(const _String &path)
{
    return ContainsNoCase(path, kFilingCabinetFileName);
}

_String CUser::HtmlSectionName() const
{
    _String section;
    section.FormatString(kUserHtmlSectionFormat, m_strName.c_str());
    return MakeUpper(section);
}

CUserHtmlSettings CUser::LoadHtmlSettings(kx_gen::CAppRegistry &settings) const
{
    CUserHtmlSettings html;
    if (settings.OpenSection(HtmlSectionName())) {
        settings.ReadString(kHtmlPathValue, html.m_strHtmlPath);
        settings.ReadString(kRulePathValue, html.m_strRulePath);
        settings.ReadString(kExportFolderPathValue, html.m_strExportFolder);
        settings.CloseSection();
    }
    return html;
}

bool CUser::StoreHtmlSettings(kx_gen::CAppRegistry &settings, const CUserHtmlSettings &html) const
{
    if (!settings.OpenSection(HtmlSectionName()))
        return false;
    bool written = settings.WriteString(kHtmlPathValue, html.m_strHtmlPath)
        && settings.WriteString(kRulePathValue, html.m_strRulePath)
        && settings.WriteString(kExportFolderPathValue, html.m_strExportFolder);
    settings.CloseSection();
    return written;
}

// ---- CPalmUser -------------------------------------------------------------

void CPalmUser::Load(int index)
{
    if (m_env.m_pPalm && m_env.m_pPalm->GetFlavour() == CPalmLibrary::kUserData)
        LoadWithUserData(index);
    else
        LoadWithInstaide(index);
}

void CPalmUser::LoadWithInstaide(int index)
{
    CPalmLibrary &palm = *m_env.m_pPalm;
    auto getUser = palm.ResolveProc<PltGetUserProc>("PltGetUser");
    std::int32_t result
        = getUser(static_cast<std::uint16_t>(index), palm.TextBuffer(), palm.TextLength());
    CPalmLibrary::CheckPltResult("PltGetUser", result);
    m_strName = palm.Text();

    auto getId = palm.ResolveProc<PlmGetUserIDFromNameProc>("PlmGetUserIDFromName");
    std::uint32_t id = 0;
    CPalmLibrary::CheckPltResult("PlmGetUserIDFromName", getId(m_strName, &id));
    m_nUserId = id;

    m_strFolder = CPalmLibrary::MakeUserFolder(ReadUserDirectory());

    auto isProfile = palm.ResolveProc<PltIsUserProfileProc>("PltIsUserProfile");
    result = isProfile(m_strName);
    CPalmLibrary::CheckPltResult("PltIsUserProfile", result);
    m_bProfile = result == 1 ? 1 : 0;
}

void CPalmUser::LoadWithUserData(int index)
{
    CPalmLibrary &palm = *m_env.m_pPalm;
    auto getId = palm.ResolveProc<UmGetUserIDProc>("UmGetUserID");
    std::uint32_t id = 0;
    CPalmLibrary::CheckUserManagerError(getId(static_cast<std::uint16_t>(index), &id));
    m_nUserId = id;

    auto getName = palm.ResolveProc<UmGetUserNameProc>("UmGetUserName");
    CPalmLibrary::CheckUserManagerError(getName(id, palm.TextBuffer(), palm.TextLength()));
    m_strName = palm.Text();

    m_strFolder = CPalmLibrary::MakeUserFolder(ReadUserDirectory());

    auto isProfile = palm.ResolveProc<UmIsUserProfileProc>("UmIsUserProfile");
    std::int32_t result = isProfile(id);
    CPalmLibrary::CheckUserManagerError(result);
    m_bProfile = result != 0 ? 1 : 0;
}

_String CPalmUser::ReadUserDirectory()
{
    CPalmLibrary &palm = *m_env.m_pPalm;
    if (palm.GetFlavour() == CPalmLibrary::kUserData) {
        auto getDirectory = palm.ResolveProc<UmGetUserDirectoryProc>("UmGetUserDirectory");
        CPalmLibrary::CheckUserManagerError(
            getDirectory(m_nUserId, palm.TextBuffer(), palm.TextLength()));
        _String userDirectory = palm.Text();
        auto getRoot = palm.ResolveProc<UmGetRootDirectoryProc>("UmGetRootDirectory");
        CPalmLibrary::CheckUserManagerError(getRoot(palm.TextBuffer(), palm.TextLength()));
        _String root = palm.Text();
        root.TrimLeft();
        return kx_gen::JoinPath(root, userDirectory);
    }
    auto getDirectory = palm.ResolveProc<PltGetUserDirectoryProc>("PltGetUserDirectory");
    CPalmLibrary::CheckPltResult(
        "PltGetUserDirectory", getDirectory(m_strName, palm.TextBuffer(), palm.TextLength()));
    return palm.Text();
}

void CPalmUser::SetFolder(const _String &)
{
    if (m_strFolder.IsEmpty())
        m_strFolder = CPalmLibrary::MakeUserFolder(ReadUserDirectory());
    CUser::SetFolder(m_strFolder);
}
