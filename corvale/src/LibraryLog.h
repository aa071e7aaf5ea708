#pragma once

namespace kx_gen {

// Reports a problem that the library handled by itself (a damaged settings
// file set aside, for instance): to the log registered with
// file_io_setLogMan when there is one, and always to standard error.
void LogLibraryWarning(const char *format, ...) __attribute__((format(printf, 1, 2)));

} // namespace kx_gen
