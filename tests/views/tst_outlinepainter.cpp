// The row painter, painting into images: what lands where, in which
// colour, and that nothing outside the given rows is touched.

#include "OutlinePainter.h"
#include "ViewTestSupport.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTest>

namespace {

const QColor kBack(250, 250, 250);
const QColor kText(10, 10, 10);
const QColor kSelBack(0, 90, 200);
const QColor kSelText(255, 255, 255);
const QColor kUntouched(1, 2, 3);

COutlinePaintOptions Options(int width, int height)
{
    COutlinePaintOptions o;
    o.m_Font = QFont(QStringLiteral("DejaVu Sans"));
    o.m_Font.setPixelSize(12);
    o.m_crText = kText;
    o.m_crBack = kBack;
    o.m_crSelBack = kSelBack;
    o.m_crSelText = kSelText;
    o.m_nWidth = width;
    o.m_nHeight = height;
    return o;
}

QImage Blank(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(kUntouched);
    return image;
}

int CountColour(const QImage &image, const QRect &area, const QColor &colour)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += image.pixelColor(x, y) == colour;
    return n;
}

int CountNot(const QImage &image, const QRect &area, const QColor &colour)
{
    return area.width() * area.height() - CountColour(image, area, colour);
}

} // namespace

class tst_OutlinePainter : public QObject {
    Q_OBJECT
private slots:
    void rowsBackgroundAndTheRestBelow();
    void textSelectionAndCaret();
    void blockSelectionCoversWholeRows();
    void selectionOnlyWhenAskedFor();
};

void tst_OutlinePainter::rowsBackgroundAndTheRestBelow()
{
    COutlineMan man;
    MakeOutline(man, "a b c d e f");
    COutlineGeometry g(&man);
    UseFixedFont(g);
    g.SetClientSize(QSize(400, 200));
    g.RecalcLayout();
    // Only rows 2 and 3 are given: the painter touches their band and the
    // area below them, nothing above.
    std::vector<COutlineRowSlot> rows = g.VisibleRows();
    std::vector<COutlineRowSlot> some(rows.begin() + 2, rows.begin() + 4);
    QImage image = Blank(400, 200);
    QPainter painter(&image);
    PaintOutlineRows(painter, g, some, Options(400, 200));
    painter.end();
    const int h = g.RowHeight();
    QCOMPARE(CountNot(image, QRect(0, 0, 400, 2 * h), kUntouched), 0);
    QCOMPARE(CountColour(image, QRect(0, 2 * h, 400, 2 * h), kUntouched), 0);
    QCOMPARE(CountNot(image, QRect(0, 4 * h, 400, 200 - 4 * h), kBack), 0);
    // Each given row has its text and its symbols.
    int ink = 0;
    for (int y = 2 * h; y < 3 * h; ++y)
        for (int x = 50; x < 90; ++x)
            ink += image.pixelColor(x, y).lightness() < 128;
    QVERIFY(ink > 0);
    QVERIFY(
        CountNot(image, g.SymbolBoxAt(some[0].m_Pos.m_pItem, COutlineHit::kExpander, 2 * h), kBack)
        > 0);
}

void tst_OutlinePainter::textSelectionAndCaret()
{
    COutlineMan man;
    MakeOutline(man, "abcdefghij second");
    COutlineGeometry g(&man);
    UseFixedFont(g);
    g.SetClientSize(QSize(400, 100));
    g.RecalcLayout();
    COutlineNode *first = man.GetFirstVisible();
    COutlinePaintOptions o = Options(400, 100);
    o.m_SelStart = COutlinePos(2, 0, first);
    o.m_SelEnd = COutlinePos(5, 0, first);
    o.m_Caret = COutlinePos(5, 0, first);
    o.m_bShowCaret = true;
    QImage image = Blank(400, 100);
    QPainter painter(&image);
    PaintOutlineRows(painter, g, g.VisibleRows(), o);
    painter.end();
    const int h = g.RowHeight();
    // Characters 2 to 5 at 8 pixels each from the text column at 50.
    const QRect selected(50 + 16, 0, 24, h);
    QVERIFY(CountColour(image, selected, kSelBack) > selected.width() * selected.height() / 2);
    QCOMPARE(CountColour(image, QRect(50, 0, 16, h), kSelBack), 0);
    QVERIFY(CountColour(image, QRect(50 + 40 + 2, 0, 40, h), kSelBack) == 0);
    // The caret: two pixels of text colour over the whole row at its x.
    const int x = g.CharX(o.m_Caret);
    QCOMPARE(x, 90);
    QCOMPARE(CountColour(image, QRect(x, 0, 2, h), kText), 2 * h);
    // The second item has no selection.
    QCOMPARE(CountColour(image, QRect(0, h, 400, h), kSelBack), 0);
}

void tst_OutlinePainter::blockSelectionCoversWholeRows()
{
    COutlineMan man;
    MakeOutline(man, "abc de fgh");
    man.GetFirstVisible()->m_pNext->m_Item.m_Text.SetString(kx_gen::_String());
    COutlineGeometry g(&man);
    UseFixedFont(g);
    g.SetClientSize(QSize(400, 100));
    g.RecalcLayout();
    COutlineNode *a = man.GetFirstVisible();
    COutlineNode *empty = a->m_pNext;
    const std::unordered_set<const COutlineNode *> items { a, empty };
    COutlinePaintOptions o = Options(400, 100);
    o.m_SelStart = COutlinePos(0, 0, a);
    o.m_SelEnd = COutlinePos(0, 0, empty);
    o.m_pSelItems = &items;
    QImage image = Blank(400, 100);
    QPainter painter(&image);
    PaintOutlineRows(painter, g, g.VisibleRows(), o);
    painter.end();
    const int h = g.RowHeight();
    QVERIFY(CountColour(image, QRect(50, 0, 24, h), kSelBack) > 24 * h / 2);
    // The empty selected item shows a bar of the average character width.
    QCOMPARE(CountColour(image, QRect(50, h, 8, h), kSelBack), 8 * h);
    QCOMPARE(CountColour(image, QRect(58, h, 100, h), kSelBack), 0);
    QCOMPARE(CountColour(image, QRect(0, 2 * h, 400, h), kSelBack), 0);
}

void tst_OutlinePainter::selectionOnlyWhenAskedFor()
{
    COutlineMan man;
    MakeOutline(man, "abcdef");
    COutlineGeometry g(&man);
    UseFixedFont(g);
    g.SetClientSize(QSize(300, 40));
    g.RecalcLayout();
    COutlinePaintOptions o = Options(300, 40);
    o.m_SelStart = COutlinePos(0, 0, man.GetFirstVisible());
    o.m_SelEnd = COutlinePos(6, 0, man.GetFirstVisible());
    o.m_bPaintSelection = false;
    QImage image = Blank(300, 40);
    QPainter painter(&image);
    PaintOutlineRows(painter, g, g.VisibleRows(), o);
    painter.end();
    QCOMPARE(CountColour(image, image.rect(), kSelBack), 0);
}

QTEST_MAIN(tst_OutlinePainter)
#include "tst_outlinepainter.moc"
