#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace palmdesktop {

// One HotSync user.
struct SPalmUser {
    std::uint32_t nId = 0; // nonzero, unique in the folder
    bool bProfile = false; // a profile user (its data goes to many handhelds)
    std::string strDirectory; // the user's directory: one name inside the HotSync folder
    std::string strName; // HotSync user name, Windows-1252
};

// A file queued for installation on a user's handheld. The file itself lies in
// the user's install folder.
struct SInstallEntry {
    std::uint32_t nUserId = 0;
    std::string strFileName;
};

// The users of one HotSync folder, kept in the text file kFileName there:
//
//   # comment lines and empty lines are skipped
//   PalmDesktopUsers<TAB>1
//   user<TAB><id><TAB><profile 0|1><TAB><directory><TAB><name>
//   install<TAB><user id><TAB><file name>
//
// The file is outside data: Parse rejects anything it would not write itself
// (bad numbers, bad names, duplicates, sizes beyond the limits below) with a
// CStoreError naming the line, and never guesses at a damaged file, so that a
// later save cannot silently drop users. Save replaces the file atomically;
// changes from several processes go through Update, which holds the folder's
// lock from reading to writing.
class CUserStore {
public:
    static constexpr char kFileName[] = "users.dat";
    static constexpr char kLockFileName[] = ".palmdesktop.lock";
    static constexpr char kInstallFolderName[] = "Install";
    static constexpr char kHeaderTag[] = "PalmDesktopUsers";
    static constexpr int kFormatVersion = 1;

    static constexpr std::size_t kMaxFileSize = 1 << 20;
    static constexpr std::size_t kMaxLineLength = 4096;
    static constexpr std::size_t kMaxUsers = 1000;
    static constexpr std::size_t kMaxInstallEntries = 10000;
    static constexpr std::size_t kMaxNameLength = 64;
    static constexpr std::size_t kMaxDirectoryLength = 64;
    static constexpr std::size_t kMaxFileNameLength = 255;
    static constexpr int kLockTimeoutMs = 5000;

    explicit CUserStore(std::string hotSyncFolder);

    const std::string &Folder() const { return m_strFolder; }
    std::string FilePath() const;
    bool FileExists() const;

    // Reads the user file. Throws CStoreError: kUmErrNoUserDatFile when there
    // is none, kUmErrUserDatAccess when it cannot be read or is damaged.
    void Load();
    // Replaces the contents by those of `text`, the user file's bytes. Throws
    // CStoreError kUmErrUserDatAccess when the text is damaged; the store is
    // then unchanged.
    void Parse(std::string_view text);
    // The user file's bytes for the present contents.
    std::string Serialize() const;
    // Writes the user file atomically. Throws CStoreError kUmErrSave.
    void Save() const;

    // Locks the folder, loads the user file (an empty store when it is missing
    // and `createWhenMissing` is set), lets `change` modify the store and saves
    // it when `change` returns normally. Throws CStoreError (kUmErrSemaphore
    // when the lock stays taken) and whatever `change` throws.
    static void Update(const std::string &hotSyncFolder, bool createWhenMissing,
        const std::function<void(CUserStore &)> &change);

    const std::vector<SPalmUser> &Users() const { return m_users; }
    const std::vector<SInstallEntry> &Installs() const { return m_installs; }
    // Exact, byte-wise lookups; null when there is no such user.
    const SPalmUser *FindByName(std::string_view name) const;
    const SPalmUser *FindById(std::uint32_t id) const;

    std::string UserDirectoryPath(const SPalmUser &user) const;
    std::string InstallFolderPath(const SPalmUser &user) const;

    // Adds a user with a new random id. An empty `directory` picks a free name
    // derived from the user name. Throws CStoreError: kUmErrInvalidUser for a
    // name that IsValidUserName refuses, kUmErrBadFileName for a directory
    // that IsValidDirectoryName refuses, kUmErrUserExists when the name is
    // taken (compared without regard to ASCII case), kUmErrUserDirInUse when
    // another user has the directory, kUmErrSave when the store is full.
    // Creates nothing on disk.
    const SPalmUser &AddUser(const std::string &name, bool profile, const std::string &directory);
    // Gives the user `oldName` the name `newName`; id and directory stay.
    // Throws kUmErrNoUserFound, kUmErrInvalidUser or kUmErrUserExists.
    void RenameUser(const std::string &oldName, const std::string &newName);
    // Removes the user and its install queue (files on disk stay). Throws
    // kUmErrNoUserFound.
    void RemoveUser(const std::string &name);

    // The files queued for `userId`, in the order they were queued.
    std::vector<std::string> InstallQueue(std::uint32_t userId) const;
    // Records `fileName` in the user's queue unless it is there already.
    // Throws kUmErrBadFileName for an unusable name, kUmErrSave when full.
    void QueueInstall(std::uint32_t userId, const std::string &fileName);
    // Forgets a queued file (after it has gone to the handheld); false when it
    // was not queued.
    bool DequeueInstall(std::uint32_t userId, const std::string &fileName);

    // 1 to kMaxNameLength Windows-1252 bytes, printable (no control
    // characters, no unassigned code), no leading or trailing blank.
    static bool IsValidUserName(std::string_view name, std::string *why = nullptr);
    // 1 to kMaxDirectoryLength printable ASCII bytes without separators, not
    // starting with a dot, no leading or trailing blank.
    static bool IsValidDirectoryName(std::string_view name, std::string *why = nullptr);
    // A plain file name: no separators or control characters, not "." or "..".
    static bool IsValidInstallName(std::string_view name, std::string *why = nullptr);

    // A directory name for a new user called `name` that no user has and that
    // does not exist in the folder yet: the name's letters and digits (at most
    // 32), "User" when there are none, with a number added on a collision.
    std::string MakeDirectoryName(std::string_view name) const;

private:
    std::uint32_t NewUserId() const;
    SPalmUser *FindByNameForChange(std::string_view name);
    bool NameTaken(std::string_view name, const SPalmUser *except) const;

    std::string m_strFolder;
    std::vector<SPalmUser> m_users;
    std::vector<SInstallEntry> m_installs;
};

} // namespace palmdesktop
