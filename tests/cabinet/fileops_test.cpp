// The file operations of the outline lists and the HotSync flags they leave
// on the files.

#include "CabinetNames.h"
#include "CabinetTestSupport.h"
#include "RootList.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace cabinettest;

namespace {

class FileOpsTest : public CPalmCabinetTest {
protected:
    void SetUp() override
    {
        CPalmCabinetTest::SetUp();
        m_roots.Init(Desktop(), Handheld());
        // A synchronised handheld outline that HotSync left unchanged.
        WriteOutline(HandheldFile("Trip.kxo"), "Trip", "Travel", true);
        m_roots.RefreshAll();
    }

    std::string Handheld() const { return m_temp / "hh"; }
    std::string HandheldFile(const std::string &name) const { return Handheld() + "/" + name; }

    CRootList m_roots { m_env };
};

} // namespace

TEST_F(FileOpsTest, MoveCopyAndDuplicateLeaveTheDestinationChangedAndNotSynchronised)
{
    ASSERT_TRUE(m_roots.Copy(HandheldFile("Trip.kxo"), DesktopFile("Trip.kxo"), nullptr));
    SOutlineFacts copy = ReadOutlineFacts(DesktopFile("Trip.kxo"));
    EXPECT_TRUE(copy.outlineChanged);
    EXPECT_FALSE(copy.synchronized);
    EXPECT_EQ(copy.category, "Travel");
    EXPECT_TRUE(ReadOutlineFacts(HandheldFile("Trip.kxo")).synchronized);

    ASSERT_TRUE(m_roots.Duplicate(HandheldFile("Trip.kxo"), HandheldFile("Again.kxo"), "Again"));
    SOutlineFacts duplicate = ReadOutlineFacts(HandheldFile("Again.kxo"));
    EXPECT_EQ(duplicate.title, "Again");
    EXPECT_TRUE(duplicate.outlineChanged);
    EXPECT_FALSE(duplicate.synchronized);

    ASSERT_TRUE(m_roots.Move(HandheldFile("Trip.kxo"), DesktopFile("Moved.kxo"), "Holiday"));
    EXPECT_FALSE(Exists(HandheldFile("Trip.kxo")));
    SOutlineFacts moved = ReadOutlineFacts(DesktopFile("Moved.kxo"));
    EXPECT_TRUE(moved.outlineChanged);
    EXPECT_FALSE(moved.synchronized);
    EXPECT_EQ(moved.category, "Holiday");
    EXPECT_EQ(moved.title, "Trip");

    EXPECT_EQ(m_roots.FindEntry(HandheldFile("Trip.kxo")), nullptr);
    ASSERT_NE(m_roots.FindEntry(DesktopFile("Moved.kxo")), nullptr);
    EXPECT_EQ(m_roots.FindEntry(DesktopFile("Moved.kxo"))->m_strCategory.str(), "Holiday");
    EXPECT_NE(m_roots.FindEntry(HandheldFile("Again.kxo")), nullptr);
    EXPECT_TRUE(m_prompter.m_Messages.empty());
}

TEST_F(FileOpsTest, ATakenDestinationFailsWithAMessageAndChangesNothing)
{
    WriteOutline(DesktopFile("Trip.kxo"), "Other trip", "Unfiled");
    EXPECT_FALSE(m_roots.Move(HandheldFile("Trip.kxo"), DesktopFile("Trip.kxo"), nullptr));
    EXPECT_EQ(m_prompter.m_Messages.size(), 1u);
    EXPECT_EQ(ReadOutlineFacts(DesktopFile("Trip.kxo")).title, "Other trip");
    EXPECT_TRUE(ReadOutlineFacts(HandheldFile("Trip.kxo")).synchronized);
}

TEST_F(FileOpsTest, AFileThatIsNoOutlineStaysWhereItArrived)
{
    WriteFile(HandheldFile("Junk.kxo"), "junk");
    EXPECT_FALSE(m_roots.Move(HandheldFile("Junk.kxo"), DesktopFile("Junk.kxo"), nullptr));
    EXPECT_EQ(m_prompter.m_Messages.size(), 1u);
    EXPECT_TRUE(Exists(DesktopFile("Junk.kxo")));
}

TEST_F(FileOpsTest, ArchivingNumbersNamesTakenInTheArchive)
{
    WriteOutline(HandheldFile("Archive/Trip.kxo"), "Older trip", "Travel");
    ASSERT_TRUE(m_roots.RemoveOrArchive(HandheldFile("Trip.kxo"), true));
    EXPECT_FALSE(Exists(HandheldFile("Trip.kxo")));
    EXPECT_EQ(ReadOutlineFacts(HandheldFile("Archive/Tr-1.kxo")).title, "Trip");
    EXPECT_EQ(ReadOutlineFacts(HandheldFile("Archive/Trip.kxo")).title, "Older trip");
    EXPECT_EQ(m_roots.FindByKind(4)->GetCount(), 0);

    WriteOutline(DesktopFile("Old.kxo"), "Old", "Unfiled");
    ASSERT_TRUE(m_roots.RemoveOrArchive(DesktopFile("Old.kxo"), false));
    EXPECT_FALSE(Exists(DesktopFile("Old.kxo")));
    EXPECT_EQ(
        ListFolder(HandheldFile("Archive")), (std::vector<std::string> { "Tr-1.kxo", "Trip.kxo" }));
}

TEST_F(CCabinetTest, DesktopOnlyModeRefusesToArchiveForLackOfAnArchive)
{
    CRootList roots(m_env);
    roots.Init(Desktop(), Desktop());
    WriteOutline(DesktopFile("Plans.kxo"), "Plans", "Unfiled");
    EXPECT_FALSE(roots.RemoveOrArchive(DesktopFile("Plans.kxo"), true));
    EXPECT_TRUE(Exists(DesktopFile("Plans.kxo")));
    EXPECT_EQ(m_prompter.m_Messages, (std::vector<std::string> { cabinet::kMsgNoArchiveFolder }));
}

TEST_F(FileOpsTest, RenamingACategoryRewritesDesktopAndHandheldOutlines)
{
    WriteOutline(HandheldFile("Week.kxo"), "Week", "Work");
    WriteOutline(DesktopFile("Office.kxo"), "Office", "Work");
    WriteOutline(DesktopFile("Home.kxo"), "Home", "Household");
    WriteOutline(HandheldFile("Conflicts/Clash.kxo"), "Clash", "Work");
    m_roots.RenameCategory("Work", "Job");
    EXPECT_EQ(ReadOutlineFacts(HandheldFile("Week.kxo")).category, "Job");
    EXPECT_EQ(ReadOutlineFacts(DesktopFile("Office.kxo")).category, "Job");
    EXPECT_EQ(ReadOutlineFacts(DesktopFile("Home.kxo")).category, "Household");
    EXPECT_EQ(m_roots.FindEntry(DesktopFile("Office.kxo"))->m_strCategory.str(), "Job");

    m_roots.RenameCategory("Job", nullptr);
    EXPECT_EQ(ReadOutlineFacts(HandheldFile("Week.kxo")).category, "Unfiled");
}
