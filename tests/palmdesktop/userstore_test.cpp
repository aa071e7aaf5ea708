#include "NotifierRegistry.h"
#include "PalmTestSupport.h"
#include "StoreError.h"
#include "UserStore.h"

#include <filesystem>
#include <random>

#include <sys/wait.h>
#include <unistd.h>

using namespace palmdesktop;
using namespace palmtest;

namespace {

const std::string kHeader = "PalmDesktopUsers\t1\n";

int ParseError(std::string_view text)
{
    CUserStore store("/nowhere");
    try {
        store.Parse(text);
    } catch (const CStoreError &error) {
        return error.Code();
    }
    return 0;
}

TEST(UserStoreFormat, SerializeAndParseRoundTrip)
{
    CUserStore store("/nowhere");
    store.Parse(kHeader);
    const SPalmUser &ann = store.AddUser("Ann", false, "");
    std::uint32_t annId = ann.nId;
    store.AddUser("Zo\xEB \x80", true, "Zoe");
    store.QueueInstall(annId, "Memo Pad.pdb");

    CUserStore copy("/nowhere");
    copy.Parse(store.Serialize());
    ASSERT_EQ(copy.Users().size(), 2u);
    EXPECT_EQ(copy.Users()[0].strName, "Ann");
    EXPECT_EQ(copy.Users()[0].nId, annId);
    EXPECT_EQ(copy.Users()[1].strName, "Zo\xEB \x80");
    EXPECT_TRUE(copy.Users()[1].bProfile);
    EXPECT_EQ(copy.Users()[1].strDirectory, "Zoe");
    EXPECT_EQ(copy.InstallQueue(annId), std::vector<std::string> { "Memo Pad.pdb" });
    EXPECT_EQ(copy.Serialize(), store.Serialize());

    // Line ends written by a Windows editor are accepted.
    std::string crlf;
    for (char c : store.Serialize())
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    copy.Parse(crlf);
    EXPECT_EQ(copy.Serialize(), store.Serialize());
}

TEST(UserStoreFormat, DamagedFilesAreRefusedWhole)
{
    const std::string user = "user\t7\t0\tAnn\tAnn\n";
    const char *const damaged[] = {
        "",
        "# only a comment\n",
        "PalmDesktopUsers\n",
        "PalmDesktopUsers\tx\n",
        "PalmDesktopUsers\t0\n",
        "user\t7\t0\tAnn\tAnn\n",
        "PalmDesktopUsers\t1\nuser\t0\t0\tAnn\tAnn\n",
        "PalmDesktopUsers\t1\nuser\t4294967296\t0\tAnn\tAnn\n",
        "PalmDesktopUsers\t1\nuser\t-7\t0\tAnn\tAnn\n",
        "PalmDesktopUsers\t1\nuser\t007\t0\tAnn\tAnn\n",
        "PalmDesktopUsers\t1\nuser\t7\t2\tAnn\tAnn\n",
        "PalmDesktopUsers\t1\nuser\t7\t0\tAnn\n",
        "PalmDesktopUsers\t1\nuser\t7\t0\tAnn\tAnn\textra\n",
        "PalmDesktopUsers\t1\nuser\t7\t0\t..\tAnn\n",
        "PalmDesktopUsers\t1\nuser\t7\t0\ta/b\tAnn\n",
        "PalmDesktopUsers\t1\nuser\t7\t0\tAnn\t\n",
        "PalmDesktopUsers\t1\nuser\t7\t0\tAnn\t Ann\n",
        "PalmDesktopUsers\t1\nuser\t7\t0\tAnn\tA\x01nn\n",
        "PalmDesktopUsers\t1\nuser\t7\t0\tAnn\tAnn\nuser\t7\t0\tBob\tBob\n",
        "PalmDesktopUsers\t1\nuser\t7\t0\tAnn\tAnn\nuser\t8\t0\tBob\tANN\n",
        "PalmDesktopUsers\t1\nuser\t7\t0\tAnn\tAnn\nuser\t8\t0\tann\tBob\n",
        "PalmDesktopUsers\t1\ninstall\t7\tMemo.pdb\nuser\t7\t0\tAnn\tAnn\n",
        "PalmDesktopUsers\t1\nuser\t7\t0\tAnn\tAnn\ninstall\t7\t..\n",
        "PalmDesktopUsers\t1\nuser\t7\t0\tAnn\tAnn\ninstall\t7\ta.pdb\ninstall\t7\ta.pdb\n",
        "PalmDesktopUsers\t1\nuser\t7\t0\tAnn\tAnn\nsomething\n",
    };
    for (const char *text : damaged)
        EXPECT_EQ(ParseError(text), kUmErrUserDatAccess) << text;
    EXPECT_EQ(ParseError(kHeader + user + std::string(5000, '#') + "\n"), kUmErrUserDatAccess);
    EXPECT_EQ(ParseError(std::string(std::string_view("PalmDesktopUsers\t1\0\n", 20))),
        kUmErrUserDatAccess);
    EXPECT_EQ(ParseError("PalmDesktopUsers\t2\n"), kUmErrUserDatAccess);

    std::string many = kHeader;
    for (int i = 1; i <= 1001; ++i)
        many += "user\t" + std::to_string(i) + "\t0\tU" + std::to_string(i) + "\tU"
            + std::to_string(i) + "\n";
    EXPECT_EQ(ParseError(many), kUmErrUserDatAccess);

    // A refused text leaves the store as it was.
    CUserStore store("/nowhere");
    store.Parse(kHeader + user);
    EXPECT_THROW(store.Parse(kHeader + "junk\n"), CStoreError);
    ASSERT_EQ(store.Users().size(), 1u);
    EXPECT_EQ(store.Users()[0].strName, "Ann");
}

TEST(UserStoreFormat, TruncatedAndScrambledFilesNeverCrash)
{
    CUserStore store("/nowhere");
    store.Parse(kHeader);
    for (const char *name : { "Ann", "Bob Smith", "Carl", "Dana" })
        store.AddUser(name, name[0] == 'B', "");
    store.QueueInstall(store.Users()[0].nId, "a.pdb");
    const std::string good = store.Serialize();

    for (std::size_t length = 0; length <= good.size(); ++length) {
        CUserStore cut("/nowhere");
        try {
            cut.Parse(std::string_view(good).substr(0, length));
            EXPECT_LE(cut.Users().size(), 4u);
        } catch (const CStoreError &error) {
            EXPECT_EQ(error.Code(), kUmErrUserDatAccess);
        }
    }
    std::mt19937 random(1234);
    for (int round = 0; round < 2000; ++round) {
        std::string text = good;
        for (int flips = 0; flips < 3; ++flips)
            text[random() % text.size()] = static_cast<char>(random());
        CUserStore scrambled("/nowhere");
        try {
            scrambled.Parse(text);
        } catch (const CStoreError &error) {
            EXPECT_EQ(error.Code(), kUmErrUserDatAccess);
        }
    }
}

TEST(UserStoreChanges, AddRenameRemoveKeepTheRules)
{
    CTempFolder folder;
    CUserStore store(folder.Path());
    store.Parse(kHeader);
    const SPalmUser &ann = store.AddUser("Ann", false, "");
    std::uint32_t annId = ann.nId;
    EXPECT_EQ(ann.strDirectory, "Ann");

    auto codeOf = [](auto action) {
        try {
            action();
        } catch (const CStoreError &error) {
            return error.Code();
        }
        return 0;
    };
    EXPECT_EQ(codeOf([&] { store.AddUser("ANN", false, ""); }), kUmErrUserExists);
    EXPECT_EQ(codeOf([&] { store.AddUser("Bob", false, "ann"); }), kUmErrUserDirInUse);
    EXPECT_EQ(codeOf([&] { store.AddUser("Bob", false, ".hidden"); }), kUmErrBadFileName);
    EXPECT_EQ(codeOf([&] { store.AddUser("", false, ""); }), kUmErrInvalidUser);
    EXPECT_EQ(codeOf([&] { store.AddUser(std::string(65, 'a'), false, ""); }), kUmErrInvalidUser);
    EXPECT_EQ(codeOf([&] { store.RenameUser("Nobody", "X"); }), kUmErrNoUserFound);
    EXPECT_EQ(codeOf([&] { store.RemoveUser("Nobody"); }), kUmErrNoUserFound);

    // A derived directory avoids both other users and whatever is on disk.
    std::filesystem::create_directory(folder / "Bob");
    EXPECT_EQ(store.AddUser("Bob", false, "").strDirectory, "Bob2");
    EXPECT_EQ(store.AddUser("B.o.b!", false, "").strDirectory, "Bob3");
    EXPECT_EQ(store.AddUser("\xE9\xE8", false, "").strDirectory, "User");

    // Renaming to the same name in another case is the same user.
    store.RenameUser("Ann", "ANN");
    EXPECT_EQ(store.FindById(annId)->strName, "ANN");
    store.QueueInstall(annId, "a.pdb");
    store.QueueInstall(annId, "a.pdb");
    EXPECT_EQ(store.InstallQueue(annId).size(), 1u);
    EXPECT_TRUE(store.DequeueInstall(annId, "a.pdb"));
    EXPECT_FALSE(store.DequeueInstall(annId, "a.pdb"));
    store.QueueInstall(annId, "b.pdb");
    store.RemoveUser("ANN");
    EXPECT_EQ(store.FindById(annId), nullptr);
    EXPECT_TRUE(store.Installs().empty());
}

TEST(UserStoreFiles, SaveReplacesAtomicallyAndLeavesNoTemporaryFile)
{
    CTempFolder folder;
    CUserStore::Update(folder.Path(), true, [](CUserStore &store) { store.AddUser("Ann", 0, ""); });
    CUserStore::Update(
        folder.Path(), false, [](CUserStore &store) { store.AddUser("Bob", 0, ""); });
    CUserStore store(folder.Path());
    store.Load();
    EXPECT_EQ(store.Users().size(), 2u);
    std::vector<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(folder.Path()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string> { ".palmdesktop.lock", "users.dat" }));

    // A change that fails writes nothing.
    EXPECT_THROW(
        CUserStore::Update(folder.Path(), false, [](CUserStore &s) { s.AddUser("ann", 0, ""); }),
        CStoreError);
    store.Load();
    EXPECT_EQ(store.Users().size(), 2u);
}

TEST(UserStoreFiles, ConcurrentChangesFromManyProcessesAreAllKept)
{
    CTempFolder folder;
    CUserStore::Update(folder.Path(), true, [](CUserStore &) {});
    constexpr int kProcesses = 8;
    std::vector<pid_t> children;
    for (int i = 0; i < kProcesses; ++i) {
        pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            int status = 0;
            try {
                CUserStore::Update(folder.Path(), false, [i](CUserStore &store) {
                    store.AddUser("User " + std::to_string(i), false, "");
                });
            } catch (...) {
                status = 1;
            }
            ::_exit(status);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    CUserStore store(folder.Path());
    store.Load();
    EXPECT_EQ(store.Users().size(), static_cast<std::size_t>(kProcesses));
}

TEST(NotifierRegistryFormat, ParsesWhatItWritesAndRefusesDamage)
{
    CNotifierRegistry registry("/nowhere");
    registry.Parse("");
    registry.Register("/a.so");
    registry.Register("/b c.so");
    CNotifierRegistry copy("/nowhere");
    copy.Parse(registry.Serialize());
    EXPECT_EQ(copy.Paths(), registry.Paths());

    for (const char *damaged : { "notifier\t/a.so\n", "PalmDesktopNotifiers\t1\nnotifier\t\n",
             "PalmDesktopNotifiers\t1\nnotifier\t/a\nnotifier\t/a\n",
             "PalmDesktopNotifiers\t1\n/a.so\n", "# comment only\n" }) {
        CNotifierRegistry bad("/nowhere");
        try {
            bad.Parse(damaged);
            ADD_FAILURE() << damaged;
        } catch (const CStoreError &error) {
            EXPECT_EQ(error.Code(), kCmErrStoreAccess);
        }
    }
}

TEST(NotifierRegistryFormat, IsBounded)
{
    CNotifierRegistry registry("/nowhere");
    for (std::size_t i = 0; i < CNotifierRegistry::kMaxNotifiers; ++i)
        registry.Register("/n/" + std::to_string(i));
    try {
        registry.Register("/n/one-more");
        ADD_FAILURE();
    } catch (const CStoreError &error) {
        EXPECT_EQ(error.Code(), kCmErrTooMany);
    }
    std::string text = registry.Serialize() + "notifier\t/n/one-more\n";
    EXPECT_THROW(registry.Parse(text), CStoreError);
}

class DamagedUserFileTest : public CHotSyncFolderTest { };

TEST_F(DamagedUserFileTest, LibrariesReportItAndTheCommandLeavesItAlone)
{
    const std::string damaged = kHeader + "user\t7\t0\tAnn\tAnn\nuser\t7\t0\tBob\tBob\n";
    WriteFile(HotSync() + "/users.dat", damaged);

    CLoadedLibrary instaide(LibraryPath(kInstaideLibraryName));
    CLoadedLibrary userData(LibraryPath(kUserDataLibraryName));
    ASSERT_TRUE(instaide.IsLoaded() && userData.IsLoaded());
    SInstaide plt(instaide);
    SUserData um(userData);
    EXPECT_EQ(plt.getUserCount(), kUmErrUserDatAccess);
    EXPECT_EQ(um.getUserCount(), kUmErrUserDatAccess);
    uint32_t id = 0;
    EXPECT_EQ(plt.getUserIdFromName("Ann", &id), kUmErrUserDatAccess);
    std::string source = m_temp / "a.pdb";
    WriteFile(source, "x");
    EXPECT_EQ(plt.installFile("Ann", source.c_str()), kUmErrUserDatAccess);

    SCommandResult add = RunPalmDesktop({ "add", "Carl", "--folder", HotSync() });
    EXPECT_EQ(add.nExitCode, 1);
    EXPECT_NE(add.strErr.find("damaged at line 3: the user id is used twice"), std::string::npos)
        << add.strErr;
    SCommandResult setup = RunPalmDesktop({ "setup", HotSync(), "--user", "Carl" });
    EXPECT_EQ(setup.nExitCode, 1);
    EXPECT_EQ(ReadFile(HotSync() + "/users.dat"), damaged);

    // A file far too large is refused before it is read.
    WriteFile(HotSync() + "/users.dat", kHeader + std::string(2 << 20, '#'));
    EXPECT_EQ(plt.getUserCount(), kUmErrUserDatAccess);
}

} // namespace
