#pragma once

#include <QString>

class QWidget;

// Renders a top-level window to a PNG once the event loop has laid it out,
// then quits the application. Used where no display is available and by
// documentation and tests.
void scheduleScreenshotAndQuit(QWidget *window, const QString &fileName);
// With VELLACOR_SCREENSHOT_PALETTE=dark in the environment: the Fusion style
// with a dark palette, for looking at the dark look.
void applyScreenshotPalette();
