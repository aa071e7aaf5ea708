// The outline lists: which roots exist per mode, what a root lists, and the
// names that new files get.

#include "CabinetNames.h"
#include "CabinetTestSupport.h"
#include "RootList.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

using namespace cabinettest;
using kx_gen::_String;

namespace {

std::set<std::string> Titles(const CFileTreeRoot &root)
{
    std::set<std::string> titles;
    for (int i = 0; i < root.GetCount(); ++i)
        titles.insert(root.GetDataAt(i)->m_strTitle.str());
    return titles;
}

class PalmRootsTest : public CPalmCabinetTest {
protected:
    void SetUp() override
    {
        CPalmCabinetTest::SetUp();
        m_roots.Init(Desktop(), Handheld());
    }

    std::string Handheld() const { return m_temp / "hh"; }
    std::string HandheldFile(const std::string &name) const { return Handheld() + "/" + name; }

    CRootList m_roots { m_env };
};

class DesktopRootsTest : public CCabinetTest {
protected:
    CRootList m_roots { m_env };
};

} // namespace

TEST_F(PalmRootsTest, PalmModeHasFiveRootsOverTheUserAndDesktopFolders)
{
    ASSERT_EQ(m_roots.GetCount(), 5);
    const std::pair<int, std::string> expected[] = {
        { 4, Handheld() + "/" },
        { 5, Handheld() + "/" },
        { 2, Desktop() + "/" },
        { 3, Desktop() + "/" },
        { 6, Handheld() + "/Conflicts/" },
    };
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(m_roots.GetAt(i)->m_nKind, expected[i].first);
        EXPECT_EQ(m_roots.GetAt(i)->m_strFolder.str(), expected[i].second);
    }
    EXPECT_EQ(m_roots.FindByKind(6)->m_strTitle.str(), "Conflicts");
    EXPECT_EQ(m_roots.GetFilingCabinetPath().str(), HandheldFile("Folder.kxo"));
    EXPECT_EQ(m_roots.GetBackupFolder().str(), HandheldFile("Backup"));
    EXPECT_EQ(
        ListFolder(Handheld()), (std::vector<std::string> { "Archive", "Backup", "Conflicts" }));

    int position = -1;
    EXPECT_EQ(m_roots.FindNextByFolder(Handheld(), position)->m_nKind, 4);
    EXPECT_EQ(m_roots.FindNextByFolder(Handheld(), position)->m_nKind, 5);
    EXPECT_EQ(m_roots.FindNextByFolder(Handheld(), position), nullptr);
    EXPECT_EQ(m_roots.FindByFolder(Desktop() + "/")->m_nKind, 2);
}

TEST_F(DesktopRootsTest, DesktopOnlyModeHasTheTwoDesktopRoots)
{
    m_roots.Init(Desktop(), Desktop());
    ASSERT_EQ(m_roots.GetCount(), 2);
    EXPECT_EQ(m_roots.GetAt(0)->m_strTitle.str(), "Desktop Outlines");
    EXPECT_EQ(m_roots.GetAt(1)->m_strTitle.str(), "Desktop Templates");
    EXPECT_EQ(m_roots.GetFilingCabinetPath().str(), DesktopFile("Folder.kxo"));
    EXPECT_TRUE(m_roots.GetConflictsFolder().IsEmpty());
    EXPECT_FALSE(m_roots.IsInHandheldOutlines(DesktopFile("a.kxo")));
    EXPECT_FALSE(m_roots.IsInConflicts(DesktopFile("a.kxo")));
    EXPECT_TRUE(m_roots.IsInDesktopOutlines(DesktopFile("a.kxo")));
}

TEST_F(PalmRootsTest, ARootListsItsReadableOutlinesWithTitleAndCategory)
{
    WriteOutline(HandheldFile("Trip.kxo"), "Trip to Rome", "Travel");
    WriteOutline(HandheldFile("LOUD.KXO"), "Loud", "Unfiled");
    WriteOutline(HandheldFile("Form.kxt"), "Form", "");
    WriteOutline(HandheldFile(".hidden.kxo"), "Hidden", "Unfiled");
    WriteOutline(HandheldFile("Folder.kxo"), "Filing Cabinet", "Unfiled");
    WriteFile(HandheldFile("Broken.kxo"), "broken");
    std::filesystem::create_directory(HandheldFile("Folder2.kxo"));
    WriteOutline(HandheldFile("Conflicts/Clash.kxo"), "Clash", "Work");
    WriteOutline(HandheldFile("Conflicts/Clash.kxt"), "Clash form", "");
    WriteOutline(HandheldFile("Conflicts/Clash.bak"), "Backup copy", "Work");

    m_roots.RefreshAll();
    CFileTreeRoot *outlines = m_roots.FindByKind(4);
    EXPECT_EQ(Titles(*outlines), (std::set<std::string> { "Trip to Rome", "Loud" }));
    EXPECT_EQ(outlines->m_bResort, 1);
    CTreeData *trip = m_roots.FindEntry(HandheldFile("Trip.kxo"));
    ASSERT_NE(trip, nullptr);
    EXPECT_EQ(trip->m_strCategory.str(), "Travel");
    EXPECT_EQ(trip->m_pOwner, outlines);
    EXPECT_GT(trip->m_nSize, 0u);
    EXPECT_GE(trip->m_nAttributes, 0);
    EXPECT_EQ(Titles(*m_roots.FindByKind(5)), (std::set<std::string> { "Form" }));
    EXPECT_EQ(Titles(*m_roots.FindByKind(6)), (std::set<std::string> { "Clash", "Clash form" }));
    EXPECT_TRUE(m_prompter.m_Messages.empty());
}

TEST_F(PalmRootsTest, RefreshingOneFileUpdatesOnlyItsEntry)
{
    WriteOutline(HandheldFile("Trip.kxo"), "Trip", "Travel");
    WriteOutline(HandheldFile("Week.kxo"), "Week", "Work");
    m_roots.RefreshAll();
    CFileTreeRoot *outlines = m_roots.FindByKind(4);
    outlines->m_bResort = 0;

    std::filesystem::remove(HandheldFile("Trip.kxo"));
    WriteOutline(HandheldFile("Trip.kxo"), "Long trip", "Travel");
    m_roots.RefreshFile(HandheldFile("Trip.kxo"));
    EXPECT_EQ(Titles(*outlines), (std::set<std::string> { "Long trip", "Week" }));
    EXPECT_EQ(outlines->m_bResort, 1);

    std::filesystem::remove(HandheldFile("Week.kxo"));
    m_roots.RefreshFile(HandheldFile("Week.kxo"));
    EXPECT_EQ(Titles(*outlines), (std::set<std::string> { "Long trip" }));
    EXPECT_EQ(m_roots.FindByKind(5)->GetCount(), 0);
}

TEST_F(PalmRootsTest, FilesAreTestedAgainstTheRootsOfTheirFolder)
{
    EXPECT_TRUE(m_roots.IsInHandheldOutlines(HandheldFile("a.kxo")));
    EXPECT_FALSE(m_roots.IsInHandheldOutlines(DesktopFile("a.kxo")));
    EXPECT_TRUE(m_roots.IsInDesktopOutlines(DesktopFile("a.kxo")));
    EXPECT_TRUE(m_roots.IsInConflicts(HandheldFile("Conflicts/a.kxo")));
    EXPECT_FALSE(m_roots.IsInConflicts(HandheldFile("a.kxo")));
    EXPECT_EQ(m_roots.FindRootOf(HandheldFile("a.kxt"))->m_nKind, 5);
    EXPECT_EQ(m_roots.FindRootOf(HandheldFile("a.txt")), nullptr);
}

TEST_F(PalmRootsTest, NewFileNamesFollowTheKindAndAvoidTakenNames)
{
    EXPECT_EQ(m_roots.MakeFileName(Desktop(), "Plans", 2, "").str(), DesktopFile("Plans.kxo"));
    EXPECT_EQ(m_roots.MakeFileName(Desktop(), "Plans", 3, "").str(), DesktopFile("Plans.kxt"));
    EXPECT_EQ(m_roots.MakeFileName(Handheld(), "Plans", 5, "").str(), HandheldFile("Plans.kxt"));
    EXPECT_TRUE(m_roots.MakeFileName(Handheld(), "Plans", 6, "").IsEmpty());
    EXPECT_TRUE(m_roots.MakeFileName(Handheld(), "Plans", 1, "").IsEmpty());
    EXPECT_EQ(
        m_roots.MakeFileName(Desktop(), "A title far longer than a file title may be", 2, "").str(),
        DesktopFile("A title far longer than a f.kxo"));

    WriteOutline(DesktopFile("Plans.kxo"), "Plans", "Unfiled");
    EXPECT_EQ(m_roots.MakeFileName(Desktop(), "Plans", 2, "").str(), DesktopFile("Pla-1.kxo"));
    // The file's own name stays free for it.
    EXPECT_EQ(m_roots.MakeFileName(Desktop(), "Plans", 2, DesktopFile("Plans.kxo")).str(),
        DesktopFile("Plans.kxo"));

    // HotSync's backups count as taken for handheld outlines only.
    WriteOutline(HandheldFile("Backup/Notes.kxo"), "Notes", "Unfiled");
    EXPECT_EQ(m_roots.MakeFileName(Handheld(), "Notes", 4, "").str(), HandheldFile("Not-1.kxo"));
    EXPECT_EQ(m_roots.MakeFileName(Desktop(), "Notes", 2, "").str(), DesktopFile("Notes.kxo"));
}

TEST(RootListTest, TitlesAreMadeUsableAsFileTitles)
{
    _String title = " Q1/Q2: plans? ";
    EXPECT_TRUE(CRootList::ValidateTitle(title));
    EXPECT_EQ(title.str(), "Q1Q2 plans");
}
