#pragma once

#include <cstddef>
#include <string>

namespace mirrick {

// True when `text` is not null, holds between 1 (0 with `allowEmpty`) and
// `maxBytes` bytes of valid UTF-8 and no control characters.
bool IsCleanText(const char *text, std::size_t maxBytes, bool allowEmpty = false);

// `folder` and `name` joined by one "/".
std::string JoinFolder(const std::string &folder, const std::string &name);

// True when `name` is a single file name: no "/" and neither "." nor "..".
bool IsPlainFileName(const std::string &name);

} // namespace mirrick
