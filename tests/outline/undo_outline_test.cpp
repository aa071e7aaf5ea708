// Undo and redo on an outline: what each kind of record puts back, where the
// caret is suggested, the deleted ids, the file rows of restored items,
// failed replays and the histories of new, loaded and cleared outlines.

#include "../corvale/TempDir.h"
#include "UndoTestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <utime.h>

using kx_gen::_String;
using Label = CUndoOutlineMan::Label;

namespace {

class UndoOutline : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_Man.NewOutline(false));
        m_Log.Attach(m_Man);
    }
    void Build(const char *line)
    {
        BuildTree(m_Man, line);
        m_Man.Renumber();
    }
    COutlineNode *Node(const char *text) { return NodeOf(m_Man, text); }
    std::string Dump() { return m_Man.DebugDump(COutlineMan::kDumpChecked).str(); }

    CEditSettings m_Settings;
    CRecordingSink m_Sink;
    COutlineMan m_Man { &m_Settings, &m_Sink };
    CNotifyLog m_Log;
};

// An outline file whose modification time is in the past.
constexpr time_t kOldTime = 1000000000;
void SetOldTime(const std::string &path)
{
    utimbuf times { kOldTime, kOldTime };
    utime(path.c_str(), &times);
}
time_t ModificationTime(const std::string &path)
{
    struct stat st { };
    stat(path.c_str(), &st);
    return st.st_mtime;
}

} // namespace

TEST_F(UndoOutline, TypingThreeCharactersIsOneStep)
{
    Build("a");
    COutlineNode *a = Node("a");
    CTextPos pos { 1, 0 };
    for (const char *c : { "b", "c", "d" }) {
        m_Man.GetUndo()->BeginGroup(Label::kLabelTyping, true);
        ASSERT_TRUE(m_Man.InsertText(a, pos, _String(c), &pos));
        m_Man.GetUndo()->EndGroup();
    }
    EXPECT_EQ(TextOf(a), "abcd");
    EXPECT_EQ(m_Man.GetUndo()->GetGroupCount(), 1);
    EXPECT_EQ(m_Man.GetUndo()->GetUndoMenuText().str(), "&Undo Typing\tCtrl+Z");
    COutlineNode *node = nullptr;
    CTextPos caret;
    ASSERT_TRUE(UndoStep(m_Man, &node, &caret));
    EXPECT_EQ(TextOf(a), "a");
    EXPECT_EQ(node, a);
    EXPECT_EQ(caret, (CTextPos { 1, 0 }));
    ASSERT_TRUE(RedoStep(m_Man, &node, &caret));
    EXPECT_EQ(TextOf(a), "abcd");
    EXPECT_EQ(caret, (CTextPos { 4, 0 }));
}

TEST_F(UndoOutline, DeletedTextComesBackWithTheCaretAfterIt)
{
    Build("ab|cd");
    COutlineNode *a = Node("ab\r\ncd");
    // One character: kept inline in the record.
    Command(m_Man, Label::kLabelDelete, [&] { m_Man.DeleteText(a, { 1, 0 }, { 2, 0 }); });
    auto *record = static_cast<CUndoOutlText *>(m_Man.GetUndo()->GetUndoGroup()->front());
    EXPECT_TRUE(record->IsInline());
    EXPECT_FALSE(record->m_bInsert);
    EXPECT_EQ(TextOf(a), "a\r\ncd");
    // Across a paragraph break, positions given backwards.
    Command(m_Man, Label::kLabelBackspace, [&] { m_Man.DeleteText(a, { 1, 1 }, { 0, 0 }); });
    EXPECT_EQ(TextOf(a), "d");
    EXPECT_EQ(m_Log.Take(), "2:a\r\ncd 2:d");

    COutlineNode *node = nullptr;
    CTextPos caret;
    ASSERT_TRUE(UndoStep(m_Man, &node, &caret));
    EXPECT_EQ(TextOf(a), "a\r\ncd");
    EXPECT_EQ(caret, (CTextPos { 1, 1 }));
    ASSERT_TRUE(UndoStep(m_Man, &node, &caret));
    EXPECT_EQ(TextOf(a), "ab\r\ncd");
    EXPECT_EQ(caret, (CTextPos { 2, 0 }));
    EXPECT_EQ(m_Log.Take(), "3:a\r\ncd 3:ab\r\ncd");
    ASSERT_TRUE(RedoStep(m_Man, &node, &caret));
    EXPECT_EQ(caret, (CTextPos { 1, 0 }));
    EXPECT_EQ(TextOf(a), "a\r\ncd");
    // Nothing to delete: no step.
    EXPECT_FALSE(m_Man.DeleteText(a, { 1, 0 }, { 1, 0 }));
    EXPECT_FALSE(m_Man.DeleteText(a, { 0, 0 }, { 9, 0 }));
}

TEST_F(UndoOutline, ADeletedItemComesBackWithItsIdAndPlace)
{
    TempDir dir;
    const std::string path = dir.file("o.kxo");
    WriteOutlineFile(path, { { 0, "a", 1 }, { 1, "b", 2 }, { 2, "c", 3 }, { 1, "d", 4 } });
    ASSERT_TRUE(m_Man.Load(path.c_str()));
    const std::string before = Describe(m_Man);
    Command(m_Man, Label::kLabelDeleteNode, [&] { m_Man.DeleteItem(Node("b")); });
    EXPECT_EQ(Dump(), "a (d)");
    EXPECT_EQ(DeletedIds(m_Man), (std::vector<std::uint32_t> { 2, 3 }));
    EXPECT_EQ(m_Man.GetDB()->GetRecordset()->getSize(), 2u);

    COutlineNode *node = nullptr;
    ASSERT_TRUE(UndoStep(m_Man, &node));
    EXPECT_EQ(Describe(m_Man), before);
    EXPECT_TRUE(DeletedIds(m_Man).empty());
    EXPECT_EQ(TextOf(node), "c");
    EXPECT_EQ(CheckConsistency(m_Man), "");

    ASSERT_TRUE(RedoStep(m_Man, &node));
    EXPECT_EQ(Dump(), "a (d)");
    EXPECT_EQ(DeletedIds(m_Man), (std::vector<std::uint32_t> { 2, 3 }));
    EXPECT_EQ(TextOf(node), "a");
    EXPECT_EQ(CheckConsistency(m_Man), "");
}

TEST_F(UndoOutline, DeletingAndUndoingIsNoChangeForTheFile)
{
    TempDir dir;
    const std::string path = dir.file("o.kxo");
    WriteOutlineFile(path, { { 0, "a", 1 }, { 1, "b", 2 }, { 0, "c", 3 } });
    SetOldTime(path);
    ASSERT_TRUE(m_Man.Load(path.c_str()));
    Command(m_Man, Label::kLabelDeleteNode, [&] { m_Man.DeleteItem(Node("b")); });
    ASSERT_TRUE(UndoStep(m_Man));
    // The restored item compares with its own row: nothing changed.
    ASSERT_TRUE(m_Man.Save(path.c_str()));
    EXPECT_EQ(ModificationTime(path), kOldTime);
    COutlineFileReader file(path);
    EXPECT_FALSE(file.DB().GetOutlineChanged());
    EXPECT_EQ(file.Texts(), "a b c");
    EXPECT_FALSE(file.Row(1).IsNew());
}

TEST_F(UndoOutline, AnItemRestoredAfterASaveIsNewToTheNextSave)
{
    TempDir dir;
    const std::string path = dir.file("o.kxo");
    WriteOutlineFile(path, { { 0, "a", 1 }, { 0, "b", 2 }, { 0, "c", 3 }, { 0, "d", 4 } });
    ASSERT_TRUE(m_Man.Load(path.c_str()));
    Command(m_Man, Label::kLabelDeleteNode, [&] { m_Man.DeleteItem(Node("b")); });
    ASSERT_TRUE(m_Man.Save(path.c_str()));
    // The rows of the old file are gone: reading "b"'s old place in the new
    // file would find another record, or none.
    ASSERT_TRUE(UndoStep(m_Man));
    ASSERT_TRUE(m_Man.Save(path.c_str()))
        << (m_Sink.m_Messages.empty() ? "" : m_Sink.m_Messages[0]);
    COutlineFileReader file(path);
    EXPECT_EQ(file.Texts(), "a b c d");
    EXPECT_TRUE(file.Row(1).IsNew());
    EXPECT_FALSE(file.Row(2).IsNew());
    EXPECT_EQ(file.Row(1).GetId(), 2u);
    EXPECT_FALSE(file.DB().IsDeleted(2u));
}

TEST_F(UndoOutline, AMoveInHideCheckedModeGoesBackToItsExactPlace)
{
    Build("a x:h1 b x:h2 x:h3 c");
    m_Man.SetShowChecked(false);
    COutlineNode *c = Node("c");
    // Up goes before the shown item above, over the hidden ones.
    Command(m_Man, Label::kLabelMoveUp, [&] { m_Man.MoveUp(c); });
    EXPECT_EQ(Dump(), "a c x:h1 b x:h2 x:h3");
    Command(m_Man, Label::kLabelMoveUp, [&] { m_Man.MoveUp(c); });
    EXPECT_EQ(Dump(), "c a x:h1 b x:h2 x:h3");
    ASSERT_TRUE(UndoStep(m_Man));
    ASSERT_TRUE(UndoStep(m_Man));
    EXPECT_EQ(Dump(), "a x:h1 b x:h2 x:h3 c");
    // Showing the checked items again in between makes no difference.
    m_Man.SetShowChecked(true);
    ASSERT_TRUE(RedoStep(m_Man));
    EXPECT_EQ(Dump(), "a c x:h1 b x:h2 x:h3");
}

TEST_F(UndoOutline, UndoingACreationSuggestsThePreviousVisibleItem)
{
    Build("a+ (b) c");
    COutlineNode *fresh = nullptr;
    Command(m_Man, Label::kLabelCreateNode, [&] { fresh = m_Man.NewItem(Node("c")); });
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(m_Log.Take(), "");
    COutlineNode *node = nullptr;
    ASSERT_TRUE(UndoStep(m_Man, &node));
    EXPECT_EQ(node, Node("c"));
    EXPECT_EQ(m_Log.Take(), "1:");
    EXPECT_TRUE(fresh->m_Item.m_bDetached);
    ASSERT_TRUE(RedoStep(m_Man, &node));
    EXPECT_EQ(node, fresh);
    EXPECT_EQ(m_Log.Take(), "6:");
    EXPECT_FALSE(fresh->m_Item.m_bDetached);
    // Undoing everything, the first item gone, leaves the caret with none.
    ASSERT_TRUE(UndoStep(m_Man));
    EXPECT_FALSE(m_Man.GetUndo()->CanUndo());
}

TEST_F(UndoOutline, ACheckMarkIsRestoredAndItsItemShown)
{
    Build("a (b c)");
    COutlineNode *b = Node("b");
    Command(m_Man, Label::kLabelCheck, [&] { m_Man.ToggleCheck(b); });
    EXPECT_TRUE(b->m_Item.m_bChecked);
    EXPECT_EQ(m_Log.Take(), "8:b");
    COutlineNode *node = nullptr;
    ASSERT_TRUE(UndoStep(m_Man, &node));
    EXPECT_FALSE(b->m_Item.m_bChecked);
    EXPECT_EQ(node, b);
    // The collapsed parent was opened so that the change can be seen.
    EXPECT_TRUE(Node("a")->m_Item.m_bExpanded);
    EXPECT_EQ(m_Log.Take(), "8:b");
    // Redo checks it again; hidden now, the item shown before it is
    // suggested.
    m_Man.SetShowChecked(false);
    ASSERT_TRUE(RedoStep(m_Man, &node));
    EXPECT_TRUE(b->m_Item.m_bChecked);
    EXPECT_EQ(node, Node("a"));
    ASSERT_TRUE(UndoStep(m_Man));
    Command(m_Man, Label::kLabelCheck, [&] { m_Man.ToggleCheck(Node("c")); });
    ASSERT_TRUE(UndoStep(m_Man));
    ASSERT_TRUE(RedoStep(m_Man, &node));
    EXPECT_EQ(node, b);
}

TEST_F(UndoOutline, NotesAndDrawingsAreUndone)
{
    Build("a b");
    COutlineNode *a = Node("a");
    Command(m_Man, Label::kLabelCreateNote, [&] { m_Man.SetNote(a, _String("hello")); });
    EXPECT_EQ(m_Log.Take(), "4:a");
    m_Man.SetNote(a, _String("hello"));
    EXPECT_EQ(m_Man.GetUndo()->GetGroupCount(), 1);
    // Outside a group the operation makes its own step, named after it.
    m_Man.SetNote(a, _String());
    EXPECT_EQ(m_Man.GetUndo()->GetUndoMenuText().str(), "&Undo Delete note\tCtrl+Z");
    EXPECT_FALSE(a->m_Item.HasNote());

    kx_gen::MemHolder dib(kx_gen::CreateDIB(6, 4, 8));
    ASSERT_TRUE(m_Man.SetItemDrawing(a, dib.get()));
    EXPECT_EQ(m_Man.GetUndo()->GetUndoMenuText().str(), "&Undo Create picture\tCtrl+Z");
    EXPECT_EQ(a->m_Item.m_nDrawWidth, 6);
    const std::string drawing = DrawingOf(a->m_Item);
    ASSERT_TRUE(m_Man.SetItemDrawing(a, nullptr));
    EXPECT_FALSE(a->m_Item.HasDrawing());
    EXPECT_EQ(m_Log.Take(), "4:a 5:a 5:a");

    ASSERT_TRUE(UndoStep(m_Man));
    EXPECT_EQ(a->m_Item.m_nDrawWidth, 6);
    EXPECT_EQ(a->m_Item.m_nDrawHeight, 4);
    EXPECT_EQ(DrawingOf(a->m_Item), drawing);
    ASSERT_TRUE(UndoStep(m_Man));
    EXPECT_FALSE(a->m_Item.HasDrawing());
    ASSERT_TRUE(UndoStep(m_Man));
    EXPECT_EQ(a->m_Item.m_strNote.str(), "hello");
    ASSERT_TRUE(UndoStep(m_Man));
    EXPECT_FALSE(a->m_Item.HasNote());
    EXPECT_EQ(m_Log.Take(), "5:a 5:a 4:a 4:a");
    ASSERT_TRUE(RedoStep(m_Man));
    ASSERT_TRUE(RedoStep(m_Man));
    ASSERT_TRUE(RedoStep(m_Man));
    EXPECT_EQ(DrawingOf(a->m_Item), drawing);
    EXPECT_FALSE(a->m_Item.HasNote());
}

TEST_F(UndoOutline, SortingIsOneStepThatPutsEveryItemBack)
{
    Build("b+ (z y x) A c (q p)");
    const std::string before = Dump();
    Command(m_Man, Label::kLabelSort, [&] { m_Man.Sort(nullptr, true); });
    EXPECT_EQ(Dump(), "A b (x y z) c (p q)");
    ASSERT_TRUE(UndoStep(m_Man));
    EXPECT_EQ(Dump(), before);
    Command(m_Man, Label::kLabelSort, [&] { m_Man.Sort(Node("b"), false); });
    EXPECT_EQ(Dump(), "b (z y x) A c (q p)");
    // Nothing moved: no step.
    EXPECT_EQ(m_Man.GetUndo()->GetGroupCount(), 0);
    EXPECT_EQ(CheckConsistency(m_Man), "");
}

TEST_F(UndoOutline, AutoCheckingFollowsTheChildrenAndIsUndoneExactly)
{
    m_Settings.m_bAutoCheck = true;
    Build("p (a x:b) q");
    COutlineNode *p = Node("p");
    Command(m_Man, Label::kLabelCheck, [&] { m_Man.ToggleCheck(Node("a")); });
    EXPECT_EQ(Dump(), "x:p (x:a x:b) q");
    EXPECT_EQ(m_Log.Take(), "8:a 8:p");
    Command(m_Man, Label::kLabelCheck, [&] { m_Man.ToggleCheck(Node("b")); });
    EXPECT_EQ(Dump(), "p (x:a b) q");
    // An unchecked parent sends nothing.
    EXPECT_EQ(m_Log.Take(), "8:b");
    ASSERT_TRUE(UndoStep(m_Man));
    EXPECT_EQ(Dump(), "x:p (x:a x:b) q");
    ASSERT_TRUE(UndoStep(m_Man));
    EXPECT_EQ(Dump(), "p (a x:b) q");

    // A parent that the user set in the same command keeps the user's mark.
    Command(m_Man, Label::kLabelCheck, [&] {
        m_Man.ToggleCheck(Node("a"));
        m_Man.ToggleCheck(p);
        m_Man.ToggleCheck(p);
    });
    EXPECT_EQ(Dump(), "p (x:a x:b) q");
    // Marks that a user gave against the rule come back with undo.
    Command(m_Man, Label::kLabelCheck, [&] { m_Man.ToggleCheck(p); });
    Command(m_Man, Label::kLabelCheck, [&] { m_Man.ToggleCheck(Node("a")); });
    EXPECT_EQ(Dump(), "p (a x:b) q");
    ASSERT_TRUE(UndoStep(m_Man));
    EXPECT_EQ(Dump(), "x:p (x:a x:b) q");
    EXPECT_EQ(CheckConsistency(m_Man), "");
}

TEST_F(UndoOutline, AFailedReplayPutsBackWhatItDidAndClearsTheHistory)
{
    Build("a b c");
    Command(m_Man, Label::kLabelDeleteSelection, [&] {
        m_Man.ToggleCheck(Node("a"));
        m_Man.DeleteItem(Node("b"));
        m_Man.ToggleCheck(Node("c"));
    });
    const std::string after = Describe(m_Man);
    // Damage the copy of the deleted item's record, as memory trouble would.
    CUndoGroup *group = m_Man.GetUndo()->GetUndoGroup();
    CUndoDelete *deleted = nullptr;
    for (CUndoRecord *r : *group) {
        if (auto *d = dynamic_cast<CUndoDelete *>(r))
            deleted = d;
    }
    ASSERT_NE(deleted, nullptr);
    deleted->m_Record.FreeData();
    EXPECT_FALSE(m_Man.Undo(nullptr, nullptr));
    EXPECT_EQ(Describe(m_Man), after);
    EXPECT_EQ(m_Sink.m_Messages.size(), 1u);
    EXPECT_FALSE(m_Man.GetUndo()->CanUndo());
    // The view steps anyway; nothing goes wrong.
    m_Man.GetUndo()->Step(true);
    EXPECT_EQ(m_Man.GetUndo()->GetPos(), 0);
    EXPECT_EQ(CheckConsistency(m_Man), "");
}

TEST_F(UndoOutline, NoReplayWhileACommandIsRecorded)
{
    Build("a");
    Command(m_Man, Label::kLabelCheck, [&] { m_Man.ToggleCheck(Node("a")); });
    m_Man.GetUndo()->BeginGroup(Label::kLabelTyping, false);
    EXPECT_FALSE(m_Man.Undo(nullptr, nullptr));
    m_Man.GetUndo()->EndGroup();
    EXPECT_TRUE(m_Man.Undo(nullptr, nullptr));
}

TEST_F(UndoOutline, ADiscardedDeletionFreesItsItems)
{
    Build("a (b c) d");
    Command(m_Man, Label::kLabelDeleteNode, [&] { m_Man.DeleteItem(Node("a")); });
    Command(m_Man, Label::kLabelCreateNode, [&] { m_Man.NewItem(Node("d")); });
    ASSERT_TRUE(UndoStep(m_Man));
    ASSERT_TRUE(UndoStep(m_Man));
    // Redo the deletion, so that its records own the items again, then
    // undo and make a new command: the history lets go of every item.
    ASSERT_TRUE(RedoStep(m_Man));
    Command(m_Man, Label::kLabelCheck, [&] { m_Man.ToggleCheck(Node("d")); });
    EXPECT_FALSE(m_Man.GetUndo()->CanRedo());
    EXPECT_EQ(m_Man.GetUndo()->GetGroupCount(), 2);
    EXPECT_EQ(CheckConsistency(m_Man), "");
    // Items kept by the history are freed with it (the sanitizer run checks).
    m_Man.Close();
    EXPECT_EQ(m_Man.GetUndo(), nullptr);
}

TEST_F(UndoOutline, EveryNewOutlineStartsANewHistory)
{
    Build("a");
    Command(m_Man, Label::kLabelDeleteNode, [&] { m_Man.DeleteItem(Node("a")); });
    EXPECT_TRUE(m_Man.GetUndo()->CanUndo());
    m_Man.ClearAll();
    EXPECT_FALSE(m_Man.GetUndo()->CanUndo());
    EXPECT_EQ(m_Man.GetTree().GetFirstChild(nullptr)->m_Item.m_Text.GetString().str(), "");
    Command(m_Man, Label::kLabelCreateNode, [&] { m_Man.NewItem(nullptr); });
    ASSERT_TRUE(m_Man.NewOutline(true));
    EXPECT_FALSE(m_Man.GetUndo()->CanUndo());
    // The first item of a new outline is no step either.
    EXPECT_EQ(m_Man.GetUndo()->GetGroupCount(), 0);
}
