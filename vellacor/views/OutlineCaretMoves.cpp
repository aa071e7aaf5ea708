// Caret movement of the outline view: by character, word, row, page, to
// the row's and the outline's ends, with or without extending the
// selection.

#include "OutlineCommands.h"
#include "OutlineTextView.h"
#include "TextChars.h"

#include <algorithm>

namespace {

using namespace outline_cmd;

bool IsBlank(unsigned char c)
{
    return c == ' ' || c == '\t';
}

CTextPos ToPara(const COutlinePos &pos)
{
    return pos.m_pItem->m_Item.m_Text.RowToPara(CTextPos { pos.m_nChar, pos.m_nRow });
}

COutlinePos ToRow(COutlineNode *node, CTextPos para)
{
    const CTextPos row = node->m_Item.m_Text.ParaToRow(para);
    return COutlinePos(row.m_nChar, row.m_nLine, node);
}

const CTextLine &ParaAt(const COutlineNode *node, int index)
{
    return node->m_Item.m_Text.GetPara(index);
}

} // namespace

COutlinePos COutlineTextView::ItemEnd(COutlineNode *node)
{
    const int last = COutlineGeometry::ItemRows(node) - 1;
    return COutlinePos(COutlineGeometry::RowLength(node, last), last, node);
}

COutlinePos COutlineTextView::WordLeft(const COutlinePos &pos) const
{
    if (!pos.IsSet())
        return pos;
    COutlineNode *node = pos.m_pItem;
    CTextPos p = ToPara(pos);
    if (p.m_nChar == 0) {
        if (p.m_nLine > 0) {
            --p.m_nLine;
            p.m_nChar = ParaAt(node, p.m_nLine).GetLength();
        } else {
            COutlineNode *prev = m_pMan->GetPrevVisible(node);
            if (!prev)
                return pos;
            node = prev;
            p = node->m_Item.m_Text.GetEndPos();
        }
    }
    const CTextLine &para = ParaAt(node, p.m_nLine);
    const unsigned char *text = reinterpret_cast<const unsigned char *>(para.GetData());
    int i = std::min(p.m_nChar, para.GetLength());
    while (i > 0 && IsBlank(text[i - 1]))
        --i;
    if (i > 0 && IsWordChar1252(text[i - 1])) {
        while (i > 0 && IsWordChar1252(text[i - 1]))
            --i;
    } else {
        while (i > 0 && !IsWordChar1252(text[i - 1]) && !IsBlank(text[i - 1]))
            --i;
    }
    return ToRow(node, CTextPos { i, p.m_nLine });
}

COutlinePos COutlineTextView::WordRight(const COutlinePos &pos) const
{
    if (!pos.IsSet())
        return pos;
    COutlineNode *node = pos.m_pItem;
    const CTextPos p = ToPara(pos);
    const CTextLine &para = ParaAt(node, p.m_nLine);
    const int length = para.GetLength();
    if (p.m_nChar >= length) {
        // The end of a paragraph: the next one's start, or the next item's.
        if (p.m_nLine + 1 < node->m_Item.m_Text.GetParaCount())
            return ToRow(node, CTextPos { 0, p.m_nLine + 1 });
        COutlineNode *next = m_pMan->GetNextVisible(node);
        return next ? COutlinePos(0, 0, next) : pos;
    }
    const unsigned char *text = reinterpret_cast<const unsigned char *>(para.GetData());
    int i = p.m_nChar;
    if (IsWordChar1252(text[i])) {
        while (i < length && IsWordChar1252(text[i]))
            ++i;
    } else {
        while (i < length && !IsWordChar1252(text[i]) && !IsBlank(text[i]))
            ++i;
    }
    while (i < length && IsBlank(text[i]))
        ++i;
    return ToRow(node, CTextPos { i, p.m_nLine });
}

void COutlineTextView::SelectWordAt(const COutlinePos &pos)
{
    if (!pos.IsSet())
        return;
    COutlineNode *node = pos.m_pItem;
    const CTextPos p = ToPara(pos);
    const CTextLine &para = ParaAt(node, p.m_nLine);
    const unsigned char *text = reinterpret_cast<const unsigned char *>(para.GetData());
    const int length = para.GetLength();
    int from = std::min(p.m_nChar, length);
    int to = from;
    if (from < length && IsWordChar1252(text[from])) {
        while (from > 0 && IsWordChar1252(text[from - 1]))
            --from;
        while (to < length && IsWordChar1252(text[to]))
            ++to;
    } else if (from > 0 && IsWordChar1252(text[from - 1])) {
        while (from > 0 && IsWordChar1252(text[from - 1]))
            --from;
    } else if (from < length) {
        ++to;
    }
    m_WordStart = ToRow(node, CTextPos { from, p.m_nLine });
    m_WordEnd = ToRow(node, CTextPos { to, p.m_nLine });
    SetSelection(m_WordStart, m_WordEnd);
}

bool COutlineTextView::MoveCaretCommand(int id)
{
    bool extend = false;
    switch (id) {
    case kCharLeftExtend:
    case kCharRightExtend:
    case kWordLeftExtend:
    case kWordRightExtend:
    case kLineUpExtend:
    case kLineDownExtend:
    case kPageUpExtend:
    case kPageDownExtend:
    case kHomeExtend:
    case kEndExtend:
    case kTextHomeExtend:
    case kTextEndExtend:
        extend = true;
        break;
    case kCharLeft:
    case kCharRight:
    case kWordLeft:
    case kWordRight:
    case kLineUp:
    case kLineDown:
    case kPageUp:
    case kPageDown:
    case kHome:
    case kEnd:
    case kTextHome:
    case kTextEnd:
        break;
    case kScrollUp:
        ScrollByRows(-1);
        return true;
    case kScrollDown:
        ScrollByRows(1);
        return true;
    default:
        return false;
    }
    if (!m_bReady || !m_Caret.IsSet())
        return true;
    // A block selection is of rows: sideways extends it like up and down.
    if (extend && IsBlockSelection()) {
        if (id == kCharLeftExtend || id == kWordLeftExtend)
            id = kLineUpExtend;
        else if (id == kCharRightExtend || id == kWordRightExtend)
            id = kLineDownExtend;
    }
    const bool collapse = !extend && HasSelection();
    COutlinePos to = m_Caret;
    switch (id) {
    case kCharLeft:
    case kCharLeftExtend:
        if (collapse) {
            to = m_SelStart;
        } else if (to.m_nChar > 0) {
            --to.m_nChar;
        } else {
            const COutlinePos prev = m_Geometry.PrevRow(to);
            if (prev.IsSet())
                to = COutlinePos(COutlineGeometry::RowLength(prev.m_pItem, prev.m_nRow),
                    prev.m_nRow, prev.m_pItem);
        }
        break;
    case kCharRight:
    case kCharRightExtend:
        if (collapse) {
            to = m_SelEnd;
        } else if (to.m_nChar < COutlineGeometry::RowLength(to.m_pItem, to.m_nRow)) {
            ++to.m_nChar;
        } else {
            const COutlinePos next = m_Geometry.NextRow(to);
            if (next.IsSet())
                to = next;
        }
        break;
    case kWordLeft:
    case kWordLeftExtend:
        to = collapse ? m_SelStart : WordLeft(to);
        break;
    case kWordRight:
    case kWordRightExtend:
        to = collapse ? m_SelEnd : WordRight(to);
        break;
    case kLineUp:
    case kLineUpExtend: {
        const COutlinePos from = collapse ? m_SelStart : to;
        const COutlinePos prev = m_Geometry.PrevRow(from);
        if (prev.IsSet())
            to = COutlinePos(
                std::min(from.m_nChar, COutlineGeometry::RowLength(prev.m_pItem, prev.m_nRow)),
                prev.m_nRow, prev.m_pItem);
        else
            to = from;
        break;
    }
    case kLineDown:
    case kLineDownExtend: {
        const COutlinePos from = collapse ? m_SelEnd : to;
        const COutlinePos next = m_Geometry.NextRow(from);
        if (next.IsSet())
            to = COutlinePos(
                std::min(from.m_nChar, COutlineGeometry::RowLength(next.m_pItem, next.m_nRow)),
                next.m_nRow, next.m_pItem);
        else
            to = from;
        break;
    }
    case kHome:
    case kHomeExtend:
        to.m_nChar = 0;
        break;
    case kEnd:
    case kEndExtend:
        to.m_nChar = COutlineGeometry::RowLength(to.m_pItem, to.m_nRow);
        break;
    case kTextHome:
    case kTextHomeExtend:
        if (COutlineNode *first = m_pMan->GetFirstVisible())
            to = COutlinePos(0, 0, first);
        break;
    case kTextEnd:
    case kTextEndExtend:
        if (COutlineNode *last = m_pMan->GetLastVisible())
            to = ItemEnd(last);
        break;
    case kPageUp:
    case kPageUpExtend:
        ScrollByPages(-1);
        to = m_Geometry.Top();
        break;
    case kPageDown:
    case kPageDownExtend: {
        const int rowHeight = std::max(1, m_Geometry.RowHeight());
        const int below = m_Geometry.RowsBetween(m_Geometry.Top(), to.RowStart());
        const int distance = below < 0 ? 0 : below / rowHeight;
        const int before = m_Geometry.TopRow();
        ScrollByPages(1);
        const int target = m_Geometry.TopRow() + distance;
        if (m_Geometry.TopRow() == before && target >= m_Geometry.TotalRows() - 1) {
            if (COutlineNode *last = m_pMan->GetLastVisible())
                to = ItemEnd(last);
        } else {
            const COutlinePos row
                = m_Geometry.RowAt(std::min(target, std::max(0, m_Geometry.TotalRows() - 1)));
            if (row.IsSet())
                to = COutlinePos(
                    std::min(to.m_nChar, COutlineGeometry::RowLength(row.m_pItem, row.m_nRow)),
                    row.m_nRow, row.m_pItem);
        }
        break;
    }
    default:
        break;
    }
    if (!to.IsSet())
        return true;
    if (extend) {
        SetCaret(to, true);
        SuppressCaret();
    } else {
        SetCaret(to, false);
        ReleaseCaret();
    }
    EnsureVisible(m_Caret);
    return true;
}
