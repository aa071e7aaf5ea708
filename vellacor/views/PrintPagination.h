#pragma once

// How printed entries fall onto pages: pure arithmetic over row counts and
// picture heights, so that page breaks are decided without a printer.

#include <vector>

// One printable entry: the rows of an item's text or note, or the height
// of a picture in layout units.
struct CPrintExtent {
    bool m_bPicture = false;
    int m_nSize = 0;
};

// The part of an entry printed on one page: rows [m_nFirst, m_nFirst +
// m_nCount) of a text, or for a picture 0 and the height it gets.
struct CPrintBlock {
    int m_nEntry = 0;
    int m_nFirst = 0;
    int m_nCount = 0;
};

using CPrintPages = std::vector<std::vector<CPrintBlock>>;

// Fills `pages`. Rows that do not fit continue on the next page; a picture
// is kept whole and starts the next page when the rest is too short, and
// one taller than a page gets the page's height (it is scaled down when
// printed). False, with `pages` empty, when not even one row fits on a
// page: the margins leave no room.
bool PaginateEntries(
    const std::vector<CPrintExtent> &entries, int rowHeight, int pageHeight, CPrintPages &pages);

// The pages to print, from 1: with both 0 every page; otherwise the range
// chosen (swapped when `to` < `from`; a `to` of 0 or less prints page 1)
// cut to the page count. False when nothing is left to print.
bool ClampPageRange(int from, int to, int pageCount, int *first, int *last);
