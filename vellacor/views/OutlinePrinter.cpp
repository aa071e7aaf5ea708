#include "OutlinePrinter.h"

#include "AppStrings.h"
#include "OutlinePainter.h"
#include "QtImages.h"
#include "QtMeasureDC.h"
#include "QtStrings.h"
#include "QtValues.h"

#include "kx_gen/OutlineDB.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>

#include <algorithm>
#include <cstdio>

namespace {

int TwipsToLayout(int twips)
{
    return static_cast<int>(
        static_cast<long long>(std::max(twips, 0)) * COutlinePrinter::kLayoutDpi / 1440);
}

QPalette PrintPalette()
{
    QPalette palette;
    for (QPalette::ColorRole role : { QPalette::Window, QPalette::Base, QPalette::Button })
        palette.setColor(role, Qt::white);
    for (QPalette::ColorRole role :
        { QPalette::WindowText, QPalette::Text, QPalette::ButtonText, QPalette::Highlight })
        palette.setColor(role, Qt::black);
    palette.setColor(QPalette::HighlightedText, Qt::white);
    return palette;
}

} // namespace

COutlinePrinter::COutlinePrinter(COutlineMan &man, const QFont &font, const CPrintOptions &options)
    : m_Man(man)
    , m_Options(options)
    , m_Font(font)
    , m_Geometry(&man)
{
    m_Font.setKerning(false);
    // A size in points would be resolved at the printer's resolution and
    // then scaled once more by the painter: sizes are pixels of the layout.
    if (m_Font.pixelSize() <= 0) {
        const qreal points = m_Font.pointSizeF() > 0 ? m_Font.pointSizeF() : 10.0;
        m_Font.setPixelSize(std::max(1, qRound(points * kLayoutDpi / 72.0)));
    }
    m_HeaderFont = m_Font;
    m_HeaderFont.setBold(true);
    m_pDC = std::make_unique<CQtMeasureDC>(m_Font);
    m_Geometry.Font().Measure(*m_pDC);
    m_Geometry.SetMeasureDC(m_pDC.get());
    m_Geometry.FontChanged();
    if (man.IsOpen()) {
        CNumbering numbering;
        man.GetNumbering(numbering.m_Numbering);
        COutlineMan::ValidateNumbering(numbering.m_Numbering);
        numbering.m_chDivider = static_cast<char>(man.GetDB()->getNumberingDivider() & 0xFF);
        m_Geometry.SetNumbering(numbering);
    }
    BuildEntries();
    NumberEntries();
}

COutlinePrinter::~COutlinePrinter() = default;

QFont COutlinePrinter::OutlineFont(const COutlineMan &man)
{
    kx_gen::LOGFONT font;
    kx_gen::COLORREF color = 0;
    if (man.IsOpen())
        man.GetDB()->GetOutlineFont(font, color);
    if (font.lfHeight == 0 && font.lfFaceName[0] == 0)
        return QApplication::font();
    return ToQFont(font);
}

QString COutlinePrinter::Title() const
{
    return m_Man.IsOpen() ? ToQString(m_Man.GetDB()->GetOutlineTitle()) : QString();
}

COutlineNode *COutlinePrinter::MakeCopy(const COutlineNode *item, const kx_gen::_String &text)
{
    COutlineNode &copy = m_Copies.emplace_back();
    copy.m_Item.m_nLevel = item->m_Item.m_nLevel;
    copy.m_Item.m_bChecked = item->m_Item.m_bChecked;
    copy.m_Item.m_nIndex = item->m_Item.m_nIndex;
    copy.m_Item.m_Text.SetString(text);
    return &copy;
}

void COutlinePrinter::BuildEntries()
{
    if (!m_Man.IsOpen())
        return;
    COutlineNode *node = m_Options.m_pFirst ? m_Options.m_pFirst : m_Man.GetFirstVisible();
    if (m_Options.m_bPrintHidden && !m_Options.m_pFirst)
        node = m_Man.GetTree().GetFirstChild(nullptr);
    for (; node; node
         = m_Options.m_bPrintHidden ? m_Man.GetNextInDocument(node) : m_Man.GetNextVisible(node)) {
        m_Entries.push_back({ node, kText, MakeCopy(node, node->m_Item.m_Text.GetString()) });
        if (m_Options.m_bPrintNotes && node->m_Item.HasNote()) {
            COutlineNode *note = MakeCopy(node, node->m_Item.m_strNote.GetString());
            m_Notes.insert(note);
            m_Entries.push_back({ node, kNote, note });
        }
        if (node->m_Item.HasDrawing())
            m_Entries.push_back({ node, kDrawing, nullptr });
        if (node == m_Options.m_pLast)
            break;
    }
}

void COutlinePrinter::NumberEntries()
{
    std::unordered_map<const COutlineNode *, int> index;
    auto indexOf = [&](const COutlineNode *node) {
        if (!m_Options.m_bPrintHidden)
            return static_cast<int>(node->m_Item.m_nIndex);
        const auto found = index.find(node);
        if (found != index.end())
            return found->second;
        // Siblings come before in document order, so the walk has seen
        // them; an ancestor outside a printed selection counts afresh.
        int n = 0;
        for (const COutlineNode *prev = node->m_pPrev; prev; prev = prev->m_pPrev) {
            const auto seen = index.find(prev);
            if (seen != index.end()) {
                n += seen->second + 1;
                break;
            }
            ++n;
        }
        index.emplace(node, n);
        return n;
    };
    const COutlineTree &tree = m_Man.GetTree();
    int extents[COutlineLayout::kLevels] = {};
    for (const CEntry &entry : m_Entries) {
        if (entry.m_nKind != kText)
            continue;
        int indices[COutlineItem::kLevelCount];
        int count = 0;
        for (const COutlineNode *n = entry.m_pItem;
             n && !tree.IsRoot(n) && count < COutlineItem::kLevelCount; n = n->m_pParent)
            indices[count++] = indexOf(n);
        const int level = COutlineLayout::ClampLevel(entry.m_pItem->m_Item.m_nLevel);
        extents[level] = std::max(extents[level], indices[0]);
        m_Labels[entry.m_pCopy] = FormatLabel(m_Geometry.Numbering(), level, indices, count);
    }
    m_Geometry.SetLevelExtents(extents);
}

std::string COutlinePrinter::LabelOf(const COutlineNode *copy) const
{
    const auto found = m_Labels.find(copy);
    return found == m_Labels.end() ? std::string() : found->second;
}

std::string COutlinePrinter::EntryLabel(int entry) const
{
    if (entry < 0 || entry >= static_cast<int>(m_Entries.size()))
        return std::string();
    return LabelOf(m_Entries[static_cast<std::size_t>(entry)].m_pCopy);
}

bool COutlinePrinter::Layout(QPrinter &printer)
{
    printer.setFullPage(true);
    return Layout(printer.paperRect(QPrinter::DevicePixel).size().toSize(), printer.resolution());
}

bool COutlinePrinter::Layout(QSize paper, int dpi)
{
    m_Pages.clear();
    m_nDpi = std::max(dpi, 1);
    const QSize size(static_cast<int>(static_cast<long long>(paper.width()) * kLayoutDpi / m_nDpi),
        static_cast<int>(static_cast<long long>(paper.height()) * kLayoutDpi / m_nDpi));
    const int left = TwipsToLayout(m_Options.m_nMargins[0]);
    const int top = TwipsToLayout(m_Options.m_nMargins[1]);
    const int right = TwipsToLayout(m_Options.m_nMargins[2]);
    const int bottom = TwipsToLayout(m_Options.m_nMargins[3]);
    QRect page(left, top, size.width() - left - right, size.height() - top - bottom);
    const QFontMetrics header(m_HeaderFont);
    m_nHeaderHeight = (header.height() + header.leading()) * 3 / 2;
    m_nFooterHeight = RowHeight() * 3 / 2;
    if (m_Options.m_bHeader)
        page.setTop(page.top() + m_nHeaderHeight);
    if (m_Options.m_bFooter)
        page.setBottom(page.bottom() - m_nFooterHeight);
    m_rcPage = page;

    COutlineLayout &layout = m_Geometry.Layout();
    layout.m_bShowCheckBoxes = m_Options.m_bShowCheckBoxes;
    // Labels take the place of the expander column when the outline is
    // numbered.
    const CNumbering &numbering = m_Geometry.Numbering();
    layout.m_bShowExpanders = std::all_of(std::begin(numbering.m_Numbering),
        std::end(numbering.m_Numbering), [](std::uint8_t s) { return s == kNumberNone; });
    layout.m_nWidth = std::max(page.width(), 1);
    m_Geometry.LayoutColumns();
    if (page.width() <= layout.m_xText[0] + layout.m_nRightMargin || page.height() < RowHeight())
        return false;

    std::vector<CPrintExtent> extents;
    extents.reserve(m_Entries.size());
    for (const CEntry &entry : m_Entries) {
        if (entry.m_nKind == kDrawing) {
            extents.push_back({ true, entry.m_pItem->m_Item.m_nDrawHeight });
            continue;
        }
        COutlineItem &copy = entry.m_pCopy->m_Item;
        const int rows = copy.m_Text.WrapAll(m_Geometry.MeasureDC(), m_Geometry.Font(),
            layout.AvailableWidth(copy.m_nLevel, false, false));
        extents.push_back({ false, rows });
    }
    return PaginateEntries(extents, RowHeight(), page.height(), m_Pages);
}

void COutlinePrinter::PaintBlock(QPainter &painter, const CPrintBlock &block, int top) const
{
    const CEntry &entry = m_Entries[static_cast<std::size_t>(block.m_nEntry)];
    const COutlineLayout &layout = m_Geometry.Layout();
    if (entry.m_nKind == kDrawing) {
        const COutlineItem &item = entry.m_pItem->m_Item;
        const kx_gen::HMEM dib = item.GetDrawing();
        const QImage image = dib ? DibToQImage(dib) : QImage();
        if (dib)
            kx_gen::MemFree(dib);
        if (image.isNull())
            return;
        const int x = layout.m_xText[COutlineLayout::ClampLevel(item.m_nLevel)];
        QSize size = image.size();
        size.scale(
            std::min(size.width(), m_rcPage.width() - x), block.m_nCount, Qt::KeepAspectRatio);
        painter.drawImage(QRect(QPoint(x, top), size), image);
        return;
    }
    std::vector<COutlineRowSlot> rows;
    for (int r = 0; r < block.m_nCount; ++r)
        rows.push_back(
            { COutlinePos(0, block.m_nFirst + r, entry.m_pCopy), top + r * RowHeight() });
    COutlinePaintOptions options;
    options.m_Font = m_Font;
    options.m_Palette = PrintPalette();
    options.m_crText = Qt::black;
    options.m_crBack = Qt::white;
    options.m_crSelBack = Qt::white;
    options.m_crSelText = Qt::black;
    options.m_bPaintSelection = false;
    options.m_LabelOf = [this](const COutlineNode *copy) { return LabelOf(copy); };
    options.m_pBareItems = &m_Notes;
    options.m_nWidth = m_rcPage.width();
    PaintOutlineRows(painter, m_Geometry, rows, options);
}

void COutlinePrinter::PaintPage(QPainter &painter, int page) const
{
    if (page < 1 || page > PageCount())
        return;
    painter.save();
    const qreal scale = static_cast<qreal>(m_nDpi) / kLayoutDpi;
    painter.scale(scale, scale);
    painter.setPen(Qt::black);
    if (m_Options.m_bHeader) {
        painter.setFont(m_HeaderFont);
        const QRect band(
            m_rcPage.left(), m_rcPage.top() - m_nHeaderHeight, m_rcPage.width(), m_nHeaderHeight);
        const QString title
            = QFontMetrics(m_HeaderFont).elidedText(Title(), Qt::ElideRight, band.width());
        painter.drawText(band, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, title);
    }
    if (m_Options.m_bFooter) {
        painter.setFont(m_Font);
        char text[64];
        std::snprintf(text, sizeof text, appstr::Get(appstr::kPageFooter), page, PageCount());
        const QRect band(m_rcPage.left(), m_rcPage.bottom() + 1, m_rcPage.width(), m_nFooterHeight);
        painter.drawText(
            band, Qt::AlignHCenter | Qt::AlignBottom | Qt::TextSingleLine, ToQString(text));
    }
    painter.translate(m_rcPage.left(), 0);
    int y = m_rcPage.top();
    for (const CPrintBlock &block : m_Pages[static_cast<std::size_t>(page - 1)]) {
        PaintBlock(painter, block, y);
        const bool picture
            = m_Entries[static_cast<std::size_t>(block.m_nEntry)].m_nKind == kDrawing;
        y += picture ? block.m_nCount : block.m_nCount * RowHeight();
    }
    painter.restore();
}

bool COutlinePrinter::Print(QPrinter &printer) const
{
    int first = 0;
    int last = 0;
    if (!ClampPageRange(m_Options.m_nFromPage, m_Options.m_nToPage, PageCount(), &first, &last))
        return false;
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    for (int page = first; page <= last; ++page) {
        if (page > first && !printer.newPage())
            break;
        PaintPage(painter, page);
    }
    return painter.end();
}
