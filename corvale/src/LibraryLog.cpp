#include "LibraryLog.h"

#include <cstdarg>
#include <cstdio>

namespace kx_gen {

void LogLibraryWarning(const char *format, ...)
{
    char text[2048];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    std::fprintf(stderr, "corvale: %s\n", text);
}

} // namespace kx_gen
