// The HTML page: well-formed, self-contained, what the rules ask for, and
// read by tools we did not write (pandoc, a headless browser).

#include "FormatsTestSupport.h"

#include "FormatExchange.h"
#include "HtmlExport.h"

#include "kx_gen/DibTypes.h"
#include "kx_gen/DibUtil.h"

#include <cstring>

using namespace formats;

namespace {

// Something to see in the drawing: a cross in the palette's last colour.
void DrawCross(kx_gen::HMEM dib)
{
    void *info = kx_gen::MemGetPtr(dib);
    std::uint8_t *bits = kx_gen::FindDIBBits(info);
    const int w = kx_gen::DIBWidth(info);
    const int h = kx_gen::DIBHeight(info);
    const std::uint32_t stride = kx_gen::DIBWidthBytes(static_cast<std::uint32_t>(w), 8);
    // Palette entries (blue, green, red, reserved) follow the header.
    auto *palette
        = static_cast<std::uint8_t *>(info) + static_cast<kx_gen::BITMAPINFOHEADER *>(info)->biSize;
    const std::uint8_t white[4] = { 255, 255, 255, 0 };
    const std::uint8_t blue[4] = { 160, 80, 0, 0 };
    std::memcpy(palette, white, 4);
    std::memcpy(palette + 4 * 255, blue, 4);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const bool on = std::abs(x * h - y * w) < w || std::abs(x * h - (h - 1 - y) * w) < w;
            bits[static_cast<std::size_t>(y) * stride + static_cast<std::size_t>(x)] = on ? 255 : 0;
        }
    }
    kx_gen::MemReleasePtr(dib);
}

class CHtmlPage : public ::testing::Test {
protected:
    void SetUp() override
    {
        MakeSample(m_Man);
        // Legal numbering at the top, letters below, a divider.
        std::uint8_t scheme[COutlineMan::kNumberingSize] = { 1, 2, 5 };
        m_Man.SetNumbering(scheme);
        m_Man.SetNumberingDivider(')');
        kx_gen::MemHolder dib(kx_gen::CreateDIB(24, 16, 8));
        DrawCross(dib.get());
        ASSERT_TRUE(m_Man.SetItemDrawing(NodeOf(m_Man, "Seeds"), dib.get()));
    }

    std::string Export(const std::string &name, const std::string &rules = std::string())
    {
        SExportOptions options;
        options.m_strDate = "2026-12-09";
        options.m_strTemplatePath = std::string(TEST_BIN_DIR) + "/html/outline-template.html";
        options.m_strRulesPath = std::string(TEST_BIN_DIR) + "/html/outline.rules";
        if (!rules.empty()) {
            options.m_strRulesPath = m_Dir / "custom.rules";
            WriteText(options.m_strRulesPath, rules);
        }
        std::string error;
        const std::string path = m_Dir / name;
        EXPECT_TRUE(ExportOutline(m_Man, EFormat::kHtml, path, options, error)) << error;
        return path;
    }

    CRecordingSink m_Sink;
    COutlineMan m_Man { nullptr, &m_Sink };
    CScratch m_Dir;
};

TEST_F(CHtmlPage, IsWellFormedSelfContainedAndNested)
{
    const std::string path = Export("page.html");
    int status = -1;
    const std::string summary
        = RunTool("python3 " + std::string(TEST_DATA_DIR) + "/check_html.py " + path, &status);
    EXPECT_EQ(status, 0) << summary;
    // Plan, Seeds, Beds, Screws, Deep have sub-items: five nested lists and
    // the outer one; Deeper is five lists down.
    EXPECT_EQ(summary, "ul=6 maxdepth=5 img=1\n");

    const std::string page = ReadText(path);
    EXPECT_NE(page.find("<title>Garden \xe2\x82\xac plan</title>"), std::string::npos);
    EXPECT_NE(page.find("Exported on 2026-12-09"), std::string::npos);
    EXPECT_NE(
        page.find("Tomatoes &lt;cherry&gt; &amp; &quot;plum&quot; *bold* \\ [x] #1 caf\xc3\xa9"),
        std::string::npos);
    EXPECT_NE(page.find("Basil<br>second paragraph"), std::string::npos);
    EXPECT_NE(
        page.find("<p>A note.</p><p>Its second paragraph &amp; more.</p>"), std::string::npos);
    // Numbering as the window shows it: legal at level 0, letters at 1.
    EXPECT_NE(page.find("<span class=\"label\">1)</span>"), std::string::npos);
    EXPECT_NE(
        page.find("<span class=\"label\">b)</span> <span class=\"text\">Beds"), std::string::npos);
    EXPECT_NE(page.find("<li class=\"item level-1 checked\"><details open>"), std::string::npos);
    EXPECT_EQ(page.find("http"), std::string::npos) << "the page must not load anything";
    // For a look at the page in a browser.
    if (const char *keep = std::getenv("VELLACOR_KEEP_PAGE"))
        WriteText(keep, page);
}

TEST_F(CHtmlPage, FollowsItsRules)
{
    const std::string page = ReadText(Export("headings.html",
        "# headings, no numbering\nlayout = headings\nnumbering = no\n"
        "checked = [done]\nunchecked =\nnote = <aside>{note}</aside>\nbogus = 1\ncollapsible = "
        "maybe\n"));
    EXPECT_NE(page.find("<h2 class=\"row\">"), std::string::npos);
    EXPECT_NE(page.find("<h3 class=\"row\">[done] "), std::string::npos);
    EXPECT_NE(page.find("<aside><p>Oak, 3 \xc3\x97 2 m</p></aside>"), std::string::npos);
    // The page title is the h1: the fifth level is an h6.
    EXPECT_NE(page.find("<h6 class=\"row\"><span class=\"text\">Deeper"), std::string::npos);
    EXPECT_EQ(page.find("class=\"label\""), std::string::npos);
    EXPECT_EQ(page.find("<details"), std::string::npos);

    SHtmlRules rules;
    CImportReport report;
    ASSERT_TRUE(ParseHtmlRules("bogus = 1\ncollapsible = maybe\nno equals sign\n", rules, report));
    ASSERT_EQ(report.Warnings().size(), 3u);
    EXPECT_EQ(report.Warnings()[0], "Line 1: unknown rule \"bogus\" ignored");
    EXPECT_TRUE(rules.m_bCollapsible);
}

TEST_F(CHtmlPage, RefusesATemplateWithoutItsOutlinePlace)
{
    std::string page;
    std::string error;
    EXPECT_FALSE(BuildHtmlPage(m_Man, "<html>{{title}}</html>", SHtmlRules(), "d", page, error));
    EXPECT_NE(error.find("{{outline}}"), std::string::npos);

    SExportOptions options;
    options.m_strTemplatePath = m_Dir / "missing.html";
    EXPECT_FALSE(ExportOutline(m_Man, EFormat::kHtml, m_Dir / "x.html", options, error));
    EXPECT_FALSE(fs::exists(m_Dir / "x.html"));
}

TEST_F(CHtmlPage, PandocReadsTheListStructure)
{
    if (!HaveTool("pandoc"))
        GTEST_SKIP() << "pandoc is not installed";
    const std::string path = Export("page.html");
    int status = -1;
    const std::string lists = RunTool("pandoc -f html -t json " + path
            + " | python3 -c \"import json,sys; s=json.dumps(json.load(sys.stdin));"
              " print(s.count('BulletList'), s.count('Garden'))\"",
        &status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(lists, "6 2\n");
}

TEST_F(CHtmlPage, AHeadlessBrowserBuildsTheNestedLists)
{
    if (!HaveTool("chromium"))
        GTEST_SKIP() << "chromium is not installed";
    const std::string path = Export("page.html");
    int status = -1;
    const std::string dom = RunTool("timeout 120 chromium --headless --no-sandbox --disable-gpu "
                                    "--dump-dom file://"
            + path + " 2>/dev/null",
        &status);
    ASSERT_EQ(status, 0);
    std::size_t lists = 0;
    std::size_t details = 0;
    for (std::size_t at = dom.find("<ul"); at != std::string::npos; at = dom.find("<ul", at + 1))
        ++lists;
    for (std::size_t at = dom.find("<details open"); at != std::string::npos;
         at = dom.find("<details open", at + 1))
        ++details;
    EXPECT_EQ(lists, 6u);
    EXPECT_EQ(details, 5u);
    EXPECT_NE(dom.find("data:image/png;base64,iVBORw0KGgo"), std::string::npos);
}

} // namespace
