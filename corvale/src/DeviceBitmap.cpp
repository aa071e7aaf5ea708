#include "kx_gen/DeviceBitmap.h"

#include <new>

namespace kx_gen {

bool CDeviceBitmap::Create(int width, int height, uint32_t fill)
{
    Reset();
    if (width <= 0 || height <= 0 || width > kMaxDimension || height > kMaxDimension)
        return false;
    try {
        m_pixels.assign(std::size_t(width) * std::size_t(height), fill | kOpaque);
    } catch (const std::bad_alloc &) {
        return false;
    }
    m_width = width;
    m_height = height;
    return true;
}

void CDeviceBitmap::Reset()
{
    m_pixels.clear();
    m_pixels.shrink_to_fit();
    m_width = 0;
    m_height = 0;
}

} // namespace kx_gen
