#include "TextCtrl.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using kx_gen::_String;

namespace {

CTextFont FixedFont()
{
    CTextFont font;
    font.SetFixedWidths(10, 40);
    return font;
}

std::string RowText(const CTextCtrl &text, int row)
{
    int length = 0;
    const char *p = text.GetRowInfo(row, &length);
    return p ? std::string(p, static_cast<std::size_t>(length)) : "<none>";
}

// Rows at 100 pixels: "one two " | "three four" | "" | "five".
class TextPositions : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_Text.SetString("one two three four\r\n\r\nfive");
        ASSERT_EQ(m_Text.WrapAll(nullptr, FixedFont(), 100), 4);
    }
    CTextCtrl m_Text;
};

} // namespace

TEST_F(TextPositions, RowInfoGivesEachRowsCharacters)
{
    EXPECT_EQ(RowText(m_Text, 0), "one two ");
    EXPECT_EQ(RowText(m_Text, 1), "three four");
    EXPECT_EQ(RowText(m_Text, 2), "");
    EXPECT_EQ(RowText(m_Text, 3), "five");
    EXPECT_EQ(RowText(m_Text, 4), "<none>");
    EXPECT_EQ(RowText(m_Text, -1), "<none>");
}

TEST_F(TextPositions, TheEndOfAWrappedRowStaysOnThatRow)
{
    // The caret after "one two " is at the soft break.
    const CTextPos para = m_Text.RowToPara({ 8, 0 });
    EXPECT_EQ(para, (CTextPos { 8, 0 }));
    EXPECT_EQ(m_Text.ParaToRow(para), (CTextPos { 8, 0 }));
    // The start of the next row is the same character, shown at the break.
    EXPECT_EQ(m_Text.RowToPara({ 0, 1 }), (CTextPos { 8, 0 }));
    EXPECT_EQ(m_Text.ParaToRow({ 9, 0 }), (CTextPos { 1, 1 }));
}

TEST_F(TextPositions, OffsetsPastARowEndStopAtItsEnd)
{
    EXPECT_EQ(m_Text.RowToPara({ 50, 0 }), (CTextPos { 8, 0 }));
    EXPECT_EQ(m_Text.RowToPara({ 50, 1 }), (CTextPos { 18, 0 }));
    EXPECT_EQ(m_Text.RowToPara({ 10, 1 }), (CTextPos { 18, 0 }));
    EXPECT_EQ(m_Text.RowToPara({ 5, 2 }), (CTextPos { 0, 1 }));
    EXPECT_EQ(m_Text.RowToPara({ 9, 3 }), (CTextPos { 4, 2 }));
}

TEST_F(TextPositions, ParagraphEndsLieOnTheParagraphsLastRow)
{
    EXPECT_EQ(m_Text.ParaToRow({ 18, 0 }), (CTextPos { 10, 1 }));
    EXPECT_EQ(m_Text.ParaToRow({ 0, 1 }), (CTextPos { 0, 2 }));
    EXPECT_EQ(m_Text.ParaToRow({ 0, 2 }), (CTextPos { 0, 3 }));
    EXPECT_EQ(m_Text.ParaToRow({ 4, 2 }), (CTextPos { 4, 3 }));
}

TEST_F(TextPositions, PositionsOutsideTheTextAreClampedIntoIt)
{
    EXPECT_EQ(m_Text.RowToPara({ 1, -5 }), (CTextPos { 1, 0 }));
    EXPECT_EQ(m_Text.RowToPara({ 2, 99 }), (CTextPos { 2, 2 }));
    EXPECT_EQ(m_Text.RowToPara({ -3, 1 }), (CTextPos { 8, 0 }));
    EXPECT_EQ(m_Text.ParaToRow({ 99, 0 }), (CTextPos { 10, 1 }));
    EXPECT_EQ(m_Text.ParaToRow({ 0, 7 }), (CTextPos { 0, 3 }));
    EXPECT_EQ(m_Text.ParaToRow({ -2, -2 }), (CTextPos { 0, 0 }));
}

TEST(TextPositionsUnwrapped, AParagraphNeverWrappedIsOneRow)
{
    CTextCtrl text;
    text.SetString("ab\r\ncd");
    EXPECT_EQ(text.GetRowCount(), 0);
    EXPECT_EQ(text.ParaToRow({ 1, 1 }), (CTextPos { 1, 1 }));
    EXPECT_EQ(text.RowToPara({ 2, 1 }), (CTextPos { 2, 1 }));
    EXPECT_EQ(RowText(text, 1), "cd");
}

TEST(TextPositionsStale, OutdatedRowsNeverPointOutsideTheText)
{
    CTextCtrl text;
    text.SetString("aaaa bbbb cccc dddd eeee");
    text.WrapAll(nullptr, FixedFont(), 50);
    ASSERT_EQ(text.GetRowCount(), 5);
    // The rows still describe the long text until the next wrap.
    text.DeleteRange({ 3, 0 }, text.GetEndPos());
    for (int row = 0; row < 5; ++row) {
        EXPECT_TRUE(text.IsValidParaPos(text.RowToPara({ 3, row })));
        int length = 0;
        const char *p = text.GetRowInfo(row, &length);
        ASSERT_NE(p, nullptr);
        EXPECT_LE(p - text.GetPara(0).GetData() + length, 3);
    }
    EXPECT_EQ(text.ParaToRow({ 3, 0 }).m_nLine, 4);
    EXPECT_EQ(text.WrapStale(nullptr, FixedFont(), 50), 1);
}

// For random texts and widths every paragraph position survives the trip to
// rows and back, and every row position does too except the start of a
// continuation row, which is shown as the end of the row before it.
TEST(TextPositionsRandom, ConversionsRoundTrip)
{
    std::mt19937 rng(3);
    const std::string alphabet = "abcdefg  \t\r";
    const CTextFont font = FixedFont();
    for (int round = 0; round < 500; ++round) {
        std::string s;
        const int length = static_cast<int>(rng() % 80);
        for (int i = 0; i < length; ++i)
            s += alphabet[rng() % alphabet.size()];
        CTextCtrl text;
        text.SetString(_String(s));
        const int rows = text.WrapAll(nullptr, font, 20 + static_cast<int>(rng() % 100));

        for (int k = 0; k < text.GetParaCount(); ++k) {
            for (int o = 0; o <= text.GetPara(k).GetLength(); ++o) {
                const CTextPos row = text.ParaToRow({ o, k });
                ASSERT_EQ(text.RowToPara(row), (CTextPos { o, k })) << s;
            }
        }
        for (int r = 0; r < rows; ++r) {
            int rowLength = 0;
            text.GetRowInfo(r, &rowLength);
            for (int c = 0; c <= rowLength; ++c) {
                const CTextPos para = text.RowToPara({ c, r });
                const CTextPos back = text.ParaToRow(para);
                if (c == 0 && r > 0 && para.m_nChar > 0) {
                    int before = 0;
                    text.GetRowInfo(r - 1, &before);
                    ASSERT_EQ(back, (CTextPos { before, r - 1 })) << s;
                } else {
                    ASSERT_EQ(back, (CTextPos { c, r })) << s << " row " << r << " char " << c;
                }
            }
        }
    }
}
