#pragma once

// The drawing editor's window: the picture view under a menu and a
// toolbar, in front of the main window, which stays disabled while the
// editor is open. Closing applies the size rule, then writes the result
// into the item.

#include "OutlineMan.h"

#include <QMainWindow>

#include <map>

class QAction;
class CBmpView;

class CBmpChildFrame : public QMainWindow {
    Q_OBJECT

public:
    // `man` and `node` stay the caller's and must outlive the window; the
    // window deletes itself when closed. Only closing writes the result
    // back: whoever ends the program with an editor open closes it first
    // (CBmpDoc::Current()).
    CBmpChildFrame(
        COutlineMan &man, COutlineNode *node, QWidget *mainWindow, CBmpView *view = nullptr);
    ~CBmpChildFrame() override;

    CBmpView *View() const { return m_pView; }
    // The action of a command id (57601 Open, 32935 Delete, 32943 Close,
    // 57634 Copy, 57635 Cut, 57637 Paste, 57600 New, the format ids).
    QAction *Action(int id) const;
    // Whether the result reached the item when the window closed.
    bool WroteBack() const { return m_bWroteBack; }

signals:
    // After the result was written into the item, as the window goes.
    void DrawingClosed(COutlineNode *node);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QAction *AddAction(int id, unsigned text, QKeySequence key = QKeySequence());
    void UpdateActions();

    COutlineMan &m_Man;
    COutlineNode *m_pNode;
    CBmpView *m_pView;
    QWidget *m_pMainWindow;
    std::map<int, QAction *> m_Actions;
    bool m_bDeleting = false;
    bool m_bWroteBack = false;
};
