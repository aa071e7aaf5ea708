#include "ScreenshotOption.h"

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
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(45, 45, 48));
    dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
    dark.setColor(QPalette::Base, QColor(30, 30, 30));
    dark.setColor(QPalette::AlternateBase, QColor(45, 45, 48));
    dark.setColor(QPalette::Text, QColor(230, 230, 230));
    dark.setColor(QPalette::Button, QColor(53, 53, 56));
    dark.setColor(QPalette::ButtonText, QColor(230, 230, 230));
    dark.setColor(QPalette::Highlight, QColor(42, 130, 218));
    dark.setColor(QPalette::HighlightedText, Qt::white);
    dark.setColor(QPalette::ToolTipBase, QColor(53, 53, 56));
    dark.setColor(QPalette::ToolTipText, QColor(230, 230, 230));
    dark.setColor(QPalette::Disabled, QPalette::Text, QColor(120, 120, 120));
    dark.setColor(QPalette::Disabled, QPalette::WindowText, QColor(120, 120, 120));
    dark.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(110, 110, 110));
    QApplication::setPalette(dark);
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
