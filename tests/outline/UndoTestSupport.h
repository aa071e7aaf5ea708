#pragma once

// Helpers of the editing and undo tests: settings with the editing
// preferences, a full description of an outline for comparisons, and the
// consistency checks of the tree, the record set, the deleted ids and the
// undo history.

#include "OutlineTestSupport.h"
#include "UndoOutlineMan.h"

#include "kx_gen/DibUtil.h"
#include "kx_gen/OutlineDB.h"

#include <algorithm>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <unordered_set>
#include <vector>

class CEditSettings : public CFixedSettings {
public:
    bool GetAutoChecking() const override { return m_bAutoCheck; }
    bool GetPasteInSingleNode() const override { return m_bSingleNode; }
    bool m_bAutoCheck = false;
    bool m_bSingleNode = false;
};

// Records the notifications of a manager as "code:text" (or "7:level").
class CNotifyLog {
public:
    void Attach(COutlineMan &man)
    {
        man.SetNotify(&CNotifyLog::Callback, this);
        man.EnableNotify(true);
    }
    std::string Take()
    {
        std::string out;
        for (const std::string &e : m_Events)
            out += (out.empty() ? "" : " ") + e;
        m_Events.clear();
        return out;
    }
    std::vector<std::string> m_Events;

private:
    static void Callback(void *param, int code, COutlineNode *node, int value)
    {
        auto *log = static_cast<CNotifyLog *>(param);
        if (code == COutlineMan::kNotifyLevelExtent)
            return;
        log->m_Events.push_back(std::to_string(code) + ":"
            + (node ? node->m_Item.m_Text.GetString().str() : std::to_string(value)));
    }
};

// The drawing bytes of an item's record, as text ("" without a drawing).
inline std::string DrawingOf(const COutlineItem &item)
{
    if (!item.m_pRecord)
        return "?";
    std::uint32_t size = 0;
    const std::uint8_t *data = item.m_pRecord->GetDrawingData(size);
    return data ? std::string(reinterpret_cast<const char *>(data), size) : std::string();
}

// Every item in document order with everything that undo must restore:
// depth, level, id, check mark, text, note and drawing. With `expanded`
// the expanded flags too (undo does not restore those, saving does).
inline std::string Describe(const COutlineMan &man, bool expanded = false)
{
    std::ostringstream out;
    const COutlineTree &tree = man.GetTree();
    std::vector<const COutlineNode *> stack;
    for (const COutlineNode *n = tree.GetFirstChild(nullptr); n; n = tree.GetNextInDocument(n)) {
        int depth = 0;
        for (const COutlineNode *a = tree.GetParent(n); a; a = tree.GetParent(a))
            ++depth;
        const COutlineItem &item = n->m_Item;
        out << depth << ':' << int(item.m_nLevel) << ':' << item.m_nId << ':'
            << (item.m_bChecked ? 'x' : '-');
        if (expanded)
            out << (item.m_bExpanded ? '+' : '.');
        out << " [" << item.m_Text.GetString().str() << "] {" << item.m_strNote.str() << "} "
            << item.m_nDrawWidth << 'x' << item.m_nDrawHeight << '#'
            << std::hash<std::string>()(DrawingOf(item)) << '\n';
    }
    return out.str();
}

// The deleted ids, sorted.
inline std::vector<std::uint32_t> DeletedIds(const COutlineMan &man)
{
    std::vector<std::uint32_t> ids = man.GetDB()->GetDeletedQuibs().GetIds();
    std::sort(ids.begin(), ids.end());
    return ids;
}

// Checks the outline and its history; returns what is wrong, or "".
inline std::string CheckConsistency(const COutlineMan &man)
{
    std::ostringstream err;
    const COutlineTree &tree = man.GetTree();
    const kx_gen::CDBRecordset *records = man.GetDB()->GetRecordset();
    std::unordered_set<const kx_gen::CDBRecord *> bound;
    std::unordered_set<const kx_gen::CDBRecord *> held;
    for (std::size_t i = 0; i < records->getSize(); ++i)
        held.insert(records->getRecord(i));
    std::size_t items = 0;
    // Walk with explicit checks of every link.
    struct TFrame {
        const COutlineNode *node;
        int depth;
    };
    std::vector<TFrame> stack { { tree.GetRoot(), -1 } };
    while (!stack.empty()) {
        const TFrame frame = stack.back();
        stack.pop_back();
        const COutlineNode *parent = frame.node;
        int count = 0;
        const COutlineNode *prev = nullptr;
        for (const COutlineNode *c = parent->m_pFirstChild; c; c = c->m_pNext) {
            ++count;
            const std::string where = "item [" + c->m_Item.m_Text.GetString().str() + "]";
            if (c->m_pParent != parent)
                err << where << ": wrong parent\n";
            if (c->m_pPrev != prev)
                err << where << ": wrong previous sibling\n";
            if (!c->m_pNext && parent->m_pLastChild != c)
                err << where << ": last but not the parent's last child\n";
            const int level = c->m_Item.m_nLevel;
            if (level != frame.depth + 1)
                err << where << ": level " << level << " at depth " << frame.depth + 1 << '\n';
            if (!COutlineItem::IsValidLevel(level))
                err << where << ": invalid level " << level << '\n';
            if (c->m_Item.m_bDetached)
                err << where << ": linked but marked detached\n";
            const kx_gen::CDBRecord *record = c->m_Item.m_pRecord;
            if (!record)
                err << where << ": no record\n";
            else if (!bound.insert(record).second)
                err << where << ": record shared\n";
            else if (!held.count(record))
                err << where << ": record not in the record set\n";
            ++items;
            stack.push_back({ c, frame.depth + 1 });
            prev = c;
        }
        if (parent->m_nChildren != count)
            err << "child count " << parent->m_nChildren << " for " << count << " children\n";
        if (!parent->m_pFirstChild && parent->m_pLastChild)
            err << "last child without a first\n";
    }
    if (records->getSize() != items)
        err << "record set holds " << records->getSize() << " records for " << items << " items\n";

    // The history: a deleted-item record owns a detached node, every other
    // node named is in the tree or owned that way.
    if (const CUndoOutlineMan *undo = man.GetUndo()) {
        std::unordered_set<const COutlineNode *> owned;
        int total = 0;
        for (int g = 0; g < undo->GetGroupCount(); ++g) {
            for (CUndoRecord *r : *undo->GetGroup(g)) {
                ++total;
                auto *d = dynamic_cast<CUndoDelete *>(r);
                if (!d || d->m_nKind != CUndoOutline::kDeleted)
                    continue;
                if (!d->m_pNode || !d->m_pNode->m_Item.m_bDetached)
                    err << "deleted-item record without a detached item\n";
                else if (d->m_pNode->m_pParent)
                    err << "detached item still linked\n";
                else if (!owned.insert(d->m_pNode).second)
                    err << "item owned twice\n";
            }
        }
        if (total != undo->GetRecordCount())
            err << "record count " << undo->GetRecordCount() << " for " << total << " records\n";
    }
    return err.str();
}

// Ids of the live items, sorted (0 left out).
inline std::vector<std::uint32_t> LiveIds(const COutlineMan &man)
{
    std::vector<std::uint32_t> ids;
    const COutlineTree &tree = man.GetTree();
    for (const COutlineNode *n = tree.GetFirstChild(nullptr); n; n = tree.GetNextInDocument(n)) {
        if (n->m_Item.m_nId)
            ids.push_back(n->m_Item.m_nId);
    }
    std::sort(ids.begin(), ids.end());
    return ids;
}

// Begins a group, runs the operation, ends the group and runs AfterEdit,
// as the views do.
template <class F> auto Command(COutlineMan &man, int label, F &&operation)
{
    struct CEnd {
        COutlineMan &man;
        ~CEnd()
        {
            man.GetUndo()->EndGroup();
            man.AfterEdit(false);
        }
    };
    man.GetUndo()->BeginGroup(label, false);
    CEnd end { man };
    return operation();
}

// One undo (or redo) as the view does it: replay, step, AfterEdit.
inline bool UndoStep(COutlineMan &man, COutlineNode **ppNode = nullptr, CTextPos *pCaret = nullptr)
{
    if (!man.GetUndo()->CanUndo())
        return false;
    const bool ok = man.Undo(ppNode, pCaret);
    man.GetUndo()->Step(true);
    man.AfterEdit(true);
    return ok;
}
inline bool RedoStep(COutlineMan &man, COutlineNode **ppNode = nullptr, CTextPos *pCaret = nullptr)
{
    if (!man.GetUndo()->CanRedo())
        return false;
    const bool ok = man.Redo(ppNode, pCaret);
    man.GetUndo()->Step(false);
    man.AfterEdit(true);
    return ok;
}
