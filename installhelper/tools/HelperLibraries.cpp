#include "HelperLibraries.h"

#include <dlfcn.h>
#include <unistd.h>

namespace vellacorinstaller {

namespace {

template <typename Proc> bool Resolve(void *library, const char *name, Proc &proc, std::string &why)
{
    proc = reinterpret_cast<Proc>(::dlsym(library, name));
    if (!proc)
        why = std::string("the helper library has no function ") + name;
    return proc != nullptr;
}

} // namespace

CHelperLibraries::~CHelperLibraries()
{
    Unload();
}

void CHelperLibraries::Unload()
{
    if (m_tavish)
        ::dlclose(m_tavish);
    if (m_mirrick)
        ::dlclose(m_mirrick);
    m_tavish = m_mirrick = nullptr;
}

bool CHelperLibraries::Load(const std::vector<std::string> &folders, std::string &why)
{
    Unload();
    why = "libTavish.so and libMirrick.so were not found";
    for (const std::string &folder : folders) {
        std::string tavish = folder + "/" + kTavishLibraryName;
        std::string mirrick = folder + "/" + kMirrickLibraryName;
        if (::access(tavish.c_str(), F_OK) != 0 || ::access(mirrick.c_str(), F_OK) != 0)
            continue;
        m_tavish = ::dlopen(tavish.c_str(), RTLD_NOW | RTLD_LOCAL);
        m_mirrick = m_tavish ? ::dlopen(mirrick.c_str(), RTLD_NOW | RTLD_LOCAL) : nullptr;
        if (!m_tavish || !m_mirrick) {
            const char *error = ::dlerror();
            why = error ? error : "the helper libraries cannot be loaded";
            Unload();
            return false;
        }
        if (Resolve(m_tavish, "KXIsRunning", isRunning, why)
            && Resolve(m_tavish, "InstPDB", instPdb, why)
            && Resolve(m_tavish, "cpFiles", copyFiles, why)
            && Resolve(m_mirrick, "RegisterNotifier", registerNotifier, why)
            && Resolve(m_mirrick, "UnregisterNotifier", unregisterNotifier, why)
            && Resolve(m_mirrick, "RegisterShortCut", registerShortCut, why)
            && Resolve(m_mirrick, "UnregisterShortCut", unregisterShortCut, why))
            return true;
        Unload();
        return false;
    }
    return false;
}

} // namespace vellacorinstaller
