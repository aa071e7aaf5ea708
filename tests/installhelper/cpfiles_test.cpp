#include "TavishTestSupport.h"

#include <filesystem>

using namespace tavishtest;

namespace {

class CpFilesTest : public TavishTest {
protected:
    void SetUp() override
    {
        TavishTest::SetUp();
        MakeFolder(Source());
        WriteFile(Source() + "/first.kxt", "first");
        WriteFile(Source() + "/with blanks.kxt", "second");
        WriteFile(Source() + "/" + m_strLongName, "third");
        WriteFile(
            Source() + "/files.lst", "first.kxt\r\n\nwith blanks.kxt\n" + m_strLongName + "\n\n");
    }

    std::string Source() const { return m_temp / "source"; }
    std::string Target() const { return m_temp / "target"; }
    std::string TargetFile(const std::string &name) const
    {
        return ReadFile(Target() + "/" + name);
    }

    int Copy(const char *selection, const std::string &list = "files.lst")
    {
        return copyFiles(selection, list.c_str(), Source().c_str(), Target().c_str());
    }

    std::vector<std::string> TargetNames() const
    {
        std::vector<std::string> names;
        for (const auto &entry : std::filesystem::directory_iterator(Target()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    const std::string m_strLongName = std::string(150, 'L') + ".kxt";
};

TEST_F(CpFilesTest, CopiesThePickedLinesIntoANewTargetFolder)
{
    // "E" lies beyond the three listed files and is skipped.
    EXPECT_EQ(Copy("CEA"), kTavishOk);
    EXPECT_EQ(TargetFile(m_strLongName), "third");
    EXPECT_EQ(TargetFile("first.kxt"), "first");
    EXPECT_EQ(TargetNames(), (std::vector<std::string> { m_strLongName, "first.kxt" }));

    EXPECT_EQ(Copy("B"), kTavishOk);
    EXPECT_EQ(TargetFile("with blanks.kxt"), "second");
}

TEST_F(CpFilesTest, ReplacesExistingTargetsAndKeepsPermissions)
{
    MakeFolder(Target());
    WriteFile(Target() + "/first.kxt", "old");
    ::chmod((Source() + "/first.kxt").c_str(), 0750);
    EXPECT_EQ(Copy("A"), kTavishOk);
    EXPECT_EQ(TargetFile("first.kxt"), "first");
    struct stat status { };
    ASSERT_EQ(::stat((Target() + "/first.kxt").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0750u);
}

TEST_F(CpFilesTest, AFailedCopyLeavesEveryOldTarget)
{
    MakeFolder(Target());
    WriteFile(Target() + "/first.kxt", "old first");
    WriteFile(Target() + "/with blanks.kxt", "old second");
    // A folder where the list names a file: it exists, but cannot be copied.
    ::unlink((Source() + "/with blanks.kxt").c_str());
    MakeFolder(Source() + "/with blanks.kxt");

    EXPECT_EQ(Copy("AB"), 2);
    EXPECT_EQ(TargetFile("first.kxt"), "old first");
    EXPECT_EQ(TargetFile("with blanks.kxt"), "old second");
    EXPECT_EQ(TargetNames(), (std::vector<std::string> { "first.kxt", "with blanks.kxt" }));

    // A target that cannot be written (its sub-folder is missing) fails
    // after the first copy was made; that copy is dropped too.
    WriteFile(Source() + "/sub.lst", "first.kxt\nsub/inner.kxt\n");
    MakeFolder(Source() + "/sub");
    WriteFile(Source() + "/sub/inner.kxt", "inner");
    EXPECT_EQ(Copy("AB", "sub.lst"), 2);
    EXPECT_EQ(TargetFile("first.kxt"), "old first");
    // A folder in the place of the second target.
    MakeFolder(Target() + "/sub");
    MakeFolder(Target() + "/sub/inner.kxt");
    EXPECT_EQ(Copy("AB", "sub.lst"), 2);
    EXPECT_EQ(TargetFile("first.kxt"), "old first");
    std::filesystem::remove(Target() + "/sub/inner.kxt");
    std::filesystem::remove(Target() + "/sub");
    EXPECT_EQ(TargetNames(), (std::vector<std::string> { "first.kxt", "with blanks.kxt" }));
}

TEST_F(CpFilesTest, FailuresLeaveNoNewTargetFolder)
{
    ::unlink((Source() + "/first.kxt").c_str());
    EXPECT_EQ(Copy("BA"), 2);
    EXPECT_EQ(Copy("A", "missing.lst"), kTavishNoFileList);
    EXPECT_EQ(Copy("B?"), 2);
    EXPECT_FALSE(Exists(Target()));

    // One level only: a target whose parent is missing is refused.
    EXPECT_EQ(copyFiles("B", "files.lst", Source().c_str(), (m_temp / "a/b").c_str()),
        kTavishBadArgument);
}

TEST_F(CpFilesTest, LinesMayNotLeaveTheTargetFolder)
{
    WriteFile(Source() + "/escape.lst", "../escape.kxt\n/etc/hostname\nok/../../x\n");
    WriteFile(m_temp / "escape.kxt", "outside");
    EXPECT_EQ(Copy("A", "escape.lst"), 1);
    EXPECT_EQ(Copy("B", "escape.lst"), 1);
    EXPECT_EQ(Copy("C", "escape.lst"), 1);
    EXPECT_FALSE(Exists(Target()));
}

TEST_F(CpFilesTest, UnusableArgumentsAreRefused)
{
    const std::string tooLong(kTavishMaxPathBytes + 1, 'x');
    const std::string source = Source();
    const std::string target = Target();
    EXPECT_EQ(copyFiles(nullptr, "files.lst", source.c_str(), target.c_str()), kTavishBadArgument);
    EXPECT_EQ(copyFiles("A", nullptr, source.c_str(), target.c_str()), kTavishBadArgument);
    EXPECT_EQ(copyFiles("A", "files.lst", nullptr, target.c_str()), kTavishBadArgument);
    EXPECT_EQ(copyFiles("A", "files.lst", source.c_str(), nullptr), kTavishBadArgument);
    EXPECT_EQ(copyFiles("A", "files.lst", source.c_str(), ""), kTavishBadArgument);
    EXPECT_EQ(copyFiles("A", "files.lst", source.c_str(), tooLong.c_str()), kTavishBadArgument);
    // A target that is a file, not a folder.
    EXPECT_EQ(copyFiles("A", "files.lst", source.c_str(), (source + "/first.kxt").c_str()),
        kTavishBadArgument);
    EXPECT_EQ(ReadFile(source + "/first.kxt"), "first");
    EXPECT_FALSE(Exists(target));
}

} // namespace
