#include "kx_gen/Compression.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>

namespace kx_gen {

namespace {

constexpr std::size_t kItemMax = 16;
constexpr std::size_t kMaxOffset = 4095;
// Inputs beyond this are stored: positions in the table are 32-bit.
constexpr std::size_t kMaxCompressible = 0x7FFFFFFF;

inline uint64_t Load64(const uint8_t *p)
{
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

// How many of the 16 bytes at `q` and `s` agree from the start (both readable).
inline std::size_t MatchLength(const uint8_t *q, const uint8_t *s)
{
    const uint64_t first = Load64(q) ^ Load64(s);
    if (first)
        return std::size_t(std::countr_zero(first)) / 8;
    const uint64_t second = Load64(q + 8) ^ Load64(s + 8);
    return second ? 8 + std::size_t(std::countr_zero(second)) / 8 : 16;
}

inline unsigned Hash(const uint8_t *p)
{
    const unsigned x = ((((unsigned(p[0]) << 4) ^ p[1]) << 4) ^ p[2]);
    return (uint16_t(40543u * x) >> 4) & 0xFFF;
}

} // namespace

CCompression::CCompression()
{
    std::memset(m_hash, 0, sizeof m_hash);
    Reserve(kGrowStep);
}

CCompression::~CCompression()
{
    std::free(m_pBuffer);
}

void CCompression::freeMem()
{
    std::free(m_pBuffer);
    m_pBuffer = nullptr;
    m_nBufferSize = 0;
}

bool CCompression::Reserve(std::size_t bytes)
{
    if (bytes <= m_nBufferSize && m_pBuffer)
        return true;
    if (bytes > SIZE_MAX - kGrowStep)
        return false;
    const std::size_t size = (bytes + kGrowStep - 1) / kGrowStep * kGrowStep;
    auto *buffer = static_cast<uint8_t *>(std::realloc(m_pBuffer, size ? size : kGrowStep));
    if (!buffer)
        return false;
    m_pBuffer = buffer;
    m_nBufferSize = size ? size : kGrowStep;
    return true;
}

bool CCompression::Store(
    const uint8_t *input, std::size_t length, const uint8_t **output, std::size_t *outputLength)
{
    if (length > SIZE_MAX - kHeaderSize || !Reserve(length + kHeaderSize))
        return false;
    m_pBuffer[0] = kFlagStored;
    m_pBuffer[1] = m_pBuffer[2] = m_pBuffer[3] = 0;
    if (length)
        std::memcpy(m_pBuffer + kHeaderSize, input, length);
    *output = m_pBuffer;
    *outputLength = length + kHeaderSize;
    return true;
}

bool CCompression::Compress(
    const void *input, std::size_t length, const uint8_t **output, std::size_t *outputLength)
{
    *output = nullptr;
    *outputLength = 0;
    const auto *src = static_cast<const uint8_t *>(input);
    if (length > kMaxCompressible)
        return Store(src, length, output, outputLength);
    if (!Reserve(length + 256))
        return false;

    if (m_nHashBase > UINT32_MAX - length - 1) {
        std::memset(m_hash, 0, sizeof m_hash);
        m_nHashBase = 1;
    }
    const uint32_t base = m_nHashBase;
    m_nHashBase += uint32_t(length) + 1;

    uint8_t *const first = m_pBuffer;
    uint8_t *const limit = first + length; // giving up once the output is longer
    uint8_t *dst = first;
    *dst++ = kFlagCompressed;
    *dst++ = 0;
    *dst++ = 0;
    *dst++ = 0;
    uint8_t *control = dst;
    dst += 2;
    unsigned controlWord = 0;
    unsigned controlBits = 0;

    // Groups of 16 items run without checks while more than 256 bytes
    // remain; after that one item at a time, and the last 16 bytes are literals.
    const std::size_t max16 = length > kItemMax * kItemMax ? length - kItemMax * kItemMax : 0;
    const std::size_t max1 = length > kItemMax ? length - kItemMax : 0;
    std::size_t p = 0;
    for (;;) {
        if (dst > limit)
            return Store(src, length, output, outputLength);
        unsigned unroll = kItemMax;
        if (p >= max16) {
            unroll = 1;
            if (p >= max1) {
                if (p == length)
                    break;
                *dst++ = src[p++];
                controlWord >>= 1;
                ++controlBits;
                unroll = 0;
            }
        }
        for (; unroll; --unroll) {
            const uint8_t *s = src + p;
            uint32_t &slot = m_hash[Hash(s)];
            const uint32_t previous = slot;
            slot = base + uint32_t(p);
            const std::size_t offset
                = previous >= base ? std::size_t(base + uint32_t(p) - previous) : 0;
            // At least 16 bytes follow p here, so the match is measured 8
            // bytes at a time.
            std::size_t len = 0;
            if (offset && offset <= kMaxOffset)
                len = MatchLength(s - offset, s);
            if (len >= 3) {
                *dst++ = uint8_t(((offset >> 8) << 4) | (len - 1));
                *dst++ = uint8_t(offset);
                p += len;
                controlWord = (controlWord >> 1) | 0x8000;
            } else {
                *dst++ = *s;
                ++p;
                controlWord >>= 1;
            }
            ++controlBits;
        }
        if (controlBits == kItemMax) {
            control[0] = uint8_t(controlWord);
            control[1] = uint8_t(controlWord >> 8);
            control = dst;
            dst += 2;
            controlWord = 0;
            controlBits = 0;
        }
    }
    controlWord >>= kItemMax - controlBits;
    control[0] = uint8_t(controlWord);
    control[1] = uint8_t(controlWord >> 8);
    if (control + 2 == dst)
        dst -= 2;
    *output = first;
    *outputLength = std::size_t(dst - first);
    return true;
}

bool CCompression::Decompress(const void *input, std::size_t length, const uint8_t **output,
    std::size_t *outputLength, std::size_t maxOutput)
{
    *output = nullptr;
    *outputLength = 0;
    const auto *src = static_cast<const uint8_t *>(input);
    if (!src || length < kHeaderSize)
        return false;
    if (src[0] == kFlagStored) {
        if (length - kHeaderSize > maxOutput)
            return false;
        if (!Reserve(length - kHeaderSize))
            return false;
        std::memcpy(m_pBuffer, src + kHeaderSize, length - kHeaderSize);
        *output = m_pBuffer;
        *outputLength = length - kHeaderSize;
        return true;
    }
    if (src[0] != kFlagCompressed)
        return false;

    // A group yields at most 16 x 16 bytes; copies may write up to 16 bytes
    // past their end, which the next items overwrite.
    constexpr std::size_t kGroupOutput = kItemMax * kItemMax;
    constexpr std::size_t kSlack = kItemMax;
    std::size_t i = kHeaderSize;
    std::size_t o = 0;
    while (i < length) {
        if (length - i < 2)
            return false;
        unsigned controlWord = unsigned(src[i]) | (unsigned(src[i + 1]) << 8);
        i += 2;
        if (o > SIZE_MAX - kGroupOutput - kSlack || !Reserve(o + kGroupOutput + kSlack))
            return false;
        uint8_t *dst = m_pBuffer;

        if (length - i >= 3 * kItemMax && maxOutput >= o && maxOutput - o >= kGroupOutput) {
            // The whole group lies inside the input with 16 bytes to spare
            // and fits the output, so runs of literals move 16 bytes at once.
            unsigned k = 0;
            while (k < kItemMax) {
                const unsigned literals
                    = std::min<unsigned>(std::countr_zero(controlWord | 0x10000u), kItemMax - k);
                if (literals) {
                    std::memcpy(dst + o, src + i, kItemMax);
                    o += literals;
                    i += literals;
                    k += literals;
                    controlWord >>= literals;
                    continue;
                }
                const unsigned b0 = src[i], b1 = src[i + 1];
                i += 2;
                const std::size_t offset = ((b0 & 0xF0u) << 4) | b1;
                const std::size_t len = (b0 & 0x0Fu) + 1;
                if (offset == 0 || offset > o)
                    return false;
                uint8_t *d = dst + o;
                const uint8_t *from = d - offset;
                if (offset >= kItemMax)
                    std::memcpy(d, from, kItemMax);
                else if (offset == 1)
                    std::memset(d, *from, kItemMax);
                else
                    for (std::size_t n = 0; n < len; ++n)
                        d[n] = from[n];
                o += len;
                ++k;
                controlWord >>= 1;
            }
            continue;
        }

        for (unsigned k = 0; k < kItemMax && i < length; ++k, controlWord >>= 1) {
            if (controlWord & 1) {
                if (length - i < 2)
                    return false;
                const unsigned b0 = src[i], b1 = src[i + 1];
                i += 2;
                const std::size_t offset = ((b0 & 0xF0u) << 4) | b1;
                const std::size_t len = (b0 & 0x0Fu) + 1;
                if (offset == 0 || offset > o || o > maxOutput || len > maxOutput - o)
                    return false;
                uint8_t *d = dst + o;
                const uint8_t *s = d - offset;
                for (std::size_t n = 0; n < len; ++n)
                    d[n] = s[n];
                o += len;
            } else {
                if (o >= maxOutput)
                    return false;
                dst[o++] = src[i++];
            }
        }
    }
    *output = m_pBuffer;
    *outputLength = o;
    return true;
}

} // namespace kx_gen
