#pragma once

// Letter-case rules for Windows-1252 texts: names of users, files and
// folders compared or folded the way the desktop compares them.

#include "kx_gen/String.h"

namespace cabinet {

// The upper-case letter of a Windows-1252 byte (accented letters included).
unsigned char ToUpper1252(unsigned char c);
kx_gen::_String MakeUpper(const kx_gen::_String &text);
// Equal without regard to letter case.
bool EqualNoCase(const kx_gen::_String &a, const kx_gen::_String &b);
// True when `what` occurs in `text` without regard to letter case.
bool ContainsNoCase(const kx_gen::_String &text, const kx_gen::_String &what);
// `text` with blanks removed at both ends.
kx_gen::_String Trimmed(const kx_gen::_String &text);

} // namespace cabinet
