#include "PalmLibrary.h"

#include "CabinetHost.h"
#include "CabinetNames.h"

#include "palmdesktop/PalmDesktop.h"

#include "kx_gen/Exception.h"
#include "kx_gen/PathUtils.h"
#include "kx_gen/Registry.h"

#include <cstring>

#include <dlfcn.h>
#include <sys/stat.h>

using kx_gen::_String;

namespace {

struct SUserManagerError {
    std::int32_t code;
    const char *text;
};

constexpr SUserManagerError kUserManagerErrors[] = {
    { kUmErrNoUserDatFile, "User manager err - no user dat file" },
    { kUmErrNoUsers, "User manager err - no users" },
    { kUmErrBufferTooSmall, "User manager err - buffer size too small" },
    { kUmErrInvalidUser, "User manager err - invalid user" },
    { kUmErrNoDirectory, "User manager err - no directory" },
    { kUmErrNoUserFound, "User manager err - no user found" },
    { kUmErrBadFileName, "User manager err - bad file name" },
    { kUmErrUserAccess, "User manager err - user access" },
    { kUmErrSave, "User manager err - save error" },
    { kUmErrUserDatAccess, "User manager err - other user dat access problem" },
    { kUmErrSemaphore, "User manager err - semaphore access" },
    { kUmErrCreateFile, "User manager err - unable to create a new file" },
    { kUmErrNoCorePath, "User manager err - no core path" },
    { kUmErrInvalidPointer, "User manager err - Invalid pointer" },
    { kUmErrUserExists, "User manager err - user already exists" },
    { kUmErrUserDirInUse, "User manager err - user dir already in use" },
};

// The HotSync folder named in the settings store, or empty.
_String ReadHotSyncFolder()
{
    using namespace kx_gen;
    HKEY core = nullptr;
    if (RegOpenKey(HKEY_CURRENT_USER, kPalmCoreKey, KEY_ALL_ACCESS, &core) != kRegSuccess)
        return _String();
    char buffer[CPalmLibrary::kTextBufferSize] = {};
    std::uint32_t type = REG_NONE;
    std::uint32_t size = sizeof buffer;
    long result = RegQueryValue(core, kHotSyncPathValue, &type, buffer, &size);
    RegCloseKey(core);
    if (result != kRegSuccess || type != REG_SZ)
        return _String();
    _String path(buffer, ::strnlen(buffer, size < sizeof buffer ? size : sizeof buffer));
    if (path.IsEmpty())
        return path;
    // The value names the HotSync folder; a path to a file in it (such as the
    // HotSync program) stands for the folder the file lies in.
    struct stat status { };
    if (::stat(path, &status) == 0 && S_ISDIR(status.st_mode))
        return path;
    return GetRoot(path);
}

} // namespace

CPalmLibrary::~CPalmLibrary()
{
    Unload();
}

_String CPalmLibrary::GetHotSyncFolder()
{
    return ReadHotSyncFolder();
}

void *CPalmLibrary::LoadPalmLibrary(const char *name, CCabinetPrompter *prompter)
{
    _String folder = ReadHotSyncFolder();
    if (folder.IsEmpty())
        return nullptr;
    _String path = kx_gen::JoinPath(folder, name);
    void *handle = ::dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char *reason = ::dlerror();
        // A missing file only means that this flavour is not installed.
        struct stat status { };
        if (prompter && ::stat(path, &status) == 0)
            prompter->ShowMessage(reason ? reason : cabinet::kMsgUnknownException);
    }
    return handle;
}

bool CPalmLibrary::DetectPalm(CCabinetPrompter *prompter)
{
    Unload();
    m_hLibrary = LoadPalmLibrary(kInstaideLibraryName, prompter);
    if (m_hLibrary) {
        m_eFlavour = kInstaide;
        return true;
    }
    m_hLibrary = LoadPalmLibrary(kUserDataLibraryName, prompter);
    if (m_hLibrary) {
        m_eFlavour = kUserData;
        return true;
    }
    return false;
}

void CPalmLibrary::Unload()
{
    if (m_hLibrary)
        ::dlclose(m_hLibrary);
    m_hLibrary = nullptr;
    m_eFlavour = kNone;
}

const char *CPalmLibrary::GetLibraryName() const
{
    switch (m_eFlavour) {
    case kInstaide:
        return kInstaideLibraryName;
    case kUserData:
        return kUserDataLibraryName;
    case kNone:
        break;
    }
    return "";
}

void *CPalmLibrary::Resolve(const char *function) const
{
    void *address = m_hLibrary ? ::dlsym(m_hLibrary, function) : nullptr;
    if (address)
        return address;
    if (m_eFlavour == kUserData)
        throw new kx_gen::CException(cabinet::kMsgPalmLibrariesDifferent);
    _String message;
    message.FormatString(cabinet::kMsgFunctionMissing, function, kInstaideLibraryName);
    throw new kx_gen::CException(message);
}

char *CPalmLibrary::TextBuffer()
{
    std::memset(m_szText, 0, sizeof m_szText);
    m_nTextLength = kTextBufferSize;
    return m_szText;
}

_String CPalmLibrary::Text() const
{
    // The library may leave anything there; never read past the buffer.
    return _String(m_szText, ::strnlen(m_szText, sizeof m_szText - 1));
}

void CPalmLibrary::CheckPltResult(const char *function, std::int32_t result)
{
    if (result >= 0)
        return;
    _String message;
    message.FormatString(cabinet::kMsgFunctionFailed, function, static_cast<int>(result));
    throw new kx_gen::CException(message);
}

const char *CPalmLibrary::UserManagerErrorText(std::int32_t result)
{
    for (const SUserManagerError &error : kUserManagerErrors)
        if (error.code == result)
            return error.text;
    return nullptr;
}

void CPalmLibrary::CheckUserManagerError(std::int32_t result)
{
    if (const char *text = UserManagerErrorText(result))
        throw new kx_gen::CException(text);
}

_String CPalmLibrary::MakeUserFolder(const _String &userDirectory)
{
    _String directory = userDirectory;
    directory.TrimLeft();
    return kx_gen::JoinPath(directory, cabinet::kProductFolderName);
}
