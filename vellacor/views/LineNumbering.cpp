#include "LineNumbering.h"

#include <algorithm>
#include <cctype>
#include <iterator>

namespace {

constexpr std::uint8_t kSchemes[kSchemeCustom][10] = {
    { 0, 0, 0, 0, 0, 0, 0, 0, 0, 0 },
    { 4, 4, 4, 4, 4, 4, 4, 4, 4, 0 },
    { 3, 2, 3, 2, 3, 2, 3, 2, 3, 0 },
    { 1, 1, 1, 1, 1, 1, 1, 1, 1, 0 },
    { 6, 5, 6, 5, 6, 5, 6, 5, 6, 0 },
    { 6, 3, 4, 2, 5, 3, 4, 2, 5, 0 },
};

} // namespace

bool SchemeStyles(int scheme, std::uint8_t *styles)
{
    if (scheme < 0 || scheme >= kSchemeCustom || !styles)
        return false;
    std::copy(std::begin(kSchemes[scheme]), std::end(kSchemes[scheme]), styles);
    return true;
}

int DetectScheme(const std::uint8_t *styles)
{
    for (int scheme = 0; scheme < kSchemeCustom; ++scheme)
        if (std::equal(styles, styles + 4, kSchemes[scheme]))
            return scheme;
    return kSchemeCustom;
}

std::string AlphaLabel(int index, bool upper)
{
    std::string s;
    const char base = upper ? 'A' : 'a';
    for (long n = static_cast<long>(std::max(index, 0)) + 1; n > 0; n = (n - 1) / 26)
        s.insert(s.begin(), static_cast<char>(base + (n - 1) % 26));
    return s;
}

std::string RomanLabel(int n, bool lower)
{
    static const struct {
        int value;
        const char *text;
    } steps[] = { { 1000, "M" }, { 900, "CM" }, { 500, "D" }, { 400, "CD" }, { 100, "C" },
        { 90, "XC" }, { 50, "L" }, { 40, "XL" }, { 10, "X" }, { 9, "IX" }, { 5, "V" }, { 4, "IV" },
        { 1, "I" } };
    std::string s;
    for (const auto &step : steps) {
        while (n >= step.value) {
            s += step.text;
            n -= step.value;
        }
    }
    if (lower)
        std::transform(s.begin(), s.end(), s.begin(), [](char c) { return char(c - 'A' + 'a'); });
    return s;
}

std::string FormatLabel(const CNumbering &numbering, int level, const int *indices, int count)
{
    const std::uint8_t style = numbering.Style(level);
    if (style == kNumberNone || !indices || count <= 0)
        return std::string();
    if (style != kNumberLegal)
        count = 1;
    std::string result;
    for (int k = 0; k < count; ++k) {
        const int index = std::max(indices[k], 0);
        std::string piece;
        switch (style) {
        case kNumberLegal:
            piece = std::to_string(index + 1);
            if (k > 0)
                piece += '.';
            break;
        case kNumberNumeric:
            piece = std::to_string(index + 1);
            break;
        case kNumberLowerAlpha:
        case kNumberUpperAlpha:
            piece = AlphaLabel(index, style == kNumberUpperAlpha);
            break;
        default:
            piece = RomanLabel(index + 1, style == kNumberLowerRoman);
            break;
        }
        result.insert(0, piece);
    }
    if (numbering.m_chDivider)
        result += numbering.m_chDivider;
    return result;
}

std::string LabelBoundText(const CNumbering &numbering, int level, const int *extents,
    char widestDigit, char widestUpper, char widestLower)
{
    const std::uint8_t style = numbering.Style(level);
    if (style == kNumberNone)
        return std::string();
    if (style == kNumberLowerRoman || style == kNumberUpperRoman) {
        const int n = std::max(extents[level], 0) + 1;
        std::string s(static_cast<std::size_t>(n / 1000), 'M');
        s.append(static_cast<std::size_t>(std::min((n / 100) % 10, 3)), 'C');
        s.append(static_cast<std::size_t>(std::min((n / 10) % 10, 3)), 'X');
        s += "VIII";
        if (style == kNumberLowerRoman)
            for (char &c : s)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (numbering.m_chDivider)
            s += numbering.m_chDivider;
        return s;
    }
    int indices[10];
    int count = 0;
    if (style == kNumberLegal) {
        for (int l = level; l >= 0; --l)
            indices[count++] = extents[l];
    } else {
        indices[count++] = extents[level];
    }
    std::string s = FormatLabel(numbering, level, indices, count);
    for (char &c : s) {
        if (c >= '0' && c <= '9')
            c = widestDigit;
        else if (style == kNumberUpperAlpha && c >= 'A' && c <= 'Z')
            c = widestUpper;
        else if (style == kNumberLowerAlpha && c >= 'a' && c <= 'z')
            c = widestLower;
    }
    return s;
}
