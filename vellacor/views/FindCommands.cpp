// The outline view's searching: Find, Find Next and Find Previous, Replace
// with its dialog-long undo group, and the find bar's marks.

#include "ZumraView.h"

#include "AppStrings.h"
#include "FindBar.h"
#include "FindReplaceDlg.h"
#include "QtStrings.h"
#include "UndoOutlineMan.h"
#include "ViewProbe.h"

#include <QPainter>

namespace {

using Label = CUndoOutlineMan::Label;

QString AppText(unsigned id)
{
    return ToQString(appstr::Get(id));
}

constexpr const char *kFindSection = "Find";
constexpr const char *kReplaceSection = "Replace";

// The selection's text when it lies inside one paragraph.
QString SelectedWord(const CZumraView &view)
{
    const COutlinePos &from = view.GetSelStart();
    const COutlinePos &to = view.GetSelEnd();
    if (!view.HasSelection() || from.m_pItem != to.m_pItem)
        return {};
    const CTextPos a = COutlineEditView::ParaOf(from);
    const CTextPos b = COutlineEditView::ParaOf(to);
    if (a.m_nLine != b.m_nLine)
        return {};
    return ToQString(from.m_pItem->m_Item.m_Text.GetRange(a, b));
}

} // namespace

// ---- Searching ----------------------------------------------------------------------

bool CZumraView::SearchFrom(const CTextMatcher &matcher, COutlineNode *start, CTextPos startPos,
    bool backward, bool wrapAround)
{
    if (!IsReady() || !matcher.IsReady())
        return false;
    // Whether the item found was shown before: the search expands what
    // hides it, and the rows then change.
    bool wasVisible = true;
    const COutlineMan::CItemMatch inner = matcher.ItemMatch(m_pNoteHit);
    const auto match = [&](const COutlineNode *node, CTextPos from, bool back, CTextPos *pHit) {
        const bool hit = inner(node, from, back, pHit);
        if (hit)
            wasVisible = m_pMan->IsVisible(node);
        return hit;
    };
    COutlineNode *found = nullptr;
    CTextPos at;
    if (!m_pMan->FindWith(match, start, startPos, backward, wrapAround, &found, &at)) {
        m_pNoteHit = nullptr;
        return false;
    }
    if (!wasVisible) {
        SetCustomExpansion();
        m_Geometry.UnsetTop();
        OutlineChanged();
    }
    const int length = matcher.MatchLengthAt(found->m_Item.m_Text, at);
    COutlinePos from;
    COutlinePos to;
    if (length == 0) {
        // A hit in the note: the item is what can be shown.
        m_pNoteHit = found;
        from = COutlinePos(0, 0, found);
        to = ItemEnd(found);
        if (m_pHost)
            m_pHost->StatusMessage(AppText(appstr::kFoundInNote));
    } else {
        m_pNoteHit = nullptr;
        from = RowPosOf(found, at);
        to = RowPosOf(found, CTextPos { at.m_nChar + length, at.m_nLine });
    }
    if (backward)
        SetSelection(to, from);
    else
        SetSelection(from, to);
    UpdateScrollBars();
    EnsureVisible(m_Caret);
    viewport()->update();
    return true;
}

void CZumraView::ShowNotFound(const QString &text)
{
    QString message = AppText(appstr::kCannotFindString);
    message.replace(QStringLiteral("%s"), text);
    if (m_pHost)
        m_pHost->ShowMessage(message);
}

bool CZumraView::RepeatSearch(const CFindOptions &options, bool wrapAround, bool fromSelection)
{
    CTextMatcher matcher;
    if (!matcher.Prepare(options, nullptr))
        return false;
    const bool backward = options.Has(CFindOptions::kUp);
    // Forwards from the end of what is selected, backwards from its start,
    // so that a match just found is not found again.
    COutlinePos from = m_Caret;
    if (fromSelection && HasSelection())
        from = backward ? m_SelStart : m_SelEnd;
    COutlineNode *start = from.IsSet() ? from.m_pItem : nullptr;
    const CTextPos pos = start ? ParaOf(from) : CTextPos();
    if (m_pNoteHit && start == m_pNoteHit && !backward) {
        // The note was the hit: go on after this item's text.
        return SearchFrom(matcher, start, start->m_Item.m_Text.GetEndPos(), false, wrapAround);
    }
    return SearchFrom(matcher, start, pos, backward, wrapAround);
}

void CZumraView::FindCommand()
{
    if (!IsReady())
        return;
    CFindOptions initial;
    if (m_bHaveSearch) {
        initial.m_strText = m_strSearch;
        initial.m_nFlags = m_nSearchFlags;
    } else {
        LoadFindSettings(m_pHost ? m_pHost->Settings() : nullptr, kFindSection, &initial, nullptr);
        initial.m_nFlags &= ~CFindOptions::kUp;
    }
    const QString word = SelectedWord(*this);
    if (!word.isEmpty())
        initial.m_strText = word;
    CFindTextDlg dialog(initial, this);
    dialog.m_onFindNext = [this](const CFindOptions &options) {
        if (RepeatSearch(options, true, true))
            return true;
        ShowNotFound(options.m_strText);
        return false;
    };
    SetShowSelectionAlways(true);
    ExecDialog(dialog);
    SetShowSelectionAlways(false);
    const CFindOptions chosen = dialog.Options();
    m_bHaveSearch = !chosen.m_strText.isEmpty();
    m_strSearch = chosen.m_strText;
    m_nSearchFlags = chosen.m_nFlags;
    SaveFindSettings(m_pHost ? m_pHost->Settings() : nullptr, kFindSection, chosen, nullptr);
    setFocus();
}

void CZumraView::FindNextCommand(bool invert)
{
    if (!IsReady() || !m_bHaveSearch)
        return;
    CFindOptions options;
    options.m_strText = m_strSearch;
    options.m_nFlags = m_nSearchFlags ^ (invert ? CFindOptions::kUp : 0u);
    if (!RepeatSearch(options, false, true))
        ShowNotFound(m_strSearch);
}

// ---- Replace -----------------------------------------------------------------------------

void CZumraView::ReplaceCommand()
{
    if (!IsReady())
        return;
    CFindOptions initial;
    QString replaceWith;
    LoadFindSettings(
        m_pHost ? m_pHost->Settings() : nullptr, kReplaceSection, &initial, &replaceWith);
    initial.m_nFlags &= ~(CFindOptions::kUp | CFindOptions::kNotes);
    const QString word = SelectedWord(*this);
    if (!word.isEmpty())
        initial.m_strText = word;
    if (!BeginEdit(Label::kLabelReplace, false, false))
        return;
    BeginReplace();
    CEditReplaceDlg dialog(initial, replaceWith, this);
    dialog.m_onAction = [this](int action, const CFindOptions &options, const QString &with) {
        ReplaceAction(action, options, with);
    };
    SetShowSelectionAlways(true);
    ExecDialog(dialog);
    SetShowSelectionAlways(false);
    const CFindOptions chosen = dialog.Options();
    const QString with = dialog.ReplaceWith();
    SaveFindSettings(m_pHost ? m_pHost->Settings() : nullptr, kReplaceSection, chosen, &with);
    EndReplace();
    setFocus();
}

void CZumraView::BeginReplace()
{
    m_ReplaceStart = m_Caret;
    m_bMatchShown = false;
    m_pNoteHit = nullptr;
}

void CZumraView::EndReplace()
{
    m_bMatchShown = false;
    m_Geometry.Layout().m_nWidth = 0;
    // Closes the group the command opened, with the after-edit step.
    EndEdit(m_Caret);
}

bool CZumraView::IsMatchCurrent() const
{
    return m_bMatchShown && m_MatchFrom.IsSet() && m_pMan->IsVisible(m_MatchFrom.m_pItem)
        && m_SelStart == m_MatchFrom && m_SelEnd == m_MatchTo;
}

void CZumraView::ReplaceAction(int action, const CFindOptions &given, const QString &replaceWith)
{
    CFindOptions options = given;
    options.m_nFlags &= ~(CFindOptions::kUp | CFindOptions::kNotes);
    CTextMatcher matcher;
    if (!IsReady() || !matcher.Prepare(options, nullptr))
        return;
    if (action != CEditReplaceDlg::kFindNext && options.m_strText == replaceWith)
        return;
    if (action == CEditReplaceDlg::kReplaceAll) {
        ReplaceAll(matcher, replaceWith);
        return;
    }
    if (action == CEditReplaceDlg::kReplaceOne)
        ReplaceCurrent(matcher, replaceWith);
    // The next match: one character on from a match shown, else from the
    // start position.
    COutlineNode *start = m_ReplaceStart.IsSet() ? m_ReplaceStart.m_pItem : nullptr;
    CTextPos pos = start ? ParaOf(m_ReplaceStart) : CTextPos();
    if (IsMatchCurrent()) {
        start = m_MatchFrom.m_pItem;
        pos = ParaOf(m_MatchFrom);
        ++pos.m_nChar;
    }
    if (start && !m_pMan->IsVisible(start))
        start = nullptr;
    if (SearchFrom(matcher, start, pos, false, false)) {
        m_bMatchShown = true;
        m_MatchFrom = m_SelStart;
        m_MatchTo = m_SelEnd;
        return;
    }
    m_bMatchShown = false;
    ShowNotFound(options.m_strText);
    COutlineNode *first = m_pMan->GetFirstVisible();
    m_ReplaceStart = first ? COutlinePos(0, 0, first) : COutlinePos();
}

bool CZumraView::ReplaceCurrent(const CTextMatcher &matcher, const QString &replaceWith)
{
    if (!IsMatchCurrent())
        return false;
    COutlineNode *node = m_MatchFrom.m_pItem;
    const CTextPos from = ParaOf(m_MatchFrom);
    const CTextPos to = ParaOf(m_MatchTo);
    kx_gen::_String text;
    if (!matcher.ReplacementFor(node->m_Item.m_Text, from, replaceWith, &text))
        return false;
    m_pMan->DeleteText(node, from, to);
    CTextPos end = from;
    m_pMan->InsertText(node, from, text, &end);
    const COutlinePos after = RowPosOf(node, end);
    SetCaret(after);
    m_ReplaceStart = after;
    m_bMatchShown = false;
    return true;
}

void CZumraView::ReplaceAll(const CTextMatcher &matcher, const QString &replaceWith)
{
    COutlineNode *node = m_pMan->GetFirstVisible();
    CTextPos pos;
    const COutlineMan::CItemMatch match = matcher.ItemMatch();
    // The rows are counted once at the end, not at every item replaced.
    m_Geometry.InvalidateRows();
    bool any = false;
    COutlinePos last;
    for (;;) {
        COutlineNode *found = nullptr;
        CTextPos at;
        if (!node || !m_pMan->FindWith(match, node, pos, false, false, &found, &at)) {
            if (!any)
                ShowNotFound(matcher.Options().m_strText);
            break;
        }
        const int length = matcher.MatchLengthAt(found->m_Item.m_Text, at);
        kx_gen::_String text;
        if (length <= 0 || !matcher.ReplacementFor(found->m_Item.m_Text, at, replaceWith, &text))
            break;
        any = true;
        m_pMan->DeleteText(found, at, CTextPos { at.m_nChar + length, at.m_nLine });
        CTextPos end = at;
        m_pMan->InsertText(found, at, text, &end);
        node = found;
        pos = end;
        last = RowPosOf(found, end);
    }
    if (any) {
        // The search opened every branch that held a match.
        SetCustomExpansion();
        m_Geometry.UnsetTop();
        OutlineChanged();
        SetCaret(last);
        m_ReplaceStart = last;
    }
    m_bMatchShown = false;
    if (m_pHost)
        m_pHost->ShowMessage(AppText(appstr::kFinishedReplaceAll));
}

// ---- The dialogs' loop and the find bar ----------------------------------------------------

int CZumraView::ExecDialog(QDialog &dialog)
{
    return dialog.exec();
}

CFindBar *CZumraView::FindBar()
{
    if (!m_pFindBar) {
        m_pFindBar = new CFindBar(this);
        LayoutFindBar();
    }
    return m_pFindBar;
}

void CZumraView::SetHighlight(const CFindOptions &options)
{
    if (!m_Highlight.Prepare(options, nullptr))
        m_Highlight = CTextMatcher();
    viewport()->update();
}

void CZumraView::RememberSearch(const CFindOptions &options)
{
    m_bHaveSearch = !options.m_strText.isEmpty();
    m_strSearch = options.m_strText;
    m_nSearchFlags = options.m_nFlags & ~CFindOptions::kUp;
}

int CZumraView::CountVisibleMatches() const
{
    if (!m_Highlight.IsReady())
        return 0;
    std::vector<std::pair<int, int>> matches;
    const std::vector<COutlineRowSlot> rows = m_Geometry.VisibleRows();
    int count = 0;
    for (std::size_t i = 0; i < rows.size();) {
        COutlineNode *node = rows[i].m_Pos.m_pItem;
        std::size_t end = i;
        while (end < rows.size() && rows[end].m_Pos.m_pItem == node)
            ++end;
        const int firstRow = rows[i].m_Pos.m_nRow;
        const int lastRow = rows[end - 1].m_Pos.m_nRow;
        const CTextCtrl &text = node->m_Item.m_Text;
        for (int k = 0; k < text.GetParaCount(); ++k) {
            m_Highlight.MatchesInPara(text.GetPara(k), &matches);
            for (const auto &[at, length] : matches) {
                const int a = text.ParaToRow(CTextPos { at, k }).m_nLine;
                const int b = text.ParaToRow(CTextPos { at + length, k }).m_nLine;
                if (b >= firstRow && a <= lastRow)
                    ++count;
            }
        }
        i = end;
    }
    return count;
}

void CZumraView::resizeEvent(QResizeEvent *event)
{
    COutlineEditView::resizeEvent(event);
    LayoutFindBar();
}

void CZumraView::LayoutFindBar()
{
    const bool shown = m_pFindBar && !m_pFindBar->isHidden();
    const int height = shown ? m_pFindBar->sizeHint().height() : 0;
    // The bar takes a strip below the rows, above the horizontal scroll bar.
    setViewportMargins(0, 0, 0, height);
    if (shown) {
        const QRect rows = viewport()->geometry();
        m_pFindBar->setGeometry(rows.left(), rows.bottom() + 1, rows.width(), height);
        m_pFindBar->raise();
    }
}

void CZumraView::PaintOverlay(QPainter &painter, const std::vector<COutlineRowSlot> &rows)
{
    PaintHighlights(painter, rows);
    PaintDropFeedback(painter, rows);
    ProbeViewRows(*this);
}

void CZumraView::PaintHighlights(QPainter &painter, const std::vector<COutlineRowSlot> &rows)
{
    if (!m_Highlight.IsReady() || !m_pFindBar || m_pFindBar->isHidden())
        return;
    std::vector<std::pair<int, int>> matches;
    const int rowHeight = m_Geometry.RowHeight();
    QColor mark(0xff, 0xd8, 0x40, 150);
    std::size_t i = 0;
    while (i < rows.size()) {
        COutlineNode *node = rows[i].m_Pos.m_pItem;
        const CTextCtrl &text = node->m_Item.m_Text;
        // The rows of this item that are painted, by row number.
        std::size_t end = i;
        while (end < rows.size() && rows[end].m_Pos.m_pItem == node)
            ++end;
        const int firstRow = rows[i].m_Pos.m_nRow;
        const int lastRow = rows[end - 1].m_Pos.m_nRow;
        for (int k = 0; k < text.GetParaCount(); ++k) {
            m_Highlight.MatchesInPara(text.GetPara(k), &matches);
            for (const auto &[at, length] : matches) {
                const CTextPos a = text.ParaToRow(CTextPos { at, k });
                const CTextPos b = text.ParaToRow(CTextPos { at + length, k });
                if (b.m_nLine < firstRow || a.m_nLine > lastRow)
                    continue;
                // The match reached is the selection: it keeps the
                // selection's colours.
                if (node == m_SelStart.m_pItem && node == m_SelEnd.m_pItem
                    && m_SelStart == COutlinePos(a.m_nChar, a.m_nLine, node)
                    && m_SelEnd == COutlinePos(b.m_nChar, b.m_nLine, node))
                    continue;
                for (int row = std::max(a.m_nLine, firstRow); row <= std::min(b.m_nLine, lastRow);
                     ++row) {
                    const int top = rows[i + static_cast<std::size_t>(row - firstRow)].m_nTop;
                    const int x0 = m_Geometry.CharX(
                        COutlinePos(row == a.m_nLine ? a.m_nChar : 0, row, node));
                    const int x1 = m_Geometry.CharX(COutlinePos(
                        row == b.m_nLine ? b.m_nChar : COutlineGeometry::RowLength(node, row), row,
                        node));
                    painter.fillRect(QRect(x0, top, std::max(2, x1 - x0), rowHeight), mark);
                }
            }
        }
        i = end;
    }
}

bool CZumraView::FindBarStep(const CFindOptions &options, bool backward, const COutlinePos &origin)
{
    CTextMatcher matcher;
    if (!IsReady() || !matcher.Prepare(options, nullptr))
        return false;
    if (origin.IsSet() && m_pMan->IsVisible(origin.m_pItem)) {
        m_pNoteHit = nullptr;
        return SearchFrom(matcher, origin.m_pItem, ParaOf(origin), false, true);
    }
    CFindOptions step = options;
    step.m_nFlags
        = backward ? (step.m_nFlags | CFindOptions::kUp) : (step.m_nFlags & ~CFindOptions::kUp);
    return RepeatSearch(step, true, true);
}
