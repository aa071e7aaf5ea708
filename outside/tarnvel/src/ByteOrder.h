#pragma once

// Big-endian numbers in byte buffers, and a cursor that never reads past the
// end of what it was given.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tarnvel {

inline std::uint16_t getBE16(const std::uint8_t *p)
{
    return static_cast<std::uint16_t>(p[0] << 8 | p[1]);
}

inline std::uint32_t getBE24(const std::uint8_t *p)
{
    return std::uint32_t(p[0]) << 16 | std::uint32_t(p[1]) << 8 | p[2];
}

inline std::uint32_t getBE32(const std::uint8_t *p)
{
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

inline void putBE16(std::string &out, std::uint16_t v)
{
    out += static_cast<char>(v >> 8);
    out += static_cast<char>(v);
}

inline void putBE24(std::string &out, std::uint32_t v)
{
    out += static_cast<char>(v >> 16);
    out += static_cast<char>(v >> 8);
    out += static_cast<char>(v);
}

inline void putBE32(std::string &out, std::uint32_t v)
{
    putBE16(out, static_cast<std::uint16_t>(v >> 16));
    putBE16(out, static_cast<std::uint16_t>(v));
}

inline void setBE32(std::string &out, std::size_t at, std::uint32_t v)
{
    out[at] = static_cast<char>(v >> 24);
    out[at + 1] = static_cast<char>(v >> 16);
    out[at + 2] = static_cast<char>(v >> 8);
    out[at + 3] = static_cast<char>(v);
}

// Reads fields in order from a byte range. Each read first checks that the
// bytes are there; a read that is not possible leaves the cursor where it was
// and returns false.
class CByteCursor {
public:
    CByteCursor(const std::uint8_t *data, std::size_t size)
        : m_pData(data)
        , m_nSize(size)
    {
    }

    std::size_t Remaining() const { return m_nSize - m_nPos; }
    std::size_t Position() const { return m_nPos; }

    bool U8(std::uint8_t &v)
    {
        if (Remaining() < 1)
            return false;
        v = m_pData[m_nPos++];
        return true;
    }
    bool U16(std::uint16_t &v)
    {
        if (Remaining() < 2)
            return false;
        v = getBE16(m_pData + m_nPos);
        m_nPos += 2;
        return true;
    }
    bool U32(std::uint32_t &v)
    {
        if (Remaining() < 4)
            return false;
        v = getBE32(m_pData + m_nPos);
        m_nPos += 4;
        return true;
    }
    bool Bytes(std::size_t n, std::string &out)
    {
        if (Remaining() < n)
            return false;
        out.assign(reinterpret_cast<const char *>(m_pData + m_nPos), n);
        m_nPos += n;
        return true;
    }
    // A u16 length followed by that many bytes.
    bool Counted(std::string &out)
    {
        const std::size_t start = m_nPos;
        std::uint16_t n = 0;
        if (U16(n) && Bytes(n, out))
            return true;
        m_nPos = start;
        return false;
    }

private:
    const std::uint8_t *m_pData;
    std::size_t m_nSize;
    std::size_t m_nPos = 0;
};

} // namespace tarnvel
