// Lays out the outline window and the category dialog as a user sees them
// and checks the geometry that a user would notice first. With
// VELLACOR_SCREENSHOT_DIR set, the pictures are written there too.

#include "CategoryDialog.h"
#include "ChildFrame.h"
#include "ComboCat.h"
#include "DocTitleBar.h"
#include "FrameTestSupport.h"
#include "OutlineDoc.h"
#include "User.h"
#include "ZumraView.h"

#include "kx_gen/CategoryDB.h"

#include <QListWidget>

#include <QLabel>
#include <QtTest>

class tst_FrameLook : public QObject {
    Q_OBJECT

private slots:
    void titleBarKeepsTheCategoryAtTheRightEdge();
    void categoryDialogListsTheCategories();

private:
    static void Save(QWidget &widget, const char *name)
    {
        const QByteArray dir = qgetenv("VELLACOR_SCREENSHOT_DIR");
        if (!dir.isEmpty())
            widget.grab().save(
                QString::fromLocal8Bit(dir) + QLatin1Char('/') + QLatin1String(name));
    }
};

void tst_FrameLook::titleBarKeepsTheCategoryAtTheRightEdge()
{
    CFrameTestRun run;
    run.m_context->ActiveUser()->GetCategories()->AddNewCategory("Work");
    COutlineDoc *doc = run.m_context->Documents().OpenDocumentFile(kx_gen::_String());
    doc->SetOutlineTitle("Weekly plan");
    doc->SetCategory("Work");
    CChildFrame frame(*doc, *run.m_context);
    frame.InitialUpdate();
    for (int width : { 420, 900 }) {
        frame.resize(width, 300);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        CDocTitleBar *bar = frame.titleBar();
        const QRect title = bar->titleEdit()->geometry();
        const QRect box = bar->categoryBox()->geometry();
        QVERIFY(title.right() < box.left());
        QVERIFY(bar->width() - box.right() < 16);
        QVERIFY(title.width() >= 120);
        QVERIFY(box.width() >= bar->categoryBox()->minimumSizeHint().width());
        QVERIFY(frame.view()->geometry().top() >= bar->geometry().bottom());
    }
    Save(frame, "outline-frame.png");
}

void tst_FrameLook::categoryDialogListsTheCategories()
{
    CFrameTestRun run;
    kx_gen::CCategoryDB *file = run.m_context->ActiveUser()->GetCategories();
    for (const char *name : { "Work", "Home", "Travel" })
        file->AddNewCategory(name);
    CCategoryDialog dialog(*file, *run.m_context);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto *list = dialog.findChild<QListWidget *>(QStringLiteral("1006"));
    QVERIFY(list);
    QCOMPARE(list->count(), 3);
    QCOMPARE(list->currentRow(), 0);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Edit categories"));
    Save(dialog, "category-dialog.png");
}

QTEST_MAIN(tst_FrameLook)
#include "tst_framelook.moc"
