// One instance per user: the named locks, the command-line block and the
// hand-off from a second, real process to the first.

#include "CommandLineBlock.h"
#include "GlobalLock.h"
#include "InstanceHandOff.h"
#include "ShellNames.h"

#include "kx_gen/MessageWindow.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstdio>
#include <cstring>

#include <unistd.h>
#include <fstream>

class tst_InstanceHandOff : public QObject {
    Q_OBJECT

private slots:
    void init();
    void aHeldLockTimesOutForEveryOtherHolder();
    void aLockFollowsItsHolderAcrossProcesses();
    void blocksAreCheckedBeforeUse_data();
    void blocksAreCheckedBeforeUse();
    void aSecondProcessHandsItsFileToTheFirst();
    void aSecondProcessWithoutFileOnlyFindsTheFirst();
    void aLyingSizeIsRefused();

private:
    QStringList HandOffCommand(const QString &text) const;
    QTemporaryDir m_runtime;
};

void tst_InstanceHandOff::init()
{
    // A runtime folder of the tests alone: no real instance answers.
    QVERIFY(QFile::setPermissions(m_runtime.path(),
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
}

void tst_InstanceHandOff::aHeldLockTimesOutForEveryOtherHolder()
{
    CGlobalLock first(shell::kStartupLockName);
    CGlobalLock second(shell::kStartupLockName);
    QVERIFY(first.IsValid() && second.IsValid());
    QVERIFY(first.Lock(0));
    QElapsedTimer timer;
    timer.start();
    QVERIFY(!second.Lock(100));
    QVERIFY(timer.elapsed() >= 90);
    first.Unlock();
    QVERIFY(second.Lock(100));
    QVERIFY(second.IsOwned());
    // Names that could leave the lock folder are refused.
    CGlobalLock escaping("../escape");
    QVERIFY(!escaping.IsValid());
    QVERIFY(!escaping.Lock(10));
}

void tst_InstanceHandOff::aLockFollowsItsHolderAcrossProcesses()
{
    QProcess holder;
    holder.start(QCoreApplication::applicationFilePath(),
        { QStringLiteral("--hold-hotsync-lock") });
    QVERIFY(holder.waitForReadyRead(5000));
    CHotSyncLock lock;
    QVERIFY(!lock.Lock(shell::kHotSyncLockTimeoutMs));
    holder.kill();
    holder.waitForFinished();
    // A process that ends gives its lock up.
    QVERIFY(lock.Lock(1000));
}

void tst_InstanceHandOff::blocksAreCheckedBeforeUse_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<qint64>("declared");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QByteArray>("text");
    const QByteArray path("/home/a/Week.kxo\0", 17);
    QTest::newRow("whole") << path << qint64(17) << true << QByteArray("/home/a/Week.kxo");
    QTest::newRow("empty text") << QByteArray(1, '\0') << qint64(1) << true << QByteArray();
    QTest::newRow("more announced than arrived") << path << qint64(18) << false << QByteArray();
    QTest::newRow("no terminator") << path.left(16) << qint64(16) << false << QByteArray();
    QTest::newRow("size zero") << path << qint64(0) << false << QByteArray();
    QTest::newRow("negative size") << path << qint64(-5) << false << QByteArray();
    QTest::newRow("huge size") << path << (qint64(1) << 40) << false << QByteArray();
    QTest::newRow("zero inside") << QByteArray("ab\0cd\0", 6) << qint64(6) << true
                                 << QByteArray("ab");
}

void tst_InstanceHandOff::blocksAreCheckedBeforeUse()
{
    QFETCH(QByteArray, bytes);
    QFETCH(qint64, declared);
    QFETCH(bool, accepted);
    QFETCH(QByteArray, text);
    std::string out = "untouched";
    const bool ok = shell::ParseCommandLineBlock(reinterpret_cast<const unsigned char *>(
                                                     bytes.constData()),
        std::size_t(bytes.size()), declared, out);
    QCOMPARE(ok, accepted);
    QCOMPARE(QByteArray::fromStdString(out), accepted ? text : QByteArray("untouched"));
}

QStringList tst_InstanceHandOff::HandOffCommand(const QString &text) const
{
    return { QStringLiteral("--hand-off"), text };
}

void tst_InstanceHandOff::aSecondProcessHandsItsFileToTheFirst()
{
    CInstanceListener listener;
    QVERIFY(listener.Start());
    QSignalSpy opened(&listener, &CInstanceListener::openRequested);
    QSignalSpy front(&listener, &CInstanceListener::activationRequested);
    const QString path = QDir(m_runtime.path()).filePath(QStringLiteral("Wöche.kxo"));
    QProcess second;
    second.start(QCoreApplication::applicationFilePath(), HandOffCommand(path));
    QVERIFY(second.waitForFinished(10000));
    QCOMPARE(second.exitCode(), 0);
    QTRY_COMPARE(opened.count(), 1);
    QCOMPARE(opened.at(0).at(0).toString(), path);
    QTRY_COMPARE(front.count(), 1);
}

void tst_InstanceHandOff::aSecondProcessWithoutFileOnlyFindsTheFirst()
{
    QProcess alone;
    alone.start(QCoreApplication::applicationFilePath(), HandOffCommand(QString()));
    QVERIFY(alone.waitForFinished(10000));
    QCOMPARE(alone.exitCode(), 3); // nobody to hand over to

    CInstanceListener listener;
    QVERIFY(listener.Start());
    QSignalSpy opened(&listener, &CInstanceListener::openRequested);
    QSignalSpy front(&listener, &CInstanceListener::activationRequested);
    QProcess second;
    second.start(QCoreApplication::applicationFilePath(), HandOffCommand(QString()));
    QVERIFY(second.waitForFinished(10000));
    QCOMPARE(second.exitCode(), 0);
    QTRY_COMPARE(front.count(), 1);
    QCOMPARE(opened.count(), 0);
}

void tst_InstanceHandOff::aLyingSizeIsRefused()
{
    CInstanceListener listener;
    QVERIFY(listener.Start());
    QSignalSpy opened(&listener, &CInstanceListener::openRequested);
    std::vector<kx_gen::AppWindow> windows = kx_gen::EnumAppWindows();
    QCOMPARE(int(windows.size()), 1);
    const unsigned message = kx_gen::RegisterWindowMessage(shell::kCommandLineMessage);
    const std::int64_t size = shell::WriteCommandLineBlock("/tmp/x.kxo");
    QCOMPARE(size, std::int64_t(11));
    std::int64_t result = -1;
    QVERIFY(kx_gen::SendMessageTimeout(windows[0], message, 0, size + 100, 1000, &result));
    QCOMPARE(result, std::int64_t(0));
    // A block whose announced end is no terminator.
    {
        std::ofstream file(shell::CommandLineBlockPath(), std::ios::binary | std::ios::trunc);
        file << "/tmp/y.kxo";
    }
    QVERIFY(kx_gen::SendMessageTimeout(windows[0], message, 0, 10, 1000, &result));
    QCOMPARE(result, std::int64_t(0));
    QTest::qWait(50);
    QCOMPARE(opened.count(), 0);
    // And a sound one still goes through.
    QVERIFY(kx_gen::SendMessageTimeout(windows[0], message, 0, shell::WriteCommandLineBlock("/tmp/z.kxo"), 1000, &result));
    QCOMPARE(result, std::int64_t(1));
    QTRY_COMPARE(opened.count(), 1);
}

int main(int argc, char *argv[])
{
    // The second processes of the tests.
    if (argc == 3 && std::strcmp(argv[1], "--hand-off") == 0)
        return shell::HandOffToRunningInstance(argv[2]) ? 0 : 3;
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
    tst_InstanceHandOff test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_instancehandoff.moc"
