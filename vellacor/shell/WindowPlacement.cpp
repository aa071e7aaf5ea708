#include "WindowPlacement.h"

#include "QtValues.h"

#include "kx_gen/AppRegistry.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace shell {
namespace {

constexpr char kSection[] = "Preferences";
constexpr char kValue[] = "MainWindow";

} // namespace

kx_gen::_String FormatPlacement(const kx_gen::WINDOWPLACEMENT &p)
{
    kx_gen::_String text;
    text.FormatString("%d,%d,%d,%d,%d,%d,%d,%d,%d,%d", int(p.showCmd), int(p.flags),
        int(p.ptMinPosition.x), int(p.ptMinPosition.y), int(p.ptMaxPosition.x),
        int(p.ptMaxPosition.y), int(p.rcNormalPosition.left), int(p.rcNormalPosition.right),
        int(p.rcNormalPosition.top), int(p.rcNormalPosition.bottom));
    return text;
}

bool ParsePlacement(const char *text, kx_gen::WINDOWPLACEMENT &placement)
{
    if (!text)
        return false;
    long values[10];
    const char *p = text;
    for (int i = 0; i < 10; ++i) {
        if (i > 0) {
            if (*p != ',')
                return false;
            ++p;
        }
        char *end = nullptr;
        errno = 0;
        values[i] = std::strtol(p, &end, 10);
        if (end == p || errno == ERANGE || values[i] < INT_MIN || values[i] > INT_MAX)
            return false;
        p = end;
    }
    if (*p != '\0')
        return false;
    kx_gen::WINDOWPLACEMENT parsed;
    parsed.showCmd = std::uint32_t(values[0]);
    parsed.flags = std::uint32_t(values[1]);
    parsed.ptMinPosition.x = std::int32_t(values[2]);
    parsed.ptMinPosition.y = std::int32_t(values[3]);
    parsed.ptMaxPosition.x = std::int32_t(values[4]);
    parsed.ptMaxPosition.y = std::int32_t(values[5]);
    parsed.rcNormalPosition.left = std::int32_t(values[6]);
    parsed.rcNormalPosition.right = std::int32_t(values[7]);
    parsed.rcNormalPosition.top = std::int32_t(values[8]);
    parsed.rcNormalPosition.bottom = std::int32_t(values[9]);
    placement = parsed;
    return true;
}

bool IsOnScreen(const kx_gen::WINDOWPLACEMENT &placement, const QSize &screen)
{
    const kx_gen::RECT &r = placement.rcNormalPosition;
    // Rectangles meet when each starts before the other ends (in 64 bits,
    // so that no stored number can overflow the comparison).
    return std::int64_t(r.left) < screen.width() && std::int64_t(r.right) > 0
        && std::int64_t(r.top) < screen.height() && std::int64_t(r.bottom) > 0 && r.left < r.right
        && r.top < r.bottom;
}

bool SavePlacement(kx_gen::CAppRegistry &settings, const kx_gen::WINDOWPLACEMENT &placement)
{
    if (!settings.OpenSection(kSection))
        return false;
    const bool written = settings.WriteString(kValue, FormatPlacement(placement).c_str());
    settings.CloseSection();
    return written;
}

bool LoadPlacement(
    kx_gen::CAppRegistry &settings, const QSize &screen, kx_gen::WINDOWPLACEMENT &placement)
{
    if (!settings.OpenSection(kSection))
        return false;
    kx_gen::_String text;
    const bool read = settings.ReadString(kValue, text);
    settings.CloseSection();
    kx_gen::WINDOWPLACEMENT stored;
    if (!read || !ParsePlacement(text.c_str(), stored) || !IsOnScreen(stored, screen))
        return false;
    placement = stored;
    return true;
}

kx_gen::WINDOWPLACEMENT PlacementOf(const QWidget &window)
{
    CWindowGeometry geometry;
    geometry.m_rcNormal
        = window.normalGeometry().isValid() ? window.normalGeometry() : window.geometry();
    geometry.m_bMaximized = window.isMaximized();
    geometry.m_bMinimized = window.isMinimized();
    return FromWindowGeometry(geometry);
}

void ApplyPlacement(QWidget &window, const kx_gen::WINDOWPLACEMENT &placement, bool applyShowState)
{
    const CWindowGeometry geometry = ToWindowGeometry(placement);
    window.setGeometry(geometry.m_rcNormal);
    if (!applyShowState)
        return;
    if (geometry.m_bMaximized)
        window.showMaximized();
    else if (geometry.m_bMinimized)
        window.showMinimized();
    else
        window.showNormal();
}

bool RestoreWindowPlacement(QWidget &window, kx_gen::CAppRegistry &settings, bool applyShowState)
{
    const QScreen *screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    const QSize size = screen ? screen->virtualSize() : QSize();
    kx_gen::WINDOWPLACEMENT placement;
    if (!LoadPlacement(settings, size, placement))
        return false;
    ApplyPlacement(window, placement, applyShowState);
    return true;
}

bool SaveWindowPlacement(const QWidget &window, kx_gen::CAppRegistry &settings)
{
    return SavePlacement(settings, PlacementOf(window));
}

} // namespace shell
