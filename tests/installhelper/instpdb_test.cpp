#include "TavishTestSupport.h"

#include "palmdesktop/PalmDesktop.h"

using namespace tavishtest;

namespace {

// A HotSync folder with the user "Ann", and beside it the installer's folder
// with outlines and their list.
class InstPDBTest : public TavishTest {
protected:
    void SetUp() override
    {
        TavishTest::SetUp();
        SCommandResult setup = RunPalmDesktop({ "setup", HotSync(), "--user", "Ann" });
        ASSERT_EQ(setup.nExitCode, 0) << setup.strErr;
        MakeFolder(Package());
        WriteFile(Package() + "/Groceries.kxo", "groceries");
        WriteFile(Package() + "/Travel plans.kxo", "travel");
        WriteFile(Package() + "/" + m_strLongName, "long");
        WriteFile(Package() + "/files.lst",
            "Groceries.kxo\r\n\r\nTravel plans.kxo\n\n" + m_strLongName + "\n");
    }

    std::string HotSync() const { return m_temp / "HotSync"; }
    std::string Package() const { return m_temp / "package"; }
    std::string Instaide() const { return HotSync() + "/" + kInstaideLibraryName; }
    std::string Queued(const std::string &name) const
    {
        return ReadFile(HotSync() + "/Ann/Install/" + name);
    }
    std::string Users() const { return ReadFile(HotSync() + "/users.dat"); }

    int Install(const char *selection, const char *user = "Ann")
    {
        return instPdb(selection, "files.lst", Package().c_str(), user, Instaide().c_str());
    }

    // Longer than any line buffer of a fixed size would hold.
    const std::string m_strLongName = std::string(180, 'n') + ".kxo";
};

TEST_F(InstPDBTest, QueuesThePickedFilesInTheUsersInstallFolder)
{
    EXPECT_EQ(Install("CB"), kTavishOk);
    EXPECT_EQ(Queued(m_strLongName), "long");
    EXPECT_EQ(Queued("Travel plans.kxo"), "travel");
    EXPECT_FALSE(Exists(HotSync() + "/Ann/Install/Groceries.kxo"));
    EXPECT_NE(Users().find("Travel plans.kxo"), std::string::npos);

    // The install library named relative to the installer's folder.
    EXPECT_EQ(instPdb("A", "files.lst", Package().c_str(), "Ann",
                  (std::string("../HotSync/") + kInstaideLibraryName).c_str()),
        kTavishOk);
    EXPECT_EQ(Queued("Groceries.kxo"), "groceries");

    EXPECT_EQ(Install(""), kTavishOk);
}

TEST_F(InstPDBTest, BadPicksQueueNothing)
{
    const std::string before = Users();
    EXPECT_EQ(Install("AD"), 2); // the list has three files
    EXPECT_EQ(Install("Ab"), 2);
    ::unlink((Package() + "/Travel plans.kxo").c_str());
    EXPECT_EQ(Install("AB"), 2);
    EXPECT_EQ(Users(), before);
    EXPECT_FALSE(Exists(HotSync() + "/Ann/Install/Groceries.kxo"));
}

TEST_F(InstPDBTest, RefusalOfTheInstallLibraryNamesTheLetter)
{
    EXPECT_EQ(Install("A", "Nobody"), 1);
    EXPECT_EQ(Install("A", nullptr), 1); // handed on: the library refuses it
    EXPECT_EQ(Users().find("Groceries.kxo"), std::string::npos);
}

TEST_F(InstPDBTest, LibraryAndListFailures)
{
    std::string package = Package();
    const char *folder = package.c_str();
    EXPECT_EQ(instPdb("A", "files.lst", folder, "Ann", "libMissing.so"), kTavishNoInstallLibrary);
    EXPECT_EQ(
        instPdb("A", "files.lst", folder, "Ann", (HotSync() + "/" + kCondMgrLibraryName).c_str()),
        kTavishNoInstallFunction);
    EXPECT_EQ(instPdb("A", "missing.lst", folder, "Ann", Instaide().c_str()), kTavishNoFileList);
    EXPECT_EQ(instPdb("A", ".", folder, "Ann", Instaide().c_str()), kTavishNoFileList);
    EXPECT_EQ(instPdb("A", "files.lst", (m_temp / "nowhere").c_str(), "Ann", "libInstaide.so"),
        kTavishNoInstallLibrary);
}

TEST_F(InstPDBTest, UnusableArgumentsAreRefused)
{
    std::string package = Package();
    std::string instaide = Instaide();
    const std::string tooLong(kTavishMaxPathBytes + 1, 'x');
    EXPECT_EQ(instPdb(nullptr, "files.lst", package.c_str(), "Ann", instaide.c_str()),
        kTavishBadArgument);
    EXPECT_EQ(instPdb("A", nullptr, package.c_str(), "Ann", instaide.c_str()), kTavishBadArgument);
    EXPECT_EQ(instPdb("A", "files.lst", nullptr, "Ann", instaide.c_str()), kTavishBadArgument);
    EXPECT_EQ(instPdb("A", "files.lst", "", "Ann", instaide.c_str()), kTavishBadArgument);
    EXPECT_EQ(instPdb("A", "files.lst", package.c_str(), "Ann", nullptr), kTavishBadArgument);
    EXPECT_EQ(instPdb(tooLong.c_str(), "files.lst", package.c_str(), "Ann", instaide.c_str()),
        kTavishBadArgument);
    EXPECT_EQ(instPdb("A", tooLong.c_str(), package.c_str(), "Ann", instaide.c_str()),
        kTavishBadArgument);
    EXPECT_EQ(
        instPdb("A", "files.lst", tooLong.c_str(), "Ann", instaide.c_str()), kTavishBadArgument);
}

TEST_F(InstPDBTest, OversizedListIsRefused)
{
    WriteFile(
        Package() + "/huge.lst", "Groceries.kxo\n" + std::string(kTavishMaxListBytes, 'x') + "\n");
    EXPECT_EQ(
        instPdb("A", "huge.lst", Package().c_str(), "Ann", Instaide().c_str()), kTavishNoFileList);
}

} // namespace
