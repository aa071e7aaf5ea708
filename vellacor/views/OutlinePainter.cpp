#include "OutlinePainter.h"

#include "DrawTools.h"
#include "QtStrings.h"

#include <QPainter>

#include <algorithm>

namespace {

// The characters of a row that are selected, as [from, to); `empty` is set
// for a row without characters that lies inside the selection.
struct TRowSelection {
    int m_nFrom = 0;
    int m_nTo = 0;
    bool m_bEmptyRow = false;
};

TRowSelection RowSelection(const COutlinePaintOptions &o, const COutlinePos &row, int length)
{
    TRowSelection sel;
    if (!o.m_bPaintSelection || !o.m_SelStart.IsSet() || o.m_SelStart == o.m_SelEnd)
        return sel;
    const COutlineNode *node = row.m_pItem;
    if (o.m_SelStart.m_pItem != o.m_SelEnd.m_pItem) {
        if (o.m_pSelItems && o.m_pSelItems->count(node)) {
            sel.m_nTo = length;
            sel.m_bEmptyRow = length == 0;
        }
        return sel;
    }
    if (node != o.m_SelStart.m_pItem || row.m_nRow < o.m_SelStart.m_nRow
        || row.m_nRow > o.m_SelEnd.m_nRow)
        return sel;
    sel.m_nFrom = row.m_nRow == o.m_SelStart.m_nRow ? std::min(o.m_SelStart.m_nChar, length) : 0;
    sel.m_nTo = row.m_nRow == o.m_SelEnd.m_nRow ? std::min(o.m_SelEnd.m_nChar, length) : length;
    sel.m_bEmptyRow = length == 0 && row.m_nRow > o.m_SelStart.m_nRow;
    return sel;
}

// Draws text[from, to) of a row whose text starts at `left`; tabs advance
// to the font's tab stops, counted from the row start as in measuring.
void DrawRun(QPainter &painter, const COutlineGeometry &g, const char *text, int from, int to,
    int left, int baseline)
{
    int start = from;
    for (int i = from; i <= to; ++i) {
        if (i < to && text[i] != '\t')
            continue;
        if (i > start) {
            const int x = left + g.TextWidth(text, start);
            painter.drawText(QPoint(x, baseline), ToQString(text + start, i - start));
        }
        start = i + 1;
    }
}

void PaintSymbols(QPainter &painter, const COutlineGeometry &g, const COutlineNode *node, int top,
    const QPalette &palette, bool bulletsOnly)
{
    const COutlineItem &item = node->m_Item;
    const CDrawTools &tools = CDrawTools::Get();
    if (g.Layout().m_bShowCheckBoxes) {
        tools.DrawImage(painter,
            item.m_bChecked ? CDrawTools::kCheckTicked : CDrawTools::kCheckEmpty,
            g.SymbolBoxAt(node, COutlineHit::kCheckBox, top), palette);
    }
    if (g.Layout().m_bShowExpanders) {
        int expander = CDrawTools::kBullet;
        if (!bulletsOnly && g.Man()->HasVisibleChildren(node))
            expander = item.m_bExpanded ? CDrawTools::kExpanded : CDrawTools::kCollapsed;
        tools.DrawImage(
            painter, expander, g.SymbolBoxAt(node, COutlineHit::kExpander, top), palette);
    }
    if (item.HasNote())
        tools.DrawImage(
            painter, CDrawTools::kNote, g.SymbolBoxAt(node, COutlineHit::kNote, top), palette);
    if (item.HasDrawing())
        tools.DrawImage(painter, CDrawTools::kDrawing,
            g.SymbolBoxAt(node, COutlineHit::kDrawing, top), palette);
}

} // namespace

void PaintOutlineRows(QPainter &painter, const COutlineGeometry &g,
    const std::vector<COutlineRowSlot> &rows, const COutlinePaintOptions &o)
{
    const COutlineLayout &layout = g.Layout();
    const int rowHeight = g.RowHeight();
    const int width = std::max(o.m_nWidth, layout.m_nWidth);
    const int ascent = g.Font().m_Metrics.m_nAscent;
    const int textOffset = (rowHeight - g.TextHeight()) / 2;
    painter.setFont(o.m_Font);

    int bottom = 0;
    for (const COutlineRowSlot &slot : rows) {
        const COutlinePos &row = slot.m_Pos;
        const COutlineNode *node = row.m_pItem;
        const COutlineItem &item = node->m_Item;
        const int level = COutlineLayout::ClampLevel(item.m_nLevel);
        const int top = slot.m_nTop;
        const int baseline = top + textOffset + ascent;
        bottom = top + rowHeight;
        painter.fillRect(QRect(0, top, width, rowHeight), o.m_crBack);

        const bool bare = o.m_pBareItems && o.m_pBareItems->count(node);
        if (row.m_nRow == 0 && !bare) {
            PaintSymbols(painter, g, node, top, o.m_Palette, bool(o.m_LabelOf));
            if (g.Numbering().Style(level) != kNumberNone) {
                std::string label;
                if (o.m_LabelOf) {
                    label = o.m_LabelOf(node);
                } else {
                    int indices[COutlineItem::kLevelCount];
                    int count = 0;
                    g.Man()->GetIndexPath(node, indices, count);
                    label = FormatLabel(g.Numbering(), level, indices, count);
                }
                painter.setPen(o.m_crText);
                painter.drawText(
                    QPoint(layout.m_xLabel[level], baseline), ToQString(label.c_str()));
            }
        }

        int length = 0;
        const char *text = item.m_Text.GetRowInfo(row.m_nRow, &length);
        const int left = layout.m_xText[level];
        const TRowSelection sel = RowSelection(o, row, length);
        if (length > 0) {
            painter.setPen(o.m_crText);
            DrawRun(painter, g, text, 0, sel.m_nFrom, left, baseline);
            if (sel.m_nTo > sel.m_nFrom) {
                const int x0 = left + g.TextWidth(text, sel.m_nFrom);
                const int x1 = left + g.TextWidth(text, sel.m_nTo);
                painter.fillRect(QRect(x0, top, std::max(1, x1 - x0), rowHeight), o.m_crSelBack);
                painter.setPen(o.m_crSelText);
                DrawRun(painter, g, text, sel.m_nFrom, sel.m_nTo, left, baseline);
                painter.setPen(o.m_crText);
            }
            DrawRun(painter, g, text, std::max(sel.m_nTo, sel.m_nFrom), length, left, baseline);
        } else if (sel.m_bEmptyRow) {
            painter.fillRect(
                QRect(left, top, std::max(1, g.Font().m_Metrics.m_nAveCharWidth), rowHeight),
                o.m_crSelBack);
        }

        if (o.m_bShowCaret && o.m_Caret.m_pItem == node && o.m_Caret.m_nRow == row.m_nRow) {
            const int x = g.CharX(o.m_Caret);
            painter.fillRect(QRect(x, top, 2, rowHeight), o.m_crText);
        }
    }
    if (bottom < o.m_nHeight)
        painter.fillRect(QRect(0, bottom, width, o.m_nHeight - bottom), o.m_crBack);
}
