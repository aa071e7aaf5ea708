// The Palm OS outline file commands in Palm mode: a HotSync folder made by
// palm-desktop, the converter in it, an outline exported and imported back.

#include "../support/ScriptedPrompter.h"
#include "AppContext.h"
#include "ExchangeCommands.h"
#include "MainFrame.h"
#include "OutlineDoc.h"
#include "PalmLibrary.h"
#include "User.h"

#include "kx_gen/AppRegistry.h"
#include "kx_gen/CategoryDB.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class tst_PdbExchange : public QObject {
    Q_OBJECT

private slots:
    void exportThenImportInPalmMode();
};

void tst_PdbExchange::exportThenImportInPalmMode()
{
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", QDir(dir.path()).filePath(QStringLiteral("config")).toLocal8Bit());
    const QString hotsync = QDir(dir.path()).filePath(QStringLiteral("HotSync"));
    QProcess setup;
    setup.start(QStringLiteral(VELLACOR_BIN_DIR "/palm-desktop"),
        { QStringLiteral("setup"), hotsync, QStringLiteral("--user"), QStringLiteral("Ann") });
    QVERIFY(setup.waitForFinished(30000));
    QCOMPARE(setup.exitCode(), 0);

    kx_gen::CCategoryDB::setUnfiledCategoryName("Unfiled");
    kx_gen::CAppRegistry settings("Larkwell", "Idealoom");
    settings.OpenSection("Preferences");
    settings.WriteString(
        "Path", QDir(dir.path()).filePath(QStringLiteral("Desktop")).toLocal8Bit().constData());
    settings.CloseSection();
    CScriptedPrompter prompter;
    CPalmLibrary palm;
    QVERIFY(palm.DetectPalm(&prompter));
    {
        CAppContext context(prompter, settings);
        QVERIFY(context.Start(&palm));
        QVERIFY(context.IsPalmMode());
        MainFrame frame(&context);
        context.SetWindows(&frame);
        CExchangeCommands commands(context, &frame);

        COutlineDoc *doc = context.Documents().OpenDocumentFile(kx_gen::_String());
        COutlineMan &outline = doc->GetOutline();
        outline.InsertText(outline.GetTree().GetFirstChild(nullptr), CTextPos(), "Trip", nullptr);
        COutlineNode *child = outline.NewItem(outline.GetTree().GetFirstChild(nullptr));
        outline.InsertText(child, CTextPos(), "Tickets", nullptr);
        outline.Indent(child);
        doc->SetOutlineTitle("Holiday");

        // A modified outline is saved by its title before it is exported.
        const QString pdb = QDir(dir.path()).filePath(QStringLiteral("Holiday.kxo.pdb"));
        QVERIFY(commands.ExportPdbTo(doc, pdb));
        QVERIFY(!doc->IsModified());
        QVERIFY(QFile::exists(pdb));
        QVERIFY2(prompter.m_Messages.empty(),
            prompter.m_Messages.empty() ? "" : prompter.m_Messages.front().c_str());

        QVERIFY(context.Documents().CloseDocument(doc));
        QVERIFY(commands.ImportPdbFrom(pdb));
        const auto &open = context.Documents().GetDocuments();
        QCOMPARE(open.size(), size_t(1));
        QCOMPARE(open.front()->GetOutline().DebugDump(COutlineMan::kDumpLevels).str(),
            std::string("Trip:0 (Tickets:1)"));
        context.Documents().CloseAllDocuments(false);
        context.Stop();
    }
}

QTEST_MAIN(tst_PdbExchange)
#include "tst_pdbexchange.moc"
