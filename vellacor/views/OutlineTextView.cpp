#include "OutlineTextView.h"

#include "QtMeasureDC.h"
#include "QtValues.h"
#include "TextMeasure.h"

#include "kx_gen/OutlineDB.h"

#include <QApplication>
#include <QFocusEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleHints>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

COutlineTextView::COutlineTextView(COutlineMan *man, QWidget *parent)
    : QAbstractScrollArea(parent)
    , m_pMan(man)
    , m_Geometry(man)
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent, true);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setMouseTracking(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    SetOutlineFont(kx_gen::LOGFONT(), 0);
    m_bHasStoredColor = false;
}

COutlineTextView::~COutlineTextView()
{
    if (m_pMan && m_pMan->IsNotifyEnabled())
        m_pMan->EnableNotify(false);
    if (m_pMan)
        m_pMan->SetNotify(nullptr, nullptr);
}

// ---- Font, colours, numbering -------------------------------------------------

void COutlineTextView::SetOutlineFont(const kx_gen::LOGFONT &font, kx_gen::COLORREF color)
{
    QFont qfont = ToQFont(font);
    if (font.lfHeight == 0 && font.lfFaceName[0] == 0)
        qfont = QApplication::font();
    // Advances that add up exactly, so that measuring by the width tables,
    // hit testing and painting agree on every character's place.
    qfont.setKerning(false);
    qfont.setHintingPreference(QFont::PreferFullHinting);
    m_qFont = qfont;
    m_pDC = std::make_unique<CQtMeasureDC>(m_qFont);
    m_Geometry.Font().Measure(*m_pDC);
    // With whole-pixel advances and no kerning the tables are exact, and
    // measuring again through the device would cost a text layout per row
    // and change nothing. A font whose advances do not add up (hinting
    // ignored, fractional advances) is measured exactly near every break.
    static const char kSample[] = "The quick brown fox jumps over the lazy dog. 0123456789 WM il";
    const int count = static_cast<int>(sizeof(kSample) - 1);
    const bool exact = TextExtent(nullptr, m_Geometry.Font(), kSample, count)
        == m_pDC->GetTabbedTextExtent(kSample, count, m_Geometry.Font().m_nTabWidth);
    m_Geometry.SetMeasureDC(exact ? nullptr : m_pDC.get());
    m_Geometry.FontChanged();
    m_crText = color;
    m_bHasStoredColor = true;
    if (m_bReady) {
        UpdateScrollBars();
        viewport()->update();
    }
}

void COutlineTextView::ReadNumbering()
{
    if (!m_pMan || !m_pMan->IsOpen())
        return;
    CNumbering numbering;
    m_pMan->GetNumbering(numbering.m_Numbering);
    if (!COutlineMan::ValidateNumbering(numbering.m_Numbering))
        m_pMan->SetNumbering(numbering.m_Numbering);
    numbering.m_chDivider = static_cast<char>(m_pMan->GetDB()->getNumberingDivider() & 0xFF);
    m_Geometry.SetNumbering(numbering);
}

void COutlineTextView::NumberingRead()
{
    ReadNumbering();
    // Labels change width: every level's indent is measured again.
    for (int level = 0; level < COutlineLayout::kLevels; ++level)
        m_Geometry.MarkLevelDirty(level);
    m_Geometry.InvalidateRows();
    viewport()->update();
}

void COutlineTextView::SetShowCheckBoxes(bool show)
{
    m_Geometry.SetShowCheckBoxes(show);
    if (m_bReady) {
        UpdateScrollBars();
        viewport()->update();
    }
}

QColor COutlineTextView::GetColor(int index) const
{
    const QPalette &pal = palette();
    switch (index) {
    case 0:
    case 1:
        return pal.color(QPalette::Base);
    case 2:
        return pal.color(QPalette::Text);
    case 3:
        return pal.color(QPalette::Button);
    case 4:
        return pal.color(QPalette::Highlight);
    case 5:
        return pal.color(QPalette::HighlightedText);
    case 6:
        return QColor(0, 0, 255);
    case 7:
        return QColor(128, 128, 128);
    case 8:
        return QColor(128, 0, 0);
    case 9:
        return QColor(0, 0, 0);
    case 11:
        return QColor(0, 128, 192);
    default:
        return QColor(255, 0, 0);
    }
}

QColor COutlineTextView::TextColor() const
{
    const QColor fallback = GetColor(2);
    if (!m_bHasStoredColor)
        return fallback;
    const QColor stored = ToQColor(m_crText);
    const QColor back = GetColor(0);
    // An outline keeps the colour it was written with; on a background of
    // nearly the same lightness (black text on a dark theme) it would
    // vanish, and the theme's text colour takes over.
    if (std::abs(stored.lightnessF() - back.lightnessF()) < 0.3)
        return fallback;
    return stored;
}

// ---- Layout -------------------------------------------------------------------

int COutlineTextView::RecalcLayout()
{
    m_Geometry.SetClientSize(viewport()->size());
    return m_Geometry.RecalcLayout();
}

void COutlineTextView::OutlineChanged()
{
    m_Geometry.InvalidateRows();
    UpdateScrollBars();
    viewport()->update();
}

void COutlineTextView::UpdateScrollBars()
{
    if (!m_bReady || viewport()->size().isEmpty())
        return;
    RecalcLayout();
    if (!m_Caret.IsSet() || !m_pMan->IsVisible(m_Caret.m_pItem)) {
        // The caret's item went away in the middle of a command: the first
        // item takes it, or a new one when nothing is left.
        COutlineNode *node = m_pMan->GetFirstVisible();
        if (!node)
            node = m_pMan->EnsureItem(nullptr);
        if (node && node->m_Item.m_Text.GetRowCount() == 0) {
            WrapItem(node, true);
            m_Geometry.InvalidateRows();
        }
        if (node)
            SetCaret(COutlinePos(0, 0, node));
    }
    SyncScrollBars();
}

void COutlineTextView::SyncScrollBars()
{
    const QSize client = viewport()->size();
    const int rowHeight = m_Geometry.RowHeight();
    const int total = m_Geometry.TotalRows();
    m_bSyncingBars = true;
    QScrollBar *v = verticalScrollBar();
    if (static_cast<long long>(total) * rowHeight > client.height()) {
        v->setRange(0, total - 1);
        v->setPageStep(m_Geometry.PageRows());
        v->setSingleStep(1);
        v->setValue(m_Geometry.TopRow());
    } else {
        m_Geometry.SetTopRow(0);
        v->setRange(0, 0);
    }
    QScrollBar *h = horizontalScrollBar();
    const int width = m_Geometry.Layout().m_nWidth;
    if (width > client.width()) {
        h->setRange(0, width - client.width());
        h->setPageStep(client.width());
        h->setSingleStep(HorizontalLineStep());
        m_Geometry.SetHScroll(std::min(m_Geometry.HScroll(), width - client.width()));
        h->setValue(m_Geometry.HScroll());
    } else {
        m_Geometry.SetHScroll(0);
        h->setRange(0, 0);
    }
    m_bSyncingBars = false;
}

// ---- Caret and selection --------------------------------------------------------

bool COutlineTextView::IsBeforePos(const COutlinePos &a, const COutlinePos &b) const
{
    if (a.m_pItem == b.m_pItem)
        return a.m_nRow < b.m_nRow || (a.m_nRow == b.m_nRow && a.m_nChar < b.m_nChar);
    return m_pMan->IsBefore(a.m_pItem, b.m_pItem);
}

void COutlineTextView::SetCaret(const COutlinePos &pos, bool extend)
{
    if (!pos.IsSet() || !m_pMan->IsVisible(pos.m_pItem))
        return;
    COutlinePos clamped = pos;
    clamped.m_nRow = std::min(pos.m_nRow, COutlineGeometry::ItemRows(pos.m_pItem) - 1);
    clamped.m_nChar
        = std::min(pos.m_nChar, COutlineGeometry::RowLength(pos.m_pItem, clamped.m_nRow));
    if (extend && m_Anchor.IsSet())
        SetSelection(m_Anchor, clamped);
    else
        SetSelection(clamped, clamped);
}

void COutlineTextView::SetSelection(const COutlinePos &anchor, const COutlinePos &caret)
{
    if (!anchor.IsSet() || !caret.IsSet())
        return;
    m_Anchor = anchor;
    m_Caret = caret;
    if (IsBeforePos(caret, anchor)) {
        m_SelStart = caret;
        m_SelEnd = anchor;
    } else {
        m_SelStart = anchor;
        m_SelEnd = caret;
    }
    if (m_SelStart.m_pItem != m_SelEnd.m_pItem) {
        // A block covers whole items, first row to last.
        m_SelStart = COutlinePos(0, 0, m_SelStart.m_pItem);
        const int last = COutlineGeometry::ItemRows(m_SelEnd.m_pItem) - 1;
        m_SelEnd = COutlinePos(
            COutlineGeometry::RowLength(m_SelEnd.m_pItem, last), last, m_SelEnd.m_pItem);
    }
    CollectSelItems();
    m_bCaretBlinkOn = true;
    if (m_bReady) {
        UpdateCaret();
        viewport()->update();
        CaretMoved();
    }
}

void COutlineTextView::CollectSelItems()
{
    m_SelItems.clear();
    m_SelSet.clear();
    if (m_SelStart.m_pItem == m_SelEnd.m_pItem || !m_SelStart.m_pItem)
        return;
    for (COutlineNode *n = m_SelStart.m_pItem; n; n = m_pMan->GetNextVisible(n)) {
        m_SelItems.push_back(n);
        m_SelSet.insert(n);
        if (n == m_SelEnd.m_pItem)
            break;
    }
}

QRect COutlineTextView::CaretRect() const
{
    QPoint point;
    if (!m_Caret.IsSet() || !m_Geometry.PointFromPos(m_Caret, &point))
        return QRect();
    return QRect(point.x(), point.y(), 2, m_Geometry.RowHeight());
}

void COutlineTextView::RepaintCaret()
{
    const QRect rect = CaretRect();
    if (!rect.isEmpty())
        viewport()->update(rect.adjusted(-1, 0, 1, 0));
}

void COutlineTextView::UpdateCaret()
{
    // A block selection is of whole items: no caret stands in it.
    const bool show = m_bReady && m_bHasFocus && !m_bCaretHidden && !IsBlockSelection()
        && !CaretRect().isEmpty();
    if (show != m_bCaretShown) {
        m_bCaretShown = show;
        if (show) {
            m_bCaretBlinkOn = true;
            const int flash = QApplication::cursorFlashTime();
            if (flash > 0)
                m_BlinkTimer.start(flash / 2, this);
        } else {
            m_BlinkTimer.stop();
        }
    }
    RepaintCaret();
    if (m_bCaretShown)
        m_bCaretBlinkOn = true;
}

void COutlineTextView::SuppressCaret()
{
    m_bCaretHidden = true;
    UpdateCaret();
}

void COutlineTextView::ReleaseCaret()
{
    if (!HasSelection())
        m_bCaretHidden = false;
    UpdateCaret();
}

void COutlineTextView::SetShowSelectionAlways(bool show)
{
    m_bShowSelectionAlways = show;
    viewport()->update();
}

QString COutlineTextView::GetStatusText() const
{
    int line = 1;
    int column = 1;
    if (m_bReady && m_Caret.IsSet()) {
        const COutlinePos row = m_Caret.RowStart();
        if (m_nLineCache < 0 || m_LineCachePos != row
            || m_nLineCacheGeneration != m_Geometry.RowsGeneration()) {
            m_nLineCache = std::max(0, m_Geometry.RowNumber(row));
            m_LineCachePos = row;
            m_nLineCacheGeneration = m_Geometry.RowsGeneration();
        }
        line = m_nLineCache + 1;
        column = m_Caret.m_nChar + 1;
    }
    return tr("Ln %1, Col %2").arg(line).arg(column);
}

// ---- Scrolling ------------------------------------------------------------------

int COutlineTextView::HorizontalLineStep() const
{
    const int wide = 2 * m_Geometry.TextWidth("W", 1);
    return std::max(viewport()->width() / 4, wide);
}

void COutlineTextView::EnsureVisible(const COutlinePos &pos)
{
    if (!m_bReady || !pos.IsSet() || !m_pMan->IsVisible(pos.m_pItem))
        return;
    const int rowHeight = m_Geometry.RowHeight();
    const COutlinePos top = m_Geometry.Top();
    const int below = m_Geometry.RowsBetween(top, pos.RowStart());
    if (below < 0) {
        const int above = m_Geometry.RowsBetween(pos.RowStart(), top);
        if (above > 0)
            m_Geometry.ScrollRows(-above / rowHeight);
    } else {
        const int rows = below / rowHeight;
        const int page = m_Geometry.PageRows();
        if (rows >= page)
            m_Geometry.ScrollRows(rows - page + 1);
    }
    const int client = viewport()->width();
    const int x = m_Geometry.CharX(pos);
    int scroll = m_Geometry.HScroll();
    if (x < scroll || x >= scroll + client) {
        const int maxScroll = std::max(0, m_Geometry.Layout().m_nWidth - client);
        if (x < client) {
            scroll = 0;
        } else {
            const int step = HorizontalLineStep();
            while (x >= scroll + client && scroll < maxScroll)
                scroll = std::min(scroll + step, maxScroll);
            while (x < scroll && scroll > 0)
                scroll = std::max(scroll - step, 0);
        }
        m_Geometry.SetHScroll(scroll);
    }
    SyncScrollBars();
    UpdateCaret();
    viewport()->update();
}

void COutlineTextView::ScrollByRows(int rows)
{
    if (!m_bReady || rows == 0)
        return;
    if (m_Geometry.ScrollRows(rows) == 0)
        return;
    SyncScrollBars();
    UpdateCaret();
    viewport()->update();
}

void COutlineTextView::ScrollByPages(int pages)
{
    ScrollByRows(pages * m_Geometry.PageRows());
}

void COutlineTextView::ScrollToRow(int row)
{
    if (!m_bReady)
        return;
    m_Geometry.SetTopRow(row);
    SyncScrollBars();
    UpdateCaret();
    viewport()->update();
}

void COutlineTextView::ScrollHorizontally(int pixels)
{
    if (!m_bReady)
        return;
    const int maxScroll = std::max(0, m_Geometry.Layout().m_nWidth - viewport()->width());
    m_Geometry.SetHScroll(std::clamp(m_Geometry.HScroll() + pixels, 0, maxScroll));
    SyncScrollBars();
    UpdateCaret();
    viewport()->update();
}

void COutlineTextView::scrollContentsBy(int, int)
{
    if (m_bSyncingBars || !m_bReady)
        return;
    // The user moved a bar (thumb, arrows, page areas): the bars are the
    // truth, and the top row follows them live.
    const int row = verticalScrollBar()->value();
    if (row != m_Geometry.TopRow())
        m_Geometry.SetTopRow(row);
    m_Geometry.SetHScroll(horizontalScrollBar()->value());
    UpdateCaret();
    viewport()->update();
}

void COutlineTextView::wheelEvent(QWheelEvent *event)
{
    if (!m_bReady)
        return;
    const QPoint delta = event->angleDelta();
    if (delta.y() != 0) {
        const double lines = delta.y() * QApplication::wheelScrollLines() / 120.0;
        const int rows = static_cast<int>(std::lround(lines));
        ScrollByRows(rows == 0 ? (delta.y() > 0 ? -1 : 1) : -rows);
    } else if (delta.x() != 0) {
        ScrollHorizontally(-delta.x() * HorizontalLineStep() / 120);
    }
    event->accept();
}

// ---- Painting ---------------------------------------------------------------------

COutlinePaintOptions COutlineTextView::PaintOptions() const
{
    COutlinePaintOptions o;
    o.m_Font = m_qFont;
    o.m_Palette = palette();
    o.m_crText = TextColor();
    o.m_crBack = GetColor(0);
    o.m_crSelBack = GetColor(4);
    o.m_crSelText = GetColor(5);
    o.m_SelStart = m_SelStart;
    o.m_SelEnd = m_SelEnd;
    o.m_pSelItems = &m_SelSet;
    o.m_bPaintSelection = m_bHasFocus || m_bShowSelectionAlways;
    o.m_Caret = m_Caret;
    o.m_bShowCaret = m_bCaretShown && m_bCaretBlinkOn;
    o.m_nWidth = std::max(m_Geometry.Layout().m_nWidth, viewport()->width() + m_Geometry.HScroll());
    o.m_nHeight = viewport()->height();
    return o;
}

void COutlineTextView::Render(QPainter &painter)
{
    if (!m_bReady)
        return;
    painter.save();
    painter.translate(-m_Geometry.HScroll(), 0);
    PaintOutlineRows(painter, m_Geometry, m_Geometry.VisibleRows(), PaintOptions());
    painter.restore();
}

void COutlineTextView::paintEvent(QPaintEvent *event)
{
    QPainter painter(viewport());
    if (!m_bReady) {
        painter.fillRect(event->rect(), GetColor(0));
        return;
    }
    // Only the rows that the update touches: a blinking caret repaints one.
    const QRect dirty = event->rect();
    std::vector<COutlineRowSlot> rows = m_Geometry.VisibleRows(dirty.bottom() + 1);
    const int rowHeight = m_Geometry.RowHeight();
    rows.erase(std::remove_if(rows.begin(), rows.end(),
                   [&](const COutlineRowSlot &s) { return s.m_nTop + rowHeight <= dirty.top(); }),
        rows.end());
    painter.setClipRect(dirty);
    painter.translate(-m_Geometry.HScroll(), 0);
    COutlinePaintOptions options = PaintOptions();
    options.m_nHeight = dirty.bottom() + 1;
    PaintOutlineRows(painter, m_Geometry, rows, options);
}

void COutlineTextView::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    m_Geometry.SetClientSize(viewport()->size());
    if (!m_bReady)
        return;
    m_Geometry.ResizeNeedsRelayout();
    UpdateScrollBars();
    UpdateCaret();
}

void COutlineTextView::focusInEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusInEvent(event);
    m_bHasFocus = true;
    UpdateCaret();
    if (HasSelection())
        viewport()->update();
}

void COutlineTextView::focusOutEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusOutEvent(event);
    if (m_bSelecting)
        EndSelecting();
    m_bHasFocus = false;
    UpdateCaret();
    if (HasSelection())
        viewport()->update();
}

void COutlineTextView::changeEvent(QEvent *event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange)
        viewport()->update();
}

void COutlineTextView::timerEvent(QTimerEvent *event)
{
    if (event->timerId() == m_SelectTimer.timerId()) {
        SelectTimerTick();
        return;
    }
    if (event->timerId() != m_BlinkTimer.timerId()) {
        QAbstractScrollArea::timerEvent(event);
        return;
    }
    m_bCaretBlinkOn = !m_bCaretBlinkOn;
    RepaintCaret();
}

// ---- Notifications ------------------------------------------------------------------

void COutlineTextView::InstallNotify()
{
    m_pMan->SetNotify(&COutlineTextView::NotifyThunk, this);
    m_pMan->EnableNotify(true);
}

void COutlineTextView::NotifyThunk(void *param, int code, COutlineNode *node, int value)
{
    static_cast<COutlineTextView *>(param)->OnNotify(code, node, value);
}

void COutlineTextView::SetReady(bool ready)
{
    m_bReady = ready;
}

COutlineNode *COutlineTextView::Replacement(COutlineNode *node) const
{
    if (COutlineNode *prev = m_pMan->GetPrevVisible(node))
        return prev;
    const COutlineTree &tree = m_pMan->GetTree();
    for (COutlineNode *n = m_pMan->GetNextVisible(node); n; n = m_pMan->GetNextVisible(n)) {
        const COutlineNode *up = n;
        while (up && !tree.IsRoot(up) && up != node)
            up = up->m_pParent;
        if (up != node)
            return n;
    }
    return nullptr;
}

void COutlineTextView::MoveCaretOff(COutlineNode *node)
{
    // The caret is on the node or inside its subtree.
    bool affected = false;
    const COutlineTree &tree = m_pMan->GetTree();
    for (const COutlineNode *up = m_Caret.m_pItem; up && !tree.IsRoot(up); up = up->m_pParent) {
        if (up == node) {
            affected = true;
            break;
        }
    }
    if (affected) {
        COutlineNode *target = Replacement(node);
        m_SelItems.clear();
        m_SelSet.clear();
        if (target) {
            m_Caret = m_Anchor = m_SelStart = m_SelEnd = COutlinePos(0, 0, target);
        } else {
            // Nothing else is left: the command that removes the last item
            // adds a new one, and UpdateScrollBars puts the caret on it.
            m_Caret.Unset();
            m_Anchor.Unset();
            m_SelStart.Unset();
            m_SelEnd.Unset();
        }
    } else if (m_SelSet.count(node) || m_SelStart.m_pItem == node || m_SelEnd.m_pItem == node
        || m_Anchor.m_pItem == node) {
        m_Anchor = m_SelStart = m_SelEnd = m_Caret;
        m_SelItems.clear();
        m_SelSet.clear();
    }
}

void COutlineTextView::OnNotify(int code, COutlineNode *node, int value)
{
    switch (code) {
    case COutlineMan::kNotifyRemoving:
        if (!node)
            return;
        if (m_Geometry.Top().m_pItem == node) {
            m_Geometry.TopRow();
            m_Geometry.UnsetTop();
        }
        MoveCaretOff(node);
        m_Geometry.ItemRemoving(node);
        break;
    case COutlineMan::kNotifyTextDeleted:
    case COutlineMan::kNotifyTextInserted:
        WrapItem(node, false);
        viewport()->update();
        break;
    case COutlineMan::kNotifyNoteChanged:
    case COutlineMan::kNotifyDrawingChanged:
        WrapItem(node, true);
        if (m_bReady) {
            UpdateScrollBars();
            EnsureVisible(m_Caret);
        }
        viewport()->update();
        break;
    case COutlineMan::kNotifyInserted:
        m_Geometry.ItemInserted(node);
        break;
    case COutlineMan::kNotifyLevelExtent:
        m_Geometry.MarkLevelDirty(value);
        break;
    case COutlineMan::kNotifyNumbering:
        NumberingRead();
        break;
    case COutlineMan::kNotifyCheck:
        // While checked items are hidden, an item being checked leaves the
        // display with its subtree; move the caret off it first.
        if (node && !m_bPrintShowChecked && !m_pMan->GetShowChecked()) {
            if (m_Geometry.Top().m_pItem == node) {
                m_Geometry.TopRow();
                m_Geometry.UnsetTop();
            }
            MoveCaretOff(node);
            m_Geometry.InvalidateRows();
        }
        break;
    default:
        break;
    }
}
