// COutlineMan: visibility, navigation, numbering, search and the tree dump.

#include "OutlineMan.h"

#include "TextChars.h"

#include <string>

using kx_gen::_String;

bool COutlineMan::IsVisible(const COutlineNode *node) const
{
    if (!IsShown(node))
        return false;
    for (const COutlineNode *a = m_Tree.GetParent(node); a; a = m_Tree.GetParent(a)) {
        if (!a->m_Item.m_bExpanded || !IsShown(a))
            return false;
    }
    return true;
}

bool COutlineMan::HasVisibleChildren(const COutlineNode *node) const
{
    return GetFirstShownChild(node) != nullptr;
}

void COutlineMan::ExpandAncestors(COutlineNode *node)
{
    for (COutlineNode *a = m_Tree.GetParent(node); a; a = m_Tree.GetParent(a))
        a->m_Item.m_bExpanded = true;
}

COutlineNode *COutlineMan::GetNextShownSibling(const COutlineNode *node) const
{
    COutlineNode *n = node->m_pNext;
    while (n && !IsShown(n))
        n = n->m_pNext;
    return n;
}

COutlineNode *COutlineMan::GetPrevShownSibling(const COutlineNode *node) const
{
    COutlineNode *n = node->m_pPrev;
    while (n && !IsShown(n))
        n = n->m_pPrev;
    return n;
}

COutlineNode *COutlineMan::GetFirstShownChild(const COutlineNode *parent) const
{
    COutlineNode *n = m_Tree.GetFirstChild(parent);
    while (n && !IsShown(n))
        n = n->m_pNext;
    return n;
}

COutlineNode *COutlineMan::GetLastShownChild(const COutlineNode *parent) const
{
    COutlineNode *n = m_Tree.GetLastChild(parent);
    while (n && !IsShown(n))
        n = n->m_pPrev;
    return n;
}

COutlineNode *COutlineMan::GetLastVisible() const
{
    COutlineNode *n = GetLastShownChild(nullptr);
    while (n && n->m_Item.m_bExpanded) {
        COutlineNode *last = GetLastShownChild(n);
        if (!last)
            break;
        n = last;
    }
    return n;
}

COutlineNode *COutlineMan::GetNextVisible(const COutlineNode *node) const
{
    if (!node)
        return nullptr;
    if (node->m_Item.m_bExpanded) {
        if (COutlineNode *child = GetFirstShownChild(node))
            return child;
    }
    for (const COutlineNode *n = node; n; n = m_Tree.GetParent(n)) {
        if (COutlineNode *next = GetNextShownSibling(n))
            return next;
    }
    return nullptr;
}

COutlineNode *COutlineMan::GetPrevVisible(const COutlineNode *node) const
{
    if (!node)
        return nullptr;
    // Start from the nearest visible ancestor-or-self; a hidden top-level
    // item (checked, while checked items are hidden) stands for itself.
    const COutlineNode *from = node;
    while (!IsVisible(from)) {
        const COutlineNode *parent = m_Tree.GetParent(from);
        if (!parent)
            break;
        from = parent;
    }
    if (COutlineNode *n = GetPrevShownSibling(from)) {
        while (n->m_Item.m_bExpanded) {
            COutlineNode *last = GetLastShownChild(n);
            if (!last)
                break;
            n = last;
        }
        return n;
    }
    return m_Tree.GetParent(from);
}

bool COutlineMan::IsBefore(const COutlineNode *a, const COutlineNode *b) const
{
    if (!a || !b || a == b)
        return false;
    // Paths from the top; items are at most ten levels deep, so the chains
    // are short. The first place where they part decides.
    const COutlineNode *chainA[64];
    const COutlineNode *chainB[64];
    int depthA = 0;
    int depthB = 0;
    for (const COutlineNode *n = a; n && !m_Tree.IsRoot(n) && depthA < 64; n = n->m_pParent)
        chainA[depthA++] = n;
    for (const COutlineNode *n = b; n && !m_Tree.IsRoot(n) && depthB < 64; n = n->m_pParent)
        chainB[depthB++] = n;
    int i = depthA - 1;
    int j = depthB - 1;
    while (i >= 0 && j >= 0 && chainA[i] == chainB[j]) {
        --i;
        --j;
    }
    if (i < 0)
        return true; // a is an ancestor of b
    if (j < 0)
        return false; // b is an ancestor of a
    // Two different siblings: walk from each towards the other at once, so
    // the cost is bounded by their distance, not by the list's length.
    const COutlineNode *fwd = chainA[i];
    const COutlineNode *back = chainA[i];
    const COutlineNode *target = chainB[j];
    while (fwd || back) {
        if (fwd) {
            fwd = fwd->m_pNext;
            if (fwd == target)
                return true;
        }
        if (back) {
            back = back->m_pPrev;
            if (back == target)
                return false;
        }
    }
    return false;
}

bool COutlineMan::AllChildrenChecked(const COutlineNode *node) const
{
    for (const COutlineNode *c = m_Tree.GetFirstChild(node); c; c = c->m_pNext) {
        if (!c->m_Item.m_bChecked)
            return false;
    }
    return true;
}

void COutlineMan::GetIndexPath(const COutlineNode *node, int *indices, int &count) const
{
    count = 0;
    for (const COutlineNode *n = node; n && !m_Tree.IsRoot(n) && count < COutlineItem::kLevelCount;
         n = n->m_pParent)
        indices[count++] = n->m_Item.m_nIndex;
}

int COutlineMan::MaxLevelInSubtree(const COutlineNode *node) const
{
    int deepest = node->m_Item.m_nLevel;
    // Pre-order walk inside the subtree.
    const COutlineNode *n = node->m_pFirstChild;
    while (n) {
        if (n->m_Item.m_nLevel > deepest)
            deepest = n->m_Item.m_nLevel;
        if (n->m_pFirstChild) {
            n = n->m_pFirstChild;
            continue;
        }
        while (n != node && !n->m_pNext)
            n = n->m_pParent;
        n = n == node ? nullptr : n->m_pNext;
    }
    return deepest;
}

void COutlineMan::UpdateLevelExtent(int level, COutlineNode *parent, int index)
{
    if (!COutlineItem::IsValidLevel(level))
        return;
    TLevelExtent &extent = m_LevelExtent[level];
    if (index > extent.m_nMaxIndex) {
        extent.m_nMaxIndex = index;
        extent.m_pParent = parent;
        Notify(kNotifyLevelExtent, nullptr, level);
    }
}

void COutlineMan::RenumberList(COutlineNode *parent)
{
    int index = 0;
    for (COutlineNode *n = GetFirstShownChild(parent); n; n = GetNextShownSibling(n)) {
        n->m_Item.m_nIndex = index;
        UpdateLevelExtent(n->m_Item.m_nLevel, parent, index);
        ++index;
    }
}

void COutlineMan::Renumber()
{
    // The extents describe the last renumbering alone, so they start again.
    for (TLevelExtent &extent : m_LevelExtent)
        extent = TLevelExtent();
    RenumberSubtree(nullptr);
}

void COutlineMan::RenumberSubtree(COutlineNode *parent)
{
    // Items are at most ten levels deep, and so is this recursion.
    int index = 0;
    for (COutlineNode *n = GetFirstShownChild(parent); n; n = GetNextShownSibling(n)) {
        n->m_Item.m_nIndex = index;
        UpdateLevelExtent(n->m_Item.m_nLevel, parent, index);
        RenumberSubtree(n);
        ++index;
    }
}

void COutlineMan::RenumberChildren(COutlineNode *parent)
{
    const COutlineNode *first = GetFirstShownChild(parent);
    const int level = first ? first->m_Item.m_nLevel
                            : (parent ? COutlineItem::ChildLevel(parent->m_Item.m_nLevel) : 0);
    if (COutlineItem::IsValidLevel(level) && m_LevelExtent[level].m_pParent == parent)
        m_LevelExtent[level].m_nMaxIndex = 0;
    RenumberList(parent);
}

int COutlineMan::GetLevelExtent(int level) const
{
    return COutlineItem::IsValidLevel(level) ? m_LevelExtent[level].m_nMaxIndex : 0;
}

bool COutlineMan::IsHiddenByCheck(const COutlineNode *node) const
{
    if (m_bShowChecked)
        return false;
    for (const COutlineNode *n = node; n && !m_Tree.IsRoot(n); n = n->m_pParent) {
        if (n->m_Item.m_bChecked)
            return true;
    }
    return false;
}

COutlineNode *COutlineMan::NextSearchable(const COutlineNode *node, bool backward) const
{
    if (!backward) {
        // Pre-order successor that does not enter unshown subtrees.
        if (COutlineNode *child = GetFirstShownChild(node))
            return child;
        return NextAfterSubtree(node);
    }
    // Pre-order predecessor among shown items: the previous shown sibling's
    // deepest last shown descendant, else the parent.
    if (COutlineNode *n = GetPrevShownSibling(node)) {
        while (COutlineNode *last = GetLastShownChild(n))
            n = last;
        return n;
    }
    return m_Tree.GetParent(node);
}

COutlineNode *COutlineMan::NextAfterSubtree(const COutlineNode *node) const
{
    for (const COutlineNode *n = node; n; n = m_Tree.GetParent(n)) {
        if (COutlineNode *next = GetNextShownSibling(n))
            return next;
    }
    return nullptr;
}

COutlineNode *COutlineMan::LastSearchable() const
{
    COutlineNode *n = GetLastShownChild(nullptr);
    while (n) {
        COutlineNode *last = GetLastShownChild(n);
        if (!last)
            break;
        n = last;
    }
    return n;
}

bool COutlineMan::Find(const _String &pattern, COutlineNode *start, CTextPos startPos,
    unsigned options, bool wrapAround, COutlineNode **ppFound, CTextPos *pFound)
{
    if (pattern.IsEmpty())
        return false;
    const auto match
        = [&pattern, options](const COutlineNode *node, CTextPos from, bool, CTextPos *pHit) {
              return node->m_Item.m_Text.FindText(pattern, from, options, false, pHit);
          };
    return FindWith(
        match, start, startPos, (options & kFindBackward) != 0, wrapAround, ppFound, pFound);
}

bool COutlineMan::FindWith(const CItemMatch &match, COutlineNode *start, CTextPos startPos,
    bool backward, bool wrapAround, COutlineNode **ppFound, CTextPos *pFound)
{
    if (!start) {
        if (backward)
            return false;
        start = GetFirstShownChild(nullptr);
        startPos = CTextPos();
        if (!start)
            return false;
    }
    // A start inside a subtree hidden by a checked item moves to the
    // nearest item the user can see, which is then searched whole.
    if (IsHiddenByCheck(start)) {
        COutlineNode *top = start;
        for (COutlineNode *n = start; n; n = m_Tree.GetParent(n)) {
            if (n->m_Item.m_bChecked)
                top = n;
        }
        COutlineNode *next = backward ? NextSearchable(top, true) : NextAfterSubtree(top);
        if (!next && wrapAround)
            next = backward ? LastSearchable() : GetFirstShownChild(nullptr);
        if (!next)
            return false;
        start = next;
        startPos = backward ? start->m_Item.m_Text.GetEndPos() : CTextPos();
    }

    COutlineNode *node = start;
    CTextPos pos = startPos;
    bool wrapped = false;
    for (;;) {
        CTextPos hit;
        if (match(node, pos, backward, &hit)) {
            // Back at the start after wrapping, only the part not searched
            // at first counts.
            const bool fresh
                = !(wrapped && node == start) || (backward ? !(hit < startPos) : hit < startPos);
            if (fresh) {
                ExpandAncestors(node);
                if (ppFound)
                    *ppFound = node;
                if (pFound)
                    *pFound = hit;
                return true;
            }
        }
        if (wrapped && node == start)
            return false;
        COutlineNode *next = NextSearchable(node, backward);
        if (!next) {
            if (!wrapAround || wrapped)
                return false;
            wrapped = true;
            next = backward ? LastSearchable() : GetFirstShownChild(nullptr);
            if (!next)
                return false;
        }
        node = next;
        pos = backward ? node->m_Item.m_Text.GetEndPos() : CTextPos();
    }
}

int COutlineMan::CompareTexts(const COutlineNode *a, const COutlineNode *b)
{
    // Character by character over the paragraphs, a paragraph break reading
    // as CR LF, as in the joined text; letters compare in lower case.
    const CTextCtrl &ta = a->m_Item.m_Text;
    const CTextCtrl &tb = b->m_Item.m_Text;
    struct Cursor {
        const CTextCtrl &text;
        int para = 0;
        int offset = 0;
        // -1 at the end; 0x0D 0x0A between paragraphs.
        int Get(int step) const
        {
            const CTextLine &line = text.GetPara(para);
            if (offset < line.GetLength())
                return ToLower1252(static_cast<unsigned char>(line.GetData()[offset]));
            if (para + 1 >= text.GetParaCount())
                return -1;
            return step == 0 ? '\r' : '\n';
        }
    };
    Cursor ca { ta };
    Cursor cb { tb };
    int stepA = 0;
    int stepB = 0;
    auto advance = [](Cursor &c, int &step) {
        const CTextLine &line = c.text.GetPara(c.para);
        if (c.offset < line.GetLength()) {
            ++c.offset;
            return;
        }
        if (step == 0) {
            step = 1;
            return;
        }
        step = 0;
        ++c.para;
        c.offset = 0;
    };
    for (;;) {
        const int x = ca.Get(stepA);
        const int y = cb.Get(stepB);
        if (x != y)
            return x < y ? -1 : 1;
        if (x < 0)
            return 0;
        advance(ca, stepA);
        advance(cb, stepB);
    }
}

namespace {

void AppendItem(std::string &out, const COutlineNode *node, unsigned flags)
{
    const COutlineItem &item = node->m_Item;
    if ((flags & COutlineMan::kDumpChecked) && item.m_bChecked)
        out += "x:";
    for (int p = 0; p < item.m_Text.GetParaCount(); ++p) {
        if (p > 0)
            out += '|';
        out += item.m_Text.GetPara(p).GetText();
    }
    if (flags & COutlineMan::kDumpLevels) {
        out += ':';
        out += std::to_string(item.m_nLevel);
    }
    if (flags & COutlineMan::kDumpIndex) {
        out += '#';
        out += std::to_string(item.m_nIndex);
    }
    if ((flags & COutlineMan::kDumpExpanded) && item.m_bExpanded && node->m_pFirstChild)
        out += '+';
}

} // namespace

_String COutlineMan::DebugDump(unsigned flags) const
{
    std::string out;
    const COutlineNode *n = m_Tree.GetFirstChild(nullptr);
    while (n) {
        AppendItem(out, n, flags);
        if (n->m_pFirstChild) {
            out += " (";
            n = n->m_pFirstChild;
            continue;
        }
        while (n && !n->m_pNext) {
            n = m_Tree.GetParent(n);
            if (n)
                out += ')';
        }
        if (n) {
            out += ' ';
            n = n->m_pNext;
        }
    }
    return _String(std::move(out));
}
