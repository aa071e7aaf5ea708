#include "kx_gen/String.h"

#include "kx_gen/Exception.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace kx_gen {

namespace {

// Code points of the bytes 0x80..0x9F; the unassigned five keep their value.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

} // namespace

char16_t Windows1252ToUnicode(unsigned char byte)
{
    if (byte >= 0x80 && byte < 0xA0)
        return kHighControls[byte - 0x80];
    return byte;
}

bool UnicodeToWindows1252(char16_t codePoint, unsigned char *byte)
{
    if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF)) {
        *byte = static_cast<unsigned char>(codePoint);
        return true;
    }
    for (int i = 0; i < 32; ++i) {
        if (kHighControls[i] == codePoint) {
            *byte = static_cast<unsigned char>(0x80 + i);
            return true;
        }
    }
    return false;
}

void _String::AssignUnicode(const char16_t *text, int length)
{
    m_str.clear();
    if (!text)
        return;
    if (length < 0) {
        length = 0;
        while (text[length])
            ++length;
    }
    m_str.reserve(static_cast<std::size_t>(length));
    for (int i = 0; i < length; ++i) {
        char16_t c = text[i];
        unsigned char byte = '?';
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < length && text[i + 1] >= 0xDC00
            && text[i + 1] <= 0xDFFF)
            ++i; // a surrogate pair stands for one character outside the code page
        else
            UnicodeToWindows1252(c, &byte);
        m_str.push_back(static_cast<char>(byte));
    }
}

std::u16string _String::ToUnicode() const
{
    std::u16string out;
    out.reserve(m_str.size());
    for (char c : m_str)
        out.push_back(Windows1252ToUnicode(static_cast<unsigned char>(c)));
    return out;
}

void _String::FormatString(const char *format, ...)
{
    char buffer[kFormatBufferSize];
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (n < 0)
        n = 0;
    m_str.assign(buffer, std::min<std::size_t>(static_cast<std::size_t>(n), sizeof buffer - 1));
}

bool _String::LoadStringA(unsigned id)
{
    *this = LoadLibraryString(id);
    return !IsEmpty();
}

void _String::TrimLeft()
{
    std::size_t i = 0;
    while (i < m_str.size() && (m_str[i] == ' ' || m_str[i] == '\t' || m_str[i] == '\r'
                                || m_str[i] == '\n'))
        ++i;
    m_str.erase(0, i);
}

void _String::TrimRight()
{
    std::size_t n = m_str.size();
    while (n > 0 && (m_str[n - 1] == ' ' || m_str[n - 1] == '\t' || m_str[n - 1] == '\r'
                     || m_str[n - 1] == '\n'))
        --n;
    m_str.resize(n);
}

char *_String::GetBuffer(int minLength)
{
    if (minLength > 0 && static_cast<std::size_t>(minLength) > m_str.size())
        m_str.resize(static_cast<std::size_t>(minLength));
    return m_str.data();
}

void _String::ReleaseBuffer(int newLength)
{
    if (newLength < 0)
        m_str.resize(std::strlen(m_str.c_str()));
    else if (static_cast<std::size_t>(newLength) <= m_str.size())
        m_str.resize(static_cast<std::size_t>(newLength));
}

void _String::palmToPlatform()
{
    std::string out;
    out.reserve(m_str.size() + m_str.size() / 16);
    for (char c : m_str) {
        if (c == '\n')
            out.push_back('\r');
        out.push_back(c);
    }
    m_str.swap(out);
}

void _String::platformToPalm()
{
    std::erase(m_str, '\r');
}

} // namespace kx_gen
