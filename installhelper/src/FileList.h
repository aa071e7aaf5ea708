#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavish {

// `folder` and `name` joined by one "/"; an absolute `name` stands alone.
std::string JoinFolder(const std::string &folder, const std::string &name);

// True when `text` is not null, not empty and at most `maxBytes` long.
bool IsUsableText(const char *text, std::size_t maxBytes);

// The non-empty lines of a list's `content` (a final "\r" dropped), in order.
std::vector<std::string> SplitListLines(std::string_view content);

// The non-empty lines of the list file at `path` (a final "\r" dropped), in
// file order; nothing when the file cannot be read or is too large.
std::optional<std::vector<std::string>> ReadFileList(const std::string &path);

// One character of a selection: the list line that it picks.
struct SPick {
    int nPosition = 0; // 1-based position in the selection
    std::size_t nLine = 0; // the picked line (may lie beyond the list)
    bool bLetter = false; // false for a character that is not a capital letter
};

std::vector<SPick> ParseSelection(const char *selection);

// True when `line` can name a file inside a folder: relative, without ".."
// parts, without NUL bytes and not longer than a path may be.
bool IsContainedName(const std::string &line);

} // namespace tavish
