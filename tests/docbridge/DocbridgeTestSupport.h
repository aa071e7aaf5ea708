#pragma once

// Temporary folders, files and outside tools for the Docbridge tests.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

#include <stdlib.h>
#include <sys/wait.h>

namespace doctest {

class CTempDir {
public:
    CTempDir()
    {
        std::string pattern
            = (std::filesystem::temp_directory_path() / "docbridge-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed");
        m_path = pattern;
    }
    ~CTempDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    CTempDir(const CTempDir &) = delete;
    CTempDir &operator=(const CTempDir &) = delete;

    std::string File(const std::string &name) const { return m_path + "/" + name; }
    const std::string &Path() const { return m_path; }

private:
    std::string m_path;
};

inline void WriteFile(const std::string &path, const std::string &bytes)
{
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

inline std::string ReadFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct TRun {
    int m_nExit = -1;
    std::string m_strOutput;
};

// Runs a shell command line and collects its standard output (standard
// error goes to the test log).
inline TRun Run(const std::string &command)
{
    TRun result;
    FILE *pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return result;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        result.m_strOutput.append(buffer, n);
    const int status = ::pclose(pipe);
    result.m_nExit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

// The outside tools are part of the test set-up (scripts/install-deps); a
// machine without them fails the test rather than skipping it.
inline void RequireTool(const std::string &probe)
{
    ASSERT_EQ(Run(probe + " >/dev/null 2>&1").m_nExit, 0)
        << "missing test tool (" << probe << "); run scripts/install-deps";
}

inline std::string Quote(const std::string &text)
{
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

} // namespace doctest
