#pragma once

#include "OutlineItem.h"
#include "OutlineServices.h"

#include "kx_gen/File.h"
#include "kx_gen/String.h"
#include "kx_gen/TreeMan.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace kx_gen {
class COutlineDB;
class COutlineRecord;
} // namespace kx_gen

class CRowWindow;
class CUndoGroup;
class CUndoOutlineMan;
class CUndoOutline;
class CUndoOutlNumbering;
class CUndoOutlPos;

using COutlineTree = kx_gen::CTreeMan<COutlineItem>;
using COutlineNode = COutlineTree::CTreeNode;

// The model of one open outline: the outline file's database with its
// record set, the item tree, the numbering extents of the levels, and the
// visibility rules that the views follow (collapsed branches and the
// hide-checked-items mode). It loads the tree from an outline file and
// writes it back with the change marks that synchronisation relies on, and
// tells its view about every change through one notification callback.
//
// States: empty (no database) -> NewOutline or a successful Load -> open;
// Close, a failed Load and the destructor make it empty again.
//
// Errors: file operations report storage errors to the message sink and
// return false; the other functions expect an open outline and nodes of
// this manager's tree.
class COutlineMan {
public:
    // Arguments of the notification callback: the parameter given with it,
    // one of the codes below, and the node concerned (null for
    // kNotifyLevelExtent, whose level comes in `value`; otherwise 0).
    using PFNNOTIFY = void (*)(void *param, int code, COutlineNode *node, int value);
    enum NotifyCode {
        kNotifyRemoving = 1, // the node is about to leave the tree
        kNotifyTextDeleted = 2,
        kNotifyTextInserted = 3,
        kNotifyNoteChanged = 4, // the length of the note changed
        kNotifyDrawingChanged = 5, // the item gained or lost its drawing
        kNotifyInserted = 6, // the node was inserted into the tree
        kNotifyLevelExtent = 7, // the maximum index of level `value` grew
        kNotifyCheck = 8, // the check state is about to change, or auto-checking changed it
        kNotifyNumbering = 9, // an undo or redo changed the line numbering (node null)
        kNotifyClearing = 10, // every item is about to be freed at once (node null)
    };

    // Bytes of a numbering scheme: one style per level.
    static constexpr int kNumberingSize = COutlineItem::kLevelCount;
    // Numbering styles run from 0 to this.
    static constexpr std::uint8_t kMaxNumberingStyle = 6;

    // Option bits of Find (those of CTextCtrl::FindText).
    static constexpr unsigned kFindMatchCase = CTextCtrl::kFindMatchCase;
    static constexpr unsigned kFindWholeWord = CTextCtrl::kFindWholeWord;
    static constexpr unsigned kFindBackward = CTextCtrl::kFindBackward;

    // An empty manager. `settings` gives new outlines their font and
    // numbering, `messages` hears of storage errors; both stay the caller's
    // and must outlive the manager. Either may be null: new outlines then
    // get an all-zero font and numbering, and messages go nowhere.
    explicit COutlineMan(COutlineSettings *settings = nullptr, CMessageSink *messages = nullptr);
    // Closes the outline.
    virtual ~COutlineMan();

    COutlineMan(const COutlineMan &) = delete;
    COutlineMan &operator=(const COutlineMan &) = delete;

    // Called with false after a load and a successful save; the document
    // forwards it to its modified flag. The base does nothing.
    virtual void SetModified(bool modified);

    // ---- Life cycle and file access ---------------------------------------

    // Replaces the outline by a new, unsaved one with the settings' font
    // and numbering, and with one empty item when `createFirstItem` is set.
    // Storage errors go to the message sink and leave the manager empty;
    // returns whether the outline was made.
    bool NewOutline(bool createFirstItem);
    // Replaces the outline by the file's. Levels that jump by more than one
    // are repaired (an item is at most one level deeper than the one before
    // it) and an outline without items gets one empty item. On failure the
    // error goes to the message sink, the manager is left empty and false
    // is returned.
    bool Load(const char *path);
    // Writes the outline to `path` with its change marks. The new file is
    // written completely beside the old one, flushed to disk and then
    // renamed over it, so a failure at any point leaves the old file exactly
    // as it was. A save that changed nothing the synchronisation cares about
    // keeps the file's modification time. Returns false after reporting the
    // error to the message sink.
    bool Save(const char *path);
    // Frees the database and the undo history and empties the tree.
    void Close();
    // Deletes every item and record (the deleted-ids list ends empty),
    // starts a new undo history and adds one empty item (notified as
    // kNotifyInserted). Storage errors go to the message sink.
    void ClearAll();
    // Appends a record and a blank item bound to it as the last top-level
    // item. Null when there is no outline or the record set refuses a record.
    COutlineNode *AddFirstItem();
    // Keeps an outline editable after removals. With no node: a new item
    // when no item is visible, else null. With the first visible top-level
    // item: its next visible sibling, or a new item when it has none. With
    // any other node: null.
    COutlineNode *EnsureItem(COutlineNode *node);

    bool IsOpen() const { return m_pDB != nullptr; }
    kx_gen::COutlineDB *GetDB() const { return m_pDB; }
    // Set while the outline is to be written as a new file (every record new).
    bool IsNewDB() const { return m_bNewDB; }
    void SetNewDB(bool newDB) { m_bNewDB = newDB; }
    // Item records in the file when it was loaded or last saved; -1 before.
    int GetLoadedRows() const { return m_nLoadedRows; }
    // Rows that the last successful save wrote without comparing item,
    // record or old row, each known unchanged since the file was read or
    // written; 0 before.
    int GetRowsSavedUnread() const { return m_nRowsSavedUnread; }

    // Builds the tree from the records of the open database (an import fills
    // them first), repairing the levels as Load does; an empty record set
    // gets one empty item. The tree must be empty. False after reporting a
    // failure.
    bool BuildTree();
    // Writes every item into its record (binding a new record to an item
    // that has none) and puts the record set into document order, dropping
    // records that no item holds, so that the database alone describes the
    // outline (for exports that read records). Change marks are left to
    // Save. Throws the storage library's exceptions.
    void StoreItemsInRecords();

    // ---- Headers ------------------------------------------------------------

    kx_gen::_String GetCategoryName() const;
    // The numbering style of each level (kNumberingSize bytes).
    void GetNumbering(std::uint8_t *scheme) const;
    void SetNumbering(const std::uint8_t *scheme);
    // Replaces every style above kMaxNumberingStyle by 0; false when it
    // replaced any.
    static bool ValidateNumbering(std::uint8_t *scheme);
    // Stores the divider character in both bytes of the header's divider.
    void SetNumberingDivider(std::uint8_t divider);
    // The line numbering command: new styles and divider as one undo group
    // (when there is a history), the outline marked modified. False, with
    // nothing recorded, when both are as they were.
    bool ChangeNumbering(const std::uint8_t *styles, std::uint8_t divider);

    // ---- Tree, notification -------------------------------------------------

    COutlineTree &GetTree() { return m_Tree; }
    const COutlineTree &GetTree() const { return m_Tree; }
    // Installs the view's callback; delivery starts with EnableNotify(true).
    void SetNotify(PFNNOTIFY notify, void *param)
    {
        m_pfnNotify = notify;
        m_pNotifyParam = param;
    }
    void EnableNotify(bool enable) { m_bNotify = enable; }
    bool IsNotifyEnabled() const { return m_bNotify; }

    // ---- Visibility and navigation ------------------------------------------
    //
    // An item is visible when no collapsed ancestor hides it and the
    // hide-checked-items mode does not hide it or an ancestor; a sibling is
    // shown unless that mode is on and the sibling is checked. A null parent
    // means the top level.

    // False: the hide-checked-items mode, in which checked items and their
    // subtrees count as absent.
    bool GetShowChecked() const { return m_bShowChecked; }
    void SetShowChecked(bool show) { m_bShowChecked = show; }

    bool IsVisible(const COutlineNode *node) const;
    bool IsShown(const COutlineNode *node) const
    {
        return m_bShowChecked || !node->m_Item.m_bChecked;
    }
    bool HasVisibleChildren(const COutlineNode *node) const;
    bool CanExpand(const COutlineNode *node) const
    {
        return !node->m_Item.m_bExpanded && HasVisibleChildren(node);
    }
    bool CanCollapse(const COutlineNode *node) const
    {
        return node->m_Item.m_bExpanded && HasVisibleChildren(node);
    }
    void Expand(COutlineNode *node) { node->m_Item.m_bExpanded = true; }
    void Collapse(COutlineNode *node) { node->m_Item.m_bExpanded = false; }
    void ExpandAncestors(COutlineNode *node);

    COutlineNode *GetFirstVisible() const { return GetFirstShownChild(nullptr); }
    COutlineNode *GetLastVisible() const;
    COutlineNode *GetNextShownSibling(const COutlineNode *node) const;
    COutlineNode *GetPrevShownSibling(const COutlineNode *node) const;
    COutlineNode *GetFirstShownChild(const COutlineNode *parent) const;
    COutlineNode *GetLastShownChild(const COutlineNode *parent) const;
    // The next / previous item in display order; null at the ends. A node
    // that is not visible itself starts the backward search at its nearest
    // visible ancestor.
    COutlineNode *GetNextVisible(const COutlineNode *node) const;
    COutlineNode *GetPrevVisible(const COutlineNode *node) const;
    // Pre-order neighbours, whatever is visible.
    COutlineNode *GetNextInDocument(const COutlineNode *node) const
    {
        return m_Tree.GetNextInDocument(node);
    }
    COutlineNode *GetPrevInDocument(const COutlineNode *node) const
    {
        return m_Tree.GetPrevInDocument(node);
    }
    // Whether `a` comes before / after `b` in document order (the display
    // order of visible items). False for the same node.
    bool IsBefore(const COutlineNode *a, const COutlineNode *b) const;
    bool IsAfter(const COutlineNode *a, const COutlineNode *b) const { return IsBefore(b, a); }
    // True when every child is checked, or there is none.
    bool AllChildrenChecked(const COutlineNode *node) const;
    // m_nIndex of the node and of each ancestor, innermost first, into
    // `indices` (room for COutlineItem::kLevelCount), and their number.
    void GetIndexPath(const COutlineNode *node, int *indices, int &count) const;
    // The deepest level in the node's subtree, the node's own included.
    int MaxLevelInSubtree(const COutlineNode *node) const;

    // ---- Numbering ---------------------------------------------------------

    // Gives every shown item its index among its shown siblings, from 0,
    // and records the largest index of each level with the parent it was
    // seen under (kNotifyLevelExtent for each level whose maximum grew).
    void Renumber();
    // Renumbers the shown children of one parent only (null: top level),
    // after an edit touched that list.
    void RenumberChildren(COutlineNode *parent);
    // The largest index recorded for `level`; 0 for a level out of range.
    int GetLevelExtent(int level) const;

    // ---- Find -----------------------------------------------------------------

    // Looks for `pattern` in the item texts from `start` (null: the first
    // shown top-level item; backwards: nothing) at paragraph position
    // `startPos`, forwards in document order or backwards (kFindBackward),
    // matching as CTextCtrl::FindText does with `options`. Items hidden by
    // the hide-checked-items mode are skipped. With `wrapAround`, a search
    // that runs off the end continues once from the other end up to the
    // start. On a hit stores the item and the match's paragraph position,
    // expands the item's ancestors and returns true.
    bool Find(const kx_gen::_String &pattern, COutlineNode *start, CTextPos startPos,
        unsigned options, bool wrapAround, COutlineNode **ppFound, CTextPos *pFound);
    // The test of one item that FindWith runs: looks in the node's text
    // from paragraph position `from` (forwards: the first match at or after
    // it; backwards: the last one before it) and stores the match's start.
    using CItemMatch = std::function<bool(
        const COutlineNode *node, CTextPos from, bool backward, CTextPos *pHit)>;
    // Find's walk over the items with any test: the same start rules, the
    // same skipping of hidden checked items, the same wrap-around and the
    // expanding of the found item's ancestors.
    bool FindWith(const CItemMatch &match, COutlineNode *start, CTextPos startPos, bool backward,
        bool wrapAround, COutlineNode **ppFound, CTextPos *pFound);

    // The item order of sorting: the texts compared character by character,
    // letters in lower case (Windows-1252), paragraph breaks as CR LF.
    static int CompareTexts(const COutlineNode *a, const COutlineNode *b);

    // ---- Undo history --------------------------------------------------------
    //
    // Every open outline has one history, made new whenever an outline is
    // created, loaded or cleared. The editing operations below record into
    // the group that the caller began (BeginGroup); an operation called
    // outside a group records into a group of its own with the operation's
    // label, so no change ever escapes the history.

    // The history; null while no outline was ever opened.
    CUndoOutlineMan *GetUndo() const { return m_pUndo; }
    // Replays the group that can be undone (redone), records last to first
    // (first to last), and stores the item where the change happened and a
    // paragraph position in it for the caret (null when there is none). The
    // caller checks CanUndo (CanRedo) first, then calls Step, AfterEdit(true)
    // and SetModified(true). A replay that fails (a storage error, shown
    // through the message sink) puts back what it replayed and clears the
    // history, so that no half-replayed group can corrupt a later undo;
    // false is then returned. False also while a group is being recorded.
    bool Undo(COutlineNode **ppNode, CTextPos *pCaret);
    bool Redo(COutlineNode **ppNode, CTextPos *pCaret);

    // ---- Preconditions ---------------------------------------------------------

    // The node has a previous shown sibling and its subtree, moved `extra`
    // levels deeper plus one, still fits the deepest level.
    bool CanIndent(const COutlineNode *node, int extra = 0) const;
    // How many levels deeper than now the node's subtree could still go:
    // 9 - (MaxLevelInSubtree(node) - the node's level).
    int IndentRoom(const COutlineNode *node) const;
    // The node is not top level and is its parent's last child.
    bool CanOutdent(const COutlineNode *node) const;
    // The node has a previous / next shown sibling.
    bool CanMoveUp(const COutlineNode *node) const { return GetPrevShownSibling(node) != nullptr; }
    bool CanMoveDown(const COutlineNode *node) const
    {
        return GetNextShownSibling(node) != nullptr;
    }

    // ---- Item operations ---------------------------------------------------------
    //
    // Each keeps the tree, the record set, the deleted ids and the history
    // consistent and sends the notifications of NotifyCode. They need an
    // open outline and nodes of this tree. Operations that insert return
    // null or false when the record set refuses a record (a storage error
    // goes to the message sink); the tree is then as before for that item.
    // Indent, Outdent, MoveUp and MoveDown do not check their preconditions.

    // A new empty item after the node (its next sibling), or its first
    // child when the node is expanded with visible children (unless that is
    // too deep). A null node appends a top-level item. Returns the item.
    COutlineNode *NewItem(COutlineNode *node);
    // Removes the node with its subtree (children first). The caller then
    // asks EnsureItem for an item to show, within the same group.
    bool DeleteItem(COutlineNode *node);
    // Removes every checked item with its whole subtree. False when a
    // removal failed (what was removed stays removed and undoable).
    bool DeleteChecked();
    // Unchecks every checked item.
    void UncheckAll();
    // Inverts the node's check mark.
    void ToggleCheck(COutlineNode *node);
    // Makes the node the last child of its previous shown sibling.
    void Indent(COutlineNode *node);
    // Moves the node (its parent's last child) right after its parent.
    void Outdent(COutlineNode *node);
    // Moves the node before its previous shown sibling / after its next
    // shown sibling; hidden checked siblings keep their places.
    void MoveUp(COutlineNode *node);
    void MoveDown(COutlineNode *node);
    // Copies the node with its subtree right after it; the copies have id 0.
    // Returns the copy of the node, or null.
    COutlineNode *Duplicate(COutlineNode *node);
    // Appends the node's text to the end of the target's last paragraph and
    // removes the node. A node with children is refused with the message
    // "You can not join an item that has sub-items" (null returned). Returns
    // the suggested current item: the first shown child of the node's former
    // parent, or the first visible item.
    COutlineNode *Join(COutlineNode *target, COutlineNode *node);
    // Splits the node at paragraph position `pos`: a new item (as NewItem
    // places it) receives the text from `pos` to the end. Returns the new
    // item, or null with nothing changed.
    COutlineNode *SplitItem(COutlineNode *node, CTextPos pos);
    // Inserts `text` at paragraph position `pos` of the node's text and
    // stores the position after it in `*pEnd` (may be null). An empty text
    // changes nothing but is still notified. False for a position outside
    // the text or when memory runs out (nothing changed).
    bool InsertText(COutlineNode *node, CTextPos pos, const kx_gen::_String &text, CTextPos *pEnd);
    // Removes the text between two paragraph positions (in either order).
    // False when they are equal or not valid.
    bool DeleteText(COutlineNode *node, CTextPos from, CTextPos to);
    // Pastes plain text over the selection [selFrom, selTo] of the node.
    // Text of one line, or any text when pasting into a single node is the
    // preference, goes in at the caret; otherwise the first line goes in at
    // the caret and every further line becomes a new item after the node
    // (same parent and level), and the text that followed the caret goes
    // to the end of the last of them. Stores the item and paragraph
    // position after the pasted text. False when nothing could be pasted.
    bool PasteTextLines(COutlineNode *node, CTextPos selFrom, CTextPos selTo,
        const kx_gen::_String &text, COutlineNode **ppNode, CTextPos *pEnd);
    // Sets the node's note; an empty text removes it.
    void SetNote(COutlineNode *node, const kx_gen::_String &note);
    // Sets the node's drawing from a DIB (which stays the caller's), or
    // removes it when `dib` is null. False when the DIB cannot be stored.
    bool SetItemDrawing(COutlineNode *node, kx_gen::HMEM dib);
    // Sorts the children of the node (null: the top level) by their texts,
    // and theirs, through the whole subtree; then renumbers.
    void Sort(COutlineNode *node, bool ascending);
    // Expands every item above `level` and collapses those at it.
    void ExpandToLevel(int level);
    // Removes a selection: nodes contiguous in display order, in that order.
    // Their descendants after the last of them stay and are placed after
    // the item before the selection, by their levels. False when a removal
    // failed.
    bool DeleteSelection(const std::vector<COutlineNode *> &nodes);

    // Drop modes of CheckDrop and Drop.
    enum DropMode {
        kDropTop = 0, // before the first item
        kDropBelow = 1, // below the target line, at the requested level
        kDropEnd = 2, // after the last item, at the requested level
    };
    // Whether dragged nodes of this outline may be dropped there, and the
    // level they would get (corrected in `level`).
    bool CheckDrop(int mode, int &level, COutlineNode *target,
        const std::vector<COutlineNode *> &dragged) const;
    // Where a drop at `level` below the target puts an item: its new parent
    // (null: the top level) and previous sibling (null: the first place).
    // Mode kDropTop, and kDropBelow without an item before the target, give
    // the first top-level place.
    void GetDropPlace(int mode, int level, COutlineNode *target, COutlineNode **ppParent,
        COutlineNode **ppPrev) const;
    // Moves (or copies) the node with its subtree to the drop place.
    // Returns the placed node (the copy), or null when nothing happened.
    COutlineNode *Drop(int mode, int level, COutlineNode *target, COutlineNode *node, bool copy);

    // Transfer blocks: the items as a small outline database in a movable
    // memory block that the caller owns (null after a storage error, which
    // goes to the message sink). The node with its subtree; the items from
    // `first` to `last` with their subtrees, in document order; or exactly
    // the listed items, in document order.
    kx_gen::HMEM MakeTransferBlock(COutlineNode *node);
    kx_gen::HMEM MakeTransferBlock(COutlineNode *first, COutlineNode *last);
    kx_gen::HMEM MakeTransferBlock(const std::vector<COutlineNode *> &nodes);
    // Replaces `target`'s outline (a scratch manager, not this one) by the
    // block's items, the first at the top level and the others at their
    // depth relative to it; with `resetIds` every id becomes 0. The block
    // stays the caller's and is only read; a damaged block is reported
    // through this manager's message sink and false is returned.
    bool LoadTransferBlock(kx_gen::HMEM block, COutlineMan &target, bool resetIds);
    // Inserts copies of `source`'s items under `parent` after `after` (null:
    // first), one level below the parent, or after the parent at its level
    // when that would be too deep. Stores the first new item in `*ppFirst`.
    bool InsertTransfer(const COutlineMan &source, COutlineNode *parent, COutlineNode *after,
        COutlineNode **ppFirst);

    // After a command (and after an undo or redo, with `afterUndo`): the
    // consequences for the items that the command touched: auto-checking
    // (when the settings ask for it; recorded with the command, so undo
    // restores the marks exactly) and renumbering of the touched sibling
    // lists.
    void AfterEdit(bool afterUndo);

    // ---- Diagnostics -----------------------------------------------------------

    // Flags of DebugDump.
    enum DumpFlags : unsigned {
        kDumpLevels = 0x1, // ":level" after each text
        kDumpChecked = 0x2, // "x:" before checked items
        kDumpExpanded = 0x4, // "+" after expanded items that have children
        kDumpIndex = 0x8, // "#index" after each text
    };
    // The tree in one line: the texts of the top-level items separated by
    // blanks, each followed by its children in parentheses, as in
    // "a (b c (d)) e". Paragraph breaks show as '|'.
    kx_gen::_String DebugDump(unsigned flags = 0) const;

protected:
    // Level extent: the largest index seen at a level and the parent it was
    // seen under (null for the top level).
    struct TLevelExtent {
        COutlineNode *m_pParent = nullptr;
        int m_nMaxIndex = 0;
    };

    void Notify(int code, COutlineNode *node, int value = 0)
    {
        if (m_pfnNotify && m_bNotify)
            m_pfnNotify(m_pNotifyParam, code, node, value);
    }
    // Reports a caught storage exception (its description) to the sink.
    void ShowMessage(const kx_gen::_String &text);
    // Reports an exception that is not the storage library's.
    void ShowUnknownException();
    // Wherever a new database is made the undo history starts again, so
    // that it never spans two outlines. The history owns the nodes of
    // removed items, which come from the tree's pool: it must end before
    // the tree is emptied or destroyed.
    void StartNewHistory();
    // An item made by AddFirstItem inside a command is recorded as created,
    // so that undoing the command takes it away again.
    void RecordFirstItem(COutlineNode *node);
    void RenumberList(COutlineNode *parent);
    void RenumberSubtree(COutlineNode *parent);
    void UpdateLevelExtent(int level, COutlineNode *parent, int index);
    // Inserts the item of a record read after `last` (null for the first).
    COutlineNode *AddLoadedItem(kx_gen::COutlineRecord *record, COutlineNode *last);
    // The save proper; throws the storage library's exceptions.
    void SaveToFile(const char *path);
    struct TSaveRow;
    // Sets the new, changed and sort-changed marks of a record that takes
    // `position` in the save, from a comparison with its row in the file
    // the database has open (every record is new for a new file). `scan` is
    // the record's as it stands, or null; `window` reads the old file's rows,
    // or is null; `stored` is scratch space. Sets `changed` when anything
    // changed.
    // Returns the marks for the item to keep (see KeepStoredMarks) when
    // they were set as for a row equal to the record, else 0.
    std::uint8_t MarkRecord(const TSaveRow &row, std::uint32_t position, const CRecordScan *scan,
        CRowWindow *window, kx_gen::COutlineRecord &stored, bool &changed);
    // Remembers the file just loaded as what `path` names, when it still is
    // the file the database opened.
    void RememberLoadedFile(const char *path);
    // Whether `node` or an ancestor is checked while checked items are hidden.
    bool IsHiddenByCheck(const COutlineNode *node) const;
    // Neighbours in document order among the items not hidden by checks.
    COutlineNode *NextSearchable(const COutlineNode *node, bool backward) const;
    // The first such item after the node's subtree.
    COutlineNode *NextAfterSubtree(const COutlineNode *node) const;
    // The last such item in the document.
    COutlineNode *LastSearchable() const;

    // ---- Editing internals (OutlineManEdit.cpp, OutlineManUndo.cpp) ----

    // The history, made when missing.
    CUndoOutlineMan &History();
    void DeleteHistory();
    static void DisposeUndoRecord(void *param, int reserved, class CUndoRecord *record);
    // Opens a group with `label` unless one is being recorded; ends it on
    // destruction when it opened one.
    class CAutoGroup;
    // Links a detached node at a place; false (nothing done) when `prev` is
    // not a child of `parent` or the place is not in the tree.
    bool AttachAt(COutlineNode *node, COutlineNode *parent, COutlineNode *prev);
    bool IsPlaceValid(const COutlineNode *parent, const COutlineNode *prev) const;
    // A new item at a place, one level below the parent, bound to a new
    // record (a copy of `source`, or a blank one), recorded as created and,
    // with `notify`, notified as inserted. Null after a failure (reported
    // to the message sink), with nothing changed; null also for a parent at
    // the deepest level.
    COutlineNode *InsertItem(COutlineNode *parent, COutlineNode *prev,
        const kx_gen::COutlineRecord *source, bool notify);
    // Inserts copies of the source's subtree (of any manager) at a place;
    // items that would be too deep follow their parent as siblings. Returns
    // the copy of `source` and stores the last copy placed in the parent's
    // list in `*ppLast` (may be null); null when not even the first copy
    // could be made. A failure later stops the copy where it is.
    COutlineNode *CopySubtree(COutlineNode *source, COutlineNode *parent, COutlineNode *prev,
        bool resetIds, bool notify, COutlineNode **ppLast);
    // Removes one childless item: notification 1, a deleted-item record,
    // its id to the deleted ids, its record out of the record set, detached.
    // Throws the storage library's exceptions and std::bad_alloc, changing
    // nothing.
    void RemoveItem(COutlineNode *node);
    // Removes the node's subtree, children first. Throws as RemoveItem;
    // what was removed before stays removed.
    void RemoveSubtree(COutlineNode *node);
    // Moves a node with its subtree to a place, with a move record, and sets
    // the node's level; false (nothing done) for an impossible place or the
    // place it already has. The subtree's levels are the caller's.
    bool RawMove(COutlineNode *node, COutlineNode *parent, COutlineNode *prev);
    // Fits the levels below a node to its own (FlattenChildren where they
    // would be too deep).
    void FitLevels(COutlineNode *node);
    // Moves a node with its subtree to a place, with a move record, and
    // fits the subtree's levels (children that would be too deep follow
    // their parent as siblings, each with a move record of its own).
    void MoveNode(COutlineNode *node, COutlineNode *parent, COutlineNode *prev);
    // Sets the levels in the node's subtree below the node's own: each
    // child one deeper than its parent, clamped to the deepest level.
    void RelevelSubtree(COutlineNode *node);
    // Moves the descendants of a node at the deepest level that has
    // children after it as its following siblings, in document order, each
    // with a move record. Returns the last node placed (the node itself
    // when it has no children).
    COutlineNode *FlattenChildren(COutlineNode *node);
    void SetCheck(COutlineNode *node, bool checked, bool automatic);
    void SortList(COutlineNode *parent, bool ascending);
    bool ReplayRecord(CUndoOutline *record, bool undo, COutlineNode **ppNode, CTextPos *pCaret);
    void ReplayNumbering(CUndoOutlNumbering &record);
    bool Replay(bool undo, COutlineNode **ppNode, CTextPos *pCaret);
    void AutoCheck(CUndoGroup *group);
    void RenumberTouched(CUndoGroup *group);
    // The item to suggest after a change at `node`: the node when visible,
    // else the previous visible item.
    COutlineNode *Suggest(COutlineNode *node) const;
    kx_gen::HMEM WriteTransferBlock(const std::vector<COutlineNode *> &nodes);
    // The first node of the drop anchor of a mode: the item above the
    // target line (kDropBelow) or the last visible item (kDropEnd).
    COutlineNode *GetDropAnchor(int mode, COutlineNode *target) const;
    bool IsInSubtree(const COutlineNode *node, const COutlineNode *top) const;

    // The blocks the outline's rows were read into: items loaded from them
    // use their texts in place, so they stay until the items have gone
    // (declared before the tree, so they outlive it).
    std::vector<std::shared_ptr<const void>> m_LoadedBlocks;
    COutlineTree m_Tree;
    TLevelExtent m_LevelExtent[COutlineItem::kLevelCount];
    PFNNOTIFY m_pfnNotify = nullptr;
    void *m_pNotifyParam = nullptr;
    // Owned; null while no outline is loaded.
    kx_gen::COutlineDB *m_pDB = nullptr;
    bool m_bNewDB = true;
    bool m_bShowChecked = true;
    bool m_bNotify = false;
    // Edits renumber the sibling lists they touched.
    bool m_bRenumber = true;
    int m_nLoadedRows = -1;
    // Owned; replaced whenever a new database is made.
    CUndoOutlineMan *m_pUndo = nullptr;
    // The group that Undo or Redo replayed last (for AfterEdit).
    CUndoGroup *m_pLastReplayed = nullptr;
    // Counts the versions of the outline file: rows read from one version
    // are not rows of the next.
    unsigned m_nFileGeneration = 0;
    // The file last loaded or saved, as it was then, and the open serial of
    // the stream that read or wrote it (0: none). While the file on disk has
    // that identity, a record that holds its row of that stream
    // (CDBRecord::HoldsRowOf) holds its row of the file.
    kx_gen::TFileIdentity m_FileIdentity;
    std::uint32_t m_nFileSerial = 0;
    int m_nRowsSavedUnread = 0;

    COutlineSettings *m_pSettings;
    CMessageSink *m_pMessages;
};
