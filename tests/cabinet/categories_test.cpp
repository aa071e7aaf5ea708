// The category file at activation: opened, rebuilt when missing or damaged,
// and the handheld outlines refiled when their category is unknown; the
// program's category list filled from the desktop outlines.

#include "CabinetNames.h"
#include "CabinetTestSupport.h"
#include "UserList.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace cabinettest;

namespace {

class PalmCategoriesTest : public CPalmCabinetTest {
protected:
    void SetUp() override
    {
        CPalmCabinetTest::SetUp();
        std::filesystem::create_directories(AnnFile("Conflicts"));
    }

    std::string AnnFile(const std::string &name) const { return UserFolder("Ann") + "/" + name; }

    // Ann becomes active.
    void Activate()
    {
        m_users.Enumerate();
        m_users.Restore();
        ASSERT_NE(m_users.GetActiveUser(), nullptr);
    }

    CUserList m_users { m_env };
};

class DesktopCategoriesTest : public CCabinetTest {
protected:
    void Activate()
    {
        m_users.Enumerate();
        m_users.GetAt(0)->SetFolder(Desktop());
        m_users.Restore();
    }

    CUserList m_users { m_env };
};

} // namespace

TEST_F(PalmCategoriesTest, AMissingCategoryFileIsRebuiltFromTheHandheldOutlinesCategories)
{
    WriteOutline(AnnFile("Trip.kxo"), "Trip", "Travel");
    WriteOutline(AnnFile("Week.kxo"), "Week", "Work");
    WriteOutline(AnnFile("Again.kxo"), "Again", "Travel");
    WriteOutline(AnnFile("Conflicts/Clash.kxo"), "Clash", "Urgent");
    // Templates, desktop outlines and a damaged outline add nothing.
    WriteOutline(AnnFile("Conflicts/Form.kxt"), "Form", "FromTemplate");
    WriteOutline(DesktopFile("Home.kxo"), "Home", "Household");
    WriteFile(AnnFile("Broken.kxo"), "broken");

    Activate();
    EXPECT_EQ(ReadCategories(AnnFile("categories.dat")),
        (std::vector<std::string> { "Unfiled", "Travel", "Work", "Urgent" }));
    EXPECT_TRUE(m_prompter.m_Questions.empty());
    EXPECT_EQ(m_categoryList.m_nRebuilds, 0);
    // The desktop outline's category is the program's to list.
    EXPECT_EQ(m_categoryList.m_Names, (std::vector<std::string> { "Household" }));
    EXPECT_EQ(ReadOutlineFacts(AnnFile("Trip.kxo")).category, "Travel");
}

TEST_F(PalmCategoriesTest, ADamagedCategoryFileIsRebuiltWhenTheUserAgrees)
{
    WriteOutline(AnnFile("Trip.kxo"), "Trip", "Travel");
    WriteFile(AnnFile("categories.dat"), std::string("\x78\x56\x34\x12garbage", 11));
    Activate();
    EXPECT_EQ(m_prompter.m_Questions,
        (std::vector<std::string> { "The category file is corrupted. Should I rebuild it?\n" }));
    EXPECT_EQ(ReadCategories(AnnFile("categories.dat")),
        (std::vector<std::string> { "Unfiled", "Travel" }));
    EXPECT_EQ(m_notify.m_nQuits, 0);
    EXPECT_NE(m_users.GetActiveCategories(), nullptr);
}

TEST_F(PalmCategoriesTest, ARefusedRebuildEndsTheProgram)
{
    WriteFile(AnnFile("categories.dat"), "not a category file");
    m_prompter.m_YesNo.push_back(false);
    Activate();
    EXPECT_EQ(m_prompter.m_Messages,
        (std::vector<std::string> { "The program can not create a category file.Quit.\n" }));
    EXPECT_EQ(m_notify.m_nQuits, 1);
    EXPECT_EQ(m_users.GetActiveCategories(), nullptr);
    EXPECT_EQ(m_categoryList.m_pAttached, nullptr);
    // The damaged file is left for whoever wants to look at it.
    EXPECT_TRUE(Exists(AnnFile("categories.dat")));
}

TEST_F(PalmCategoriesTest, ARebuiltFileHoldsAtMostSixteenCategories)
{
    for (int i = 0; i < 20; ++i)
        WriteOutline(AnnFile("O" + std::to_string(i) + ".kxo"), "O", "C" + std::to_string(i));
    Activate();
    EXPECT_EQ(ReadCategories(AnnFile("categories.dat")).size(), 16u);
    EXPECT_TRUE(m_prompter.m_Messages.empty());
}

TEST_F(PalmCategoriesTest, HandheldOutlinesOfUnknownCategoriesAreRefiledAsUnfiled)
{
    WriteCategories(AnnFile("categories.dat"), { "Work" });
    WriteOutline(AnnFile("Week.kxo"), "Week", "Work");
    WriteOutline(AnnFile("Odd.kxo"), "Odd", "Elsewhere");
    WriteOutline(AnnFile("Conflicts/Clash.kxo"), "Clash", "Elsewhere");
    WriteOutline(AnnFile("Form.kxt"), "Form", "");
    WriteOutline(DesktopFile("Home.kxo"), "Home", "Elsewhere");

    Activate();
    EXPECT_EQ(ReadOutlineFacts(AnnFile("Week.kxo")).category, "Work");
    SOutlineFacts odd = ReadOutlineFacts(AnnFile("Odd.kxo"));
    EXPECT_EQ(odd.category, "Unfiled");
    EXPECT_TRUE(odd.outlineChanged);
    EXPECT_EQ(ReadOutlineFacts(AnnFile("Conflicts/Clash.kxo")).category, "Unfiled");
    EXPECT_EQ(ReadOutlineFacts(AnnFile("Form.kxt")).category, "");
    EXPECT_EQ(ReadOutlineFacts(DesktopFile("Home.kxo")).category, "Elsewhere");
    EXPECT_EQ(
        m_users.GetActiveRoots()->FindEntry(AnnFile("Odd.kxo"))->m_strCategory.str(), "Unfiled");
    EXPECT_EQ(ReadCategories(AnnFile("categories.dat")),
        (std::vector<std::string> { "Unfiled", "Work" }));
}

TEST_F(DesktopCategoriesTest, ADesktopOnlyCategoryFileIsRebuiltFromTheProgramsList)
{
    WriteOutline(DesktopFile("Home.kxo"), "Home", "Household");
    WriteOutline(DesktopFile("Week.kxo"), "Week", "Work");
    WriteOutline(DesktopFile("Form.kxt"), "Form", "");
    Activate();
    EXPECT_EQ(m_categoryList.m_nRebuilds, 1);
    std::vector<std::string> stored = ReadCategories(DesktopFile("categories.dat"));
    EXPECT_EQ(stored, (std::vector<std::string> { "Unfiled", "Household", "Work" }));
    EXPECT_EQ(m_categoryList.m_pAttached, m_users.GetActiveCategories());
}

TEST_F(DesktopCategoriesTest, AnEmptyCategoryFileCountsAsDamaged)
{
    {
        kx_gen::CCategoryDB empty;
        empty.CreateFile(DesktopFile("categories.dat").c_str());
        empty.deleteAllCategories();
        empty.SaveFile(DesktopFile("categories.dat").c_str());
    }
    Activate();
    EXPECT_EQ(m_prompter.m_Questions.size(), 1u);
    EXPECT_EQ(
        ReadCategories(DesktopFile("categories.dat")), (std::vector<std::string> { "Unfiled" }));
}
