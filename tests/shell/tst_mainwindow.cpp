// The main window around its documents: the list commands' states and the
// Move command for an outline opened from elsewhere, the toolbar buttons
// standing for the active view's commands, the filing cabinet's window,
// recent files, dropped files and the exchange formats' menus.

#include "../frame/FrameTestSupport.h"
#include "ChildFrame.h"
#include "Commands.h"
#include "FileTreeModel.h"
#include "FileViewControlBar.h"
#include "FormatCommands.h"
#include "MainFrame.h"
#include "MainToolBars.h"
#include "OutlineCommands.h"
#include "OutlineDoc.h"
#include "RootList.h"
#include "User.h"
#include "ZumraView.h"

#include "kx_gen/File.h"
#include "kx_gen/OutlineDB.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>

namespace {

void WriteOutline(const QString &path, const char *title, const std::vector<const char *> &items)
{
    kx_gen::COutlineDB db;
    db.InitNewDatabase();
    db.SetOutlineTitle(title);
    db.SetCategoryName("Unfiled");
    for (const char *text : items)
        static_cast<kx_gen::COutlineRecord *>(db.GetRecordset()->Append())->SetText(text);
    db.Open(
        QFile::encodeName(path).constData(), kx_gen::CFile::modeCreate | kx_gen::CFile::modeWrite);
    db.WriteAllHeaders();
    db.WriteRows();
    db.Close();
}

int ItemCount(const COutlineMan &man)
{
    int count = 0;
    for (const COutlineNode *node = man.GetFirstVisible(); node; node = man.GetNextInDocument(node))
        ++count;
    return count;
}

QMenu *TopMenu(MainFrame &frame, const QString &text)
{
    for (QAction *action : frame.menuBar()->actions())
        if (action->text() == text)
            return action->menu();
    return nullptr;
}

// A desktop-only run with the window made before the user is activated,
// as the program does it.
struct CWindowRun {
    CWindowRun()
    {
        frame = std::make_unique<MainFrame>(run.m_context.get());
        run.m_context->SetWindows(frame.get());
        frame->show();
        // The user became active before the window existed.
        run.m_context->m_onUserChanged(CCabinetNotify::kUserActivated, run.m_context->ActiveUser());
    }
    ~CWindowRun()
    {
        run.m_context->Documents().CloseAllDocuments(false);
        run.m_context->SetWindows(nullptr);
    }
    QString Desktop(const char *name) const
    {
        return QString::fromStdString(run.Desktop()) + QLatin1Char('/') + QLatin1String(name);
    }

    CFrameTestRun run;
    std::unique_ptr<MainFrame> frame;
};

} // namespace

class tst_MainWindow : public QObject {
    Q_OBJECT

private slots:
    void listCommandsFollowThePaneSelection();
    void moveTakesAnOutlineFromElsewhereIntoTheList();
    void toolbarButtonsRunTheActiveView();
    void viewMenusHoldTheActiveViewsActions();
    void filingCabinetWindowHidesAndEmpties();
    void recentFilesListOpenedOutlines();
    void droppedOutlineOpens();
    void formatsExportAndImportThroughTheMenus();
};

void tst_MainWindow::listCommandsFollowThePaneSelection()
{
    CWindowRun w;
    QVERIFY(w.run.m_bStarted);
    WriteOutline(w.Desktop("Plan.kxo"), "Plan", { "one" });
    w.run.m_context->ActiveUser()->GetRoots().RefreshAll();
    w.frame->pane()->Rebuild(false);
    QApplication::processEvents();

    // A list row, no file: nothing to rename, duplicate or delete.
    w.frame->pane()->tree()->setCurrentIndex(w.frame->pane()->model()->index(0, 0));
    QVERIFY(!w.frame->Action(cmd::kRenameOutline)->isEnabled());
    QVERIFY(!w.frame->Action(cmd::kDeleteOutline)->isEnabled());

    w.frame->pane()->SelectFile(w.Desktop("Plan.kxo"));
    QApplication::processEvents();
    QVERIFY(w.frame->Action(cmd::kRenameOutline)->isEnabled());
    QVERIFY(w.frame->Action(cmd::kDuplicateOutline)->isEnabled());
    QVERIFY(w.frame->Action(cmd::kDeleteOutline)->isEnabled());
    // Desktop-only mode has no handheld list to move to or from.
    QVERIFY(!w.frame->Action(cmd::kMoveToHandheld)->isEnabled());
    QVERIFY(!w.frame->Action(cmd::kMoveToDesktop)->isEnabled());
    QVERIFY(!w.frame->Action(cmd::kUsers)->isVisible());

    // A hidden pane offers nothing to act on.
    w.frame->Action(cmd::kShowOutlineList)->trigger();
    QApplication::processEvents();
    QVERIFY(!w.frame->pane()->isVisible());
    QVERIFY(!w.frame->Action(cmd::kShowOutlineList)->isChecked());
    QVERIFY(!w.frame->Action(cmd::kRenameOutline)->isEnabled());
    w.frame->Action(cmd::kShowOutlineList)->trigger();
    QApplication::processEvents();
    QVERIFY(w.frame->pane()->isVisible());
}

void tst_MainWindow::moveTakesAnOutlineFromElsewhereIntoTheList()
{
    CWindowRun w;
    QTemporaryDir elsewhere;
    const QString outside = elsewhere.filePath(QStringLiteral("Trip.kxo"));
    WriteOutline(outside, "Trip", { "passport", "tickets" });
    QVERIFY(w.frame->OpenFile(outside));
    QCOMPARE(w.frame->ActivePlace(), MainFrame::EPlace::kOutsideOutline);
    QVERIFY(w.frame->Action(cmd::kMoveToDesktop)->isEnabled());

    w.frame->Action(cmd::kMoveToDesktop)->trigger();
    QApplication::processEvents();
    QVERIFY(!QFile::exists(outside));
    QVERIFY(QFile::exists(w.Desktop("Trip.kxo")));
    QCOMPARE(w.frame->pane()->SelectedPath().str(), w.Desktop("Trip.kxo").toStdString());
    // The open outline follows its file.
    CChildFrame *child = w.frame->activeFrame();
    QVERIFY(child);
    QCOMPARE(child->document().GetPathName().str(), w.Desktop("Trip.kxo").toStdString());
    QCOMPARE(w.frame->ActivePlace(), MainFrame::EPlace::kInList);
}

void tst_MainWindow::toolbarButtonsRunTheActiveView()
{
    CWindowRun w;
    QAction *newItem = w.frame->toolBars()->ViewAction(outline_cmd::kNewItem);
    QVERIFY(newItem);
    QVERIFY(!newItem->isEnabled());
    newItem->trigger(); // without a window: nothing, and no crash

    WriteOutline(w.Desktop("Tasks.kxo"), "Tasks", { "a", "b" });
    QVERIFY(w.frame->OpenFile(w.Desktop("Tasks.kxo")));
    CChildFrame *child = w.frame->activeFrame();
    QVERIFY(child);
    child->view()->setFocus();
    QTRY_VERIFY(newItem->isEnabled());
    const int before = ItemCount(child->document().GetOutline());
    newItem->trigger();
    QCOMPARE(ItemCount(child->document().GetOutline()), before + 1);
    // Undo's button names what it undoes, as the view's own action does.
    QAction *undo = w.frame->toolBars()->ViewAction(outline_cmd::kUndo);
    QTRY_VERIFY(undo->isEnabled());
    QCOMPARE(
        undo->text(), child->view()->Action(outline_cmd::kUndo)->text().remove(QLatin1Char('&')));

    w.frame->FileClose();
    QApplication::processEvents();
    QVERIFY(!newItem->isEnabled());
}

void tst_MainWindow::viewMenusHoldTheActiveViewsActions()
{
    CWindowRun w;
    QMenu *edit = TopMenu(*w.frame, QStringLiteral("&Edit"));
    QMenu *outline = TopMenu(*w.frame, QStringLiteral("&Outline"));
    QVERIFY(edit && outline);
    QVERIFY(edit->actions().contains(w.frame->Action(cmd::kPreferences)));
    QVERIFY(outline->actions().contains(w.frame->Action(cmd::kShowFilingCabinet)));

    WriteOutline(w.Desktop("Menus.kxo"), "Menus", { "x" });
    QVERIFY(w.frame->OpenFile(w.Desktop("Menus.kxo")));
    CZumraView *view = w.frame->activeFrame()->view();
    QVERIFY(edit->actions().contains(view->Action(outline_cmd::kUndo)));
    QVERIFY(outline->actions().contains(view->Action(outline_cmd::kMoveRight)));
    // The window's own commands stay after the view's.
    QVERIFY(edit->actions().contains(w.frame->Action(cmd::kPreferences)));

    w.frame->FileClose();
    QApplication::processEvents();
    for (QAction *action : edit->actions())
        QVERIFY(action->isSeparator() || action->parent() == w.frame.get());
}

void tst_MainWindow::filingCabinetWindowHidesAndEmpties()
{
    CWindowRun w;
    WriteOutline(w.Desktop("Source.kxo"), "Source", { "keep me" });
    QVERIFY(w.frame->OpenFile(w.Desktop("Source.kxo")));
    CZumraView *source = w.frame->activeFrame()->view();
    QVERIFY(source->CopyToFilingCabinet(source->GetMan()->GetFirstVisible()));

    w.frame->Action(cmd::kShowFilingCabinet)->trigger();
    QApplication::processEvents();
    CChildFrame *cabinet = w.frame->activeFrame();
    QVERIFY(cabinet);
    QVERIFY(cabinet->document().m_bFilingCabinet);
    QVERIFY(ItemCount(cabinet->document().GetOutline()) >= 1);
    QMdiSubWindow *window = w.frame->mdiArea()->activeSubWindow();

    // Closing only hides it: the cabinet stays open for the user.
    window->close();
    QApplication::processEvents();
    QVERIFY(window->isHidden());
    QVERIFY(w.run.m_context->ActiveUser()->GetFilingCabinet() == &cabinet->document());
    w.frame->Action(cmd::kShowFilingCabinet)->trigger();
    QVERIFY(!window->isHidden());

    w.frame->Action(cmd::kEmptyFilingCabinet)->trigger();
    QCOMPARE(ItemCount(cabinet->document().GetOutline()), 1);
    QVERIFY(cabinet->document().IsModified());
    // The outline the item came from keeps it.
    QCOMPARE(ItemCount(w.run.m_context->Documents().InStackingOrder().front()->GetOutline()), 1);
}

void tst_MainWindow::recentFilesListOpenedOutlines()
{
    CWindowRun w;
    WriteOutline(w.Desktop("First.kxo"), "First", { "1" });
    WriteOutline(w.Desktop("Second.kxo"), "Second", { "2" });
    QVERIFY(w.frame->OpenFile(w.Desktop("First.kxo")));
    QVERIFY(w.frame->OpenFile(w.Desktop("Second.kxo")));
    w.frame->Action(cmd::kShowFilingCabinet)->trigger();
    const std::vector<kx_gen::_String> &paths = w.frame->recentFiles().Paths();
    QCOMPARE(paths.size(), std::size_t(2));
    QCOMPARE(paths[0].str(), w.Desktop("Second.kxo").toStdString());
    QCOMPARE(paths[1].str(), w.Desktop("First.kxo").toStdString());

    // The next run's window reads the same list.
    MainFrame again(w.run.m_context.get());
    QCOMPARE(again.recentFiles().Paths().size(), std::size_t(2));
    QAction *entry = again.findChild<QAction *>(QString::number(cmd::kRecentFile1));
    QVERIFY(entry);
    QVERIFY(entry->text().endsWith(QLatin1String("Second.kxo")));
}

void tst_MainWindow::droppedOutlineOpens()
{
    CWindowRun w;
    WriteOutline(w.Desktop("Dropped.kxo"), "Dropped", { "d" });
    QFile other(w.Desktop("notes.txt"));
    QVERIFY(other.open(QIODevice::WriteOnly));
    other.close();

    auto drop = [&](const QString &path) {
        QMimeData data;
        data.setUrls({ QUrl::fromLocalFile(path) });
        QDragEnterEvent enter(
            QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w.frame.get(), &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent dropped(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w.frame.get(), &dropped);
        return true;
    };
    QVERIFY(!drop(w.Desktop("notes.txt")));
    QVERIFY(w.frame->mdiArea()->subWindowList().isEmpty());
    QVERIFY(drop(w.Desktop("Dropped.kxo")));
    QVERIFY(w.frame->activeFrame());
    QCOMPARE(w.frame->activeFrame()->document().GetPathName().str(),
        w.Desktop("Dropped.kxo").toStdString());
}

void tst_MainWindow::formatsExportAndImportThroughTheMenus()
{
    CWindowRun w;
    QMenu *file = TopMenu(*w.frame, QStringLiteral("&File"));
    QVERIFY(file);
    QStringList exportTexts;
    for (QAction *action : file->actions())
        if (action->menu() && action->text() == QStringLiteral("Ex&port"))
            for (QAction *entry : action->menu()->actions())
                exportTexts << entry->text();
    QVERIFY(exportTexts.contains(QStringLiteral("&OPML Outline...")));
    QVERIFY(exportTexts.contains(QStringLiteral("&Markdown...")));
    QVERIFY(exportTexts.contains(QStringLiteral("Export to HTML")));

    WriteOutline(w.Desktop("Trip.kxo"), "Trip", { "passport", "tickets", "map" });
    QVERIFY(w.frame->OpenFile(w.Desktop("Trip.kxo")));
    COutlineDoc *document = &w.frame->activeFrame()->document();
    CFormatCommands formats(*w.run.m_context, w.frame.get());
    QTemporaryDir dir;
    const QString opml = dir.filePath(QStringLiteral("trip.opml"));
    QVERIFY(formats.ExportTo(document, formats::EFormat::kOpml, opml));
    COutlineDoc *imported = formats.ImportFrom(opml, formats::EFormat::kOpml);
    QVERIFY(imported);
    QCOMPARE(ItemCount(imported->GetOutline()), 3);
    QCOMPARE(imported->GetTitle().str(), std::string("Trip"));
    QVERIFY(imported->IsModified());
    QVERIFY(imported->GetPathName().IsEmpty());

    // A file that is no outline opens nothing.
    const int windows = static_cast<int>(w.frame->mdiArea()->subWindowList().size());
    QFile bad(dir.filePath(QStringLiteral("bad.opml")));
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write("<opml><body><outline text=");
    bad.close();
    QTimer::singleShot(0, [] {
        if (QWidget *box = QApplication::activeModalWidget())
            box->close();
    });
    QVERIFY(!formats.ImportFrom(bad.fileName(), formats::EFormat::kOpml));
    QCOMPARE(static_cast<int>(w.frame->mdiArea()->subWindowList().size()), windows);
}

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
