// Editing in the outline view with the keyboard and the mouse: splitting
// and joining items, typing and undoing it, the item commands' rules, the
// mouse on the row symbols, characters the outline cannot store, and the
// status text.

#include "DragTestSupport.h"
#include "OutlineCommands.h"
#include "ViewFixture.h"

#include "QtStrings.h"
#include "UndoOutlineMan.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QSignalSpy>
#include <QStandardPaths>

namespace {

using namespace outline_cmd;

std::string Dump(COutlineMan &man)
{
    return man.DebugDump(COutlineMan::kDumpLevels).str();
}

} // namespace

class tst_OutlineEditView : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void enterSplitsAtTheCaret();
    void backspaceJoinsAndUndoes();
    void backspaceRefusesAnItemWithChildrenOnce();
    void deleteNeverJoinsForwards();
    void typingUndoesWordByWord();
    void overwriteKeepsLineBreaks();
    void tabIndentsOnlyWhereItCan();
    void caretMovesByWordAndToTheEnds();
    void expanderClickAndDragThreshold();
    void checkBoxClickIsUndoable();
    void doubleClickSelectsAWord();
    void refusesCharactersOutsideTheCodePage();
    void conflictsRefuseEditing();
    void statusShowsRowAndColumn();
    void undoTextNamesTheCommand();
    void rowTotalsFollowInsertsAndRemovals();
    void hidingCheckedItemsMovesTheCaret();
    void contextMenusOfferTheirCommands();
    void deleteCheckedAsksFirst();
    void everyCommandHasItsText();
    void pagesKeepTheCaretsPlaceOnTheScreen();
    void itemCommandsAndTheirUndo();
    void mouseSelectsTextAndBlocks();
    void pasteItemGoesAfterTheCaretsItem();
};

void tst_OutlineEditView::enterSplitsAtTheCaret()
{
    CViewFixture f;
    f.Open("x");
    COutlineNode *x = f.Node("x");
    x->m_Item.m_Text.SetString(kx_gen::_String("one two"));
    f.View().WrapItem(x, true);
    f.View().SetCaret(COutlinePos(3, 0, x));
    QTest::keyClick(&f.View(), Qt::Key_Return);
    // The space goes with the second word into the new item.
    QCOMPARE(Dump(f.m_Man), std::string("one:0  two:0"));
    QCOMPARE(f.Caret(), QStringLiteral(" two@0:0"));
    QVERIFY(f.m_Host.m_bModified);

    // At the end of an item: an empty next item.
    f.View().SetCaret(COutlinePos(4, 0, f.View().GetCaret().m_pItem));
    QTest::keyClick(&f.View(), Qt::Key_Return);
    QCOMPARE(Dump(f.m_Man), std::string("one:0  two:0 :0"));
    QCOMPARE(f.Caret(), QStringLiteral("@0:0"));

    // Both undo to the one item.
    QVERIFY(f.View().RunCommand(kUndo));
    QVERIFY(f.View().RunCommand(kUndo));
    QCOMPARE(Dump(f.m_Man), std::string("one two:0"));
}

void tst_OutlineEditView::backspaceJoinsAndUndoes()
{
    CViewFixture f;
    f.Open("alpha beta");
    f.View().SetCaret(COutlinePos(0, 0, f.Node("beta")));
    QTest::keyClick(&f.View(), Qt::Key_Backspace);
    QCOMPARE(Dump(f.m_Man), std::string("alphabeta:0"));
    // The caret stands where the first item ended.
    QCOMPARE(f.Caret(), QStringLiteral("alphabeta@0:5"));

    QVERIFY(f.View().RunCommand(kUndo));
    QCOMPARE(Dump(f.m_Man), std::string("alpha:0 beta:0"));
    QVERIFY(f.View().RunCommand(kRedo));
    QCOMPARE(Dump(f.m_Man), std::string("alphabeta:0"));

    // Inside an item Backspace deletes the character before the caret, a
    // line break at a paragraph's start.
    COutlineNode *node = f.Node("alphabeta");
    node->m_Item.m_Text.SetString(kx_gen::_String("ab\rcd"));
    f.View().WrapItem(node, true);
    f.View().SetCaret(COutlinePos(0, 1, node));
    QTest::keyClick(&f.View(), Qt::Key_Backspace);
    QCOMPARE(TextOf(node), std::string("abcd"));
    QCOMPARE(f.Caret(), QStringLiteral("abcd@0:2"));
}

void tst_OutlineEditView::backspaceRefusesAnItemWithChildrenOnce()
{
    CViewFixture f;
    f.Open("a b+ (c)");
    f.View().SetCaret(COutlinePos(0, 0, f.Node("b")));
    QTest::keyClick(&f.View(), Qt::Key_Backspace);
    QCOMPARE(Dump(f.m_Man), std::string("a:0 b:0 (c:1)"));
    // The outline tells the user; the view does not say it again.
    QCOMPARE(f.m_Sink.m_Messages.size(), std::size_t(1));
    QVERIFY(f.m_Host.m_Messages.isEmpty());
    // A refused join leaves no undo step behind.
    QVERIFY(!f.m_Man.GetUndo()->CanUndo());

    // At the very start of the outline nothing happens.
    f.View().SetCaret(COutlinePos(0, 0, f.Node("a")));
    QTest::keyClick(&f.View(), Qt::Key_Backspace);
    QCOMPARE(Dump(f.m_Man), std::string("a:0 b:0 (c:1)"));
}

void tst_OutlineEditView::deleteNeverJoinsForwards()
{
    CViewFixture f;
    f.Open("ab cd");
    f.View().SetCaret(COutlinePos(2, 0, f.Node("ab")));
    QTest::keyClick(&f.View(), Qt::Key_Delete);
    QCOMPARE(Dump(f.m_Man), std::string("ab:0 cd:0"));
    f.View().SetCaret(COutlinePos(0, 0, f.Node("ab")));
    QTest::keyClick(&f.View(), Qt::Key_Delete);
    QCOMPARE(Dump(f.m_Man), std::string("b:0 cd:0"));
}

void tst_OutlineEditView::typingUndoesWordByWord()
{
    CViewFixture f;
    f.Open("x");
    COutlineNode *x = f.Node("x");
    f.View().SetCaret(COutlinePos(1, 0, x));
    QTest::keyClicks(&f.View(), QStringLiteral("ab cd"));
    QCOMPARE(TextOf(x), std::string("xab cd"));
    QCOMPARE(f.Caret(), QStringLiteral("xab cd@0:6"));

    QVERIFY(f.View().RunCommand(kUndo));
    QCOMPARE(TextOf(x), std::string("xab"));
    QVERIFY(f.View().RunCommand(kUndo));
    QCOMPARE(TextOf(x), std::string("x"));
    QVERIFY(!f.m_Man.GetUndo()->CanUndo());

    // Moving the caret ends a run: typing elsewhere is a step of its own.
    QVERIFY(f.View().RunCommand(kRedo));
    f.View().RunCommand(kTextHome);
    QTest::keyClicks(&f.View(), QStringLiteral("z"));
    QCOMPARE(TextOf(x), std::string("zxab"));
    QVERIFY(f.View().RunCommand(kUndo));
    QCOMPARE(TextOf(x), std::string("xab"));

    // Typing over a text selection replaces it.
    f.View().SetSelection(COutlinePos(1, 0, x), COutlinePos(3, 0, x));
    QTest::keyClicks(&f.View(), QStringLiteral("Q"));
    QCOMPARE(TextOf(x), std::string("xQ"));
}

void tst_OutlineEditView::overwriteKeepsLineBreaks()
{
    CViewFixture f;
    f.Open("x");
    COutlineNode *x = f.Node("x");
    x->m_Item.m_Text.SetString(kx_gen::_String("ab\rcd"));
    f.View().WrapItem(x, true);
    f.View().SetCaret(COutlinePos(1, 0, x));
    QTest::keyClick(&f.View(), Qt::Key_Insert);
    QVERIFY(f.View().IsOverwrite());
    QTest::keyClicks(&f.View(), QStringLiteral("XYZ"));
    // "b" was overwritten; at the paragraph's end typing inserts.
    QCOMPARE(TextOf(x), std::string("aXYZ\r\ncd"));
    QTest::keyClick(&f.View(), Qt::Key_Insert);
    QVERIFY(!f.View().IsOverwrite());
}

void tst_OutlineEditView::tabIndentsOnlyWhereItCan()
{
    CViewFixture f;
    f.Open("a+ (b) c");
    f.View().setFocus();
    // The first child of its parent cannot go deeper.
    f.View().SetCaret(COutlinePos(0, 0, f.Node("b")));
    f.View().UpdateCommandStates();
    QVERIFY(!f.View().Action(kMoveRight)->isEnabled());
    QTest::keyClick(&f.View(), Qt::Key_Tab);
    QCOMPARE(Dump(f.m_Man), std::string("a:0 (b:1) c:0"));
    QVERIFY(!f.m_Man.GetUndo()->CanUndo());

    f.View().SetCaret(COutlinePos(1, 0, f.Node("c")));
    f.View().UpdateCommandStates();
    QVERIFY(f.View().Action(kMoveRight)->isEnabled());
    QTest::keyClick(&f.View(), Qt::Key_Tab);
    QCOMPARE(Dump(f.m_Man), std::string("a:0 (b:1 c:1)"));
    // The caret keeps its place in the text.
    QCOMPARE(f.Caret(), QStringLiteral("c@0:1"));
    QTest::keyClick(&f.View(), Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(Dump(f.m_Man), std::string("a:0 (b:1) c:0"));

    // Each action is named by its command id.
    QCOMPARE(f.View().Action(kMoveRight)->objectName(), QStringLiteral("32780"));
}

void tst_OutlineEditView::caretMovesByWordAndToTheEnds()
{
    CViewFixture f;
    f.Open("x y");
    COutlineNode *x = f.Node("x");
    x->m_Item.m_Text.SetString(kx_gen::_String("one, two"));
    f.View().WrapItem(x, true);
    f.View().SetCaret(COutlinePos(0, 0, x));
    f.View().RunCommand(kWordRight);
    QCOMPARE(f.Caret(), QStringLiteral("one, two@0:3"));
    f.View().RunCommand(kWordRight);
    QCOMPARE(f.Caret(), QStringLiteral("one, two@0:5"));
    f.View().RunCommand(kWordRight);
    QCOMPARE(f.Caret(), QStringLiteral("one, two@0:8"));
    // At the end of the last paragraph: the next item.
    f.View().RunCommand(kWordRight);
    QCOMPARE(f.Caret(), QStringLiteral("y@0:0"));
    f.View().RunCommand(kWordLeft);
    QCOMPARE(f.Caret(), QStringLiteral("one, two@0:5"));

    f.View().RunCommand(kTextEndExtend);
    QVERIFY(f.View().IsBlockSelection());
    // A selection collapses to its start with Left.
    f.View().RunCommand(kCharLeft);
    QVERIFY(!f.View().HasSelection());
    f.View().RunCommand(kTextEnd);
    QCOMPARE(f.Caret(), QStringLiteral("y@0:1"));
    f.View().RunCommand(kCharRight);
    QCOMPARE(f.Caret(), QStringLiteral("y@0:1"));
    f.View().RunCommand(kHome);
    f.View().RunCommand(kCharLeft);
    QCOMPARE(f.Caret(), QStringLiteral("one, two@0:8"));
}

void tst_OutlineEditView::expanderClickAndDragThreshold()
{
    CViewFixture f;
    // The drag loop is scripted: a real one would wait for the mouse.
    f.Open<CScriptedView>("a+ (b) c");
    COutlineNode *a = f.Node("a");
    QSignalSpy drags(&f.View(), &CZumraView::itemDragRequested);
    const QPoint press = Centre(f.View().Geometry().SymbolRect(a, COutlineHit::kExpander));
    QWidget *viewport = f.View().viewport();

    // Within the threshold the release is a click: the branch collapses.
    QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, press);
    QVERIFY(f.View().IsDragPending());
    QTest::mouseMove(viewport, press + QPoint(CZumraView::kDragThreshold, 0));
    QTest::mouseRelease(
        viewport, Qt::LeftButton, Qt::NoModifier, press + QPoint(CZumraView::kDragThreshold, 0));
    QVERIFY(!a->m_Item.m_bExpanded);
    QCOMPARE(drags.count(), 0);
    QVERIFY(f.View().IsCustomExpansion());

    // One pixel more starts a drag, and the release toggles nothing.
    const QPoint again = Centre(f.View().Geometry().SymbolRect(a, COutlineHit::kExpander));
    QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, again);
    QTest::mouseMove(viewport, again + QPoint(0, CZumraView::kDragThreshold + 1));
    QCOMPARE(drags.count(), 1);
    QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, again);
    QVERIFY(!a->m_Item.m_bExpanded);
}

void tst_OutlineEditView::checkBoxClickIsUndoable()
{
    CViewFixture f;
    f.Open("a b");
    COutlineNode *b = f.Node("b");
    QTest::mouseClick(f.View().viewport(), Qt::LeftButton, Qt::NoModifier,
        Centre(f.View().Geometry().SymbolRect(b, COutlineHit::kCheckBox)));
    QVERIFY(b->m_Item.m_bChecked);
    QCOMPARE(f.Caret(), QStringLiteral("b@0:0"));
    QVERIFY(f.View().RunCommand(kUndo));
    QVERIFY(!b->m_Item.m_bChecked);

    // Checked and hidden: the caret goes to the end of the item before.
    f.View().RunCommand(kHideCheckedItems);
    QTest::mouseClick(f.View().viewport(), Qt::LeftButton, Qt::NoModifier,
        Centre(f.View().Geometry().SymbolRect(b, COutlineHit::kCheckBox)));
    QVERIFY(b->m_Item.m_bChecked);
    QCOMPARE(f.Caret(), QStringLiteral("a@0:1"));
}

void tst_OutlineEditView::doubleClickSelectsAWord()
{
    CViewFixture f;
    f.Open("x");
    COutlineNode *x = f.Node("x");
    x->m_Item.m_Text.SetString(kx_gen::_String("red green blue"));
    f.View().WrapItem(x, true);
    QPoint at;
    QVERIFY(f.View().PointFromPos(COutlinePos(6, 0, x), &at));
    at += QPoint(2, f.View().Geometry().RowHeight() / 2);
    QTest::mouseDClick(f.View().viewport(), Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseRelease(f.View().viewport(), Qt::LeftButton, Qt::NoModifier, at);
    QCOMPARE(f.View().GetSelStart().m_nChar, 4);
    QCOMPARE(f.View().GetSelEnd().m_nChar, 9);

    // A click inside the selection places the caret on release.
    QTest::mouseClick(f.View().viewport(), Qt::LeftButton, Qt::NoModifier, at);
    QVERIFY(!f.View().HasSelection());
    QCOMPARE(f.Caret(), QStringLiteral("red green blue@0:6"));
}

void tst_OutlineEditView::refusesCharactersOutsideTheCodePage()
{
    CViewFixture f;
    f.Open("x");
    COutlineNode *x = f.Node("x");
    f.View().SetCaret(COutlinePos(1, 0, x));
    // Windows-1252 holds the euro sign and accented letters.
    for (const QString &typed : { QStringLiteral("\u20AC"), QStringLiteral("\u00E9") })
        QTest::sendKeyEvent(QTest::Press, &f.View(), Qt::Key_unknown, typed, Qt::NoModifier);
    QCOMPARE(TextOf(x), std::string("x\x80\xE9"));
    QVERIFY(f.m_Host.m_StatusMessages.isEmpty());

    // A Greek letter it does not: refused and said, nothing lost quietly.
    QTest::sendKeyEvent(
        QTest::Press, &f.View(), Qt::Key_unknown, QStringLiteral("\u03A9"), Qt::NoModifier);
    QCOMPARE(TextOf(x), std::string("x\x80\xE9"));
    QCOMPARE(f.m_Host.m_StatusMessages.size(), 1);
    QVERIFY(f.m_Host.m_StatusMessages.front().contains(QStringLiteral("\u03A9")));
}

void tst_OutlineEditView::conflictsRefuseEditing()
{
    CViewFixture f;
    f.m_Host.m_bConflict = true;
    f.Open("a b");
    f.View().SetCaret(COutlinePos(1, 0, f.Node("a")));
    QTest::keyClicks(&f.View(), QStringLiteral("z"));
    QTest::keyClick(&f.View(), Qt::Key_Return);
    QCOMPARE(Dump(f.m_Man), std::string("a:0 b:0"));
    QCOMPARE(f.m_Host.m_Messages.size(), 2);
    QVERIFY(f.m_Host.m_Messages.front().startsWith(QStringLiteral("The conflicts folder")));
}

void tst_OutlineEditView::statusShowsRowAndColumn()
{
    CViewFixture f;
    f.Open("a bcd");
    f.View().SetCaret(COutlinePos(2, 0, f.Node("bcd")));
    QCOMPARE(f.View().GetStatusText(), QStringLiteral("Ln 2, Col 3"));
    QTest::keyClick(&f.View(), Qt::Key_Return);
    QCOMPARE(f.View().GetStatusText(), QStringLiteral("Ln 3, Col 1"));
}

void tst_OutlineEditView::undoTextNamesTheCommand()
{
    CViewFixture f;
    f.Open("a b");
    f.View().UpdateCommandStates();
    QVERIFY(!f.View().Action(kUndo)->isEnabled());
    f.View().SetCaret(COutlinePos(0, 0, f.Node("b")));
    QTest::keyClick(&f.View(), Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(Dump(f.m_Man), std::string("a:0 b:0 :0"));
    f.View().UpdateCommandStates();
    QAction *undo = f.View().Action(kUndo);
    QVERIFY(undo->isEnabled());
    kx_gen::_String label;
    f.m_Man.GetUndo()->GetLabelText(CUndoOutlineMan::kLabelCreateNode, label);
    QCOMPARE(undo->text(), QStringLiteral("&Undo ") + ToQString(label));
    QVERIFY(f.View().RunCommand(kUndo));
    f.View().UpdateCommandStates();
    QCOMPARE(f.View().Action(kRedo)->text(), QStringLiteral("&Redo ") + ToQString(label));
}

void tst_OutlineEditView::rowTotalsFollowInsertsAndRemovals()
{
    // Items come and go without counting every row again; the totals and
    // the top row's number must stay what a count gives.
    std::string line;
    for (int i = 0; i < 30; ++i)
        line += "i" + std::to_string(i) + (i == 3 ? "+ (c1 c2) " : " ");
    CViewFixture f;
    f.Open(line);
    COutlineGeometry &g = f.View().Geometry();
    f.View().ScrollToRow(12);
    const auto check = [&] {
        const int total = g.TotalRows();
        const int top = g.TopRow();
        const COutlinePos topPos = g.Top();
        g.InvalidateRows();
        QCOMPARE(g.TotalRows(), total);
        QCOMPARE(g.TopRow(), top);
        QCOMPARE(g.Top(), topPos);
    };
    // Above the top row.
    f.View().SetCaret(COutlinePos(0, 0, f.Node("i1")));
    f.View().RunCommand(kNewItem);
    check();
    f.View().ScrollToRow(12);
    check();
    f.m_Man.DeleteItem(f.Node("i2"));
    check();
    f.m_Man.DeleteItem(f.Node("c1"));
    check();
    // At the caret, below the top.
    f.View().SetCaret(COutlinePos(1, 0, f.Node("i20")));
    QTest::keyClick(&f.View(), Qt::Key_Return);
    check();
    QTest::keyClick(&f.View(), Qt::Key_Backspace);
    check();
    while (f.m_Man.GetUndo()->CanUndo()) {
        f.View().RunCommand(kUndo);
        check();
    }
    QCOMPARE(g.TotalRows(), 32);
}

void tst_OutlineEditView::hidingCheckedItemsMovesTheCaret()
{
    CViewFixture f;
    f.Open("ab x:cd");
    f.View().SetCaret(COutlinePos(1, 0, f.Node("cd")));
    QVERIFY(f.View().RunCommand(kHideCheckedItems));
    QCOMPARE(f.Caret(), QStringLiteral("ab@0:2"));
    f.View().UpdateCommandStates();
    QVERIFY(f.View().Action(kHideCheckedItems)->isChecked());
    QVERIFY(!f.View().Action(kShowCheckBoxes)->isChecked());

    // Nothing left to show: a new empty item takes the caret.
    CViewFixture all;
    all.Open("x:a x:b");
    all.View().SetCaret(COutlinePos(0, 0, all.Node("b")));
    QVERIFY(all.View().RunCommand(kHideCheckedItems));
    QCOMPARE(all.Caret(), QStringLiteral("@0:0"));
    QCOMPARE(all.m_Man.DebugDump(COutlineMan::kDumpChecked).str(), std::string("x:a x:b "));
}

void tst_OutlineEditView::contextMenusOfferTheirCommands()
{
    CViewFixture f;
    f.Open("a");
    const auto ids = [&](int menu) {
        std::unique_ptr<QMenu> popup(f.View().MakeContextMenu(menu));
        QStringList names;
        for (QAction *action : popup->actions()) {
            if (!action->isSeparator())
                names << action->objectName();
        }
        return names.join(QLatin1Char(' '));
    };
    QCOMPARE(ids(CZumraView::kNoteMenu), QStringLiteral("32953 32954"));
    QCOMPARE(ids(CZumraView::kDrawingMenu), QStringLiteral("32955 32956"));
    QCOMPARE(ids(CZumraView::kItemMenu),
        QStringLiteral("57635 57634 57637 57642 32961 32963 32964 32786 32785 32806 32787 32839 "
                       "32807 32808"));
    // Without an item under a menu its note commands do nothing.
    QVERIFY(!f.View().IsCommandEnabled(kDeleteNote));
}

void tst_OutlineEditView::deleteCheckedAsksFirst()
{
    CViewFixture f;
    f.Open("a x:b+ (c) d");
    f.m_Host.m_bAnswerYes = false;
    f.View().RunCommand(kDeleteChecked);
    QCOMPARE(f.m_Host.m_Questions.size(), 1);
    QCOMPARE(Dump(f.m_Man), std::string("a:0 b:0 (c:1) d:0"));
    f.m_Host.m_bAnswerYes = true;
    f.View().RunCommand(kDeleteChecked);
    QCOMPARE(Dump(f.m_Man), std::string("a:0 d:0"));
    QCOMPARE(f.Caret(), QStringLiteral("a@0:1"));
    QVERIFY(f.View().RunCommand(kUndo));
    QCOMPARE(Dump(f.m_Man), std::string("a:0 b:0 (c:1) d:0"));
}

void tst_OutlineEditView::everyCommandHasItsText()
{
    CViewFixture f;
    f.Open("a");
    for (const CCommandInfo &info : OutlineCommands()) {
        QAction *action = f.View().Action(info.m_nId);
        QVERIFY(action);
        QVERIFY2(!action->text().isEmpty(), qPrintable(action->objectName()));
        QCOMPARE(CommandForKey(info.m_Keys.value(0)), info.m_Keys.isEmpty() ? 0 : info.m_nId);
    }
    QCOMPARE(f.View().Action(kNewItem)->text(), QStringLiteral("&New Item"));
}

void tst_OutlineEditView::pagesKeepTheCaretsPlaceOnTheScreen()
{
    std::string line;
    for (int i = 0; i < 40; ++i)
        line += "i" + std::to_string(i) + " ";
    CViewFixture f;
    f.Open(line, 8);
    const COutlineGeometry &g = f.View().Geometry();
    f.View().SetCaret(COutlinePos(1, 0, f.Node("i2")));
    QTest::keyClick(&f.View(), Qt::Key_PageDown);
    const int top = g.TopRow();
    QVERIFY(top > 0);
    QCOMPARE(g.RowNumber(f.View().GetCaret()), top + 2);
    QCOMPARE(f.View().GetCaret().m_nChar, 1);
    // Page Up puts the caret on the new top row.
    QTest::keyClick(&f.View(), Qt::Key_PageUp);
    QCOMPARE(g.RowNumber(f.View().GetCaret()), g.TopRow());
    // Past the end: the end of the last row.
    for (int i = 0; i < 10; ++i)
        QTest::keyClick(&f.View(), Qt::Key_PageDown);
    QCOMPARE(f.Caret(), QStringLiteral("i39@0:3"));
    // Ctrl+Home and Shift+Ctrl+End: a block of every item.
    QTest::keyClick(&f.View(), Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(f.Caret(), QStringLiteral("i0@0:0"));
    QTest::keyClick(&f.View(), Qt::Key_End, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(int(f.View().GetSelItems().size()), 40);
}

void tst_OutlineEditView::itemCommandsAndTheirUndo()
{
    CViewFixture f;
    f.Open("a b+ (c) d");
    f.View().SetCaret(COutlinePos(0, 0, f.Node("b")));
    QTest::keyClick(&f.View(), Qt::Key_Down, Qt::AltModifier);
    QCOMPARE(Dump(f.m_Man), std::string("a:0 d:0 b:0 (c:1)"));
    QTest::keyClick(&f.View(), Qt::Key_Up, Qt::AltModifier);
    QTest::keyClick(&f.View(), Qt::Key_Up, Qt::AltModifier);
    QCOMPARE(Dump(f.m_Man), std::string("b:0 (c:1) a:0 d:0"));
    // The first item cannot go up: nothing happens, and no step is kept.
    const int steps = f.m_Man.GetUndo()->GetGroupCount();
    QTest::keyClick(&f.View(), Qt::Key_Up, Qt::AltModifier);
    QCOMPARE(f.m_Man.GetUndo()->GetGroupCount(), steps);

    QVERIFY(f.View().RunCommand(kDuplicateItem));
    QCOMPARE(Dump(f.m_Man), std::string("b:0 (c:1) b:0 (c:1) a:0 d:0"));
    QCOMPARE(f.Caret(), QStringLiteral("b@0:0"));
    QVERIFY(f.View().RunCommand(kDeleteItem));
    QCOMPARE(Dump(f.m_Man), std::string("b:0 (c:1) a:0 d:0"));

    // Keypad minus and plus collapse and expand without an undo step.
    const int before = f.m_Man.GetUndo()->GetGroupCount();
    QTest::keyClick(&f.View(), Qt::Key_Minus, Qt::KeypadModifier);
    QVERIFY(!f.Node("b")->m_Item.m_bExpanded);
    QTest::keyClick(&f.View(), Qt::Key_Plus, Qt::KeypadModifier);
    QVERIFY(f.Node("b")->m_Item.m_bExpanded);
    QCOMPARE(f.m_Man.GetUndo()->GetGroupCount(), before);

    while (f.m_Man.GetUndo()->CanUndo())
        QVERIFY(f.View().RunCommand(kUndo));
    QCOMPARE(Dump(f.m_Man), std::string("a:0 b:0 (c:1) d:0"));
}

void tst_OutlineEditView::mouseSelectsTextAndBlocks()
{
    CViewFixture f;
    f.Open("alpha beta gamma");
    QWidget *viewport = f.View().viewport();
    const auto pointAt = [&](const char *item, int ch) {
        QPoint p;
        f.View().PointFromPos(COutlinePos(ch, 0, f.Node(item)), &p);
        return p + QPoint(1, f.View().Geometry().RowHeight() / 2);
    };
    // Dragging within an item selects text.
    QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, pointAt("alpha", 1));
    QTest::mouseMove(viewport, pointAt("alpha", 4));
    QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, pointAt("alpha", 4));
    QCOMPARE(f.View().GetSelStart().m_nChar, 1);
    QCOMPARE(f.View().GetSelEnd().m_nChar, 4);
    QVERIFY(!f.View().IsSelecting());

    // Across items it becomes a block of whole items (a press inside the
    // text selection would keep it for dragging).
    QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, pointAt("alpha", 0));
    QTest::mouseMove(viewport, pointAt("gamma", 1));
    QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, pointAt("gamma", 1));
    QVERIFY(f.View().IsBlockSelection());
    QCOMPARE(int(f.View().GetSelItems().size()), 3);

    // Shift+click extends from the anchor.
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, pointAt("beta", 1));
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::ShiftModifier, pointAt("beta", 3));
    QCOMPARE(f.View().GetSelStart().m_nChar, 1);
    QCOMPARE(f.View().GetSelEnd().m_nChar, 3);
    // Ctrl+click selects the word.
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::ControlModifier, pointAt("gamma", 2));
    QCOMPARE(f.View().GetSelStart(), COutlinePos(0, 0, f.Node("gamma")));
    QCOMPARE(f.View().GetSelEnd(), COutlinePos(5, 0, f.Node("gamma")));
}

void tst_OutlineEditView::pasteItemGoesAfterTheCaretsItem()
{
    CViewFixture f;
    f.Open("a b c");
    f.View().SetCaret(COutlinePos(0, 0, f.Node("a")));
    QVERIFY(f.View().RunCommand(kCopyItem));
    f.View().SetCaret(COutlinePos(0, 0, f.Node("b")));
    QVERIFY(f.View().RunCommand(kPasteItem));
    QCOMPARE(Dump(f.m_Man), std::string("a:0 b:0 a:0 c:0"));
}

QTEST_MAIN(tst_OutlineEditView)
#include "tst_outlineeditview.moc"
