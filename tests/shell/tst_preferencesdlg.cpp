#include "PreferencesDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QtTest>

class tst_PreferencesDlg : public QObject {
    Q_OBJECT

private slots:
    void autoSaveMinutesFollowTheBoxAndAreClamped();
    void desktopOnlyModeHidesWhereNewOutlinesGo();
};

void tst_PreferencesDlg::autoSaveMinutesFollowTheBoxAndAreClamped()
{
    CPreferences prefs;
    CPreferencesDlg dialog(prefs, true);
    QVERIFY(!dialog.autoSaveBox()->isChecked());
    QVERIFY(!dialog.minutesEdit()->isEnabled());
    dialog.autoSaveBox()->setChecked(true);
    QVERIFY(dialog.minutesEdit()->isEnabled());
    QCOMPARE(dialog.minutesEdit()->text(), QStringLiteral("1"));
    dialog.minutesEdit()->setText(QStringLiteral("75"));
    dialog.accept();
    QCOMPARE(dialog.preferences().m_nAutoSave, 60);

    prefs.m_nAutoSave = 10;
    CPreferencesDlg again(prefs, true);
    QCOMPARE(again.minutesEdit()->text(), QStringLiteral("10"));
    again.autoSaveBox()->setChecked(false);
    QVERIFY(again.minutesEdit()->text().isEmpty());
    again.accept();
    QCOMPARE(again.preferences().m_nAutoSave, 0);
}

void tst_PreferencesDlg::desktopOnlyModeHidesWhereNewOutlinesGo()
{
    CPreferences prefs;
    prefs.m_nSaveFolder = CPreferences::kSaveInDesktop;
    CPreferencesDlg dialog(prefs, false);
    dialog.show();
    const QList<QComboBox *> boxes = dialog.findChildren<QComboBox *>();
    const auto hidden
        = std::count_if(boxes.begin(), boxes.end(), [](QComboBox *b) { return b->isHidden(); });
    QCOMPARE(hidden, 1);
    dialog.accept();
    QCOMPARE(dialog.preferences().m_nSaveFolder, int(CPreferences::kSaveInDesktop));
}

QTEST_MAIN(tst_PreferencesDlg)
#include "tst_preferencesdlg.moc"
