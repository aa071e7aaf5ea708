#pragma once

#include "LineNumbering.h"
#include "OutlineLayout.h"
#include "OutlinePos.h"

#include <QPoint>
#include <QRect>
#include <QSize>

#include <vector>

// What lies under a point of the view.
struct COutlineHit {
    enum EKind {
        kCheckBox = 0,
        kExpander = 1,
        kText = 2,
        kNote = 3,
        kDrawing = 4,
        kBelow = 5, // below the last row; the item is the last visible one
        kNothing = 6,
    };
    int m_nKind = kNothing;
    COutlineNode *m_pItem = nullptr;
    int m_nRow = 0;
    int m_nChar = 0;
    // False when the point lies beyond the end of the row's text.
    bool m_bInText = false;
};

// One row on the screen: its item and row, and the y of its top.
struct COutlineRowSlot {
    COutlinePos m_Pos;
    int m_nTop = 0;
};

// The geometry of one outline view without any painting: fonts as width
// tables, the layout metrics, the wrapping of item texts to them, the row
// sequence of the visible items, the top row and the horizontal scroll
// offset, and every query between points and positions. The view, printing
// and the tests all work through it; none of it needs a screen.
//
// Coordinates are those of the view's client area: row r below the top row
// starts at y = r * RowHeight(), and content x = client x + HScroll().
class COutlineGeometry {
public:
    // `man` stays the caller's and must outlive the geometry.
    explicit COutlineGeometry(COutlineMan *man);

    COutlineMan *Man() const { return m_pMan; }
    COutlineLayout &Layout() { return m_Layout; }
    const COutlineLayout &Layout() const { return m_Layout; }

    // ---- Font --------------------------------------------------------------

    // The width tables of the outline font. After filling them (Measure or
    // SetFixedWidths) call FontChanged.
    CTextFont &Font() { return m_Font; }
    const CTextFont &Font() const { return m_Font; }
    // The device that corrects the tables' estimates by exact measuring, or
    // null when the tables are exact. Stays the caller's.
    void SetMeasureDC(const CMeasureDC *dc) { m_pDC = dc; }
    const CMeasureDC *MeasureDC() const { return m_pDC; }
    // Takes the row height, the text height, the widest characters and the
    // gap after labels from the font's tables, and marks the whole layout
    // for computing again.
    void FontChanged();
    int RowHeight() const { return m_nRowHeight; }
    int TextHeight() const { return m_nTextHeight; }
    int GapWidth() const { return m_nGapWidth; }
    // The width of `count` bytes of Windows-1252 text in the outline font.
    int TextWidth(const char *text, int count) const;

    // ---- Layout and wrapping -----------------------------------------------

    void SetNumbering(const CNumbering &numbering);
    const CNumbering &Numbering() const { return m_Numbering; }
    void MarkLevelDirty(int level);
    void MarkLayoutDirty() { m_bLayoutDirty = true; }
    void SetShowCheckBoxes(bool show);
    // The size of the client area.
    void SetClientSize(QSize size) { m_ClientSize = size; }
    QSize ClientSize() const { return m_ClientSize; }
    // After the client area changed size: whether the content width must be
    // computed again (it is then reset to 0).
    bool ResizeNeedsRelayout();
    // Measures the labels of dirty levels, places the columns, raises the
    // content width to the minimum and the client width, and re-wraps what
    // that changed. Returns the content width.
    int RecalcLayout();
    int MinimumWidth() const;
    // Measures the labels of dirty levels and places the columns at the
    // content width as it stands, wrapping nothing: for a layout whose rows
    // are copies of the items (printing), which wraps them itself.
    void LayoutColumns();
    // The largest index of each level that labels are measured for, in
    // place of the outline's own (printed copies are numbered by what is
    // printed); null goes back to the outline's.
    void SetLevelExtents(const int *extents);
    // Re-wraps one item to its available width: every paragraph with `all`,
    // else the stale ones.
    void WrapItem(COutlineNode *node, bool all);
    // The item and its descendants (null: the whole outline); with
    // `onlyDirtyLevels` only items of levels whose label width changed.
    void WrapSubtree(COutlineNode *node, bool onlyDirtyLevels);

    // ---- Rows ----------------------------------------------------------------

    // An item always has at least one row.
    static int ItemRows(const COutlineNode *node);
    // The row after / before `pos` in display order, at offset 0; unset at
    // the ends.
    COutlinePos NextRow(const COutlinePos &pos) const;
    COutlinePos PrevRow(const COutlinePos &pos) const;
    // Rows of all visible items. Kept between calls; WrapItem keeps it
    // up to date, structural changes call InvalidateRows.
    int TotalRows() const;
    // Forgets the row count and the top row's number after items appeared,
    // vanished, or were shown or hidden.
    void InvalidateRows();
    // Changes whenever row numbers may have changed, for caches of them.
    unsigned RowsGeneration() const { return m_nRowsGeneration; }
    // The row with number `row` among all rows (clamped), at offset 0.
    COutlinePos RowAt(int row) const;
    // The number of the position's row among all rows; -1 when the item is
    // not visible.
    int RowNumber(const COutlinePos &pos) const;

    // ---- Scrolling -----------------------------------------------------------

    // The first visible row; after Unset it is found again from TopRow.
    COutlinePos Top() const;
    void SetTop(const COutlinePos &pos);
    void UnsetTop() { m_Top.Unset(); }
    // The number of the top row: the vertical scroll position.
    int TopRow() const;
    void SetTopRow(int row);
    // Moves the top by `rows` (negative: up), never past the first row nor
    // past the last; returns how many rows it moved.
    int ScrollRows(int rows);
    // The largest top row: T - 1.
    int MaxTopRow() const { return std::max(0, TotalRows() - 1); }
    int HScroll() const { return m_nHScroll; }
    void SetHScroll(int x) { m_nHScroll = std::max(0, x); }
    // Rows that fit completely into the client area, at least one.
    int PageRows() const;

    // ---- Queries ---------------------------------------------------------------

    // The rows that reach into the client area (or `height` pixels), from
    // the top row down.
    std::vector<COutlineRowSlot> VisibleRows(int height = -1) const;
    COutlineHit HitTest(QPoint point) const;
    COutlinePos PosFromPoint(QPoint point) const;
    // Client point of the position (the top of its row); false when the row
    // is above the top row or below the client area.
    bool PointFromPos(const COutlinePos &pos, QPoint *point) const;
    // Pixels from the row of `from` down to the row of `to`; -1 when `to`
    // does not follow `from` in display order. Stops looking after `limit`
    // pixels when `limit` is not negative.
    int RowsBetween(const COutlinePos &from, const COutlinePos &to, int limit = -1) const;
    // Content x of the position's character.
    int CharX(const COutlinePos &pos) const;
    // The offset of content x in the position's row.
    int CharAtX(COutlineNode *node, int row, int x) const;
    // Length of a row of an item.
    static int RowLength(const COutlineNode *node, int row);
    // The client rectangle of a symbol of a visible item's first row, as it
    // is drawn and hit (kind of COutlineHit: check box, expander, note,
    // drawing); empty when the row is not on the screen or the item has no
    // such symbol.
    QRect SymbolRect(COutlineNode *node, int kind) const;
    // The symbol box (content x, row top y) of a symbol of an item whose
    // first row starts at `top`.
    QRect SymbolBoxAt(const COutlineNode *node, int kind, int top) const;

private:
    void MeasureLabels();
    // Wraps one item without following its row count: for walks over many
    // items, which count the rows again afterwards.
    int WrapOne(COutlineNode *node, bool all);
    int TopRowUncached() const;

    COutlineMan *m_pMan;
    COutlineLayout m_Layout;
    CTextFont m_Font;
    const CMeasureDC *m_pDC = nullptr;
    CNumbering m_Numbering;
    int m_nExtents[COutlineLayout::kLevels] = {};
    bool m_bOwnExtents = false;
    bool m_bLevelDirty[COutlineLayout::kLevels];
    bool m_bLayoutDirty = true;
    int m_nRowHeight = 19;
    int m_nTextHeight = 16;
    int m_nGapWidth = 0;
    int m_nWideTextWidth = 0;
    char m_chWidestDigit = '0';
    char m_chWidestUpper = 'W';
    char m_chWidestLower = 'w';
    QSize m_ClientSize;
    mutable COutlinePos m_Top;
    mutable int m_nTopRow = 0;
    mutable bool m_bTopRowKnown = true;
    mutable int m_nTotalRows = -1;
    int m_nHScroll = 0;
    unsigned m_nRowsGeneration = 0;
};
