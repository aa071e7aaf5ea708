#include "kx_gen/DibUtil.h"
#include "kx_gen/PalmBmp.h"

#include "dib_test_support.h"

#include <gtest/gtest.h>

#include <set>
#include <tuple>

using namespace kx_gen;
using namespace dibtest;

namespace {

std::tuple<int, int, int> Rgb(const PalmRGB &c)
{
    return { c.red, c.green, c.blue };
}

} // namespace

TEST(PalmPalettes, HoldTheirExactEntries)
{
    EXPECT_EQ(Rgb(CPalmBmp::PalmPalette1bpp[0]), std::make_tuple(255, 255, 255));
    EXPECT_EQ(Rgb(CPalmBmp::PalmPalette1bpp[1]), std::make_tuple(0, 0, 0));
    EXPECT_EQ(Rgb(CPalmBmp::PalmPalette2bpp[1]), std::make_tuple(192, 192, 192));
    EXPECT_EQ(Rgb(CPalmBmp::PalmPalette2bpp[2]), std::make_tuple(128, 128, 128));
    EXPECT_EQ(Rgb(CPalmBmp::PalmPalette2bpp[15]), std::make_tuple(0, 0, 0));
    EXPECT_EQ(Rgb(CPalmBmp::PalmPalette4bpp[3]), std::make_tuple(204, 204, 204));
    EXPECT_EQ(Rgb(CPalmBmp::PalmPalette4bpp[15]), std::make_tuple(0, 0, 0));
    EXPECT_EQ(Rgb(CPalmBmp::PalmPalette4bppColor[8]), std::make_tuple(255, 0, 255));
    EXPECT_EQ(Rgb(CPalmBmp::PalmPalette4bppColor[10]), std::make_tuple(255, 0, 0));

    const auto &p = CPalmBmp::PalmPalette8bpp;
    EXPECT_EQ(Rgb(p[0]), std::make_tuple(255, 255, 255));
    EXPECT_EQ(Rgb(p[1]), std::make_tuple(255, 204, 255));
    EXPECT_EQ(Rgb(p[6]), std::make_tuple(255, 255, 204));
    EXPECT_EQ(Rgb(p[107]), std::make_tuple(0, 0, 153));
    EXPECT_EQ(Rgb(p[108]), std::make_tuple(255, 255, 102));
    EXPECT_EQ(Rgb(p[125]), std::make_tuple(255, 0, 0));
    EXPECT_EQ(Rgb(p[214]), std::make_tuple(0, 51, 0));
    EXPECT_EQ(Rgb(p[215]), std::make_tuple(17, 17, 17));
    EXPECT_EQ(Rgb(p[224]), std::make_tuple(238, 238, 238));
    EXPECT_EQ(Rgb(p[225]), std::make_tuple(192, 192, 192));
    EXPECT_EQ(Rgb(p[229]), std::make_tuple(0, 128, 128));
    EXPECT_EQ(Rgb(p[230]), std::make_tuple(0, 0, 0));
    EXPECT_EQ(Rgb(p[255]), std::make_tuple(0, 0, 0));
    // The cube: 215 different colours, none of them black.
    std::set<std::tuple<int, int, int>> cube;
    for (int i = 0; i <= 214; ++i)
        cube.insert(Rgb(p[i]));
    EXPECT_EQ(cube.size(), 215u);
    EXPECT_EQ(cube.count({ 0, 0, 0 }), 0u);
}

TEST(PalmBitmap, RowSizesFollowTheAlignment)
{
    EXPECT_EQ(CPalmBmp::BMP_CbRow(10, 1, 16), 2u);
    EXPECT_EQ(CPalmBmp::BMP_CbRow(10, 4, 16), 6u);
    EXPECT_EQ(CPalmBmp::BMP_CbRow(17, 1, 16), 4u);
    EXPECT_EQ(CPalmBmp::BMP_CbRow(10, 2, 8), 3u);
    EXPECT_EQ(CPalmBmp::BMP_CbRow(3, 8, 32), 4u);
    EXPECT_EQ(CPalmBmp::BMP_CbRow(160, 8, 16), 160u);
}

TEST(PalmBitmap, NearestColourPrefersTheLowestIndex)
{
    EXPECT_EQ(
        CPalmBmp::BMP_RGBToColorIndex(255, 0, 0, CPalmBmp::PalmPalette4bppColor.data(), 16), 10);
    EXPECT_EQ(CPalmBmp::BMP_RGBToColorIndex(255, 0, 0, CPalmBmp::PalmPalette8bpp.data(), 256), 125);
    // Black is entry 15 of the colour table and 230 onwards in 8 bits.
    EXPECT_EQ(
        CPalmBmp::BMP_RGBToColorIndex(0, 0, 0, CPalmBmp::PalmPalette4bppColor.data(), 16), 15);
    EXPECT_EQ(CPalmBmp::BMP_RGBToColorIndex(0, 0, 0, CPalmBmp::PalmPalette8bpp.data(), 256), 230);
    EXPECT_EQ(CPalmBmp::BMP_RGBToColorIndex(200, 200, 200, CPalmBmp::PalmPalette2bpp.data(), 4), 1);
}

TEST(PalmBitmap, PixelAccessorsPackFromTheLeft)
{
    uint8_t row[8] = {};
    CPalmBmp::BMP_SetBits1bpp(row, 1, 1);
    CPalmBmp::BMP_SetBits2bpp(row + 1, 1, 2);
    CPalmBmp::BMP_SetBits4bpp(row + 2, 1, 0xA);
    EXPECT_EQ(row[0], 0x40);
    EXPECT_EQ(row[1], 0x20);
    EXPECT_EQ(row[2], 0x0A);
    EXPECT_EQ(CPalmBmp::BMP_GetBits1bpp(row, 1), 1u);
    EXPECT_EQ(CPalmBmp::BMP_GetBits2bpp(row + 1, 1), 2u);
    EXPECT_EQ(CPalmBmp::BMP_GetBits4bpp(row + 2, 1), 0xAu);
    CPalmBmp::BMP_SetBits1bpp(row, 1, 0);
    EXPECT_EQ(row[0], 0);
    CPalmBmp::BMP_SetBits24bpp(row, 1, 0x123456);
    EXPECT_EQ(row[3], 0x56);
    EXPECT_EQ(row[5], 0x12);
    EXPECT_EQ(CPalmBmp::BMP_GetBits24bpp(row, 1), 0x123456u);
    CPalmBmp::BMP_SetBits16bpp(row, 3, 0xBEEF);
    EXPECT_EQ(CPalmBmp::BMP_GetBits16bpp(row, 3), 0xBEEFu);
}

TEST(PalmBitmap, FlipAndWiden)
{
    uint8_t rows[6] = { 1, 2, 3, 4, 5, 6 };
    CPalmBmp::FlipBitmap(rows, 2, 6);
    EXPECT_EQ(std::vector<uint8_t>(rows, rows + 6), (std::vector<uint8_t> { 5, 6, 3, 4, 1, 2 }));

    const uint8_t two[2] = { 0x1B, 0xC0 }; // 0 1 2 3 | 3 0 ...
    uint8_t four[4] = {};
    CPalmBmp::Convert2to4bits(two, 2, four, 4, 6, 1);
    EXPECT_EQ(
        std::vector<uint8_t>(four, four + 4), (std::vector<uint8_t> { 0x01, 0x23, 0x30, 0x00 }));
}

TEST(PalmBitmap, HandheldTwoBitRowsBecomeFourBitDib)
{
    // Two rows of 5 pixels, 16-bit aligned: 2 bytes a row.
    const uint8_t rows[4] = { 0x1B, 0x00, 0xE4, 0xC0 };
    HMEM dib = nullptr;
    ASSERT_TRUE(CPalmBmp::ConvertPalmBitmap(rows, 2, 5, 2, 16, &dib));
    MemHolder holder(dib);
    const BITMAPINFOHEADER h = Header(dib);
    EXPECT_EQ(h.biBitCount, 4);
    EXPECT_EQ(h.biClrUsed, 16u);
    EXPECT_EQ(h.biHeight, 2);
    const auto bytes = FromBlock(dib);
    ASSERT_EQ(bytes.size(), 40u + 64 + 8);
    // Entry 1 light grey, entry 4 black.
    EXPECT_EQ(bytes[40 + 4], 192);
    EXPECT_EQ(bytes[40 + 16], 0);
    // Rows stay in the handheld's order.
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 104, bytes.end()),
        (std::vector<uint8_t> { 0x01, 0x23, 0x00, 0x00, 0x32, 0x10, 0x30, 0x00 }));

    EXPECT_FALSE(CPalmBmp::ConvertPalmBitmap(rows, 2, 5, 16, 16, &dib));
    EXPECT_FALSE(CPalmBmp::ConvertPalmBitmap(rows, 2, 5, 3, 16, &dib));
    EXPECT_FALSE(CPalmBmp::ConvertPalmBitmap(rows, 2, 5, 2, 12, &dib));
}

TEST(PalmBitmap, WindowsBitmapMapsToTheTargetPalettes)
{
    // 24-bit 2x2, bottom-up: bottom row red, black; top row white, blue.
    const std::vector<uint8_t> rows = { 0, 0, 255, 0, 0, 0, 0, 0, 255, 255, 255, 255, 0, 0, 0, 0 };
    MemHolder dib(ToBlock(DibBytes(2, 2, 24, {}, rows)));

    HMEM out = nullptr;
    ASSERT_TRUE(CPalmBmp::ConvertWindowsBitmap(dib.get(), &out, CPalmBmp::kTarget4bppColor, 16));
    MemHolder colour(out);
    // Top-down: white, blue; red, black.
    EXPECT_EQ(FromBlock(out), (std::vector<uint8_t> { 0x0E, 0x00, 0xAF, 0x00 }));

    ASSERT_TRUE(CPalmBmp::ConvertWindowsBitmap(dib.get(), &out, CPalmBmp::kTarget8bpp, 16));
    MemHolder system(out);
    EXPECT_EQ(FromBlock(out), (std::vector<uint8_t> { 0, 95, 125, 230 }));

    ASSERT_TRUE(CPalmBmp::ConvertWindowsBitmap(dib.get(), &out, CPalmBmp::kTarget1bpp, 16));
    MemHolder mono(out);
    // Pure blue and pure red lie nearer black than white: only white clears a bit.
    EXPECT_EQ(FromBlock(out), (std::vector<uint8_t> { 0x40, 0x00, 0xC0, 0x00 }));

    EXPECT_FALSE(CPalmBmp::ConvertWindowsBitmap(dib.get(), &out, 5, 16));
}

TEST(PalmBitmap, HandheldRowsSurviveTheTripThroughADib)
{
    for (int bits : { 1, 2, 4, 8 }) {
        const int width = 13, height = 7;
        const uint32_t rowBytes = CPalmBmp::BMP_CbRow(width, bits, 16);
        std::vector<uint8_t> palm(rowBytes * height, 0);
        const int levels = bits == 8 ? 231 : 1 << bits;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const uint32_t v = uint32_t((x * 7 + y * 3) % levels);
                uint8_t *row = palm.data() + y * rowBytes;
                switch (bits) {
                case 1:
                    CPalmBmp::BMP_SetBits1bpp(row, x, v);
                    break;
                case 2:
                    CPalmBmp::BMP_SetBits2bpp(row, x, v);
                    break;
                case 4:
                    CPalmBmp::BMP_SetBits4bpp(row, x, v);
                    break;
                default:
                    // Entries past 229 are all black, so only the distinct ones.
                    CPalmBmp::BMP_SetBits8bpp(row, x, v < 230 ? v : 0);
                }
            }
        HMEM dib = nullptr;
        ASSERT_TRUE(CPalmBmp::ConvertPalmBitmap(palm.data(), height, width, bits, 16, &dib));
        MemHolder holder(dib);
        // The handheld's top row comes first; a DIB's last.
        {
            auto *p = static_cast<uint8_t *>(MemGetPtr(dib));
            const std::size_t stride = DIBWidthBytes(width, bits == 2 ? 4 : bits);
            CPalmBmp::FlipBitmap(FindDIBBits(p), stride, stride * height);
            MemReleasePtr(dib);
        }
        const int target = bits == 1 ? CPalmBmp::kTarget1bpp
            : bits == 2              ? CPalmBmp::kTarget2bpp
            : bits == 4              ? CPalmBmp::kTarget4bppGrey
                                     : CPalmBmp::kTarget8bpp;
        HMEM back = nullptr;
        ASSERT_TRUE(CPalmBmp::ConvertWindowsBitmap(dib, &back, target, 16));
        MemHolder backHolder(back);
        EXPECT_EQ(FromBlock(back), palm) << bits;
    }
}
