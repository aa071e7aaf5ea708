#pragma once

#include <cstddef>
#include <cstdio>
#include <unistd.h>

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
