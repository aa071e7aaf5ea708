#pragma once

#include "User.h"

#include "kx_gen/String.h"

#include <cstdint>
#include <memory>
#include <vector>

struct CCabinetEnv;

// The users of this run, in the order Palm's library reports them (in
// desktop-only mode the one user "default"), and the active user. The list
// owns its users.
class CUserList {
public:
    explicit CUserList(CCabinetEnv &env);
    // Deactivates the active user and destroys every user.
    ~CUserList();
    CUserList(const CUserList &) = delete;
    CUserList &operator=(const CUserList &) = delete;

    // Rebuilds the list: in Palm mode from the library (the active user is
    // deactivated first; a user whose calls fail is skipped), in
    // desktop-only mode as the single user "default", which becomes the
    // active user without being activated. Throws the library's CException
    // when the user count cannot be had (missing function or error code).
    void Enumerate();
    // Reads section "Users": the filter categories of the listed users and
    // the active user (the first user when none is named or the named one
    // is gone), then activates it.
    void Restore();
    // Writes section "Users": the active user, the number of users and each
    // user's name and filter category, dropping the values of users beyond
    // the new count.
    void Store();

    // Deactivates the active user, makes `user` (may be null) active and
    // activates it.
    void SetActive(CUser *user);
    // The active user, or the first user when none is active (null when
    // there are no users).
    CUser *GetActive() const;
    // The active user only, or null.
    CUser *GetActiveUser() const { return m_pActive; }

    // Exact, case-sensitive name comparison.
    CUser *FindByName(const kx_gen::_String &name) const;
    CUser *FindById(std::uint32_t id) const;
    // Appends a user made by the program: a CPalmUser in Palm mode, else a
    // CDesktopUser. Returns it.
    CUser *AddUser(const kx_gen::_String &name, int profile);
    // Removes and destroys `user` (deactivated first when active). False
    // when it is not in the list.
    bool RemoveUser(CUser *user);

    // Same length, and position by position the same id and name.
    bool SameAs(const CUserList &other) const;
    // Palm mode: whether Palm's list of users differs from this list now.
    // Throws what Enumerate throws.
    bool PalmUsersChanged() const;

    int GetCount() const { return static_cast<int>(m_Users.size()); }
    CUser *GetAt(int index) const;

    // The active user's outline lists and category file (null / null when
    // no user is active).
    CRootList *GetActiveRoots() const;
    kx_gen::CCategoryDB *GetActiveCategories() const;

private:
    // Deactivates the active user and destroys every user.
    void RemoveAll();
    void EnumerateWithInstaide();
    void EnumerateWithUserData();
    // Makes a Palm user for `index` and appends it when it loads.
    void LoadPalmUser(int index);

    CCabinetEnv &m_env;
    std::vector<std::unique_ptr<CUser>> m_Users;
    CUser *m_pActive = nullptr;
};
