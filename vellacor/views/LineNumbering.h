#pragma once

// The numbering labels of outline items: the text that a level's style
// gives an item from its index among its shown siblings, and the widest
// text a level can need, from which the label column is sized.

#include <cstdint>
#include <string>

enum ENumberingStyle : std::uint8_t {
    kNumberNone = 0,
    kNumberLegal = 1,
    kNumberLowerAlpha = 2,
    kNumberUpperAlpha = 3,
    kNumberNumeric = 4,
    kNumberLowerRoman = 5,
    kNumberUpperRoman = 6,
};

// The style of every level and the divider that follows every label (0 for
// none).
struct CNumbering {
    std::uint8_t m_Numbering[10] = {};
    char m_chDivider = 0;

    std::uint8_t Style(int level) const
    {
        return level >= 0 && level < 10 && m_Numbering[level] <= kNumberUpperRoman
            ? m_Numbering[level]
            : std::uint8_t(kNumberNone);
    }
};

// The predefined schemes of the Line numbers dialog, in its order; the
// last stands for styles chosen level by level.
enum ENumberingScheme : int {
    kSchemeNone = 0,
    kSchemeNumeric = 1,
    kSchemeAlphabetic = 2,
    kSchemeLegal = 3,
    kSchemeRoman = 4,
    kSchemeMixed = 5,
    kSchemeCustom = 6,
};

// The ten styles of a predefined scheme (0 to 5) into `styles`; false, and
// `styles` untouched, for any other scheme. The tenth level is never
// numbered by a predefined scheme.
bool SchemeStyles(int scheme, std::uint8_t *styles);
// The first predefined scheme whose first four levels match; kSchemeCustom
// when none does. The deeper levels do not decide.
int DetectScheme(const std::uint8_t *styles);

// Bijective base 26 of index + 1: a..z, aa, ab, ...
std::string AlphaLabel(int index, bool upper);
// Subtractive Roman numerals; empty for 0 or less.
std::string RomanLabel(int n, bool lower);

// The label of an item at `level`: `indices` holds `count` indices,
// innermost first (the item's and, for the legal style, its ancestors').
std::string FormatLabel(const CNumbering &numbering, int level, const int *indices, int count);

// The text whose width bounds every label of `level`: the label of the
// largest index with its digits and letters replaced by the widest ones, or
// for Roman styles a bound built from the count of items. `extents` holds
// the largest index of each level from 0 (GetLevelExtent).
std::string LabelBoundText(const CNumbering &numbering, int level, const int *extents,
    char widestDigit, char widestUpper, char widestLower);
