#include "docbridge/Docbridge.h"

#include "DocbridgeError.h"
#include "DocxReader.h"
#include "DocxWriter.h"
#include "DrawingPng.h"

#include "kx_gen/DBRecordset.h"
#include "kx_gen/Exception.h"
#include "kx_gen/OutlineDB.h"
#include "kx_gen/OutlineRecord.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// Larger files are refused before they are read; a Word document with
// the text of a big outline stays far below it.
constexpr off_t kMaxDocumentFile = 256 << 20;
// Step notifications per task, at most; each one waits for the receiver.
constexpr std::size_t kMaxStepReports = 100;

std::string systemError(const std::string &what, int error)
{
    return what + ": " + std::strerror(error) + ".";
}

std::string readWholeFile(const std::string &path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw docbridge::CDocbridgeError(
            systemError("The Word document could not be opened", errno));
    std::string data;
    try {
        struct stat info { };
        if (::fstat(fd, &info) != 0)
            throw docbridge::CDocbridgeError(
                systemError("The Word document could not be read", errno));
        if (!S_ISREG(info.st_mode))
            throw docbridge::CDocbridgeError("The Word document is not a regular file.");
        if (info.st_size > kMaxDocumentFile)
            throw docbridge::CDocbridgeError("The Word document is too large to be imported.");
        data.resize(static_cast<std::size_t>(info.st_size));
        std::size_t done = 0;
        while (done < data.size()) {
            const ssize_t n = ::read(fd, data.data() + done, data.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                throw docbridge::CDocbridgeError(
                    systemError("The Word document could not be read", errno));
            if (n == 0)
                break;
            done += static_cast<std::size_t>(n);
        }
        data.resize(done);
    } catch (...) {
        ::close(fd);
        throw;
    }
    ::close(fd);
    return data;
}

// Writes beside the target and renames over it, so that the target is either
// the old file or the complete new one. `beforeCommit` may throw to abandon.
void writeFileReplacing(
    const std::string &path, const std::string &data, const std::function<void()> &beforeCommit)
{
    std::string temp = path + ".partial-XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        throw docbridge::CDocbridgeError(
            systemError("The Word document could not be created", errno));
    try {
        std::size_t done = 0;
        while (done < data.size()) {
            const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                throw docbridge::CDocbridgeError(
                    systemError("The Word document could not be written", errno));
            done += static_cast<std::size_t>(n);
        }
        ::fchmod(
            fd, 0644 & ~[] {
                const mode_t mask = ::umask(0);
                ::umask(mask);
                return mask;
            }());
        if (::fsync(fd) != 0)
            throw docbridge::CDocbridgeError(
                systemError("The Word document could not be written", errno));
        if (::close(fd) != 0) {
            const int error = errno;
            ::unlink(temp.c_str());
            throw docbridge::CDocbridgeError(
                systemError("The Word document could not be written", error));
        }
    } catch (...) {
        ::close(fd);
        ::unlink(temp.c_str());
        throw;
    }
    try {
        if (beforeCommit)
            beforeCommit();
        if (::rename(temp.c_str(), path.c_str()) != 0)
            throw docbridge::CDocbridgeError(
                systemError("The Word document could not be saved", errno));
    } catch (...) {
        ::unlink(temp.c_str());
        throw;
    }
}

std::string describe(kx_gen::CException *e)
{
    kx_gen::ExceptionHolder holder(e);
    return holder ? std::string(holder->GetDescription().c_str())
                  : std::string("Unknown exception");
}

} // namespace

std::uint32_t DocbridgeRegisterMessage(const char *name)
{
    // FNV-1a over the name, folded into the range that registered messages use.
    std::uint32_t hash = 2166136261u;
    for (const char *p = name ? name : ""; *p; ++p) {
        hash ^= static_cast<unsigned char>(*p);
        hash *= 16777619u;
    }
    return 0xC000u + (hash % 0x4000u);
}

std::uint32_t DocbridgeStateMessage()
{
    static const std::uint32_t message = DocbridgeRegisterMessage(kDocbridgeStateMessageName);
    return message;
}

CDocbridgeWindow::~CDocbridgeWindow() = default;

struct CDocbridge::TWorker {
    enum class EKind { kNone, kImport, kExport };

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::thread m_thread;
    bool m_bRunning = false;
    bool m_bQuit = false;
    bool m_bBusy = false;
    EKind m_kind = EKind::kNone;
    DocbridgeHWND m_window = nullptr;
    TImportTask *m_pImport = nullptr;
    TExportTask *m_pExport = nullptr;
    std::atomic<bool> m_bStop { false };

    mutable std::mutex m_errorMutex;
    std::string m_strLastError;

    void SetError(const std::string &text)
    {
        std::lock_guard lock(m_errorMutex);
        m_strLastError = text;
    }

    void Loop();
    int Queue(EKind kind, DocbridgeHWND window, TImportTask *import, TExportTask *exportTask);
    void Run(EKind kind, DocbridgeHWND window, TImportTask *import, TExportTask *exportTask);
    void Import(DocbridgeHWND window, TImportTask &task);
    void Export(DocbridgeHWND window, TExportTask &task);
};

namespace {

void send(DocbridgeHWND window, std::uintptr_t code, std::int32_t argument = 0)
{
    std::int32_t value = argument;
    try {
        window->SendMessage(DocbridgeStateMessage(), code, reinterpret_cast<std::intptr_t>(&value));
    } catch (...) {
        // A receiver's failure must not break the task's protocol.
    }
}

// Announces the step count and then reports steps, thinned out so that a
// large outline does not wait for the receiver thousands of times.
class CStepReporter {
public:
    CStepReporter(DocbridgeHWND window, std::size_t count)
        : m_window(window)
        , m_nCount(count)
    {
        m_nEvery = std::max<std::size_t>(1, count / kMaxStepReports);
        send(window, kDocbridgeStepCount,
            static_cast<std::int32_t>(std::min<std::size_t>(count, INT32_MAX)));
    }
    void Done(std::size_t step)
    {
        if (step <= m_nReported || (step % m_nEvery != 0 && step != m_nCount))
            return;
        m_nReported = step;
        send(m_window, kDocbridgeStepDone,
            static_cast<std::int32_t>(std::min<std::size_t>(step, INT32_MAX)));
    }

private:
    DocbridgeHWND m_window;
    std::size_t m_nCount;
    std::size_t m_nEvery = 1;
    std::size_t m_nReported = 0;
};

} // namespace

void CDocbridge::TWorker::Loop()
{
    for (;;) {
        EKind kind;
        DocbridgeHWND window;
        TImportTask *import;
        TExportTask *exportTask;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_bQuit || m_kind != EKind::kNone; });
            if (m_kind == EKind::kNone)
                return;
            kind = m_kind;
            window = m_window;
            import = m_pImport;
            exportTask = m_pExport;
        }
        Run(kind, window, import, exportTask);
    }
}

int CDocbridge::TWorker::Queue(
    EKind kind, DocbridgeHWND window, TImportTask *import, TExportTask *exportTask)
{
    std::lock_guard lock(m_mutex);
    if (!m_bRunning || m_bQuit) {
        SetError("The Word engine is not running.");
        return 0;
    }
    if (m_bBusy) {
        SetError("The Word engine is still busy with another document.");
        return 0;
    }
    if (!window || (!import && !exportTask) || (import && !import->m_pDB)
        || (exportTask && !exportTask->m_pDB)) {
        SetError("The Word task is incomplete.");
        return 0;
    }
    m_bStop = false;
    m_bBusy = true;
    m_kind = kind;
    m_window = window;
    m_pImport = import;
    m_pExport = exportTask;
    m_wake.notify_all();
    return 1;
}

void CDocbridge::TWorker::Run(
    EKind kind, DocbridgeHWND window, TImportTask *import, TExportTask *exportTask)
{
    std::uintptr_t result = kDocbridgeFinished;
    try {
        if (m_bStop)
            throw docbridge::CTaskStopped();
        if (kind == EKind::kImport)
            Import(window, *import);
        else
            Export(window, *exportTask);
    } catch (const docbridge::CTaskStopped &) {
        send(window, kDocbridgeStopping);
    } catch (const docbridge::CDocbridgeError &e) {
        SetError(e.what());
        result = kDocbridgeFailed;
    } catch (kx_gen::CException *e) {
        SetError(describe(e));
        result = kDocbridgeFailed;
    } catch (const std::bad_alloc &) {
        SetError("There is not enough memory for the Word document.");
        result = kDocbridgeFailed;
    } catch (const std::exception &e) {
        SetError(std::string("The Word task failed: ") + e.what());
        result = kDocbridgeFailed;
    } catch (...) {
        SetError("The Word task failed.");
        result = kDocbridgeFailed;
    }
    // The engine is free again before the end is reported: whoever hears it
    // may start the next task at once.
    {
        std::lock_guard lock(m_mutex);
        m_kind = EKind::kNone;
        m_bBusy = false;
    }
    send(window, result);
}

void CDocbridge::TWorker::Import(DocbridgeHWND window, TImportTask &task)
{
    const auto poll = [this] {
        if (m_bStop)
            throw docbridge::CTaskStopped();
    };
    send(window, kDocbridgeFirstStage);
    kx_gen::CDBRecordset *records = task.m_pDB->GetRecordset();
    if (!records || records->getSize() != 0)
        throw docbridge::CDocbridgeError("The outline to import into is not empty.");
    const std::string data = readWholeFile(task.m_strPath.str());
    poll();

    send(window, kDocbridgeSecondStage);
    const std::vector<docbridge::TDocItem> items = docbridge::ReadDocx(
        reinterpret_cast<const std::uint8_t *>(data.data()), data.size(), poll);
    if (items.empty())
        throw docbridge::CDocbridgeError("The Word document holds no text to import.");

    // The records are made aside and handed to the database only at the end.
    CStepReporter steps(window, items.size());
    struct TFree {
        kx_gen::CDBRecordset *m_pSet;
        void operator()(kx_gen::CDBRecord *r) const { m_pSet->DeleteDBRecord(r); }
    };
    std::vector<std::unique_ptr<kx_gen::CDBRecord, TFree>> made;
    made.reserve(items.size());
    for (std::size_t i = 0; i < items.size(); ++i) {
        poll();
        std::unique_ptr<kx_gen::CDBRecord, TFree> record(
            records->CreateDBRecord(), TFree { records });
        auto *outline = dynamic_cast<kx_gen::COutlineRecord *>(record.get());
        if (!outline)
            throw docbridge::CDocbridgeError("The outline cannot hold the imported items.");
        const docbridge::TDocItem &item = items[i];
        outline->SetIndent(static_cast<std::uint8_t>(item.m_nLevel));
        outline->SetText(kx_gen::_String(item.m_strText));
        if (!item.m_strNote.empty())
            outline->SetNote(kx_gen::_String(item.m_strNote));
        outline->SetChecked(item.m_bChecked);
        outline->SetExpanded(true);
        made.push_back(std::move(record));
        steps.Done(i + 1);
    }
    poll();
    records->reserve(made.size());
    for (auto &record : made)
        records->add(record.release());
}

void CDocbridge::TWorker::Export(DocbridgeHWND window, TExportTask &task)
{
    const auto poll = [this] {
        if (m_bStop)
            throw docbridge::CTaskStopped();
    };
    send(window, kDocbridgeFirstStage);
    if (task.m_strDocPath.IsEmpty())
        throw docbridge::CDocbridgeError("No file was named for the Word document.");
    kx_gen::CDBRecordset *records = task.m_pDB->GetRecordset();
    const std::size_t count = records ? records->getSize() : 0;
    CStepReporter steps(window, count);

    std::vector<docbridge::TDocItem> items;
    items.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        auto *record = dynamic_cast<kx_gen::COutlineRecord *>(records->getRecord(i));
        if (!record)
            continue;
        if (i % 256 == 0)
            poll();
        docbridge::TDocItem item;
        item.m_nLevel = std::min<int>(record->GetIndent(), docbridge::kMaxOutlineLevel);
        kx_gen::_String text;
        record->GetText(text);
        item.m_strText = text.str();
        if (task.m_nIncludeNotes && record->HasNote()) {
            kx_gen::_String note;
            record->GetNote(note);
            item.m_strNote = note.str();
        }
        item.m_bChecked = record->GetChecked();
        if (record->HasDrawing()) {
            kx_gen::MemHolder dib(record->GetDrawing());
            if (!docbridge::DibToPng(dib.get(), item.m_strPng, item.m_nPngWidth, item.m_nPngHeight))
                item.m_strPng.clear();
        }
        items.push_back(std::move(item));
    }

    docbridge::TDocxOptions options;
    options.m_bHeadings = task.m_nWordExport != 0;
    options.m_bNotes = task.m_nIncludeNotes != 0;
    options.m_strTitle = task.m_strTitle.str();
    const std::string file = docbridge::BuildDocx(items, options, [&](std::size_t done) {
        poll();
        steps.Done(done);
    });
    writeFileReplacing(task.m_strDocPath.str(), file, poll);
}

CDocbridge::CDocbridge()
    : m_pWorker(std::make_unique<TWorker>())
{
}

CDocbridge::~CDocbridge()
{
    StopWorkingThread();
}

int CDocbridge::StartWorkingThread()
{
    std::lock_guard lock(m_pWorker->m_mutex);
    if (m_pWorker->m_bRunning)
        return 1;
    try {
        m_pWorker->m_bQuit = false;
        m_pWorker->m_thread = std::thread([worker = m_pWorker.get()] { worker->Loop(); });
    } catch (const std::exception &e) {
        m_pWorker->SetError(std::string("The Word engine could not be started: ") + e.what());
        return 0;
    }
    m_pWorker->m_bRunning = true;
    return 1;
}

int CDocbridge::StopWorkingThread()
{
    {
        std::lock_guard lock(m_pWorker->m_mutex);
        if (!m_pWorker->m_bRunning)
            return 0;
        m_pWorker->m_bQuit = true;
        m_pWorker->m_bStop = true;
        m_pWorker->m_wake.notify_all();
    }
    m_pWorker->m_thread.join();
    std::lock_guard lock(m_pWorker->m_mutex);
    m_pWorker->m_bRunning = false;
    return 1;
}

int CDocbridge::ImportWordDoc(DocbridgeHWND window, TImportTask *task)
{
    return m_pWorker->Queue(TWorker::EKind::kImport, window, task, nullptr);
}

int CDocbridge::ExportWordDoc(DocbridgeHWND window, TExportTask *task)
{
    return m_pWorker->Queue(TWorker::EKind::kExport, window, nullptr, task);
}

void CDocbridge::StopTask()
{
    std::lock_guard lock(m_pWorker->m_mutex);
    if (m_pWorker->m_bBusy)
        m_pWorker->m_bStop = true;
}

std::string CDocbridge::GetLastErrorText() const
{
    std::lock_guard lock(m_pWorker->m_errorMutex);
    return m_pWorker->m_strLastError;
}
