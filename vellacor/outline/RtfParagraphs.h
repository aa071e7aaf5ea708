#pragma once

// Reading rich text that other programs put on the clipboard: its
// paragraphs, each with its text and its left indent, which is all that
// pasting items needs. The bytes come from outside and are read as hostile:
// any input gives some result, never a fault, in time linear in its size.

#include <cstddef>
#include <string>
#include <vector>

struct CRtfParagraph {
    // Windows-1252 text; tabs stay tabs.
    std::string m_strText;
    // The left indent in twips (\li), as the paragraph's properties say.
    int m_nIndent = 0;
};

struct CRtfContent {
    // Every paragraph in order, empty ones included.
    std::vector<CRtfParagraph> m_Paragraphs;
    // The first character that Windows-1252 cannot hold (a Unicode code
    // point), or 0 when every character fits. Such characters are kept out
    // of the texts; the caller refuses the paste rather than lose them.
    char32_t m_nUnsupported = 0;
};

// Reads `size` bytes of RTF. Destinations that hold no body text (font and
// colour tables, style sheets, pictures, objects, fields' instructions,
// ignorable destinations) are skipped.
CRtfContent ReadRtfParagraphs(const char *data, std::size_t size);

// Outline levels for paragraphs with these indents, in order: an indent
// seen before takes its level again; a new indent deeper than all before
// it takes the next level (0 for the first); any other new indent takes
// the level of the closest deeper indent seen, minus one. Levels stay
// within 0..9 and never jump by more than one from one paragraph to the
// next, so that they make a tree.
std::vector<int> LevelsFromIndents(const std::vector<int> &indents);

// The Windows-1252 byte of a Unicode code point, or -1 when the code page
// has none.
int ToWindows1252(char32_t code);
