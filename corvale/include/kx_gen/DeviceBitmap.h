#pragma once

#include "kx_gen/Export.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kx_gen {

// A device bitmap: a 32-bit image in top-down rows without padding, each pixel
// 0xAARRGGBB in the machine's order (B, G, R, A in memory), alpha always 0xFF.
// The program wraps Bits() in a QImage of format RGB32 without copying, for as
// long as the bitmap lives and is not resized. A default-constructed bitmap is
// null: that is what the conversions return on failure.
class KX_GEN_EXPORT CDeviceBitmap {
public:
    static constexpr uint32_t kOpaque = 0xFF000000u;
    // The largest width or height a device bitmap accepts.
    static constexpr int kMaxDimension = 32767;

    CDeviceBitmap() = default;

    // Makes a width x height bitmap filled with `fill` (alpha forced opaque).
    // Returns false, leaving the bitmap null, for a size outside
    // 1..kMaxDimension or when the memory is not there.
    bool Create(int width, int height, uint32_t fill = 0xFFFFFFFFu);
    void Reset();

    bool IsNull() const { return m_pixels.empty(); }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    std::size_t BytesPerLine() const { return std::size_t(m_width) * 4; }

    uint32_t *Bits() { return m_pixels.data(); }
    const uint32_t *Bits() const { return m_pixels.data(); }
    uint32_t *ScanLine(int y) { return m_pixels.data() + std::size_t(y) * m_width; }
    const uint32_t *ScanLine(int y) const { return m_pixels.data() + std::size_t(y) * m_width; }

    // Unchecked pixel access; the caller keeps x and y inside the bitmap.
    uint32_t Pixel(int x, int y) const { return ScanLine(y)[x]; }
    void SetPixel(int x, int y, uint32_t argb) { ScanLine(y)[x] = argb | kOpaque; }

    static constexpr uint32_t Rgb(uint8_t red, uint8_t green, uint8_t blue)
    {
        return kOpaque | (uint32_t(red) << 16) | (uint32_t(green) << 8) | blue;
    }
    static constexpr uint8_t Red(uint32_t argb) { return uint8_t(argb >> 16); }
    static constexpr uint8_t Green(uint32_t argb) { return uint8_t(argb >> 8); }
    static constexpr uint8_t Blue(uint32_t argb) { return uint8_t(argb); }

private:
    int m_width = 0;
    int m_height = 0;
    std::vector<uint32_t> m_pixels;
};

} // namespace kx_gen
