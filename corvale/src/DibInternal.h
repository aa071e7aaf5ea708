#pragma once

// Helpers shared by the DIB utilities, the drawing format and the handheld
// bitmap conversions. Not part of the library's interface.

#include "kx_gen/DeviceBitmap.h"
#include "kx_gen/DibTypes.h"
#include "kx_gen/Memory.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace kx_gen::dib {

constexpr int kMaxDimension = 32767;

inline uint32_t ReadU32(const uint8_t *p)
{
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}
inline uint16_t ReadU16(const uint8_t *p)
{
    uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
}
inline void WriteU32(uint8_t *p, uint32_t v)
{
    std::memcpy(p, &v, 4);
}

// The entries of a full colour table for 1, 4 and 8 bits a pixel; other
// depths have none.
inline uint32_t FullColorTableEntries(unsigned bitsPerPixel)
{
    switch (bitsPerPixel) {
    case 1:
        return 2;
    case 4:
        return 16;
    case 8:
        return 256;
    default:
        return 0;
    }
}

// A checked look at a DIB in memory.
struct DibView {
    BITMAPINFOHEADER header {};
    const uint8_t *base = nullptr; // the header
    const uint8_t *colors = nullptr; // the RGBQUAD table
    uint32_t numColors = 0;
    const uint8_t *bits = nullptr;
    std::size_t bitsSize = 0; // bytes of pixel data present for the image
    int width = 0;
    int height = 0; // rows, always positive
    bool topDown = false;
    uint32_t stride = 0; // bytes per uncompressed row
    uint32_t masks[3] = { 0, 0, 0 }; // red, green, blue for 16 and 32 bits

    std::size_t ImageBytes() const { return std::size_t(stride) * height; }
    bool Compressed() const
    {
        return header.biCompression == BI_RLE8 || header.biCompression == BI_RLE4;
    }
    // The memory row of image row y counted from the top (uncompressed only).
    const uint8_t *TopRow(int y) const
    {
        return bits + std::size_t(topDown ? y : height - 1 - y) * stride;
    }
};

// Checks a DIB of `size` bytes at `data` and fills `view`. False for anything
// the utilities cannot read safely.
bool ParseDIB(const void *data, std::size_t size, DibView &view);

// Locks a block for the lifetime of the object.
class Locked {
public:
    explicit Locked(HMEM block)
        : m_block(block)
        , m_data(static_cast<uint8_t *>(MemGetPtr(block)))
    {
    }
    ~Locked() { MemReleasePtr(m_block); }
    Locked(const Locked &) = delete;
    Locked &operator=(const Locked &) = delete;
    uint8_t *data() const { return m_data; }
    std::size_t size() const { return MemGetSize(m_block); }

private:
    HMEM m_block;
    uint8_t *m_data;
};

// Decodes every pixel to 0xFFRRGGBB, top-down rows of view.width pixels.
// Returns false when the memory is not there.
bool DecodeToRgb(const DibView &view, std::vector<uint32_t> &out);
// Expands a run-length compressed DIB into uncompressed bottom-up rows of
// view.stride bytes (pixels the runs do not reach stay 0).
bool ExpandRle(const DibView &view, std::vector<uint8_t> &out);

// Builds a bottom-up DIB of top-down 0x??RRGGBB pixels at the given depth and
// compression; depths of 8 bits or fewer map every pixel to the nearest entry
// of `table` (`count` entries, at most 2^bits). Null on failure.
HMEM EncodeDib(const uint32_t *pixels, int width, int height, unsigned bits, uint32_t compression,
    const RGBQUAD *table, uint32_t count);

// Maps colours to the nearest entry of a table, remembering recent answers.
class NearestColor {
public:
    NearestColor(const RGBQUAD *table, uint32_t count);
    uint32_t Index(uint32_t rgb);

private:
    struct Slot {
        uint32_t key = 0xFFFFFFFFu;
        uint32_t index = 0;
    };
    const RGBQUAD *m_table;
    uint32_t m_count;
    std::vector<Slot> m_cache;
};

} // namespace kx_gen::dib
