#include "OutlineTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// a, c, j and l are expanded; f, j, n and o are checked.
const char *const kOutline = "a+ (b c+ (d e) x:f (g)) h (i) x:j+ (k) l+ (x:n x:o)";

class Navigation : public ::testing::Test {
protected:
    void SetUp() override { BuildTree(m_Man, kOutline); }

    COutlineNode *Node(const char *text) { return NodeOf(m_Man, text); }

    std::string Forward()
    {
        std::string out;
        for (COutlineNode *n = m_Man.GetFirstVisible(); n; n = m_Man.GetNextVisible(n))
            out += TextOf(n);
        return out;
    }
    std::string Backward()
    {
        std::string out;
        for (COutlineNode *n = m_Man.GetLastVisible(); n; n = m_Man.GetPrevVisible(n))
            out += TextOf(n);
        return out;
    }

    COutlineMan m_Man;
};

} // namespace

TEST_F(Navigation, DisplayOrderSkipsCollapsedBranches)
{
    EXPECT_EQ(Forward(),
        "abcdefhjkl"
        "no");
    EXPECT_EQ(Backward(), "onlkjhfedcba");
    EXPECT_TRUE(m_Man.IsVisible(Node("d")));
    EXPECT_FALSE(m_Man.IsVisible(Node("g")));
    EXPECT_FALSE(m_Man.IsVisible(Node("i")));
    EXPECT_TRUE(m_Man.IsVisible(Node("k")));
}

TEST_F(Navigation, HideCheckedSkipsCheckedItemsWithTheirSubtrees)
{
    m_Man.SetShowChecked(false);
    EXPECT_EQ(Forward(), "abcdehl");
    EXPECT_EQ(Backward(), "lhedcba");
    EXPECT_FALSE(m_Man.IsVisible(Node("j")));
    // k is unchecked but lives under a checked item.
    EXPECT_FALSE(m_Man.IsVisible(Node("k")));
    EXPECT_FALSE(m_Man.IsShown(Node("f")));
    EXPECT_TRUE(m_Man.IsShown(Node("g")));
    EXPECT_EQ(m_Man.GetNextShownSibling(Node("h")), Node("l"));
    EXPECT_EQ(m_Man.GetPrevShownSibling(Node("l")), Node("h"));
    EXPECT_EQ(m_Man.GetLastShownChild(Node("a")), Node("c"));
    EXPECT_EQ(m_Man.GetFirstShownChild(Node("l")), nullptr);
}

TEST_F(Navigation, ChildrenThatAreAllCheckedAreNoVisibleChildren)
{
    EXPECT_TRUE(m_Man.HasVisibleChildren(Node("l")));
    EXPECT_TRUE(m_Man.CanCollapse(Node("l")));
    m_Man.SetShowChecked(false);
    EXPECT_FALSE(m_Man.HasVisibleChildren(Node("l")));
    EXPECT_FALSE(m_Man.CanCollapse(Node("l")));
    EXPECT_FALSE(m_Man.CanExpand(Node("l")));
    EXPECT_TRUE(m_Man.AllChildrenChecked(Node("l")));
    EXPECT_FALSE(m_Man.AllChildrenChecked(Node("a")));
    EXPECT_TRUE(m_Man.AllChildrenChecked(Node("b")));
    // f itself is hidden, its unchecked child is not.
    EXPECT_TRUE(m_Man.HasVisibleChildren(Node("f")));
    EXPECT_TRUE(m_Man.CanExpand(Node("f")));
}

TEST_F(Navigation, BackwardFromAHiddenItemStartsAtItsVisibleAncestor)
{
    // g is hidden by its collapsed parent f: the item before f is e.
    EXPECT_EQ(m_Man.GetPrevVisible(Node("g")), Node("e"));
    EXPECT_EQ(m_Man.GetPrevVisible(Node("i")), Node("f"));
    m_Man.SetShowChecked(false);
    // k is hidden by its checked parent j; before j comes h (collapsed).
    EXPECT_EQ(m_Man.GetPrevVisible(Node("k")), Node("h"));
    EXPECT_EQ(m_Man.GetPrevVisible(Node("a")), nullptr);
    EXPECT_EQ(m_Man.GetLastVisible(), Node("l"));
}

TEST_F(Navigation, ExpandingAndCollapsing)
{
    m_Man.Expand(Node("h"));
    EXPECT_EQ(Forward(),
        "abcdefhijkl"
        "no");
    m_Man.Collapse(Node("a"));
    EXPECT_EQ(Forward(),
        "ahijkl"
        "no");
    m_Man.ExpandAncestors(Node("g"));
    EXPECT_TRUE(Node("a")->m_Item.m_bExpanded);
    EXPECT_TRUE(Node("f")->m_Item.m_bExpanded);
    EXPECT_FALSE(Node("g")->m_Item.m_bExpanded);
    EXPECT_EQ(Forward(),
        "abcdefghijkl"
        "no");
}

TEST_F(Navigation, DocumentOrderComparison)
{
    EXPECT_TRUE(m_Man.IsBefore(Node("d"), Node("h")));
    EXPECT_FALSE(m_Man.IsBefore(Node("h"), Node("d")));
    EXPECT_TRUE(m_Man.IsAfter(Node("h"), Node("d")));
    // An ancestor comes before its descendants.
    EXPECT_TRUE(m_Man.IsBefore(Node("a"), Node("g")));
    EXPECT_FALSE(m_Man.IsBefore(Node("g"), Node("a")));
    EXPECT_FALSE(m_Man.IsBefore(Node("e"), Node("e")));
    EXPECT_TRUE(m_Man.IsBefore(Node("b"), Node("f")));
    EXPECT_TRUE(m_Man.IsBefore(Node("g"), Node("o")));
    EXPECT_FALSE(m_Man.IsBefore(Node("o"), Node("b")));
}

TEST_F(Navigation, LevelsAndIndexPaths)
{
    EXPECT_EQ(m_Man.MaxLevelInSubtree(Node("a")), 2);
    EXPECT_EQ(m_Man.MaxLevelInSubtree(Node("h")), 1);
    EXPECT_EQ(m_Man.MaxLevelInSubtree(Node("b")), 1);
    m_Man.Renumber();
    int path[COutlineItem::kLevelCount];
    int count = 0;
    m_Man.GetIndexPath(Node("e"), path, count);
    ASSERT_EQ(count, 3);
    EXPECT_EQ(path[0], 1); // e under c
    EXPECT_EQ(path[1], 1); // c under a
    EXPECT_EQ(path[2], 0); // a at the top
}

namespace {

struct NotifyLog {
    std::vector<std::string> events;
};

void RecordNotify(void *param, int code, COutlineNode *node, int value)
{
    static_cast<NotifyLog *>(param)->events.push_back(
        std::to_string(code) + ":" + (node ? TextOf(node) : std::to_string(value)));
}

} // namespace

TEST_F(Navigation, RenumberingCountsShownSiblingsAndRecordsTheExtents)
{
    NotifyLog log;
    m_Man.SetNotify(RecordNotify, &log);
    m_Man.EnableNotify(true);
    m_Man.Renumber();
    EXPECT_EQ(m_Man.DebugDump(COutlineMan::kDumpIndex),
        "a#0 (b#0 c#1 (d#0 e#1) f#2 (g#0)) h#1 (i#0) j#2 (k#0) l#3 (n#0 o#1)");
    EXPECT_EQ(m_Man.GetLevelExtent(0), 3);
    EXPECT_EQ(m_Man.GetLevelExtent(1), 2);
    EXPECT_EQ(m_Man.GetLevelExtent(2), 1);
    EXPECT_EQ(m_Man.GetLevelExtent(3), 0);
    EXPECT_EQ(m_Man.GetLevelExtent(10), 0);
    // Each growth of a level's maximum is told, with the level.
    const std::vector<std::string> expected { "7:1", "7:2", "7:1", "7:0", "7:0", "7:0" };
    EXPECT_EQ(log.events, expected);

    // Hidden checked items take no number and the extents start again.
    log.events.clear();
    m_Man.SetShowChecked(false);
    m_Man.Renumber();
    EXPECT_EQ(m_Man.DebugDump(COutlineMan::kDumpIndex),
        "a#0 (b#0 c#1 (d#0 e#1) f#2 (g#0)) h#1 (i#0) j#2 (k#0) l#2 (n#0 o#1)");
    EXPECT_EQ(m_Man.GetLevelExtent(0), 2);
    EXPECT_EQ(m_Man.GetLevelExtent(1), 1);

    // Without delivery switched on, nothing is told.
    log.events.clear();
    m_Man.EnableNotify(false);
    m_Man.Renumber();
    EXPECT_TRUE(log.events.empty());
}

TEST_F(Navigation, RenumberingOneListResetsTheExtentItOwns)
{
    m_Man.Renumber();
    ASSERT_EQ(m_Man.GetLevelExtent(1), 2);
    COutlineNode *f = Node("f");
    m_Man.GetTree().Detach(f);
    // Level 1's maximum was seen under h's sibling a, not under h.
    m_Man.RenumberChildren(Node("h"));
    EXPECT_EQ(m_Man.GetLevelExtent(1), 2);
    m_Man.RenumberChildren(Node("a"));
    EXPECT_EQ(m_Man.GetLevelExtent(1), 1);
    m_Man.GetTree().FreeDetached(f);
}

TEST(Numbering, ValidatingReplacesUnknownStylesByZero)
{
    std::uint8_t scheme[10] = { 0, 7, 3, 9, 0, 0, 0, 0, 0, 0 };
    EXPECT_FALSE(COutlineMan::ValidateNumbering(scheme));
    const std::uint8_t expected[10] = { 0, 0, 3, 0, 0, 0, 0, 0, 0, 0 };
    EXPECT_EQ(std::vector<std::uint8_t>(scheme, scheme + 10),
        std::vector<std::uint8_t>(expected, expected + 10));
    std::uint8_t good[10] = { 6, 5, 4, 3, 2, 1, 0, 0, 0, 0 };
    EXPECT_TRUE(COutlineMan::ValidateNumbering(good));
    EXPECT_EQ(good[0], 6);
}
