// Writing and reading back an outline of 100,000 items, side by side with
// SQLite storing the same items as the rows of one table (inserted in one
// transaction, then all selected). Texts are 20 to 200 characters, one item
// in ten has a note, one in a hundred a small drawing.
//
// Goals: reading all records (with the field reads below) takes at most half
// of SQLite's time (0.3 as a stretch) and at most 3 times copying the file's
// bytes, writing at most SQLite's time, and both grow linearly with the
// number of items. Neither side asks the disk to make the data durable
// (SQLite runs with synchronous=OFF), so both measure the work of storing.

#include "BenchSupport.h"
#include "kx_gen/DibUtil.h"
#include "kx_gen/DrawingFormat.h"
#include "kx_gen/Exception.h"
#include "kx_gen/File.h"
#include "kx_gen/Memory.h"
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

// The first `count` items.
void WriteOutline(const std::string &path, int count = kItems)
{
    const std::vector<std::uint8_t> &drawing = DrawingBytes();
    COutlineDB db;
    db.InitNewDatabase();
    db.SetOutlineTitle("Benchmark");
    CDBRecordset *records = db.GetRecordset();
    records->reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const Item &item = Items()[static_cast<std::size_t>(i)];
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
Digest ReadOutline(const std::string &path, std::unique_ptr<COutlineDB> &keep)
{
    Digest digest;
    keep = std::make_unique<COutlineDB>();
    COutlineDB &db = *keep;
    db.Open(path.c_str(), CFile::modeRead | CFile::shareDenyWrite);
    db.ReadHeader(COutlineDB::kSharedHeaderID);
    db.ReadHeader(COutlineDB::kPrivateHeaderID);
    db.ReadRows();
    db.Close();
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

// --- The figures the goals are about -------------------------------------

bool SameDigest(const Digest &a, const Digest &b)
{
    return a.chars == b.chars && a.notes == b.notes && a.checked == b.checked
        && a.levels == b.levels && a.drawingBytes == b.drawingBytes;
}

// Resident growth while reading the outline, measured apart from the timed
// reads: the heap and the library first give back what earlier runs left
// free.
std::size_t ResidentGrowth(const std::string &path)
{
    std::unique_ptr<COutlineDB> keep;
    malloc_trim(0);
    ReleaseKeptMemory();
    const std::size_t before = bench::ResidentBytes();
    ReadOutline(path, keep);
    return bench::ResidentBytes() - before;
}

constexpr const char *kName = "outlinedb";

// Reading and writing 1k, 10k and 100k items: the time per item may not
// grow with the number of items.
void ReportGrowth(int runs)
{
    const int counts[] = { 1000, 10000, kItems };
    double perItem[3][2] = {};
    for (int c = 0; c < 3; ++c) {
        const int n = counts[c];
        const std::string path = TempFolder() + "/growth.kxo";
        WriteOutline(path, n);
        std::unique_ptr<COutlineDB> keep;
        const int reps = runs * (kItems / n > 10 ? 5 : 1);
        const std::vector<bench::Samples> s = bench::Interleaved(reps,
            { { [&] { ReadOutline(path, keep); }, {}, [&] { keep.reset(); } },
                { [&] { WriteOutline(path, n); } } });
        perItem[c][0] = s[0].Min() * 1e3 / n;
        perItem[c][1] = s[1].Min() * 1e3 / n;
    }
    for (int c = 0; c < 3; ++c)
        std::printf("%s: growth %6d items: read %.3f us/item, write %.3f us/item "
                    "(%.2f and %.2f times the 1k figure)\n",
            kName, counts[c], perItem[c][0], perItem[c][1], perItem[c][0] / perItem[0][0],
            perItem[c][1] / perItem[0][1]);
    const bool linear
        = perItem[2][0] <= 1.5 * perItem[0][0] && perItem[2][1] <= 1.5 * perItem[0][1];
    std::printf("%s: growth from 1k to 100k linear (time per item at most 1.5 times the "
                "1k figure)  %s\n",
        kName, linear ? "met" : "MISSED");
}

int ReportGoal()
{
    constexpr int kRuns = 9;
    WriteOutline(OutlinePath());
    WriteSqlite(SqlitePath());
    Digest corvaleDigest, sqliteDigest;
    std::unique_ptr<COutlineDB> keep;
    std::vector<char> copyBuffer;
    std::size_t copied = 0;
    // Reads and writes are timed in separate rounds, so that a write never
    // leaves the page cache busy under a read.
    const std::vector<bench::Samples> reads = bench::Interleaved(kRuns,
        { { [&] { corvaleDigest = ReadOutline(OutlinePath(), keep); }, {}, [&] { keep.reset(); } },
            { [&] { sqliteDigest = ReadSqlite(SqlitePath()); } },
            { [&] { copied = bench::CopyFileBytes(OutlinePath(), copyBuffer); } } });
    const std::vector<bench::Samples> writes = bench::Interleaved(
        kRuns, { { [] { WriteOutline(OutlinePath()); } }, { [] { WriteSqlite(SqlitePath()); } } });
    if (!SameDigest(corvaleDigest, sqliteDigest)) {
        std::printf("outlinedb: the two stores read back different items\n");
        return 1;
    }
    if (copied != std::filesystem::file_size(OutlinePath())) {
        std::printf("outlinedb: copying the file read %zu bytes\n", copied);
        return 1;
    }
    const std::size_t residentBytes = ResidentGrowth(OutlinePath());
    const double corvaleDisk = double(std::filesystem::file_size(OutlinePath())) / kItems;
    const double sqliteDisk = double(std::filesystem::file_size(SqlitePath())) / kItems;

    std::printf("%s: %d items (%llu text bytes, %llu note bytes, %llu drawing bytes)\n", kName,
        kItems, static_cast<unsigned long long>(corvaleDigest.chars),
        static_cast<unsigned long long>(corvaleDigest.notes),
        static_cast<unsigned long long>(corvaleDigest.drawingBytes));
    std::printf("%s: %d runs of each, taking turns\n", kName, kRuns);
    bench::PrintSamples(kName, "read Corvale", reads[0]);
    bench::PrintSamples(kName, "read SQLite", reads[1]);
    bench::PrintSamples(kName, "copy the file's bytes", reads[2]);
    bench::PrintSamples(kName, "write Corvale", writes[0]);
    bench::PrintSamples(kName, "write SQLite", writes[1]);
    bench::PrintRatio(kName, "read Corvale / SQLite", reads[0], reads[1], 0.5);
    bench::PrintRatio(kName, "read Corvale / SQLite (stretch)", reads[0], reads[1], 0.3);
    bench::PrintRatio(kName, "read Corvale / copying the file's bytes", reads[0], reads[2], 3.0);
    bench::PrintRatio(kName, "write Corvale / SQLite", writes[0], writes[1], 1.0);
    std::printf("%s: bytes per item on disk: Corvale %.1f, SQLite %.1f; "
                "resident growth after reading: Corvale %.1f per item\n",
        kName, corvaleDisk, sqliteDisk, double(residentBytes) / kItems);
    ReportGrowth(kRuns);
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
