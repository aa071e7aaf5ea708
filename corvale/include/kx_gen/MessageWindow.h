#pragma once

#include "kx_gen/Export.h"
#include "kx_gen/String.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace kx_gen {

// Messages between the user's running programs, as registered window
// messages work on Windows. A program that wants to be asked things creates
// a CMessageWindow: a Unix socket in the user's private run-time folder with
// a thread that answers what arrives. Another process lists those windows
// with EnumAppWindows and asks each with SendMessageTimeout. Message ids come
// from RegisterWindowMessage, which gives every process the same id for the
// same name.
//
// On the wire (for programs that speak it without this library): the
// sockets are <runtime folder>/Larkwell/windows/<pid>-<n>.sock (stream
// sockets). A caller connects, sends one 32-byte request and reads one
// 16-byte answer, all little-endian:
//   request: u32 0x4D57584B, u16 1, u16 kind (1 message, 2 bring to front),
//            u32 message id, u32 0, u64 wParam, i64 lParam
//   answer:  u32 0x4D57584B, u16 1, u16 handled (0 or 1), i64 result
// A request that is malformed, or not complete within 200 ms, is closed
// without an answer.

// The user's private folder for run-time objects: $XDG_RUNTIME_DIR, or when
// that is unset or unusable a folder /tmp/larkwell-<uid> of mode 0700 (made
// when missing, refused when it is not a folder of this user).
// Empty when neither can be had.
KX_GEN_EXPORT _String GetRuntimeFolder();

// The id of the message `name`: a number from 0xC000 to 0xFFFF that depends
// only on the name, compared without regard to ASCII case (0xC000 + the
// 32-bit FNV-1a hash of the name's bytes, ASCII letters lowered, modulo
// 0x4000). 0 for an empty name.
KX_GEN_EXPORT unsigned RegisterWindowMessage(const char *name);

// A message window of some process, as other processes see it.
struct KX_GEN_EXPORT AppWindow {
    _String endpoint; // path of the window's socket; empty = no window
    long pid = 0; // the owning process

    bool IsNull() const { return endpoint.IsEmpty(); }
    friend bool operator==(const AppWindow &a, const AppWindow &b)
    {
        return a.endpoint == b.endpoint;
    }
};

// The message windows of the current user's processes (this one included),
// in a stable order. Windows whose process ended are cleaned away.
KX_GEN_EXPORT std::vector<AppWindow> EnumAppWindows();

// Sends `message` to `window` and waits at most `timeoutMs` milliseconds for
// its answer. True with *result (when given) set when the window answered;
// false when it is gone, busy past the time-out or answers nonsense. An
// unhandled message is answered with 0, as on Windows.
KX_GEN_EXPORT bool SendMessageTimeout(const AppWindow &window, unsigned message,
    std::uint64_t wParam, std::int64_t lParam, unsigned timeoutMs, std::int64_t *result);

// Asks `window` to come to the front (restored when minimised); true when
// its program has a bring-to-front action and ran it.
KX_GEN_EXPORT bool BringWindowToFront(const AppWindow &window, unsigned timeoutMs = 200);

// The listening side: a window that answers messages of other processes.
// The handler and the bring-to-front action run on the window's own thread,
// one message at a time; a program with a user interface hands the work to
// its interface thread. Neither may destroy the window.
class KX_GEN_EXPORT CMessageWindow {
public:
    // Returns true when it handled the message and set *result; false lets
    // the message be answered with 0.
    using Handler = std::function<bool(
        unsigned message, std::uint64_t wParam, std::int64_t lParam, std::int64_t *result)>;

    CMessageWindow();
    // Destroys the window.
    ~CMessageWindow();
    CMessageWindow(const CMessageWindow &) = delete;
    CMessageWindow &operator=(const CMessageWindow &) = delete;

    // Starts answering. False when the window exists already or the socket
    // cannot be made.
    bool Create(Handler handler, std::function<void()> bringToFront = {});
    // Stops answering and removes the socket; waits for a message being
    // handled.
    void Destroy();
    bool IsCreated() const;
    // This window as other processes see it (null before Create).
    AppWindow GetWindow() const;

    // How long the window waits for the bytes of a request once a caller
    // has connected, so that a stalled caller cannot block it.
    static constexpr unsigned kRequestReadTimeoutMs = 200;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace kx_gen
