#include "DrawTools.h"

#include <QPainter>
#include <QPainterPath>

namespace {

QColor Mix(const QColor &a, const QColor &b, double t)
{
    return QColor::fromRgbF(float(a.redF() * (1 - t) + b.redF() * t),
        float(a.greenF() * (1 - t) + b.greenF() * t), float(a.blueF() * (1 - t) + b.blueF() * t));
}

} // namespace

const CDrawTools &CDrawTools::Get()
{
    static const CDrawTools tools;
    return tools;
}

bool CDrawTools::IsDark(const QPalette &palette)
{
    return palette.color(QPalette::Base).lightnessF() < 0.5;
}

QColor CDrawTools::CheckColor(const QPalette &palette)
{
    return IsDark(palette) ? QColor(96, 208, 96) : QColor(0, 128, 0);
}

QColor CDrawTools::CrossColor(const QPalette &palette)
{
    return IsDark(palette) ? QColor(255, 96, 96) : QColor(255, 0, 0);
}

void CDrawTools::DrawImage(
    QPainter &painter, int image, const QRect &box, const QPalette &palette) const
{
    if (box.isEmpty() || image < 0 || image >= kImageCount)
        return;
    const QColor base = palette.color(QPalette::Base);
    const QColor text = palette.color(QPalette::Text);
    const QColor frame = Mix(base, text, 0.65);
    const bool dark = IsDark(palette);

    painter.save();
    painter.setClipRect(box, Qt::IntersectClip);
    painter.translate(box.topLeft());
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setBrush(Qt::NoBrush);

    switch (image) {
    case kCheckEmpty:
    case kCheckTicked: {
        painter.setPen(QPen(frame, 1.0));
        painter.setBrush(base);
        painter.drawRoundedRect(QRectF(2.5, 1.5, 11, 11), 1.5, 1.5);
        if (image == kCheckTicked) {
            QPainterPath tick;
            tick.moveTo(4.5, 7.0);
            tick.lineTo(7.0, 9.8);
            tick.lineTo(11.8, 3.8);
            painter.setPen(
                QPen(CheckColor(palette), 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            painter.setBrush(Qt::NoBrush);
            painter.drawPath(tick);
        }
        break;
    }
    case kCollapsed:
    case kExpanded: {
        QPainterPath triangle;
        if (image == kCollapsed) {
            triangle.moveTo(5.5, 3.0);
            triangle.lineTo(11.5, 7.5);
            triangle.lineTo(5.5, 12.0);
        } else {
            triangle.moveTo(3.5, 5.0);
            triangle.lineTo(12.5, 5.0);
            triangle.lineTo(8.0, 11.0);
        }
        triangle.closeSubpath();
        painter.setPen(Qt::NoPen);
        painter.setBrush(Mix(base, text, 0.75));
        painter.drawPath(triangle);
        break;
    }
    case kBullet:
        painter.setPen(Qt::NoPen);
        painter.setBrush(Mix(base, text, 0.6));
        painter.drawEllipse(QPointF(8.0, 7.5), 2.6, 2.6);
        break;
    case kNote: {
        // A notepad with a pencil across it.
        const QColor paper = dark ? QColor(96, 90, 56) : QColor(255, 246, 176);
        painter.setPen(QPen(frame, 1.0));
        painter.setBrush(paper);
        painter.drawRect(QRectF(1.5, 1.5, 10, 12));
        painter.setPen(QPen(Mix(paper, text, 0.45), 1.0));
        for (double y = 4.5; y < 13; y += 2.5)
            painter.drawLine(QPointF(3.5, y), QPointF(9.5, y));
        QPainterPath pencil;
        pencil.moveTo(8.0, 12.5);
        pencil.lineTo(14.5, 4.0);
        painter.setPen(QPen(
            dark ? QColor(230, 180, 70) : QColor(200, 140, 20), 2.2, Qt::SolidLine, Qt::FlatCap));
        painter.drawPath(pencil);
        painter.setPen(QPen(text, 1.2, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(QPointF(8.0, 12.5), QPointF(7.3, 13.5));
        break;
    }
    case kDrawing: {
        // A palette with paint spots and a brush.
        const QColor wood = dark ? QColor(150, 118, 80) : QColor(222, 190, 140);
        painter.setPen(QPen(frame, 1.0));
        painter.setBrush(wood);
        QPainterPath board;
        board.addEllipse(QRectF(0.5, 2.5, 13, 10.5));
        QPainterPath hole;
        hole.addEllipse(QRectF(8.0, 8.5, 2.6, 2.4));
        painter.drawPath(board.subtracted(hole));
        painter.setPen(Qt::NoPen);
        const QColor spots[] = { QColor(220, 40, 40), QColor(40, 90, 220), QColor(40, 170, 60),
            QColor(240, 200, 30) };
        const QPointF at[] = { { 3.5, 6.0 }, { 6.5, 4.5 }, { 9.8, 5.3 }, { 4.2, 9.6 } };
        for (int i = 0; i < 4; ++i) {
            painter.setBrush(spots[i]);
            painter.drawEllipse(at[i], 1.3, 1.3);
        }
        painter.setPen(QPen(Mix(base, text, 0.8), 1.6, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(QPointF(15.0, 1.0), QPointF(10.0, 8.0));
        break;
    }
    default:
        break;
    }
    painter.restore();
}
