#include "ScreenshotOption.h"

#include "QtLook.h"

#include <QApplication>
#include <QPalette>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

#include <cstdio>

void applyScreenshotPalette()
{
    // Screenshots of the dark look need no dark desktop theme.
    if (qgetenv("VELLACOR_SCREENSHOT_PALETTE") != "dark")
        return;
    QApplication::setStyle(QStringLiteral("Fusion"));
    QApplication::setPalette(DarkPalette());
}

void scheduleScreenshotAndQuit(QWidget *window, const QString &fileName)
{
    // A short delay lets queued layout and paint events settle first.
    QTimer::singleShot(200, window, [window, fileName]() {
        const QPixmap pixmap = window->grab();
        if (!pixmap.save(fileName, "PNG")) {
            std::fprintf(
                stderr, "vellacor: cannot write the screenshot %s\n", qPrintable(fileName));
            QApplication::exit(1);
            return;
        }
        QApplication::exit(0);
    });
}
