#include "CabinetTestSupport.h"

#include "User.h"

#include "kx_gen/File.h"
#include "kx_gen/OutlineDB.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

using kx_gen::_String;

namespace cabinettest {

// ---- prompter --------------------------------------------------------------

void CRecordingPrompter::ShowMessage(const _String &text)
{
    m_Messages.push_back(text.str());
}

bool CRecordingPrompter::AskYesNo(const _String &question)
{
    m_Questions.push_back(question.str());
    if (m_YesNo.empty())
        return true;
    bool answer = m_YesNo.front();
    m_YesNo.pop_front();
    return answer;
}

bool CRecordingPrompter::AskText(const _String &caption, _String &text)
{
    m_TextDialogs.emplace_back(caption.str(), text.str());
    if (m_Texts.empty())
        return false;
    std::optional<std::string> answer = m_Texts.front();
    m_Texts.pop_front();
    if (!answer)
        return false;
    text = *answer;
    return true;
}

bool CRecordingPrompter::AskDelete(const _String &message, bool &archive)
{
    m_Questions.push_back(message.str());
    m_DeleteShownWith.push_back(archive);
    if (m_DeleteArchive)
        archive = *m_DeleteArchive;
    return m_bDeleteOk;
}

CCabinetPrompter::Answer CRecordingPrompter::AskYesNoCancel(const _String &question)
{
    m_Questions.push_back(question.str());
    if (m_YesNoCancel.empty())
        return kYes;
    const Answer answer = m_YesNoCancel.front();
    m_YesNoCancel.pop_front();
    return answer;
}

bool CRecordingPrompter::AskOkCancel(const _String &question)
{
    m_Questions.push_back(question.str());
    if (m_OkCancel.empty())
        return true;
    const bool answer = m_OkCancel.front();
    m_OkCancel.pop_front();
    return answer;
}

int CRecordingPrompter::AskTemplateRoot()
{
    return m_nTemplateRoot;
}

// ---- documents -------------------------------------------------------------

bool CRecordingDocuments::IsOpen(const _String &path)
{
    return m_Open.count(path.str()) != 0;
}

bool CRecordingDocuments::IsModified(const _String &path)
{
    auto found = m_Open.find(path.str());
    return found != m_Open.end() && found->second;
}

bool CRecordingDocuments::Save(const _String &path)
{
    m_Calls.push_back("save " + path.str());
    if (m_bSaveSucceeds)
        m_Open[path.str()] = false;
    return m_bSaveSucceeds;
}

int CRecordingDocuments::Close(const _String &path, bool discard)
{
    m_Calls.push_back("close " + path.str() + (discard ? " discard" : " keep"));
    m_Open.erase(path.str());
    return m_nNextPlace++;
}

void CRecordingDocuments::Reopen(const _String &path, int place)
{
    m_Calls.push_back("reopen " + path.str() + " " + std::to_string(place));
    m_Open[path.str()] = false;
}

void CRecordingDocuments::Open(const _String &path)
{
    m_Calls.push_back("open " + path.str());
    m_Open[path.str()] = false;
}

void CRecordingDocuments::Renamed(
    const _String &oldPath, const _String &newPath, const _String &title)
{
    m_Calls.push_back("renamed " + oldPath.str() + " " + newPath.str() + " " + title.str());
    bool modified = m_Open[oldPath.str()];
    m_Open.erase(oldPath.str());
    m_Open[newPath.str()] = modified;
}

void CRecordingDocuments::NewDocument(const _String &folder, bool isTemplate)
{
    m_Calls.push_back("new " + folder.str() + (isTemplate ? " template" : " outline"));
}

COutlineDoc *CRecordingDocuments::OpenFilingCabinet(const _String &path, bool fromFile)
{
    m_Calls.push_back("cabinet " + path.str() + (fromFile ? " file" : " new"));
    if (fromFile ? m_bCabinetFileFails : m_bCabinetNewFails)
        return nullptr;
    m_Cabinets.push_back(std::make_unique<COutlineDoc>(path.str()));
    return m_Cabinets.back().get();
}

void CRecordingDocuments::CloseFilingCabinet(COutlineDoc *document)
{
    m_Calls.push_back("cabinet-close " + document->m_strPath);
}

// ---- category list ---------------------------------------------------------

void CRecordingCategoryList::Reset()
{
    ++m_nResets;
    m_Names.clear();
}

bool CRecordingCategoryList::Contains(const _String &name)
{
    return std::find(m_Names.begin(), m_Names.end(), name.str()) != m_Names.end();
}

void CRecordingCategoryList::AddName(const _String &name)
{
    m_Names.push_back(name.str());
}

void CRecordingCategoryList::RemoveKnown(kx_gen::CCategoryDB &categories)
{
    std::erase_if(m_Names,
        [&](const std::string &name) { return categories.FindCategory(name.c_str()) != nullptr; });
}

void CRecordingCategoryList::RebuildFile(kx_gen::CCategoryDB &categories)
{
    ++m_nRebuilds;
    for (const std::string &name : m_Names)
        if (!categories.isFull() && !categories.FindCategory(name.c_str()))
            categories.AddNewCategory(name.c_str());
}

void CRecordingCategoryList::AttachFile(kx_gen::CCategoryDB *categories)
{
    m_pAttached = categories;
}

// ---- notifications ---------------------------------------------------------

void CRecordingNotify::UserChanged(int code, CUser *user)
{
    m_UserChanges.emplace_back(code, user ? user->m_strName.str() : std::string());
}

void CRecordingNotify::CategoryAdded(const _String &oldName, const _String &newName)
{
    m_CategoriesAdded.emplace_back(oldName.str(), newName.str());
}

// ---- fixtures --------------------------------------------------------------

CCabinetTest::CCabinetTest()
    : m_settings("Larkwell", "Idealoom")
{
}

void CCabinetTest::SetUp()
{
    ::setenv("XDG_CONFIG_HOME", (m_temp / "config").c_str(), 1);
    kx_gen::CCategoryDB::setUnfiledCategoryName("Unfiled");
    m_env.m_strDesktopFolder = Desktop();
    m_env.m_pSettings = &m_settings;
    m_env.m_pPrompter = &m_prompter;
    m_env.m_pDocuments = &m_documents;
    m_env.m_pCategoryList = &m_categoryList;
    m_env.m_pNotify = &m_notify;
    std::filesystem::create_directories(Desktop());
}

void CPalmCabinetTest::SetUp()
{
    CCabinetTest::SetUp();
    SCommandResult setup = RunPalmDesktop({ "setup", HotSync(), "--user", "Ann", "--user", "Bob" });
    ASSERT_EQ(setup.nExitCode, 0) << setup.strErr;
    ASSERT_TRUE(m_palm.DetectPalm(&m_prompter));
    m_env.m_pPalm = &m_palm;
}

// ---- files -----------------------------------------------------------------

void WriteOutline(const std::string &path, const std::string &title, const std::string &category,
    bool synchronized)
{
    kx_gen::COutlineDB db;
    db.InitNewDatabase();
    db.SetOutlineTitle(title);
    db.SetCategoryName(category);
    db.SetOutlineChanged(false);
    db.SetSynchronized(synchronized);
    db.GetRecordset()->Append()->SetNew(true);
    db.Open(path.c_str(), kx_gen::CFile::modeCreate | kx_gen::CFile::modeWrite);
    db.WriteAllHeaders();
    db.WriteRows();
    db.Close();
}

SOutlineFacts ReadOutlineFacts(const std::string &path)
{
    kx_gen::COutlineDB db;
    db.OpenWithoutUpgrade(path.c_str(), kx_gen::CFile::modeRead, nullptr);
    db.ReadSharedHeader();
    db.ReadPrivateHeader();
    SOutlineFacts facts;
    facts.title = db.GetOutlineTitle().str();
    facts.category = db.GetCategoryName().str();
    facts.outlineChanged = db.GetOutlineChanged();
    facts.synchronized = db.GetSynchronized();
    db.Close();
    return facts;
}

void WriteCategories(const std::string &path, const std::vector<std::string> &names)
{
    kx_gen::CCategoryDB db;
    db.CreateFile(path.c_str());
    for (const std::string &name : names)
        db.AddNewCategory(name.c_str());
    db.SaveFile(path.c_str());
}

std::vector<std::string> ReadCategories(const std::string &path)
{
    kx_gen::CCategoryDB db;
    db.LoadFile(path.c_str());
    std::vector<std::string> names;
    for (kx_gen::CCategoryRecord &record : db)
        names.push_back(record.GetCategoryName().str());
    return names;
}

std::vector<std::string> ListFolder(const std::string &folder)
{
    std::vector<std::string> names;
    std::error_code ignored;
    for (const auto &entry : std::filesystem::directory_iterator(folder, ignored))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace cabinettest
