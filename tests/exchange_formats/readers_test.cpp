// The importers read what other tools write, and refuse damaged or hostile
// input with a reason instead of crashing or guessing.

#include "FormatsTestSupport.h"

#include "FormatExchange.h"
#include "Markdown.h"
#include "Opml.h"
#include "PlainText.h"

using namespace formats;

namespace {

std::string Fixture(const char *name)
{
    return ReadText(std::string(TEST_DATA_DIR) + "/" + name);
}

TEST(Opml, ReadsAWebOutlinersExport)
{
    SFlatOutline outline;
    CImportReport report;
    ASSERT_TRUE(ReadOpml(Fixture("web-outliner.opml"), outline, report)) << report.Error();
    EXPECT_EQ(outline.m_strTitle, "Weekly review");
    EXPECT_EQ(DumpFlat(outline),
        "0:Inbox[Empty it & file everything] | 1:Call the plumber{x} | 1:Pay <rent>{x} | "
        "1:Read \"Walden\"[Line one\\nLine two] | 0:Projects | 1:Kitchen | 2:Caf\xe9 table | "
        "0:Someday");
    EXPECT_TRUE(report.Warnings().empty());
}

TEST(Opml, ReadsTheDeclaredEncoding)
{
    const std::string latin = "<?xml version=\"1.0\" encoding=\"windows-1252\"?>"
                              "<opml><body><outline text=\"\x80 caf\xe9\"/></body></opml>";
    SFlatOutline outline;
    CImportReport report;
    ASSERT_TRUE(ReadOpml(latin, outline, report)) << report.Error();
    EXPECT_EQ(DumpFlat(outline), "0:\x80 caf\xe9");

    std::string utf16 = "\xFF\xFE";
    for (char c : std::string("<opml><body><outline text=\"x\"/></body></opml>")) {
        utf16 += c;
        utf16 += '\0';
    }
    ASSERT_TRUE(ReadOpml(utf16, outline, report)) << report.Error();
    EXPECT_EQ(DumpFlat(outline), "0:x");
}

TEST(Opml, ReadsWhatPandocWrites)
{
    if (!HaveTool("pandoc"))
        GTEST_SKIP() << "pandoc is not installed";
    CScratch dir;
    WriteText(dir / "in.md", "# Alpha\n\nAbout alpha.\n\n## Beta\n\n# Gamma\n");
    int status = -1;
    const std::string opml = RunTool(
        "pandoc -s -f markdown -t opml --metadata title=Greek " + (dir / "in.md"), &status);
    ASSERT_EQ(status, 0);
    SFlatOutline outline;
    CImportReport report;
    ASSERT_TRUE(ReadOpml(opml, outline, report)) << report.Error();
    EXPECT_EQ(outline.m_strTitle, "Greek");
    ASSERT_EQ(outline.m_Items.size(), 3u);
    EXPECT_EQ(outline.m_Items[0].m_strText, "Alpha");
    EXPECT_NE(outline.m_Items[0].m_strNote.find("About alpha."), std::string::npos);
    EXPECT_EQ(outline.m_Items[1].m_nLevel, 1);
    EXPECT_EQ(outline.m_Items[2].m_strText, "Gamma");
}

TEST(Opml, RefusesDamagedAndHostileDocuments)
{
    const struct {
        const char *name;
        std::string data;
        const char *reason;
    } cases[] = {
        { "empty", "", "well-formed" },
        { "truncated", "<opml><body><outline text=\"a\">", "well-formed" },
        { "not xml", "\x89PNG\r\n\x1a\n binary", "well-formed" },
        { "another root", "<html><body/></html>", "root element is <html>" },
        { "no body", "<opml><head><title>t</title></head></opml>", "no <body>" },
        { "billion laughs",
            "<?xml version=\"1.0\"?><!DOCTYPE lolz [<!ENTITY lol \"lol\">"
            "<!ENTITY lol2 \"&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;\">]>"
            "<opml><body><outline text=\"&lol2;\"/></body></opml>",
            "entity" },
        { "external entity",
            "<!DOCTYPE opml [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>"
            "<opml><body><outline text=\"&x;\"/></body></opml>",
            "entity" },
        { "bad attribute", "<opml><body><outline text=\"a\" text=\"b\"/></body></opml>",
            "well-formed" },
    };
    for (const auto &c : cases) {
        SFlatOutline outline;
        CImportReport report;
        EXPECT_FALSE(ReadOpml(c.data, outline, report)) << c.name;
        EXPECT_NE(report.Error().find(c.reason), std::string::npos)
            << c.name << ": " << report.Error();
    }

    std::string deep = "<opml><body>";
    for (int i = 0; i < kMaxOpmlDepth + 5; ++i)
        deep += "<outline text=\"x\">";
    SFlatOutline outline;
    CImportReport report;
    EXPECT_FALSE(ReadOpml(deep, outline, report));
    EXPECT_NE(report.Error().find("nested too deeply"), std::string::npos);
}

TEST(Opml, IgnoresOutlinesOutsideTheTree)
{
    const std::string opml = "<opml><head><outline text=\"in head\"/></head><body>"
                             "<outline text=\"a\"><group><outline text=\"hidden\"/></group>"
                             "<outline text=\"b\"/></outline></body></opml>";
    SFlatOutline outline;
    CImportReport report;
    ASSERT_TRUE(ReadOpml(opml, outline, report));
    EXPECT_EQ(DumpFlat(outline), "0:a | 1:b");
}

TEST(Markdown, ReadsMixedListsHeadingsNotesAndCode)
{
    SFlatOutline outline;
    CImportReport report;
    ASSERT_TRUE(ReadMarkdown(Fixture("mixed-lists.md"), outline, report)) << report.Error();
    EXPECT_EQ(outline.m_strTitle, "Reading list");
    EXPECT_EQ(DumpFlat(outline),
        "0:Some books worth a look. | 0:Fiction | 1:The first | 2:nested with four spaces | 1:Plus "
        "marker item | "
        "1:Ordered one | 1:Ordered two | 2:Finished sub-task{x} | "
        "2:Open sub-task[A note paragraph under the open sub-task, wrapped over two lines.] | "
        "0:Non-fiction[Closing words.] | 1:Escaped *stars* and & entity \xe9 | "
        "1:Hard\\nbreak[- this is code, not an item]");
    // A paragraph under no heading is an item; one after a list under a
    // heading is the heading's note.
    EXPECT_TRUE(report.Warnings().empty());
}

TEST(Markdown, PandocReadsTheExportAsTheSameTree)
{
    if (!HaveTool("pandoc"))
        GTEST_SKIP() << "pandoc is not installed";
    CRecordingSink sink;
    COutlineMan man(nullptr, &sink);
    MakeSample(man);
    CScratch dir;
    std::string error;
    ASSERT_TRUE(ExportOutline(man, EFormat::kMarkdown, dir / "out.md", SExportOptions(), error));
    int status = -1;
    const std::string json = RunTool("pandoc -f markdown -t json " + (dir / "out.md")
            + " | python3 -c \""
              "import json,sys\n"
              "def t(xs):\n"
              "  return ''.join(i['c'] if i['t']=='Str' else ' ' if i['t'] in "
              "('Space','SoftBreak') else '/' if i['t']=='LineBreak' else "
              "'\\\"'+t(i['c'][1])+'\\\"' if i['t']=='Quoted' else '' for i in xs)\n"
              "def walk(blocks, depth, out):\n"
              "  for b in blocks:\n"
              "    if b['t'] == 'BulletList':\n"
              "      for item in b['c']:\n"
              "        first = item[0]['c'] if item and item[0]['t'] in ('Plain','Para') else []\n"
              "        out.append(str(depth) + ':' + t(first))\n"
              "        walk(item, depth + 1, out)\n"
              "    elif b['t'] == 'Header':\n"
              "      out.append('H:' + t(b['c'][2]))\n"
              "out = []\n"
              "walk(json.load(sys.stdin)['blocks'], 0, out)\n"
              "print(' | '.join(out))\"",
        &status);
    ASSERT_EQ(status, 0);
    // The check boxes are pandoc's ballot boxes, the quotation marks its
    // quoted text.
    EXPECT_EQ(json,
        "H:Garden \xe2\x82\xac plan | 0:\xe2\x98\x90 Plan | 1:\xe2\x98\x92 Seeds | "
        "2:\xe2\x98\x90 Tomatoes <cherry> & \"plum\" *bold* \\ [x] #1 caf\xc3\xa9 | "
        "2:\xe2\x98\x90 Basil/second paragraph | 1:\xe2\x98\x90 Beds | 2:\xe2\x98\x90 Wood | "
        "2:\xe2\x98\x92 Screws | 3:\xe2\x98\x90 Deep | 4:\xe2\x98\x90 Deeper | "
        "0:\xe2\x98\x90 - not a list 1. either\n");
}

TEST(Markdown, ReadsWhatPandocWrites)
{
    if (!HaveTool("pandoc"))
        GTEST_SKIP() << "pandoc is not installed";
    // Pandoc rewrites the export in its own style: other marker spacing,
    // deeper indentation, its own escapes and blank lines.
    CRecordingSink sink;
    COutlineMan man(nullptr, &sink);
    MakeSample(man);
    CScratch dir;
    std::string error;
    ASSERT_TRUE(ExportOutline(man, EFormat::kMarkdown, dir / "ours.md", SExportOptions(), error));
    int status = -1;
    const std::string theirs
        = RunTool("pandoc -f markdown-smart -t markdown-smart " + (dir / "ours.md"), &status);
    ASSERT_EQ(status, 0);
    ASSERT_NE(theirs.find("-   [x] Seeds"), std::string::npos) << theirs;
    SFlatOutline outline;
    CImportReport report;
    ASSERT_TRUE(ReadMarkdown(theirs, outline, report)) << report.Error();
    COutlineMan back(nullptr, &sink);
    ASSERT_TRUE(FillOutline(outline, back, report));
    EXPECT_EQ(Dump(back), Dump(man)) << theirs;
}

TEST(Markdown, RefusesBinaryInputAndReportsForeignBytes)
{
    SFlatOutline outline;
    CImportReport report;
    EXPECT_FALSE(ReadMarkdown(std::string("- a\0b", 5), outline, report));
    EXPECT_NE(report.Error().find("NUL"), std::string::npos);

    CImportReport latin;
    ASSERT_TRUE(ReadMarkdown("- caf\xe9\n", outline, latin));
    EXPECT_EQ(DumpFlat(outline), "0:caf\xe9");
    ASSERT_EQ(latin.Warnings().size(), 1u);
    EXPECT_NE(latin.Warnings()[0].find("Windows-1252"), std::string::npos);
}

TEST(Markdown, PathologicalLinesAreReadInLinearTime)
{
    // Each would take hours if a reader looked ahead from every character.
    for (char c : { '&', '\\', '[', '`', ' ' }) {
        SFlatOutline outline;
        CImportReport report;
        const std::string line = "- " + std::string(4u << 20, c) + "x\n";
        ASSERT_TRUE(ReadMarkdown(line, outline, report)) << c;
        ASSERT_EQ(outline.m_Items.size(), 1u) << c;
    }
}

TEST(PlainText, ReadsTabsAndBlanks)
{
    SFlatOutline outline;
    CImportReport report;
    ASSERT_TRUE(
        ReadPlainText("\xEF\xBB\xBFone\r\n\ttwo\r\n\r\n    three\n  \tfour  \n", outline, report));
    EXPECT_EQ(DumpFlat(outline), "0:one | 1:two | 2:three | 2:four");
    EXPECT_FALSE(ReadPlainText(std::string("a\0", 2), outline, report));
}

TEST(Import, ReportsUnreadableFilesAndChangesNothing)
{
    CRecordingSink sink;
    COutlineMan man(nullptr, &sink);
    CImportReport report;
    EXPECT_FALSE(ImportOutline("/nonexistent/x.opml", EFormat::kOpml, man, report));
    EXPECT_NE(report.Error().find("Cannot open"), std::string::npos);
    EXPECT_FALSE(man.IsOpen());

    // A refused file leaves an open outline as it was.
    MakeSample(man);
    const std::string before = Dump(man);
    CScratch dir;
    WriteText(dir / "bad.opml", "<opml><body><outline");
    CImportReport bad;
    EXPECT_FALSE(ImportOutline(dir / "bad.opml", EFormat::kOpml, man, bad));
    EXPECT_EQ(Dump(man), before);
    // A file without a title of its own is titled by its name.
    WriteText(dir / "Groceries.txt", "milk\n");
    CImportReport fine;
    ASSERT_TRUE(ImportOutline(dir / "Groceries.txt", EFormat::kPlainText, man, fine));
    EXPECT_EQ(man.GetDB()->GetOutlineTitle().str(), "Groceries");
}

} // namespace
