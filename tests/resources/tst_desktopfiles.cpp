// The file types as the desktop sees them once installed: outlines and
// templates by their extension, and an outline by its leading bytes alone.

#include <QDir>
#include <QFile>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

class tst_DesktopFiles : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void typesByName_data();
    void typesByName();
    void anOutlineWithoutExtensionIsKnownByItsBytes();

private:
    QString Write(const QString &name, const QByteArray &bytes);
    QTemporaryDir m_data;
    QTemporaryDir m_files;
};

void tst_DesktopFiles::initTestCase()
{
    // Read by the database on first use, and by the cache builder, which
    // warns about a folder outside the search path.
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_data.path()));
    const QString packages = QDir(m_data.path()).filePath(QStringLiteral("mime/packages"));
    QVERIFY(QDir().mkpath(packages));
    QVERIFY(QFile::copy(QStringLiteral(MIME_XML),
        QDir(packages).filePath(QStringLiteral("vellacor.xml"))));
    const QString update = QStandardPaths::findExecutable(QStringLiteral("update-mime-database"));
    if (update.isEmpty())
        QSKIP("update-mime-database is not installed");
    QProcess process;
    process.start(update, { QDir(m_data.path()).filePath(QStringLiteral("mime")) });
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitCode(), 0);
    QVERIFY2(process.readAllStandardError().isEmpty(), "update-mime-database complained");
}

QString tst_DesktopFiles::Write(const QString &name, const QByteArray &bytes)
{
    const QString path = QDir(m_files.path()).filePath(name);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
    return path;
}

void tst_DesktopFiles::typesByName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("type");
    QTest::newRow("outline") << QStringLiteral("Week.kxo")
                             << QStringLiteral("application/x-idealoom-outline");
    QTest::newRow("template") << QStringLiteral("Form.kxt")
                              << QStringLiteral("application/x-idealoom-template");
    QTest::newRow("upper case") << QStringLiteral("OLD.KXO")
                                << QStringLiteral("application/x-idealoom-outline");
}

void tst_DesktopFiles::typesByName()
{
    QFETCH(QString, name);
    QFETCH(QString, type);
    QMimeDatabase db;
    QCOMPARE(db.mimeTypeForFile(name, QMimeDatabase::MatchExtension).name(), type);
    const QString path = Write(name, QByteArray("\x78\x56\x34\x12 rest", 9));
    QCOMPARE(db.mimeTypeForFile(path).name(), type);
}

void tst_DesktopFiles::anOutlineWithoutExtensionIsKnownByItsBytes()
{
    QMimeDatabase db;
    const QString outline = Write(QStringLiteral("noname"), QByteArray("\x78\x56\x34\x12 data", 9));
    QCOMPARE(db.mimeTypeForFile(outline, QMimeDatabase::MatchContent).name(),
        QStringLiteral("application/x-idealoom-outline"));
    QCOMPARE(db.mimeTypeForFile(outline, QMimeDatabase::MatchContent).comment(),
        QStringLiteral("Idealoom Document"));
    const QString other = Write(QStringLiteral("other"), QByteArray("\x12\x34\x56\x78 data", 9));
    QVERIFY(db.mimeTypeForFile(other, QMimeDatabase::MatchContent).name()
        != QStringLiteral("application/x-idealoom-outline"));
}

QTEST_GUILESS_MAIN(tst_DesktopFiles)
#include "tst_desktopfiles.moc"
