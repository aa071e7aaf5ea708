#include "QtValues.h"

#include "QtStrings.h"

#include <algorithm>
#include <cstring>

QFont ToQFont(const kx_gen::LOGFONT &font)
{
    QFont result;
    const QString face = ToQString(
        font.lfFaceName, static_cast<int>(strnlen(font.lfFaceName, sizeof font.lfFaceName)));
    if (!face.isEmpty())
        result.setFamilies({ face });
    if (font.lfHeight < 0)
        result.setPixelSize(std::min(-font.lfHeight, 1000));
    else if (font.lfHeight > 0)
        result.setPixelSize(std::clamp(font.lfHeight - font.lfHeight / 5, 1, 1000));
    if (font.lfWeight > 0)
        result.setWeight(static_cast<QFont::Weight>(std::clamp<int>(font.lfWeight, 1, 1000)));
    result.setItalic(font.lfItalic != 0);
    result.setUnderline(font.lfUnderline != 0);
    result.setStrikeOut(font.lfStrikeOut != 0);
    return result;
}

kx_gen::LOGFONT FromQFont(const QFont &font)
{
    kx_gen::LOGFONT result;
    int pixels = font.pixelSize();
    if (pixels <= 0 && font.pointSizeF() > 0)
        pixels = qRound(font.pointSizeF() * 96.0 / 72.0);
    result.lfHeight = -pixels;
    result.lfWeight = font.weight();
    result.lfItalic = font.italic() ? 1 : 0;
    result.lfUnderline = font.underline() ? 1 : 0;
    result.lfStrikeOut = font.strikeOut() ? 1 : 0;
    const QStringList families = font.families();
    const kx_gen::_String face = ToKxString(families.isEmpty() ? font.family() : families.first());
    std::memcpy(result.lfFaceName, face.c_str(),
        std::min<std::size_t>(face.size(), kx_gen::LF_FACESIZE - 1));
    return result;
}

QColor ToQColor(kx_gen::COLORREF color)
{
    return QColor(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
}

kx_gen::COLORREF FromQColor(const QColor &color)
{
    const QColor rgb = color.toRgb();
    return kx_gen::RGB(static_cast<std::uint8_t>(rgb.red()), static_cast<std::uint8_t>(rgb.green()),
        static_cast<std::uint8_t>(rgb.blue()));
}

CWindowGeometry ToWindowGeometry(const kx_gen::WINDOWPLACEMENT &placement)
{
    const kx_gen::RECT &r = placement.rcNormalPosition;
    CWindowGeometry geometry;
    if (r.right > r.left && r.bottom > r.top)
        geometry.m_rcNormal = QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1));
    geometry.m_bMaximized = placement.showCmd == kShowMaximized;
    geometry.m_bMinimized = placement.showCmd == kShowMinimized;
    return geometry;
}

kx_gen::WINDOWPLACEMENT FromWindowGeometry(const CWindowGeometry &geometry)
{
    kx_gen::WINDOWPLACEMENT placement;
    placement.showCmd = geometry.m_bMaximized ? kShowMaximized
        : geometry.m_bMinimized               ? kShowMinimized
                                              : kShowNormal;
    const QRect &r = geometry.m_rcNormal;
    placement.rcNormalPosition.left = r.left();
    placement.rcNormalPosition.top = r.top();
    placement.rcNormalPosition.right = r.left() + r.width();
    placement.rcNormalPosition.bottom = r.top() + r.height();
    return placement;
}
