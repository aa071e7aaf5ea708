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

// The file title for an outline titled `title`: made a valid file title (the
// characters file names may not hold removed, at most 27 characters) and
// then written in the file system's encoding, UTF-8, so that the name shows
// as the title does in every program. Cut to 27 bytes at a character
// boundary, so that the library's own cut never splits a character.
kx_gen::_String FileTitleFor(const kx_gen::_String &title);
// The outline title that a file title (UTF-8, as FileTitleFor writes it)
// stands for; characters Windows-1252 lacks become '?', and bytes that are
// not UTF-8 are taken as Windows-1252 characters.
kx_gen::_String TitleFromFileTitle(const kx_gen::_String &fileTitle);

} // namespace cabinet
