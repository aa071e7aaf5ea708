#include "MirrickTestSupport.h"

#include "kx_gen/Registry.h"
#include "palmdesktop/PalmDesktop.h"

#include <filesystem>
#include <vector>

using namespace mirricktest;

namespace {

constexpr char kNotifierFile[] = "libKXNotify.so";

// A HotSync folder made by palm-desktop, with a notifier copied into it as
// the installer copies it before registering.
class RegistrationTest : public MirrickTest {
protected:
    void SetUp() override
    {
        MirrickTest::SetUp();
        SCommandResult setup = RunPalmDesktop({ "setup", HotSync(), "--user", "Ann" });
        ASSERT_EQ(setup.nExitCode, 0) << setup.strErr;
        std::filesystem::copy_file(TEST_LIB_DIR "/libFixtureNotifier.so", Notifier());
    }

    std::string HotSync() const { return m_temp / "HotSync"; }
    std::string Notifier() const { return HotSync() + "/" + kNotifierFile; }
    std::string Registry() const { return ReadFile(HotSync() + "/notifiers.dat"); }
    bool IsRegistered() const { return Registry().find(Notifier()) != std::string::npos; }

    int Register(const char *application)
    {
        return registerNotifier(application, HotSync().c_str(), kNotifierFile);
    }
    int Unregister(const char *application)
    {
        return unregisterNotifier(application, HotSync().c_str(), kNotifierFile);
    }

    // The values of the notifier key as "name:type", in the key's order.
    std::vector<std::string> Values() const
    {
        std::vector<std::string> values;
        kx_gen::HKEY key = nullptr;
        if (kx_gen::RegOpenKey(kx_gen::HKEY_CURRENT_USER, kNotifierKey, kx_gen::KEY_READ, &key)
            != kx_gen::kRegSuccess)
            return values;
        kx_gen::_String name;
        std::uint32_t type = 0;
        for (std::uint32_t i = 0; kx_gen::RegEnumValue(key, i, &name, &type) == kx_gen::kRegSuccess;
             ++i)
            values.push_back(name.str() + ":" + std::to_string(type));
        kx_gen::RegCloseKey(key);
        return values;
    }

    void DamageRegistry() { WriteFile(HotSync() + "/notifiers.dat", "not a registry\n"); }
};

using Names = std::vector<std::string>;

TEST_F(RegistrationTest, CountsApplicationsAndRemovesTheNotifierWithTheLast)
{
    EXPECT_EQ(Register("Vellacor"), kMirrickOk);
    EXPECT_EQ(Register("Vellacor"), kMirrickOk);
    EXPECT_EQ(Values(), (Names { "Vellacor:4" }));
    EXPECT_TRUE(IsRegistered());
    EXPECT_EQ(Registry().find(Notifier()), Registry().rfind(Notifier()));

    EXPECT_EQ(Register("Planner"), kMirrickOk);
    EXPECT_EQ(Values(), (Names { "Planner:4", "Vellacor:4" }));

    EXPECT_EQ(Unregister("Vellacor"), kMirrickOk);
    EXPECT_EQ(Values(), (Names { "Planner:4" }));
    EXPECT_TRUE(IsRegistered());
    EXPECT_TRUE(Exists(Notifier()));

    EXPECT_EQ(Unregister("Planner"), kMirrickOk);
    EXPECT_EQ(Values(), Names {});
    EXPECT_FALSE(IsRegistered());
    EXPECT_FALSE(Exists(Notifier()));

    // Nothing left to unregister.
    EXPECT_EQ(Unregister("Planner"), kMirrickOk);
}

TEST_F(RegistrationTest, OnlyDwordValuesCount)
{
    kx_gen::HKEY key = nullptr;
    ASSERT_EQ(
        kx_gen::RegCreateKey(kx_gen::HKEY_CURRENT_USER, kNotifierKey, kx_gen::KEY_ALL_ACCESS, &key),
        kx_gen::kRegSuccess);
    kx_gen::RegSetString(key, "Note", "not an application");
    kx_gen::RegSetString(key, "Vellacor", "left by something else");
    kx_gen::RegCloseKey(key);

    EXPECT_EQ(Register("Vellacor"), kMirrickOk);
    EXPECT_EQ(Values(), (Names { "Note:1", "Vellacor:4" }));
    EXPECT_EQ(Unregister("vellacor"), kMirrickOk); // value names ignore case
    EXPECT_FALSE(IsRegistered());
    EXPECT_EQ(Values(), (Names { "Note:1" }));
}

TEST_F(RegistrationTest, FailedRegistrationChangesNothing)
{
    const std::string hotSync = HotSync();
    EXPECT_EQ(registerNotifier("Vellacor", hotSync.c_str(), "libMissing.so"), kMirrickNoNotifier);

    // A conduit manager that is not one.
    std::filesystem::rename(HotSync() + "/" + kCondMgrLibraryName, m_temp / "condmgr.so");
    EXPECT_EQ(Register("Vellacor"), kMirrickNoConduitManager);
    std::filesystem::copy_file(
        HotSync() + "/" + kInstaideLibraryName, HotSync() + "/" + kCondMgrLibraryName);
    EXPECT_EQ(Register("Vellacor"), kMirrickNoEntryPoint);
    std::filesystem::remove(HotSync() + "/" + kCondMgrLibraryName);
    std::filesystem::rename(m_temp / "condmgr.so", HotSync() + "/" + kCondMgrLibraryName);

    // The conduit manager refuses: its registry is damaged.
    DamageRegistry();
    EXPECT_EQ(Register("Vellacor"), kMirrickRegisterFailed);
    EXPECT_EQ(Registry(), "not a registry\n");
    EXPECT_EQ(Values(), Names {});
}

TEST_F(RegistrationTest, UnusableSettingsStoreIsAFailure)
{
    WriteFile(m_temp / "plain-file", "");
    ::setenv("XDG_CONFIG_HOME", (m_temp / "plain-file/config").c_str(), 1);
    EXPECT_EQ(Register("Vellacor"), kMirrickNoSettings);
    EXPECT_FALSE(IsRegistered());
    EXPECT_EQ(Unregister("Vellacor"), kMirrickNoSettings);
}

TEST_F(RegistrationTest, FailedUnregistrationKeepsTheCount)
{
    ASSERT_EQ(Register("Vellacor"), kMirrickOk);

    std::filesystem::rename(HotSync() + "/" + kCondMgrLibraryName, m_temp / "condmgr.so");
    EXPECT_EQ(Unregister("Vellacor"), kMirrickNoConduitManager);
    EXPECT_EQ(Values(), (Names { "Vellacor:4" }));
    std::filesystem::rename(m_temp / "condmgr.so", HotSync() + "/" + kCondMgrLibraryName);

    const std::string registry = Registry();
    DamageRegistry();
    EXPECT_EQ(Unregister("Vellacor"), kMirrickUnregisterFailed);
    EXPECT_EQ(Values(), (Names { "Vellacor:4" }));
    EXPECT_TRUE(Exists(Notifier()));

    WriteFile(HotSync() + "/notifiers.dat", registry);
    EXPECT_EQ(Unregister("Vellacor"), kMirrickOk);
    EXPECT_FALSE(IsRegistered());
}

TEST_F(RegistrationTest, UnusableArgumentsAreRefused)
{
    const std::string hotSync = HotSync();
    const char *folder = hotSync.c_str();
    const std::string longName(kMirrickMaxNameBytes + 1, 'v');
    const std::string longFolder(kMirrickMaxPathBytes + 1, 'f');
    for (auto call : { registerNotifier, unregisterNotifier }) {
        EXPECT_EQ(call(nullptr, folder, kNotifierFile), kMirrickBadArgument);
        EXPECT_EQ(call("", folder, kNotifierFile), kMirrickBadArgument);
        EXPECT_EQ(call("Vella\ncor", folder, kNotifierFile), kMirrickBadArgument);
        EXPECT_EQ(call("Vella\xC3", folder, kNotifierFile), kMirrickBadArgument);
        EXPECT_EQ(call(longName.c_str(), folder, kNotifierFile), kMirrickBadArgument);
        EXPECT_EQ(call("Vellacor", nullptr, kNotifierFile), kMirrickBadArgument);
        EXPECT_EQ(call("Vellacor", longFolder.c_str(), kNotifierFile), kMirrickBadArgument);
        EXPECT_EQ(call("Vellacor", folder, nullptr), kMirrickBadArgument);
        // The notifier is deleted by name on the way out: it must be a file
        // of the HotSync folder itself.
        EXPECT_EQ(call("Vellacor", folder, "../libKXNotify.so"), kMirrickBadArgument);
        EXPECT_EQ(call("Vellacor", folder, ".."), kMirrickBadArgument);
        EXPECT_EQ(call("Vellacor", folder, "sub/libKXNotify.so"), kMirrickBadArgument);
    }
    EXPECT_EQ(Values(), Names {});
    EXPECT_TRUE(Exists(Notifier()));
}

} // namespace
