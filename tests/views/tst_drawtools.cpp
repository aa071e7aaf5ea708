// The seven row symbols: inside their boxes, in the palette's colours, and
// drawn as vectors at any pixel ratio.

#include "DrawTools.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTest>

namespace {

const QColor kUntouched(1, 2, 3);

QImage Blank(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(kUntouched);
    return image;
}

int CountNot(const QImage &image, const QRect &area, const QColor &colour)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += image.pixelColor(x, y) != colour;
    return n;
}

} // namespace

class tst_DrawTools : public QObject {
    Q_OBJECT
private slots:
    void symbolsStayInTheirBoxes();
    void symbolsFollowThePalette();
    void symbolsAreVectorsAtAnyRatio();
};

void tst_DrawTools::symbolsStayInTheirBoxes()
{
    const QPalette palette;
    QImage reference;
    for (int i = 0; i < CDrawTools::kImageCount; ++i) {
        QImage image = Blank(40, 40);
        QPainter painter(&image);
        const QRect box(12, 12, 16, 15);
        CDrawTools::Get().DrawImage(painter, i, box, palette);
        painter.end();
        QVERIFY2(CountNot(image, box, kUntouched) > 0, qPrintable(QString::number(i)));
        QCOMPARE(CountNot(image, image.rect(), kUntouched), CountNot(image, box, kUntouched));
        // Every symbol looks different from the one before it.
        if (!reference.isNull())
            QVERIFY(image != reference);
        reference = image;
    }
    // A box smaller than the symbol clips it.
    QImage image = Blank(40, 40);
    QPainter painter(&image);
    CDrawTools::Get().DrawImage(painter, CDrawTools::kDrawing, QRect(10, 10, 8, 6), palette);
    painter.end();
    QCOMPARE(CountNot(image, image.rect(), kUntouched),
        CountNot(image, QRect(10, 10, 8, 6), kUntouched));
}

void tst_DrawTools::symbolsFollowThePalette()
{
    QPalette dark;
    dark.setColor(QPalette::Base, QColor(20, 20, 20));
    dark.setColor(QPalette::Text, QColor(230, 230, 230));
    QImage image = Blank(20, 20);
    QPainter painter(&image);
    CDrawTools::Get().DrawImage(painter, CDrawTools::kCheckEmpty, QRect(0, 0, 16, 15), dark);
    painter.end();
    // The inside of the box is the dark base, its frame light.
    QCOMPARE(image.pixelColor(8, 7), QColor(20, 20, 20));
    QVERIFY(image.pixelColor(2, 7).lightness() > 100 || image.pixelColor(3, 7).lightness() > 100);
    QVERIFY(CDrawTools::IsDark(dark));
    QVERIFY(
        CDrawTools::CheckColor(dark).lightness() > CDrawTools::CheckColor(QPalette()).lightness());
}

void tst_DrawTools::symbolsAreVectorsAtAnyRatio()
{
    // At twice the density the tick covers about four times the pixels,
    // drawn anew rather than scaled.
    const QPalette palette;
    int counts[2] = {};
    for (int ratio = 1; ratio <= 2; ++ratio) {
        QImage image(16 * ratio, 15 * ratio, QImage::Format_RGB32);
        image.setDevicePixelRatio(ratio);
        image.fill(kUntouched);
        QPainter painter(&image);
        CDrawTools::Get().DrawImage(
            painter, CDrawTools::kCheckTicked, QRect(0, 0, 16, 15), palette);
        painter.end();
        int green = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                green += c.green() > c.red() + 40 && c.green() > c.blue() + 40;
            }
        counts[ratio - 1] = green;
    }
    QVERIFY(counts[0] > 0);
    QVERIFY(counts[1] > 3 * counts[0]);
    QVERIFY(counts[1] < 5 * counts[0]);
}

QTEST_MAIN(tst_DrawTools)
#include "tst_drawtools.moc"
