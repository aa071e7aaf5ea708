#pragma once

// Docbridge: writes outlines as Word documents (.docx, Office Open XML) and
// reads such documents back into outlines, on a worker thread of its own
// that reports each task's progress to the window that started it.
//
// The program creates one CDocbridge at start-up, starts its thread once,
// hands it task records that it owns (they must outlive the task) and stops
// the thread before it deletes the object at exit.

#include "kx_gen/String.h"

#include <cstdint>
#include <memory>
#include <string>

#if defined(DOCBRIDGE_BUILDING)
#define DOCBRIDGE_EXPORT __attribute__((visibility("default")))
#else
#define DOCBRIDGE_EXPORT
#endif

namespace kx_gen {
class COutlineDB;
}

// Notification codes, sent as the message's wParam. lParam is the address
// of an i32 argument that is valid only while the message is handled.
enum : std::uintptr_t {
    kDocbridgeFinished = 0, // task done (also after a stop)
    kDocbridgeFailed = 1, // task failed; GetLastErrorText tells why
    kDocbridgeStepDone = 2, // argument: the number of the step just done
    kDocbridgeFirstStage = 3, // the engine is being prepared
    kDocbridgeSecondStage = 4, // import only: the document is being read
    kDocbridgeStepCount = 5, // argument: how many steps the task has
    kDocbridgeStopping = 6, // a stop was asked for and is under way
};

// The name of the registered message that carries the notifications.
inline constexpr const char kDocbridgeStateMessageName[]
    = "UWM_REPORT_DOCBRIDGE_STATE-{5B2E91D4-3C7A-4f0e-B816-2D94A0C7E153}";
// The message id registered for a name: the same for the same name in every
// process, in the range 0xC000..0xFFFF.
DOCBRIDGE_EXPORT std::uint32_t DocbridgeRegisterMessage(const char *name);
// DocbridgeRegisterMessage(kDocbridgeStateMessageName).
DOCBRIDGE_EXPORT std::uint32_t DocbridgeStateMessage();

// Where a task reports to: the window of the task's progress display.
class DOCBRIDGE_EXPORT CDocbridgeWindow {
public:
    virtual ~CDocbridgeWindow();
    // Called on Docbridge's worker thread, one notification at a time and in
    // order. The notification must have been handled when this returns:
    // lParam points into the worker's stack. A window that lives on another
    // thread hands the call over to it and waits until it has run there.
    virtual void SendMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam)
        = 0;
};
using DocbridgeHWND = CDocbridgeWindow *;

// An import: the document at m_strPath is read into m_pDB, which must hold
// no records. The records are added only when the whole document has been
// read, so a failed or stopped import leaves the database as it was.
struct TImportTask {
    kx_gen::COutlineDB *m_pDB = nullptr;
    kx_gen::_String m_strPath; // file system bytes (UTF-8 on this system)
};

// An export of m_pDB's records, in order, to a new document at m_strDocPath.
// The document is written beside its final place and renamed over it at the
// end, so a failed or stopped export leaves no document and keeps any older
// file of that name.
struct TExportTask {
    // 1: an outline document (one heading per item, Heading 1 to Heading 9
    // by level); 0: a bullet-list document (one list, one list level per
    // item level).
    std::int32_t m_nWordExport = 1;
    // 1: each item's note follows it as body text.
    std::int32_t m_nIncludeNotes = 0;
    kx_gen::COutlineDB *m_pDB = nullptr;
    kx_gen::_String m_strTitle; // Windows-1252
    kx_gen::_String m_strDocPath; // file system bytes
};

class DOCBRIDGE_EXPORT CDocbridge {
public:
    CDocbridge();
    // Stops the worker thread if it still runs.
    ~CDocbridge();

    CDocbridge(const CDocbridge &) = delete;
    CDocbridge &operator=(const CDocbridge &) = delete;

    // Starts the worker thread: 1 on success or when it already runs, 0
    // when it cannot be started (see GetLastErrorText).
    int StartWorkingThread();
    // Stops a running task, waits for it to report and for the thread to
    // end: 1, or 0 when no thread ran. Must not be called from the thread
    // that handles the notifications while a task runs.
    int StopWorkingThread();

    // Start a task that reports to `window` until it sends code 0 or 1,
    // exactly one of them, also when it is stopped. 1 when the task was
    // started. 0 when it was refused (no worker thread, another task still
    // running, a missing window, task or database): nothing is sent then
    // and GetLastErrorText tells why.
    int ImportWordDoc(DocbridgeHWND window, TImportTask *task);
    int ExportWordDoc(DocbridgeHWND window, TExportTask *task);
    // Asks the running task to stop; it still ends with code 0 or 1 and
    // changes nothing. Without a running task nothing happens.
    void StopTask();

    // The text of the last failure (UTF-8), to be shown for code 1.
    std::string GetLastErrorText() const;

private:
    struct TWorker;
    std::unique_ptr<TWorker> m_pWorker;
};
