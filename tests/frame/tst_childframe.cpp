#include "AppText.h"
#include "ChildFrame.h"
#include "ComboCat.h"
#include "DocTitleBar.h"
#include "FrameTestSupport.h"
#include "OutlineDoc.h"
#include "User.h"
#include "ZumraView.h"

#include "kx_gen/CategoryRecord.h"
#include "kx_gen/OutlineDB.h"

#include <QLabel>
#include <QSignalSpy>
#include <QtTest>

namespace {

// Types text character by character, as a keyboard with any layout would.
void TypeText(QWidget *widget, const QString &text)
{
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
    }
}

} // namespace

class tst_ChildFrame : public QObject {
    Q_OBJECT

private slots:
    void titleEditsMarkModifiedAndEnterFocusesTheView();
    void charactersOutsideTheCodePageAreRefusedInTheTitle();
    void filingCabinetTemplateAndConflictsLimitTheBar();
    void categoryBoxOrdersAndRoutesChoices();
    void lockButtonSetsThePrivateFlag();
};

void tst_ChildFrame::titleEditsMarkModifiedAndEnterFocusesTheView()
{
    CFrameTestRun run;
    QVERIFY(run.m_bStarted);
    COutlineDoc *doc = run.m_context->Documents().OpenDocumentFile(kx_gen::_String());
    QVERIFY(doc);
    CChildFrame frame(*doc, *run.m_context);
    frame.InitialUpdate();
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    CDocTitleEdit *edit = frame.titleBar()->titleEdit();
    QCOMPARE(edit->text(), QStringLiteral("Untitled"));

    edit->setFocus();
    edit->selectAll();
    TypeText(edit, QStringLiteral("Caf\u00e9"));
    QCOMPARE(doc->GetTitle().str(), std::string("Caf\xe9"));
    QVERIFY(doc->IsModified());
    QVERIFY(frame.isWindowModified());

    QTest::keyClick(edit, Qt::Key_Return);
    QVERIFY(frame.view()->hasFocus());
}

void tst_ChildFrame::charactersOutsideTheCodePageAreRefusedInTheTitle()
{
    CFrameTestRun run;
    COutlineDoc *doc = run.m_context->Documents().OpenDocumentFile(kx_gen::_String());
    CChildFrame frame(*doc, *run.m_context);
    frame.InitialUpdate();
    QSignalSpy refused(&frame, &CChildFrame::characterRefused);
    CDocTitleEdit *edit = frame.titleBar()->titleEdit();
    edit->setFocus();
    edit->end(false);
    TypeText(edit, QStringLiteral("x\u03a9"));
    QCOMPARE(refused.count(), 1);
    QCOMPARE(refused.first().first().toString(), QStringLiteral("\u03a9"));
    QCOMPARE(edit->text(), QStringLiteral("Untitledx"));
    QCOMPARE(doc->GetTitle().str(), std::string("Untitledx"));
}

void tst_ChildFrame::filingCabinetTemplateAndConflictsLimitTheBar()
{
    CFrameTestRun run;
    COutlineDoc *cabinet = run.m_context->ActiveUser()->GetFilingCabinet();
    QVERIFY(cabinet);
    {
        CChildFrame frame(*cabinet, *run.m_context);
        frame.InitialUpdate();
        QVERIFY(frame.titleBar()->titleEdit()->isReadOnly());
        QVERIFY(frame.titleBar()->categoryBox()->isHidden());
        QCOMPARE(frame.titleBar()->titleEdit()->text(), QStringLiteral("Filing Cabinet"));
    }
    COutlineDoc *doc = run.m_context->Documents().OpenDocumentFile(kx_gen::_String());
    doc->m_bTemplate = true;
    {
        CChildFrame frame(*doc, *run.m_context);
        frame.InitialUpdate();
        QVERIFY(frame.titleBar()->categoryBox()->isHidden());
        QVERIFY(!frame.titleBar()->titleEdit()->isReadOnly());
        QCOMPARE(frame.titleBar()->findChild<QLabel *>(QStringLiteral("1030"))->text(),
            QStringLiteral("Template Title"));
    }
    doc->m_bTemplate = false;
    doc->m_bConflict = true;
    CChildFrame frame(*doc, *run.m_context);
    frame.InitialUpdate();
    QVERIFY(frame.titleBar()->titleEdit()->isReadOnly());
    QVERIFY(!frame.titleBar()->categoryBox()->isEnabled());
}

void tst_ChildFrame::categoryBoxOrdersAndRoutesChoices()
{
    CFrameTestRun run;
    kx_gen::CCategoryDB *file = run.m_context->ActiveUser()->GetCategories();
    for (const char *name : { "beta", "Alpha", "gamma" })
        file->AddNewCategory(name);
    COutlineDoc *doc = run.m_context->Documents().OpenDocumentFile(kx_gen::_String());
    doc->GetOutline().GetDB()->SetCategoryName("Travel"); // a name the file lacks
    CChildFrame frame(*doc, *run.m_context);
    frame.InitialUpdate();
    CComboCat *box = frame.titleBar()->categoryBox();
    QStringList texts;
    for (int i = 0; i < box->count(); ++i)
        texts << box->itemText(i);
    QCOMPARE(texts,
        QStringList({ QStringLiteral("Alpha"), QStringLiteral("beta"), QStringLiteral("gamma"),
            QStringLiteral("Unfiled"), QStringLiteral("----"), QStringLiteral("Travel"),
            QStringLiteral("----"), QStringLiteral("Edit Categories ...") }));
    QCOMPARE(box->currentText(), QStringLiteral("Travel"));

    // Choosing a category files the outline under it.
    emit box->activated(1);
    QCOMPARE(doc->GetOutline().GetCategoryName().str(), std::string("beta"));
    QVERIFY(doc->IsModified());
    QVERIFY(doc->GetOutline().GetDB()->GetOutlineChanged());

    // A separator leaves the choice as it was; the last entry asks for the dialog.
    QSignalSpy edit(box, &CComboCat::editCategoriesRequested);
    box->setCurrentIndex(4);
    emit box->activated(4);
    QCOMPARE(box->currentText(), QStringLiteral("beta"));
    box->setCurrentIndex(box->count() - 1);
    emit box->activated(box->count() - 1);
    QCOMPARE(edit.count(), 1);
    QCOMPARE(box->currentText(), QStringLiteral("beta"));
}

void tst_ChildFrame::lockButtonSetsThePrivateFlag()
{
    CFrameTestRun run;
    COutlineDoc *doc = run.m_context->Documents().OpenDocumentFile(kx_gen::_String());
    CChildFrame frame(*doc, *run.m_context);
    frame.InitialUpdate();
    doc->SetModifiedFlag(false);
    CLockBtn *lock = frame.titleBar()->lockButton();
    QVERIFY(!lock->isChecked());
    lock->click();
    QVERIFY(doc->GetOutline().GetDB()->GetPrivate());
    QVERIFY(doc->IsModified());
}

QTEST_MAIN(tst_ChildFrame)
#include "tst_childframe.moc"
