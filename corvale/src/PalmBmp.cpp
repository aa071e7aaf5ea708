#include "kx_gen/PalmBmp.h"

#include "DibInternal.h"
#include "kx_gen/DibUtil.h"

#include <algorithm>
#include <bit>
#include <vector>

namespace kx_gen {

using namespace dib;

namespace {

constexpr std::array<PalmRGB, 16> MakeGrey4bpp()
{
    std::array<PalmRGB, 16> p {};
    for (int i = 0; i < 16; ++i)
        p[i] = { 255 - 17 * i, 255 - 17 * i, 255 - 17 * i };
    return p;
}

constexpr std::array<PalmRGB, 256> MakeSystem8bpp()
{
    std::array<PalmRGB, 256> p {};
    // The colour cube without black: two halves of 108 and 107 entries,
    // blue starting at 255 in the first and at 102 in the second.
    for (int i = 0; i <= 214; ++i) {
        const bool first = i < 108;
        const int j = first ? i : i - 108;
        const int blue0 = first ? 255 : 102;
        p[i] = { 255 - 51 * (j / 18), 255 - 51 * (j % 6), blue0 - 51 * ((j / 6) % 3) };
    }
    constexpr int greys[10] = { 17, 34, 68, 85, 119, 136, 170, 187, 221, 238 };
    for (int i = 0; i < 10; ++i)
        p[215 + i] = { greys[i], greys[i], greys[i] };
    p[225] = { 192, 192, 192 };
    p[226] = { 128, 0, 0 };
    p[227] = { 128, 0, 128 };
    p[228] = { 0, 128, 0 };
    p[229] = { 0, 128, 128 };
    for (int i = 230; i < 256; ++i)
        p[i] = { 0, 0, 0 };
    return p;
}

bool IsAlignment(int alignment)
{
    return alignment >= 8 && alignment <= 256 && std::has_single_bit(unsigned(alignment));
}

RGBQUAD ToQuad(const PalmRGB &c)
{
    return { uint8_t(c.blue), uint8_t(c.green), uint8_t(c.red), 0 };
}

} // namespace

const std::array<PalmRGB, 2> CPalmBmp::PalmPalette1bpp = { { { 255, 255, 255 }, { 0, 0, 0 } } };

const std::array<PalmRGB, 16> CPalmBmp::PalmPalette2bpp = { {
    { 255, 255, 255 },
    { 192, 192, 192 },
    { 128, 128, 128 },
    { 0, 0, 0 },
    { 0, 0, 0 },
    { 0, 0, 0 },
    { 0, 0, 0 },
    { 0, 0, 0 },
    { 0, 0, 0 },
    { 0, 0, 0 },
    { 0, 0, 0 },
    { 0, 0, 0 },
    { 0, 0, 0 },
    { 0, 0, 0 },
    { 0, 0, 0 },
    { 0, 0, 0 },
} };

const std::array<PalmRGB, 16> CPalmBmp::PalmPalette4bpp = MakeGrey4bpp();

const std::array<PalmRGB, 16> CPalmBmp::PalmPalette4bppColor = { {
    { 255, 255, 255 },
    { 128, 128, 128 },
    { 128, 0, 0 },
    { 128, 128, 0 },
    { 0, 128, 0 },
    { 0, 128, 128 },
    { 0, 0, 128 },
    { 128, 0, 128 },
    { 255, 0, 255 },
    { 192, 192, 192 },
    { 255, 0, 0 },
    { 255, 255, 0 },
    { 0, 255, 0 },
    { 0, 255, 255 },
    { 0, 0, 255 },
    { 0, 0, 0 },
} };

const std::array<PalmRGB, 256> CPalmBmp::PalmPalette8bpp = MakeSystem8bpp();

uint32_t CPalmBmp::BMP_CbRow(uint32_t width, uint32_t bits, uint32_t alignment)
{
    if (alignment < 8)
        alignment = 8;
    const uint64_t bytes = (uint64_t(width) * bits + alignment - 1) >> 3;
    return uint32_t(bytes & ~uint64_t((alignment >> 3) - 1));
}

uint32_t CPalmBmp::BMP_GetBits1bpp(const uint8_t *row, int x)
{
    return (row[x >> 3] >> (7 - (x & 7))) & 1;
}

uint32_t CPalmBmp::BMP_GetBits2bpp(const uint8_t *row, int x)
{
    return (row[x >> 2] >> (6 - 2 * (x & 3))) & 3;
}

uint32_t CPalmBmp::BMP_GetBits4bpp(const uint8_t *row, int x)
{
    return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15;
}

uint32_t CPalmBmp::BMP_GetBits8bpp(const uint8_t *row, int x)
{
    return row[x];
}

uint32_t CPalmBmp::BMP_GetBits16bpp(const uint8_t *row, int x)
{
    return ReadU16(row + 2 * std::size_t(x));
}

uint32_t CPalmBmp::BMP_GetBits24bpp(const uint8_t *row, int x)
{
    const uint8_t *p = row + 3 * std::size_t(x);
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16);
}

uint32_t CPalmBmp::BMP_GetBits32bpp(const uint8_t *row, int x)
{
    return ReadU32(row + 4 * std::size_t(x));
}

void CPalmBmp::BMP_SetBits1bpp(uint8_t *row, int x, uint32_t value)
{
    const int shift = 7 - (x & 7);
    row[x >> 3] = uint8_t((row[x >> 3] & ~(1 << shift)) | ((value & 1) << shift));
}

void CPalmBmp::BMP_SetBits2bpp(uint8_t *row, int x, uint32_t value)
{
    const int shift = 6 - 2 * (x & 3);
    row[x >> 2] = uint8_t((row[x >> 2] & ~(3 << shift)) | ((value & 3) << shift));
}

void CPalmBmp::BMP_SetBits4bpp(uint8_t *row, int x, uint32_t value)
{
    const int shift = (x & 1) ? 0 : 4;
    row[x >> 1] = uint8_t((row[x >> 1] & ~(15 << shift)) | ((value & 15) << shift));
}

void CPalmBmp::BMP_SetBits8bpp(uint8_t *row, int x, uint32_t value)
{
    row[x] = uint8_t(value);
}

void CPalmBmp::BMP_SetBits16bpp(uint8_t *row, int x, uint32_t value)
{
    const uint16_t v = uint16_t(value);
    std::memcpy(row + 2 * std::size_t(x), &v, 2);
}

void CPalmBmp::BMP_SetBits24bpp(uint8_t *row, int x, uint32_t value)
{
    uint8_t *p = row + 3 * std::size_t(x);
    p[0] = uint8_t(value);
    p[1] = uint8_t(value >> 8);
    p[2] = uint8_t(value >> 16);
}

void CPalmBmp::BMP_SetBits32bpp(uint8_t *row, int x, uint32_t value)
{
    WriteU32(row + 4 * std::size_t(x), value);
}

int CPalmBmp::BMP_RGBToColorIndex(int red, int green, int blue, const PalmRGB *palette, int count)
{
    int best = 0;
    long long bestDistance = -1;
    for (int i = 0; i < count; ++i) {
        const long long dr = red - palette[i].red, dg = green - palette[i].green,
                        db = blue - palette[i].blue;
        const long long d = dr * dr + dg * dg + db * db;
        if (bestDistance < 0 || d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

int CPalmBmp::SetPalette(RGBQUAD *table, int bitsPerPixel, bool color)
{
    const PalmRGB *source = nullptr;
    int count = 0;
    switch (bitsPerPixel) {
    case 1:
        source = PalmPalette1bpp.data();
        count = 2;
        break;
    case 2:
        source = PalmPalette2bpp.data();
        count = 16;
        break;
    case 4:
        source = color ? PalmPalette4bppColor.data() : PalmPalette4bpp.data();
        count = 16;
        break;
    case 8:
        source = PalmPalette8bpp.data();
        count = 256;
        break;
    default:
        return 0;
    }
    for (int i = 0; i < count; ++i)
        table[i] = ToQuad(source[i]);
    return count;
}

void CPalmBmp::FlipBitmap(uint8_t *rows, std::size_t rowSize, std::size_t totalSize)
{
    if (!rows || rowSize == 0)
        return;
    const std::size_t count = totalSize / rowSize;
    for (std::size_t top = 0, bottom = count; top + 1 < bottom; ++top, --bottom)
        std::swap_ranges(
            rows + top * rowSize, rows + (top + 1) * rowSize, rows + (bottom - 1) * rowSize);
}

void CPalmBmp::Convert2to4bits(const uint8_t *src, std::size_t srcRowBytes, uint8_t *dst,
    std::size_t dstRowBytes, int width, int height)
{
    for (int y = 0; y < height; ++y) {
        const uint8_t *in = src + std::size_t(y) * srcRowBytes;
        uint8_t *out = dst + std::size_t(y) * dstRowBytes;
        for (int x = 0; x < width; ++x)
            BMP_SetBits4bpp(out, x, BMP_GetBits2bpp(in, x));
    }
}

bool CPalmBmp::ConvertPalmBitmap(
    const uint8_t *bits, int height, int width, int bitsPerPixel, int rowAlignment, HMEM *dib)
{
    if (!bits || !dib || !IsAlignment(rowAlignment))
        return false;
    if (bitsPerPixel != 1 && bitsPerPixel != 2 && bitsPerPixel != 4 && bitsPerPixel != 8)
        return false;
    if (width <= 0 || height <= 0 || width > kMaxDimension || height > kMaxDimension
        || uint64_t(width) * uint64_t(height) > kMaxDIBPixels)
        return false;

    const unsigned depth = bitsPerPixel == 2 ? 4 : unsigned(bitsPerPixel);
    const uint32_t colors = 1u << depth;
    const uint32_t srcRow
        = BMP_CbRow(uint32_t(width), uint32_t(bitsPerPixel), uint32_t(rowAlignment));
    const uint32_t dstRow = DIBWidthBytes(uint32_t(width), depth);

    BITMAPINFOHEADER h {};
    h.biSize = sizeof h;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = uint16_t(depth);
    h.biCompression = BI_RGB;
    h.biSizeImage = dstRow * uint32_t(height);
    h.biClrUsed = colors;
    HMEM block = MemAlloc(sizeof h + std::size_t(colors) * 4 + h.biSizeImage);
    if (!block)
        return false;
    {
        Locked out(block);
        std::memcpy(out.data(), &h, sizeof h);
        auto *table = reinterpret_cast<RGBQUAD *>(out.data() + sizeof h);
        SetPalette(table, bitsPerPixel, false);
        uint8_t *rows = out.data() + sizeof h + std::size_t(colors) * 4;
        if (bitsPerPixel == 2) {
            Convert2to4bits(bits, srcRow, rows, dstRow, width, height);
        } else {
            const std::size_t copy = std::min(srcRow, dstRow);
            for (int y = 0; y < height; ++y)
                std::memcpy(rows + std::size_t(y) * dstRow, bits + std::size_t(y) * srcRow, copy);
        }
    }
    *dib = block;
    return true;
}

bool CPalmBmp::ConvertWindowsBitmap(HMEM dib, HMEM *bits, int target, int rowAlignment)
{
    if (!dib || !bits || !IsAlignment(rowAlignment))
        return false;
    const PalmRGB *palette = nullptr;
    int count = 0;
    unsigned depth = 0;
    switch (target) {
    case kTarget1bpp:
        palette = PalmPalette1bpp.data(), count = 2, depth = 1;
        break;
    case kTarget2bpp:
        palette = PalmPalette2bpp.data(), count = 4, depth = 2;
        break;
    case kTarget4bppGrey:
        palette = PalmPalette4bpp.data(), count = 16, depth = 4;
        break;
    case kTarget4bppColor:
        palette = PalmPalette4bppColor.data(), count = 16, depth = 4;
        break;
    case kTarget8bpp:
        palette = PalmPalette8bpp.data(), count = 256, depth = 8;
        break;
    default:
        return false;
    }

    DibView v;
    std::vector<uint32_t> pixels;
    {
        Locked lock(dib);
        if (!ParseDIB(lock.data(), lock.size(), v) || !DecodeToRgb(v, pixels))
            return false;
    }
    const uint32_t rowBytes = BMP_CbRow(uint32_t(v.width), depth, uint32_t(rowAlignment));
    HMEM block = MemAlloc(std::size_t(rowBytes) * v.height);
    if (!block)
        return false;
    {
        Locked out(block);
        std::vector<RGBQUAD> quads(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i)
            quads[std::size_t(i)] = ToQuad(palette[i]);
        NearestColor nearest(quads.data(), uint32_t(count));
        for (int y = 0; y < v.height; ++y) {
            uint8_t *row = out.data() + std::size_t(y) * rowBytes;
            const uint32_t *line = pixels.data() + std::size_t(y) * v.width;
            for (int x = 0; x < v.width; ++x) {
                // The buffer starts zeroed, so each index is OR-ed into place.
                const uint32_t index = nearest.Index(line[x]);
                switch (depth) {
                case 1:
                    row[x >> 3] |= uint8_t(index << (7 - (x & 7)));
                    break;
                case 2:
                    row[x >> 2] |= uint8_t(index << (6 - 2 * (x & 3)));
                    break;
                case 4:
                    row[x >> 1] |= uint8_t(index << ((x & 1) ? 0 : 4));
                    break;
                default:
                    row[x] = uint8_t(index);
                    break;
                }
            }
        }
    }
    *bits = block;
    return true;
}

} // namespace kx_gen
