// The road of one outline through the main window: open a file, change its
// title and category in the title bar, save, and find the file renamed after
// its title; close with unsaved changes and be asked first.

#include "../frame/FrameTestSupport.h"
#include "ChildFrame.h"
#include "ComboCat.h"
#include "DocTitleBar.h"
#include "MainFrame.h"
#include "OutlineDoc.h"
#include "User.h"

#include "kx_gen/CategoryDB.h"
#include "kx_gen/File.h"
#include "kx_gen/OutlineDB.h"

#include <QAction>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QtTest>

namespace {

void WriteOutline(const QString &path, const char *title, const char *category)
{
    kx_gen::COutlineDB db;
    db.InitNewDatabase();
    db.SetOutlineTitle(title);
    db.SetCategoryName(category);
    db.GetRecordset()->Append();
    db.Open(
        QFile::encodeName(path).constData(), kx_gen::CFile::modeCreate | kx_gen::CFile::modeWrite);
    db.WriteAllHeaders();
    db.WriteRows();
    db.Close();
}

std::pair<std::string, std::string> StoredTitleAndCategory(const QString &path)
{
    kx_gen::COutlineDB db;
    db.Open(QFile::encodeName(path).constData(), kx_gen::CFile::modeRead);
    db.ReadSharedHeader();
    db.ReadPrivateHeader();
    return { db.GetOutlineTitle().str(), db.GetCategoryName().str() };
}

QAction *Action(MainFrame &frame, int id)
{
    return frame.findChild<QAction *>(QString::number(id));
}

} // namespace

class tst_DocumentRoad : public QObject {
    Q_OBJECT

private slots:
    void renameFollowsTheTitleOnSave();
    void closingWithChangesAsksFirst();
};

void tst_DocumentRoad::renameFollowsTheTitleOnSave()
{
    CFrameTestRun run;
    QVERIFY(run.m_bStarted);
    run.m_context->ActiveUser()->GetCategories()->AddNewCategory("Work");
    MainFrame frame(run.m_context.get());
    run.m_context->SetWindows(&frame);
    frame.show();

    const QString path = QString::fromStdString(run.Desktop()) + QStringLiteral("/plan.kxo");
    WriteOutline(path, "Weekly plan", "Unfiled");
    QVERIFY(frame.OpenFile(path));
    CChildFrame *child = frame.activeFrame();
    QVERIFY(child);
    QCOMPARE(frame.windowTitle(), QStringLiteral("Weekly plan[*] - Vellacor"));
    QVERIFY(!frame.isWindowModified());

    CComboCat *box = child->titleBar()->categoryBox();
    const int work = box->findText(QStringLiteral("Work"));
    QVERIFY(work >= 0);
    box->setCurrentIndex(work);
    emit box->activated(work);
    child->titleBar()->titleEdit()->setText(QString());
    QTest::keyClicks(child->titleBar()->titleEdit(), QStringLiteral("Monthly plan"));
    QVERIFY(frame.isWindowModified());
    QCOMPARE(frame.windowTitle(), QStringLiteral("Monthly plan[*] - Vellacor"));

    Action(frame, 57603)->trigger();
    const QString renamed
        = QString::fromStdString(run.Desktop()) + QStringLiteral("/Monthly plan.kxo");
    QVERIFY(!QFile::exists(path));
    QVERIFY(QFile::exists(renamed));
    QCOMPARE(StoredTitleAndCategory(renamed),
        std::make_pair(std::string("Monthly plan"), std::string("Work")));
    QVERIFY(!frame.isWindowModified());
}

void tst_DocumentRoad::closingWithChangesAsksFirst()
{
    CFrameTestRun run;
    MainFrame frame(run.m_context.get());
    run.m_context->SetWindows(&frame);
    frame.show();
    Action(frame, 57600)->trigger();
    CChildFrame *child = frame.activeFrame();
    QVERIFY(child);
    QTest::keyClicks(child->titleBar()->titleEdit(), QStringLiteral("X"));

    run.m_prompter.m_YesNoCancel = { CCabinetPrompter::kCancel };
    Action(frame, 57602)->trigger();
    QCOMPARE(run.m_prompter.m_Questions.back(), std::string("Save changes to UntitledX?"));
    QCOMPARE(frame.mdiArea()->subWindowList().size(), 1);

    // Quitting asks too; Cancel keeps the program running.
    run.m_prompter.m_YesNoCancel = { CCabinetPrompter::kCancel };
    QVERIFY(!frame.close());
    QCOMPARE(run.m_context->Documents().GetDocuments().size(), size_t(1));
    run.m_prompter.m_YesNoCancel = { CCabinetPrompter::kNo };
    QVERIFY(frame.close());
    QVERIFY(run.m_context->Documents().GetDocuments().empty());
}

QTEST_MAIN(tst_DocumentRoad)
#include "tst_documentroad.moc"
