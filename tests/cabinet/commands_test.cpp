// The commands of the outline lists: rename, duplicate, delete, moves between
// desktop and handheld with the category limit, templates, drops and the
// Conflicts folder, with open outlines saved, closed and reopened around
// them.

#include "CabinetCommands.h"
#include "CabinetNames.h"
#include "CabinetSettings.h"
#include "CabinetTestSupport.h"
#include "UserList.h"

#include "kx_gen/CategoryDB.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace cabinettest;
using kx_gen::_String;

namespace {

class CommandsTest : public CPalmCabinetTest {
protected:
    void SetUp() override
    {
        CPalmCabinetTest::SetUp();
        std::filesystem::create_directories(AnnFile("Conflicts"));
        WriteCategories(AnnFile("categories.dat"), { "Work" });
        WriteOutline(AnnFile("Week.kxo"), "Week", "Work", true);
        WriteOutline(DesktopFile("Home.kxo"), "Home", "Household");
        WriteOutline(DesktopFile("Form.kxt"), "Form", "");
        m_users.Enumerate();
        m_users.Restore();
        ASSERT_EQ(m_users.GetActiveUser(), m_users.FindByName("Ann"));
        m_pCommands = std::make_unique<CCabinetCommands>(m_env, *m_users.GetActiveUser());
    }

    std::string AnnFile(const std::string &name) const { return UserFolder("Ann") + "/" + name; }
    kx_gen::CCategoryDB &Categories() { return *m_users.GetActiveCategories(); }
    // Fills Ann's category file to its limit.
    void FillCategories()
    {
        for (int i = 0; Categories().GetCategoryCount() < 16; ++i)
            Categories().AddNewCategory(("Full" + std::to_string(i)).c_str());
    }

    CUserList m_users { m_env };
    std::unique_ptr<CCabinetCommands> m_pCommands;
    _String m_strNewPath;
};

} // namespace

TEST_F(CommandsTest, RenamingASynchronisedOutlineKeepsItsFileName)
{
    m_prompter.m_Texts.push_back("  Next week ");
    ASSERT_TRUE(m_pCommands->Rename(AnnFile("Week.kxo"), m_strNewPath));
    EXPECT_EQ(m_prompter.m_TextDialogs,
        (std::vector<std::pair<std::string, std::string>> { { "Rename file", "Week" } }));
    EXPECT_EQ(m_strNewPath.str(), AnnFile("Week.kxo"));
    SOutlineFacts facts = ReadOutlineFacts(AnnFile("Week.kxo"));
    EXPECT_EQ(facts.title, "Next week");
    EXPECT_TRUE(facts.outlineChanged);
    EXPECT_TRUE(facts.synchronized);
    EXPECT_EQ(
        m_users.GetActiveRoots()->FindEntry(AnnFile("Week.kxo"))->m_strTitle.str(), "Next week");
}

TEST_F(CommandsTest, RenamingAnOutlineRenamesItsFileAndItsOpenWindow)
{
    m_documents.m_Open[DesktopFile("Home.kxo")] = false;
    m_prompter.m_Texts.push_back("House");
    ASSERT_TRUE(m_pCommands->Rename(DesktopFile("Home.kxo"), m_strNewPath));
    EXPECT_EQ(m_strNewPath.str(), DesktopFile("House.kxo"));
    EXPECT_FALSE(Exists(DesktopFile("Home.kxo")));
    EXPECT_EQ(ReadOutlineFacts(DesktopFile("House.kxo")).title, "House");
    EXPECT_EQ(m_documents.m_Calls,
        (std::vector<std::string> {
            "renamed " + DesktopFile("Home.kxo") + " " + DesktopFile("House.kxo") + " House" }));
    EXPECT_EQ(m_users.GetActiveRoots()->FindEntry(DesktopFile("Home.kxo")), nullptr);
    EXPECT_NE(m_users.GetActiveRoots()->FindEntry(DesktopFile("House.kxo")), nullptr);
}

TEST_F(CommandsTest, TheTitleIsKeptAsTypedWhileTheFileNameFollowsItAsFarAsItCan)
{
    m_prompter.m_Texts.push_back("Home?");
    ASSERT_TRUE(m_pCommands->Rename(DesktopFile("Home.kxo"), m_strNewPath));
    EXPECT_EQ(m_strNewPath.str(), DesktopFile("Home.kxo"));
    EXPECT_EQ(ListFolder(Desktop()), (std::vector<std::string> { "Form.kxt", "Home.kxo" }));
    EXPECT_EQ(ReadOutlineFacts(DesktopFile("Home.kxo")).title, "Home?");

    const std::string longTitle = "Household chores: spring/summer 2024";
    m_prompter.m_Texts.push_back(longTitle);
    ASSERT_TRUE(m_pCommands->Rename(DesktopFile("Home.kxo"), m_strNewPath));
    EXPECT_EQ(m_strNewPath.str(), DesktopFile("Household chores springsumm.kxo"));
    EXPECT_EQ(ReadOutlineFacts(m_strNewPath.str()).title, longTitle);

    m_prompter.m_Texts.push_back(longTitle + "!");
    ASSERT_TRUE(m_pCommands->Rename(m_strNewPath, m_strNewPath));
    EXPECT_EQ(m_strNewPath.str(), DesktopFile("Household chores springsumm.kxo"));
    EXPECT_EQ(ReadOutlineFacts(m_strNewPath.str()).title, longTitle + "!");
}

TEST_F(CommandsTest, RenamingDoesNothingOnCancelEmptyOrUnchangedText)
{
    m_prompter.m_Texts = { std::nullopt, std::string("   "), std::string("Home ") };
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(m_pCommands->Rename(DesktopFile("Home.kxo"), m_strNewPath));
    EXPECT_EQ(ReadOutlineFacts(DesktopFile("Home.kxo")).outlineChanged, false);
    EXPECT_TRUE(m_prompter.m_Messages.empty());
}

TEST_F(CommandsTest, DuplicatesGetNumberedNamesAndOpenChangesFirst)
{
    m_documents.m_Open[DesktopFile("Home.kxo")] = true;
    m_prompter.m_Texts.push_back("Home");
    ASSERT_TRUE(m_pCommands->Duplicate(DesktopFile("Home.kxo"), m_strNewPath));
    EXPECT_EQ(m_prompter.m_TextDialogs[0],
        (std::pair<std::string, std::string> { "Duplicate file", "Home" }));
    EXPECT_EQ(m_strNewPath.str(), DesktopFile("Ho-1.kxo"));
    EXPECT_EQ(
        m_documents.m_Calls, (std::vector<std::string> { "save " + DesktopFile("Home.kxo") }));
    SOutlineFacts copy = ReadOutlineFacts(DesktopFile("Ho-1.kxo"));
    EXPECT_EQ(copy.title, "Home");
    EXPECT_TRUE(copy.outlineChanged);

    m_documents.m_Open[DesktopFile("Home.kxo")] = true;
    m_documents.m_bSaveSucceeds = false;
    m_prompter.m_Texts.push_back("Copy");
    EXPECT_FALSE(m_pCommands->Duplicate(DesktopFile("Home.kxo"), m_strNewPath));
    EXPECT_FALSE(Exists(DesktopFile("Copy.kxo")));
}

TEST_F(CommandsTest, DeletingAsksWithTheStoredArchiveChoiceAndKeepsTheNewOne)
{
    m_documents.m_Open[AnnFile("Week.kxo")] = true;
    m_prompter.m_DeleteArchive = true;
    ASSERT_TRUE(m_pCommands->Delete({ AnnFile("Week.kxo") }));
    EXPECT_EQ(m_prompter.m_Questions,
        (std::vector<std::string> { "Do you really want to delete the file?" }));
    EXPECT_EQ(m_prompter.m_DeleteShownWith, (std::vector<bool> { false }));
    EXPECT_TRUE(cabinet::GetMoveToArchive(m_settings));
    EXPECT_EQ(m_documents.m_Calls,
        (std::vector<std::string> { "close " + AnnFile("Week.kxo") + " discard" }));
    EXPECT_TRUE(Exists(AnnFile("Archive/Week.kxo")));

    m_prompter.m_DeleteArchive = false;
    ASSERT_TRUE(m_pCommands->Delete({ DesktopFile("Home.kxo"), DesktopFile("Form.kxt") }));
    EXPECT_EQ(m_prompter.m_DeleteShownWith, (std::vector<bool> { false, true }));
    EXPECT_FALSE(cabinet::GetMoveToArchive(m_settings));
    EXPECT_EQ(ListFolder(Desktop()), std::vector<std::string> {});

    EXPECT_FALSE(m_pCommands->Delete({}));
    EXPECT_EQ(m_prompter.m_Messages, (std::vector<std::string> { "Please select a file!" }));
}

TEST_F(CommandsTest, MovingToTheHandheldAddsTheOutlinesCategory)
{
    m_documents.m_Open[DesktopFile("Home.kxo")] = true;
    ASSERT_TRUE(m_pCommands->MoveToHandheld({ DesktopFile("Home.kxo") }, m_strNewPath));
    EXPECT_EQ(m_strNewPath.str(), AnnFile("Home.kxo"));
    SOutlineFacts moved = ReadOutlineFacts(AnnFile("Home.kxo"));
    EXPECT_TRUE(moved.outlineChanged);
    EXPECT_FALSE(moved.synchronized);
    EXPECT_EQ(moved.category, "Household");
    EXPECT_EQ(ReadCategories(AnnFile("categories.dat")),
        (std::vector<std::string> { "Unfiled", "Work", "Household" }));
    EXPECT_FALSE(m_categoryList.Contains("Household"));
    EXPECT_EQ(m_notify.m_CategoriesAdded,
        (std::vector<std::pair<std::string, std::string>> { { "Household", "Household" } }));
    EXPECT_EQ(m_documents.m_Calls,
        (std::vector<std::string> { "save " + DesktopFile("Home.kxo"),
            "close " + DesktopFile("Home.kxo") + " keep",
            "reopen " + AnnFile("Home.kxo") + " 7" }));
    EXPECT_NE(m_users.GetActiveRoots()->FindEntry(AnnFile("Home.kxo")), nullptr);
}

TEST_F(CommandsTest, TheCategoryLimitRefusesAMoveToTheHandheld)
{
    FillCategories();
    m_documents.m_Open[DesktopFile("Home.kxo")] = false;
    EXPECT_FALSE(m_pCommands->MoveToHandheld({ DesktopFile("Home.kxo") }, m_strNewPath));
    EXPECT_EQ(
        m_prompter.m_Messages, (std::vector<std::string> { cabinet::kMsgMaxCategoriesOnMove }));
    EXPECT_TRUE(Exists(DesktopFile("Home.kxo")));
    EXPECT_FALSE(Exists(AnnFile("Home.kxo")));
    // The refused outline's window stays open.
    EXPECT_TRUE(m_documents.IsOpen(DesktopFile("Home.kxo")));

    // A category the file holds already needs no room.
    ASSERT_TRUE(m_pCommands->MoveToDesktop({ AnnFile("Week.kxo") }, m_strNewPath));
    ASSERT_TRUE(m_pCommands->MoveToHandheld({ m_strNewPath }, m_strNewPath));
    EXPECT_EQ(m_strNewPath.str(), AnnFile("Week.kxo"));
}

TEST_F(CommandsTest, MovesNumberNamesThatAreTakenAndAFailedSaveStopsThem)
{
    WriteOutline(DesktopFile("Week.kxo"), "Other week", "Work");
    ASSERT_TRUE(m_pCommands->MoveToDesktop({ AnnFile("Week.kxo") }, m_strNewPath));
    EXPECT_EQ(m_strNewPath.str(), DesktopFile("We-1.kxo"));
    SOutlineFacts moved = ReadOutlineFacts(DesktopFile("We-1.kxo"));
    EXPECT_FALSE(moved.synchronized);
    EXPECT_TRUE(moved.outlineChanged);

    m_documents.m_Open[DesktopFile("Home.kxo")] = true;
    m_documents.m_bSaveSucceeds = false;
    EXPECT_FALSE(m_pCommands->MoveToHandheld({ DesktopFile("Home.kxo") }, m_strNewPath));
    EXPECT_TRUE(Exists(DesktopFile("Home.kxo")));
}

TEST_F(CommandsTest, HandheldTemplatesHaveNoCategory)
{
    WriteOutline(AnnFile("Plan.kxo"), "Plan", "Work");
    m_users.GetActiveRoots()->RefreshAll();
    ASSERT_TRUE(m_pCommands->SaveAsTemplate(AnnFile("Plan.kxo"), m_strNewPath));
    EXPECT_EQ(m_strNewPath.str(), AnnFile("Plan.kxt"));
    SOutlineFacts handheld = ReadOutlineFacts(AnnFile("Plan.kxt"));
    EXPECT_EQ(handheld.category, "");
    EXPECT_FALSE(handheld.synchronized);

    ASSERT_TRUE(m_pCommands->SaveAsTemplate(DesktopFile("Home.kxo"), m_strNewPath));
    EXPECT_EQ(m_strNewPath.str(), DesktopFile("Home.kxt"));
    EXPECT_EQ(ReadOutlineFacts(DesktopFile("Home.kxt")).category, "Household");
    EXPECT_FALSE(m_pCommands->SaveAsTemplate(DesktopFile("Form.kxt"), m_strNewPath));
}

TEST_F(CommandsTest, NewOutlinesFromTemplatesTakeTheFilterCategoryAndOpen)
{
    ASSERT_TRUE(m_pCommands->NewFromTemplate(DesktopFile("Form.kxt"), m_strNewPath));
    EXPECT_EQ(m_strNewPath.str(), DesktopFile("Form.kxo"));
    EXPECT_EQ(ReadOutlineFacts(DesktopFile("Form.kxo")).category, "Unfiled");
    EXPECT_EQ(m_documents.m_Calls.back(), "open " + DesktopFile("Form.kxo"));

    m_users.GetActiveUser()->m_strFilterCategory = "Work";
    ASSERT_TRUE(m_pCommands->NewFromTemplate(DesktopFile("Form.kxt"), m_strNewPath));
    EXPECT_EQ(m_strNewPath.str(), DesktopFile("Fo-1.kxo"));
    EXPECT_EQ(ReadOutlineFacts(DesktopFile("Fo-1.kxo")).category, "Work");
    EXPECT_TRUE(Exists(DesktopFile("Form.kxt")));
}

TEST_F(CommandsTest, DroppingATemplateOnOutlinesCopiesItUnderThePanesCategory)
{
    m_users.GetActiveUser()->m_strFilterCategory = "Errands";
    ASSERT_TRUE(m_pCommands->Drop(
        DesktopFile("Form.kxt"), cabinet::kRootHandheldOutlines, false, m_strNewPath));
    EXPECT_EQ(m_strNewPath.str(), AnnFile("Form.kxo"));
    EXPECT_EQ(ReadOutlineFacts(AnnFile("Form.kxo")).category, "Errands");
    EXPECT_TRUE(Exists(DesktopFile("Form.kxt")));
    EXPECT_NE(Categories().FindCategory("Errands"), nullptr);

    ASSERT_TRUE(m_pCommands->Drop(
        DesktopFile("Form.kxt"), cabinet::kRootDesktopOutlines, true, m_strNewPath));
    EXPECT_EQ(ReadOutlineFacts(m_strNewPath.str()).category, "Unfiled");

    // Onto its own list nothing happens; Conflicts takes no drops.
    EXPECT_FALSE(m_pCommands->Drop(
        DesktopFile("Home.kxo"), cabinet::kRootDesktopOutlines, true, m_strNewPath));
    EXPECT_FALSE(
        m_pCommands->Drop(DesktopFile("Home.kxo"), cabinet::kRootConflicts, true, m_strNewPath));
    EXPECT_TRUE(Exists(DesktopFile("Home.kxo")));
}

TEST_F(CommandsTest, DroppingADesktopOutlineOnTheHandheldChecksItsCategory)
{
    FillCategories();
    EXPECT_FALSE(m_pCommands->Drop(
        DesktopFile("Home.kxo"), cabinet::kRootHandheldOutlines, true, m_strNewPath));
    EXPECT_EQ(
        m_prompter.m_Messages, (std::vector<std::string> { cabinet::kMsgMaxCategoriesOnMove }));

    // Out of Conflicts an outline moves without any check.
    WriteOutline(AnnFile("Conflicts/Clash.kxo"), "Clash", "Strange");
    m_users.GetActiveRoots()->RefreshAll();
    ASSERT_TRUE(m_pCommands->Drop(
        AnnFile("Conflicts/Clash.kxo"), cabinet::kRootHandheldOutlines, true, m_strNewPath));
    EXPECT_EQ(m_strNewPath.str(), AnnFile("Clash.kxo"));
    EXPECT_EQ(ReadOutlineFacts(AnnFile("Clash.kxo")).category, "Strange");
}

TEST_F(CommandsTest, FilesOutsideTheListsMoveInByTheirExtension)
{
    std::filesystem::create_directories(m_temp / "elsewhere");
    WriteOutline(m_temp / "elsewhere/Loose.kxo", "Loose", "Work");
    WriteOutline(m_temp / "elsewhere/Shape.kxt", "Shape", "");
    ASSERT_TRUE(m_pCommands->MoveOutsideFile(m_temp / "elsewhere/Loose.kxo", true, m_strNewPath));
    EXPECT_EQ(m_strNewPath.str(), AnnFile("Loose.kxo"));
    EXPECT_EQ(ReadOutlineFacts(AnnFile("Loose.kxo")).category, "Work");
    ASSERT_TRUE(m_pCommands->MoveOutsideFile(m_temp / "elsewhere/Shape.kxt", false, m_strNewPath));
    EXPECT_EQ(m_strNewPath.str(), DesktopFile("Shape.kxt"));
    WriteFile(m_temp / "elsewhere/notes.txt", "text");
    EXPECT_FALSE(m_pCommands->MoveOutsideFile(m_temp / "elsewhere/notes.txt", false, m_strNewPath));
}

TEST_F(CommandsTest, NewDocumentsAndTheConflictsNotice)
{
    ASSERT_TRUE(m_pCommands->New(cabinet::kRootHandheldTemplates));
    ASSERT_TRUE(m_pCommands->New(cabinet::kRootDesktopOutlines));
    EXPECT_FALSE(m_pCommands->New(cabinet::kRootConflicts));
    EXPECT_EQ(m_documents.m_Calls,
        (std::vector<std::string> {
            "new " + UserFolder("Ann") + "/ template", "new " + Desktop() + "/ outline" }));

    EXPECT_FALSE(m_pCommands->ShowConflictsNotice(AnnFile("Week.kxo")));
    EXPECT_TRUE(m_pCommands->ShowConflictsNotice(AnnFile("Conflicts/Week.kxo")));
    EXPECT_EQ(m_prompter.m_Messages, (std::vector<std::string> { cabinet::kMsgConflicts }));
}
