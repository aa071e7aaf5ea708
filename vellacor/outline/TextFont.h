#pragma once

// The measuring side of a font: the metrics and width tables that make
// wrapping item texts fast, and the interface through which the view's device
// context measures text exactly.

// Metrics of a font in pixels.
struct CTextMetrics {
    int m_nHeight = 0;
    int m_nAscent = 0;
    int m_nDescent = 0;
    int m_nInternalLeading = 0;
    int m_nExternalLeading = 0;
    int m_nAveCharWidth = 0;
    int m_nMaxCharWidth = 0;
};

// A device context that measures text in its current font. The outline view
// implements it over its font metrics; the model only calls it. Text is
// Windows-1252 bytes.
class CMeasureDC {
public:
    virtual ~CMeasureDC() = default;

    // The metrics of the current font.
    virtual CTextMetrics GetTextMetrics() const = 0;
    // The advance width of one single-byte character.
    virtual int GetCharWidth(unsigned char code) const = 0;
    // The width of `count` bytes of `text` drawn with tab stops every
    // `tabWidth` pixels from the start of the text; a `tabWidth` of 0 means
    // the device's default tab stops.
    virtual int GetTabbedTextExtent(const char *text, int count, int tabWidth) const = 0;
};

// The width tables of the outline font. They are plain data: the view fills
// them once per font (Measure), tests and benchmarks fill them with fixed
// widths (SetFixedWidths). Reading them is all that wrapping needs.
class CTextFont {
public:
    CTextFont();

    // Fills the metrics, the width of every code 0..255 and the tab width from
    // `dc`, whose current font must be this one, and marks the tables
    // measured. Lead bytes are left as they are.
    void Measure(const CMeasureDC &dc);

    // Gives every character the width `charWidth` (which also becomes the
    // average and the maximum width) and tab stops every `tabWidth` pixels,
    // and marks the tables measured.
    void SetFixedWidths(int charWidth, int tabWidth);

    // Marks the codes `first`..`last` as lead bytes of double-byte
    // characters. Windows-1252 has none; this exists for double-byte code
    // pages.
    void SetLeadBytes(unsigned char first, unsigned char last);

    bool IsLeadByte(unsigned char code) const { return m_bDoubleByte && m_bLeadByte[code]; }

    // The width of one character: the average width for a lead byte (its
    // trail byte then counts nothing), else the table's width.
    int CharWidth(unsigned char code) const
    {
        return IsLeadByte(code) ? m_Metrics.m_nAveCharWidth : m_nCharWidth[code];
    }

    CTextMetrics m_Metrics;
    int m_nCharWidth[256];
    // Spacing of tab stops; 0 or less makes a tab as wide as its table entry.
    int m_nTabWidth = 0;
    bool m_bMeasured = false;
    // Set when some code is a lead byte.
    bool m_bDoubleByte = false;
    bool m_bLeadByte[256];
};
