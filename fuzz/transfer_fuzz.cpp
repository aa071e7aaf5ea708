// Reads arbitrary bytes as an outline transfer block (clipboard or drag
// data from another program), pastes its items into an outline, checks the
// tree, undoes the paste and makes a block of the pasted items again. A
// damaged block must be refused with the library's error; a crash, a leak,
// a sanitizer report, a tree whose levels do not match its depth or a paste
// that undo cannot take back is a finding.

#include "OutlineMan.h"
#include "UndoOutlineMan.h"

#include "kx_gen/Memory.h"
#include "kx_gen/OutlineDB.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

class CQuietSink : public CMessageSink {
public:
    void ShowMessage(const kx_gen::_String &) override { }
};

// Levels equal depths, and every item has a record of the record set.
bool Consistent(const COutlineMan &man)
{
    const COutlineTree &tree = man.GetTree();
    std::size_t items = 0;
    for (const COutlineNode *n = tree.GetFirstChild(nullptr); n; n = tree.GetNextInDocument(n)) {
        int depth = 0;
        for (const COutlineNode *a = tree.GetParent(n); a; a = tree.GetParent(a))
            ++depth;
        if (n->m_Item.m_nLevel != depth || depth > COutlineItem::kMaxLevel || !n->m_Item.m_pRecord
            || man.GetDB()->GetRecordset()->GetIndex(n->m_Item.m_pRecord) < 0)
            return false;
        ++items;
    }
    return items == man.GetDB()->GetRecordset()->getSize();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    kx_gen::MemHolder block(kx_gen::MemAlloc(size));
    if (!block)
        return 0;
    if (size)
        std::memcpy(kx_gen::MemGetPtr(block.get()), data, size);
    kx_gen::MemReleasePtr(block.get());

    CQuietSink sink;
    COutlineMan man(nullptr, &sink);
    man.NewOutline(true);
    COutlineMan scratch(nullptr, &sink);
    if (!man.LoadTransferBlock(block.get(), scratch, true))
        return 0;
    if (!Consistent(scratch))
        std::abort();
    // Keep the work per input bounded.
    if (scratch.GetDB()->GetRecordset()->getSize() > 2000)
        return 0;

    COutlineNode *first = man.GetTree().GetFirstChild(nullptr);
    man.GetUndo()->BeginGroup(CUndoOutlineMan::kLabelPasteNodes, false);
    COutlineNode *pasted = nullptr;
    man.InsertTransfer(scratch, first, nullptr, &pasted);
    man.GetUndo()->EndGroup();
    man.AfterEdit(false);
    if (!Consistent(man))
        std::abort();
    kx_gen::MemHolder again(man.MakeTransferBlock(first));
    if (man.GetUndo()->CanUndo()) {
        if (!man.Undo(nullptr, nullptr))
            std::abort();
        man.GetUndo()->Step(true);
        if (!Consistent(man) || man.GetDB()->GetRecordset()->getSize() != 1)
            std::abort();
    }
    return 0;
}
