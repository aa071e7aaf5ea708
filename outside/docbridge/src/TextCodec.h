#pragma once

// Outline texts are Windows-1252 with CR LF between paragraphs; document
// texts are UTF-8 inside XML.

#include <string>
#include <string_view>

namespace docbridge {

// Appends the Windows-1252 text as UTF-8 with the XML specials escaped.
// Bytes that XML 1.0 cannot carry (control characters other than tab) are
// left out; line ends are not expected here.
void AppendXmlEscaped(std::string &out, std::string_view windows1252);
// Appends UTF-8 text (already valid) with the XML specials escaped.
void AppendXmlEscapedUtf8(std::string &out, std::string_view utf8);

// Converts UTF-8 to Windows-1252. A character the code page lacks becomes
// '?', and `lost` (when given) counts it; malformed sequences become '?'.
std::string Utf8ToWindows1252(std::string_view utf8, std::size_t *lost = nullptr);

// The next code point of `utf8` from `pos` (advanced), or U+FFFD for a
// malformed sequence.
char32_t NextCodePoint(std::string_view utf8, std::size_t &pos);

} // namespace docbridge
