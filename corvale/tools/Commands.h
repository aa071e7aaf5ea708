#pragma once

// The subcommands of the corvale command. Each returns the exit code: 0 on
// success, 1 when the file is refused or damaged (the library's message on
// standard error). Library exceptions propagate to the caller, which reports
// them the same way.

#include <iosfwd>
#include <string>

namespace corvale_tool {

struct NewOptions {
    std::string title; // UTF-8; empty: the library's default title
    bool hasTitle = false;
    std::string category; // UTF-8
    bool hasCategory = false;
    bool empty = false;
};

int RunInfo(const std::string &path, std::ostream &out, std::ostream &err);
int RunDump(const std::string &path, bool json, std::ostream &out, std::ostream &err);
int RunCheck(const std::string &path, std::ostream &out, std::ostream &err);
int RunCat(const std::string &path, std::ostream &out, std::ostream &err);
int RunNew(
    const std::string &path, const NewOptions &options, std::ostream &out, std::ostream &err);

} // namespace corvale_tool
