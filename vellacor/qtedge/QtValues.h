#pragma once

// Fonts, colours and window placements of the model as Qt values, and back.

#include "kx_gen/WinTypes.h"

#include <QColor>
#include <QFont>
#include <QRect>

// A logical font as a QFont. A negative height is the character height in
// pixels, a positive one the cell height (the internal leading, which Qt does
// not let us name, is taken as a fifth of it); 0 keeps the default size.
// Weight, italic, underline and strike-out carry over; an empty face keeps the
// default family.
QFont ToQFont(const kx_gen::LOGFONT &font);
// A QFont as a logical font, its height as a negative pixel height. A face
// name longer than the structure holds (31 bytes) is cut at a character
// boundary; characters outside Windows-1252 become '?'.
kx_gen::LOGFONT FromQFont(const QFont &font);

// 0x00bbggrr <-> an opaque QColor.
QColor ToQColor(kx_gen::COLORREF color);
kx_gen::COLORREF FromQColor(const QColor &color);

// A window placement: the normal rectangle and how the window shows.
struct CWindowGeometry {
    QRect m_rcNormal;
    bool m_bMaximized = false;
    bool m_bMinimized = false;
};

// showCmd values of a placement.
constexpr std::uint32_t kShowNormal = 1;
constexpr std::uint32_t kShowMinimized = 2;
constexpr std::uint32_t kShowMaximized = 3;

CWindowGeometry ToWindowGeometry(const kx_gen::WINDOWPLACEMENT &placement);
kx_gen::WINDOWPLACEMENT FromWindowGeometry(const CWindowGeometry &geometry);
