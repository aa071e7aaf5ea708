#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace palmdesktop {

// The palm-desktop command: sets up a HotSync folder with the Palm desktop
// libraries and its users, and adds, renames, removes and lists users. Texts
// on the command line and in the output are UTF-8.
class CPalmDesktopCommand {
public:
    static constexpr int kExitOk = 0;
    static constexpr int kExitFailure = 1;
    static constexpr int kExitUsage = 2;

    CPalmDesktopCommand(std::ostream &out, std::ostream &err);

    // Runs the command line `args` (without the program name) and returns the
    // exit status. Every failure is reported on the error stream.
    int Run(const std::vector<std::string> &args);

private:
    struct SOptions {
        std::vector<std::string> positional;
        std::optional<std::string> folder;
        std::optional<std::string> libraries;
        std::optional<std::string> directory;
        std::vector<std::pair<std::string, bool>> users; // name, profile
        bool profile = false;
    };

    bool ParseOptions(const std::vector<std::string> &args, SOptions &options);
    int Usage(const std::string &problem);
    int Fail(const std::string &message);

    int Setup(const SOptions &options);
    int Add(const SOptions &options);
    int Rename(const SOptions &options);
    int Remove(const SOptions &options);
    int List(const SOptions &options);

    // The HotSync folder that a command other than setup works on: --folder,
    // else the one the settings store names. Empty (after a message) when
    // neither is there.
    std::string FolderFor(const SOptions &options);
    // Converts a user name from the command line; false after a message.
    bool ConvertName(const std::string &utf8, std::string &name);
    // The folder with the built libraries: --libraries, else beside this
    // program ("../lib" or its own folder).
    std::string LibrariesFolder(const SOptions &options);
    bool InstallLibraries(const std::string &from, const std::string &folder);
    void PrintUsers(const std::string &folder);

    std::ostream &m_out;
    std::ostream &m_err;
};

} // namespace palmdesktop
