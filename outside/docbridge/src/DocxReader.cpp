#include "DocxReader.h"

#include "DocbridgeError.h"
#include "TextCodec.h"
#include "XmlReader.h"
#include "ZipArchive.h"

#include <algorithm>
#include <cstring>
#include <map>

namespace docbridge {

namespace {

constexpr std::string_view kNsMainTransitional
    = "http://schemas.openxmlformats.org/wordprocessingml/2006/main";
constexpr std::string_view kNsMainStrict = "http://purl.oclc.org/ooxml/wordprocessingml/main";
constexpr std::size_t kMaxParagraphs = 500000;
// Word nests a few levels deep (tables in tables at most some dozens).
constexpr std::size_t kMaxElementDepth = 256;
constexpr std::size_t kMaxParagraphBytes = 1u << 20;
constexpr std::size_t kMaxStyles = 100000;
constexpr int kMaxStyleChain = 32;

bool isWord(std::string_view ns)
{
    return ns == kNsMainTransitional || ns == kNsMainStrict;
}

// A small decimal attribute value, or -1 when absent or not a number.
int number(const char *text)
{
    if (!text || !*text)
        return -1;
    long value = 0;
    for (const char *p = text; *p; ++p) {
        if (*p < '0' || *p > '9' || value > 1000000)
            return -1;
        value = value * 10 + (*p - '0');
    }
    return static_cast<int>(value);
}

std::string lower(std::string_view text)
{
    std::string out(text);
    for (char &c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
    return out;
}

// "heading 3" or "Heading3" gives 2; anything else -1.
int headingFromName(std::string_view name)
{
    const std::string text = lower(name);
    if (text.rfind("heading", 0) != 0)
        return -1;
    std::string_view rest = std::string_view(text).substr(7);
    if (!rest.empty() && rest.front() == ' ')
        rest.remove_prefix(1);
    if (rest.size() != 1 || rest[0] < '1' || rest[0] > '9')
        return -1;
    return rest[0] - '1';
}

// ---- Relationships ----------------------------------------------------------------

struct TRelationship {
    std::string m_strType;
    std::string m_strTarget;
    bool m_bExternal = false;
};

class CRelsHandler : public CXmlHandler {
public:
    std::vector<TRelationship> m_rels;

    void StartElement(std::string_view, std::string_view local, const char **attributes) override
    {
        if (local != "Relationship" || m_rels.size() >= 10000)
            return;
        const char *type = Attribute(attributes, "Type");
        const char *target = Attribute(attributes, "Target");
        const char *mode = Attribute(attributes, "TargetMode");
        if (type && target)
            m_rels.push_back({ type, target, mode && std::strcmp(mode, "External") == 0 });
    }
    void EndElement(std::string_view, std::string_view) override { }
    void Text(std::string_view) override { }
};

bool endsWith(std::string_view text, std::string_view tail)
{
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

// A relationship target as a part name inside the package: relative to
// `baseDir` unless absolute, with "." and ".." resolved; empty when it
// leaves the package.
std::string resolvePart(std::string_view baseDir, std::string_view target)
{
    std::string joined = target.starts_with('/') ? std::string(target.substr(1))
                                                 : std::string(baseDir) + std::string(target);
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= joined.size()) {
        std::size_t end = joined.find('/', start);
        if (end == std::string::npos)
            end = joined.size();
        const std::string segment = joined.substr(start, end - start);
        if (segment == "..") {
            if (parts.empty())
                return {};
            parts.pop_back();
        } else if (!segment.empty() && segment != ".") {
            parts.push_back(segment);
        }
        start = end + 1;
    }
    std::string out;
    for (const std::string &segment : parts)
        out += (out.empty() ? "" : "/") + segment;
    return out;
}

std::string directoryOf(const std::string &part)
{
    const std::size_t slash = part.rfind('/');
    return slash == std::string::npos ? std::string() : part.substr(0, slash + 1);
}

std::string relsPartOf(const std::string &part)
{
    const std::size_t slash = part.rfind('/');
    const std::string dir = slash == std::string::npos ? std::string() : part.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? part : part.substr(slash + 1);
    return dir + "_rels/" + base + ".rels";
}

std::vector<TRelationship> readRels(
    CZipReader &zip, const std::string &name, const std::function<void()> &poll)
{
    const CZipReader::TEntry *entry = zip.Find(name);
    if (!entry)
        return {};
    CRelsHandler handler;
    ParseXml(zip.Extract(*entry, poll), name, handler, poll);
    return std::move(handler.m_rels);
}

// ---- Styles -------------------------------------------------------------------------

struct TStyle {
    std::string m_strName;
    std::string m_strBasedOn;
    int m_nOutline = -1;
    int m_nNumId = -1;
    int m_nIlvl = -1;
};

class CStylesHandler : public CXmlHandler {
public:
    std::map<std::string, TStyle> m_styles;
    std::string m_strDefault;

    void StartElement(std::string_view ns, std::string_view local, const char **attributes) override
    {
        ++m_nDepth;
        if (!isWord(ns))
            return;
        if (local == "style" && m_nDepth == 2) {
            const char *type = Attribute(attributes, "type");
            const char *id = Attribute(attributes, "styleId");
            m_pStyle = nullptr;
            if (id && (!type || std::strcmp(type, "paragraph") == 0)
                && m_styles.size() < kMaxStyles) {
                m_pStyle = &m_styles[id];
                const char *isDefault = Attribute(attributes, "default");
                if (isDefault
                    && (std::strcmp(isDefault, "1") == 0 || std::strcmp(isDefault, "true") == 0))
                    m_strDefault = id;
            }
            return;
        }
        if (!m_pStyle)
            return;
        const char *val = Attribute(attributes, "val");
        if (m_nDepth == 3) {
            m_bInPPr = local == "pPr";
            if (local == "name" && val)
                m_pStyle->m_strName = val;
            else if (local == "basedOn" && val)
                m_pStyle->m_strBasedOn = val;
        } else if (m_bInPPr && m_nDepth == 4 && local == "outlineLvl") {
            m_pStyle->m_nOutline = number(val);
        } else if (m_bInPPr && m_nDepth == 5 && local == "ilvl") {
            m_pStyle->m_nIlvl = number(val);
        } else if (m_bInPPr && m_nDepth == 5 && local == "numId") {
            m_pStyle->m_nNumId = number(val);
        }
    }
    void EndElement(std::string_view, std::string_view local) override
    {
        if (m_nDepth == 2 && local == "style")
            m_pStyle = nullptr;
        if (m_nDepth == 3)
            m_bInPPr = false;
        --m_nDepth;
    }
    void Text(std::string_view) override { }

private:
    int m_nDepth = 0;
    TStyle *m_pStyle = nullptr;
    bool m_bInPPr = false;
};

// ---- Document body -------------------------------------------------------------

struct TParagraph {
    std::string m_strText; // UTF-8, CR LF for line breaks
    std::string m_strStyle;
    int m_nOutline = -1;
    int m_nNumId = -1;
    int m_nIlvl = -1;
};

class CDocumentHandler : public CXmlHandler {
public:
    std::vector<TParagraph> m_paragraphs;

    void StartElement(std::string_view ns, std::string_view local, const char **attributes) override
    {
        if (m_stack.size() >= kMaxElementDepth)
            throw CDocbridgeError("The document is damaged: its elements are nested too deeply.");
        m_stack.emplace_back(isWord(ns) ? std::string(local) : "#" + std::string(local));
        if (m_nIgnoreDepth)
            return;
        const bool word = isWord(ns);
        // Shapes, text boxes, embedded objects, deleted text and field codes
        // are not part of the reading text.
        if ((word
                && (local == "drawing" || local == "pict" || local == "object"
                    || local == "txbxContent" || local == "del" || local == "moveFrom"
                    || local == "instrText" || local == "delText" || local == "pPrChange"
                    || local == "rPrChange" || local == "delInstrText"))
            || local == "AlternateContent") {
            m_nIgnoreDepth = m_stack.size();
            return;
        }
        if (!word)
            return;
        if (local == "p") {
            if (m_nParagraphDepth == 0) {
                if (m_paragraphs.size() >= kMaxParagraphs)
                    throw CDocbridgeError("The document has too many paragraphs to be imported.");
                m_paragraphs.emplace_back();
                m_nParagraphDepth = m_stack.size();
            }
            return;
        }
        if (m_nParagraphDepth == 0)
            return;
        TParagraph &p = m_paragraphs.back();
        const std::string &parent
            = m_stack.size() >= 2 ? m_stack[m_stack.size() - 2] : m_stack.back();
        const bool inOwnPPr
            = m_stack.size() >= m_nParagraphDepth + 2 && m_stack[m_nParagraphDepth] == "pPr";
        const char *val = Attribute(attributes, "val");
        if (inOwnPPr) {
            if (local == "pStyle" && val && parent == "pPr")
                p.m_strStyle = val;
            else if (local == "outlineLvl" && parent == "pPr")
                p.m_nOutline = number(val);
            else if (local == "ilvl" && parent == "numPr")
                p.m_nIlvl = number(val);
            else if (local == "numId" && parent == "numPr")
                p.m_nNumId = number(val);
            return;
        }
        if (local == "t" && parent == "r") {
            m_bInText = true;
        } else if (parent == "r") {
            const char *type = Attribute(attributes, "type");
            if (local == "tab")
                append(p, "\t");
            else if ((local == "br" && (!type || std::strcmp(type, "textWrapping") == 0))
                || local == "cr")
                append(p, "\r\n");
            else if (local == "noBreakHyphen")
                append(p, "-");
        }
    }

    void EndElement(std::string_view, std::string_view) override
    {
        if (m_nIgnoreDepth == m_stack.size())
            m_nIgnoreDepth = 0;
        if (m_nParagraphDepth == m_stack.size())
            m_nParagraphDepth = 0;
        m_bInText = false;
        m_stack.pop_back();
    }

    void Text(std::string_view utf8) override
    {
        if (m_bInText && !m_nIgnoreDepth && m_nParagraphDepth)
            append(m_paragraphs.back(), utf8);
    }

private:
    static void append(TParagraph &p, std::string_view text)
    {
        if (p.m_strText.size() + text.size() > kMaxParagraphBytes)
            throw CDocbridgeError("The document has a paragraph too long to be imported.");
        p.m_strText += text;
    }

    std::vector<std::string> m_stack;
    std::size_t m_nIgnoreDepth = 0;
    std::size_t m_nParagraphDepth = 0;
    bool m_bInText = false;
};

// ---- From paragraphs to items ----------------------------------------------------

class CStyleResolver {
public:
    CStyleResolver(const std::map<std::string, TStyle> &styles)
        : m_styles(styles)
    {
    }

    // The outline level (0..8) that the style gives, or -1 for body text.
    int Outline(const std::string &id) const
    {
        std::string current = id;
        for (int i = 0; i < kMaxStyleChain && !current.empty(); ++i) {
            auto it = m_styles.find(current);
            if (it == m_styles.end())
                return i == 0 ? headingFromName(current) : -1;
            if (it->second.m_nOutline >= 0)
                return it->second.m_nOutline < kWordLevels ? it->second.m_nOutline : -1;
            const int byName = headingFromName(it->second.m_strName);
            if (byName >= 0)
                return byName;
            current = it->second.m_strBasedOn;
        }
        return -1;
    }
    // The style's list numbering: numId (0 or -1: none) and ilvl.
    void Numbering(const std::string &id, int &numId, int &ilvl) const
    {
        std::string current = id;
        for (int i = 0; i < kMaxStyleChain && !current.empty(); ++i) {
            auto it = m_styles.find(current);
            if (it == m_styles.end())
                return;
            if (ilvl < 0 && it->second.m_nIlvl >= 0)
                ilvl = it->second.m_nIlvl;
            if (numId < 0 && it->second.m_nNumId >= 0)
                numId = it->second.m_nNumId;
            current = it->second.m_strBasedOn;
        }
    }
    bool IsTitle(const std::string &id) const
    {
        auto it = m_styles.find(id);
        const std::string name = lower(it == m_styles.end() ? id : it->second.m_strName);
        return name == "title" || name == "subtitle";
    }

private:
    const std::map<std::string, TStyle> &m_styles;
};

void trimTrailingBreaks(std::string &text)
{
    while (text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0)
        text.resize(text.size() - 2);
}

// A ballot box at the start of an item's text is its check box.
void takeCheckBox(std::string &utf8, bool &checked)
{
    if (utf8.empty())
        return;
    std::size_t pos = 0;
    const char32_t first = NextCodePoint(utf8, pos);
    if (first != kBallotBox && first != kBallotBoxChecked && first != kBallotBoxCrossed)
        return;
    checked = first != kBallotBox;
    if (pos < utf8.size() && (utf8[pos] == ' ' || utf8[pos] == '\t'))
        ++pos;
    utf8.erase(0, pos);
}

std::vector<TDocItem> toItems(const std::vector<TParagraph> &paragraphs,
    const std::map<std::string, TStyle> &styles, const std::string &defaultStyle,
    const ProgressFn &progress)
{
    const CStyleResolver resolver(styles);
    // First the level each paragraph asks for: -2 skipped, -1 body text.
    std::vector<int> levels(paragraphs.size(), -1);
    bool structured = false;
    int lastHeading = -1;
    for (std::size_t i = 0; i < paragraphs.size(); ++i) {
        const TParagraph &p = paragraphs[i];
        const std::string &style = p.m_strStyle.empty() ? defaultStyle : p.m_strStyle;
        if (!style.empty() && resolver.IsTitle(style)) {
            levels[i] = -2;
            continue;
        }
        const int outline = p.m_nOutline >= 0 ? (p.m_nOutline < kWordLevels ? p.m_nOutline : -1)
                                              : resolver.Outline(style);
        if (outline >= 0) {
            levels[i] = outline;
            lastHeading = outline;
        } else {
            int numId = p.m_nNumId;
            int ilvl = p.m_nIlvl;
            resolver.Numbering(style, numId, ilvl);
            if (numId > 0)
                levels[i] = lastHeading + 1 + std::clamp(ilvl, 0, kWordLevels - 1);
        }
        structured = structured || levels[i] >= 0;
    }

    std::vector<TDocItem> items;
    for (std::size_t i = 0; i < paragraphs.size(); ++i) {
        const TParagraph &p = paragraphs[i];
        int level = levels[i];
        if (progress && (i & 1023) == 1023)
            progress(items.size());
        if (level == -2)
            continue;
        if (level < 0 && !structured) {
            if (p.m_strText.empty())
                continue;
            level = 0;
        }
        if (level < 0 && !items.empty()) {
            std::string &note = items.back().m_strNote;
            if (note.empty() && p.m_strText.empty())
                continue;
            if (!note.empty())
                note += "\r\n";
            note += p.m_strText;
            continue;
        }
        if (level < 0) {
            // Text before the first heading or list item: items of its own.
            if (p.m_strText.empty())
                continue;
            level = 0;
        }
        // An item is at most one level deeper than the one before it.
        const int previous = items.empty() ? -1 : items.back().m_nLevel;
        TDocItem item;
        item.m_nLevel = std::min({ level, previous + 1, kMaxOutlineLevel });
        item.m_strText = p.m_strText;
        takeCheckBox(item.m_strText, item.m_bChecked);
        items.push_back(std::move(item));
    }
    for (TDocItem &item : items) {
        trimTrailingBreaks(item.m_strNote);
        item.m_strText = Utf8ToWindows1252(item.m_strText);
        item.m_strNote = Utf8ToWindows1252(item.m_strNote);
    }
    return items;
}

} // namespace

std::vector<TDocItem> ReadDocx(const std::uint8_t *data, std::size_t size,
    const std::function<void()> &poll, const ProgressFn &progress)
{
    static const std::uint8_t oleMagic[8] = { 0xd0, 0xcf, 0x11, 0xe0, 0xa1, 0xb1, 0x1a, 0xe1 };
    if (size >= 8 && std::memcmp(data, oleMagic, 8) == 0)
        throw CDocbridgeError(
            "This is a Word 97-2003 document (.doc) or another old binary Office file, which "
            "cannot be imported. Save it as a Word document (.docx) in a word processor and "
            "import that.");
    if (size >= 5 && std::memcmp(data, "{\\rtf", 5) == 0)
        throw CDocbridgeError(
            "This is a Rich Text Format file, which cannot be imported. Save it as a Word "
            "document (.docx) in a word processor and import that.");

    CZipReader zip(data, size);

    std::string mainPart;
    for (const TRelationship &rel : readRels(zip, "_rels/.rels", poll)) {
        if (!rel.m_bExternal && endsWith(rel.m_strType, "/officeDocument")) {
            mainPart = resolvePart("", rel.m_strTarget);
            break;
        }
    }
    if (mainPart.empty())
        mainPart = "word/document.xml";
    const CZipReader::TEntry *main = zip.Find(mainPart);
    if (!main)
        throw CDocbridgeError(
            "The file is not a Word document (.docx): it has no main document part.");

    std::string stylesPart;
    for (const TRelationship &rel : readRels(zip, relsPartOf(main->m_strName), poll)) {
        if (!rel.m_bExternal && endsWith(rel.m_strType, "/styles")) {
            stylesPart = resolvePart(directoryOf(main->m_strName), rel.m_strTarget);
            break;
        }
    }
    CStylesHandler stylesHandler;
    if (!stylesPart.empty()) {
        if (const CZipReader::TEntry *entry = zip.Find(stylesPart))
            ParseXml(zip.Extract(*entry, poll), entry->m_strName, stylesHandler, poll);
    }

    CDocumentHandler body;
    ParseXml(zip.Extract(*main, poll), main->m_strName, body, poll);
    return toItems(body.m_paragraphs, stylesHandler.m_styles, stylesHandler.m_strDefault, progress);
}

} // namespace docbridge
