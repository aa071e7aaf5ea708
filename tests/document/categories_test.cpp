#include "DocumentTestSupport.h"

#include "CategoryEditor.h"
#include "CategoryList.h"
#include "User.h"

#include "kx_gen/CategoryDB.h"
#include "kx_gen/CategoryRecord.h"

using kx_gen::_String;

namespace {

std::vector<std::string> Names(const std::vector<kx_gen::CCategoryRecord *> &records)
{
    std::vector<std::string> names;
    for (const kx_gen::CCategoryRecord *record : records)
        names.push_back(record->GetCategoryName().str());
    return names;
}

} // namespace

class CategoryTest : public CDocumentTest {
protected:
    kx_gen::CCategoryDB &File() { return *m_context->ActiveUser()->GetCategories(); }
    void Fill(int count)
    {
        for (int i = File().GetCategoryCount(); i < count; ++i)
            File().AddNewCategory(("c" + std::to_string(i)).c_str());
    }
};

TEST_F(CategoryTest, SortedViewPutsUnfiledLastAndIgnoresCase)
{
    for (const char *name : { "beta", "Alpha", "gamma" })
        File().AddNewCategory(name);
    EXPECT_EQ(Names(BuildSortedView(File())),
        (std::vector<std::string> { "Alpha", "beta", "gamma", "Unfiled" }));
    EXPECT_LT(CompareCategoryNames("Zebra", "Unfiled"), 0);
    EXPECT_EQ(CompareCategoryNames("abc", "ABC"), 0);
}

TEST_F(CategoryTest, ProgramListHoldsOnlyNamesTheFileLacks)
{
    WriteOutline(DesktopFile("a.kxo"), "a", "Travel");
    WriteOutline(DesktopFile("b.kxo"), "b", "Unfiled");
    WriteOutline(DesktopFile("c.kxo"), "c", "Books");
    m_context->ActiveUser()->GetRoots().RefreshAll();
    m_context->RebuildCategoryList();
    CCategoryList &list = m_context->Categories();
    ASSERT_EQ(list.GetCount(), 2);
    EXPECT_EQ(list.GetName(0).str(), "Books");
    EXPECT_EQ(list.GetName(1).str(), "Travel");
    EXPECT_EQ(list.GetAt(0).m_pRecord->GetCategoryId() == list.GetAt(1).m_pRecord->GetCategoryId(),
        false);

    File().AddNewCategory("Travel");
    list.RemoveKnown(File());
    ASSERT_EQ(list.GetCount(), 1);
    EXPECT_EQ(list.GetName(0).str(), "Books");
}

TEST_F(CategoryTest, NewRefusesFullFilesEmptyAndTakenNames)
{
    CCategoryEditor editor(File(), *m_context);
    m_prompter.m_Texts = { std::string("   ") };
    EXPECT_EQ(editor.New(), nullptr);
    EXPECT_EQ(m_prompter.m_Messages.back(), "The category name is not valid!\n");

    m_prompter.m_Texts = { std::string("Unfiled") };
    EXPECT_EQ(editor.New(), nullptr);
    EXPECT_EQ(m_prompter.m_Messages.back(), "There is a category with the same name\n");
    EXPECT_FALSE(editor.IsChanged());

    m_prompter.m_Texts = { std::string("  Work ") };
    kx_gen::CCategoryRecord *work = editor.New();
    ASSERT_NE(work, nullptr);
    EXPECT_EQ(work->GetCategoryName().str(), "Work");
    EXPECT_TRUE(editor.IsChanged());
    EXPECT_EQ(Names(editor.ListedCategories()), (std::vector<std::string> { "Work" }));

    Fill(16);
    EXPECT_EQ(editor.New(), nullptr);
    EXPECT_EQ(m_prompter.m_Messages.back(), "Maximum count of categories is reached!\n");
}

TEST_F(CategoryTest, RenameMergesIntoAnExistingCategoryAndKeepsUnfiled)
{
    WriteOutline(DesktopFile("a.kxo"), "a", "Old");
    m_context->ActiveUser()->GetRoots().RefreshAll();
    kx_gen::CCategoryRecord *old = File().AddNewCategory("Old");
    File().AddNewCategory("Kept");
    CCategoryEditor editor(File(), *m_context);

    m_prompter.m_Texts = { std::string("Kept") };
    kx_gen::CCategoryRecord *result = editor.Rename(old);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->GetCategoryName().str(), "Kept");
    EXPECT_EQ(File().FindCategory("Old"), nullptr);
    EXPECT_EQ(StoredCategory(DesktopFile("a.kxo")), "Kept");
    EXPECT_EQ(m_prompter.m_Messages.back(),
        "All outlines with the renamed category will receive the new category name!");

    kx_gen::CCategoryRecord *unfiled = File().FindCategory("Unfiled");
    m_prompter.m_Texts = { std::string("Inbox") };
    ASSERT_NE(editor.Rename(unfiled), nullptr);
    EXPECT_NE(File().FindCategory("Unfiled"), nullptr);
    EXPECT_NE(File().FindCategory("Inbox"), nullptr);

    Fill(15);
    EXPECT_EQ(editor.Rename(File().FindCategory("Unfiled")), nullptr);
    EXPECT_EQ(m_prompter.m_Messages.back(),
        "You cannot rename the Unfiled category since there are already 15 categories defined. "
        "Please delete another category first.");
}

TEST_F(CategoryTest, DeleteAsksAndFilesOutlinesAsUnfiled)
{
    WriteOutline(DesktopFile("a.kxo"), "a", "Gone");
    m_context->ActiveUser()->GetRoots().RefreshAll();
    kx_gen::CCategoryRecord *gone = File().AddNewCategory("Gone");
    CCategoryEditor editor(File(), *m_context);

    EXPECT_FALSE(editor.Delete(nullptr));
    EXPECT_EQ(m_prompter.m_Messages.back(), "Please, select a category!");
    EXPECT_FALSE(editor.Delete(File().FindCategory("Unfiled")));
    EXPECT_EQ(m_prompter.m_Messages.back(), "You can not delete the default category!\n");

    m_prompter.m_OkCancel = { false };
    EXPECT_FALSE(editor.Delete(gone));
    EXPECT_NE(File().FindCategory("Gone"), nullptr);

    EXPECT_TRUE(editor.Delete(gone));
    EXPECT_EQ(File().FindCategory("Gone"), nullptr);
    EXPECT_EQ(StoredCategory(DesktopFile("a.kxo")), "Unfiled");
}
