#include "OutlineEditView.h"

#include "AppStrings.h"
#include "KXClipboard.h"
#include "QtStrings.h"
#include "UndoOutlineMan.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QTimer>

namespace {

using namespace outline_cmd;
using Label = CUndoOutlineMan::Label;

QString AppText(unsigned id)
{
    return ToQString(appstr::Get(id));
}

// The menu text without the key after the tab, which the shortcut shows.
QString MenuText(int id)
{
    QString text = AppText(static_cast<unsigned>(id));
    const qsizetype tab = text.indexOf(QLatin1Char('\t'));
    return tab < 0 ? text : text.left(tab);
}

} // namespace

COutlineEditView::COutlineEditView(COutlineMan *man, COutlineViewHost *host, QWidget *parent)
    : COutlineTextView(man, parent)
    , m_pHost(host)
{
    MakeActions();
    // What the clipboard holds is asked once per change: asking another
    // program's clipboard at every caret move would cost a round trip.
    if (QClipboard *clipboard = QGuiApplication::clipboard()) {
        connect(clipboard, &QClipboard::dataChanged, this, [this] {
            m_bClipboardKnown = false;
            ScheduleStates();
        });
    }
}

COutlineEditView::~COutlineEditView() = default;

// ---- Actions ----------------------------------------------------------------------

void COutlineEditView::MakeActions()
{
    for (const CCommandInfo &info : OutlineCommands()) {
        auto *action = new QAction(MenuText(info.m_nId), this);
        action->setObjectName(QString::number(info.m_nId));
        action->setShortcuts(info.m_Keys);
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        action->setCheckable(info.m_bCheckable);
        const int id = info.m_nId;
        connect(action, &QAction::triggered, this, [this, id] { OnAction(id); });
        addAction(action);
        m_Actions.insert(id, action);
        m_ActionList.append(action);
    }
}

void COutlineEditView::OnAction(int id)
{
    RunWork([this, id] {
        if (IsCommandEnabled(id))
            DoCommand(id);
    });
    ScheduleStates();
}

bool COutlineEditView::RunCommand(int id)
{
    bool ran = false;
    RunWork([&] {
        if (IsCommandEnabled(id))
            ran = DoCommand(id);
    });
    ScheduleStates();
    return ran;
}

void COutlineEditView::ScheduleStates()
{
    if (m_bStatesPending)
        return;
    m_bStatesPending = true;
    QTimer::singleShot(0, this, [this] {
        m_bStatesPending = false;
        UpdateCommandStates();
    });
}

void COutlineEditView::UpdateCommandStates()
{
    if (!m_pMan)
        return;
    for (auto it = m_Actions.cbegin(); it != m_Actions.cend(); ++it) {
        QAction *action = it.value();
        action->setEnabled(IsCommandEnabled(it.key()));
        if (action->isCheckable())
            action->setChecked(IsCommandChecked(it.key()));
    }
    if (CUndoOutlineMan *undo = m_pMan->GetUndo()) {
        const QString undoText = ToQString(undo->GetUndoMenuText());
        const QString redoText = ToQString(undo->GetRedoMenuText());
        m_Actions[kUndo]->setText(undoText.left(undoText.indexOf(QLatin1Char('\t'))));
        m_Actions[kRedo]->setText(redoText.left(redoText.indexOf(QLatin1Char('\t'))));
    }
    emit commandStatesChanged();
}

void COutlineEditView::CaretMoved()
{
    m_bTypingRun = false;
    if (m_pHost)
        m_pHost->CaretMoved();
    ScheduleStates();
}

bool COutlineEditView::IsCommandEnabled(int id) const
{
    if (!m_bReady || !m_pMan || !m_pMan->IsOpen())
        return false;
    const COutlineNode *item = m_Caret.m_pItem;
    const bool block = IsBlockSelection();
    const bool focused = hasFocus() || m_pContextItem;
    switch (id) {
    case kNewItem:
    case kDuplicateItem:
    case kDeleteItem:
    case kAttachNote:
    case kAttachDrawing:
    case kInsertDate:
    case kInsertTime:
        return item && !block;
    case kMoveLeft:
        return focused && item && !block && m_pMan->CanOutdent(item);
    case kMoveRight:
    case kTabRight:
        return focused && item && !block && m_pMan->CanIndent(item);
    case kMoveUp:
        return focused && item && !block && m_pMan->CanMoveUp(item);
    case kMoveDown:
        return focused && item && !block && m_pMan->CanMoveDown(item);
    case kCollapse:
        return item && !m_bCaretHidden && m_pMan->CanCollapse(item);
    case kExpand:
        return item && !m_bCaretHidden && m_pMan->CanExpand(item);
    case kCopy:
        return block || HasSelection();
    case kCut:
        return (block || HasSelection()) && IsEditable();
    case kPaste:
        return IsEditable() && !block && CanPaste();
    case kCopyItem:
    case kCutItem:
        return IsEditable() && !block && (item || m_pContextItem);
    case kPasteItem:
        return IsEditable() && !block && ClipboardHoldsItems();
    case kSelectAll:
        return item && !block;
    case kUndo: {
        const CUndoOutlineMan *undo = m_pMan->GetUndo();
        return undo && undo->CanUndo();
    }
    case kRedo: {
        const CUndoOutlineMan *undo = m_pMan->GetUndo();
        return undo && undo->CanRedo();
    }
    case kEditNote:
    case kDeleteNote:
    case kEditDrawing:
    case kDeleteDrawing:
        return m_pContextItem && !block;
    default:
        // Movement, typing and deleting keys are always there; each does
        // what applies.
        return true;
    }
}

// ---- Dispatch -------------------------------------------------------------------------

bool COutlineEditView::DoCommand(int id)
{
    if (MoveCaretCommand(id))
        return true;
    COutlineNode *context = m_pContextItem;
    switch (id) {
    case kLineBreak:
        if (m_bOverwrite) {
            MoveCaretCommand(kLineDown);
            MoveCaretCommand(kHome);
        } else {
            InsertTyped(kx_gen::_String("\r\n"), true);
        }
        return true;
    case kInsertTab:
        if (!m_bOverwrite)
            InsertTyped(kx_gen::_String("\t"), true);
        return true;
    case kBackspace:
        Backspace();
        return true;
    case kDeleteWordBack:
        DeleteWordBack();
        return true;
    case kDelete:
        DeleteForward();
        return true;
    case kOverwrite:
        m_bOverwrite = !m_bOverwrite;
        emit overwriteChanged(m_bOverwrite);
        return true;
    case kNewItem:
        NewItemCommand();
        return true;
    case kDuplicateItem:
        DuplicateItem();
        return true;
    case kDeleteItem:
        DeleteItemCommand();
        return true;
    case kMoveLeft:
    case kMoveRight:
    case kTabRight:
    case kMoveUp:
    case kMoveDown:
        MoveItem(id);
        return true;
    case kCollapse:
    case kExpand:
        ExpandCollapse(id == kExpand);
        return true;
    case kAttachNote:
    case kEditNote:
        m_pContextItem = nullptr;
        EditNoteOf(context ? context : m_Caret.m_pItem);
        return true;
    case kDeleteNote:
        m_pContextItem = nullptr;
        DeleteNoteOf(context);
        return true;
    case kAttachDrawing:
    case kEditDrawing:
        m_pContextItem = nullptr;
        if (!m_pHost)
            return true;
        // The drawing editor writes back into the item: not in Conflicts.
        if (IsEditable())
            m_pHost->OpenDrawing(context ? context : m_Caret.m_pItem);
        else
            m_pHost->ShowMessage(AppText(appstr::kConflictsReadOnly));
        return true;
    case kDeleteDrawing:
        m_pContextItem = nullptr;
        DeleteDrawingOf(context);
        return true;
    case kInsertDate:
    case kInsertTime:
        InsertDateOrTime(id == kInsertTime);
        return true;
    case kCopy:
        CopyCommand();
        return true;
    case kCut:
        CutCommand();
        return true;
    case kPaste:
        PasteCommand(m_Caret.m_pItem, false);
        return true;
    case kCopyItem:
        m_pContextItem = nullptr;
        CopyItem(context ? context : m_Caret.m_pItem);
        return true;
    case kCutItem:
        m_pContextItem = nullptr;
        CutItem(context ? context : m_Caret.m_pItem);
        return true;
    case kPasteItem:
        m_pContextItem = nullptr;
        PasteCommand(context ? context : m_Caret.m_pItem, context != nullptr);
        return true;
    case kSelectAll:
        SelectAll();
        return true;
    case kUndo:
    case kRedo:
        UndoRedo(id == kUndo);
        return true;
    default:
        return false;
    }
}

// ---- Keys ------------------------------------------------------------------------------

void COutlineEditView::keyPressEvent(QKeyEvent *event)
{
    if (!m_bReady) {
        event->ignore();
        return;
    }
    const Qt::KeyboardModifiers mods = event->modifiers();
    const int key = event->key();
    // Keys of the map whose action did not take them (its state was off a
    // moment ago, or the window is not the active one).
    Qt::KeyboardModifiers keyMods = mods & ~Qt::KeypadModifier;
    if (key == Qt::Key_Minus || key == Qt::Key_Plus || key == Qt::Key_Enter)
        keyMods = mods;
    if (key == Qt::Key_Enter && !(mods & (Qt::ControlModifier | Qt::ShiftModifier)))
        keyMods = Qt::NoModifier;
    const int command = CommandForKey(QKeySequence(keyMods | key));
    if (command) {
        RunCommand(command);
        event->accept();
        return;
    }
    if ((key == Qt::Key_Return || key == Qt::Key_Enter)
        && !(mods & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier))) {
        RunWork([this] { TypeChar(13); });
        ScheduleStates();
        event->accept();
        return;
    }
    const QString text = event->text();
    if (text.isEmpty() || (mods & (Qt::ControlModifier | Qt::AltModifier))
        || text.at(0).unicode() < 32 || text.at(0).unicode() == 127) {
        COutlineTextView::keyPressEvent(event);
        return;
    }
    RunWork([this, &text] { TypeText(text); });
    ScheduleStates();
    event->accept();
}

void COutlineEditView::focusOutEvent(QFocusEvent *event)
{
    COutlineTextView::focusOutEvent(event);
    ScheduleStates();
}

void COutlineEditView::TypeText(const QString &text)
{
    const QString refused = FirstUnsupportedCharacter(text);
    if (!refused.isEmpty()) {
        RefuseCharacter(refused);
        return;
    }
    kx_gen::_String bytes;
    if (!FromQString(text, bytes))
        return;
    for (int i = 0; i < bytes.GetLength(); ++i) {
        const unsigned char ch = static_cast<unsigned char>(bytes[static_cast<std::size_t>(i)]);
        if (ch == '\n' && i > 0 && bytes[static_cast<std::size_t>(i - 1)] == '\r')
            continue;
        TypeChar(ch == '\n' ? 13 : ch);
    }
}

void COutlineEditView::RefuseCharacter(const QString &character)
{
    QApplication::beep();
    if (m_pHost)
        m_pHost->CharacterRefused(character);
}

void COutlineEditView::TypeChar(unsigned char ch)
{
    // Typing while the mouse selects would change what is being selected.
    if (m_bSelecting)
        return;
    if (ch == 13) {
        if (m_bOverwrite) {
            const COutlinePos next = m_Geometry.NextRow(m_Caret);
            if (next.IsSet()) {
                SetCaret(next);
                EnsureVisible(m_Caret);
            }
            return;
        }
        Enter();
        return;
    }
    if (ch < 32)
        return;
    const char text[2] = { static_cast<char>(ch), 0 };
    // A space starts a new undo step, so that undo takes back typing word
    // by word.
    InsertTyped(kx_gen::_String(text, 1), ch != ' ');
}

// ---- The editing pattern -----------------------------------------------------------

bool COutlineEditView::IsEditable() const
{
    return !(m_pHost && m_pHost->IsConflict());
}

bool COutlineEditView::BeginEdit(int label, bool merge, bool replacesBlock)
{
    if (!m_bReady || !m_pMan || !m_pMan->IsOpen() || !m_Caret.IsSet())
        return false;
    if (!IsEditable()) {
        if (m_pHost)
            m_pHost->ShowMessage(AppText(appstr::kConflictsReadOnly));
        return false;
    }
    if (replacesBlock && IsBlockSelection()) {
        if (m_pHost && !m_pHost->AskYesNo(AppText(appstr::kDeleteSelectedItems)))
            return false;
    }
    SuppressCaret();
    if (CUndoOutlineMan *undo = m_pMan->GetUndo())
        undo->BeginGroup(label, merge);
    return true;
}

void COutlineEditView::EndEdit(const COutlinePos &caret)
{
    // A command that changed nothing leaves no undo step and does not make
    // the document modified.
    bool changed = true;
    if (CUndoOutlineMan *undo = m_pMan->GetUndo()) {
        undo->EndGroup();
        changed = undo->GetLastEndedGroup() != nullptr;
    }
    m_pMan->AfterEdit(false);
    if (changed && m_pHost)
        m_pHost->SetModified(true);
    UpdateScrollBars();
    if (caret.IsSet() && m_pMan->IsVisible(caret.m_pItem))
        SetCaret(caret);
    else if (!m_Caret.IsSet() || !m_pMan->IsVisible(m_Caret.m_pItem))
        UpdateScrollBars();
    ReleaseCaret();
    EnsureVisible(m_Caret);
    m_bTypingRun = true;
}

COutlinePos COutlineEditView::DeleteSelectionInGroup()
{
    if (IsBlockSelection()) {
        const std::vector<COutlineNode *> items = m_SelItems;
        COutlineNode *before = m_pMan->GetPrevVisible(items.front());
        m_pMan->DeleteSelection(items);
        COutlineNode *replacement = m_pMan->EnsureItem(nullptr);
        m_Geometry.InvalidateRows();
        if (replacement) {
            WrapItem(replacement, true);
            return COutlinePos(0, 0, replacement);
        }
        if (before && m_pMan->IsVisible(before)) {
            WrapItem(before, false);
            return ItemEnd(before);
        }
        COutlineNode *first = m_pMan->GetFirstVisible();
        return first ? COutlinePos(0, 0, first) : COutlinePos();
    }
    if (HasSelection()) {
        COutlineNode *node = m_SelStart.m_pItem;
        const CTextPos from = ParaOf(m_SelStart);
        m_pMan->DeleteText(node, from, ParaOf(m_SelEnd));
        const COutlinePos caret = RowPosOf(node, from);
        m_Caret = m_Anchor = m_SelStart = m_SelEnd = caret;
        return caret;
    }
    return m_Caret;
}

COutlinePos COutlineEditView::PlaceOnItem(COutlineNode *node, bool atEnd) const
{
    if (node && m_pMan->IsVisible(node))
        return atEnd ? ItemEnd(node) : COutlinePos(0, 0, node);
    COutlineNode *prev = node ? m_pMan->GetPrevVisible(node) : nullptr;
    if (prev)
        return ItemEnd(prev);
    COutlineNode *first = m_pMan->GetFirstVisible();
    return first ? COutlinePos(0, 0, first) : COutlinePos();
}

CTextPos COutlineEditView::ParaOf(const COutlinePos &pos)
{
    return pos.m_pItem->m_Item.m_Text.RowToPara(CTextPos { pos.m_nChar, pos.m_nRow });
}

COutlinePos COutlineEditView::RowPosOf(COutlineNode *node, CTextPos para)
{
    const CTextPos row = node->m_Item.m_Text.ParaToRow(para);
    return COutlinePos(row.m_nChar, row.m_nLine, node);
}

COutlineNode *COutlineEditView::CommandItem() const
{
    return m_pContextItem ? m_pContextItem : m_Caret.m_pItem;
}

// ---- Typing and deleting -------------------------------------------------------------

void COutlineEditView::InsertTyped(const kx_gen::_String &text, bool merge)
{
    if (!BeginEdit(Label::kLabelTyping, merge && m_bTypingRun, true))
        return;
    COutlinePos caret = DeleteSelectionInGroup();
    COutlineNode *node = caret.m_pItem;
    CTextPos at = ParaOf(caret);
    if (m_bOverwrite && text.GetLength() == 1 && text[0] != '\r') {
        // Overwriting stops at a paragraph's end: a line break is never
        // overwritten.
        const int length = node->m_Item.m_Text.GetPara(at.m_nLine).GetLength();
        if (at.m_nChar < length)
            m_pMan->DeleteText(node, at, CTextPos { at.m_nChar + 1, at.m_nLine });
    }
    CTextPos end = at;
    m_pMan->InsertText(node, at, text, &end);
    EndEdit(RowPosOf(node, end));
}

void COutlineEditView::Enter()
{
    if (!BeginEdit(Label::kLabelTyping, false, true))
        return;
    const COutlinePos caret = DeleteSelectionInGroup();
    COutlineNode *fresh = nullptr;
    if (caret.IsSet()) {
        // The split tells of its parts one by one, the new item's text
        // before the item itself; taken as a whole it is one new item for
        // the row totals and one shorter text, with no count of all rows.
        m_pMan->EnableNotify(false);
        fresh = m_pMan->SplitItem(caret.m_pItem, ParaOf(caret));
        m_pMan->EnableNotify(true);
        WrapItem(caret.m_pItem, false);
        if (fresh)
            m_Geometry.ItemInserted(fresh);
    }
    EndEdit(fresh ? COutlinePos(0, 0, fresh) : caret);
    // The next character begins a word of its own.
    m_bTypingRun = false;
}

void COutlineEditView::DeleteForward()
{
    if (!BeginEdit(Label::kLabelDelete, false, true))
        return;
    if (HasSelection()) {
        EndEdit(DeleteSelectionInGroup());
        return;
    }
    COutlineNode *node = m_Caret.m_pItem;
    const CTextPos at = ParaOf(m_Caret);
    const CTextCtrl &text = node->m_Item.m_Text;
    // Items are never joined forwards: at the end nothing happens.
    if (!(at == text.GetEndPos())) {
        const int length = text.GetPara(at.m_nLine).GetLength();
        const CTextPos next = at.m_nChar < length ? CTextPos { at.m_nChar + 1, at.m_nLine }
                                                  : CTextPos { 0, at.m_nLine + 1 };
        m_pMan->DeleteText(node, at, next);
    }
    EndEdit(RowPosOf(node, at));
}

void COutlineEditView::Backspace()
{
    if (!BeginEdit(Label::kLabelBackspace, false, true))
        return;
    if (HasSelection()) {
        EndEdit(DeleteSelectionInGroup());
        return;
    }
    COutlineNode *node = m_Caret.m_pItem;
    const CTextPos at = ParaOf(m_Caret);
    if (at.m_nChar > 0 || at.m_nLine > 0) {
        const CTextPos before = at.m_nChar > 0
            ? CTextPos { at.m_nChar - 1, at.m_nLine }
            : CTextPos { node->m_Item.m_Text.GetPara(at.m_nLine - 1).GetLength(), at.m_nLine - 1 };
        m_pMan->DeleteText(node, before, at);
        EndEdit(RowPosOf(node, before));
        return;
    }
    COutlineNode *prev = m_pMan->GetPrevVisible(node);
    if (!prev) {
        EndEdit(m_Caret);
        return;
    }
    // Join refuses an item with children and tells the user itself.
    const CTextPos joint = prev->m_Item.m_Text.GetEndPos();
    if (m_pMan->Join(prev, node)) {
        EndEdit(RowPosOf(prev, joint));
    } else {
        EndEdit(m_Caret);
    }
}

void COutlineEditView::DeleteWordBack()
{
    if (!BeginEdit(Label::kLabelBackspace, false, true))
        return;
    if (HasSelection()) {
        EndEdit(DeleteSelectionInGroup());
        return;
    }
    const COutlinePos from = WordLeft(m_Caret);
    COutlineNode *node = m_Caret.m_pItem;
    const CTextPos at = ParaOf(m_Caret);
    if (from.m_pItem == node) {
        const CTextPos start = ParaOf(from);
        m_pMan->DeleteText(node, start, at);
        EndEdit(RowPosOf(node, start));
    } else {
        EndEdit(m_Caret);
    }
}
