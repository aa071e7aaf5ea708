#pragma once

// Helpers shared by CFile and CFileFind; not part of the library's interface.

#include "kx_gen/File.h"

namespace kx_gen::detail {

// Fills times, size and attributes of `status` from the file `fd` (when not
// negative) or `path`, following symbolic links; `name` decides the hidden
// attribute. False when the file cannot be examined.
bool fillStatus(int fd, const char *path, const char *name, CFileStatus &status);

} // namespace kx_gen::detail
