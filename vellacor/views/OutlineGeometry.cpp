#include "OutlineGeometry.h"

#include "TextMeasure.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

// The symbol rows are as high as the symbols plus a little room.
constexpr int kMinRowHeight = COutlineLayout::kSymbolHeight + 4;
// The deepest row still has room for this many wide letters.
constexpr char kWideText[] = "WWWWWWWWWW";

} // namespace

COutlineGeometry::COutlineGeometry(COutlineMan *man)
    : m_pMan(man)
{
    std::fill(std::begin(m_bLevelDirty), std::end(m_bLevelDirty), true);
    m_Font.SetFixedWidths(8, 64);
    FontChanged();
}

// ---- Font -------------------------------------------------------------------

int COutlineGeometry::TextWidth(const char *text, int count) const
{
    return TextExtent(m_pDC, m_Font, text, count);
}

void COutlineGeometry::FontChanged()
{
    const CTextMetrics &tm = m_Font.m_Metrics;
    m_nTextHeight = tm.m_nHeight + tm.m_nExternalLeading;
    m_nRowHeight = std::max({ m_nTextHeight, kMinRowHeight, 1 });
    auto widest = [this](char first, char last) {
        char best = first;
        for (char c = first; c <= last; ++c) {
            if (m_Font.CharWidth(static_cast<unsigned char>(c))
                > m_Font.CharWidth(static_cast<unsigned char>(best)))
                best = c;
        }
        return best;
    };
    m_chWidestDigit = widest('0', '9');
    m_chWidestUpper = widest('A', 'Z');
    m_chWidestLower = widest('a', 'z');
    m_nGapWidth = TextWidth("w", 1);
    m_nWideTextWidth = TextWidth(kWideText, static_cast<int>(std::strlen(kWideText)));
    // A new font changes every width: start the layout from nothing.
    m_Layout.m_nWidth = 0;
    m_bLayoutDirty = true;
}

// ---- Layout and wrapping ----------------------------------------------------

void COutlineGeometry::SetNumbering(const CNumbering &numbering)
{
    m_Numbering = numbering;
    std::fill(std::begin(m_bLevelDirty), std::end(m_bLevelDirty), true);
    m_bLayoutDirty = true;
}

void COutlineGeometry::MarkLevelDirty(int level)
{
    if (COutlineItem::IsValidLevel(level)) {
        m_bLevelDirty[level] = true;
        m_bLayoutDirty = true;
    }
}

void COutlineGeometry::SetShowCheckBoxes(bool show)
{
    if (m_Layout.m_bShowCheckBoxes == show)
        return;
    m_Layout.m_bShowCheckBoxes = show;
    // Every text column moves: every item has a new available width.
    m_Layout.m_nWidth = 0;
    m_bLayoutDirty = true;
}

int COutlineGeometry::MinimumWidth() const
{
    return m_Layout.MinimumWidth(m_nWideTextWidth);
}

bool COutlineGeometry::ResizeNeedsRelayout()
{
    const int client = m_ClientSize.width();
    if (m_Layout.m_nWidth < client || MinimumWidth() < client) {
        m_Layout.m_nWidth = 0;
        return true;
    }
    return false;
}

void COutlineGeometry::MeasureLabels()
{
    int extents[COutlineLayout::kLevels];
    for (int l = 0; l < COutlineLayout::kLevels; ++l)
        extents[l] = m_bOwnExtents ? m_nExtents[l] : (m_pMan ? m_pMan->GetLevelExtent(l) : 0);
    for (int l = 0; l < COutlineLayout::kLevels; ++l) {
        if (!m_bLevelDirty[l])
            continue;
        int &width = m_Layout.m_nLabelWidth[l];
        if (m_Numbering.Style(l) == kNumberNone) {
            // A level that just lost its label keeps its dirty flag, so its
            // items are wrapped to the wider room.
            if (width != 0)
                width = 0;
            else
                m_bLevelDirty[l] = false;
            continue;
        }
        const std::string bound = LabelBoundText(
            m_Numbering, l, extents, m_chWidestDigit, m_chWidestUpper, m_chWidestLower);
        const int measured = TextWidth(bound.data(), static_cast<int>(bound.size())) + m_nGapWidth;
        if (measured == width)
            m_bLevelDirty[l] = false;
        else
            width = measured;
    }
}

void COutlineGeometry::SetLevelExtents(const int *extents)
{
    m_bOwnExtents = extents != nullptr;
    if (extents)
        std::copy(extents, extents + COutlineLayout::kLevels, m_nExtents);
    std::fill(std::begin(m_bLevelDirty), std::end(m_bLevelDirty), true);
    m_bLayoutDirty = true;
}

void COutlineGeometry::LayoutColumns()
{
    std::fill(std::begin(m_bLevelDirty), std::end(m_bLevelDirty), true);
    MeasureLabels();
    m_Layout.ComputeColumns();
    std::fill(std::begin(m_bLevelDirty), std::end(m_bLevelDirty), false);
    m_bLayoutDirty = false;
}

int COutlineGeometry::RecalcLayout()
{
    if (m_Layout.m_nWidth == 0) {
        std::fill(std::begin(m_bLevelDirty), std::end(m_bLevelDirty), true);
        m_bLayoutDirty = true;
    }
    if (!m_bLayoutDirty)
        return m_Layout.m_nWidth;
    MeasureLabels();
    m_Layout.ComputeColumns();
    bool raised = false;
    const int minimum = MinimumWidth();
    if (m_Layout.m_nWidth < minimum) {
        m_Layout.m_nWidth = minimum;
        raised = true;
    }
    if (m_Layout.m_nWidth < m_ClientSize.width()) {
        m_Layout.m_nWidth = m_ClientSize.width();
        raised = true;
    }
    if (raised)
        WrapSubtree(nullptr, false);
    else if (std::find(std::begin(m_bLevelDirty), std::end(m_bLevelDirty), true)
        != std::end(m_bLevelDirty))
        WrapSubtree(nullptr, true);
    std::fill(std::begin(m_bLevelDirty), std::end(m_bLevelDirty), false);
    m_bLayoutDirty = false;
    return m_Layout.m_nWidth;
}

void COutlineGeometry::WrapItem(COutlineNode *node, bool all)
{
    if (!node)
        return;
    COutlineItem &item = node->m_Item;
    // A text that was replaced as a whole forgot its rows: what it counted
    // for before is unknown, and the totals are counted again.
    const bool known = item.m_Text.GetRowCount() > 0;
    const int before = ItemRows(node);
    const int after = WrapOne(node, all);
    if (!known || std::max(after, 1) != before)
        ++m_nRowsGeneration;
    if (!known) {
        m_nTotalRows = -1;
        if (m_Top.IsSet() && m_Top.m_pItem != node)
            m_bTopRowKnown = false;
    } else if (std::max(after, 1) != before) {
        // The row sequence grew or shrank at this item: the total and
        // perhaps the top row's number follow.
        const int delta = std::max(after, 1) - before;
        const bool visible = m_pMan && m_pMan->IsVisible(node);
        if (m_nTotalRows >= 0 && visible)
            m_nTotalRows += delta;
        if (m_Top.IsSet() && m_Top.m_pItem != node && m_bTopRowKnown) {
            // Only an item above the top moves the top row's number; a
            // keystroke there must not cost a walk over the outline.
            if (!visible)
                m_bTopRowKnown = false;
            else if (m_pMan->IsBefore(node, m_Top.m_pItem))
                m_nTopRow += delta;
        }
        if (m_Top.m_pItem == node && m_Top.m_nRow >= std::max(after, 1)) {
            m_Top.m_nRow = std::max(after, 1) - 1;
            m_bTopRowKnown = false;
        }
    }
}

int COutlineGeometry::WrapOne(COutlineNode *node, bool all)
{
    COutlineItem &item = node->m_Item;
    const int width = m_Layout.AvailableWidth(item);
    return all ? item.m_Text.WrapAll(m_pDC, m_Font, width)
               : item.m_Text.WrapStale(m_pDC, m_Font, width);
}

void COutlineGeometry::WrapSubtree(COutlineNode *node, bool onlyDirtyLevels)
{
    if (!m_pMan)
        return;
    COutlineTree &tree = m_pMan->GetTree();
    COutlineNode *stop = nullptr;
    COutlineNode *n = node;
    if (!n) {
        n = tree.GetFirstChild(nullptr);
    } else {
        // The first node after the subtree ends the walk.
        for (const COutlineNode *up = node; up && !tree.IsRoot(up); up = up->m_pParent) {
            if (up->m_pNext) {
                stop = up->m_pNext;
                break;
            }
        }
    }
    for (; n && n != stop; n = tree.GetNextInDocument(n)) {
        const int level = COutlineLayout::ClampLevel(n->m_Item.m_nLevel);
        if (!onlyDirtyLevels || m_bLevelDirty[level])
            WrapOne(n, true);
    }
    InvalidateRows();
}

// ---- Rows -------------------------------------------------------------------

int COutlineGeometry::ItemRows(const COutlineNode *node)
{
    return node ? std::max(1, node->m_Item.m_Text.GetRowCount()) : 0;
}

int COutlineGeometry::RowLength(const COutlineNode *node, int row)
{
    int length = 0;
    if (node)
        node->m_Item.m_Text.GetRowInfo(row, &length);
    return length;
}

COutlinePos COutlineGeometry::NextRow(const COutlinePos &pos) const
{
    if (!pos.m_pItem)
        return COutlinePos();
    if (pos.m_nRow + 1 < ItemRows(pos.m_pItem))
        return COutlinePos(0, pos.m_nRow + 1, pos.m_pItem);
    COutlineNode *next = m_pMan->GetNextVisible(pos.m_pItem);
    return next ? COutlinePos(0, 0, next) : COutlinePos();
}

COutlinePos COutlineGeometry::PrevRow(const COutlinePos &pos) const
{
    if (!pos.m_pItem)
        return COutlinePos();
    if (pos.m_nRow > 0)
        return COutlinePos(0, std::min(pos.m_nRow, ItemRows(pos.m_pItem)) - 1, pos.m_pItem);
    COutlineNode *prev = m_pMan->GetPrevVisible(pos.m_pItem);
    return prev ? COutlinePos(0, ItemRows(prev) - 1, prev) : COutlinePos();
}

int COutlineGeometry::TotalRows() const
{
    if (m_nTotalRows < 0) {
        int total = 0;
        if (m_pMan) {
            for (COutlineNode *n = m_pMan->GetFirstVisible(); n; n = m_pMan->GetNextVisible(n))
                total += ItemRows(n);
        }
        m_nTotalRows = total;
    }
    return m_nTotalRows;
}

void COutlineGeometry::InvalidateRows()
{
    ++m_nRowsGeneration;
    m_nTotalRows = -1;
    if (m_Top.IsSet())
        m_bTopRowKnown = false;
}

COutlinePos COutlineGeometry::RowAt(int row) const
{
    if (!m_pMan)
        return COutlinePos();
    row = std::clamp(row, 0, MaxTopRow());
    // Walk from the top row when it is nearer than the first row: scrolling
    // moves by short distances, and this keeps it independent of the size.
    COutlinePos pos;
    int at = 0;
    if (m_Top.IsSet() && m_bTopRowKnown && m_pMan->IsVisible(m_Top.m_pItem)
        && std::abs(row - m_nTopRow) < row) {
        pos = m_Top.RowStart();
        at = m_nTopRow;
    } else {
        COutlineNode *first = m_pMan->GetFirstVisible();
        if (!first)
            return COutlinePos();
        pos = COutlinePos(0, 0, first);
    }
    while (at < row) {
        // Whole items at a time where possible.
        const int rest = ItemRows(pos.m_pItem) - pos.m_nRow;
        if (at + rest <= row) {
            COutlineNode *next = m_pMan->GetNextVisible(pos.m_pItem);
            if (!next)
                return COutlinePos(0, ItemRows(pos.m_pItem) - 1, pos.m_pItem);
            at += rest;
            pos = COutlinePos(0, 0, next);
        } else {
            pos.m_nRow += row - at;
            at = row;
        }
    }
    while (at > row) {
        if (pos.m_nRow >= at - row) {
            pos.m_nRow -= at - row;
            at = row;
        } else {
            at -= pos.m_nRow + 1;
            COutlineNode *prev = m_pMan->GetPrevVisible(pos.m_pItem);
            if (!prev)
                return COutlinePos(0, 0, m_pMan->GetFirstVisible());
            pos = COutlinePos(0, ItemRows(prev) - 1, prev);
        }
    }
    return pos;
}

int COutlineGeometry::RowNumber(const COutlinePos &pos) const
{
    if (!m_pMan || !pos.m_pItem || !m_pMan->IsVisible(pos.m_pItem))
        return -1;
    int row = 0;
    for (COutlineNode *n = m_pMan->GetFirstVisible(); n; n = m_pMan->GetNextVisible(n)) {
        if (n == pos.m_pItem)
            return row + std::clamp(pos.m_nRow, 0, ItemRows(n) - 1);
        row += ItemRows(n);
    }
    return -1;
}

// ---- Scrolling --------------------------------------------------------------

COutlinePos COutlineGeometry::Top() const
{
    if (m_Top.IsSet() && m_pMan && m_pMan->IsVisible(m_Top.m_pItem)
        && m_Top.m_nRow < ItemRows(m_Top.m_pItem))
        return m_Top;
    if (m_Top.IsSet()) {
        // The top item went out of sight: stay at the row number.
        m_Top.Unset();
        m_bTopRowKnown = true;
    }
    m_Top = RowAt(m_nTopRow);
    m_nTopRow = std::clamp(m_nTopRow, 0, MaxTopRow());
    m_bTopRowKnown = true;
    return m_Top;
}

void COutlineGeometry::SetTop(const COutlinePos &pos)
{
    m_Top = pos.IsSet() ? pos.RowStart() : COutlinePos();
    if (m_Top.IsSet())
        m_bTopRowKnown = false;
}

int COutlineGeometry::TopRowUncached() const
{
    const int row = RowNumber(m_Top);
    return row < 0 ? std::clamp(m_nTopRow, 0, MaxTopRow()) : row;
}

int COutlineGeometry::TopRow() const
{
    if (!m_bTopRowKnown) {
        m_nTopRow = TopRowUncached();
        m_bTopRowKnown = true;
    }
    return m_nTopRow;
}

void COutlineGeometry::SetTopRow(int row)
{
    row = std::clamp(row, 0, MaxTopRow());
    TopRow();
    m_Top = RowAt(row);
    m_nTopRow = row;
    m_bTopRowKnown = true;
}

int COutlineGeometry::ScrollRows(int rows)
{
    COutlinePos pos = Top();
    int number = TopRow();
    if (!pos.IsSet())
        return 0;
    const int target = std::clamp(number + rows, 0, MaxTopRow());
    int moved = 0;
    while (number + moved < target) {
        const COutlinePos next = NextRow(pos);
        if (!next.IsSet())
            break;
        pos = next;
        ++moved;
    }
    while (number + moved > target) {
        const COutlinePos prev = PrevRow(pos);
        if (!prev.IsSet())
            break;
        pos = prev;
        --moved;
    }
    m_Top = pos;
    m_nTopRow = number + moved;
    m_bTopRowKnown = true;
    return moved;
}

int COutlineGeometry::PageRows() const
{
    return std::max(1, m_ClientSize.height() / std::max(1, m_nRowHeight));
}

// ---- Queries ----------------------------------------------------------------

std::vector<COutlineRowSlot> COutlineGeometry::VisibleRows(int height) const
{
    std::vector<COutlineRowSlot> rows;
    if (height < 0)
        height = m_ClientSize.height();
    int y = 0;
    for (COutlinePos pos = Top(); pos.IsSet() && y < height; pos = NextRow(pos)) {
        rows.push_back({ pos, y });
        y += m_nRowHeight;
    }
    return rows;
}

int COutlineGeometry::CharX(const COutlinePos &pos) const
{
    if (!pos.m_pItem)
        return 0;
    int length = 0;
    const char *text = pos.m_pItem->m_Item.m_Text.GetRowInfo(pos.m_nRow, &length);
    const int level = COutlineLayout::ClampLevel(pos.m_pItem->m_Item.m_nLevel);
    return m_Layout.m_xText[level] + TextWidth(text, std::min(std::max(pos.m_nChar, 0), length));
}

int COutlineGeometry::CharAtX(COutlineNode *node, int row, int x) const
{
    if (!node)
        return 0;
    const COutlineItem &item = node->m_Item;
    int length = 0;
    const char *text = item.m_Text.GetRowInfo(row, &length);
    const int left = m_Layout.m_xText[COutlineLayout::ClampLevel(item.m_nLevel)];
    if (x <= left || length == 0)
        return 0;
    if (x >= m_Layout.TextLimit(item))
        return length;
    return OffsetAtX(x, left, m_pDC, m_Font, text, length);
}

QRect COutlineGeometry::SymbolBoxAt(const COutlineNode *node, int kind, int top) const
{
    const COutlineItem &item = node->m_Item;
    switch (kind) {
    case COutlineHit::kExpander:
        return COutlineLayout::SymbolBox(m_Layout.ExpanderColumn(item.m_nLevel, top, m_nRowHeight));
    case COutlineHit::kCheckBox:
        if (!m_Layout.m_bShowCheckBoxes)
            return QRect();
        return COutlineLayout::SymbolBox(m_Layout.CheckBoxColumn(item.m_nLevel, top, m_nRowHeight));
    case COutlineHit::kNote:
        if (!item.HasNote())
            return QRect();
        return COutlineLayout::SymbolBox(m_Layout.NoteColumn(item.HasDrawing(), top, m_nRowHeight));
    case COutlineHit::kDrawing:
        if (!item.HasDrawing())
            return QRect();
        return COutlineLayout::SymbolBox(m_Layout.DrawingColumn(top, m_nRowHeight));
    default:
        return QRect();
    }
}

QRect COutlineGeometry::SymbolRect(COutlineNode *node, int kind) const
{
    QPoint point;
    if (!node || !PointFromPos(COutlinePos(0, 0, node), &point))
        return QRect();
    return SymbolBoxAt(node, kind, point.y()).translated(-m_nHScroll, 0);
}

COutlineHit COutlineGeometry::HitTest(QPoint point) const
{
    COutlineHit hit;
    if (point.y() < 0)
        return hit;
    const int x = point.x() + m_nHScroll;
    int y = 0;
    COutlinePos last;
    for (COutlinePos pos = Top(); pos.IsSet(); pos = NextRow(pos)) {
        if (point.y() >= y + m_nRowHeight) {
            last = pos;
            y += m_nRowHeight;
            continue;
        }
        COutlineNode *node = pos.m_pItem;
        const COutlineItem &item = node->m_Item;
        const QPoint content(x, point.y());
        hit.m_pItem = node;
        hit.m_nRow = pos.m_nRow;
        const bool first = pos.m_nRow == 0;
        if (first && SymbolBoxAt(node, COutlineHit::kExpander, y).contains(content)) {
            hit.m_nKind = COutlineHit::kExpander;
            return hit;
        }
        if (first && SymbolBoxAt(node, COutlineHit::kCheckBox, y).contains(content)) {
            hit.m_nKind = COutlineHit::kCheckBox;
            return hit;
        }
        const int left = m_Layout.m_xText[COutlineLayout::ClampLevel(item.m_nLevel)];
        const int limit = m_Layout.TextLimit(item);
        if (x >= left && x < limit) {
            hit.m_nKind = COutlineHit::kText;
            hit.m_nChar = CharAtX(node, pos.m_nRow, x);
            const int length = RowLength(node, pos.m_nRow);
            hit.m_bInText
                = !(hit.m_nChar == length && x > CharX(COutlinePos(length, pos.m_nRow, node)));
            return hit;
        }
        if (first && SymbolBoxAt(node, COutlineHit::kNote, y).contains(content)) {
            hit.m_nKind = COutlineHit::kNote;
            return hit;
        }
        if (first && SymbolBoxAt(node, COutlineHit::kDrawing, y).contains(content)) {
            hit.m_nKind = COutlineHit::kDrawing;
            return hit;
        }
        hit.m_nKind = COutlineHit::kNothing;
        return hit;
    }
    hit.m_nKind = COutlineHit::kBelow;
    hit.m_pItem = last.m_pItem ? last.m_pItem : (m_pMan ? m_pMan->GetLastVisible() : nullptr);
    return hit;
}

COutlinePos COutlineGeometry::PosFromPoint(QPoint point) const
{
    COutlinePos top = Top();
    if (!top.IsSet())
        return COutlinePos();
    COutlinePos pos = top;
    for (int y = m_nRowHeight; y <= point.y(); y += m_nRowHeight) {
        const COutlinePos next = NextRow(pos);
        if (!next.IsSet())
            break;
        pos = next;
    }
    pos.m_nChar = CharAtX(pos.m_pItem, pos.m_nRow, point.x() + m_nHScroll);
    return pos;
}

int COutlineGeometry::RowsBetween(const COutlinePos &from, const COutlinePos &to, int limit) const
{
    if (!from.IsSet() || !to.m_pItem)
        return -1;
    if (from.m_pItem == to.m_pItem)
        return to.m_nRow >= from.m_nRow ? (to.m_nRow - from.m_nRow) * m_nRowHeight : -1;
    if (!m_pMan->IsBefore(from.m_pItem, to.m_pItem))
        return -1;
    int pixels = (ItemRows(from.m_pItem) - from.m_nRow) * m_nRowHeight;
    for (COutlineNode *n = m_pMan->GetNextVisible(from.m_pItem); n; n = m_pMan->GetNextVisible(n)) {
        if (n == to.m_pItem)
            return pixels + std::max(to.m_nRow, 0) * m_nRowHeight;
        if (limit >= 0 && pixels > limit)
            return -1;
        pixels += ItemRows(n) * m_nRowHeight;
    }
    return -1;
}

bool COutlineGeometry::PointFromPos(const COutlinePos &pos, QPoint *point) const
{
    const int y = RowsBetween(Top(), pos, m_ClientSize.height());
    if (y < 0 || y >= m_ClientSize.height())
        return false;
    if (point)
        *point = QPoint(CharX(pos) - m_nHScroll, y);
    return true;
}
