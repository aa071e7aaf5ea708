// The newer user interface of the Palm desktop user library, and the install
// call.

#include "CallGuard.h"
#include "LibraryFolder.h"
#include "StoreFiles.h"
#include "UserStore.h"
#include "palmdesktop/PalmDesktop.h"

using namespace palmdesktop;

namespace {

std::string HotSyncFolder()
{
    std::string folder = LibraryFolder();
    if (folder.empty())
        throw CStoreError(kUmErrNoCorePath, "the library cannot tell its folder");
    return folder;
}

CUserStore LoadUsers()
{
    CUserStore store(HotSyncFolder());
    store.Load();
    return store;
}

const SPalmUser &UserNamed(const CUserStore &store, const char *name)
{
    const SPalmUser *user = store.FindByName(name);
    if (!user)
        throw CStoreError(kUmErrNoUserFound, "no such user");
    return *user;
}

std::string BaseName(const std::string &path)
{
    std::string::size_type slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

extern "C" {

int32_t PltGetUserCount(void)
{
    return GuardCall(
        kUmErrUserDatAccess, [] { return static_cast<int32_t>(LoadUsers().Users().size()); });
}

int32_t PltGetUser(uint16_t index, char *name, int16_t *size)
{
    if (!name || !size)
        return kUmErrInvalidPointer;
    return GuardCall(kUmErrUserDatAccess, [&] {
        CUserStore store = LoadUsers();
        if (store.Users().empty())
            return static_cast<int32_t>(kUmErrNoUsers);
        if (index >= store.Users().size())
            return static_cast<int32_t>(kUmErrInvalidUser);
        return CopyOut(store.Users()[index].strName, name, size);
    });
}

int32_t PlmGetUserIDFromName(const char *name, uint32_t *userId)
{
    if (!name || !userId)
        return kUmErrInvalidPointer;
    return GuardCall(kUmErrUserDatAccess, [&] {
        *userId = UserNamed(LoadUsers(), name).nId;
        return static_cast<int32_t>(kUmOk);
    });
}

int32_t PltGetUserDirectory(const char *name, char *directory, int16_t *size)
{
    if (!name || !directory || !size)
        return kUmErrInvalidPointer;
    return GuardCall(kUmErrUserDatAccess, [&] {
        CUserStore store = LoadUsers();
        std::string path = store.UserDirectoryPath(UserNamed(store, name));
        if (!IsDirectory(path))
            return static_cast<int32_t>(kUmErrNoDirectory);
        return CopyOut(path, directory, size);
    });
}

int32_t PltIsUserProfile(const char *name)
{
    if (!name)
        return kUmErrInvalidPointer;
    return GuardCall(kUmErrUserDatAccess,
        [&] { return static_cast<int32_t>(UserNamed(LoadUsers(), name).bProfile ? 1 : 0); });
}

int32_t PltInstallFile(const char *name, const char *filePath)
{
    if (!name || !filePath)
        return kUmErrInvalidPointer;
    return GuardCall(kUmErrSave, [&] {
        std::string fileName = BaseName(filePath);
        if (!CUserStore::IsValidInstallName(fileName))
            return static_cast<int32_t>(kUmErrBadFileName);
        CUserStore::Update(HotSyncFolder(), false, [&](CUserStore &store) {
            const SPalmUser &user = UserNamed(store, name);
            if (!IsDirectory(store.UserDirectoryPath(user)))
                throw CStoreError(kUmErrNoDirectory, "the user's directory is missing");
            std::string installFolder = store.InstallFolderPath(user);
            if (!IsDirectory(installFolder) && !MakeDirectory(installFolder))
                throw CStoreError(kUmErrCreateFile, "the install folder cannot be made");
            switch (CopyFileAtomically(filePath, JoinPath(installFolder, fileName))) {
            case CopyResult::ok:
                break;
            case CopyResult::badSource:
                throw CStoreError(kUmErrBadFileName, "the file cannot be read");
            case CopyResult::failed:
                throw CStoreError(kUmErrSave, "the file cannot be copied");
            }
            store.QueueInstall(user.nId, fileName);
        });
        return static_cast<int32_t>(kUmOk);
    });
}

} // extern "C"
