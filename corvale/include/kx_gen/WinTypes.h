#pragma once

// Plain structures with the byte layout of the Windows structures that the
// outline file stores or that the program exchanges with the library. They
// carry values only; the program converts them to its toolkit's types.

#include <cstdint>

namespace kx_gen {

// A colour as 0x00bbggrr.
using COLORREF = std::uint32_t;

constexpr COLORREF RGB(std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    return COLORREF(r) | (COLORREF(g) << 8) | (COLORREF(b) << 16);
}

struct POINT {
    std::int32_t x = 0;
    std::int32_t y = 0;
};
static_assert(sizeof(POINT) == 8);

struct RECT {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
};
static_assert(sizeof(RECT) == 16);

// Where a window lies when normal, minimised and maximised, and how it shows.
struct WINDOWPLACEMENT {
    std::uint32_t length = sizeof(WINDOWPLACEMENT); // always 44
    std::uint32_t flags = 0;
    std::uint32_t showCmd = 0;
    POINT ptMinPosition;
    POINT ptMaxPosition;
    RECT rcNormalPosition;
};
static_assert(sizeof(WINDOWPLACEMENT) == 44);

// Bytes of a font's face name, terminator included.
constexpr int LF_FACESIZE = 32;

// A logical font: the 8-bit variant, with a face name of at most 31 bytes.
struct LOGFONT {
    std::int32_t lfHeight = 0;
    std::int32_t lfWidth = 0;
    std::int32_t lfEscapement = 0;
    std::int32_t lfOrientation = 0;
    std::int32_t lfWeight = 0;
    std::uint8_t lfItalic = 0;
    std::uint8_t lfUnderline = 0;
    std::uint8_t lfStrikeOut = 0;
    std::uint8_t lfCharSet = 0;
    std::uint8_t lfOutPrecision = 0;
    std::uint8_t lfClipPrecision = 0;
    std::uint8_t lfQuality = 0;
    std::uint8_t lfPitchAndFamily = 0;
    char lfFaceName[LF_FACESIZE] = {};
};
static_assert(sizeof(LOGFONT) == 60);

} // namespace kx_gen
