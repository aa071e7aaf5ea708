#pragma once

#include <optional>
#include <string>
#include <vector>

namespace mirrick {

// The file name of the desktop entry for the shortcut `name` (see Mirrick.h).
std::string DesktopFileName(const std::string &name);

// `arguments` split into words at blanks, double quotes grouping words with
// blanks; nothing when a quote is left open.
std::optional<std::vector<std::string>> SplitArguments(const std::string &arguments);

// The Exec value (with the escapes of a desktop entry's string values) that
// runs `target` with `arguments`.
std::string ExecLine(const std::string &target, const std::vector<std::string> &arguments);

// A complete desktop entry of type Application.
std::string DesktopEntryText(
    const std::string &name, const std::string &target, const std::vector<std::string> &arguments);

} // namespace mirrick
