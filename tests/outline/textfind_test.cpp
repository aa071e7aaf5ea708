#include "TextCtrl.h"

#include <gtest/gtest.h>

#include <vector>

using kx_gen::_String;

namespace {

constexpr unsigned kCase = CTextCtrl::kFindMatchCase;
constexpr unsigned kWord = CTextCtrl::kFindWholeWord;
constexpr unsigned kBack = CTextCtrl::kFindBackward;

// Paragraphs: "ab xab ab", "Ab_ab AB", "CAFÉ café" (Windows-1252).
class TextFind : public ::testing::Test {
protected:
    void SetUp() override { m_Text.SetString("ab xab ab\r\nAb_ab AB\r\nCAF\xC9 caf\xE9"); }

    // The hit as "offset@paragraph", or "none".
    std::string Find(const char *pattern, CTextPos start, unsigned options, bool wrap = false)
    {
        CTextPos found { -1, -1 };
        if (!m_Text.FindText(_String(pattern), start, options, wrap, &found))
            return "none";
        return std::to_string(found.m_nChar) + "@" + std::to_string(found.m_nLine);
    }

    CTextCtrl m_Text;
};

} // namespace

TEST_F(TextFind, ForwardFindsTheFirstOccurrenceAtOrAfterTheStart)
{
    EXPECT_EQ(Find("ab", { 0, 0 }, kCase), "0@0");
    EXPECT_EQ(Find("ab", { 1, 0 }, kCase), "4@0");
    EXPECT_EQ(Find("ab", { 4, 0 }, kCase), "4@0");
    // Later paragraphs are searched from their start.
    EXPECT_EQ(Find("ab", { 8, 0 }, kCase), "3@1");
    EXPECT_EQ(Find("AB", { 0, 0 }, kCase), "6@1");
}

TEST_F(TextFind, WithoutMatchCaseLettersOfTheCodePageMatchInEitherCase)
{
    EXPECT_EQ(Find("AB", { 0, 0 }, 0), "0@0");
    EXPECT_EQ(Find("caf\xE9", { 0, 0 }, 0), "0@2");
    EXPECT_EQ(Find("CAF\xC9", { 1, 2 }, 0), "5@2");
    EXPECT_EQ(Find("caf\xE9", { 0, 0 }, kCase), "5@2");
    EXPECT_EQ(Find("caf\xC9", { 0, 0 }, kCase), "none");
}

TEST_F(TextFind, WholeWordSkipsOccurrencesInsideWords)
{
    // The first "ab" after the start follows a letter; the exact offset of
    // the one standing alone is reported.
    EXPECT_EQ(Find("ab", { 1, 0 }, kCase | kWord), "7@0");
    // '_' and accented letters are word characters too.
    EXPECT_EQ(Find("ab", { 0, 1 }, kWord), "6@1");
    EXPECT_EQ(Find("caf", { 0, 0 }, kWord), "none");
    // The neighbours count even before the start offset.
    EXPECT_EQ(Find("b", { 1, 0 }, kWord), "none");
}

TEST_F(TextFind, BackwardFindsTheLastOccurrenceThatStartsBeforeTheStart)
{
    EXPECT_EQ(Find("ab", { 7, 0 }, kCase | kBack), "4@0");
    EXPECT_EQ(Find("ab", { 8, 0 }, kCase | kBack), "7@0");
    EXPECT_EQ(Find("ab", { 4, 0 }, kCase | kBack), "0@0");
    EXPECT_EQ(Find("ab", { 0, 0 }, kCase | kBack), "none");
    // Earlier paragraphs are searched to their end.
    EXPECT_EQ(Find("ab", { 0, 2 }, kCase | kBack), "3@1");
    EXPECT_EQ(Find("ab", { 3, 1 }, kCase | kBack), "7@0");
    EXPECT_EQ(Find("ab", { 0, 2 }, kWord | kBack), "6@1");
}

TEST_F(TextFind, WrapAroundContinuesOnceFromTheOtherEnd)
{
    EXPECT_EQ(Find("xab", { 4, 0 }, kCase), "none");
    EXPECT_EQ(Find("xab", { 4, 0 }, kCase, true), "3@0");
    EXPECT_EQ(Find("ab", { 0, 0 }, kCase | kBack, true), "3@1");
    EXPECT_EQ(Find("zz", { 4, 1 }, 0, true), "none");
    EXPECT_EQ(Find("zz", { 4, 1 }, kBack, true), "none");
}

TEST_F(TextFind, RepeatedSearchesVisitEveryOccurrenceOnceInEitherDirection)
{
    std::vector<std::string> forward;
    CTextPos pos { 0, 0 };
    CTextPos hit;
    while (m_Text.FindText("ab", pos, 0, false, &hit)) {
        forward.push_back(std::to_string(hit.m_nChar) + "@" + std::to_string(hit.m_nLine));
        pos = { hit.m_nChar + 1, hit.m_nLine };
    }
    EXPECT_EQ(forward, (std::vector<std::string> { "0@0", "4@0", "7@0", "0@1", "3@1", "6@1" }));

    std::vector<std::string> backward;
    pos = m_Text.GetEndPos();
    while (m_Text.FindText("ab", pos, kBack, false, &hit)) {
        backward.insert(
            backward.begin(), std::to_string(hit.m_nChar) + "@" + std::to_string(hit.m_nLine));
        pos = hit;
    }
    EXPECT_EQ(backward, forward);
}

TEST_F(TextFind, NothingMatchesAnEmptyPatternOrAcrossParagraphs)
{
    EXPECT_EQ(Find("", { 0, 0 }, 0, true), "none");
    EXPECT_EQ(Find("ab\r\nAb", { 0, 0 }, 0, true), "none");
    EXPECT_EQ(Find("a much longer pattern", { 0, 0 }, 0, true), "none");
}

TEST_F(TextFind, AStartOutsideTheTextIsClampedIntoIt)
{
    EXPECT_EQ(Find("ab", { 99, 99 }, kBack), "6@1");
    EXPECT_EQ(Find("ab", { -5, -5 }, 0), "0@0");
}
