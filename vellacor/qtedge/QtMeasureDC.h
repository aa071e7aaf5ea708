#pragma once

// The text measuring of the model over a QFont: Windows-1252 codes are
// measured as the Unicode characters they stand for.

#include "TextFont.h"

#include <QFont>
#include <QFontMetricsF>

class CQtMeasureDC : public CMeasureDC {
public:
    // Measures with `font` on the screen (or on `device` when given: a
    // printer measures at its own resolution).
    explicit CQtMeasureDC(const QFont &font, class QPaintDevice *device = nullptr);

    CTextMetrics GetTextMetrics() const override;
    int GetCharWidth(unsigned char code) const override;
    int GetTabbedTextExtent(const char *text, int count, int tabWidth) const override;

    const QFont &font() const { return m_font; }

private:
    QFont m_font;
    QFontMetricsF m_metrics;
};
