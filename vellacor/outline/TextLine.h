#pragma once

#include "TextFont.h"

#include <string_view>

// One wrapped row of a paragraph.
struct CTextRow {
    // Offset of the row's first character in the paragraph.
    int m_nStart = 0;
    // Number of characters in the row, the spaces at which it breaks included.
    int m_nLength = 0;
    // Offset of the row's last character (start + length - 1); for the
    // paragraph's last row start + length, the end of the paragraph.
    int m_nLast = 0;
};

// The rows of one paragraph. Most paragraphs wrap into one row, so the first
// row lives inside the array and only longer paragraphs allocate. Removing
// the rows keeps the storage, so re-wrapping allocates nothing.
class CTextRowArray {
public:
    // User-provided, so that a const item can be default-initialised (some
    // compilers do not count the union's initialiser for that).
    CTextRowArray() noexcept { }
    CTextRowArray(const CTextRowArray &other);
    CTextRowArray(CTextRowArray &&other) noexcept;
    CTextRowArray &operator=(const CTextRowArray &other);
    CTextRowArray &operator=(CTextRowArray &&other) noexcept;
    ~CTextRowArray() { delete[] m_pHeap; }

    int GetSize() const { return m_nSize; }
    bool IsEmpty() const { return m_nSize == 0; }
    const CTextRow &operator[](int index) const { return Data()[index]; }
    const CTextRow &Last() const { return Data()[m_nSize - 1]; }

    void RemoveAll() { m_nSize = 0; }
    // Appends a row; throws std::bad_alloc when the array cannot grow.
    void Add(const CTextRow &row)
    {
        if (m_nSize == Capacity())
            Grow();
        Data()[m_nSize++] = row;
    }

private:
    CTextRow *Data() { return m_pHeap ? m_pHeap : &m_Inline; }
    const CTextRow *Data() const { return m_pHeap ? m_pHeap : &m_Inline; }
    int Capacity() const { return m_pHeap ? m_nHeapCapacity : 1; }
    void Grow();

    CTextRow *m_pHeap = nullptr;
    // The one row kept inside, or once the rows live on the heap, how many
    // it has room for: every item holds an array, so it stays small.
    union {
        CTextRow m_Inline {};
        int m_nHeapCapacity;
    };
    int m_nSize = 0;
};

// One paragraph of an item text: its characters (Windows-1252, no line
// breaks, not zero-terminated) and the rows it was last wrapped into. It is
// changed only through its CTextCtrl, which marks it stale whenever its
// characters change; its rows are then out of date until it is wrapped again.
//
// A paragraph loaded from a file may borrow its characters from the bytes
// the file was read into (capacity 0) instead of holding a copy: whoever
// lends them keeps them alive and unchanged for as long as the paragraph
// may use them. The first change copies them; a copy of the paragraph
// always holds its own.
class CTextLine {
public:
    // The buffer grows in steps of this many bytes.
    static constexpr int kGrowBy = 20;

    CTextLine() = default;
    CTextLine(const CTextLine &other);
    CTextLine(CTextLine &&other) noexcept;
    CTextLine &operator=(const CTextLine &other);
    CTextLine &operator=(CTextLine &&other) noexcept;
    ~CTextLine()
    {
        if (m_nCapacity)
            delete[] m_pBuffer;
    }

    int GetLength() const { return m_nLength; }
    // The characters; never null, even for an empty paragraph.
    const char *GetData() const { return m_pBuffer ? m_pBuffer : ""; }
    std::string_view GetText() const { return { GetData(), static_cast<std::size_t>(m_nLength) }; }
    int GetCapacity() const { return m_nCapacity; }

    // The rows of the last wrap; empty before the first one.
    const CTextRowArray &GetRows() const { return m_Rows; }
    bool IsStale() const { return m_bStale; }

private:
    friend class CTextCtrl;

    // Wraps the paragraph into rows of at most `width` pixels: a row breaks
    // after the last run of white space that fits, or inside a word that is
    // wider than the row. Every row holds at least one character, so a width
    // too small for any character still ends. `dc` may be null (see
    // FitChars). Throws std::bad_alloc when the rows cannot grow.
    void Wrap(const CMeasureDC *dc, const CTextFont &font, int width);

    // Makes room for `needed` characters: the capacity becomes the next
    // multiple of kGrowBy above `needed`. Throws std::bad_alloc, or
    // std::length_error beyond the 32-bit limit, and then changes nothing.
    void Reserve(long long needed);
    // The editing operations below expect valid offsets; Insert and Append
    // may throw as Reserve does and then change nothing.
    void Insert(int offset, const char *text, int count);
    void Append(const char *text, int count) { Insert(m_nLength, text, count); }
    void Remove(int offset, int count);
    void Truncate(int length) { m_nLength = length; }
    // Uses the `count` characters at `text` in place (see above); count > 0.
    void Borrow(const char *text, int count)
    {
        if (m_nCapacity)
            delete[] m_pBuffer;
        m_pBuffer = const_cast<char *>(text);
        m_nCapacity = 0;
        m_nLength = count;
        m_bStale = true;
    }
    void MarkStale() { m_bStale = true; }

    char *m_pBuffer = nullptr;
    int m_nCapacity = 0;
    int m_nLength = 0;
    CTextRowArray m_Rows;
    bool m_bStale = true;
};
