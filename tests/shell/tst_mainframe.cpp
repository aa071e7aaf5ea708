#include "MainFrame.h"

#include <QImage>
#include <QMdiArea>
#include <QMenuBar>
#include <QProcess>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

class tst_MainFrame : public QObject
{
    Q_OBJECT

private slots:
    void hasTitleDocumentAreaAndStatusBar();
    void fileMenuExitClosesTheWindow();
    void screenshotOptionWritesThePngAndExits();
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
    program.start(QStringLiteral(VELLACOR_EXE), {QStringLiteral("--screenshot"), shot});
    QVERIFY(program.waitForFinished(30000));
    QCOMPARE(program.exitCode(), 0);

    QImage image(shot);
    QVERIFY(!image.isNull());
    QVERIFY(image.width() > 100 && image.height() > 100);
}

QTEST_MAIN(tst_MainFrame)
#include "tst_mainframe.moc"
