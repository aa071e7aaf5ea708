#pragma once

#include "OutlineItem.h"

#include <QRect>

// The layout metrics of one view, in device pixels: the per-level columns
// (expander, check box, numbering label, text), the symbol columns at the
// right edge and the content width. Pure arithmetic: the view measures the
// label widths and the font, this class places things. Printing keeps a
// scaled copy of its own.
class COutlineLayout {
public:
    static constexpr int kLevels = COutlineItem::kLevelCount;
    // The symbols are drawn in a box of this size, clipped to their column.
    static constexpr int kSymbolWidth = 16;
    static constexpr int kSymbolHeight = 15;

    COutlineLayout();

    // Places the columns of every level from the margins, the column
    // widths and the label widths.
    void ComputeColumns();

    // The rightmost x of the text of an item at `level` with or without a
    // note and a drawing: the symbols of the right edge take their columns
    // from it.
    int TextLimit(bool hasNote, bool hasDrawing) const;
    int TextLimit(const COutlineItem &item) const
    {
        return TextLimit(item.HasNote(), item.HasDrawing());
    }
    // Room for the item's text between its text column and the limit; what
    // the item's rows are wrapped to. Never below 1.
    int AvailableWidth(const COutlineItem &item) const;
    int AvailableWidth(int level, bool hasNote, bool hasDrawing) const;

    // The narrowest content width: the deepest level with both symbols
    // still has room for `wideTextWidth` (the width of ten wide letters).
    int MinimumWidth(int wideTextWidth) const;

    // Columns of the first row of an item at `level` whose row starts at
    // `top` and is `rowHeight` high.
    QRect ExpanderColumn(int level, int top, int rowHeight) const;
    QRect CheckBoxColumn(int level, int top, int rowHeight) const;
    QRect NoteColumn(bool hasDrawing, int top, int rowHeight) const;
    QRect DrawingColumn(int top, int rowHeight) const;
    // Where a symbol is drawn in its column, and where it is hit: the
    // symbol size clipped to the column and centred both ways.
    static QRect SymbolBox(const QRect &column);

    static int ClampLevel(int level)
    {
        return level < 0 ? 0 : (level >= kLevels ? kLevels - 1 : level);
    }

    int m_nWidth = 0;
    bool m_bShowCheckBoxes = true;
    bool m_bShowExpanders = true;
    int m_nLeftMargin = 10;
    int m_nRightMargin = 10;
    int m_nIndent = 20;
    int m_nCheckBoxWidth = 20;
    int m_nExpanderWidth = 20;
    int m_nNoteWidth = 20;
    int m_nDrawingWidth = 20;
    int m_xCheckBox[kLevels];
    int m_xExpander[kLevels];
    // 0 for a level without numbering. Starts at 1 so that the first
    // measurement always registers as a change.
    int m_nLabelWidth[kLevels];
    int m_xLabel[kLevels];
    int m_xText[kLevels];
};
