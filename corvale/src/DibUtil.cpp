#include "kx_gen/DibUtil.h"

#include "DibInternal.h"
#include "kx_gen/Quantizer.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <new>

namespace kx_gen {

using namespace dib;

namespace {

constexpr RGBQUAD kBlackWhite[2] = { { 0, 0, 0, 0 }, { 255, 255, 255, 0 } };

// The 16 standard colours of a 4-bit display, in their usual order.
constexpr RGBQUAD kStandard16[16] = {
    { 0, 0, 0, 0 },
    { 0, 0, 128, 0 },
    { 0, 128, 0, 0 },
    { 0, 128, 128, 0 },
    { 128, 0, 0, 0 },
    { 128, 0, 128, 0 },
    { 128, 128, 0, 0 },
    { 192, 192, 192, 0 },
    { 128, 128, 128, 0 },
    { 0, 0, 255, 0 },
    { 0, 255, 0, 0 },
    { 0, 255, 255, 0 },
    { 255, 0, 0, 0 },
    { 255, 0, 255, 0 },
    { 255, 255, 0, 0 },
    { 255, 255, 255, 0 },
};

bool IsSupportedDepth(unsigned bits)
{
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

bool CompressionFits(unsigned bits, uint32_t compression)
{
    return compression == BI_RGB || (compression == BI_RLE8 && bits == 8)
        || (compression == BI_RLE4 && bits == 4);
}

bool SizeFits(int width, int height)
{
    return width > 0 && height > 0 && width <= kMaxDimension && height <= kMaxDimension
        && uint64_t(width) * uint64_t(height) <= kMaxDIBPixels;
}

uint32_t QuadToArgb(const RGBQUAD &q)
{
    return CDeviceBitmap::Rgb(q.rgbRed, q.rgbGreen, q.rgbBlue);
}

// How to pull one channel out of a 16- or 32-bit pixel and scale it to 8 bits.
struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    uint32_t max = 0;

    explicit Channel(uint32_t m)
        : mask(m)
    {
        if (m) {
            shift = std::countr_zero(m);
            max = m >> shift;
        }
    }
    uint32_t Get(uint32_t pixel) const
    {
        if (!max)
            return 0;
        const uint32_t v = (pixel & mask) >> shift;
        if (max == 255)
            return v;
        if (max > 255)
            return uint32_t((uint64_t(v) * 255 + max / 2) / max);
        return (v * 255 + max / 2) / max;
    }
};

bool DecodeRows(const DibView &v, const uint8_t *rows, bool bottomUp, std::vector<uint32_t> &out)
{
    const unsigned bits = v.header.biBitCount;
    uint32_t lut[256];
    for (uint32_t i = 0; i < 256; ++i) {
        RGBQUAD q { 0, 0, 0, 0 };
        if (i < v.numColors)
            std::memcpy(&q, v.colors + 4 * std::size_t(i), 4);
        lut[i] = QuadToArgb(q);
    }
    const Channel red(v.masks[0]), green(v.masks[1]), blue(v.masks[2]);
    for (int y = 0; y < v.height; ++y) {
        const uint8_t *row = rows + std::size_t(bottomUp ? v.height - 1 - y : y) * v.stride;
        uint32_t *dst = out.data() + std::size_t(y) * v.width;
        switch (bits) {
        case 1:
            for (int x = 0; x < v.width; ++x)
                dst[x] = lut[(row[x >> 3] >> (7 - (x & 7))) & 1];
            break;
        case 4:
            for (int x = 0; x < v.width; ++x)
                dst[x] = lut[(row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15];
            break;
        case 8:
            for (int x = 0; x < v.width; ++x)
                dst[x] = lut[row[x]];
            break;
        case 16:
            for (int x = 0; x < v.width; ++x) {
                const uint32_t p = ReadU16(row + 2 * x);
                dst[x] = CDeviceBitmap::Rgb(red.Get(p), green.Get(p), blue.Get(p));
            }
            break;
        case 24:
            for (int x = 0; x < v.width; ++x)
                dst[x] = CDeviceBitmap::Rgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
            break;
        case 32:
            for (int x = 0; x < v.width; ++x) {
                const uint32_t p = ReadU32(row + 4 * x);
                dst[x] = CDeviceBitmap::Rgb(red.Get(p), green.Get(p), blue.Get(p));
            }
            break;
        default:
            return false;
        }
    }
    return true;
}

// Run-length encoding of one row of 8-bit indices.
void EncodeRle8Row(const uint8_t *row, int width, std::vector<uint8_t> &out)
{
    int x = 0;
    while (x < width) {
        int run = 1;
        while (x + run < width && run < 255 && row[x + run] == row[x])
            ++run;
        if (run >= 2) {
            out.push_back(uint8_t(run));
            out.push_back(row[x]);
            x += run;
            continue;
        }
        // Gather bytes up to the next run of three, for an absolute stretch.
        int len = 0;
        while (x + len < width && len < 255) {
            const int at = x + len;
            if (at + 2 < width && row[at] == row[at + 1] && row[at] == row[at + 2])
                break;
            ++len;
        }
        if (len >= 3) {
            out.push_back(0);
            out.push_back(uint8_t(len));
            out.insert(out.end(), row + x, row + x + len);
            if (len & 1)
                out.push_back(0);
        } else {
            for (int i = 0; i < len; ++i) {
                out.push_back(1);
                out.push_back(row[x + i]);
            }
        }
        x += len;
    }
}

// Run-length encoding of one row of 4-bit indices (given one per byte). An
// encoded run repeats a pair of pixels, so any one or two pixels are a run.
void EncodeRle4Row(const uint8_t *px, int width, std::vector<uint8_t> &out)
{
    int x = 0;
    while (x < width) {
        int run = 1;
        while (x + run < width && run < 255 && px[x + run] == px[x + (run & 1)])
            ++run;
        if (run >= 4 || x + run == width) {
            const uint8_t second = run > 1 ? px[x + 1] : 0;
            out.push_back(uint8_t(run));
            out.push_back(uint8_t((px[x] << 4) | second));
            x += run;
            continue;
        }
        int len = 0;
        while (x + len < width && len < 255) {
            const int at = x + len;
            if (at + 3 < width && px[at] == px[at + 2] && px[at + 1] == px[at + 3])
                break;
            ++len;
        }
        if (len >= 3) {
            out.push_back(0);
            out.push_back(uint8_t(len));
            const std::size_t bytes = std::size_t(len + 1) / 2;
            for (std::size_t i = 0; i < bytes; ++i) {
                const int a = x + int(2 * i);
                out.push_back(uint8_t((px[a] << 4) | (a + 1 < x + len ? px[a + 1] : 0)));
            }
            if (bytes & 1)
                out.push_back(0);
        } else {
            out.push_back(uint8_t(len));
            out.push_back(uint8_t((px[x] << 4) | (len > 1 ? px[x + 1] : 0)));
        }
        x += len;
    }
}

// The table used to reduce a bitmap to `bits` bits: the palette when it fits,
// else the default of the depth.
std::vector<RGBQUAD> ReductionTable(
    const uint32_t *pixels, std::size_t count, unsigned bits, const CPalette *palette)
{
    std::vector<RGBQUAD> table;
    const std::size_t capacity = std::size_t(1) << bits;
    if (palette && !palette->IsEmpty() && palette->GetEntryCount() <= capacity) {
        for (std::size_t i = 0; i < palette->GetEntryCount(); ++i) {
            const PALETTEENTRY &e = (*palette)[i];
            table.push_back({ e.peBlue, e.peGreen, e.peRed, 0 });
        }
        return table;
    }
    if (bits == 1)
        return { kBlackWhite, kBlackWhite + 2 };
    if (bits == 4)
        return { kStandard16, kStandard16 + 16 };
    CQuantizer quantizer(256, 8);
    quantizer.ProcessPixels(pixels, count);
    table.resize(std::max(quantizer.GetColorCount(), 1u), RGBQUAD { 0, 0, 0, 0 });
    quantizer.GetColorTable(table.data());
    return table;
}

// The DIB as a plain BI_RGB bottom-up view: the block itself, or a
// decompressed/flipped copy held in `holder`.
bool PlainView(HMEM dib, MemHolder &holder, DibView &view)
{
    {
        Locked lock(dib);
        if (!ParseDIB(lock.data(), lock.size(), view))
            return false;
    }
    if (!view.Compressed() && !view.topDown)
        return true;
    const std::size_t head = std::size_t(view.bits - view.base);
    holder.reset(MemAlloc(head + view.ImageBytes()));
    if (!holder)
        return false;
    Locked src(dib);
    Locked dst(holder.get());
    std::memcpy(dst.data(), src.data(), head);
    BITMAPINFOHEADER h;
    std::memcpy(&h, dst.data(), sizeof h);
    if (view.Compressed()) {
        std::vector<uint8_t> rows;
        if (!ExpandRle(view, rows))
            return false;
        std::memcpy(dst.data() + head, rows.data(), rows.size());
    } else {
        for (int y = 0; y < view.height; ++y)
            std::memcpy(dst.data() + head + std::size_t(view.height - 1 - y) * view.stride,
                view.TopRow(y), view.stride);
    }
    h.biCompression = BI_RGB;
    h.biHeight = view.height;
    h.biSizeImage = uint32_t(view.ImageBytes());
    std::memcpy(dst.data(), &h, sizeof h);
    return ParseDIB(dst.data(), dst.size(), view);
}

} // namespace

namespace dib {

bool ParseDIB(const void *data, std::size_t size, DibView &v)
{
    if (!data || size < sizeof(BITMAPINFOHEADER))
        return false;
    const auto *p = static_cast<const uint8_t *>(data);
    BITMAPINFOHEADER h;
    std::memcpy(&h, p, sizeof h);
    if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biSize > size)
        return false;
    if (h.biWidth <= 0 || h.biWidth > kMaxDimension || h.biHeight == 0
        || h.biHeight < -kMaxDimension || h.biHeight > kMaxDimension)
        return false;
    const unsigned bits = h.biBitCount;
    if (!IsSupportedDepth(bits))
        return false;
    const int height = std::abs(h.biHeight);
    if (uint64_t(h.biWidth) * uint64_t(height) > kMaxDIBPixels)
        return false;
    const bool bitfields = h.biCompression == BI_BITFIELDS;
    if (bitfields) {
        if ((bits != 16 && bits != 32) || (h.biSize > 40 && h.biSize < 52))
            return false;
    } else if (!CompressionFits(bits, h.biCompression)
        || (h.biCompression != BI_RGB && h.biHeight < 0)) {
        return false;
    }

    uint64_t offset = h.biSize;
    if (bitfields) {
        if (h.biSize == 40)
            offset += 12;
        if (offset > size)
            return false;
    }
    const uint32_t numColors = DIBNumColors(p);
    offset += uint64_t(numColors) * 4;
    if (offset > size)
        return false;

    v = DibView {};
    v.header = h;
    v.base = p;
    v.colors = p + h.biSize + (bitfields && h.biSize == 40 ? 12 : 0);
    v.numColors = numColors;
    v.bits = p + offset;
    v.width = h.biWidth;
    v.height = height;
    v.topDown = h.biHeight < 0;
    v.stride = DIBWidthBytes(uint32_t(h.biWidth), bits);
    const std::size_t remaining = size - std::size_t(offset);
    if (v.Compressed()) {
        v.bitsSize = h.biSizeImage ? h.biSizeImage : remaining;
        if (v.bitsSize > remaining)
            return false;
    } else {
        v.bitsSize = v.ImageBytes();
        if (v.bitsSize > remaining)
            return false;
    }
    if (bitfields) {
        for (int i = 0; i < 3; ++i)
            v.masks[i] = ReadU32(p + 40 + 4 * i);
    } else if (bits == 16) {
        v.masks[0] = 0x7C00;
        v.masks[1] = 0x03E0;
        v.masks[2] = 0x001F;
    } else if (bits == 32) {
        v.masks[0] = 0xFF0000;
        v.masks[1] = 0x00FF00;
        v.masks[2] = 0x0000FF;
    }
    return true;
}

bool ExpandRle(const DibView &v, std::vector<uint8_t> &out)
{
    try {
        out.assign(v.ImageBytes(), 0);
    } catch (const std::bad_alloc &) {
        return false;
    }
    const bool rle4 = v.header.biCompression == BI_RLE4;
    const uint8_t *src = v.bits;
    const std::size_t n = v.bitsSize;
    int x = 0;
    int y = 0; // counted from the bottom, as the rows are stored
    auto put = [&](uint8_t value) {
        if (x < v.width && y < v.height) {
            uint8_t *row = out.data() + std::size_t(y) * v.stride;
            if (rle4) {
                uint8_t &b = row[x >> 1];
                b = (x & 1) ? uint8_t((b & 0xF0) | value) : uint8_t((b & 0x0F) | (value << 4));
            } else {
                row[x] = value;
            }
            // Pixels past the right edge are dropped, so x never passes it.
            ++x;
        }
    };
    std::size_t i = 0;
    while (i + 1 < n && y < v.height) {
        const uint8_t count = src[i];
        const uint8_t value = src[i + 1];
        i += 2;
        if (count) {
            for (int k = 0; k < count && x < v.width; ++k)
                put(rle4 ? uint8_t((k & 1) ? value & 15 : value >> 4) : value);
        } else if (value == 0) {
            x = 0;
            ++y;
        } else if (value == 1) {
            break;
        } else if (value == 2) {
            if (i + 1 >= n)
                break;
            x = std::min(x + src[i], v.width);
            y += src[i + 1];
            i += 2;
        } else {
            const std::size_t bytes = rle4 ? (std::size_t(value) + 1) / 2 : value;
            if (i + bytes > n)
                break;
            for (int k = 0; k < value; ++k) {
                const uint8_t b = src[i + (rle4 ? std::size_t(k) / 2 : std::size_t(k))];
                put(rle4 ? uint8_t((k & 1) ? b & 15 : b >> 4) : b);
            }
            i += (bytes + 1) & ~std::size_t(1);
        }
    }
    return true;
}

bool DecodeToRgb(const DibView &v, std::vector<uint32_t> &out)
{
    try {
        out.resize(std::size_t(v.width) * v.height);
    } catch (const std::bad_alloc &) {
        return false;
    }
    if (v.Compressed()) {
        std::vector<uint8_t> rows;
        return ExpandRle(v, rows) && DecodeRows(v, rows.data(), true, out);
    }
    return DecodeRows(v, v.bits, !v.topDown, out);
}

NearestColor::NearestColor(const RGBQUAD *table, uint32_t count)
    : m_table(table)
    , m_count(count)
    , m_cache(4096)
{
}

uint32_t NearestColor::Index(uint32_t rgb)
{
    rgb &= 0xFFFFFF;
    Slot &slot = m_cache[(rgb * 2654435761u) >> 20];
    if (slot.key == rgb)
        return slot.index;
    const int r = int(rgb >> 16), g = int((rgb >> 8) & 0xFF), b = int(rgb & 0xFF);
    uint32_t best = 0;
    int bestDistance = 0x7FFFFFFF;
    for (uint32_t i = 0; i < m_count; ++i) {
        const int dr = r - m_table[i].rgbRed, dg = g - m_table[i].rgbGreen,
                  db = b - m_table[i].rgbBlue;
        const int d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
            if (!d)
                break;
        }
    }
    slot.key = rgb;
    slot.index = best;
    return best;
}

HMEM EncodeDib(const uint32_t *pixels, int width, int height, unsigned bits, uint32_t compression,
    const RGBQUAD *table, uint32_t count)
{
    if (!SizeFits(width, height) || !IsSupportedDepth(bits) || !CompressionFits(bits, compression))
        return nullptr;
    if (bits > 8)
        count = 0;
    else if (count == 0 || count > (1u << bits))
        return nullptr;

    const uint32_t stride = DIBWidthBytes(uint32_t(width), bits);
    std::vector<uint8_t> rows;
    std::vector<uint8_t> indices;
    try {
        rows.assign(std::size_t(stride) * height, 0);
        if (bits <= 8)
            indices.resize(std::size_t(width));
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
    NearestColor nearest(table, count);
    for (int y = 0; y < height; ++y) {
        const uint32_t *src = pixels + std::size_t(y) * width;
        uint8_t *row = rows.data() + std::size_t(height - 1 - y) * stride;
        switch (bits) {
        case 1:
        case 4:
        case 8:
            for (int x = 0; x < width; ++x)
                indices[x] = uint8_t(nearest.Index(src[x]));
            if (bits == 8)
                std::memcpy(row, indices.data(), std::size_t(width));
            else if (bits == 4)
                for (int x = 0; x < width; ++x)
                    row[x >> 1] |= uint8_t(indices[x] << ((x & 1) ? 0 : 4));
            else
                for (int x = 0; x < width; ++x)
                    row[x >> 3] |= uint8_t((indices[x] & 1) << (7 - (x & 7)));
            break;
        case 16:
            for (int x = 0; x < width; ++x) {
                const uint32_t p = src[x];
                const uint16_t v = uint16_t(((CDeviceBitmap::Red(p) >> 3) << 10)
                    | ((CDeviceBitmap::Green(p) >> 3) << 5) | (CDeviceBitmap::Blue(p) >> 3));
                std::memcpy(row + 2 * x, &v, 2);
            }
            break;
        case 24:
            for (int x = 0; x < width; ++x) {
                row[3 * x] = CDeviceBitmap::Blue(src[x]);
                row[3 * x + 1] = CDeviceBitmap::Green(src[x]);
                row[3 * x + 2] = CDeviceBitmap::Red(src[x]);
            }
            break;
        case 32:
            for (int x = 0; x < width; ++x)
                WriteU32(row + 4 * x, src[x] & 0xFFFFFF);
            break;
        }
    }

    std::vector<uint8_t> packed;
    if (compression != BI_RGB) {
        try {
            std::vector<uint8_t> px(static_cast<std::size_t>(width));
            for (int y = 0; y < height; ++y) {
                const uint8_t *row = rows.data() + std::size_t(y) * stride;
                if (compression == BI_RLE8) {
                    EncodeRle8Row(row, width, packed);
                } else {
                    for (int x = 0; x < width; ++x)
                        px[x] = uint8_t((row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15);
                    EncodeRle4Row(px.data(), width, packed);
                }
                packed.push_back(0);
                packed.push_back(y + 1 < height ? 0 : 1);
            }
        } catch (const std::bad_alloc &) {
            return nullptr;
        }
    }
    const std::vector<uint8_t> &image = compression == BI_RGB ? rows : packed;

    BITMAPINFOHEADER h {};
    h.biSize = sizeof h;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = uint16_t(bits);
    h.biCompression = compression;
    h.biSizeImage = uint32_t(image.size());
    h.biClrUsed = bits <= 8 && count < (1u << bits) ? count : 0;
    HMEM block = MemAlloc(sizeof h + std::size_t(count) * 4 + image.size());
    if (!block)
        return nullptr;
    Locked out(block);
    std::memcpy(out.data(), &h, sizeof h);
    if (count)
        std::memcpy(out.data() + sizeof h, table, std::size_t(count) * 4);
    std::memcpy(out.data() + sizeof h + std::size_t(count) * 4, image.data(), image.size());
    return block;
}

} // namespace dib

bool IsValidDIB(HMEM dib)
{
    if (!dib)
        return false;
    Locked lock(dib);
    DibView view;
    return ParseDIB(lock.data(), lock.size(), view);
}

uint32_t DIBWidthBytes(uint32_t width, uint32_t bits)
{
    return uint32_t(((uint64_t(width) * bits + 31) / 32) * 4);
}

HMEM CreateDIB(int width, int height, int bits)
{
    if (!SizeFits(width, height))
        return nullptr;
    unsigned depth = 24;
    if (bits <= 1)
        depth = 1;
    else if (bits <= 4)
        depth = 4;
    else if (bits <= 8)
        depth = 8;
    const uint32_t colors = depth <= 8 ? 1u << depth : 0;
    BITMAPINFOHEADER bi {};
    bi.biSize = sizeof bi;
    bi.biWidth = width;
    bi.biHeight = height;
    bi.biPlanes = 1;
    bi.biBitCount = uint16_t(depth);
    bi.biCompression = BI_RGB;
    bi.biSizeImage = DIBWidthBytes(uint32_t(width), depth) * uint32_t(height);
    const std::size_t total = sizeof bi + std::size_t(colors) * 4 + bi.biSizeImage;
    HMEM block = MemAlloc(total);
    if (!block)
        return nullptr;
    Locked out(block);
    std::memset(out.data(), 0xFF, total);
    std::memcpy(out.data(), &bi, sizeof bi);
    return block;
}

uint8_t *FindDIBBits(void *lpbi)
{
    return static_cast<uint8_t *>(lpbi) + ReadU32(static_cast<uint8_t *>(lpbi)) + PaletteSize(lpbi);
}

const uint8_t *FindDIBBits(const void *lpbi)
{
    return FindDIBBits(const_cast<void *>(lpbi));
}

int32_t DIBWidth(const void *lpbi)
{
    BITMAPINFOHEADER h;
    std::memcpy(&h, lpbi, sizeof h);
    return h.biWidth;
}

int32_t DIBHeight(const void *lpbi)
{
    BITMAPINFOHEADER h;
    std::memcpy(&h, lpbi, sizeof h);
    return h.biHeight;
}

uint32_t DIBNumColors(const void *lpbi)
{
    BITMAPINFOHEADER h;
    std::memcpy(&h, lpbi, sizeof h);
    if (h.biClrUsed)
        return h.biClrUsed;
    return FullColorTableEntries(h.biBitCount);
}

std::size_t PaletteSize(const void *lpbi)
{
    BITMAPINFOHEADER h;
    std::memcpy(&h, lpbi, sizeof h);
    const std::size_t masks = h.biCompression == BI_BITFIELDS && h.biSize == 40 ? 12 : 0;
    return masks + std::size_t(DIBNumColors(lpbi)) * 4;
}

bool CreateDIBPalette(HMEM dib, CPalette *palette)
{
    if (!palette)
        return false;
    palette->DeleteObject();
    if (!dib)
        return false;
    Locked lock(dib);
    DibView v;
    if (!ParseDIB(lock.data(), lock.size(), v) || v.numColors == 0)
        return false;
    std::vector<PALETTEENTRY> entries(v.numColors);
    for (uint32_t i = 0; i < v.numColors; ++i) {
        RGBQUAD q;
        std::memcpy(&q, v.colors + 4 * std::size_t(i), 4);
        entries[i] = { q.rgbRed, q.rgbGreen, q.rgbBlue, 0 };
    }
    palette->CreatePalette(entries.data(), entries.size());
    return true;
}

CDeviceBitmap DIBToBitmap(HMEM dib, const CPalette *)
{
    CDeviceBitmap bitmap;
    if (!dib)
        return bitmap;
    Locked lock(dib);
    DibView v;
    std::vector<uint32_t> pixels;
    if (!ParseDIB(lock.data(), lock.size(), v) || !DecodeToRgb(v, pixels))
        return bitmap;
    if (!bitmap.Create(v.width, v.height))
        return bitmap;
    std::memcpy(bitmap.Bits(), pixels.data(), pixels.size() * 4);
    return bitmap;
}

HMEM BitmapToDIB(const CDeviceBitmap &bitmap, const CPalette *palette)
{
    return ChangeBitmapFormat(bitmap, 24, BI_RGB, palette);
}

HMEM ChangeBitmapFormat(
    const CDeviceBitmap &bitmap, unsigned bits, uint32_t compression, const CPalette *palette)
{
    if (bitmap.IsNull() || !IsSupportedDepth(bits) || !CompressionFits(bits, compression))
        return nullptr;
    const std::size_t count = std::size_t(bitmap.Width()) * bitmap.Height();
    std::vector<RGBQUAD> table;
    if (bits <= 8)
        table = ReductionTable(bitmap.Bits(), count, bits, palette);
    return EncodeDib(bitmap.Bits(), bitmap.Width(), bitmap.Height(), bits, compression,
        table.data(), uint32_t(table.size()));
}

HMEM ChangeDIBFormat(HMEM dib, unsigned bits, uint32_t compression)
{
    if (!dib)
        return nullptr;
    Locked lock(dib);
    DibView v;
    if (!ParseDIB(lock.data(), lock.size(), v))
        return nullptr;
    if (bits == 0)
        bits = v.header.biBitCount;
    if (!IsSupportedDepth(bits) || !CompressionFits(bits, compression))
        return nullptr;
    std::vector<uint32_t> pixels;
    if (!DecodeToRgb(v, pixels))
        return nullptr;
    std::vector<RGBQUAD> table;
    if (bits <= 8) {
        if (v.numColors > 0 && v.numColors <= (1u << bits)) {
            table.resize(v.numColors);
            std::memcpy(table.data(), v.colors, std::size_t(v.numColors) * 4);
        } else {
            table = ReductionTable(pixels.data(), pixels.size(), bits, nullptr);
        }
    }
    return EncodeDib(
        pixels.data(), v.width, v.height, bits, compression, table.data(), uint32_t(table.size()));
}

namespace {

// A new DIB of width x height with the DIB's header and colour table, its
// pixels 0xFF bytes with the old image copied to the top-left (as many rows
// and row bytes as fit). The size must already have been checked.
HMEM CopyOntoCanvas(HMEM dib, int width, int height)
{
    MemHolder plain;
    DibView v;
    if (!PlainView(dib, plain, v))
        return nullptr;
    Locked keep(plain ? plain.get() : dib);
    const unsigned bits = v.header.biBitCount;
    const uint32_t stride = DIBWidthBytes(uint32_t(width), bits);
    const std::size_t head = std::size_t(v.bits - v.base);
    const std::size_t image = std::size_t(stride) * height;
    HMEM block = MemAlloc(head + image);
    if (!block)
        return nullptr;
    Locked out(block);
    std::memcpy(out.data(), v.base, head);
    BITMAPINFOHEADER h;
    std::memcpy(&h, out.data(), sizeof h);
    h.biWidth = width;
    h.biHeight = height;
    h.biSizeImage = uint32_t(image);
    std::memcpy(out.data(), &h, sizeof h);
    uint8_t *dst = out.data() + head;
    std::memset(dst, 0xFF, image);
    const std::size_t rowBytes = std::min<std::size_t>(stride, v.stride);
    for (int y = 0; y < std::min(height, v.height); ++y)
        std::memcpy(dst + std::size_t(height - 1 - y) * stride, v.TopRow(y), rowBytes);
    return block;
}

} // namespace

HMEM ClipDIB(HMEM dib, int width, int height)
{
    if (!dib || !SizeFits(width, height))
        return nullptr;
    return CopyOntoCanvas(dib, width, height);
}

HMEM ResizeDIB(HMEM dib, int width, int height)
{
    if (!dib || !SizeFits(width, height))
        return nullptr;
    {
        Locked lock(dib);
        DibView v;
        if (!ParseDIB(lock.data(), lock.size(), v) || (v.width >= width && v.height >= height))
            return nullptr;
    }
    return CopyOntoCanvas(dib, width, height);
}

HMEM ShrinkDIB(HMEM dib, int width, int height)
{
    if (!dib || width <= 0 || height <= 0)
        return nullptr;
    std::vector<uint32_t> src;
    DibView v;
    {
        Locked lock(dib);
        if (!ParseDIB(lock.data(), lock.size(), v) || !DecodeToRgb(v, src))
            return nullptr;
    }
    width = std::min(width, v.width);
    height = std::min(height, v.height);

    // For each target column (row), the source columns (rows) it covers and
    // the share of each, so that every target pixel is the area-weighted mean
    // of its source rectangle.
    struct Span {
        int first = 0;
        std::vector<double> weights;
    };
    auto spans = [](int source, int target) {
        std::vector<Span> result(static_cast<std::size_t>(target));
        const double scale = double(source) / target;
        for (int t = 0; t < target; ++t) {
            const double lo = t * scale, hi = (t + 1) * scale;
            Span &s = result[std::size_t(t)];
            s.first = int(lo);
            for (int k = s.first; k < source && k < hi; ++k) {
                const double overlap = std::min(hi, double(k + 1)) - std::max(lo, double(k));
                s.weights.push_back(overlap / scale);
            }
        }
        return result;
    };
    const std::vector<Span> cols = spans(v.width, width);
    const std::vector<Span> rows = spans(v.height, height);

    std::vector<double> horizontal;
    try {
        horizontal.assign(std::size_t(width) * v.height * 3, 0.0);
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
    for (int y = 0; y < v.height; ++y) {
        const uint32_t *line = src.data() + std::size_t(y) * v.width;
        double *out = horizontal.data() + std::size_t(y) * width * 3;
        for (int t = 0; t < width; ++t) {
            const Span &s = cols[std::size_t(t)];
            double r = 0, g = 0, b = 0;
            for (std::size_t k = 0; k < s.weights.size(); ++k) {
                const uint32_t p = line[s.first + int(k)];
                r += s.weights[k] * CDeviceBitmap::Red(p);
                g += s.weights[k] * CDeviceBitmap::Green(p);
                b += s.weights[k] * CDeviceBitmap::Blue(p);
            }
            out[3 * t] = r;
            out[3 * t + 1] = g;
            out[3 * t + 2] = b;
        }
    }
    std::vector<uint32_t> target(std::size_t(width) * height);
    auto channel = [](double value) { return uint8_t(std::clamp(value + 0.5, 0.0, 255.0)); };
    for (int t = 0; t < height; ++t) {
        const Span &s = rows[std::size_t(t)];
        for (int x = 0; x < width; ++x) {
            double r = 0, g = 0, b = 0;
            for (std::size_t k = 0; k < s.weights.size(); ++k) {
                const double *p
                    = horizontal.data() + (std::size_t(s.first + int(k)) * width + x) * 3;
                r += s.weights[k] * p[0];
                g += s.weights[k] * p[1];
                b += s.weights[k] * p[2];
            }
            target[std::size_t(t) * width + x]
                = CDeviceBitmap::Rgb(channel(r), channel(g), channel(b));
        }
    }
    return EncodeDib(target.data(), width, height, 24, BI_RGB, nullptr, 0);
}

HMEM CopyHandle(HMEM block)
{
    return MemDuplicate(block);
}

int PalEntriesOnDevice()
{
    return 0;
}

HMEM AllocRoomForDIB(const BITMAPINFOHEADER &bi)
{
    if (bi.biSize != sizeof(BITMAPINFOHEADER) || !IsSupportedDepth(bi.biBitCount)
        || bi.biCompression != BI_RGB || !SizeFits(bi.biWidth, std::abs(bi.biHeight)))
        return nullptr;
    const uint32_t colors = DIBNumColors(&bi);
    if (colors > 256)
        return nullptr;
    BITMAPINFOHEADER h = bi;
    const uint32_t image
        = DIBWidthBytes(uint32_t(h.biWidth), h.biBitCount) * uint32_t(std::abs(h.biHeight));
    if (h.biSizeImage == 0)
        h.biSizeImage = image;
    HMEM block = MemAlloc(sizeof h + std::size_t(colors) * 4 + image);
    if (!block)
        return nullptr;
    Locked out(block);
    std::memcpy(out.data(), &h, sizeof h);
    return block;
}

} // namespace kx_gen
