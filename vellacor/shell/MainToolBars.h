#pragma once

// The main window's toolbars: standard, outlining, item, check boxes and
// the users bar. Buttons of the outline view's commands stand for the
// active view's actions: they run them and show their states, and are
// disabled while no outline window is active.

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>

class CUsersCombo;
class CZumraView;
class QAction;
class QMainWindow;
class QMenu;
class QToolBar;
class QToolButton;

class CMainToolBars : public QObject {
    Q_OBJECT

public:
    // `frameActions` are the main window's own commands by id (New, Open,
    // Save, Print, Show Filing Cabinet, Users, Help ...); the bars use them
    // as they are.
    CMainToolBars(QMainWindow &window, const QHash<int, QAction *> &frameActions);

    // The view whose commands the buttons run (null: none).
    void SetView(CZumraView *view);
    // The proxy button action of a view command (tests); null when no bar has it.
    QAction *ViewAction(int id) const { return m_Proxies.value(id, nullptr); }
    const QList<QToolBar *> &bars() const { return m_Bars; }
    // The users bar's box (Palm mode only shows the bar).
    CUsersCombo *usersCombo() const { return m_pUsers; }
    QToolBar *usersBar() const { return m_pUsersBar; }
    // The item bar's Filing Cabinet button, where items can be dropped.
    QToolButton *filingCabinetButton() const;
    // The bars' show/hide toggles, for the View menu and the bars' own
    // context menu.
    void AddToggles(QMenu &menu) const;
    // Draws the icons again in the palette's colours.
    void UpdateIcons();

private:
    QToolBar *AddBar(const QString &title, const QString &name);
    QAction *Proxy(int id, const char *icon);
    void AddFrame(QToolBar *bar, int id, const char *icon);
    void Mirror(QAction *proxy, const QAction *source);

    QMainWindow &m_Window;
    const QHash<int, QAction *> &m_FrameActions;
    QList<QToolBar *> m_Bars;
    QHash<int, QAction *> m_Proxies;
    // Icon names of every action the bars show, drawn again on a palette change.
    QList<QPair<QPointer<QAction>, QString>> m_Icons;
    QPointer<CZumraView> m_pView;
    QList<QMetaObject::Connection> m_ViewConnections;
    QToolBar *m_pItemBar = nullptr;
    QToolBar *m_pUsersBar = nullptr;
    CUsersCombo *m_pUsers = nullptr;
};
