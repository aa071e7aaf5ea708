// Palm mode against the real user libraries of a HotSync folder that
// palm-desktop set up, found through the settings store as the program
// finds them.

#include "CabinetNames.h"
#include "CabinetTestSupport.h"
#include "PalmLibrary.h"
#include "UserList.h"

#include "palmdesktop/PalmDesktop.h"

#include "kx_gen/Exception.h"
#include "kx_gen/Registry.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>

using namespace cabinettest;
using kx_gen::_String;

namespace {

std::vector<int> RootKinds(const CRootList &roots)
{
    std::vector<int> kinds;
    for (int i = 0; i < roots.GetCount(); ++i)
        kinds.push_back(roots.GetAt(i)->m_nKind);
    return kinds;
}

std::string ThrownText(const std::function<void()> &call)
{
    try {
        call();
    } catch (kx_gen::CException *e) {
        kx_gen::ExceptionHolder holder(e);
        return e->GetDescription().str();
    }
    return "(nothing thrown)";
}

void WriteHotSyncPath(const std::string &value)
{
    kx_gen::HKEY core = nullptr;
    ASSERT_EQ(kx_gen::RegCreateKey(
                  kx_gen::HKEY_CURRENT_USER, kPalmCoreKey, kx_gen::KEY_ALL_ACCESS, &core),
        kx_gen::kRegSuccess);
    kx_gen::RegSetString(core, kHotSyncPathValue, value.c_str());
    kx_gen::RegCloseKey(core);
}

class PalmUsersTest : public CPalmCabinetTest { };

} // namespace

TEST_F(PalmUsersTest, BothUsersOfPalmDesktopAreFoundWithFoldersRootsAndCategoryFiles)
{
    EXPECT_EQ(m_palm.GetFlavour(), CPalmLibrary::kInstaide);
    CUserList users(m_env);
    users.Enumerate();
    ASSERT_EQ(users.GetCount(), 2);

    CUser *ann = users.GetAt(0);
    CUser *bob = users.GetAt(1);
    EXPECT_EQ(ann->m_strName.str(), "Ann");
    EXPECT_EQ(bob->m_strName.str(), "Bob");
    EXPECT_NE(ann->m_nUserId, 0u);
    EXPECT_NE(ann->m_nUserId, bob->m_nUserId);
    EXPECT_EQ(ann->m_bLocal, 0);
    EXPECT_EQ(ann->m_bProfile, 0);
    EXPECT_EQ(ann->m_strFolder.str(), UserFolder("Ann"));
    EXPECT_EQ(bob->m_strFolder.str(), UserFolder("Bob"));
    EXPECT_EQ(users.FindById(bob->m_nUserId), bob);
    // Enumeration alone activates nobody.
    EXPECT_EQ(users.GetActiveUser(), nullptr);
    EXPECT_EQ(users.GetActive(), ann);

    users.Restore();
    ASSERT_EQ(users.GetActiveUser(), ann);
    EXPECT_EQ(RootKinds(ann->GetRoots()), (std::vector<int> { 4, 5, 2, 3, 6 }));
    CRootList &roots = ann->GetRoots();
    EXPECT_EQ(roots.FindByKind(cabinet::kRootHandheldOutlines)->m_strFolder.str(),
        UserFolder("Ann") + "/");
    EXPECT_EQ(roots.FindByKind(cabinet::kRootDesktopOutlines)->m_strFolder.str(), Desktop() + "/");
    EXPECT_EQ(roots.FindByKind(cabinet::kRootConflicts)->m_strFolder.str(),
        UserFolder("Ann") + "/Conflicts/");
    for (const char *folder : { "Conflicts", "Backup", "Archive" })
        EXPECT_TRUE(Exists(UserFolder("Ann") + "/" + folder)) << folder;
    EXPECT_EQ(ann->CategoriesPath().str(), UserFolder("Ann") + "/categories.dat");
    EXPECT_EQ(ann->FilingCabinetPath().str(), UserFolder("Ann") + "/Folder.kxo");
    EXPECT_EQ(ReadCategories(UserFolder("Ann") + "/categories.dat"),
        (std::vector<std::string> { "Unfiled" }));
    EXPECT_EQ(m_categoryList.m_pAttached, ann->GetCategories());

    users.SetActive(bob);
    EXPECT_FALSE(ann->IsActive());
    EXPECT_EQ(ann->GetRoots().GetCount(), 0);
    EXPECT_EQ(ann->GetCategories(), nullptr);
    EXPECT_TRUE(Exists(UserFolder("Bob") + "/categories.dat"));
    EXPECT_EQ(RootKinds(bob->GetRoots()), (std::vector<int> { 4, 5, 2, 3, 6 }));
    EXPECT_EQ(m_notify.m_UserChanges,
        (std::vector<std::pair<int, std::string>> { { 15, "Ann" }, { 31, "Ann" }, { 15, "Bob" } }));
    EXPECT_TRUE(m_prompter.m_Messages.empty());
}

TEST_F(PalmUsersTest, TheOlderUserLibraryGivesTheSameUsers)
{
    ASSERT_EQ(std::remove((HotSync() + "/" + kInstaideLibraryName).c_str()), 0);
    ASSERT_TRUE(m_palm.DetectPalm(&m_prompter));
    EXPECT_EQ(m_palm.GetFlavour(), CPalmLibrary::kUserData);
    EXPECT_TRUE(m_prompter.m_Messages.empty());

    CUserList users(m_env);
    users.Enumerate();
    ASSERT_EQ(users.GetCount(), 2);
    EXPECT_EQ(users.GetAt(0)->m_strName.str(), "Ann");
    EXPECT_EQ(users.GetAt(1)->m_strFolder.str(), UserFolder("Bob"));
    EXPECT_NE(users.GetAt(1)->m_nUserId, 0u);
}

TEST_F(PalmUsersTest, ProfileUsersAndChangesInPalmDesktopAreSeen)
{
    CUserList users(m_env);
    users.Enumerate();
    EXPECT_FALSE(users.PalmUsersChanged());

    ASSERT_EQ(RunPalmDesktop({ "add", "Office", "--profile" }).nExitCode, 0);
    EXPECT_TRUE(users.PalmUsersChanged());
    users.Enumerate();
    ASSERT_EQ(users.GetCount(), 3);
    EXPECT_EQ(users.FindByName("Office")->m_bProfile, 1);
    EXPECT_FALSE(users.PalmUsersChanged());

    ASSERT_EQ(RunPalmDesktop({ "rename", "Bob", "Robert" }).nExitCode, 0);
    EXPECT_TRUE(users.PalmUsersChanged());
}

TEST_F(PalmUsersTest, TheStoredActiveUserAndFilterCategoriesComeBack)
{
    std::filesystem::create_directories(UserFolder("Bob"));
    WriteCategories(UserFolder("Bob") + "/categories.dat", { "Work" });
    {
        CUserList users(m_env);
        users.Enumerate();
        users.FindByName("Bob")->m_strFilterCategory = "Work";
        users.SetActive(users.FindByName("Bob"));
        users.Store();
    }
    CUserList users(m_env);
    users.Enumerate();
    users.Restore();
    ASSERT_NE(users.GetActiveUser(), nullptr);
    EXPECT_EQ(users.GetActiveUser()->m_strName.str(), "Bob");
    EXPECT_EQ(users.GetActiveUser()->m_strFilterCategory.str(), "Work");
}

TEST_F(PalmUsersTest, AUserWhoseCallsFailIsLeftOut)
{
    std::filesystem::remove_all(HotSync() + "/Bob");
    CUserList users(m_env);
    users.Enumerate();
    ASSERT_EQ(users.GetCount(), 1);
    EXPECT_EQ(users.GetAt(0)->m_strName.str(), "Ann");
    EXPECT_TRUE(m_prompter.m_Messages.empty());
}

TEST_F(PalmUsersTest, AFailingUserCountIsThrownInEitherFlavour)
{
    ASSERT_EQ(std::remove((HotSync() + "/users.dat").c_str()), 0);
    CUserList users(m_env);
    EXPECT_EQ(ThrownText([&users] { users.Enumerate(); }),
        "The function PltGetUserCount failed. The error code is -500. Please contact your "
        "program vendor.");
    ASSERT_EQ(std::remove((HotSync() + "/" + kInstaideLibraryName).c_str()), 0);
    ASSERT_TRUE(m_palm.DetectPalm(&m_prompter));
    EXPECT_EQ(ThrownText([&users] { users.Enumerate(); }), "User manager err - no user dat file");
    EXPECT_EQ(users.GetCount(), 0);
}

TEST_F(PalmUsersTest, UsersAddedByNameArePalmUsersWhoseFolderComesFromTheLibrary)
{
    CUserList users(m_env);
    users.Enumerate();
    CUser *carl = users.AddUser("Carl", 1);
    EXPECT_NE(dynamic_cast<CPalmUser *>(carl), nullptr);
    EXPECT_EQ(carl->m_bLocal, 1);
    EXPECT_EQ(carl->m_bProfile, 1);
    EXPECT_EQ(users.GetCount(), 3);

    // Palm Desktop does not know Carl: there is no folder to show.
    users.SetActive(carl);
    EXPECT_FALSE(carl->IsActive());
    EXPECT_EQ(carl->GetRoots().GetCount(), 0);
    EXPECT_EQ(m_prompter.m_Messages,
        (std::vector<std::string> { "The function PltGetUserDirectory failed. The error code is "
                                    "-512. Please contact your program vendor." }));

    ASSERT_EQ(RunPalmDesktop({ "add", "Carl" }).nExitCode, 0);
    users.SetActive(carl);
    EXPECT_TRUE(carl->IsActive());
    EXPECT_EQ(carl->m_strFolder.str(), UserFolder("Carl"));
    EXPECT_TRUE(Exists(UserFolder("Carl") + "/categories.dat"));

    EXPECT_TRUE(users.RemoveUser(carl));
    EXPECT_EQ(users.GetCount(), 2);
    EXPECT_EQ(users.GetActiveUser(), nullptr);
    EXPECT_FALSE(users.RemoveUser(carl));
}

TEST_F(CCabinetTest, WithoutHotSyncPathTheProgramRunsDesktopOnly)
{
    CPalmLibrary palm;
    EXPECT_FALSE(palm.DetectPalm(&m_prompter));
    EXPECT_FALSE(palm.IsLoaded());

    // A named folder without the libraries is no Palm installation either.
    WriteHotSyncPath(m_temp / "Empty");
    EXPECT_FALSE(palm.DetectPalm(&m_prompter));
    EXPECT_TRUE(m_prompter.m_Messages.empty());
}

TEST_F(PalmUsersTest, ALibraryThatFailsToLoadIsReportedAndTheOtherFlavourTried)
{
    // A new file: the loaded library's pages must stay as they are.
    const std::string library = HotSync() + "/" + kInstaideLibraryName;
    ASSERT_EQ(std::remove(library.c_str()), 0);
    WriteFile(library, "not a library");
    ASSERT_TRUE(m_palm.DetectPalm(&m_prompter));
    EXPECT_EQ(m_palm.GetFlavour(), CPalmLibrary::kUserData);
    ASSERT_EQ(m_prompter.m_Messages.size(), 1u);
    EXPECT_NE(m_prompter.m_Messages[0].find(kInstaideLibraryName), std::string::npos);
}

TEST_F(PalmUsersTest, HotSyncPathMayNameAFileInTheHotSyncFolder)
{
    WriteHotSyncPath(HotSync() + "/HotSync");
    CPalmLibrary palm;
    EXPECT_TRUE(palm.DetectPalm(&m_prompter));
}

TEST(PalmLibraryTest, UserManagerErrorsThrowTheirMessages)
{
    EXPECT_EQ(ThrownText([] { CPalmLibrary::CheckUserManagerError(kUmErrNoUserFound); }),
        "User manager err - no user found");
    EXPECT_EQ(ThrownText([] { CPalmLibrary::CheckUserManagerError(kUmErrUserDirInUse); }),
        "User manager err - user dir already in use");
    EXPECT_EQ(ThrownText([] { CPalmLibrary::CheckUserManagerError(kUmErrInvalidPointer); }),
        "User manager err - Invalid pointer");
    // Codes outside the table count as success, even negative ones.
    for (std::int32_t code : { 0, 1, -1, -502, -513 })
        EXPECT_EQ(
            ThrownText([code] { CPalmLibrary::CheckUserManagerError(code); }), "(nothing thrown)")
            << code;
    EXPECT_EQ(ThrownText([] { CPalmLibrary::CheckPltResult("PltGetUser", -505); }),
        "The function PltGetUser failed. The error code is -505. Please contact your program "
        "vendor.");
    EXPECT_EQ(
        ThrownText([] { CPalmLibrary::CheckPltResult("PltGetUser", 0); }), "(nothing thrown)");
}

TEST_F(PalmUsersTest, MissingFunctionsAreNamedPerFlavour)
{
    EXPECT_EQ(ThrownText([this] { m_palm.Resolve("PltNoSuchCall"); }),
        std::string("The function PltNoSuchCall is missing in the ") + kInstaideLibraryName
            + ". Please contact your program vendor.");
    ASSERT_EQ(std::remove((HotSync() + "/" + kInstaideLibraryName).c_str()), 0);
    ASSERT_TRUE(m_palm.DetectPalm(&m_prompter));
    EXPECT_EQ(ThrownText([this] { m_palm.Resolve("UmNoSuchCall"); }),
        cabinet::kMsgPalmLibrariesDifferent);
}

TEST(PalmLibraryTest, UserFolderGetsOneSeparatorBeforeTheProductFolder)
{
    EXPECT_EQ(CPalmLibrary::MakeUserFolder("/palm/Ann").str(), "/palm/Ann/Vellacor");
    EXPECT_EQ(CPalmLibrary::MakeUserFolder("/palm/Ann/").str(), "/palm/Ann/Vellacor");
    EXPECT_EQ(CPalmLibrary::MakeUserFolder("  /palm/Ann").str(), "/palm/Ann/Vellacor");
}
