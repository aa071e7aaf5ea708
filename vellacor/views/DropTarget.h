#pragma once

// The drop side of outline item drags: the drop target of every outline
// view, and the drop target of the Filing Cabinet's toolbar button.

#include "OutlineMan.h"

#include <QMimeData>
#include <QObject>
#include <QPointer>

#include <functional>

class CZumraView;
class QAbstractButton;
class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;

// What an item drag carries: the transfer block under the outline format
// and the items' texts, and the view the drag started in, so that a drop
// knows whether it moves items within one outline or takes them from
// another window.
class CItemDragData : public QMimeData {
    Q_OBJECT
public:
    QPointer<CZumraView> m_pSource;
};

// The drop target of one outline view. Drags of outline items show where
// they would land (the view draws the feedback) and land there in one undo
// group; plain text from other programs is pasted at the point it is
// dropped on.
//
// The source of a move deletes its items only when a target took all of
// them: a target that fails, or takes only some, answers no move, so the
// items stay where they were.
class CEditDropTargetImpl {
public:
    explicit CEditDropTargetImpl(CZumraView *view)
        : m_pView(view)
    {
    }

    void DragEnter(QDragEnterEvent *event);
    void DragMove(QDragMoveEvent *event);
    void DragLeave();
    void Drop(QDropEvent *event);

    bool IsInternalDrag() const { return m_bInternalDrag; }
    // The level of a content x: the first whose expander column holds it
    // (both edges included), else 0.
    int LevelAt(int x) const;
    // Works out the feedback for outline data at a viewport point, as drag
    // over does: the candidate from the point, corrected by the outline's
    // drop rules; a refused candidate keeps the previous feedback.
    void Track(QPoint point, CZumraView *source);

    // The view a drag started in (null: another program).
    static CZumraView *SourceOf(const QMimeData *data, QObject *eventSource);
    // A target took every dragged item of a move from `source`; the source
    // asks after its drag loop whether its items may go.
    static void NoteAccepted(const CZumraView *source);
    static bool TakeAccepted(const CZumraView *source);

    // Within this many pixels of the top or bottom edge a drag scrolls.
    static constexpr int kScrollMargin = 5;

private:
    bool AcceptsDrop() const;
    void ScrollAtEdge(QPoint point);
    // The dragged items as the outline's drop rules see them: the source's
    // own items when it is this view, else a stand-in that is no item of
    // this outline.
    std::vector<COutlineNode *> DraggedItems(CZumraView *source) const;

    CZumraView *m_pView;
    bool m_bInternalDrag = false;
};

// The drop target of the button that shows the Filing Cabinet: outline
// items dropped on it go to the end of the active user's Filing Cabinet,
// moved (copied with Ctrl) as a drop from another window. The button shows
// itself pressed while items are over it. Install it on the button once:
//     new CTrashCanDropTarget(button, [] { return <the cabinet's view>; });
// `cabinetView` opens the Filing Cabinet when needed and returns its view,
// or null when there is none. The object belongs to the button.
class CTrashCanDropTarget : public QObject {
    Q_OBJECT
public:
    static constexpr int kShowFilingCabinet = 32790;

    CTrashCanDropTarget(QAbstractButton *button, std::function<CZumraView *()> cabinetView);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void ShowOver(bool over);

    QAbstractButton *m_pButton;
    std::function<CZumraView *()> m_CabinetView;
};
