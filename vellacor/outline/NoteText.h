#pragma once

#include "kx_gen/String.h"

#include <cstdint>
#include <string>
#include <string_view>

// An item's note: Windows-1252 paragraphs joined by CR LF, empty for an item
// without one. Comparison is exact and byte-wise, as for kx_gen::_String.
//
// A note loaded from a file may borrow its bytes from the block the file was
// read into instead of holding a copy, as the item's paragraphs do (see
// CTextLine): whoever lends them keeps them alive and unchanged for as long
// as the note may use them. A move passes the borrow on; a copy, and any
// assignment, holds its own bytes. Every item holds a note, so it is kept to
// two words.
class CNoteText {
public:
    CNoteText() noexcept = default;
    CNoteText(const CNoteText &other) { Assign(other.view()); }
    CNoteText(CNoteText &&other) noexcept { Take(other); }
    CNoteText &operator=(const CNoteText &other);
    CNoteText &operator=(CNoteText &&other) noexcept;
    ~CNoteText() { Free(); }

    // Throw std::bad_alloc (or std::length_error beyond 4 GB) and then leave
    // the note as it was.
    CNoteText &operator=(std::string_view text)
    {
        Assign(text);
        return *this;
    }
    CNoteText &operator=(const char *text) { return *this = std::string_view(text ? text : ""); }
    CNoteText &operator=(const kx_gen::_String &text)
    {
        return *this = std::string_view(text.str());
    }

    // Uses the `length` bytes at `chars` in place (see above); chars[length]
    // must be 0, so that c_str needs no copy either.
    void Borrow(const char *chars, std::uint32_t length) noexcept
    {
        Free();
        m_pChars = length ? chars : nullptr;
        m_nLength = length;
        m_bOwned = false;
    }
    void Empty() noexcept
    {
        Free();
        m_pChars = nullptr;
        m_nLength = 0;
        m_bOwned = false;
    }

    bool IsEmpty() const { return m_nLength == 0; }
    std::size_t size() const { return m_nLength; }
    int GetLength() const { return static_cast<int>(m_nLength); }
    // Zero-terminated; never null.
    const char *c_str() const { return m_pChars ? m_pChars : ""; }
    std::string_view view() const { return { c_str(), m_nLength }; }
    std::string str() const { return std::string(view()); }
    kx_gen::_String GetString() const { return kx_gen::_String(view()); }
    // Whether the bytes are the lender's rather than the note's own.
    bool IsBorrowed() const { return m_pChars && !m_bOwned; }

    friend bool operator==(const CNoteText &a, const CNoteText &b) { return a.view() == b.view(); }
    friend bool operator==(const CNoteText &a, const kx_gen::_String &b)
    {
        return a.view() == std::string_view(b.str());
    }
    friend bool operator==(const CNoteText &a, const char *b)
    {
        return a.view() == std::string_view(b ? b : "");
    }

private:
    void Assign(std::string_view text);
    void Take(CNoteText &other) noexcept
    {
        m_pChars = other.m_pChars;
        m_nLength = other.m_nLength;
        m_bOwned = other.m_bOwned;
        other.m_pChars = nullptr;
        other.m_nLength = 0;
        other.m_bOwned = false;
    }
    void Free() noexcept
    {
        if (m_bOwned)
            delete[] m_pChars;
    }

    // Null for an empty note; owned (m_bOwned) or borrowed otherwise.
    const char *m_pChars = nullptr;
    std::uint32_t m_nLength = 0;
    bool m_bOwned = false;
};
