#pragma once

// The main window's placement in "Preferences"/"MainWindow": ten numbers
// "%d,%d,%d,%d,%d,%d,%d,%d,%d,%d" (show command, flags, minimised x and y,
// maximised x and y, normal left, right, top and bottom). A placement is
// taken only when all ten numbers are there and its normal rectangle lies at
// least partly on the screen, so that a window never comes back where no
// screen shows it.

#include "kx_gen/String.h"
#include "kx_gen/WinTypes.h"

#include <QRect>

namespace kx_gen {
class CAppRegistry;
}
class QWidget;

namespace shell {

kx_gen::_String FormatPlacement(const kx_gen::WINDOWPLACEMENT &placement);
// False (and `placement` untouched) unless `text` is exactly ten integers
// separated by commas.
bool ParsePlacement(const char *text, kx_gen::WINDOWPLACEMENT &placement);
// Whether the normal rectangle meets the screen (0, 0, width, height).
bool IsOnScreen(const kx_gen::WINDOWPLACEMENT &placement, const QSize &screen);

bool SavePlacement(kx_gen::CAppRegistry &settings, const kx_gen::WINDOWPLACEMENT &placement);
// The stored placement when it is complete and on `screen`.
bool LoadPlacement(
    kx_gen::CAppRegistry &settings, const QSize &screen, kx_gen::WINDOWPLACEMENT &placement);

// The window's placement now, and the window put back to a placement
// (shown maximised or minimised as it says when `applyShowState`).
kx_gen::WINDOWPLACEMENT PlacementOf(const QWidget &window);
void ApplyPlacement(QWidget &window, const kx_gen::WINDOWPLACEMENT &placement, bool applyShowState);

// Start-up: restores the stored placement on the window's screen; false
// when there was none to take (the caller shows the window maximised).
bool RestoreWindowPlacement(QWidget &window, kx_gen::CAppRegistry &settings, bool applyShowState);
bool SaveWindowPlacement(const QWidget &window, kx_gen::CAppRegistry &settings);

} // namespace shell
