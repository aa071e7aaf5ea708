#pragma once

#include "kx_gen/Export.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace kx_gen {

// An 8-bit text string in the Windows-1252 code page, the encoding of every
// text in the library's files. Comparison is exact and byte-wise.
class KX_GEN_EXPORT _String
{
public:
    _String() = default;
    _String(const char *text) : m_str(text ? text : "") {}
    _String(const char *text, std::size_t length) : m_str(text, length) {}
    _String(std::string text) : m_str(std::move(text)) {}
    _String(std::string_view text) : m_str(text) {}

    _String &operator=(const char *text)
    {
        m_str = text ? text : "";
        return *this;
    }
    _String &operator+=(const _String &other)
    {
        m_str += other.m_str;
        return *this;
    }
    _String &operator+=(const char *text)
    {
        m_str += text ? text : "";
        return *this;
    }
    _String &operator+=(char c)
    {
        m_str += c;
        return *this;
    }

    friend _String operator+(const _String &a, const _String &b) { return _String(a.m_str + b.m_str); }
    friend _String operator+(const _String &a, const char *b) { return a + _String(b); }
    friend _String operator+(const char *a, const _String &b) { return _String(a) + b; }
    friend bool operator==(const _String &a, const _String &b) { return a.m_str == b.m_str; }
    friend bool operator==(const _String &a, const char *b) { return a.m_str == (b ? b : ""); }
    friend bool operator<(const _String &a, const _String &b) { return a.m_str < b.m_str; }

    char operator[](std::size_t index) const { return m_str[index]; }
    char &operator[](std::size_t index) { return m_str[index]; }

    operator const char *() const { return m_str.c_str(); }
    const char *c_str() const { return m_str.c_str(); }
    const std::string &str() const { return m_str; }
    std::string &str() { return m_str; }
    int GetLength() const { return static_cast<int>(m_str.size()); }
    std::size_t size() const { return m_str.size(); }
    bool IsEmpty() const { return m_str.empty(); }
    void Empty() { m_str.clear(); }

    // Replaces the text by UTF-16 `text` (`length` code units, or up to the
    // terminating 0 when negative) converted to Windows-1252; characters the
    // code page lacks become '?'.
    void AssignUnicode(const char16_t *text, int length = -1);
    // The text as UTF-16.
    std::u16string ToUnicode() const;

    // printf-style formatting into a buffer of kFormatBufferSize bytes; what
    // does not fit is cut.
    static constexpr std::size_t kFormatBufferSize = 4096;
    void FormatString(const char *format, ...) __attribute__((format(printf, 2, 3)));

    // The text of the library's string table entry `id` (empty when absent).
    bool LoadStringA(unsigned id);

    void TrimLeft();
    void TrimRight();
    void Trim()
    {
        TrimRight();
        TrimLeft();
    }

    // A writable buffer of at least `minLength` bytes plus a terminator; call
    // ReleaseBuffer to set the length to the text written (up to its first 0).
    char *GetBuffer(int minLength);
    void ReleaseBuffer(int newLength = -1);

    // Handheld text uses LF line ends, the desktop CR LF.
    void palmToPlatform(); // every LF becomes CR LF
    void platformToPalm(); // every CR is removed

private:
    std::string m_str;
};

// Windows-1252 <-> Unicode for one character. A byte maps to its code point
// (the five unassigned bytes map to the C1 control of the same value); a code
// point the code page cannot hold gives false.
KX_GEN_EXPORT char16_t Windows1252ToUnicode(unsigned char byte);
KX_GEN_EXPORT bool UnicodeToWindows1252(char16_t codePoint, unsigned char *byte);

} // namespace kx_gen
