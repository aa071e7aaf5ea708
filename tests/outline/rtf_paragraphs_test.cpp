// Rich text from other programs: paragraphs and their indents, the
// characters a reader must decode, what it must skip, and the levels that
// indents lead to.

#include "RtfParagraphs.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::vector<std::string> Texts(const CRtfContent &content)
{
    std::vector<std::string> texts;
    for (const CRtfParagraph &p : content.m_Paragraphs)
        texts.push_back(p.m_strText);
    return texts;
}

CRtfContent Read(const std::string &rtf)
{
    return ReadRtfParagraphs(rtf.data(), rtf.size());
}

} // namespace

TEST(RtfParagraphs, ParagraphsWithTheirIndents)
{
    const CRtfContent c = Read("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}{\\*\\generator Pad;}"
                               "\\pard\\li720\\f0 First\\par\\pard Second\\par\\li-40 Third}");
    ASSERT_EQ(c.m_Paragraphs.size(), 3u);
    EXPECT_EQ(Texts(c), (std::vector<std::string> { "First", "Second", "Third" }));
    EXPECT_EQ(c.m_Paragraphs[0].m_nIndent, 720);
    EXPECT_EQ(c.m_Paragraphs[1].m_nIndent, 0);
    EXPECT_EQ(c.m_Paragraphs[2].m_nIndent, -40);
    EXPECT_EQ(c.m_nUnsupported, 0u);
}

TEST(RtfParagraphs, CharactersAndEscapes)
{
    const CRtfContent c = Read("{\\rtf1 Caf\\'e9 \\{x\\} a\\\\b\\tab c\\~d \\u8364? "
                               "{\\uc2\\u8212 --}\\ldblquote q\\rdblquote\\par}");
    ASSERT_EQ(c.m_Paragraphs.size(), 1u);
    EXPECT_EQ(c.m_Paragraphs[0].m_strText,
        "Caf\xE9 {x} a\\b\tc\xA0"
        "d \x80 \x97\x93q\x94");
}

TEST(RtfParagraphs, SkipsWhatIsNotBodyText)
{
    const CRtfContent c = Read("{\\rtf1{\\stylesheet{\\s1 Heading;}}{\\info{\\title T}}"
                               "{\\*\\unknowndest hidden}{\\pict\\pngblip 89504e47}"
                               "{\\field{\\*\\fldinst HYPERLINK x}{\\fldrslt shown}}"
                               "\\bin3 {}} after\\par}");
    ASSERT_EQ(c.m_Paragraphs.size(), 1u);
    EXPECT_EQ(c.m_Paragraphs[0].m_strText, "shown after");
}

TEST(RtfParagraphs, NamesTheFirstCharacterOutsideTheCodePage)
{
    const CRtfContent c = Read("{\\rtf1 a\\u937?b\\u-3913?c\\par}");
    EXPECT_EQ(c.m_nUnsupported, char32_t(937));
    // The character is left out, its fallback too; the caller refuses.
    EXPECT_EQ(c.m_Paragraphs[0].m_strText, "abc");
}

TEST(RtfParagraphs, DamagedInputGivesSomething)
{
    for (const std::string &bad : { std::string(), std::string("}}}}"), std::string("{\\"),
             std::string("{\\'4"), std::string("{\\li99999999999999999 x"),
             std::string(5000, '{') + "deep", std::string("\\bin999999 x") }) {
        const CRtfContent c = Read(bad);
        for (const CRtfParagraph &p : c.m_Paragraphs)
            EXPECT_LE(p.m_strText.size(), bad.size());
    }
    EXPECT_TRUE(ReadRtfParagraphs(nullptr, 10).m_Paragraphs.empty());
}

TEST(RtfParagraphs, LevelsFromIndents)
{
    EXPECT_EQ(LevelsFromIndents({ 0, 720, 1440, 720, 360 }), (std::vector<int> { 0, 1, 2, 1, 0 }));
    // A first paragraph indented is still the top level; a jump deeper by
    // two new indents after a shallow one stays one level deeper.
    EXPECT_EQ(LevelsFromIndents({ 360, 0, 1440, 2880 }), (std::vector<int> { 0, 0, 1, 2 }));
    EXPECT_EQ(LevelsFromIndents({ 0, 720, 1440, 0, 1440 }), (std::vector<int> { 0, 1, 2, 0, 1 }));
    std::vector<int> deep;
    for (int i = 0; i < 14; ++i)
        deep.push_back(i * 100);
    EXPECT_EQ(LevelsFromIndents(deep).back(), 9);
}
