#include "TextConversion.h"

#include "kx_gen/String.h"

namespace palmdesktop {

namespace {

// Decodes one UTF-8 sequence at `pos`; false for a malformed, overlong or
// surrogate sequence.
bool DecodeUtf8(std::string_view text, std::size_t &pos, char32_t &codePoint)
{
    unsigned char lead = static_cast<unsigned char>(text[pos]);
    std::size_t length;
    char32_t minimum;
    if (lead < 0x80) {
        codePoint = lead;
        ++pos;
        return true;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2;
        codePoint = lead & 0x1F;
        minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        codePoint = lead & 0x0F;
        minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        codePoint = lead & 0x07;
        minimum = 0x10000;
    } else {
        return false;
    }
    if (text.size() - pos < length)
        return false;
    for (std::size_t i = 1; i < length; ++i) {
        unsigned char next = static_cast<unsigned char>(text[pos + i]);
        if ((next & 0xC0) != 0x80)
            return false;
        codePoint = (codePoint << 6) | (next & 0x3F);
    }
    if (codePoint < minimum || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
        return false;
    pos += length;
    return true;
}

void AppendUtf8(std::string &out, char32_t codePoint)
{
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (codePoint >> 18));
        out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

} // namespace

bool Utf8ToWindows1252(std::string_view utf8, std::string &text, std::string &why)
{
    text.clear();
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        char32_t codePoint = 0;
        if (!DecodeUtf8(utf8, pos, codePoint)) {
            why = "is not valid UTF-8";
            return false;
        }
        unsigned char byte = 0;
        if (codePoint > 0xFFFF
            || !kx_gen::UnicodeToWindows1252(static_cast<char16_t>(codePoint), &byte)) {
            std::string character;
            AppendUtf8(character, codePoint);
            why = "holds \"" + character + "\", which a handheld user name cannot hold";
            return false;
        }
        text += static_cast<char>(byte);
    }
    return true;
}

std::string Windows1252ToUtf8(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        AppendUtf8(out, kx_gen::Windows1252ToUnicode(static_cast<unsigned char>(c)));
    return out;
}

} // namespace palmdesktop
