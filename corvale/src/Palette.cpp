#include "kx_gen/Palette.h"

namespace kx_gen {

std::size_t CPalette::GetNearestPaletteIndex(uint8_t red, uint8_t green, uint8_t blue) const
{
    std::size_t best = 0;
    int bestDistance = 0x7FFFFFFF;
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        const int dr = int(red) - m_entries[i].peRed;
        const int dg = int(green) - m_entries[i].peGreen;
        const int db = int(blue) - m_entries[i].peBlue;
        const int d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

} // namespace kx_gen
