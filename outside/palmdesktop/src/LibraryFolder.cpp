#include "LibraryFolder.h"

#include "StoreFiles.h"

#include <string_view>

#include <dlfcn.h>

namespace palmdesktop {

namespace {

std::string ComputeLibraryFolder()
{
    Dl_info info {};
    if (::dladdr(reinterpret_cast<void *>(&ComputeLibraryFolder), &info) == 0 || !info.dli_fname)
        return {};
    std::string_view path = info.dli_fname;
    std::string_view::size_type slash = path.rfind('/');
    return AbsolutePath(
        slash == std::string_view::npos ? std::string_view(".") : path.substr(0, slash + 1));
}

// Held in a function so that it exists before the load-time hook runs,
// whatever order the library's initialisers take.
std::string &LoadedFolder()
{
    static std::string folder;
    return folder;
}

// A library loaded by a relative path names itself relative to the directory
// that was current while it was loaded, which the loader may change back right
// afterwards; so the folder is taken once, at load time.
__attribute__((constructor)) void RememberLibraryFolder()
{
    try {
        LoadedFolder() = ComputeLibraryFolder();
    } catch (...) {
        // LibraryFolder() tries again when it is asked.
    }
}

} // namespace

std::string LibraryFolder()
{
    const std::string &folder = LoadedFolder();
    return folder.empty() ? ComputeLibraryFolder() : folder;
}

} // namespace palmdesktop
