#pragma once

// The window of one open outline: its title bar above its view, in a
// sub-window of the main window's document area.

#include "DocumentHost.h"
#include "OutlineViewHost.h"

#include <QWidget>

class CAppContext;
class CDocTitleBar;
class COutlineDoc;
class QMdiSubWindow;
class CZumraView;

// The outline view of the active user's Filing Cabinet, its document opened
// (and its window made, still hidden) when needed; null when there is no
// user or the cabinet cannot be had. The drop target of the Filing
// Cabinet's toolbar button asks it on every drop.
CZumraView *FilingCabinetView(CAppContext &context);

class CChildFrame : public QWidget, public CDocFrame, public COutlineViewHost {
    Q_OBJECT

public:
    CChildFrame(COutlineDoc &document, CAppContext &context, QWidget *parent = nullptr);
    ~CChildFrame() override;

    COutlineDoc &document() const { return m_Doc; }
    CDocTitleBar *titleBar() const { return m_pTitleBar; }
    CZumraView *view() const { return m_pView; }
    // The sub-window that holds this frame (set once it is placed).
    void SetSubWindow(QMdiSubWindow *window) { m_pSubWindow = window; }
    QMdiSubWindow *subWindow() const { return m_pSubWindow; }

    // Sets up the title bar and shows the outline.
    void InitialUpdate();
    // The categories of the user changed.
    void RefreshCategories();
    // The document is about to be destroyed while this window waits for
    // its own deletion: nothing here touches the document any more.
    void DocumentClosing();

    // CDocFrame
    bool HasView() const override { return m_pView != nullptr; }
    void StoreViewState() override;
    void TitleChanged() override;
    void Activate() override;
    void UpdateViews(int hint) override;
    int StackingOrder() const override;

    // COutlineViewHost
    bool IsFilingCabinet() const override;
    bool IsTemplate() const override;
    bool IsConflict() const override;
    bool IsJustCreated() const override;
    void SetModified(bool modified) override;
    void PrepareFrame() override;
    bool WriteRecoveryCopy(QString *where) override;
    void ShowMessage(const QString &text) override;
    void CloseWindow() override;
    void CaretMoved() override;
    void OpenDrawing(COutlineNode *node) override;
    void CharacterRefused(const QString &character) override;
    bool EditNote(const QString &itemText, QString *note) override;
    bool PickDate(QString *text) override;
    bool PickTime(QString *text) override;
    bool PasteInSingleNode() const override;
    COutlineMan *FilingCabinet() override;
    void FilingCabinetChanged() override;
    kx_gen::CAppRegistry *Settings() override;
    void StatusMessage(const QString &text) override;
    void ActivateWindow() override;

signals:
    // The caret moved: the status bar shows where it is.
    void caretMoved(const QString &status);
    void titleChanged();
    void editCategoriesRequested();
    void characterRefused(const QString &character);
    // Overwrite mode went on or off (the status bar's "OVR").
    void overwriteChanged(bool on);
    // A short note of the view for the status bar.
    void statusMessage(const QString &text);

private:
    COutlineDoc &m_Doc;
    bool m_bDocumentGone = false;
    CAppContext &m_Context;
    CDocTitleBar *m_pTitleBar;
    CZumraView *m_pView = nullptr;
    // An outline made by New, until its first showing.
    bool m_bJustCreated = false;
    QMdiSubWindow *m_pSubWindow = nullptr;
};
