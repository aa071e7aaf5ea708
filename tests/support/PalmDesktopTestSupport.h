#pragma once

// Temporary folders, whole-file helpers and a runner for the built commands
// (palm-desktop among them), shared by the filing cabinet's, palm-desktop's
// and the installer's tests. Header-only: the folder holds no test program of
// its own, and TEST_BIN_DIR comes from the test target that includes it.

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace vellacortest {

// A fresh temporary folder, removed with everything in it at destruction.
class CTempFolder {
public:
    CTempFolder()
    {
        std::string pattern
            = (std::filesystem::temp_directory_path() / "vellacor-test-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("cannot make a temporary folder");
        m_strPath = pattern;
    }
    ~CTempFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_strPath, ignored);
    }
    CTempFolder(const CTempFolder &) = delete;
    CTempFolder &operator=(const CTempFolder &) = delete;

    const std::string &Path() const { return m_strPath; }
    std::string operator/(const std::string &name) const { return m_strPath + "/" + name; }

private:
    std::string m_strPath;
};

// The whole content of a file; empty when it cannot be read.
inline std::string ReadFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

// Replaces a file's content with `content`.
inline void WriteFile(const std::string &path, const std::string &content)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
}

inline bool Exists(const std::string &path)
{
    return ::access(path.c_str(), F_OK) == 0;
}

struct SCommandResult {
    int nExitCode = -1;
    std::string strOut;
    std::string strErr;
};

// Runs the built command `name` (from the build's program folder) with `args`
// and collects its output; the exit code stays -1 when it cannot be started or
// does not exit.
inline SCommandResult RunBuiltCommand(const std::string &name, const std::vector<std::string> &args)
{
    CTempFolder outputs;
    std::string outPath = outputs / "out";
    std::string errPath = outputs / "err";
    std::string program = std::string(TEST_BIN_DIR) + "/" + name;

    std::vector<std::string> copies(args);
    std::vector<char *> argv { program.data() };
    for (std::string &arg : copies)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT, 0600);
    pid_t pid = 0;
    SCommandResult result;
    int spawned = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return result;
    int status = 0;
    ::waitpid(pid, &status, 0);
    result.nExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.strOut = ReadFile(outPath);
    result.strErr = ReadFile(errPath);
    return result;
}

// Runs the built palm-desktop command with `args`.
inline SCommandResult RunPalmDesktop(const std::vector<std::string> &args)
{
    return RunBuiltCommand("palm-desktop", args);
}

} // namespace vellacortest
