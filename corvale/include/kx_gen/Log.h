#pragma once

#include "kx_gen/Export.h"
#include "kx_gen/File.h"

#include <mutex>

namespace kx_gen {

// An append-only text log: one file per session, named after a prefix and
// the session's start time, each line ending in CR LF. Several threads may
// add messages at once; start and end the session from the thread that owns
// the log.
class KX_GEN_EXPORT CLog : public CFile {
public:
    // The longest message addLogMsg writes; longer ones are cut.
    static constexpr std::size_t kMaxMessageLength = 65536;

    CLog();
    // Ends the session, and stops being the library's log if it was.
    ~CLog() override;

    // Opens directory + separator (when the directory lacks one) + prefix +
    // the current time in seconds since 1970 + ".log" and writes the line
    // "Creating a log file at day/month/year time hour:minute:second" (local
    // time). A log of the same name (a session started in the same second)
    // is continued, not replaced. False when the file cannot be opened or
    // written, or a session is open already.
    bool startLogSession(const char *directory, const char *prefix);
    // Formats the message printf-style and appends it with CR LF, then
    // flushes. False when no session is open or writing fails.
    bool addLogMsg(const char *format, ...) __attribute__((format(printf, 2, 3)));
    // Flushes and closes the file; the session is over (errors are ignored).
    void endLogSession();
    bool IsSessionOpen() const;

private:
    mutable std::mutex m_lock;
    bool m_bOpen = false;
};

// Makes `log` the library's log (null: none), where the library reports what
// it repaired by itself, such as a damaged settings file set aside. The log
// must stay alive until it is replaced or destroyed.
KX_GEN_EXPORT void file_io_setLogMan(CLog *log);
KX_GEN_EXPORT CLog *file_io_getLogMan();

} // namespace kx_gen
