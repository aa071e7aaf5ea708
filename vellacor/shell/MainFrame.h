#pragma once

#include <QMainWindow>

class QMdiArea;

// The program's main window: a multiple-document area in which every open
// outline gets a sub-window, the menus and the status bar.
class MainFrame : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainFrame(QWidget *parent = nullptr);

    QMdiArea *mdiArea() const { return m_pMdiArea; }

private:
    void createMenus();

    QMdiArea *m_pMdiArea = nullptr;
};
