#include "TextLine.h"

#include "TextChars.h"
#include "TextMeasure.h"

#include <climits>
#include <cstring>
#include <stdexcept>
#include <utility>

CTextRowArray::CTextRowArray(const CTextRowArray &other)
{
    *this = other;
}

CTextRowArray::CTextRowArray(CTextRowArray &&other) noexcept
{
    *this = std::move(other);
}

CTextRowArray &CTextRowArray::operator=(const CTextRowArray &other)
{
    if (this == &other)
        return *this;
    if (other.m_nSize > Capacity()) {
        auto *heap = new CTextRow[other.m_nSize];
        delete[] m_pHeap;
        m_pHeap = heap;
        m_nHeapCapacity = other.m_nSize;
    }
    std::memcpy(Data(), other.Data(), sizeof(CTextRow) * static_cast<std::size_t>(other.m_nSize));
    m_nSize = other.m_nSize;
    return *this;
}

CTextRowArray &CTextRowArray::operator=(CTextRowArray &&other) noexcept
{
    if (this == &other)
        return *this;
    delete[] m_pHeap;
    m_pHeap = std::exchange(other.m_pHeap, nullptr);
    if (m_pHeap)
        m_nHeapCapacity = other.m_nHeapCapacity;
    else
        m_Inline = other.m_Inline;
    other.m_Inline = CTextRow();
    m_nSize = std::exchange(other.m_nSize, 0);
    return *this;
}

void CTextRowArray::Grow()
{
    const int capacity = Capacity() < 4 ? 4 : Capacity() * 2;
    auto *heap = new CTextRow[capacity];
    std::memcpy(heap, Data(), sizeof(CTextRow) * static_cast<std::size_t>(m_nSize));
    delete[] m_pHeap;
    m_pHeap = heap;
    m_nHeapCapacity = capacity;
}

CTextLine::CTextLine(const CTextLine &other)
    : m_Rows(other.m_Rows)
    , m_bStale(other.m_bStale)
{
    Append(other.GetData(), other.m_nLength);
}

CTextLine::CTextLine(CTextLine &&other) noexcept
{
    *this = std::move(other);
}

CTextLine &CTextLine::operator=(const CTextLine &other)
{
    if (this != &other) {
        CTextLine copy(other);
        *this = std::move(copy);
    }
    return *this;
}

CTextLine &CTextLine::operator=(CTextLine &&other) noexcept
{
    if (this == &other)
        return *this;
    if (m_nCapacity)
        delete[] m_pBuffer;
    m_pBuffer = std::exchange(other.m_pBuffer, nullptr);
    m_nCapacity = std::exchange(other.m_nCapacity, 0);
    m_nLength = std::exchange(other.m_nLength, 0);
    m_Rows = std::move(other.m_Rows);
    m_bStale = std::exchange(other.m_bStale, true);
    return *this;
}

void CTextLine::Reserve(long long needed)
{
    // Borrowed characters (capacity 0) are copied by the first change, all
    // of them, however little room the change asks for.
    if (m_nCapacity == 0 && needed < m_nLength)
        needed = m_nLength;
    if (needed <= m_nCapacity)
        return;
    const long long capacity = (needed / kGrowBy + 1) * kGrowBy;
    if (capacity > INT_MAX)
        throw std::length_error("paragraph longer than 2 GB");
    char *buffer = new char[static_cast<std::size_t>(capacity)];
    if (m_nLength > 0)
        std::memcpy(buffer, m_pBuffer, static_cast<std::size_t>(m_nLength));
    if (m_nCapacity)
        delete[] m_pBuffer;
    m_pBuffer = buffer;
    m_nCapacity = static_cast<int>(capacity);
}

void CTextLine::Insert(int offset, const char *text, int count)
{
    if (count <= 0)
        return;
    Reserve(static_cast<long long>(m_nLength) + count);
    std::memmove(m_pBuffer + offset + count, m_pBuffer + offset,
        static_cast<std::size_t>(m_nLength - offset));
    std::memcpy(m_pBuffer + offset, text, static_cast<std::size_t>(count));
    m_nLength += count;
}

void CTextLine::Remove(int offset, int count)
{
    if (count <= 0)
        return;
    if (m_nCapacity == 0)
        Reserve(m_nLength);
    std::memmove(m_pBuffer + offset, m_pBuffer + offset + count,
        static_cast<std::size_t>(m_nLength - offset - count));
    m_nLength -= count;
}

void CTextLine::Wrap(const CMeasureDC *dc, const CTextFont &font, int width)
{
    m_Rows.RemoveAll();
    m_bStale = false;
    const int n = m_nLength;
    if (n == 0) {
        m_Rows.Add({ 0, 0, 0 });
        return;
    }
    const auto *s = reinterpret_cast<const unsigned char *>(m_pBuffer);
    int start = 0;
    while (start < n) {
        int fit = FitChars(dc, font, width, m_pBuffer, start, n);
        if (fit <= start) {
            // Not even one character fits: give the row one anyway, so that
            // wrapping always ends.
            fit = font.IsLeadByte(s[start]) && start + 1 < n ? start + 2 : start + 1;
        }
        int end = fit;
        if (fit < n) {
            // Break after the last white space that fits; a word wider than
            // the row is broken where it overflows.
            int space = fit;
            while (space > start && !IsBreakSpace(s[space]))
                --space;
            if (space > start)
                end = space;
            while (end < fit && IsBreakSpace(s[end]))
                ++end;
        }
        m_Rows.Add({ start, end - start, end < n ? end - 1 : end });
        start = end;
    }
}
