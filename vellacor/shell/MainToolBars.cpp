#include "MainToolBars.h"

#include "Commands.h"
#include "OutlineCommands.h"
#include "ToolIcons.h"
#include "UsersCombo.h"
#include "ZumraView.h"

#include "AppStrings.h"
#include "QtStrings.h"

#include <QAction>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>

namespace {

// A view command's text without its accelerator mark and key.
QString PlainText(int id)
{
    QString text = ToQString(appstr::Get(static_cast<unsigned>(id)));
    const qsizetype tab = text.indexOf(QLatin1Char('\t'));
    if (tab >= 0)
        text.truncate(tab);
    return text.remove(QLatin1Char('&'));
}

} // namespace

CMainToolBars::CMainToolBars(QMainWindow &window, const QHash<int, QAction *> &frameActions)
    : QObject(&window)
    , m_Window(window)
    , m_FrameActions(frameActions)
{
    using namespace outline_cmd;
    QToolBar *standard = AddBar(tr("Standard"), QStringLiteral("StandardBar"));
    AddFrame(standard, cmd::kFileNew, "document-new");
    AddFrame(standard, cmd::kFileOpen, "document-open");
    AddFrame(standard, cmd::kFileSave, "document-save");
    standard->addSeparator();
    standard->addAction(Proxy(kCut, "edit-cut"));
    standard->addAction(Proxy(kCopy, "edit-copy"));
    standard->addAction(Proxy(kPaste, "edit-paste"));
    standard->addSeparator();
    standard->addAction(Proxy(kUndo, "edit-undo"));
    standard->addAction(Proxy(kRedo, "edit-redo"));
    standard->addSeparator();
    AddFrame(standard, cmd::kPrint, "document-print");
    AddFrame(standard, cmd::kPrintPreview, "document-print-preview");
    AddFrame(standard, cmd::kHelpManual, "help-browser");

    QToolBar *outlining = AddBar(tr("Outlining"), QStringLiteral("OutliningBar"));
    outlining->addAction(Proxy(kMoveLeft, "format-indent-less"));
    outlining->addAction(Proxy(kMoveRight, "format-indent-more"));
    outlining->addAction(Proxy(kMoveUp, "go-up"));
    outlining->addAction(Proxy(kMoveDown, "go-down"));
    outlining->addSeparator();
    outlining->addAction(Proxy(kCollapse, "zoom-out"));
    outlining->addAction(Proxy(kExpand, "zoom-in"));
    // Show Heading 1 to 3 and Show all, as numbered buttons: the levels a
    // reader switches between most.
    for (int level = 0; level < 3; ++level) {
        QAction *heading = Proxy(kShowHeading1 + level, nullptr);
        heading->setIconText(QString::number(level + 1));
        outlining->addAction(heading);
    }
    QAction *all = Proxy(kShowAll, "view-list-bullet");
    outlining->addAction(all);

    // The item commands start a second row: one row of every bar is wider
    // than most windows.
    m_Window.addToolBarBreak(Qt::TopToolBarArea);
    m_pItemBar = AddBar(tr("Item"), QStringLiteral("ItemBar"));
    m_pItemBar->addAction(Proxy(kNewItem, "list-add"));
    m_pItemBar->addAction(Proxy(kDuplicateItem, "edit-copy"));
    m_pItemBar->addAction(Proxy(kDeleteItem, "list-remove"));
    m_pItemBar->addAction(Proxy(kAttachNote, "document-edit"));
    m_pItemBar->addAction(Proxy(kAttachDrawing, "insert-image"));
    m_pItemBar->addAction(Proxy(kInsertDate, "x-office-calendar"));
    m_pItemBar->addAction(Proxy(kInsertTime, "alarm"));
    AddFrame(m_pItemBar, cmd::kShowFilingCabinet, "user-trash");

    QToolBar *checks = AddBar(tr("Check Boxes"), QStringLiteral("CheckBoxBar"));
    checks->addAction(Proxy(kShowCheckBoxes, "checkbox-checked"));
    checks->addAction(Proxy(kHideCheckBoxes, "checkbox"));
    checks->addAction(Proxy(kHideCheckedItems, "view-conceal"));
    checks->addSeparator();
    checks->addAction(Proxy(kDeleteChecked, "edit-clear-all"));
    checks->addAction(Proxy(kUncheckAll, "edit-clear"));

    m_pUsersBar = AddBar(tr("Users"), QStringLiteral("UsersBar"));
    auto *label = new QLabel(tr("User:"), m_pUsersBar);
    label->setContentsMargins(4, 0, 4, 0);
    m_pUsersBar->addWidget(label);
    m_pUsers = new CUsersCombo(m_pUsersBar);
    m_pUsers->setMinimumContentsLength(12);
    m_pUsers->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_pUsersBar->addWidget(m_pUsers);
    AddFrame(m_pUsersBar, cmd::kUsers, "system-users");

    UpdateIcons();
    SetView(nullptr);
}

QToolBar *CMainToolBars::AddBar(const QString &title, const QString &name)
{
    auto *bar = new QToolBar(title, &m_Window);
    bar->setObjectName(name);
    bar->setIconSize(QSize(16, 16));
    m_Window.addToolBar(Qt::TopToolBarArea, bar);
    m_Bars << bar;
    return bar;
}

QAction *CMainToolBars::Proxy(int id, const char *icon)
{
    auto *proxy = new QAction(PlainText(id), this);
    proxy->setObjectName(QString::number(id));
    connect(proxy, &QAction::triggered, this, [this, id] {
        if (m_pView)
            if (QAction *action = m_pView->Action(id))
                action->trigger();
    });
    if (icon)
        m_Icons.append({ proxy, QString::fromLatin1(icon) });
    m_Proxies.insert(id, proxy);
    return proxy;
}

void CMainToolBars::AddFrame(QToolBar *bar, int id, const char *icon)
{
    QAction *action = m_FrameActions.value(id, nullptr);
    if (!action)
        return;
    bar->addAction(action);
    m_Icons.append({ action, QString::fromLatin1(icon) });
}

QToolButton *CMainToolBars::filingCabinetButton() const
{
    QAction *action = m_FrameActions.value(cmd::kShowFilingCabinet, nullptr);
    return action ? qobject_cast<QToolButton *>(m_pItemBar->widgetForAction(action)) : nullptr;
}

void CMainToolBars::AddToggles(QMenu &menu) const
{
    for (QToolBar *bar : m_Bars)
        menu.addAction(bar->toggleViewAction());
}

void CMainToolBars::UpdateIcons()
{
    const QPalette palette = m_Window.palette();
    for (const auto &[action, name] : m_Icons)
        if (action)
            action->setIcon(shell::ToolIcon(name, palette));
}

void CMainToolBars::Mirror(QAction *proxy, const QAction *source)
{
    proxy->setEnabled(source->isEnabled());
    proxy->setCheckable(source->isCheckable());
    if (source->isCheckable())
        proxy->setChecked(source->isChecked());
    // The undo and redo texts name what they would undo.
    QString text = source->text();
    proxy->setText(text.remove(QLatin1Char('&')));
    const QList<QKeySequence> keys = source->shortcuts();
    proxy->setToolTip(keys.isEmpty() ? proxy->text()
                                     : QStringLiteral("%1 (%2)").arg(proxy->text(),
                                         keys.first().toString(QKeySequence::NativeText)));
}

void CMainToolBars::SetView(CZumraView *view)
{
    for (const QMetaObject::Connection &connection : m_ViewConnections)
        disconnect(connection);
    m_ViewConnections.clear();
    m_pView = view;
    for (auto it = m_Proxies.cbegin(); it != m_Proxies.cend(); ++it) {
        QAction *proxy = it.value();
        const QAction *source = view ? view->Action(it.key()) : nullptr;
        if (!source) {
            proxy->setEnabled(false);
            if (proxy->isCheckable())
                proxy->setChecked(false);
            continue;
        }
        Mirror(proxy, source);
        m_ViewConnections << connect(
            source, &QAction::changed, proxy, [this, proxy, source] { Mirror(proxy, source); });
    }
    if (view)
        view->UpdateCommandStates();
}
