#pragma once

#include "DropTarget.h"
#include "FindMatcher.h"
#include "OutlineEditView.h"
#include "OutlineViewHost.h"

#include <functional>
#include <memory>

class CFindBar;
class QDrag;
class QDialog;
class QMenu;
class QMimeData;

// The outline window's view: brings the view up from the outline's stored
// settings, answers the document's update hints, stores the view's state
// for saving, and runs every event under a guard. An exception that escapes
// a handler may have left the outline half-changed: the guard reports it,
// writes the outline to a recovery copy, tells the user where it is, and
// closes the window without saving over the outline's file.
//
// It also owns the row symbols (check boxes, expanders, note and drawing
// marks) under the mouse, the context menus, the display commands (check
// box modes, headings, sorting), the Filing Cabinet transfers, dragging
// and dropping items, and searching (Find, Replace, the find bar).
class CZumraView : public COutlineEditView {
    Q_OBJECT
public:
    // Check box modes, as their command ids.
    static constexpr int kShowCheckBoxes = 32894;
    static constexpr int kHideCheckBoxes = 32895;
    static constexpr int kHideCheckedItems = 32896;

    // Update hints of the document.
    enum EUpdateHint {
        kHintRecalcAll = 0,
        kHintCabinetReset = 1, // the filing cabinet's items were replaced
        kHintCabinetRecalc = 4,
    };

    // `man` and `host` stay the caller's and must outlive the view.
    CZumraView(COutlineMan *man, COutlineViewHost *host, QWidget *parent = nullptr);
    ~CZumraView() override;

    // Brings the view up from the outline's private header (fonts, check
    // box mode, headings, numbering, caret and top row) and makes it ready.
    // An outline without any item that cannot get one closes its window.
    void OnInitialUpdate();
    // Reacts to a document update hint; anything else repaints.
    void OnUpdate(int hintKind);
    // Writes the caret's row, the top row, the check box mode and the
    // headings mode into the outline's private header (before saving).
    // False after a storage error, which the host has shown.
    bool StoreViewState();

    int GetCheckMode() const { return m_nCheckMode; }
    // Sets one of the check box modes (not yet a command: no undo group).
    void ApplyCheckMode(int mode);
    int GetHeadingLevel() const { return m_nHeadingLevel; }
    bool IsCustomExpansion() const { return m_bCustomExpansion; }

    // Runs `work` under the guard: true when it returned normally.
    bool Guarded(const std::function<void()> &work);
    // Set once an exception escaped: the view takes no more work.
    bool HasFailed() const { return m_bFailed; }

    bool IsCommandEnabled(int id) const override;
    bool IsCommandChecked(int id) const override;

    // Context menus: 215 the note's, 216 the drawing's, 217 the item's.
    enum EContextMenu { kNoteMenu = 215, kDrawingMenu = 216, kItemMenu = 217 };
    // The menu as it opens (the caller owns it).
    QMenu *MakeContextMenu(int menu);
    COutlineNode *GetContextItem() const { return m_pContextItem; }

    // Moving the mouse this far (in either direction) with the button down
    // on an expander or a block selection starts dragging items.
    static constexpr int kDragThreshold = 5;
    bool IsDragPending() const { return m_bDragPending; }

    // The Filing Cabinet transfers: a copy of the item with its subtree at
    // the end of the Filing Cabinet; the cut deletes the item only once
    // the copy is there. False when nothing was copied.
    bool CopyToFilingCabinet(COutlineNode *node);
    void CutToFilingCabinet(COutlineNode *node);

    // The line numbering command's change: new styles and divider as one
    // undo step, the outline modified and laid out again. False when
    // nothing changed or the outline refuses edits.
    bool ApplyNumbering(const CNumbering &numbering);
    // An outline of the Conflicts folder is not changed: shows why and
    // answers true.
    bool RefusesEdits();

    // ---- Dragging items (ItemDrag.cpp) ---------------------------------------------

    // The item being dragged out of this view, and the block around it
    // (both null for a single item); null while no drag runs.
    COutlineNode *GetDragItem() const { return m_pDragItem; }
    // Set by this view's own drop once it carried out the move itself.
    bool IsDropHandled() const { return m_bDropHandled; }
    // The data a drag of the node (or of the block first..last) carries:
    // the outline format and the texts. Null when the block cannot be made.
    QMimeData *MakeDragData(COutlineNode *node, COutlineNode *first, COutlineNode *last);
    // The drag's picture: the dragged rows as the view paints them.
    QPixmap DragPixmap(COutlineNode *node, COutlineNode *first, COutlineNode *last) const;
    // After the drag loop: a move that another window took (`accepted`)
    // removes the dragged items here, in one undo group; anything else
    // leaves them.
    void FinishItemDrag(Qt::DropAction result, bool accepted);

    // ---- Dropping (ItemDrag.cpp; the drag events in DropTarget.cpp) ----------------------

    // The drop feedback that the view draws: a mode of COutlineMan's drop
    // modes or kDropNone, the item and the level.
    static constexpr int kDropNone = 3;
    int GetDropMode() const { return m_nDropMode; }
    COutlineNode *GetDropItem() const { return m_pDropItem; }
    int GetDropLevel() const { return m_nDropLevel; }
    void SetDropFeedback(int mode, COutlineNode *item, int level);
    CEditDropTargetImpl &DropTarget() { return m_DropTarget; }
    // Carries out a drop of outline data (the transfer block's bytes) at
    // (mode, level, target) in one undo group 24. `source` is the view the
    // items come from (null: elsewhere); `copy` keeps them there. True when
    // every item arrived, so that a move may take them from the source.
    bool DropItems(const QByteArray &data, CZumraView *source, int mode, int level,
        COutlineNode *target, bool copy);
    // Items dropped on the Filing Cabinet (its window or its button): they
    // go after the last visible item at the top level.
    bool ReceiveInCabinet(const QByteArray &data, CZumraView *source, bool copy);
    // Text from another program, dropped at a point of the viewport: read
    // as a paste of the data is read, at the position under the point.
    bool DropText(const QMimeData &mime, QPoint point);

    // ---- Searching (FindCommands.cpp) ---------------------------------------------------

    // Looks for the matcher's text from `start` at paragraph position
    // `startPos` (null start: from the first visible item; backwards:
    // nothing). A hit becomes the selection, the caret at its start when
    // searching backwards and at its end otherwise; a hit in a note selects
    // the item's text. Returns whether it found one.
    bool SearchFrom(const CTextMatcher &matcher, COutlineNode *start, CTextPos startPos,
        bool backward, bool wrapAround);
    bool HaveSearch() const { return m_bHaveSearch; }
    const QString &SearchText() const { return m_strSearch; }
    unsigned SearchFlags() const { return m_nSearchFlags; }
    // The Replace dialog's work, between BeginReplace and EndReplace (the
    // undo group of the whole dialog). `action` is CEditReplaceDlg's.
    void BeginReplace();
    void ReplaceAction(int action, const CFindOptions &options, const QString &replaceWith);
    void EndReplace();
    // The find bar at the foot of the view (made on first use).
    CFindBar *FindBar();
    // Makes room for the find bar as it is shown or hidden.
    void RelayoutFindBar() { LayoutFindBar(); }
    // The find bar's text marks every match in the rows shown.
    void SetHighlight(const CFindOptions &options);
    const CTextMatcher &Highlight() const { return m_Highlight; }
    // The matches of the marked text in the rows shown.
    int CountVisibleMatches() const;
    // A search of the find bar becomes the one Find Next repeats.
    void RememberSearch(const CFindOptions &options);
    // The find bar's step: with `origin` set, the first match from there
    // (as the user types); else the next (previous) match from the
    // selection. Both go round the end of the outline.
    bool FindBarStep(const CFindOptions &options, bool backward, const COutlinePos &origin);

signals:
    // A drag of items starts (the press and the items stay in the view).
    void itemDragRequested();

protected:
    bool event(QEvent *event) override;
    bool viewportEvent(QEvent *event) override;
    void RunWork(const std::function<void()> &work) override { Guarded(work); }
    bool DoCommand(int id) override;
    void SetCustomExpansion() override { m_bCustomExpansion = true; }
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    // Starts a drag of the pending items; the drop side is the view's
    // drag and drop.
    virtual void StartItemDrag();
    // Runs the drag loop (tests replace it with a scripted drop).
    virtual Qt::DropAction ExecDrag(QDrag &drag);
    // Runs a modal dialog of the view (tests drive it instead).
    virtual int ExecDialog(QDialog &dialog);
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void PaintOverlay(QPainter &painter, const std::vector<COutlineRowSlot> &rows) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    // What the guard does with an escaped exception described by `text`.
    void Fail(const QString &text);
    void InitialUpdate();
    void ClickCheckBox(COutlineNode *node);
    void RightPress(QMouseEvent *event);
    void ShowHeading(int level);
    void CheckModeCommand(int id);
    void SortCommand(bool all, bool ascending);
    void DeleteCheckedCommand();
    void UncheckAllCommand();
    // After items were hidden or removed: the caret's place, a new first
    // item when nothing is left.
    void KeepCaretVisible();

    friend class CEditDropTargetImpl;
    void FindCommand();
    void FindNextCommand(bool invert);
    void ReplaceCommand();
    // A search with the stored text and options.
    bool RepeatSearch(const CFindOptions &options, bool wrapAround, bool fromSelection);
    void ShowNotFound(const QString &text);
    // One replacement of the current match; false when none is current.
    bool ReplaceCurrent(const CTextMatcher &matcher, const QString &replaceWith);
    void ReplaceAll(const CTextMatcher &matcher, const QString &replaceWith);
    bool IsMatchCurrent() const;
    void PaintDropFeedback(QPainter &painter, const std::vector<COutlineRowSlot> &rows);
    void PaintHighlights(QPainter &painter, const std::vector<COutlineRowSlot> &rows);
    void LayoutFindBar();

    bool m_bDragPending = false;
    COutlineNode *m_pDragItem = nullptr;
    // The block's items in display order while a block is dragged.
    std::vector<COutlineNode *> m_DragBlock;
    bool m_bDropHandled = false;
    int m_nDropMode = kDropNone;
    COutlineNode *m_pDropItem = nullptr;
    int m_nDropLevel = 0;
    CEditDropTargetImpl m_DropTarget { this };

    // The last search of this view.
    bool m_bHaveSearch = false;
    QString m_strSearch;
    unsigned m_nSearchFlags = 0;
    // The item whose note the last search hit (its text holds no match).
    COutlineNode *m_pNoteHit = nullptr;
    // The Replace dialog: where its searches start, and the match shown.
    COutlinePos m_ReplaceStart;
    bool m_bMatchShown = false;
    COutlinePos m_MatchFrom;
    COutlinePos m_MatchTo;
    CTextMatcher m_Highlight;
    CFindBar *m_pFindBar = nullptr;
    QPoint m_ptPress;
    // The block that a drag would carry.
    COutlineNode *m_pDragFirst = nullptr;
    COutlineNode *m_pDragLast = nullptr;
    int m_nCheckMode = kShowCheckBoxes;
    int m_nHeadingLevel = 9;
    bool m_bCustomExpansion = true;
    bool m_bFailed = false;
};
