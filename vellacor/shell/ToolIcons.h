#pragma once

// Toolbar and menu icons from the desktop's symbolic icon theme, drawn in
// the palette's text colour so that they read on light and dark palettes
// alike. An icon the theme lacks is a null icon: the button shows its text.

#include <QIcon>
#include <QString>

class QPalette;

namespace shell {

// `name` without the "-symbolic" suffix, e.g. "document-new".
QIcon ToolIcon(const QString &name, const QPalette &palette);

} // namespace shell
