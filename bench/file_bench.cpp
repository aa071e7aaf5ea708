// Reading and writing many small fields through CFileStream, as the record
// readers do: the buffer must keep this far from one system call per field.

#include "kx_gen/FileStream.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

using namespace kx_gen;

namespace {

constexpr int kRecords = 100000;

std::string benchPath()
{
    return (std::filesystem::temp_directory_path() / "corvale-file-bench.bin").string();
}

void writeRecords(const std::string &path)
{
    CFileStream out;
    out.Open(path.c_str(), CFile::modeCreate | CFile::modeWrite | CFile::shareExclusive);
    const _String text("An outline item of some length");
    for (int i = 0; i < kRecords; ++i) {
        out << std::uint32_t(i) << std::uint16_t(i & 0xFFFF) << std::uint8_t(i % 10)
            << std::int32_t(-i) << text;
    }
    out.Close();
}

void BM_WriteRecordFields(benchmark::State &state)
{
    const std::string path = benchPath();
    for (auto _ : state)
        writeRecords(path);
    state.SetItemsProcessed(state.iterations() * kRecords);
    std::remove(path.c_str());
}
BENCHMARK(BM_WriteRecordFields)->Unit(benchmark::kMillisecond);

void BM_ReadRecordFields(benchmark::State &state)
{
    const std::string path = benchPath();
    writeRecords(path);
    for (auto _ : state) {
        CFileStream in;
        in.Open(path.c_str(), CFile::modeRead | CFile::shareDenyWrite);
        std::uint32_t id = 0;
        std::uint16_t flags = 0;
        std::uint8_t level = 0;
        std::int32_t x = 0;
        _String text;
        for (int i = 0; i < kRecords; ++i) {
            in >> id >> flags >> level >> x >> text;
            benchmark::DoNotOptimize(text);
        }
        in.Close();
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
    std::remove(path.c_str());
}
BENCHMARK(BM_ReadRecordFields)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
