// What start-up reads back from the settings store: the main window's
// placement with its off-screen rule, and the recent files.

#include "FrameState.h"
#include "RecentFiles.h"
#include "WindowPlacement.h"

#include "FrameTestSupport.h"

#include "kx_gen/AppRegistry.h"

#include <QDockWidget>
#include <QMainWindow>
#include <QTest>

class tst_StartupSettings : public QObject {
    Q_OBJECT

private slots:
    void placementIsTenNumbersInItsOrder();
    void incompletePlacementsAreRefused_data();
    void incompletePlacementsAreRefused();
    void placementOffTheScreenIsIgnored_data();
    void placementOffTheScreenIsIgnored();
    void aWindowComesBackWhereItWas();
    void recentFilesKeepFourAndNeverTheFilingCabinet();
    void barStateComesBackAndBadOnesAreRefused();
    void onlyOutlinesAreOpenedFromADrop();
};

void tst_StartupSettings::placementIsTenNumbersInItsOrder()
{
    kx_gen::WINDOWPLACEMENT p;
    p.showCmd = 3;
    p.flags = 2;
    p.ptMinPosition = { -1, -2 };
    p.ptMaxPosition = { -4, -5 };
    p.rcNormalPosition = { 10, 20, 810, 620 }; // left, top, right, bottom
    QCOMPARE(QByteArray(shell::FormatPlacement(p).c_str()),
        QByteArray("3,2,-1,-2,-4,-5,10,810,20,620"));
    kx_gen::WINDOWPLACEMENT back;
    QVERIFY(shell::ParsePlacement("3,2,-1,-2,-4,-5,10,810,20,620", back));
    QCOMPARE(back.rcNormalPosition.right, 810);
    QCOMPARE(back.rcNormalPosition.top, 20);
    QCOMPARE(back.showCmd, 3u);
}

void tst_StartupSettings::incompletePlacementsAreRefused_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("nine numbers") << QByteArray("1,0,0,0,0,0,10,810,20");
    QTest::newRow("eleven numbers") << QByteArray("1,0,0,0,0,0,10,810,20,620,5");
    QTest::newRow("a word") << QByteArray("1,0,0,0,0,0,ten,810,20,620");
    QTest::newRow("empty field") << QByteArray("1,0,0,0,0,,10,810,20,620");
    QTest::newRow("too big") << QByteArray("1,0,0,0,0,0,10,99999999999,20,620");
    QTest::newRow("empty") << QByteArray();
}

void tst_StartupSettings::incompletePlacementsAreRefused()
{
    QFETCH(QByteArray, text);
    kx_gen::WINDOWPLACEMENT p;
    p.showCmd = 7;
    QVERIFY(!shell::ParsePlacement(text.constData(), p));
    QCOMPARE(p.showCmd, 7u);
}

void tst_StartupSettings::placementOffTheScreenIsIgnored_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("taken");
    QTest::newRow("on screen") << QByteArray("1,0,0,0,0,0,10,810,20,620") << true;
    QTest::newRow("partly on screen") << QByteArray("1,0,0,0,0,0,-700,100,-500,100") << true;
    QTest::newRow("right of it") << QByteArray("1,0,0,0,0,0,1024,1800,20,620") << false;
    QTest::newRow("above it") << QByteArray("1,0,0,0,0,0,10,810,-700,0") << false;
    QTest::newRow("left of it") << QByteArray("1,0,0,0,0,0,-900,-1,20,620") << false;
    QTest::newRow("inside out") << QByteArray("1,0,0,0,0,0,810,10,20,620") << false;
}

void tst_StartupSettings::placementOffTheScreenIsIgnored()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, taken);
    CFrameTestRun run;
    run.m_settings->OpenSection("Preferences");
    run.m_settings->WriteString("MainWindow", text.constData());
    run.m_settings->CloseSection();
    kx_gen::WINDOWPLACEMENT p;
    QCOMPARE(shell::LoadPlacement(*run.m_settings, QSize(1024, 768), p), taken);
}

void tst_StartupSettings::aWindowComesBackWhereItWas()
{
    CFrameTestRun run;
    QMainWindow window;
    window.setGeometry(40, 50, 300, 200);
    window.show();
    QVERIFY(shell::SaveWindowPlacement(window, *run.m_settings));
    QMainWindow again;
    QVERIFY(shell::RestoreWindowPlacement(again, *run.m_settings, false));
    QCOMPARE(again.geometry(), QRect(40, 50, 300, 200));
    QVERIFY(!again.isVisible());
}

void tst_StartupSettings::recentFilesKeepFourAndNeverTheFilingCabinet()
{
    CFrameTestRun run;
    CRecentFileList recent;
    QVERIFY(!recent.Add("/home/a/Vellacor/folder.KXO"));
    QVERIFY(!recent.Add(""));
    for (const char *path : { "/d/1.kxo", "/d/2.kxo", "/d/3.kxo", "/d/4.kxo", "/d/5.kxo" })
        QVERIFY(recent.Add(path));
    QVERIFY(recent.Add("/D/3.KXO"));
    recent.Save(*run.m_settings);
    CRecentFileList loaded;
    loaded.Load(*run.m_settings);
    QStringList paths;
    for (const kx_gen::_String &path : loaded.Paths())
        paths << QString::fromLatin1(path.c_str());
    QCOMPARE(paths.join(QLatin1Char(' ')), QStringLiteral("/D/3.KXO /d/5.kxo /d/4.kxo /d/2.kxo"));
    // A filing cabinet written by some older program is dropped on reading.
    run.m_settings->OpenSection("Recent File List");
    run.m_settings->WriteString("File2", "/u/Folder.kxo");
    run.m_settings->CloseSection();
    loaded.Load(*run.m_settings);
    QCOMPARE(int(loaded.Paths().size()), 3);
}

void tst_StartupSettings::barStateComesBackAndBadOnesAreRefused()
{
    CFrameTestRun run;
    QMainWindow window;
    auto *pane = new QDockWidget(&window);
    pane->setObjectName(QStringLiteral("107"));
    window.addDockWidget(Qt::LeftDockWidgetArea, pane);
    window.show();
    pane->hide();
    QVERIFY(shell::SaveBarState(window, *run.m_settings));
    pane->show();
    QVERIFY(shell::RestoreBarState(window, *run.m_settings));
    QVERIFY(pane->isHidden());
    QVERIFY(!shell::RestoreBarState(window, *run.m_settings, shell::kSafeBarStateName));
    run.m_settings->OpenSection(shell::kSafeBarStateName);
    run.m_settings->WriteBinary("State", "junk", 4);
    run.m_settings->CloseSection();
    QVERIFY(!shell::RestoreBarState(window, *run.m_settings, shell::kSafeBarStateName));

    QVERIFY(!shell::ReadMaxState(*run.m_settings));
    shell::WriteMaxState(*run.m_settings, true);
    QVERIFY(shell::ReadMaxState(*run.m_settings));
}

void tst_StartupSettings::onlyOutlinesAreOpenedFromADrop()
{
    const QUrl outline = QUrl::fromLocalFile(QStringLiteral("/d/Week.KXO"));
    const QUrl text = QUrl::fromLocalFile(QStringLiteral("/d/notes.txt"));
    QCOMPARE(shell::DroppedOutline({ outline, text }), QStringLiteral("/d/Week.KXO"));
    QCOMPARE(shell::DroppedOutline({ text, outline }), QString());
    QCOMPARE(shell::DroppedOutline({ QUrl(QStringLiteral("https://x/a.kxo")) }), QString());
    QCOMPARE(shell::DroppedOutline({}), QString());
}

QTEST_MAIN(tst_StartupSettings)
#include "tst_startupsettings.moc"
