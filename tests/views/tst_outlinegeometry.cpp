// Row layout, wrapping, hit testing and point <-> position conversion,
// without a screen: fixed character widths of 8 pixels.

#include "ViewTestSupport.h"

#include <QTest>

namespace {

// A geometry over `man` with the fixed font, a client area and its layout
// computed.
void SetUp(COutlineGeometry &g, QSize client = QSize(400, 200))
{
    UseFixedFont(g);
    g.SetClientSize(client);
    g.RecalcLayout();
}

QString Dump(const COutlinePos &pos)
{
    return QStringLiteral("%1@%2:%3")
        .arg(QString::fromStdString(TextOf(pos.m_pItem)))
        .arg(pos.m_nRow)
        .arg(pos.m_nChar);
}

} // namespace

class tst_OutlineGeometry : public QObject {
    Q_OBJECT
private slots:
    void rowHeights_data();
    void rowHeights();
    void labelWidthsFollowTheLargestIndex();
    void noteAndDrawingNarrowTheText();
    void contentWidthNeverBelowClientOrMinimum();
    void hitTestsEverySymbol();
    void symbolsOnlyOnTheFirstRow();
    void belowTheOutline();
    void pointPositionRoundTrips();
    void rowNumbersAndScrolling();
    void emptyItemHasOneRow();
};

void tst_OutlineGeometry::rowHeights_data()
{
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("leading");
    QTest::addColumn<int>("rowHeight");
    QTest::addColumn<int>("textHeight");
    QTest::newRow("14 pixels") << 14 << 0 << 19 << 14;
    QTest::newRow("24 pixels, leading 2") << 24 << 2 << 26 << 26;
    QTest::newRow("no metrics") << 0 << 0 << 19 << 0;
}

void tst_OutlineGeometry::rowHeights()
{
    QFETCH(int, height);
    QFETCH(int, leading);
    QFETCH(int, rowHeight);
    QFETCH(int, textHeight);
    COutlineMan man;
    MakeOutline(man, "a b");
    COutlineGeometry g(&man);
    UseFixedFont(g, height, leading);
    QCOMPARE(g.RowHeight(), rowHeight);
    QCOMPARE(g.TextHeight(), textHeight);
    g.SetClientSize(QSize(400, 200));
    g.RecalcLayout();
    // Rows follow each other by the row height, symbols centred in them.
    const auto rows = g.VisibleRows();
    QCOMPARE(int(rows.size()), 2);
    QCOMPARE(rows[1].m_nTop, rowHeight);
    const QRect box = g.SymbolRect(rows[1].m_Pos.m_pItem, COutlineHit::kExpander);
    QCOMPARE(box.top(), rowHeight + (rowHeight - 15) / 2);
    QCOMPARE(box.height(), 15);
}

void tst_OutlineGeometry::labelWidthsFollowTheLargestIndex()
{
    COutlineMan man;
    // Nine children under a, ten under b: level 1 needs two digits.
    MakeOutline(man, "a+ (1 2 3 4 5 6 7 8 9) b");
    COutlineGeometry g(&man);
    CNumbering numbering;
    numbering.m_Numbering[0] = kNumberNumeric;
    numbering.m_Numbering[1] = kNumberNumeric;
    g.SetNumbering(numbering);
    SetUp(g);
    // One digit and the gap ("w") at level 1, level 0 as well.
    QCOMPARE(g.Layout().m_nLabelWidth[0], 8 + 8);
    QCOMPARE(g.Layout().m_nLabelWidth[1], 8 + 8);
    QCOMPARE(g.Layout().m_nLabelWidth[2], 0);
    QCOMPARE(g.Layout().m_xText[1], 70 + 16);

    // A tenth child: the level's extent grows, the label widens and the
    // level's items are wrapped to the narrower room.
    COutlineNode *nine = NodeOf(man, "9");
    COutlineNode *ten = man.NewItem(nine);
    QVERIFY(ten);
    man.Renumber();
    g.MarkLevelDirty(1);
    g.RecalcLayout();
    QCOMPARE(g.Layout().m_nLabelWidth[1], 2 * 8 + 8);
    QCOMPARE(g.Layout().m_nLabelWidth[0], 16);

    // Numbering switched off: the column goes away.
    g.SetNumbering(CNumbering());
    g.RecalcLayout();
    QCOMPARE(g.Layout().m_nLabelWidth[1], 0);
    QCOMPARE(g.Layout().m_xText[1], 70);
}

void tst_OutlineGeometry::noteAndDrawingNarrowTheText()
{
    COutlineMan man;
    // Forty letters in words of four: 328 pixels in all.
    const std::string words = "aaaa bbbb cccc dddd eeee ffff gggg hhhh";
    MakeOutline(man, "plain both");
    COutlineNode *plain = NodeOf(man, "plain");
    COutlineNode *both = NodeOf(man, "both");
    plain->m_Item.m_Text.SetString(kx_gen::_String(words));
    both->m_Item.m_Text.SetString(kx_gen::_String(words));
    both->m_Item.m_strNote = kx_gen::_String("note");
    both->m_Item.m_nDrawWidth = 32;
    both->m_Item.m_nDrawHeight = 32;
    COutlineGeometry g(&man);
    // Width 400: 400 - 10 - 50 = 340 pixels for plain text, 300 with both.
    SetUp(g, QSize(400, 200));
    QCOMPARE(g.Layout().AvailableWidth(plain->m_Item), 340);
    QCOMPARE(g.Layout().AvailableWidth(both->m_Item), 300);
    QCOMPARE(plain->m_Item.m_Text.GetRowCount(), 1);
    QCOMPARE(both->m_Item.m_Text.GetRowCount(), 2);

    // The note goes: re-wrapping the item gives it the room back.
    both->m_Item.ClearNote();
    both->m_Item.m_nDrawWidth = 0;
    g.WrapItem(both, true);
    QCOMPARE(both->m_Item.m_Text.GetRowCount(), 1);
    QCOMPARE(g.TotalRows(), 2);
}

void tst_OutlineGeometry::contentWidthNeverBelowClientOrMinimum()
{
    COutlineMan man;
    MakeOutline(man, "x");
    COutlineNode *node = man.GetFirstVisible();
    std::string text;
    for (int i = 0; i < 3; ++i)
        text += "aaaa bbbb cccc dddd eeee ffff gggg hhhh iiii jjjj kkkk llll ";
    node->m_Item.m_Text.SetString(kx_gen::_String(text));
    COutlineGeometry g(&man);
    SetUp(g, QSize(600, 200));
    QCOMPARE(g.Layout().m_nWidth, 600);
    const int minimum = g.MinimumWidth();
    // Level 9 text at 230, both symbols, ten W.
    QCOMPARE(minimum, 230 + 20 + 20 + 80);

    // Narrower than the minimum: the content keeps its width, a horizontal
    // scroll bar shows it, nothing wraps narrower.
    const int rows = node->m_Item.m_Text.GetRowCount();
    g.SetClientSize(QSize(200, 200));
    QVERIFY(!g.ResizeNeedsRelayout());
    g.RecalcLayout();
    QCOMPARE(g.Layout().m_nWidth, 600);
    QCOMPARE(node->m_Item.m_Text.GetRowCount(), rows);

    // Wider: the content follows and the text re-wraps into fewer rows.
    g.SetClientSize(QSize(900, 200));
    QVERIFY(g.ResizeNeedsRelayout());
    g.RecalcLayout();
    QCOMPARE(g.Layout().m_nWidth, 900);
    QCOMPARE(rows, 3);
    QCOMPARE(node->m_Item.m_Text.GetRowCount(), 2);

    // Back to a window between the minimum and the old width: the content
    // shrinks to the new client width.
    g.SetClientSize(QSize(500, 200));
    QVERIFY(g.ResizeNeedsRelayout());
    g.RecalcLayout();
    QCOMPARE(g.Layout().m_nWidth, 500);
}

void tst_OutlineGeometry::hitTestsEverySymbol()
{
    COutlineMan man;
    MakeOutline(man, "a+ (b c) d");
    COutlineNode *a = NodeOf(man, "a");
    COutlineNode *b = NodeOf(man, "b");
    COutlineNode *d = NodeOf(man, "d");
    b->m_Item.m_strNote = kx_gen::_String("a note");
    b->m_Item.m_nDrawWidth = 16;
    d->m_Item.m_nDrawWidth = 16;
    COutlineGeometry g(&man);
    SetUp(g);
    g.SetHScroll(0);

    struct Case {
        COutlineNode *node;
        int kind;
    } cases[] = {
        { a, COutlineHit::kExpander },
        { a, COutlineHit::kCheckBox },
        { b, COutlineHit::kExpander },
        { b, COutlineHit::kCheckBox },
        { b, COutlineHit::kNote },
        { b, COutlineHit::kDrawing },
        { d, COutlineHit::kDrawing },
    };
    for (const Case &c : cases) {
        const QRect box = g.SymbolRect(c.node, c.kind);
        QVERIFY(!box.isEmpty());
        for (QPoint p : { Centre(box), box.topLeft(), box.bottomRight() }) {
            const COutlineHit hit = g.HitTest(p);
            QCOMPARE(hit.m_nKind, c.kind);
            QCOMPARE(hit.m_pItem, c.node);
        }
        // Just outside the box (above the symbol, still in the column) is
        // not the symbol.
        const COutlineHit above = g.HitTest(box.topLeft() - QPoint(0, 1));
        QVERIFY(above.m_nKind != c.kind || above.m_pItem != c.node);
    }
    // Items without a note or drawing have no such box.
    QVERIFY(g.SymbolRect(a, COutlineHit::kNote).isEmpty());
    QVERIFY(g.SymbolRect(d, COutlineHit::kNote).isEmpty());

    // Without check boxes there is nothing to hit where they were.
    g.SetShowCheckBoxes(false);
    g.RecalcLayout();
    QVERIFY(g.SymbolRect(a, COutlineHit::kCheckBox).isEmpty());
    const QRect expander = g.SymbolRect(a, COutlineHit::kExpander);
    QCOMPARE(g.HitTest(Centre(expander)).m_nKind, int(COutlineHit::kExpander));
    QCOMPARE(g.HitTest(Centre(expander) + QPoint(20, 0)).m_nKind, int(COutlineHit::kText));

    // Scrolled sideways, the boxes move with the content.
    g.SetClientSize(QSize(380, 200));
    g.SetHScroll(30);
    const QRect drawing = g.SymbolRect(d, COutlineHit::kDrawing);
    QCOMPARE(g.HitTest(Centre(drawing)).m_nKind, int(COutlineHit::kDrawing));
    QCOMPARE(drawing.left(), g.Layout().DrawingColumn(0, 19).left() + 2 - 30);
}

void tst_OutlineGeometry::symbolsOnlyOnTheFirstRow()
{
    COutlineMan man;
    MakeOutline(man, "a");
    COutlineNode *a = man.GetFirstVisible();
    a->m_Item.m_Text.SetString(kx_gen::_String("first\rsecond"));
    a->m_Item.m_strNote = kx_gen::_String("n");
    COutlineGeometry g(&man);
    SetUp(g);
    QCOMPARE(COutlineGeometry::ItemRows(a), 2);
    const int rowHeight = g.RowHeight();
    for (int kind :
        { int(COutlineHit::kExpander), int(COutlineHit::kCheckBox), int(COutlineHit::kNote) }) {
        const QPoint second = Centre(g.SymbolRect(a, kind)) + QPoint(0, rowHeight);
        const COutlineHit hit = g.HitTest(second);
        QCOMPARE(hit.m_nKind, int(COutlineHit::kNothing));
        QCOMPARE(hit.m_nRow, 1);
    }
}

void tst_OutlineGeometry::belowTheOutline()
{
    COutlineMan man;
    MakeOutline(man, "a b c");
    COutlineGeometry g(&man);
    SetUp(g);
    const QPoint below(120, 3 * g.RowHeight() + 5);
    const COutlineHit hit = g.HitTest(below);
    QCOMPARE(hit.m_nKind, int(COutlineHit::kBelow));
    QCOMPARE(hit.m_pItem, NodeOf(man, "c"));
    QCOMPARE(Dump(g.PosFromPoint(below)), QStringLiteral("c@0:1"));
    // Left of the text: offset 0; right of the text limit: the row's end.
    QCOMPARE(Dump(g.PosFromPoint(QPoint(0, 1))), QStringLiteral("a@0:0"));
    QCOMPARE(Dump(g.PosFromPoint(QPoint(399, 1))), QStringLiteral("a@0:1"));
}

void tst_OutlineGeometry::pointPositionRoundTrips()
{
    COutlineMan man;
    MakeOutline(man, "one+ (two three) four");
    NodeOf(man, "one")
        ->m_Item.m_Text.SetString(
            kx_gen::_String("alpha beta gamma delta epsilon zeta eta theta iota kappa"));
    NodeOf(man, "two")->m_Item.m_Text.SetString(kx_gen::_String("short\r\rafter an empty line"));
    COutlineGeometry g(&man);
    SetUp(g, QSize(300, 400));
    // Every character of every row, its start and its end included.
    int checked = 0;
    for (COutlinePos row = g.Top(); row.IsSet(); row = g.NextRow(row)) {
        const int length = COutlineGeometry::RowLength(row.m_pItem, row.m_nRow);
        for (int ch = 0; ch <= length; ++ch) {
            const COutlinePos pos(ch, row.m_nRow, row.m_pItem);
            QPoint point;
            QVERIFY(g.PointFromPos(pos, &point));
            const COutlinePos back = g.PosFromPoint(point + QPoint(0, g.RowHeight() / 2));
            QCOMPARE(Dump(back), Dump(pos));
            ++checked;
        }
    }
    QVERIFY(checked > 60);
    QVERIFY(COutlineGeometry::ItemRows(
                NodeOf(man, "alpha beta gamma delta epsilon zeta eta theta iota kappa"))
        > 1);

    // The last row of an item and the first row of the next are
    // neighbours, one row height apart.
    COutlineNode *one = man.GetFirstVisible();
    COutlineNode *two = man.GetNextVisible(one);
    const COutlinePos lastOfOne(0, COutlineGeometry::ItemRows(one) - 1, one);
    QCOMPARE(g.RowsBetween(lastOfOne, COutlinePos(0, 0, two)), g.RowHeight());
    QCOMPARE(g.RowsBetween(COutlinePos(0, 0, two), lastOfOne), -1);

    // Rows above the top or below the client area have no point.
    g.ScrollRows(2);
    QPoint point;
    QVERIFY(!g.PointFromPos(COutlinePos(0, 0, one), &point));
    g.SetClientSize(QSize(300, g.RowHeight()));
    QVERIFY(!g.PointFromPos(COutlinePos(0, 0, NodeOf(man, "four")), &point));
}

void tst_OutlineGeometry::rowNumbersAndScrolling()
{
    COutlineMan man;
    std::string line;
    for (int i = 0; i < 60; ++i)
        line += "item" + std::to_string(i) + (i % 7 == 0 ? "|more " : " ");
    MakeOutline(man, line);
    COutlineGeometry g(&man);
    SetUp(g, QSize(400, 10 * 19));
    const int total = g.TotalRows();
    QCOMPARE(total, 60 + 9);
    // Every row number leads to its row and back.
    for (int r = 0; r < total; ++r)
        QCOMPARE(g.RowNumber(g.RowAt(r)), r);

    QCOMPARE(g.PageRows(), 10);
    QCOMPARE(g.ScrollRows(g.PageRows()), 10);
    QCOMPARE(g.TopRow(), 10);
    const COutlinePos top = g.Top();
    QCOMPARE(g.RowNumber(top), 10);
    // A change below the top keeps the top row where it is.
    COutlineNode *below = g.RowAt(40).m_pItem;
    const int belowRows = COutlineGeometry::ItemRows(below);
    below->m_Item.m_Text.SetString(kx_gen::_String("now\rthree\rrows"));
    g.WrapItem(below, true);
    QCOMPARE(g.Top(), top);
    QCOMPARE(g.TopRow(), 10);
    QCOMPARE(g.TotalRows(), total - belowRows + 3);
    // A change above it moves its number, not the row.
    COutlineNode *above = g.RowAt(2).m_pItem;
    QCOMPARE(COutlineGeometry::ItemRows(above), 1);
    above->m_Item.m_Text.SetString(kx_gen::_String("now\rtwo"));
    g.WrapItem(above, true);
    QCOMPARE(g.Top(), top);
    QCOMPARE(g.TopRow(), 11);

    // Never past either end.
    QCOMPARE(g.ScrollRows(-100), -11);
    QCOMPARE(g.TopRow(), 0);
    g.SetTopRow(1000);
    QCOMPARE(g.TopRow(), g.TotalRows() - 1);
    QCOMPARE(g.ScrollRows(5), 0);
    QCOMPARE(int(g.VisibleRows().size()), 1);
}

void tst_OutlineGeometry::emptyItemHasOneRow()
{
    COutlineMan man;
    MakeOutline(man, "a");
    man.GetFirstVisible()->m_Item.m_Text.SetString(kx_gen::_String());
    COutlineGeometry g(&man);
    SetUp(g);
    QCOMPARE(g.TotalRows(), 1);
    QPoint point;
    QVERIFY(g.PointFromPos(COutlinePos(0, 0, man.GetFirstVisible()), &point));
    QCOMPARE(point, QPoint(50, 0));
    QCOMPARE(g.HitTest(QPoint(60, 5)).m_nKind, int(COutlineHit::kText));
    QVERIFY(!g.HitTest(QPoint(60, 5)).m_bInText);
}

QTEST_APPLESS_MAIN(tst_OutlineGeometry)
#include "tst_outlinegeometry.moc"
