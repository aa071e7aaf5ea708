#pragma once

#include "kx_gen/Export.h"
#include "kx_gen/Memory.h"
#include "kx_gen/Palette.h"

namespace kx_gen {

// A width and a height in pixels.
struct DibSize {
    int cx = 0;
    int cy = 0;
};

// Holds one DIB with its palette and size, and loads and saves it as a bitmap
// file. The holder owns the DIB until DetachDib.
class KX_GEN_EXPORT CDib {
public:
    CDib() = default;
    ~CDib();
    CDib(const CDib &) = delete;
    CDib &operator=(const CDib &) = delete;

    // Reads the bitmap file at `path` (opened read-only, denying others
    // writing) and holds it. Throws CFileException when the file cannot be
    // opened or read, CDBException message 23 "Cannot load DIB" when it holds
    // no readable bitmap, and what InitDIBData throws. The DIB held before is
    // kept on failure.
    void LoadDIBFile(const char *path);
    // Writes the DIB as a bitmap file at `path` (created, or truncated, and
    // opened exclusively). False when there is no valid DIB or the file cannot
    // be opened; an error while writing throws CFileException.
    bool SaveDIBFile(const char *path);

    // Frees the DIB held and holds `dib` instead (null holds none). Call
    // InitDIBData afterwards to measure it.
    void ReplaceHDIB(HMEM dib);
    // Hands the DIB to the caller and holds none.
    HMEM DetachDib();
    HMEM GetHDIB() const { return m_hDIB; }
    // The DIB's palette (empty for a DIB without a colour table).
    CPalette *GetPalette() { return &m_palDIB; }
    DibSize GetSize() const { return m_sizeDoc; }

    // Measures the DIB and builds its palette. A DIB with a negative width or
    // height is freed and CDBException message 22 "The image is too big" is
    // thrown; any other malformed DIB is freed and message 23 thrown.
    void InitDIBData();

private:
    HMEM m_hDIB = nullptr;
    CPalette m_palDIB;
    DibSize m_sizeDoc;
};

} // namespace kx_gen
