#include "TempDir.h"

#include "kx_gen/FileFind.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <vector>

using namespace kx_gen;

namespace {

std::vector<std::string> findAll(const std::string &pattern)
{
    std::vector<std::string> names;
    CFileFind find;
    bool more = find.FindFile(pattern.c_str());
    while (more) {
        more = find.FindNextFileA();
        names.push_back(find.GetFileName().str());
    }
    return names;
}

} // namespace

TEST(FileFindPatterns, WindowsWildcards)
{
    EXPECT_TRUE(CFileFind::MatchesPattern("Outline.kxo", "*.kxo"));
    EXPECT_TRUE(CFileFind::MatchesPattern("OUTLINE.KXO", "*.kxo"));
    EXPECT_FALSE(CFileFind::MatchesPattern("Outline.kxt", "*.kxo"));
    EXPECT_FALSE(CFileFind::MatchesPattern("Outline.kxo.bak", "*.kxo"));
    EXPECT_TRUE(CFileFind::MatchesPattern("a.b.kxo", "*.kxo"));
    EXPECT_TRUE(CFileFind::MatchesPattern("README", "*.*"));
    EXPECT_TRUE(CFileFind::MatchesPattern("README", "*"));
    EXPECT_TRUE(CFileFind::MatchesPattern("README", "READ*."));
    EXPECT_FALSE(CFileFind::MatchesPattern("READ.ME", "READ*."));
    EXPECT_TRUE(CFileFind::MatchesPattern("Outli-1.kxo", "Outli-?.kxo"));
    EXPECT_FALSE(CFileFind::MatchesPattern("Outl-10.kxo", "Outli-?.kxo"));
    EXPECT_TRUE(CFileFind::MatchesPattern("abcabcabd", "*abc*abd"));
    // Many stars against a long name must not take exponential time.
    EXPECT_FALSE(CFileFind::MatchesPattern(std::string(200, 'a').c_str(), "*a*a*a*a*a*a*a*a*b"));
}

TEST(FileFindSearch, FindsMatchesInNameOrderWithTheirDetails)
{
    TempDir dir;
    dir.write("b.kxo", "12345");
    dir.write("A.KXO", "");
    dir.write("c.txt", "");
    dir.write(".hidden.kxo", "");
    mkdir(dir.file("sub.kxo").c_str(), 0755);

    EXPECT_EQ(findAll(dir.file("*.kxo")),
        (std::vector<std::string> { ".hidden.kxo", "A.KXO", "b.kxo", "sub.kxo" }));
    EXPECT_TRUE(findAll(dir.file("*.kxt")).empty());

    CFileFind find;
    ASSERT_TRUE(find.FindFile(dir.file("b.*").c_str()));
    EXPECT_FALSE(find.FindNextFileA()); // the only match, and it is current
    EXPECT_EQ(find.GetFileName(), _String("b.kxo"));
    EXPECT_EQ(find.GetFileTitle(), _String("b"));
    EXPECT_EQ(find.GetFilePath(), _String(dir.file("b.kxo")));
    EXPECT_EQ(find.GetRoot(), _String(dir.path() + "/"));
    EXPECT_EQ(find.GetLength(), 5u);
    CTime written;
    EXPECT_TRUE(find.GetLastWriteTime(written));
    EXPECT_GT(written.GetTime(), 0);
    EXPECT_TRUE(find.IsNormal());
    EXPECT_FALSE(find.IsDirectory());
    EXPECT_FALSE(find.IsHidden());
    EXPECT_FALSE(find.IsDots());
    EXPECT_FALSE(find.IsCompressed());
    EXPECT_FALSE(find.IsTemporary());
    find.Close();
    EXPECT_EQ(find.GetFileName(), _String(""));
}

TEST(FileFindSearch, AttributesAndDots)
{
    TempDir dir;
    dir.write(".secret", "");
    dir.write("locked.kxo", "");
    chmod(dir.file("locked.kxo").c_str(), 0444);
    mkdir(dir.file("folder").c_str(), 0755);

    CFileFind find;
    bool more = find.FindFile(dir.file("*").c_str());
    int dots = 0;
    while (more) {
        more = find.FindNextFileA();
        const std::string name = find.GetFileName().str();
        if (find.IsDots()) {
            ++dots;
            EXPECT_TRUE(find.IsDirectory());
        } else if (name == ".secret") {
            EXPECT_TRUE(find.IsHidden());
            EXPECT_FALSE(find.IsNormal());
        } else if (name == "locked.kxo") {
            EXPECT_TRUE(find.IsReadOnly());
        } else if (name == "folder") {
            EXPECT_TRUE(find.IsDirectory());
            EXPECT_FALSE(find.IsReadOnly());
        } else {
            ADD_FAILURE() << "unexpected " << name;
        }
    }
    EXPECT_EQ(dots, 2);
}
