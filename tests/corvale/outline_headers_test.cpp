// The outline's two headers: the category, comparisons and copies, the
// stored font and window placement, and changing the category of files on
// disk.

#include "OutlineFixtures.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstring>

#include <sys/stat.h>

using namespace kx_gen;
using namespace outline_test;

namespace {

class OutlineHeaders : public ::testing::Test {
protected:
    // An outline file in category `category`, synchronised: its changed
    // flags are all clear.
    std::string makeFile(const char *name, const char *category)
    {
        COutlineDB db;
        db.InitNewDatabase();
        db.SetCategoryName(category);
        db.SetCategoryChanged(false);
        db.SetOutlineChanged(false);
        db.SetSynchronized(true);
        addItem(db, 0, name, 11);
        const std::string path = m_dir.file(name);
        writeNew(db, path);
        return path;
    }

    UnfiledName m_unfiled;
    TempDir m_dir;
};

} // namespace

TEST_F(OutlineHeaders, ChangingTheCategoryMarksTheOutlineChanged)
{
    COutlineDB db;
    db.SetOutlineChanged(false);
    db.SetCategoryName("Unfiled");
    EXPECT_FALSE(db.GetOutlineChanged());
    db.SetCategoryName("Work");
    EXPECT_TRUE(db.GetOutlineChanged());
    EXPECT_TRUE(db.GetCategoryChanged());
    db.SetCategoryChanged(false);
    EXPECT_FALSE(db.GetCategoryChanged());
    EXPECT_EQ(db.GetCategoryName(), "Work");
}

TEST_F(OutlineHeaders, ComparisonsLookOnlyAtTheFieldsThatMatter)
{
    COutlineDB a, b;
    EXPECT_TRUE(a.compareSharedHeader(b));
    EXPECT_TRUE(a.comparePrivateHeader(b));

    // Changed flags, the match name and synchronisation state do not count.
    b.SetOutlineChanged(false);
    b.SetSynchronized(true);
    b.SetPalmMatchName("handheld");
    EXPECT_TRUE(a.compareSharedHeader(b));
    // Window position, font, indexes and headings do not count either.
    WINDOWPLACEMENT placement;
    placement.rcNormalPosition.left = 99;
    b.SetOutlineWindowPos(placement);
    LOGFONT font;
    font.lfHeight = 20;
    b.SetOutlineFont(font, RGB(1, 2, 3));
    b.SetSelectedIndex(4);
    b.SetShowHeadingsMode(3);
    EXPECT_TRUE(a.comparePrivateHeader(b));

    const auto differs = [](const std::function<void(COutlineDB &)> &change, bool shared) {
        COutlineDB x, y;
        change(y);
        return shared ? !x.compareSharedHeader(y) : !x.comparePrivateHeader(y);
    };
    EXPECT_TRUE(differs([](COutlineDB &d) { d.SetCategoryName("Work"); }, true));
    EXPECT_TRUE(differs([](COutlineDB &d) { d.SetPrivate(true); }, true));
    EXPECT_TRUE(differs([](COutlineDB &d) { d.setNumberingDivider(0x2D2D); }, true));
    EXPECT_TRUE(differs(
        [](COutlineDB &d) {
            const std::uint8_t n[10] = { 0, 0, 0, 0, 0, 0, 0, 0, 0, 4 };
            d.setNumbering(n);
        },
        true));
    EXPECT_TRUE(differs([](COutlineDB &d) { d.SetOutlineTitle("Other"); }, false));
    EXPECT_TRUE(differs([](COutlineDB &d) { d.SetShowCheckedItems(false); }, false));
}

TEST_F(OutlineHeaders, CopiesAreByteCopiesOfTheOtherHeader)
{
    COutlineDB source, target;
    source.SetCategoryName("Work");
    source.SetSynchronized(true);
    source.SetOutlineTitle("Copied");
    source.setCheckedItemsChanged(false);
    target.copySharedHeader(source);
    target.copyPrivateHeader(source);
    EXPECT_EQ(bytesOf(target.GetSharedHeaderPtr()->GetTags()),
        bytesOf(source.GetSharedHeaderPtr()->GetTags()));
    EXPECT_EQ(bytesOf(target.GetPrivateOutlineHeaderPtr()->GetTags()),
        bytesOf(source.GetPrivateOutlineHeaderPtr()->GetTags()));
    EXPECT_FALSE(target.ShowCheckedItemsChanged());
    target.copySharedHeader(target);
    EXPECT_EQ(target.GetCategoryName(), "Work");
}

TEST_F(OutlineHeaders, FontAndPlacementKeepTheWindowsLayout)
{
    COutlineDB db;
    LOGFONT font;
    font.lfHeight = -16;
    font.lfWidth = 7;
    font.lfEscapement = 1;
    font.lfOrientation = 2;
    font.lfWeight = 700;
    font.lfItalic = 1;
    font.lfUnderline = 1;
    font.lfStrikeOut = 0;
    font.lfCharSet = 238;
    font.lfOutPrecision = 3;
    font.lfClipPrecision = 2;
    font.lfQuality = 5;
    font.lfPitchAndFamily = 0x31;
    std::memset(font.lfFaceName, 'F', sizeof font.lfFaceName); // no terminator at all
    db.SetOutlineFont(font, RGB(0xAA, 0xBB, 0xCC));

    const CTaggedDataManager &tags = db.GetPrivateOutlineHeaderPtr()->GetTags();
    std::uint32_t size = 0;
    const std::uint8_t *stored = tags.getDataPtr(CPrivateOutlineHeader::kFontInfoTag, 28);
    KX_TAG_CHECK(tags.getTagDataSize(CPrivateOutlineHeader::kFontInfoTag, size));
    ASSERT_EQ(size, 28u);
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(stored), 28),
        le32(static_cast<std::uint32_t>(-16)) + le32(7) + le32(1) + le32(2) + le32(700)
            + std::string("\x01\x01\x00\xee\x03\x02\x05\x31", 8));

    LOGFONT back;
    COLORREF colour = 0;
    db.GetOutlineFont(back, colour);
    EXPECT_EQ(colour, 0xCCBBAAu);
    EXPECT_EQ(back.lfWeight, 700);
    EXPECT_EQ(back.lfCharSet, 238);
    EXPECT_EQ(std::string(back.lfFaceName), std::string(31, 'F'));

    // Without a colour tag the colour reads as 0.
    KX_TAG_CHECK(db.GetPrivateOutlineHeaderPtr()->GetTags().deleteData(
        CPrivateOutlineHeader::kFontColorTag));
    db.GetOutlineFont(back, colour);
    EXPECT_EQ(colour, 0u);

    WINDOWPLACEMENT placement;
    placement.flags = 2;
    placement.showCmd = 3;
    placement.ptMinPosition = { -1, -2 };
    placement.ptMaxPosition = { 4, 5 };
    placement.rcNormalPosition = { 10, 20, 30, 40 }; // left, top, right, bottom
    db.SetOutlineWindowPos(placement);
    stored = tags.getDataPtr(CPrivateOutlineHeader::kWindowPosTag, 40);
    ASSERT_NE(stored, nullptr);
    // The normal rectangle is stored top first.
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(stored), 40),
        le32(2) + le32(3) + le32(0xFFFFFFFF) + le32(0xFFFFFFFE) + le32(4) + le32(5) + le32(20)
            + le32(10) + le32(30) + le32(40));
    WINDOWPLACEMENT read;
    read.length = 0;
    db.GetOutlineWindowPos(read);
    EXPECT_EQ(read.length, 44u);
    EXPECT_EQ(read.rcNormalPosition.left, 10);
    EXPECT_EQ(read.rcNormalPosition.top, 20);
    EXPECT_EQ(read.ptMinPosition.y, -2);
}

TEST_F(OutlineHeaders, UpdateFileCategoryTouchesOnlyFilesOfTheOldCategory)
{
    const std::string work = makeFile("work.kxo", "Work");
    const std::string home = makeFile("home.kxo", "Home");
    const std::string homeBefore = readFile(home);
    struct stat before { };
    ::stat(home.c_str(), &before);

    EXPECT_TRUE(updateFileCategory(home.c_str(), false, "Work", "Office"));
    EXPECT_TRUE(readFile(home) == homeBefore);
    struct stat after { };
    ::stat(home.c_str(), &after);
    EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);

    const std::string workBefore = readFile(work);
    EXPECT_TRUE(updateFileCategory(work.c_str(), false, "Work", "Office"));
    COutlineDB db;
    load(db, work);
    EXPECT_EQ(db.GetCategoryName(), "Office");
    EXPECT_TRUE(db.GetCategoryChanged());
    EXPECT_TRUE(db.GetOutlineChanged());
    EXPECT_TRUE(db.GetSynchronized());
    EXPECT_EQ(db.GetOutlineRecord(0)->GetText(), "work.kxo");
    // Only the shared header's block changed.
    const std::string workAfter = readFile(work);
    ASSERT_EQ(workAfter.size(), workBefore.size());
    EXPECT_EQ(workAfter.substr(0, 285), workBefore.substr(0, 285));
    EXPECT_EQ(workAfter.substr(797), workBefore.substr(797));

    // force ignores the old name.
    EXPECT_TRUE(updateFileCategory(home.c_str(), true, "Nothing", "Unfiled"));
    COutlineDB forced;
    load(forced, home);
    EXPECT_EQ(forced.GetCategoryName(), "Unfiled");

    // Failures are swallowed and reported as false.
    EXPECT_FALSE(updateFileCategory(m_dir.file("missing.kxo").c_str(), true, "a", "b"));
    writeFile(m_dir.file("junk.kxo"), "not an outline at all");
    EXPECT_FALSE(updateFileCategory(m_dir.file("junk.kxo").c_str(), true, "a", "b"));
}

TEST_F(OutlineHeaders, UpdateCategoryWalksTheFolderByExtension)
{
    const std::string a = makeFile("a.kxo", "Work");
    const std::string b = makeFile("b.KXO", "Work");
    const std::string t = makeFile("t.kxt", "Work");
    const std::string other = makeFile("c.kxo", "Home");
    const std::string otherBefore = readFile(other);
    writeFile(m_dir.file("junk.kxo"), "garbage");

    updateCategory(m_dir.path().c_str(), "kxo", "Work"); // new name: the unfiled one
    for (const std::string &path : { a, b }) {
        COutlineDB db;
        load(db, path);
        EXPECT_EQ(db.GetCategoryName(), "Unfiled") << path;
    }
    COutlineDB templ;
    load(templ, t);
    EXPECT_EQ(templ.GetCategoryName(), "Work");
    EXPECT_TRUE(readFile(other) == otherBefore);
    EXPECT_EQ(readFile(m_dir.file("junk.kxo")), "garbage");

    updateCategory((m_dir.path() + "/").c_str(), "kxt", "Work", "Travel");
    COutlineDB moved;
    load(moved, t);
    EXPECT_EQ(moved.GetCategoryName(), "Travel");
}
