// The outline window view's own commands and mouse: the row symbols, the
// context menus, the display commands and the Filing Cabinet transfers.

#include "ZumraView.h"

#include "AppStrings.h"
#include "QtStrings.h"
#include "UndoOutlineMan.h"

#include <QAction>
#include <QMenu>
#include <QMouseEvent>

#include <cstdlib>

namespace {

using namespace outline_cmd;
using Label = CUndoOutlineMan::Label;

QString AppText(unsigned id)
{
    return ToQString(appstr::Get(id));
}

} // namespace

// ---- Rules ------------------------------------------------------------------------

bool CZumraView::IsCommandEnabled(int id) const
{
    switch (id) {
    case kCutToCabinet:
    case kCopyToCabinet:
        return IsReady() && m_Caret.IsSet() && !m_pHost->IsFilingCabinet() && IsEditable();
    case kDeleteChecked:
    case kUncheckAll:
        return IsReady() && IsEditable();
    case kShowCheckBoxes:
    case kHideCheckBoxes:
    case kHideCheckedItems:
    case kSortAllAsc:
    case kSortAllDesc:
    case kSortCurrentAsc:
    case kSortCurrentDesc:
        return IsReady();
    default:
        if (id >= kShowHeading1 && id <= kShowAll)
            return IsReady();
        return COutlineEditView::IsCommandEnabled(id);
    }
}

bool CZumraView::IsCommandChecked(int id) const
{
    if (id == kShowCheckBoxes || id == kHideCheckBoxes || id == kHideCheckedItems)
        return m_nCheckMode == id;
    if (id >= kShowHeading1 && id <= kShowAll)
        return !m_bCustomExpansion && m_nHeadingLevel == id - kShowHeading1;
    return false;
}

bool CZumraView::DoCommand(int id)
{
    COutlineNode *context = m_pContextItem;
    switch (id) {
    case kCutToCabinet:
        m_pContextItem = nullptr;
        CutToFilingCabinet(context ? context : m_Caret.m_pItem);
        return true;
    case kCopyToCabinet:
        m_pContextItem = nullptr;
        CopyToFilingCabinet(context ? context : m_Caret.m_pItem);
        return true;
    case kDeleteChecked:
        DeleteCheckedCommand();
        return true;
    case kUncheckAll:
        UncheckAllCommand();
        return true;
    case kShowCheckBoxes:
    case kHideCheckBoxes:
    case kHideCheckedItems:
        CheckModeCommand(id);
        return true;
    case kSortAllAsc:
    case kSortAllDesc:
        SortCommand(true, id == kSortAllAsc);
        return true;
    case kSortCurrentAsc:
    case kSortCurrentDesc:
        SortCommand(false, id == kSortCurrentAsc);
        return true;
    default:
        if (id >= kShowHeading1 && id <= kShowAll) {
            ShowHeading(id - kShowHeading1);
            return true;
        }
        return COutlineEditView::DoCommand(id);
    }
}

// ---- Display commands --------------------------------------------------------------

void CZumraView::KeepCaretVisible()
{
    if (m_Caret.IsSet() && m_pMan->IsVisible(m_Caret.m_pItem))
        return;
    COutlinePos caret = m_Caret.IsSet() ? PlaceOnItem(m_Caret.m_pItem, true) : COutlinePos();
    if (!caret.IsSet()) {
        // Nothing is left to show: a first item, undoable like a paste.
        CUndoOutlineMan *undo = m_pMan->GetUndo();
        if (undo)
            undo->BeginGroup(Label::kLabelPaste, false);
        COutlineNode *node = m_pMan->EnsureItem(nullptr);
        if (undo)
            undo->EndGroup();
        if (node) {
            WrapItem(node, true);
            caret = COutlinePos(0, 0, node);
        }
    }
    m_Geometry.InvalidateRows();
    m_Caret = m_Anchor = m_SelStart = m_SelEnd = caret;
    m_SelItems.clear();
    m_SelSet.clear();
}

void CZumraView::CheckModeCommand(int id)
{
    ApplyCheckMode(id);
    KeepCaretVisible();
    OutlineChanged();
    SetCaret(m_Caret);
    EnsureVisible(m_Caret);
}

void CZumraView::ShowHeading(int level)
{
    m_pMan->ExpandToLevel(level);
    m_nHeadingLevel = level;
    m_bCustomExpansion = false;
    m_Geometry.UnsetTop();
    m_Geometry.InvalidateRows();
    if (m_Caret.IsSet() && !m_pMan->IsVisible(m_Caret.m_pItem)) {
        COutlineNode *prev = m_pMan->GetPrevVisible(m_Caret.m_pItem);
        COutlineNode *first = m_pMan->GetFirstVisible();
        m_Caret = prev ? ItemEnd(prev) : (first ? COutlinePos(0, 0, first) : COutlinePos());
        m_Anchor = m_SelStart = m_SelEnd = m_Caret;
        m_SelItems.clear();
        m_SelSet.clear();
    }
    OutlineChanged();
    SetCaret(m_Caret);
    EnsureVisible(m_Caret);
}

void CZumraView::SortCommand(bool all, bool ascending)
{
    if (!BeginEdit(Label::kLabelSort, false, false))
        return;
    const COutlinePos caret = m_Caret;
    m_pMan->Sort(all ? nullptr : caret.m_pItem, ascending);
    m_Geometry.UnsetTop();
    m_Geometry.InvalidateRows();
    EndEdit(caret);
}

void CZumraView::DeleteCheckedCommand()
{
    if (!IsEditable()) {
        BeginEdit(Label::kLabelDeleteChecked, false, false);
        return;
    }
    if (!m_pHost->AskYesNo(AppText(appstr::kDeleteCheckedQuestion)))
        return;
    if (!BeginEdit(Label::kLabelDeleteChecked, false, false))
        return;
    m_pMan->DeleteChecked();
    COutlinePos caret;
    if (COutlineNode *first = m_pMan->GetFirstVisible()) {
        caret = ItemEnd(first);
    } else if (COutlineNode *fresh = m_pMan->EnsureItem(nullptr)) {
        WrapItem(fresh, true);
        caret = COutlinePos(0, 0, fresh);
    }
    m_Geometry.UnsetTop();
    m_Geometry.InvalidateRows();
    EndEdit(caret);
}

void CZumraView::UncheckAllCommand()
{
    if (!BeginEdit(Label::kLabelUncheckAll, false, false))
        return;
    const COutlinePos caret = m_Caret;
    m_pMan->UncheckAll();
    m_Geometry.UnsetTop();
    m_Geometry.InvalidateRows();
    EndEdit(caret);
}

// ---- The Filing Cabinet ---------------------------------------------------------------

bool CZumraView::CopyToFilingCabinet(COutlineNode *node)
{
    if (!node || m_pHost->IsFilingCabinet())
        return false;
    COutlineMan *cabinet = m_pHost->FilingCabinet();
    if (!cabinet || cabinet == m_pMan || !cabinet->IsOpen())
        return false;
    kx_gen::MemHolder block(m_pMan->MakeTransferBlock(node));
    if (!block.get())
        return false;
    COutlineMan scratch;
    if (!m_pMan->LoadTransferBlock(block.get(), scratch, true))
        return false;
    // New top-level material at the very end, whatever is shown there.
    COutlineNode *last = cabinet->GetTree().GetLastChild(nullptr);
    CUndoOutlineMan *undo = cabinet->GetUndo();
    if (undo)
        undo->BeginGroup(Label::kLabelCopyToCabinet, false);
    COutlineNode *first = nullptr;
    const bool copied = cabinet->InsertTransfer(scratch, nullptr, last, &first);
    if (undo)
        undo->EndGroup();
    if (!copied && !first)
        return false;
    cabinet->AfterEdit(false);
    m_pHost->FilingCabinetChanged();
    return copied;
}

void CZumraView::CutToFilingCabinet(COutlineNode *node)
{
    CutAfterCopy(
        node, Label::kLabelCutToCabinet, [this, node] { return CopyToFilingCabinet(node); });
}

// ---- Context menus -------------------------------------------------------------------------

QMenu *CZumraView::MakeContextMenu(int menu)
{
    auto *popup = new QMenu(this);
    QList<int> ids;
    switch (menu) {
    case kNoteMenu:
        popup->setTitle(AppText(appstr::kNoteMenu));
        ids = { kEditNote, kDeleteNote };
        break;
    case kDrawingMenu:
        popup->setTitle(AppText(appstr::kDrawingMenu));
        ids = { kEditDrawing, kDeleteDrawing };
        break;
    default:
        ids = { kCut, kCopy, kPaste, kSelectAll, 0, kCopyItem, kCutItem, kPasteItem, 0, kNewItem,
            kDuplicateItem, kDeleteItem, 0, kAttachNote, kAttachDrawing, 0, kCutToCabinet,
            kCopyToCabinet };
        break;
    }
    for (const int id : ids) {
        if (id == 0) {
            popup->addSeparator();
            continue;
        }
        QAction *action = Action(id);
        action->setEnabled(IsCommandEnabled(id));
        popup->addAction(action);
    }
    return popup;
}

void CZumraView::RightPress(QMouseEvent *event)
{
    if (!IsReady() || !IsEditable())
        return;
    const COutlineHit hit = HitTest(event->position().toPoint());
    int menu = 0;
    if (hit.m_nKind == COutlineHit::kText) {
        SetCaret(COutlinePos(hit.m_nChar, hit.m_nRow, hit.m_pItem));
        menu = kItemMenu;
    } else if (hit.m_nKind == COutlineHit::kNote) {
        menu = kNoteMenu;
    } else if (hit.m_nKind == COutlineHit::kDrawing) {
        menu = kDrawingMenu;
    }
    if (!menu || !hit.m_pItem)
        return;
    m_pContextItem = hit.m_pItem;
    SuppressCaret();
    std::unique_ptr<QMenu> popup(MakeContextMenu(menu));
    popup->exec(event->globalPosition().toPoint());
    // A command that ran took the item; one that did not never may.
    m_pContextItem = nullptr;
    ReleaseCaret();
}

// ---- Mouse on the row symbols -----------------------------------------------------------

void CZumraView::mousePressEvent(QMouseEvent *event)
{
    if (!IsReady()) {
        event->ignore();
        return;
    }
    if (event->button() == Qt::RightButton) {
        RightPress(event);
        event->accept();
        return;
    }
    if (event->button() != Qt::LeftButton) {
        COutlineEditView::mousePressEvent(event);
        return;
    }
    const QPoint point = event->position().toPoint();
    const COutlineHit hit = HitTest(point);
    m_bDragPending = false;
    switch (hit.m_nKind) {
    case COutlineHit::kExpander:
        m_ptPress = point;
        m_bDragPending = true;
        m_pDragFirst = m_pDragLast = nullptr;
        if (IsBlockSelection()) {
            m_pDragFirst = m_SelItems.front();
            m_pDragLast = m_SelItems.back();
        }
        event->accept();
        return;
    case COutlineHit::kCheckBox:
        if (IsEditable())
            ClickCheckBox(hit.m_pItem);
        else
            BeginEdit(Label::kLabelCheck, false, false);
        event->accept();
        return;
    case COutlineHit::kNote:
        m_pContextItem = nullptr;
        EditNoteOf(hit.m_pItem);
        event->accept();
        return;
    case COutlineHit::kDrawing:
        if (IsEditable())
            m_pHost->OpenDrawing(hit.m_pItem);
        event->accept();
        return;
    case COutlineHit::kText:
        if (IsBlockSelection() && m_SelSet.count(hit.m_pItem)) {
            m_ptPress = point;
            m_bDragPending = true;
            m_bClickInSelection = true;
            m_pDragFirst = m_SelItems.front();
            m_pDragLast = m_SelItems.back();
            event->accept();
            return;
        }
        break;
    default:
        break;
    }
    COutlineEditView::mousePressEvent(event);
}

void CZumraView::mouseMoveEvent(QMouseEvent *event)
{
    if (m_bDragPending && (event->buttons() & Qt::LeftButton)) {
        const QPoint moved = event->position().toPoint() - m_ptPress;
        if (std::abs(moved.x()) > kDragThreshold || std::abs(moved.y()) > kDragThreshold) {
            m_bDragPending = false;
            m_bClickInSelection = false;
            StartItemDrag();
        }
        event->accept();
        return;
    }
    COutlineEditView::mouseMoveEvent(event);
}

void CZumraView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && m_bDragPending) {
        m_bDragPending = false;
        const COutlineHit hit = HitTest(event->position().toPoint());
        if (hit.m_nKind == COutlineHit::kExpander && hit.m_pItem) {
            COutlineNode *node = hit.m_pItem;
            if (m_pMan->CanCollapse(node))
                m_pMan->Collapse(node);
            else if (m_pMan->CanExpand(node))
                m_pMan->Expand(node);
            m_bCustomExpansion = true;
            m_Geometry.UnsetTop();
            m_Geometry.InvalidateRows();
            WrapSubtree(node, false);
            OutlineChanged();
            SetCaret(COutlinePos(0, 0, node));
            EnsureVisible(m_Caret);
        }
    }
    COutlineEditView::mouseReleaseEvent(event);
}

void CZumraView::StartItemDrag()
{
    emit itemDragRequested();
}

void CZumraView::ClickCheckBox(COutlineNode *node)
{
    if (!node || !BeginEdit(Label::kLabelCheck, false, false))
        return;
    m_pMan->ToggleCheck(node);
    m_Geometry.InvalidateRows();
    COutlinePos caret;
    if (m_pMan->IsVisible(node)) {
        caret = COutlinePos(0, 0, node);
    } else {
        m_Geometry.UnsetTop();
        caret = PlaceOnItem(node, true);
        if (!caret.IsSet()) {
            if (COutlineNode *fresh = m_pMan->EnsureItem(nullptr)) {
                WrapItem(fresh, true);
                caret = COutlinePos(0, 0, fresh);
            }
        }
    }
    EndEdit(caret);
}

// ---- Line numbering -----------------------------------------------------------------

bool CZumraView::RefusesEdits()
{
    if (IsEditable())
        return false;
    if (m_pHost)
        m_pHost->ShowMessage(AppText(appstr::kConflictsReadOnly));
    return true;
}

bool CZumraView::ApplyNumbering(const CNumbering &numbering)
{
    COutlineMan *man = GetMan();
    if (!IsReady() || !man || !man->IsOpen() || RefusesEdits())
        return false;
    bool changed = false;
    RunWork([&] {
        changed = man->ChangeNumbering(
            numbering.m_Numbering, static_cast<std::uint8_t>(numbering.m_chDivider));
    });
    if (!changed)
        return false;
    NumberingRead();
    OutlineChanged();
    if (m_pHost)
        m_pHost->SetModified(true);
    UpdateCommandStates();
    return true;
}
