#pragma once

// Small builders shared by the bitmap tests.

#include "kx_gen/DibTypes.h"
#include "kx_gen/DibUtil.h"
#include "kx_gen/Memory.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace dibtest {

using namespace kx_gen;

// The bytes of a DIB: a 40-byte header, `table` and `rows` (bottom-up).
inline std::vector<uint8_t> DibBytes(int width, int height, unsigned bits,
    const std::vector<RGBQUAD> &table, const std::vector<uint8_t> &rows,
    uint32_t compression = BI_RGB, uint32_t clrUsed = 0, uint32_t sizeImage = 0)
{
    BITMAPINFOHEADER h {};
    h.biSize = 40;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = uint16_t(bits);
    h.biCompression = compression;
    h.biSizeImage = sizeImage;
    h.biClrUsed = clrUsed;
    std::vector<uint8_t> out(sizeof h + table.size() * 4 + rows.size());
    std::memcpy(out.data(), &h, sizeof h);
    if (!table.empty())
        std::memcpy(out.data() + sizeof h, table.data(), table.size() * 4);
    if (!rows.empty())
        std::memcpy(out.data() + sizeof h + table.size() * 4, rows.data(), rows.size());
    return out;
}

inline HMEM ToBlock(const std::vector<uint8_t> &bytes)
{
    HMEM block = MemAlloc(bytes.size());
    std::memcpy(MemGetPtr(block), bytes.data(), bytes.size());
    MemReleasePtr(block);
    return block;
}

inline std::vector<uint8_t> FromBlock(HMEM block)
{
    const auto *p = static_cast<const uint8_t *>(MemGetPtr(block));
    std::vector<uint8_t> bytes(p, p + MemGetSize(block));
    MemReleasePtr(block);
    return bytes;
}

inline BITMAPINFOHEADER Header(HMEM block)
{
    BITMAPINFOHEADER h;
    std::memcpy(&h, MemGetPtr(block), sizeof h);
    MemReleasePtr(block);
    return h;
}

// A full grey-ramp table of `count` entries.
inline std::vector<RGBQUAD> GreyTable(unsigned count)
{
    std::vector<RGBQUAD> t(count);
    for (unsigned i = 0; i < count; ++i) {
        const uint8_t v = uint8_t(count > 1 ? i * 255 / (count - 1) : 0);
        t[i] = { v, v, v, 0 };
    }
    return t;
}

// Rows of a width x height DIB of `bits` filled with a repeatable pattern,
// padding bytes zero.
inline std::vector<uint8_t> PatternRows(int width, int height, unsigned bits, uint32_t seed = 1)
{
    const uint32_t stride = DIBWidthBytes(uint32_t(width), bits);
    std::vector<uint8_t> rows(std::size_t(stride) * height, 0);
    const std::size_t used = (std::size_t(width) * bits + 7) / 8;
    uint32_t state = seed;
    for (int y = 0; y < height; ++y)
        for (std::size_t i = 0; i < used; ++i) {
            state = state * 1103515245u + 12345u;
            // Runs and noise, as in a drawing.
            rows[y * stride + i] = uint8_t((i / 7 + y / 3) % 5 == 0 ? state >> 16 : 0xFF);
        }
    if (bits < 8 && (width * bits) % 8) {
        // Clear the bits past the last pixel, which no conversion keeps.
        const unsigned keep = (width * bits) % 8;
        for (int y = 0; y < height; ++y)
            rows[y * stride + used - 1] &= uint8_t(0xFF << (8 - keep));
    }
    return rows;
}

} // namespace dibtest
