#pragma once

#include <string>
#include <vector>

namespace mirrick {

// Where shortcuts live. Empty when the folder cannot be told (no home).
std::string MenuFolder();
std::string DesktopFolder();

// Writes `content` as `fileName` into each of `folders` (made when missing),
// replacing what is there, and removes `fileName` from `removeFrom`. All new
// files are written before any is put in place, so nothing changes when one
// cannot be written. False on failure.
bool PlaceShortcut(const std::vector<std::string> &folders, const std::string &fileName,
    const std::string &content, const std::vector<std::string> &removeFrom);

// Removes `fileName` from each of `folders`; a missing file is no failure.
bool RemoveShortcut(const std::vector<std::string> &folders, const std::string &fileName);

} // namespace mirrick
