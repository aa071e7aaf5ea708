#pragma once

#include "kx_gen/DeviceBitmap.h"
#include "kx_gen/DibTypes.h"
#include "kx_gen/Export.h"
#include "kx_gen/Memory.h"
#include "kx_gen/Palette.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kx_gen {

class CFile;

// Utilities for device-independent bitmaps (DIBs) held in movable memory
// blocks: a BITMAPINFOHEADER, the colour table and the pixel rows (see
// DibTypes.h). Every block these functions return is new, belongs to the
// caller and is freed with MemFree; on any failure (a malformed DIB, an
// unsupported format, no memory) they return null and leave their inputs as
// they were. Functions taking an HMEM check the DIB with IsValidDIB first.

// The largest number of pixels the utilities create or decode (4096 x 4096,
// room for a screen shot); it keeps a small hostile header, a run-length
// compressed one above all, from asking for gigabytes.
constexpr uint64_t kMaxDIBPixels = uint64_t(1) << 24;

// True when the block holds a DIB these utilities can read: a header of at
// least 40 bytes, width 1..32767, a non-zero height of at most 32767 rows (top-down
// only when uncompressed), 1, 4, 8, 16, 24 or 32 bits per pixel, a
// compression that fits the depth, and a colour table and pixel rows that lie
// inside the block.
KX_GEN_EXPORT bool IsValidDIB(HMEM dib);

// The bytes of one row of `width` pixels of `bits` bits, padded to 4 bytes.
KX_GEN_EXPORT uint32_t DIBWidthBytes(uint32_t width, uint32_t bits);

// A new bottom-up BI_RGB DIB whose depth is `bits` rounded up to 1, 4, 8 or 24,
// with a full colour table for 8 bits or fewer; the colour table and the pixels
// are filled with 0xFF bytes. Null for a size outside 1..32767 or too many pixels.
KX_GEN_EXPORT HMEM CreateDIB(int width, int height, int bits);

// Pointer helpers for a locked DIB (`lpbi` points at its BITMAPINFOHEADER). They
// trust the header: use them on DIBs that passed IsValidDIB.
// The first byte of the pixel rows.
KX_GEN_EXPORT uint8_t *FindDIBBits(void *lpbi);
KX_GEN_EXPORT const uint8_t *FindDIBBits(const void *lpbi);
KX_GEN_EXPORT int32_t DIBWidth(const void *lpbi);
// The height as stored (negative for a top-down DIB).
KX_GEN_EXPORT int32_t DIBHeight(const void *lpbi);
// The entries of the colour table: biClrUsed when set, else 2, 16 or 256 by
// depth for 8 bits or fewer, else 0.
KX_GEN_EXPORT uint32_t DIBNumColors(const void *lpbi);
// The bytes between the header and the pixel rows: the colour table, plus the
// three colour masks of a BI_BITFIELDS DIB with a 40-byte header.
KX_GEN_EXPORT std::size_t PaletteSize(const void *lpbi);

// Fills `palette` with the DIB's colour table. False (palette emptied) when
// the DIB is invalid or has no colour table.
KX_GEN_EXPORT bool CreateDIBPalette(HMEM dib, CPalette *palette);

// The DIB as a device bitmap (null bitmap on failure). Colours come from the
// DIB's own colour table; `palette` is accepted for callers that pass the
// DIB's palette along and is not needed on this true-colour device.
KX_GEN_EXPORT CDeviceBitmap DIBToBitmap(HMEM dib, const CPalette *palette);
// A 24-bit DIB of the device bitmap; `palette` is not needed at 24 bits.
KX_GEN_EXPORT HMEM BitmapToDIB(const CDeviceBitmap &bitmap, const CPalette *palette);

// A copy of the DIB at another depth (`bits` 1, 4, 8, 16, 24 or 32; 0 keeps
// the depth) and compression (BI_RGB, BI_RLE4 with 4 bits, BI_RLE8 with 8
// bits; another pairing gives null). Reducing to 8 bits or fewer maps each
// pixel to the nearest colour of the DIB's own colour table when it has one
// that fits the depth, else to a default table (black and white; the 16
// standard colours; a colour table built from the image for 8 bits).
KX_GEN_EXPORT HMEM ChangeDIBFormat(HMEM dib, unsigned bits, uint32_t compression);
// A DIB of the device bitmap at the given depth and compression, as above;
// a palette of at most 2^bits entries becomes the colour table.
KX_GEN_EXPORT HMEM ChangeBitmapFormat(
    const CDeviceBitmap &bitmap, unsigned bits, uint32_t compression, const CPalette *palette);

// A new DIB of width x height with the DIB's depth and colour table holding the
// top-left part of the image; where the new size exceeds the image the
// pixels are 0xFF bytes. A compressed DIB is decompressed first.
KX_GEN_EXPORT HMEM ClipDIB(HMEM dib, int width, int height);
// A canvas of width x height filled with 0xFF bytes, with the colour table
// copied and the old image at its top-left (as many rows and row bytes as
// fit). Null when the DIB is already at least that large in both dimensions.
KX_GEN_EXPORT HMEM ResizeDIB(HMEM dib, int width, int height);
// A 24-bit DIB of width x height (each limited to the source's size) in which
// every pixel is the area-weighted mean of the source pixels that map onto
// it. Sources of any depth and compression are read.
KX_GEN_EXPORT HMEM ShrinkDIB(HMEM dib, int width, int height);

// A new block holding a copy of `block` (null for null or on failure).
KX_GEN_EXPORT HMEM CopyHandle(HMEM block);
// The colours of the display's hardware palette: 0, the device is true-colour.
KX_GEN_EXPORT int PalEntriesOnDevice();
// A zero-filled block for a DIB with this header: the header (biSizeImage
// filled in when 0), room for the colour table and the rows. Null when the
// header describes no DIB of these utilities.
KX_GEN_EXPORT HMEM AllocRoomForDIB(const BITMAPINFOHEADER &bi);

// Reads a bitmap file (BITMAPFILEHEADER, then a core, info, V4 or V5 header,
// colour table and rows at the file's pixel offset) from the file's current
// position to its end. The result always has a 40-byte BITMAPINFOHEADER.
// Null when the bytes are not a readable bitmap; file errors throw the
// file's exceptions.
KX_GEN_EXPORT HMEM ReadDIBFile(CFile &file);
// The same for a bitmap file held in memory (the clipboard's image/bmp).
KX_GEN_EXPORT HMEM ReadDIBMemory(const void *data, std::size_t size);
// Writes the DIB as a bitmap file: a BITMAPFILEHEADER, then the DIB's header,
// colour table and rows unchanged. False when the DIB is invalid; file errors
// throw the file's exceptions.
KX_GEN_EXPORT bool SaveDIB(HMEM dib, CFile &file);
// The bytes SaveDIB writes, appended to `out`. False when the DIB is invalid.
KX_GEN_EXPORT bool SaveDIBMemory(HMEM dib, std::vector<uint8_t> &out);

} // namespace kx_gen
