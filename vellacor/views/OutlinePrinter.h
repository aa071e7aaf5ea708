#pragma once

// Printing an outline: its items (with their notes and drawings when asked)
// laid out on pages by the view's own geometry and painted by the view's
// one painter, with the title above and the page number below every page.
//
// Pages are laid out in the screen's units (1/96 inch) across the printable
// width of the paper, and the painter is scaled by the printer's dots per
// inch over the screen's: margins, columns, symbols, fonts and drawings
// keep their screen proportions at any resolution. The printed rows are
// copies of the items, wrapped for the page, so printing or previewing
// leaves the open view's wrapping and numbering untouched.

#include "OutlineGeometry.h"
#include "PrintPagination.h"

#include <QFont>
#include <QRect>
#include <QString>

#include <deque>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class QPainter;
class QPrinter;
class CQtMeasureDC;

struct CPrintOptions {
    bool m_bPrintNotes = false;
    // Follow document order, so collapsed branches print too.
    bool m_bPrintHidden = false;
    bool m_bHeader = true;
    bool m_bFooter = true;
    // Only the items from m_pFirst to m_pLast (display order), else all.
    COutlineNode *m_pFirst = nullptr;
    COutlineNode *m_pLast = nullptr;
    // Pages to print, from 1; both 0 for all.
    int m_nFromPage = 0;
    int m_nToPage = 0;
    // Margins in twips (1/1440 inch): left, top, right, bottom.
    int m_nMargins[4] = { 720, 720, 720, 720 };
    // Check boxes printed; the outline's mode decides when not told.
    bool m_bShowCheckBoxes = true;
};

class COutlinePrinter {
public:
    // The screen's dots per inch that layout units stand for.
    static constexpr int kLayoutDpi = 96;

    enum EKind { kText = 0, kNote = 1, kDrawing = 2 };

    struct CEntry {
        COutlineNode *m_pItem = nullptr;
        int m_nKind = kText;
        // The printed copy of the text or note; null for a drawing.
        COutlineNode *m_pCopy = nullptr;
    };

    // `man` stays the caller's; `font` is the outline font as the screen
    // shows it (the view's, or one made from the outline's stored font).
    COutlinePrinter(COutlineMan &man, const QFont &font, const CPrintOptions &options);
    ~COutlinePrinter();
    COutlinePrinter(const COutlinePrinter &) = delete;
    COutlinePrinter &operator=(const COutlinePrinter &) = delete;

    // Lays out pages for paper of `paper` device pixels at `dpi`. False when
    // the margins leave no room for one row (nothing is laid out then).
    bool Layout(QSize paper, int dpi);
    // The same for the printer's paper.
    bool Layout(QPrinter &printer);

    int PageCount() const { return static_cast<int>(m_Pages.size()); }
    const CPrintPages &Pages() const { return m_Pages; }
    const std::vector<CEntry> &Entries() const { return m_Entries; }
    // The printable rectangle and bands in layout units.
    QRect PageRect() const { return m_rcPage; }
    int RowHeight() const { return m_Geometry.RowHeight(); }
    const COutlineGeometry &Geometry() const { return m_Geometry; }
    QString Title() const;
    // The numbering label printed for an entry (empty for notes and
    // drawings, and without numbering).
    std::string EntryLabel(int entry) const;

    // Paints page `page` (from 1) onto a painter whose device has the dpi
    // given to Layout, its origin at the paper's top-left corner.
    void PaintPage(QPainter &painter, int page) const;
    // Prints the chosen page range (after Layout): false when nothing was
    // printed (an empty range or a device that could not start).
    bool Print(QPrinter &printer) const;

    // The outline's stored font as the screen would show it.
    static QFont OutlineFont(const COutlineMan &man);

private:
    void BuildEntries();
    COutlineNode *MakeCopy(const COutlineNode *item, const kx_gen::_String &text);
    std::string LabelOf(const COutlineNode *copy) const;
    // Numbers the printed items: among all their siblings when hidden items
    // are printed (the outline numbers only the shown ones), else as the
    // outline does; labels and the largest index of each level follow.
    void NumberEntries();
    void PaintBlock(QPainter &painter, const CPrintBlock &block, int top) const;

    COutlineMan &m_Man;
    CPrintOptions m_Options;
    QFont m_Font;
    QFont m_HeaderFont;
    std::unique_ptr<CQtMeasureDC> m_pDC;
    COutlineGeometry m_Geometry;
    std::deque<COutlineNode> m_Copies;
    // The label of each text copy.
    std::unordered_map<const COutlineNode *, std::string> m_Labels;
    std::unordered_set<const COutlineNode *> m_Notes;
    std::vector<CEntry> m_Entries;
    CPrintPages m_Pages;
    QRect m_rcPage;
    int m_nHeaderHeight = 0;
    int m_nFooterHeight = 0;
    int m_nDpi = kLayoutDpi;
};
