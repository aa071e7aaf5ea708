#pragma once

#include "OutlineEditView.h"
#include "OutlineViewHost.h"

#include <functional>

class QMenu;

// The outline window's view: brings the view up from the outline's stored
// settings, answers the document's update hints, stores the view's state
// for saving, and runs every event under a guard. An exception that escapes
// a handler may have left the outline half-changed: the guard reports it,
// writes the outline to a recovery copy, tells the user where it is, and
// closes the window without saving over the outline's file.
//
// It also owns the row symbols (check boxes, expanders, note and drawing
// marks) under the mouse, the context menus, the display commands (check
// box modes, headings, sorting) and the Filing Cabinet transfers.
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

    bool m_bDragPending = false;
    QPoint m_ptPress;
    // The block that a drag would carry.
    COutlineNode *m_pDragFirst = nullptr;
    COutlineNode *m_pDragLast = nullptr;
    int m_nCheckMode = kShowCheckBoxes;
    int m_nHeadingLevel = 9;
    bool m_bCustomExpansion = true;
    bool m_bFailed = false;
};
