// Dragging items: the level and the place a drop takes from the pointer,
// moves and copies within a view, between windows, into the Filing Cabinet
// and onto its button, text from other programs, and the guarantees of a
// move: the source keeps its items unless the target took all of them.

#include "DragTestSupport.h"

#include "DropTarget.h"
#include "KXClipboard.h"
#include "OutlineCommands.h"
#include "UndoOutlineMan.h"

#include <QSignalSpy>
#include <QToolButton>

namespace {

using namespace outline_cmd;

QString Dump(const COutlineMan &man)
{
    return QString::fromStdString(man.DebugDump().str());
}

// A drag loop that drops on `target` at `points` with `modifiers`.
std::function<Qt::DropAction(QDrag &)> DropOn(
    QWidget *target, std::vector<QPoint> points, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    return [target, points, modifiers](
               QDrag &drag) { return DragOver(target, drag.mimeData(), points, modifiers); };
}

} // namespace

class tst_DragDrop : public QObject {
    Q_OBJECT
private slots:
    void levelFromThePointer();
    void dropPlacesWithinAView();
    void dropOnOwnDescendantsIsRefused();
    void ctrlCopiesAndOwnPlaceDoesNothing();
    void blockMovesInOneUndoStep();
    void moveBetweenWindowsKeepsBothHistories();
    void failedTargetKeepsTheSourceItems();
    void conflictsMessageOnceOnTheDrop();
    void filingCabinetAppendsAtTheEnd();
    void filingCabinetButton();
    void textFromAnotherProgram();
    void dragDataAndPicture();
    void feedbackIsDrawnWhileOver();
};

void tst_DragDrop::levelFromThePointer()
{
    CViewFixture f;
    f.Open("a+ (b+ (c)) d");
    CEditDropTargetImpl &target = f.View().DropTarget();
    const COutlineLayout &layout = f.View().Layout();
    for (int level = 0; level < 3; ++level) {
        const int left = layout.m_xExpander[level];
        QCOMPARE(target.LevelAt(left + 1), level);
        QCOMPARE(target.LevelAt(left + layout.m_nExpanderWidth / 2), level);
        QCOMPARE(target.LevelAt(left + layout.m_nExpanderWidth - 1), level);
    }
    // Both edges belong to a column: where two columns touch, the
    // shallower level has it.
    QCOMPARE(target.LevelAt(layout.m_xExpander[0]), 0);
    const int edge = layout.m_xExpander[9] + layout.m_nExpanderWidth;
    QCOMPARE(target.LevelAt(edge), 9);
    // Left of every column, and over the text, the level is 0.
    QCOMPARE(target.LevelAt(layout.m_xExpander[0] - 1), 0);
    QCOMPARE(target.LevelAt(layout.m_xText[9] + 50), 0);
}

void tst_DragDrop::dropPlacesWithinAView()
{
    struct Case {
        const char *name;
        int level; // -1: the top half of the first row
        const char *before;
        const char *expected;
    };
    const Case cases[] = {
        { "before c at level 1 goes under a", 1, "c", "a (b d) c" },
        { "before c at level 0 follows a", 0, "c", "a (b) d c" },
        { "deeper than the item above is one below it", 5, "c", "a (b (d)) c" },
        { "the top half of the first row is before everything", -1, "a", "d a (b) c" },
        { "below the last row is after it", 0, nullptr, "a (b) c d" },
    };
    for (const Case &c : cases) {
        CViewFixture f;
        f.Open<CScriptedView>("a+ (b) c d");
        auto &view = static_cast<CScriptedView &>(f.View());
        QPoint point;
        if (c.level < 0) {
            point = QPoint(2, 2);
        } else if (c.before) {
            point = AtLevel(view, f.Node(c.before), c.level);
        } else {
            point
                = AtLevel(view, f.Node("d"), c.level) + QPoint(0, 3 * view.Geometry().RowHeight());
        }
        // Dropping "d" after itself changes nothing; the cases that move
        // it compare the tree.
        view.m_DragLoop = DropOn(view.viewport(), { point });
        StartDrag(view, f.Node("d"));
        QCOMPARE(view.m_nDrags, 1);
        QVERIFY2(Dump(f.m_Man) == QLatin1String(c.expected),
            qPrintable(QStringLiteral("%1: %2").arg(QLatin1String(c.name), Dump(f.m_Man))));
        QCOMPARE(view.GetDropMode(), CZumraView::kDropNone);
        QVERIFY(!view.GetDragItem());
        if (QLatin1String(c.expected) != QLatin1String("a (b) c d")) {
            QCOMPARE(f.Caret(), QStringLiteral("d@0:0"));
            // One undo step takes the move back.
            QVERIFY(view.RunCommand(kUndo));
            QCOMPARE(Dump(f.m_Man), QStringLiteral("a (b) c d"));
        }
    }
}

void tst_DragDrop::dropOnOwnDescendantsIsRefused()
{
    CViewFixture f;
    f.Open<CScriptedView>("a+ (b+ (c)) d");
    auto &view = static_cast<CScriptedView &>(f.View());
    // Below c at a deeper level would put a inside its own subtree: the
    // feedback stays on a's own line and the drop changes nothing.
    int modeSeen = -1;
    COutlineNode *itemSeen = nullptr;
    view.m_DragLoop = [&](QDrag &drag) {
        return DragOver(view.viewport(), drag.mimeData(), { AtLevel(view, f.Node("d"), 3) },
            Qt::NoModifier, [&] {
                modeSeen = view.GetDropMode();
                itemSeen = view.GetDropItem();
            });
    };
    StartDrag(view, f.Node("a"));
    QCOMPARE(modeSeen, int(COutlineMan::kDropBelow));
    QCOMPARE(TextOf(itemSeen), std::string("a"));
    QCOMPARE(Dump(f.m_Man), QStringLiteral("a (b (c)) d"));
    QVERIFY(!f.m_Man.GetUndo()->CanUndo());
}

void tst_DragDrop::ctrlCopiesAndOwnPlaceDoesNothing()
{
    CViewFixture f;
    f.Open<CScriptedView>("a b+ (c) d");
    auto &view = static_cast<CScriptedView &>(f.View());
    // Ctrl copies the item with its subtree.
    view.m_DragLoop = DropOn(view.viewport(), { QPoint(2, 2) }, Qt::ControlModifier);
    StartDrag(view, f.Node("b"));
    QCOMPARE(Dump(f.m_Man), QStringLiteral("b (c) a b (c) d"));
    QVERIFY(view.RunCommand(kUndo));
    QCOMPARE(Dump(f.m_Man), QStringLiteral("a b (c) d"));

    // Dropped where it is, at its own level, nothing happens and no undo
    // step is left.
    const int undoBefore = f.m_Man.GetUndo()->CanUndo();
    view.m_DragLoop = DropOn(view.viewport(), { AtLevel(view, f.Node("b"), 0) });
    StartDrag(view, f.Node("b"));
    QCOMPARE(Dump(f.m_Man), QStringLiteral("a b (c) d"));
    QCOMPARE(int(f.m_Man.GetUndo()->CanUndo()), undoBefore);
}

void tst_DragDrop::blockMovesInOneUndoStep()
{
    CViewFixture f;
    f.Open<CScriptedView>("a b c d e");
    auto &view = static_cast<CScriptedView &>(f.View());
    view.SetSelection(COutlinePos(0, 0, f.Node("b")), COutlinePos(1, 0, f.Node("c")));
    QVERIFY(view.IsBlockSelection());
    const QPoint below = AtLevel(view, f.Node("e"), 0) + QPoint(0, 3 * view.Geometry().RowHeight());
    view.m_DragLoop = DropOn(view.viewport(), { below });
    // The press inside the block starts the block's drag.
    QPoint press;
    view.PointFromPos(COutlinePos(0, 0, f.Node("b")), &press);
    press += QPoint(2, view.Geometry().RowHeight() / 2);
    QTest::mousePress(view.viewport(), Qt::LeftButton, Qt::NoModifier, press);
    QTest::mouseMove(view.viewport(), press + QPoint(0, CZumraView::kDragThreshold + 2));
    QTest::mouseRelease(view.viewport(), Qt::LeftButton, Qt::NoModifier, press);
    QCOMPARE(Dump(f.m_Man), QStringLiteral("a d e b c"));
    QCOMPARE(f.Caret(), QStringLiteral("b@0:0"));
    QVERIFY(view.RunCommand(kUndo));
    QCOMPARE(Dump(f.m_Man), QStringLiteral("a b c d e"));

    // Into the block itself it never goes.
    view.SetSelection(COutlinePos(0, 0, f.Node("b")), COutlinePos(1, 0, f.Node("c")));
    view.m_DragLoop = DropOn(view.viewport(), { AtLevel(view, f.Node("c"), 1) });
    view.PointFromPos(COutlinePos(0, 0, f.Node("b")), &press);
    press += QPoint(2, view.Geometry().RowHeight() / 2);
    QTest::mousePress(view.viewport(), Qt::LeftButton, Qt::NoModifier, press);
    QTest::mouseMove(view.viewport(), press + QPoint(0, CZumraView::kDragThreshold + 2));
    QTest::mouseRelease(view.viewport(), Qt::LeftButton, Qt::NoModifier, press);
    QCOMPARE(Dump(f.m_Man), QStringLiteral("a b c d e"));
    QVERIFY(!f.m_Man.GetUndo()->CanUndo());
}

void tst_DragDrop::moveBetweenWindowsKeepsBothHistories()
{
    CViewFixture source;
    source.Open<CScriptedView>("a b+ (c) d");
    CViewFixture target;
    target.Open("x y");
    auto &from = static_cast<CScriptedView &>(source.View());
    const QPoint end = AtLevel(target.View(), target.Node("y"), 0)
        + QPoint(0, 3 * target.View().Geometry().RowHeight());
    from.m_DragLoop = DropOn(target.View().viewport(), { end });
    StartDrag(from, source.Node("b"));
    QCOMPARE(Dump(target.m_Man), QStringLiteral("x y b (c)"));
    QCOMPARE(Dump(source.m_Man), QStringLiteral("a d"));
    QCOMPARE(target.Caret(), QStringLiteral("b@0:0"));

    // Each window undoes its own half in one step.
    QVERIFY(from.RunCommand(kUndo));
    QCOMPARE(Dump(source.m_Man), QStringLiteral("a b (c) d"));
    QVERIFY(target.View().RunCommand(kUndo));
    QCOMPARE(Dump(target.m_Man), QStringLiteral("x y"));
    QVERIFY(from.RunCommand(kRedo));
    QCOMPARE(Dump(source.m_Man), QStringLiteral("a d"));

    // With Ctrl the source keeps its items.
    from.m_DragLoop = DropOn(target.View().viewport(), { QPoint(2, 2) }, Qt::ControlModifier);
    StartDrag(from, source.Node("d"));
    QCOMPARE(Dump(target.m_Man), QStringLiteral("d x y"));
    QCOMPARE(Dump(source.m_Man), QStringLiteral("a d"));
}

void tst_DragDrop::failedTargetKeepsTheSourceItems()
{
    CViewFixture source;
    source.Open<CScriptedView>("a b c");
    CViewFixture target;
    target.Open("x");
    auto &from = static_cast<CScriptedView &>(source.View());
    // The target cannot read what arrives (a damaged block): it takes
    // nothing, so the move must not take the items from the source.
    from.m_DragLoop = [&](QDrag &drag) {
        CItemDragData damaged;
        damaged.m_pSource = &from;
        QByteArray bytes = drag.mimeData()->data(CKXClipboard::OutlineFormat());
        bytes.truncate(bytes.size() / 3);
        damaged.setData(CKXClipboard::OutlineFormat(), bytes);
        const Qt::DropAction answer
            = DragOver(target.View().viewport(), &damaged, { QPoint(2, 2) });
        // A loop that reports a move all the same must not lose the items.
        return answer == Qt::IgnoreAction ? Qt::MoveAction : answer;
    };
    StartDrag(from, source.Node("b"));
    QCOMPARE(Dump(source.m_Man), QStringLiteral("a b c"));
    QCOMPARE(Dump(target.m_Man), QStringLiteral("x"));
    QVERIFY(!source.m_Man.GetUndo()->CanUndo());
}

void tst_DragDrop::conflictsMessageOnceOnTheDrop()
{
    CViewFixture source;
    source.Open<CScriptedView>("a b");
    CViewFixture target;
    target.m_Host.m_bConflict = true;
    target.Open("x");
    auto &from = static_cast<CScriptedView &>(source.View());
    const QPoint p = AtLevel(target.View(), target.Node("x"), 0);
    int messagesBeforeDrop = -1;
    from.m_DragLoop = [&](QDrag &drag) {
        return DragOver(target.View().viewport(), drag.mimeData(),
            { p, p + QPoint(3, 0), p + QPoint(6, 1), p + QPoint(9, 2) }, Qt::NoModifier,
            [&] { messagesBeforeDrop = int(target.m_Host.m_Messages.size()); });
    };
    StartDrag(from, source.Node("b"));
    QCOMPARE(messagesBeforeDrop, 0);
    QCoreApplication::processEvents();
    QCOMPARE(target.m_Host.m_Messages.size(), 1);
    QVERIFY(target.m_Host.m_Messages.front().startsWith(QStringLiteral("The conflicts folder")));
    QCOMPARE(Dump(source.m_Man), QStringLiteral("a b"));
    QCOMPARE(Dump(target.m_Man), QStringLiteral("x"));
}

void tst_DragDrop::filingCabinetAppendsAtTheEnd()
{
    CViewFixture source;
    source.Open<CScriptedView>("a b+ (c) d");
    CViewFixture cabinet;
    cabinet.m_Host.m_bCabinet = true;
    cabinet.Open("x+ (y) z");
    auto &from = static_cast<CScriptedView &>(source.View());
    // Wherever it is dropped, it lands after the last item, at the top.
    from.m_DragLoop = DropOn(cabinet.View().viewport(), { QPoint(2, 2) }, Qt::ControlModifier);
    StartDrag(from, source.Node("b"));
    QCOMPARE(Dump(cabinet.m_Man), QStringLiteral("x (y) z b (c)"));
    QCOMPARE(Dump(source.m_Man), QStringLiteral("a b (c) d"));
    from.m_DragLoop
        = DropOn(cabinet.View().viewport(), { AtLevel(cabinet.View(), cabinet.Node("y"), 1) });
    StartDrag(from, source.Node("d"));
    QCOMPARE(Dump(cabinet.m_Man), QStringLiteral("x (y) z b (c) d"));
    QCOMPARE(Dump(source.m_Man), QStringLiteral("a b (c)"));
    QVERIFY(cabinet.View().RunCommand(kUndo));
    QCOMPARE(Dump(cabinet.m_Man), QStringLiteral("x (y) z b (c)"));
}

void tst_DragDrop::filingCabinetButton()
{
    CViewFixture source;
    source.Open<CScriptedView>("a b c");
    CViewFixture cabinet;
    cabinet.m_Host.m_bCabinet = true;
    cabinet.Open("x");
    QToolButton button;
    button.resize(30, 30);
    int asked = 0;
    new CTrashCanDropTarget(&button, [&]() -> CZumraView * {
        ++asked;
        return &cabinet.View();
    });
    auto &from = static_cast<CScriptedView &>(source.View());
    bool downWhileOver = false;
    from.m_DragLoop = [&](QDrag &drag) {
        return DragOver(&button, drag.mimeData(), { QPoint(10, 10) }, Qt::NoModifier,
            [&] { downWhileOver = button.isDown(); });
    };
    StartDrag(from, source.Node("b"));
    QVERIFY(downWhileOver);
    QVERIFY(!button.isDown());
    QCOMPARE(asked, 1);
    QCOMPARE(Dump(cabinet.m_Man), QStringLiteral("x b"));
    QCOMPARE(Dump(source.m_Man), QStringLiteral("a c"));

    // With Ctrl the items are copied; plain text is not taken at all.
    from.m_DragLoop = [&](QDrag &drag) {
        return DragOver(&button, drag.mimeData(), { QPoint(10, 10) }, Qt::ControlModifier);
    };
    StartDrag(from, source.Node("c"));
    QCOMPARE(Dump(cabinet.m_Man), QStringLiteral("x b c"));
    QCOMPARE(Dump(source.m_Man), QStringLiteral("a c"));
    QMimeData text;
    text.setText(QStringLiteral("words"));
    QCOMPARE(DragOver(&button, &text, { QPoint(10, 10) }), Qt::IgnoreAction);
    QCOMPARE(Dump(cabinet.m_Man), QStringLiteral("x b c"));
}

void tst_DragDrop::textFromAnotherProgram()
{
    CViewFixture f;
    f.Open("alpha beta");
    CZumraView &view = f.View();
    QMimeData text;
    text.setText(QStringLiteral("new "));
    QPoint at;
    view.PointFromPos(COutlinePos(0, 0, f.Node("beta")), &at);
    at += QPoint(1, view.Geometry().RowHeight() / 2);
    QCOMPARE(DragOver(view.viewport(), &text, { at }), Qt::MoveAction);
    QCOMPARE(Dump(f.m_Man), QStringLiteral("alpha new beta"));
    QVERIFY(view.RunCommand(kUndo));
    QCOMPARE(Dump(f.m_Man), QStringLiteral("alpha beta"));
    // Lines become items, as a paste makes them; Ctrl answers copy.
    text.setText(QStringLiteral("one\ntwo\n"));
    QCOMPARE(DragOver(view.viewport(), &text, { at }, Qt::ControlModifier), Qt::CopyAction);
    QVERIFY(Dump(f.m_Man).contains(QStringLiteral("one")));
    QVERIFY(Dump(f.m_Man).contains(QStringLiteral("two")));
}

void tst_DragDrop::dragDataAndPicture()
{
    CViewFixture f;
    f.Open("a b+ (c) d");
    CZumraView &view = f.View();
    std::unique_ptr<QMimeData> data(view.MakeDragData(f.Node("b"), nullptr, nullptr));
    QVERIFY(data);
    QVERIFY(data->hasFormat(CKXClipboard::OutlineFormat()));
    QCOMPARE(data->text(), QStringLiteral("b\n"));
    const QPixmap picture = view.DragPixmap(f.Node("b"), nullptr, nullptr);
    QVERIFY(!picture.isNull());
    QCOMPARE(qRound(picture.height() / picture.devicePixelRatio()), view.Geometry().RowHeight());
    // A block's picture shows each of its rows.
    const QPixmap block = view.DragPixmap(nullptr, f.Node("a"), f.Node("d"));
    QCOMPARE(qRound(block.height() / block.devicePixelRatio()), 4 * view.Geometry().RowHeight());
}

void tst_DragDrop::feedbackIsDrawnWhileOver()
{
    CViewFixture f;
    f.Open<CScriptedView>("a b c");
    auto &view = static_cast<CScriptedView &>(f.View());
    const QPoint over = AtLevel(view, f.Node("b"), 0);
    QImage during;
    view.m_DragLoop = [&](QDrag &drag) {
        // Leave instead of dropping: nothing changes, the line goes away.
        const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction;
        QDragEnterEvent enter(over, offered, drag.mimeData(), Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(view.viewport(), &enter);
        during = view.viewport()->grab().toImage();
        QDragLeaveEvent leave;
        QCoreApplication::sendEvent(view.viewport(), &leave);
        return Qt::IgnoreAction;
    };
    StartDrag(view, f.Node("c"));
    QCOMPARE(view.GetDropMode(), CZumraView::kDropNone);
    QCOMPARE(Dump(f.m_Man), QStringLiteral("a b c"));
    // A line in the highlight colour on the top edge of b's row, from the
    // level's expander column on.
    QPoint row;
    view.PointFromPos(COutlinePos(0, 0, f.Node("b")), &row);
    const int x = view.Layout().m_xExpander[0] + 30;
    const qreal ratio = during.devicePixelRatio();
    const QColor line = during.pixelColor(qRound(x * ratio), qRound(row.y() * ratio));
    QCOMPARE(line.rgb(), view.GetColor(4).rgb());
    const QImage after = view.viewport()->grab().toImage();
    QVERIFY(after.pixelColor(qRound(x * ratio), qRound(row.y() * ratio)).rgb() != line.rgb());
}

QTEST_MAIN(tst_DragDrop)
#include "tst_dragdrop.moc"
