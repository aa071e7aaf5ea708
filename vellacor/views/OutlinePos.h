#pragma once

#include "OutlineMan.h"

// A place in an open outline as the view sees it: a character offset within
// a row, the row within the item counted over all its paragraphs, and the
// item. A position without an item, or with a negative offset or row, is
// unset.
struct COutlinePos {
    int m_nChar = -1;
    int m_nRow = -1;
    COutlineNode *m_pItem = nullptr;

    COutlinePos() = default;
    COutlinePos(int ch, int row, COutlineNode *item)
        : m_nChar(ch)
        , m_nRow(row)
        , m_pItem(item)
    {
    }

    bool IsSet() const { return m_pItem && m_nChar >= 0 && m_nRow >= 0; }
    void Unset() { *this = COutlinePos(); }
    // The row alone, at its start.
    COutlinePos RowStart() const { return COutlinePos(0, m_nRow, m_pItem); }

    friend bool operator==(const COutlinePos &, const COutlinePos &) = default;
};
