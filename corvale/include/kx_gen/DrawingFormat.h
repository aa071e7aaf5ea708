#pragma once

#include "kx_gen/Export.h"
#include "kx_gen/Memory.h"

#include <cstddef>
#include <cstdint>

namespace kx_gen {

// The internal drawing format: how an item's drawing is stored in its outline
// record. Little-endian:
//   u8 format code (2), u32 width, u32 height, u32 size S of the pixel rows,
//   u8 bits per pixel, P colour-table entries (blue, green, red, 0),
//   u32 length C of the compressed rows, C bytes of CCompression output.
// The rows are the DIB's: bottom-up, each padded to 4 bytes. P is 2, 16 or
// 256 for 1, 4 or 8 bits per pixel and 0 otherwise.
constexpr uint8_t kDrawingFormatCode = 2;
// The bytes before the colour table.
constexpr std::size_t kDrawingHeaderSize = 14;

// The colour-table entries the format stores for a depth (P above).
KX_GEN_EXPORT uint32_t DrawingColorTableEntries(unsigned bitsPerPixel);

// Converts a DIB into a new block in the internal drawing format, or returns
// null when the DIB is malformed or the memory is not there. The DIB is left
// as it was; the caller frees the result. A compressed, top-down or bit-field
// DIB is stored as its plain equivalent; exactly P colour-table entries are
// stored (the DIB's first ones, padded with black).
KX_GEN_EXPORT HMEM ConvertDibToInternalFormat(HMEM dib);

// Converts drawing bytes back into a new DIB (40-byte header, P colours, the
// rows), or returns null when they are malformed: another format code, a
// depth other than 1, 4, 8, 16, 24 or 32, a zero or oversized width or
// height, a stored size smaller than the rows need, a compressed length
// beyond the bytes present, or compressed data that does not expand to
// exactly the stored size. The caller frees the result.
KX_GEN_EXPORT HMEM ConvertInternalFormatToDib(HMEM data);
KX_GEN_EXPORT HMEM ConvertInternalFormatToDib(const void *data, std::size_t size);

// The width and height recorded in drawing bytes; false when fewer than 9
// bytes are given or the format code is not 2.
KX_GEN_EXPORT bool GetDrawingFormatSize(
    const void *data, std::size_t size, uint32_t *width, uint32_t *height);

} // namespace kx_gen
