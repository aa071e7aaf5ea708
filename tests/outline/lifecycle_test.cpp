#include "OutlineTestSupport.h"

#include "../corvale/TempDir.h"

#include "kx_gen/CategoryDB.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using kx_gen::_String;
using kx_gen::COutlineRecord;

namespace {

// Remembers what the manager tells its document.
class CTestMan : public COutlineMan {
public:
    using COutlineMan::COutlineMan;
    void SetModified(bool modified) override { m_Modified.push_back(modified); }
    std::vector<bool> m_Modified;
};

struct NotifyLog {
    std::vector<std::string> events;
};

void RecordNotify(void *param, int code, COutlineNode *node, int value)
{
    static_cast<NotifyLog *>(param)->events.push_back(
        std::to_string(code) + ":" + (node ? TextOf(node) : std::to_string(value)));
}

std::vector<int> Levels(const COutlineMan &man)
{
    std::vector<int> out;
    const COutlineTree &tree = man.GetTree();
    for (COutlineNode *n = tree.GetFirstChild(nullptr); n; n = tree.GetNextInDocument(n))
        out.push_back(n->m_Item.m_nLevel);
    return out;
}

class Lifecycle : public ::testing::Test {
protected:
    TempDir m_Dir;
    CRecordingSink m_Sink;
    CFixedSettings m_Settings;
    CTestMan m_Man { &m_Settings, &m_Sink };
};

} // namespace

TEST_F(Lifecycle, ANewOutlineTakesTheApplicationsFontAndNumbering)
{
    std::strcpy(m_Settings.m_Font.lfFaceName, "Serif");
    m_Settings.m_Font.lfHeight = -13;
    m_Settings.m_nColour = 0x112233;
    const std::uint8_t scheme[10] = { 1, 2, 3, 0, 0, 0, 0, 0, 0, 6 };
    std::memcpy(m_Settings.m_Numbering, scheme, sizeof(scheme));

    ASSERT_TRUE(m_Man.NewOutline(true));
    EXPECT_TRUE(m_Man.IsOpen());
    EXPECT_TRUE(m_Man.IsNewDB());
    EXPECT_EQ(m_Man.DebugDump(), "");
    ASSERT_NE(m_Man.GetTree().GetFirstChild(nullptr), nullptr);
    EXPECT_NE(m_Man.GetTree().GetFirstChild(nullptr)->m_Item.m_pRecord, nullptr);
    EXPECT_EQ(m_Man.GetDB()->GetRecordset()->getSize(), 1u);

    kx_gen::LOGFONT font;
    kx_gen::COLORREF colour = 0;
    m_Man.GetDB()->GetOutlineFont(font, colour);
    EXPECT_STREQ(font.lfFaceName, "Serif");
    EXPECT_EQ(font.lfHeight, -13);
    EXPECT_EQ(colour, 0x112233u);
    std::uint8_t stored[10] = {};
    m_Man.GetNumbering(stored);
    EXPECT_EQ(0, std::memcmp(stored, scheme, 10));
    EXPECT_EQ(m_Man.GetDB()->getNumberingDivider(), 0);

    m_Man.SetNumberingDivider('.');
    EXPECT_EQ(m_Man.GetDB()->getNumberingDivider(), 0x2E2E);

    // The program names the unfiled category at start-up.
    kx_gen::CCategoryDB::setUnfiledCategoryName("Nicht abgelegt");
    ASSERT_TRUE(m_Man.NewOutline(false));
    EXPECT_TRUE(m_Man.GetTree().IsEmpty());
    EXPECT_EQ(m_Man.GetCategoryName(), "Nicht abgelegt");
}

TEST_F(Lifecycle, WithoutAnOutlineThereIsNothingToAddOrSave)
{
    EXPECT_FALSE(m_Man.IsOpen());
    EXPECT_EQ(m_Man.AddFirstItem(), nullptr);
    EXPECT_FALSE(m_Man.Save(m_Dir.file("x.kxo").c_str()));
    EXPECT_EQ(m_Man.GetLoadedRows(), -1);
    m_Man.ClearAll();
    EXPECT_TRUE(m_Man.GetTree().IsEmpty());
}

TEST_F(Lifecycle, EnsureItemKeepsAnOutlineEditable)
{
    ASSERT_TRUE(m_Man.NewOutline(false));
    // Nothing visible: a new item.
    COutlineNode *first = m_Man.EnsureItem(nullptr);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(m_Man.EnsureItem(nullptr), nullptr);
    // The first visible item with no next sibling gets a new one.
    COutlineNode *second = m_Man.EnsureItem(first);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(first->m_pNext, second);
    EXPECT_EQ(m_Man.EnsureItem(first), second);
    EXPECT_EQ(m_Man.EnsureItem(second), nullptr);
    // All items hidden: a new one appears.
    first->m_Item.m_bChecked = second->m_Item.m_bChecked = true;
    m_Man.SetShowChecked(false);
    COutlineNode *third = m_Man.EnsureItem(nullptr);
    ASSERT_NE(third, nullptr);
    EXPECT_EQ(third, m_Man.GetFirstVisible());
    EXPECT_EQ(m_Man.GetDB()->GetRecordset()->getSize(), 3u);
}

TEST_F(Lifecycle, ClearAllLeavesOneEmptyItemAndNoDeletedIds)
{
    WriteOutlineFile(
        m_Dir.file("a.kxo"), { { 0, "one", 17 }, { 1, "two", 42 }, { 0, "three", 0 } });
    ASSERT_TRUE(m_Man.Load(m_Dir.file("a.kxo").c_str()));
    m_Man.GetDB()->AddDeletedId(99);
    m_Man.Renumber();
    NotifyLog log;
    m_Man.SetNotify(RecordNotify, &log);
    m_Man.EnableNotify(true);
    m_Man.ClearAll();
    EXPECT_EQ(m_Man.DebugDump(), "");
    EXPECT_EQ(m_Man.GetTree().GetFirstChild(nullptr), m_Man.GetTree().GetLastChild(nullptr));
    EXPECT_EQ(m_Man.GetDB()->GetRecordset()->getSize(), 1u);
    EXPECT_EQ(m_Man.GetDB()->GetDeletedQuibs().GetSize(), 0u);
    EXPECT_EQ(m_Man.GetLevelExtent(0), 0);
    // Views hear that everything goes before it goes, then of the new item.
    ASSERT_EQ(log.events.size(), 2u);
    EXPECT_EQ(log.events[0], "10:0");
    EXPECT_EQ(log.events[1], "6:");
}

TEST_F(Lifecycle, LoadingRepairsLevelJumps)
{
    WriteOutlineFile(m_Dir.file("a.kxo"),
        { { 0, "a" }, { 3, "b" }, { 1, "c" }, { 0, "d" }, { 1, "e" }, { 2, "f" }, { 5, "g" },
            { 9, "h" }, { 12, "i" }, { 2, "j" }, { 2, "k" }, { 3, "l" }, { 1, "m" } });
    ASSERT_TRUE(m_Man.Load(m_Dir.file("a.kxo").c_str()));
    EXPECT_EQ(m_Man.DebugDump(), "a (b c) d (e (f (g (h)))) i (j (k (l)) m)");
    EXPECT_EQ(Levels(m_Man), (std::vector<int> { 0, 1, 1, 0, 1, 2, 3, 4, 0, 1, 2, 3, 1 }));
    // The repaired level is written into the record, so it is saved.
    const COutlineTree &tree = m_Man.GetTree();
    std::vector<int> stored;
    for (COutlineNode *n = tree.GetFirstChild(nullptr); n; n = tree.GetNextInDocument(n))
        stored.push_back(n->m_Item.m_pRecord->GetIndent());
    EXPECT_EQ(stored, Levels(m_Man));
    EXPECT_EQ(m_Man.GetLoadedRows(), 13);
    EXPECT_FALSE(m_Man.IsNewDB());
}

TEST_F(Lifecycle, TheDeepestLevelIsNine)
{
    std::vector<TRow> rows;
    for (int i = 0; i < 12; ++i)
        rows.push_back({ i, std::string(1, static_cast<char>('a' + i)) });
    WriteOutlineFile(m_Dir.file("deep.kxo"), rows);
    ASSERT_TRUE(m_Man.Load(m_Dir.file("deep.kxo").c_str()));
    // Indents 10 and 11 are damage and read as the top level.
    EXPECT_EQ(Levels(m_Man), (std::vector<int> { 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0 }));
    EXPECT_EQ(m_Man.MaxLevelInSubtree(m_Man.GetTree().GetFirstChild(nullptr)), 9);
}

TEST_F(Lifecycle, LoadingReadsEveryField)
{
    TRow row { 0, "first\r\nsecond", 1234, "a note", true, false };
    WriteOutlineFile(m_Dir.file("a.kxo"), { row, { 1, "child" } });
    ASSERT_TRUE(m_Man.Load(m_Dir.file("a.kxo").c_str()));
    const COutlineItem &item = m_Man.GetTree().GetFirstChild(nullptr)->m_Item;
    EXPECT_EQ(item.m_nId, 1234u);
    EXPECT_TRUE(item.m_bChecked);
    EXPECT_FALSE(item.m_bExpanded);
    EXPECT_EQ(item.m_Text.GetParaCount(), 2);
    EXPECT_EQ(item.m_Text.GetString(), "first\r\nsecond");
    EXPECT_EQ(item.m_strNote, "a note");
    EXPECT_FALSE(item.HasDrawing());
    EXPECT_EQ(m_Man.m_Modified, std::vector<bool> { false });
}

TEST_F(Lifecycle, AFileWithoutItemsGetsOneEmptyItemUnmodified)
{
    WriteOutlineFile(m_Dir.file("empty.kxo"), {});
    ASSERT_TRUE(m_Man.Load(m_Dir.file("empty.kxo").c_str()));
    EXPECT_EQ(m_Man.DebugDump(), "");
    ASSERT_NE(m_Man.GetTree().GetFirstChild(nullptr), nullptr);
    EXPECT_EQ(m_Man.GetTree().GetFirstChild(nullptr)->m_pNext, nullptr);
    EXPECT_EQ(m_Man.GetDB()->GetRecordset()->getSize(), 1u);
    EXPECT_EQ(m_Man.GetLoadedRows(), 0);
    EXPECT_EQ(m_Man.m_Modified, std::vector<bool> { false });
    EXPECT_TRUE(m_Sink.m_Messages.empty());
}

TEST_F(Lifecycle, AFailedLoadReportsTheErrorAndLeavesNothingOpen)
{
    WriteOutlineFile(m_Dir.file("a.kxo"), { { 0, "a" } });
    ASSERT_TRUE(m_Man.Load(m_Dir.file("a.kxo").c_str()));

    m_Dir.write("bad.kxo", std::string("PDB file, not an outline", 24));
    EXPECT_FALSE(m_Man.Load(m_Dir.file("bad.kxo").c_str()));
    EXPECT_FALSE(m_Man.IsOpen());
    EXPECT_TRUE(m_Man.GetTree().IsEmpty());
    ASSERT_EQ(m_Sink.m_Messages.size(), 1u);
    EXPECT_EQ(
        m_Sink.m_Messages[0], kx_gen::LoadLibraryString(kx_gen::kMsgCheckCodeDifferent).str());

    EXPECT_FALSE(m_Man.Load(m_Dir.file("missing.kxo").c_str()));
    EXPECT_EQ(m_Sink.m_Messages.size(), 2u);

    // A file cut short inside its records, after items were made of the
    // rows before.
    WriteOutlineFile(m_Dir.file("b.kxo"), { { 0, "a" }, { 1, "b" }, { 0, "c" } });
    const std::string whole = m_Dir.read("b.kxo");
    m_Dir.write("short.kxo", whole.substr(0, whole.size() - 6));
    EXPECT_FALSE(m_Man.Load(m_Dir.file("short.kxo").c_str()));
    EXPECT_EQ(m_Sink.m_Messages.size(), 3u);
    EXPECT_FALSE(m_Man.IsOpen());
    EXPECT_EQ(m_Man.GetLoadedRows(), -1);
}

TEST_F(Lifecycle, LoadedTextsAndNotesOutliveTheirRecordsBytesAndCopyThemOnTheFirstEdit)
{
    WriteOutlineFile(m_Dir.file("a.kxo"),
        { { 0, "first\r\nsecond", 0, "a note\r\nof two" }, { 0, "lone\nfeed\r" },
            { 0, "\r\r\nthird" }, { 0, "plain", 0, "n" } });
    ASSERT_TRUE(m_Man.Load(m_Dir.file("a.kxo").c_str()));
    std::vector<COutlineItem *> items;
    for (COutlineNode *n = m_Man.GetTree().GetFirstChild(nullptr); n;
         n = m_Man.GetTree().GetNextInDocument(n))
        items.push_back(&n->m_Item);
    ASSERT_EQ(items.size(), 4u);
    // Paragraphs break as typed text breaks them.
    EXPECT_EQ(items[0]->m_Text.GetParaCount(), 2);
    EXPECT_EQ(items[1]->m_Text.GetParaCount(), 2);
    EXPECT_EQ(items[1]->m_Text.GetPara(0).GetText(), "lone\nfeed");
    EXPECT_EQ(items[1]->m_Text.GetPara(1).GetText(), "");
    EXPECT_EQ(items[2]->m_Text.GetParaCount(), 3);
    EXPECT_EQ(items[2]->m_Text.GetString(), "\r\n\r\nthird");

    // Every record takes bytes of its own: the block they were read into
    // has no record left, yet the texts still read it.
    for (COutlineItem *item : items) {
        item->m_pRecord->SetChecked(true);
        item->m_pRecord->SetText(_String("replaced"));
        item->m_pRecord->SetNote(_String("replaced"));
    }
    EXPECT_EQ(items[0]->m_Text.GetString(), "first\r\nsecond");
    EXPECT_EQ(items[3]->m_Text.GetString(), "plain");
    EXPECT_EQ(items[0]->m_strNote, "a note\r\nof two");
    EXPECT_STREQ(items[3]->m_strNote.c_str(), "n");

    // A note that is given its own bytes, or copied, holds them itself.
    CNoteText &note = items[0]->m_strNote;
    EXPECT_TRUE(note.IsBorrowed());
    const CNoteText noteCopy = note;
    EXPECT_FALSE(noteCopy.IsBorrowed());
    note = note.view().substr(2);
    EXPECT_FALSE(note.IsBorrowed());
    EXPECT_EQ(note, "note\r\nof two");

    // Edits copy the characters first.
    CTextCtrl &text = items[0]->m_Text;
    EXPECT_TRUE(text.DeleteRange({ 1, 0 }, { 3, 1 }));
    EXPECT_EQ(text.GetString(), "fond");
    text.InsertAt({ 4, 0 }, _String("!"));
    EXPECT_TRUE(items[2]->m_Text.DeleteRange({ 0, 2 }, { 2, 2 }));
    EXPECT_EQ(items[2]->m_Text.GetString(), "\r\n\r\nird");
    CTextCtrl copy = items[3]->m_Text;
    items[3]->m_Text.SetString(_String("other"));
    EXPECT_EQ(copy.GetString(), "plain");

    ASSERT_TRUE(m_Man.Save(m_Dir.file("a.kxo").c_str()));
    m_Man.Close();
    EXPECT_EQ(copy.GetString(), "plain");
    EXPECT_EQ(noteCopy, "a note\r\nof two");
    ASSERT_TRUE(m_Man.Load(m_Dir.file("a.kxo").c_str()));
    const COutlineNode *first = m_Man.GetTree().GetFirstChild(nullptr);
    EXPECT_EQ(first->m_Item.m_Text.GetString(), "fond!");
    EXPECT_EQ(first->m_Item.m_strNote, "note\r\nof two");
    EXPECT_EQ(m_Man.GetTree().GetNextInDocument(first)->m_Item.m_Text.GetString(),
        "lone\nfeed\r\n");
}

TEST_F(Lifecycle, ClosingFreesTheOutline)
{
    WriteOutlineFile(m_Dir.file("a.kxo"), { { 0, "a" }, { 1, "b" } });
    ASSERT_TRUE(m_Man.Load(m_Dir.file("a.kxo").c_str()));
    m_Man.Renumber();
    m_Man.Close();
    EXPECT_FALSE(m_Man.IsOpen());
    EXPECT_TRUE(m_Man.GetTree().IsEmpty());
    EXPECT_EQ(m_Man.GetLevelExtent(0), 0);
}
