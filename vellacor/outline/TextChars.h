#pragma once

// Character classes of Windows-1252, the code page of every item text. The C
// runtime's classes know only ASCII in the default locale; these know the
// accented letters of the code page too, so that a case-insensitive search
// finds "CAFÉ" for "café" and a whole word does not end inside "café".

namespace text_chars_detail {

struct CharTable {
    unsigned char lower[256];
    bool word[256];
};

constexpr CharTable MakeCharTable()
{
    CharTable t {};
    for (int c = 0; c < 256; ++c) {
        t.lower[c] = static_cast<unsigned char>(c);
        t.word[c] = false;
    }
    for (int c = 'A'; c <= 'Z'; ++c) {
        t.lower[c] = static_cast<unsigned char>(c + 32);
        t.word[c] = t.word[c + 32] = true;
    }
    for (int c = '0'; c <= '9'; ++c)
        t.word[c] = true;
    t.word[static_cast<unsigned char>('_')] = true;

    // Š Œ Ž and their lower-case forms š œ ž, Ÿ and ÿ.
    const int upper[] = { 0x8A, 0x8C, 0x8E, 0x9F };
    const int lower[] = { 0x9A, 0x9C, 0x9E, 0xFF };
    for (int i = 0; i < 4; ++i) {
        t.lower[upper[i]] = static_cast<unsigned char>(lower[i]);
        t.word[upper[i]] = t.word[lower[i]] = true;
    }
    // ƒ, the ordinal indicators and the micro sign are letters without a case.
    t.word[0x83] = t.word[0xAA] = t.word[0xB5] = t.word[0xBA] = true;
    // À..Þ map to à..þ, except the multiplication sign; ß has no upper case.
    for (int c = 0xC0; c <= 0xDE; ++c) {
        if (c == 0xD7)
            continue;
        t.lower[c] = static_cast<unsigned char>(c + 0x20);
        t.word[c] = t.word[c + 0x20] = true;
    }
    t.word[0xDF] = true;
    return t;
}

inline constexpr CharTable kCharTable = MakeCharTable();

} // namespace text_chars_detail

// The lower-case form of a character; characters without one map to
// themselves.
inline unsigned char ToLower1252(unsigned char code)
{
    return text_chars_detail::kCharTable.lower[code];
}

// A letter, a digit or '_': the characters of which a whole word is made.
inline bool IsWordChar1252(unsigned char code)
{
    return text_chars_detail::kCharTable.word[code];
}

// A character at which a row may be broken: space, tab, line feed, vertical
// tab, form feed and carriage return (the C runtime's white space). The
// no-break space is not one.
inline bool IsBreakSpace(unsigned char code)
{
    return code == ' ' || (code >= '\t' && code <= '\r');
}
