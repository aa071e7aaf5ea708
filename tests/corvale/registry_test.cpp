#include "kx_gen/AppRegistry.h"
#include "kx_gen/Registry.h"
#include "kx_gen/SettingsHive.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace kx_gen;
namespace fs = std::filesystem;

namespace {

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char folder[] = "/tmp/kx-settings-XXXXXX";
        ASSERT_TRUE(mkdtemp(folder));
        m_folder = folder;
        setenv("XDG_CONFIG_HOME", folder, 1);
    }
    void TearDown() override { fs::remove_all(m_folder); }

    std::string HivePath() const { return m_folder + "/Larkwell/current-user.hive"; }

    static std::string ReadFile(const std::string &path)
    {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    static void WriteFile(const std::string &path, const std::string &text)
    {
        fs::create_directories(fs::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << text;
    }

    // Runs `body` in a child process; its result is the exit status.
    static pid_t InChild(const std::function<int()> &body)
    {
        pid_t pid = fork();
        if (pid == 0)
            _exit(body());
        return pid;
    }
    static int Wait(pid_t pid)
    {
        int status = 0;
        waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::string m_folder;
};

} // namespace

TEST_F(SettingsTest, EveryValueTypeRoundTripsThroughTheFile)
{
    {
        CAppRegistry reg("Larkwell", "Idealoom");
        ASSERT_TRUE(reg.OpenSection("Preferences"));
        EXPECT_TRUE(reg.WriteString("Path", "/home/ann/Vellacor \xE9"));
        EXPECT_TRUE(reg.WriteString("Empty", ""));
        EXPECT_TRUE(reg.WriteInt("Max State", -2));
        unsigned char font[60];
        for (int i = 0; i < 60; ++i)
            font[i] = static_cast<unsigned char>(i * 7);
        EXPECT_TRUE(reg.WriteBinary("List font", font, sizeof font));
        EXPECT_TRUE(reg.WriteProfileStringA("BarState", "docked"));
        EXPECT_TRUE(reg.WriteProfileBinary("Settings", "\x01\x02", 2));
    }
    ASSERT_TRUE(fs::exists(HivePath()));
    EXPECT_EQ(fs::status(HivePath()).permissions() & fs::perms::all,
        fs::perms::owner_read | fs::perms::owner_write);

    CAppRegistry reg;
    reg.SetRegistryKey("LARKWELL", "idealoom"); // keys are case-insensitive
    EXPECT_STREQ(reg.GetAppRegistryKeyName(), "LARKWELL");
    EXPECT_STREQ(reg.GetAppProfileKeyName(), "idealoom");
    ASSERT_TRUE(reg.OpenSection("preferences"));
    _String text;
    EXPECT_TRUE(reg.ReadString("path", text));
    EXPECT_EQ(text, "/home/ann/Vellacor \xE9");
    EXPECT_TRUE(reg.ReadString("Empty", text));
    EXPECT_EQ(text, "");
    std::int32_t n = 0;
    EXPECT_TRUE(reg.ReadInt("Max State", n));
    EXPECT_EQ(n, -2);
    std::uint32_t size = 0;
    EXPECT_TRUE(reg.getBinaryDataSize("List font", size));
    EXPECT_EQ(size, 60u);
    unsigned char font[60] = {};
    EXPECT_TRUE(reg.ReadBinary("List font", font, sizeof font));
    EXPECT_EQ(font[59], static_cast<unsigned char>(59 * 7));
    EXPECT_TRUE(reg.ReadProfileString("BarState", text));
    EXPECT_EQ(text, "docked");
    char profile[2];
    EXPECT_FALSE(reg.ReadProfileBinary("Settings", profile, 2));

    // Strings are stored with their terminating 0.
    HKEY section = reg.GetSectionKey("Preferences");
    ASSERT_TRUE(section);
    std::uint32_t type = 0, stored = 0;
    EXPECT_EQ(RegQueryValue(section, "Path", &type, nullptr, &stored), kRegSuccess);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(stored, std::strlen("/home/ann/Vellacor \xE9") + 1);
    EXPECT_EQ(RegQueryValue(section, "Max State", &type, nullptr, &stored), kRegSuccess);
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(stored, 4u);
    RegCloseKey(section);

    EXPECT_TRUE(reg.WriteProfileStringA("BarState", nullptr));
    EXPECT_FALSE(reg.ReadProfileString("BarState", text));
}

TEST_F(SettingsTest, FailedReadsLeaveTheirOutputsUnchanged)
{
    CAppRegistry reg("Larkwell", "Idealoom");
    std::int32_t n = 77;
    _String text("keep");
    unsigned char block[4] = { 9, 9, 9, 9 };
    std::uint32_t size = 5;

    EXPECT_FALSE(reg.ReadInt("Max State", n)) << "no section open";
    EXPECT_FALSE(reg.WriteInt("Max State", 1));

    ASSERT_TRUE(reg.OpenSection("Preferences"));
    EXPECT_FALSE(reg.ReadInt("Missing", n));
    EXPECT_FALSE(reg.ReadString("Missing", text));
    EXPECT_FALSE(reg.ReadBinary("Missing", block, 4));
    EXPECT_FALSE(reg.getBinaryDataSize("Missing", size));
    EXPECT_FALSE(reg.ReadProfileString("Missing", text));

    // Values of another type or size are not read either.
    ASSERT_TRUE(reg.WriteString("Text", "abc"));
    ASSERT_TRUE(reg.WriteInt("Number", 5));
    ASSERT_TRUE(reg.WriteBinary("Block", "\x01\x02\x03\x04\x05", 5));
    EXPECT_FALSE(reg.ReadInt("Text", n));
    EXPECT_FALSE(reg.ReadString("Number", text));
    EXPECT_FALSE(reg.ReadBinary("Block", block, 4)) << "five bytes do not fit four";
    EXPECT_FALSE(reg.ReadInt("Block", n));

    EXPECT_EQ(n, 77);
    EXPECT_EQ(text, "keep");
    EXPECT_EQ(block[0], 9);
    EXPECT_EQ(size, 5u);

    CAppRegistry noCompany;
    EXPECT_FALSE(noCompany.OpenSection("Preferences"));
    EXPECT_EQ(noCompany.GetAppRegistryKey(), nullptr);
}

TEST_F(SettingsTest, DeleteRegValuesDeletesTheNumberedValues)
{
    CAppRegistry reg("Larkwell", "Idealoom");
    ASSERT_TRUE(reg.OpenSection("Open Files"));
    for (int i = 0; i < 4; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "File%d", i);
        ASSERT_TRUE(reg.WriteString(name, "x.kxo"));
    }
    ASSERT_TRUE(reg.WriteString("File", "keep"));

    EXPECT_TRUE(reg.deleteRegValues("File%d", 5)) << "File4 is missing: no failure";
    _String text;
    EXPECT_FALSE(reg.ReadString("File0", text));
    EXPECT_FALSE(reg.ReadString("File2", text));
    EXPECT_FALSE(reg.ReadString("File3", text));
    EXPECT_TRUE(reg.ReadString("File", text));

    ASSERT_TRUE(reg.WriteString("File0", "x"));
    EXPECT_FALSE(reg.deleteRegValues("File%s", 1));
    EXPECT_FALSE(reg.deleteRegValues("File%d%d", 1));
    EXPECT_TRUE(reg.ReadString("File0", text)) << "a bad format deletes nothing";

    EXPECT_TRUE(reg.DeleteValue("File0"));
    EXPECT_FALSE(reg.DeleteValue("File0"));
}

TEST_F(SettingsTest, AnyKeyPathCanBeReadAndWritten)
{
    // The way the program finds Palm Desktop's folder.
    HKEY core = nullptr;
    EXPECT_EQ(RegOpenKey(HKEY_CURRENT_USER, "Software\\U.S. Robotics\\Pilot Desktop\\Core",
                  KEY_ALL_ACCESS, &core),
        kRegNotFound);
    EXPECT_EQ(core, nullptr);
    bool created = false;
    ASSERT_EQ(RegCreateKey(HKEY_CURRENT_USER, "Software\\U.S. Robotics\\Pilot Desktop\\Core",
                  KEY_ALL_ACCESS, &core, &created),
        kRegSuccess);
    EXPECT_TRUE(created);
    ASSERT_EQ(RegSetString(core, "HotSyncPath", "/home/ann/Palm/HotSync.exe"), kRegSuccess);
    RegCloseKey(core);

    ASSERT_EQ(RegOpenKey(HKEY_CURRENT_USER, "software\\u.s. robotics\\PILOT DESKTOP\\core",
                  KEY_READ, &core),
        kRegSuccess);
    char buffer[1024];
    std::uint32_t size = sizeof buffer, type = 0;
    ASSERT_EQ(RegQueryValue(core, "HotSyncPath", &type, buffer, &size), kRegSuccess);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_STREQ(buffer, "/home/ann/Palm/HotSync.exe");
    EXPECT_EQ(size, std::strlen(buffer) + 1);

    char small[4] = { 'k', 'e', 'e', 'p' };
    size = sizeof small;
    EXPECT_EQ(RegQueryValue(core, "HotSyncPath", &type, small, &size), kRegMoreData);
    EXPECT_EQ(size, std::strlen(buffer) + 1);
    EXPECT_EQ(std::memcmp(small, "keep", 4), 0);

    EXPECT_EQ(RegSetString(core, "x", "y"), kRegAccessDenied) << "opened for reading only";
    HKEY child = nullptr;
    EXPECT_EQ(RegCreateKey(core, "Child", KEY_READ, &child), kRegAccessDenied);

    _String name;
    HKEY software = nullptr;
    ASSERT_EQ(RegOpenKey(HKEY_CURRENT_USER, "Software", KEY_ALL_ACCESS, &software), kRegSuccess);
    EXPECT_EQ(RegEnumKey(software, 0, &name), kRegSuccess);
    EXPECT_EQ(name, "U.S. Robotics");
    EXPECT_EQ(RegEnumKey(software, 1, &name), kRegNoMoreItems);
    EXPECT_EQ(RegEnumValue(core, 0, &name, &type), kRegSuccess);
    EXPECT_EQ(name, "HotSyncPath");

    // A key deleted under an open handle reports it; a closed handle is refused.
    EXPECT_EQ(RegDeleteTree(software, "u.s. robotics"), kRegSuccess);
    EXPECT_EQ(RegQueryValue(core, "HotSyncPath", &type, nullptr, &size), kRegKeyDeleted);
    EXPECT_EQ(RegSetString(software, "still", "here"), kRegSuccess);
    RegCloseKey(core);
    RegCloseKey(software);
    EXPECT_EQ(RegCloseKey(core), kRegInvalidHandle);
}

TEST_F(SettingsTest, TheHiveFollowsTheEnvironment)
{
    EXPECT_EQ(GetSettingsHivePath(), HivePath().c_str());
    setenv("XDG_CONFIG_HOME", "relative/path", 1);
    setenv("HOME", m_folder.c_str(), 1);
    EXPECT_EQ(GetSettingsHivePath(), (m_folder + "/.config/Larkwell/current-user.hive").c_str());
}

TEST_F(SettingsTest, ADamagedHiveIsKeptAsideAndTheStoreStartsEmpty)
{
    const std::string damaged = "KXHIVE 1\n[Software]\n\"x\"=dword:zz\n";
    WriteFile(HivePath(), damaged);

    CAppRegistry reg("Larkwell", "Idealoom");
    ASSERT_TRUE(reg.OpenSection("Preferences"));
    std::int32_t n = 5;
    EXPECT_FALSE(reg.ReadInt("x", n));
    EXPECT_TRUE(reg.WriteInt("Max State", 1));

    int asideCount = 0;
    for (const auto &entry : fs::directory_iterator(m_folder + "/Larkwell")) {
        std::string file = entry.path().filename();
        if (file.rfind("current-user.hive.damaged-", 0) == 0) {
            ++asideCount;
            EXPECT_EQ(ReadFile(entry.path()), damaged);
        }
    }
    EXPECT_EQ(asideCount, 1);
    CSettingsHive hive;
    std::string text = ReadFile(HivePath());
    EXPECT_EQ(hive.Parse(text.data(), text.size()), CSettingsHive::kParsed);
    EXPECT_TRUE(reg.ReadInt("Max State", n));
    EXPECT_EQ(n, 1);
}

TEST_F(SettingsTest, AHiveOfANewerFormatIsNeitherReadNorReplaced)
{
    const std::string newer = "KXHIVE 7\nwhatever comes later\n";
    WriteFile(HivePath(), newer);
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKey(HKEY_CURRENT_USER, "Software", KEY_READ, &key), kRegNotFound);
    EXPECT_EQ(RegCreateKey(HKEY_CURRENT_USER, "Software", KEY_READ, &key), kRegAccessDenied);
    EXPECT_EQ(ReadFile(HivePath()), newer);
}

TEST_F(SettingsTest, ChangesOfAnotherProcessAreSeen)
{
    CAppRegistry reg("Larkwell", "Idealoom");
    ASSERT_TRUE(reg.OpenSection("Users"));
    ASSERT_TRUE(reg.WriteString("Active User", "ann"));
    _String text;
    ASSERT_TRUE(reg.ReadString("Active User", text));

    pid_t child = InChild([] {
        CAppRegistry other("Larkwell", "Idealoom");
        return other.OpenSection("Users") && other.WriteString("Active User", "bob") ? 0 : 1;
    });
    ASSERT_EQ(Wait(child), 0);
    ASSERT_TRUE(reg.ReadString("Active User", text));
    EXPECT_EQ(text, "bob");
}

TEST_F(SettingsTest, ConcurrentWritersLoseNoValue)
{
    constexpr int kProcesses = 3;
    constexpr int kThreads = 2;
    constexpr int kValues = 60;
    auto writeValues = [](int writer) {
        CAppRegistry reg("Larkwell", "Idealoom");
        if (!reg.OpenSection("Stress"))
            return 1;
        for (int i = 0; i < kValues; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "W%d-%d", writer, i);
            if (!reg.WriteInt(name, writer * 1000 + i))
                return 2;
        }
        return 0;
    };

    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p)
        children.push_back(InChild([&, p] {
            // Threads of one process share its cache and must not lose values either.
            std::vector<std::thread> threads;
            int failures[kThreads] = {};
            for (int t = 0; t < kThreads; ++t)
                threads.emplace_back([&, t] { failures[t] = writeValues(p * kThreads + t); });
            for (auto &t : threads)
                t.join();
            for (int f : failures)
                if (f)
                    return f;
            return 0;
        }));
    for (pid_t pid : children)
        EXPECT_EQ(Wait(pid), 0);

    CAppRegistry reg("Larkwell", "Idealoom");
    ASSERT_TRUE(reg.OpenSection("Stress"));
    int found = 0;
    for (int w = 0; w < kProcesses * kThreads; ++w)
        for (int i = 0; i < kValues; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "W%d-%d", w, i);
            std::int32_t n = -1;
            if (reg.ReadInt(name, n) && n == w * 1000 + i)
                ++found;
        }
    EXPECT_EQ(found, kProcesses * kThreads * kValues);
    EXPECT_FALSE(fs::exists(HivePath() + ".tmp"));
}
