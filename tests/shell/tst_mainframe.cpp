#include "MainFrame.h"

#include <QFile>
#include <QImage>
#include <QMdiArea>
#include <QMenuBar>
#include <QProcess>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

class tst_MainFrame : public QObject {
    Q_OBJECT

private slots:
    void hasTitleDocumentAreaAndStatusBar();
    void fileMenuExitClosesTheWindow();
    void screenshotOptionWritesThePngAndExits();
    void convertToRunsWithoutAWindow();
};

void tst_MainFrame::hasTitleDocumentAreaAndStatusBar()
{
    MainFrame frame;
    QCOMPARE(frame.windowTitle(), QStringLiteral("Vellacor"));
    QVERIFY(qobject_cast<QMdiArea *>(frame.centralWidget()));
    QVERIFY(frame.mdiArea()->subWindowList().isEmpty());
    QVERIFY(frame.statusBar());
}

void tst_MainFrame::fileMenuExitClosesTheWindow()
{
    MainFrame frame;
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));

    QAction *exitAction = nullptr;
    for (QAction *menu : frame.menuBar()->actions()) {
        if (menu->text() != QStringLiteral("&File"))
            continue;
        for (QAction *a : menu->menu()->actions())
            if (a->text() == QStringLiteral("E&xit"))
                exitAction = a;
    }
    QVERIFY(exitAction);
    exitAction->trigger();
    QVERIFY(!frame.isVisible());
}

void tst_MainFrame::screenshotOptionWritesThePngAndExits()
{
    QTemporaryDir dir;
    const QString shot = dir.filePath(QStringLiteral("shot.png"));
    QProcess program;
    program.start(QStringLiteral(VELLACOR_EXE), { QStringLiteral("--screenshot"), shot });
    QVERIFY(program.waitForFinished(30000));
    QCOMPARE(program.exitCode(), 0);

    QImage image(shot);
    QVERIFY(!image.isNull());
    QVERIFY(image.width() > 100 && image.height() > 100);
}

void tst_MainFrame::convertToRunsWithoutAWindow()
{
    QTemporaryDir dir;
    QFile markdown(dir.filePath(QStringLiteral("trip.md")));
    QVERIFY(markdown.open(QIODevice::WriteOnly));
    markdown.write("- Trip\n  - passport\n  - [x] tickets\n");
    markdown.close();
    auto run = [&](const QStringList &arguments) {
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        // No display at all: only the PDF needs the (offscreen) GUI library.
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        environment.insert(
            QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
        program.setProcessEnvironment(environment);
        program.setWorkingDirectory(dir.path());
        program.start(QStringLiteral(VELLACOR_EXE), arguments);
        program.waitForFinished(30000);
        return program.exitCode();
    };
    QCOMPARE(
        run({ QStringLiteral("--convert-to"), QStringLiteral("kxo"), QStringLiteral("trip.md") }),
        0);
    QVERIFY(QFile::exists(dir.filePath(QStringLiteral("trip.kxo"))));
    QCOMPARE(run({ QStringLiteral("--convert-to"), QStringLiteral("pdf"),
                 QStringLiteral("--outdir"), QStringLiteral("pages"), QStringLiteral("trip.kxo") }),
        0);
    QFile pdf(dir.filePath(QStringLiteral("pages/trip.pdf")));
    QVERIFY(pdf.open(QIODevice::ReadOnly));
    QVERIFY(pdf.read(5) == "%PDF-");
    // An existing page is kept without --force; a missing file fails; no
    // format is wrong usage.
    QCOMPARE(run({ QStringLiteral("--convert-to"), QStringLiteral("pdf"),
                 QStringLiteral("--outdir"), QStringLiteral("pages"), QStringLiteral("trip.kxo") }),
        1);
    QCOMPARE(
        run({ QStringLiteral("--convert-to"), QStringLiteral("pdf"), QStringLiteral("gone.kxo") }),
        1);
    QCOMPARE(run({ QStringLiteral("--convert-to") }), 2);
}

QTEST_MAIN(tst_MainFrame)
#include "tst_mainframe.moc"
