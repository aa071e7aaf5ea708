// The undo history on its own: groups, merging, the record limit, disposal,
// positions, labels and menu texts, and how text records keep their text.

#include "UndoOutlineMan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using kx_gen::_String;

namespace {

// A record that counts its own destruction.
class CCountedRecord : public CUndoRecord {
public:
    explicit CCountedRecord(int *destroyed)
        : m_pDestroyed(destroyed)
    {
    }
    ~CCountedRecord() override { ++*m_pDestroyed; }

private:
    int *m_pDestroyed;
};

class UndoMan : public ::testing::Test {
protected:
    void SetUp() override { m_Undo.SetDispose(&UndoMan::Dispose, this); }

    static void Dispose(void *param, int reserved, CUndoRecord *record)
    {
        auto *self = static_cast<UndoMan *>(param);
        EXPECT_EQ(reserved, 0);
        self->m_Disposed.push_back(record);
    }

    // A command of `records` records.
    void Command(int label, int records, bool merge = false)
    {
        m_Undo.BeginGroup(label, merge);
        for (int i = 0; i < records; ++i)
            m_Undo.AddRecord(new CCountedRecord(&m_nDestroyed));
        m_Undo.EndGroup();
    }

    std::string UndoLabel() const
    {
        _String text;
        m_Undo.GetUndoLabel(text);
        return text.str();
    }

    std::vector<CUndoRecord *> m_Disposed;
    int m_nDestroyed = 0;
    // Last, so that it goes first and its records find the counters.
    CUndoOutlineMan m_Undo;
};

} // namespace

TEST_F(UndoMan, ACommandThatRecordsNothingLeavesNoStep)
{
    Command(CUndoOutlineMan::kLabelCreateNode, 1);
    Command(CUndoOutlineMan::kLabelDeleteNode, 0);
    EXPECT_EQ(m_Undo.GetGroupCount(), 1);
    EXPECT_EQ(m_Undo.GetPos(), 1);
    EXPECT_EQ(UndoLabel(), "Create node");
    EXPECT_EQ(m_Undo.GetUndoMenuText().str(), "&Undo Create node\tCtrl+Z");
    EXPECT_EQ(m_Undo.GetRedoMenuText().str(), "&Redo\tCtrl+Y");
    EXPECT_EQ(m_Undo.GetLastEndedGroup(), nullptr);
}

TEST_F(UndoMan, MergingContinuesOnlyAGroupOfTheSameLabel)
{
    Command(CUndoOutlineMan::kLabelTyping, 1, true);
    Command(CUndoOutlineMan::kLabelTyping, 1, true);
    Command(CUndoOutlineMan::kLabelTyping, 1, true);
    EXPECT_EQ(m_Undo.GetGroupCount(), 1);
    EXPECT_EQ(m_Undo.GetUndoGroup()->size(), 3u);
    // Without merging, or after another command, a new group starts.
    Command(CUndoOutlineMan::kLabelTyping, 1, false);
    Command(CUndoOutlineMan::kLabelBackspace, 1, true);
    Command(CUndoOutlineMan::kLabelTyping, 1, true);
    EXPECT_EQ(m_Undo.GetGroupCount(), 4);
    EXPECT_EQ(m_Undo.GetRecordCount(), 6);
}

TEST_F(UndoMan, AFullHistoryDropsWholeGroupsOldestFirst)
{
    for (int i = 0; i < 11; ++i)
        Command(CUndoOutlineMan::kLabelCreateNode + i % 2, 100);
    // The limit is checked only when a command begins: 1100 records now.
    EXPECT_EQ(m_Undo.GetRecordCount(), 1100);
    EXPECT_EQ(m_nDestroyed, 0);
    Command(CUndoOutlineMan::kLabelIndent, 1);
    EXPECT_EQ(m_Undo.GetRecordCount(), 1001);
    EXPECT_EQ(m_Undo.GetGroupCount(), 11);
    EXPECT_EQ(m_Undo.GetPos(), 11);
    EXPECT_EQ(m_nDestroyed, 100);
    EXPECT_EQ(m_Disposed.size(), 100u);
    EXPECT_EQ(m_Undo.GetGroup(0)->m_nLabel, CUndoOutlineMan::kLabelDeleteNode);

    // One command may go past the limit; the next one drops it whole.
    m_Undo.Clear();
    Command(CUndoOutlineMan::kLabelPasteNodes, 1500);
    EXPECT_EQ(m_Undo.GetRecordCount(), 1500);
    Command(CUndoOutlineMan::kLabelIndent, 2);
    EXPECT_EQ(m_Undo.GetGroupCount(), 1);
    EXPECT_EQ(m_Undo.GetRecordCount(), 2);
    EXPECT_EQ(UndoLabel(), "Indent node");
}

TEST_F(UndoMan, ANewCommandDiscardsTheRedoGroups)
{
    Command(CUndoOutlineMan::kLabelCreateNode, 2);
    Command(CUndoOutlineMan::kLabelIndent, 3);
    Command(CUndoOutlineMan::kLabelOutdent, 4);
    EXPECT_TRUE(m_Undo.Step(true));
    EXPECT_TRUE(m_Undo.Step(true));
    EXPECT_EQ(m_Undo.GetPos(), 1);
    EXPECT_TRUE(m_Undo.CanRedo());
    EXPECT_EQ(m_Undo.GetRedoGroup()->m_nLabel, CUndoOutlineMan::kLabelIndent);
    _String redo;
    m_Undo.GetRedoLabel(redo);
    EXPECT_EQ(redo.str(), "Indent node");

    Command(CUndoOutlineMan::kLabelMoveUp, 1);
    EXPECT_EQ(m_nDestroyed, 7);
    EXPECT_FALSE(m_Undo.CanRedo());
    EXPECT_EQ(m_Undo.GetGroupCount(), 2);
    EXPECT_EQ(m_Undo.GetRecordCount(), 3);
}

TEST_F(UndoMan, StepStopsAtBothEnds)
{
    EXPECT_FALSE(m_Undo.CanUndo());
    EXPECT_FALSE(m_Undo.Step(true));
    EXPECT_EQ(m_Undo.GetPos(), 0);
    Command(CUndoOutlineMan::kLabelCreateNode, 1);
    Command(CUndoOutlineMan::kLabelCreateNode, 1);
    EXPECT_TRUE(m_Undo.Step(true));
    EXPECT_FALSE(m_Undo.Step(true));
    EXPECT_FALSE(m_Undo.Step(true));
    EXPECT_EQ(m_Undo.GetPos(), 0);
    EXPECT_TRUE(m_Undo.Step(false));
    EXPECT_FALSE(m_Undo.Step(false));
    EXPECT_FALSE(m_Undo.Step(false));
    EXPECT_EQ(m_Undo.GetPos(), 2);
}

TEST_F(UndoMan, LabelTexts)
{
    const std::pair<int, const char *> known[] = { { 0, "Unknown" }, { 1, "Paste" },
        { 4, "Typing" }, { 9, "Delete" }, { 17, "Check/Uncheck node" }, { 24, "Drag and Drop" },
        { 26, "Drag and Drop" }, { 27, "Drag and Drop" }, { 7, "Drag And Drop" },
        { 28, "Copy to Filing Cabinet" }, { 30, "Delete all checked items" }, { 32, "cut nodes" },
        { 33, "paste nodes" }, { 35, "Line Numbers" } };
    for (const auto &[label, text] : known) {
        _String out;
        EXPECT_TRUE(m_Undo.GetLabelText(label, out)) << label;
        EXPECT_EQ(out.str(), text);
    }
    for (int label : { 23, 25, 34, 36, -1 }) {
        _String out("stale");
        EXPECT_FALSE(m_Undo.GetLabelText(label, out)) << label;
        EXPECT_TRUE(out.IsEmpty());
    }
    // A command without a label text gives the bare menu text.
    Command(CUndoOutlineMan::kLabelDuplicate, 1);
    EXPECT_EQ(m_Undo.GetUndoMenuText().str(), "&Undo\tCtrl+Z");
    CUndoMan base;
    _String out("x");
    EXPECT_FALSE(base.GetLabelText(0, out));
    EXPECT_TRUE(out.IsEmpty());
}

TEST_F(UndoMan, NestedGroupsAndRecordsOutsideAGroup)
{
    m_Undo.BeginGroup(CUndoOutlineMan::kLabelTyping, false);
    m_Undo.AddRecord(new CCountedRecord(&m_nDestroyed));
    m_Undo.BeginGroup(CUndoOutlineMan::kLabelDeleteNode, false);
    m_Undo.AddRecord(new CCountedRecord(&m_nDestroyed));
    m_Undo.EndGroup();
    EXPECT_TRUE(m_Undo.IsRecording());
    m_Undo.EndGroup();
    EXPECT_FALSE(m_Undo.IsRecording());
    EXPECT_EQ(m_Undo.GetGroupCount(), 1);
    EXPECT_EQ(UndoLabel(), "Typing");
    // An extra EndGroup does nothing.
    m_Undo.EndGroup();
    EXPECT_EQ(m_Undo.GetGroupCount(), 1);

    // No change escapes the history: a record outside a group is a step.
    m_Undo.AddRecord(new CCountedRecord(&m_nDestroyed));
    EXPECT_EQ(m_Undo.GetGroupCount(), 2);
    EXPECT_EQ(UndoLabel(), "Unknown");
    EXPECT_EQ(m_Undo.GetRecordCount(), 3);
}

TEST_F(UndoMan, RecordsJoinOnlyTheLastGroupThatCanBeUndone)
{
    Command(CUndoOutlineMan::kLabelCheck, 1);
    CUndoGroup *first = m_Undo.GetUndoGroup();
    Command(CUndoOutlineMan::kLabelCheck, 1);
    CUndoGroup *second = m_Undo.GetUndoGroup();
    EXPECT_FALSE(m_Undo.AppendToGroup(first, new CCountedRecord(&m_nDestroyed)));
    EXPECT_EQ(m_nDestroyed, 1);
    EXPECT_TRUE(m_Undo.AppendToGroup(second, new CCountedRecord(&m_nDestroyed)));
    EXPECT_EQ(second->size(), 2u);
    EXPECT_EQ(m_Undo.GetRecordCount(), 3);
    m_Undo.Step(true);
    EXPECT_FALSE(m_Undo.AppendToGroup(second, new CCountedRecord(&m_nDestroyed)));
}

TEST_F(UndoMan, ClearDisposesOfEveryRecord)
{
    Command(CUndoOutlineMan::kLabelCreateNode, 3);
    Command(CUndoOutlineMan::kLabelCreateNode, 2);
    m_Undo.Step(true);
    m_Undo.Clear();
    EXPECT_EQ(m_Disposed.size(), 5u);
    EXPECT_EQ(m_nDestroyed, 5);
    EXPECT_EQ(m_Undo.GetPos(), 0);
    EXPECT_EQ(m_Undo.GetRecordCount(), 0);
    EXPECT_FALSE(m_Undo.CanUndo());
    EXPECT_FALSE(m_Undo.CanRedo());
}

TEST(UndoTextRecord, OneCharacterIsKeptInTheFieldItself)
{
    const CTextPos from { 2, 0 };
    const CTextPos to { 3, 0 };
    CUndoOutlText one(nullptr, false, from, to, _String("q"));
    EXPECT_TRUE(one.IsInline());
    EXPECT_EQ(one.m_Text, static_cast<std::uintptr_t>('q'));
    EXPECT_EQ(one.GetText().str(), "q");
    CUndoOutlText high(nullptr, false, from, to, _String("\xE9"));
    EXPECT_EQ(high.m_Text, 0xE9u);
    EXPECT_EQ(high.GetText().str(), "\xE9");

    CUndoOutlText none(nullptr, true, from, from, _String());
    EXPECT_EQ(none.m_Text, 0u);
    EXPECT_TRUE(none.GetText().IsEmpty());

    CUndoOutlText longer(nullptr, true, from, to, _String("two\r\nlines"));
    EXPECT_FALSE(longer.IsInline());
    EXPECT_GE(longer.m_Text, 0x10000u);
    EXPECT_EQ(longer.GetText().str(), "two\r\nlines");

    // A NUL would read as "no text" in the field: it is kept like a longer text.
    CUndoOutlText nul(nullptr, true, from, to, _String(std::string(1, '\0')));
    EXPECT_FALSE(nul.IsInline());
    EXPECT_EQ(nul.GetText().size(), 1u);
}
