// The exchange formats on a 100,000-item outline: texts of 20 to 120
// characters over all ten levels, one item in ten with a note, one in seven
// checked.
//
// Goal: exporting to OPML and to Markdown, and importing either into a new
// outline manager, each take under one second.

#include "FlatOutline.h"
#include "Markdown.h"
#include "Opml.h"

#include <benchmark/benchmark.h>

#include <random>
#include <stdexcept>
#include <string>

namespace {

constexpr int kItems = 100000;

const formats::SFlatOutline &Sample()
{
    static const formats::SFlatOutline outline = [] {
        formats::SFlatOutline o;
        o.m_strTitle = "Benchmark";
        std::mt19937 random(7);
        int level = 0;
        for (int i = 0; i < kItems; ++i) {
            formats::SFlatItem item;
            level = std::max(0, std::min(9, level + static_cast<int>(random() % 3) - 1));
            item.m_nLevel = level;
            item.m_strText = "Item " + std::to_string(i) + " "
                + std::string(15 + random() % 100, static_cast<char>('a' + i % 26));
            if (i % 10 == 0)
                item.m_strNote = "A note & <more> for item " + std::to_string(i);
            item.m_bChecked = i % 7 == 0;
            o.m_Items.push_back(std::move(item));
        }
        formats::CImportReport report;
        formats::FoldLevels(o, report);
        return o;
    }();
    return outline;
}

// The sample in a manager, as an export finds it.
COutlineMan &SampleMan()
{
    static COutlineMan man;
    static const bool filled = [] {
        formats::CImportReport report;
        return formats::FillOutline(Sample(), man, report);
    }();
    if (!filled)
        throw std::runtime_error("the sample outline could not be built");
    return man;
}

void BM_ExportOpml(benchmark::State &state)
{
    COutlineMan &man = SampleMan();
    for (auto _ : state)
        benchmark::DoNotOptimize(formats::WriteOpml(formats::FlattenOutline(man)));
}

void BM_ExportMarkdown(benchmark::State &state)
{
    COutlineMan &man = SampleMan();
    for (auto _ : state)
        benchmark::DoNotOptimize(formats::WriteMarkdown(formats::FlattenOutline(man)));
}

void Import(benchmark::State &state, const std::string &data, bool opml)
{
    for (auto _ : state) {
        formats::SFlatOutline outline;
        formats::CImportReport report;
        const bool read = opml ? formats::ReadOpml(data, outline, report)
                               : formats::ReadMarkdown(data, outline, report);
        COutlineMan man;
        if (!read || !formats::FillOutline(outline, man, report)
            || outline.m_Items.size() != kItems)
            state.SkipWithError("the import failed");
    }
}

void BM_ImportOpml(benchmark::State &state)
{
    Import(state, formats::WriteOpml(Sample()), true);
}

void BM_ImportMarkdown(benchmark::State &state)
{
    Import(state, formats::WriteMarkdown(Sample()), false);
}

BENCHMARK(BM_ExportOpml)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportMarkdown)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportOpml)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportMarkdown)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
