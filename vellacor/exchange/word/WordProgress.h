#pragma once

// What the Word progress dialog (CWordProgressBarDlg) knows and does,
// without any widget: the GUI dialog owns one CWordProgressState, forwards
// its events to it and carries out the reactions it returns (text for the
// static control, an error message box, the end of the dialog).
//
// Everything here runs on the user-interface thread; notifications from
// Docbridge reach it through CWordProgressReceiver.

#include "docbridge/Docbridge.h"

#include "kx_gen/String.h"

#include <cstdint>
#include <functional>

namespace word {

enum EProgressMode { kModeImport = 1, kModeExport = 2 };

// What the dialog does after an event.
struct TProgressReaction {
    // Show m_strText in the static control and repaint it at once.
    bool m_bSetText = false;
    kx_gen::_String m_strText;
    // Show m_strError in a message box (before ending).
    bool m_bShowError = false;
    kx_gen::_String m_strError;
    // 0: stay open; else end the dialog with kIdOk or kIdCancel.
    int m_nEndDialog = 0;
};

class CWordProgressState {
public:
    // `bridge` is the program's one Docbridge object; `window` is where the
    // task reports (the dialog's receiver). The task records stay the
    // caller's and must outlive the dialog.
    CWordProgressState(
        CDocbridge *bridge, int mode, TImportTask *importTask, TExportTask *exportTask);

    void SetWindow(DocbridgeHWND window) { m_pWindow = window; }

    // Dialog initialisation: the text control starts empty.
    TProgressReaction OnInitDialog();
    // True exactly once, on the first activation: the dialog then posts
    // itself kStartTaskMessage.
    bool OnActivate();
    // kStartTaskMessage: prepares the texts and starts the task of the
    // mode. A mode other than import or export ends the dialog with Cancel;
    // so does a task that Docbridge refuses to start (it would never
    // report), after showing why.
    TProgressReaction OnStartTask();
    // The Cancel button: asks the task to stop. The dialog stays open until
    // Docbridge reports the end.
    void OnCancel();
    // A Docbridge notification; `argument` may be null and is read only
    // during the call.
    TProgressReaction OnNotification(std::uintptr_t code, const std::int32_t *argument);

    int GetMode() const { return m_nMode; }
    int GetStepCount() const { return m_nStepCount; }
    bool IsCancelled() const { return m_bCancelled; }
    bool IsStarted() const { return m_bStarted; }
    bool IsEnded() const { return m_bEnded; }
    const kx_gen::_String &GetFirstStageText() const { return m_strFirstStage; }
    const kx_gen::_String &GetSecondStageText() const { return m_strSecondStage; }
    const kx_gen::_String &GetStepFormat() const { return m_strStepFormat; }

private:
    TProgressReaction End(int result, const char *text);

    CDocbridge *m_pBridge;
    DocbridgeHWND m_pWindow = nullptr;
    int m_nMode;
    TImportTask *m_pImportTask;
    TExportTask *m_pExportTask;
    int m_nStepCount = 0;
    bool m_bCancelled = false;
    bool m_bStarted = false;
    bool m_bActivated = false;
    bool m_bEnded = false;
    kx_gen::_String m_strFirstStage;
    kx_gen::_String m_strSecondStage;
    kx_gen::_String m_strStepFormat;
};

// The window that a task reports to. Each notification is handed to the
// user-interface thread by `post` (the program: a queued invocation on the
// dialog) and the worker waits until `handle` has run there, because the
// argument lives on the worker's stack. `post` must run the function it is
// given exactly once, on the thread that owns the dialog.
class CWordProgressReceiver : public CDocbridgeWindow {
public:
    using PostFn = std::function<void(std::function<void()>)>;
    using HandleFn = std::function<void(std::uintptr_t code, const std::int32_t *argument)>;

    CWordProgressReceiver(PostFn post, HandleFn handle);
    void SendMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;

private:
    PostFn m_post;
    HandleFn m_handle;
};

} // namespace word
