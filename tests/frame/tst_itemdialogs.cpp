#include "ItemDialogs.h"

#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

class tst_ItemDialogs : public QObject {
    Q_OBJECT

private slots:
    void noteCaptionShowsEveryParagraph();
    void noteChangesCountOnlyWithOk();
    void deleteEmptiesTheNoteAfterYes();
    void formatListsNeverRepeat_data();
    void formatListsNeverRepeat();
};

void tst_ItemDialogs::noteCaptionShowsEveryParagraph()
{
    CNoteDlg dialog(QStringLiteral("first\nsecond"), QStringLiteral("old"));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Note for  \"first\nsecond\""));
    auto *edit = dialog.findChild<QPlainTextEdit *>(QStringLiteral("1014"));
    QVERIFY(edit);
    QCOMPARE(edit->textCursor().position(), 3);
}

void tst_ItemDialogs::noteChangesCountOnlyWithOk()
{
    CNoteDlg cancelled(QStringLiteral("x"), QStringLiteral("old"));
    auto *edit = cancelled.findChild<QPlainTextEdit *>(QStringLiteral("1014"));
    QTest::keyClicks(edit, QStringLiteral(" new"));
    cancelled.reject();
    QVERIFY(!cancelled.isChanged());

    CNoteDlg accepted(QStringLiteral("x"), QStringLiteral("old"));
    QVERIFY(!accepted.isChanged());
    edit = accepted.findChild<QPlainTextEdit *>(QStringLiteral("1014"));
    QTest::keyClicks(edit, QStringLiteral(" new"));
    accepted.accept();
    QVERIFY(accepted.isChanged());
    QCOMPARE(accepted.note(), QStringLiteral("old new"));
}

void tst_ItemDialogs::deleteEmptiesTheNoteAfterYes()
{
    CNoteDlg dialog(QStringLiteral("x"), QStringLiteral("keep me"));
    QPushButton *remove = nullptr;
    for (QPushButton *button : dialog.findChildren<QPushButton *>())
        if (button->text() == QStringLiteral("&Delete"))
            remove = button;
    QVERIFY(remove);
    QTimer::singleShot(0, [] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY(box);
        QCOMPARE(box->text(), QStringLiteral("Are you sure you want to delete?"));
        box->button(QMessageBox::Yes)->click();
    });
    remove->click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(dialog.isChanged());
    QVERIFY(dialog.note().isEmpty());
}

void tst_ItemDialogs::formatListsNeverRepeat_data()
{
    QTest::addColumn<QString>("locale");
    QTest::newRow("C") << QStringLiteral("C");
    QTest::newRow("en_US") << QStringLiteral("en_US");
    QTest::newRow("de_DE") << QStringLiteral("de_DE");
    QTest::newRow("ja_JP") << QStringLiteral("ja_JP");
}

void tst_ItemDialogs::formatListsNeverRepeat()
{
    QFETCH(QString, locale);
    const QLocale l(locale);
    for (const QStringList &list :
        { DateFormatsFor(QDate(2026, 1, 2), l), TimeFormatsFor(QTime(9, 5, 7), l) }) {
        QVERIFY(!list.isEmpty());
        QCOMPARE(QSet<QString>(list.begin(), list.end()).size(), list.size());
    }
    const QStringList times = TimeFormatsFor(QTime(9, 5, 7), l);
    QVERIFY(std::any_of(times.begin(), times.end(),
        [](const QString &t) { return t.contains(QLatin1String("07")); }));
    QVERIFY(std::any_of(times.begin(), times.end(),
        [](const QString &t) { return !t.contains(QLatin1String("07")); }));
}

QTEST_MAIN(tst_ItemDialogs)
#include "tst_itemdialogs.moc"
