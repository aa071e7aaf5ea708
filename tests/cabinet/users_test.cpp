// Users in desktop-only mode: the "default" user, the per-user paths, the
// users stored in and restored from the settings store, activation and
// deactivation, the filing cabinet and the desktop folder preference.

#include "CabinetNames.h"
#include "CabinetSettings.h"
#include "CabinetTestSupport.h"
#include "UserList.h"

#include "kx_gen/AppRegistry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

using namespace cabinettest;
using kx_gen::_String;

namespace {

class UsersTest : public CCabinetTest {
protected:
    // The list of a desktop-only run with the program's own users added.
    void MakeUsers(CUserList &users, std::initializer_list<const char *> added)
    {
        users.Enumerate();
        users.GetAt(0)->SetFolder(Desktop());
        for (const char *name : added)
            users.AddUser(name, 0);
    }

    std::optional<std::string> StoredString(const char *name)
    {
        _String value;
        m_settings.OpenSection(cabinet::kUsersSection);
        bool found = m_settings.ReadString(name, value);
        m_settings.CloseSection();
        return found ? std::optional<std::string>(value.str()) : std::nullopt;
    }

    void StoreString(const char *name, const char *value)
    {
        m_settings.OpenSection(cabinet::kUsersSection);
        m_settings.WriteString(name, value);
        m_settings.CloseSection();
    }

    void StoreInt(const char *name, int value)
    {
        m_settings.OpenSection(cabinet::kUsersSection);
        m_settings.WriteInt(name, value);
        m_settings.CloseSection();
    }
};

// Sets an environment variable for one test and puts the old value back.
class CScopedEnv {
public:
    CScopedEnv(const char *name, const char *value)
        : m_strName(name)
    {
        if (const char *old = std::getenv(name))
            m_Old = old;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~CScopedEnv()
    {
        if (m_Old)
            ::setenv(m_strName.c_str(), m_Old->c_str(), 1);
        else
            ::unsetenv(m_strName.c_str());
    }

private:
    std::string m_strName;
    std::optional<std::string> m_Old;
};

} // namespace

TEST_F(UsersTest, DesktopOnlyModeHasOneDefaultUserWithItsFilesInTheDesktopFolder)
{
    CUserList users(m_env);
    users.Enumerate();
    ASSERT_EQ(users.GetCount(), 1);
    CUser *user = users.GetAt(0);
    EXPECT_NE(dynamic_cast<CDesktopUser *>(user), nullptr);
    EXPECT_EQ(user->m_strName.str(), "default");
    EXPECT_EQ(user->m_bLocal, 1);
    EXPECT_EQ(users.GetActiveUser(), user);
    EXPECT_FALSE(user->IsActive());

    user->SetFolder("  " + Desktop() + " ");
    EXPECT_EQ(user->m_strFolder.str(), Desktop());
    EXPECT_EQ(user->CategoriesPath().str(), DesktopFile("categories.dat"));
    EXPECT_EQ(user->FilingCabinetPath().str(), DesktopFile("Folder.kxo"));

    users.Restore();
    EXPECT_TRUE(user->IsActive());
    CRootList &roots = user->GetRoots();
    ASSERT_EQ(roots.GetCount(), 2);
    EXPECT_EQ(roots.GetAt(0)->m_nKind, cabinet::kRootDesktopOutlines);
    EXPECT_EQ(roots.GetAt(1)->m_nKind, cabinet::kRootDesktopTemplates);
    EXPECT_EQ(roots.GetFilingCabinetPath().str(), DesktopFile("Folder.kxo"));
    EXPECT_TRUE(roots.GetArchiveFolder().IsEmpty());
    EXPECT_EQ(ListFolder(Desktop()), (std::vector<std::string> { "categories.dat" }));
    EXPECT_EQ(
        m_notify.m_UserChanges, (std::vector<std::pair<int, std::string>> { { 15, "default" } }));
    EXPECT_EQ(users.GetActiveRoots(), &roots);
    EXPECT_EQ(users.GetActiveCategories(), user->GetCategories());
}

TEST_F(UsersTest, WithoutStoredUsersTheFirstBecomesActiveWithEmptyFilters)
{
    CUserList users(m_env);
    MakeUsers(users, { "Ann", "Bob" });
    users.Restore();
    EXPECT_EQ(users.GetActiveUser(), users.GetAt(0));
    for (int i = 0; i < users.GetCount(); ++i)
        EXPECT_TRUE(users.GetAt(i)->m_strFilterCategory.IsEmpty());
}

TEST_F(UsersTest, AnActiveUserThatIsGoneSelectsTheFirstAndStrangersAreIgnored)
{
    StoreString(cabinet::kActiveUserValue, "Nobody");
    StoreInt(cabinet::kAmountOfUsersValue, 2);
    StoreString("UserName0", "Ghost");
    StoreString("Category0", "Haunted");
    StoreString("UserName1", "Bob");
    StoreString("Category1", "");

    CUserList users(m_env);
    MakeUsers(users, { "Ann", "Bob" });
    users.Restore();
    EXPECT_EQ(users.GetActiveUser(), users.GetAt(0));
    for (int i = 0; i < users.GetCount(); ++i)
        EXPECT_TRUE(users.GetAt(i)->m_strFilterCategory.IsEmpty()) << i;
}

TEST_F(UsersTest, StoredUsersComeBackAndAShrunkenListLeavesNothingBehind)
{
    WriteCategories(DesktopFile("categories.dat"), { "Work", "Home" });
    {
        CUserList users(m_env);
        MakeUsers(users, { "Ann", "Bob" });
        users.FindByName("Ann")->m_strFilterCategory = "Work";
        users.FindByName("Bob")->m_strFilterCategory = "Home";
        users.SetActive(users.FindByName("Bob"));
        users.Store();
        EXPECT_EQ(StoredString("UserName2"), "Bob");
        EXPECT_EQ(StoredString("Category2"), "Home");

        users.SetActive(nullptr);
        users.RemoveUser(users.FindByName("Ann"));
        users.Store();
    }
    EXPECT_EQ(StoredString("UserName0"), "default");
    EXPECT_EQ(StoredString("UserName1"), "Bob");
    EXPECT_EQ(StoredString("Category1"), "Home");
    EXPECT_EQ(StoredString("UserName2"), std::nullopt);
    EXPECT_EQ(StoredString("Category2"), std::nullopt);
    // Nobody was active: the first user stands for the active one.
    EXPECT_EQ(StoredString(cabinet::kActiveUserValue), "default");

    StoreString(cabinet::kActiveUserValue, "Bob");
    CUserList users(m_env);
    MakeUsers(users, { "Ann", "Bob" });
    users.Restore();
    ASSERT_EQ(users.GetActiveUser(), users.FindByName("Bob"));
    EXPECT_EQ(users.FindByName("Bob")->m_strFilterCategory.str(), "Home");
    EXPECT_TRUE(users.FindByName("Ann")->m_strFilterCategory.IsEmpty());
}

TEST_F(UsersTest, AStoredFilterCategoryTheCategoryFileLacksIsEmptiedOnActivation)
{
    WriteCategories(DesktopFile("categories.dat"), { "Work" });
    StoreInt(cabinet::kAmountOfUsersValue, 2);
    StoreString("UserName0", "default");
    StoreString("Category0", "Gone");
    StoreString("UserName1", "Ann");
    StoreString("Category1", "Work");

    CUserList users(m_env);
    MakeUsers(users, { "Ann" });
    users.Restore();
    EXPECT_TRUE(users.FindByName("default")->m_strFilterCategory.IsEmpty());
    users.SetActive(users.FindByName("Ann"));
    EXPECT_EQ(users.FindByName("Ann")->m_strFilterCategory.str(), "Work");
}

TEST_F(UsersTest, ADamagedUserCountDoesNotMakeRestoreWalkForever)
{
    StoreInt(cabinet::kAmountOfUsersValue, 0x7fffffff);
    StoreString("UserName0", "default");
    StoreString("Category0", "Unfiled");
    CUserList users(m_env);
    MakeUsers(users, {});
    users.Restore();
    users.Store();
    EXPECT_EQ(users.GetActiveUser()->m_strFilterCategory.str(), "Unfiled");
}

TEST_F(UsersTest, DeactivationSavesTheCategoryFileAndClosesTheFilingCabinet)
{
    CUserList users(m_env);
    MakeUsers(users, {});
    users.Restore();
    CUser *user = users.GetActiveUser();
    user->GetCategories()->AddNewCategory("Travel");
    COutlineDoc *cabinetDoc = user->GetFilingCabinet();
    ASSERT_NE(cabinetDoc, nullptr);
    EXPECT_EQ(user->GetFilingCabinet(), cabinetDoc);

    users.SetActive(nullptr);
    EXPECT_FALSE(user->IsActive());
    EXPECT_EQ(user->GetCategories(), nullptr);
    EXPECT_EQ(user->GetRoots().GetCount(), 0);
    EXPECT_EQ(m_categoryList.m_pAttached, nullptr);
    EXPECT_EQ(ReadCategories(DesktopFile("categories.dat")),
        (std::vector<std::string> { "Unfiled", "Travel" }));
    EXPECT_EQ(m_documents.m_Calls,
        (std::vector<std::string> { "cabinet " + DesktopFile("Folder.kxo") + " new",
            "cabinet-close " + DesktopFile("Folder.kxo") }));
    EXPECT_EQ(m_notify.m_UserChanges.back(), (std::pair<int, std::string> { 31, "default" }));
    EXPECT_EQ(users.GetActiveRoots(), nullptr);
}

TEST_F(UsersTest, AnUnreadableFilingCabinetIsReplacedByAnEmptyOne)
{
    WriteOutline(DesktopFile("Folder.kxo"), "Filing Cabinet", "Unfiled");
    CUserList users(m_env);
    MakeUsers(users, {});
    users.Restore();
    CUser *user = users.GetActiveUser();

    m_documents.m_bCabinetFileFails = true;
    ASSERT_NE(user->GetFilingCabinet(), nullptr);
    EXPECT_EQ(m_prompter.m_Messages, (std::vector<std::string> { "The trush can is corrupted" }));
    EXPECT_EQ(m_documents.m_Calls,
        (std::vector<std::string> { "cabinet " + DesktopFile("Folder.kxo") + " file",
            "cabinet " + DesktopFile("Folder.kxo") + " new" }));

    user->FilingCabinetClosed();
    m_documents.m_bCabinetNewFails = true;
    EXPECT_EQ(user->GetFilingCabinet(), nullptr);
    EXPECT_EQ(m_notify.m_nQuits, 1);
}

TEST_F(UsersTest, TheFilingCabinetIsNeverListed)
{
    WriteOutline(DesktopFile("Folder.kxo"), "Filing Cabinet", "Unfiled");
    WriteOutline(DesktopFile("Plans.kxo"), "Plans", "Unfiled");
    CUserList users(m_env);
    MakeUsers(users, {});
    users.Restore();
    CFileTreeRoot *outlines = users.GetActiveRoots()->FindByKind(cabinet::kRootDesktopOutlines);
    ASSERT_EQ(outlines->GetCount(), 1);
    EXPECT_EQ(outlines->GetDataAt(0)->m_strTitle.str(), "Plans");
    users.GetActiveRoots()->RefreshFile(DesktopFile("Folder.kxo"));
    EXPECT_EQ(outlines->GetCount(), 1);
    EXPECT_TRUE(CUser::IsFilingCabinetPath("/home/ann/folder.KXO"));
    EXPECT_FALSE(CUser::IsFilingCabinetPath(DesktopFile("Plans.kxo")));
}

TEST_F(UsersTest, HtmlExportSettingsLiveInAnUpperCaseSectionPerUser)
{
    CUserList users(m_env);
    // Names are Windows-1252: e with diaeresis is 0xEB, its capital 0xCB.
    MakeUsers(users, { "Zo\xEB" });
    CUser *user = users.FindByName("Zo\xEB");
    EXPECT_EQ(user->HtmlSectionName().str(), "USERHTML_ZO\xCB");
    EXPECT_FALSE(user->LoadHtmlSettings(m_settings).IsValid());

    WriteFile(m_temp / "page.html", "<html/>");
    WriteFile(m_temp / "rule.gif", "GIF");
    CUserHtmlSettings html { m_temp / "page.html", m_temp / "rule.gif", m_temp / "export" };
    ASSERT_TRUE(user->StoreHtmlSettings(m_settings, html));
    CUserHtmlSettings read = user->LoadHtmlSettings(m_settings);
    EXPECT_EQ(read.m_strRulePath.str(), m_temp / "rule.gif");
    EXPECT_TRUE(read.IsValid());
    EXPECT_FALSE(users.GetAt(0)->LoadHtmlSettings(m_settings).IsValid());

    read.m_strRulePath = m_temp / "missing.gif";
    EXPECT_FALSE(read.IsValid());
}

TEST_F(UsersTest, TheDesktopFolderIsVellacorInTheDocumentsFolderUnlessSet)
{
    {
        CScopedEnv documents("XDG_DOCUMENTS_DIR", (m_temp / "Docs").c_str());
        EXPECT_EQ(cabinet::LoadDesktopFolder(m_settings).str(), m_temp / "Docs/Vellacor");
    }
    {
        CScopedEnv documents("XDG_DOCUMENTS_DIR", nullptr);
        CScopedEnv home("HOME", m_temp.Path().c_str());
        EXPECT_EQ(cabinet::DefaultDesktopFolder().str(), m_temp / "Documents/Vellacor");
        std::filesystem::create_directories(m_temp / "config");
        WriteFile(m_temp / "config/user-dirs.dirs",
            "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
            "XDG_DOCUMENTS_DIR=\"$HOME/Papiere\"\n");
        EXPECT_EQ(cabinet::DefaultDesktopFolder().str(), m_temp / "Papiere/Vellacor");
    }
    m_settings.OpenSection(cabinet::kPreferencesSection);
    m_settings.WriteString(cabinet::kDesktopPathValue, "/srv/outlines");
    m_settings.CloseSection();
    EXPECT_EQ(cabinet::LoadDesktopFolder(m_settings).str(), "/srv/outlines");
}
