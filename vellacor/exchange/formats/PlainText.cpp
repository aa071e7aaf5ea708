#include "PlainText.h"

namespace formats {

std::string WritePlainText(const SFlatOutline &outline)
{
    std::string out;
    for (const SFlatItem &item : outline.m_Items) {
        out.append(static_cast<std::size_t>(item.m_nLevel), '\t');
        std::string line;
        for (const std::string &para : SplitParagraphs(item.m_strText)) {
            if (!line.empty())
                line += ' ';
            line += para;
        }
        // A tab inside the text would read back as indentation only at the
        // start; elsewhere it is harmless.
        std::size_t lead = 0;
        while (lead < line.size() && (line[lead] == '\t' || line[lead] == ' '))
            ++lead;
        out += Utf8FromModel(std::string_view(line).substr(lead));
        out += '\n';
    }
    return out;
}

bool ReadPlainText(std::string_view data, SFlatOutline &outline, CImportReport &report)
{
    outline = SFlatOutline();
    if (!AcceptTextInput(data, report))
        return false;
    const bool utf8 = IsUtf8(data);
    if (!utf8)
        report.Warn(0, "the file is not UTF-8; it was read as Windows-1252");
    int number = 0;
    for (std::size_t start = 0; start < data.size();) {
        std::size_t end = data.find('\n', start);
        if (end == std::string_view::npos)
            end = data.size();
        std::string_view line = data.substr(start, end - start);
        start = end + 1;
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        std::size_t pos = 0;
        int tabs = 0;
        int blanks = 0;
        while (pos < line.size() && (line[pos] == '\t' || line[pos] == ' ')) {
            if (line[pos] == '\t')
                ++tabs;
            else
                ++blanks;
            ++pos;
        }
        std::string_view text = line.substr(pos);
        while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
            text.remove_suffix(1);
        if (text.empty())
            continue;
        SFlatItem item;
        item.m_nLevel = tabs + blanks / 2;
        item.m_bExpanded = true;
        item.m_strText = utf8 ? ModelFromUtf8(text, number, report) : std::string(text);
        outline.m_Items.push_back(std::move(item));
    }
    return !report.Failed();
}

} // namespace formats
