#include "PalmTestSupport.h"

#include <filesystem>

using namespace palmtest;

namespace {

class PalmDesktopCommandTest : public ::testing::Test {
protected:
    void SetUp() override { ::setenv("XDG_CONFIG_HOME", (m_temp / "config").c_str(), 1); }

    std::string HotSync() const { return m_temp / "deep/HotSync"; }
    SCommandResult InFolder(std::vector<std::string> args)
    {
        args.push_back("--folder");
        args.push_back(HotSync());
        return RunPalmDesktop(args);
    }
    std::string UsersFile() const { return ReadFile(HotSync() + "/users.dat"); }

    CTempFolder m_temp;
};

TEST_F(PalmDesktopCommandTest, SetupMakesAWorkingHotSyncFolderInOneLine)
{
    SCommandResult setup
        = RunPalmDesktop({ "setup", HotSync(), "--user", "Ann", "--profile-user", "Bob Smith" });
    ASSERT_EQ(setup.nExitCode, 0) << setup.strErr;
    EXPECT_NE(setup.strOut.find("Ann\t"), std::string::npos) << setup.strOut;
    for (const char *library : { kInstaideLibraryName, kUserDataLibraryName, kCondMgrLibraryName })
        EXPECT_TRUE(Exists(HotSync() + "/" + library)) << library;
    EXPECT_TRUE(std::filesystem::is_directory(HotSync() + "/Ann"));
    EXPECT_TRUE(std::filesystem::is_directory(HotSync() + "/BobSmith"));

    CLoadedLibrary library(HotSync() + "/" + kInstaideLibraryName);
    ASSERT_TRUE(library.IsLoaded()) << library.Error();
    SInstaide plt(library);
    EXPECT_EQ(plt.getUserCount(), 2);
    EXPECT_EQ(plt.isUserProfile("Bob Smith"), 1);
}

TEST_F(PalmDesktopCommandTest, SetupAgainAddsOnlyNewUsersAndRestoresMissingFolders)
{
    ASSERT_EQ(RunPalmDesktop({ "setup", HotSync(), "--user", "Ann" }).nExitCode, 0);
    std::string before = UsersFile();
    std::filesystem::remove_all(HotSync() + "/Ann");

    SCommandResult again
        = RunPalmDesktop({ "setup", HotSync(), "--user", "Ann", "--user", "Carl" });
    ASSERT_EQ(again.nExitCode, 0) << again.strErr;
    std::string after = UsersFile();
    // Ann's line, with her id, is unchanged; Carl follows.
    std::string annLine = before.substr(before.find("user\t"));
    EXPECT_EQ(after.find(annLine), after.find("user\t"));
    EXPECT_NE(after.find("\tCarl\tCarl\n"), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_directory(HotSync() + "/Ann"));
}

TEST_F(PalmDesktopCommandTest, AddRenameRemoveAndList)
{
    ASSERT_EQ(RunPalmDesktop({ "setup", HotSync() }).nExitCode, 0);
    EXPECT_EQ(InFolder({ "list" }).strOut, "No users.\n");

    SCommandResult add = InFolder({ "add", "Ann", "--profile", "--dir", "ann-palm" });
    ASSERT_EQ(add.nExitCode, 0) << add.strErr;
    EXPECT_TRUE(std::filesystem::is_directory(HotSync() + "/ann-palm"));
    ASSERT_EQ(InFolder({ "add", "Bob" }).nExitCode, 0);
    ASSERT_EQ(InFolder({ "rename", "Ann", "Anna" }).nExitCode, 0);

    SCommandResult list = InFolder({ "list" });
    EXPECT_EQ(list.nExitCode, 0);
    EXPECT_NE(list.strOut.find("Anna\t"), std::string::npos);
    EXPECT_NE(list.strOut.find("\tyes\t" + HotSync() + "/ann-palm\t0\n"), std::string::npos)
        << list.strOut;
    EXPECT_NE(list.strOut.find("Bob\t"), std::string::npos);

    SCommandResult remove = InFolder({ "remove", "Anna" });
    ASSERT_EQ(remove.nExitCode, 0) << remove.strErr;
    EXPECT_EQ(InFolder({ "list" }).strOut.find("Anna"), std::string::npos);
    // The removed user's files are the person's data: they stay.
    EXPECT_TRUE(std::filesystem::is_directory(HotSync() + "/ann-palm"));
}

TEST_F(PalmDesktopCommandTest, RefusalsChangeNothing)
{
    ASSERT_EQ(
        RunPalmDesktop({ "setup", HotSync(), "--user", "Ann", "--user", "Bob" }).nExitCode, 0);
    const std::string before = UsersFile();

    struct SCase {
        std::vector<std::string> args;
        int exitCode;
        const char *message;
    };
    const SCase cases[] = {
        { { "add", "Ann" }, 1, "cannot add \"Ann\": there is a user of that name already" },
        { { "add", "ann" }, 1, "there is a user of that name already" },
        { { "add", "Carl", "--dir", "Bob" }, 1, "belongs to another user" },
        { { "add", "Carl", "--dir", "x/y" }, 1, "holds a path separator" },
        { { "add", "Carl", "--dir", ".." }, 1, "begins with a dot" },
        { { "add", " Carl" }, 1, "begins or ends with a blank" },
        { { "add", "\xE6\x97\xA5" }, 1, "which a handheld user name cannot hold" },
        { { "add", "\xFF" }, 1, "is not valid UTF-8" },
        { { "rename", "Ann", "Bob" }, 1, "there is a user of that name already" },
        { { "rename", "Nobody", "X" }, 1, "there is no user of that name" },
        { { "remove", "Nobody" }, 1, "there is no user of that name" },
        { { "remove" }, 2, "remove takes 1 argument" },
        { { "list", "--profile" }, 2, "--profile and --dir belong to add" },
        { { "frobnicate" }, 2, "unknown command" },
        { { "add", "Carl", "--colour", "red" }, 2, "unknown option --colour" },
    };
    for (const SCase &c : cases) {
        SCommandResult result = InFolder(c.args);
        EXPECT_EQ(result.nExitCode, c.exitCode) << c.args[0] << " " << result.strErr;
        EXPECT_NE(result.strErr.find(c.message), std::string::npos) << result.strErr;
    }
    EXPECT_EQ(UsersFile(), before);

    EXPECT_EQ(RunPalmDesktop({}).nExitCode, 2);

    // A setup with one bad name creates nothing at all.
    std::string other = m_temp / "other";
    SCommandResult bad = RunPalmDesktop({ "setup", other, "--user", "Ok", "--user", "Bad\tName" });
    EXPECT_EQ(bad.nExitCode, 1);
    EXPECT_FALSE(Exists(other));
}

TEST_F(PalmDesktopCommandTest, NamesAreKeptInWindows1252)
{
    ASSERT_EQ(
        RunPalmDesktop({ "setup", HotSync(), "--user", "Zo\xC3\xAB \xE2\x82\xAC" }).nExitCode, 0);
    // The library hands the handheld's encoding to the program...
    CLoadedLibrary library(HotSync() + "/" + kInstaideLibraryName);
    ASSERT_TRUE(library.IsLoaded());
    SInstaide plt(library);
    int32_t result = 0;
    EXPECT_EQ(FetchText([&](char *b, int16_t *s) { return plt.getUser(0, b, s); }, result),
        "Zo\xEB \x80");
    uint32_t id = 0;
    EXPECT_EQ(plt.getUserIdFromName("Zo\xEB \x80", &id), kUmOk);
    // ...and the command shows it to people in UTF-8.
    EXPECT_NE(InFolder({ "list" }).strOut.find("Zo\xC3\xAB \xE2\x82\xAC\t"), std::string::npos);
    EXPECT_EQ(InFolder({ "rename", "Zo\xC3\xAB \xE2\x82\xAC", "Zoe" }).nExitCode, 0);
    EXPECT_EQ(plt.getUserIdFromName("Zoe", &id), kUmOk);
}

} // namespace
