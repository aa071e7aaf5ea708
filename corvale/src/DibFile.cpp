#include "kx_gen/DibUtil.h"

#include "DibInternal.h"
#include "kx_gen/File.h"

#include <algorithm>
#include <new>

namespace kx_gen {

using namespace dib;

namespace {

constexpr std::size_t kFileHeaderSize = sizeof(BITMAPFILEHEADER);
constexpr uint32_t kCoreHeaderSize = sizeof(BITMAPCOREHEADER);

// The largest bitmap file read: the largest image at 32 bits with room for
// headers and a colour table.
constexpr uint64_t kMaxBitmapFileSize = kMaxDIBPixels * 4 + 4096;

bool IsKnownHeaderSize(uint32_t size)
{
    // Core, info, the two extended info headers, V4 and V5.
    return size == 12 || size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

} // namespace

HMEM ReadDIBMemory(const void *data, std::size_t size)
{
    if (!data || size < kFileHeaderSize + kCoreHeaderSize)
        return nullptr;
    const auto *file = static_cast<const uint8_t *>(data);
    BITMAPFILEHEADER fh;
    std::memcpy(&fh, file, sizeof fh);
    if (fh.bfType != kBitmapFileType)
        return nullptr;
    const uint32_t headerSize = ReadU32(file + kFileHeaderSize);
    if (!IsKnownHeaderSize(headerSize) || headerSize > size - kFileHeaderSize)
        return nullptr;
    const uint8_t *header = file + kFileHeaderSize;

    // Everything is brought to a 40-byte info header, the form the rest of the
    // library works with.
    BITMAPINFOHEADER bi {};
    std::size_t tableEntries = 0;
    std::size_t entrySize = 4;
    bool bitfields = false;
    if (headerSize == kCoreHeaderSize) {
        BITMAPCOREHEADER core;
        std::memcpy(&core, header, sizeof core);
        if (core.bcBitCount != 1 && core.bcBitCount != 4 && core.bcBitCount != 8
            && core.bcBitCount != 24)
            return nullptr;
        bi.biWidth = core.bcWidth;
        bi.biHeight = core.bcHeight;
        bi.biPlanes = core.bcPlanes;
        bi.biBitCount = core.bcBitCount;
        bi.biCompression = BI_RGB;
        tableEntries = core.bcBitCount <= 8 ? std::size_t(1) << core.bcBitCount : 0;
        entrySize = 3;
    } else {
        std::memcpy(&bi, header, sizeof bi);
        bitfields = bi.biCompression == BI_BITFIELDS;
        tableEntries = DIBNumColors(&bi);
    }
    bi.biSize = sizeof bi;

    // The colour masks of a BI_BITFIELDS image follow a 40-byte header and lie
    // inside the longer ones.
    uint64_t tableAt = kFileHeaderSize + uint64_t(headerSize);
    uint32_t masks[3] = { 0, 0, 0 };
    if (bitfields) {
        if (tableAt + (headerSize == 40 ? 12 : 0) > size)
            return nullptr;
        for (int i = 0; i < 3; ++i)
            masks[i] = ReadU32(header + 40 + 4 * i);
        if (headerSize == 40)
            tableAt += 12;
    }
    const uint64_t tableBytes = uint64_t(tableEntries) * entrySize;
    if (tableAt + tableBytes > size)
        return nullptr;
    uint64_t bitsAt = fh.bfOffBits ? fh.bfOffBits : tableAt + tableBytes;
    if (bitsAt < tableAt + tableBytes || bitsAt > size)
        return nullptr;

    if (bi.biWidth <= 0 || bi.biWidth > kMaxDimension || bi.biHeight == 0
        || bi.biHeight < -kMaxDimension || bi.biHeight > kMaxDimension)
        return nullptr;
    const uint64_t available = size - bitsAt;
    uint64_t imageBytes = 0;
    if (bi.biCompression == BI_RLE8 || bi.biCompression == BI_RLE4) {
        imageBytes = bi.biSizeImage ? bi.biSizeImage : available;
    } else {
        const int rows = bi.biHeight < 0 ? -bi.biHeight : bi.biHeight;
        imageBytes = uint64_t(DIBWidthBytes(uint32_t(bi.biWidth), bi.biBitCount)) * uint64_t(rows);
    }
    if (imageBytes > available)
        return nullptr;

    const std::size_t maskBytes = bitfields ? 12 : 0;
    const std::size_t total = sizeof bi + maskBytes + tableEntries * 4 + std::size_t(imageBytes);
    HMEM block = MemAlloc(total);
    if (!block)
        return nullptr;
    MemHolder holder(block);
    {
        Locked out(block);
        uint8_t *p = out.data();
        std::memcpy(p, &bi, sizeof bi);
        p += sizeof bi;
        if (bitfields) {
            std::memcpy(p, masks, 12);
            p += 12;
        }
        const uint8_t *table = file + tableAt;
        for (std::size_t i = 0; i < tableEntries; ++i, p += 4, table += entrySize) {
            std::memcpy(p, table, entrySize);
            if (entrySize == 3)
                p[3] = 0;
        }
        std::memcpy(p, file + bitsAt, std::size_t(imageBytes));
    }
    // The checks every utility makes: depth, compression and the remaining limits.
    if (!IsValidDIB(block))
        return nullptr;
    return holder.release();
}

bool SaveDIBMemory(HMEM dib, std::vector<uint8_t> &out)
{
    if (!dib)
        return false;
    Locked lock(dib);
    DibView v;
    if (!ParseDIB(lock.data(), lock.size(), v))
        return false;
    const std::size_t head = std::size_t(v.bits - v.base);
    const std::size_t total = head + v.bitsSize;
    BITMAPFILEHEADER fh {};
    fh.bfType = kBitmapFileType;
    fh.bfSize = uint32_t(kFileHeaderSize + total);
    fh.bfOffBits = uint32_t(kFileHeaderSize + head);
    try {
        const auto *h = reinterpret_cast<const uint8_t *>(&fh);
        out.insert(out.end(), h, h + sizeof fh);
        out.insert(out.end(), v.base, v.base + total);
    } catch (const std::bad_alloc &) {
        return false;
    }
    return true;
}

HMEM ReadDIBFile(CFile &file)
{
    const uint64_t position = file.GetPosition();
    const uint64_t length = file.GetLength();
    if (length <= position)
        return nullptr;
    // A bitmap this library reads is far smaller; a larger file is not read
    // into memory at all.
    const uint64_t size = length - position;
    if (size > kMaxBitmapFileSize)
        return nullptr;
    std::vector<uint8_t> bytes;
    try {
        bytes.resize(std::size_t(size));
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
    file.Read(bytes.data(), unsigned(size));
    return ReadDIBMemory(bytes.data(), bytes.size());
}

bool SaveDIB(HMEM dib, CFile &file)
{
    std::vector<uint8_t> bytes;
    if (!SaveDIBMemory(dib, bytes))
        return false;
    constexpr std::size_t kChunk = std::size_t(1) << 30;
    for (std::size_t at = 0; at < bytes.size(); at += kChunk)
        file.Write(bytes.data() + at, unsigned(std::min(kChunk, bytes.size() - at)));
    return true;
}

} // namespace kx_gen
