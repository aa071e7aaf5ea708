#pragma once

#include "kx_gen/DibTypes.h"
#include "kx_gen/Export.h"
#include "kx_gen/Memory.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace kx_gen {

// One colour of a handheld palette.
struct PalmRGB {
    int32_t red;
    int32_t green;
    int32_t blue;
};

// Conversions between handheld bitmap pixel data and DIBs. Handheld rows are
// top-down, each BMP_CbRow(width, bits, alignment) bytes long, with the
// leftmost pixel in the most significant bits of a byte; they index one of
// the handheld palettes below.
class KX_GEN_EXPORT CPalmBmp {
public:
    // Targets of ConvertWindowsBitmap.
    enum Target {
        kTarget1bpp = 0, // black and white
        kTarget2bpp = 1, // four greys
        kTarget4bppGrey = 2, // sixteen greys
        kTarget4bppColor = 3, // sixteen colours
        kTarget8bpp = 4, // the 256-colour system palette
    };

    // White, black.
    static const std::array<PalmRGB, 2> PalmPalette1bpp;
    // White, light grey, dark grey, black; the other 12 slots black.
    static const std::array<PalmRGB, 16> PalmPalette2bpp;
    // Greys from white to black in steps of 17.
    static const std::array<PalmRGB, 16> PalmPalette4bpp;
    static const std::array<PalmRGB, 16> PalmPalette4bppColor;
    // The 6-level colour cube without black, ten greys, five extra colours
    // and black for the rest.
    static const std::array<PalmRGB, 256> PalmPalette8bpp;

    // Makes a new DIB of handheld rows (`height` rows of BMP_CbRow(width,
    // bitsPerPixel, rowAlignment) bytes at `bits`). 2-bit pixels become 4-bit
    // ones of the same value; the other depths are kept. The DIB gets the grey
    // palette of its depth (the system palette at 8 bits), 2^depth colours
    // used, and the rows in the same order (the caller flips them with
    // FlipBitmap where needed). False, with *dib untouched, for a depth other
    // than 1, 2, 4 or 8, a bad size or alignment, or no memory.
    static bool ConvertPalmBitmap(
        const uint8_t *bits, int height, int width, int bitsPerPixel, int rowAlignment, HMEM *dib);

    // Converts a DIB of 1, 4, 8, 16, 24 or 32 bits to handheld rows for a
    // target (see Target), each pixel the nearest palette entry. `*bits`
    // receives a new block of height x BMP_CbRow(width, target bits,
    // rowAlignment) bytes, top-down; the caller frees it. False for an invalid
    // DIB, an unknown target or alignment, or no memory.
    static bool ConvertWindowsBitmap(HMEM dib, HMEM *bits, int target, int rowAlignment);

    // Fills `table` with the handheld palette of a depth: 2 entries for 1 bit,
    // 16 for 2 bits (the four greys, then black), 16 for 4 bits (the colour
    // palette when `color`, else the greys), 256 for 8 bits. Returns the
    // entries written, 0 for another depth.
    static int SetPalette(RGBQUAD *table, int bitsPerPixel, bool color);

    // Reverses the order of the rows of `rowSize` bytes in `totalSize` bytes.
    static void FlipBitmap(uint8_t *rows, std::size_t rowSize, std::size_t totalSize);

    // Widens 2-bit rows to 4-bit rows, each pixel keeping its value.
    static void Convert2to4bits(const uint8_t *src, std::size_t srcRowBytes, uint8_t *dst,
        std::size_t dstRowBytes, int width, int height);

    // The bytes of a row of `width` pixels of `bits` bits, rounded up to a
    // multiple of `alignment` bits (8, 16, 32 ...).
    static uint32_t BMP_CbRow(uint32_t width, uint32_t bits, uint32_t alignment);

    // Pixel `x` of a row. 24-bit pixels read as 0x00RRGGBB (blue first in
    // memory); 16- and 32-bit ones as the little-endian value.
    static uint32_t BMP_GetBits1bpp(const uint8_t *row, int x);
    static uint32_t BMP_GetBits2bpp(const uint8_t *row, int x);
    static uint32_t BMP_GetBits4bpp(const uint8_t *row, int x);
    static uint32_t BMP_GetBits8bpp(const uint8_t *row, int x);
    static uint32_t BMP_GetBits16bpp(const uint8_t *row, int x);
    static uint32_t BMP_GetBits24bpp(const uint8_t *row, int x);
    static uint32_t BMP_GetBits32bpp(const uint8_t *row, int x);
    static void BMP_SetBits1bpp(uint8_t *row, int x, uint32_t value);
    static void BMP_SetBits2bpp(uint8_t *row, int x, uint32_t value);
    static void BMP_SetBits4bpp(uint8_t *row, int x, uint32_t value);
    static void BMP_SetBits8bpp(uint8_t *row, int x, uint32_t value);
    static void BMP_SetBits16bpp(uint8_t *row, int x, uint32_t value);
    static void BMP_SetBits24bpp(uint8_t *row, int x, uint32_t value);
    static void BMP_SetBits32bpp(uint8_t *row, int x, uint32_t value);

    // The palette entry nearest to the colour (smallest squared distance; the
    // lowest index among equals).
    static int BMP_RGBToColorIndex(int red, int green, int blue, const PalmRGB *palette, int count);
};

} // namespace kx_gen
