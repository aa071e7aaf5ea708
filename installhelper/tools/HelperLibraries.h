#pragma once

#include "mirrick/Mirrick.h"
#include "tavish/Tavish.h"

#include <string>
#include <vector>

namespace vellacorinstaller {

// The two helper libraries, loaded by path and looked up by name as any
// installer would use them. Unloaded at destruction.
class CHelperLibraries {
public:
    CHelperLibraries() = default;
    ~CHelperLibraries();
    CHelperLibraries(const CHelperLibraries &) = delete;
    CHelperLibraries &operator=(const CHelperLibraries &) = delete;

    // Loads both libraries from the first of `folders` that holds them. False
    // with `why` when they cannot be loaded or lack a function.
    bool Load(const std::vector<std::string> &folders, std::string &why);

    KXIsRunningProc isRunning = nullptr;
    InstPDBProc instPdb = nullptr;
    cpFilesProc copyFiles = nullptr;
    RegisterNotifierProc registerNotifier = nullptr;
    UnregisterNotifierProc unregisterNotifier = nullptr;
    RegisterShortCutProc registerShortCut = nullptr;
    UnregisterShortCutProc unregisterShortCut = nullptr;

private:
    void Unload();

    void *m_tavish = nullptr;
    void *m_mirrick = nullptr;
};

} // namespace vellacorinstaller
