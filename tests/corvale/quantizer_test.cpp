#include "kx_gen/Quantizer.h"

#include "dib_test_support.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

using namespace kx_gen;
using namespace dibtest;

namespace {

// A 24-bit BITMAPINFO with rows for `colors` (one pixel each, in one row).
struct Image24 {
    std::vector<uint8_t> bytes;
    const BITMAPINFO *info() const { return reinterpret_cast<const BITMAPINFO *>(bytes.data()); }
    const uint8_t *bits() const { return bytes.data() + 40; }
};

Image24 Row(const std::vector<uint32_t> &colors)
{
    const int width = int(colors.size());
    std::vector<uint8_t> rows(DIBWidthBytes(width, 24), 0);
    for (int x = 0; x < width; ++x) {
        rows[3 * x] = uint8_t(colors[x]);
        rows[3 * x + 1] = uint8_t(colors[x] >> 8);
        rows[3 * x + 2] = uint8_t(colors[x] >> 16);
    }
    return { DibBytes(width, 1, 24, {}, rows) };
}

} // namespace

TEST(Quantizer, KeepsFewColoursExactly)
{
    const Image24 image = Row({ 0xFF0000, 0x00FF00, 0xFF0000, 0x0000FF });
    CQuantizer q(16, 8);
    ASSERT_TRUE(q.ProcessImage(image.info(), image.bits()));
    ASSERT_EQ(q.GetColorCount(), 3u);
    std::vector<RGBQUAD> table(3);
    q.GetColorTable(table.data());
    std::set<uint32_t> found;
    for (const RGBQUAD &c : table)
        found.insert((uint32_t(c.rgbRed) << 16) | (uint32_t(c.rgbGreen) << 8) | c.rgbBlue);
    EXPECT_EQ(found, (std::set<uint32_t> { 0xFF0000, 0x00FF00, 0x0000FF }));
}

TEST(Quantizer, NeverExceedsItsColourBound)
{
    std::vector<uint32_t> seventeen;
    for (uint32_t i = 0; i < 17; ++i)
        seventeen.push_back(i * 0x0F0F0F);
    const Image24 image = Row(seventeen);
    CQuantizer q(16, 8);
    ASSERT_TRUE(q.ProcessImage(image.info(), image.bits()));
    EXPECT_LE(q.GetColorCount(), 16u);
    EXPECT_GE(q.GetColorCount(), 2u);

    std::mt19937 rng(5);
    std::vector<uint32_t> noise(5000);
    for (auto &c : noise)
        c = rng() & 0xFFFFFF;
    for (unsigned bound : { 1u, 2u, 7u, 256u }) {
        CQuantizer many(bound, 6);
        const Image24 big = Row(noise);
        ASSERT_TRUE(many.ProcessImage(big.info(), big.bits()));
        EXPECT_LE(many.GetColorCount(), bound);
        EXPECT_GE(many.GetColorCount(), 1u);
        std::vector<RGBQUAD> table(many.GetColorCount());
        many.GetColorTable(table.data());
    }
}

TEST(Quantizer, MergedColoursAreMeans)
{
    // Two greys and nothing else, reduced to one colour: their mean.
    CQuantizer q(1, 8);
    const uint32_t pixels[] = { 0x101010, 0x303030, 0x303030, 0x101010 };
    q.ProcessPixels(pixels, 4);
    ASSERT_EQ(q.GetColorCount(), 1u);
    RGBQUAD c;
    q.GetColorTable(&c);
    EXPECT_EQ(c.rgbRed, 0x20);
    EXPECT_EQ(c.rgbGreen, 0x20);
    EXPECT_EQ(c.rgbBlue, 0x20);
}

TEST(Quantizer, RefusesAllButTrueColour)
{
    const auto eight = DibBytes(2, 1, 8, GreyTable(256), { 0, 1, 0, 0 });
    CQuantizer q(16, 8);
    EXPECT_FALSE(q.ProcessImage(
        reinterpret_cast<const BITMAPINFO *>(eight.data()), eight.data() + 40 + 1024));
    EXPECT_EQ(q.GetColorCount(), 0u);
}

TEST(Quantizer, MaskShiftCounts)
{
    EXPECT_EQ(CQuantizer::GetLeftShiftCount(0x7C00), 3);
    EXPECT_EQ(CQuantizer::GetRightShiftCount(0x7C00), 10);
    EXPECT_EQ(CQuantizer::GetLeftShiftCount(0x07E0), 2);
    EXPECT_EQ(CQuantizer::GetRightShiftCount(0x07E0), 5);
    EXPECT_EQ(CQuantizer::GetRightShiftCount(0), -1);
}
