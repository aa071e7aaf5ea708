#include "PalmTestSupport.h"

#include "kx_gen/Registry.h"

#include <filesystem>

using namespace palmtest;

namespace {

// Reads "HotSyncPath" the way the program does: open the core key, accept
// only a plain string value that fits the program's 1024-byte buffer.
std::string HotSyncPathSetting()
{
    using namespace kx_gen;
    HKEY core = nullptr;
    if (RegOpenKey(HKEY_CURRENT_USER, kPalmCoreKey, KEY_ALL_ACCESS, &core) != kRegSuccess)
        return "<no key>";
    char buffer[1024] = {};
    std::uint32_t size = sizeof buffer;
    std::uint32_t type = REG_NONE;
    long result = RegQueryValue(core, kHotSyncPathValue, &type, buffer, &size);
    RegCloseKey(core);
    if (result != kRegSuccess || type != REG_SZ)
        return "<no string value>";
    return buffer;
}

class HotSyncPathTest : public CHotSyncFolderTest { };

TEST_F(HotSyncPathTest, SetupNamesTheFolderInTheSettingsStore)
{
    EXPECT_EQ(HotSyncPathSetting(), HotSync());
    std::string hive = kx_gen::GetSettingsHivePath().str();
    EXPECT_EQ(hive.rfind(m_temp / "config/Larkwell/", 0), 0u) << hive;
    EXPECT_TRUE(Exists(hive));
}

TEST_F(HotSyncPathTest, LibrariesFoundThroughTheSettingsStoreListBothUsers)
{
    // The program's path: settings store -> HotSync folder -> library by path.
    std::string folder = HotSyncPathSetting();
    CLoadedLibrary library(folder + "/" + kInstaideLibraryName);
    ASSERT_TRUE(library.IsLoaded()) << library.Error();
    SInstaide plt(library);
    ASSERT_EQ(plt.getUserCount(), 2);
    int32_t result = 0;
    for (uint16_t index = 0; index < 2; ++index) {
        std::string name
            = FetchText([&](char *b, int16_t *s) { return plt.getUser(index, b, s); }, result);
        std::string directory = FetchText(
            [&](char *b, int16_t *s) { return plt.getUserDirectory(name.c_str(), b, s); }, result);
        EXPECT_EQ(result, kUmOk) << name;
        EXPECT_EQ(directory.rfind(folder + "/", 0), 0u) << directory;
        EXPECT_TRUE(std::filesystem::is_directory(directory));
    }
}

TEST_F(HotSyncPathTest, CommandsWithoutAFolderUseTheNamedOne)
{
    SCommandResult add = RunPalmDesktop({ "add", "Carl" });
    ASSERT_EQ(add.nExitCode, 0) << add.strErr;
    EXPECT_TRUE(std::filesystem::is_directory(HotSync() + "/Carl"));
    EXPECT_NE(RunPalmDesktop({ "list" }).strOut.find("Carl\t"), std::string::npos);

    // A second setup points the store at the new folder.
    std::string other = m_temp / "Other";
    ASSERT_EQ(RunPalmDesktop({ "setup", other + "/./", "--user", "Dana" }).nExitCode, 0);
    EXPECT_EQ(HotSyncPathSetting(), other);
    EXPECT_EQ(RunPalmDesktop({ "list" }).strOut.find("Carl"), std::string::npos);
}

TEST_F(HotSyncPathTest, WithoutASettingCommandsAskForAFolder)
{
    ::setenv("XDG_CONFIG_HOME", (m_temp / "empty-config").c_str(), 1);
    SCommandResult list = RunPalmDesktop({ "list" });
    EXPECT_EQ(list.nExitCode, 1);
    EXPECT_NE(list.strErr.find("names no HotSync folder"), std::string::npos) << list.strErr;
}

TEST_F(HotSyncPathTest, PathTooLongForTheProgramIsRefusedBeforeAnyChange)
{
    std::string deep = m_temp.Path();
    while (deep.size() < 1030)
        deep += "/abcdefghijklmnopqrstuvwxyz";
    SCommandResult setup = RunPalmDesktop({ "setup", deep, "--user", "Eve" });
    EXPECT_EQ(setup.nExitCode, 1);
    EXPECT_NE(setup.strErr.find("longer than 1023 bytes"), std::string::npos) << setup.strErr;
    EXPECT_FALSE(Exists(m_temp / "abcdefghijklmnopqrstuvwxyz"));
    EXPECT_EQ(HotSyncPathSetting(), HotSync());
}

} // namespace
