// Filing outlines under another category from the pane, and the filing
// cabinet's Show and Empty commands.

#include "CabinetNames.h"
#include "CabinetTestSupport.h"
#include "PaneCommands.h"
#include "UserList.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace cabinettest;
using kx_gen::_String;

namespace {

class PaneCategoryTest : public CPalmCabinetTest {
protected:
    void SetUp() override
    {
        CPalmCabinetTest::SetUp();
        std::filesystem::create_directories(AnnFile("Conflicts"));
        WriteCategories(AnnFile("categories.dat"), { "Work", "Home" });
        WriteOutline(AnnFile("Week.kxo"), "Week", "Work", true);
        WriteOutline(AnnFile("Plan.kxt"), "Plan", "");
        WriteOutline(AnnFile("Conflicts/Old.kxo"), "Old", "Work");
        WriteOutline(DesktopFile("Home.kxo"), "Home", "Home");
        m_users.Enumerate();
        m_users.Restore();
        ASSERT_EQ(m_users.GetActiveUser(), m_users.FindByName("Ann"));
        Roots().SetAllResort(0);
    }

    std::string AnnFile(const std::string &name) const { return UserFolder("Ann") + "/" + name; }
    CRootList &Roots() { return *m_users.GetActiveRoots(); }

    CUserList m_users { m_env };
};

class CRecordingCabinetWindow : public cabinet::CFilingCabinetWindow {
public:
    void Show(COutlineDoc &document) override { m_Calls.push_back("show " + document.m_strPath); }
    void Empty(COutlineDoc &document) override
    {
        m_Calls.push_back("empty " + document.m_strPath);
    }
    std::vector<std::string> m_Calls;
};

} // namespace

TEST_F(PaneCategoryTest, OutlinesTakeTheCategoryOnDiskAndInTheirEntries)
{
    std::vector<std::string> told;
    const int changed = cabinet::SetFileCategory(Roots(),
        { AnnFile("Week.kxo"), DesktopFile("Home.kxo") }, "Home",
        [&](const _String &path) { told.push_back(path.str()); });

    // Home was filed under Home already: only Week is rewritten.
    EXPECT_EQ(changed, 1);
    EXPECT_EQ(told, (std::vector<std::string> { AnnFile("Week.kxo") }));
    const SOutlineFacts facts = ReadOutlineFacts(AnnFile("Week.kxo"));
    EXPECT_EQ(facts.category, "Home");
    EXPECT_TRUE(facts.outlineChanged);
    EXPECT_EQ(Roots().FindEntry(AnnFile("Week.kxo"))->m_strCategory.str(), "Home");
    EXPECT_EQ(Roots().FindByKind(cabinet::kRootHandheldOutlines)->m_bResort, 1);
    EXPECT_EQ(Roots().FindByKind(cabinet::kRootDesktopOutlines)->m_bResort, 0);
}

TEST_F(PaneCategoryTest, TemplatesConflictsAndUnlistedFilesAreLeftAlone)
{
    WriteOutline(m_temp / "Loose.kxo", "Loose", "Work");
    const int changed = cabinet::SetFileCategory(Roots(),
        { AnnFile("Plan.kxt"), AnnFile("Conflicts/Old.kxo"), m_temp / "Loose.kxo" }, "Home");
    EXPECT_EQ(changed, 0);
    EXPECT_EQ(ReadOutlineFacts(AnnFile("Conflicts/Old.kxo")).category, "Work");
    EXPECT_EQ(ReadOutlineFacts(m_temp / "Loose.kxo").category, "Work");
    EXPECT_EQ(ReadOutlineFacts(AnnFile("Plan.kxt")).category, "");
}

TEST_F(PaneCategoryTest, AFileThatCannotBeRewrittenKeepsItsEntry)
{
    // The entry exists but the file under it went bad since it was read.
    WriteFile(AnnFile("Week.kxo"), "not an outline");
    bool told = false;
    EXPECT_EQ(cabinet::SetFileCategory(
                  Roots(), { AnnFile("Week.kxo") }, "Home", [&](const _String &) { told = true; }),
        0);
    EXPECT_FALSE(told);
    EXPECT_EQ(Roots().FindEntry(AnnFile("Week.kxo"))->m_strCategory.str(), "Work");
    EXPECT_EQ(Roots().FindByKind(cabinet::kRootHandheldOutlines)->m_bResort, 0);
}

TEST_F(CCabinetTest, ShowAndEmptyOpenTheFilingCabinetOnceAndActOnIt)
{
    CUserList users(m_env);
    users.Enumerate();
    users.Restore();
    CUser *user = users.GetActiveUser();
    ASSERT_NE(user, nullptr);
    CRecordingCabinetWindow window;
    EXPECT_TRUE(cabinet::ShowFilingCabinet(*user, window));
    EXPECT_TRUE(cabinet::EmptyFilingCabinet(*user, window));
    const std::string cabinetPath = DesktopFile("Folder.kxo");
    EXPECT_EQ(window.m_Calls,
        (std::vector<std::string> { "show " + cabinetPath, "empty " + cabinetPath }));
    EXPECT_EQ(m_documents.m_Calls, (std::vector<std::string> { "cabinet " + cabinetPath + " new" }));
}

TEST_F(CCabinetTest, AFilingCabinetThatCannotBeHadIsNeitherShownNorEmptied)
{
    CUserList users(m_env);
    users.Enumerate();
    users.Restore();
    m_documents.m_bCabinetNewFails = true;
    CRecordingCabinetWindow window;
    EXPECT_FALSE(cabinet::ShowFilingCabinet(*users.GetActiveUser(), window));
    EXPECT_FALSE(cabinet::EmptyFilingCabinet(*users.GetActiveUser(), window));
    EXPECT_TRUE(window.m_Calls.empty());
}
