#pragma once

// Texts of the model are Windows-1252 bytes; texts of Qt are UTF-16. These
// are the only conversions between the two: reading Windows-1252 bytes as
// UTF-8 (what QString(const char *) does) garbles every accented letter.

#include "kx_gen/String.h"

#include <QString>

// The model's text as Unicode. Every byte has a character.
QString ToQString(const kx_gen::_String &text);
QString ToQString(const char *text, int length = -1);

// Unicode as Windows-1252. Characters the code page cannot hold are refused,
// never dropped: the result is false, `out` is left as it was and, when
// `refused` is given, it receives the first such character (a surrogate pair
// stays whole) so the caller can name it.
bool FromQString(const QString &text, kx_gen::_String &out, QString *refused = nullptr);

// The conversion for texts known to fit (the program's own strings, file
// names it made): characters outside the code page become '?'.
kx_gen::_String ToKxString(const QString &text);

// The first character of `text` that Windows-1252 cannot hold, or an empty
// string when all fit.
QString FirstUnsupportedCharacter(const QString &text);

// Paths: the file system's names are UTF-8 on Linux; the storage library
// takes them as bytes, so paths go through the local 8-bit encoding instead.
QString PathToQString(const kx_gen::_String &path);
kx_gen::_String PathFromQString(const QString &path);
