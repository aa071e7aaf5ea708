// Wrapping every item text of a 100,000-item outline at 600 pixels, the work
// the outline view does when an outline is shown or its window resized.
// Texts are 20 to 200 characters of words; widths come from the font's
// tables alone, as they do for fixed widths. Goal: at most 50 ms per wrap.

#include "TextCtrl.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kItems = 100000;
constexpr int kWidth = 600;
constexpr double kGoalMs = 50.0;

std::vector<CTextCtrl> MakeOutlineTexts()
{
    std::mt19937 rng(20240601);
    std::uniform_int_distribution<int> textLength(20, 200);
    std::uniform_int_distribution<int> wordLength(1, 12);
    std::vector<CTextCtrl> texts(kItems);
    std::string s;
    for (CTextCtrl &text : texts) {
        const int length = textLength(rng);
        s.clear();
        while (static_cast<int>(s.size()) < length) {
            if (!s.empty())
                s += ' ';
            const int word = wordLength(rng);
            for (int i = 0; i < word; ++i)
                s += static_cast<char>('a' + rng() % 26);
        }
        s.resize(static_cast<std::size_t>(length));
        text.SetString(kx_gen::_String(s));
    }
    return texts;
}

const std::vector<CTextCtrl> &OutlineTexts()
{
    static const std::vector<CTextCtrl> texts = MakeOutlineTexts();
    return texts;
}

CTextFont FixedFont()
{
    CTextFont font;
    font.SetFixedWidths(7, 56);
    return font;
}

// Widths that vary like a proportional font's, still from the tables alone.
CTextFont ProportionalFont()
{
    CTextFont font;
    font.SetFixedWidths(7, 56);
    for (int c = 0; c < 256; ++c)
        font.m_nCharWidth[c] = 3 + (c * 7) % 9;
    return font;
}

long long WrapAll(std::vector<CTextCtrl> &texts, const CTextFont &font)
{
    long long rows = 0;
    for (CTextCtrl &text : texts)
        rows += text.WrapAll(nullptr, font, kWidth);
    return rows;
}

void RunWrap(benchmark::State &state, const CTextFont &font)
{
    std::vector<CTextCtrl> texts = OutlineTexts();
    long long rows = 0;
    for (auto _ : state) {
        rows = WrapAll(texts, font);
        benchmark::DoNotOptimize(rows);
    }
    state.counters["items"] = kItems;
    state.counters["rows"] = static_cast<double>(rows);
}

void BM_WrapAllFixedWidths(benchmark::State &state)
{
    RunWrap(state, FixedFont());
}
BENCHMARK(BM_WrapAllFixedWidths)->Unit(benchmark::kMillisecond);

void BM_WrapAllTableWidths(benchmark::State &state)
{
    RunWrap(state, ProportionalFont());
}
BENCHMARK(BM_WrapAllTableWidths)->Unit(benchmark::kMillisecond);

// The figure that the goal is about: the best of several full wraps after a
// first one has sized every row array.
void ReportGoal()
{
    std::vector<CTextCtrl> texts = OutlineTexts();
    const CTextFont font = FixedFont();
    const long long rows = WrapAll(texts, font);
    double best = 1e9;
    for (int run = 0; run < 20; ++run) {
        const auto start = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(WrapAll(texts, font));
        const std::chrono::duration<double, std::milli> took
            = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    std::printf("textwrap: %d items, %lld rows at %d px: %.2f ms per full wrap "
                "(goal at most %.0f ms, ratio %.2f)\n",
        kItems, rows, kWidth, best, kGoalMs, best / kGoalMs);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    ReportGoal();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
