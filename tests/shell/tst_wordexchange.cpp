// A Word export and import through the real library's worker thread and the
// progress dialog on the user-interface thread: the handshake between the
// two must neither hang nor lose an item.

#include "../frame/FrameTestSupport.h"
#include "ExchangeCommands.h"
#include "MainFrame.h"
#include "OutlineDoc.h"

#include <QFile>
#include <QtTest>

class tst_WordExchange : public QObject {
    Q_OBJECT

private slots:
    void exportThenImportKeepsTheOutline();
    void aDamagedDocumentOpensNothing();
};

void tst_WordExchange::exportThenImportKeepsTheOutline()
{
    CFrameTestRun run;
    QVERIFY(run.m_bStarted);
    MainFrame frame(run.m_context.get());
    run.m_context->SetWindows(&frame);
    CExchangeCommands commands(*run.m_context, &frame);

    COutlineDoc *doc = run.m_context->Documents().OpenDocumentFile(kx_gen::_String());
    QVERIFY(doc);
    COutlineMan &outline = doc->GetOutline();
    COutlineNode *first = outline.GetTree().GetFirstChild(nullptr);
    outline.InsertText(first, CTextPos(), "Groceries", nullptr);
    COutlineNode *second = outline.NewItem(first);
    outline.InsertText(second, CTextPos(), "Caf\xe9 beans", nullptr);
    outline.Indent(second);
    doc->SetOutlineTitle("Shopping");

    const QString path = run.m_dir.filePath(QStringLiteral("shopping.docx"));
    QVERIFY(commands.ExportWordTo(doc, path));
    QVERIFY(QFile::exists(path));
    QVERIFY(run.m_prompter.m_Messages.empty());

    COutlineDoc *imported = commands.ImportWordFrom(path);
    QVERIFY(imported);
    QVERIFY(imported->IsModified());
    QCOMPARE(imported->GetOutline().DebugDump(COutlineMan::kDumpLevels).str(),
        std::string("Groceries:0 (Caf\xe9 beans:1)"));
    QCOMPARE(run.m_context->Documents().GetDocuments().size(), size_t(2));
}

void tst_WordExchange::aDamagedDocumentOpensNothing()
{
    CFrameTestRun run;
    MainFrame frame(run.m_context.get());
    run.m_context->SetWindows(&frame);
    CExchangeCommands commands(*run.m_context, &frame);
    const QString path = run.m_dir.filePath(QStringLiteral("broken.docx"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("PK\x03\x04 this is no document");
    file.close();
    QVERIFY(!commands.ImportWordFrom(path));
    QVERIFY(run.m_context->Documents().GetDocuments().empty());
    QVERIFY(!run.m_prompter.m_Messages.empty());
}

QTEST_MAIN(tst_WordExchange)
#include "tst_wordexchange.moc"
