#pragma once

// The library keeps text as Windows-1252 bytes; the terminal and the
// command line speak UTF-8.

#include "kx_gen/String.h"

#include <string>

namespace corvale_tool {

// The text as UTF-8.
std::string ToUtf8(const kx_gen::_String &text);
// The UTF-8 text as Windows-1252; false when it is not valid UTF-8 or holds
// a character the code page lacks.
bool FromUtf8(const std::string &utf8, kx_gen::_String &text);

} // namespace corvale_tool
