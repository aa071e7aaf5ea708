// COutlineMan: transfer blocks, and dropping items.

#include "OutlineManEditing.h"

#include "kx_gen/Exception.h"
#include "kx_gen/MemFile.h"
#include "kx_gen/OutlineDB.h"
#include "kx_gen/SharedFile.h"

#include <algorithm>
#include <climits>
#include <memory>

using kx_gen::_String;
using kx_gen::CException;
using kx_gen::COutlineDB;
using kx_gen::COutlineRecord;
using kx_gen::ExceptionHolder;
using kx_gen::HMEM;
using Label = CUndoOutlineMan::Label;

namespace {

// Allocation flags of a transfer block (a movable block that can be shared)
// and the steps it grows in.
constexpr unsigned kTransferAllocFlags = 0x2002;
constexpr unsigned kTransferGrowBytes = 4096;

const char *const kTextUnknownException = "Unknown exception";

_String Describe(CException *e)
{
    _String text = e->GetDescription();
    if (text.IsEmpty())
        text = kTextUnknownException;
    return text;
}

// Lets go of a database's memory file on every path out.
class CDetachGuard {
public:
    explicit CDetachGuard(kx_gen::CFileStream &stream)
        : m_Stream(stream)
    {
    }
    ~CDetachGuard() { m_Stream.Detach(); }
    CDetachGuard(const CDetachGuard &) = delete;
    CDetachGuard &operator=(const CDetachGuard &) = delete;

private:
    kx_gen::CFileStream &m_Stream;
};

} // namespace

// ---- Transfer blocks --------------------------------------------------------------

HMEM COutlineMan::MakeTransferBlock(COutlineNode *node)
{
    std::vector<COutlineNode *> nodes;
    if (node) {
        const COutlineNode *end = nullptr;
        for (const COutlineNode *n = node; n && !end; n = m_Tree.GetParent(n))
            end = n->m_pNext;
        for (COutlineNode *n = node; n && n != end; n = m_Tree.GetNextInDocument(n))
            nodes.push_back(n);
    }
    return WriteTransferBlock(nodes);
}

HMEM COutlineMan::MakeTransferBlock(COutlineNode *first, COutlineNode *last)
{
    if (!first || !last)
        return WriteTransferBlock({});
    if (IsBefore(last, first))
        std::swap(first, last);
    // The range takes the whole subtrees of its items: it ends after the
    // subtree of the outermost of last's ancestors that lies in it.
    const COutlineNode *top = last;
    for (const COutlineNode *a = m_Tree.GetParent(last); a; a = m_Tree.GetParent(a)) {
        if (a == first || IsBefore(first, a))
            top = a;
    }
    const COutlineNode *end = nullptr;
    for (const COutlineNode *n = top; n && !end; n = m_Tree.GetParent(n))
        end = n->m_pNext;
    std::vector<COutlineNode *> nodes;
    for (COutlineNode *n = first; n && n != end; n = m_Tree.GetNextInDocument(n))
        nodes.push_back(n);
    return WriteTransferBlock(nodes);
}

HMEM COutlineMan::MakeTransferBlock(const std::vector<COutlineNode *> &nodes)
{
    return WriteTransferBlock(nodes);
}

HMEM COutlineMan::WriteTransferBlock(const std::vector<COutlineNode *> &nodes)
{
    HMEM block = nullptr;
    try {
        COutlineDB db;
        db.InitNewDatabase();
        kx_gen::CDBRecordset *records = db.GetRecordset();
        records->reserve(nodes.size());
        for (COutlineNode *n : nodes) {
            n->m_Item.StoreToRecord();
            auto copy = std::make_unique<COutlineRecord>(*n->m_Item.m_pRecord);
            n->m_Item.ReleaseRecordText();
            records->add(copy.release());
        }
        kx_gen::SharedFile file(kTransferAllocFlags, kTransferGrowBytes);
        {
            db.Attach(&file, false);
            CDetachGuard guard(db);
            db.WriteAllHeaders();
            db.WriteRows();
        }
        block = file.Detach();
    } catch (CException *e) {
        ExceptionHolder holder(e);
        ShowMessage(Describe(holder.get()));
        block = nullptr;
    } catch (...) {
        block = nullptr;
    }
    // The texts live in the items alone, whatever happened.
    for (COutlineNode *n : nodes) {
        try {
            n->m_Item.ReleaseRecordText();
        } catch (CException *e) {
            ExceptionHolder holder(e);
        } catch (...) {
        }
    }
    return block;
}

bool COutlineMan::LoadTransferBlock(HMEM block, COutlineMan &target, bool resetIds)
{
    if (&target == this || !block)
        return false;
    target.Close();
    const std::size_t size = kx_gen::MemGetSize(block);
    if (size > UINT_MAX)
        return false;
    auto *bytes = static_cast<unsigned char *>(kx_gen::MemGetPtr(block));
    _String failure;
    bool failed = false;
    try {
        auto db = std::make_unique<COutlineDB>();
        {
            // The block is the caller's: it is only read, never grown.
            kx_gen::MemFile file(bytes, static_cast<unsigned>(size), 0);
            db->Attach(&file, false);
            CDetachGuard guard(*db);
            db->ReadDbInfo();
            db->CheckDbInfo();
            db->ReadHeaderInfo();
            db->ReadSharedHeader();
            db->ReadPrivateHeader();
            db->ReadRows();
        }
        target.m_pDB = db.release();
        target.m_bNewDB = true;
        target.StartNewHistory();

        // The first item is the top level; the others keep their depth
        // relative to the shallowest item seen so far.
        kx_gen::CDBRecordset *records = target.m_pDB->GetRecordset();
        const COutlineItem blank;
        COutlineNode *last = nullptr;
        int base = 0;
        for (std::size_t i = 0; i < records->getSize(); ++i) {
            auto *record = static_cast<COutlineRecord *>(records->getRecord(i));
            // A paste writes into the record: damage anywhere in it would
            // make the paste, or its undo, fail halfway.
            KX_TAG_CHECK(record->GetTags().checkTags());
            if (resetIds)
                record->SetId(0);
            const int indent = record->GetIndent();
            COutlineNode *parent = nullptr;
            if (i == 0 || indent <= base) {
                base = indent;
            } else {
                const int depth
                    = std::min(indent - base, static_cast<int>(COutlineItem::kMaxLevel));
                parent = last;
                while (parent && parent->m_Item.m_nLevel >= depth)
                    parent = target.m_Tree.GetParent(parent);
            }
            const std::uint8_t level
                = parent ? COutlineItem::ChildLevel(parent->m_Item.m_nLevel) : 0;
            record->SetIndent(level);
            COutlineNode *node = target.m_Tree.InsertLast(blank, parent);
            node->m_Item.m_pRecord = record;
            node->m_Item.LoadFromRecord();
            node->m_Item.m_nLevel = level;
            last = node;
        }
    } catch (CException *e) {
        ExceptionHolder holder(e);
        failure = Describe(holder.get());
        failed = true;
    } catch (...) {
        failure = kTextUnknownException;
        failed = true;
    }
    kx_gen::MemReleasePtr(block);
    if (failed) {
        target.Close();
        ShowMessage(failure);
        return false;
    }
    return true;
}

bool COutlineMan::InsertTransfer(
    const COutlineMan &source, COutlineNode *parent, COutlineNode *after, COutlineNode **ppFirst)
{
    if (ppFirst)
        *ppFirst = nullptr;
    if (!m_pDB || &source == this)
        return false;
    if (parent && parent->m_Item.m_nLevel >= COutlineItem::kMaxLevel) {
        // Too deep to hold children: the items follow the parent instead.
        after = parent;
        parent = m_Tree.GetParent(parent);
    }
    if (!IsPlaceValid(parent, after))
        return false;
    CAutoGroup group(*this, Label::kLabelPasteNodes);
    COutlineNode *first = nullptr;
    COutlineNode *prev = after;
    bool complete = true;
    for (COutlineNode *s = source.m_Tree.GetFirstChild(nullptr); s; s = s->m_pNext) {
        COutlineNode *lastPlaced = nullptr;
        COutlineNode *copy = CopySubtree(s, parent, prev, false, true, &lastPlaced);
        if (!copy) {
            complete = false;
            break;
        }
        if (!first)
            first = copy;
        prev = lastPlaced;
    }
    if (first)
        ExpandAncestors(first);
    if (ppFirst)
        *ppFirst = first;
    return complete && first;
}

// ---- Dropping ---------------------------------------------------------------------

COutlineNode *COutlineMan::GetDropAnchor(int mode, COutlineNode *target) const
{
    if (mode == kDropBelow)
        return target ? GetPrevVisible(target) : GetLastVisible();
    if (mode == kDropEnd)
        return GetLastVisible();
    return nullptr;
}

bool COutlineMan::CheckDrop(
    int mode, int &level, COutlineNode *target, const std::vector<COutlineNode *> &dragged) const
{
    if (dragged.empty() || !dragged.front())
        return false;
    const COutlineNode *node = dragged.front();
    auto inDragged = [&](const COutlineNode *n) { return n && IsInSubtree(n, node); };
    switch (mode) {
    case kDropTop:
        if (inDragged(GetFirstVisible()))
            return false;
        level = 0;
        return true;
    case kDropBelow: {
        const COutlineNode *anchor = GetDropAnchor(mode, target);
        if (!anchor) {
            if (node == target)
                return false;
            level = 0;
            return true;
        }
        if (inDragged(anchor))
            return false;
        const int anchorLevel = anchor->m_Item.m_nLevel;
        if (node == target) {
            // On its own line the item can only go deeper or shallower.
            const int own = node->m_Item.m_nLevel;
            if (level > own) {
                if (!CanIndent(node))
                    return false;
                if (IndentRoom(node) < anchorLevel + 1)
                    level = own + 1;
                else
                    level = std::min(level, anchorLevel + 1);
                return true;
            }
            if (level < own) {
                if (!CanOutdent(node))
                    return false;
                level = own - 1;
                return true;
            }
            return false;
        }
        if (level > anchorLevel)
            level = anchorLevel + 1;
        else if (target
            && m_Tree.GetTopAncestor(target)
                == m_Tree.GetTopAncestor(const_cast<COutlineNode *>(anchor)))
            level = anchorLevel == 0 && level == 0 ? 1 : anchorLevel;
        if (!COutlineItem::IsValidLevel(level))
            level = target ? target->m_Item.m_nLevel : anchorLevel;
        return true;
    }
    case kDropEnd: {
        const COutlineNode *last = GetLastVisible();
        if (!last || inDragged(last))
            return false;
        if (level > last->m_Item.m_nLevel + 1)
            level = last->m_Item.m_nLevel + 1;
        if (!COutlineItem::IsValidLevel(level))
            level = last->m_Item.m_nLevel;
        return true;
    }
    default:
        return false;
    }
}

void COutlineMan::GetDropPlace(
    int mode, int level, COutlineNode *target, COutlineNode **ppParent, COutlineNode **ppPrev) const
{
    *ppParent = nullptr;
    *ppPrev = nullptr;
    COutlineNode *anchor = GetDropAnchor(mode, target);
    if (!anchor)
        return;
    level = std::clamp(level, 0, static_cast<int>(COutlineItem::kMaxLevel));
    // Levels fall by one from the anchor up to the top, so the first of
    // them at or above the requested level decides.
    for (COutlineNode *a = anchor; a; a = m_Tree.GetParent(a)) {
        if (a->m_Item.m_nLevel == level) {
            *ppParent = m_Tree.GetParent(a);
            *ppPrev = a;
            return;
        }
        if (a->m_Item.m_nLevel < level) {
            *ppParent = a;
            return;
        }
    }
}

COutlineNode *COutlineMan::Drop(
    int mode, int level, COutlineNode *target, COutlineNode *node, bool copy)
{
    if (!m_pDB || !node || node->m_Item.m_bDetached)
        return nullptr;
    CAutoGroup group(*this, Label::kLabelDrop);
    if (mode == kDropBelow && node == target && GetDropAnchor(mode, target)) {
        const int own = node->m_Item.m_nLevel;
        if (level > own) {
            for (int i = own; i < level && CanIndent(node); ++i)
                Indent(node);
        } else if (level < own && CanOutdent(node)) {
            Outdent(node);
        }
        return node;
    }
    COutlineNode *parent = nullptr;
    COutlineNode *prev = nullptr;
    if (mode != kDropTop)
        GetDropPlace(mode, level, target, &parent, &prev);
    if (parent == node || prev == node)
        return nullptr;
    if (!copy) {
        if (IsInSubtree(parent, node))
            return nullptr;
        MoveNode(node, parent, prev);
        ExpandAncestors(node);
        return node;
    }
    COutlineNode *placed = CopySubtree(node, parent, prev, true, true, nullptr);
    if (placed)
        ExpandAncestors(placed);
    return placed;
}
