#include "OutlineTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct DeleteLog {
    std::vector<std::string> order;
};

void LogDelete(COutlineNode *node, void *param)
{
    static_cast<DeleteLog *>(param)->order.push_back(TextOf(node));
}

std::string Join(const std::vector<std::string> &v)
{
    std::string out;
    for (const std::string &s : v)
        out += (out.empty() ? "" : " ") + s;
    return out;
}

class Tree : public ::testing::Test {
protected:
    COutlineTree &tree() { return m_Man.GetTree(); }
    void Build(const char *line) { BuildTree(m_Man, line); }
    COutlineNode *Node(const char *text) { return NodeOf(m_Man, text); }
    std::string Dump() { return m_Man.DebugDump().str(); }
    COutlineNode *Make(const char *text)
    {
        COutlineItem item;
        COutlineNode *node = tree().InsertLast(item, nullptr);
        node->m_Item.m_Text.SetString(text);
        return node;
    }

    // Reports of m_pfnOnDelete; it outlives the manager, whose tree frees
    // the remaining nodes last.
    DeleteLog *LogDeletes()
    {
        tree().m_pfnOnDelete = LogDelete;
        tree().m_pOnDeleteParam = &m_Log;
        return &m_Log;
    }

    DeleteLog m_Log;
    COutlineMan m_Man;
};

// Checks every link of the tree against its neighbours and the counts of
// children, so that a faulty relink anywhere shows up.
void ExpectConsistent(const COutlineTree &tree, const COutlineNode *parent)
{
    const COutlineNode *p = parent ? parent : tree.GetRoot();
    int count = 0;
    const COutlineNode *prev = nullptr;
    for (const COutlineNode *c = p->m_pFirstChild; c; c = c->m_pNext) {
        EXPECT_EQ(c->m_pParent, p);
        EXPECT_EQ(c->m_pPrev, prev);
        ExpectConsistent(tree, c);
        prev = c;
        ++count;
    }
    EXPECT_EQ(p->m_pLastChild, prev);
    EXPECT_EQ(p->m_nChildren, count);
}

} // namespace

TEST_F(Tree, InsertingLinksFirstLastAndAfter)
{
    COutlineItem item;
    COutlineNode *b = tree().InsertFirst(item, nullptr);
    b->m_Item.m_Text.SetString("b");
    COutlineNode *a = tree().InsertFirst(item, nullptr);
    a->m_Item.m_Text.SetString("a");
    COutlineNode *d = tree().InsertLast(item, nullptr);
    d->m_Item.m_Text.SetString("d");
    COutlineNode *c = tree().InsertAfter(item, nullptr, b);
    c->m_Item.m_Text.SetString("c");
    COutlineNode *child = tree().InsertLast(item, c);
    child->m_Item.m_Text.SetString("c1");
    EXPECT_EQ(Dump(), "a b c (c1) d");
    EXPECT_EQ(tree().m_nCount, 5);
    ExpectConsistent(tree(), nullptr);
    // Top-level nodes hang under the sentinel root, which is never handed out.
    EXPECT_EQ(a->m_pParent, tree().GetRoot());
    EXPECT_EQ(tree().GetParent(a), nullptr);
    EXPECT_EQ(tree().GetParent(child), c);
}

TEST_F(Tree, InsertingAfterTheLastChildOrNoneAppends)
{
    Build("a (b c)");
    COutlineItem item;
    COutlineNode *x = tree().InsertAfter(item, Node("a"), Node("c"));
    x->m_Item.m_Text.SetString("x");
    EXPECT_EQ(Node("a")->m_pLastChild, x);
    COutlineNode *y = tree().InsertAfter(item, Node("a"), nullptr);
    y->m_Item.m_Text.SetString("y");
    EXPECT_EQ(Dump(), "a (b c x y)");
    EXPECT_EQ(Node("a")->m_pLastChild, y);
    ExpectConsistent(tree(), nullptr);
}

TEST_F(Tree, InsertingOrAttachingAfterAnotherParentsChildChangesNothing)
{
    Build("a (b) c (d)");
    const int count = tree().m_nCount;
    COutlineItem item;
    EXPECT_EQ(tree().InsertAfter(item, Node("a"), Node("d")), nullptr);
    // Top level is a parent like any other: a child of a is not one of its.
    EXPECT_EQ(tree().InsertAfter(item, nullptr, Node("b")), nullptr);

    COutlineNode *d = Node("d");
    tree().Detach(d);
    EXPECT_EQ(tree().AttachAfter(d, Node("a"), Node("c")), nullptr);
    EXPECT_EQ(d->m_pParent, nullptr);
    EXPECT_EQ(tree().AttachAfter(d, Node("a"), Node("b")), d);
    EXPECT_EQ(Dump(), "a (b d) c");
    EXPECT_EQ(tree().m_nCount, count);
    ExpectConsistent(tree(), nullptr);
}

TEST_F(Tree, AnInsertedItemIsBlankButKeepsTheDetachedFlag)
{
    COutlineItem item;
    item.m_Text.SetString("text");
    item.m_strNote = "note";
    item.m_bChecked = true;
    item.m_bExpanded = true;
    item.m_nLevel = 3;
    item.m_nId = 77;
    item.m_nDrawWidth = 10;
    item.m_bDetached = true;
    COutlineNode *node = tree().InsertLast(item, nullptr);
    const COutlineItem &copy = node->m_Item;
    EXPECT_TRUE(copy.m_Text.IsEmptyText());
    EXPECT_TRUE(copy.m_strNote.IsEmpty());
    EXPECT_FALSE(copy.m_bChecked);
    EXPECT_FALSE(copy.m_bExpanded);
    EXPECT_EQ(copy.m_nLevel, 0);
    EXPECT_EQ(copy.m_nId, 0u);
    EXPECT_EQ(copy.m_nDrawWidth, 0);
    EXPECT_EQ(copy.m_pRecord, nullptr);
    EXPECT_TRUE(copy.m_bDetached);
}

TEST_F(Tree, DetachingASubtreeCountsOneNodeAndAttachingRestoresIt)
{
    Build("a b (c d e f g h i j k (l)) m");
    const int count = tree().m_nCount;
    COutlineNode *b = Node("b");
    tree().Detach(b);
    EXPECT_EQ(tree().m_nCount, count - 1);
    EXPECT_EQ(Dump(), "a m");
    EXPECT_EQ(b->m_pParent, nullptr);
    EXPECT_EQ(b->m_pPrev, nullptr);
    EXPECT_EQ(b->m_pNext, nullptr);
    // The subtree travels with its node.
    EXPECT_EQ(b->m_nChildren, 9);
    ExpectConsistent(tree(), nullptr);

    tree().AttachFirst(b, Node("m"));
    EXPECT_EQ(tree().m_nCount, count);
    EXPECT_EQ(Dump(), "a m (b (c d e f g h i j k (l)))");
    ExpectConsistent(tree(), nullptr);
}

TEST_F(Tree, IsEmptyLooksAtTheLinksNotTheCount)
{
    Build("a (b c)");
    COutlineNode *a = Node("a");
    tree().Detach(a);
    // The count only dropped by one; the tree is empty all the same.
    EXPECT_NE(tree().m_nCount, 0);
    EXPECT_TRUE(tree().IsEmpty());
    tree().AttachLast(a, nullptr);
    EXPECT_FALSE(tree().IsEmpty());
}

TEST_F(Tree, RemoveFreesChildrenFirstAndReportsEveryNode)
{
    Build("a b (c (d e) f) g");
    DeleteLog &log = *LogDeletes();
    tree().Remove(Node("b"));
    EXPECT_EQ(Join(log.order), "d e c f b");
    EXPECT_EQ(Dump(), "a g");
    EXPECT_EQ(tree().m_nCount, 2);
    ExpectConsistent(tree(), nullptr);
}

TEST_F(Tree, RemovingSiblingsFromTheMiddleKeepsTheEarlierOnesLinked)
{
    Build("p (a b (c) d) q");
    DeleteLog &log = *LogDeletes();
    tree().RemoveSiblingsFrom(Node("b"));
    EXPECT_EQ(Join(log.order), "c b d");
    EXPECT_EQ(Dump(), "p (a) q");
    ExpectConsistent(tree(), nullptr);

    tree().RemoveSiblingsFrom(Node("a"));
    EXPECT_EQ(Dump(), "p q");
    ExpectConsistent(tree(), nullptr);

    log.order.clear();
    tree().RemoveAll();
    EXPECT_EQ(Join(log.order), "p q");
    EXPECT_TRUE(tree().IsEmpty());
    EXPECT_EQ(tree().m_nCount, 0);
}

TEST_F(Tree, ATreeFilledAgainAfterEmptyingReusesItsMemorySafely)
{
    // Enough nodes for several of the pool's blocks, then more than that
    // after emptying: the recycled blocks come first, then new ones, and no
    // node shares a slot with another.
    for (int round = 1; round <= 3; ++round) {
        std::vector<COutlineNode *> nodes;
        std::vector<std::string> expected;
        for (int i = 0; i < 300 * round; ++i)
            nodes.push_back(Make(std::to_string(i).c_str()));
        for (std::size_t i = 0; i < nodes.size(); ++i) {
            if (i % 7 == 0)
                tree().Remove(nodes[i]);
            else
                expected.push_back(std::to_string(i));
        }
        for (std::size_t i = 0; i < nodes.size() / 7; ++i) {
            Make("again");
            expected.push_back("again");
        }
        std::vector<std::string> texts;
        for (COutlineNode *n = tree().GetFirstChild(nullptr); n; n = n->m_pNext)
            texts.push_back(TextOf(n));
        ASSERT_EQ(texts, expected);
        ExpectConsistent(tree(), nullptr);
        tree().RemoveAll();
        EXPECT_TRUE(tree().IsEmpty());
    }
}

TEST_F(Tree, FreeingADetachedSubtreeLeavesTheTreeAlone)
{
    Build("a (b (c)) d");
    DeleteLog &log = *LogDeletes();
    COutlineNode *a = Node("a");
    tree().Detach(a);
    const int count = tree().m_nCount;
    tree().FreeDetached(a);
    EXPECT_TRUE(log.order.empty());
    EXPECT_EQ(tree().m_nCount, count);
    EXPECT_EQ(Dump(), "d");
}

TEST_F(Tree, SortingIgnoresCaseAndDescendingMirrorsAscending)
{
    Build("p (b A c) q");
    tree().m_pfnCompare = COutlineMan::CompareTexts;
    EXPECT_EQ(tree().SortChildren(Node("p"), true), 1);
    EXPECT_EQ(Dump(), "p (A b c) q");
    ExpectConsistent(tree(), nullptr);
    EXPECT_EQ(tree().SortChildren(Node("p"), false), 1);
    EXPECT_EQ(Dump(), "p (c b A) q");
    ExpectConsistent(tree(), nullptr);
}

TEST_F(Tree, DescendingIsTheExactMirrorOfAscendingTiesIncluded)
{
    auto sorted = [](bool ascending) {
        COutlineMan man;
        BuildTree(man, "x a B b y A");
        man.GetTree().m_pfnCompare = COutlineMan::CompareTexts;
        man.GetTree().SortChildren(nullptr, ascending);
        std::vector<std::string> texts;
        for (COutlineNode *n = man.GetTree().GetFirstChild(nullptr); n; n = n->m_pNext)
            texts.push_back(TextOf(n));
        return texts;
    };
    const std::vector<std::string> ascending = sorted(true);
    const std::vector<std::string> descending = sorted(false);
    EXPECT_EQ(std::vector<std::string>(ascending.rbegin(), ascending.rend()), descending);
    EXPECT_EQ(descending.front(), "y");
}

TEST_F(Tree, SortingNeedsChildrenAndAComparison)
{
    Build("a (b c) d");
    EXPECT_EQ(tree().SortChildren(Node("a"), true), 0);
    tree().m_pfnCompare = COutlineMan::CompareTexts;
    EXPECT_EQ(tree().SortChildren(Node("b"), true), 0);
    EXPECT_EQ(Dump(), "a (b c) d");
}

TEST_F(Tree, TheTextComparisonReadsParagraphBreaksAsLineEnds)
{
    Build("ab a|b a A \xE9t\xE9 \xC9T\xC9");
    auto cmp
        = [&](const char *x, const char *y) { return COutlineMan::CompareTexts(Node(x), Node(y)); };
    EXPECT_EQ(cmp("a", "A"), 0);
    EXPECT_LT(cmp("a", "ab"), 0);
    // A break (CR LF) sorts below every letter.
    EXPECT_LT(cmp("a\r\nb", "ab"), 0);
    EXPECT_GT(cmp("ab", "a\r\nb"), 0);
    EXPECT_EQ(cmp("\xE9t\xE9", "\xC9T\xC9"), 0);
}

TEST_F(Tree, DocumentOrderVisitsParentsBeforeChildren)
{
    Build("a (b (c) d) e (f (g (h))) i");
    std::string forward;
    for (COutlineNode *n = tree().GetFirstChild(nullptr); n; n = tree().GetNextInDocument(n))
        forward += TextOf(n);
    EXPECT_EQ(forward, "abcdefghi");
    std::string backward;
    for (COutlineNode *n = tree().GetLastInDocument(); n; n = tree().GetPrevInDocument(n))
        backward += TextOf(n);
    EXPECT_EQ(backward, "ihgfedcba");
    EXPECT_EQ(tree().GetTopAncestor(Node("h")), Node("e"));
    EXPECT_EQ(tree().GetTopAncestor(Node("a")), Node("a"));
}
