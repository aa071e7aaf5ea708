// The older user interface of the Palm desktop user library: users are
// addressed by id, and directories are names inside the HotSync root.

#include "CallGuard.h"
#include "LibraryFolder.h"
#include "StoreFiles.h"
#include "UserStore.h"
#include "palmdesktop/PalmDesktop.h"

using namespace palmdesktop;

namespace {

CUserStore LoadUsers()
{
    std::string folder = LibraryFolder();
    if (folder.empty())
        throw CStoreError(kUmErrNoCorePath, "the library cannot tell its folder");
    CUserStore store(folder);
    store.Load();
    return store;
}

const SPalmUser &UserWithId(const CUserStore &store, uint32_t userId)
{
    const SPalmUser *user = store.FindById(userId);
    if (!user)
        throw CStoreError(kUmErrNoUserFound, "no such user");
    return *user;
}

} // namespace

extern "C" {

int32_t UmGetUserCount(void)
{
    return GuardCall(
        kUmErrUserDatAccess, [] { return static_cast<int32_t>(LoadUsers().Users().size()); });
}

int32_t UmGetUserID(uint16_t index, uint32_t *userId)
{
    if (!userId)
        return kUmErrInvalidPointer;
    return GuardCall(kUmErrUserDatAccess, [&] {
        CUserStore store = LoadUsers();
        if (store.Users().empty())
            return static_cast<int32_t>(kUmErrNoUsers);
        if (index >= store.Users().size())
            return static_cast<int32_t>(kUmErrInvalidUser);
        *userId = store.Users()[index].nId;
        return static_cast<int32_t>(kUmOk);
    });
}

int32_t UmGetUserName(uint32_t userId, char *name, int16_t *size)
{
    if (!name || !size)
        return kUmErrInvalidPointer;
    return GuardCall(kUmErrUserDatAccess,
        [&] { return CopyOut(UserWithId(LoadUsers(), userId).strName, name, size); });
}

int32_t UmGetUserDirectory(uint32_t userId, char *directory, int16_t *size)
{
    if (!directory || !size)
        return kUmErrInvalidPointer;
    return GuardCall(kUmErrUserDatAccess, [&] {
        CUserStore store = LoadUsers();
        const SPalmUser &user = UserWithId(store, userId);
        if (!IsDirectory(store.UserDirectoryPath(user)))
            return static_cast<int32_t>(kUmErrNoDirectory);
        return CopyOut(user.strDirectory, directory, size);
    });
}

int32_t UmGetRootDirectory(char *directory, int16_t *size)
{
    if (!directory || !size)
        return kUmErrInvalidPointer;
    return GuardCall(kUmErrUserDatAccess, [&] {
        // The root is only a root when it holds a user file.
        return CopyOut(LoadUsers().Folder(), directory, size);
    });
}

int32_t UmIsUserProfile(uint32_t userId)
{
    return GuardCall(kUmErrUserDatAccess,
        [&] { return static_cast<int32_t>(UserWithId(LoadUsers(), userId).bProfile ? 1 : 0); });
}

} // extern "C"
