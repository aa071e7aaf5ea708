#include "TextMeasure.h"

namespace {

// The running width after a tab: the next tab stop strictly to the right.
inline int NextTabStop(int x, int tabWidth)
{
    return (x / tabWidth + 1) * tabWidth;
}

// The offset after the character at `p` (a double-byte character is two
// bytes, unless its trail byte lies beyond `end`).
inline int NextChar(const CTextFont &font, const unsigned char *text, int p, int end)
{
    return font.IsLeadByte(text[p]) && p + 1 < end ? p + 2 : p + 1;
}

// The offset of the character before `p`; double-byte characters can only be
// told apart from the start, so the walk begins there.
int PrevChar(const CTextFont &font, const unsigned char *text, int start, int p, int end)
{
    if (!font.m_bDoubleByte)
        return p - 1;
    int prev = start;
    for (int q = start; q < p; q = NextChar(font, text, q, end))
        prev = q;
    return prev;
}

// The width of text[start..end) from the tables alone.
int TableExtent(const CTextFont &font, const unsigned char *text, int start, int end)
{
    const int tab = font.m_nTabWidth;
    int x = 0;
    for (int p = start; p < end;) {
        const unsigned char c = text[p];
        if (c == '\t' && tab > 0)
            x = NextTabStop(x, tab);
        else
            x += font.CharWidth(c);
        p = NextChar(font, text, p, end);
    }
    return x;
}

} // namespace

int TextExtent(const CMeasureDC *dc, const CTextFont &font, const char *text, int count)
{
    if (count <= 0)
        return 0;
    if (dc)
        return dc->GetTabbedTextExtent(text, count, font.m_nTabWidth);
    return TableExtent(font, reinterpret_cast<const unsigned char *>(text), 0, count);
}

int FitChars(
    const CMeasureDC *dc, const CTextFont &font, int width, const char *text, int start, int end)
{
    if (end <= start)
        return start;
    const auto *s = reinterpret_cast<const unsigned char *>(text);
    const int tab = font.m_nTabWidth;

    // First estimate from the tables: stop at the first character that would
    // overflow the width. This loop is the inner loop of wrapping a whole
    // outline, so the single-byte case stays free of further tests.
    int p = start;
    int x = 0;
    if (!font.m_bDoubleByte) {
        const int *widths = font.m_nCharWidth;
        for (; p < end; ++p) {
            const unsigned char c = s[p];
            const int next = c == '\t' && tab > 0 ? NextTabStop(x, tab) : x + widths[c];
            if (next > width)
                break;
            x = next;
        }
    } else {
        while (p < end) {
            const unsigned char c = s[p];
            const int next = c == '\t' && tab > 0 ? NextTabStop(x, tab) : x + font.CharWidth(c);
            if (next > width)
                break;
            x = next;
            p = NextChar(font, s, p, end);
        }
    }
    if (!dc)
        return p;

    // The device may measure a run differently from the sum of its characters
    // (kerning, rounding): correct the estimate around the break point.
    if (TextExtent(dc, font, text + start, p - start) > width) {
        while (p > start) {
            p = PrevChar(font, s, start, p, end);
            if (TextExtent(dc, font, text + start, p - start) <= width)
                break;
        }
    } else {
        while (p < end) {
            const int q = NextChar(font, s, p, end);
            if (TextExtent(dc, font, text + start, q - start) > width)
                break;
            p = q;
        }
    }
    return p;
}

int OffsetAtX(int x, int left, const CMeasureDC *dc, const CTextFont &font, const char *rowText,
    int rowLength)
{
    if (x <= left || rowLength <= 0)
        return 0;
    return FitChars(dc, font, x - left, rowText, 0, rowLength);
}
