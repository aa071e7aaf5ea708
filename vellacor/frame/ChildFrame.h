#pragma once

// The window of one open outline: its title bar above its view, in a
// sub-window of the main window's document area.

#include "DocumentHost.h"

#include <QWidget>

class CAppContext;
class CDocTitleBar;
class COutlineDoc;
class QMdiSubWindow;
class QPlainTextEdit;

class CChildFrame : public QWidget, public CDocFrame {
    Q_OBJECT

public:
    CChildFrame(COutlineDoc &document, CAppContext &context, QWidget *parent = nullptr);
    ~CChildFrame() override;

    COutlineDoc &document() const { return m_Doc; }
    CDocTitleBar *titleBar() const { return m_pTitleBar; }
    QWidget *view() const { return m_pView; }
    // The sub-window that holds this frame (set once it is placed).
    void SetSubWindow(QMdiSubWindow *window) { m_pSubWindow = window; }
    QMdiSubWindow *subWindow() const { return m_pSubWindow; }

    // Sets up the title bar and shows the outline.
    void InitialUpdate();
    // The categories of the user changed.
    void RefreshCategories();

    // CDocFrame
    bool HasView() const override { return m_pView != nullptr; }
    void StoreViewState() override;
    void TitleChanged() override;
    void Activate() override;
    void UpdateViews(int hint) override;
    int StackingOrder() const override;

signals:
    void titleChanged();
    void editCategoriesRequested();
    void characterRefused(const QString &character);

private:
    void ShowOutline();

    COutlineDoc &m_Doc;
    CAppContext &m_Context;
    CDocTitleBar *m_pTitleBar;
    QWidget *m_pView = nullptr;
    QPlainTextEdit *m_pText = nullptr;
    QMdiSubWindow *m_pSubWindow = nullptr;
};
