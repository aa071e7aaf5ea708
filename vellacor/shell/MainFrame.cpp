#include "MainFrame.h"

#include <QAction>
#include <QApplication>
#include <QMdiArea>
#include <QMenuBar>
#include <QStatusBar>

MainFrame::MainFrame(QWidget *parent)
    : QMainWindow(parent)
    , m_pMdiArea(new QMdiArea(this))
{
    setWindowTitle(QStringLiteral("Vellacor"));
    m_pMdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_pMdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_pMdiArea);
    createMenus();
    statusBar()->showMessage(tr("Ready"));
    resize(900, 640);
}

void MainFrame::createMenus()
{
    QMenu *fileMenu = menuBar()->addMenu(tr("&File"));
    QAction *exitAction = fileMenu->addAction(tr("E&xit"));
    exitAction->setShortcut(QKeySequence::Quit);
    exitAction->setStatusTip(tr("Quit the application; prompts to save documents"));
    connect(exitAction, &QAction::triggered, this, &QWidget::close);
}
