// Outlines through each exchange format and back keep what the format can
// carry, and the import writes a loadable outline file.

#include "FormatsTestSupport.h"

#include "FormatExchange.h"
#include "Markdown.h"
#include "Opml.h"
#include "PlainText.h"

using namespace formats;

namespace {

class CRoundTrip : public ::testing::TestWithParam<EFormat> {
protected:
    CRecordingSink m_Sink;
    COutlineMan m_Source { nullptr, &m_Sink };
    COutlineMan m_Back { nullptr, &m_Sink };
    CScratch m_Dir;
};

TEST_P(CRoundTrip, KeepsTextsLevelsNotesAndChecks)
{
    MakeSample(m_Source);
    const EFormat format = GetParam();
    const std::string path = m_Dir / (std::string("out") + FormatExtension(format));
    std::string error;
    ASSERT_TRUE(ExportOutline(m_Source, format, path, SExportOptions(), error)) << error;
    CImportReport report;
    ASSERT_TRUE(ImportOutline(path, format, m_Back, report)) << report.Error();
    EXPECT_TRUE(report.Warnings().empty()) << report.WarningText();

    if (format == EFormat::kPlainText) {
        // Plain text carries texts and levels only, an item on one line.
        std::string expected = Dump(m_Source, false);
        const std::string from = "Basil\\nsecond";
        expected.replace(expected.find(from), from.size(), "Basil second");
        EXPECT_EQ(Dump(m_Back, false), expected);
        return;
    }
    EXPECT_EQ(Dump(m_Back), Dump(m_Source));
    EXPECT_EQ(m_Back.GetDB()->GetOutlineTitle().str(), "Garden \x80 plan");

    // And into an outline file that loads again as it was.
    const std::string kxo = m_Dir / "back.kxo";
    ASSERT_TRUE(m_Back.Save(kxo.c_str()));
    COutlineMan reloaded(nullptr, &m_Sink);
    ASSERT_TRUE(reloaded.Load(kxo.c_str()));
    EXPECT_EQ(Dump(reloaded), Dump(m_Source));
    EXPECT_TRUE(m_Sink.m_Messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Formats, CRoundTrip,
    ::testing::Values(EFormat::kOpml, EFormat::kMarkdown, EFormat::kPlainText),
    [](const ::testing::TestParamInfo<EFormat> &info) {
        return std::string(FormatExtension(info.param) + 1);
    });

TEST(RoundTrip, CharactersOutsideTheCodePageComeBackOutOfAnExport)
{
    // Imported as markers, exported as the characters they stand for.
    const std::string opml = "<?xml version=\"1.0\"?><opml version=\"2.0\"><head/><body>"
                             "<outline text=\"smile \xF0\x9F\x98\x80 and \xE2\x86\x92 arrow\"/>"
                             "</body></opml>";
    SFlatOutline outline;
    CImportReport report;
    ASSERT_TRUE(ReadOpml(opml, outline, report));
    ASSERT_EQ(outline.m_Items.size(), 1u);
    EXPECT_EQ(outline.m_Items[0].m_strText, "smile [U+1F600] and [U+2192] arrow");
    ASSERT_EQ(report.Warnings().size(), 2u);
    EXPECT_NE(report.Warnings()[0].find("Line 1"), std::string::npos);
    EXPECT_NE(report.Warnings()[0].find("U+1F600"), std::string::npos);

    EXPECT_NE(WriteOpml(outline).find("smile \xF0\x9F\x98\x80 and \xE2\x86\x92 arrow"),
        std::string::npos);
    EXPECT_NE(WriteMarkdown(outline).find("\xF0\x9F\x98\x80"), std::string::npos);
    // A marker for a character the code page has is the user's own text.
    outline.m_Items[0].m_strText = "[U+0041] [U+12] [U+D800]";
    EXPECT_NE(WriteOpml(outline).find("[U+0041] [U+12] [U+D800]"), std::string::npos);
}

TEST(RoundTrip, OpmlKeepsWhichItemsAreExpanded)
{
    CRecordingSink sink;
    COutlineMan man(nullptr, &sink);
    MakeSample(man);
    // Plan, Seeds and Beds are expanded, Screws (with Deep below) is not.
    NodeOf(man, "Deep")->m_Item.m_bExpanded = true;
    const SFlatOutline flat = FlattenOutline(man);
    const std::string opml = WriteOpml(flat);
    // Lines: Plan 0, Seeds 1, Tomatoes 2, Basil 3, Beds 4, Wood 5, Screws 6.
    EXPECT_NE(opml.find("<expansionState>0,1,4</expansionState>"), std::string::npos);

    SFlatOutline back;
    CImportReport report;
    ASSERT_TRUE(ReadOpml(opml, back, report));
    std::string expanded;
    for (const SFlatItem &item : back.m_Items)
        expanded += item.m_bExpanded ? '+' : '-';
    // Deep's own expansion is hidden under Screws and not kept.
    EXPECT_EQ(expanded, "++--+-----");

    // Without the element every item opens; numbers out of order stop it.
    const std::string none
        = "<opml><body><outline text='a'><outline text='b'/></outline></body></opml>";
    ASSERT_TRUE(ReadOpml(none, back, report));
    EXPECT_TRUE(back.m_Items[0].m_bExpanded);
    const std::string odd = "<opml><head><expansionState>2,0,x,99999999999</expansionState></head>"
                            "<body><outline text='a'><outline text='b'/></outline>"
                            "<outline text='c'><outline text='d'/></outline></body></opml>";
    ASSERT_TRUE(ReadOpml(odd, back, report));
    EXPECT_FALSE(back.m_Items[0].m_bExpanded);
    EXPECT_FALSE(back.m_Items[2].m_bExpanded);
}

TEST(RoundTrip, DeepLevelsAreFoldedIntoTheModel)
{
    std::string md;
    for (int level = 0; level < 14; ++level)
        md += std::string(static_cast<std::size_t>(level) * 2, ' ') + "- item"
            + std::to_string(level) + "\n";
    SFlatOutline outline;
    CImportReport report;
    ASSERT_TRUE(ReadMarkdown(md, outline, report));
    ASSERT_EQ(outline.m_Items.size(), 14u);
    EXPECT_EQ(outline.m_Items[13].m_nLevel, 13);

    CRecordingSink sink;
    COutlineMan man(nullptr, &sink);
    ASSERT_TRUE(FillOutline(outline, man, report));
    EXPECT_EQ(NodeOf(man, "item9")->m_Item.m_nLevel, 9);
    EXPECT_EQ(NodeOf(man, "item13")->m_Item.m_nLevel, 9);
    ASSERT_EQ(report.Warnings().size(), 1u);
    EXPECT_NE(report.Warnings()[0].find("deepest level"), std::string::npos);
}

TEST(RoundTrip, AnEmptyOutlineImportsAsOneEmptyItem)
{
    CRecordingSink sink;
    COutlineMan man(nullptr, &sink);
    CImportReport report;
    ASSERT_TRUE(FillOutline(SFlatOutline(), man, report));
    EXPECT_EQ(Dump(man), "0:");
}

} // namespace
