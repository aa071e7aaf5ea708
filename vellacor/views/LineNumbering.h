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
