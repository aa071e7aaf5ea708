#include "HtmlExport.h"

#include "DrawingPng.h"
#include "LineNumbering.h"

#include "kx_gen/Memory.h"
#include "kx_gen/OutlineDB.h"

#include <cctype>

namespace formats {

namespace {

std::string Base64(const std::string &bytes)
{
    static const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const unsigned v = (static_cast<unsigned char>(bytes[i]) << 16)
            | (static_cast<unsigned char>(bytes[i + 1]) << 8)
            | static_cast<unsigned char>(bytes[i + 2]);
        out += digits[(v >> 18) & 63];
        out += digits[(v >> 12) & 63];
        out += digits[(v >> 6) & 63];
        out += digits[v & 63];
    }
    if (i < bytes.size()) {
        unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
        if (i + 1 < bytes.size())
            v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        out += digits[(v >> 18) & 63];
        out += digits[(v >> 12) & 63];
        out += i + 1 < bytes.size() ? digits[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

void ReplaceAll(std::string &text, std::string_view from, std::string_view to)
{
    for (std::size_t pos = text.find(from); pos != std::string::npos;
         pos = text.find(from, pos + to.size()))
        text.replace(pos, from.size(), to);
}

// Paragraphs joined by <br>.
std::string ParagraphsHtml(std::string_view modelText)
{
    std::string out;
    const std::vector<std::string> paras = SplitParagraphs(modelText);
    for (std::size_t i = 0; i < paras.size(); ++i) {
        if (i > 0)
            out += "<br>";
        out += HtmlText(paras[i]);
    }
    return out;
}

std::string NoteHtml(std::string_view note)
{
    // Empty lines separate paragraphs; single breaks stay breaks.
    std::string out;
    std::string para;
    for (const std::string &line : SplitParagraphs(note)) {
        if (line.empty()) {
            if (!para.empty())
                out += "<p>" + para + "</p>";
            para.clear();
            continue;
        }
        if (!para.empty())
            para += "<br>";
        para += HtmlText(line);
    }
    if (!para.empty())
        out += "<p>" + para + "</p>";
    return out;
}

class CHtmlWriter {
public:
    CHtmlWriter(const COutlineMan &man, const SHtmlRules &rules)
        : m_Man(man)
        , m_Rules(rules)
    {
        if (man.GetDB()) {
            std::uint8_t scheme[COutlineMan::kNumberingSize] = {};
            man.GetNumbering(scheme);
            for (int i = 0; i < COutlineMan::kNumberingSize; ++i)
                m_Numbering.m_Numbering[i] = scheme[i];
            m_Numbering.m_chDivider = static_cast<char>(man.GetDB()->getNumberingDivider() & 0xFF);
        }
    }

    std::string Write()
    {
        m_Out.clear();
        if (m_Rules.m_bHeadings) {
            m_Out += "<div class=\"outline headings\">\n";
            WriteHeadings(nullptr, 0);
            m_Out += "</div>\n";
        } else {
            WriteList(nullptr, 0);
        }
        return m_Out;
    }

private:
    std::string Line(const COutlineNode *node)
    {
        const COutlineItem &item = node->m_Item;
        std::string label;
        if (m_Rules.m_bNumbering) {
            label = FormatLabel(
                m_Numbering, item.m_nLevel, m_Indices.data(), static_cast<int>(m_Indices.size()));
        }
        std::string line = m_Rules.m_strItem;
        const std::string labelHtml = label.empty()
            ? std::string()
            : "<span class=\"label\">" + HtmlText(label) + "</span>";
        const std::string &check = item.m_bChecked ? m_Rules.m_strChecked : m_Rules.m_strUnchecked;
        // An empty part takes its blank along, so that no line starts with one.
        for (const auto &[name, html] :
            { std::pair<std::string_view, const std::string &>("{check}", check),
                std::pair<std::string_view, const std::string &>("{label}", labelHtml) }) {
            if (html.empty())
                ReplaceAll(line, std::string(name) + " ", "");
            ReplaceAll(line, name, html);
        }
        ReplaceAll(line, "{text}",
            "<span class=\"text\">" + ParagraphsHtml(item.m_Text.GetString().str()) + "</span>");
        return line;
    }

    std::string Extras(const COutlineNode *node)
    {
        std::string out;
        const COutlineItem &item = node->m_Item;
        if (item.HasDrawing()) {
            kx_gen::MemHolder dib(item.GetDrawing());
            std::string png;
            std::uint32_t width = 0;
            std::uint32_t height = 0;
            if (dib.get() && DibToPng(dib.get(), png, width, height)) {
                std::string img = m_Rules.m_strDrawing;
                ReplaceAll(img, "{width}", std::to_string(width));
                ReplaceAll(img, "{height}", std::to_string(height));
                ReplaceAll(img, "{src}", "data:image/png;base64," + Base64(png));
                out += "<div class=\"drawing-box\">" + img + "</div>";
            }
        }
        if (item.HasNote()) {
            std::string note = m_Rules.m_strNote;
            ReplaceAll(note, "{note}", NoteHtml(item.m_strNote.str()));
            out += note;
        }
        return out;
    }

    void WriteList(const COutlineNode *parent, int depth)
    {
        const COutlineTree &tree = m_Man.GetTree();
        const COutlineNode *child = tree.GetFirstChild(parent);
        if (!child)
            return;
        const std::string pad(static_cast<std::size_t>(depth) * 2, ' ');
        m_Out += pad + (depth == 0 ? "<ul class=\"outline\">\n" : "<ul>\n");
        m_Indices.insert(m_Indices.begin(), 0);
        for (int index = 0; child; child = child->m_pNext, ++index) {
            m_Indices.front() = index;
            const COutlineItem &item = child->m_Item;
            const bool branch = child->m_pFirstChild != nullptr;
            m_Out += pad + "<li class=\"item level-" + std::to_string(item.m_nLevel)
                + (item.m_bChecked ? " checked" : "") + "\">";
            if (branch && m_Rules.m_bCollapsible) {
                m_Out += "<details open><summary>" + Line(child) + "</summary>" + Extras(child)
                    + "\n";
                WriteList(child, depth + 1);
                m_Out += pad + "</details></li>\n";
            } else if (branch) {
                m_Out += "<div class=\"row\">" + Line(child) + "</div>" + Extras(child) + "\n";
                WriteList(child, depth + 1);
                m_Out += pad + "</li>\n";
            } else {
                m_Out += "<div class=\"row\">" + Line(child) + "</div>" + Extras(child) + "</li>\n";
            }
        }
        m_Indices.erase(m_Indices.begin());
        m_Out += pad + "</ul>\n";
    }

    void WriteHeadings(const COutlineNode *parent, int depth)
    {
        const COutlineTree &tree = m_Man.GetTree();
        m_Indices.insert(m_Indices.begin(), 0);
        int index = 0;
        for (const COutlineNode *child = tree.GetFirstChild(parent); child;
             child = child->m_pNext, ++index) {
            m_Indices.front() = index;
            // The page title is the h1; levels below h6 stay paragraphs.
            const int rank = depth + 2;
            const std::string tag = rank <= 6 ? "h" + std::to_string(rank) : std::string("p");
            m_Out += "<section class=\"item level-" + std::to_string(child->m_Item.m_nLevel)
                + (child->m_Item.m_bChecked ? " checked" : "") + "\"><" + tag + " class=\"row\">"
                + Line(child) + "</" + tag + ">" + Extras(child) + "\n";
            WriteHeadings(child, depth + 1);
            m_Out += "</section>\n";
        }
        m_Indices.erase(m_Indices.begin());
    }

    const COutlineMan &m_Man;
    const SHtmlRules &m_Rules;
    CNumbering m_Numbering;
    std::vector<int> m_Indices; // innermost first
    std::string m_Out;
};

bool YesNo(std::string_view value, bool &flag)
{
    if (value == "yes" || value == "true" || value == "1") {
        flag = true;
        return true;
    }
    if (value == "no" || value == "false" || value == "0") {
        flag = false;
        return true;
    }
    return false;
}

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front())))
        s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())))
        s.remove_suffix(1);
    return s;
}

} // namespace

std::string HtmlText(std::string_view modelText)
{
    return XmlEscape(Utf8FromModel(modelText), true);
}

bool ParseHtmlRules(std::string_view text, SHtmlRules &rules, CImportReport &report)
{
    if (text.find('\0') != std::string_view::npos) {
        report.Fail(0, "the rules file is not a text file");
        return false;
    }
    int number = 0;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view line = Trim(text.substr(start, end - start));
        start = end + 1;
        ++number;
        if (line.empty() || line[0] == '#')
            continue;
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos) {
            report.Warn(number, "a rule needs the form key = value");
            continue;
        }
        const std::string_view key = Trim(line.substr(0, eq));
        const std::string_view value = Trim(line.substr(eq + 1));
        bool ok = true;
        if (key == "layout") {
            ok = value == "list" || value == "headings";
            if (ok)
                rules.m_bHeadings = value == "headings";
        } else if (key == "collapsible") {
            ok = YesNo(value, rules.m_bCollapsible);
        } else if (key == "numbering") {
            ok = YesNo(value, rules.m_bNumbering);
        } else if (key == "item") {
            rules.m_strItem = value;
        } else if (key == "checked") {
            rules.m_strChecked = value;
        } else if (key == "unchecked") {
            rules.m_strUnchecked = value;
        } else if (key == "note") {
            rules.m_strNote = value;
        } else if (key == "drawing") {
            rules.m_strDrawing = value;
        } else {
            report.Warn(number, "unknown rule \"" + std::string(key) + "\" ignored");
            continue;
        }
        if (!ok)
            report.Warn(number, "the value of \"" + std::string(key) + "\" is not understood");
    }
    return true;
}

std::string OutlineHtml(const COutlineMan &man, const SHtmlRules &rules)
{
    CHtmlWriter writer(man, rules);
    return writer.Write();
}

bool BuildHtmlPage(const COutlineMan &man, std::string_view templateText, const SHtmlRules &rules,
    const std::string &date, std::string &page, std::string &error)
{
    const std::size_t at = templateText.find("{{outline}}");
    if (at == std::string_view::npos) {
        error = "The HTML template has no {{outline}} placeholder.";
        return false;
    }
    std::string title = man.GetDB() ? man.GetDB()->GetOutlineTitle().str() : std::string();
    std::string head(templateText.substr(0, at));
    std::string tail(templateText.substr(at + 11));
    const std::string titleHtml = HtmlText(title);
    const std::string dateHtml = XmlEscape(date, true);
    for (std::string *part : { &head, &tail }) {
        ReplaceAll(*part, "{{title}}", titleHtml);
        ReplaceAll(*part, "{{date}}", dateHtml);
    }
    page = head + OutlineHtml(man, rules) + tail;
    return true;
}

} // namespace formats
