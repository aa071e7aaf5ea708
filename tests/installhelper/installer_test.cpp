#include "TavishTestSupport.h"

#include "kx_gen/MessageWindow.h"
#include "kx_gen/OneAppInstance.h"
#include "kx_gen/Registry.h"

#include <filesystem>

using namespace tavishtest;

namespace {

// The installer run end to end in a temporary home: its own settings store,
// data folders, desktop and run-time folder, and a HotSync folder made by
// palm-desktop with the user "Ann".
class InstallerTest : public TavishTest {
protected:
    void SetUp() override
    {
        TavishTest::SetUp();
        ::setenv("HOME", m_temp.Path().c_str(), 1);
        ::setenv("XDG_DATA_HOME", (m_temp / "data").c_str(), 1);
        MakeFolder(Package());
        WriteFile(Package() + "/Welcome.kxo", "welcome");
        WriteFile(Package() + "/Packing list.kxo", "packing");
        WriteFile(Package() + "/handheld.lst", "Welcome.kxo\r\n\r\nPacking list.kxo\r\n");
        WriteFile(Package() + "/Weekly.kxt", "weekly");
        WriteFile(Package() + "/templates.lst", "Weekly.kxt\n");
        std::filesystem::copy_file(
            TEST_LIB_DIR "/libFixtureNotifier.so", Package() + "/libKXNotify.so");
    }

    void SetUpPalmDesktop()
    {
        SCommandResult setup = RunPalmDesktop({ "setup", HotSync(), "--user", "Ann" });
        ASSERT_EQ(setup.nExitCode, 0) << setup.strErr;
    }

    std::string HotSync() const { return m_temp / "HotSync"; }
    std::string Package() const { return m_temp / "package"; }
    std::string MenuEntry() const { return m_temp / "data/applications/Vellacor.desktop"; }
    std::string DesktopEntry() const { return m_temp / "Desktop/Vellacor.desktop"; }
    bool IsNotifierRegistered() const
    {
        return ReadFile(HotSync() + "/notifiers.dat").find(HotSync() + "/libKXNotify.so")
            != std::string::npos;
    }
    bool IsCountedAsNotifierUser() const
    {
        kx_gen::HKEY key = nullptr;
        if (kx_gen::RegOpenKey(
                kx_gen::HKEY_CURRENT_USER, "Software\\Larkwell\\Notifier", kx_gen::KEY_READ, &key)
            != kx_gen::kRegSuccess)
            return false;
        std::uint32_t count = 1;
        bool counted = kx_gen::RegGetDword(key, "Vellacor", &count) == kx_gen::kRegSuccess;
        kx_gen::RegCloseKey(key);
        return counted;
    }

    static SCommandResult RunInstaller(const std::vector<std::string> &args)
    {
        return vellacortest::RunBuiltCommand("vellacor-setup", args);
    }

    std::vector<std::string> FullInstall() const
    {
        return { "install", "--user", "Ann", "--handheld-files", Package() + "/handheld.lst",
            "--files", Package() + "/templates.lst", "--to", m_temp / "templates", "--notifier",
            Package() + "/libKXNotify.so", "--target", "/usr/bin/vellacor", "--desktop" };
    }
};

TEST_F(InstallerTest, InstallsAndUninstallsEverything)
{
    SetUpPalmDesktop();
    SCommandResult install = RunInstaller(FullInstall());
    ASSERT_EQ(install.nExitCode, 0) << install.strErr;
    EXPECT_EQ(ReadFile(HotSync() + "/Ann/Install/Welcome.kxo"), "welcome");
    EXPECT_EQ(ReadFile(HotSync() + "/Ann/Install/Packing list.kxo"), "packing");
    EXPECT_EQ(ReadFile(m_temp / "templates/Weekly.kxt"), "weekly");
    EXPECT_TRUE(Exists(HotSync() + "/libKXNotify.so"));
    EXPECT_TRUE(IsNotifierRegistered());
    EXPECT_TRUE(IsCountedAsNotifierUser());
    EXPECT_NE(ReadFile(MenuEntry()).find("\nExec=/usr/bin/vellacor %F\n"), std::string::npos);
    EXPECT_TRUE(Exists(DesktopEntry()));
    EXPECT_NE(install.strOut.find("Queued 2 file(s) for Ann's handheld"), std::string::npos);
    EXPECT_EQ(std::system(("desktop-file-validate '" + MenuEntry() + "'").c_str()), 0);

    // Installing again over the first installation is harmless.
    SCommandResult again = RunInstaller(FullInstall());
    EXPECT_EQ(again.nExitCode, 0) << again.strErr;

    SCommandResult uninstall = RunInstaller({ "uninstall", "--notifier", "libKXNotify.so" });
    ASSERT_EQ(uninstall.nExitCode, 0) << uninstall.strErr;
    EXPECT_FALSE(IsNotifierRegistered());
    EXPECT_FALSE(IsCountedAsNotifierUser());
    EXPECT_FALSE(Exists(HotSync() + "/libKXNotify.so"));
    EXPECT_FALSE(Exists(MenuEntry()));
    EXPECT_FALSE(Exists(DesktopEntry()));
}

TEST_F(InstallerTest, RefusesWhileTheProgramRuns)
{
    SetUpPalmDesktop();
    kx_gen::COneAppInstance program;
    ASSERT_TRUE(program.Listen(
        kx_gen::RegisterWindowMessage("UWM_ARE_YOU_ME-{5B2E91D4-3C7A-4f0e-B816-2D94A0C7E153}"),
        [] {}));
    SCommandResult install = RunInstaller(FullInstall());
    EXPECT_EQ(install.nExitCode, 2);
    EXPECT_NE(install.strErr.find("Vellacor is running"), std::string::npos);
    EXPECT_FALSE(Exists(HotSync() + "/Ann/Install"));
    EXPECT_FALSE(Exists(MenuEntry()));
    EXPECT_FALSE(IsNotifierRegistered());
}

TEST_F(InstallerTest, StopsAtTheFirstFailureNamingTheFile)
{
    SetUpPalmDesktop();
    std::filesystem::remove(Package() + "/Packing list.kxo");
    SCommandResult install = RunInstaller(FullInstall());
    EXPECT_EQ(install.nExitCode, 3);
    EXPECT_NE(install.strErr.find("\"Packing list.kxo\" could not be queued for Ann's handheld"),
        std::string::npos)
        << install.strErr;
    EXPECT_FALSE(Exists(HotSync() + "/Ann/Install/Welcome.kxo"));
    EXPECT_FALSE(Exists(m_temp / "templates"));
    EXPECT_FALSE(Exists(MenuEntry()));
}

TEST_F(InstallerTest, WithoutPalmDesktopOnlyTheDesktopSideIsInstalled)
{
    SCommandResult outlines = RunInstaller(FullInstall());
    EXPECT_EQ(outlines.nExitCode, 3);
    EXPECT_NE(outlines.strErr.find("Palm Desktop is not set up"), std::string::npos);

    SCommandResult install = RunInstaller({ "install", "--notifier", Package() + "/libKXNotify.so",
        "--target", "/usr/bin/vellacor" });
    EXPECT_EQ(install.nExitCode, 0) << install.strErr;
    EXPECT_NE(install.strOut.find("the HotSync notifier is not registered"), std::string::npos);
    EXPECT_TRUE(Exists(MenuEntry()));
}

TEST_F(InstallerTest, WrongUseIsExplained)
{
    for (const std::vector<std::string> &args : std::vector<std::vector<std::string>> { {},
             { "reinstall" }, { "install", "--bogus" }, { "install", "--user" },
             { "install", "--files", "x.lst" }, { "install", "--handheld-files", "x.lst" } }) {
        SCommandResult run = RunInstaller(args);
        EXPECT_EQ(run.nExitCode, 1);
        EXPECT_FALSE(run.strErr.empty());
    }
    EXPECT_FALSE(Exists(MenuEntry()));
}

} // namespace
