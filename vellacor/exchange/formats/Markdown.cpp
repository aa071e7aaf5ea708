#include "Markdown.h"

#include <cctype>
#include <cstdlib>

namespace formats {

namespace {

bool IsAsciiPunct(char c)
{
    return (c >= '!' && c <= '/') || (c >= ':' && c <= '@') || (c >= '[' && c <= '`')
        || (c >= '{' && c <= '~');
}

// One paragraph of model text as Markdown inline text (UTF-8).
std::string EscapeInline(std::string_view para)
{
    const std::string utf8 = Utf8FromModel(para);
    std::string out;
    out.reserve(utf8.size() + 8);
    // Markup that only counts at the start of a line.
    std::size_t start = 0;
    while (start < utf8.size() && utf8[start] == ' ')
        ++start;
    std::size_t digitsEnd = start;
    while (digitsEnd < utf8.size() && std::isdigit(static_cast<unsigned char>(utf8[digitsEnd])))
        ++digitsEnd;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const char c = utf8[i];
        bool escape = false;
        switch (c) {
        case '\\':
        case '`':
        case '*':
        case '_':
        case '[':
        case ']':
        case '<':
        case '>':
        case '&':
        case '~':
        case '^':
        case '$':
        case '@':
        case '|':
        case '{':
        case '}':
            escape = true;
            break;
        case '!':
            escape = i + 1 < utf8.size() && utf8[i + 1] == '[';
            break;
        case '#':
        case '+':
        case '-':
        case '=':
        case ':':
            escape = i == start;
            break;
        case '.':
        case ')':
            escape = i == digitsEnd && digitsEnd > start;
            break;
        default:
            break;
        }
        if (escape)
            out += '\\';
        out += c;
    }
    return out;
}

// Writes paragraphs one per line, each but the last ending in a hard break;
// every line after the first indented by `indent`.
void WriteParagraphs(
    std::string &out, const std::vector<std::string> &paras, std::size_t indent, bool indentFirst)
{
    for (std::size_t i = 0; i < paras.size(); ++i) {
        if (i > 0 || indentFirst)
            out.append(indent, ' ');
        out += EscapeInline(paras[i]);
        if (i + 1 < paras.size())
            out += '\\';
        out += '\n';
    }
}

struct SOpenItem {
    int m_nContentIndent;
    std::size_t m_nItem;
};

class CMarkdownReader {
public:
    CMarkdownReader(SFlatOutline &outline, CImportReport &report)
        : m_Outline(outline)
        , m_Report(report)
    {
    }

    void Read(std::string_view data);

private:
    enum class ETarget { kNone, kText, kNote };

    void Line(std::string_view line, int number);
    void Flush();
    bool IsThematicBreak(std::string_view rest) const;
    int HeadingDepth(std::string_view rest) const;
    std::size_t NewItem(int level);
    int BaseLevel() const { return m_nHeadingLevel + 1; }
    std::string Decode(std::string_view text) const;

    SFlatOutline &m_Outline;
    CImportReport &m_Report;
    std::vector<SOpenItem> m_Open;
    // The level of the heading the lists now belong to; -1 before any.
    int m_nHeadingLevel = -1;
    std::size_t m_nHeadingItem = 0;
    // Headings are shifted up by one when the only first-level heading is
    // the title.
    int m_nHeadingShift = 1;
    bool m_bTitlePending = false;
    bool m_bFirstBlock = true;

    ETarget m_Target = ETarget::kNone;
    std::size_t m_nTargetItem = 0;
    std::vector<std::string> m_ParaLines;
    int m_nParaLine = 0;
    bool m_bAfterBlank = false;

    std::string m_strFence; // the open fence's marker, empty when none
    std::size_t m_nFenceItem = 0;
    bool m_bFenceHasItem = false;
};

int CMarkdownReader::HeadingDepth(std::string_view rest) const
{
    int hashes = 0;
    while (hashes < static_cast<int>(rest.size()) && rest[static_cast<std::size_t>(hashes)] == '#')
        ++hashes;
    if (hashes < 1 || hashes > 6)
        return 0;
    if (static_cast<std::size_t>(hashes) < rest.size()
        && rest[static_cast<std::size_t>(hashes)] != ' '
        && rest[static_cast<std::size_t>(hashes)] != '\t')
        return 0;
    return hashes;
}

bool CMarkdownReader::IsThematicBreak(std::string_view rest) const
{
    if (rest.empty() || (rest[0] != '-' && rest[0] != '*' && rest[0] != '_'))
        return false;
    int count = 0;
    for (char c : rest) {
        if (c == rest[0])
            ++count;
        else if (c != ' ' && c != '\t')
            return false;
    }
    return count >= 3;
}

std::size_t CMarkdownReader::NewItem(int level)
{
    SFlatItem item;
    item.m_nLevel = level;
    item.m_bExpanded = true;
    m_Outline.m_Items.push_back(std::move(item));
    m_bFirstBlock = false;
    return m_Outline.m_Items.size() - 1;
}

std::string CMarkdownReader::Decode(std::string_view text) const
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\\' && i + 1 < text.size() && IsAsciiPunct(text[i + 1])) {
            out += text[++i];
            continue;
        }
        if (c == '&') {
            // A reference is short: look no further, so that a text full of
            // ampersands stays linear.
            const std::size_t near = text.substr(i, 12).find(';');
            const std::size_t semi = near == std::string_view::npos ? near : i + near;
            if (semi != std::string_view::npos) {
                const std::string_view name = text.substr(i + 1, semi - i - 1);
                char32_t value = 0;
                bool known = true;
                if (name == "amp")
                    value = '&';
                else if (name == "lt")
                    value = '<';
                else if (name == "gt")
                    value = '>';
                else if (name == "quot")
                    value = '"';
                else if (name.size() > 1 && name[0] == '#') {
                    const bool hex = name[1] == 'x' || name[1] == 'X';
                    const std::string digits(name.substr(hex ? 2 : 1));
                    char *end = nullptr;
                    const unsigned long n
                        = digits.empty() ? 0 : std::strtoul(digits.c_str(), &end, hex ? 16 : 10);
                    known = !digits.empty() && end && *end == '\0' && n > 0 && n <= 0x10FFFF
                        && !(n >= 0xD800 && n <= 0xDFFF);
                    value = static_cast<char32_t>(n);
                } else {
                    known = false;
                }
                if (known) {
                    AppendUtf8(out, value);
                    i = semi;
                    continue;
                }
            }
        }
        out += c;
    }
    return out;
}

void CMarkdownReader::Flush()
{
    if (m_ParaLines.empty() || m_Target == ETarget::kNone) {
        m_ParaLines.clear();
        return;
    }
    std::string joined;
    for (std::size_t i = 0; i < m_ParaLines.size(); ++i) {
        std::string line = m_ParaLines[i];
        bool hardBreak = false;
        std::size_t backslashes = 0;
        while (backslashes < line.size() && line[line.size() - 1 - backslashes] == '\\')
            ++backslashes;
        if (backslashes % 2 == 1) {
            line.pop_back();
            hardBreak = true;
        } else if (line.size() >= 2 && line.compare(line.size() - 2, 2, "  ") == 0) {
            hardBreak = true;
        }
        if (hardBreak || i + 1 == m_ParaLines.size()) {
            while (!line.empty() && (line.back() == ' ' || line.back() == '\t'))
                line.pop_back();
        }
        joined += Decode(line);
        if (i + 1 < m_ParaLines.size())
            joined += hardBreak ? "\n" : " ";
        else if (hardBreak)
            joined += "\n";
    }
    m_ParaLines.clear();
    const std::string model = ModelFromUtf8(joined, m_nParaLine, m_Report);
    std::string text;
    for (char c : model) {
        if (c == '\n')
            text += "\r\n";
        else
            text += c;
    }
    SFlatItem &item = m_Outline.m_Items[m_nTargetItem];
    if (m_Target == ETarget::kText) {
        item.m_strText = text;
        m_Target = ETarget::kNone;
    } else {
        if (!item.m_strNote.empty())
            item.m_strNote += "\r\n\r\n";
        item.m_strNote += text;
    }
}

void CMarkdownReader::Line(std::string_view raw, int number)
{
    // Leading white space, tabs to the next multiple of four.
    int indent = 0;
    std::size_t pos = 0;
    while (pos < raw.size() && (raw[pos] == ' ' || raw[pos] == '\t')) {
        indent = raw[pos] == '\t' ? (indent / 4 + 1) * 4 : indent + 1;
        ++pos;
    }
    const std::string_view rest = raw.substr(pos);

    if (!m_strFence.empty()) {
        if (rest.substr(0, m_strFence.size()) == m_strFence) {
            m_strFence.clear();
            return;
        }
        if (m_bFenceHasItem) {
            SFlatItem &item = m_Outline.m_Items[m_nFenceItem];
            if (!item.m_strNote.empty())
                item.m_strNote += "\r\n";
            item.m_strNote += ModelFromUtf8(raw, number, m_Report);
        }
        return;
    }
    if (rest.empty()) {
        Flush();
        m_bAfterBlank = true;
        return;
    }
    if (rest.substr(0, 3) == "```" || rest.substr(0, 3) == "~~~") {
        Flush();
        std::size_t n = 0;
        while (n < rest.size() && rest[n] == rest[0])
            ++n;
        m_strFence.assign(rest.substr(0, n));
        m_bFenceHasItem = !m_Outline.m_Items.empty();
        m_nFenceItem = m_bFenceHasItem ? m_Outline.m_Items.size() - 1 : 0;
        if (!m_bFenceHasItem) {
            m_nFenceItem = NewItem(BaseLevel());
            m_bFenceHasItem = true;
        }
        m_Target = ETarget::kNone;
        return;
    }
    const bool continuing = !m_ParaLines.empty() && !m_bAfterBlank;
    if (indent < 4 && !continuing) {
        if (const int depth = HeadingDepth(rest)) {
            Flush();
            m_Open.clear();
            std::string_view title = rest.substr(static_cast<std::size_t>(depth));
            while (!title.empty() && (title.back() == '#' || title.back() == ' '))
                title.remove_suffix(1);
            while (!title.empty() && title.front() == ' ')
                title.remove_prefix(1);
            if (m_bTitlePending && depth == 1 && m_bFirstBlock) {
                m_bTitlePending = false;
                m_bFirstBlock = false;
                m_Outline.m_strTitle = ModelFromUtf8(Decode(title), number, m_Report);
                m_Target = ETarget::kNone;
                return;
            }
            m_nHeadingLevel = depth - m_nHeadingShift;
            if (m_nHeadingLevel < 0)
                m_nHeadingLevel = 0;
            m_nHeadingItem = NewItem(m_nHeadingLevel);
            m_Target = ETarget::kText;
            m_nTargetItem = m_nHeadingItem;
            m_ParaLines.assign(1, std::string(title));
            m_nParaLine = number;
            Flush();
            m_Target = ETarget::kNone;
            m_bAfterBlank = true;
            return;
        }
    }
    if (indent < 4 + (m_Open.empty() ? 0 : m_Open.back().m_nContentIndent) && IsThematicBreak(rest)
        && !continuing) {
        Flush();
        m_bAfterBlank = true;
        return;
    }
    // A list marker.
    std::size_t marker = 0;
    if (!rest.empty() && (rest[0] == '-' || rest[0] == '*' || rest[0] == '+')) {
        marker = 1;
    } else {
        std::size_t d = 0;
        while (d < rest.size() && d < 9 && std::isdigit(static_cast<unsigned char>(rest[d])))
            ++d;
        if (d > 0 && d < rest.size() && (rest[d] == '.' || rest[d] == ')'))
            marker = d + 1;
    }
    if (marker > 0 && (marker == rest.size() || rest[marker] == ' ' || rest[marker] == '\t')) {
        Flush();
        std::size_t spaces = 0;
        while (marker + spaces < rest.size() && rest[marker + spaces] == ' ')
            ++spaces;
        if (spaces == 0 || spaces > 4)
            spaces = 1;
        const int contentIndent = indent + static_cast<int>(marker + spaces);
        while (!m_Open.empty() && indent < m_Open.back().m_nContentIndent)
            m_Open.pop_back();
        const int level = BaseLevel() + static_cast<int>(m_Open.size());
        const std::size_t index = NewItem(level);
        m_Open.push_back({ contentIndent, index });
        std::string_view content
            = marker + spaces <= rest.size() ? rest.substr(marker + spaces) : std::string_view();
        if (content.size() >= 3 && content[0] == '[' && content[2] == ']'
            && (content[1] == ' ' || content[1] == 'x' || content[1] == 'X')
            && (content.size() == 3 || content[3] == ' ')) {
            m_Outline.m_Items[index].m_bChecked = content[1] != ' ';
            content.remove_prefix(content.size() == 3 ? 3 : 4);
        }
        m_Target = ETarget::kText;
        m_nTargetItem = index;
        m_ParaLines.assign(1, std::string(content));
        m_nParaLine = number;
        m_bAfterBlank = false;
        return;
    }
    // A line of text.
    if (continuing) {
        m_ParaLines.emplace_back(rest);
        return;
    }
    Flush();
    while (!m_Open.empty() && indent < m_Open.back().m_nContentIndent)
        m_Open.pop_back();
    if (!m_Open.empty()) {
        m_Target = ETarget::kNote;
        m_nTargetItem = m_Open.back().m_nItem;
    } else if (m_nHeadingLevel >= 0) {
        m_Target = ETarget::kNote;
        m_nTargetItem = m_nHeadingItem;
    } else {
        m_Target = ETarget::kText;
        m_nTargetItem = NewItem(BaseLevel());
    }
    m_ParaLines.assign(1, std::string(rest));
    m_nParaLine = number;
    m_bAfterBlank = false;
    m_bFirstBlock = false;
}

void CMarkdownReader::Read(std::string_view data)
{
    // The title rule needs to know whether there is exactly one first-level
    // heading, and whether the document starts with it.
    int firstLevelHeadings = 0;
    bool inFence = false;
    bool firstBlockIsH1 = false;
    bool seenBlock = false;
    for (std::size_t start = 0; start < data.size();) {
        std::size_t end = data.find('\n', start);
        if (end == std::string_view::npos)
            end = data.size();
        std::string_view line = data.substr(start, end - start);
        start = end + 1;
        std::size_t p = 0;
        while (p < line.size() && p < 4 && line[p] == ' ')
            ++p;
        const std::string_view rest = line.substr(p);
        if (rest.substr(0, 3) == "```" || rest.substr(0, 3) == "~~~")
            inFence = !inFence;
        if (inFence || p >= 4)
            continue;
        const bool blank = rest.find_first_not_of(" \t\r") == std::string_view::npos;
        const bool h1 = rest.size() >= 2 && rest[0] == '#' && (rest[1] == ' ' || rest[1] == '\t');
        if (h1)
            ++firstLevelHeadings;
        if (!seenBlock && !blank) {
            seenBlock = true;
            firstBlockIsH1 = h1;
        }
    }
    m_bTitlePending = firstBlockIsH1 && firstLevelHeadings == 1;
    m_nHeadingShift = m_bTitlePending ? 2 : 1;

    int number = 0;
    for (std::size_t start = 0; start <= data.size();) {
        std::size_t end = data.find('\n', start);
        if (end == std::string_view::npos)
            end = data.size();
        std::string_view line = data.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        ++number;
        if (!(end == data.size() && line.empty()))
            Line(line, number);
        if (end == data.size())
            break;
        start = end + 1;
    }
    Flush();
}

} // namespace

std::string WriteMarkdown(const SFlatOutline &outline)
{
    std::string out;
    out.reserve(outline.m_Items.size() * 48 + 64);
    if (!outline.m_strTitle.empty()) {
        out += "# ";
        out += EscapeInline(outline.m_strTitle);
        out += "\n\n";
    }
    for (const SFlatItem &item : outline.m_Items) {
        const std::size_t indent = static_cast<std::size_t>(item.m_nLevel) * 2;
        out.append(indent, ' ');
        out += item.m_bChecked ? "- [x] " : "- [ ] ";
        WriteParagraphs(out, SplitParagraphs(item.m_strText), indent + 2, false);
        if (!item.m_strNote.empty()) {
            // Note paragraphs separated by empty lines stay paragraphs;
            // single line breaks become hard breaks within one.
            std::vector<std::string> block;
            auto writeBlock = [&]() {
                if (block.empty())
                    return;
                out += '\n';
                WriteParagraphs(out, block, indent + 2, true);
                block.clear();
            };
            for (const std::string &para : SplitParagraphs(item.m_strNote)) {
                if (para.empty())
                    writeBlock();
                else
                    block.push_back(para);
            }
            writeBlock();
            out += '\n';
        }
    }
    return out;
}

bool ReadMarkdown(std::string_view data, SFlatOutline &outline, CImportReport &report)
{
    outline = SFlatOutline();
    if (!AcceptTextInput(data, report))
        return false;
    CMarkdownReader reader(outline, report);
    reader.Read(data);
    return !report.Failed();
}

} // namespace formats
