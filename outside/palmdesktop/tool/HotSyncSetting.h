#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace palmdesktop {

// The program reads "HotSyncPath" into a buffer of this many bytes, its
// terminating 0 included; a longer path would leave it in desktop-only mode.
constexpr std::size_t kHotSyncPathBufferSize = 1024;

// Names `folder` as the HotSync folder in the settings store (a string value
// "HotSyncPath" of the Palm desktop core key). False with `why` on failure.
bool WriteHotSyncPath(const std::string &folder, std::string &why);
// The folder that the settings store names, when it holds a string value.
std::optional<std::string> ReadHotSyncPath();

} // namespace palmdesktop
