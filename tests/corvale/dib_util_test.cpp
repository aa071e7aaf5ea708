#include "kx_gen/DibUtil.h"

#include "dib_test_support.h"

#include <gtest/gtest.h>

using namespace kx_gen;
using namespace dibtest;

namespace {

// The 0xRRGGBB colour of pixel (x, y) counted from the top.
uint32_t PixelAt(HMEM dib, int x, int y)
{
    CDeviceBitmap bitmap = DIBToBitmap(dib, nullptr);
    EXPECT_FALSE(bitmap.IsNull());
    return bitmap.IsNull() ? 0xDEADBEEF : bitmap.Pixel(x, y) & 0xFFFFFF;
}

// A 24-bit DIB from top-down 0xRRGGBB pixels.
HMEM Dib24(int width, int height, const std::vector<uint32_t> &pixels)
{
    CDeviceBitmap bitmap;
    bitmap.Create(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            bitmap.SetPixel(x, y, pixels[y * width + x]);
    return BitmapToDIB(bitmap, nullptr);
}

} // namespace

TEST(DibUtil, CreateRoundsTheDepthAndFillsWithOnes)
{
    MemHolder three(CreateDIB(10, 4, 3));
    ASSERT_TRUE(three);
    EXPECT_EQ(Header(three.get()).biBitCount, 4);
    MemHolder twelve(CreateDIB(10, 4, 12));
    EXPECT_EQ(Header(twelve.get()).biBitCount, 24);
    MemHolder one(CreateDIB(10, 4, 0));
    EXPECT_EQ(Header(one.get()).biBitCount, 1);

    const auto bytes = FromBlock(three.get());
    ASSERT_EQ(bytes.size(), 40u + 16 * 4 + 8 * 4);
    for (std::size_t i = 40; i < bytes.size(); ++i)
        ASSERT_EQ(bytes[i], 0xFF) << i;
    EXPECT_TRUE(IsValidDIB(three.get()));
    EXPECT_FALSE(CreateDIB(0, 4, 8));
    EXPECT_FALSE(CreateDIB(40000, 4, 8));
}

TEST(DibUtil, MeasuresHeaderTableAndRows)
{
    const auto bytes = DibBytes(3, 2, 8, GreyTable(5), std::vector<uint8_t>(8), BI_RGB, 5);
    EXPECT_EQ(DIBNumColors(bytes.data()), 5u);
    EXPECT_EQ(PaletteSize(bytes.data()), 20u);
    EXPECT_EQ(FindDIBBits(bytes.data()), bytes.data() + 60);
    EXPECT_EQ(DIBWidth(bytes.data()), 3);
    EXPECT_EQ(DIBHeight(bytes.data()), 2);
    const auto full = DibBytes(3, 2, 4, GreyTable(16), std::vector<uint8_t>(8));
    EXPECT_EQ(DIBNumColors(full.data()), 16u);
    // Bit-field masks sit between a 40-byte header and the rows.
    const auto masks = DibBytes(1, 1, 16, {}, std::vector<uint8_t>(16), BI_BITFIELDS);
    EXPECT_EQ(PaletteSize(masks.data()), 12u);
    EXPECT_EQ(DIBWidthBytes(10, 1), 4u);
    EXPECT_EQ(DIBWidthBytes(5, 24), 16u);

    CPalette palette;
    MemHolder dib(ToBlock(bytes));
    ASSERT_TRUE(CreateDIBPalette(dib.get(), &palette));
    ASSERT_EQ(palette.GetEntryCount(), 5u);
    EXPECT_EQ(palette[4].peRed, 255);
    MemHolder deep(ToBlock(DibBytes(1, 1, 24, {}, { 0, 0, 0, 0 })));
    EXPECT_FALSE(CreateDIBPalette(deep.get(), &palette));
    EXPECT_TRUE(palette.IsEmpty());
}

TEST(DibUtil, RefusesDibsThatDoNotFitTheirBlock)
{
    auto good = DibBytes(4, 4, 8, GreyTable(256), std::vector<uint8_t>(16));
    MemHolder ok(ToBlock(good));
    EXPECT_TRUE(IsValidDIB(ok.get()));

    auto cut = good;
    cut.pop_back();
    MemHolder shortRows(ToBlock(cut));
    EXPECT_FALSE(IsValidDIB(shortRows.get()));

    auto colours = good;
    const uint32_t many = 0x40000000;
    std::memcpy(colours.data() + 32, &many, 4); // biClrUsed
    MemHolder table(ToBlock(colours));
    EXPECT_FALSE(IsValidDIB(table.get()));
    EXPECT_FALSE(DIBToBitmap(table.get(), nullptr).Bits());

    auto depth = good;
    depth[14] = 7;
    MemHolder bad(ToBlock(depth));
    EXPECT_FALSE(IsValidDIB(bad.get()));
    EXPECT_FALSE(ChangeDIBFormat(bad.get(), 24, BI_RGB));

    auto rle = good;
    rle[16] = BI_RLE4; // RLE4 on an 8-bit DIB
    MemHolder mismatch(ToBlock(rle));
    EXPECT_FALSE(IsValidDIB(mismatch.get()));
    EXPECT_FALSE(IsValidDIB(nullptr));
}

TEST(DibUtil, DeviceBitmapRoundTripsAtEveryDepth)
{
    // Colours every depth can hold: black, white and two greys from the table.
    const std::vector<uint32_t> pixels
        = { 0x000000, 0xFFFFFF, 0x808080, 0xC0C0C0, 0xFFFFFF, 0x000000, 0xC0C0C0, 0x808080 };
    MemHolder source(Dib24(4, 2, pixels));
    for (unsigned bits : { 4u, 8u, 16u, 24u, 32u }) {
        MemHolder changed(ChangeDIBFormat(source.get(), bits, BI_RGB));
        ASSERT_TRUE(changed) << bits;
        EXPECT_EQ(Header(changed.get()).biBitCount, bits);
        for (int i = 0; i < 8; ++i) {
            const uint32_t got = PixelAt(changed.get(), i % 4, i / 4);
            if (bits == 16) // five bits a channel
                EXPECT_EQ(got & 0xF8F8F8, pixels[i] & 0xF8F8F8) << bits << " " << i;
            else
                EXPECT_EQ(got, pixels[i]) << bits << " " << i;
        }
    }
    MemHolder mono(ChangeDIBFormat(source.get(), 1, BI_RGB));
    EXPECT_EQ(PixelAt(mono.get(), 1, 0), 0xFFFFFFu);
    EXPECT_EQ(PixelAt(mono.get(), 0, 0), 0u);
}

TEST(DibUtil, RunLengthFormatsRoundTrip)
{
    std::vector<uint32_t> pixels(37 * 5, 0xFFFFFF);
    for (int i = 0; i < 37 * 5; i += 3)
        pixels[i] = (i % 7) ? 0x000000 : 0x808080;
    for (int i = 50; i < 90; ++i)
        pixels[i] = 0xC0C0C0;
    MemHolder source(Dib24(37, 5, pixels));
    for (auto [bits, compression] : { std::pair { 8u, BI_RLE8 }, std::pair { 4u, BI_RLE4 } }) {
        MemHolder plain(ChangeDIBFormat(source.get(), bits, BI_RGB));
        MemHolder packed(ChangeDIBFormat(plain.get(), 0, compression));
        ASSERT_TRUE(packed) << bits;
        EXPECT_EQ(Header(packed.get()).biCompression, compression);
        EXPECT_TRUE(IsValidDIB(packed.get()));
        MemHolder unpacked(ChangeDIBFormat(packed.get(), 0, BI_RGB));
        ASSERT_TRUE(unpacked);
        EXPECT_EQ(FromBlock(unpacked.get()), FromBlock(plain.get())) << bits;
    }
    // A run-length compression fits only its own depth.
    EXPECT_FALSE(ChangeDIBFormat(source.get(), 4, BI_RLE8));
    EXPECT_FALSE(ChangeDIBFormat(source.get(), 24, BI_RLE4));
}

TEST(DibUtil, ReductionUsesTheDibsOwnColours)
{
    const std::vector<RGBQUAD> table = { { 0, 0, 255, 0 }, { 0, 255, 0, 0 }, { 255, 0, 0, 0 } };
    MemHolder dib(ToBlock(DibBytes(3, 1, 8, table, { 0, 1, 2, 0 }, BI_RGB, 3)));
    MemHolder four(ChangeDIBFormat(dib.get(), 4, BI_RGB));
    ASSERT_TRUE(four);
    EXPECT_EQ(Header(four.get()).biClrUsed, 3u);
    EXPECT_EQ(PixelAt(four.get(), 0, 0), 0xFF0000u);
    EXPECT_EQ(PixelAt(four.get(), 2, 0), 0x0000FFu);

    // A true-colour image reduced to 8 bits gets a table built from its colours.
    std::vector<uint32_t> pixels;
    for (uint32_t i = 0; i < 40; ++i)
        pixels.push_back(i * 0x050301);
    MemHolder deep(Dib24(8, 5, pixels));
    MemHolder eight(ChangeDIBFormat(deep.get(), 8, BI_RGB));
    ASSERT_TRUE(eight);
    for (int i = 0; i < 40; ++i)
        EXPECT_EQ(PixelAt(eight.get(), i % 8, i / 8), pixels[i]);
}

TEST(DibUtil, ClipAndResizeKeepTheTopLeft)
{
    // 3x2 8-bit, bottom-up rows: bottom 4 5 6, top 1 2 3.
    MemHolder dib(ToBlock(DibBytes(3, 2, 8, GreyTable(256), { 4, 5, 6, 0, 1, 2, 3, 0 })));
    MemHolder clipped(ClipDIB(dib.get(), 2, 1));
    ASSERT_TRUE(clipped);
    auto bytes = FromBlock(clipped.get());
    EXPECT_EQ(Header(clipped.get()).biWidth, 2);
    EXPECT_EQ(
        std::vector<uint8_t>(bytes.end() - 4, bytes.end()), (std::vector<uint8_t> { 1, 2, 3, 0 }));

    EXPECT_FALSE(ResizeDIB(dib.get(), 3, 2));
    EXPECT_FALSE(ResizeDIB(dib.get(), 2, 1));
    MemHolder bigger(ResizeDIB(dib.get(), 5, 3));
    ASSERT_TRUE(bigger);
    bytes = FromBlock(bigger.get());
    ASSERT_EQ(bytes.size(), 40u + 1024 + 3 * 8);
    // Top row first in the picture, last in memory; the rest 0xFF.
    const std::vector<uint8_t> expected = { 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, //
        4, 5, 6, 0, 0xFF, 0xFF, 0xFF, 0xFF, //
        1, 2, 3, 0, 0xFF, 0xFF, 0xFF, 0xFF };
    EXPECT_EQ(std::vector<uint8_t>(bytes.end() - 24, bytes.end()), expected);
    // The colour table comes along.
    EXPECT_EQ(bytes[40 + 4 * 255], 255);
}

TEST(DibUtil, ShrinkAveragesTheAreaOfEachTargetPixel)
{
    // 4x4 to 2x2: each target pixel is the mean of a 2x2 block.
    std::vector<uint32_t> pixels(16);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            pixels[y * 4 + x]
                = x < 2 ? (y < 2 ? 0x000000 : 0x404040) : (y < 2 ? 0x102030 : 0xFFFFFF);
    pixels[0] = 0x080808; // the top-left block averages 2 in each channel
    MemHolder dib(Dib24(4, 4, pixels));
    MemHolder small(ShrinkDIB(dib.get(), 2, 2));
    ASSERT_TRUE(small);
    EXPECT_EQ(Header(small.get()).biBitCount, 24);
    EXPECT_EQ(PixelAt(small.get(), 0, 0), 0x020202u);
    EXPECT_EQ(PixelAt(small.get(), 1, 0), 0x102030u);
    EXPECT_EQ(PixelAt(small.get(), 0, 1), 0x404040u);
    EXPECT_EQ(PixelAt(small.get(), 1, 1), 0xFFFFFFu);

    // 3 to 2 columns: the middle pixel counts half to each side.
    MemHolder row(Dib24(3, 1, { 0x000000, 0x5A5A5A, 0xB4B4B4 }));
    MemHolder two(ShrinkDIB(row.get(), 2, 1));
    EXPECT_EQ(PixelAt(two.get(), 0, 0), 0x1E1E1Eu); // (0 + 90 / 2) / 1.5 = 30
    EXPECT_EQ(PixelAt(two.get(), 1, 0), 0x969696u); // (90 / 2 + 180) / 1.5 = 150

    // Other depths are read as what they are, not as 24-bit triplets.
    MemHolder grey(ToBlock(DibBytes(2, 1, 8, GreyTable(256), { 0, 200, 0, 0 })));
    MemHolder one(ShrinkDIB(grey.get(), 1, 1));
    EXPECT_EQ(PixelAt(one.get(), 0, 0), 0x646464u);

    // Never larger than the source.
    MemHolder same(ShrinkDIB(row.get(), 10, 10));
    EXPECT_EQ(Header(same.get()).biWidth, 3);
    EXPECT_EQ(Header(same.get()).biHeight, 1);
}

TEST(DibUtil, TopDownDibsReadTheRightWayUp)
{
    MemHolder dib(ToBlock(DibBytes(1, -2, 24, {}, { 0, 0, 255, 0, 255, 0, 0, 0 })));
    EXPECT_EQ(PixelAt(dib.get(), 0, 0), 0xFF0000u);
    EXPECT_EQ(PixelAt(dib.get(), 0, 1), 0x0000FFu);
    MemHolder copy(CopyHandle(dib.get()));
    EXPECT_EQ(FromBlock(copy.get()), FromBlock(dib.get()));
}
