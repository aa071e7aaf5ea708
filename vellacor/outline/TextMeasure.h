#pragma once

#include "TextFont.h"

// Measuring item text. Each function takes the device context that measures
// exactly (the view's) or null when the font's width tables are exact, as
// they are for fixed widths; the tables alone are then used and nothing is
// measured twice.

// The width of the first `count` bytes of `text` with tab stops every
// `m_nTabWidth` pixels counted from the start of the text; 0 when `count` is
// 0 or less.
int TextExtent(const CMeasureDC *dc, const CTextFont &font, const char *text, int count);

// The largest offset p with start <= p <= end such that text[start..p) fits
// into `width` pixels; tab stops count from `start`. A double-byte character
// is never split. Returns `start` when not even the first character fits, and
// when end <= start.
int FitChars(
    const CMeasureDC *dc, const CTextFont &font, int width, const char *text, int start, int end);

// The offset of the character under `x` in a row drawn from `left`: the number
// of whole characters of `rowText` (`rowLength` bytes) that fit between `left`
// and `x`; 0 when x <= left or the row is empty.
int OffsetAtX(int x, int left, const CMeasureDC *dc, const CTextFont &font, const char *rowText,
    int rowLength);
