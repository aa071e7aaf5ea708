#pragma once

#include <string>
#include <string_view>

namespace palmdesktop {

// Names on the command line are UTF-8; the user file holds them in
// Windows-1252 as the handheld does. False when `utf8` is not valid UTF-8 or
// holds a character that Windows-1252 lacks; `why` then says which.
bool Utf8ToWindows1252(std::string_view utf8, std::string &text, std::string &why);
std::string Windows1252ToUtf8(std::string_view text);

} // namespace palmdesktop
