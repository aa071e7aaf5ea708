#include "OutlineLayout.h"

#include <algorithm>

COutlineLayout::COutlineLayout()
{
    std::fill(std::begin(m_xCheckBox), std::end(m_xCheckBox), 0);
    std::fill(std::begin(m_xExpander), std::end(m_xExpander), 0);
    std::fill(std::begin(m_nLabelWidth), std::end(m_nLabelWidth), 1);
    std::fill(std::begin(m_xLabel), std::end(m_xLabel), 0);
    std::fill(std::begin(m_xText), std::end(m_xText), 0);
}

void COutlineLayout::ComputeColumns()
{
    for (int i = 0; i < kLevels; ++i) {
        m_xExpander[i] = m_nLeftMargin + i * m_nIndent;
        m_xCheckBox[i] = m_xExpander[i] + (m_bShowExpanders ? m_nExpanderWidth : 0);
        m_xLabel[i] = m_xCheckBox[i] + (m_bShowCheckBoxes ? m_nCheckBoxWidth : 0);
        m_xText[i] = m_xLabel[i] + m_nLabelWidth[i];
    }
}

int COutlineLayout::TextLimit(bool hasNote, bool hasDrawing) const
{
    return m_nWidth - m_nRightMargin - (hasDrawing ? m_nDrawingWidth : 0)
        - (hasNote ? m_nNoteWidth : 0);
}

int COutlineLayout::AvailableWidth(int level, bool hasNote, bool hasDrawing) const
{
    return std::max(1, TextLimit(hasNote, hasDrawing) - m_xText[ClampLevel(level)]);
}

int COutlineLayout::AvailableWidth(const COutlineItem &item) const
{
    return AvailableWidth(item.m_nLevel, item.HasNote(), item.HasDrawing());
}

int COutlineLayout::MinimumWidth(int wideTextWidth) const
{
    return m_xText[kLevels - 1] + m_nDrawingWidth + m_nNoteWidth + wideTextWidth;
}

QRect COutlineLayout::ExpanderColumn(int level, int top, int rowHeight) const
{
    return QRect(m_xExpander[ClampLevel(level)], top, m_nExpanderWidth, rowHeight);
}

QRect COutlineLayout::CheckBoxColumn(int level, int top, int rowHeight) const
{
    return QRect(m_xCheckBox[ClampLevel(level)], top, m_nCheckBoxWidth, rowHeight);
}

QRect COutlineLayout::NoteColumn(bool hasDrawing, int top, int rowHeight) const
{
    const int left = m_nWidth - m_nRightMargin - (hasDrawing ? m_nDrawingWidth : 0) - m_nNoteWidth;
    return QRect(left, top, m_nNoteWidth, rowHeight);
}

QRect COutlineLayout::DrawingColumn(int top, int rowHeight) const
{
    return QRect(m_nWidth - m_nDrawingWidth - m_nRightMargin, top, m_nDrawingWidth, rowHeight);
}

QRect COutlineLayout::SymbolBox(const QRect &column)
{
    const int w = std::max(0, std::min(kSymbolWidth, column.width()));
    const int h = std::max(0, std::min(kSymbolHeight, column.height()));
    return QRect(
        column.left() + (column.width() - w) / 2, column.top() + (column.height() - h) / 2, w, h);
}
