// The settings dialog's widgets carry the model's fields both ways; the
// rules themselves are tested with the model.

#include "HtmlSetDlgWidget.h"

#include <QLineEdit>
#include <QtTest>

namespace {

class CMemoryStore : public formats::CHtmlSettingsStore {
public:
    CUserHtmlSettings Load() override { return m_Settings; }
    bool Store(const CUserHtmlSettings &settings) override
    {
        ++m_nStores;
        m_Settings = settings;
        return m_bAccept;
    }
    CUserHtmlSettings m_Settings;
    int m_nStores = 0;
    bool m_bAccept = true;
};

} // namespace

class tst_HtmlSetDlg : public QObject {
    Q_OBJECT
private slots:
    void showsAndStoresTheFields()
    {
        CMemoryStore store;
        store.m_Settings.m_strHtmlPath = "/t/page.html";
        store.m_Settings.m_strRulePath = "/t/page.rules";
        formats::CHtmlSetDlgModel model("Anna", store, "/t/out");
        model.OnInitDialog();
        CHtmlSetDlg dialog(model);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("HTML export settings..."));
        auto *templ = dialog.findChild<QLineEdit *>(QStringLiteral("edit1069"));
        auto *folder = dialog.findChild<QLineEdit *>(QStringLiteral("edit1074"));
        QVERIFY(templ && folder && dialog.findChild<QLineEdit *>(QStringLiteral("edit1072")));
        QCOMPARE(templ->text(), QStringLiteral("/t/page.html"));
        QCOMPARE(folder->text(), QStringLiteral("/t/out"));

        folder->setText(QStringLiteral(" /t/caf\u00e9 "));
        dialog.accept();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(store.m_Settings.m_strExportFolder.str(), std::string("/t/caf\xc3\xa9"));
    }

    void aRefusedStoreKeepsTheDialogOpen()
    {
        CMemoryStore store;
        store.m_bAccept = false;
        formats::CHtmlSetDlgModel model("Anna", store, "/t/out");
        model.OnInitDialog();
        CHtmlSetDlg dialog(model);
        QTimer::singleShot(0, [] {
            if (QWidget *box = QApplication::activeModalWidget())
                box->close();
        });
        dialog.accept();
        QCOMPARE(store.m_nStores, 1);
        QCOMPARE(dialog.result(), 0);
    }
};

QTEST_MAIN(tst_HtmlSetDlg)
#include "tst_htmlsetdlg.moc"
