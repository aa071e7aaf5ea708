#pragma once

// Drags and dialogs without a mouse or a user: a view whose drag loop and
// modal dialogs are scripted, and the drag events a drop target receives,
// sent the way Qt delivers them.

#include "ViewFixture.h"

#include <QDialog>
#include <QDrag>
#include <QDragEnterEvent>
#include <QMimeData>

#include <functional>

class CScriptedView : public CZumraView {
public:
    using CZumraView::CZumraView;

    // What the drag loop does with the drag; without it nothing is dropped.
    std::function<Qt::DropAction(QDrag &)> m_DragLoop;
    // What a modal dialog does; without it the dialog is cancelled.
    std::function<int(QDialog &)> m_DialogLoop;
    int m_nDrags = 0;

protected:
    Qt::DropAction ExecDrag(QDrag &drag) override
    {
        ++m_nDrags;
        return m_DragLoop ? m_DragLoop(drag) : Qt::IgnoreAction;
    }
    int ExecDialog(QDialog &dialog) override
    {
        return m_DialogLoop ? m_DialogLoop(dialog) : int(QDialog::Rejected);
    }
};

// Enters `target` at `points` in turn and drops at the last one, as the
// system's drag loop would; returns the action the drop answered (none when
// the target refused). `beforeDrop` runs after the last move.
inline Qt::DropAction DragOver(QWidget *target, const QMimeData *data,
    const std::vector<QPoint> &points, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
    const std::function<void()> &beforeDrop = {})
{
    const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction;
    QDragEnterEvent enter(points.front(), offered, data, Qt::LeftButton, modifiers);
    QCoreApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return Qt::IgnoreAction;
    for (const QPoint &p : points) {
        QDragMoveEvent move(p, offered, data, Qt::LeftButton, modifiers);
        QCoreApplication::sendEvent(target, &move);
    }
    if (beforeDrop)
        beforeDrop();
    QDropEvent drop(points.back(), offered, data, Qt::LeftButton, modifiers);
    QCoreApplication::sendEvent(target, &drop);
    return drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
}

// Presses on the node's expander and moves past the drag threshold, which
// runs the view's drag loop.
inline void StartDrag(CZumraView &view, COutlineNode *node)
{
    const QPoint press = Centre(view.Geometry().SymbolRect(node, COutlineHit::kExpander));
    QTest::mousePress(view.viewport(), Qt::LeftButton, Qt::NoModifier, press);
    QTest::mouseMove(view.viewport(), press + QPoint(0, CZumraView::kDragThreshold + 2));
    QTest::mouseRelease(view.viewport(), Qt::LeftButton, Qt::NoModifier, press);
}

// A point on the row of `node` at the middle of `level`'s expander column.
inline QPoint AtLevel(const CZumraView &view, COutlineNode *node, int level)
{
    QPoint row;
    view.PointFromPos(COutlinePos(0, 0, node), &row);
    const COutlineLayout &layout = view.Layout();
    return QPoint(layout.m_xExpander[level] + layout.m_nExpanderWidth / 2,
        row.y() + view.Geometry().RowHeight() / 2 + 1);
}
