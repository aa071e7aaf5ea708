#include "DesktopShortcut.h"

#include "Text.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mirrick {

namespace {

std::string HomeFolder()
{
    const char *home = std::getenv("HOME");
    if (home && home[0] == '/')
        return home;
    const passwd *entry = ::getpwuid(::getuid());
    return entry && entry->pw_dir && entry->pw_dir[0] == '/' ? entry->pw_dir : std::string();
}

// An XDG base folder from the environment; relative values are ignored, as
// the base directory rules ask.
std::string BaseFolder(const char *variable, const char *fallbackBelowHome)
{
    const char *value = std::getenv(variable);
    if (value && value[0] == '/')
        return value;
    std::string home = HomeFolder();
    return home.empty() ? std::string() : JoinFolder(home, fallbackBelowHome);
}

// XDG_DESKTOP_DIR from user-dirs.dirs: a quoted "$HOME/..." or absolute path.
std::string DesktopFolderFromUserDirs(const std::string &home)
{
    std::string config = BaseFolder("XDG_CONFIG_HOME", ".config");
    if (config.empty())
        return {};
    std::ifstream in(JoinFolder(config, "user-dirs.dirs"));
    std::string line;
    const std::string key = "XDG_DESKTOP_DIR=\"";
    while (std::getline(in, line)) {
        if (line.compare(0, key.size(), key) != 0 || line.size() < key.size() + 1
            || line.back() != '"')
            continue;
        std::string value = line.substr(key.size(), line.size() - key.size() - 1);
        if (value.compare(0, 5, "$HOME") == 0 && (value.size() == 5 || value[5] == '/'))
            return home + value.substr(5);
        if (!value.empty() && value[0] == '/')
            return value;
    }
    return {};
}

struct SStagedFile {
    std::string strTemporary;
    std::string strTarget;
};

bool WriteTemporary(
    const std::string &folder, const std::string &content, mode_t mode, std::string &temporary)
{
    temporary = JoinFolder(folder, ".mirrick-XXXXXX");
    int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return false;
    bool ok = true;
    const char *data = content.data();
    std::size_t left = content.size();
    while (ok && left > 0) {
        ssize_t written = ::write(fd, data, left);
        if (written < 0 && errno == EINTR)
            continue;
        ok = written > 0;
        if (ok) {
            data += written;
            left -= static_cast<std::size_t>(written);
        }
    }
    ok = ok && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (!ok)
        ::unlink(temporary.c_str());
    return ok;
}

bool RemoveFile(const std::string &path)
{
    return ::unlink(path.c_str()) == 0 || errno == ENOENT;
}

} // namespace

std::string MenuFolder()
{
    std::string data = BaseFolder("XDG_DATA_HOME", ".local/share");
    return data.empty() ? std::string() : JoinFolder(data, "applications");
}

std::string DesktopFolder()
{
    std::string home = HomeFolder();
    if (home.empty())
        return {};
    std::string fromUserDirs = DesktopFolderFromUserDirs(home);
    return fromUserDirs.empty() ? JoinFolder(home, "Desktop") : fromUserDirs;
}

bool PlaceShortcut(const std::vector<std::string> &folders, const std::string &fileName,
    const std::string &content, const std::vector<std::string> &removeFrom)
{
    std::vector<SStagedFile> staged;
    auto dropStaged = [&] {
        for (const SStagedFile &file : staged)
            ::unlink(file.strTemporary.c_str());
    };
    for (const std::string &folder : folders) {
        std::error_code error;
        std::filesystem::create_directories(folder, error);
        // Desktop environments start a launcher on the desktop only when it
        // is executable; menu entries get the same mode, so that both copies
        // of a shortcut are alike.
        const mode_t mode = 0755;
        SStagedFile file { {}, JoinFolder(folder, fileName) };
        if (error || !WriteTemporary(folder, content, mode, file.strTemporary)) {
            dropStaged();
            return false;
        }
        staged.push_back(std::move(file));
    }
    for (std::size_t i = 0; i < staged.size(); ++i) {
        if (::rename(staged[i].strTemporary.c_str(), staged[i].strTarget.c_str()) != 0) {
            for (std::size_t j = i; j < staged.size(); ++j)
                ::unlink(staged[j].strTemporary.c_str());
            return false;
        }
    }
    return RemoveShortcut(removeFrom, fileName);
}

bool RemoveShortcut(const std::vector<std::string> &folders, const std::string &fileName)
{
    bool ok = true;
    for (const std::string &folder : folders)
        ok = RemoveFile(JoinFolder(folder, fileName)) && ok;
    return ok;
}

} // namespace mirrick
