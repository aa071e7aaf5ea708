#include "PalmTestSupport.h"

#include <cstring>
#include <filesystem>

#include <unistd.h>

using namespace palmtest;

namespace {

class InstaideTest : public CHotSyncFolderTest {
protected:
    void SetUp() override
    {
        CHotSyncFolderTest::SetUp();
        m_library = std::make_unique<CLoadedLibrary>(LibraryPath(kInstaideLibraryName));
        ASSERT_TRUE(m_library->IsLoaded()) << m_library->Error();
        m_plt = std::make_unique<SInstaide>(*m_library);
    }

    std::string UserAt(uint16_t index, int32_t &result)
    {
        return FetchText([&](char *b, int16_t *s) { return m_plt->getUser(index, b, s); }, result);
    }
    std::string DirectoryOf(const char *name, int32_t &result)
    {
        return FetchText(
            [&](char *b, int16_t *s) { return m_plt->getUserDirectory(name, b, s); }, result);
    }

    std::unique_ptr<CLoadedLibrary> m_library;
    std::unique_ptr<SInstaide> m_plt;
};

TEST_F(InstaideTest, ExportsEveryEntryPoint)
{
    EXPECT_TRUE(m_plt->getUserCount && m_plt->getUser && m_plt->getUserIdFromName
        && m_plt->getUserDirectory && m_plt->isUserProfile && m_plt->installFile);
}

TEST_F(InstaideTest, EnumeratesUsersWithIdsDirectoriesAndProfiles)
{
    ASSERT_EQ(m_plt->getUserCount(), 2);
    int32_t result = 0;
    EXPECT_EQ(UserAt(0, result), "Ann");
    EXPECT_EQ(UserAt(1, result), "Bob Smith");

    uint32_t annId = 0;
    uint32_t bobId = 0;
    EXPECT_EQ(m_plt->getUserIdFromName("Ann", &annId), kUmOk);
    EXPECT_EQ(m_plt->getUserIdFromName("Bob Smith", &bobId), kUmOk);
    EXPECT_NE(annId, 0u);
    EXPECT_NE(bobId, 0u);
    EXPECT_NE(annId, bobId);

    std::string annFolder = DirectoryOf("Ann", result);
    EXPECT_EQ(result, kUmOk);
    EXPECT_EQ(annFolder, HotSync() + "/Ann");
    EXPECT_TRUE(std::filesystem::is_directory(annFolder));
    EXPECT_EQ(DirectoryOf("Bob Smith", result), HotSync() + "/BobSmith");

    EXPECT_EQ(m_plt->isUserProfile("Ann"), 0);
    EXPECT_EQ(m_plt->isUserProfile("Bob Smith"), 1);
}

TEST_F(InstaideTest, SizeWordFollowsTheBufferConvention)
{
    char buffer[16];
    std::memset(buffer, 'x', sizeof buffer);

    // "Ann" needs 4 bytes: 3 are too few, nothing is written, the word says 4.
    int16_t size = 3;
    EXPECT_EQ(m_plt->getUser(0, buffer, &size), kUmErrBufferTooSmall);
    EXPECT_EQ(size, 4);
    EXPECT_EQ(buffer[0], 'x');

    size = 4;
    EXPECT_EQ(m_plt->getUser(0, buffer, &size), kUmOk);
    EXPECT_EQ(size, 3);
    EXPECT_STREQ(buffer, "Ann");

    for (int16_t bad : { int16_t(0), int16_t(-1) }) {
        size = bad;
        EXPECT_EQ(m_plt->getUser(0, buffer, &size), kUmErrBufferTooSmall);
        EXPECT_EQ(size, 4);
    }

    std::string folder = HotSync() + "/Ann";
    size = static_cast<int16_t>(folder.size());
    EXPECT_EQ(m_plt->getUserDirectory("Ann", buffer, &size), kUmErrBufferTooSmall);
    EXPECT_EQ(size, static_cast<int16_t>(folder.size() + 1));
}

TEST_F(InstaideTest, BadArgumentsGiveTheirErrorCodes)
{
    int32_t result = 0;
    UserAt(2, result);
    EXPECT_EQ(result, kUmErrInvalidUser);
    UserAt(0xFFFF, result);
    EXPECT_EQ(result, kUmErrInvalidUser);

    uint32_t id = 77;
    EXPECT_EQ(m_plt->getUserIdFromName("Nobody", &id), kUmErrNoUserFound);
    EXPECT_EQ(id, 77u);
    // Names compare exactly, as the program's own lookup does.
    EXPECT_EQ(m_plt->getUserIdFromName("ann", &id), kUmErrNoUserFound);
    DirectoryOf("Nobody", result);
    EXPECT_EQ(result, kUmErrNoUserFound);
    EXPECT_EQ(m_plt->isUserProfile("Nobody"), kUmErrNoUserFound);

    char buffer[8];
    int16_t size = sizeof buffer;
    EXPECT_EQ(m_plt->getUser(0, nullptr, &size), kUmErrInvalidPointer);
    EXPECT_EQ(m_plt->getUser(0, buffer, nullptr), kUmErrInvalidPointer);
    EXPECT_EQ(m_plt->getUserIdFromName(nullptr, &id), kUmErrInvalidPointer);
    EXPECT_EQ(m_plt->getUserIdFromName("Ann", nullptr), kUmErrInvalidPointer);
    EXPECT_EQ(m_plt->getUserDirectory(nullptr, buffer, &size), kUmErrInvalidPointer);
    EXPECT_EQ(m_plt->isUserProfile(nullptr), kUmErrInvalidPointer);
    EXPECT_EQ(m_plt->installFile(nullptr, "x"), kUmErrInvalidPointer);
}

TEST_F(InstaideTest, MissingUserFileAndMissingDirectoryAreReported)
{
    std::filesystem::remove_all(HotSync() + "/Ann");
    int32_t result = 0;
    DirectoryOf("Ann", result);
    EXPECT_EQ(result, kUmErrNoDirectory);

    std::filesystem::remove(HotSync() + "/users.dat");
    EXPECT_EQ(m_plt->getUserCount(), kUmErrNoUserDatFile);
    UserAt(0, result);
    EXPECT_EQ(result, kUmErrNoUserDatFile);
}

TEST_F(InstaideTest, EmptyUserFileHasNoUsers)
{
    ASSERT_EQ(RunPalmDesktop({ "remove", "Ann", "--folder", HotSync() }).nExitCode, 0);
    ASSERT_EQ(RunPalmDesktop({ "remove", "Bob Smith", "--folder", HotSync() }).nExitCode, 0);
    EXPECT_EQ(m_plt->getUserCount(), 0);
    int32_t result = 0;
    UserAt(0, result);
    EXPECT_EQ(result, kUmErrNoUsers);
}

TEST_F(InstaideTest, SeesChangesMadeWhileLoaded)
{
    // The program compares a fresh enumeration with its list when it regains
    // the foreground, so the library must not cache the user file.
    uint32_t before = 0;
    ASSERT_EQ(m_plt->getUserIdFromName("Ann", &before), kUmOk);
    ASSERT_EQ(RunPalmDesktop({ "rename", "Ann", "Anna", "--folder", HotSync() }).nExitCode, 0);
    ASSERT_EQ(RunPalmDesktop({ "add", "Carl", "--folder", HotSync() }).nExitCode, 0);

    EXPECT_EQ(m_plt->getUserCount(), 3);
    int32_t result = 0;
    EXPECT_EQ(UserAt(0, result), "Anna");
    EXPECT_EQ(UserAt(2, result), "Carl");
    uint32_t after = 0;
    EXPECT_EQ(m_plt->getUserIdFromName("Anna", &after), kUmOk);
    EXPECT_EQ(after, before);
    EXPECT_EQ(DirectoryOf("Anna", result), HotSync() + "/Ann");
}

TEST_F(InstaideTest, LoadedByRelativePathKeepsItsFolderAfterTheDirectoryChanges)
{
    // The loader makes the HotSync folder current while it loads a library and
    // then goes back; the library must still find its user file.
    CTempFolder second;
    ASSERT_EQ(RunPalmDesktop({ "setup", second.Path(), "--user", "Dana" }).nExitCode, 0);
    std::string previous = std::filesystem::current_path().string();
    ASSERT_EQ(::chdir(second.Path().c_str()), 0);
    CLoadedLibrary relative(std::string("./") + kInstaideLibraryName);
    ASSERT_EQ(::chdir(previous.c_str()), 0);
    ASSERT_TRUE(relative.IsLoaded()) << relative.Error();

    SInstaide plt(relative);
    ASSERT_EQ(plt.getUserCount(), 1);
    char buffer[1024];
    int16_t size = sizeof buffer;
    ASSERT_EQ(plt.getUserDirectory("Dana", buffer, &size), kUmOk);
    EXPECT_EQ(std::string(buffer), second.Path() + "/Dana");
    // The first folder's library is a separate copy with its own users.
    EXPECT_EQ(m_plt->getUserCount(), 2);
}

class InstallFileTest : public InstaideTest {
protected:
    std::string InstallFolder() const { return HotSync() + "/Ann/Install"; }
};

TEST_F(InstallFileTest, CopiesIntoTheInstallFolderAndRecordsOnce)
{
    std::string source = m_temp / "Memo.pdb";
    WriteFile(source, "first");
    ASSERT_EQ(m_plt->installFile("Ann", source.c_str()), kUmOk);
    EXPECT_EQ(ReadFile(InstallFolder() + "/Memo.pdb"), "first");

    // A second install of the same name replaces the queued copy.
    WriteFile(source, "second version");
    ASSERT_EQ(m_plt->installFile("Ann", source.c_str()), kUmOk);
    EXPECT_EQ(ReadFile(InstallFolder() + "/Memo.pdb"), "second version");

    std::string users = ReadFile(HotSync() + "/users.dat");
    EXPECT_EQ(users.find("\tMemo.pdb\n"), users.rfind("\tMemo.pdb\n"));
    EXPECT_NE(users.find("\tMemo.pdb\n"), std::string::npos);
    SCommandResult list = RunPalmDesktop({ "list", "--folder", HotSync() });
    EXPECT_NE(list.strOut.find("/Ann\t1\n"), std::string::npos) << list.strOut;
    EXPECT_NE(list.strOut.find("/BobSmith\t0\n"), std::string::npos) << list.strOut;

    // No temporary file is left beside the copy.
    int entries = 0;
    for (const auto &entry : std::filesystem::directory_iterator(InstallFolder()))
        entries += entry.is_regular_file();
    EXPECT_EQ(entries, 1);
}

TEST_F(InstallFileTest, RefusesWhatCannotBeInstalled)
{
    std::string missing = m_temp / "missing.pdb";
    EXPECT_EQ(m_plt->installFile("Ann", missing.c_str()), kUmErrBadFileName);
    EXPECT_EQ(m_plt->installFile("Ann", m_temp.Path().c_str()), kUmErrBadFileName);
    EXPECT_EQ(m_plt->installFile("Ann", (m_temp.Path() + "/").c_str()), kUmErrBadFileName);
    EXPECT_EQ(m_plt->installFile("Ann", ""), kUmErrBadFileName);

    std::string source = m_temp / "Memo.pdb";
    WriteFile(source, "data");
    EXPECT_EQ(m_plt->installFile("Nobody", source.c_str()), kUmErrNoUserFound);
    EXPECT_FALSE(Exists(InstallFolder() + "/missing.pdb"));
    EXPECT_EQ(ReadFile(HotSync() + "/users.dat").find("install\t"), std::string::npos);
}

} // namespace
