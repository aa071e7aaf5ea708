#pragma once

#include "kx_gen/DibTypes.h"
#include "kx_gen/Export.h"

#include <cstddef>
#include <vector>

namespace kx_gen {

// A logical palette: an ordered table of colours. Bitmaps of 8 bits or fewer
// per pixel are reduced to a palette; the drawing editor shows it.
class KX_GEN_EXPORT CPalette {
public:
    CPalette() = default;
    CPalette(const PALETTEENTRY *entries, std::size_t count) { CreatePalette(entries, count); }

    // Replaces the table by a copy of `count` entries.
    void CreatePalette(const PALETTEENTRY *entries, std::size_t count)
    {
        m_entries.assign(entries, entries + count);
    }
    void DeleteObject() { m_entries.clear(); }
    bool IsEmpty() const { return m_entries.empty(); }

    std::size_t GetEntryCount() const { return m_entries.size(); }
    const PALETTEENTRY *GetEntries() const { return m_entries.data(); }
    const PALETTEENTRY &operator[](std::size_t index) const { return m_entries[index]; }

    // The index of the entry nearest to the colour (smallest squared
    // distance; the lowest index among equals), 0 for an empty palette.
    std::size_t GetNearestPaletteIndex(uint8_t red, uint8_t green, uint8_t blue) const;

private:
    std::vector<PALETTEENTRY> m_entries;
};

} // namespace kx_gen
