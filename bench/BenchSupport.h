#pragma once

// What the outline benchmarks share: sample texts and drawings, a scratch
// folder, and the resident-memory reading.

#include "kx_gen/DibUtil.h"
#include "kx_gen/DrawingFormat.h"
#include "kx_gen/Memory.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <random>
#include <stdexcept>
#include <string>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace bench {

// The body of a benchmark program: Google Benchmark's own options, the
// goals (`reportGoals` answers non-zero when the outlines could not be set
// up: `failure`, when given, is printed and that status returned), the
// timed runs, and the scratch folder (when given) removed at the end.
inline int RunBenchmarkProgram(int &argc, char **argv, const std::function<int()> &reportGoals,
    const char *failure = nullptr, const std::string &scratch = std::string())
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    const int rc = reportGoals();
    if (rc != 0) {
        if (failure)
            std::printf("%s\n", failure);
        return rc;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (!scratch.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(scratch, ec);
    }
    return 0;
}

// Lower-case words of 1 to 10 letters, between minLength and maxLength
// characters in all.
inline std::string RandomText(std::mt19937 &rng, int minLength, int maxLength)
{
    std::uniform_int_distribution<int> length(minLength, maxLength);
    std::uniform_int_distribution<int> wordLength(1, 10);
    const int n = length(rng);
    std::string s;
    while (static_cast<int>(s.size()) < n) {
        if (!s.empty())
            s += ' ';
        const int w = wordLength(rng);
        for (int i = 0; i < w; ++i)
            s += static_cast<char>('a' + rng() % 26);
    }
    s.resize(static_cast<std::size_t>(n));
    return s;
}

// A small drawing in the stored form: 32 x 32 pixels of 256 colours.
inline std::vector<std::uint8_t> SampleDrawingBytes()
{
    using namespace kx_gen;
    MemHolder dib(CreateDIB(32, 32, 8));
    auto *bits = FindDIBBits(MemGetPtr(dib.get()));
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            bits[y * 32 + x] = static_cast<std::uint8_t>((x * y) % 7 + (x == y ? 20 : 0));
    MemReleasePtr(dib.get());
    MemHolder drawing(ConvertDibToInternalFormat(dib.get()));
    if (!drawing)
        throw std::runtime_error("cannot convert the drawing");
    const auto *p = static_cast<const std::uint8_t *>(MemGetPtr(drawing.get()));
    std::vector<std::uint8_t> v(p, p + MemGetSize(drawing.get()));
    MemReleasePtr(drawing.get());
    return v;
}

// A fresh folder under the system's temporary folder, named after `prefix`.
inline std::string MakeScratchFolder(const char *prefix)
{
    std::string tmpl
        = (std::filesystem::temp_directory_path() / (std::string(prefix) + "-XXXXXX")).string();
    if (!mkdtemp(tmpl.data()))
        throw std::runtime_error("mkdtemp failed");
    return tmpl;
}

// The process's resident memory in bytes, from /proc/self/statm (0 when it
// cannot be read). Memory mapped straight from the system (as the outline
// loader's row blocks are) does not show in the heap statistics, so memory
// goals are measured here.
inline std::size_t ResidentBytes()
{
    long pages = 0;
    long resident = 0;
    if (FILE *f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return static_cast<std::size_t>(resident) * static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
}

// Processor time of the process (user and system), in milliseconds.
inline double CpuNowMs()
{
    timespec ts {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

// The times of several runs of one piece of work, in milliseconds of
// processor time (what the goals are judged on: the machine may be shared,
// and processor time does not count waiting for a processor) and of
// wall-clock time.
struct Samples {
    std::vector<double> cpuMs;
    std::vector<double> wallMs;

    static double MinOf(std::vector<double> v) { return *std::min_element(v.begin(), v.end()); }
    static double MedianOf(std::vector<double> v)
    {
        std::sort(v.begin(), v.end());
        const std::size_t n = v.size();
        return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    }
    double Min() const { return MinOf(cpuMs); }
    double Median() const { return MedianOf(cpuMs); }
    double WallMin() const { return MinOf(wallMs); }
};

// One piece of work to time; `before` and `after` run untimed around it.
struct Task {
    std::function<void()> work;
    std::function<void()> before = {};
    std::function<void()> after = {};
};

// Runs every task `runs` times, taking turns (one run of each, then the
// next round), so that whatever else loads the machine falls on all of them
// alike and their ratios stay fair.
inline std::vector<Samples> Interleaved(int runs, const std::vector<Task> &tasks)
{
    std::vector<Samples> samples(tasks.size());
    for (int r = 0; r < runs; ++r) {
        for (std::size_t t = 0; t < tasks.size(); ++t) {
            const Task &task = tasks[t];
            if (task.before)
                task.before();
            const double cpuStart = CpuNowMs();
            const auto start = std::chrono::steady_clock::now();
            task.work();
            const std::chrono::duration<double, std::milli> took
                = std::chrono::steady_clock::now() - start;
            samples[t].cpuMs.push_back(CpuNowMs() - cpuStart);
            samples[t].wallMs.push_back(took.count());
            if (task.after)
                task.after();
        }
    }
    return samples;
}

// The ratio of a to b by minimum and by median, with its goal: "ratio min
// 0.42 median 0.45 (goal at most 0.50) met". The minimum decides.
inline void PrintRatio(
    const char *prefix, const char *what, const Samples &a, const Samples &b, double goal)
{
    const double byMin = a.Min() / b.Min();
    const double byMedian = a.Median() / b.Median();
    std::printf("%s: %-44s ratio min %5.2f median %5.2f  (goal at most %.2f)  %s\n", prefix, what,
        byMin, byMedian, goal, byMin <= goal ? "met" : "MISSED");
}

// One line of figures: "read Corvale min 9.1 median 9.5 ms (wall 9.2)".
inline void PrintSamples(const char *prefix, const char *what, const Samples &s)
{
    std::printf("%s: %-28s min %8.2f  median %8.2f ms processor time  (wall min %8.2f)\n", prefix,
        what, s.Min(), s.Median(), s.WallMin());
}

// Reads the whole file into `buffer` with plain reads: what copying the
// file's bytes from the page cache costs.
inline std::size_t CopyFileBytes(const std::string &path, std::vector<char> &buffer)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw std::runtime_error("cannot open " + path);
    std::size_t total = 0;
    for (;;) {
        if (buffer.size() < total + (1 << 20))
            buffer.resize(total + (1 << 20));
        const ssize_t n = read(fd, buffer.data() + total, buffer.size() - total);
        if (n <= 0)
            break;
        total += static_cast<std::size_t>(n);
    }
    close(fd);
    return total;
}

} // namespace bench
