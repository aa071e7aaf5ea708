#include "UndoOutlineMan.h"

#include <memory>

using kx_gen::_String;

CUndoOutlText::CUndoOutlText(
    COutlineNode *node, bool insert, CTextPos from, CTextPos to, const _String &text)
    : CUndoOutline(node, kText)
    , m_From(from)
    , m_To(to)
    , m_bInsert(insert)
{
    // Typing makes one record per character: a single character lives in
    // the field itself. A NUL would read as "no text" there, so it goes to
    // the heap like a longer text.
    if (text.IsEmpty())
        m_Text = 0;
    else if (text.size() == 1 && text[0] != '\0')
        m_Text = static_cast<unsigned char>(text[0]);
    else
        m_Text = reinterpret_cast<std::uintptr_t>(new _String(text));
}

CUndoOutlText::~CUndoOutlText()
{
    if (m_Text >= kFirstPointer)
        delete reinterpret_cast<_String *>(m_Text);
}

_String CUndoOutlText::GetText() const
{
    if (m_Text == 0)
        return _String();
    if (m_Text < kFirstPointer)
        return _String(std::string(1, static_cast<char>(m_Text)));
    return *reinterpret_cast<const _String *>(m_Text);
}

namespace {

struct TLabel {
    int label;
    const char *text;
};

// The texts by label; a label that is not here has none.
const TLabel kLabels[] = {
    { 0, "Unknown" },
    { 1, "Paste" },
    { 2, "Delete Selection" },
    { 3, "Cut" },
    { 4, "Typing" },
    { 5, "Backspace" },
    { 6, "Insert date" },
    { 7, "Drag And Drop" },
    { 8, "Replace" },
    { 9, "Delete" },
    { 10, "Insert time" },
    { 11, "Create node" },
    { 12, "Delete node" },
    { 13, "Outdent node" },
    { 14, "Indent node" },
    { 15, "Move up" },
    { 16, "Move down" },
    { 17, "Check/Uncheck node" },
    { 18, "Expand/Collapse node" },
    { 19, "Create note" },
    { 20, "Delete note" },
    { 21, "Create picture" },
    { 22, "Delete picture" },
    { 24, "Drag and Drop" },
    { 26, "Drag and Drop" },
    { 27, "Drag and Drop" },
    { 28, "Copy to Filing Cabinet" },
    { 29, "Cut to Filing Cabinet" },
    { 30, "Delete all checked items" },
    { 31, "Uncheck all checked items" },
    { 32, "cut nodes" },
    { 33, "paste nodes" },
    { 35, "Line Numbers" },
};

} // namespace

bool CUndoOutlineMan::GetLabelText(int label, _String &text) const
{
    for (const TLabel &entry : kLabels) {
        if (entry.label == label) {
            text = entry.text;
            return true;
        }
    }
    text.Empty();
    return false;
}

void CUndoOutlineMan::AddTextRecord(
    COutlineNode *node, bool insert, CTextPos from, CTextPos to, const _String &text)
{
    AddRecord(new CUndoOutlText(node, insert, from, to, text));
}

void CUndoOutlineMan::AddCheckRecord(COutlineNode *node, bool value)
{
    AddRecord(new CUndoOutlCheck(node, value));
}

void CUndoOutlineMan::AddCreatedRecord(COutlineNode *node, COutlineNode *parent, COutlineNode *prev)
{
    AddRecord(new CUndoDelete(node, CUndoOutline::kCreated, parent, prev));
}

void CUndoOutlineMan::AddDeletedRecord(COutlineNode *node, const kx_gen::COutlineRecord &record,
    COutlineNode *parent, COutlineNode *prev)
{
    auto deleted = std::make_unique<CUndoDelete>(node, CUndoOutline::kDeleted, parent, prev);
    deleted->m_Record = record;
    deleted->m_nFilePos = record.GetPos();
    AddRecord(deleted.release());
}

CUndoOutlPos *CUndoOutlineMan::AddMoveRecord(COutlineNode *node, COutlineNode *oldParent,
    COutlineNode *oldPrev, COutlineNode *newParent, COutlineNode *newPrev)
{
    auto *move = new CUndoOutlPos(node, CUndoOutline::kPos, oldParent, oldPrev, newParent, newPrev);
    AddRecord(move);
    return move;
}

void CUndoOutlineMan::AddNumberingRecord(const std::uint8_t *styles, std::uint8_t divider)
{
    AddRecord(new CUndoOutlNumbering(styles, divider));
}
