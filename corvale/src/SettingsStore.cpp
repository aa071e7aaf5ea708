#include "SettingsStore.h"

#include "LibraryLog.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <map>
#include <memory>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace kx_gen {

namespace {

// Holds the exclusive lock on the hive's lock file while alive.
class HiveLock {
public:
    explicit HiveLock(const std::string &path)
    {
        m_fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (m_fd < 0)
            return;
        auto deadline = std::chrono::steady_clock::now()
            + std::chrono::milliseconds(CSettingsStore::kLockTimeoutMs);
        // Polling keeps the wait bounded: a process that hangs while holding
        // the lock must not hang every other one.
        for (;;) {
            if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0) {
                m_locked = true;
                return;
            }
            if (errno != EWOULDBLOCK && errno != EINTR)
                return;
            if (std::chrono::steady_clock::now() >= deadline)
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    ~HiveLock()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    HiveLock(const HiveLock &) = delete;
    HiveLock &operator=(const HiveLock &) = delete;

    bool IsLocked() const { return m_locked; }

private:
    int m_fd = -1;
    bool m_locked = false;
};

bool SameTime(const timespec &a, const timespec &b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// Reads the whole file, refusing more than `limit` bytes.
bool ReadAll(int fd, std::size_t limit, std::string *out, bool *tooLarge)
{
    *tooLarge = false;
    out->clear();
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0)
            return true;
        if (out->size() + static_cast<std::size_t>(n) > limit) {
            *tooLarge = true;
            return true;
        }
        out->append(buffer, static_cast<std::size_t>(n));
    }
}

bool WriteAll(int fd, const std::string &text)
{
    const char *p = text.data();
    std::size_t left = text.size();
    while (left) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

// Creates `path` and its missing parents with mode 0700.
bool MakeFolders(const std::string &path)
{
    struct stat st;
    if (::stat(path.c_str(), &st) == 0)
        return S_ISDIR(st.st_mode);
    std::size_t slash = path.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !MakeFolders(path.substr(0, slash)))
        return false;
    return ::mkdir(path.c_str(), 0700) == 0 || errno == EEXIST;
}

} // namespace

bool CSettingsStore::Identity::operator==(const Identity &o) const
{
    if (exists != o.exists)
        return false;
    return !exists
        || (dev == o.dev && ino == o.ino && size == o.size && SameTime(mtime, o.mtime)
            && SameTime(ctime, o.ctime));
}

CSettingsStore &CSettingsStore::ForPath(const std::string &path)
{
    static std::mutex mapMutex;
    // Never destroyed: other static objects may still use a store while the
    // process ends.
    static auto *stores = new std::map<std::string, std::unique_ptr<CSettingsStore>>;
    std::lock_guard<std::mutex> guard(mapMutex);
    auto &slot = (*stores)[path];
    if (!slot)
        slot.reset(new CSettingsStore(path));
    return *slot;
}

CSettingsStore::CSettingsStore(std::string path)
    : m_path(std::move(path))
{
    std::size_t slash = m_path.find_last_of('/');
    m_folder = slash == std::string::npos ? std::string(".") : m_path.substr(0, slash);
}

bool CSettingsStore::MakeFolder()
{
    return MakeFolders(m_folder);
}

long CSettingsStore::Refresh(bool locked)
{
    int fd = ::open(m_path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno != ENOENT)
            return kRegIoFailed;
        m_hive.Clear();
        m_identity = Identity();
        m_cacheValid = true;
        m_newerFormat = false;
        m_damagedInPlace = false;
        return kRegSuccess;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return kRegIoFailed;
    }
    Identity id;
    id.exists = true;
    id.dev = st.st_dev;
    id.ino = st.st_ino;
    id.size = st.st_size;
    id.mtime = st.st_mtim;
    id.ctime = st.st_ctim;
    if (m_cacheValid && id == m_identity) {
        ::close(fd);
        return kRegSuccess;
    }

    std::string text;
    bool tooLarge = false;
    bool readOk = ReadAll(fd, CSettingsHive::kMaxFileSize, &text, &tooLarge);
    ::close(fd);
    if (!readOk)
        return kRegIoFailed;

    CSettingsHive hive;
    std::string error = "the file is too large";
    CSettingsHive::ParseResult parsed
        = tooLarge ? CSettingsHive::kMalformed : hive.Parse(text.data(), text.size(), &error);
    if (parsed == CSettingsHive::kParsed) {
        m_hive = std::move(hive);
        m_identity = id;
        m_cacheValid = true;
        m_newerFormat = false;
        m_damagedInPlace = false;
        return kRegSuccess;
    }
    if (parsed == CSettingsHive::kNewerVersion) {
        LogLibraryWarning("The settings file %s has a newer format; its settings are not used "
                          "and it is left unchanged.",
            m_path.c_str());
        m_hive.Clear();
        m_identity = id;
        m_cacheValid = true;
        m_newerFormat = true;
        m_damagedInPlace = false;
        return kRegSuccess;
    }

    // Damaged. Only the lock holder may move the file: another process may
    // be replacing it right now.
    if (!locked) {
        HiveLock lock(m_path + ".lock");
        if (lock.IsLocked())
            return Refresh(true);
    }
    std::string aside;
    m_hive.Clear();
    m_cacheValid = true;
    m_newerFormat = false;
    if (locked && MoveAside(&aside)) {
        LogLibraryWarning("The settings file %s could not be read (%s). It was kept as %s and the "
                          "settings start empty.",
            m_path.c_str(), error.c_str(), aside.c_str());
        m_identity = Identity();
        m_damagedInPlace = false;
    } else {
        LogLibraryWarning("The settings file %s could not be read (%s) nor set aside; the settings "
                          "start empty and are not saved.",
            m_path.c_str(), error.c_str());
        m_identity = id;
        m_damagedInPlace = true;
    }
    return kRegSuccess;
}

bool CSettingsStore::MoveAside(std::string *aside)
{
    std::time_t now = std::time(nullptr);
    std::tm local {};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    std::string base = m_path + ".damaged-" + stamp;
    for (int n = 1; n < 1000; ++n) {
        char suffix[16] = "";
        if (n > 1)
            std::snprintf(suffix, sizeof suffix, "-%d", n);
        std::string candidate = base + suffix;
        struct stat st;
        if (::lstat(candidate.c_str(), &st) == 0)
            continue;
        if (::rename(m_path.c_str(), candidate.c_str()) != 0)
            return false;
        *aside = candidate;
        return true;
    }
    return false;
}

long CSettingsStore::WriteFile(const std::string &text)
{
    std::string temp = m_path + ".tmp";
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return kRegIoFailed;
    bool ok = WriteAll(fd, text) && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (!ok || ::rename(temp.c_str(), m_path.c_str()) != 0) {
        ::unlink(temp.c_str());
        return kRegIoFailed;
    }
    // Makes the rename itself durable.
    int dir = ::open(m_folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return kRegSuccess;
}

long CSettingsStore::Read(const std::function<long(const CSettingsHive &)> &read)
{
    std::lock_guard<std::mutex> guard(m_mutex);
    long result = Refresh(false);
    if (result != kRegSuccess)
        return result;
    return read(m_hive);
}

long CSettingsStore::Modify(const std::function<long(CSettingsHive &, bool *changed)> &change)
{
    std::lock_guard<std::mutex> guard(m_mutex);
    if (!MakeFolder())
        return kRegIoFailed;
    HiveLock lock(m_path + ".lock");
    if (!lock.IsLocked())
        return kRegIoFailed;
    // Always compare with the file: another process may have written since.
    long result = Refresh(true);
    if (result != kRegSuccess)
        return result;
    if (m_newerFormat)
        return kRegAccessDenied;
    if (m_damagedInPlace)
        return kRegIoFailed;

    bool changed = false;
    result = change(m_hive, &changed);
    if (!changed)
        return result;
    if (WriteFile(m_hive.Serialize()) != kRegSuccess) {
        m_cacheValid = false; // memory is ahead of the file: read it again next time
        return kRegIoFailed;
    }
    // Remember the file just written so that the next call need not parse it.
    struct stat st;
    if (::stat(m_path.c_str(), &st) == 0) {
        m_identity.exists = true;
        m_identity.dev = st.st_dev;
        m_identity.ino = st.st_ino;
        m_identity.size = st.st_size;
        m_identity.mtime = st.st_mtim;
        m_identity.ctime = st.st_ctim;
    } else {
        m_cacheValid = false;
    }
    return result;
}

} // namespace kx_gen
