#pragma once

// An ordered tree whose nodes embed their items by value, with links to the
// parent, the siblings and the first and last child. Header only; it uses
// nothing but the standard library.

#include <algorithm>
#include <cstddef>
#include <new>
#include <vector>

namespace kx_gen {

// T must be default-constructible and assignable: inserting an item stores
// `node->m_Item = item` in a new node, so T's assignment decides what an
// inserted item holds.
//
// Ownership: the tree owns every node linked under its root and frees it
// (with its subtree) in Remove, RemoveSiblingsFrom, RemoveAll and its
// destructor. A node unlinked by Detach belongs to whoever detached it, who
// either attaches it again or frees it with FreeDetached.
//
// Wherever a parent argument is null it means the root, and wherever a node
// is returned the root is never returned: null stands for it.
template <class T> class CTreeMan {
public:
    class CTreeNode {
    public:
        CTreeNode() = default;
        CTreeNode(const CTreeNode &) = delete;
        CTreeNode &operator=(const CTreeNode &) = delete;

        // For a top-level node the tree's root; never null inside a tree.
        CTreeNode *m_pParent = nullptr;
        CTreeNode *m_pPrev = nullptr;
        CTreeNode *m_pNext = nullptr;
        CTreeNode *m_pFirstChild = nullptr;
        CTreeNode *m_pLastChild = nullptr;
        // Number of direct children.
        int m_nChildren = 0;
        T m_Item;
    };

    // Orders two nodes: negative, zero or positive.
    using PFNCOMPARE = int (*)(const CTreeNode *, const CTreeNode *);
    // Told about every node just before Remove or RemoveSiblingsFrom frees it.
    using PFNONDELETE = void (*)(CTreeNode *, void *);

    CTreeMan() = default;
    // Frees every linked node, then the root with its item.
    ~CTreeMan() { RemoveAll(); }

    CTreeMan(const CTreeMan &) = delete;
    CTreeMan &operator=(const CTreeMan &) = delete;

    // A new node holding `item` (by T's assignment), linked as the parent's
    // first / last child. Allocation failures (std::bad_alloc, or whatever
    // T throws) propagate and leave the tree unchanged.
    CTreeNode *InsertFirst(const T &item, CTreeNode *parent)
    {
        return AttachFirst(NewNode(item), parent);
    }
    CTreeNode *InsertLast(const T &item, CTreeNode *parent)
    {
        return AttachLast(NewNode(item), parent);
    }
    // The same with a default-constructed item, which saves the assignment.
    CTreeNode *InsertFirst(CTreeNode *parent) { return AttachFirst(NewNode(), parent); }
    CTreeNode *InsertLast(CTreeNode *parent) { return AttachLast(NewNode(), parent); }
    // Same, directly after `after`; a null `after` or the parent's last child
    // appends. When `after` is not a child of `parent` nothing is allocated
    // and null is returned.
    CTreeNode *InsertAfter(const T &item, CTreeNode *parent, CTreeNode *after)
    {
        if (!IsChildOf(after, parent))
            return nullptr;
        return AttachAfter(NewNode(item), parent, after);
    }

    // Link a detached node, with its subtree, in the same three ways; the
    // tree owns it again. AttachAfter returns null and changes nothing when
    // `after` is not a child of `parent`. Each returns `node`.
    CTreeNode *AttachFirst(CTreeNode *node, CTreeNode *parent)
    {
        parent = Resolve(parent);
        node->m_pParent = parent;
        node->m_pPrev = nullptr;
        node->m_pNext = parent->m_pFirstChild;
        if (parent->m_pFirstChild)
            parent->m_pFirstChild->m_pPrev = node;
        else
            parent->m_pLastChild = node;
        parent->m_pFirstChild = node;
        ++parent->m_nChildren;
        ++m_nCount;
        return node;
    }
    CTreeNode *AttachLast(CTreeNode *node, CTreeNode *parent)
    {
        parent = Resolve(parent);
        node->m_pParent = parent;
        node->m_pNext = nullptr;
        node->m_pPrev = parent->m_pLastChild;
        if (parent->m_pLastChild)
            parent->m_pLastChild->m_pNext = node;
        else
            parent->m_pFirstChild = node;
        parent->m_pLastChild = node;
        ++parent->m_nChildren;
        ++m_nCount;
        return node;
    }
    CTreeNode *AttachAfter(CTreeNode *node, CTreeNode *parent, CTreeNode *after)
    {
        if (!IsChildOf(after, parent))
            return nullptr;
        parent = Resolve(parent);
        if (!after || after == parent->m_pLastChild)
            return AttachLast(node, parent);
        node->m_pParent = parent;
        node->m_pPrev = after;
        node->m_pNext = after->m_pNext;
        after->m_pNext->m_pPrev = node;
        after->m_pNext = node;
        ++parent->m_nChildren;
        ++m_nCount;
        return node;
    }

    // Unlinks the node and its subtree without freeing anything; the caller
    // owns it from now on. The node count drops by one whatever the size of
    // the subtree, as attaching raised it by one.
    void Detach(CTreeNode *node)
    {
        Unlink(node);
        node->m_pParent = node->m_pPrev = node->m_pNext = nullptr;
    }

    // Frees the node's subtree (children first), unlinks the node, tells
    // m_pfnOnDelete and frees the node.
    void Remove(CTreeNode *node)
    {
        FreeChildren(node, true);
        Unlink(node);
        if (m_pfnOnDelete)
            m_pfnOnDelete(node, m_pOnDeleteParam);
        DeleteNode(node);
    }

    // Frees `node` and every later sibling, each after its subtree (a node's
    // children before the node, siblings from first to last), telling
    // m_pfnOnDelete about each. The earlier siblings stay linked.
    void RemoveSiblingsFrom(CTreeNode *node)
    {
        if (!node)
            return;
        CTreeNode *parent = node->m_pParent;
        CTreeNode *before = node->m_pPrev;
        while (node) {
            FreeChildren(node, true);
            CTreeNode *next = node->m_pNext;
            if (parent)
                --parent->m_nChildren;
            --m_nCount;
            if (m_pfnOnDelete)
                m_pfnOnDelete(node, m_pOnDeleteParam);
            DeleteNode(node);
            node = next;
        }
        if (before)
            before->m_pNext = nullptr;
        if (parent) {
            if (before)
                parent->m_pLastChild = before;
            else
                parent->m_pFirstChild = parent->m_pLastChild = nullptr;
        }
    }

    // Frees every node under the root.
    void RemoveAll()
    {
        RemoveSiblingsFrom(m_Root.m_pFirstChild);
        m_Root.m_pFirstChild = m_Root.m_pLastChild = nullptr;
        m_Root.m_nChildren = 0;
        m_nCount = 0;
    }

    // Frees a detached node with its subtree (children first). Nothing is
    // counted and m_pfnOnDelete is not called: the node is not in the tree.
    void FreeDetached(CTreeNode *node)
    {
        if (!node)
            return;
        FreeChildren(node, false);
        DeleteNode(node);
    }

    // Reorders the parent's children by m_pfnCompare (an unstable sort);
    // descending is the exact mirror of ascending, ties included. Returns 0
    // when there is no comparison function or no child, else 1. Throws
    // std::bad_alloc for the temporary array and then changes nothing.
    int SortChildren(CTreeNode *parent, bool ascending)
    {
        parent = Resolve(parent);
        if (!m_pfnCompare || !parent->m_pFirstChild)
            return 0;
        std::vector<CTreeNode *> nodes;
        nodes.reserve(static_cast<std::size_t>(parent->m_nChildren));
        for (CTreeNode *n = parent->m_pFirstChild; n; n = n->m_pNext)
            nodes.push_back(n);
        const PFNCOMPARE compare = m_pfnCompare;
        std::sort(nodes.begin(), nodes.end(),
            [compare](const CTreeNode *a, const CTreeNode *b) { return compare(a, b) < 0; });
        if (!ascending)
            std::reverse(nodes.begin(), nodes.end());
        const std::size_t count = nodes.size();
        for (std::size_t i = 0; i < count; ++i) {
            nodes[i]->m_pPrev = i > 0 ? nodes[i - 1] : nullptr;
            nodes[i]->m_pNext = i + 1 < count ? nodes[i + 1] : nullptr;
        }
        parent->m_pFirstChild = nodes.front();
        parent->m_pLastChild = nodes.back();
        return 1;
    }

    // The ancestor of `node`, or `node` itself, whose parent is the root;
    // null for null or a detached node's root.
    CTreeNode *GetTopAncestor(CTreeNode *node) const
    {
        while (node && node->m_pParent && node->m_pParent != &m_Root)
            node = node->m_pParent;
        return node && node->m_pParent == &m_Root ? node : nullptr;
    }
    // The parent, or null when it is the root.
    CTreeNode *GetParent(const CTreeNode *node) const
    {
        return node && node->m_pParent != &m_Root ? node->m_pParent : nullptr;
    }
    // The first / last child of `parent` (null: of the root).
    CTreeNode *GetFirstChild(const CTreeNode *parent) const
    {
        return Resolve(parent)->m_pFirstChild;
    }
    CTreeNode *GetLastChild(const CTreeNode *parent) const { return Resolve(parent)->m_pLastChild; }

    // Pre-order successor: the first child, else the next sibling, else the
    // next sibling of the nearest ancestor that has one; null at the end.
    CTreeNode *GetNextInDocument(const CTreeNode *node) const
    {
        if (!node)
            return nullptr;
        if (node->m_pFirstChild)
            return node->m_pFirstChild;
        while (node && node != &m_Root) {
            if (node->m_pNext)
                return node->m_pNext;
            node = node->m_pParent;
        }
        return nullptr;
    }
    // Pre-order predecessor: the previous sibling's deepest last descendant,
    // else the parent; null before the first node.
    CTreeNode *GetPrevInDocument(const CTreeNode *node) const
    {
        if (!node)
            return nullptr;
        if (CTreeNode *n = node->m_pPrev) {
            while (n->m_pLastChild)
                n = n->m_pLastChild;
            return n;
        }
        return GetParent(node);
    }
    // The last node in document order, or null for an empty tree.
    CTreeNode *GetLastInDocument() const
    {
        CTreeNode *n = m_Root.m_pLastChild;
        while (n && n->m_pLastChild)
            n = n->m_pLastChild;
        return n;
    }

    // True when no node is linked under the root. (m_nCount is no guide:
    // detaching and attaching count a subtree as one node, removing counts
    // every node freed.)
    bool IsEmpty() const { return m_Root.m_pFirstChild == nullptr; }
    CTreeNode *GetRoot() { return &m_Root; }
    const CTreeNode *GetRoot() const { return &m_Root; }
    bool IsRoot(const CTreeNode *node) const { return node == &m_Root; }

    // Sentinel root; its children are the top-level nodes, its item unused.
    CTreeNode m_Root;
    int m_nCount = 0;
    PFNCOMPARE m_pfnCompare = nullptr;
    PFNONDELETE m_pfnOnDelete = nullptr;
    void *m_pOnDeleteParam = nullptr;

private:
    // Node memory: an outline allocates and frees its nodes by the
    // thousand, so they come in blocks with a free list instead of one heap
    // block each. Once no node is in use the blocks are handed out again
    // from the first, and go back to the heap only with the tree: given
    // back on closing an outline, they would mostly be returned to the
    // system, and loading the next one would pay a zero-filled page for
    // every few nodes again.
    class CNodePool {
    public:
        CNodePool() = default;
        CNodePool(const CNodePool &) = delete;
        CNodePool &operator=(const CNodePool &) = delete;
        ~CNodePool() { Release(); }

        void *Allocate()
        {
            Slot *slot = m_pFree;
            if (slot) {
                m_pFree = slot->m_pNext;
            } else {
                // Fresh slots are handed out in order, untouched until then:
                // threading a whole new block onto the free list would write
                // every slot once more, which a large load pays in cache
                // misses.
                if (m_nFresh == 0)
                    Grow();
                slot = m_pFresh++;
                --m_nFresh;
            }
            ++m_nInUse;
            return slot;
        }
        void Free(void *memory)
        {
            Slot *slot = static_cast<Slot *>(memory);
            slot->m_pNext = m_pFree;
            m_pFree = slot;
            if (--m_nInUse == 0)
                Recycle();
        }

    private:
        union Slot {
            Slot *m_pNext;
            alignas(CTreeNode) unsigned char m_Bytes[sizeof(CTreeNode)];
        };
        static constexpr std::size_t kBlockNodes = 256;

        void Grow()
        {
            if (m_nUsedBlocks == m_Blocks.size()) {
                m_Blocks.reserve(m_Blocks.size() + 1);
                m_Blocks.push_back(static_cast<Slot *>(
                    ::operator new(sizeof(Slot) * kBlockNodes, std::align_val_t(alignof(Slot)))));
            }
            m_pFresh = m_Blocks[m_nUsedBlocks++];
            m_nFresh = kBlockNodes;
        }
        // Every slot is free again: fresh, in order, as if just allocated.
        void Recycle()
        {
            m_pFree = nullptr;
            m_pFresh = nullptr;
            m_nFresh = 0;
            m_nUsedBlocks = 0;
        }
        void Release()
        {
            for (Slot *block : m_Blocks)
                ::operator delete(block, std::align_val_t(alignof(Slot)));
            m_Blocks.clear();
            Recycle();
            m_nInUse = 0;
        }

        std::vector<Slot *> m_Blocks;
        // The blocks handed out since the pool was last empty.
        std::size_t m_nUsedBlocks = 0;
        Slot *m_pFree = nullptr;
        // The slots of the newest block not handed out yet.
        Slot *m_pFresh = nullptr;
        std::size_t m_nFresh = 0;
        std::size_t m_nInUse = 0;
    };

    CNodePool m_Pool;

    CTreeNode *Resolve(CTreeNode *parent) { return parent ? parent : &m_Root; }
    CTreeNode *Resolve(const CTreeNode *parent) const
    {
        return const_cast<CTreeNode *>(parent ? parent : &m_Root);
    }
    bool IsChildOf(const CTreeNode *child, const CTreeNode *parent) const
    {
        return !child || child->m_pParent == Resolve(parent);
    }

    CTreeNode *NewNode(const T &item)
    {
        void *memory = m_Pool.Allocate();
        CTreeNode *node = nullptr;
        try {
            node = new (memory) CTreeNode;
            node->m_Item = item;
        } catch (...) {
            if (node)
                node->~CTreeNode();
            m_Pool.Free(memory);
            throw;
        }
        return node;
    }
    CTreeNode *NewNode()
    {
        void *memory = m_Pool.Allocate();
        try {
            return new (memory) CTreeNode;
        } catch (...) {
            m_Pool.Free(memory);
            throw;
        }
    }
    void DeleteNode(CTreeNode *node)
    {
        node->~CTreeNode();
        m_Pool.Free(node);
    }

    void Unlink(CTreeNode *node)
    {
        CTreeNode *parent = node->m_pParent;
        if (node->m_pPrev)
            node->m_pPrev->m_pNext = node->m_pNext;
        else if (parent)
            parent->m_pFirstChild = node->m_pNext;
        if (node->m_pNext)
            node->m_pNext->m_pPrev = node->m_pPrev;
        else if (parent)
            parent->m_pLastChild = node->m_pPrev;
        if (parent)
            --parent->m_nChildren;
        --m_nCount;
    }

    // Frees every descendant of `top`, each node's children before the node
    // and siblings from first to last, without recursion. With `counted` the
    // frees are counted and reported as the tree's own.
    void FreeChildren(CTreeNode *top, bool counted)
    {
        CTreeNode *node = top->m_pFirstChild;
        while (node) {
            if (node->m_pFirstChild) {
                node = node->m_pFirstChild;
                continue;
            }
            CTreeNode *parent = node->m_pParent;
            CTreeNode *next = node->m_pNext;
            parent->m_pFirstChild = next;
            if (next)
                next->m_pPrev = nullptr;
            else
                parent->m_pLastChild = nullptr;
            --parent->m_nChildren;
            if (counted) {
                --m_nCount;
                if (m_pfnOnDelete)
                    m_pfnOnDelete(node, m_pOnDeleteParam);
            }
            DeleteNode(node);
            node = next ? next : (parent != top ? parent : nullptr);
        }
    }
};

} // namespace kx_gen
