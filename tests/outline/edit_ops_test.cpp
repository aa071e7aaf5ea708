// The item operations: where new, moved and copied items go, what removals
// take with them, the preconditions the views test, and what each leaves in
// the record set, the deleted ids and the notifications. Each test undoes
// its commands again and expects the outline it started from.

#include "UndoTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

using kx_gen::_String;
using Label = CUndoOutlineMan::Label;

namespace {

class EditOps : public ::testing::Test {
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
        Restart();
    }
    // The outline that undoing everything must give back.
    void Restart() { m_strStart = Describe(m_Man); }
    COutlineNode *Node(const char *text) { return NodeOf(m_Man, text); }
    std::string Dump(unsigned flags = COutlineMan::kDumpChecked)
    {
        return m_Man.DebugDump(flags).str();
    }
    std::size_t Records() { return m_Man.GetDB()->GetRecordset()->getSize(); }
    // Undoes every step and compares with the outline that Build made.
    void ExpectUndoneToStart()
    {
        while (m_Man.GetUndo()->CanUndo())
            ASSERT_TRUE(UndoStep(m_Man));
        EXPECT_EQ(Describe(m_Man), m_strStart);
        EXPECT_EQ(CheckConsistency(m_Man), "");
    }

    CEditSettings m_Settings;
    CRecordingSink m_Sink;
    COutlineMan m_Man { &m_Settings, &m_Sink };
    CNotifyLog m_Log;
    std::string m_strStart;
};

} // namespace

TEST_F(EditOps, NewItemGoesAfterTheItemOrFirstUnderAnOpenOne)
{
    Build("a (b) c+ (d) e+ (x:f)");
    Command(m_Man, Label::kLabelCreateNode,
        [&] { m_Man.NewItem(Node("a"))->m_Item.m_Text.SetString("A"); });
    Command(m_Man, Label::kLabelCreateNode,
        [&] { m_Man.NewItem(Node("c"))->m_Item.m_Text.SetString("C"); });
    EXPECT_EQ(Dump(), "a (b) A c (C d) e (x:f)");
    // In hide-checked mode an item whose children are all checked has no
    // visible children.
    m_Man.SetShowChecked(false);
    Command(m_Man, Label::kLabelCreateNode,
        [&] { m_Man.NewItem(Node("e"))->m_Item.m_Text.SetString("E"); });
    EXPECT_EQ(Dump(), "a (b) A c (C d) e (x:f) E");
    EXPECT_EQ(Node("C")->m_Item.m_nLevel, 1);
    EXPECT_EQ(Records(), 9u);
    EXPECT_EQ(m_Log.Take(), "");
    ExpectUndoneToStart();
}

TEST_F(EditOps, NewItemUnderAnOpenItemAtTheDeepestLevelIsASibling)
{
    // No level describes "z"; only a damaged tree has children at level 9.
    Build("0+ (1+ (2+ (3+ (4+ (5+ (6+ (7+ (8+ (9+ (z))))))))))");
    COutlineNode *nine = Node("9");
    ASSERT_EQ(nine->m_Item.m_nLevel, 9);
    COutlineNode *fresh = nullptr;
    Command(m_Man, Label::kLabelCreateNode, [&] { fresh = m_Man.NewItem(nine); });
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(fresh->m_Item.m_nLevel, 9);
    EXPECT_EQ(fresh->m_pPrev, nine);
    EXPECT_EQ(fresh->m_pParent, Node("8"));
}

TEST_F(EditOps, Preconditions)
{
    Build("a (b c (d (e (f (g (h (i (j (z))))))))) k");
    COutlineNode *c = Node("c");
    EXPECT_EQ(Node("z")->m_Item.m_nLevel, 9);
    // c's subtree already reaches the deepest level.
    EXPECT_FALSE(m_Man.CanIndent(c));
    EXPECT_EQ(m_Man.IndentRoom(c), 1);
    EXPECT_EQ(m_Man.IndentRoom(Node("k")), 9);
    // A first child has no previous sibling to go under.
    EXPECT_FALSE(m_Man.CanIndent(Node("b")));
    EXPECT_TRUE(m_Man.CanIndent(Node("k")));
    EXPECT_FALSE(m_Man.CanIndent(Node("k"), 9));
    EXPECT_TRUE(m_Man.CanIndent(Node("k"), 8));
    // Outdenting takes the last child only, never a top-level item.
    EXPECT_FALSE(m_Man.CanOutdent(Node("a")));
    EXPECT_FALSE(m_Man.CanOutdent(Node("b")));
    EXPECT_TRUE(m_Man.CanOutdent(c));
    EXPECT_TRUE(m_Man.CanMoveUp(c));
    EXPECT_FALSE(m_Man.CanMoveDown(c));
    EXPECT_FALSE(m_Man.CanMoveUp(Node("a")));
}

TEST_F(EditOps, HiddenSiblingsDoNotCountForThePreconditions)
{
    Build("x:l m (x:n) x:o");
    m_Man.SetShowChecked(false);
    EXPECT_FALSE(m_Man.CanMoveUp(Node("m")));
    EXPECT_FALSE(m_Man.CanMoveDown(Node("m")));
    EXPECT_FALSE(m_Man.CanIndent(Node("m")));
    // The actual last child, shown or not.
    EXPECT_TRUE(m_Man.CanOutdent(Node("n")));
    m_Man.SetShowChecked(true);
    EXPECT_TRUE(m_Man.CanMoveUp(Node("m")));
    EXPECT_TRUE(m_Man.CanIndent(Node("m")));
}

TEST_F(EditOps, IndentOutdentAndMovesKeepLevelsAndAreUndone)
{
    Build("a (b) c (d (e)) f");
    Command(m_Man, Label::kLabelIndent, [&] { m_Man.Indent(Node("c")); });
    EXPECT_EQ(Dump(COutlineMan::kDumpLevels), "a:0 (b:1 c:1 (d:2 (e:3))) f:0");
    EXPECT_TRUE(Node("a")->m_Item.m_bExpanded);
    Command(m_Man, Label::kLabelOutdent, [&] { m_Man.Outdent(Node("c")); });
    EXPECT_EQ(Dump(COutlineMan::kDumpLevels), "a:0 (b:1) c:0 (d:1 (e:2)) f:0");
    Command(m_Man, Label::kLabelMoveDown, [&] { m_Man.MoveDown(Node("a")); });
    Command(m_Man, Label::kLabelMoveDown, [&] { m_Man.MoveDown(Node("a")); });
    EXPECT_EQ(Dump(), "c (d (e)) f a (b)");
    Command(m_Man, Label::kLabelMoveUp, [&] { m_Man.MoveUp(Node("f")); });
    EXPECT_EQ(Dump(), "f c (d (e)) a (b)");
    // Moves send nothing and leave the records as they were.
    EXPECT_EQ(m_Log.Take(), "");
    EXPECT_EQ(Records(), 6u);
    ExpectUndoneToStart();
}

TEST_F(EditOps, DeletingTheOnlyItemLeavesAnEmptyOne)
{
    Build("only (child)");
    Command(m_Man, Label::kLabelDeleteNode, [&] { m_Man.DeleteItem(Node("only")); });
    ASSERT_NE(m_Man.GetFirstVisible(), nullptr);
    EXPECT_EQ(Dump(), "");
    EXPECT_EQ(Records(), 1u);
    EXPECT_EQ(m_Log.Take(), "1:child 1:only");
    // The view's own EnsureItem finds an item now.
    EXPECT_EQ(m_Man.EnsureItem(nullptr), nullptr);
    ExpectUndoneToStart();
}

TEST_F(EditOps, DeletingCheckedItemsTakesTheirWholeSubtrees)
{
    Build("x:a (b c) d (x:e (f) g) x:h");
    Command(m_Man, Label::kLabelDeleteChecked, [&] { m_Man.DeleteChecked(); });
    EXPECT_EQ(Dump(), "d (g)");
    EXPECT_EQ(Records(), 2u);
    EXPECT_EQ(m_Man.GetUndo()->GetUndoMenuText().str(), "&Undo Delete all checked items\tCtrl+Z");
    ExpectUndoneToStart();
}

TEST_F(EditOps, DeletingEveryItemLeavesAnEmptyOne)
{
    Build("x:i (j) x:k");
    Command(m_Man, Label::kLabelDeleteChecked, [&] { m_Man.DeleteChecked(); });
    EXPECT_EQ(Dump(), "");
    EXPECT_EQ(Records(), 1u);
    ExpectUndoneToStart();
}

TEST_F(EditOps, UncheckAllRecordsEveryCheckedItem)
{
    Build("x:a (x:b c) x:d");
    Command(m_Man, Label::kLabelUncheckAll, [&] { m_Man.UncheckAll(); });
    EXPECT_EQ(Dump(), "a (b c) d");
    EXPECT_EQ(m_Man.GetUndo()->GetUndoGroup()->size(), 3u);
    ExpectUndoneToStart();
}

TEST_F(EditOps, DuplicatingCopiesTheSubtreeRightAfterItWithNewIds)
{
    Build("a (b c) d");
    for (COutlineNode *n : { Node("a"), Node("b"), Node("c") })
        n->m_Item.m_nId = 50;
    Node("b")->m_Item.m_strNote = "note";
    Restart();
    COutlineNode *copy = nullptr;
    Command(m_Man, Label::kLabelDuplicate, [&] { copy = m_Man.Duplicate(Node("a")); });
    EXPECT_EQ(Dump(), "a (b c) a (b c) d");
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->m_pPrev, Node("a"));
    EXPECT_EQ(Records(), 7u);
    int fresh = 0;
    for (COutlineNode *n = copy; n != Node("d"); n = m_Man.GetNextInDocument(n)) {
        EXPECT_EQ(n->m_Item.m_nId, 0u);
        ++fresh;
    }
    EXPECT_EQ(fresh, 3);
    EXPECT_EQ(copy->m_pFirstChild->m_Item.m_strNote.str(), "note");
    EXPECT_EQ(copy->m_pFirstChild->m_Item.m_nLevel, 1);
    EXPECT_EQ(m_Log.Take(), "");
    ExpectUndoneToStart();
}

TEST_F(EditOps, JoiningAppendsTheTextAndRemovesTheItem)
{
    Build("a|b c (d) e");
    EXPECT_EQ(m_Man.Join(Node("c"), Node("c")), nullptr);
    Command(m_Man, Label::kLabelBackspace,
        [&] { EXPECT_EQ(m_Man.Join(Node("a\r\nb"), Node("c")), nullptr); });
    EXPECT_EQ(m_Sink.m_Messages,
        (std::vector<std::string> { "You can not join an item that has sub-items" }));
    EXPECT_EQ(m_Man.GetUndo()->GetGroupCount(), 0);
    m_Sink.m_Messages.clear();

    COutlineNode *d = Node("d");
    COutlineNode *suggested = nullptr;
    Command(m_Man, Label::kLabelBackspace, [&] { suggested = m_Man.Join(Node("c"), d); });
    EXPECT_EQ(Dump(), "a|b cd e");
    // The former parent has no child left: the first visible item.
    EXPECT_EQ(TextOf(suggested), "a\r\nb");
    EXPECT_EQ(m_Log.Take(), "3:cd 1:d");
    Command(m_Man, Label::kLabelBackspace, [&] { m_Man.Join(Node("a\r\nb"), Node("cd")); });
    EXPECT_EQ(Dump(), "a|bcd e");
    ExpectUndoneToStart();
}

TEST_F(EditOps, SplittingMovesTheRestOfTheTextIntoANewItem)
{
    Build("one|two three");
    COutlineNode *a = Node("one\r\ntwo");
    COutlineNode *fresh = nullptr;
    Command(m_Man, Label::kLabelTyping, [&] { fresh = m_Man.SplitItem(a, { 1, 0 }); });
    EXPECT_EQ(TextOf(a), "o");
    EXPECT_EQ(TextOf(fresh), "ne\r\ntwo");
    Command(m_Man, Label::kLabelTyping, [&] { fresh = m_Man.SplitItem(Node("three"), { 5, 0 }); });
    EXPECT_EQ(Dump(), "o ne|two three ");
    EXPECT_EQ(m_Man.SplitItem(a, { 9, 0 }), nullptr);
    ExpectUndoneToStart();
}

TEST_F(EditOps, PastedLinesBecomeItemsUnlessOneNodeIsWanted)
{
    Build("a+ (head tail) z");
    COutlineNode *head = Node("head");
    COutlineNode *last = nullptr;
    CTextPos end;
    // "head" with the caret after "he", "a" selected.
    Command(m_Man, Label::kLabelPaste, [&] {
        m_Man.PasteTextLines(head, { 2, 0 }, { 3, 0 }, _String("X\r\nY\nZ"), &last, &end);
    });
    EXPECT_EQ(Dump(), "a (heX Y Zd tail) z");
    EXPECT_EQ(TextOf(last), "Zd");
    EXPECT_EQ(end, (CTextPos { 1, 0 }));
    EXPECT_EQ(last->m_Item.m_nLevel, 1);
    EXPECT_EQ(m_Log.Take(), "2:hed 2:he 3:heX 6: 3:Y 6: 3:Z 3:Zd");
    ExpectUndoneToStart();

    m_Settings.m_bSingleNode = true;
    Command(m_Man, Label::kLabelPaste, [&] {
        m_Man.PasteTextLines(head, { 4, 0 }, { 4, 0 }, _String("X\nY"), &last, &end);
    });
    EXPECT_EQ(Dump(), "a (headX|Y tail) z");
    EXPECT_EQ(last, head);
    EXPECT_EQ(end, (CTextPos { 1, 1 }));
}

TEST_F(EditOps, InsertingTextNotifiesEvenWhenItIsEmpty)
{
    Build("a");
    CTextPos end;
    EXPECT_TRUE(m_Man.InsertText(Node("a"), { 1, 0 }, _String(), &end));
    EXPECT_EQ(end, (CTextPos { 1, 0 }));
    EXPECT_EQ(m_Log.Take(), "3:a");
    EXPECT_EQ(m_Man.GetUndo()->GetGroupCount(), 0);
    EXPECT_FALSE(m_Man.InsertText(Node("a"), { 2, 0 }, _String("x"), &end));
    EXPECT_TRUE(m_Man.InsertText(Node("a"), { 0, 0 }, _String("b\r\nc"), &end));
    EXPECT_EQ(end, (CTextPos { 1, 1 }));
    EXPECT_EQ(TextOf(Node("b\r\nca")), "b\r\nca");
}

TEST_F(EditOps, ExpandToLevel)
{
    Build("a (b (c)) d (e)");
    m_Man.ExpandToLevel(1);
    EXPECT_EQ(Dump(COutlineMan::kDumpExpanded), "a+ (b (c)) d+ (e)");
    m_Man.ExpandToLevel(0);
    EXPECT_EQ(Dump(COutlineMan::kDumpExpanded), "a (b (c)) d (e)");
    m_Man.ExpandToLevel(9);
    EXPECT_EQ(Dump(COutlineMan::kDumpExpanded), "a+ (b+ (c)) d+ (e)");
    EXPECT_EQ(m_Man.GetUndo()->GetGroupCount(), 0);
}

TEST_F(EditOps, DeletingASelectionKeepsTheDescendantsAfterIt)
{
    // Selected, in display order: b, c (c open, its children stay), with a
    // collapsed b whose hidden child goes with it.
    Build("a+ (b (hidden) c+ (d (e) f)) g");
    Command(m_Man, Label::kLabelCut, [&] { m_Man.DeleteSelection({ Node("b"), Node("c") }); });
    // f keeps its level: it goes beside e, one level below where it was.
    EXPECT_EQ(Dump(COutlineMan::kDumpLevels), "a:0 (d:1 (e:2 f:2)) g:0");
    EXPECT_EQ(m_Log.Take(), "1:c 1:hidden 1:b 6:d 6:e 6:f");
    EXPECT_EQ(Records(), 5u);
    ExpectUndoneToStart();

    // With nothing before the selection the first kept item goes to the
    // top; the hidden child of b follows the last selected item and stays.
    Command(m_Man, Label::kLabelCut, [&] { m_Man.DeleteSelection({ Node("a"), Node("b") }); });
    EXPECT_EQ(Dump(COutlineMan::kDumpLevels), "hidden:0 (c:1 (d:2 (e:3) f:2)) g:0");
    ExpectUndoneToStart();

    // Descendants deeper than the item before them become its children.
    Build(" h i+ (j+ (k))");
    Command(m_Man, Label::kLabelCut, [&] { m_Man.DeleteSelection({ Node("i"), Node("j") }); });
    EXPECT_EQ(
        Dump(COutlineMan::kDumpLevels), "a:0 (b:1 (hidden:2) c:1 (d:2 (e:3) f:2)) g:0 h:0 (k:1)");
    EXPECT_EQ(CheckConsistency(m_Man), "");
}

TEST_F(EditOps, DropRulesCorrectTheLevel)
{
    Build("a+ (b c) d+ (e (f)) g");
    int level = 0;
    const std::vector<COutlineNode *> e { Node("e") };
    // On its own line: one deeper only when it can be indented.
    level = 3;
    EXPECT_FALSE(m_Man.CheckDrop(COutlineMan::kDropBelow, level, Node("e"), e));
    level = 0;
    EXPECT_TRUE(m_Man.CheckDrop(COutlineMan::kDropBelow, level, Node("e"), e));
    EXPECT_EQ(level, 0);
    level = 1;
    EXPECT_FALSE(m_Man.CheckDrop(COutlineMan::kDropBelow, level, Node("e"), e));
    const std::vector<COutlineNode *> c { Node("c") };
    level = 5;
    EXPECT_TRUE(m_Man.CheckDrop(COutlineMan::kDropBelow, level, Node("c"), c));
    EXPECT_EQ(level, 2);
    level = 0;
    EXPECT_TRUE(m_Man.CheckDrop(COutlineMan::kDropBelow, level, Node("c"), c));
    EXPECT_EQ(level, 0);
    // Elsewhere: at most one below the item above the line.
    level = 7;
    EXPECT_TRUE(m_Man.CheckDrop(COutlineMan::kDropBelow, level, Node("g"), c));
    EXPECT_EQ(level, 2);
    // Between a top-level item and its first child: one level down.
    level = 0;
    EXPECT_TRUE(m_Man.CheckDrop(COutlineMan::kDropBelow, level, Node("e"), c));
    EXPECT_EQ(level, 1);
    // Not into its own subtree.
    const std::vector<COutlineNode *> d { Node("d") };
    level = 1;
    EXPECT_FALSE(m_Man.CheckDrop(COutlineMan::kDropBelow, level, Node("f"), d));
    EXPECT_TRUE(m_Man.CheckDrop(COutlineMan::kDropTop, level, Node("b"), d));
    EXPECT_EQ(level, 0);
    const std::vector<COutlineNode *> a { Node("a") };
    EXPECT_FALSE(m_Man.CheckDrop(COutlineMan::kDropTop, level, nullptr, a));
    level = 8;
    EXPECT_TRUE(m_Man.CheckDrop(COutlineMan::kDropEnd, level, nullptr, a));
    EXPECT_EQ(level, 1);
    level = 1;
    EXPECT_FALSE(m_Man.CheckDrop(COutlineMan::kDropEnd, level, nullptr, { Node("g") }));
}

TEST_F(EditOps, DroppingMovesOrCopiesToThePlaceOfTheLevel)
{
    Build("a+ (b c) d+ (e+ (f)) g");
    Command(m_Man, Label::kLabelDrop,
        [&] { m_Man.Drop(COutlineMan::kDropBelow, 1, Node("g"), Node("a"), false); });
    EXPECT_EQ(Dump(COutlineMan::kDumpLevels), "d:0 (e:1 (f:2) a:1 (b:2 c:2)) g:0");
    Command(m_Man, Label::kLabelDrop,
        [&] { m_Man.Drop(COutlineMan::kDropTop, 0, nullptr, Node("f"), false); });
    EXPECT_EQ(Dump(), "f d (e a (b c)) g");
    COutlineNode *copy = nullptr;
    Command(m_Man, Label::kLabelDrop,
        [&] { copy = m_Man.Drop(COutlineMan::kDropEnd, 1, nullptr, Node("e"), true); });
    EXPECT_EQ(Dump(), "f d (e a (b c)) g (e)");
    EXPECT_EQ(m_Log.Take(), "6:e");
    EXPECT_EQ(copy->m_Item.m_nLevel, 1);
    // On its own line, deeper: indented as often as asked and possible.
    Command(m_Man, Label::kLabelDrop,
        [&] { m_Man.Drop(COutlineMan::kDropBelow, 3, Node("g"), Node("g"), false); });
    EXPECT_EQ(Dump(), "f d (e a (b c (g (e))))");
    EXPECT_EQ(CheckConsistency(m_Man), "");
    ExpectUndoneToStart();
}

TEST_F(EditOps, ASubtreeDroppedTooDeepFollowsItsParent)
{
    Build("s (t (u)) 0+ (1+ (2+ (3+ (4+ (5+ (6+ (7+ (8))))))))");
    // "s" goes under "8": its children would be deeper than the deepest
    // level, so they follow it in document order.
    int level = 9;
    ASSERT_TRUE(m_Man.CheckDrop(COutlineMan::kDropEnd, level, nullptr, { Node("s") }));
    EXPECT_EQ(level, 9);
    Command(m_Man, Label::kLabelDrop,
        [&] { m_Man.Drop(COutlineMan::kDropEnd, level, nullptr, Node("s"), false); });
    EXPECT_EQ(CheckConsistency(m_Man), "");
    EXPECT_EQ(Dump(COutlineMan::kDumpLevels),
        "0:0 (1:1 (2:2 (3:3 (4:4 (5:5 (6:6 (7:7 (8:8 (s:9 t:9 u:9)))))))))");
    ExpectUndoneToStart();
}

TEST_F(EditOps, TransferBlocksKeepRelativeDepths)
{
    Build("a (b (c) d) e");
    for (COutlineNode *n = m_Man.GetFirstVisible(); n; n = m_Man.GetNextInDocument(n))
        n->m_Item.m_nId = 7;
    Node("c")->m_Item.m_strNote = "note";
    Restart();
    kx_gen::MemHolder block(m_Man.MakeTransferBlock(Node("b")));
    ASSERT_TRUE(block);
    COutlineMan scratch;
    ASSERT_TRUE(m_Man.LoadTransferBlock(block.get(), scratch, true));
    EXPECT_EQ(scratch.DebugDump(COutlineMan::kDumpLevels).str(), "b:0 (c:1)");
    EXPECT_EQ(NodeOf(scratch, "c")->m_Item.m_nId, 0u);
    EXPECT_EQ(NodeOf(scratch, "c")->m_Item.m_strNote.str(), "note");
    // The texts stay in the items alone.
    EXPECT_FALSE(Node("b")->m_Item.m_pRecord->HasNote());

    // A range from c to e: c, d, e with e shallower than the first item.
    block.reset(m_Man.MakeTransferBlock(Node("c"), Node("e")));
    ASSERT_TRUE(m_Man.LoadTransferBlock(block.get(), scratch, false));
    EXPECT_EQ(scratch.DebugDump(COutlineMan::kDumpLevels).str(), "c:0 d:0 e:0");
    EXPECT_EQ(NodeOf(scratch, "e")->m_Item.m_nId, 7u);

    COutlineNode *first = nullptr;
    Command(m_Man, Label::kLabelPasteNodes,
        [&] { m_Man.InsertTransfer(scratch, Node("b"), nullptr, &first); });
    EXPECT_EQ(Dump(COutlineMan::kDumpLevels), "a:0 (b:1 (c:2 d:2 e:2 c:2) d:1) e:0");
    EXPECT_EQ(TextOf(first), "c");
    EXPECT_EQ(m_Log.Take(), "6:c 6:d 6:e");
    ExpectUndoneToStart();

    // Damaged blocks are reported and load nothing.
    kx_gen::MemHolder damaged(kx_gen::MemAlloc(64));
    ASSERT_FALSE(m_Man.LoadTransferBlock(damaged.get(), scratch, true));
    EXPECT_EQ(m_Sink.m_Messages.size(), 1u);
    EXPECT_FALSE(scratch.IsOpen());

    // So is a block whose last tag is damaged, past every field the items
    // read: pasting it would fail when a setter meets the damage.
    block.reset(m_Man.MakeTransferBlock(Node("c"), Node("e")));
    ASSERT_TRUE(block);
    auto *bytes = static_cast<std::uint8_t *>(kx_gen::MemGetPtr(block.get()));
    const std::size_t size = kx_gen::MemGetSize(block.get());
    const std::uint8_t header[] = { 0x74, 0x61, 0x00 };
    const std::reverse_iterator<std::uint8_t *> last
        = std::search(std::make_reverse_iterator(bytes + size), std::make_reverse_iterator(bytes),
            std::rbegin(header), std::rend(header));
    ASSERT_NE(last.base(), bytes);
    last.base()[-static_cast<std::ptrdiff_t>(sizeof header)] ^= 0xFF;
    kx_gen::MemReleasePtr(block.get());
    ASSERT_FALSE(m_Man.LoadTransferBlock(block.get(), scratch, true));
    EXPECT_EQ(m_Sink.m_Messages.size(), 2u);
    EXPECT_FALSE(scratch.IsOpen());
}

TEST_F(EditOps, ItemsPastedUnderTheDeepestLevelGoAfterIt)
{
    Build("0 (1 (2 (3 (4 (5 (6 (7 (8 (9))))))))) p (q)");
    kx_gen::MemHolder block(m_Man.MakeTransferBlock(Node("p")));
    COutlineMan scratch;
    ASSERT_TRUE(m_Man.LoadTransferBlock(block.get(), scratch, true));
    Command(m_Man, Label::kLabelPasteNodes,
        [&] { m_Man.InsertTransfer(scratch, Node("9"), nullptr, nullptr); });
    EXPECT_EQ(CheckConsistency(m_Man), "");
    EXPECT_EQ(Node("9")->m_pNext, NodeOf(m_Man, "p"));
    EXPECT_EQ(NodeOf(m_Man, "q")->m_Item.m_nLevel, 9);
    ExpectUndoneToStart();
}

TEST_F(EditOps, CopyingToAnotherOutlineAppendsAtItsEnd)
{
    Build("a (b) c");
    COutlineMan cabinet;
    ASSERT_TRUE(cabinet.NewOutline(false));
    // An empty cabinet: the copy becomes its first item.
    cabinet.GetUndo()->BeginGroup(Label::kLabelCopyToCabinet, false);
    COutlineNode *copy = cabinet.Drop(COutlineMan::kDropEnd, 0, nullptr, Node("a"), true);
    cabinet.GetUndo()->EndGroup();
    ASSERT_NE(copy, nullptr);
    Command(cabinet, Label::kLabelCopyToCabinet,
        [&] { cabinet.Drop(COutlineMan::kDropEnd, 0, nullptr, Node("c"), true); });
    EXPECT_EQ(cabinet.DebugDump().str(), "a (b) c");
    EXPECT_EQ(cabinet.GetUndo()->GetUndoMenuText().str(), "&Undo Copy to Filing Cabinet\tCtrl+Z");
    EXPECT_EQ(CheckConsistency(cabinet), "");
    // The source is unchanged and has no step.
    EXPECT_EQ(Describe(m_Man), m_strStart);
    EXPECT_FALSE(m_Man.GetUndo()->CanUndo());
}

TEST_F(EditOps, EditsRenumberTheListsTheyTouched)
{
    Build("a (b c) d");
    std::vector<std::string> extents;
    m_Man.SetNotify(
        [](void *param, int code, COutlineNode *, int value) {
            if (code == COutlineMan::kNotifyLevelExtent)
                static_cast<std::vector<std::string> *>(param)->push_back(std::to_string(value));
        },
        &extents);
    Command(m_Man, Label::kLabelCreateNode, [&] { m_Man.NewItem(Node("b")); });
    EXPECT_EQ(Dump(COutlineMan::kDumpIndex), "a#0 (b#0 #1 c#2) d#1");
    EXPECT_EQ(m_Man.GetLevelExtent(1), 2);
    // The widths of level 1 were told about, and nothing else.
    ASSERT_FALSE(extents.empty());
    EXPECT_EQ(std::count(extents.begin(), extents.end(), "1"), std::ptrdiff_t(extents.size()));
    Command(m_Man, Label::kLabelIndent, [&] { m_Man.Indent(Node("d")); });
    EXPECT_EQ(Dump(COutlineMan::kDumpIndex), "a#0 (b#0 #1 c#2 d#3)");
    // Hidden checked items take no number.
    m_Man.SetShowChecked(false);
    Command(m_Man, Label::kLabelCheck, [&] { m_Man.ToggleCheck(Node("b")); });
    EXPECT_EQ(Dump(COutlineMan::kDumpIndex), "a#0 (b#0 #0 c#1 d#2)");
    ASSERT_TRUE(UndoStep(m_Man));
    EXPECT_EQ(Dump(COutlineMan::kDumpIndex), "a#0 (b#0 #1 c#2 d#3)");
    ASSERT_TRUE(UndoStep(m_Man));
    EXPECT_EQ(Dump(COutlineMan::kDumpIndex), "a#0 (b#0 #1 c#2) d#1");
}
