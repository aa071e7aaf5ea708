#pragma once

// The HTML page of an outline, made from a template file and a rules file.
//
// A template is an HTML file with three placeholders: {{title}} (the
// outline's title, escaped), {{date}} (the export's date) and {{outline}}
// (the outline itself); the last is required.
//
// A rules file says how the outline becomes HTML, one "key = value" per
// line, '#' starting a comment line:
//   layout      = list | headings   nested lists, or one heading per item
//   collapsible = yes | no          items with sub-items fold (<details>)
//   numbering   = yes | no          the outline's numbering labels
//   item        = {check} {label} {text}   the parts of an item's line
//   checked     = HTML for a checked item's mark
//   unchecked   = HTML for an unchecked item's mark
//   note        = HTML around a note, {note} its paragraphs
//   drawing     = HTML for a drawing, {src} {width} {height}
// Keys that are left out keep their defaults (those of the shipped rules
// file); unknown keys are reported and ignored.

#include "FlatOutline.h"

#include <string>
#include <string_view>

namespace formats {

struct SHtmlRules {
    bool m_bHeadings = false;
    bool m_bCollapsible = true;
    bool m_bNumbering = true;
    std::string m_strItem = "{check} {label} {text}";
    std::string m_strChecked = "<span class=\"check done\" title=\"Done\">&#x2611;</span>";
    std::string m_strUnchecked = "<span class=\"check\" title=\"To do\">&#x2610;</span>";
    std::string m_strNote = "<div class=\"note\">{note}</div>";
    std::string m_strDrawing = "<img class=\"drawing\" src=\"{src}\" width=\"{width}\" "
                               "height=\"{height}\" alt=\"Drawing\">";
};

// Reads a rules file over the defaults. Malformed lines and unknown keys
// become warnings; only a file that is not text (NUL bytes) is refused.
bool ParseHtmlRules(std::string_view text, SHtmlRules &rules, CImportReport &report);

// The page: the template with its placeholders filled. False, with the
// reason in `error`, when the template lacks {{outline}}.
bool BuildHtmlPage(const COutlineMan &man, std::string_view templateText, const SHtmlRules &rules,
    const std::string &date, std::string &page, std::string &error);

// Only the outline part of the page (what {{outline}} stands for).
std::string OutlineHtml(const COutlineMan &man, const SHtmlRules &rules);

// Text for HTML: escaped, the model's "[U+XXXX]" markers as characters.
std::string HtmlText(std::string_view modelText);

} // namespace formats
