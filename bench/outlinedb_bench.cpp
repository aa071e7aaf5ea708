// Writing and reading back an outline of 100,000 items, side by side with
// SQLite storing the same items as the rows of one table (inserted in one
// transaction, then all selected). Texts are 20 to 200 characters, one item
// in ten has a note, one in a hundred a small drawing.
//
// Goal: reading all records takes at most half of SQLite's time, writing at
// most SQLite's time. Neither side asks the disk to make the data durable
// (SQLite runs with synchronous=OFF), so both measure the work of storing.

#include "BenchSupport.h"
#include "kx_gen/DibUtil.h"
#include "kx_gen/DrawingFormat.h"
#include "kx_gen/Exception.h"
#include "kx_gen/File.h"
#include "kx_gen/OutlineDB.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <malloc.h>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <time.h>
#include <vector>

namespace {

using namespace kx_gen;

constexpr int kItems = 100000;

struct Item {
    std::uint8_t level = 0;
    std::string text;
    std::string note; // empty: none
    bool checked = false;
    bool drawing = false;
};

const std::vector<Item> &Items()
{
    static const std::vector<Item> items = [] {
        std::mt19937 rng(1234);
        std::vector<Item> v(kItems);
        int level = 0;
        for (int i = 0; i < kItems; ++i) {
            Item &item = v[static_cast<std::size_t>(i)];
            // A walk over the levels, never deeper than one below the previous item.
            const int step = static_cast<int>(rng() % 5);
            if (step == 0 && level < 9)
                ++level;
            else if (step == 1 && level > 0)
                --level;
            item.level = static_cast<std::uint8_t>(level);
            item.text = bench::RandomText(rng, 20, 200);
            if (i % 10 == 3)
                item.note = bench::RandomText(rng, 20, 200);
            item.checked = rng() % 3 == 0;
            item.drawing = i % 100 == 7;
        }
        return v;
    }();
    return items;
}

const std::vector<std::uint8_t> &DrawingBytes()
{
    static const std::vector<std::uint8_t> bytes = bench::SampleDrawingBytes();
    return bytes;
}

std::string TempFolder()
{
    static const std::string folder = bench::MakeScratchFolder("outlinedb-bench");
    return folder;
}

std::string OutlinePath()
{
    return TempFolder() + "/bench.kxo";
}

std::string SqlitePath()
{
    return TempFolder() + "/bench.sqlite";
}

// What a reader does with every item: the sums keep the compiler honest.
struct Digest {
    std::uint64_t chars = 0;
    std::uint64_t notes = 0;
    std::uint64_t checked = 0;
    std::uint64_t levels = 0;
    std::uint64_t drawingBytes = 0;
};

// --- Corvale -------------------------------------------------------------

void WriteOutline(const std::string &path)
{
    const std::vector<std::uint8_t> &drawing = DrawingBytes();
    COutlineDB db;
    db.InitNewDatabase();
    db.SetOutlineTitle("Benchmark");
    CDBRecordset *records = db.GetRecordset();
    records->reserve(kItems);
    for (const Item &item : Items()) {
        auto *record = static_cast<COutlineRecord *>(records->Append());
        record->SetIndent(item.level);
        record->SetText(_String(item.text));
        if (!item.note.empty())
            record->SetNote(_String(item.note));
        record->SetChecked(item.checked);
        if (item.drawing)
            record->SetDrawingData(drawing.data(), static_cast<std::uint32_t>(drawing.size()));
        record->SetNew(true);
    }
    db.Open(path.c_str(), CFile::modeCreate | CFile::modeWrite);
    db.WriteAllHeaders();
    db.WriteRows();
    db.Close();
}

// Loads the outline as the program does and reads every item's fields. The
// database is handed to `keep`, so that freeing it (the program keeps an
// outline open) is not part of the reading.
Digest ReadOutline(
    const std::string &path, std::unique_ptr<COutlineDB> &keep, std::size_t *residentBytes = nullptr)
{
    malloc_trim(0);
    const std::size_t residentBefore = bench::ResidentBytes();
    Digest digest;
    keep = std::make_unique<COutlineDB>();
    COutlineDB &db = *keep;
    db.Open(path.c_str(), CFile::modeRead | CFile::shareDenyWrite);
    db.ReadHeader(COutlineDB::kSharedHeaderID);
    db.ReadHeader(COutlineDB::kPrivateHeaderID);
    db.ReadRows();
    db.Close();
    if (residentBytes)
        *residentBytes = bench::ResidentBytes() - residentBefore;
    CDBRecordset *records = db.GetRecordset();
    _String text;
    for (std::size_t i = 0; i < records->getSize(); ++i) {
        const auto *record = static_cast<const COutlineRecord *>(records->getRecord(i));
        digest.levels += record->GetIndent();
        record->GetText(text);
        digest.chars += text.size();
        if (record->HasNote()) {
            record->GetNote(text);
            digest.notes += text.size();
        }
        digest.checked += record->GetChecked();
        std::uint32_t size = 0;
        if (record->GetDrawingData(size))
            digest.drawingBytes += size;
    }
    return digest;
}

// --- SQLite --------------------------------------------------------------

void check(int rc, sqlite3 *db, const char *what)
{
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
        throw std::runtime_error(std::string(what) + ": " + sqlite3_errmsg(db));
}

void WriteSqlite(const std::string &path)
{
    std::filesystem::remove(path);
    sqlite3 *db = nullptr;
    check(sqlite3_open(path.c_str(), &db), db, "open");
    check(sqlite3_exec(db, "PRAGMA synchronous=OFF", nullptr, nullptr, nullptr), db, "pragma");
    check(sqlite3_exec(db,
              "CREATE TABLE items (id INTEGER PRIMARY KEY, level INTEGER, text TEXT, "
              "note TEXT, checked INTEGER, drawing BLOB)",
              nullptr, nullptr, nullptr),
        db, "create");
    check(sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), db, "begin");
    sqlite3_stmt *insert = nullptr;
    check(sqlite3_prepare_v2(db,
              "INSERT INTO items (level, text, note, checked, drawing) "
              "VALUES (?, ?, ?, ?, ?)",
              -1, &insert, nullptr),
        db, "prepare");
    const std::vector<std::uint8_t> &drawing = DrawingBytes();
    for (const Item &item : Items()) {
        sqlite3_bind_int(insert, 1, item.level);
        sqlite3_bind_text(
            insert, 2, item.text.data(), static_cast<int>(item.text.size()), SQLITE_STATIC);
        if (item.note.empty())
            sqlite3_bind_null(insert, 3);
        else
            sqlite3_bind_text(
                insert, 3, item.note.data(), static_cast<int>(item.note.size()), SQLITE_STATIC);
        sqlite3_bind_int(insert, 4, item.checked);
        if (item.drawing)
            sqlite3_bind_blob(
                insert, 5, drawing.data(), static_cast<int>(drawing.size()), SQLITE_STATIC);
        else
            sqlite3_bind_null(insert, 5);
        check(sqlite3_step(insert), db, "insert");
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db, "commit");
    sqlite3_close(db);
}

Digest ReadSqlite(const std::string &path)
{
    Digest digest;
    sqlite3 *db = nullptr;
    check(sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), db, "open");
    sqlite3_stmt *select = nullptr;
    check(
        sqlite3_prepare_v2(db, "SELECT level, text, note, checked, drawing FROM items ORDER BY id",
            -1, &select, nullptr),
        db, "prepare");
    std::string text;
    int rc;
    while ((rc = sqlite3_step(select)) == SQLITE_ROW) {
        digest.levels += static_cast<std::uint64_t>(sqlite3_column_int(select, 0));
        text.assign(reinterpret_cast<const char *>(sqlite3_column_text(select, 1)),
            static_cast<std::size_t>(sqlite3_column_bytes(select, 1)));
        digest.chars += text.size();
        if (sqlite3_column_type(select, 2) != SQLITE_NULL) {
            text.assign(reinterpret_cast<const char *>(sqlite3_column_text(select, 2)),
                static_cast<std::size_t>(sqlite3_column_bytes(select, 2)));
            digest.notes += text.size();
        }
        digest.checked += static_cast<std::uint64_t>(sqlite3_column_int(select, 3));
        if (sqlite3_column_type(select, 4) != SQLITE_NULL) {
            sqlite3_column_blob(select, 4);
            digest.drawingBytes += static_cast<std::uint64_t>(sqlite3_column_bytes(select, 4));
        }
    }
    check(rc, db, "select");
    sqlite3_finalize(select);
    sqlite3_close(db);
    return digest;
}

// --- Google Benchmark cases ---------------------------------------------

void BM_CorvaleWrite(benchmark::State &state)
{
    for (auto _ : state)
        WriteOutline(OutlinePath());
    state.counters["items"] = kItems;
}
BENCHMARK(BM_CorvaleWrite)->Unit(benchmark::kMillisecond);

void BM_SqliteWrite(benchmark::State &state)
{
    for (auto _ : state)
        WriteSqlite(SqlitePath());
    state.counters["items"] = kItems;
}
BENCHMARK(BM_SqliteWrite)->Unit(benchmark::kMillisecond);

void BM_CorvaleRead(benchmark::State &state)
{
    WriteOutline(OutlinePath());
    std::unique_ptr<COutlineDB> keep;
    for (auto _ : state) {
        benchmark::DoNotOptimize(ReadOutline(OutlinePath(), keep));
        state.PauseTiming();
        keep.reset();
        state.ResumeTiming();
    }
    state.counters["items"] = kItems;
}
BENCHMARK(BM_CorvaleRead)->Unit(benchmark::kMillisecond);

void BM_SqliteRead(benchmark::State &state)
{
    WriteSqlite(SqlitePath());
    for (auto _ : state)
        benchmark::DoNotOptimize(ReadSqlite(SqlitePath()));
    state.counters["items"] = kItems;
}
BENCHMARK(BM_SqliteRead)->Unit(benchmark::kMillisecond);

// --- The figures the goal is about --------------------------------------

// The best of `runs` runs of `work`, in milliseconds of wall-clock time and
// of the process's processor time (user and system). The machine may be
// shared: processor time is what the goal is judged on, since it does not
// count the time the process waits for a processor.
struct Timing {
    double wallMs = 1e300;
    double cpuMs = 1e300;
};

double cpuNowMs()
{
    timespec ts {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

Timing Best(int runs, const std::function<void()> &work, const std::function<void()> &after = {})
{
    Timing best;
    for (int i = 0; i < runs; ++i) {
        const double cpuStart = cpuNowMs();
        const auto start = std::chrono::steady_clock::now();
        work();
        const std::chrono::duration<double, std::milli> took
            = std::chrono::steady_clock::now() - start;
        best.cpuMs = std::min(best.cpuMs, cpuNowMs() - cpuStart);
        best.wallMs = std::min(best.wallMs, took.count());
        if (after)
            after();
    }
    return best;
}

bool SameDigest(const Digest &a, const Digest &b)
{
    return a.chars == b.chars && a.notes == b.notes && a.checked == b.checked
        && a.levels == b.levels && a.drawingBytes == b.drawingBytes;
}

int ReportGoal()
{
    constexpr int kRuns = 9;
    const Timing corvaleWrite = Best(kRuns, [] { WriteOutline(OutlinePath()); });
    const Timing sqliteWrite = Best(kRuns, [] { WriteSqlite(SqlitePath()); });
    Digest corvaleDigest, sqliteDigest;
    std::unique_ptr<COutlineDB> keep;
    const Timing corvaleRead = Best(
        kRuns, [&] { corvaleDigest = ReadOutline(OutlinePath(), keep); }, [&] { keep.reset(); });
    const Timing sqliteRead = Best(kRuns, [&] { sqliteDigest = ReadSqlite(SqlitePath()); });
    if (!SameDigest(corvaleDigest, sqliteDigest)) {
        std::printf("outlinedb: the two stores read back different items\n");
        return 1;
    }

    std::size_t residentBytes = 0;
    ReadOutline(OutlinePath(), keep, &residentBytes);
    keep.reset();
    const double corvaleDisk = double(std::filesystem::file_size(OutlinePath())) / kItems;
    const double sqliteDisk = double(std::filesystem::file_size(SqlitePath())) / kItems;
    const double writeRatio = corvaleWrite.cpuMs / sqliteWrite.cpuMs;
    const double readRatio = corvaleRead.cpuMs / sqliteRead.cpuMs;

    std::printf("outlinedb: %d items (%llu text bytes, %llu note bytes, %llu drawing bytes)\n",
        kItems, static_cast<unsigned long long>(corvaleDigest.chars),
        static_cast<unsigned long long>(corvaleDigest.notes),
        static_cast<unsigned long long>(corvaleDigest.drawingBytes));
    std::printf("outlinedb: best of %d runs, processor time (wall-clock time)\n", kRuns);
    std::printf("outlinedb: write  Corvale %7.2f ms (%7.2f)  SQLite %7.2f ms (%7.2f)  ratio %.2f "
                "(goal at most 1.00)%s\n",
        corvaleWrite.cpuMs, corvaleWrite.wallMs, sqliteWrite.cpuMs, sqliteWrite.wallMs, writeRatio,
        writeRatio <= 1.0 ? "" : "  MISSED");
    std::printf("outlinedb: read   Corvale %7.2f ms (%7.2f)  SQLite %7.2f ms (%7.2f)  ratio %.2f "
                "(goal at most 0.50)%s\n",
        corvaleRead.cpuMs, corvaleRead.wallMs, sqliteRead.cpuMs, sqliteRead.wallMs, readRatio,
        readRatio <= 0.5 ? "" : "  MISSED");
    std::printf("outlinedb: bytes per item on disk: Corvale %.1f, SQLite %.1f; "
                "resident growth after loading: Corvale %.1f\n",
        corvaleDisk, sqliteDisk, double(residentBytes) / kItems);
    std::fflush(stdout);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    int rc = 0;
    try {
        rc = ReportGoal();
        benchmark::RunSpecifiedBenchmarks();
    } catch (CException *e) {
        ExceptionHolder holder(e);
        std::fprintf(stderr, "outlinedb: %s\n", e->GetDescription().c_str());
        rc = 1;
    } catch (const std::exception &e) {
        std::fprintf(stderr, "outlinedb: %s\n", e.what());
        rc = 1;
    }
    benchmark::Shutdown();
    std::error_code ec;
    std::filesystem::remove_all(TempFolder(), ec);
    return rc;
}
