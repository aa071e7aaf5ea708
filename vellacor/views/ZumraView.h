#pragma once

#include "OutlineEditView.h"
#include "OutlineViewHost.h"

#include <functional>

// The outline window's view: brings the view up from the outline's stored
// settings, answers the document's update hints, stores the view's state
// for saving, and runs every event under a guard. An exception that escapes
// a handler may have left the outline half-changed: the guard reports it,
// writes the outline to a recovery copy, tells the user where it is, and
// closes the window without saving over the outline's file.
class CZumraView : public COutlineEditView {
    Q_OBJECT
public:
    // Check box modes, as their command ids.
    static constexpr int kShowCheckBoxes = 32894;
    static constexpr int kHideCheckBoxes = 32895;
    static constexpr int kHideCheckedItems = 32896;

    // Update hints of the document.
    enum EUpdateHint {
        kHintRecalcAll = 0,
        kHintCabinetReset = 1, // the filing cabinet's items were replaced
        kHintCabinetRecalc = 4,
    };

    // `man` and `host` stay the caller's and must outlive the view.
    CZumraView(COutlineMan *man, COutlineViewHost *host, QWidget *parent = nullptr);

    // Brings the view up from the outline's private header (fonts, check
    // box mode, headings, numbering, caret and top row) and makes it ready.
    // An outline without any item that cannot get one closes its window.
    void OnInitialUpdate();
    // Reacts to a document update hint; anything else repaints.
    void OnUpdate(int hintKind);
    // Writes the caret's row, the top row, the check box mode and the
    // headings mode into the outline's private header (before saving).
    // False after a storage error, which the host has shown.
    bool StoreViewState();

    int GetCheckMode() const { return m_nCheckMode; }
    // Sets one of the check box modes (not yet a command: no undo group).
    void ApplyCheckMode(int mode);
    int GetHeadingLevel() const { return m_nHeadingLevel; }
    bool IsCustomExpansion() const { return m_bCustomExpansion; }

    // Runs `work` under the guard: true when it returned normally.
    bool Guarded(const std::function<void()> &work);
    // Set once an exception escaped: the view takes no more work.
    bool HasFailed() const { return m_bFailed; }

protected:
    void CaretMoved() override { m_pHost->CaretMoved(); }
    bool event(QEvent *event) override;
    bool viewportEvent(QEvent *event) override;

private:
    // What the guard does with an escaped exception described by `text`.
    void Fail(const QString &text);
    void InitialUpdate();

    COutlineViewHost *m_pHost;
    int m_nCheckMode = kShowCheckBoxes;
    int m_nHeadingLevel = 9;
    bool m_bCustomExpansion = true;
    bool m_bFailed = false;
};
