#include "HotSyncWindow.h"

#include "AppContext.h"
#include "AppText.h"
#include "Commands.h"
#include "FileViewControlBar.h"
#include "FrameState.h"
#include "GlobalLock.h"
#include "MainFrame.h"
#include "ShellNames.h"
#include "SyncEvent.h"
#include "WindowPlacement.h"

#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

// The command that puts back the layout of before the last HotSync.
constexpr int kRestoreLayoutCommand = 109;

} // namespace

// ---- The dialog ------------------------------------------------------------

CSyncDlg::CSyncDlg(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("SyncDlg"));
    setWindowTitle(AppText(appstr::kSynchronizingCaption));
    setModal(false);
    auto *text = new QLabel(AppText(appstr::kSynchronizingText), this);
    text->setObjectName(QStringLiteral("SyncText"));
    QFont font = QApplication::font();
    font.setWeight(QFont::Bold);
    font.setPixelSize(30);
    text->setFont(font);
    text->setAlignment(Qt::AlignCenter);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(buttons);
}

// ---- The input filter ------------------------------------------------------

bool CHotSyncInputFilter::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::ShortcutOverride:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::InputMethod:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
        return true;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease: {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() != Qt::LeftButton)
            return true;
        // Menus open, but of their commands only Exit runs.
        if (auto *menu = qobject_cast<QMenu *>(watched)) {
            const QAction *action = menu->actionAt(mouse->position().toPoint());
            if (action && !action->menu()
                && action->objectName() != QString::number(cmd::kAppExit))
                return true;
        }
        return false;
    }
    default:
        return false;
    }
}

// ---- The coordination's windows --------------------------------------------

CHotSyncWindow::CHotSyncWindow(MainFrame &frame, CAppContext &context)
    : QObject(&frame)
    , m_Frame(frame)
    , m_Context(context)
    , m_Coordinator(context, *this)
{
    m_pRestoreLayout = new QAction(tr("Restore Window Layout"), &frame);
    m_pRestoreLayout->setObjectName(QString::number(kRestoreLayoutCommand));
    m_pRestoreLayout->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    m_pRestoreLayout->setShortcutContext(Qt::ApplicationShortcut);
    connect(m_pRestoreLayout, &QAction::triggered, this, &CHotSyncWindow::RestoreSafeLayout);
    frame.addAction(m_pRestoreLayout);
    m_Watch.setInterval(kWatchIntervalMs);
    connect(&m_Watch, &QTimer::timeout, this, &CHotSyncWindow::CheckNotifier);
}

CHotSyncWindow::~CHotSyncWindow()
{
    qApp->removeEventFilter(&m_Filter);
}

void CHotSyncWindow::Notify(quint64 code, qint64 lParam)
{
    m_SinceNotify.start();
    m_Coordinator.OnHotSyncNotify(code, lParam);
}

void CHotSyncWindow::CheckNotifier()
{
    if (m_Coordinator.GetState() == CHotSyncCoordinator::kNone) {
        m_Watch.stop();
        return;
    }
    CHotSyncLock lock;
    bool gone = false;
    if (lock.IsValid())
        gone = lock.Lock(0); // the notifier holds it for the whole HotSync
    else
        gone = m_SinceNotify.isValid() && m_SinceNotify.elapsed() > kSilenceLimitMs;
    lock.Unlock();
    if (gone)
        m_Coordinator.OnNotifierLost();
}

void CHotSyncWindow::RestoreSafeLayout()
{
    kx_gen::CAppRegistry &settings = m_Context.Settings();
    shell::RestoreWindowPlacement(m_Frame, settings, true);
    shell::RestoreBarState(m_Frame, settings, shell::kSafeBarStateName);
}

void CHotSyncWindow::HotSyncStateChanged(int state)
{
    if (state != CHotSyncCoordinator::kNone) {
        // Installed once: removing first keeps a second install from
        // doubling it.
        qApp->removeEventFilter(&m_Filter);
        qApp->installEventFilter(&m_Filter);
        m_SinceNotify.start();
        m_Watch.start();
    } else {
        qApp->removeEventFilter(&m_Filter);
        m_Watch.stop();
    }
}

void CHotSyncWindow::StopAutoSave()
{
    m_Frame.StopAutoSave();
}

void CHotSyncWindow::RestartAutoSave()
{
    m_Frame.RestartAutoSave();
}

void CHotSyncWindow::SaveSafeLayout()
{
    kx_gen::CAppRegistry &settings = m_Context.Settings();
    shell::SaveWindowPlacement(m_Frame, settings);
    shell::SaveBarState(m_Frame, settings, shell::kSafeBarStateName);
}

void CHotSyncWindow::EnableWindows(bool enable)
{
    if (CFileViewControlBar *pane = m_Frame.pane())
        pane->setEnabled(enable);
    for (QToolBar *bar : m_Frame.findChildren<QToolBar *>())
        bar->setEnabled(enable);
}

void CHotSyncWindow::ShowSyncDialog()
{
    if (!m_pDialog)
        m_pDialog = new CSyncDlg(&m_Frame);
    m_pDialog->adjustSize();
    QRect area = m_pDialog->frameGeometry();
    area.moveCenter(m_Frame.frameGeometry().center());
    m_pDialog->move(area.topLeft());
    m_pDialog->show();
}

void CHotSyncWindow::CloseSyncDialog()
{
    if (m_pDialog) {
        m_pDialog->hide();
        m_pDialog->deleteLater();
        m_pDialog = nullptr;
    }
}

void CHotSyncWindow::FreezePane(bool freeze)
{
    CFileViewControlBar *pane = m_Frame.pane();
    if (!pane)
        return;
    pane->setUpdatesEnabled(!freeze);
    if (!freeze)
        pane->update();
}

void CHotSyncWindow::SetPaneFilter(const kx_gen::_String &category)
{
    if (CFileViewControlBar *pane = m_Frame.pane())
        pane->SetFilterText(category);
}

void CHotSyncWindow::RedrawMainWindow()
{
    m_Frame.update();
}

void CHotSyncWindow::SetSyncEvent()
{
    shell::SetNamedEvent(shell::kSyncEventName);
}
