#include "CabinetText.h"

#include "kx_gen/PathUtils.h"

#include <cstddef>

using kx_gen::_String;

namespace cabinet {

unsigned char ToUpper1252(unsigned char c)
{
    if (c >= 'a' && c <= 'z')
        return static_cast<unsigned char>(c - 'a' + 'A');
    // à..þ map to À..Þ, except the division sign.
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7)
        return static_cast<unsigned char>(c - 0x20);
    switch (c) {
    case 0x9A: // š
        return 0x8A;
    case 0x9C: // œ
        return 0x8C;
    case 0x9E: // ž
        return 0x8E;
    case 0xFF: // ÿ
        return 0x9F;
    default:
        return c;
    }
}

_String MakeUpper(const _String &text)
{
    _String upper = text;
    for (char &c : upper.str())
        c = static_cast<char>(ToUpper1252(static_cast<unsigned char>(c)));
    return upper;
}

bool EqualNoCase(const _String &a, const _String &b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (ToUpper1252(static_cast<unsigned char>(a[i]))
            != ToUpper1252(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

bool ContainsNoCase(const _String &text, const _String &what)
{
    return MakeUpper(text).str().find(MakeUpper(what).str()) != std::string::npos;
}

_String Trimmed(const _String &text)
{
    _String copy = text;
    copy.Trim();
    return copy;
}

_String FileTitleFor(const _String &title)
{
    _String valid = title;
    kx_gen::ValidateFileTitle(valid);
    std::string utf8;
    for (const char c : valid.str()) {
        const char16_t u = kx_gen::Windows1252ToUnicode(static_cast<unsigned char>(c));
        std::string encoded;
        if (u < 0x80) {
            encoded.push_back(static_cast<char>(u));
        } else if (u < 0x800) {
            encoded.push_back(static_cast<char>(0xC0 | (u >> 6)));
            encoded.push_back(static_cast<char>(0x80 | (u & 0x3F)));
        } else {
            encoded.push_back(static_cast<char>(0xE0 | (u >> 12)));
            encoded.push_back(static_cast<char>(0x80 | ((u >> 6) & 0x3F)));
            encoded.push_back(static_cast<char>(0x80 | (u & 0x3F)));
        }
        if (utf8.size() + encoded.size() > static_cast<std::size_t>(kx_gen::kMaxFileTitleLength))
            break;
        utf8 += encoded;
    }
    return _String(std::move(utf8));
}

_String TitleFromFileTitle(const _String &fileTitle)
{
    const std::string &in = fileTitle.str();
    std::string out;
    for (std::size_t i = 0; i < in.size();) {
        const unsigned char lead = static_cast<unsigned char>(in[i]);
        std::size_t length = lead < 0x80 ? 1
            : (lead & 0xE0) == 0xC0      ? 2
            : (lead & 0xF0) == 0xE0      ? 3
            : (lead & 0xF8) == 0xF0      ? 4
                                         : 0;
        bool valid = length > 0 && i + length <= in.size();
        char32_t code = length == 1 ? lead
            : length == 2           ? (lead & 0x1F)
            : length == 3           ? (lead & 0x0F)
                                    : (lead & 0x07);
        for (std::size_t k = 1; valid && k < length; ++k) {
            const unsigned char c = static_cast<unsigned char>(in[i + k]);
            valid = (c & 0xC0) == 0x80;
            code = (code << 6) | (c & 0x3F);
        }
        if (!valid) {
            out.push_back(in[i]);
            ++i;
            continue;
        }
        unsigned char byte = '?';
        if (code > 0xFFFF || !kx_gen::UnicodeToWindows1252(static_cast<char16_t>(code), &byte))
            byte = '?';
        out.push_back(static_cast<char>(byte));
        i += length;
    }
    return _String(std::move(out));
}

} // namespace cabinet
