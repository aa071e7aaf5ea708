#pragma once

#include "OutlineMan.h"
#include "UndoMan.h"

#include "kx_gen/OutlineRecord.h"
#include "kx_gen/String.h"

#include <algorithm>
#include <cstdint>
#include <vector>

// The undo records of an outline. Each names the node it concerns; only a
// deleted-item record in its deleted state owns that node (detached from the
// tree), every other record merely points at nodes that the tree owns.
// Places in the tree are (parent, previous sibling) pairs: a null parent is
// the top level, a null previous sibling the first place.
class CUndoOutline : public CUndoRecord {
public:
    enum Kind {
        kText = 2,
        kCheck = 3,
        kPos = 4,
        kCreated = 5,
        kDeleted = 6,
        kNote = 7,
        kDrawing = 8,
        // The outline's line numbering; concerns no node.
        kNumbering = 9,
    };

    CUndoOutline(COutlineNode *node, int kind)
        : m_pNode(node)
        , m_nKind(kind)
    {
    }

    COutlineNode *m_pNode;
    int m_nKind;
};

// Text inserted into or deleted from an item, between two paragraph
// positions of its text.
class CUndoOutlText : public CUndoOutline {
public:
    // Throws std::bad_alloc.
    CUndoOutlText(
        COutlineNode *node, bool insert, CTextPos from, CTextPos to, const kx_gen::_String &text);
    ~CUndoOutlText() override;

    kx_gen::_String GetText() const;
    // Whether the text is kept in the field itself (one character).
    bool IsInline() const { return m_Text != 0 && m_Text < kFirstPointer; }

    // 0 for no text, a character code for a single character, otherwise the
    // address of a heap copy. Values below kFirstPointer are never addresses.
    std::uintptr_t m_Text = 0;
    CTextPos m_From { -1, -1 };
    CTextPos m_To { -1, -1 };
    bool m_bInsert;

private:
    static constexpr std::uintptr_t kFirstPointer = 0x10000;
};

// A check mark: the state to apply at the next undo or redo.
class CUndoOutlCheck : public CUndoOutline {
public:
    CUndoOutlCheck(COutlineNode *node, bool value, bool automatic = false)
        : CUndoOutline(node, kCheck)
        , m_bValue(value)
        , m_bAuto(automatic)
    {
    }
    bool m_bValue;
    // Made by auto-checking, not by the user.
    bool m_bAuto;
};

// A move in the tree. Each replay moves the node to the old place and swaps
// the two places, so the record always describes the next replay.
class CUndoOutlPos : public CUndoOutline {
public:
    CUndoOutlPos(COutlineNode *node, int kind, COutlineNode *oldParent, COutlineNode *oldPrev,
        COutlineNode *newParent, COutlineNode *newPrev)
        : CUndoOutline(node, kind)
        , m_pOldParent(oldParent)
        , m_pOldPrev(oldPrev)
        , m_pNewParent(newParent)
        , m_pNewPrev(newPrev)
    {
    }
    COutlineNode *m_pOldParent;
    COutlineNode *m_pOldPrev;
    COutlineNode *m_pNewParent;
    COutlineNode *m_pNewPrev;
};

// An item created (kind 5: it is in the tree) or deleted (kind 6: it was
// detached and this record owns it, with a copy of its record). The place
// is the first pair of CUndoOutlPos. Each replay turns one into the other.
class CUndoDelete : public CUndoOutlPos {
public:
    // Throws CException (message 18) or std::bad_alloc for the empty record.
    CUndoDelete(COutlineNode *node, int kind, COutlineNode *parent, COutlineNode *prev)
        : CUndoOutlPos(node, kind, parent, prev, nullptr, nullptr)
    {
    }
    kx_gen::COutlineRecord m_Record;
    // Where the record's row lies in the outline file, and which version of
    // the file that is: a restored item keeps its row only while the file
    // is the one it was read from, so that saving compares it with its own
    // row and does not take it for a new one.
    std::uint32_t m_nFilePos = 0xFFFFFFFF;
    unsigned m_nFileGeneration = 0;
};

// The note an item had: replaying puts it back and keeps the other one.
class CUndoOutlNote : public CUndoOutline {
public:
    CUndoOutlNote(COutlineNode *node, const CNoteText &note)
        : CUndoOutline(node, kNote)
        , m_strNote(note)
    {
    }
    CNoteText m_strNote;
};

// The drawing an item had, as the bytes its record stores (empty for none).
class CUndoOutlDrawing : public CUndoOutline {
public:
    CUndoOutlDrawing(COutlineNode *node, std::vector<std::uint8_t> drawing)
        : CUndoOutline(node, kDrawing)
        , m_Drawing(std::move(drawing))
    {
    }
    std::vector<std::uint8_t> m_Drawing;
};

// The line numbering the outline had (its styles and divider); replaying
// puts it back and keeps the other one.
class CUndoOutlNumbering : public CUndoOutline {
public:
    static constexpr int kStyles = COutlineItem::kLevelCount;

    CUndoOutlNumbering(const std::uint8_t *styles, std::uint8_t divider)
        : CUndoOutline(nullptr, kNumbering)
        , m_chDivider(divider)
    {
        std::copy(styles, styles + kStyles, m_Styles);
    }
    std::uint8_t m_Styles[kStyles];
    std::uint8_t m_chDivider;
};

// The undo history of an outline: the labels of its commands and the
// creators of its records. Every creator allocates the record and appends
// it (AddRecord); allocation failures throw std::bad_alloc (or CException
// message 18 for a deleted-item record) before anything is appended.
class CUndoOutlineMan : public CUndoMan {
public:
    // Labels of the commands (the group's m_nLabel).
    enum Label {
        kLabelUnknown = 0,
        kLabelPaste = 1,
        kLabelDeleteSelection = 2,
        kLabelCut = 3,
        kLabelTyping = 4,
        kLabelBackspace = 5,
        kLabelInsertDate = 6,
        kLabelDragAndDropText = 7,
        kLabelReplace = 8,
        kLabelDelete = 9,
        kLabelInsertTime = 10,
        kLabelCreateNode = 11,
        kLabelDeleteNode = 12,
        kLabelOutdent = 13,
        kLabelIndent = 14,
        kLabelMoveUp = 15,
        kLabelMoveDown = 16,
        kLabelCheck = 17,
        kLabelExpand = 18,
        kLabelCreateNote = 19,
        kLabelDeleteNote = 20,
        kLabelCreatePicture = 21,
        kLabelDeletePicture = 22,
        kLabelDrop = 24,
        kLabelDuplicate = 25,
        kLabelDropCopy = 26,
        kLabelDropMove = 27,
        kLabelCopyToCabinet = 28,
        kLabelCutToCabinet = 29,
        kLabelDeleteChecked = 30,
        kLabelUncheckAll = 31,
        kLabelCutNodes = 32,
        kLabelPasteNodes = 33,
        // Sorting has no menu text of its own.
        kLabelSort = 34,
        kLabelNumbering = 35,
    };

    bool GetLabelText(int label, kx_gen::_String &text) const override;

    // Kind 2. The text is kept as CUndoOutlText describes.
    void AddTextRecord(
        COutlineNode *node, bool insert, CTextPos from, CTextPos to, const kx_gen::_String &text);
    // Kind 3; `value` is the state that an undo restores.
    void AddCheckRecord(COutlineNode *node, bool value);
    // Kind 5, without a record copy.
    void AddCreatedRecord(COutlineNode *node, COutlineNode *parent, COutlineNode *prev);
    // Kind 6, with a copy of `record`; the node must be detached by the
    // caller right after, and belongs to the record from then on.
    void AddDeletedRecord(COutlineNode *node, const kx_gen::COutlineRecord &record,
        COutlineNode *parent, COutlineNode *prev);
    // Kind 4. The record stays the history's; it is returned so that the
    // caller can fill in the new place once it is known.
    CUndoOutlPos *AddMoveRecord(COutlineNode *node, COutlineNode *oldParent, COutlineNode *oldPrev,
        COutlineNode *newParent, COutlineNode *newPrev);
    // Kind 9: the numbering before a change.
    void AddNumberingRecord(const std::uint8_t *styles, std::uint8_t divider);
};
