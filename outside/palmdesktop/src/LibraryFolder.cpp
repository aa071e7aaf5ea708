#include "LibraryFolder.h"

#include <climits>
#include <string_view>

#include <dlfcn.h>
#include <unistd.h>

namespace palmdesktop {

namespace {

std::string ComputeLibraryFolder()
{
    Dl_info info {};
    if (::dladdr(reinterpret_cast<void *>(&ComputeLibraryFolder), &info) == 0 || !info.dli_fname)
        return {};
    std::string_view path = info.dli_fname;
    std::string_view::size_type slash = path.rfind('/');
    std::string folder;
    if (slash == std::string_view::npos || path[0] != '/') {
        char cwd[PATH_MAX];
        if (!::getcwd(cwd, sizeof cwd))
            return {};
        folder = cwd;
    }
    if (slash != std::string_view::npos) {
        if (!folder.empty())
            folder.push_back('/');
        folder.append(path.data(), slash == 0 ? 1 : slash);
    }
    return folder;
}

std::string g_strLoadedFolder;

// A library loaded by a relative path names itself relative to the directory
// that was current while it was loaded, which the loader may change back right
// afterwards; so the folder is taken once, at load time.
__attribute__((constructor)) void RememberLibraryFolder()
{
    try {
        g_strLoadedFolder = ComputeLibraryFolder();
    } catch (...) {
        g_strLoadedFolder.clear();
    }
}

} // namespace

std::string LibraryFolder()
{
    return g_strLoadedFolder.empty() ? ComputeLibraryFolder() : g_strLoadedFolder;
}

} // namespace palmdesktop
