// A save writes the items that nothing touched, and whose records still
// hold their rows of the file on disk, without comparing them: the file it
// writes must be the one the full comparison writes. Each test runs the
// same steps on two managers over two copies of one file; the second one's
// file is replaced by a copy of itself before every save, so that it always
// compares, and the two files must come out byte for byte the same.

#include "UndoTestSupport.h"

#include "../corvale/FileClock.h"
#include "../corvale/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>
#include <vector>

using kx_gen::COutlineRecord;
using Label = CUndoOutlineMan::Label;

namespace {

std::vector<TRow> SampleRows(int count)
{
    std::vector<TRow> rows;
    for (int i = 0; i < count; ++i) {
        rows.emplace_back(i % 4 == 3 ? 1 : 0, "item " + std::to_string(i), 100 + i,
            i % 3 == 0 ? "note " + std::to_string(i) : std::string(), i % 5 == 0);
    }
    return rows;
}

// Replaces `path` by a copy of itself: the same bytes in another file.
void ReplaceByCopy(const TempDir &dir, const std::string &name)
{
    dir.write(name + ".copy", dir.read(name));
    ASSERT_EQ(rename(dir.file(name + ".copy").c_str(), dir.file(name).c_str()), 0);
}

class SaveKnown : public ::testing::Test {
protected:
    void SetUp() override { Start(SampleRows(24)); }

    void Start(const std::vector<TRow> &rows)
    {
        WriteOutlineFile(m_Dir.file("a.kxo"), rows);
        m_Dir.write("b.kxo", m_Dir.read("a.kxo"));
        ASSERT_TRUE(m_A.Load(m_Dir.file("a.kxo").c_str()));
        ASSERT_TRUE(m_B.Load(m_Dir.file("b.kxo").c_str()));
    }

    // The same step on both managers; `k` picks the k-th item in document
    // order.
    void Both(const std::function<void(COutlineMan &, COutlineNode *)> &step, int k = 0)
    {
        for (COutlineMan *man : { &m_A, &m_B }) {
            COutlineNode *n = man->GetTree().GetFirstChild(nullptr);
            for (int i = 0; i < k && n; ++i)
                n = man->GetTree().GetNextInDocument(n);
            ASSERT_TRUE(n);
            step(*man, n);
        }
    }
    void Edit(int label, const std::function<void(COutlineMan &, COutlineNode *)> &step, int k)
    {
        Both([&](COutlineMan &man, COutlineNode *n) { Command(man, label, [&] { step(man, n); }); },
            k);
    }

    // Saves both and returns how many rows the first wrote unread; the
    // files must be equal.
    int SaveBoth(const char *a = "a.kxo", const char *b = "b.kxo")
    {
        ReplaceByCopy(m_Dir, b);
        EXPECT_TRUE(m_A.Save(m_Dir.file(a).c_str()));
        EXPECT_TRUE(m_B.Save(m_Dir.file(b).c_str()));
        EXPECT_EQ(m_B.GetRowsSavedUnread(), 0);
        EXPECT_EQ(m_Dir.read(a), m_Dir.read(b));
        return m_A.GetRowsSavedUnread();
    }
    int Rows() { return static_cast<int>(m_A.GetDB()->GetRecordset()->getSize()); }

    TempDir m_Dir;
    CEditSettings m_Settings;
    CRecordingSink m_Sink;
    COutlineMan m_A { &m_Settings, &m_Sink };
    COutlineMan m_B { &m_Settings, &m_Sink };
};

} // namespace

TEST_F(SaveKnown, EditsMovesDeletesUndoAndRedoSaveAsTheComparisonDoes)
{
    EXPECT_EQ(SaveBoth(), Rows());

    Edit(
        Label::kLabelTyping,
        [](COutlineMan &man, COutlineNode *n) {
            man.InsertText(n, { 0, 0 }, "typed ", nullptr);
        },
        5);
    EXPECT_EQ(SaveBoth(), Rows() - 1);
    Edit(
        Label::kLabelCheck, [](COutlineMan &man, COutlineNode *n) { man.ToggleCheck(n); }, 6);
    Edit(
        Label::kLabelCreateNote, [](COutlineMan &man, COutlineNode *n) { man.SetNote(n, "new"); },
        7);
    // A note of the same length, changed directly.
    Both([](COutlineMan &, COutlineNode *n) { n->m_Item.m_strNote = "note X"; }, 9);
    Both([](COutlineMan &, COutlineNode *n) { n->m_Item.m_bExpanded = false; }, 10);
    EXPECT_EQ(SaveBoth(), Rows() - 4);

    // Moves change the places, and so the sort marks, of the rows between.
    Edit(
        Label::kLabelMoveDown, [](COutlineMan &man, COutlineNode *n) { man.MoveDown(n); }, 1);
    Edit(
        Label::kLabelIndent, [](COutlineMan &man, COutlineNode *n) { man.Indent(n); }, 12);
    EXPECT_GT(SaveBoth(), Rows() / 2);
    Edit(
        Label::kLabelDeleteNode, [](COutlineMan &man, COutlineNode *n) { man.DeleteItem(n); }, 2);
    Edit(
        Label::kLabelCreateNode,
        [](COutlineMan &man, COutlineNode *n) { man.NewItem(n)->m_Item.m_Text.SetString("fresh"); },
        14);
    EXPECT_GT(SaveBoth(), Rows() / 2);

    // Copying to the clipboard empties the records' texts; pasting brings in
    // records read from the clipboard's bytes, duplicating makes copies.
    Both(
        [](COutlineMan &man, COutlineNode *n) {
            kx_gen::MemHolder block(man.MakeTransferBlock(n));
            COutlineMan scratch;
            ASSERT_TRUE(man.LoadTransferBlock(block.get(), scratch, true));
            Command(man, Label::kLabelPasteNodes,
                [&] { man.InsertTransfer(scratch, n, nullptr, nullptr); });
        },
        15);
    Edit(
        Label::kLabelDuplicate, [](COutlineMan &man, COutlineNode *n) { man.Duplicate(n); }, 17);
    EXPECT_GT(SaveBoth(), Rows() / 2);
    EXPECT_EQ(SaveBoth(), Rows());

    // Undone, the deleted item comes back with a copy of its record, which
    // holds no row of the file; redone, it goes again.
    for (int step = 0; step < 6; ++step) {
        Both([](COutlineMan &man, COutlineNode *) { UndoStep(man); });
        SaveBoth();
    }
    for (int step = 0; step < 6; ++step) {
        Both([](COutlineMan &man, COutlineNode *) { RedoStep(man); });
        SaveBoth();
    }
    EXPECT_EQ(SaveBoth(), Rows());
    EXPECT_TRUE(m_Sink.m_Messages.empty());
}

TEST_F(SaveKnown, SavingOverAnotherFileComparesWithThatFile)
{
    EXPECT_EQ(SaveBoth(), Rows());
    // Other files of the same rows: the bytes are the same, the files not.
    for (const char *name : { "c.kxo", "d.kxo", "e.kxo", "f.kxo" })
        m_Dir.write(name, m_Dir.read("a.kxo"));
    Both([](COutlineMan &, COutlineNode *n) { n->m_Item.m_Text.SetString("other"); }, 3);
    EXPECT_EQ(SaveBoth("c.kxo", "d.kxo"), 0);
    EXPECT_EQ(SaveBoth("c.kxo", "d.kxo"), Rows());
    for (const char *name : { "e.kxo", "f.kxo" })
        m_Dir.write(name, m_Dir.read("c.kxo"));
    EXPECT_EQ(SaveBoth("e.kxo", "f.kxo"), 0);
    EXPECT_EQ(SaveBoth("e.kxo", "f.kxo"), Rows());
}

TEST_F(SaveKnown, AFileChangedBehindTheManagersBackIsComparedAgain)
{
    EXPECT_GT(SaveBoth(), 0);
    // Each of these leaves a file the manager did not write; the first two
    // also change a row's text without changing the file's size.
    const auto rewrite = [](const std::string &path, const char *text) {
        const int fd = open(path.c_str(), O_RDWR);
        ASSERT_GE(fd, 0);
        std::string bytes(static_cast<std::size_t>(lseek(fd, 0, SEEK_END)), '\0');
        ASSERT_EQ(pread(fd, bytes.data(), bytes.size(), 0), static_cast<ssize_t>(bytes.size()));
        const std::size_t at = bytes.find(text);
        ASSERT_NE(at, std::string::npos);
        ASSERT_EQ(pwrite(fd, "ITEM", 4, static_cast<off_t>(at)), 4);
        close(fd);
    };
    const std::vector<std::function<void(const std::string &)>> changes {
        [&](const std::string &name) { rewrite(m_Dir.file(name), "item 4"); },
        [&](const std::string &name) {
            // With its times put back, as a careful program might.
            struct stat st { };
            ASSERT_EQ(stat(m_Dir.file(name).c_str(), &st), 0);
            rewrite(m_Dir.file(name), "item 8");
            const struct timespec times[2] = { st.st_atim, st.st_mtim };
            ASSERT_EQ(utimensat(AT_FDCWD, m_Dir.file(name).c_str(), times, 0), 0);
        },
        [&](const std::string &name) { ReplaceByCopy(m_Dir, name); },
        [&](const std::string &name) {
            const struct timespec times[2] = { { 1000000000, 0 }, { 1000000000, 0 } };
            ASSERT_EQ(utimensat(AT_FDCWD, m_Dir.file(name).c_str(), times, 0), 0);
        },
    };
    for (std::size_t k = 0; k < changes.size(); ++k) {
        EXPECT_EQ(SaveBoth(), Rows()) << k;
        for (const char *name : { "a.kxo", "b.kxo" }) {
            WaitForTheFileClock(m_Dir.file(name));
            changes[k](name);
        }
        EXPECT_EQ(SaveBoth(), 0) << k;
    }
    // The rewritten rows differ from what the items hold: marked changed.
    COutlineFileReader file(m_Dir.file("a.kxo"));
    EXPECT_TRUE(file.Row(4).IsChanged());
    EXPECT_TRUE(file.Row(8).IsChanged());
    EXPECT_FALSE(file.Row(5).IsChanged());
}

TEST_F(SaveKnown, MarksThatTheHandheldLeftPendingAreKeptAsTheComparisonKeepsThem)
{
    // Rows as a synchronisation leaves them when the handheld changed
    // items: fields marked changed, the record's changed bit set on some and
    // not on others, sort marks on a few.
    kx_gen::COutlineDB db;
    db.InitNewDatabase();
    db.SetOutlineChanged(false);
    db.SetSynchronized(true);
    for (int i = 0; i < 12; ++i) {
        auto *record = static_cast<COutlineRecord *>(db.GetRecordset()->Append());
        record->SetIndent(0);
        record->SetText(kx_gen::_String("pending " + std::to_string(i)));
        record->SetId(static_cast<std::uint32_t>(500 + i));
        record->SetNote(kx_gen::_String(i % 2 ? "n" : ""));
        record->SetFlag(0);
        record->SetSortChanged(i % 5 == 1);
        for (std::uint32_t id : { 1u, 2u, 5u, 6u, 9u, 10u, 0x10007u, 0x10008u })
            record->GetTags().setTagChanged(id, i % 3 == 0 && id != 5u);
        if (i % 4 == 0)
            record->SetChanged(true);
    }
    const std::string a = m_Dir.file("a.kxo");
    db.Open(a.c_str(), kx_gen::CFile::modeCreate | kx_gen::CFile::modeWrite);
    db.WriteAllHeaders();
    db.WriteRows();
    db.Close();
    m_Dir.write("b.kxo", m_Dir.read("a.kxo"));
    ASSERT_TRUE(m_A.Load(a.c_str()));
    ASSERT_TRUE(m_B.Load(m_Dir.file("b.kxo").c_str()));

    EXPECT_EQ(SaveBoth(), 12);
    EXPECT_EQ(SaveBoth(), 12);
    Both([](COutlineMan &, COutlineNode *n) { n->m_Item.m_Text.SetString("edited"); }, 4);
    EXPECT_EQ(SaveBoth(), 11);
    Edit(
        Label::kLabelMoveUp, [](COutlineMan &man, COutlineNode *n) { man.MoveUp(n); }, 9);
    EXPECT_EQ(SaveBoth(), 12);
    COutlineFileReader file(a);
    EXPECT_TRUE(file.Row(0).IsChanged());
    EXPECT_TRUE(file.Row(3).IsChanged());
    EXPECT_FALSE(file.Row(1).IsChanged());
    EXPECT_TRUE(file.Row(8).IsSortChanged());
    EXPECT_TRUE(file.Row(9).IsSortChanged());
}
