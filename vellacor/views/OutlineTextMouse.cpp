// Selecting with the mouse: pressing places the caret, dragging extends the
// selection (scrolling while the mouse is past the top or bottom edge),
// Ctrl and double-clicks select whole words, and a press inside a text
// selection places the caret on release.

#include "OutlineTextView.h"

#include <QMouseEvent>

COutlinePos COutlineTextView::PosAt(QPoint point) const
{
    const COutlineHit hit = m_Geometry.HitTest(point);
    if (hit.m_nKind == COutlineHit::kText)
        return COutlinePos(hit.m_nChar, hit.m_nRow, hit.m_pItem);
    if (hit.m_nKind == COutlineHit::kBelow && hit.m_pItem)
        return ItemEnd(hit.m_pItem);
    return m_Geometry.PosFromPoint(point);
}

void COutlineTextView::mousePressEvent(QMouseEvent *event)
{
    if (!m_bReady || event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    TextPress(event);
    event->accept();
}

void COutlineTextView::TextPress(QMouseEvent *event)
{
    const QPoint point = event->position().toPoint();
    const COutlineHit hit = m_Geometry.HitTest(point);
    if (hit.m_nKind == COutlineHit::kText) {
        const COutlinePos at(hit.m_nChar, hit.m_nRow, hit.m_pItem);
        if (HasSelection() && !IsBlockSelection() && hit.m_bInText
            && at.m_pItem == m_SelStart.m_pItem) {
            const CTextPos p = at.m_pItem->m_Item.m_Text.RowToPara({ at.m_nChar, at.m_nRow });
            const CTextPos from
                = at.m_pItem->m_Item.m_Text.RowToPara({ m_SelStart.m_nChar, m_SelStart.m_nRow });
            const CTextPos to
                = at.m_pItem->m_Item.m_Text.RowToPara({ m_SelEnd.m_nChar, m_SelEnd.m_nRow });
            if (!(p < from) && p < to) {
                m_bClickInSelection = true;
                m_ptClick = point;
                return;
            }
        }
        const bool word = event->modifiers() & Qt::ControlModifier;
        SetCaret(at, event->modifiers() & Qt::ShiftModifier);
        if (word)
            SelectWordAt(at);
        m_bSelecting = true;
        m_bWordSelect = word;
        m_SelectTimer.start(kSelectTimerPeriod, this);
        return;
    }
    // Beside the text or below it: the nearest position, nothing selected.
    const COutlinePos at = PosAt(point);
    if (at.IsSet())
        SetCaret(at, false);
}

void COutlineTextView::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_bReady) {
        QAbstractScrollArea::mouseMoveEvent(event);
        return;
    }
    const QPoint point = event->position().toPoint();
    if (m_bSelecting) {
        const COutlinePos at = PosAt(point);
        if (at.IsSet()) {
            // Word mode selects the first word only; moving ends it.
            m_bWordSelect = false;
            SetCaret(at, true);
            SuppressCaret();
            EnsureVisible(m_Caret);
        }
    } else {
        const COutlineHit hit = m_Geometry.HitTest(point);
        bool ibeam = hit.m_nKind == COutlineHit::kText;
        if (ibeam && HasSelection() && hit.m_pItem == m_SelStart.m_pItem && !IsBlockSelection())
            ibeam = false;
        viewport()->setCursor(ibeam ? Qt::IBeamCursor : Qt::ArrowCursor);
    }
    event->accept();
}

void COutlineTextView::SelectTimerTick()
{
    if (!m_bSelecting) {
        m_SelectTimer.stop();
        return;
    }
    const QPoint point = viewport()->mapFromGlobal(QCursor::pos());
    const QSize client = viewport()->size();
    int edgeRow = -1;
    if (point.y() < 0) {
        ScrollByRows(-1);
        edgeRow = 0;
    } else if (point.y() >= client.height()) {
        ScrollByRows(1);
        edgeRow = std::max(0, m_Geometry.PageRows() - 1);
    } else {
        return;
    }
    const COutlinePos row = m_Geometry.RowAt(m_Geometry.TopRow() + edgeRow);
    if (!row.IsSet())
        return;
    const int rowLength = COutlineGeometry::RowLength(row.m_pItem, row.m_nRow);
    const int contentX = point.x() + m_Geometry.HScroll();
    const int textStart = m_Geometry.CharX(row);
    int ch;
    if (contentX < textStart)
        ch = 0;
    else
        ch = m_Geometry.CharAtX(row.m_pItem, row.m_nRow, contentX);
    SetCaret(COutlinePos(std::min(ch, rowLength), row.m_nRow, row.m_pItem), true);
    SuppressCaret();
}

void COutlineTextView::EndSelecting()
{
    m_bSelecting = false;
    m_SelectTimer.stop();
}

void COutlineTextView::mouseReleaseEvent(QMouseEvent *event)
{
    if (!m_bReady || event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mouseReleaseEvent(event);
        return;
    }
    TextRelease(event);
    event->accept();
}

void COutlineTextView::TextRelease(QMouseEvent *event)
{
    if (m_bSelecting) {
        EndSelecting();
        if (m_bWordSelect) {
            // The selection snaps to the words at both of its ends.
            m_bWordSelect = false;
            if (m_WordStart.IsSet() && m_WordEnd.IsSet())
                SetSelection(m_WordStart, m_WordEnd);
        }
        if (!HasSelection())
            ReleaseCaret();
    }
    if (m_bClickInSelection) {
        m_bClickInSelection = false;
        const COutlinePos at = PosAt(event->position().toPoint());
        if (at.IsSet())
            SetCaret(at, false);
        ReleaseCaret();
    }
}

void COutlineTextView::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (!m_bReady || event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mouseDoubleClickEvent(event);
        return;
    }
    const COutlineHit hit = m_Geometry.HitTest(event->position().toPoint());
    if (hit.m_nKind == COutlineHit::kText) {
        SelectWordAt(COutlinePos(hit.m_nChar, hit.m_nRow, hit.m_pItem));
        SuppressCaret();
        m_bSelecting = true;
        m_bWordSelect = true;
        m_SelectTimer.start(kSelectTimerPeriod, this);
    }
    event->accept();
}
