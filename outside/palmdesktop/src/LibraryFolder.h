#pragma once

#include <string>

namespace palmdesktop {

// The absolute folder of the shared library that holds this code, as it was
// loaded (symbolic links are not resolved), or empty when it cannot be told.
// The libraries live in the HotSync folder and keep their data beside them.
std::string LibraryFolder();

} // namespace palmdesktop
