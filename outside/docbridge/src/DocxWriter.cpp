#include "DocxWriter.h"

#include "DocbridgeError.h"
#include "TextCodec.h"
#include "ZipArchive.h"

#include <algorithm>
#include <ctime>
#include <string_view>

namespace docbridge {

namespace {

constexpr const char kXmlDeclaration[]
    = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
constexpr const char kNsW[] = "http://schemas.openxmlformats.org/wordprocessingml/2006/main";
constexpr const char kNsR[] = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
constexpr const char kNsWp[]
    = "http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing";
constexpr const char kNsA[] = "http://schemas.openxmlformats.org/drawingml/2006/main";
constexpr const char kNsPic[] = "http://schemas.openxmlformats.org/drawingml/2006/picture";
constexpr const char kRelTypeBase[]
    = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
// A drawing pixel shown as one point, so small handheld drawings stay legible.
constexpr std::uint64_t kEmuPerPixel = 12700;
// List and note indentation per level, in twentieths of a point.
constexpr int kIndentStep = 720;
constexpr int kHanging = 360;

std::string attr(std::string_view name, std::string_view value)
{
    std::string out = " ";
    out += name;
    out += "=\"";
    AppendXmlEscapedUtf8(out, value);
    out += '"';
    return out;
}

// The text's runs: one run, with breaks between its lines and tabs kept.
void appendRuns(std::string &out, std::string_view text, std::string_view prefixUtf8 = {})
{
    out += "<w:r>";
    bool open = false;
    auto openText = [&] {
        if (!open) {
            out += "<w:t xml:space=\"preserve\">";
            open = true;
        }
    };
    auto closeText = [&] {
        if (open) {
            out += "</w:t>";
            open = false;
        }
    };
    if (!prefixUtf8.empty()) {
        openText();
        AppendXmlEscapedUtf8(out, prefixUtf8);
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            closeText();
            out += "<w:br/>";
        } else if (c == '\t') {
            closeText();
            out += "<w:tab/>";
        } else {
            std::size_t end = i;
            while (end < text.size() && text[end] != '\r' && text[end] != '\n' && text[end] != '\t')
                ++end;
            openText();
            AppendXmlEscaped(out, text.substr(i, end - i));
            i = end - 1;
        }
    }
    closeText();
    out += "</w:r>";
}

std::vector<std::string_view> splitParagraphs(std::string_view text)
{
    std::vector<std::string_view> paragraphs;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == '\r' || text[i] == '\n') {
            paragraphs.push_back(text.substr(start, i - start));
            if (i < text.size() && text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            start = i + 1;
        }
    }
    return paragraphs;
}

std::string relationship(std::string_view id, std::string_view type, std::string_view target)
{
    return "<Relationship" + attr("Id", id) + attr("Type", type) + attr("Target", target) + "/>";
}

std::string contentTypes(bool numbering)
{
    std::string out = kXmlDeclaration;
    out += "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
           "<Default Extension=\"rels\" "
           "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
           "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
           "<Default Extension=\"png\" ContentType=\"image/png\"/>"
           "<Override PartName=\"/word/document.xml\" ContentType=\"application/"
           "vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/>"
           "<Override PartName=\"/word/styles.xml\" ContentType=\"application/"
           "vnd.openxmlformats-officedocument.wordprocessingml.styles+xml\"/>";
    if (numbering)
        out += "<Override PartName=\"/word/numbering.xml\" ContentType=\"application/"
               "vnd.openxmlformats-officedocument.wordprocessingml.numbering+xml\"/>";
    out += "<Override PartName=\"/docProps/core.xml\" ContentType=\"application/"
           "vnd.openxmlformats-package.core-properties+xml\"/>"
           "<Override PartName=\"/docProps/app.xml\" ContentType=\"application/"
           "vnd.openxmlformats-officedocument.extended-properties+xml\"/>"
           "</Types>";
    return out;
}

std::string packageRels()
{
    std::string out = kXmlDeclaration;
    out += "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
    out += relationship("rId1", std::string(kRelTypeBase) + "officeDocument", "word/document.xml");
    out += relationship("rId2",
        "http://schemas.openxmlformats.org/package/2006/relationships/metadata/core-properties",
        "docProps/core.xml");
    out += relationship(
        "rId3", std::string(kRelTypeBase) + "extended-properties", "docProps/app.xml");
    out += "</Relationships>";
    return out;
}

std::string coreProperties(const std::string &title)
{
    char stamp[32] = "";
    std::time_t now = std::time(nullptr);
    std::tm parts {};
    gmtime_r(&now, &parts);
    std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", &parts);
    std::string out = kXmlDeclaration;
    out += "<cp:coreProperties"
           " xmlns:cp=\"http://schemas.openxmlformats.org/package/2006/metadata/core-properties\""
           " xmlns:dc=\"http://purl.org/dc/elements/1.1/\" "
           "xmlns:dcterms=\"http://purl.org/dc/terms/\""
           " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"><dc:title>";
    AppendXmlEscaped(out, title);
    out += "</dc:title><dcterms:created xsi:type=\"dcterms:W3CDTF\">";
    out += stamp;
    out += "</dcterms:created><dcterms:modified xsi:type=\"dcterms:W3CDTF\">";
    out += stamp;
    out += "</dcterms:modified></cp:coreProperties>";
    return out;
}

std::string appProperties()
{
    std::string out = kXmlDeclaration;
    out += "<Properties "
           "xmlns=\"http://schemas.openxmlformats.org/officeDocument/2006/extended-properties\">"
           "<Application>Vellacor Docbridge</Application></Properties>";
    return out;
}

std::string styles()
{
    std::string out = kXmlDeclaration;
    out += "<w:styles" + attr("xmlns:w", kNsW) + ">";
    out += "<w:docDefaults><w:rPrDefault><w:rPr><w:sz w:val=\"22\"/><w:szCs w:val=\"22\"/>"
           "<w:lang w:val=\"en-US\"/></w:rPr></w:rPrDefault><w:pPrDefault><w:pPr>"
           "<w:spacing w:after=\"120\" w:line=\"264\" w:lineRule=\"auto\"/></w:pPr></w:pPrDefault>"
           "</w:docDefaults>";
    out += "<w:style w:type=\"paragraph\" w:default=\"1\" w:styleId=\"Normal\"><w:name "
           "w:val=\"Normal\"/>"
           "<w:qFormat/></w:style>";
    out += "<w:style w:type=\"paragraph\" w:styleId=\"Title\"><w:name w:val=\"Title\"/>"
           "<w:basedOn w:val=\"Normal\"/><w:next w:val=\"Normal\"/><w:qFormat/>"
           "<w:pPr><w:spacing w:after=\"240\"/></w:pPr><w:rPr><w:b/><w:sz w:val=\"48\"/>"
           "<w:szCs w:val=\"48\"/></w:rPr></w:style>";
    static const int sizes[kWordLevels] = { 32, 28, 26, 24, 22, 22, 22, 22, 22 };
    for (int level = 0; level < kWordLevels; ++level) {
        const std::string n = std::to_string(level + 1);
        out += "<w:style w:type=\"paragraph\" w:styleId=\"Heading" + n
            + "\"><w:name w:val=\"heading " + n
            + "\"/><w:basedOn w:val=\"Normal\"/><w:next w:val=\"Normal\"/><w:uiPriority "
              "w:val=\"9\"/>"
              "<w:qFormat/><w:pPr><w:keepNext/><w:spacing w:before=\"240\" w:after=\"60\"/>"
              "<w:outlineLvl w:val=\""
            + std::to_string(level) + "\"/></w:pPr><w:rPr><w:b/>" + (level >= 4 ? "<w:i/>" : "")
            + "<w:sz w:val=\"" + std::to_string(sizes[level]) + "\"/><w:szCs w:val=\""
            + std::to_string(sizes[level]) + "\"/></w:rPr></w:style>";
    }
    out += "<w:style w:type=\"paragraph\" w:styleId=\"ListParagraph\"><w:name w:val=\"List "
           "Paragraph\"/>"
           "<w:basedOn w:val=\"Normal\"/><w:uiPriority w:val=\"34\"/><w:qFormat/><w:pPr>"
           "<w:spacing w:after=\"60\"/><w:ind w:left=\"720\"/></w:pPr></w:style>";
    out += "</w:styles>";
    return out;
}

std::string numbering()
{
    static const char *const bullets[3] = { "\xe2\x80\xa2", "\xe2\x97\xa6", "\xe2\x96\xaa" };
    std::string out = kXmlDeclaration;
    out += "<w:numbering" + attr("xmlns:w", kNsW) + "><w:abstractNum w:abstractNumId=\"0\">"
        + "<w:multiLevelType w:val=\"hybridMultilevel\"/>";
    for (int level = 0; level < kWordLevels; ++level) {
        out += "<w:lvl w:ilvl=\"" + std::to_string(level) + "\"><w:start w:val=\"1\"/>"
            + "<w:numFmt w:val=\"bullet\"/><w:lvlText" + attr("w:val", bullets[level % 3])
            + "/><w:lvlJc w:val=\"left\"/><w:pPr><w:ind w:left=\""
            + std::to_string(kIndentStep * (level + 1)) + "\" w:hanging=\""
            + std::to_string(kHanging) + "\"/></w:pPr></w:lvl>";
    }
    out += "</w:abstractNum><w:num w:numId=\"1\"><w:abstractNumId "
           "w:val=\"0\"/></w:num></w:numbering>";
    return out;
}

void appendPicture(
    std::string &out, const TDocItem &item, int pictureNumber, const std::string &relId)
{
    const std::string cx = std::to_string(item.m_nPngWidth * kEmuPerPixel);
    const std::string cy = std::to_string(item.m_nPngHeight * kEmuPerPixel);
    const std::string id = std::to_string(pictureNumber);
    out += "<w:r><w:drawing><wp:inline distT=\"0\" distB=\"0\" distL=\"0\" distR=\"0\">"
           "<wp:extent cx=\""
        + cx + "\" cy=\"" + cy + "\"/><wp:docPr id=\"" + id + "\" name=\"Drawing " + id
        + "\"/><wp:cNvGraphicFramePr><a:graphicFrameLocks "
          "noChangeAspect=\"1\"/></wp:cNvGraphicFramePr>"
          "<a:graphic><a:graphicData uri=\""
        + kNsPic + "\"><pic:pic><pic:nvPicPr><pic:cNvPr id=\"" + id + "\" name=\"drawing" + id
        + ".png\"/><pic:cNvPicPr/></pic:nvPicPr><pic:blipFill><a:blip r:embed=\"" + relId
        + "\"/><a:stretch><a:fillRect/></a:stretch></pic:blipFill><pic:spPr><a:xfrm>"
          "<a:off x=\"0\" y=\"0\"/><a:ext cx=\""
        + cx + "\" cy=\"" + cy
        + "\"/></a:xfrm><a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom></pic:spPr></pic:pic>"
          "</a:graphicData></a:graphic></wp:inline></w:drawing></w:r>";
}

} // namespace

std::string BuildDocx(
    const std::vector<TDocItem> &items, const TDocxOptions &options, const ProgressFn &progress)
{
    CZipWriter zip;
    std::string rels = kXmlDeclaration;
    rels
        += "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
    rels += relationship("rId1", std::string(kRelTypeBase) + "styles", "styles.xml");
    if (!options.m_bHeadings)
        rels += relationship("rId2", std::string(kRelTypeBase) + "numbering", "numbering.xml");

    std::string doc = kXmlDeclaration;
    doc += "<w:document" + attr("xmlns:w", kNsW) + attr("xmlns:r", kNsR) + attr("xmlns:wp", kNsWp)
        + attr("xmlns:a", kNsA) + attr("xmlns:pic", kNsPic) + "><w:body>";
    if (!options.m_strTitle.empty()) {
        doc += "<w:p><w:pPr><w:pStyle w:val=\"Title\"/></w:pPr>";
        appendRuns(doc, options.m_strTitle);
        doc += "</w:p>";
    }

    std::vector<std::pair<std::string, const std::string *>> media;
    for (std::size_t index = 0; index < items.size(); ++index) {
        const TDocItem &item = items[index];
        const int wordLevel = std::clamp(item.m_nLevel, 0, kWordLevels - 1);
        doc += "<w:p><w:pPr>";
        if (options.m_bHeadings) {
            doc += "<w:pStyle w:val=\"Heading" + std::to_string(wordLevel + 1) + "\"/>";
        } else {
            doc += "<w:pStyle w:val=\"ListParagraph\"/><w:numPr><w:ilvl w:val=\""
                + std::to_string(wordLevel) + "\"/><w:numId w:val=\"1\"/></w:numPr>";
        }
        doc += "</w:pPr>";
        appendRuns(doc, item.m_strText, item.m_bChecked ? "\xe2\x98\x92 " : "");
        doc += "</w:p>";

        // Body paragraphs under a list item line up with its text.
        const std::string indent = options.m_bHeadings
            ? std::string()
            : "<w:ind w:left=\"" + std::to_string(kIndentStep * (wordLevel + 1)) + "\"/>";
        if (!item.m_strPng.empty() && item.m_nPngWidth > 0 && item.m_nPngHeight > 0) {
            const int number = static_cast<int>(media.size()) + 1;
            const std::string relId = "rIdImage" + std::to_string(number);
            const std::string name = "media/drawing" + std::to_string(number) + ".png";
            rels += relationship(relId, std::string(kRelTypeBase) + "image", name);
            media.emplace_back("word/" + name, &item.m_strPng);
            doc += "<w:p>" + (indent.empty() ? std::string() : "<w:pPr>" + indent + "</w:pPr>");
            appendPicture(doc, item, number, relId);
            doc += "</w:p>";
        }
        if (options.m_bNotes && !item.m_strNote.empty()) {
            for (std::string_view paragraph : splitParagraphs(item.m_strNote)) {
                doc += "<w:p><w:pPr><w:pStyle w:val=\"Normal\"/>" + indent + "</w:pPr>";
                if (!paragraph.empty())
                    appendRuns(doc, paragraph);
                doc += "</w:p>";
            }
        }
        if (progress)
            progress(index + 1);
    }
    doc += "<w:sectPr><w:pgSz w:w=\"11906\" w:h=\"16838\"/><w:pgMar w:top=\"1417\" w:right=\"1417\""
           " w:bottom=\"1134\" w:left=\"1417\" w:header=\"708\" w:footer=\"708\" w:gutter=\"0\"/>"
           "</w:sectPr></w:body></w:document>";
    rels += "</Relationships>";

    zip.AddEntry("[Content_Types].xml", contentTypes(!options.m_bHeadings));
    zip.AddEntry("_rels/.rels", packageRels());
    zip.AddEntry("docProps/core.xml", coreProperties(options.m_strTitle));
    zip.AddEntry("docProps/app.xml", appProperties());
    zip.AddEntry("word/document.xml", doc);
    zip.AddEntry("word/_rels/document.xml.rels", rels);
    zip.AddEntry("word/styles.xml", styles());
    if (!options.m_bHeadings)
        zip.AddEntry("word/numbering.xml", numbering());
    for (const auto &[name, png] : media)
        zip.AddEntry(name, *png, false); // PNG data is compressed already
    return zip.Finish();
}

} // namespace docbridge
