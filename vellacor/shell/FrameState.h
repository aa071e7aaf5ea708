#pragma once

// The main window's small pieces of state and rules: the docking layout of
// its bars ("BarState", and "SafeBarState" kept around a HotSync), whether
// outline windows are maximised ("Preferences"/"Max State"), the file of a
// drop to open, and where the manual lies.

#include <QList>
#include <QString>
#include <QUrl>

namespace kx_gen {
class CAppRegistry;
}
class QMainWindow;

namespace shell {

inline constexpr char kBarStateName[] = "BarState";
inline constexpr char kSafeBarStateName[] = "SafeBarState";

// The layout of the window's toolbars and docks (Qt's saveState) under
// `name`. Restoring gives false, changing nothing, when there is none or it
// does not fit the window's bars.
bool SaveBarState(
    const QMainWindow &window, kx_gen::CAppRegistry &settings, const char *name = kBarStateName);
bool RestoreBarState(
    QMainWindow &window, kx_gen::CAppRegistry &settings, const char *name = kBarStateName);

bool ReadMaxState(kx_gen::CAppRegistry &settings);
void WriteMaxState(kx_gen::CAppRegistry &settings, bool maximized);

// The first dropped file, when it is an outline or a template (by its
// extension, in any letter case); empty otherwise.
QString DroppedOutline(const QList<QUrl> &urls);

// The manual: share/doc/vellacor/manual.html beside the program's folder.
QString ManualPath();
// Opens the manual in the desktop's browser; false when it is missing.
bool OpenManual();

} // namespace shell
