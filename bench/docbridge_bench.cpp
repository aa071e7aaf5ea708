// Word export and import of a 10,000-item outline through Docbridge's
// worker thread, with every notification handed back and waited for, as
// the progress dialog receives them. The target is under a second each.
#include "BenchSupport.h"

#include "docbridge/Docbridge.h"

#include "kx_gen/OutlineDB.h"
#include "kx_gen/OutlineRecord.h"

#include <benchmark/benchmark.h>

#include <condition_variable>
#include <mutex>

namespace {

constexpr int kItems = 10000;

class CWaitingWindow : public CDocbridgeWindow {
public:
    void SendMessage(std::uint32_t, std::uintptr_t code, std::intptr_t) override
    {
        std::lock_guard lock(m_mutex);
        ++m_nNotes;
        if (code == kDocbridgeFinished || code == kDocbridgeFailed) {
            m_bDone = true;
            m_bFailed = code == kDocbridgeFailed;
            m_end.notify_all();
        }
    }
    bool Wait()
    {
        std::unique_lock lock(m_mutex);
        m_end.wait(lock, [this] { return m_bDone; });
        m_bDone = false;
        return !m_bFailed;
    }
    int m_nNotes = 0;

private:
    std::mutex m_mutex;
    std::condition_variable m_end;
    bool m_bDone = false;
    bool m_bFailed = false;
};

void fill(kx_gen::COutlineDB &db)
{
    std::mt19937 rng(10000);
    db.InitNewDatabase();
    int level = 0;
    for (int i = 0; i < kItems; ++i) {
        auto *record = static_cast<kx_gen::COutlineRecord *>(db.GetRecordset()->Append());
        record->SetIndent(static_cast<std::uint8_t>(level));
        record->SetText(kx_gen::_String(bench::RandomText(rng, 10, 80).c_str()));
        if (i % 4 == 0)
            record->SetNote(kx_gen::_String(bench::RandomText(rng, 40, 200).c_str()));
        level = std::uniform_int_distribution<int>(0, std::min(level + 1, 9))(rng);
    }
}

void BM_WordExport(benchmark::State &state)
{
    const std::string folder = bench::MakeScratchFolder("docbridge");
    kx_gen::COutlineDB db;
    fill(db);
    CDocbridge bridge;
    bridge.StartWorkingThread();
    CWaitingWindow window;
    TExportTask task;
    task.m_nWordExport = static_cast<std::int32_t>(state.range(0));
    task.m_nIncludeNotes = 1;
    task.m_pDB = &db;
    task.m_strDocPath = (folder + "/out.docx").c_str();
    for (auto _ : state) {
        bridge.ExportWordDoc(&window, &task);
        if (!window.Wait())
            state.SkipWithError(bridge.GetLastErrorText().c_str());
    }
    state.counters["notifications"] = window.m_nNotes / static_cast<double>(state.iterations());
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_WordExport)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

void BM_WordImport(benchmark::State &state)
{
    const std::string folder = bench::MakeScratchFolder("docbridge");
    kx_gen::COutlineDB source;
    fill(source);
    CDocbridge bridge;
    bridge.StartWorkingThread();
    CWaitingWindow window;
    TExportTask exportTask;
    exportTask.m_nIncludeNotes = 1;
    exportTask.m_pDB = &source;
    exportTask.m_strDocPath = (folder + "/in.docx").c_str();
    bridge.ExportWordDoc(&window, &exportTask);
    window.Wait();
    for (auto _ : state) {
        kx_gen::COutlineDB db;
        db.InitNewDatabase();
        TImportTask task { &db, exportTask.m_strDocPath };
        bridge.ImportWordDoc(&window, &task);
        if (!window.Wait() || db.GetRecordset()->getSize() != kItems)
            state.SkipWithError("import failed");
    }
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_WordImport)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
