#pragma once

// The preferences that the filing cabinet reads from the settings store
// (section "Preferences").

#include "kx_gen/String.h"

namespace kx_gen {
class CAppRegistry;
}

namespace cabinet {

// The user's documents folder: $XDG_DOCUMENTS_DIR, else the documents entry
// of the XDG user-dirs file ($XDG_CONFIG_HOME/user-dirs.dirs), else
// "Documents" in the home folder. Empty when there is no home folder.
kx_gen::_String DocumentsFolder();
// The desktop folder when the preference is missing: "Vellacor" in the
// documents folder, else the current directory (empty when even that
// cannot be had).
kx_gen::_String DefaultDesktopFolder();
// The desktop folder: the preference "Path", else DefaultDesktopFolder().
kx_gen::_String LoadDesktopFolder(kx_gen::CAppRegistry &settings);

// The state of the delete dialog's "Archive" box ("Move to archive", 0 when
// missing).
bool GetMoveToArchive(kx_gen::CAppRegistry &settings);
void SetMoveToArchive(kx_gen::CAppRegistry &settings, bool archive);

} // namespace cabinet
