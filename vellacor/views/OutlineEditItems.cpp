// The item commands of the outline view: new, duplicate, delete, move,
// expand and collapse, notes and drawings, date and time, select all, undo
// and redo.

#include "OutlineEditView.h"

#include "QtStrings.h"
#include "UndoOutlineMan.h"

namespace {

using namespace outline_cmd;
using Label = CUndoOutlineMan::Label;

} // namespace

void COutlineEditView::NewItemCommand()
{
    if (IsBlockSelection() || !BeginEdit(Label::kLabelCreateNode, false, false))
        return;
    COutlineNode *fresh = m_pMan->NewItem(m_Caret.m_pItem);
    if (fresh)
        m_Geometry.ItemInserted(fresh);
    EndEdit(fresh ? COutlinePos(0, 0, fresh) : m_Caret);
    m_bTypingRun = false;
}

void COutlineEditView::DuplicateItem()
{
    if (IsBlockSelection() || !BeginEdit(Label::kLabelDuplicate, false, false))
        return;
    const COutlinePos caret = m_Caret;
    if (COutlineNode *copy = m_pMan->Duplicate(caret.m_pItem)) {
        WrapSubtree(copy, false);
        m_Geometry.InvalidateRows();
    }
    EndEdit(caret);
}

void COutlineEditView::DeleteItemCommand()
{
    if (IsBlockSelection() || !BeginEdit(Label::kLabelDeleteNode, false, false))
        return;
    COutlineNode *node = m_Caret.m_pItem;
    m_pMan->DeleteItem(node);
    // An outline always keeps an item to type into.
    if (COutlineNode *fresh = m_pMan->EnsureItem(nullptr))
        WrapItem(fresh, true);
    m_Geometry.InvalidateRows();
    EndEdit(m_Caret.IsSet() ? m_Caret.RowStart() : COutlinePos());
}

void COutlineEditView::MoveItem(int id)
{
    COutlineNode *node = m_Caret.m_pItem;
    if (!node || IsBlockSelection())
        return;
    int label = Label::kLabelIndent;
    switch (id) {
    case kMoveLeft:
        if (!m_pMan->CanOutdent(node))
            return;
        label = Label::kLabelOutdent;
        break;
    case kMoveRight:
    case kTabRight:
        if (!m_pMan->CanIndent(node))
            return;
        break;
    case kMoveUp:
        if (!m_pMan->CanMoveUp(node))
            return;
        label = Label::kLabelMoveUp;
        break;
    default:
        if (!m_pMan->CanMoveDown(node))
            return;
        label = Label::kLabelMoveDown;
        break;
    }
    if (!BeginEdit(label, false, false))
        return;
    // The caret keeps its place in the text; the row may change with the
    // new width.
    const CTextPos at = ParaOf(m_Caret);
    switch (label) {
    case Label::kLabelOutdent:
        m_pMan->Outdent(node);
        break;
    case Label::kLabelIndent:
        m_pMan->Indent(node);
        break;
    case Label::kLabelMoveUp:
        m_pMan->MoveUp(node);
        break;
    default:
        m_pMan->MoveDown(node);
        break;
    }
    m_pMan->ExpandAncestors(node);
    m_Geometry.UnsetTop();
    // A new level is a new width for the whole subtree.
    WrapSubtree(node, false);
    m_Geometry.InvalidateRows();
    EndEdit(RowPosOf(node, at));
}

void COutlineEditView::ExpandCollapse(bool expand)
{
    COutlineNode *node = m_Caret.m_pItem;
    if (!node)
        return;
    if (expand ? !m_pMan->CanExpand(node) : !m_pMan->CanCollapse(node))
        return;
    if (expand)
        m_pMan->Expand(node);
    else
        m_pMan->Collapse(node);
    SetCustomExpansion();
    m_Geometry.UnsetTop();
    OutlineChanged();
    SetCaret(COutlinePos(0, 0, node));
    EnsureVisible(m_Caret);
}

void COutlineEditView::EditNoteOf(COutlineNode *node)
{
    if (!node || !m_pHost)
        return;
    if (!IsEditable()) {
        BeginEdit(Label::kLabelCreateNote, false, false);
        return;
    }
    QString note = ToQString(node->m_Item.m_strNote.GetString());
    if (!m_pHost->EditNote(ToQString(node->m_Item.m_Text.GetString()), &note))
        return;
    kx_gen::_String stored;
    QString refused;
    if (!FromQString(note, stored, &refused)) {
        RefuseCharacter(refused);
        return;
    }
    if (stored == node->m_Item.m_strNote)
        return;
    const COutlinePos caret = m_Caret;
    if (!BeginEdit(
            stored.IsEmpty() ? Label::kLabelDeleteNote : Label::kLabelCreateNote, false, false))
        return;
    m_pMan->SetNote(node, stored);
    EndEdit(caret);
}

void COutlineEditView::DeleteNoteOf(COutlineNode *node)
{
    if (!node || node->m_Item.m_strNote.IsEmpty())
        return;
    const COutlinePos caret = m_Caret;
    if (!BeginEdit(Label::kLabelDeleteNote, false, false))
        return;
    m_pMan->SetNote(node, kx_gen::_String());
    EndEdit(caret);
}

void COutlineEditView::DeleteDrawingOf(COutlineNode *node)
{
    if (!node || node->m_Item.m_nDrawWidth == 0)
        return;
    const COutlinePos caret = m_Caret;
    if (!BeginEdit(Label::kLabelDeletePicture, false, false))
        return;
    m_pMan->SetItemDrawing(node, nullptr);
    EndEdit(caret);
}

void COutlineEditView::InsertDateOrTime(bool time)
{
    if (!m_pHost || !m_Caret.IsSet())
        return;
    if (!IsEditable()) {
        BeginEdit(Label::kLabelInsertDate, false, false);
        return;
    }
    QString text;
    if (!(time ? m_pHost->PickTime(&text) : m_pHost->PickDate(&text)) || text.isEmpty())
        return;
    kx_gen::_String bytes;
    QString refused;
    if (!FromQString(text, bytes, &refused)) {
        RefuseCharacter(refused);
        return;
    }
    if (!BeginEdit(time ? Label::kLabelInsertTime : Label::kLabelInsertDate, false, true))
        return;
    const COutlinePos caret = DeleteSelectionInGroup();
    CTextPos end = ParaOf(caret);
    m_pMan->InsertText(caret.m_pItem, end, bytes, &end);
    EndEdit(RowPosOf(caret.m_pItem, end));
    m_bTypingRun = false;
}

void COutlineEditView::SelectAll()
{
    COutlineNode *node = m_Caret.m_pItem;
    if (!node || IsBlockSelection())
        return;
    SetSelection(COutlinePos(0, 0, node), ItemEnd(node));
    SuppressCaret();
    EnsureVisible(m_Caret);
}

void COutlineEditView::UndoRedo(bool undo)
{
    CUndoOutlineMan *history = m_pMan->GetUndo();
    if (!m_bReady || !history || (undo ? !history->CanUndo() : !history->CanRedo()))
        return;
    if (!IsEditable()) {
        BeginEdit(Label::kLabelUnknown, false, false);
        return;
    }
    SuppressCaret();
    COutlineNode *node = nullptr;
    CTextPos at;
    // The rows are counted again afterwards: the replay need not keep the
    // top row's number, which would cost a walk for every item it touches.
    m_Geometry.InvalidateRows();
    const bool replayed = undo ? m_pMan->Undo(&node, &at) : m_pMan->Redo(&node, &at);
    history->Step(undo);
    m_pMan->AfterEdit(true);
    if (m_pHost)
        m_pHost->SetModified(true);
    // Anything may have changed: every item is wrapped again when stale.
    m_Geometry.InvalidateRows();
    if (replayed && node && m_pMan->IsVisible(node)) {
        WrapItem(node, false);
    }
    UpdateScrollBars();
    COutlinePos caret;
    if (replayed && node) {
        if (m_pMan->IsVisible(node))
            caret = RowPosOf(node, at);
        else
            caret = PlaceOnItem(node, true);
    }
    if (!caret.IsSet()) {
        COutlineNode *item = m_pMan->EnsureItem(nullptr);
        if (!item)
            item = m_pMan->GetFirstVisible();
        if (item) {
            WrapItem(item, false);
            m_Geometry.InvalidateRows();
            caret = COutlinePos(0, 0, item);
        }
    }
    UpdateScrollBars();
    if (caret.IsSet())
        SetCaret(caret);
    ReleaseCaret();
    EnsureVisible(m_Caret);
    m_bTypingRun = false;
}
