#pragma once

#include "OutlineGeometry.h"

#include <QColor>
#include <QFont>
#include <QPalette>

#include <functional>
#include <string>
#include <unordered_set>
#include <vector>

class QPainter;

// What a painting of outline rows needs besides the geometry: the font and
// colours, the selection and the caret. The screen, printing and the drag
// pixmap each fill one.
struct COutlinePaintOptions {
    QFont m_Font;
    QPalette m_Palette;
    QColor m_crText; // item text and labels
    QColor m_crBack; // rows and the area below them
    QColor m_crSelBack;
    QColor m_crSelText;
    // The selection, start not after end; equal when nothing is selected.
    COutlinePos m_SelStart;
    COutlinePos m_SelEnd;
    // The items of a block selection (start and end in different items).
    const std::unordered_set<const COutlineNode *> *m_pSelItems = nullptr;
    bool m_bPaintSelection = true;
    COutlinePos m_Caret;
    bool m_bShowCaret = false;
    // Printed rows are copies of the items: their labels come from here
    // instead of the tree, and every item gets the round bullet whatever
    // its children. Unset on the screen.
    std::function<std::string(const COutlineNode *)> m_LabelOf;
    // Items whose rows carry neither symbols nor a label (printed notes).
    const std::unordered_set<const COutlineNode *> *m_pBareItems = nullptr;
    // Width of the rows and height to fill, in content pixels.
    int m_nWidth = 0;
    int m_nHeight = 0;
};

// Paints `rows` (their tops as the geometry placed them) in content
// coordinates: x = 0 is the content's left edge, so the caller translates
// the painter by the horizontal scroll offset. Fills the rest of
// m_nHeight below the last row. Its cost is that of the rows given.
void PaintOutlineRows(QPainter &painter, const COutlineGeometry &geometry,
    const std::vector<COutlineRowSlot> &rows, const COutlinePaintOptions &options);
