// COutlineMan: the item operations and their preconditions.

#include "OutlineManEditing.h"

#include "kx_gen/Exception.h"
#include "kx_gen/OutlineDB.h"

#include <algorithm>
#include <memory>
#include <string>
#include <unordered_set>

using kx_gen::_String;
using kx_gen::CException;
using kx_gen::COutlineRecord;
using kx_gen::ExceptionHolder;
using Label = CUndoOutlineMan::Label;

namespace {

const char *const kTextCannotJoin = "You can not join an item that has sub-items";
const char *const kTextUnknownException = "Unknown exception";

// The next node in document order after the node's subtree, or null.
COutlineNode *NextAfterSubtreeInDocument(const COutlineTree &tree, const COutlineNode *node)
{
    for (const COutlineNode *n = node; n; n = tree.GetParent(n)) {
        if (n->m_pNext)
            return n->m_pNext;
    }
    return nullptr;
}

// Pasted text split into lines at CR LF, CR or LF.
std::vector<_String> SplitLines(const _String &text)
{
    std::vector<_String> lines;
    const std::string &s = text.str();
    std::size_t start = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\r' && s[i] != '\n')
            continue;
        lines.emplace_back(s.substr(start, i - start));
        if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    lines.emplace_back(s.substr(start));
    return lines;
}

} // namespace

// ---- Preconditions --------------------------------------------------------------

bool COutlineMan::CanIndent(const COutlineNode *node, int extra) const
{
    return node && GetPrevShownSibling(node)
        && COutlineItem::IsValidLevel(MaxLevelInSubtree(node) + extra + 1);
}

int COutlineMan::IndentRoom(const COutlineNode *node) const
{
    return COutlineItem::kMaxLevel - (MaxLevelInSubtree(node) - node->m_Item.m_nLevel);
}

bool COutlineMan::CanOutdent(const COutlineNode *node) const
{
    return node && m_Tree.GetParent(node) && !node->m_pNext;
}

// ---- Building blocks ------------------------------------------------------------

COutlineNode *COutlineMan::InsertItem(
    COutlineNode *parent, COutlineNode *prev, const COutlineRecord *source, bool notify)
{
    // An item is one level below its parent, so a parent at the deepest
    // level can have none.
    if (!m_pDB || !IsPlaceValid(parent, prev)
        || (parent && parent->m_Item.m_nLevel >= COutlineItem::kMaxLevel))
        return nullptr;
    CUndoOutlineMan &undo = History();
    kx_gen::CDBRecordset *records = m_pDB->GetRecordset();
    COutlineRecord *record = nullptr;
    COutlineNode *node = nullptr;
    std::unique_ptr<CUndoDelete> created;
    _String failure;
    try {
        created = std::make_unique<CUndoDelete>(nullptr, CUndoOutline::kCreated, parent, prev);
        undo.ReserveRecord();
        record = static_cast<COutlineRecord *>(records->Append());
        if (source) {
            const std::uint32_t row = record->GetRowIndex();
            *record = *source;
            record->SetRowIndex(row);
        }
        const COutlineItem blank;
        node = prev ? m_Tree.InsertAfter(blank, parent, prev) : m_Tree.InsertFirst(blank, parent);
        node->m_Item.m_pRecord = record;
        node->m_Item.LoadFromRecord();
    } catch (CException *e) {
        ExceptionHolder holder(e);
        failure = holder->GetDescription();
        if (failure.IsEmpty())
            failure = kTextUnknownException;
    } catch (...) {
        failure = kTextUnknownException;
    }
    if (!failure.IsEmpty()) {
        if (node)
            m_Tree.Remove(node);
        if (record)
            records->DeleteUnordered(record);
        ShowMessage(failure);
        return nullptr;
    }
    node->m_Item.m_nLevel = parent ? COutlineItem::ChildLevel(parent->m_Item.m_nLevel) : 0;
    created->m_pNode = node;
    undo.AddRecord(created.release());
    if (notify)
        Notify(kNotifyInserted, node);
    return node;
}

COutlineNode *COutlineMan::CopySubtree(COutlineNode *source, COutlineNode *parent,
    COutlineNode *prev, bool resetIds, bool notify, COutlineNode **ppLast)
{
    if (ppLast)
        *ppLast = nullptr;
    // The items to copy, with their depth below the source, taken first:
    // the copies may land inside the source's own subtree.
    std::vector<std::pair<COutlineNode *, int>> items;
    {
        int depth = 0;
        COutlineNode *n = source;
        while (n) {
            items.emplace_back(n, depth);
            if (n->m_pFirstChild) {
                n = n->m_pFirstChild;
                ++depth;
                continue;
            }
            while (n != source && !n->m_pNext) {
                n = n->m_pParent;
                --depth;
            }
            n = n == source ? nullptr : n->m_pNext;
        }
    }
    const int base = parent ? parent->m_Item.m_nLevel + 1 : 0;
    if (!COutlineItem::IsValidLevel(base))
        return nullptr;
    // The last copy made at each level: the parent of the next deeper one.
    COutlineNode *lastAt[COutlineItem::kLevelCount] = {};
    COutlineNode *first = nullptr;
    for (const auto &[from, depth] : items) {
        // Items that would be too deep follow their parent as siblings.
        const int level = std::min(base + depth, static_cast<int>(COutlineItem::kMaxLevel));
        COutlineNode *where = nullptr;
        COutlineNode *after = nullptr;
        if (level == base) {
            where = parent;
            after = first ? lastAt[base] : prev;
        } else {
            where = lastAt[level - 1];
            after = where->m_pLastChild;
        }
        COutlineItem &item = from->m_Item;
        COutlineNode *copy = nullptr;
        try {
            item.StoreToRecord();
            copy = InsertItem(where, after, item.m_pRecord, notify);
            item.ReleaseRecordText();
        } catch (CException *e) {
            ExceptionHolder holder(e);
            ShowMessage(holder->GetDescription());
        } catch (...) {
        }
        if (!copy)
            break;
        if (resetIds)
            copy->m_Item.m_nId = 0;
        lastAt[level] = copy;
        if (!first)
            first = copy;
    }
    if (ppLast)
        *ppLast = first ? lastAt[base] : nullptr;
    return first;
}

void COutlineMan::RemoveItem(COutlineNode *node)
{
    COutlineItem &item = node->m_Item;
    COutlineNode *parent = m_Tree.GetParent(node);
    CUndoOutlineMan &undo = History();
    // Everything that can fail comes before the first change.
    auto deleted
        = std::make_unique<CUndoDelete>(node, CUndoOutline::kDeleted, parent, node->m_pPrev);
    item.StoreToRecord();
    deleted->m_Record = *item.m_pRecord;
    deleted->m_nFilePos = item.m_pRecord->GetPos();
    deleted->m_nFileGeneration = m_nFileGeneration;
    undo.ReserveRecord();
    if (item.m_nId)
        m_pDB->AddDeletedId(item.m_nId);

    Notify(kNotifyRemoving, node);
    undo.AddRecord(deleted.release());
    m_pDB->GetRecordset()->DeleteUnordered(item.m_pRecord);
    item.m_pRecord = nullptr;
    item.m_bDetached = true;
    m_Tree.Detach(node);
}

void COutlineMan::RemoveSubtree(COutlineNode *top)
{
    // Each pass removes the first leaf: children before their parent,
    // siblings from first to last, the top last.
    for (;;) {
        COutlineNode *n = top;
        while (n->m_pFirstChild)
            n = n->m_pFirstChild;
        RemoveItem(n);
        if (n == top)
            break;
    }
}

bool COutlineMan::RawMove(COutlineNode *node, COutlineNode *parent, COutlineNode *prev)
{
    if (prev == node || !IsPlaceValid(parent, prev) || IsInSubtree(parent, node))
        return false;
    COutlineNode *oldParent = m_Tree.GetParent(node);
    COutlineNode *oldPrev = node->m_pPrev;
    if (oldParent == parent && oldPrev == prev)
        return false;
    CUndoOutlineMan &undo = History();
    auto move = std::make_unique<CUndoOutlPos>(
        node, CUndoOutline::kPos, oldParent, oldPrev, parent, prev);
    undo.ReserveRecord();
    m_Tree.Detach(node);
    AttachAt(node, parent, prev);
    node->m_Item.m_nLevel = parent ? COutlineItem::ChildLevel(parent->m_Item.m_nLevel) : 0;
    undo.AddRecord(move.release());
    return true;
}

void COutlineMan::MoveNode(COutlineNode *node, COutlineNode *parent, COutlineNode *prev)
{
    if (RawMove(node, parent, prev))
        FitLevels(node);
}

void COutlineMan::FitLevels(COutlineNode *node)
{
    if (!node->m_pFirstChild)
        return;
    if (node->m_Item.m_nLevel >= COutlineItem::kMaxLevel) {
        FlattenChildren(node);
        return;
    }
    const std::uint8_t level = COutlineItem::ChildLevel(node->m_Item.m_nLevel);
    // Flattening inserts siblings after a child; the loop then meets them
    // as the next children, already without children of their own.
    for (COutlineNode *c = node->m_pFirstChild; c; c = c->m_pNext) {
        c->m_Item.m_nLevel = level;
        FitLevels(c);
    }
}

COutlineNode *COutlineMan::FlattenChildren(COutlineNode *node)
{
    COutlineNode *parent = m_Tree.GetParent(node);
    COutlineNode *tail = node;
    while (COutlineNode *child = node->m_pFirstChild) {
        if (!RawMove(child, parent, tail))
            break;
        tail = FlattenChildren(child);
    }
    return tail;
}

void COutlineMan::RelevelSubtree(COutlineNode *node)
{
    // Iterative pre-order inside the subtree; levels only, clamped.
    COutlineNode *n = node->m_pFirstChild;
    while (n) {
        n->m_Item.m_nLevel = COutlineItem::ChildLevel(n->m_pParent->m_Item.m_nLevel);
        if (n->m_pFirstChild) {
            n = n->m_pFirstChild;
            continue;
        }
        while (n != node && !n->m_pNext)
            n = n->m_pParent;
        n = n == node ? nullptr : n->m_pNext;
    }
}

// ---- Operations ------------------------------------------------------------------

COutlineNode *COutlineMan::NewItem(COutlineNode *node)
{
    if (!m_pDB)
        return nullptr;
    CAutoGroup group(*this, Label::kLabelCreateNode);
    COutlineNode *parent = nullptr;
    COutlineNode *prev = nullptr;
    if (!node) {
        prev = m_Tree.GetLastChild(nullptr);
    } else if (node->m_Item.m_bExpanded && HasVisibleChildren(node)
        && node->m_Item.m_nLevel < COutlineItem::kMaxLevel) {
        parent = node;
    } else {
        parent = m_Tree.GetParent(node);
        prev = node;
    }
    COutlineNode *fresh = InsertItem(parent, prev, nullptr, false);
    if (fresh)
        ExpandAncestors(fresh);
    return fresh;
}

bool COutlineMan::DeleteItem(COutlineNode *node)
{
    if (!m_pDB || !node)
        return false;
    CAutoGroup group(*this, Label::kLabelDeleteNode);
    bool ok = true;
    try {
        RemoveSubtree(node);
    } catch (CException *e) {
        ExceptionHolder holder(e);
        ShowMessage(holder->GetDescription());
        ok = false;
    } catch (...) {
        ShowUnknownException();
        ok = false;
    }
    EnsureItem(nullptr);
    return ok;
}

bool COutlineMan::DeleteChecked()
{
    if (!m_pDB)
        return false;
    CAutoGroup group(*this, Label::kLabelDeleteChecked);
    bool ok = true;
    try {
        COutlineNode *n = m_Tree.GetFirstChild(nullptr);
        while (n) {
            if (n->m_Item.m_bChecked) {
                COutlineNode *next = NextAfterSubtreeInDocument(m_Tree, n);
                RemoveSubtree(n);
                n = next;
            } else {
                n = m_Tree.GetNextInDocument(n);
            }
        }
    } catch (CException *e) {
        ExceptionHolder holder(e);
        ShowMessage(holder->GetDescription());
        ok = false;
    } catch (...) {
        ShowUnknownException();
        ok = false;
    }
    if (GetFirstVisible())
        Renumber();
    EnsureItem(nullptr);
    return ok;
}

void COutlineMan::UncheckAll()
{
    if (!m_pDB)
        return;
    CAutoGroup group(*this, Label::kLabelUncheckAll);
    CUndoOutlineMan &undo = History();
    try {
        for (COutlineNode *n = m_Tree.GetFirstChild(nullptr); n; n = m_Tree.GetNextInDocument(n)) {
            if (!n->m_Item.m_bChecked)
                continue;
            auto check = std::make_unique<CUndoOutlCheck>(n, true);
            undo.ReserveRecord();
            n->m_Item.m_bChecked = false;
            undo.AddRecord(check.release());
        }
    } catch (...) {
    }
    Renumber();
}

void COutlineMan::ToggleCheck(COutlineNode *node)
{
    if (!m_pDB || !node)
        return;
    CAutoGroup group(*this, Label::kLabelCheck);
    CUndoOutlineMan &undo = History();
    auto check = std::make_unique<CUndoOutlCheck>(node, node->m_Item.m_bChecked);
    undo.ReserveRecord();
    Notify(kNotifyCheck, node);
    node->m_Item.m_bChecked = !node->m_Item.m_bChecked;
    undo.AddRecord(check.release());
}

void COutlineMan::Indent(COutlineNode *node)
{
    COutlineNode *target = node ? GetPrevShownSibling(node) : nullptr;
    if (!target)
        return;
    CAutoGroup group(*this, Label::kLabelIndent);
    MoveNode(node, target, target->m_pLastChild);
    ExpandAncestors(node);
}

void COutlineMan::Outdent(COutlineNode *node)
{
    COutlineNode *parent = node ? m_Tree.GetParent(node) : nullptr;
    if (!parent)
        return;
    CAutoGroup group(*this, Label::kLabelOutdent);
    MoveNode(node, m_Tree.GetParent(parent), parent);
    ExpandAncestors(node);
}

void COutlineMan::MoveUp(COutlineNode *node)
{
    COutlineNode *prev = node ? GetPrevShownSibling(node) : nullptr;
    if (!prev)
        return;
    CAutoGroup group(*this, Label::kLabelMoveUp);
    MoveNode(node, m_Tree.GetParent(node), GetPrevShownSibling(prev));
}

void COutlineMan::MoveDown(COutlineNode *node)
{
    COutlineNode *next = node ? GetNextShownSibling(node) : nullptr;
    if (!next)
        return;
    CAutoGroup group(*this, Label::kLabelMoveDown);
    MoveNode(node, m_Tree.GetParent(node), next);
}

COutlineNode *COutlineMan::Duplicate(COutlineNode *node)
{
    if (!m_pDB || !node)
        return nullptr;
    CAutoGroup group(*this, Label::kLabelDuplicate);
    return CopySubtree(node, m_Tree.GetParent(node), node, true, false, nullptr);
}

COutlineNode *COutlineMan::Join(COutlineNode *target, COutlineNode *node)
{
    if (!m_pDB || !target || !node || target == node)
        return nullptr;
    if (node->m_pFirstChild) {
        ShowMessage(kTextCannotJoin);
        return nullptr;
    }
    CAutoGroup group(*this, Label::kLabelBackspace);
    COutlineNode *parent = m_Tree.GetParent(node);
    // The text goes over first: should the removal fail, nothing is lost.
    if (!InsertText(
            target, target->m_Item.m_Text.GetEndPos(), node->m_Item.m_Text.GetString(), nullptr))
        return nullptr;
    try {
        RemoveItem(node);
    } catch (CException *e) {
        ExceptionHolder holder(e);
        ShowMessage(holder->GetDescription());
        return nullptr;
    } catch (...) {
        ShowUnknownException();
        return nullptr;
    }
    COutlineNode *suggested = GetFirstShownChild(parent);
    return suggested ? suggested : GetFirstVisible();
}

COutlineNode *COutlineMan::SplitItem(COutlineNode *node, CTextPos pos)
{
    if (!m_pDB || !node || !node->m_Item.m_Text.IsValidParaPos(pos))
        return nullptr;
    CAutoGroup group(*this, Label::kLabelTyping);
    COutlineNode *fresh = NewItem(node);
    if (!fresh)
        return nullptr;
    const CTextPos end = node->m_Item.m_Text.GetEndPos();
    if (!(pos == end)) {
        // Copied before it is cut, so a failure leaves it in one place.
        const _String tail = node->m_Item.m_Text.GetRange(pos, end);
        if (InsertText(fresh, CTextPos(), tail, nullptr))
            DeleteText(node, pos, end);
    }
    return fresh;
}

bool COutlineMan::InsertText(COutlineNode *node, CTextPos pos, const _String &text, CTextPos *pEnd)
{
    if (!m_pDB || !node || !node->m_Item.m_Text.IsValidParaPos(pos))
        return false;
    if (text.IsEmpty()) {
        if (pEnd)
            *pEnd = pos;
        Notify(kNotifyTextInserted, node);
        return true;
    }
    CAutoGroup group(*this, Label::kLabelTyping);
    CUndoOutlineMan &undo = History();
    try {
        auto record = std::make_unique<CUndoOutlText>(node, true, pos, pos, text);
        undo.ReserveRecord();
        const CTextPos end = node->m_Item.m_Text.InsertAt(pos, text);
        record->m_To = end;
        undo.AddRecord(record.release());
        if (pEnd)
            *pEnd = end;
    } catch (...) {
        ShowUnknownException();
        return false;
    }
    Notify(kNotifyTextInserted, node);
    return true;
}

bool COutlineMan::DeleteText(COutlineNode *node, CTextPos from, CTextPos to)
{
    if (!m_pDB || !node)
        return false;
    if (to < from)
        std::swap(from, to);
    CTextCtrl &text = node->m_Item.m_Text;
    if (from == to || !text.IsValidParaPos(from) || !text.IsValidParaPos(to))
        return false;
    CAutoGroup group(*this, Label::kLabelDelete);
    CUndoOutlineMan &undo = History();
    try {
        auto record
            = std::make_unique<CUndoOutlText>(node, false, from, to, text.GetRange(from, to));
        undo.ReserveRecord();
        if (!text.DeleteRange(from, to))
            return false;
        undo.AddRecord(record.release());
    } catch (...) {
        ShowUnknownException();
        return false;
    }
    Notify(kNotifyTextDeleted, node);
    return true;
}

bool COutlineMan::PasteTextLines(COutlineNode *node, CTextPos selFrom, CTextPos selTo,
    const _String &text, COutlineNode **ppNode, CTextPos *pEnd)
{
    if (ppNode)
        *ppNode = node;
    if (pEnd)
        *pEnd = selFrom;
    if (!m_pDB || !node)
        return false;
    CTextCtrl &body = node->m_Item.m_Text;
    if (selTo < selFrom)
        std::swap(selFrom, selTo);
    if (!body.IsValidParaPos(selFrom) || !body.IsValidParaPos(selTo))
        return false;
    CAutoGroup group(*this, Label::kLabelPaste);
    if (!(selFrom == selTo))
        DeleteText(node, selFrom, selTo);
    const CTextPos caret = selFrom;
    if (pEnd)
        *pEnd = caret;

    const std::vector<_String> lines = SplitLines(text);
    const bool single = m_pSettings && m_pSettings->GetPasteInSingleNode();
    auto joined = [&](std::size_t from) {
        std::string out;
        for (std::size_t i = from; i < lines.size(); ++i) {
            if (i > from)
                out += "\r\n";
            out += lines[i].str();
        }
        return _String(std::move(out));
    };
    if (lines.size() == 1 || single) {
        // Line breaks become paragraph breaks of the one item.
        return InsertText(node, caret, joined(0), pEnd);
    }

    // The text after the caret moves to the end of the last new item, so
    // the whole keeps its reading order.
    const CTextPos end = body.GetEndPos();
    const _String kept = body.GetRange(caret, end);
    if (!kept.IsEmpty() && !DeleteText(node, caret, end))
        return false;
    CTextPos lastEnd = caret;
    InsertText(node, caret, lines[0], &lastEnd);
    COutlineNode *last = node;
    COutlineNode *parent = m_Tree.GetParent(node);
    for (std::size_t i = 1; i < lines.size(); ++i) {
        COutlineNode *fresh = InsertItem(parent, last, nullptr, true);
        if (!fresh) {
            // No room for more items: the rest stays in the last one, as
            // paragraphs, rather than being lost.
            InsertText(last, lastEnd, _String("\r\n") + joined(i), &lastEnd);
            break;
        }
        last = fresh;
        lastEnd = CTextPos();
        InsertText(last, lastEnd, lines[i], &lastEnd);
    }
    InsertText(last, lastEnd, kept, nullptr);
    if (ppNode)
        *ppNode = last;
    if (pEnd)
        *pEnd = lastEnd;
    return true;
}

void COutlineMan::SetNote(COutlineNode *node, const _String &note)
{
    if (!m_pDB || !node || node->m_Item.m_strNote == note)
        return;
    CAutoGroup group(*this, note.IsEmpty() ? Label::kLabelDeleteNote : Label::kLabelCreateNote);
    CUndoOutlineMan &undo = History();
    auto record = std::make_unique<CUndoOutlNote>(node, node->m_Item.m_strNote);
    undo.ReserveRecord();
    const int before = node->m_Item.m_strNote.GetLength();
    node->m_Item.m_strNote = note;
    undo.AddRecord(record.release());
    if (node->m_Item.m_strNote.GetLength() != before)
        Notify(kNotifyNoteChanged, node);
}

bool COutlineMan::SetItemDrawing(COutlineNode *node, kx_gen::HMEM dib)
{
    if (!m_pDB || !node || !node->m_Item.m_pRecord)
        return false;
    COutlineItem &item = node->m_Item;
    COutlineRecord &record = *item.m_pRecord;
    if (!dib && !record.HasDrawing() && !item.HasDrawing())
        return true;
    CAutoGroup group(*this, dib ? Label::kLabelCreatePicture : Label::kLabelDeletePicture);
    CUndoOutlineMan &undo = History();
    const bool had = item.HasDrawing();
    try {
        std::vector<std::uint8_t> previous;
        std::uint32_t size = 0;
        if (const std::uint8_t *data = record.GetDrawingData(size))
            previous.assign(data, data + size);
        auto undoRecord = std::make_unique<CUndoOutlDrawing>(node, std::move(previous));
        undo.ReserveRecord();
        if (dib) {
            if (!item.SetDrawing(dib))
                return false;
        } else {
            item.DeleteDrawing();
        }
        undo.AddRecord(undoRecord.release());
    } catch (CException *e) {
        ExceptionHolder holder(e);
        ShowMessage(holder->GetDescription());
        return false;
    } catch (...) {
        ShowUnknownException();
        return false;
    }
    if (had != item.HasDrawing())
        Notify(kNotifyDrawingChanged, node);
    return true;
}

void COutlineMan::SortList(COutlineNode *parent, bool ascending)
{
    const COutlineNode *resolved = parent ? parent : m_Tree.GetRoot();
    if (resolved->m_nChildren < 2)
        return;
    std::vector<COutlineNode *> before;
    before.reserve(static_cast<std::size_t>(resolved->m_nChildren));
    for (COutlineNode *n = m_Tree.GetFirstChild(parent); n; n = n->m_pNext)
        before.push_back(n);
    m_Tree.m_pfnCompare = &COutlineMan::CompareTexts;
    if (!m_Tree.SortChildren(parent, ascending))
        return;
    std::vector<COutlineNode *> after;
    after.reserve(before.size());
    for (COutlineNode *n = m_Tree.GetFirstChild(parent); n; n = n->m_pNext)
        after.push_back(n);
    // Back to the old order, then to the sorted one by recorded moves, so
    // that undo can put every item back.
    for (COutlineNode *n : before) {
        m_Tree.Detach(n);
        m_Tree.AttachLast(n, parent);
    }
    for (std::size_t i = 0; i < after.size(); ++i) {
        COutlineNode *want = i ? after[i - 1] : nullptr;
        if (after[i]->m_pPrev != want)
            RawMove(after[i], parent, want);
    }
}

void COutlineMan::Sort(COutlineNode *node, bool ascending)
{
    if (!m_pDB)
        return;
    CAutoGroup group(*this, Label::kLabelSort);
    try {
        // The node's list, then every list below it, parents first.
        std::vector<COutlineNode *> parents { node };
        while (!parents.empty()) {
            COutlineNode *parent = parents.back();
            parents.pop_back();
            SortList(parent, ascending);
            for (COutlineNode *c = m_Tree.GetFirstChild(parent); c; c = c->m_pNext) {
                if (c->m_pFirstChild)
                    parents.push_back(c);
            }
        }
    } catch (...) {
        // What was sorted stays sorted, and recorded.
    }
    Renumber();
}

void COutlineMan::ExpandToLevel(int level)
{
    COutlineNode *n = m_Tree.GetFirstChild(nullptr);
    while (n) {
        if (n->m_Item.m_nLevel == level) {
            n->m_Item.m_bExpanded = false;
            n = NextAfterSubtreeInDocument(m_Tree, n);
        } else {
            n->m_Item.m_bExpanded = true;
            n = m_Tree.GetNextInDocument(n);
        }
    }
}

bool COutlineMan::DeleteSelection(const std::vector<COutlineNode *> &nodes)
{
    if (!m_pDB || nodes.empty())
        return false;
    CAutoGroup group(*this, Label::kLabelDeleteSelection);
    CUndoOutlineMan &undo = History();
    const std::unordered_set<const COutlineNode *> selected(nodes.begin(), nodes.end());
    auto hasSelectedAncestor = [&](const COutlineNode *n) {
        for (const COutlineNode *a = m_Tree.GetParent(n); a; a = m_Tree.GetParent(a)) {
            if (selected.count(a))
                return true;
        }
        return false;
    };
    COutlineNode *before = GetPrevVisible(nodes.front());

    // The descendants of the selection that follow its last item stay.
    struct TKept {
        COutlineNode *m_pNode;
        CUndoOutlPos *m_pMove;
        int m_nLevel;
        bool m_bVisible;
    };
    std::vector<TKept> kept;
    try {
        for (COutlineNode *n = m_Tree.GetNextInDocument(nodes.back()); n && hasSelectedAncestor(n);
             n = m_Tree.GetNextInDocument(n))
            kept.push_back({ n, nullptr, n->m_Item.m_nLevel, IsVisible(n) });
    } catch (...) {
        kept.clear();
    }
    std::size_t detached = 0;
    try {
        for (; detached < kept.size(); ++detached) {
            TKept &k = kept[detached];
            auto move = std::make_unique<CUndoOutlPos>(k.m_pNode, CUndoOutline::kPos,
                m_Tree.GetParent(k.m_pNode), k.m_pNode->m_pPrev, nullptr, nullptr);
            undo.ReserveRecord();
            m_Tree.Detach(k.m_pNode);
            k.m_pMove = move.get();
            undo.AddRecord(move.release());
        }
    } catch (...) {
        // Those not detached go with the selection; the history has them.
    }
    kept.resize(detached);

    bool ok = true;
    try {
        for (auto it = nodes.rbegin(); it != nodes.rend(); ++it) {
            if (!(*it)->m_Item.m_bDetached)
                RemoveSubtree(*it);
        }
    } catch (CException *e) {
        ExceptionHolder holder(e);
        ShowMessage(holder->GetDescription());
        ok = false;
    } catch (...) {
        ShowUnknownException();
        ok = false;
    }

    // Each kept item goes after the one before it, as a sibling of the
    // nearest of that item and its ancestors at the same level, or else as
    // its child.
    COutlineNode *anchor = before;
    for (TKept &k : kept) {
        COutlineNode *parent = nullptr;
        COutlineNode *prev = nullptr;
        if (anchor) {
            COutlineNode *same = anchor;
            while (same && same->m_Item.m_nLevel > k.m_nLevel)
                same = m_Tree.GetParent(same);
            if (same && same->m_Item.m_nLevel == k.m_nLevel) {
                parent = m_Tree.GetParent(same);
                prev = same;
            } else {
                parent = anchor;
                prev = anchor->m_pLastChild;
            }
        }
        COutlineNode *node = k.m_pNode;
        AttachAt(node, parent, prev);
        node->m_Item.m_nLevel = parent ? COutlineItem::ChildLevel(parent->m_Item.m_nLevel) : 0;
        k.m_pMove->m_pNewParent = parent;
        k.m_pMove->m_pNewPrev = prev;
        if (k.m_bVisible)
            ExpandAncestors(node);
        else if (parent)
            Collapse(parent);
        Notify(kNotifyInserted, node);
        anchor = node;
    }
    Renumber();
    EnsureItem(nullptr);
    return ok;
}
