// The file pane in Palm mode: the handheld lists and Conflicts appear, and
// the Move commands follow the list of the selection.

#include "CabinetNames.h"
#include "FileTreeModel.h"
#include "FileViewControlBar.h"
#include "PaneTestSupport.h"
#include "PalmLibrary.h"
#include "User.h"

#include "FrameTestSupport.h"

#include "../support/PalmDesktopTestSupport.h"

#include <QMimeData>
#include <QTest>
#include <QTreeView>

#include <memory>

class tst_FilePanePalm : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void everyListOfTheUserShows();
    void moveCommandsFollowTheSelection();
    void aTemplateDroppedOnHandheldOutlinesBecomesAnOutlineThere();

private:
    std::string Root() const { return m_dir.path().toStdString(); }
    std::string AnnFile(const std::string &name) const
    {
        return Root() + "/HotSync/Ann/Vellacor/" + name;
    }
    std::string DesktopFile(const std::string &name) const
    {
        return Root() + "/Desktop/" + name;
    }
    QModelIndex Row(const std::string &path) const
    {
        return m_pane->model()->IndexOfPath(kx_gen::_String(path.c_str()));
    }

    QTemporaryDir m_dir;
    CScriptedPrompter m_prompter;
    CPalmLibrary m_palm;
    std::unique_ptr<kx_gen::CAppRegistry> m_settings;
    std::unique_ptr<CAppContext> m_context;
    std::unique_ptr<CFileViewControlBar> m_pane;
};

void tst_FilePanePalm::initTestCase()
{
    ::setenv("XDG_CONFIG_HOME", (Root() + "/config").c_str(), 1);
    kx_gen::CCategoryDB::setUnfiledCategoryName("Unfiled");
    const vellacortest::SCommandResult setup = vellacortest::RunPalmDesktop(
        { "setup", Root() + "/HotSync", "--user", "Ann", "--user", "Bob" });
    QCOMPARE(setup.nExitCode, 0);
    m_settings = std::make_unique<kx_gen::CAppRegistry>("Larkwell", "Idealoom");
    m_settings->OpenSection("Preferences");
    m_settings->WriteString("Path", DesktopFile("").c_str());
    m_settings->CloseSection();
    QVERIFY(QDir().mkpath(QString::fromStdString(AnnFile("Conflicts"))));
    QVERIFY(QDir().mkpath(QString::fromStdString(DesktopFile(""))));
    WriteTestOutline(AnnFile("Week.kxo"), "Week", "Unfiled");
    WriteTestOutline(AnnFile("Conflicts/Old.kxo"), "Old", "Unfiled");
    WriteTestOutline(DesktopFile("Home.kxo"), "Home", "Unfiled");
    WriteTestOutline(DesktopFile("Form.kxt"), "Form", "");
    m_context = std::make_unique<CAppContext>(m_prompter, *m_settings);
    QVERIFY(m_palm.DetectPalm(&m_prompter));
    QVERIFY(m_context->Start(&m_palm));
    m_pane = std::make_unique<CFileViewControlBar>(m_context.get());
    m_pane->resize(500, 400);
    m_pane->show();
    m_pane->UserActivated(m_context->Users().GetActiveUser());
}

void tst_FilePanePalm::cleanupTestCase()
{
    m_pane.reset();
    m_context->Documents().CloseAllDocuments(false);
    m_context->Stop();
    m_context.reset();
}

void tst_FilePanePalm::everyListOfTheUserShows()
{
    CFileTreeModel *model = m_pane->model();
    QStringList titles;
    for (int i = 0; i < model->rowCount(); ++i)
        titles << model->index(i, 0).data().toString();
    QCOMPARE(titles.size(), 5);
    QVERIFY(titles.contains(QStringLiteral("Handheld Outlines")));
    QVERIFY(titles.contains(QStringLiteral("Handheld Templates")));
    QVERIFY(titles.contains(QStringLiteral("Conflicts")));
    QVERIFY(titles.contains(QStringLiteral("Desktop Outlines")));
    QVERIFY(Row(AnnFile("Conflicts/Old.kxo")).isValid());
    const QByteArray dir = qgetenv("VELLACOR_SCREENSHOT_DIR");
    if (!dir.isEmpty())
        m_pane->grab().save(
            QDir(QFile::decodeName(dir)).filePath(QStringLiteral("file-pane-palm.png")));
}

void tst_FilePanePalm::moveCommandsFollowTheSelection()
{
    m_pane->SelectFile(QString::fromStdString(AnnFile("Week.kxo")));
    QVERIFY(m_pane->CanMoveToDesktop());
    QVERIFY(!m_pane->CanMoveToHandheld());
    m_pane->SelectFile(QString::fromStdString(DesktopFile("Home.kxo")));
    QVERIFY(m_pane->CanMoveToHandheld());
    QVERIFY(!m_pane->CanMoveToDesktop());
    m_pane->SelectFile(QString::fromStdString(AnnFile("Conflicts/Old.kxo")));
    QVERIFY(!m_pane->CanMoveToHandheld());
    QVERIFY(!m_pane->CanMoveToDesktop());
    QVERIFY(!m_pane->CanRename());
    QVERIFY(m_pane->CanDelete());
    // A hidden pane moves nothing.
    m_pane->SelectFile(QString::fromStdString(AnnFile("Week.kxo")));
    m_pane->hide();
    QVERIFY(!m_pane->CanMoveToDesktop());
    m_pane->show();

    m_pane->MoveSelectedToDesktop();
    QVERIFY(QFile::exists(QString::fromStdString(DesktopFile("Week.kxo"))));
    QVERIFY(!QFile::exists(QString::fromStdString(AnnFile("Week.kxo"))));
    QCOMPARE(m_pane->SelectedPath().str(), DesktopFile("Week.kxo"));
}

void tst_FilePanePalm::aTemplateDroppedOnHandheldOutlinesBecomesAnOutlineThere()
{
    CFileTreeModel *model = m_pane->model();
    std::unique_ptr<QMimeData> data(model->mimeData({ Row(DesktopFile("Form.kxt")) }));
    QVERIFY(data);
    const QModelIndex handheld = model->IndexOfRoot(cabinet::kRootHandheldOutlines);
    QVERIFY(model->canDropMimeData(data.get(), Qt::MoveAction, -1, 0, handheld));
    model->dropMimeData(data.get(), Qt::MoveAction, -1, 0, handheld);
    QTRY_VERIFY(QFile::exists(QString::fromStdString(AnnFile("Form.kxo"))));
    QVERIFY(QFile::exists(QString::fromStdString(DesktopFile("Form.kxt"))));
    QTRY_COMPARE(m_pane->SelectedPath().str(), AnnFile("Form.kxo"));
}

QTEST_MAIN(tst_FilePanePalm)
#include "tst_filepanepalm.moc"
