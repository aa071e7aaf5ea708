#include "TempDir.h"

#include "kx_gen/File.h"
#include "kx_gen/PathUtils.h"

#include <gtest/gtest.h>

#include <unistd.h>

using namespace kx_gen;

TEST(PathParts, SplitIntoDriveDirectoryTitleAndExtension)
{
    const char *path = "/home/ann/Outlines/My.Notes.kxo";
    EXPECT_EQ(GetFileDrive(path), _String(""));
    EXPECT_EQ(GetFileDir(path), _String("/home/ann/Outlines/"));
    EXPECT_EQ(GetRoot(path), _String("/home/ann/Outlines/"));
    EXPECT_EQ(GetFileTitle(path), _String("My.Notes"));
    EXPECT_EQ(GetFileExt(path), _String(".kxo"));
    EXPECT_EQ(GetFileName(path), _String("My.Notes.kxo"));

    EXPECT_EQ(GetFileDir("plain"), _String(""));
    EXPECT_EQ(GetFileTitle("plain"), _String("plain"));
    EXPECT_EQ(GetFileExt("plain"), _String(""));
    EXPECT_EQ(GetFileTitle("/x/.profile"), _String(""));
    EXPECT_EQ(GetFileExt("/x/.profile"), _String(".profile"));

    EXPECT_EQ(JoinPath("/a", "b"), _String("/a/b"));
    EXPECT_EQ(JoinPath("/a/", "b"), _String("/a/b"));
    EXPECT_EQ(JoinPath("", "b"), _String("b"));
}

TEST(PathParts, FullPathIsAbsoluteAndTidy)
{
    EXPECT_EQ(FullPath("/a//b/./c/../d.kxo"), _String("/a/b/d.kxo"));
    EXPECT_EQ(FullPath("/.."), _String("/"));
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    EXPECT_EQ(FullPath("x.kxo"), JoinPath(_String(cwd), "x.kxo"));
}

TEST(PathValidation, FilePathNeedsAbsoluteDirectoryTitleAndExtension)
{
    EXPECT_TRUE(ValidateFilePath("/home/ann/Outline.kxo"));
    EXPECT_FALSE(ValidateFilePath("Outline.kxo"));
    EXPECT_FALSE(ValidateFilePath("dir/Outline.kxo"));
    EXPECT_FALSE(ValidateFilePath("/home/ann/Outline"));
    EXPECT_FALSE(ValidateFilePath("/home/ann/.kxo"));
    EXPECT_FALSE(ValidateFilePath(""));
}

TEST(PathValidation, FileTitleLosesForbiddenCharactersAndIsCut)
{
    _String t("  a:b*c  ");
    EXPECT_TRUE(ValidateFileTitle(t));
    EXPECT_EQ(t, _String("abc"));

    t = "???";
    ValidateFileTitle(t);
    EXPECT_EQ(t, _String("Unfilled"));

    t = "\\/:*?\"<>|x|";
    ValidateFileTitle(t);
    EXPECT_EQ(t, _String("x"));

    t = "123456789012345678901234567890";
    ValidateFileTitle(t);
    EXPECT_EQ(t, _String("123456789012345678901234567"));

    // Blanks left inside after removal are kept; only the ends are trimmed.
    t = " a ? b ";
    ValidateFileTitle(t);
    EXPECT_EQ(t, _String("a  b"));
}

TEST(NumberedNames, KeepTheLengthOfTheTitle)
{
    TempDir dir;
    dir.write("Outline.kxo", "");
    const std::string path = dir.file("Outline.kxo");
    EXPECT_EQ(GetNextValidNumberedName(path.c_str()), _String(dir.file("Outli-1.kxo")));
    dir.write("Outli-1.kxo", "");
    EXPECT_EQ(GetNextValidNumberedName(path.c_str()), _String(dir.file("Outli-2.kxo")));
    for (int n = 2; n <= 9; ++n)
        dir.write("Outli-" + std::to_string(n) + ".kxo", "");
    EXPECT_EQ(GetNextValidNumberedName(path.c_str()), _String(dir.file("Outl-10.kxo")));

    // An existing name that is allowed is taken; the comparison is exact.
    EXPECT_EQ(GetNextValidNumberedName(path.c_str(), dir.file("Outli-1.kxo").c_str()),
        _String(dir.file("Outli-1.kxo")));
    EXPECT_EQ(GetNextValidNumberedName(path.c_str(), dir.file("outli-1.kxo").c_str()),
        _String(dir.file("Outl-10.kxo")));

    // Titles shorter than the number lose all their characters.
    dir.write("ab.kxo", "");
    EXPECT_EQ(GetNextValidNumberedName(dir.file("ab.kxo").c_str()), _String(dir.file("-1.kxo")));

    CFile f(path.c_str(), CFile::modeRead);
    EXPECT_EQ(f.GetNextValidNumberedName("Outline"), _String(dir.file("Outl-10.kxo")));
    EXPECT_EQ(f.GetNextValidNumberedName("Fresh"), _String(dir.file("Fre-1.kxo")));
}

TEST(NumberedNames, ValidFileNameIsFreeInBothFolders)
{
    TempDir dir;
    TempDir second;
    const std::string path = dir.file("Outline.kxo");
    EXPECT_EQ(GetValidFileName(path.c_str()), _String(path));

    const std::string longTitle = dir.file("123456789012345678901234567890.kxo");
    EXPECT_EQ(
        GetValidFileName(longTitle.c_str()), _String(dir.file("123456789012345678901234567.kxo")));

    dir.write("Outline.kxo", "");
    EXPECT_EQ(GetValidFileName(path.c_str(), nullptr, path.c_str()), _String(path));
    EXPECT_EQ(GetValidFileName(path.c_str()), _String(dir.file("Outli-1.kxo")));

    // Taken in the second folder only: numbered names must skip those too.
    second.write("Outli-1.kxo", "");
    second.write("Outli-2.kxo", "");
    EXPECT_EQ(
        GetValidFileName(path.c_str(), second.path().c_str()), _String(dir.file("Outli-3.kxo")));
    second.write("Other.kxo", "");
    EXPECT_EQ(GetValidFileName(dir.file("Other.kxo").c_str(), second.path().c_str()),
        _String(dir.file("Oth-1.kxo")));
}

TEST(FileExistence, WildcardsIgnoreCaseButPlainNamesDoNot)
{
    TempDir dir;
    dir.write("Notes.KXO", "");
    EXPECT_TRUE(IsFileExist(dir.file("Notes.KXO").c_str()));
    EXPECT_FALSE(IsFileExist(dir.file("notes.kxo").c_str()));
    EXPECT_TRUE(IsFileExist(dir.file("*.kxo").c_str()));
    EXPECT_TRUE(IsFileExist(dir.file("n?tes.*").c_str()));
    EXPECT_FALSE(IsFileExist(dir.file("*.kxt").c_str()));
    EXPECT_FALSE(IsFileExist(dir.file("missing/*.kxo").c_str()));
    EXPECT_TRUE(IsFileExist(dir.path().c_str()));
}
