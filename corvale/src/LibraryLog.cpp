#include "LibraryLog.h"

#include "kx_gen/Log.h"

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
    if (CLog *log = file_io_getLogMan())
        log->addLogMsg("%s", text);
}

} // namespace kx_gen
