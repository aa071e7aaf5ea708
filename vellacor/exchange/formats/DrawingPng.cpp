#include "DrawingPng.h"

#include "kx_gen/DibTypes.h"
#include "kx_gen/DibUtil.h"

#include <zlib.h>

#include <cstring>

namespace formats {

namespace {

void put32be(std::string &out, std::uint32_t v)
{
    out.push_back(static_cast<char>(v >> 24));
    out.push_back(static_cast<char>(v >> 16));
    out.push_back(static_cast<char>(v >> 8));
    out.push_back(static_cast<char>(v));
}

void chunk(std::string &out, const char *type, const std::string &data)
{
    put32be(out, static_cast<std::uint32_t>(data.size()));
    std::string body(type, 4);
    body += data;
    out += body;
    put32be(out,
        static_cast<std::uint32_t>(crc32(
            0, reinterpret_cast<const Bytef *>(body.data()), static_cast<uInt>(body.size()))));
}

} // namespace

bool DibToPng(kx_gen::HMEM dib, std::string &png, std::uint32_t &width, std::uint32_t &height)
{
    if (!dib || !kx_gen::IsValidDIB(dib))
        return false;
    kx_gen::MemHolder rgb(kx_gen::ChangeDIBFormat(dib, 24, 0));
    if (!rgb.get())
        return false;
    const void *info = kx_gen::MemGetPtr(rgb.get());
    const std::int32_t w = kx_gen::DIBWidth(info);
    const std::int32_t h = kx_gen::DIBHeight(info);
    const bool bottomUp = static_cast<const kx_gen::BITMAPINFOHEADER *>(info)->biHeight > 0;
    const std::uint8_t *bits = kx_gen::FindDIBBits(info);
    if (w <= 0 || h <= 0 || !bits) {
        kx_gen::MemReleasePtr(rgb.get());
        return false;
    }
    const std::uint32_t stride = kx_gen::DIBWidthBytes(static_cast<std::uint32_t>(w), 24);

    std::string raw;
    raw.reserve(static_cast<std::size_t>(h) * (3 * static_cast<std::size_t>(w) + 1));
    for (std::int32_t y = 0; y < h; ++y) {
        const std::uint8_t *row
            = bits + static_cast<std::size_t>(bottomUp ? h - 1 - y : y) * stride;
        raw.push_back('\0'); // no filter
        for (std::int32_t x = 0; x < w; ++x) {
            raw.push_back(static_cast<char>(row[3 * x + 2]));
            raw.push_back(static_cast<char>(row[3 * x + 1]));
            raw.push_back(static_cast<char>(row[3 * x]));
        }
    }
    kx_gen::MemReleasePtr(rgb.get());

    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::string packed(packedSize, '\0');
    if (compress2(reinterpret_cast<Bytef *>(packed.data()), &packedSize,
            reinterpret_cast<const Bytef *>(raw.data()), static_cast<uLong>(raw.size()), 9)
        != Z_OK)
        return false;
    packed.resize(packedSize);

    std::string header;
    put32be(header, static_cast<std::uint32_t>(w));
    put32be(header, static_cast<std::uint32_t>(h));
    header += std::string("\x08\x02\x00\x00\x00", 5); // 8-bit RGB, deflate, no filter, no interlace

    png.assign("\x89PNG\r\n\x1a\n", 8);
    chunk(png, "IHDR", header);
    chunk(png, "IDAT", packed);
    chunk(png, "IEND", std::string());
    width = static_cast<std::uint32_t>(w);
    height = static_cast<std::uint32_t>(h);
    return true;
}

} // namespace formats
