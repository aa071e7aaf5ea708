#pragma once

#include <QColor>
#include <QPalette>
#include <QRect>

class QPainter;

// The symbols of outline rows, shared by every view and by printing. They
// are painted as vector shapes in a 16 x 15 design box, so they stay crisp
// at any device pixel ratio and on a printer, and take their colours from
// the palette they are given, so a dark theme works.
class CDrawTools {
public:
    enum EImage {
        kCheckEmpty = 0,
        kCheckTicked = 1,
        kCollapsed = 2, // a branch with hidden children
        kExpanded = 3, // a branch with its children shown
        kBullet = 4, // an item without visible children
        kNote = 5,
        kDrawing = 6,
        kImageCount = 7,
    };

    // The one set of the application.
    static const CDrawTools &Get();

    // Paints symbol `image` into `box` (the symbol box of its column: at
    // most the design size). A smaller box shows the design's top-left part.
    void DrawImage(QPainter &painter, int image, const QRect &box, const QPalette &palette) const;

    // The pens' colours: the tick of a checked box, the cross of a refusal.
    // On a dark background both are lightened so they keep their contrast.
    static QColor CheckColor(const QPalette &palette);
    static QColor CrossColor(const QPalette &palette);
    // Whether the palette's window background is dark.
    static bool IsDark(const QPalette &palette);
};
