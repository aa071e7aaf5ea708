#include "UserStore.h"

#include "StoreError.h"
#include "StoreFiles.h"
#include "palmdesktop/PalmDesktop.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <random>

namespace palmdesktop {

namespace {

constexpr char kUserTag[] = "user";
constexpr char kInstallTag[] = "install";

std::vector<std::string_view> SplitFields(std::string_view line)
{
    std::vector<std::string_view> fields;
    for (;;) {
        std::string_view::size_type tab = line.find('\t');
        fields.push_back(line.substr(0, tab));
        if (tab == std::string_view::npos)
            return fields;
        line.remove_prefix(tab + 1);
    }
}

// A decimal number of at most 10 digits that fits in 32 bits; no sign, no
// blanks, no leading zeros beyond a single "0".
bool ParseUnsigned(std::string_view text, std::uint32_t &value)
{
    if (text.empty() || text.size() > 10 || (text.size() > 1 && text[0] == '0'))
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

char FoldAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
        return FoldAscii(x) == FoldAscii(y);
    });
}

bool Refuse(std::string *why, const char *reason)
{
    if (why)
        *why = reason;
    return false;
}

[[noreturn]] void ThrowDamaged(std::size_t lineNumber, const std::string &reason)
{
    throw CStoreError(kUmErrUserDatAccess,
        "the user file is damaged at line " + std::to_string(lineNumber) + ": " + reason);
}

} // namespace

CUserStore::CUserStore(std::string hotSyncFolder)
    : m_strFolder(std::move(hotSyncFolder))
{
}

std::string CUserStore::FilePath() const
{
    return JoinPath(m_strFolder, kFileName);
}

bool CUserStore::FileExists() const
{
    return PathExists(FilePath());
}

void CUserStore::Load()
{
    std::string text;
    switch (ReadSmallFile(FilePath(), kMaxFileSize, text)) {
    case ReadResult::ok:
        Parse(text);
        return;
    case ReadResult::missing:
        throw CStoreError(kUmErrNoUserDatFile, "there is no user file " + FilePath());
    case ReadResult::tooLarge:
        throw CStoreError(kUmErrUserDatAccess, "the user file " + FilePath() + " is too large");
    case ReadResult::failed:
        break;
    }
    throw CStoreError(kUmErrUserDatAccess, "the user file " + FilePath() + " cannot be read");
}

void CUserStore::Parse(std::string_view text)
{
    if (text.size() > kMaxFileSize)
        throw CStoreError(kUmErrUserDatAccess, "the user file is too large");

    std::vector<SPalmUser> users;
    std::vector<SInstallEntry> installs;
    bool headerSeen = false;
    std::size_t lineNumber = 0;
    while (!text.empty()) {
        ++lineNumber;
        std::string_view::size_type newline = text.find('\n');
        std::string_view line = text.substr(0, newline);
        text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.size() > kMaxLineLength)
            ThrowDamaged(lineNumber, "the line is too long");
        if (line.empty() || line[0] == '#')
            continue;

        std::vector<std::string_view> fields = SplitFields(line);
        std::string why;
        if (!headerSeen) {
            std::uint32_t version = 0;
            if (fields.size() != 2 || fields[0] != kHeaderTag || !ParseUnsigned(fields[1], version)
                || version == 0)
                ThrowDamaged(lineNumber, "it does not begin with the user file's header");
            if (version > static_cast<std::uint32_t>(kFormatVersion))
                throw CStoreError(kUmErrUserDatAccess,
                    "the user file was written by a newer version (format "
                        + std::to_string(version) + ")");
            headerSeen = true;
        } else if (fields[0] == kUserTag) {
            if (fields.size() != 5)
                ThrowDamaged(lineNumber, "a user needs id, profile flag, directory and name");
            SPalmUser user;
            if (!ParseUnsigned(fields[1], user.nId) || user.nId == 0)
                ThrowDamaged(lineNumber, "the user id is not a nonzero 32-bit number");
            if (fields[2] != "0" && fields[2] != "1")
                ThrowDamaged(lineNumber, "the profile flag is neither 0 nor 1");
            user.bProfile = fields[2] == "1";
            if (!IsValidDirectoryName(fields[3], &why))
                ThrowDamaged(lineNumber, "the directory " + why);
            if (!IsValidUserName(fields[4], &why))
                ThrowDamaged(lineNumber, "the user name " + why);
            user.strDirectory = fields[3];
            user.strName = fields[4];
            for (const SPalmUser &other : users) {
                if (other.nId == user.nId)
                    ThrowDamaged(lineNumber, "the user id is used twice");
                if (EqualIgnoringAsciiCase(other.strName, user.strName))
                    ThrowDamaged(lineNumber, "the user name is used twice");
                if (EqualIgnoringAsciiCase(other.strDirectory, user.strDirectory))
                    ThrowDamaged(lineNumber, "the directory is used twice");
            }
            if (users.size() >= kMaxUsers)
                ThrowDamaged(lineNumber, "there are too many users");
            users.push_back(std::move(user));
        } else if (fields[0] == kInstallTag) {
            if (fields.size() != 3)
                ThrowDamaged(lineNumber, "an install entry needs a user id and a file name");
            SInstallEntry entry;
            if (!ParseUnsigned(fields[1], entry.nUserId)
                || std::none_of(users.begin(), users.end(),
                    [&](const SPalmUser &u) { return u.nId == entry.nUserId; }))
                ThrowDamaged(lineNumber, "the install entry names no user listed before it");
            if (!IsValidInstallName(fields[2], &why))
                ThrowDamaged(lineNumber, "the file name " + why);
            entry.strFileName = fields[2];
            for (const SInstallEntry &other : installs)
                if (other.nUserId == entry.nUserId && other.strFileName == entry.strFileName)
                    ThrowDamaged(lineNumber, "the file is queued twice");
            if (installs.size() >= kMaxInstallEntries)
                ThrowDamaged(lineNumber, "there are too many queued files");
            installs.push_back(std::move(entry));
        } else {
            ThrowDamaged(lineNumber, "the line is neither a user nor an install entry");
        }
    }
    if (!headerSeen)
        ThrowDamaged(lineNumber, "the user file's header is missing");
    m_users = std::move(users);
    m_installs = std::move(installs);
}

std::string CUserStore::Serialize() const
{
    std::string text;
    text += "# The HotSync users of this folder. Fields are separated by tabs:\n";
    text += "#   user    <id> <profile 0|1> <directory> <name>\n";
    text += "#   install <user id> <file name in the user's Install folder>\n";
    text += std::string(kHeaderTag) + "\t" + std::to_string(kFormatVersion) + "\n";
    // Users first: an install entry must follow the user it names.
    for (const SPalmUser &user : m_users)
        text += std::string(kUserTag) + "\t" + std::to_string(user.nId) + "\t"
            + (user.bProfile ? "1" : "0") + "\t" + user.strDirectory + "\t" + user.strName + "\n";
    for (const SInstallEntry &entry : m_installs)
        text += std::string(kInstallTag) + "\t" + std::to_string(entry.nUserId) + "\t"
            + entry.strFileName + "\n";
    return text;
}

void CUserStore::Save() const
{
    if (!WriteFileAtomically(FilePath(), Serialize()))
        throw CStoreError(kUmErrSave, "the user file " + FilePath() + " cannot be written");
}

void CUserStore::Update(const std::string &hotSyncFolder, bool createWhenMissing,
    const std::function<void(CUserStore &)> &change)
{
    CFolderLock lock;
    switch (lock.Acquire(hotSyncFolder, kLockFileName, kLockTimeoutMs)) {
    case CFolderLock::Result::ok:
        break;
    case CFolderLock::Result::busy:
        throw CStoreError(kUmErrSemaphore, "the user file stays locked by another process");
    case CFolderLock::Result::cannotOpen:
        throw CStoreError(IsDirectory(hotSyncFolder) ? kUmErrSave : kUmErrNoCorePath,
            "the HotSync folder " + hotSyncFolder + " cannot be locked for a change");
    }
    CUserStore store(hotSyncFolder);
    if (!createWhenMissing || store.FileExists())
        store.Load();
    change(store);
    store.Save();
}

const SPalmUser *CUserStore::FindByName(std::string_view name) const
{
    for (const SPalmUser &user : m_users)
        if (user.strName == name)
            return &user;
    return nullptr;
}

const SPalmUser *CUserStore::FindById(std::uint32_t id) const
{
    for (const SPalmUser &user : m_users)
        if (user.nId == id)
            return &user;
    return nullptr;
}

SPalmUser *CUserStore::FindByNameForChange(std::string_view name)
{
    return const_cast<SPalmUser *>(FindByName(name));
}

std::string CUserStore::UserDirectoryPath(const SPalmUser &user) const
{
    return JoinPath(m_strFolder, user.strDirectory);
}

std::string CUserStore::InstallFolderPath(const SPalmUser &user) const
{
    return JoinPath(UserDirectoryPath(user), kInstallFolderName);
}

bool CUserStore::NameTaken(std::string_view name, const SPalmUser *except) const
{
    return std::any_of(m_users.begin(), m_users.end(), [&](const SPalmUser &user) {
        return &user != except && EqualIgnoringAsciiCase(user.strName, name);
    });
}

std::uint32_t CUserStore::NewUserId() const
{
    // Ids identify a handheld across HotSyncs, so a removed user's id should
    // not come back: draw at random rather than count.
    std::random_device device;
    std::mt19937 generator(device()
        ^ static_cast<std::uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
    std::uniform_int_distribution<std::uint32_t> distribution(1, 0xFFFFFFFFu);
    for (;;) {
        std::uint32_t id = distribution(generator);
        if (!FindById(id))
            return id;
    }
}

const SPalmUser &CUserStore::AddUser(
    const std::string &name, bool profile, const std::string &directory)
{
    std::string why;
    if (!IsValidUserName(name, &why))
        throw CStoreError(kUmErrInvalidUser, "the user name " + why);
    if (NameTaken(name, nullptr))
        throw CStoreError(kUmErrUserExists, "there is a user of that name already");
    if (m_users.size() >= kMaxUsers)
        throw CStoreError(kUmErrSave, "the HotSync folder has the most users it can hold");
    SPalmUser user;
    if (directory.empty()) {
        user.strDirectory = MakeDirectoryName(name);
    } else {
        if (!IsValidDirectoryName(directory, &why))
            throw CStoreError(kUmErrBadFileName, "the directory " + why);
        for (const SPalmUser &other : m_users)
            if (EqualIgnoringAsciiCase(other.strDirectory, directory))
                throw CStoreError(
                    kUmErrUserDirInUse, "the directory " + directory + " belongs to another user");
        user.strDirectory = directory;
    }
    user.nId = NewUserId();
    user.bProfile = profile;
    user.strName = name;
    m_users.push_back(std::move(user));
    return m_users.back();
}

void CUserStore::RenameUser(const std::string &oldName, const std::string &newName)
{
    SPalmUser *user = FindByNameForChange(oldName);
    if (!user)
        throw CStoreError(kUmErrNoUserFound, "there is no user of that name");
    std::string why;
    if (!IsValidUserName(newName, &why))
        throw CStoreError(kUmErrInvalidUser, "the user name " + why);
    if (NameTaken(newName, user))
        throw CStoreError(kUmErrUserExists, "there is a user of that name already");
    user->strName = newName;
}

void CUserStore::RemoveUser(const std::string &name)
{
    const SPalmUser *user = FindByName(name);
    if (!user)
        throw CStoreError(kUmErrNoUserFound, "there is no user of that name");
    std::uint32_t id = user->nId;
    std::erase_if(m_installs, [id](const SInstallEntry &entry) { return entry.nUserId == id; });
    std::erase_if(m_users, [id](const SPalmUser &u) { return u.nId == id; });
}

std::vector<std::string> CUserStore::InstallQueue(std::uint32_t userId) const
{
    std::vector<std::string> files;
    for (const SInstallEntry &entry : m_installs)
        if (entry.nUserId == userId)
            files.push_back(entry.strFileName);
    return files;
}

void CUserStore::QueueInstall(std::uint32_t userId, const std::string &fileName)
{
    std::string why;
    if (!IsValidInstallName(fileName, &why))
        throw CStoreError(kUmErrBadFileName, "the file name " + why);
    if (!FindById(userId))
        throw CStoreError(kUmErrNoUserFound, "there is no user with id " + std::to_string(userId));
    for (const SInstallEntry &entry : m_installs)
        if (entry.nUserId == userId && entry.strFileName == fileName)
            return;
    if (m_installs.size() >= kMaxInstallEntries)
        throw CStoreError(kUmErrSave, "the install queue is full");
    m_installs.push_back({ userId, fileName });
}

bool CUserStore::DequeueInstall(std::uint32_t userId, const std::string &fileName)
{
    return std::erase_if(m_installs, [&](const SInstallEntry &entry) {
        return entry.nUserId == userId && entry.strFileName == fileName;
    }) > 0;
}

bool CUserStore::IsValidUserName(std::string_view name, std::string *why)
{
    if (name.empty())
        return Refuse(why, "is empty");
    if (name.size() > kMaxNameLength)
        return Refuse(why, "is longer than 64 bytes");
    if (name.front() == ' ' || name.back() == ' ')
        return Refuse(why, "begins or ends with a blank");
    for (char c : name) {
        unsigned char byte = static_cast<unsigned char>(c);
        // Control characters would break the file's lines and fields; the five
        // unassigned Windows-1252 codes have no character to show.
        if (byte < 0x20 || byte == 0x7F || byte == 0x81 || byte == 0x8D || byte == 0x8F
            || byte == 0x90 || byte == 0x9D)
            return Refuse(why, "holds a control character");
    }
    return true;
}

bool CUserStore::IsValidDirectoryName(std::string_view name, std::string *why)
{
    if (name.empty())
        return Refuse(why, "is empty");
    if (name.size() > kMaxDirectoryLength)
        return Refuse(why, "is longer than 64 bytes");
    if (name.front() == '.')
        return Refuse(why, "begins with a dot");
    if (name.front() == ' ' || name.back() == ' ')
        return Refuse(why, "begins or ends with a blank");
    for (char c : name) {
        unsigned char byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte > 0x7E)
            return Refuse(why, "holds a character other than printable ASCII");
        if (c == '/' || c == '\\')
            return Refuse(why, "holds a path separator");
    }
    return true;
}

bool CUserStore::IsValidInstallName(std::string_view name, std::string *why)
{
    if (name.empty() || name == "." || name == "..")
        return Refuse(why, "is not a file name");
    if (name.size() > kMaxFileNameLength)
        return Refuse(why, "is longer than 255 bytes");
    for (char c : name) {
        unsigned char byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F)
            return Refuse(why, "holds a control character");
        if (c == '/')
            return Refuse(why, "holds a path separator");
    }
    return true;
}

std::string CUserStore::MakeDirectoryName(std::string_view name) const
{
    std::string base;
    for (char c : name) {
        bool alnum = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
        if (alnum && base.size() < 32)
            base += c;
    }
    if (base.empty())
        base = "User";
    auto free = [this](const std::string &candidate) {
        return std::none_of(m_users.begin(), m_users.end(), [&](const SPalmUser &user) {
            return EqualIgnoringAsciiCase(user.strDirectory, candidate);
        }) && !PathExists(JoinPath(m_strFolder, candidate));
    };
    if (free(base))
        return base;
    // The number keeps names apart even on a case-insensitive file system;
    // the loop ends because the users are bounded and the folder is finite.
    for (unsigned number = 2;; ++number) {
        std::string candidate = base + std::to_string(number);
        if (free(candidate))
            return candidate;
    }
}

} // namespace palmdesktop
