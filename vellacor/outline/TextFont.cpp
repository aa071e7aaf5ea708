#include "TextFont.h"

CTextFont::CTextFont()
{
    for (int c = 0; c < 256; ++c) {
        m_nCharWidth[c] = 0;
        m_bLeadByte[c] = false;
    }
}

void CTextFont::Measure(const CMeasureDC &dc)
{
    m_Metrics = dc.GetTextMetrics();
    for (int c = 0; c < 256; ++c)
        m_nCharWidth[c] = dc.GetCharWidth(static_cast<unsigned char>(c));
    m_nTabWidth = dc.GetTabbedTextExtent("\t", 1, 0);
    m_bMeasured = true;
}

void CTextFont::SetFixedWidths(int charWidth, int tabWidth)
{
    for (int c = 0; c < 256; ++c)
        m_nCharWidth[c] = charWidth;
    m_nTabWidth = tabWidth;
    m_Metrics.m_nAveCharWidth = charWidth;
    m_Metrics.m_nMaxCharWidth = charWidth;
    m_bMeasured = true;
}

void CTextFont::SetLeadBytes(unsigned char first, unsigned char last)
{
    for (int c = first; c <= last; ++c)
        m_bLeadByte[c] = true;
    if (first <= last)
        m_bDoubleByte = true;
}
