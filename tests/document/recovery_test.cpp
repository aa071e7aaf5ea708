// Recovery copies: what is kept while the program runs, what a later run
// finds, and that the user's own file is never written without a Save.

#include "DocumentTestSupport.h"

#include "RecoveryStore.h"

#include "kx_gen/OutlineDB.h"
#include "kx_gen/OutlineRecord.h"
#include "kx_gen/PathUtils.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

using kx_gen::_String;

namespace {

std::string ReadBytes(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string FirstItemText(const std::string &path)
{
    kx_gen::COutlineDB db;
    db.Open(path.c_str(), kx_gen::CFile::modeRead | kx_gen::CFile::shareDenyWrite);
    db.ReadSharedHeader();
    db.ReadPrivateHeader();
    db.ReadRows();
    db.Close();
    return db.GetOutlineRecord(0)->GetText().str();
}

class RecoveryTest : public CDocumentTest {
protected:
    void SetUp() override
    {
        CDocumentTest::SetUp();
        m_folder = (m_root / "Recovery").string();
    }
    // The copies a later run sees.
    std::vector<CRecoveryStore::SCopy> Found() const
    {
        CRecoveryStore later(m_folder);
        return later.LeftOver();
    }
    std::string m_folder;
};

TEST_F(RecoveryTest, ModifiedOutlinesAreCopiedAndTheCopyFollowsTheirState)
{
    CRecoveryStore store(m_folder);
    COutlineDoc *fresh = NewOutline("Never saved");
    ASSERT_TRUE(fresh->IsModified());
    COutlineDoc *saved = NewOutline("Saved");
    ASSERT_TRUE(saved->SaveByTitle());
    const std::string savedPath = saved->GetPathName().str();
    const std::string before = ReadBytes(savedPath);
    COutlineMan &man = saved->GetOutline();
    man.InsertText(man.GetTree().GetFirstChild(nullptr), CTextPos(), "more ", nullptr);
    saved->SetModifiedFlag(true);

    ASSERT_TRUE(store.Update(m_context->Documents().InStackingOrder()));
    std::vector<CRecoveryStore::SCopy> copies = Found();
    ASSERT_EQ(copies.size(), 2u);
    for (const CRecoveryStore::SCopy &copy : copies) {
        if (copy.strTitle.str() == "Saved") {
            EXPECT_EQ(copy.strOriginal.str(), savedPath);
            EXPECT_EQ(FirstItemText(copy.strPath.str()), "more first");
        } else {
            EXPECT_EQ(copy.strTitle.str(), "Never saved");
            EXPECT_TRUE(copy.strOriginal.IsEmpty());
        }
    }
    // The user's file is as it was saved.
    EXPECT_EQ(ReadBytes(savedPath), before);

    // Saved (or closed) outlines need no copy any more.
    ASSERT_TRUE(saved->SaveByTitle());
    m_context->Documents().RemoveDocument(fresh);
    ASSERT_TRUE(store.Update(m_context->Documents().InStackingOrder()));
    EXPECT_TRUE(Found().empty());
}

TEST_F(RecoveryTest, ACleanExitRemovesTheRunsCopiesButNotTheKeptOnes)
{
    CRecoveryStore store(m_folder);
    COutlineDoc *document = NewOutline("Notes");
    ASSERT_TRUE(store.Update(m_context->Documents().InStackingOrder()));
    _String kept;
    ASSERT_TRUE(store.Keep(*document, &kept));
    EXPECT_EQ(Found().size(), 2u);
    // The run's own copies are not offered to itself.
    EXPECT_EQ(store.LeftOver().size(), 1u);

    store.RemoveSessionCopies();
    const std::vector<CRecoveryStore::SCopy> left = Found();
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].strPath, kept);
    EXPECT_TRUE(left[0].bKept);
}

TEST_F(RecoveryTest, AnOpenedCopyIsANewOutlineSavedBesideTheOriginal)
{
    const std::string original = DesktopFile("Plans.kxo");
    WriteOutline(original, "Plans", "Unfiled");
    const std::string before = ReadBytes(original);
    {
        CRecoveryStore crashed(m_folder);
        COutlineDoc *document = m_context->Documents().OpenDocumentFile(_String(original));
        ASSERT_NE(document, nullptr);
        COutlineMan &man = document->GetOutline();
        man.InsertText(man.GetTree().GetFirstChild(nullptr), CTextPos(), "unsaved", nullptr);
        document->SetModifiedFlag(true);
        ASSERT_TRUE(crashed.Update(m_context->Documents().InStackingOrder()));
        // The run ends without its exit: the copies stay.
    }
    std::vector<CRecoveryStore::SCopy> copies = Found();
    ASSERT_EQ(copies.size(), 1u);
    // The run was killed: its outline went without a save.
    while (!m_context->Documents().GetDocuments().empty())
        m_context->Documents().RemoveDocument(m_context->Documents().GetDocuments().back().get());

    CRecoveryStore store(m_folder);
    COutlineDoc *recovered = OpenRecoveredOutline(m_context->Documents(), store, copies[0]);
    ASSERT_NE(recovered, nullptr);
    EXPECT_TRUE(recovered->GetPathName().IsEmpty());
    EXPECT_TRUE(recovered->IsModified());
    EXPECT_EQ(recovered->m_strOutlineTitle.str(), "Plans");
    // The left-over copy is no longer offered; the document's own copy
    // replaces it.
    const std::vector<CRecoveryStore::SCopy> now = Found();
    ASSERT_EQ(now.size(), 1u);
    EXPECT_EQ(now[0].strPath, store.CopyOf(recovered));
    EXPECT_FALSE(now[0].strPath == copies[0].strPath);

    ASSERT_TRUE(recovered->SaveByTitle()) << (m_prompter.m_Messages.empty() ? std::string()
                                                                            : m_prompter.m_Messages.back());
    EXPECT_NE(recovered->GetPathName().str(), original);
    EXPECT_EQ(kx_gen::GetFileDir(recovered->GetPathName()).str(),
        kx_gen::GetFileDir(_String(original)).str());
    EXPECT_EQ(FirstItemText(recovered->GetPathName().str()), "unsaved");
    EXPECT_EQ(ReadBytes(original), before);
    EXPECT_TRUE(m_prompter.m_Questions.empty());
    // Saved and closed, nothing of it is left in the folder.
    m_context->Documents().RemoveDocument(recovered);
    store.Update(m_context->Documents().InStackingOrder());
    EXPECT_TRUE(std::filesystem::is_empty(m_folder));
}

TEST_F(RecoveryTest, ACopyThatCannotBeWrittenReportsFalseAndLeavesNothingBehind)
{
    const std::string blocked = (m_root / "blocked").string();
    std::ofstream(blocked) << "a file where the folder should be";
    CRecoveryStore store(blocked + "/Recovery");
    NewOutline("Notes");
    EXPECT_FALSE(store.Update(m_context->Documents().InStackingOrder()));
    EXPECT_TRUE(store.LeftOver().empty());
}

} // namespace
