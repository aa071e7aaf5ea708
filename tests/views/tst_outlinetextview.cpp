// The view's caret, selection, scrolling and its answers to the manager's
// notifications, on a view shown offscreen.

#include "ViewFixture.h"

#include <QApplication>
#include <QScrollBar>
#include <QWheelEvent>

namespace {

std::string Items(int count)
{
    std::string line;
    for (int i = 0; i < count; ++i)
        line += "i" + std::to_string(i) + " ";
    return line;
}

} // namespace

class tst_OutlineTextView : public QObject {
    Q_OBJECT
private slots:
    void removedCaretItemMovesTheCaret_data();
    void removedCaretItemMovesTheCaret();
    void removingTheLastItemGivesANewOne();
    void removingTheTopItemKeepsTheRowNumber();
    void textChangesRewrapTheirItem();
    void aNoteRewrapsAtOnce();
    void scrollingKeepsTheTopRow();
    void resizeRewrapsAndKeepsTheTopItem();
    void ensureVisibleBringsTheCaretIntoView();
    void narrowWindowScrollsSideways();
    void wheelScrollsRows();
    void selections();
    void hidingCheckedItemsMovesTheCaret();
    void clickPlacesTheCaret();
    void statusText();
};

void tst_OutlineTextView::removedCaretItemMovesTheCaret_data()
{
    QTest::addColumn<QString>("outline");
    QTest::addColumn<QString>("caretOn");
    QTest::addColumn<QString>("removed");
    QTest::addColumn<QString>("caret");
    QTest::newRow("previous item") << "a b c d"
                                   << "c"
                                   << "c"
                                   << "b@0:0";
    QTest::newRow("first item: the next") << "a b c"
                                          << "a"
                                          << "a"
                                          << "b@0:0";
    QTest::newRow("inside a removed branch") << "a b+ (c d) e"
                                             << "d"
                                             << "b"
                                             << "a@0:0";
    QTest::newRow("collapsed branch skipped") << "a+ (b) c"
                                              << "c"
                                              << "c"
                                              << "b@0:0";
    QTest::newRow("other item: the caret stays") << "a b c"
                                                 << "c"
                                                 << "a"
                                                 << "c@0:1";
}

void tst_OutlineTextView::removedCaretItemMovesTheCaret()
{
    QFETCH(QString, outline);
    QFETCH(QString, caretOn);
    QFETCH(QString, removed);
    QFETCH(QString, caret);
    CViewFixture f;
    f.Open(outline.toStdString());
    COutlineNode *on = f.Node(caretOn.toLatin1().constData());
    f.View().SetCaret(COutlinePos(0, 0, f.Node("a")));
    f.View().SetCaret(COutlinePos(1, 0, on), true);
    QVERIFY(f.m_Man.DeleteItem(f.Node(removed.toLatin1().constData())));
    f.View().UpdateScrollBars();
    QCOMPARE(f.Caret(), caret);
    if (f.View().GetCaret().m_pItem != on) {
        QCOMPARE(f.View().GetAnchor(), f.View().GetCaret());
        QVERIFY(!f.View().HasSelection());
    }
    QVERIFY(f.View().GetSelItems().empty() || f.View().GetSelItems().front() != nullptr);
}

void tst_OutlineTextView::removingTheLastItemGivesANewOne()
{
    CViewFixture f;
    f.Open("only");
    // The manager puts a new empty item in its place; the caret waits
    // for the view's update after the command.
    QVERIFY(f.m_Man.DeleteItem(f.Node("only")));
    COutlineNode *fresh = f.m_Man.GetFirstVisible();
    QVERIFY(fresh);
    QVERIFY(fresh->m_Item.m_Text.IsEmptyText());
    f.View().UpdateScrollBars();
    QCOMPARE(f.View().GetCaret(), COutlinePos(0, 0, fresh));
    QCOMPARE(f.View().Geometry().TotalRows(), 1);
    QCOMPARE(f.View().GetTop().m_pItem, fresh);
}

void tst_OutlineTextView::removingTheTopItemKeepsTheRowNumber()
{
    CViewFixture f;
    f.Open(Items(40));
    f.View().ScrollToRow(10);
    QCOMPARE(f.View().GetTop().m_pItem, f.Node("i10"));
    QVERIFY(f.m_Man.DeleteItem(f.Node("i10")));
    f.View().UpdateScrollBars();
    QCOMPARE(f.View().GetTopRow(), 10);
    QCOMPARE(f.View().GetTop().m_pItem, f.Node("i11"));
    QCOMPARE(f.View().verticalScrollBar()->value(), 10);
    // Removing an item above the top keeps the top item on top.
    QVERIFY(f.m_Man.DeleteItem(f.Node("i2")));
    f.View().UpdateScrollBars();
    QCOMPARE(f.View().GetTop().m_pItem, f.Node("i11"));
    QCOMPARE(f.View().GetTopRow(), 9);
}

void tst_OutlineTextView::textChangesRewrapTheirItem()
{
    CViewFixture f;
    f.Open("a b c");
    COutlineNode *b = f.Node("b");
    const int before = f.View().Geometry().TotalRows();
    CTextPos end;
    std::string longText;
    for (int i = 0; i < 40; ++i)
        longText += "word ";
    QVERIFY(f.m_Man.InsertText(b, { 1, 0 }, kx_gen::_String(longText), &end));
    const int rows = COutlineGeometry::ItemRows(b);
    QVERIFY(rows > 2);
    QCOMPARE(f.View().Geometry().TotalRows(), before + rows - 1);
    QCOMPARE(COutlineGeometry::ItemRows(f.Node("a")), 1);
    // Every row fits into the item's room.
    const COutlineGeometry &g = f.View().Geometry();
    for (int r = 0; r < rows; ++r) {
        int length = 0;
        const char *text = b->m_Item.m_Text.GetRowInfo(r, &length);
        while (length > 0 && text[length - 1] == ' ')
            --length;
        QVERIFY(g.TextWidth(text, length) <= g.Layout().AvailableWidth(b->m_Item));
    }
    QVERIFY(f.m_Man.DeleteText(b, { 1, 0 }, end));
    QCOMPARE(f.View().Geometry().TotalRows(), before);
}

void tst_OutlineTextView::aNoteRewrapsAtOnce()
{
    CViewFixture f;
    f.Open("a");
    COutlineNode *a = f.Node("a");
    COutlineGeometry &g = f.View().Geometry();
    // Words until the text needs all of its room in one row.
    std::string text = "a";
    while (g.TextWidth((text + " x").c_str(), int(text.size()) + 2)
        <= g.Layout().AvailableWidth(a->m_Item))
        text += " x";
    a->m_Item.m_Text.SetString(kx_gen::_String(text));
    f.View().WrapItem(a, true);
    f.View().UpdateScrollBars();
    QCOMPARE(COutlineGeometry::ItemRows(a), 1);
    const int room = g.Layout().AvailableWidth(a->m_Item);
    f.m_Man.SetNote(a, kx_gen::_String("a note"));
    QCOMPARE(g.Layout().AvailableWidth(a->m_Item), room - 20);
    QCOMPARE(COutlineGeometry::ItemRows(a), 2);
    QCOMPARE(g.TotalRows(), 2);
    QVERIFY(!g.SymbolRect(a, COutlineHit::kNote).isEmpty());
}

void tst_OutlineTextView::scrollingKeepsTheTopRow()
{
    CViewFixture f;
    f.Open(Items(50), 8);
    CZumraView &v = f.View();
    QCOMPARE(v.Geometry().PageRows(), 8);
    QVERIFY(v.verticalScrollBar()->maximum() == 49);
    v.ScrollByPages(1);
    QCOMPARE(v.GetTopRow(), 8);
    QCOMPARE(v.GetTop().m_pItem, f.Node("i8"));
    QCOMPARE(v.verticalScrollBar()->value(), 8);
    v.ScrollByRows(-3);
    QCOMPARE(v.GetTop().m_pItem, f.Node("i5"));
    // The thumb positions the top row live.
    v.verticalScrollBar()->setValue(30);
    QCOMPARE(v.GetTopRow(), 30);
    QCOMPARE(v.GetTop().m_pItem, f.Node("i30"));
    QCOMPARE(v.Geometry().VisibleRows().front().m_Pos.m_pItem, f.Node("i30"));
    // Never past the last row.
    v.ScrollByPages(10);
    QCOMPARE(v.GetTopRow(), 49);
    v.ScrollByPages(-20);
    QCOMPARE(v.GetTopRow(), 0);
    // Expanding or collapsing elsewhere keeps the top.
    v.ScrollToRow(20);
    v.OutlineChanged();
    QCOMPARE(v.GetTop().m_pItem, f.Node("i20"));
}

void tst_OutlineTextView::resizeRewrapsAndKeepsTheTopItem()
{
    CViewFixture f;
    f.Open(Items(30));
    std::string text;
    for (int i = 0; i < 80; ++i)
        text += "wrap ";
    COutlineNode *i3 = f.Node("i3");
    i3->m_Item.m_Text.SetString(kx_gen::_String(text));
    f.View().OnUpdate(CZumraView::kHintRecalcAll);
    const int narrowRows = COutlineGeometry::ItemRows(i3);
    QVERIFY(narrowRows > 2);
    f.View().ScrollToRow(10);
    COutlineNode *top = f.View().GetTop().m_pItem;
    f.View().resize(900, f.View().height());
    QCoreApplication::processEvents();
    QVERIFY(COutlineGeometry::ItemRows(i3) < narrowRows);
    QCOMPARE(f.View().GetTop().m_pItem, top);
    QCOMPARE(f.View().Layout().m_nWidth, f.View().viewport()->width());
}

void tst_OutlineTextView::ensureVisibleBringsTheCaretIntoView()
{
    CViewFixture f;
    f.Open(Items(60), 6);
    CZumraView &v = f.View();
    const COutlinePos last(0, 0, f.Node("i59"));
    v.SetCaret(last);
    QPoint point;
    QVERIFY(!v.PointFromPos(last, &point));
    v.EnsureVisible(last);
    QVERIFY(v.PointFromPos(last, &point));
    // The row is fully visible: its bottom is inside the client area.
    QVERIFY(point.y() + v.Geometry().RowHeight() <= v.viewport()->height());
    QCOMPARE(v.GetTopRow(), 60 - 6);
    // Back up to the first item: it becomes the top row.
    v.EnsureVisible(COutlinePos(0, 0, f.Node("i0")));
    QCOMPARE(v.GetTopRow(), 0);
    // A position already in view changes nothing.
    v.EnsureVisible(COutlinePos(0, 0, f.Node("i3")));
    QCOMPARE(v.GetTopRow(), 0);
}

void tst_OutlineTextView::narrowWindowScrollsSideways()
{
    CViewFixture f;
    f.Open("a+ (b+ (c+ (d+ (e+ (f+ (g+ (h+ (i+ (deep)))))))))");
    CZumraView &v = f.View();
    COutlineNode *deep = f.Node("deep");
    deep->m_Item.m_Text.SetString(kx_gen::_String("the deepest item of them all"));
    v.OnUpdate(CZumraView::kHintRecalcAll);
    v.resize(200, v.height());
    QCoreApplication::processEvents();
    // Narrower than the minimum: the content keeps its width.
    QVERIFY(v.Layout().m_nWidth >= v.Geometry().MinimumWidth());
    QVERIFY(v.horizontalScrollBar()->maximum() > 0);
    const COutlinePos end(COutlineGeometry::RowLength(deep, 0), 0, deep);
    v.SetCaret(end);
    v.EnsureVisible(end);
    QVERIFY(v.Geometry().HScroll() > 0);
    QCOMPARE(v.horizontalScrollBar()->value(), v.Geometry().HScroll());
    QPoint point;
    QVERIFY(v.PointFromPos(end, &point));
    QVERIFY(point.x() >= 0 && point.x() < v.viewport()->width());
    // Back at the start of a top-level item, the view scrolls home.
    v.EnsureVisible(COutlinePos(0, 0, f.Node("a")));
    QCOMPARE(v.Geometry().HScroll(), 0);
    v.ScrollHorizontally(v.HorizontalLineStep());
    QCOMPARE(v.Geometry().HScroll(), v.HorizontalLineStep());
    QVERIFY(v.HorizontalLineStep() >= v.viewport()->width() / 4);
}

void tst_OutlineTextView::wheelScrollsRows()
{
    CViewFixture f;
    f.Open(Items(40), 6);
    CZumraView &v = f.View();
    const QPoint at(50, 20);
    QWheelEvent down(at, v.viewport()->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
        Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(v.viewport(), &down);
    const int lines = QApplication::wheelScrollLines();
    QCOMPARE(v.GetTopRow(), lines);
    QWheelEvent up(at, v.viewport()->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton,
        Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(v.viewport(), &up);
    QCOMPARE(v.GetTopRow(), 0);
}

void tst_OutlineTextView::selections()
{
    CViewFixture f;
    f.Open("a b+ (c) d");
    CZumraView &v = f.View();
    f.Node("a")->m_Item.m_Text.SetString(kx_gen::_String("alpha"));
    v.OnUpdate(CZumraView::kHintRecalcAll);
    COutlineNode *a = f.Node("alpha");
    COutlineNode *c = f.Node("c");
    // A text selection inside one item, made backwards.
    v.SetCaret(COutlinePos(4, 0, a));
    v.SetCaret(COutlinePos(1, 0, a), true);
    QVERIFY(v.HasSelection());
    QVERIFY(!v.IsBlockSelection());
    QCOMPARE(v.GetSelStart(), COutlinePos(1, 0, a));
    QCOMPARE(v.GetSelEnd(), COutlinePos(4, 0, a));
    // Extended into another item: whole items, in display order.
    v.SetCaret(COutlinePos(0, 0, c), true);
    QVERIFY(v.IsBlockSelection());
    QCOMPARE(v.GetSelStart(), COutlinePos(0, 0, a));
    QCOMPARE(v.GetSelEnd(), COutlinePos(1, 0, c));
    QCOMPARE(int(v.GetSelItems().size()), 3);
    QCOMPARE(v.GetSelItems()[1], f.Node("b"));
    // A plain caret move collapses it.
    v.SetCaret(COutlinePos(2, 0, a));
    QVERIFY(!v.HasSelection());
    QVERIFY(v.GetSelItems().empty());
    // Positions that do not exist are clamped or refused.
    v.SetCaret(COutlinePos(99, 7, a));
    QCOMPARE(v.GetCaret(), COutlinePos(5, 0, a));
    v.SetCaret(COutlinePos());
    QCOMPARE(v.GetCaret(), COutlinePos(5, 0, a));
}

void tst_OutlineTextView::hidingCheckedItemsMovesTheCaret()
{
    CViewFixture f;
    f.Open("a x:b c");
    CZumraView &v = f.View();
    v.SetCaret(COutlinePos(0, 0, f.Node("b")));
    v.ApplyCheckMode(CZumraView::kHideCheckedItems);
    QCOMPARE(f.Caret(), QStringLiteral("a@0:1"));
    QCOMPARE(v.Geometry().TotalRows(), 2);
    // Checking the caret's item while checked items are hidden moves it too.
    v.SetCaret(COutlinePos(0, 0, f.Node("c")));
    f.m_Man.ToggleCheck(f.Node("c"));
    v.OutlineChanged();
    QCOMPARE(f.Caret(), QStringLiteral("a@0:0"));
    QCOMPARE(v.Geometry().TotalRows(), 1);
    v.ApplyCheckMode(CZumraView::kHideCheckBoxes);
    QCOMPARE(v.Geometry().TotalRows(), 3);
    QVERIFY(v.Geometry().SymbolRect(f.Node("a"), COutlineHit::kCheckBox).isEmpty());
}

void tst_OutlineTextView::clickPlacesTheCaret()
{
    CViewFixture f;
    f.Open("first second third");
    CZumraView &v = f.View();
    COutlineNode *second = f.Node("second");
    QPoint point;
    QVERIFY(v.PointFromPos(COutlinePos(3, 0, second), &point));
    QTest::mouseClick(v.viewport(), Qt::LeftButton, {}, point + QPoint(1, 2));
    QCOMPARE(f.Caret(), QStringLiteral("second@0:3"));
    QVERIFY(v.PointFromPos(COutlinePos(2, 0, f.Node("third")), &point));
    QTest::mouseClick(v.viewport(), Qt::LeftButton, Qt::ShiftModifier, point + QPoint(1, 2));
    QVERIFY(v.IsBlockSelection());
    // Below the last row: the end of the last item.
    QTest::mouseClick(
        v.viewport(), Qt::LeftButton, {}, QPoint(200, 3 * v.Geometry().RowHeight() + 3));
    QCOMPARE(f.Caret(), QStringLiteral("third@0:5"));
}

void tst_OutlineTextView::statusText()
{
    CViewFixture f;
    f.Open("a b");
    CZumraView &v = f.View();
    f.Node("a")->m_Item.m_Text.SetString(kx_gen::_String("one\rtwo\rthree"));
    v.OnUpdate(CZumraView::kHintRecalcAll);
    v.SetCaret(COutlinePos(0, 0, f.Node("one\r\ntwo\r\nthree")));
    QCOMPARE(v.GetStatusText(), QStringLiteral("Ln 1, Col 1"));
    // Lines count rows, not items.
    const int moves = f.m_Host.m_nCaretMoves;
    v.SetCaret(COutlinePos(1, 0, f.Node("b")));
    QCOMPARE(v.GetStatusText(), QStringLiteral("Ln 4, Col 2"));
    QCOMPARE(f.m_Host.m_nCaretMoves, moves + 1);
    // A row more above the caret moves its line number.
    COutlineNode *a = f.m_Man.GetFirstVisible();
    CTextPos end;
    QVERIFY(f.m_Man.InsertText(a, { 0, 0 }, kx_gen::_String("zero\r"), &end));
    QCOMPARE(v.GetStatusText(), QStringLiteral("Ln 5, Col 2"));
}

QTEST_MAIN(tst_OutlineTextView)
#include "tst_outlinetextview.moc"
