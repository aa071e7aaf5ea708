#include "BmpChildFrame.h"

#include "AppStrings.h"
#include "BmpView.h"
#include "QtStrings.h"

#include <QAction>
#include <QCloseEvent>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QToolBar>

#include <cstdio>

namespace {

QString AppText(unsigned id)
{
    return ToQString(appstr::Get(id));
}

// A menu text without the shortcut that follows its tab: Qt shows the
// action's own shortcut there.
QString MenuText(unsigned id)
{
    return AppText(id).section(QLatin1Char('\t'), 0, 0);
}

constexpr int kNew = 57600;
constexpr int kOpen = 57601;
constexpr int kDelete = 32935;
constexpr int kClose = 32943;
constexpr int kCopy = 57634;
constexpr int kCut = 57635;
constexpr int kPaste = 57637;

} // namespace

CBmpChildFrame::CBmpChildFrame(
    COutlineMan &man, COutlineNode *node, QWidget *mainWindow, CBmpView *view)
    : QMainWindow(mainWindow, Qt::Window)
    , m_Man(man)
    , m_pNode(node)
    , m_pView(view ? view : new CBmpView)
    , m_pMainWindow(mainWindow)
{
    setAttribute(Qt::WA_DeleteOnClose);
    // The main window and every other window wait while a drawing is open.
    setWindowModality(Qt::ApplicationModal);
    setWindowTitle(AppText(appstr::kPictureViewer));
    m_pView->setParent(this);
    setCentralWidget(m_pView);

    QMenu *file = menuBar()->addMenu(AppText(appstr::kMenuFile));
    file->addAction(AddAction(kNew, appstr::kMenuNew));
    file->addAction(AddAction(kOpen, appstr::kMenuOpen, QKeySequence::Open));
    file->addAction(AddAction(kDelete, appstr::kMenuDelete));
    file->addSeparator();
    file->addAction(AddAction(kClose, appstr::kMenuClose));
    QMenu *edit = menuBar()->addMenu(AppText(appstr::kMenuEdit));
    edit->addAction(AddAction(kCut, appstr::kMenuCut, QKeySequence::Cut));
    edit->addAction(AddAction(kCopy, appstr::kMenuCopy, QKeySequence::Copy));
    edit->addAction(AddAction(kPaste, appstr::kMenuPaste, QKeySequence::Paste));
    QMenu *format = menuBar()->addMenu(AppText(appstr::kMenuBitmapFormat));
    const std::pair<int, unsigned> formats[] = {
        { CDrawingPicture::kFormatPalm2, appstr::kFormatPalm2 },
        { CDrawingPicture::kFormatPalm4, appstr::kFormatPalm4 },
        { CDrawingPicture::kFormatPalm16Grey, appstr::kFormatPalm16Grey },
        { CDrawingPicture::kFormatPalm16, appstr::kFormatPalm16 },
        { CDrawingPicture::kFormatPalm256, appstr::kFormatPalm256 },
        { CDrawingPicture::kFormatWindows, appstr::kFormatWindows },
    };
    for (const auto &[id, text] : formats) {
        QAction *action = AddAction(id, text);
        action->setCheckable(true);
        format->addAction(action);
        connect(action, &QAction::triggered, m_pView, [this, id] {
            m_pView->ConvertTo(id);
            UpdateActions();
        });
    }

    QToolBar *bar = addToolBar(AppText(appstr::kToolbarTitle));
    bar->setMovable(false);
    Action(kOpen)->setIcon(style()->standardIcon(QStyle::SP_DialogOpenButton));
    Action(kDelete)->setIcon(style()->standardIcon(QStyle::SP_TrashIcon));
    Action(kCut)->setIcon(QIcon::fromTheme(QStringLiteral("edit-cut")));
    Action(kCopy)->setIcon(QIcon::fromTheme(QStringLiteral("edit-copy")));
    Action(kPaste)->setIcon(QIcon::fromTheme(QStringLiteral("edit-paste")));
    bar->addAction(Action(kOpen));
    bar->addAction(Action(kDelete));
    bar->addSeparator();
    bar->addAction(Action(kCut));
    bar->addAction(Action(kCopy));
    bar->addAction(Action(kPaste));

    connect(Action(kNew), &QAction::triggered, m_pView, &CBmpView::OnFileNew);
    connect(Action(kOpen), &QAction::triggered, m_pView, &CBmpView::OnFileOpen);
    connect(Action(kDelete), &QAction::triggered, m_pView, &CBmpView::OnFileDelete);
    connect(Action(kClose), &QAction::triggered, this, &QWidget::close);
    connect(Action(kCopy), &QAction::triggered, m_pView, &CBmpView::OnEditCopy);
    connect(Action(kCut), &QAction::triggered, m_pView, &CBmpView::OnEditCut);
    connect(Action(kPaste), &QAction::triggered, m_pView, &CBmpView::OnEditPaste);
    connect(m_pView, &CBmpView::PictureChanged, this, &CBmpChildFrame::UpdateActions);
    connect(m_pView, &CBmpView::CloseRequested, this, [this] {
        m_bDeleting = true;
        close();
    });

    if (m_pNode)
        m_pView->LoadItem(m_pNode->m_Item);
    UpdateActions();
    resize(360, 320);
    const QWidget *anchor = mainWindow ? mainWindow->window() : nullptr;
    const QRect area
        = anchor ? anchor->geometry() : (screen() ? screen()->availableGeometry() : QRect());
    if (area.isValid())
        move(area.center() - rect().center());
}

CBmpChildFrame::~CBmpChildFrame() = default;

QAction *CBmpChildFrame::AddAction(int id, unsigned text, QKeySequence key)
{
    auto *action = new QAction(MenuText(text), this);
    if (!key.isEmpty())
        action->setShortcut(key);
    m_Actions[id] = action;
    return action;
}

QAction *CBmpChildFrame::Action(int id) const
{
    const auto found = m_Actions.find(id);
    return found == m_Actions.end() ? nullptr : found->second;
}

void CBmpChildFrame::UpdateActions()
{
    const bool picture = m_pView->Picture().HasPicture();
    Action(kCopy)->setEnabled(picture);
    Action(kCut)->setEnabled(picture);
    Action(kDelete)->setEnabled(picture);
    Action(kPaste)->setEnabled(m_pView->CanPaste());
    for (int id = CDrawingPicture::kFormatPalm2; id <= CDrawingPicture::kFormatWindows; ++id) {
        Action(id)->setEnabled(picture);
        Action(id)->setChecked(picture && m_pView->Picture().Format() == id);
    }
}

void CBmpChildFrame::closeEvent(QCloseEvent *event)
{
    if (!m_bDeleting && !m_pView->Picture().ReadyToClose()) {
        char text[160];
        std::snprintf(text, sizeof text, appstr::Get(appstr::kMaxImageDimensions),
            CDrawingPicture::kMaxWidth, CDrawingPicture::kMaxHeight);
        QMessageBox::information(this, windowTitle(), ToQString(text));
        m_pView->viewport()->update();
        UpdateActions();
        event->ignore();
        return;
    }
    m_bWroteBack = m_pView->Picture().WriteBack(m_Man, m_pNode);
    if (!m_bWroteBack)
        QMessageBox::warning(
            this, AppText(appstr::kPictureErrorCaption), AppText(appstr::kPictureConversionFailed));
    emit DrawingClosed(m_pNode);
    event->accept();
    // The main window takes the focus back once this window is gone and
    // no longer blocks it.
    if (m_pMainWindow) {
        QPointer<QWidget> main(m_pMainWindow);
        QTimer::singleShot(0, m_pMainWindow, [main] {
            if (main) {
                main->activateWindow();
                main->setFocus();
            }
        });
    }
}
