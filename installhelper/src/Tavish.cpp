// The exported functions of the install helper.

#include "tavish/Tavish.h"
#include "CopyBatch.h"
#include "FileList.h"

#include "kx_gen/MessageWindow.h"
#include "palmdesktop/PalmDesktop.h"

#include <cstring>
#include <new>

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tavish;

namespace {

constexpr char kAreYouMeMessageName[] = "UWM_ARE_YOU_ME-{5B2E91D4-3C7A-4f0e-B816-2D94A0C7E153}";
constexpr unsigned kAnswerTimeoutMs = 200;

// The id of the message that the program answers; the same in every process.
const unsigned g_nAreYouMeMessage = kx_gen::RegisterWindowMessage(kAreYouMeMessageName);

// A library loaded by path, unloaded when it goes out of scope.
class CLoadedLibrary {
public:
    explicit CLoadedLibrary(const std::string &path)
        : m_handle(::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL))
    {
    }
    ~CLoadedLibrary()
    {
        if (m_handle)
            ::dlclose(m_handle);
    }
    CLoadedLibrary(const CLoadedLibrary &) = delete;
    CLoadedLibrary &operator=(const CLoadedLibrary &) = delete;

    bool IsLoaded() const { return m_handle != nullptr; }
    void *Symbol(const char *name) const { return m_handle ? ::dlsym(m_handle, name) : nullptr; }

private:
    void *m_handle;
};

// A selection may be empty (nothing to do) but must be terminated within the
// path limit, so that a string without its 0 is not read without end.
bool IsUsableSelection(const char *selection)
{
    return selection && ::strnlen(selection, kTavishMaxPathBytes + 1) <= kTavishMaxPathBytes;
}

bool FitsPath(const std::string &path)
{
    return path.size() <= kTavishMaxPathBytes;
}

int InstallFiles(const char *selection, const char *listFile, const char *folder, const char *user,
    const char *installLibrary)
{
    if (!IsUsableSelection(selection) || !IsUsableText(listFile, kTavishMaxPathBytes)
        || !IsUsableText(folder, kTavishMaxPathBytes)
        || !IsUsableText(installLibrary, kTavishMaxPathBytes))
        return kTavishBadArgument;

    const std::string base = folder;
    const std::string libraryPath = JoinFolder(base, installLibrary);
    if (!FitsPath(libraryPath))
        return kTavishBadArgument;
    CLoadedLibrary library(libraryPath);
    if (!library.IsLoaded())
        return kTavishNoInstallLibrary;
    auto installFile = reinterpret_cast<PltInstallFileProc>(library.Symbol("PltInstallFile"));
    if (!installFile)
        return kTavishNoInstallFunction;

    const std::string listPath = JoinFolder(base, listFile);
    std::optional<std::vector<std::string>> lines
        = FitsPath(listPath) ? ReadFileList(listPath) : std::nullopt;
    if (!lines)
        return kTavishNoFileList;

    // Every pick is checked before the first file is queued: queued files
    // cannot be taken back, so a bad selection must not queue half of it.
    std::vector<SPick> picks = ParseSelection(selection);
    std::vector<std::string> files;
    files.reserve(picks.size());
    for (const SPick &pick : picks) {
        if (!pick.bLetter || pick.nLine >= lines->size())
            return pick.nPosition;
        std::string file = JoinFolder(base, (*lines)[pick.nLine]);
        if (!FitsPath(file) || file.find('\0') != std::string::npos || !IsPlainFile(file))
            return pick.nPosition;
        files.push_back(std::move(file));
    }
    for (std::size_t i = 0; i < files.size(); ++i)
        if (installFile(user, files[i].c_str()) != 0)
            return picks[i].nPosition;
    return kTavishOk;
}

int CopyFiles(
    const char *selection, const char *listFile, const char *sourceFolder, const char *targetFolder)
{
    if (!IsUsableSelection(selection) || !IsUsableText(listFile, kTavishMaxPathBytes)
        || !IsUsableText(sourceFolder, kTavishMaxPathBytes)
        || !IsUsableText(targetFolder, kTavishMaxPathBytes))
        return kTavishBadArgument;

    const std::string source = sourceFolder;
    std::string target = targetFolder;
    // The list is read before the target folder is made, so that a missing
    // list leaves no empty folder behind.
    const std::string listPath = JoinFolder(source, listFile);
    std::optional<std::vector<std::string>> lines
        = FitsPath(listPath) ? ReadFileList(listPath) : std::nullopt;
    if (!lines)
        return kTavishNoFileList;

    struct SCopy {
        int nPosition;
        std::string strSource;
        std::string strTarget;
    };
    std::vector<SCopy> copies;
    for (const SPick &pick : ParseSelection(selection)) {
        if (!pick.bLetter)
            return pick.nPosition;
        if (pick.nLine >= lines->size())
            continue;
        const std::string &line = (*lines)[pick.nLine];
        SCopy copy { pick.nPosition, JoinFolder(source, line), JoinFolder(target, line) };
        if (!IsContainedName(line) || !FitsPath(copy.strSource) || !FitsPath(copy.strTarget)
            || !IsPlainFile(copy.strSource))
            return pick.nPosition;
        copies.push_back(std::move(copy));
    }

    bool madeTarget = false;
    if (!IsFolder(target)) {
        if (::mkdir(target.c_str(), 0777) != 0)
            return kTavishBadArgument;
        madeTarget = true;
    }
    int failed = 0;
    {
        CCopyBatch batch;
        for (const SCopy &copy : copies) {
            if (!batch.Stage(copy.strSource, copy.strTarget)) {
                failed = copy.nPosition;
                break;
            }
        }
        if (failed == 0) {
            int index = batch.Commit();
            if (index >= 0)
                failed = copies[static_cast<std::size_t>(index)].nPosition;
        }
    }
    if (failed != 0 && madeTarget)
        ::rmdir(target.c_str()); // only succeeds while nothing landed in it
    return failed;
}

} // namespace

extern "C" {

TAVISH_API int KXIsRunning(void)
{
    try {
        if (g_nAreYouMeMessage == 0)
            return 0;
        for (const kx_gen::AppWindow &window : kx_gen::EnumAppWindows()) {
            std::int64_t answer = 0;
            if (kx_gen::SendMessageTimeout(
                    window, g_nAreYouMeMessage, 0, 0, kAnswerTimeoutMs, &answer)
                && answer == static_cast<std::int64_t>(g_nAreYouMeMessage))
                return 1;
        }
        return 0;
    } catch (...) {
        return 0;
    }
}

TAVISH_API int InstPDB(const char *selection, const char *listFile, const char *folder,
    const char *user, const char *installLibrary)
{
    try {
        return InstallFiles(selection, listFile, folder, user, installLibrary);
    } catch (...) {
        return kTavishFailed;
    }
}

TAVISH_API int cpFiles(
    const char *selection, const char *listFile, const char *sourceFolder, const char *targetFolder)
{
    try {
        return CopyFiles(selection, listFile, sourceFolder, targetFolder);
    } catch (...) {
        return kTavishFailed;
    }
}

} // extern "C"
