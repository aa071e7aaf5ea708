#include "TextCtrl.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

using kx_gen::_String;

namespace {

std::vector<std::string> Paras(const CTextCtrl &text)
{
    std::vector<std::string> out;
    for (int k = 0; k < text.GetParaCount(); ++k)
        out.emplace_back(text.GetPara(k).GetText());
    return out;
}

using Lines = std::vector<std::string>;

} // namespace

TEST(TextContent, CarriageReturnsSplitParagraphsAndGetStringJoinsWithCrLf)
{
    CTextCtrl text;
    text.SetString("a\r\nb");
    EXPECT_EQ(Paras(text), (Lines { "a", "b" }));
    EXPECT_EQ(text.GetString().str(), "a\r\nb");

    text.SetString("a\rb");
    EXPECT_EQ(Paras(text), (Lines { "a", "b" }));
    EXPECT_EQ(text.GetString().str(), "a\r\nb");

    // A lone line feed is an ordinary character.
    text.SetString("a\nb");
    EXPECT_EQ(Paras(text), (Lines { "a\nb" }));

    // Breaks at either end give empty paragraphs; CR CR is two breaks.
    text.SetString("\r\nx\r\r\n");
    EXPECT_EQ(Paras(text), (Lines { "", "x", "", "" }));
    EXPECT_EQ(text.GetString().str(), "\r\nx\r\n\r\n");
}

TEST(TextContent, AnEmptyTextIsOneEmptyParagraph)
{
    CTextCtrl text;
    EXPECT_TRUE(text.IsEmptyText());
    EXPECT_EQ(text.GetParaCount(), 1);
    EXPECT_EQ(text.GetString().str(), "");

    text.SetString("abc");
    EXPECT_FALSE(text.IsEmptyText());
    text.SetString("");
    EXPECT_TRUE(text.IsEmptyText());

    text.SetString("\r\n");
    EXPECT_FALSE(text.IsEmptyText());
    EXPECT_EQ(text.GetParaCount(), 2);
}

TEST(TextContent, GetRangeTakesEitherOrderAndJoinsParagraphs)
{
    CTextCtrl text;
    text.SetString("alpha\r\nbeta\r\ngamma");
    EXPECT_EQ(text.GetRange({ 1, 0 }, { 4, 0 }).str(), "lph");
    EXPECT_EQ(text.GetRange({ 3, 0 }, { 2, 2 }).str(), "ha\r\nbeta\r\nga");
    EXPECT_EQ(text.GetRange({ 2, 2 }, { 3, 0 }).str(), "ha\r\nbeta\r\nga");
    EXPECT_EQ(text.GetRange({ 5, 0 }, { 0, 1 }).str(), "\r\n");
    EXPECT_EQ(text.GetRange({ 2, 1 }, { 2, 1 }).str(), "");
    EXPECT_EQ(text.GetRange({ 0, 0 }, text.GetEndPos()).str(), text.GetString().str());
    // Positions outside the text give nothing.
    EXPECT_EQ(text.GetRange({ 0, 0 }, { 6, 0 }).str(), "");
    EXPECT_EQ(text.GetRange({ 0, 0 }, { 0, 3 }).str(), "");
    EXPECT_EQ(text.GetRange({ -1, 0 }, { 2, 0 }).str(), "");
}

TEST(TextContent, ValidParagraphPositionsIncludeEachParagraphsEnd)
{
    CTextCtrl text;
    text.SetString("ab\r\n");
    EXPECT_TRUE(text.IsValidParaPos({ 0, 0 }));
    EXPECT_TRUE(text.IsValidParaPos({ 2, 0 }));
    EXPECT_FALSE(text.IsValidParaPos({ 3, 0 }));
    EXPECT_TRUE(text.IsValidParaPos({ 0, 1 }));
    EXPECT_FALSE(text.IsValidParaPos({ 1, 1 }));
    EXPECT_FALSE(text.IsValidParaPos({ 0, 2 }));
    EXPECT_FALSE(text.IsValidParaPos({ 0, -1 }));
    EXPECT_FALSE(text.IsValidParaPos({ -1, 0 }));
    EXPECT_EQ(text.GetEndPos(), (CTextPos { 0, 1 }));
}

TEST(TextInsert, ReturnsTheEndOfTheInsertedText)
{
    CTextCtrl text;
    text.SetString("helld");
    EXPECT_EQ(text.InsertAt({ 3, 0 }, "lo wor"), (CTextPos { 9, 0 }));
    EXPECT_EQ(text.GetString().str(), "hello world");

    // Several paragraphs: the tail of the split paragraph follows the last.
    EXPECT_EQ(text.InsertAt({ 5, 0 }, ",\r\nsay\rthe"), (CTextPos { 3, 2 }));
    EXPECT_EQ(Paras(text), (Lines { "hello,", "say", "the world" }));

    // A text that ends in a break leaves the tail at the start of a paragraph.
    EXPECT_EQ(text.InsertAt({ 3, 2 }, "\r\n"), (CTextPos { 0, 3 }));
    EXPECT_EQ(Paras(text), (Lines { "hello,", "say", "the", " world" }));

    // At the very end and the very start.
    EXPECT_EQ(text.InsertAt(text.GetEndPos(), "!\r"), (CTextPos { 0, 4 }));
    EXPECT_EQ(text.InsertAt({ 0, 0 }, ">"), (CTextPos { 1, 0 }));
    EXPECT_EQ(text.GetString().str(), ">hello,\r\nsay\r\nthe\r\n world!\r\n");
}

TEST(TextInsert, EmptyTextOrInvalidPositionChangesNothing)
{
    CTextCtrl text;
    text.SetString("abc\r\nde");
    const CTextPos pos { 1, 1 };
    EXPECT_EQ(text.InsertAt(pos, ""), pos);
    EXPECT_EQ(text.InsertAt({ 4, 0 }, "x"), (CTextPos { 4, 0 }));
    EXPECT_EQ(text.InsertAt({ 0, 2 }, "x\r\ny"), (CTextPos { 0, 2 }));
    EXPECT_EQ(text.InsertAt({ -1, 0 }, "x"), (CTextPos { -1, 0 }));
    EXPECT_EQ(text.GetString().str(), "abc\r\nde");
}

TEST(TextInsert, TheBufferGrowsInStepsOfTwenty)
{
    CTextCtrl text;
    text.SetString("abcde");
    EXPECT_EQ(text.GetPara(0).GetCapacity(), 20);
    text.InsertAt({ 5, 0 }, std::string(14, 'x'));
    EXPECT_EQ(text.GetPara(0).GetCapacity(), 20);
    text.InsertAt({ 0, 0 }, "y");
    EXPECT_EQ(text.GetPara(0).GetCapacity(), 20);
    text.InsertAt({ 0, 0 }, "y");
    EXPECT_EQ(text.GetPara(0).GetCapacity(), 40);
    text.InsertAt({ 0, 0 }, std::string(44, 'z'));
    EXPECT_EQ(text.GetPara(0).GetLength(), 65);
    EXPECT_EQ(text.GetPara(0).GetCapacity(), 80);
}

TEST(TextDelete, WithinAParagraphAndInEitherOrder)
{
    CTextCtrl text;
    text.SetString("abcdef\r\nxyz");
    EXPECT_TRUE(text.DeleteRange({ 1, 0 }, { 3, 0 }));
    EXPECT_EQ(text.GetString().str(), "adef\r\nxyz");
    EXPECT_TRUE(text.DeleteRange({ 3, 1 }, { 1, 1 }));
    EXPECT_EQ(text.GetString().str(), "adef\r\nx");
}

TEST(TextDelete, FromTheEndOfOneParagraphToTheStartOfTheNextJoinsThem)
{
    CTextCtrl text;
    text.SetString("one\r\ntwo\r\nthree");
    EXPECT_TRUE(text.DeleteRange({ 3, 0 }, { 0, 1 }));
    EXPECT_EQ(Paras(text), (Lines { "onetwo", "three" }));
}

TEST(TextDelete, AcrossSeveralParagraphsKeepsTheHeadAndTheTail)
{
    CTextCtrl text;
    text.SetString("one\r\ntwo\r\nthree\r\nfour");
    EXPECT_TRUE(text.DeleteRange({ 2, 2 }, { 1, 0 }));
    EXPECT_EQ(Paras(text), (Lines { "oree", "four" }));
    EXPECT_TRUE(text.DeleteRange({ 4, 0 }, { 4, 1 }));
    EXPECT_EQ(Paras(text), (Lines { "oree" }));
}

TEST(TextDelete, NothingForEqualOrInvalidPositions)
{
    CTextCtrl text;
    text.SetString("ab\r\ncd");
    EXPECT_FALSE(text.DeleteRange({ 1, 0 }, { 1, 0 }));
    EXPECT_FALSE(text.DeleteRange({ 0, 0 }, { 3, 1 }));
    EXPECT_FALSE(text.DeleteRange({ 0, 0 }, { 0, 2 }));
    EXPECT_FALSE(text.DeleteRange({ -1, 0 }, { 1, 0 }));
    EXPECT_EQ(text.GetString().str(), "ab\r\ncd");
}

TEST(TextDelete, DeletingEverythingLeavesOneEmptyParagraphWithOneRow)
{
    CTextFont font;
    font.SetFixedWidths(10, 40);
    CTextCtrl text;
    text.SetString("first\r\nsecond paragraph\r\n");
    text.WrapAll(nullptr, font, 60);
    EXPECT_TRUE(text.DeleteRange({ 0, 0 }, text.GetEndPos()));
    EXPECT_TRUE(text.IsEmptyText());
    EXPECT_EQ(text.WrapStale(nullptr, font, 60), 1);
    int length = -1;
    EXPECT_NE(text.GetRowInfo(0, &length), nullptr);
    EXPECT_EQ(length, 0);
}

TEST(TextCopy, CopiesAreIndependent)
{
    CTextCtrl a;
    a.SetString("one\r\ntwo");
    CTextCtrl b = a;
    b.InsertAt({ 0, 1 }, "2:");
    a.DeleteRange({ 0, 0 }, { 1, 0 });
    EXPECT_EQ(a.GetString().str(), "ne\r\ntwo");
    EXPECT_EQ(b.GetString().str(), "one\r\n2:two");
    a = b;
    EXPECT_EQ(a.GetString().str(), "one\r\n2:two");
    CTextCtrl c = std::move(b);
    EXPECT_EQ(c.GetString().str(), "one\r\n2:two");
}

// Random insertions and deletions against a plain string that holds the same
// text with CR LF breaks.
TEST(TextMark, EveryChangeAndEveryCopyOrMoveClearsTheUnchangedMark)
{
    const auto marked = [] {
        CTextCtrl text;
        text.SetString("one\r\ntwo");
        return text;
    };
    EXPECT_FALSE(CTextCtrl().IsUnchanged());
    // Changes, even those that turn out to change nothing.
    const std::vector<std::function<void(CTextCtrl &)>> changes {
        [](CTextCtrl &t) { t.SetString("one\r\ntwo"); },
        [](CTextCtrl &t) { t.SetChars("x", 1); },
        [](CTextCtrl &t) {
            t.InsertAt({ 1, 0 }, "y");
        },
        [](CTextCtrl &t) {
            t.InsertAt({ 0, 1 }, "");
        },
        [](CTextCtrl &t) {
            t.DeleteRange({ 0, 0 }, { 1, 0 });
        },
        [](CTextCtrl &t) {
            t.DeleteRange({ 0, 0 }, { 0, 0 });
        },
        [](CTextCtrl &t) { t.BorrowString("borrowed"); },
        [](CTextCtrl &t) { t = CTextCtrl(); },
    };
    for (std::size_t i = 0; i < changes.size(); ++i) {
        CTextCtrl text = marked();
        text.MarkUnchanged();
        changes[i](text);
        EXPECT_FALSE(text.IsUnchanged()) << i;
    }
    // Wrapping looks at the characters without changing them.
    CTextCtrl text = marked();
    text.MarkUnchanged();
    CTextFont font;
    font.SetFixedWidths(8, 64);
    EXPECT_GT(text.WrapAll(nullptr, font, 20), 2);
    EXPECT_TRUE(text.IsUnchanged());
    // A copy or a move is a text of its own that nobody has marked, and the
    // text moved from has lost its characters.
    CTextCtrl copy(text);
    EXPECT_FALSE(copy.IsUnchanged());
    EXPECT_TRUE(text.IsUnchanged());
    copy.MarkUnchanged();
    copy = text;
    EXPECT_FALSE(copy.IsUnchanged());
    CTextCtrl moved(std::move(text));
    EXPECT_FALSE(moved.IsUnchanged());
    EXPECT_FALSE(text.IsUnchanged());
    moved.MarkUnchanged();
    copy.MarkUnchanged();
    copy = std::move(moved);
    EXPECT_FALSE(copy.IsUnchanged());
    EXPECT_FALSE(moved.IsUnchanged());
}

TEST(TextEditing, RandomEditsMatchAPlainString)
{
    std::mt19937 rng(11);
    const char *pieces[]
        = { "a", "bc", " ", "\r\n", "\r", "x\ry", "\n", "long piece of text", "\r\n\r\n" };
    for (int round = 0; round < 200; ++round) {
        CTextCtrl text;
        std::string model;
        for (int step = 0; step < 60; ++step) {
            // Pick a random paragraph position and its offset in the model.
            auto randomPos = [&](std::size_t *pOffset) {
                const int k = static_cast<int>(rng() % static_cast<unsigned>(text.GetParaCount()));
                const int o = static_cast<int>(
                    rng() % static_cast<unsigned>(text.GetPara(k).GetLength() + 1));
                std::size_t offset = 0;
                for (int i = 0; i < k; ++i)
                    offset += static_cast<std::size_t>(text.GetPara(i).GetLength()) + 2;
                *pOffset = offset + static_cast<std::size_t>(o);
                return CTextPos { o, k };
            };
            std::size_t at = 0;
            const CTextPos pos = randomPos(&at);
            if (rng() % 3 != 0) {
                std::string piece = pieces[rng() % std::size(pieces)];
                const CTextPos end = text.InsertAt(pos, _String(piece));
                // The model keeps CR LF breaks only.
                std::string normal;
                for (std::size_t i = 0; i < piece.size(); ++i) {
                    if (piece[i] == '\r') {
                        normal += "\r\n";
                        if (i + 1 < piece.size() && piece[i + 1] == '\n')
                            ++i;
                    } else {
                        normal += piece[i];
                    }
                }
                model.insert(at, normal);
                std::size_t endOffset = 0;
                for (int i = 0; i < end.m_nLine; ++i)
                    endOffset += static_cast<std::size_t>(text.GetPara(i).GetLength()) + 2;
                ASSERT_EQ(endOffset + static_cast<std::size_t>(end.m_nChar), at + normal.size());
            } else {
                std::size_t at2 = 0;
                const CTextPos pos2 = randomPos(&at2);
                const std::string range = text.GetRange(pos, pos2).str();
                text.DeleteRange(pos, pos2);
                const std::size_t from = std::min(at, at2);
                const std::size_t to = std::max(at, at2);
                ASSERT_EQ(range, model.substr(from, to - from));
                model.erase(from, to - from);
            }
            ASSERT_EQ(text.GetString().str(), model);
            ASSERT_GE(text.GetParaCount(), 1);
        }
    }
}
