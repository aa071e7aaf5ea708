// Dragging items out of the outline view and dropping items into it: the
// drag's data and picture, the moves and copies the drops make, and the
// feedback the view draws while items pass over it.

#include "ZumraView.h"

#include "KXClipboard.h"
#include "OutlinePainter.h"
#include "QtStrings.h"
#include "UndoOutlineMan.h"

#include <QDrag>
#include <QDragEnterEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>

#include <cstring>

namespace {

using Label = CUndoOutlineMan::Label;

// The drag picture shows at most this many rows.
constexpr int kPixmapRows = 8;

QByteArray BlockBytes(kx_gen::HMEM block)
{
    kx_gen::MemHolder holder(block);
    if (!block)
        return {};
    const std::size_t size = kx_gen::MemGetSize(block);
    const char *bytes = static_cast<const char *>(kx_gen::MemGetPtr(block));
    QByteArray data;
    if (bytes && size > 0 && size <= static_cast<std::size_t>(INT_MAX))
        data = QByteArray(bytes, static_cast<qsizetype>(size));
    kx_gen::MemReleasePtr(block);
    return data;
}

kx_gen::HMEM BytesBlock(const QByteArray &data)
{
    if (data.isEmpty())
        return nullptr;
    kx_gen::HMEM block = kx_gen::MemAlloc(static_cast<std::size_t>(data.size()));
    if (!block)
        return nullptr;
    std::memcpy(kx_gen::MemGetPtr(block), data.constData(), static_cast<std::size_t>(data.size()));
    kx_gen::MemReleasePtr(block);
    return block;
}

// The items from `first` to `last` in display order.
std::vector<COutlineNode *> DisplayRun(
    const COutlineMan &man, COutlineNode *first, COutlineNode *last)
{
    std::vector<COutlineNode *> run;
    for (COutlineNode *n = first; n; n = man.GetNextVisible(n)) {
        run.push_back(n);
        if (n == last)
            break;
    }
    return run;
}

} // namespace

// ---- Dragging out -------------------------------------------------------------------

QMimeData *CZumraView::MakeDragData(COutlineNode *node, COutlineNode *first, COutlineNode *last)
{
    const QByteArray bytes = BlockBytes(
        first ? m_pMan->MakeTransferBlock(first, last) : m_pMan->MakeTransferBlock(node));
    if (bytes.isEmpty())
        return nullptr;
    auto *data = new CItemDragData;
    data->m_pSource = this;
    data->setData(CKXClipboard::OutlineFormat(), bytes);
    QString text;
    const std::vector<COutlineNode *> items
        = first ? DisplayRun(*m_pMan, first, last) : std::vector<COutlineNode *> { node };
    for (COutlineNode *n : items) {
        text += ToQString(n->m_Item.m_Text.GetString())
                    .replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        text += QLatin1Char('\n');
    }
    data->setText(text);
    return data;
}

QPixmap CZumraView::DragPixmap(COutlineNode *node, COutlineNode *first, COutlineNode *last) const
{
    std::vector<COutlineRowSlot> rows;
    const int rowHeight = m_Geometry.RowHeight();
    const std::vector<COutlineNode *> items
        = first ? DisplayRun(*m_pMan, first, last) : std::vector<COutlineNode *> { node };
    for (COutlineNode *n : items) {
        for (int r = 0; r < COutlineGeometry::ItemRows(n) && rows.size() < kPixmapRows; ++r)
            rows.push_back({ COutlinePos(0, r, n), static_cast<int>(rows.size()) * rowHeight });
    }
    if (rows.empty())
        return {};
    const int width
        = std::min(std::max(m_Geometry.Layout().m_nWidth, 1), std::max(viewport()->width(), 200));
    const qreal ratio = devicePixelRatioF();
    QPixmap pixmap(QSize(width, static_cast<int>(rows.size()) * rowHeight) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    COutlinePaintOptions options = PaintOptions();
    options.m_bPaintSelection = false;
    options.m_bShowCaret = false;
    options.m_nWidth = width;
    options.m_nHeight = static_cast<int>(rows.size()) * rowHeight;
    painter.setOpacity(0.75);
    PaintOutlineRows(painter, m_Geometry, rows, options);
    return pixmap;
}

Qt::DropAction CZumraView::ExecDrag(QDrag &drag)
{
    return drag.exec(Qt::CopyAction | Qt::MoveAction, Qt::MoveAction);
}

void CZumraView::StartItemDrag()
{
    emit itemDragRequested();
    if (!IsReady() || !IsEditable())
        return;
    const COutlineHit hit = HitTest(m_ptPress);
    if (!hit.m_pItem)
        return;
    m_pDragItem = hit.m_pItem;
    m_DragBlock.clear();
    if (m_pDragFirst && m_pDragLast)
        m_DragBlock = DisplayRun(*m_pMan, m_pDragFirst, m_pDragLast);
    else
        m_pDragFirst = m_pDragLast = nullptr;
    SetDropFeedback(COutlineMan::kDropBelow, m_pDragItem, m_pDragItem->m_Item.m_nLevel);
    QMimeData *data = MakeDragData(m_pDragItem, m_pDragFirst, m_pDragLast);
    if (!data) {
        m_pDragItem = m_pDragFirst = m_pDragLast = nullptr;
        m_DragBlock.clear();
        SetDropFeedback(kDropNone, nullptr, 0);
        return;
    }
    m_bDropHandled = false;
    CEditDropTargetImpl::TakeAccepted(nullptr);
    QDrag drag(this);
    drag.setMimeData(data);
    const QPixmap picture = DragPixmap(m_pDragItem, m_pDragFirst, m_pDragLast);
    if (!picture.isNull()) {
        drag.setPixmap(picture);
        QPoint row;
        PointFromPos(COutlinePos(0, 0, m_pDragFirst ? m_pDragFirst : m_pDragItem), &row);
        drag.setHotSpot(
            QPoint(m_ptPress.x() + m_Geometry.HScroll(), std::max(0, m_ptPress.y() - row.y())));
    }
    SuppressCaret();
    const Qt::DropAction result = ExecDrag(drag);
    ReleaseCaret();
    FinishItemDrag(result, CEditDropTargetImpl::TakeAccepted(this));
}

void CZumraView::FinishItemDrag(Qt::DropAction result, bool accepted)
{
    // The items leave only when another window holds every one of them.
    if (result == Qt::MoveAction && accepted && !m_bDropHandled && m_pDragItem) {
        const std::vector<COutlineNode *> block = m_DragBlock;
        COutlineNode *single = m_pDragItem;
        if (BeginEdit(Label::kLabelDrop, false, false)) {
            if (!block.empty())
                m_pMan->DeleteSelection(block);
            else
                m_pMan->DeleteItem(single);
            if (COutlineNode *fresh = m_pMan->EnsureItem(nullptr))
                WrapItem(fresh, true);
            m_Geometry.UnsetTop();
            m_Geometry.InvalidateRows();
            EndEdit(m_Caret.IsSet() ? m_Caret.RowStart() : COutlinePos());
        }
    }
    unsetCursor();
    m_pDragItem = m_pDragFirst = m_pDragLast = nullptr;
    m_DragBlock.clear();
    m_bDropHandled = false;
    SetDropFeedback(kDropNone, nullptr, 0);
    viewport()->update();
}

// ---- Dropping in -------------------------------------------------------------------------

void CZumraView::SetDropFeedback(int mode, COutlineNode *item, int level)
{
    m_nDropMode = mode;
    m_pDropItem = mode == kDropNone ? nullptr : item;
    m_nDropLevel = level;
}

bool CZumraView::DropItems(const QByteArray &data, CZumraView *source, int mode, int level,
    COutlineNode *target, bool copy)
{
    if (!IsReady() || !m_Caret.IsSet() || mode == kDropNone)
        return false;
    if (source == this && m_pDragItem && m_DragBlock.empty()) {
        COutlineNode *node = m_pDragItem;
        if (mode == COutlineMan::kDropBelow && target == node && level == node->m_Item.m_nLevel)
            return false;
        if (!BeginEdit(Label::kLabelDrop, false, false))
            return false;
        COutlineNode *placed = m_pMan->Drop(mode, level, target, node, copy);
        m_Geometry.UnsetTop();
        m_Geometry.InvalidateRows();
        EndEdit(placed ? COutlinePos(0, 0, placed) : m_Caret);
        m_bDropHandled = true;
        return placed != nullptr;
    }
    if (source == this && !m_DragBlock.empty() && mode == COutlineMan::kDropBelow
        && target == m_DragBlock.front() && level == target->m_Item.m_nLevel)
        return false;
    kx_gen::MemHolder block(BytesBlock(data));
    if (!block.get())
        return false;
    COutlineMan scratch;
    if (!m_pMan->LoadTransferBlock(block.get(), scratch, true))
        return false;
    COutlineNode *parent = nullptr;
    COutlineNode *prev = nullptr;
    if (mode != COutlineMan::kDropTop)
        m_pMan->GetDropPlace(mode, level, target, &parent, &prev);
    if (!BeginEdit(Label::kLabelDrop, false, false))
        return false;
    COutlineNode *first = nullptr;
    const bool complete = m_pMan->InsertTransfer(scratch, parent, prev, &first);
    // A move within the view removes the block only once its copy is
    // complete at the new place.
    if (source == this && !copy && complete && !m_DragBlock.empty()) {
        m_pMan->DeleteSelection(m_DragBlock);
        m_DragBlock.clear();
    }
    m_Geometry.UnsetTop();
    m_Geometry.InvalidateRows();
    EndEdit(first ? COutlinePos(0, 0, first) : m_Caret);
    if (source == this)
        m_bDropHandled = true;
    return complete;
}

bool CZumraView::ReceiveInCabinet(const QByteArray &data, CZumraView *source, bool copy)
{
    // The cabinet's own items dropped on its button stay where they are.
    if (!IsReady() || source == this || !m_pMan->GetLastVisible())
        return false;
    return DropItems(data, source, COutlineMan::kDropEnd, 0, m_pMan->GetLastVisible(), copy);
}

bool CZumraView::DropText(const QMimeData &mime, QPoint point)
{
    if (!IsReady() || !mime.hasText())
        return false;
    const COutlinePos pos = PosAt(point);
    if (!pos.IsSet())
        return false;
    SetCaret(pos);
    return PasteFromMime(mime, pos.m_pItem, false);
}

// ---- Qt's drag events -----------------------------------------------------------------------

void CZumraView::dragEnterEvent(QDragEnterEvent *event)
{
    m_DropTarget.DragEnter(event);
}

void CZumraView::dragMoveEvent(QDragMoveEvent *event)
{
    m_DropTarget.DragMove(event);
}

void CZumraView::dragLeaveEvent(QDragLeaveEvent *event)
{
    (void)event;
    m_DropTarget.DragLeave();
}

void CZumraView::dropEvent(QDropEvent *event)
{
    m_DropTarget.Drop(event);
}

// ---- The feedback ---------------------------------------------------------------------------

void CZumraView::PaintDropFeedback(QPainter &painter, const std::vector<COutlineRowSlot> &rows)
{
    if (m_nDropMode == kDropNone || rows.empty())
        return;
    int y = -1;
    const int rowHeight = m_Geometry.RowHeight();
    if (m_nDropMode == COutlineMan::kDropEnd) {
        const COutlineRowSlot &last = rows.back();
        if (last.m_Pos.m_pItem == m_pMan->GetLastVisible()
            && last.m_Pos.m_nRow == COutlineGeometry::ItemRows(last.m_Pos.m_pItem) - 1)
            y = last.m_nTop + rowHeight - 1;
    } else {
        COutlineNode *item
            = m_nDropMode == COutlineMan::kDropTop ? m_pMan->GetFirstVisible() : m_pDropItem;
        for (const COutlineRowSlot &slot : rows) {
            if (slot.m_Pos.m_pItem == item && slot.m_Pos.m_nRow == 0) {
                y = slot.m_nTop;
                break;
            }
        }
    }
    if (y < 0)
        return;
    const COutlineLayout &layout = Layout();
    const int level = COutlineLayout::ClampLevel(m_nDropLevel);
    const int x = layout.m_xExpander[level];
    const int right = std::max(layout.m_nWidth, viewport()->width() + m_Geometry.HScroll());
    const QColor colour = GetColor(4);
    painter.save();
    painter.fillRect(QRect(x, y - 1, right - x, 2), colour);
    // A small wedge at the level's start shows the depth.
    const QPoint wedge[3] = { QPoint(x - 5, y - 5), QPoint(x, y), QPoint(x - 5, y + 5) };
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawPolygon(wedge, 3);
    painter.restore();
}
