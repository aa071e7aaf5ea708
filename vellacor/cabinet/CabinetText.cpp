#include "CabinetText.h"

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

} // namespace cabinet
