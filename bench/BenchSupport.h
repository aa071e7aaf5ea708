#pragma once

// What the outline benchmarks share: sample texts and drawings, a scratch
// folder, and the resident-memory reading.

#include "kx_gen/DibUtil.h"
#include "kx_gen/DrawingFormat.h"
#include "kx_gen/Memory.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

namespace bench {

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

} // namespace bench
