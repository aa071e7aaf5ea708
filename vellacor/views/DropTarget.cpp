#include "DropTarget.h"

#include "AppStrings.h"
#include "KXClipboard.h"
#include "QtStrings.h"
#include "ZumraView.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMetaObject>
#include <QScrollBar>

namespace {

// The source view of the last move that a target took whole.
const CZumraView *g_pAccepted = nullptr;

Qt::DropAction ActionFor(Qt::KeyboardModifiers modifiers)
{
    return (modifiers & Qt::ControlModifier) ? Qt::CopyAction : Qt::MoveAction;
}

bool HasItems(const QMimeData *data)
{
    return data && data->hasFormat(CKXClipboard::OutlineFormat());
}

} // namespace

// ---- The drag's bookkeeping ---------------------------------------------------------

CZumraView *CEditDropTargetImpl::SourceOf(const QMimeData *data, QObject *eventSource)
{
    if (const auto *items = qobject_cast<const CItemDragData *>(data))
        return items->m_pSource.data();
    return qobject_cast<CZumraView *>(eventSource);
}

void CEditDropTargetImpl::NoteAccepted(const CZumraView *source)
{
    g_pAccepted = source;
}

bool CEditDropTargetImpl::TakeAccepted(const CZumraView *source)
{
    const bool accepted = source && g_pAccepted == source;
    g_pAccepted = nullptr;
    return accepted;
}

// ---- The outline view's target ----------------------------------------------------------

bool CEditDropTargetImpl::AcceptsDrop() const
{
    return m_pView->IsReady() && !m_pView->HasFailed();
}

int CEditDropTargetImpl::LevelAt(int x) const
{
    const COutlineLayout &layout = m_pView->Layout();
    for (int level = 0; level < COutlineItem::kLevelCount; ++level) {
        const int left = layout.m_xExpander[level];
        if (x >= left && x <= left + layout.m_nExpanderWidth)
            return level;
    }
    return 0;
}

std::vector<COutlineNode *> CEditDropTargetImpl::DraggedItems(CZumraView *source) const
{
    if (source == m_pView && source->m_pDragItem)
        return { source->m_pDragFirst ? source->m_pDragFirst : source->m_pDragItem };
    // Items from elsewhere are no item of this tree: none of the rules for
    // an item's own place applies to them.
    static COutlineNode stranger;
    return { &stranger };
}

void CEditDropTargetImpl::DragEnter(QDragEnterEvent *event)
{
    if (!AcceptsDrop()) {
        event->ignore();
        return;
    }
    if (HasItems(event->mimeData())) {
        m_bInternalDrag = true;
        DragMove(event);
        return;
    }
    m_bInternalDrag = false;
    if (event->mimeData() && event->mimeData()->hasText()) {
        event->setDropAction(ActionFor(event->modifiers()));
        event->accept();
        return;
    }
    event->ignore();
}

void CEditDropTargetImpl::DragMove(QDragMoveEvent *event)
{
    if (!AcceptsDrop()) {
        event->ignore();
        return;
    }
    const QPoint point = event->position().toPoint();
    ScrollAtEdge(point);
    if (!m_bInternalDrag) {
        event->setDropAction(ActionFor(event->modifiers()));
        event->accept();
        return;
    }
    // An outline of the Conflicts folder takes nothing; it says so once,
    // when the items are dropped, never while they pass over it.
    if (m_pView->IsEditable()) {
        if (m_pView->m_pHost)
            m_pView->m_pHost->ActivateWindow();
        Track(point, SourceOf(event->mimeData(), event->source()));
    }
    event->setDropAction(ActionFor(event->modifiers()));
    event->accept();
}

void CEditDropTargetImpl::Track(QPoint point, CZumraView *source)
{
    CZumraView &view = *m_pView;
    COutlineMan *man = view.GetMan();
    if (view.m_pHost && view.m_pHost->IsFilingCabinet() && source != &view) {
        view.SetDropFeedback(COutlineMan::kDropEnd, man->GetLastVisible(), 0);
        return;
    }
    const COutlineGeometry &g = view.Geometry();
    int level = LevelAt(point.x() + g.HScroll());
    int mode = COutlineMan::kDropBelow;
    COutlineNode *target = nullptr;
    if (point.y() < g.RowHeight() / 2 && g.TopRow() == 0) {
        mode = COutlineMan::kDropTop;
        target = man->GetFirstVisible();
    } else {
        const COutlineHit hit = view.HitTest(point);
        if (hit.m_nKind == COutlineHit::kBelow || !hit.m_pItem) {
            mode = COutlineMan::kDropEnd;
            target = man->GetLastVisible();
        } else {
            target = hit.m_pItem;
        }
    }
    const std::vector<COutlineNode *> dragged = DraggedItems(source);
    int corrected = level;
    bool accepted = man->CheckDrop(mode, corrected, target, dragged);
    if (accepted && source == &view && view.m_pDragFirst) {
        // A block never lands inside itself.
        COutlineNode *parent = nullptr;
        COutlineNode *prev = nullptr;
        man->GetDropPlace(mode, corrected, target, &parent, &prev);
        for (COutlineNode *n = prev ? prev : parent; n && accepted; n = man->GetTree().GetParent(n))
            accepted = !view.m_SelSet.count(n);
    }
    if (accepted) {
        view.SetDropFeedback(mode, target, corrected);
        if (view.m_pDragFirst && mode == COutlineMan::kDropBelow && target)
            view.EnsureVisible(COutlinePos(0, 0, target));
    } else if (source == &view && !view.m_pDragFirst && target == view.m_pDragItem) {
        view.SetDropFeedback(COutlineMan::kDropBelow, target, target->m_Item.m_nLevel);
    }
    view.viewport()->repaint();
}

void CEditDropTargetImpl::ScrollAtEdge(QPoint point)
{
    const int height = m_pView->viewport()->height();
    if (point.y() <= kScrollMargin)
        m_pView->ScrollByRows(-1);
    else if (point.y() >= height - kScrollMargin)
        m_pView->ScrollByRows(1);
}

void CEditDropTargetImpl::DragLeave()
{
    m_bInternalDrag = false;
    m_pView->SetDropFeedback(CZumraView::kDropNone, nullptr, 0);
    m_pView->viewport()->repaint();
}

void CEditDropTargetImpl::Drop(QDropEvent *event)
{
    CZumraView &view = *m_pView;
    const QMimeData *data = event->mimeData();
    const int mode = view.m_nDropMode;
    COutlineNode *target = view.m_pDropItem;
    const int level = view.m_nDropLevel;
    view.SetDropFeedback(CZumraView::kDropNone, nullptr, 0);
    const bool internal = m_bInternalDrag;
    m_bInternalDrag = false;
    event->setDropAction(Qt::IgnoreAction);
    if (!AcceptsDrop() || !data) {
        event->ignore();
        view.viewport()->repaint();
        return;
    }
    if (!view.IsEditable()) {
        // The message box waits until the drag loop is over.
        COutlineViewHost *host = view.m_pHost;
        if (host) {
            QMetaObject::invokeMethod(
                &view,
                [host] { host->ShowMessage(ToQString(appstr::Get(appstr::kConflictsReadOnly))); },
                Qt::QueuedConnection);
        }
        event->ignore();
        view.viewport()->repaint();
        return;
    }
    const Qt::DropAction action = ActionFor(event->modifiers());
    const bool copy = action == Qt::CopyAction;
    bool taken = false;
    if (internal && HasItems(data)) {
        CZumraView *source = SourceOf(data, event->source());
        const QByteArray bytes = data->data(CKXClipboard::OutlineFormat());
        if (view.m_pHost && view.m_pHost->IsFilingCabinet() && source != &view)
            taken = view.ReceiveInCabinet(bytes, source, copy);
        else if (mode != CZumraView::kDropNone)
            taken = view.DropItems(bytes, source, mode, level, target, copy);
        if (taken && source != &view && !copy)
            NoteAccepted(source);
    } else if (data->hasText()) {
        taken = view.DropText(*data, event->position().toPoint());
    }
    if (taken) {
        event->setDropAction(action);
        event->accept();
    } else {
        event->ignore();
    }
    view.viewport()->repaint();
}

// ---- The Filing Cabinet's button --------------------------------------------------------

CTrashCanDropTarget::CTrashCanDropTarget(
    QAbstractButton *button, std::function<CZumraView *()> cabinetView)
    : QObject(button)
    , m_pButton(button)
    , m_CabinetView(std::move(cabinetView))
{
    button->setAcceptDrops(true);
    button->installEventFilter(this);
}

void CTrashCanDropTarget::ShowOver(bool over)
{
    if (m_pButton->isCheckable())
        m_pButton->setChecked(over);
    else
        m_pButton->setDown(over);
}

bool CTrashCanDropTarget::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_pButton)
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto *drag = static_cast<QDragMoveEvent *>(event);
        if (HasItems(drag->mimeData())) {
            ShowOver(true);
            drag->setDropAction(ActionFor(drag->modifiers()));
            drag->accept();
        } else {
            drag->ignore();
        }
        return true;
    }
    case QEvent::DragLeave:
        ShowOver(false);
        return true;
    case QEvent::Drop: {
        auto *drop = static_cast<QDropEvent *>(event);
        ShowOver(false);
        drop->setDropAction(Qt::IgnoreAction);
        drop->ignore();
        const QMimeData *data = drop->mimeData();
        if (!HasItems(data))
            return true;
        CZumraView *cabinet = m_CabinetView ? m_CabinetView() : nullptr;
        if (!cabinet)
            return true;
        const Qt::DropAction action = ActionFor(drop->modifiers());
        const bool copy = action == Qt::CopyAction;
        CZumraView *source = CEditDropTargetImpl::SourceOf(data, drop->source());
        if (cabinet->ReceiveInCabinet(data->data(CKXClipboard::OutlineFormat()), source, copy)) {
            if (source != cabinet && !copy)
                CEditDropTargetImpl::NoteAccepted(source);
            drop->setDropAction(action);
            drop->accept();
        }
        return true;
    }
    default:
        return QObject::eventFilter(watched, event);
    }
}
