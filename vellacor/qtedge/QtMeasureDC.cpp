#include "QtMeasureDC.h"

#include "QtStrings.h"

#include <cmath>

CQtMeasureDC::CQtMeasureDC(const QFont &font, QPaintDevice *device)
    : m_font(font)
    , m_metrics(device ? QFontMetricsF(font, device) : QFontMetricsF(font))
{
}

CTextMetrics CQtMeasureDC::GetTextMetrics() const
{
    CTextMetrics tm;
    tm.m_nAscent = static_cast<int>(std::ceil(m_metrics.ascent()));
    tm.m_nDescent = static_cast<int>(std::ceil(m_metrics.descent()));
    tm.m_nHeight = tm.m_nAscent + tm.m_nDescent;
    tm.m_nExternalLeading = std::max(0, static_cast<int>(std::lround(m_metrics.leading())));
    const double em = m_font.pixelSize() > 0 ? m_font.pixelSize() : m_metrics.height() * 0.8;
    tm.m_nInternalLeading = std::max(0, tm.m_nHeight - static_cast<int>(std::lround(em)));
    tm.m_nAveCharWidth = std::max(1, static_cast<int>(std::lround(m_metrics.averageCharWidth())));
    tm.m_nMaxCharWidth = std::max(1, static_cast<int>(std::ceil(m_metrics.maxWidth())));
    return tm;
}

int CQtMeasureDC::GetCharWidth(unsigned char code) const
{
    return static_cast<int>(
        std::lround(m_metrics.horizontalAdvance(QChar(kx_gen::Windows1252ToUnicode(code)))));
}

int CQtMeasureDC::GetTabbedTextExtent(const char *text, int count, int tabWidth) const
{
    if (!text || count <= 0)
        return 0;
    const int stops = tabWidth > 0 ? tabWidth : 8 * GetTextMetrics().m_nAveCharWidth;
    double x = 0;
    int start = 0;
    for (int i = 0; i <= count; ++i) {
        if (i < count && text[i] != '\t')
            continue;
        x += m_metrics.horizontalAdvance(ToQString(text + start, i - start));
        if (i < count)
            x = (std::floor(x / stops) + 1) * stops;
        start = i + 1;
    }
    return static_cast<int>(std::lround(x));
}
