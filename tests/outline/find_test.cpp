#include "OutlineTestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr unsigned kBack = COutlineMan::kFindBackward;
constexpr unsigned kCase = COutlineMan::kFindMatchCase;

// Every item but the collapsed "cat" and the checked "dog" is reachable;
// "cat" hides "kitten cat", "dog" hides "puppy".
class Find : public ::testing::Test {
protected:
    void SetUp() override { BuildTree(m_Man, "ant cat (kitten_cat) x:dog+ (puppy) bee ant|cat"); }

    // "text@char.paragraph" of the hit, or "none".
    std::string Search(
        const char *pattern, const char *start, CTextPos pos, unsigned options, bool wrap = false)
    {
        COutlineNode *found = nullptr;
        CTextPos at { -1, -1 };
        // "||" in a start's name stands for the paragraph break.
        std::string name = start ? start : "";
        for (std::size_t i; (i = name.find("||")) != std::string::npos;)
            name.replace(i, 2, "\r\n");
        COutlineNode *from = start ? NodeOf(m_Man, name.c_str()) : nullptr;
        if (!m_Man.Find(pattern, from, pos, options, wrap, &found, &at))
            return "none";
        std::string text = TextOf(found);
        for (char &c : text) {
            if (c == '\r' || c == '\n')
                c = '|';
        }
        return text + "@" + std::to_string(at.m_nChar) + "." + std::to_string(at.m_nLine);
    }

    COutlineMan m_Man;
};

} // namespace

TEST_F(Find, ForwardGoesOnInDocumentOrder)
{
    EXPECT_EQ(Search("cat", "ant", {}, kCase), "cat@0.0");
    EXPECT_EQ(Search("cat", "cat", { 1, 0 }, kCase), "kitten_cat@7.0");
    EXPECT_EQ(Search("cat", "kitten_cat", { 8, 0 }, kCase), "ant||cat@0.1");
    EXPECT_EQ(Search("CAT", "ant", {}, 0), "cat@0.0");
    EXPECT_EQ(Search("CAT", "ant", {}, kCase), "none");
    // No start: from the first item.
    EXPECT_EQ(Search("ant", nullptr, {}, 0), "ant@0.0");
}

TEST_F(Find, AHitExpandsItsAncestors)
{
    ASSERT_FALSE(NodeOf(m_Man, "cat")->m_Item.m_bExpanded);
    EXPECT_EQ(Search("kitten", "ant", {}, 0), "kitten_cat@0.0");
    EXPECT_TRUE(NodeOf(m_Man, "cat")->m_Item.m_bExpanded);
    EXPECT_TRUE(m_Man.IsVisible(NodeOf(m_Man, "kitten_cat")));
}

TEST_F(Find, BackwardSearchesEachEarlierItemFromItsEnd)
{
    EXPECT_EQ(Search("cat", "bee", {}, kBack), "kitten_cat@7.0");
    EXPECT_EQ(Search("cat", "kitten_cat", { 7, 0 }, kBack), "cat@0.0");
    // The last occurrence of the earlier item, across its paragraphs.
    EXPECT_EQ(Search("a", "bee", {}, kBack), "kitten_cat@8.0");
    EXPECT_EQ(Search("cat", "ant", {}, kBack), "none");
    // Upwards without a start finds nothing.
    EXPECT_EQ(Search("cat", nullptr, {}, kBack), "none");
}

TEST_F(Find, WrappingContinuesFromTheOtherEndUpToTheStart)
{
    EXPECT_EQ(Search("ant", "bee", {}, 0, false), "ant||cat@0.0");
    EXPECT_EQ(Search("bee", "ant||cat", { 1, 1 }, 0, false), "none");
    EXPECT_EQ(Search("bee", "ant||cat", { 1, 1 }, 0, true), "bee@0.0");
    EXPECT_EQ(Search("ant", "cat", {}, kBack, true), "ant@0.0");
    EXPECT_EQ(Search("bee", "ant", {}, kBack, true), "bee@0.0");
    // Back at the start, the text before the start position is searched too.
    EXPECT_EQ(Search("kitten", "kitten_cat", { 3, 0 }, 0, true), "kitten_cat@0.0");
    EXPECT_EQ(Search("cat", "ant", {}, kBack, true), "ant||cat@0.1");
    EXPECT_EQ(Search("zebra", "bee", {}, 0, true), "none");
    EXPECT_EQ(Search("zebra", "bee", {}, kBack, true), "none");
}

TEST_F(Find, CheckedItemsAreSkippedWhileHidden)
{
    EXPECT_EQ(Search("p", "dog", {}, 0), "puppy@0.0");
    m_Man.SetShowChecked(false);
    EXPECT_EQ(Search("o", "ant", {}, kCase), "none");
    EXPECT_EQ(Search("p", "ant", {}, 0), "none");
    EXPECT_EQ(Search("e", "ant||cat", {}, kBack), "bee@2.0");
    EXPECT_EQ(Search("kitten", "bee", {}, kBack), "kitten_cat@0.0");
    // A start hidden by its checked parent moves to the next item shown.
    EXPECT_EQ(Search("b", "puppy", {}, 0), "bee@0.0");
    EXPECT_EQ(Search("cat", "puppy", {}, kBack), "kitten_cat@7.0");
}
