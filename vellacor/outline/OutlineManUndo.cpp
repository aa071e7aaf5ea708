// COutlineMan: the undo history, replaying it, and what follows each edit.

#include "OutlineManEditing.h"

#include "kx_gen/DBConstants.h"
#include "kx_gen/Exception.h"
#include "kx_gen/OutlineDB.h"

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <unordered_set>
#include <utility>

using kx_gen::_String;
using kx_gen::CException;
using kx_gen::COutlineRecord;
using kx_gen::ExceptionHolder;

namespace {

// A history that does not fit the tree: replaying it would corrupt the
// outline, so the replay stops and puts back what it did.
[[noreturn]] void HistoryMismatch()
{
    throw std::logic_error("undo history does not match the outline");
}

} // namespace

// ---- History -----------------------------------------------------------------

void COutlineMan::StartNewHistory()
{
    DeleteHistory();
    History();
}

void COutlineMan::DeleteHistory()
{
    // The records free the items they keep through the disposal hook, which
    // needs the tree: the history goes first.
    delete m_pUndo;
    m_pUndo = nullptr;
    m_pLastReplayed = nullptr;
}

CUndoOutlineMan &COutlineMan::History()
{
    if (!m_pUndo) {
        m_pUndo = new CUndoOutlineMan;
        m_pUndo->SetDispose(&COutlineMan::DisposeUndoRecord, this);
    }
    return *m_pUndo;
}

void COutlineMan::DisposeUndoRecord(void *param, int, CUndoRecord *record)
{
    // Only a deleted-item record owns its node, and only while the node is
    // out of the tree.
    auto *deleted = dynamic_cast<CUndoDelete *>(record);
    if (!deleted || deleted->m_nKind != CUndoOutline::kDeleted)
        return;
    COutlineNode *node = deleted->m_pNode;
    if (node && node->m_Item.m_bDetached)
        static_cast<COutlineMan *>(param)->m_Tree.FreeDetached(node);
    deleted->m_pNode = nullptr;
}

void COutlineMan::RecordFirstItem(COutlineNode *node)
{
    if (!m_pUndo || !m_pUndo->IsRecording())
        return;
    try {
        m_pUndo->AddCreatedRecord(node, nullptr, node->m_pPrev);
    } catch (CException *e) {
        ExceptionHolder holder(e);
    } catch (...) {
    }
}

// ---- Places --------------------------------------------------------------------

bool COutlineMan::IsPlaceValid(const COutlineNode *parent, const COutlineNode *prev) const
{
    // The parent must be linked all the way up to the root.
    const COutlineNode *resolved = parent ? parent : m_Tree.GetRoot();
    for (const COutlineNode *n = parent; n; n = n->m_pParent) {
        if (n->m_Item.m_bDetached)
            return false;
        if (m_Tree.IsRoot(n->m_pParent))
            break;
        if (!n->m_pParent)
            return false;
    }
    return !prev || prev->m_pParent == resolved;
}

bool COutlineMan::AttachAt(COutlineNode *node, COutlineNode *parent, COutlineNode *prev)
{
    if (!IsPlaceValid(parent, prev))
        return false;
    if (prev)
        m_Tree.AttachAfter(node, parent, prev);
    else
        m_Tree.AttachFirst(node, parent);
    return true;
}

bool COutlineMan::IsInSubtree(const COutlineNode *node, const COutlineNode *top) const
{
    for (const COutlineNode *n = node; n && !m_Tree.IsRoot(n); n = n->m_pParent) {
        if (n == top)
            return true;
    }
    return false;
}

COutlineNode *COutlineMan::Suggest(COutlineNode *node) const
{
    if (!node || node->m_Item.m_bDetached)
        return nullptr;
    if (IsVisible(node))
        return node;
    // The last visible item before the node in display order: find the
    // outermost hidden item around it; a collapsed parent of that is the
    // answer, else what is shown before it in its list.
    COutlineNode *hidden = node;
    for (COutlineNode *p = m_Tree.GetParent(hidden); p && !IsVisible(p); p = m_Tree.GetParent(p))
        hidden = p;
    COutlineNode *parent = m_Tree.GetParent(hidden);
    if (parent && !parent->m_Item.m_bExpanded)
        return parent;
    COutlineNode *n = GetPrevShownSibling(hidden);
    if (!n)
        return parent;
    while (n->m_Item.m_bExpanded) {
        COutlineNode *last = GetLastShownChild(n);
        if (!last)
            break;
        n = last;
    }
    return n;
}

// ---- Replay ----------------------------------------------------------------------

bool COutlineMan::Undo(COutlineNode **ppNode, CTextPos *pCaret)
{
    return Replay(true, ppNode, pCaret);
}

bool COutlineMan::Redo(COutlineNode **ppNode, CTextPos *pCaret)
{
    return Replay(false, ppNode, pCaret);
}

bool COutlineMan::Replay(bool undo, COutlineNode **ppNode, CTextPos *pCaret)
{
    if (ppNode)
        *ppNode = nullptr;
    if (pCaret)
        *pCaret = CTextPos();
    if (!m_pUndo || m_pUndo->IsRecording() || !m_pDB)
        return false;
    CUndoGroup *group = undo ? m_pUndo->GetUndoGroup() : m_pUndo->GetRedoGroup();
    if (!group)
        return false;

    const std::size_t count = group->size();
    auto at = [&](std::size_t k) { return (*group)[undo ? count - 1 - k : k]; };
    COutlineNode *node = nullptr;
    CTextPos caret;
    std::size_t done = 0;
    _String failure;
    bool failed = false;
    try {
        for (; done < count; ++done) {
            if (auto *record = dynamic_cast<CUndoOutline *>(at(done)))
                ReplayRecord(record, undo, &node, &caret);
        }
    } catch (CException *e) {
        ExceptionHolder holder(e);
        failure = holder->GetDescription();
        if (failure.IsEmpty())
            failure = "Unknown exception";
        failed = true;
    } catch (...) {
        failed = true;
    }
    if (failed) {
        // Put back what this replay did, newest first, so the outline is as
        // before it; then the history goes, because the caller steps past
        // the group whatever happened and a later replay would then act on
        // records that no longer describe the outline.
        try {
            while (done > 0) {
                --done;
                if (auto *record = dynamic_cast<CUndoOutline *>(at(done)))
                    ReplayRecord(record, !undo, nullptr, nullptr);
            }
        } catch (CException *e) {
            ExceptionHolder holder(e);
        } catch (...) {
        }
        m_pUndo->Clear();
        m_pLastReplayed = nullptr;
        if (!failure.IsEmpty())
            ShowMessage(failure);
        return false;
    }
    m_pLastReplayed = group;
    if (node && node->m_Item.m_bDetached)
        node = nullptr;
    if (ppNode)
        *ppNode = node;
    if (pCaret)
        *pCaret = caret;
    return true;
}

bool COutlineMan::ReplayRecord(
    CUndoOutline *record, bool undo, COutlineNode **ppNode, CTextPos *pCaret)
{
    if (record->m_nKind == CUndoOutline::kNumbering) {
        ReplayNumbering(*static_cast<CUndoOutlNumbering *>(record));
        if (ppNode)
            *ppNode = nullptr;
        if (pCaret)
            *pCaret = CTextPos();
        return true;
    }
    COutlineNode *node = record->m_pNode;
    if (!node)
        HistoryMismatch();
    COutlineItem &item = node->m_Item;
    COutlineNode *suggested = nullptr;
    CTextPos caret;

    switch (record->m_nKind) {
    case CUndoOutline::kText: {
        auto *text = static_cast<CUndoOutlText *>(record);
        if (item.m_bDetached)
            HistoryMismatch();
        // Undoing an insertion deletes, undoing a deletion inserts; redo
        // does what the record says.
        if (text->m_bInsert != undo) {
            if (!item.m_Text.IsValidParaPos(text->m_From))
                HistoryMismatch();
            item.m_Text.InsertAt(text->m_From, text->GetText());
            Notify(kNotifyTextInserted, node);
            caret = text->m_To;
        } else {
            if (!(text->m_From == text->m_To) && !item.m_Text.DeleteRange(text->m_From, text->m_To))
                HistoryMismatch();
            Notify(kNotifyTextDeleted, node);
            caret = text->m_From;
        }
        ExpandAncestors(node);
        suggested = node;
        break;
    }
    case CUndoOutline::kCheck: {
        auto *check = static_cast<CUndoOutlCheck *>(record);
        if (item.m_bDetached)
            HistoryMismatch();
        Notify(kNotifyCheck, node);
        item.m_bChecked = check->m_bValue;
        check->m_bValue = !check->m_bValue;
        ExpandAncestors(node);
        suggested = Suggest(node);
        break;
    }
    case CUndoOutline::kPos: {
        auto *move = static_cast<CUndoOutlPos *>(record);
        COutlineNode *parent = move->m_pOldParent;
        COutlineNode *prev = move->m_pOldPrev;
        if (item.m_bDetached || prev == node || !IsPlaceValid(parent, prev)
            || IsInSubtree(parent, node))
            HistoryMismatch();
        COutlineNode *fromParent = m_Tree.GetParent(node);
        COutlineNode *fromPrev = node->m_pPrev;
        m_Tree.Detach(node);
        AttachAt(node, parent, prev);
        item.m_nLevel = parent ? COutlineItem::ChildLevel(parent->m_Item.m_nLevel) : 0;
        RelevelSubtree(node);
        move->m_pOldParent = fromParent;
        move->m_pOldPrev = fromPrev;
        move->m_pNewParent = parent;
        move->m_pNewPrev = prev;
        ExpandAncestors(node);
        suggested = Suggest(node);
        break;
    }
    case CUndoOutline::kCreated: {
        // Take the item out again; the record keeps it.
        auto *created = static_cast<CUndoDelete *>(record);
        if (item.m_bDetached || node->m_pFirstChild || !item.m_pRecord)
            HistoryMismatch();
        suggested = IsVisible(node) ? GetPrevVisible(node) : Suggest(node);
        // Everything that can fail comes before the first change.
        item.StoreToRecord();
        created->m_Record = *item.m_pRecord;
        created->m_nFilePos = item.m_pRecord->GetPos();
        created->m_nFileGeneration = m_nFileGeneration;
        if (item.m_nId)
            m_pDB->AddDeletedId(item.m_nId);
        Notify(kNotifyRemoving, node);
        created->m_pOldParent = m_Tree.GetParent(node);
        created->m_pOldPrev = node->m_pPrev;
        m_pDB->GetRecordset()->DeleteUnordered(item.m_pRecord);
        item.m_pRecord = nullptr;
        item.m_bDetached = true;
        m_Tree.Detach(node);
        created->m_nKind = CUndoOutline::kDeleted;
        break;
    }
    case CUndoOutline::kDeleted: {
        // Bring the item back where it was, with its record.
        auto *deleted = static_cast<CUndoDelete *>(record);
        COutlineNode *parent = deleted->m_pOldParent;
        COutlineNode *prev = deleted->m_pOldPrev;
        if (!item.m_bDetached || prev == node || !IsPlaceValid(parent, prev))
            HistoryMismatch();
        kx_gen::CDBRecordset *records = m_pDB->GetRecordset();
        auto *bound = static_cast<COutlineRecord *>(records->Append());
        try {
            *bound = deleted->m_Record;
            if (deleted->m_nFileGeneration == m_nFileGeneration)
                bound->SetPos(deleted->m_nFilePos);
            item.m_pRecord = bound;
            item.LoadFromRecord();
        } catch (...) {
            item.m_pRecord = nullptr;
            records->DeleteUnordered(bound);
            throw;
        }
        if (item.m_nId)
            m_pDB->removeDeletedId(item.m_nId);
        item.m_bDetached = false;
        AttachAt(node, parent, prev);
        item.m_nLevel = parent ? COutlineItem::ChildLevel(parent->m_Item.m_nLevel) : 0;
        deleted->m_nKind = CUndoOutline::kCreated;
        // The copy is only needed while the item is out of the tree.
        deleted->m_Record.FreeData();
        Notify(kNotifyInserted, node);
        ExpandAncestors(node);
        suggested = Suggest(node);
        break;
    }
    case CUndoOutline::kNote: {
        auto *note = static_cast<CUndoOutlNote *>(record);
        if (item.m_bDetached)
            HistoryMismatch();
        const int before = item.m_strNote.GetLength();
        std::swap(item.m_strNote, note->m_strNote);
        if (item.m_strNote.GetLength() != before)
            Notify(kNotifyNoteChanged, node);
        ExpandAncestors(node);
        suggested = Suggest(node);
        break;
    }
    case CUndoOutline::kDrawing: {
        auto *drawing = static_cast<CUndoOutlDrawing *>(record);
        if (item.m_bDetached || !item.m_pRecord)
            HistoryMismatch();
        COutlineRecord &bound = *item.m_pRecord;
        std::vector<std::uint8_t> current;
        std::uint32_t size = 0;
        if (const std::uint8_t *data = bound.GetDrawingData(size))
            current.assign(data, data + size);
        const bool had = item.HasDrawing();
        if (drawing->m_Drawing.empty()) {
            if (bound.HasDrawing())
                bound.DeleteBitmap();
        } else {
            bound.SetDrawingData(
                drawing->m_Drawing.data(), static_cast<std::uint32_t>(drawing->m_Drawing.size()));
        }
        drawing->m_Drawing.swap(current);
        item.LoadDrawingSize();
        if (had != item.HasDrawing())
            Notify(kNotifyDrawingChanged, node);
        ExpandAncestors(node);
        suggested = Suggest(node);
        break;
    }
    default:
        return false;
    }
    if (ppNode)
        *ppNode = suggested;
    if (pCaret)
        *pCaret = caret;
    return true;
}

void COutlineMan::ReplayNumbering(CUndoOutlNumbering &record)
{
    std::uint8_t current[kNumberingSize];
    GetNumbering(current);
    const auto divider = static_cast<std::uint8_t>(m_pDB->getNumberingDivider() & 0xFF);
    SetNumbering(record.m_Styles);
    SetNumberingDivider(record.m_chDivider);
    std::copy(current, current + kNumberingSize, record.m_Styles);
    record.m_chDivider = divider;
    Notify(kNotifyNumbering, nullptr);
}

bool COutlineMan::ChangeNumbering(const std::uint8_t *styles, std::uint8_t divider)
{
    std::uint8_t current[kNumberingSize];
    GetNumbering(current);
    const auto oldDivider = static_cast<std::uint8_t>(m_pDB->getNumberingDivider() & 0xFF);
    if (std::equal(current, current + kNumberingSize, styles) && oldDivider == divider)
        return false;
    if (m_pUndo) {
        m_pUndo->BeginGroup(CUndoOutlineMan::kLabelNumbering, false);
        try {
            m_pUndo->AddNumberingRecord(current, oldDivider);
        } catch (...) {
            m_pUndo->EndGroup();
            throw;
        }
        m_pUndo->EndGroup();
    }
    SetNumbering(styles);
    SetNumberingDivider(divider);
    SetModified(true);
    return true;
}

// ---- After an edit -------------------------------------------------------------

void COutlineMan::AfterEdit(bool afterUndo)
{
    if (!m_pUndo)
        return;
    CUndoGroup *group = nullptr;
    if (afterUndo)
        group = m_pUndo->HasGroup(m_pLastReplayed) ? m_pLastReplayed : nullptr;
    else if (m_pUndo->IsRecording())
        group = m_pUndo->GetCurrentGroup();
    else
        group = m_pUndo->GetLastEndedGroup();
    if (!group)
        return;
    try {
        // A replay restores the marks exactly, the automatic ones included,
        // because they were recorded with their command.
        if (!afterUndo && m_pSettings && m_pSettings->GetAutoChecking())
            AutoCheck(group);
        if (m_bRenumber)
            RenumberTouched(group);
    } catch (CException *e) {
        ExceptionHolder holder(e);
    } catch (...) {
    }
}

void COutlineMan::SetCheck(COutlineNode *node, bool checked, bool automatic)
{
    if (node->m_Item.m_bChecked == checked)
        return;
    if (!automatic)
        Notify(kNotifyCheck, node);
    node->m_Item.m_bChecked = checked;
    if (automatic && checked)
        Notify(kNotifyCheck, node);
}

void COutlineMan::AutoCheck(CUndoGroup *group)
{
    std::vector<COutlineNode *> touched;
    std::unordered_set<const COutlineNode *> explicitlySet;
    auto touch = [&](COutlineNode *node) {
        if (node && !node->m_Item.m_bDetached)
            touched.push_back(node);
    };
    for (CUndoRecord *r : *group) {
        auto *record = dynamic_cast<CUndoOutline *>(r);
        if (!record)
            continue;
        switch (record->m_nKind) {
        case CUndoOutline::kCheck:
            if (!static_cast<CUndoOutlCheck *>(record)->m_bAuto) {
                touch(record->m_pNode);
                explicitlySet.insert(record->m_pNode);
            }
            break;
        case CUndoOutline::kPos: {
            auto *move = static_cast<CUndoOutlPos *>(record);
            touch(move->m_pNode);
            touch(move->m_pOldParent);
            touch(move->m_pNewParent);
            break;
        }
        case CUndoOutline::kCreated:
            touch(record->m_pNode);
            break;
        case CUndoOutline::kDeleted:
            touch(static_cast<CUndoDelete *>(record)->m_pOldParent);
            break;
        default:
            break;
        }
    }
    std::sort(touched.begin(), touched.end());
    touched.erase(std::unique(touched.begin(), touched.end()), touched.end());
    std::stable_sort(
        touched.begin(), touched.end(), [](const COutlineNode *a, const COutlineNode *b) {
            return a->m_Item.m_nLevel > b->m_Item.m_nLevel;
        });

    // Every automatic change joins the command's group, so that undoing the
    // command restores the marks it changed, the user's included.
    auto change = [&](COutlineNode *node, bool checked) {
        auto *record = new CUndoOutlCheck(node, node->m_Item.m_bChecked, true);
        if (!m_pUndo->AppendToGroup(group, record))
            return false;
        SetCheck(node, checked, true);
        return true;
    };
    for (COutlineNode *node : touched) {
        if (!node->m_pFirstChild || explicitlySet.count(node))
            continue;
        const bool all = AllChildrenChecked(node);
        if (all != node->m_Item.m_bChecked && !change(node, all))
            return;
    }
    for (COutlineNode *node : touched) {
        for (COutlineNode *a = m_Tree.GetParent(node); a; a = m_Tree.GetParent(a)) {
            if (explicitlySet.count(a))
                break;
            const bool all = AllChildrenChecked(a);
            if (all == a->m_Item.m_bChecked)
                break;
            if (!change(a, all))
                return;
        }
    }
}

void COutlineMan::RenumberTouched(CUndoGroup *group)
{
    std::vector<COutlineNode *> parents;
    std::vector<COutlineNode *> moved;
    bool topLevel = false;
    auto parentOf = [&](COutlineNode *parent) {
        if (!parent)
            topLevel = true;
        else if (!parent->m_Item.m_bDetached)
            parents.push_back(parent);
    };
    auto inTree = [](const COutlineNode *node) { return node && !node->m_Item.m_bDetached; };
    for (CUndoRecord *r : *group) {
        auto *record = dynamic_cast<CUndoOutline *>(r);
        if (!record)
            continue;
        switch (record->m_nKind) {
        case CUndoOutline::kCheck:
        case CUndoOutline::kCreated:
            if (inTree(record->m_pNode))
                parentOf(m_Tree.GetParent(record->m_pNode));
            break;
        case CUndoOutline::kPos: {
            auto *move = static_cast<CUndoOutlPos *>(record);
            parentOf(move->m_pOldParent);
            parentOf(move->m_pNewParent);
            if (inTree(move->m_pNode) && move->m_pNode->m_pFirstChild)
                moved.push_back(move->m_pNode);
            break;
        }
        case CUndoOutline::kDeleted:
            parentOf(static_cast<CUndoDelete *>(record)->m_pOldParent);
            break;
        default:
            break;
        }
    }
    std::sort(parents.begin(), parents.end());
    parents.erase(std::unique(parents.begin(), parents.end()), parents.end());
    if (topLevel)
        RenumberChildren(nullptr);
    for (COutlineNode *parent : parents)
        RenumberChildren(parent);
    // A moved subtree may sit at other levels now: its lists count towards
    // the extents of those.
    std::sort(moved.begin(), moved.end());
    moved.erase(std::unique(moved.begin(), moved.end()), moved.end());
    for (COutlineNode *node : moved) {
        if (IsShown(node))
            RenumberSubtree(node);
    }
}
