// Items and text through the clipboard: copying and pasting items between
// outlines, rich text from other programs becoming items by their indents,
// plain text, and cuts that keep the items when the copy fails; the Filing
// Cabinet transfers.

#include "KXClipboard.h"
#include "OutlineCommands.h"
#include "UndoOutlineMan.h"
#include "ViewFixture.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QStandardPaths>

namespace {

using namespace outline_cmd;

std::string Dump(COutlineMan &man)
{
    return man.DebugDump(COutlineMan::kDumpLevels).str();
}

void PutOnClipboard(const QString &format, const QByteArray &data, const QString &text = {})
{
    auto *mime = new QMimeData;
    if (!format.isEmpty())
        mime->setData(format, data);
    if (!text.isEmpty())
        mime->setText(text);
    QGuiApplication::clipboard()->setMimeData(mime);
}

const QByteArray kIndentedRtf("{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0\\fswiss Arial;}}"
                              "{\\colortbl;\\red0\\green0\\blue0;}"
                              "\\pard\\li0 Zero\\par"
                              "\\pard\\li720 One\\par"
                              "\\pard\\li1440 Two\\par"
                              "\\pard\\li720\\par"
                              "\\pard\\li720 Again\\par"
                              "\\pard\\li360 Between\\par}");

} // namespace

class tst_OutlineClipboard : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void cleanup() { CKXClipboard::SetUnavailable(false); }
    void formatNameEndsInABlank();
    void copyItemAndPasteInAnotherOutline();
    void pastedItemsKeepTheirDepthBelowTheFirst();
    void richTextIndentsBecomeLevels();
    void singleNodePreferencePastesText();
    void htmlListsBecomeLevels();
    void plainTextLinesBecomeItems();
    void textSelectionCopyAndCut();
    void failedCopyKeepsTheItems();
    void pastedCharactersOutsideTheCodePageAreRefused();
    void filingCabinetTransfers();
};

void tst_OutlineClipboard::formatNameEndsInABlank()
{
    QCOMPARE(CKXClipboard::OutlineFormat().size(), 16);
    QVERIFY(CKXClipboard::OutlineFormat().endsWith(QLatin1Char(' ')));
}

void tst_OutlineClipboard::copyItemAndPasteInAnotherOutline()
{
    CViewFixture from;
    from.Open("a b+ (c) d");
    from.View().SetCaret(COutlinePos(0, 0, from.Node("b")));
    QVERIFY(from.View().RunCommand(kCopyItem));
    const QMimeData *mime = QGuiApplication::clipboard()->mimeData();
    QVERIFY(mime->hasFormat(CKXClipboard::OutlineFormat()));
    QCOMPARE(mime->text(), QStringLiteral("b\nc\n"));

    CViewFixture to;
    to.Open("x y");
    to.View().SetCaret(COutlinePos(1, 0, to.Node("x")));
    QVERIFY(to.View().RunCommand(kPaste));
    QCOMPARE(Dump(to.m_Man), std::string("x:0 b:0 (c:1) y:0"));
    // Pasted items are new records for the handheld.
    QCOMPARE(to.Node("b")->m_Item.m_nId, 0u);
    // The caret stays where it was.
    QCOMPARE(to.Caret(), QStringLiteral("x@0:1"));
    QVERIFY(to.View().RunCommand(kUndo));
    QCOMPARE(Dump(to.m_Man), std::string("x:0 y:0"));

    // Cut Item copies, then deletes the item with its subtree.
    QVERIFY(from.View().RunCommand(kCutItem));
    QCOMPARE(Dump(from.m_Man), std::string("a:0 d:0"));
    to.View().SetCaret(COutlinePos(0, 0, to.Node("y")));
    QVERIFY(to.View().RunCommand(kPasteItem));
    QCOMPARE(Dump(to.m_Man), std::string("x:0 y:0 b:0 (c:1)"));
}

void tst_OutlineClipboard::pastedItemsKeepTheirDepthBelowTheFirst()
{
    CViewFixture from;
    from.Open("a+ (b+ (c+ (d+ (e f))))");
    from.View().SetCaret(COutlinePos(0, 0, from.Node("d")));
    QVERIFY(from.View().RunCommand(kCopyItem));
    CViewFixture to;
    to.Open("x");
    to.View().SetCaret(COutlinePos(0, 0, to.Node("x")));
    QVERIFY(to.View().RunCommand(kPaste));
    QCOMPARE(Dump(to.m_Man), std::string("x:0 d:0 (e:1 f:1)"));
}

void tst_OutlineClipboard::richTextIndentsBecomeLevels()
{
    CViewFixture f;
    f.Open("x");
    f.View().SetCaret(COutlinePos(0, 0, f.Node("x")));
    PutOnClipboard(QStringLiteral("text/rtf"), kIndentedRtf, QStringLiteral("plain"));
    QVERIFY(f.View().RunCommand(kPaste));
    // Indents 0, 720, 1440, 720 and 360; the empty paragraph is dropped.
    QCOMPARE(Dump(f.m_Man), std::string("x:0 Zero:0 (One:1 (Two:2) Again:1) Between:0"));
    QVERIFY(f.View().RunCommand(kUndo));
    QCOMPARE(Dump(f.m_Man), std::string("x:0"));
}

void tst_OutlineClipboard::singleNodePreferencePastesText()
{
    CViewFixture f;
    f.m_Host.m_bSingleNode = true;
    f.Open("x");
    f.View().SetCaret(COutlinePos(1, 0, f.Node("x")));
    PutOnClipboard(QStringLiteral("text/rtf"), kIndentedRtf, QStringLiteral("Zero\nOne"));
    QVERIFY(f.View().RunCommand(kPaste));
    // One item: the lines become its paragraphs.
    QCOMPARE(Dump(f.m_Man), std::string("xZero|One:0"));
    QCOMPARE(f.Caret(), QStringLiteral("xZero\r\nOne@1:3"));
}

void tst_OutlineClipboard::htmlListsBecomeLevels()
{
    CViewFixture f;
    f.Open("x");
    f.View().SetCaret(COutlinePos(0, 0, f.Node("x")));
    auto *mime = new QMimeData;
    mime->setHtml(QStringLiteral("<p>Title</p><ul><li>One<ul><li>Deeper</li></ul></li>"
                                 "<li>Two</li></ul><p>After</p>"));
    mime->setText(QStringLiteral("Title One Deeper Two After"));
    QGuiApplication::clipboard()->setMimeData(mime);
    QVERIFY(f.View().RunCommand(kPaste));
    QCOMPARE(Dump(f.m_Man), std::string("x:0 Title:0 (One:1 (Deeper:2) Two:1) After:0"));
}

void tst_OutlineClipboard::plainTextLinesBecomeItems()
{
    CViewFixture f;
    f.Open("ab z");
    f.View().SetCaret(COutlinePos(1, 0, f.Node("ab")));
    PutOnClipboard(QString(), QByteArray(), QStringLiteral("one\ntwo"));
    QVERIFY(f.View().RunCommand(kPaste));
    // The text after the caret follows the last line.
    QCOMPARE(Dump(f.m_Man), std::string("aone:0 twob:0 z:0"));
    QCOMPARE(f.Caret(), QStringLiteral("twob@0:3"));
    QVERIFY(f.View().RunCommand(kUndo));
    QCOMPARE(Dump(f.m_Man), std::string("ab:0 z:0"));
}

void tst_OutlineClipboard::textSelectionCopyAndCut()
{
    CViewFixture f;
    f.Open("x");
    COutlineNode *x = f.Node("x");
    x->m_Item.m_Text.SetString(kx_gen::_String("keep this"));
    f.View().WrapItem(x, true);
    f.View().SetSelection(COutlinePos(4, 0, x), COutlinePos(9, 0, x));
    QVERIFY(f.View().RunCommand(kCut));
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral(" this"));
    QVERIFY(!QGuiApplication::clipboard()->mimeData()->hasFormat(CKXClipboard::OutlineFormat()));
    QCOMPARE(TextOf(x), std::string("keep"));
    QVERIFY(f.View().RunCommand(kPaste));
    QVERIFY(f.View().RunCommand(kPaste));
    QCOMPARE(TextOf(x), std::string("keep this this"));
    // Copy and Cut need a selection.
    QVERIFY(!f.View().RunCommand(kCopy));
}

void tst_OutlineClipboard::failedCopyKeepsTheItems()
{
    CViewFixture f;
    f.Open("a b+ (c) d");
    f.View().SetCaret(COutlinePos(0, 0, f.Node("b")));
    CKXClipboard::SetUnavailable(true);
    f.View().RunCommand(kCutItem);
    QCOMPARE(Dump(f.m_Man), std::string("a:0 b:0 (c:1) d:0"));
    // A block cut keeps its items too.
    f.View().SetSelection(COutlinePos(0, 0, f.Node("a")), COutlinePos(0, 0, f.Node("d")));
    QVERIFY(f.View().IsBlockSelection());
    f.View().RunCommand(kCut);
    QCOMPARE(Dump(f.m_Man), std::string("a:0 b:0 (c:1) d:0"));
    QVERIFY(!f.m_Man.GetUndo()->CanUndo());

    CKXClipboard::SetUnavailable(false);
    f.View().RunCommand(kCut);
    QCOMPARE(Dump(f.m_Man), std::string(":0"));
    QVERIFY(f.View().RunCommand(kUndo));
    QCOMPARE(Dump(f.m_Man), std::string("a:0 b:0 (c:1) d:0"));
}

void tst_OutlineClipboard::pastedCharactersOutsideTheCodePageAreRefused()
{
    CViewFixture f;
    f.Open("x");
    f.View().SetCaret(COutlinePos(1, 0, f.Node("x")));
    PutOnClipboard(QString(), QByteArray(), QStringLiteral("caf\u00E9 \u4E2D"));
    f.View().RunCommand(kPaste);
    QCOMPARE(Dump(f.m_Man), std::string("x:0"));
    QCOMPARE(f.m_Host.m_StatusMessages.size(), 1);

    PutOnClipboard(QStringLiteral("text/rtf"), QByteArray("{\\rtf1 one\\par two \\u937?\\par}"));
    f.View().RunCommand(kPaste);
    QCOMPARE(Dump(f.m_Man), std::string("x:0"));
    QCOMPARE(f.m_Host.m_StatusMessages.size(), 2);
}

void tst_OutlineClipboard::filingCabinetTransfers()
{
    CViewFixture cabinet;
    cabinet.Open("kept");
    CViewFixture f;
    f.Open("a b+ (c) d");
    f.View().SetCaret(COutlinePos(0, 0, f.Node("b")));

    // Without a cabinet the cut keeps the item.
    f.View().RunCommand(kCutToCabinet);
    QCOMPARE(Dump(f.m_Man), std::string("a:0 b:0 (c:1) d:0"));

    f.m_Host.m_pCabinet = &cabinet.m_Man;
    QVERIFY(f.View().RunCommand(kCopyToCabinet));
    QCOMPARE(Dump(cabinet.m_Man), std::string("kept:0 b:0 (c:1)"));
    QCOMPARE(f.m_Host.m_nCabinetChanges, 1);
    QCOMPARE(Dump(f.m_Man), std::string("a:0 b:0 (c:1) d:0"));
    // The cabinet's own history holds the copy.
    QVERIFY(cabinet.m_Man.GetUndo()->CanUndo());

    f.View().SetCaret(COutlinePos(0, 0, f.Node("d")));
    QVERIFY(f.View().RunCommand(kCutToCabinet));
    QCOMPARE(Dump(cabinet.m_Man), std::string("kept:0 b:0 (c:1) d:0"));
    QCOMPARE(Dump(f.m_Man), std::string("a:0 b:0 (c:1)"));

    // The cabinet itself has no such commands.
    cabinet.m_Host.m_bCabinet = true;
    QVERIFY(!cabinet.View().IsCommandEnabled(kCopyToCabinet));
}

QTEST_MAIN(tst_OutlineClipboard)
#include "tst_outlineclipboard.moc"
