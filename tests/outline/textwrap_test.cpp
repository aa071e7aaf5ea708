#include "TextCtrl.h"
#include "TextMeasure.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using kx_gen::_String;

namespace {

// Every character 10 pixels wide, tab stops every 40.
CTextFont FixedFont()
{
    CTextFont font;
    font.SetFixedWidths(10, 40);
    return font;
}

// The rows of paragraph `para` as "start,length,last" triples.
std::string RowsOf(const CTextCtrl &text, int para = 0)
{
    std::string out;
    const CTextRowArray &rows = text.GetPara(para).GetRows();
    for (int i = 0; i < rows.GetSize(); ++i) {
        if (i > 0)
            out += ' ';
        out += std::to_string(rows[i].m_nStart) + ',' + std::to_string(rows[i].m_nLength) + ','
            + std::to_string(rows[i].m_nLast);
    }
    return out;
}

// The rows of the whole text as strings, in order.
std::vector<std::string> RowTexts(const CTextCtrl &text)
{
    std::vector<std::string> out;
    for (int r = 0; r < text.GetRowCount(); ++r) {
        int length = 0;
        const char *p = text.GetRowInfo(r, &length);
        out.emplace_back(p, static_cast<std::size_t>(length));
    }
    return out;
}

// A device that measures runs differently from the sum of their characters:
// `perRun` pixels added to every non-empty run (an overhang, or with a
// negative value kerning that tightens the text).
class SkewedDC : public CMeasureDC {
public:
    explicit SkewedDC(int perRun)
        : m_nPerRun(perRun)
    {
    }
    CTextMetrics GetTextMetrics() const override
    {
        CTextMetrics tm;
        tm.m_nHeight = 13;
        tm.m_nAveCharWidth = 7;
        return tm;
    }
    int GetCharWidth(unsigned char code) const override { return code == 'W' ? 20 : 10; }
    int GetTabbedTextExtent(const char *text, int count, int tabWidth) const override
    {
        CTextFont font;
        font.SetFixedWidths(10, tabWidth == 0 ? 80 : tabWidth);
        ++m_nCalls;
        const int width = TextExtent(nullptr, font, text, count);
        return count > 0 ? width + m_nPerRun : 0;
    }

    int m_nPerRun;
    mutable int m_nCalls = 0;
};

} // namespace

TEST(TextMeasure, ExtentSumsTheTableAndAdvancesTabsToTheNextStop)
{
    const CTextFont font = FixedFont();
    EXPECT_EQ(TextExtent(nullptr, font, "abc", 3), 30);
    EXPECT_EQ(TextExtent(nullptr, font, "abc", 0), 0);
    EXPECT_EQ(TextExtent(nullptr, font, "abc", -2), 0);
    EXPECT_EQ(TextExtent(nullptr, font, "\t", 1), 40);
    EXPECT_EQ(TextExtent(nullptr, font, "ab\tc", 4), 50);
    // A tab exactly at a stop moves on to the next one.
    EXPECT_EQ(TextExtent(nullptr, font, "abcd\tx", 6), 90);
}

TEST(TextMeasure, FitCharsStopsAtTheFirstCharacterThatOverflows)
{
    const CTextFont font = FixedFont();
    const char *text = "abcdefgh";
    EXPECT_EQ(FitChars(nullptr, font, 30, text, 0, 8), 3);
    EXPECT_EQ(FitChars(nullptr, font, 39, text, 0, 8), 3);
    EXPECT_EQ(FitChars(nullptr, font, 30, text, 2, 8), 5);
    EXPECT_EQ(FitChars(nullptr, font, 1000, text, 2, 6), 6);
    EXPECT_EQ(FitChars(nullptr, font, 9, text, 2, 8), 2);
    EXPECT_EQ(FitChars(nullptr, font, 100, text, 5, 5), 5);
    // Tab stops count from the start of the measured run.
    EXPECT_EQ(FitChars(nullptr, font, 50, "xxab\tc", 2, 6), 6);
    EXPECT_EQ(FitChars(nullptr, font, 49, "xxab\tc", 2, 6), 5);
}

TEST(TextMeasure, OffsetAtXCountsWholeCharactersLeftOfThePoint)
{
    const CTextFont font = FixedFont();
    EXPECT_EQ(OffsetAtX(100, 100, nullptr, font, "abcdef", 6), 0);
    EXPECT_EQ(OffsetAtX(50, 100, nullptr, font, "abcdef", 6), 0);
    EXPECT_EQ(OffsetAtX(125, 100, nullptr, font, "abcdef", 6), 2);
    EXPECT_EQ(OffsetAtX(500, 100, nullptr, font, "abcdef", 6), 6);
    EXPECT_EQ(OffsetAtX(500, 100, nullptr, font, "", 0), 0);
}

TEST(TextMeasure, ExactMeasuringCorrectsTheTableEstimateBothWays)
{
    const CTextFont font = FixedFont();
    // Each run is 15 pixels wider than its characters: "abc" takes 45.
    SkewedDC wider(15);
    EXPECT_EQ(FitChars(&wider, font, 50, "abcdefgh", 0, 8), 3);
    EXPECT_EQ(FitChars(&wider, font, 44, "abcdefgh", 0, 8), 2);
    // Kerning makes every run 25 pixels narrower: seven characters fit in 45.
    SkewedDC narrower(-25);
    EXPECT_EQ(FitChars(&narrower, font, 45, "abcdefgh", 0, 8), 7);
    EXPECT_EQ(FitChars(&narrower, font, 1000, "abcdefgh", 0, 8), 8);
    // The device's extent is what counts for the wrap too: by the tables
    // alone "abcd " would fit.
    CTextCtrl text;
    text.SetString("abcd efgh");
    EXPECT_EQ(text.WrapAll(nullptr, font, 60), 2);
    EXPECT_EQ(text.WrapAll(&wider, font, 60), 3);
    EXPECT_EQ(RowTexts(text), (std::vector<std::string> { "abcd", " efg", "h" }));
}

TEST(TextMeasure, DoubleByteCharactersTakeTheAverageWidthAndAreNeverSplit)
{
    CTextFont font = FixedFont();
    font.m_Metrics.m_nAveCharWidth = 25;
    font.SetLeadBytes(0x81, 0x9F);
    EXPECT_EQ(font.CharWidth(0x85), 25);
    EXPECT_EQ(font.CharWidth('a'), 10);
    const char text[] = "a\x85"
                        "b\x86"
                        "cd";
    EXPECT_EQ(TextExtent(nullptr, font, text, 6), 10 + 25 + 25 + 10);
    // "a" + one double-byte character = 35; the next one would make 60.
    EXPECT_EQ(FitChars(nullptr, font, 59, text, 0, 6), 3);
    EXPECT_EQ(FitChars(nullptr, font, 34, text, 0, 6), 1);
    // Stepping back under exact measuring moves by whole characters.
    SkewedDC wider(12);
    EXPECT_EQ(FitChars(&wider, font, 40, text, 0, 6), 1);

    CTextCtrl para;
    para.SetString(_String(text, 6));
    para.WrapAll(nullptr, font, 20);
    EXPECT_EQ(RowTexts(para),
        (std::vector<std::string> { "a",
            "\x85"
            "b",
            "\x86"
            "c",
            "d" }));
}

TEST(TextWrap, EmptyTextIsOneEmptyRow)
{
    const CTextFont font = FixedFont();
    CTextCtrl text;
    EXPECT_EQ(text.GetRowCount(), 0);
    EXPECT_EQ(text.WrapAll(nullptr, font, 100), 1);
    EXPECT_EQ(RowsOf(text), "0,0,0");
    EXPECT_EQ(text.GetRowCount(), 1);
}

TEST(TextWrap, RowsBreakAfterTheSpacesAndTheLastRowEndsAtTheParagraphEnd)
{
    const CTextFont font = FixedFont();
    CTextCtrl text;
    text.SetString("one two three");
    EXPECT_EQ(text.WrapAll(nullptr, font, 100), 2);
    EXPECT_EQ(RowsOf(text), "0,8,7 8,5,13");
    EXPECT_EQ(RowTexts(text), (std::vector<std::string> { "one two ", "three" }));

    EXPECT_EQ(text.WrapAll(nullptr, font, 130), 1);
    EXPECT_EQ(RowsOf(text), "0,13,13");
}

TEST(TextWrap, AWordWiderThanTheRowBreaksAtTheLastCharacterThatFits)
{
    const CTextFont font = FixedFont();
    CTextCtrl text;
    text.SetString("abcdefghijk");
    EXPECT_EQ(text.WrapAll(nullptr, font, 45), 3);
    EXPECT_EQ(RowTexts(text), (std::vector<std::string> { "abcd", "efgh", "ijk" }));
    EXPECT_EQ(RowsOf(text), "0,4,3 4,4,7 8,3,11");

    // A long word after a short one starts its own row and is then split.
    text.SetString("ab cdefghij");
    text.WrapAll(nullptr, font, 45);
    EXPECT_EQ(RowTexts(text), (std::vector<std::string> { "ab ", "cdef", "ghij" }));
}

TEST(TextWrap, ARunOfSpacesStaysAtTheEndOfItsRow)
{
    const CTextFont font = FixedFont();
    CTextCtrl text;
    text.SetString("hello   world");
    EXPECT_EQ(text.WrapAll(nullptr, font, 100), 2);
    EXPECT_EQ(RowTexts(text), (std::vector<std::string> { "hello   ", "world" }));
    EXPECT_EQ(RowsOf(text), "0,8,7 8,5,13");
}

TEST(TextWrap, TabsAdvanceToTheirStopsFromTheRowStart)
{
    const CTextFont font = FixedFont();
    CTextCtrl text;
    // "a\t" reaches 40 and "b" 50; the second tab would reach 80. It starts
    // the next row, where it again reaches the first stop.
    text.SetString("a\tb\tc");
    EXPECT_EQ(text.WrapAll(nullptr, font, 50), 2);
    EXPECT_EQ(RowTexts(text), (std::vector<std::string> { "a\tb", "\tc" }));
    // When the second tab fits, the row breaks after it.
    EXPECT_EQ(text.WrapAll(nullptr, font, 80), 2);
    EXPECT_EQ(RowTexts(text), (std::vector<std::string> { "a\tb\t", "c" }));
    EXPECT_EQ(text.WrapAll(nullptr, font, 90), 1);
}

TEST(TextWrap, AWidthTooSmallForAnyCharacterStillEnds)
{
    const CTextFont font = FixedFont();
    CTextCtrl text;
    text.SetString("ab c");
    EXPECT_EQ(text.WrapAll(nullptr, font, 0), 4);
    EXPECT_EQ(RowTexts(text), (std::vector<std::string> { "a", "b", " ", "c" }));
    EXPECT_EQ(text.WrapAll(nullptr, font, -50), 4);

    // A tab wider than the row.
    text.SetString("\t\tx");
    EXPECT_EQ(text.WrapAll(nullptr, font, 30), 3);
}

TEST(TextWrap, EveryParagraphWrapsOnItsOwnAndCountsItsRows)
{
    const CTextFont font = FixedFont();
    CTextCtrl text;
    text.SetString("aaaa bbbb\r\n\r\ncccc");
    EXPECT_EQ(text.WrapAll(nullptr, font, 60), 4);
    EXPECT_EQ(RowTexts(text), (std::vector<std::string> { "aaaa ", "bbbb", "", "cccc" }));
    EXPECT_EQ(RowsOf(text, 1), "0,0,0");
}

TEST(TextWrap, CopiesAndMovesCarryTheRowsOfEveryParagraph)
{
    // One paragraph of one row, one of many (past what a paragraph keeps
    // inside), and an empty one.
    const CTextFont font = FixedFont();
    CTextCtrl text;
    text.SetString("aa\r\nbb cc dd ee ff gg hh\r\n");
    ASSERT_EQ(text.WrapAll(nullptr, font, 30), 9);
    const std::vector<std::string> rows = RowTexts(text);
    const std::string manyRows = RowsOf(text, 1);

    CTextCtrl copy(text);
    EXPECT_EQ(copy.GetRowCount(), 9);
    EXPECT_EQ(RowTexts(copy), rows);
    // Wrapping the original again leaves the copy's rows alone.
    text.WrapAll(nullptr, font, 200);
    EXPECT_EQ(RowsOf(copy, 1), manyRows);
    EXPECT_EQ(RowsOf(text, 1), "0,20,20");

    CTextCtrl assigned;
    assigned.SetString("x\r\ny\r\nz\r\nw");
    assigned = copy;
    EXPECT_EQ(RowTexts(assigned), rows);

    CTextCtrl moved(std::move(copy));
    EXPECT_EQ(RowTexts(moved), rows);
    EXPECT_EQ(copy.GetParaCount(), 1);
    EXPECT_TRUE(copy.GetPara(0).GetRows().IsEmpty());
    // A moved-from paragraph takes rows again.
    copy.SetString("pp qq rr");
    EXPECT_EQ(copy.WrapAll(nullptr, font, 30), 3);
}

TEST(TextWrap, WrapStaleRewrapsOnlyTheChangedParagraphs)
{
    const CTextFont font = FixedFont();
    CTextCtrl text;
    text.SetString("aaaa bbbb\r\ncccc dddd\r\neeee ffff");
    // Never wrapped: WrapStale wraps everything.
    EXPECT_EQ(text.WrapStale(nullptr, font, 60), 6);
    EXPECT_FALSE(text.GetPara(1).IsStale());

    // Change paragraph 1 and re-wrap the stale ones at a width that would
    // give every paragraph one row: only paragraph 1 takes it.
    text.InsertAt({ 4, 1 }, _String("x"));
    EXPECT_TRUE(text.GetPara(1).IsStale());
    EXPECT_FALSE(text.GetPara(0).IsStale());
    EXPECT_EQ(text.GetRowCount(), 6);
    EXPECT_EQ(text.WrapStale(nullptr, font, 200), 5);
    EXPECT_EQ(RowsOf(text, 0), "0,5,4 5,4,9");
    EXPECT_EQ(RowsOf(text, 1), "0,10,10");

    // A deletion that joins paragraphs leaves the joined one stale.
    text.DeleteRange({ 9, 0 }, { 0, 1 });
    EXPECT_TRUE(text.GetPara(0).IsStale());
    EXPECT_FALSE(text.GetPara(1).IsStale());
    EXPECT_EQ(text.WrapStale(nullptr, font, 200), 1 + 2);

    // WrapAll re-wraps everything, stale or not.
    EXPECT_EQ(text.WrapAll(nullptr, font, 60), 6);
}

TEST(TextWrap, RandomTextsGiveContiguousRowsThatFit)
{
    std::mt19937 rng(7);
    CTextFont font;
    for (int c = 0; c < 256; ++c)
        font.m_nCharWidth[c] = 3 + c % 9;
    font.m_nTabWidth = 32;
    const std::string alphabet = "abcdefghijklmnopqrstuvwxyzWM     \t\xe9\xc9.,";
    for (int round = 0; round < 2000; ++round) {
        std::string s;
        const int length = static_cast<int>(rng() % 120);
        for (int i = 0; i < length; ++i)
            s += alphabet[rng() % alphabet.size()];
        const int width = 5 + static_cast<int>(rng() % 200);
        CTextCtrl text;
        text.SetString(_String(s));
        text.WrapAll(nullptr, font, width);
        const CTextLine &para = text.GetPara(0);
        const CTextRowArray &rows = para.GetRows();
        ASSERT_GE(rows.GetSize(), 1);
        int expectedStart = 0;
        for (int i = 0; i < rows.GetSize(); ++i) {
            const CTextRow &row = rows[i];
            const bool last = i == rows.GetSize() - 1;
            ASSERT_EQ(row.m_nStart, expectedStart) << s << " @" << width;
            ASSERT_TRUE(row.m_nLength > 0 || length == 0) << s;
            ASSERT_EQ(row.m_nLast, row.m_nStart + row.m_nLength - (last ? 0 : 1));
            const int extent
                = TextExtent(nullptr, font, para.GetData() + row.m_nStart, row.m_nLength);
            ASSERT_TRUE(extent <= width || row.m_nLength == 1) << s << " @" << width;
            expectedStart += row.m_nLength;
        }
        ASSERT_EQ(expectedStart, length);
    }
}
