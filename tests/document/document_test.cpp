#include "DocumentTestSupport.h"

#include "AppStrings.h"
#include "RootList.h"
#include "User.h"

#include "kx_gen/OutlineDB.h"

#include <sys/stat.h>
#include <utime.h>

#include <algorithm>

using kx_gen::_String;
namespace fs = std::filesystem;

using OutlineDocTest = CDocumentTest;

TEST_F(OutlineDocTest, FileNameFollowsTitleUntilSynchronised)
{
    COutlineDoc *doc = NewOutline("Plans");
    ASSERT_TRUE(doc->SaveByTitle());
    EXPECT_EQ(doc->GetPathName().str(), DesktopFile("Plans.kxo"));
    EXPECT_EQ(StoredTitle(DesktopFile("Plans.kxo")), "Plans");
    EXPECT_FALSE(doc->IsModified());

    doc->SetOutlineTitle("Ideas");
    EXPECT_TRUE(doc->IsModified());
    ASSERT_TRUE(doc->SaveByTitle());
    EXPECT_FALSE(fs::exists(DesktopFile("Plans.kxo")));
    EXPECT_EQ(StoredTitle(DesktopFile("Ideas.kxo")), "Ideas");

    // A synchronised outline keeps its file name: the handheld knows it by it.
    doc->GetOutline().GetDB()->SetSynchronized(true);
    doc->SetOutlineTitle("Later");
    EXPECT_FALSE(doc->TitleNeedsRename());
    ASSERT_TRUE(doc->SaveByTitle());
    EXPECT_EQ(StoredTitle(DesktopFile("Ideas.kxo")), "Later");

    // Accented titles make file names that read the same in UTF-8.
    COutlineDoc *accented = NewOutline("Caf\xe9 menu");
    ASSERT_TRUE(accented->SaveByTitle());
    EXPECT_TRUE(fs::exists(DesktopFile("Caf\xc3\xa9 menu.kxo")));
    EXPECT_EQ(StoredTitle(DesktopFile("Caf\xc3\xa9 menu.kxo")), "Caf\xe9 menu");
}

TEST_F(OutlineDocTest, TitlesThatNameNoFileAreRefusedAndClashesNumbered)
{
    COutlineDoc *blank = NewOutline("   ");
    EXPECT_FALSE(blank->SaveByTitle());
    EXPECT_EQ(m_prompter.m_Messages.back(), "Please enter a valid file name");
    EXPECT_TRUE(blank->IsModified());

    WriteOutline(DesktopFile("Plans.kxo"), "Plans", "");
    COutlineDoc *doc = NewOutline("Plans");
    ASSERT_TRUE(doc->SaveByTitle());
    EXPECT_EQ(doc->GetPathName().str(), DesktopFile("Pla-1.kxo"));
    EXPECT_EQ(StoredTitle(DesktopFile("Plans.kxo")), "Plans");
}

TEST_F(OutlineDocTest, CloseAsksAboutChangesAndCancelKeepsTheWindow)
{
    COutlineDoc *doc = NewOutline("Weekly plan");
    COutlineDocTemplate &docs = m_context->Documents();

    m_prompter.m_YesNoCancel = { CCabinetPrompter::kCancel };
    EXPECT_FALSE(docs.CloseDocument(doc));
    EXPECT_EQ(m_prompter.m_Questions.back(), "Save changes to Weekly plan?");
    ASSERT_EQ(docs.GetDocuments().size(), 1u);

    m_prompter.m_YesNoCancel = { CCabinetPrompter::kYes };
    EXPECT_TRUE(docs.CloseDocument(doc));
    EXPECT_TRUE(docs.GetDocuments().empty());
    EXPECT_TRUE(fs::exists(DesktopFile("Weekly plan.kxo")));

    COutlineDoc *again = docs.OpenDocumentFile(DesktopFile("Weekly plan.kxo"));
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->GetTitle().str(), "Weekly plan");
    // Opening it a second time brings the window forward instead.
    EXPECT_EQ(docs.OpenDocumentFile(DesktopFile("Weekly plan.kxo")), nullptr);
    EXPECT_EQ(m_windows.m_Frames[again]->m_nActivations, 1);

    again->SetOutlineTitle("Changed");
    m_prompter.m_YesNoCancel = { CCabinetPrompter::kNo };
    EXPECT_TRUE(docs.CloseDocument(again));
    EXPECT_EQ(StoredTitle(DesktopFile("Weekly plan.kxo")), "Weekly plan");
}

TEST_F(OutlineDocTest, ClosingAnUnmodifiedOutlineWritesHeadersAndKeepsItsTime)
{
    const std::string path = DesktopFile("Kept.kxo");
    WriteOutline(path, "Kept", "");
    struct utimbuf old {
        1000000000, 1000000000
    };
    ASSERT_EQ(::utime(path.c_str(), &old), 0);

    COutlineDoc *doc = m_context->Documents().OpenDocumentFile(path);
    ASSERT_NE(doc, nullptr);
    doc->GetOutline().GetDB()->SetTopIndex(7);
    EXPECT_TRUE(m_context->Documents().CloseDocument(doc));
    EXPECT_TRUE(m_prompter.m_Questions.empty());

    struct stat after { };
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_mtime, 1000000000);
    kx_gen::COutlineDB db;
    db.Open(path.c_str(), kx_gen::CFile::modeRead);
    db.ReadPrivateHeader();
    EXPECT_EQ(db.GetTopIndex(), 7u);
}

TEST_F(OutlineDocTest, ConflictsAndFilingCabinetNeverAsk)
{
    COutlineDoc *doc = NewOutline("Clash");
    ASSERT_TRUE(doc->SaveByTitle());
    doc->m_bConflict = true;
    doc->SetOutlineTitle("Edited");
    doc->SetModifiedFlag(true);
    EXPECT_FALSE(doc->IsModified());
    EXPECT_TRUE(doc->SaveModified());
    EXPECT_TRUE(m_prompter.m_Questions.empty());

    CUser *user = m_context->ActiveUser();
    ASSERT_NE(user, nullptr);
    COutlineDoc *cabinet = user->GetFilingCabinet();
    ASSERT_NE(cabinet, nullptr);
    EXPECT_EQ(cabinet->GetTitle().str(), "Filing Cabinet");
    cabinet->SetTitle("Something else");
    EXPECT_EQ(cabinet->GetTitle().str(), "Filing Cabinet");
    cabinet->SetOutlineTitle("Not mine");
    EXPECT_FALSE(cabinet->IsModified());
    cabinet->GetOutline().NewItem(nullptr);
    EXPECT_TRUE(cabinet->SaveModified());
    EXPECT_TRUE(m_prompter.m_Questions.empty());
    EXPECT_TRUE(fs::exists(user->FilingCabinetPath().str()));
}

TEST_F(OutlineDocTest, SaveAllNeverMarksAnUnwrittenOutlineSaved)
{
    COutlineDoc *doc = NewOutline("Lost");
    doc->m_strNewFolder = (m_root / "no" / "such" / "folder").string();
    EXPECT_FALSE(m_context->Documents().SaveAll());
    EXPECT_TRUE(doc->IsModified());
    EXPECT_FALSE(m_prompter.m_Messages.empty());

    COutlineDoc *untitled = NewOutline("");
    doc->m_strNewFolder.Empty();
    EXPECT_TRUE(m_context->Documents().SaveAll());
    EXPECT_FALSE(untitled->IsModified());
    EXPECT_TRUE(fs::exists(DesktopFile("Untitled.kxo")));
}

TEST_F(OutlineDocTest, SaveAsTemplateChangesNothingOnCancelAndAsksAboutChanges)
{
    fs::create_directories(m_root / "elsewhere");
    const std::string outside = (m_root / "elsewhere" / "Trip.kxo").string();
    WriteOutline(outside, "Trip", "Unfiled");
    COutlineDoc *doc = m_context->Documents().OpenDocumentFile(outside);
    ASSERT_NE(doc, nullptr);
    doc->GetOutline().NewItem(nullptr);
    doc->SetModifiedFlag(true);

    m_prompter.m_nTemplateRoot = 0;
    EXPECT_FALSE(doc->SaveAsTemplate());
    EXPECT_FALSE(doc->m_bTemplate);
    EXPECT_TRUE(doc->IsModified());
    EXPECT_EQ(m_context->Documents().GetDocuments().size(), 1u);

    // Into the desktop templates, after saving the outline's own changes.
    m_prompter.m_nTemplateRoot = 3;
    m_prompter.m_YesNoCancel = { CCabinetPrompter::kYes };
    ASSERT_TRUE(doc->SaveAsTemplate());
    EXPECT_EQ(m_prompter.m_Questions.back(), "Save changes to Trip?");
    EXPECT_TRUE(fs::exists(DesktopFile("Trip.kxt")));
    EXPECT_EQ(StoredCategory(DesktopFile("Trip.kxt")), "");
    const auto &open = m_context->Documents().GetDocuments();
    ASSERT_EQ(open.size(), 1u);
    EXPECT_TRUE(open.front()->m_bTemplate);
    EXPECT_EQ(open.front()->GetPathName().str(), DesktopFile("Trip.kxt"));
}

TEST_F(OutlineDocTest, SaveAsTakesTheFileTitleAndFailureRestoresTheDocument)
{
    COutlineDoc *doc = NewOutline("Draft");
    ASSERT_TRUE(doc->SaveByTitle());
    EXPECT_FALSE(doc->SaveAs((m_root / "missing" / "Copy.kxo").string()));
    EXPECT_EQ(doc->m_strOutlineTitle.str(), "Draft");
    EXPECT_EQ(doc->GetPathName().str(), DesktopFile("Draft.kxo"));

    ASSERT_TRUE(doc->SaveAs(DesktopFile("Final.kxt")));
    EXPECT_TRUE(doc->m_bTemplate);
    EXPECT_EQ(doc->GetTitle().str(), "Final");
    EXPECT_EQ(StoredTitle(DesktopFile("Final.kxt")), "Final");
    EXPECT_EQ(StoredTitle(DesktopFile("Draft.kxo")), "Draft");
}

TEST_F(OutlineDocTest, OpenFilesComeBackInStackingOrder)
{
    for (const char *name : { "A", "B", "C" })
        WriteOutline(DesktopFile(std::string(name) + ".kxo"), name, "");
    COutlineDocTemplate &docs = m_context->Documents();
    COutlineDoc *a = docs.OpenDocumentFile(DesktopFile("A.kxo"));
    COutlineDoc *b = docs.OpenDocumentFile(DesktopFile("B.kxo"));
    COutlineDoc *c = docs.OpenDocumentFile(DesktopFile("C.kxo"));
    // C at the bottom, then A, then B on top.
    m_windows.m_Frames[c]->m_nOrder = 0;
    m_windows.m_Frames[a]->m_nOrder = 1;
    m_windows.m_Frames[b]->m_nOrder = 2;
    ASSERT_TRUE(docs.CloseAllDocuments(false));
    EXPECT_TRUE(docs.GetDocuments().empty());

    fs::remove(DesktopFile("A.kxo"));
    m_windows.m_nNextOrder = 0;
    EXPECT_TRUE(docs.ReopenFiles());
    std::vector<std::string> titles;
    for (COutlineDoc *doc : docs.InStackingOrder())
        titles.push_back(doc->GetTitle().str());
    EXPECT_EQ(titles, (std::vector<std::string> { "C", "B" }));
}

TEST_F(OutlineDocTest, CategoryRenameReachesOpenOutlines)
{
    WriteOutline(DesktopFile("Shop.kxo"), "Shop", "Home");
    WriteOutline(DesktopFile("Desk.kxo"), "Desk", "Home");
    COutlineDocTemplate &docs = m_context->Documents();
    COutlineDoc *clean = docs.OpenDocumentFile(DesktopFile("Shop.kxo"));
    COutlineDoc *dirty = docs.OpenDocumentFile(DesktopFile("Desk.kxo"));
    dirty->GetOutline().NewItem(nullptr);
    dirty->SetModifiedFlag(true);

    docs.RenameCategoryInOpenDocuments("Home", "House");
    // An outline without changes is written at once; one with changes waits
    // for its own save.
    EXPECT_FALSE(clean->IsModified());
    EXPECT_EQ(StoredCategory(DesktopFile("Shop.kxo")), "House");
    EXPECT_TRUE(dirty->IsModified());
    EXPECT_EQ(dirty->GetOutline().GetCategoryName().str(), "House");
    EXPECT_EQ(StoredCategory(DesktopFile("Desk.kxo")), "Home");

    docs.RenameCategoryInOpenDocuments("House", "");
    EXPECT_EQ(clean->GetOutline().GetCategoryName().str(), "Unfiled");
}
