// HotSync against the main window: a real hotsync process drives the
// program through the notifier's protocol; the input filter, a notifier that
// dies, Ctrl+R, and the offer of recovered outlines.

#include "AppContext.h"
#include "FileTreeModel.h"
#include "FileViewControlBar.h"
#include "GlobalLock.h"
#include "HotSyncWindow.h"
#include "MainFrame.h"
#include "OutlineDoc.h"
#include "PalmLibrary.h"
#include "RecoveryOffer.h"
#include "User.h"

#include "../support/PalmDesktopTestSupport.h"
#include "../support/ScriptedPrompter.h"

#include "kx_gen/AppRegistry.h"
#include "kx_gen/CategoryDB.h"
#include "kx_gen/File.h"
#include "kx_gen/OutlineDB.h"
#include "kx_gen/OutlineRecord.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstring>
#include <memory>

namespace {

void WriteOutline(const std::string &path, const std::string &title, const std::string &text)
{
    kx_gen::COutlineDB db;
    db.InitNewDatabase();
    db.SetOutlineTitle(title.c_str());
    db.SetCategoryName("Unfiled");
    auto *record = static_cast<kx_gen::COutlineRecord *>(db.GetRecordset()->Append());
    record->SetText(text.c_str());
    db.Open(path.c_str(), kx_gen::CFile::modeCreate | kx_gen::CFile::modeWrite);
    db.WriteAllHeaders();
    db.WriteRows();
    db.Close();
}

std::string FirstItem(const std::string &path)
{
    kx_gen::COutlineDB db;
    db.Open(path.c_str(), kx_gen::CFile::modeRead | kx_gen::CFile::shareDenyWrite);
    db.ReadSharedHeader();
    db.ReadPrivateHeader();
    db.ReadRows();
    db.Close();
    return db.GetOutlineRecord(0)->GetText().str();
}

} // namespace

class tst_HotSync : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void withoutANotifierTheRunningProgramIsNotSynchronisedUnder();
    void aHotSyncProcessSavesClosesAndBringsTheHandheldsOutlines();
    void theFilterKeepsTheUserOutWhileItRuns();
    void aNotifierThatDiesEndsTheHotSync();
    void ctrlRPutsTheLayoutBack();
    void recoveredOutlinesAreOfferedOneByOne();

private:
    std::string Root() const { return m_dir.path().toStdString(); }
    std::string AnnFile(const std::string &name) const
    {
        return Root() + "/HotSync/Ann/Vellacor/" + name;
    }
    CHotSyncWindow &HotSync() const { return *m_frame->hotSync(); }

    QTemporaryDir m_dir;
    CScriptedPrompter m_prompter;
    CPalmLibrary m_palm;
    std::unique_ptr<kx_gen::CAppRegistry> m_settings;
    std::unique_ptr<CAppContext> m_context;
    std::unique_ptr<MainFrame> m_frame;
};

void tst_HotSync::initTestCase()
{
    // The program's named objects of this test only.
    const std::string runtime = Root() + "/run";
    QVERIFY(QDir().mkpath(QString::fromStdString(runtime)));
    QFile::setPermissions(QString::fromStdString(runtime),
        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (Root() + "/config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (Root() + "/data").c_str(), 1);
    kx_gen::CCategoryDB::setUnfiledCategoryName("Unfiled");
    const vellacortest::SCommandResult setup
        = vellacortest::RunPalmDesktop({ "setup", Root() + "/HotSync", "--user", "Ann" });
    QCOMPARE(setup.nExitCode, 0);
    m_settings = std::make_unique<kx_gen::CAppRegistry>("Larkwell", "Idealoom");
    m_settings->OpenSection("Preferences");
    m_settings->WriteString("Path", (Root() + "/Desktop").c_str());
    m_settings->CloseSection();
    QVERIFY(QDir().mkpath(QString::fromStdString(AnnFile(""))));
    WriteOutline(AnnFile("Week.kxo"), "Week", "monday");
    m_context = std::make_unique<CAppContext>(m_prompter, *m_settings);
    m_frame = std::make_unique<MainFrame>(m_context.get());
    m_context->SetWindows(m_frame.get());
    QVERIFY(m_palm.DetectPalm(&m_prompter));
    QVERIFY(m_context->Start(&m_palm));
    m_frame->resize(800, 600);
    m_frame->show();
    m_frame->StartListening();
    QVERIFY(m_frame->hotSync());
}

void tst_HotSync::cleanupTestCase()
{
    m_context->Documents().CloseAllDocuments(false);
    m_context->Stop();
    m_frame.reset();
    m_context.reset();
}

void tst_HotSync::withoutANotifierTheRunningProgramIsNotSynchronisedUnder()
{
    QProcess hotsync;
    hotsync.setProcessChannelMode(QProcess::MergedChannels);
    hotsync.start(QStringLiteral(TEST_BIN_DIR "/hotsync"),
        { QStringLiteral("--user"), QStringLiteral("Ann"), QStringLiteral("--add-outline"),
            QStringLiteral("Unseen") });
    QVERIFY(hotsync.waitForStarted());
    // The program answers the identity question meanwhile.
    QTRY_VERIFY_WITH_TIMEOUT(hotsync.state() == QProcess::NotRunning, 20000);
    QCOMPARE(hotsync.exitCode(), 1);
    QVERIFY(QString::fromLocal8Bit(hotsync.readAll()).contains(QStringLiteral("no HotSync notifier is registered")));
    QVERIFY(!QFile::exists(QString::fromStdString(AnnFile("Unseen.kxo"))));
    QCOMPARE(HotSync().state(), 0);
}

void tst_HotSync::aHotSyncProcessSavesClosesAndBringsTheHandheldsOutlines()
{
    COutlineDoc *week = m_context->Documents().OpenDocumentFile(kx_gen::_String(AnnFile("Week.kxo")));
    QVERIFY(week);
    COutlineMan &man = week->GetOutline();
    man.InsertText(man.GetTree().GetFirstChild(nullptr), CTextPos(), "busy ", nullptr);
    week->SetModifiedFlag(true);

    QProcess hotsync;
    hotsync.setProcessChannelMode(QProcess::MergedChannels);
    hotsync.start(QStringLiteral(TEST_BIN_DIR "/hotsync"),
        { QStringLiteral("--user"), QStringLiteral("Ann"), QStringLiteral("--notifier"),
            QStringLiteral(TEST_BIN_DIR "/../lib/libKXNotify.so"), QStringLiteral("--add-outline"),
            QStringLiteral("Shopping"), QStringLiteral("--category"), QStringLiteral("Errands"),
            QStringLiteral("--item"), QStringLiteral("Milk"), QStringLiteral("--change-item"),
            QStringLiteral("Week"), QStringLiteral("1"), QStringLiteral("tuesday"),
            QStringLiteral("--mark-synchronized"), QStringLiteral("--hold"),
            QStringLiteral("0.5") });
    QVERIFY(hotsync.waitForStarted());
    // Watch the program while the HotSync runs.
    bool sawDialog = false;
    bool sawDisabledPane = false;
    QElapsedTimer clock;
    clock.start();
    while (hotsync.state() != QProcess::NotRunning && clock.elapsed() < 30000) {
        QTest::qWait(10);
        if (HotSync().dialog() && HotSync().dialog()->isVisible())
            sawDialog = true;
        if (!m_frame->pane()->isEnabled())
            sawDisabledPane = true;
    }
    const QString output = QString::fromLocal8Bit(hotsync.readAll());
    QCOMPARE(hotsync.exitCode(), 0);
    QVERIFY2(output.contains(QStringLiteral("HotSync done.")), qPrintable(output));
    QVERIFY(sawDialog);
    QVERIFY(sawDisabledPane);
    QCOMPARE(HotSync().state(), 0);
    QVERIFY(m_frame->pane()->isEnabled());

    // The edit was saved before the handheld changed the item; the outline
    // came back with the handheld's text.
    COutlineDoc *again
        = m_context->Documents().FindDocument(kx_gen::_String(AnnFile("Week.kxo")));
    QVERIFY(again);
    QVERIFY(!again->IsModified());
    QCOMPARE(FirstItem(AnnFile("Week.kxo")), std::string("tuesday"));
    QCOMPARE(again->GetOutline().GetDB()->GetOutlineRecord(0)->GetText().str(),
        std::string("tuesday"));
    // The outline and category from the handheld are in the pane.
    QVERIFY(m_frame->pane()->model()->IndexOfPath(kx_gen::_String(AnnFile("Shopping.kxo"))).isValid());
    CUser *user = m_context->Users().GetActiveUser();
    QVERIFY(user && user->IsActive());
    QVERIFY(user->GetCategories()->FindCategory("Errands"));
    m_context->Documents().CloseAllDocuments(false);
}

void tst_HotSync::theFilterKeepsTheUserOutWhileItRuns()
{
    auto *edit = new QLineEdit(m_frame.get());
    auto *button = new QPushButton(QStringLiteral("Go"), m_frame.get());
    edit->move(300, 100);
    button->move(300, 150);
    edit->show();
    button->show();
    QMenu menu;
    QAction *exit = menu.addAction(QStringLiteral("Exit"));
    exit->setObjectName(QStringLiteral("57665"));
    QAction *open = menu.addAction(QStringLiteral("Open"));
    QSignalSpy clicked(button, &QPushButton::clicked);
    QSignalSpy exits(exit, &QAction::triggered);
    QSignalSpy opens(open, &QAction::triggered);

    HotSync().Notify(0, 0);
    QCOMPARE(HotSync().state(), 1);
    QTest::keyClicks(edit, QStringLiteral("abc"));
    QCOMPARE(edit->text(), QString());
    QTest::mouseClick(button, Qt::RightButton);
    QCOMPARE(clicked.count(), 0);
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(clicked.count(), 1);
    menu.popup(QPoint(10, 10));
    QVERIFY(QTest::qWaitForWindowExposed(&menu));
    QTest::mouseClick(&menu, Qt::LeftButton, {}, menu.actionGeometry(open).center());
    QCOMPARE(opens.count(), 0);
    QTest::mouseClick(&menu, Qt::LeftButton, {}, menu.actionGeometry(exit).center());
    QCOMPARE(exits.count(), 1);

    HotSync().Notify(1, 0);
    QTest::keyClicks(edit, QStringLiteral("abc"));
    QCOMPARE(edit->text(), QString());
    HotSync().Notify(3, 0);
    QCOMPARE(HotSync().state(), 0);
    QTest::keyClicks(edit, QStringLiteral("abc"));
    QCOMPARE(edit->text(), QStringLiteral("abc"));
    delete edit;
    delete button;
}

void tst_HotSync::aNotifierThatDiesEndsTheHotSync()
{
    QProcess holder;
    holder.start(QCoreApplication::applicationFilePath(), { QStringLiteral("--hold-hotsync-lock") });
    QVERIFY(holder.waitForReadyRead(5000));
    HotSync().Notify(0, 0);
    HotSync().Notify(1, 0);
    // While the notifier lives the HotSync goes on, however long.
    QTest::qWait(CHotSyncWindow::kWatchIntervalMs + 500);
    QCOMPARE(HotSync().state(), 3);
    holder.kill();
    holder.waitForFinished();
    QTRY_COMPARE_WITH_TIMEOUT(HotSync().state(), 0, 3 * CHotSyncWindow::kWatchIntervalMs);
    QVERIFY(!HotSync().dialog());
    QVERIFY(m_frame->pane()->isEnabled());
    QVERIFY(m_context->Users().GetActiveUser()->IsActive());
}

void tst_HotSync::ctrlRPutsTheLayoutBack()
{
    m_frame->showNormal();
    m_frame->setGeometry(40, 40, 640, 480);
    QTest::qWait(50);
    const QRect before = m_frame->geometry();
    HotSync().Notify(0, 0);
    HotSync().Notify(2, 0);
    m_frame->setGeometry(80, 80, 500, 400);
    QTest::qWait(50);
    QVERIFY(m_frame->geometry() != before);
    HotSync().restoreLayoutAction()->trigger();
    QTRY_COMPARE(m_frame->geometry().size(), before.size());
    QCOMPARE(HotSync().restoreLayoutAction()->shortcut(), QKeySequence(QStringLiteral("Ctrl+R")));
}

void tst_HotSync::recoveredOutlinesAreOfferedOneByOne()
{
    CRecoveryStore &store = m_context->Recovery();
    std::vector<CRecoveryStore::SCopy> copies;
    {
        // What a run that was killed left: two outlines with changes.
        CRecoveryStore crashed(store.Folder());
        for (const char *title : { "First", "Second" }) {
            COutlineDoc *document = m_context->Documents().OpenDocumentFile(kx_gen::_String());
            QVERIFY(document);
            document->SetOutlineTitle(title);
            document->SetModifiedFlag(true);
        }
        QVERIFY(crashed.Update(m_context->Documents().InStackingOrder()));
        while (!m_context->Documents().GetDocuments().empty())
            m_context->Documents().RemoveDocument(
                m_context->Documents().GetDocuments().back().get());
    }
    copies = store.LeftOver();
    QCOMPARE(copies.size(), std::size_t(2));

    CRecoveredDlg dialog(*m_context, copies, m_frame.get());
    QCOMPARE(dialog.list()->count(), 2);
    const int first = dialog.list()->item(0)->text().contains(QStringLiteral("First")) ? 0 : 1;
    dialog.list()->setCurrentRow(first);
    dialog.DiscardSelected();
    QCOMPARE(dialog.list()->count(), 1);
    QVERIFY(!dialog.list()->item(0)->text().contains(QStringLiteral("First")));
    dialog.OpenSelected();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(m_context->Documents().GetDocuments().size(), std::size_t(1));
    COutlineDoc *opened = m_context->Documents().GetDocuments().front().get();
    QCOMPARE(opened->m_strOutlineTitle.str(), std::string("Second"));
    QVERIFY(opened->IsModified());
    QVERIFY(opened->GetPathName().IsEmpty());
    // Nothing left to offer but the opened outline's own copy.
    CRecoveryStore later(store.Folder());
    QCOMPARE(later.LeftOver().size(), std::size_t(1));
    m_context->Documents().RemoveDocument(opened);
    store.RemoveSessionCopies();
    QVERIFY(later.LeftOver().empty());
}

int main(int argc, char *argv[])
{
    // The notifier of the tests: holds the HotSync lock until killed.
    if (argc == 2 && std::strcmp(argv[1], "--hold-hotsync-lock") == 0) {
        CHotSyncLock lock;
        if (!lock.Lock(1000))
            return 4;
        std::fputs("held\n", stdout);
        std::fflush(stdout);
        for (;;)
            ::pause();
    }
    QApplication app(argc, argv);
    tst_HotSync test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_hotsync.moc"
