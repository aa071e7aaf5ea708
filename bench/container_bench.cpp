// Reading and writing a container of 100,000 records, each with the tags of
// a typical outline item (status, sort flag, level, two flags, a text).

#include "kx_gen/DBRecord.h"
#include "kx_gen/Database.h"
#include "kx_gen/Exception.h"
#include "kx_gen/File.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

using namespace kx_gen;

namespace {

class BenchDB : public CDatabase {
public:
    BenchDB()
        : CDatabase(0)
    {
    }
    void CheckDbInfo() override { }
    void ReadExtraRows() override { *this >> m_nExtra; }
    void WriteExtraRows() override { *this << m_nExtra; }
    std::uint32_t m_nExtra = 0;
};

constexpr int kRecords = 100000;

std::string benchFile()
{
    return (std::filesystem::temp_directory_path() / "corvale-container-bench.kxo").string();
}

void fill(BenchDB &db)
{
    db.InitNewDatabase();
    for (int i = 0; i < kRecords; ++i) {
        CDBRecord *r = db.GetRecordset()->Append();
        CTaggedDataManager &tags = r->GetTags();
        KX_TAG_CHECK(tags.setUInt8(6, static_cast<std::uint8_t>(i % 10)));
        KX_TAG_CHECK(tags.setBool(9, i % 2 == 0));
        KX_TAG_CHECK(tags.setBool(10, false));
        KX_TAG_CHECK(tags.setString(7, "An outline item of an ordinary length, one line or so"));
    }
}

void writeFile(BenchDB &db, const std::string &path)
{
    db.Open(path.c_str(), CFile::modeCreate | CFile::modeWrite);
    db.WriteAllHeaders();
    db.WriteRows();
    db.Close();
}

void BM_ReadRows(benchmark::State &state)
{
    const std::string path = benchFile();
    {
        BenchDB db;
        fill(db);
        writeFile(db, path);
    }
    for (auto _ : state) {
        BenchDB db;
        db.Open(path.c_str(), CFile::modeRead | CFile::shareDenyWrite);
        db.ReadConduitHeader();
        db.ReadRows();
        db.Close();
        benchmark::DoNotOptimize(db.GetRecordset()->getSize());
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
    std::remove(path.c_str());
}
BENCHMARK(BM_ReadRows)->Unit(benchmark::kMillisecond);

void BM_WriteRows(benchmark::State &state)
{
    const std::string path = benchFile();
    BenchDB db;
    fill(db);
    for (auto _ : state)
        writeFile(db, path);
    state.SetItemsProcessed(state.iterations() * kRecords);
    std::remove(path.c_str());
}
BENCHMARK(BM_WriteRows)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
