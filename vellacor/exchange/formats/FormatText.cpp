#include "FormatText.h"

#include "kx_gen/String.h"

#include <cstdio>

namespace formats {

namespace {

constexpr char32_t kMaxCodePoint = 0x10FFFF;

std::string MarkerOf(char32_t codePoint)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "[U+%04X]", static_cast<unsigned>(codePoint));
    return buffer;
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// A marker "[U+XXXX]" (4 to 6 hex digits) at `pos` naming a character that
// Windows-1252 cannot hold: its code point and length, else 0.
std::size_t ParseMarker(std::string_view text, std::size_t pos, char32_t &codePoint)
{
    if (text.compare(pos, 3, "[U+") != 0)
        return 0;
    std::size_t i = pos + 3;
    char32_t value = 0;
    int digits = 0;
    while (i < text.size() && digits < 7 && HexValue(text[i]) >= 0) {
        value = value * 16 + static_cast<char32_t>(HexValue(text[i]));
        ++i;
        ++digits;
    }
    if (digits < 4 || digits > 6 || i >= text.size() || text[i] != ']')
        return 0;
    if (value > kMaxCodePoint || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    unsigned char byte = 0;
    if (value <= 0xFFFF && kx_gen::UnicodeToWindows1252(static_cast<char16_t>(value), &byte))
        return 0;
    codePoint = value;
    return i + 1 - pos;
}

} // namespace

void CImportReport::Warn(int line, const std::string &text)
{
    if (m_Warnings.size() >= kMaxWarnings) {
        ++m_nDropped;
        return;
    }
    m_Warnings.push_back(line > 0 ? "Line " + std::to_string(line) + ": " + text : text);
}

void CImportReport::Fail(int line, const std::string &text)
{
    if (!m_strError.empty())
        return;
    m_strError = line > 0 ? "Line " + std::to_string(line) + ": " + text : text;
}

std::string CImportReport::WarningText() const
{
    std::string all;
    for (const std::string &w : m_Warnings) {
        all += w;
        all += '\n';
    }
    if (m_nDropped > 0)
        all += "... and " + std::to_string(m_nDropped) + " more warnings.\n";
    return all;
}

void AppendUtf8(std::string &out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::string Utf8FromModel(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char byte = static_cast<unsigned char>(text[i]);
        if (byte == '[') {
            char32_t c = 0;
            if (const std::size_t length = ParseMarker(text, i, c)) {
                AppendUtf8(out, c);
                i += length;
                continue;
            }
        }
        if (byte < 0x80)
            out += static_cast<char>(byte);
        else
            AppendUtf8(out, kx_gen::Windows1252ToUnicode(byte));
        ++i;
    }
    return out;
}

bool DecodeUtf8(std::string_view text, std::size_t &pos, char32_t &codePoint)
{
    const unsigned char lead = static_cast<unsigned char>(text[pos]);
    if (lead < 0x80) {
        codePoint = lead;
        ++pos;
        return true;
    }
    int extra = 0;
    char32_t value = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1;
        value = lead & 0x1F;
        minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2;
        value = lead & 0x0F;
        minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3;
        value = lead & 0x07;
        minimum = 0x10000;
    } else {
        ++pos;
        return false;
    }
    if (pos + static_cast<std::size_t>(extra) >= text.size()) {
        ++pos;
        return false;
    }
    for (int k = 1; k <= extra; ++k) {
        const unsigned char next
            = static_cast<unsigned char>(text[pos + static_cast<std::size_t>(k)]);
        if ((next & 0xC0) != 0x80) {
            ++pos;
            return false;
        }
        value = (value << 6) | (next & 0x3F);
    }
    if (value < minimum || value > kMaxCodePoint || (value >= 0xD800 && value <= 0xDFFF)) {
        ++pos;
        return false;
    }
    codePoint = value;
    pos += static_cast<std::size_t>(extra) + 1;
    return true;
}

bool IsUtf8(std::string_view text)
{
    for (std::size_t i = 0; i < text.size();) {
        char32_t c = 0;
        if (!DecodeUtf8(text, i, c))
            return false;
    }
    return true;
}

void AppendModelChar(std::string &out, char32_t c, int line, CImportReport &report)
{
    unsigned char byte = 0;
    if (c <= 0xFFFF && kx_gen::UnicodeToWindows1252(static_cast<char16_t>(c), &byte)) {
        out += static_cast<char>(byte);
        return;
    }
    const std::string marker = MarkerOf(c);
    std::string glyph;
    AppendUtf8(glyph, c);
    report.Warn(line,
        "the character " + marker.substr(1, marker.size() - 2) + " (" + glyph
            + ") does not exist in the outline's character set; it is kept as " + marker);
    out += marker;
}

std::string ModelFromUtf8(std::string_view text, int line, CImportReport &report)
{
    std::string out;
    out.reserve(text.size());
    bool warnedMalformed = false;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t start = i;
        char32_t c = 0;
        if (DecodeUtf8(text, i, c)) {
            AppendModelChar(out, c, line, report);
            continue;
        }
        if (!warnedMalformed) {
            report.Warn(line, "bytes that are not UTF-8 were read as Windows-1252");
            warnedMalformed = true;
        }
        out += text[start];
    }
    return out;
}

std::string XmlEscape(std::string_view utf8, bool attribute)
{
    std::string out;
    out.reserve(utf8.size() + 16);
    for (char ch : utf8) {
        const unsigned char c = static_cast<unsigned char>(ch);
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += attribute ? "&quot;" : "\"";
            break;
        case '\n':
            out += attribute ? "&#10;" : "\n";
            break;
        case '\r':
            out += attribute ? "&#13;" : "";
            break;
        case '\t':
            out += attribute ? "&#9;" : "\t";
            break;
        default:
            // XML cannot carry the other control characters at all, not even
            // as references: keep them readable as markers.
            if (c < 0x20)
                out += MarkerOf(c);
            else
                out += ch;
            break;
        }
    }
    return out;
}

std::vector<std::string> SplitParagraphs(std::string_view text)
{
    std::vector<std::string> paras(1);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            paras.emplace_back();
        } else {
            paras.back() += c;
        }
    }
    return paras;
}

bool AcceptTextInput(std::string_view &data, CImportReport &report)
{
    if (data.size() > kMaxImportBytes) {
        report.Fail(0, "the file is too large to import");
        return false;
    }
    if (data.find('\0') != std::string_view::npos) {
        report.Fail(0, "this is no text file (it holds NUL bytes)");
        return false;
    }
    if (data.substr(0, 3) == "\xEF\xBB\xBF")
        data.remove_prefix(3);
    return true;
}

} // namespace formats
