#include "TextCodec.h"

#include "kx_gen/String.h"

namespace docbridge {

namespace {

void appendUtf8(std::string &out, char32_t c)
{
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xc0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3f)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xe0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3f)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3f)));
    } else {
        out.push_back(static_cast<char>(0xf0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3f)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3f)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3f)));
    }
}

bool appendEscape(std::string &out, char32_t c)
{
    switch (c) {
    case '&':
        out += "&amp;";
        return true;
    case '<':
        out += "&lt;";
        return true;
    case '>':
        out += "&gt;";
        return true;
    case '"':
        out += "&quot;";
        return true;
    case '\'':
        out += "&apos;";
        return true;
    default:
        return false;
    }
}

} // namespace

void AppendXmlEscaped(std::string &out, std::string_view windows1252)
{
    for (const char ch : windows1252) {
        const auto byte = static_cast<unsigned char>(ch);
        if (byte < 0x20 && byte != '\t')
            continue;
        if (appendEscape(out, byte))
            continue;
        appendUtf8(out, kx_gen::Windows1252ToUnicode(byte));
    }
}

void AppendXmlEscapedUtf8(std::string &out, std::string_view utf8)
{
    for (const char ch : utf8) {
        const auto byte = static_cast<unsigned char>(ch);
        if (byte < 0x20 && byte != '\t')
            continue;
        if (!appendEscape(out, byte))
            out.push_back(ch);
    }
}

char32_t NextCodePoint(std::string_view utf8, std::size_t &pos)
{
    const auto lead = static_cast<unsigned char>(utf8[pos++]);
    if (lead < 0x80)
        return lead;
    int extra = 0;
    char32_t c = 0;
    char32_t minimum = 0;
    if ((lead & 0xe0) == 0xc0) {
        extra = 1;
        c = lead & 0x1f;
        minimum = 0x80;
    } else if ((lead & 0xf0) == 0xe0) {
        extra = 2;
        c = lead & 0x0f;
        minimum = 0x800;
    } else if ((lead & 0xf8) == 0xf0) {
        extra = 3;
        c = lead & 0x07;
        minimum = 0x10000;
    } else {
        return 0xfffd;
    }
    for (int i = 0; i < extra; ++i) {
        if (pos >= utf8.size() || (static_cast<unsigned char>(utf8[pos]) & 0xc0) != 0x80)
            return 0xfffd;
        c = (c << 6) | (static_cast<unsigned char>(utf8[pos++]) & 0x3f);
    }
    if (c < minimum || c > 0x10ffff || (c >= 0xd800 && c <= 0xdfff))
        return 0xfffd;
    return c;
}

std::string Utf8ToWindows1252(std::string_view utf8, std::size_t *lost)
{
    std::string out;
    out.reserve(utf8.size());
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const char32_t c = NextCodePoint(utf8, pos);
        unsigned char byte = 0;
        if (c <= 0xffff && kx_gen::UnicodeToWindows1252(static_cast<char16_t>(c), &byte)) {
            out.push_back(static_cast<char>(byte));
        } else {
            out.push_back('?');
            if (lost)
                ++*lost;
        }
    }
    return out;
}

} // namespace docbridge
