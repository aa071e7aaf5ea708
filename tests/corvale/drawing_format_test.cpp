#include "kx_gen/DibUtil.h"
#include "kx_gen/DrawingFormat.h"

#include "dib_test_support.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace kx_gen;
using namespace dibtest;

namespace {

uint32_t U32At(const std::vector<uint8_t> &b, std::size_t at)
{
    uint32_t v;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}

void PutU32(std::vector<uint8_t> &b, std::size_t at, uint32_t v)
{
    std::memcpy(b.data() + at, &v, 4);
}

std::vector<uint8_t> Store(const std::vector<uint8_t> &dibBytes)
{
    MemHolder dib(ToBlock(dibBytes));
    MemHolder stored(ConvertDibToInternalFormat(dib.get()));
    EXPECT_TRUE(stored);
    return stored ? FromBlock(stored.get()) : std::vector<uint8_t> {};
}

bool Loads(const std::vector<uint8_t> &stored)
{
    MemHolder dib(ConvertInternalFormatToDib(stored.data(), stored.size()));
    return bool(dib);
}

} // namespace

TEST(DrawingFormat, RoundTripsAtEveryDepth)
{
    for (unsigned bits : { 1u, 4u, 8u, 16u, 24u, 32u }) {
        for (int width : { 1, 7, 33, 160 }) {
            const int height = width == 160 ? 160 : 5;
            const uint32_t colors = DrawingColorTableEntries(bits);
            const auto original = DibBytes(width, height, bits, GreyTable(colors),
                PatternRows(width, height, bits, bits * 100 + width));
            const auto stored = Store(original);
            ASSERT_EQ(stored[0], 2);
            EXPECT_EQ(U32At(stored, 1), uint32_t(width));
            EXPECT_EQ(U32At(stored, 5), uint32_t(height));
            EXPECT_EQ(U32At(stored, 9), DIBWidthBytes(width, bits) * height);
            EXPECT_EQ(stored[13], bits);
            EXPECT_EQ(stored.size(), 18 + 4 * colors + U32At(stored, 14 + 4 * colors));

            MemHolder back(ConvertInternalFormatToDib(stored.data(), stored.size()));
            ASSERT_TRUE(back) << bits << " " << width;
            EXPECT_EQ(FromBlock(back.get()), original) << bits << " " << width;
        }
    }
}

TEST(DrawingFormat, StoresTheColourTableTheReaderExpects)
{
    // A 1-bit drawing keeps exactly two entries, a 24-bit one none.
    const auto one = Store(DibBytes(8, 1, 1, GreyTable(2), { 0x81, 0, 0, 0 }));
    EXPECT_EQ(one.size(), 18u + 8 + U32At(one, 22));
    EXPECT_EQ(std::vector<uint8_t>(one.begin() + 14, one.begin() + 22),
        (std::vector<uint8_t> { 0, 0, 0, 0, 255, 255, 255, 0 }));
    const auto deep = Store(DibBytes(1, 1, 24, {}, { 1, 2, 3, 0 }));
    EXPECT_EQ(deep.size(), 18u + U32At(deep, 14));

    // An 8-bit DIB that declares 3 colours is stored with 256, the rest black.
    const std::vector<RGBQUAD> three = { { 10, 20, 30, 0 }, { 40, 50, 60, 0 }, { 70, 80, 90, 0 } };
    const auto stored = Store(DibBytes(4, 1, 8, three, { 0, 1, 2, 1 }, BI_RGB, 3));
    EXPECT_EQ(U32At(stored, 14), 0x1E140Au);
    EXPECT_EQ(U32At(stored, 14 + 8), 0x5A5046u);
    EXPECT_EQ(U32At(stored, 14 + 12), 0u);
    MemHolder back(ConvertInternalFormatToDib(stored.data(), stored.size()));
    ASSERT_TRUE(back);
    const auto dib = FromBlock(back.get());
    EXPECT_EQ(dib.size(), 40u + 1024 + 4);
    EXPECT_EQ(U32At(dib, 40 + 4), 0x3C3228u);
}

TEST(DrawingFormat, ZeroImageSizeFieldStoresTheComputedSize)
{
    const auto stored
        = Store(DibBytes(10, 3, 4, GreyTable(16), PatternRows(10, 3, 4), BI_RGB, 0, 0));
    EXPECT_EQ(U32At(stored, 9), 8u * 3);
    // A stale image-size field does not decide how many bytes are read.
    const auto stale
        = Store(DibBytes(10, 3, 4, GreyTable(16), PatternRows(10, 3, 4), BI_RGB, 0, 5));
    EXPECT_EQ(U32At(stale, 9), 8u * 3);
}

TEST(DrawingFormat, ReadsTheLayoutByteForByte)
{
    // A 2x2 24-bit drawing stored uncompressed (flag 1), written by hand.
    std::vector<uint8_t> bytes
        = { 2, 2, 0, 0, 0, 2, 0, 0, 0, 16, 0, 0, 0, 24, 20, 0, 0, 0, 1, 0, 0, 0 };
    for (uint8_t i = 0; i < 16; ++i)
        bytes.push_back(i);
    MemHolder dib(ConvertInternalFormatToDib(bytes.data(), bytes.size()));
    ASSERT_TRUE(dib);
    const auto out = FromBlock(dib.get());
    ASSERT_EQ(out.size(), 40u + 16);
    const BITMAPINFOHEADER h = Header(dib.get());
    EXPECT_EQ(h.biSize, 40u);
    EXPECT_EQ(h.biWidth, 2);
    EXPECT_EQ(h.biHeight, 2);
    EXPECT_EQ(h.biPlanes, 1);
    EXPECT_EQ(h.biBitCount, 24);
    EXPECT_EQ(h.biCompression | h.biSizeImage | h.biClrUsed | h.biClrImportant, 0u);
    EXPECT_EQ(out[40], 0);
    EXPECT_EQ(out[55], 15);

    uint32_t w = 0, hgt = 0;
    EXPECT_TRUE(GetDrawingFormatSize(bytes.data(), bytes.size(), &w, &hgt));
    EXPECT_EQ(w, 2u);
    EXPECT_EQ(hgt, 2u);
}

TEST(DrawingFormat, StoresTopDownAndRunLengthDibsAsPlainOnes)
{
    // Top-down 8-bit: the stored rows are bottom-up.
    const auto top = DibBytes(4, -2, 8, GreyTable(256), { 1, 2, 3, 4, 5, 6, 7, 8 });
    MemHolder back(ConvertInternalFormatToDib(Store(top).data(), Store(top).size()));
    ASSERT_TRUE(back);
    auto dib = FromBlock(back.get());
    EXPECT_EQ(Header(back.get()).biHeight, 2);
    EXPECT_EQ(std::vector<uint8_t>(dib.end() - 8, dib.end()),
        (std::vector<uint8_t> { 5, 6, 7, 8, 1, 2, 3, 4 }));

    // RLE8: two rows of runs.
    const std::vector<uint8_t> rle = { 4, 9, 0, 0, 2, 7, 2, 8, 0, 1 };
    const auto packed = DibBytes(4, 2, 8, GreyTable(256), rle, BI_RLE8, 0, uint32_t(rle.size()));
    const auto stored = Store(packed);
    MemHolder plain(ConvertInternalFormatToDib(stored.data(), stored.size()));
    ASSERT_TRUE(plain);
    dib = FromBlock(plain.get());
    EXPECT_EQ(std::vector<uint8_t>(dib.end() - 8, dib.end()),
        (std::vector<uint8_t> { 9, 9, 9, 9, 7, 7, 8, 8 }));
}

TEST(DrawingFormat, MalformedDrawingsYieldNone)
{
    const auto good = Store(DibBytes(16, 16, 8, GreyTable(256), PatternRows(16, 16, 8)));
    ASSERT_TRUE(Loads(good));
    const std::size_t lengthAt = 14 + 1024;

    auto bad = good;
    bad[0] = 3; // format code
    EXPECT_FALSE(Loads(bad));
    bad = good;
    bad[13] = 2; // a depth DIBs do not have
    EXPECT_FALSE(Loads(bad));
    bad = good;
    PutU32(bad, 1, 0); // no width
    EXPECT_FALSE(Loads(bad));
    bad = good;
    PutU32(bad, 5, 0x7FFFFFFF); // a height the data cannot fill
    EXPECT_FALSE(Loads(bad));
    bad = good;
    PutU32(bad, 1, 40000); // wider than any bitmap
    EXPECT_FALSE(Loads(bad));
    bad = good;
    PutU32(bad, 9, 16 * 16 - 1); // fewer bytes than the rows need
    EXPECT_FALSE(Loads(bad));
    bad = good;
    PutU32(bad, 9, 16 * 16 + 4); // more than the data expands to
    EXPECT_FALSE(Loads(bad));
    bad = good;
    PutU32(bad, lengthAt, U32At(good, lengthAt) + 1); // past the bytes present
    EXPECT_FALSE(Loads(bad));
    bad = good;
    PutU32(bad, lengthAt, 0xFFFFFFFF);
    EXPECT_FALSE(Loads(bad));
    bad = good;
    PutU32(bad, lengthAt, U32At(good, lengthAt) - 2); // compressed data cut short
    bad.resize(bad.size() - 2);
    EXPECT_FALSE(Loads(bad));
    for (std::size_t n = 0; n < good.size(); n += 37) // every truncation
        EXPECT_FALSE(Loads(std::vector<uint8_t>(good.begin(), good.begin() + n))) << n;
    EXPECT_FALSE(ConvertInternalFormatToDib(nullptr));
}

TEST(DrawingFormat, MalformedDibsAreNotStored)
{
    auto dib = DibBytes(16, 16, 8, GreyTable(256), PatternRows(16, 16, 8));
    dib.resize(dib.size() - 1); // the last row is cut
    MemHolder block(ToBlock(dib));
    EXPECT_FALSE(ConvertDibToInternalFormat(block.get()));
    EXPECT_FALSE(ConvertDibToInternalFormat(nullptr));
    auto wrongDepth = DibBytes(4, 4, 2, GreyTable(4), std::vector<uint8_t>(16));
    MemHolder depth(ToBlock(wrongDepth));
    EXPECT_FALSE(ConvertDibToInternalFormat(depth.get()));
}
