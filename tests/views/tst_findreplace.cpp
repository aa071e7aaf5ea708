// Searching the outline: where a search starts and what it skips, the
// messages of Find, Find Next and Replace All, Replace's one undo step,
// regular expressions, notes, the dialogs' settings, and the find bar.

#include "DragTestSupport.h"

#include "AppStrings.h"
#include "FindBar.h"
#include "FindReplaceDlg.h"
#include "OutlineCommands.h"
#include "QtStrings.h"
#include "UndoOutlineMan.h"

#include "kx_gen/AppRegistry.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

namespace {

using namespace outline_cmd;

QString Dump(const COutlineMan &man)
{
    return QString::fromStdString(man.DebugDump().str());
}

CTextMatcher Matcher(const QString &text, unsigned flags = 0)
{
    CFindOptions options;
    options.m_strText = text;
    options.m_nFlags = flags;
    CTextMatcher matcher;
    matcher.Prepare(options, nullptr);
    return matcher;
}

// The selected text of the view.
QString Selected(const CZumraView &view)
{
    const COutlinePos &a = view.GetSelStart();
    const COutlinePos &b = view.GetSelEnd();
    if (a.m_pItem != b.m_pItem)
        return QStringLiteral("<block>");
    return ToQString(a.m_pItem->m_Item.m_Text.GetRange(
        COutlineEditView::ParaOf(a), COutlineEditView::ParaOf(b)));
}

CFindOptions Options(const QString &text, unsigned flags = 0)
{
    CFindOptions options;
    options.m_strText = text;
    options.m_nFlags = flags;
    return options;
}

} // namespace

class tst_FindReplace : public QObject {
    Q_OBJECT
private slots:
    void searchRules();
    void hiddenCheckedItemsAreSkipped();
    void findDialogWrapsAndFindNextDoesNot();
    void findPreviousGoesBack();
    void replaceAllIsOneUndoStep();
    void replaceOneByOne();
    void replaceWithTheSameTextDoesNothing();
    void regularExpressions();
    void invalidPatternStaysInTheDialog();
    void notesAreSearchedOnRequest();
    void settingsAreKept();
    void findBarMarksAsYouType();
};

void tst_FindReplace::searchRules()
{
    CViewFixture f;
    f.Open("swords Word word");
    CZumraView &view = f.View();
    // Upwards without a start there is nothing to find.
    QVERIFY(!view.SearchFrom(Matcher(QStringLiteral("word")), nullptr, CTextPos(), true, false));
    // Without match case the capitals find the lower case, and the caret
    // ends after the match.
    QVERIFY(view.SearchFrom(Matcher(QStringLiteral("WORD")), nullptr, CTextPos(), false, false));
    QCOMPARE(f.Caret(), QStringLiteral("swords@0:5"));
    QCOMPARE(Selected(view), QStringLiteral("word"));
    // Whole words skip "swords"; match case skips "Word".
    const unsigned whole = CFindOptions::kWholeWord;
    QVERIFY(
        view.SearchFrom(Matcher(QStringLiteral("word"), whole), nullptr, CTextPos(), false, false));
    QCOMPARE(f.Caret(), QStringLiteral("Word@0:4"));
    QVERIFY(view.SearchFrom(Matcher(QStringLiteral("word"), whole | CFindOptions::kMatchCase),
        nullptr, CTextPos(), false, false));
    QCOMPARE(view.GetCaret().m_pItem, f.m_Man.GetLastVisible());
    QCOMPARE(view.GetCaret().m_nChar, 4);
    // Backwards the caret goes to the match's start.
    QVERIFY(view.SearchFrom(Matcher(QStringLiteral("Word"), CFindOptions::kMatchCase),
        f.m_Man.GetLastVisible(), CTextPos { 0, 0 }, true, false));
    QCOMPARE(f.Caret(), QStringLiteral("Word@0:0"));
    QCOMPARE(view.GetAnchor().m_nChar, 4);
}

void tst_FindReplace::hiddenCheckedItemsAreSkipped()
{
    CViewFixture f;
    MakeOutline(f.m_Man, "a x:secret+ (inner) b");
    f.SetStoredMode(2);
    f.Show();
    CZumraView &view = f.View();
    QVERIFY(!view.SearchFrom(Matcher(QStringLiteral("secret")), nullptr, CTextPos(), false, true));
    QVERIFY(!view.SearchFrom(Matcher(QStringLiteral("inner")), nullptr, CTextPos(), false, true));
    // Shown again, they are found.
    view.RunCommand(kShowCheckBoxes);
    QVERIFY(view.SearchFrom(Matcher(QStringLiteral("inner")), nullptr, CTextPos(), false, true));
    QCOMPARE(f.Caret(), QStringLiteral("inner@0:5"));
}

void tst_FindReplace::findDialogWrapsAndFindNextDoesNot()
{
    CViewFixture f;
    f.Open<CScriptedView>("apple banana cherry");
    auto &view = static_cast<CScriptedView &>(f.View());
    view.SetCaret(COutlinePos(0, 0, f.Node("cherry")));
    QVERIFY(!view.IsCommandEnabled(kFindNext));
    // The dialog searches round the end: "an" lies before the caret.
    bool accepted = false;
    view.m_DialogLoop = [&](QDialog &dialog) {
        auto &find = static_cast<CFindTextDlg &>(dialog);
        find.FindEdit()->setText(QStringLiteral("an"));
        find.FindNextButton()->click();
        accepted = dialog.result() == QDialog::Accepted;
        return dialog.result();
    };
    QVERIFY(view.RunCommand(kFind));
    QVERIFY(accepted);
    QCOMPARE(f.Caret(), QStringLiteral("banana@0:3"));
    QVERIFY(view.IsCommandEnabled(kFindNext));
    // Find Next goes on without wrapping: the second and third "an", then
    // the message.
    QVERIFY(view.RunCommand(kFindNext));
    QCOMPARE(f.Caret(), QStringLiteral("banana@0:5"));
    QVERIFY(f.m_Host.m_Messages.isEmpty());
    QVERIFY(view.RunCommand(kFindNext));
    QCOMPARE(f.m_Host.m_Messages, QStringList { QStringLiteral("Cannot find string\"an\"") });

    // A text that is nowhere: the message, and the dialog stays open.
    f.m_Host.m_Messages.clear();
    view.m_DialogLoop = [&](QDialog &dialog) {
        auto &find = static_cast<CFindTextDlg &>(dialog);
        find.FindEdit()->setText(QStringLiteral("kiwi"));
        find.FindNextButton()->click();
        accepted = dialog.result() == QDialog::Accepted;
        return int(QDialog::Rejected);
    };
    QVERIFY(view.RunCommand(kFind));
    QVERIFY(!accepted);
    QCOMPARE(f.m_Host.m_Messages, QStringList { QStringLiteral("Cannot find string\"kiwi\"") });
}

void tst_FindReplace::findPreviousGoesBack()
{
    CViewFixture f;
    f.Open<CScriptedView>("one two one three one");
    auto &view = static_cast<CScriptedView &>(f.View());
    view.RememberSearch(Options(QStringLiteral("one")));
    view.SetCaret(CZumraView::ItemEnd(f.Node("three")));
    QVERIFY(view.RunCommand(kFindPrevious));
    QCOMPARE(f.Caret(), QStringLiteral("one@0:0"));
    QCOMPARE(view.GetCaret().m_pItem, f.m_Man.GetPrevVisible(f.Node("three")));
    // Once more: the first one; then nothing before it.
    QVERIFY(view.RunCommand(kFindPrevious));
    QCOMPARE(view.GetCaret().m_pItem, f.m_Man.GetFirstVisible());
    QVERIFY(view.RunCommand(kFindPrevious));
    QCOMPARE(f.m_Host.m_Messages.size(), 1);
    // The direction stays Down for Find Next.
    QVERIFY(view.RunCommand(kFindNext));
    QCOMPARE(f.Caret(), QStringLiteral("one@0:3"));
}

void tst_FindReplace::replaceAllIsOneUndoStep()
{
    CViewFixture f;
    f.Open<CScriptedView>("cat catalogue+ (a cat) dog x:cat");
    auto &view = static_cast<CScriptedView &>(f.View());
    view.m_DialogLoop = [&](QDialog &dialog) {
        auto &replace = static_cast<CEditReplaceDlg &>(dialog);
        replace.FindEdit()->setText(QStringLiteral("cat"));
        replace.ReplaceEdit()->setText(QStringLiteral("bird"));
        replace.Button(CEditReplaceDlg::kReplaceAll)->click();
        return int(QDialog::Rejected);
    };
    QVERIFY(view.RunCommand(kReplace));
    QCOMPARE(Dump(f.m_Man), QStringLiteral("bird birdalogue (a bird) dog bird"));
    QCOMPARE(f.m_Host.m_Messages, QStringList { QStringLiteral("Finished replace all") });
    QVERIFY(view.RunCommand(kUndo));
    QCOMPARE(Dump(f.m_Man), QStringLiteral("cat catalogue (a cat) dog cat"));
    QVERIFY(!f.m_Man.GetUndo()->CanUndo());

    // Nothing to replace: the search's message, then the end's.
    f.m_Host.m_Messages.clear();
    view.m_DialogLoop = [&](QDialog &dialog) {
        auto &replace = static_cast<CEditReplaceDlg &>(dialog);
        replace.FindEdit()->setText(QStringLiteral("emu"));
        replace.ReplaceEdit()->setText(QStringLiteral("bird"));
        replace.Button(CEditReplaceDlg::kReplaceAll)->click();
        return int(QDialog::Rejected);
    };
    QVERIFY(view.RunCommand(kReplace));
    QCOMPARE(f.m_Host.m_Messages,
        (QStringList {
            QStringLiteral("Cannot find string\"emu\""), QStringLiteral("Finished replace all") }));
    QVERIFY(!f.m_Man.GetUndo()->CanUndo());
}

void tst_FindReplace::replaceOneByOne()
{
    CViewFixture f;
    f.Open<CScriptedView>("red green red blue");
    auto &view = static_cast<CScriptedView &>(f.View());
    view.SetCaret(COutlinePos(0, 0, f.Node("green")));
    view.m_DialogLoop = [&](QDialog &dialog) {
        auto &replace = static_cast<CEditReplaceDlg &>(dialog);
        replace.FindEdit()->setText(QStringLiteral("red"));
        replace.ReplaceEdit()->setText(QStringLiteral("pink"));
        QPushButton *findNext = replace.Button(CEditReplaceDlg::kFindNext);
        QPushButton *replaceOne = replace.Button(CEditReplaceDlg::kReplaceOne);
        findNext->click(); // the "red" after green
        replaceOne->click(); // replaced; nothing follows: the message
        replaceOne->click(); // from the outline's start: the first "red"
        replaceOne->click(); // replaced
        return int(QDialog::Rejected);
    };
    QVERIFY(view.RunCommand(kReplace));
    QCOMPARE(Dump(f.m_Man), QStringLiteral("pink green pink blue"));
    QCOMPARE(f.m_Host.m_Messages.size(), 2);
    QCOMPARE(f.m_Host.m_Messages.front(), QStringLiteral("Cannot find string\"red\""));
    QVERIFY(view.RunCommand(kUndo));
    QCOMPARE(Dump(f.m_Man), QStringLiteral("red green red blue"));
}

void tst_FindReplace::replaceWithTheSameTextDoesNothing()
{
    CViewFixture f;
    f.Open<CScriptedView>("same same");
    auto &view = static_cast<CScriptedView &>(f.View());
    view.BeginReplace();
    view.ReplaceAction(
        CEditReplaceDlg::kReplaceAll, Options(QStringLiteral("same")), QStringLiteral("same"));
    view.ReplaceAction(
        CEditReplaceDlg::kReplaceOne, Options(QStringLiteral("same")), QStringLiteral("same"));
    QVERIFY(f.m_Host.m_Messages.isEmpty());
    QCOMPARE(Dump(f.m_Man), QStringLiteral("same same"));
}

void tst_FindReplace::regularExpressions()
{
    CViewFixture f;
    f.Open<CScriptedView>("ann@home bob@work plain");
    auto &view = static_cast<CScriptedView &>(f.View());
    view.m_DialogLoop = [&](QDialog &dialog) {
        auto &replace = static_cast<CEditReplaceDlg &>(dialog);
        replace.RegexBox()->setChecked(true);
        replace.FindEdit()->setText(QStringLiteral("(\\w+)@(\\w+)"));
        replace.ReplaceEdit()->setText(QStringLiteral("\\2:$1 $$"));
        replace.Button(CEditReplaceDlg::kReplaceAll)->click();
        return int(QDialog::Rejected);
    };
    QVERIFY(view.RunCommand(kReplace));
    QCOMPARE(Dump(f.m_Man), QStringLiteral("home:ann $ work:bob $ plain"));
    QVERIFY(view.RunCommand(kUndo));
    // Whole words hold for expressions too; matches are never empty.
    QVERIFY(view.SearchFrom(
                Matcher(QStringLiteral("o\\w*"), CFindOptions::kRegex | CFindOptions::kWholeWord),
                nullptr, CTextPos(), false, false)
        == false);
    QVERIFY(view.SearchFrom(
        Matcher(QStringLiteral("b*o"), CFindOptions::kRegex), nullptr, CTextPos(), false, false));
    QCOMPARE(Selected(view), QStringLiteral("o"));
    QCOMPARE(view.GetCaret().m_pItem, f.Node("ann@home"));
}

void tst_FindReplace::invalidPatternStaysInTheDialog()
{
    CFindOptions options = Options(QStringLiteral("(unclosed"), CFindOptions::kRegex);
    CTextMatcher matcher;
    QString error;
    QVERIFY(!matcher.Prepare(options, &error));
    QVERIFY(!error.isEmpty());

    CFindTextDlg find(options);
    QVERIFY(!find.FindNextButton()->isEnabled());
    QVERIFY(find.ErrorText().contains(QStringLiteral("not valid")));
    bool asked = false;
    find.m_onFindNext = [&](const CFindOptions &) { return asked = true; };
    find.FindNextButton()->click();
    QVERIFY(!asked);
    // Without the expression box the same text is plain and fine.
    find.RegexBox()->setChecked(false);
    QVERIFY(find.FindNextButton()->isEnabled());
    QVERIFY(find.ErrorText().isEmpty());
    // An empty text only disables the button.
    find.FindEdit()->clear();
    QVERIFY(!find.FindNextButton()->isEnabled());
    QVERIFY(find.ErrorText().isEmpty());

    CEditReplaceDlg replace(options, QString());
    for (int action = CEditReplaceDlg::kFindNext; action <= CEditReplaceDlg::kReplaceAll; ++action)
        QVERIFY(!replace.Button(action)->isEnabled());
}

void tst_FindReplace::notesAreSearchedOnRequest()
{
    CViewFixture f;
    f.Open<CScriptedView>("first second third");
    f.m_Man.SetNote(f.Node("second"), kx_gen::_String("a hidden treasure"));
    f.m_Man.SetNote(f.Node("third"), kx_gen::_String("another treasure"));
    auto &view = static_cast<CScriptedView &>(f.View());
    QVERIFY(
        !view.SearchFrom(Matcher(QStringLiteral("treasure")), nullptr, CTextPos(), false, true));
    view.RememberSearch(Options(QStringLiteral("treasure"), CFindOptions::kNotes));
    view.SetCaret(COutlinePos(0, 0, f.Node("first")));
    QVERIFY(view.RunCommand(kFindNext));
    QCOMPARE(view.GetCaret().m_pItem, f.Node("second"));
    // The next search goes on past that note, to the next one.
    QVERIFY(view.RunCommand(kFindNext));
    QCOMPARE(view.GetCaret().m_pItem, f.Node("third"));
    QVERIFY(view.RunCommand(kFindNext));
    QCOMPARE(f.m_Host.m_Messages.size(), 1);
}

void tst_FindReplace::settingsAreKept()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    ::setenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit().constData(), 1);
    kx_gen::CAppRegistry settings("Larkwell", "Idealoom");
    CFindOptions options
        = Options(QStringLiteral("caf\u00e9"), CFindOptions::kMatchCase | CFindOptions::kRegex);
    const QString with = QStringLiteral("tea");
    SaveFindSettings(&settings, "Replace", options, &with);
    SaveFindSettings(
        &settings, "Find", Options(QStringLiteral("x"), CFindOptions::kWholeWord), nullptr);
    CFindOptions read;
    QString readWith;
    LoadFindSettings(&settings, "Replace", &read, &readWith);
    QCOMPARE(read.m_strText, options.m_strText);
    QCOMPARE(read.m_nFlags, options.m_nFlags);
    QCOMPARE(readWith, with);
    settings.OpenSection("Find");
    std::int32_t wholeWord = 0;
    QVERIFY(settings.ReadInt("WholeWord", wholeWord));
    QCOMPARE(wholeWord, 1);
    kx_gen::_String findWhat;
    QVERIFY(settings.ReadString("FindWhat", findWhat));
    QCOMPARE(std::string(findWhat.c_str()), std::string("x"));
    settings.CloseSection();
    // Missing values are the defaults.
    LoadFindSettings(&settings, "Nothing", &read, &readWith);
    QVERIFY(read.m_strText.isEmpty() && read.m_nFlags == 0 && readWith.isEmpty());
}

void tst_FindReplace::findBarMarksAsYouType()
{
    CViewFixture f;
    f.Open("alpha beta alphabet gamma");
    CZumraView &view = f.View();
    // A selected word becomes the bar's text.
    view.SetSelection(COutlinePos(1, 0, f.Node("beta")), COutlinePos(3, 0, f.Node("beta")));
    QVERIFY(view.RunCommand(kFindBar));
    QCOMPARE(view.FindBar()->Edit()->text(), QStringLiteral("et"));
    view.FindBar()->Close();
    view.SetCaret(COutlinePos(0, 0, f.Node("beta")));
    QVERIFY(view.RunCommand(kFindBar));
    view.FindBar()->Edit()->clear();
    CFindBar *bar = view.FindBar();
    QVERIFY(bar->isVisible());
    QVERIFY(bar->Edit()->hasFocus() || !view.window()->isActiveWindow());
    // Typing searches from where the bar was opened and marks every match.
    QTest::keyClicks(bar->Edit(), QStringLiteral("alp"));
    QCOMPARE(f.Caret(), QStringLiteral("alphabet@0:3"));
    QCOMPARE(view.CountVisibleMatches(), 2);
    QCOMPARE(bar->CountLabel()->text(), QStringLiteral("2 in view"));
    QTest::keyClicks(bar->Edit(), QStringLiteral("ha "));
    QCOMPARE(bar->CountLabel()->text(), QStringLiteral("No match"));
    QTest::keyClick(bar->Edit(), Qt::Key_Backspace);
    // Enter steps on round the end; Shift+Enter back.
    QTest::keyClick(bar->Edit(), Qt::Key_Return);
    QCOMPARE(f.Caret(), QStringLiteral("alpha@0:5"));
    QTest::keyClick(bar->Edit(), Qt::Key_Return, Qt::ShiftModifier);
    QCOMPARE(view.GetCaret().m_pItem, f.Node("alphabet"));
    // Tab goes to the bar's text, never to the outline.
    const QString before = Dump(f.m_Man);
    QTest::keyClick(bar->Edit(), Qt::Key_Tab);
    QCOMPARE(Dump(f.m_Man), before);
    // Escape closes the bar and takes the marks away; F3 repeats its text.
    QTest::keyClick(bar->Edit(), Qt::Key_Escape);
    QVERIFY(!bar->isVisible());
    QCOMPARE(view.CountVisibleMatches(), 0);
    QVERIFY(view.IsCommandEnabled(kFindNext));
}

QTEST_MAIN(tst_FindReplace)
#include "tst_findreplace.moc"
