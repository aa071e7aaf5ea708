#include "kx_gen/DrawingFormat.h"

#include "DibInternal.h"
#include "kx_gen/Compression.h"
#include "kx_gen/DibUtil.h"

#include <algorithm>

namespace kx_gen {

using namespace dib;

namespace {

// One coder for every conversion, so that its work buffer is reused; one per
// thread, although conversions only run on the user-interface thread.
CCompression &SharedCoder()
{
    thread_local CCompression coder;
    return coder;
}

bool IsPlain(const DibView &v)
{
    return v.header.biCompression == BI_RGB && !v.topDown;
}

} // namespace

uint32_t DrawingColorTableEntries(unsigned bitsPerPixel)
{
    return FullColorTableEntries(bitsPerPixel);
}

HMEM ConvertDibToInternalFormat(HMEM dib)
{
    if (!dib)
        return nullptr;
    MemHolder plain;
    DibView v;
    {
        Locked lock(dib);
        if (!ParseDIB(lock.data(), lock.size(), v))
            return nullptr;
    }
    if (!IsPlain(v)) {
        plain.reset(ChangeDIBFormat(dib, 0, BI_RGB));
        if (!plain)
            return nullptr;
        Locked lock(plain.get());
        if (!ParseDIB(lock.data(), lock.size(), v) || !IsPlain(v))
            return nullptr;
    }
    Locked keep(plain ? plain.get() : dib);

    const unsigned bits = v.header.biBitCount;
    const uint32_t entries = DrawingColorTableEntries(bits);
    // The size is always derived from the dimensions: a stale or zero
    // image-size field must not decide how many bytes are read.
    const std::size_t imageSize = v.ImageBytes();
    const uint8_t *compressed = nullptr;
    std::size_t compressedLength = 0;
    if (!SharedCoder().Compress(v.bits, imageSize, &compressed, &compressedLength))
        return nullptr;
    if (compressedLength > UINT32_MAX)
        return nullptr;

    const std::size_t tableBytes = std::size_t(entries) * 4;
    HMEM block = MemAlloc(kDrawingHeaderSize + tableBytes + 4 + compressedLength);
    if (!block)
        return nullptr;
    Locked out(block);
    uint8_t *p = out.data();
    p[0] = kDrawingFormatCode;
    WriteU32(p + 1, uint32_t(v.width));
    WriteU32(p + 5, uint32_t(v.height));
    WriteU32(p + 9, uint32_t(imageSize));
    p[13] = uint8_t(bits);
    p += kDrawingHeaderSize;
    const uint32_t present = std::min(entries, v.numColors);
    std::memcpy(p, v.colors, std::size_t(present) * 4);
    p += tableBytes; // entries the DIB lacks stay zero: black
    WriteU32(p, uint32_t(compressedLength));
    std::memcpy(p + 4, compressed, compressedLength);
    return block;
}

HMEM ConvertInternalFormatToDib(const void *data, std::size_t size)
{
    if (!data || size < kDrawingHeaderSize)
        return nullptr;
    const auto *d = static_cast<const uint8_t *>(data);
    if (d[0] != kDrawingFormatCode)
        return nullptr;
    const uint32_t width = ReadU32(d + 1);
    const uint32_t height = ReadU32(d + 5);
    const uint32_t imageSize = ReadU32(d + 9);
    const unsigned bits = d[13];
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return nullptr;
    if (width == 0 || height == 0 || width > uint32_t(kMaxDimension)
        || height > uint32_t(kMaxDimension) || uint64_t(width) * height > kMaxDIBPixels)
        return nullptr;
    const uint64_t rowsSize = uint64_t(DIBWidthBytes(width, bits)) * height;
    if (imageSize < rowsSize)
        return nullptr;

    const std::size_t tableBytes = std::size_t(DrawingColorTableEntries(bits)) * 4;
    const std::size_t lengthAt = kDrawingHeaderSize + tableBytes;
    if (size < lengthAt + 4)
        return nullptr;
    const uint32_t compressedLength = ReadU32(d + lengthAt);
    if (compressedLength > size - lengthAt - 4)
        return nullptr;

    // Expanding no further than the stored size bounds the work to what the
    // bytes present can produce.
    const uint8_t *pixels = nullptr;
    std::size_t produced = 0;
    if (!SharedCoder().Decompress(d + lengthAt + 4, compressedLength, &pixels, &produced, imageSize)
        || produced != imageSize)
        return nullptr;

    BITMAPINFOHEADER h {};
    h.biSize = sizeof h;
    h.biWidth = int32_t(width);
    h.biHeight = int32_t(height);
    h.biPlanes = 1;
    h.biBitCount = uint16_t(bits);
    HMEM block = MemAlloc(sizeof h + tableBytes + imageSize);
    if (!block)
        return nullptr;
    Locked out(block);
    std::memcpy(out.data(), &h, sizeof h);
    std::memcpy(out.data() + sizeof h, d + kDrawingHeaderSize, tableBytes);
    std::memcpy(out.data() + sizeof h + tableBytes, pixels, imageSize);
    return block;
}

HMEM ConvertInternalFormatToDib(HMEM data)
{
    if (!data)
        return nullptr;
    Locked lock(data);
    return ConvertInternalFormatToDib(lock.data(), lock.size());
}

bool GetDrawingFormatSize(const void *data, std::size_t size, uint32_t *width, uint32_t *height)
{
    const auto *d = static_cast<const uint8_t *>(data);
    if (!d || size < 9 || d[0] != kDrawingFormatCode)
        return false;
    if (width)
        *width = ReadU32(d + 1);
    if (height)
        *height = ReadU32(d + 5);
    return true;
}

} // namespace kx_gen
