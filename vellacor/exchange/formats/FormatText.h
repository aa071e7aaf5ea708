#pragma once

// Text conversions shared by the exchange formats: the model keeps
// Windows-1252, every file format here is UTF-8.
//
// A character that Windows-1252 cannot hold is never dropped on import: it is
// written into the item as the marker "[U+XXXX]" (its code point in hex) and
// reported with its line, so that the user sees what happened and no data is
// lost. The exporters turn such a marker back into the character, so an
// outline that went through an import comes out of an export as it came in.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace formats {

// The largest file an importer reads.
inline constexpr std::size_t kMaxImportBytes = 256u * 1024 * 1024;

// Warnings and the reason of a failure, collected while reading a file.
class CImportReport {
public:
    // At most this many warnings are kept; the rest are only counted.
    static constexpr std::size_t kMaxWarnings = 20;

    void Warn(int line, const std::string &text);
    void Fail(int line, const std::string &text);

    bool Failed() const { return !m_strError.empty(); }
    const std::string &Error() const { return m_strError; }
    const std::vector<std::string> &Warnings() const { return m_Warnings; }
    // Warnings beyond kMaxWarnings.
    std::size_t DroppedWarnings() const { return m_nDropped; }
    // Every warning on its own line, with a last line for the dropped ones.
    std::string WarningText() const;

private:
    std::string m_strError;
    std::vector<std::string> m_Warnings;
    std::size_t m_nDropped = 0;
};

// The line-based readers' first step: refuses input above kMaxImportBytes
// and binary data (NUL bytes), with the reason in `report`, and drops a
// UTF-8 byte order mark from `data`.
bool AcceptTextInput(std::string_view &data, CImportReport &report);

// The model's Windows-1252 text as UTF-8; "[U+XXXX]" markers for characters
// outside the code page become those characters again.
std::string Utf8FromModel(std::string_view text);

// Appends one Unicode code point as UTF-8.
void AppendUtf8(std::string &out, char32_t codePoint);

// Decodes one UTF-8 sequence at `pos`: the code point, and `pos` moved past
// it. False for a malformed sequence (overlong, surrogate, beyond U+10FFFF,
// truncated); `pos` then moves one byte on.
bool DecodeUtf8(std::string_view text, std::size_t &pos, char32_t &codePoint);

// Whether the whole text is well-formed UTF-8.
bool IsUtf8(std::string_view text);

// UTF-8 to the model's Windows-1252, each character the code page lacks
// written as its marker and reported as being on `line`. Malformed bytes are
// read as Windows-1252 bytes (a file saved in the old code page), with one
// warning per text.
std::string ModelFromUtf8(std::string_view text, int line, CImportReport &report);

// One code point to the model's Windows-1252: the byte, or the marker when
// the code page lacks it (reported with `line`).
void AppendModelChar(std::string &out, char32_t codePoint, int line, CImportReport &report);

// Escapes &, <, > and (for attributes) the double quotation mark, and writes
// line breaks in attributes as character references so that they survive.
std::string XmlEscape(std::string_view utf8, bool attribute);

// The model's paragraphs: a text split at CR LF (or a lone CR or LF).
std::vector<std::string> SplitParagraphs(std::string_view text);

} // namespace formats
