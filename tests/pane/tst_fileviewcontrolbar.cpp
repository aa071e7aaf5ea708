// The file pane over a desktop-only user: rows, running numbers, the
// filter, sorting from the header, Rebuild, the one-list selection, drops
// and categories.

#include "CabinetNames.h"
#include "ComboCat.h"
#include "FileTreeModel.h"
#include "FileViewControlBar.h"
#include "QtLook.h"
#include "OutlineDoc.h"
#include "PaneTestSupport.h"
#include "User.h"

#include "FrameTestSupport.h"

#include <QHeaderView>
#include <QImage>
#include <QPalette>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>

#include <memory>

class tst_FileViewControlBar : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void rowsCarryRunningNumbersPerList();
    void filterKeepsTemplatesVisible();
    void headerClicksSortAndReverse();
    void rebuildKeepsSelectionExpansionAndTop();
    void selectionNeverSpansTwoLists();
    void dropsOnlyOnAnotherList();
    void droppingATemplateOnOutlinesCopiesIt();
    void settingACategoryRewritesTheSelectedOutlines();
    void columnWidthsAreStoredOnDestruction();
    void paintsReadablyInADarkPalette();

private:
    QString Cell(int root, int row, int column = 0) const;
    QModelIndex Row(const QString &name) const;
    std::string DesktopFile(const std::string &name) const
    {
        return m_run->Desktop() + "/" + name;
    }

    std::unique_ptr<CFrameTestRun> m_run;
    std::unique_ptr<CFileViewControlBar> m_pane;
};

void tst_FileViewControlBar::init()
{
    m_run = std::make_unique<CFrameTestRun>();
    QDir().mkpath(QString::fromStdString(m_run->Desktop()));
    // Files first, then the user's lists are read again.
    WriteTestOutline(DesktopFile("Week.kxo"), "Week", "Work");
    WriteTestOutline(DesktopFile("Chores.kxo"), "Chores", "Home");
    WriteTestOutline(DesktopFile("Ideas.kxo"), "Ideas", "");
    WriteTestOutline(DesktopFile("Form.kxt"), "Form", "");
    QVERIFY(m_run->m_bStarted);
    CUser *user = m_run->m_context->Users().GetActiveUser();
    QVERIFY(user);
    user->GetRoots().RefreshAll();
    m_run->m_context->RebuildCategoryList();
    m_pane = std::make_unique<CFileViewControlBar>(m_run->m_context.get());
    m_pane->resize(500, 400);
    m_pane->show();
    m_pane->UserActivated(user);
}

void tst_FileViewControlBar::cleanup()
{
    m_pane.reset();
    m_run.reset();
}

QString tst_FileViewControlBar::Cell(int root, int row, int column) const
{
    CFileTreeModel *model = m_pane->model();
    return model->index(row, column, model->index(root, 0)).data().toString();
}

QModelIndex tst_FileViewControlBar::Row(const QString &name) const
{
    return m_pane->model()->IndexOfPath(
        kx_gen::_String(DesktopFile(name.toStdString()).c_str()));
}

void tst_FileViewControlBar::rowsCarryRunningNumbersPerList()
{
    CFileTreeModel *model = m_pane->model();
    QCOMPARE(m_pane->objectName(), QStringLiteral("107"));
    QCOMPARE(m_pane->windowTitle(), QStringLiteral("File list"));
    QCOMPARE(model->rowCount(), 2);
    QCOMPARE(model->index(0, 0).data().toString(), QStringLiteral("Desktop Outlines"));
    QCOMPARE(model->index(1, 0).data().toString(), QStringLiteral("Desktop Templates"));
    // First shown: every list open, sorted by title.
    QVERIFY(m_pane->tree()->isExpanded(model->index(0, 0)));
    QCOMPARE(Cell(0, 0), QStringLiteral("  1. Chores"));
    QCOMPARE(Cell(0, 2), QStringLiteral("  3. Week"));
    QCOMPARE(Cell(1, 0), QStringLiteral("  1. Form"));
    QCOMPARE(model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Category"));
    QCOMPARE(Cell(0, 2, 1), QStringLiteral("Work"));
    QCOMPARE(Cell(0, 2, 2), QStringLiteral("Week"));
}

void tst_FileViewControlBar::filterKeepsTemplatesVisible()
{
    m_pane->SetFilterText("Work");
    CFileTreeModel *model = m_pane->model();
    QCOMPARE(model->rowCount(model->index(0, 0)), 1);
    QCOMPARE(Cell(0, 0), QStringLiteral("  1. Week"));
    QCOMPARE(model->rowCount(model->index(1, 0)), 1);
    QCOMPARE(m_run->m_context->Users().GetActiveUser()->m_strFilterCategory.str(),
        std::string("Work"));
    m_pane->SetFilterText("");
    QCOMPARE(m_pane->filterBox()->currentText(), QStringLiteral("All"));
    QCOMPARE(model->rowCount(model->index(0, 0)), 3);
    QVERIFY(m_run->m_context->Users().GetActiveUser()->m_strFilterCategory.IsEmpty());
}

void tst_FileViewControlBar::headerClicksSortAndReverse()
{
    QHeaderView *header = m_pane->tree()->header();
    const int titleColumn = 0;
    QSignalSpy clicks(header, &QHeaderView::sectionClicked);
    // Title is the current sort column: a click reverses it.
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
        QPoint(header->sectionViewportPosition(titleColumn) + header->sectionSize(titleColumn) / 2,
            header->height() / 2));
    QCOMPARE(clicks.count(), 1);
    QCOMPARE(Cell(0, 0), QStringLiteral("  1. Week"));
    QCOMPARE(header->sortIndicatorOrder(), Qt::DescendingOrder);
    // The file name column, ascending.
    const int fileName = m_pane->model()->Columns().VisibleIndexOf(CFileListColumns::kFileName);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
        QPoint(header->sectionViewportPosition(fileName) + header->sectionSize(fileName) / 2,
            header->height() / 2));
    QCOMPARE(Cell(0, 0), QStringLiteral("  1. Chores"));
    QCOMPARE(Cell(0, 1), QStringLiteral("  2. Ideas"));
    QCOMPARE(header->sortIndicatorSection(), fileName);
    QCOMPARE(header->sortIndicatorOrder(), Qt::AscendingOrder);
}

void tst_FileViewControlBar::rebuildKeepsSelectionExpansionAndTop()
{
    QTreeView *tree = m_pane->tree();
    CFileTreeModel *model = m_pane->model();
    tree->collapse(model->index(1, 0));
    m_pane->SelectFile(QString::fromStdString(DesktopFile("Ideas.kxo")));
    // A new file arrives; its list is read again and sorted.
    WriteTestOutline(DesktopFile("Apples.kxo"), "Apples", "");
    m_run->m_context->Users().GetActiveUser()->GetRoots().RefreshAll();
    m_pane->Rebuild(true);
    QCOMPARE(Cell(0, 0), QStringLiteral("  1. Apples"));
    QCOMPARE(m_pane->SelectedPath().str(), DesktopFile("Ideas.kxo"));
    QVERIFY(tree->isExpanded(model->index(0, 0)));
    QVERIFY(!tree->isExpanded(model->index(1, 0)));
    QCOMPARE(tree->indexAt(QPoint(1, 1)), model->index(0, 0));
    QVERIFY(m_pane->CanRename());
    QVERIFY(!m_pane->CanMoveToHandheld()); // desktop-only mode

    // The number pad opens and closes the selected list.
    const QModelIndex templates = model->index(1, 0);
    tree->setCurrentIndex(templates);
    QTest::keyClick(tree, Qt::Key_Asterisk, Qt::KeypadModifier);
    QVERIFY(tree->isExpanded(templates));
    QTest::keyClick(tree, Qt::Key_Minus, Qt::KeypadModifier);
    QVERIFY(!tree->isExpanded(templates));
    QTest::keyClick(tree, Qt::Key_Plus, Qt::KeypadModifier);
    QVERIFY(tree->isExpanded(templates));
}

void tst_FileViewControlBar::selectionNeverSpansTwoLists()
{
    QTreeView *tree = m_pane->tree();
    m_pane->SelectFile(QString::fromStdString(DesktopFile("Week.kxo")));
    const QRect form = tree->visualRect(Row(QStringLiteral("Form.kxt")));
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::ControlModifier, form.center());
    QCOMPARE(int(m_pane->SelectedPaths().size()), 1);
    QCOMPARE(m_pane->SelectedPath().str(), DesktopFile("Form.kxt"));
    const QRect ideas = tree->visualRect(Row(QStringLiteral("Ideas.kxo")));
    const QRect chores = tree->visualRect(Row(QStringLiteral("Chores.kxo")));
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, ideas.center());
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::ControlModifier, chores.center());
    QCOMPARE(int(m_pane->SelectedPaths().size()), 2);
    QVERIFY(!m_pane->CanRename());
    QVERIFY(m_pane->CanDelete());
}

void tst_FileViewControlBar::dropsOnlyOnAnotherList()
{
    CFileTreeModel *model = m_pane->model();
    std::unique_ptr<QMimeData> data(model->mimeData({ Row(QStringLiteral("Week.kxo")) }));
    QVERIFY(data);
    const QModelIndex outlines = model->index(0, 0);
    const QModelIndex templates = model->index(1, 0);
    QVERIFY(!model->canDropMimeData(data.get(), Qt::MoveAction, -1, 0, outlines));
    QVERIFY(!model->canDropMimeData(data.get(), Qt::MoveAction, -1, 0, Row(QStringLiteral("Ideas.kxo"))));
    QVERIFY(!model->canDropMimeData(data.get(), Qt::MoveAction, 1, 0, QModelIndex()));
    QVERIFY(model->canDropMimeData(data.get(), Qt::MoveAction, -1, 0, templates));
    QMimeData foreign;
    foreign.setData(QString::fromLatin1(CFileTreeModel::kMimeType), "/elsewhere/x.kxo");
    QVERIFY(!model->canDropMimeData(&foreign, Qt::MoveAction, -1, 0, templates));
}

void tst_FileViewControlBar::droppingATemplateOnOutlinesCopiesIt()
{
    CFileTreeModel *model = m_pane->model();
    std::unique_ptr<QMimeData> data(model->mimeData({ Row(QStringLiteral("Form.kxt")) }));
    model->dropMimeData(data.get(), Qt::MoveAction, -1, 0, model->index(0, 0));
    // The commands run once the drop is over.
    QTRY_COMPARE(model->rowCount(model->index(0, 0)), 4);
    QVERIFY(QFile::exists(QString::fromStdString(DesktopFile("Form.kxt"))));
    QCOMPARE(m_pane->SelectedPath().str(), DesktopFile("Form.kxo"));
}

void tst_FileViewControlBar::settingACategoryRewritesTheSelectedOutlines()
{
    m_pane->SelectFile(QString::fromStdString(DesktopFile("Ideas.kxo")));
    m_pane->SetSelectedCategory("Work");
    QCOMPARE(m_pane->SelectedPath().str(), DesktopFile("Ideas.kxo"));
    const QModelIndex ideas = Row(QStringLiteral("Ideas.kxo"));
    QCOMPARE(ideas.siblingAtColumn(1).data().toString(), QStringLiteral("Work"));
    kx_gen::COutlineDB db;
    db.OpenWithoutUpgrade(DesktopFile("Ideas.kxo").c_str(), kx_gen::CFile::modeRead, nullptr);
    db.ReadSharedHeader();
    QCOMPARE(db.GetCategoryName().str(), std::string("Work"));
    db.Close();
}

void tst_FileViewControlBar::columnWidthsAreStoredOnDestruction()
{
    m_pane->tree()->header()->resizeSection(0, 123);
    m_pane.reset();
    const CFileListColumns stored = CFileListColumns::Load(*m_run->m_settings);
    QCOMPARE(stored.At(0).m_nCode, CFileListColumns::kTitle);
    QCOMPARE(stored.At(0).m_nWidth, 123);
}

void tst_FileViewControlBar::paintsReadablyInADarkPalette()
{
    const QPalette dark = DarkPalette();
    m_pane->setPalette(dark);
    m_pane->SelectFile(QString::fromStdString(DesktopFile("Week.kxo")));
    const QImage image = m_pane->grab().toImage();
    // A bright pixel inside the list: the rows' text follows the palette.
    const QRect list = QRect(m_pane->tree()->viewport()->mapTo(m_pane.get(), QPoint()),
        m_pane->tree()->viewport()->size());
    bool brightText = false;
    for (int y = list.top(); y < list.bottom() && !brightText; y += 2)
        for (int x = list.left(); x < list.right() && !brightText; x += 2)
            brightText = qGray(image.pixel(x, y)) > 200;
    QVERIFY(brightText);
    QCOMPARE(qGray(image.pixel(list.right() - 2, list.bottom() - 2)) < 60, true);
    const QByteArray dir = qgetenv("VELLACOR_SCREENSHOT_DIR");
    if (!dir.isEmpty())
        image.save(QDir(QFile::decodeName(dir)).filePath(QStringLiteral("file-pane-dark.png")));
}

QTEST_MAIN(tst_FileViewControlBar)
#include "tst_fileviewcontrolbar.moc"
