#pragma once

#include "OutlineItem.h"
#include "OutlineServices.h"

#include "kx_gen/String.h"
#include "kx_gen/TreeMan.h"

#include <cstdint>
#include <vector>

namespace kx_gen {
class COutlineDB;
}

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

    // The item order of sorting: the texts compared character by character,
    // letters in lower case (Windows-1252), paragraph breaks as CR LF.
    static int CompareTexts(const COutlineNode *a, const COutlineNode *b);

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
    // Wherever a new database is made the undo history starts again, so
    // that it never spans two outlines.
    void StartNewHistory();
    void RenumberList(COutlineNode *parent);
    void RenumberSubtree(COutlineNode *parent);
    void UpdateLevelExtent(int level, COutlineNode *parent, int index);
    // Level repair and tree building from the loaded record set; false after
    // reporting a failure.
    bool BuildTree();
    // The save proper; throws the storage library's exceptions.
    void SaveToFile(const char *path);
    struct TSaveRow;
    // Sets the new, changed and sort-changed marks of the records in their
    // save order by comparing them with the rows of the open file (every
    // record is new for a new file); true when anything changed, the
    // outline's changed flag included.
    bool MarkChanges(const std::vector<TSaveRow> &rows);
    // Whether `node` or an ancestor is checked while checked items are hidden.
    bool IsHiddenByCheck(const COutlineNode *node) const;
    // Neighbours in document order among the items not hidden by checks.
    COutlineNode *NextSearchable(const COutlineNode *node, bool backward) const;
    // The first such item after the node's subtree.
    COutlineNode *NextAfterSubtree(const COutlineNode *node) const;
    // The last such item in the document.
    COutlineNode *LastSearchable() const;

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

    COutlineSettings *m_pSettings;
    CMessageSink *m_pMessages;
};
