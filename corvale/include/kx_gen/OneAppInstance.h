#pragma once

#include "kx_gen/Export.h"
#include "kx_gen/MessageWindow.h"

#include <functional>
#include <memory>

namespace kx_gen {

// Finds an already running instance of the program. The running instance's
// main window answers the agreed message (a RegisterWindowMessage id) with
// that same id; a starting instance asks every message window of the user
// and hands over to the first that answers so.
class KX_GEN_EXPORT COneAppInstance {
public:
    // Each window gets this long to answer.
    static constexpr unsigned kAnswerTimeoutMs = 200;

    COneAppInstance();
    ~COneAppInstance();
    COneAppInstance(const COneAppInstance &) = delete;
    COneAppInstance &operator=(const COneAppInstance &) = delete;

    // Sends `message` to every message window, each with a time-out of
    // kAnswerTimeoutMs; a window that does not answer in time is not an
    // instance. Returns 0 when a window answers with `message` itself: that
    // window is stored, given in *window (when not null) and brought to the
    // front. Returns 1 when no other instance answers (*window is then null).
    int InitInstance(unsigned message, AppWindow *window);
    // Brings `window` to the front, restoring it when it is minimised.
    static bool PopUpApp(const AppWindow &window);
    // Asks one window during the search; returns false (stop searching) when
    // it is the running instance, which is then stored in `self`.
    static bool Searcher(const AppWindow &window, COneAppInstance *self);

    // The window found by the last InitInstance (null when none).
    const AppWindow &GetFoundWindow() const { return m_window; }

    // The running side, for a program whose main window has nothing else to
    // answer: starts a message window that answers `message` with its id and
    // runs `bringToFront` (on the window's thread) when asked to come to the
    // front. A program that answers more messages makes its own
    // CMessageWindow instead. False when it cannot listen.
    bool Listen(unsigned message, std::function<void()> bringToFront);
    void StopListening();

private:
    AppWindow m_window;
    unsigned m_nMessage = 0;
    std::unique_ptr<CMessageWindow> m_listener;
};

} // namespace kx_gen
