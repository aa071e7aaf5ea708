#include "kx_gen/Compression.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

using namespace kx_gen;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Compress(CCompression &coder, const Bytes &in)
{
    const uint8_t *out = nullptr;
    std::size_t len = 0;
    EXPECT_TRUE(coder.Compress(in.data(), in.size(), &out, &len));
    return Bytes(out, out + len);
}

bool Decompress(CCompression &coder, const Bytes &in, Bytes *result, std::size_t limit = SIZE_MAX)
{
    const uint8_t *out = nullptr;
    std::size_t len = 0;
    if (!coder.Decompress(in.data(), in.size(), &out, &len, limit))
        return false;
    result->assign(out, out + len);
    return true;
}

Bytes RandomBytes(std::size_t n, unsigned seed)
{
    std::mt19937 rng(seed);
    Bytes b(n);
    for (auto &c : b)
        c = uint8_t(rng());
    return b;
}

// Mostly white with short dark strokes, as a line drawing's rows.
Bytes LineArt(std::size_t n)
{
    Bytes b(n, 0xFF);
    for (std::size_t i = 0; i < n; i += 97)
        for (std::size_t k = i; k < i + 5 && k < n; ++k)
            b[k] = uint8_t(k * 31);
    return b;
}

} // namespace

TEST(Compression, ShortInputsAreStoredAndComeBack)
{
    CCompression coder;
    for (std::size_t n = 0; n < 6; ++n) {
        const Bytes in(n, 'x');
        const Bytes out = Compress(coder, in);
        ASSERT_EQ(out.size(), n + 4);
        EXPECT_EQ(out[0], CCompression::kFlagStored);
        EXPECT_EQ(Bytes(out.begin() + 4, out.end()), in);
        Bytes back;
        ASSERT_TRUE(Decompress(coder, out, &back));
        EXPECT_EQ(back, in);
    }
}

TEST(Compression, IncompressibleInputIsStored)
{
    CCompression coder;
    const Bytes in = RandomBytes(5000, 7);
    const Bytes out = Compress(coder, in);
    ASSERT_EQ(out.size(), in.size() + 4);
    EXPECT_EQ(out[0], 1);
    EXPECT_EQ(out[1] | out[2] | out[3], 0);
    Bytes back;
    ASSERT_TRUE(Decompress(coder, out, &back));
    EXPECT_EQ(back, in);
}

TEST(Compression, RunOfHundredBytesIsOneLiteralThenCopies)
{
    CCompression coder;
    const Bytes in(100, 'A');
    // One literal, a copy of 16 at offset 1, then copies of 16 from the
    // previous item (offset 16: the table holds the start of the last item
    // with the same hash), and the last three bytes as literals. Ten items,
    // so the control word is shifted down to bit 0.
    const Bytes expected = { 0, 0, 0, 0, 0x7E, 0x00, 'A', 0x0F, 0x01, 0x0F, 0x10, 0x0F, 0x10, 0x0F,
        0x10, 0x0F, 0x10, 0x0F, 0x10, 'A', 'A', 'A' };
    EXPECT_EQ(Compress(coder, in), expected);
    Bytes back;
    ASSERT_TRUE(Decompress(coder, expected, &back));
    EXPECT_EQ(back, in);
}

TEST(Compression, FullLastGroupLeavesNoEmptyControlWord)
{
    CCompression coder;
    // 31 equal bytes: a literal, one copy of 16 and 14 literals, 16 items.
    const Bytes in(31, 'z');
    const Bytes out = Compress(coder, in);
    ASSERT_EQ(out.size(), 4u + 2 + 1 + 2 + 14);
    EXPECT_EQ(out[4], 0x02);
    EXPECT_EQ(out[5], 0x00);
    Bytes back;
    ASSERT_TRUE(Decompress(coder, out, &back));
    EXPECT_EQ(back, in);
}

TEST(Compression, RoundTripsAcrossSizesAndKinds)
{
    CCompression coder;
    for (std::size_t n : { 6u, 15u, 16u, 17u, 255u, 256u, 257u, 4095u, 4096u, 70000u, 300000u }) {
        for (const Bytes &in : { LineArt(n), RandomBytes(n, unsigned(n)), Bytes(n, 0) }) {
            const Bytes out = Compress(coder, in);
            ASSERT_LE(out.size(), n + 4);
            if (out[0] == CCompression::kFlagCompressed) {
                EXPECT_LE(out.size(), n) << n;
            }
            Bytes back;
            ASSERT_TRUE(Decompress(coder, out, &back)) << n;
            ASSERT_EQ(back, in) << n;
        }
    }
    EXPECT_EQ(coder.GetBufferSize() % CCompression::kGrowStep, 0u);
    EXPECT_GE(coder.GetBufferSize(), 300000u + 256);
}

TEST(Compression, DrawingRowsShrink)
{
    CCompression coder;
    const Bytes in = LineArt(160 * 160 / 2);
    const Bytes out = Compress(coder, in);
    EXPECT_EQ(out[0], CCompression::kFlagCompressed);
    EXPECT_LT(out.size(), in.size() / 3);
}

TEST(Compression, WorkBufferIsReusedAndCanBeFreed)
{
    CCompression coder;
    EXPECT_EQ(coder.GetBufferSize(), CCompression::kGrowStep);
    const Bytes in = LineArt(1000);
    const Bytes first = Compress(coder, in);
    const Bytes second = Compress(coder, in);
    EXPECT_EQ(first, second);
    coder.freeMem();
    EXPECT_EQ(coder.GetBufferSize(), 0u);
    EXPECT_EQ(Compress(coder, in), first);
}

TEST(Compression, MalformedStreamsAreRefused)
{
    CCompression coder;
    Bytes back;
    // Too short for the header, an unknown flag.
    EXPECT_FALSE(Decompress(coder, { 0, 0, 0 }, &back));
    EXPECT_FALSE(Decompress(coder, { 7, 0, 0, 0, 0, 0, 'a' }, &back));
    // A control word cut in half.
    EXPECT_FALSE(Decompress(coder, { 0, 0, 0, 0, 0x00 }, &back));
    // A copy before anything was written, and one reaching before the start.
    EXPECT_FALSE(Decompress(coder, { 0, 0, 0, 0, 0x01, 0x00, 0x0F, 0x01 }, &back));
    EXPECT_FALSE(Decompress(coder, { 0, 0, 0, 0, 0x02, 0x00, 'a', 0x0F, 0x02 }, &back));
    // A copy at offset 0.
    EXPECT_FALSE(Decompress(coder, { 0, 0, 0, 0, 0x02, 0x00, 'a', 0x0F, 0x00 }, &back));
    // A copy item cut after its first byte.
    EXPECT_FALSE(Decompress(coder, { 0, 0, 0, 0, 0x02, 0x00, 'a', 0x0F }, &back));
    // Header only decodes to nothing.
    ASSERT_TRUE(Decompress(coder, { 0, 0, 0, 0 }, &back));
    EXPECT_TRUE(back.empty());
}

TEST(Compression, OutputLimitIsEnforced)
{
    CCompression coder;
    const Bytes in(5000, 'q');
    const Bytes out = Compress(coder, in);
    Bytes back;
    EXPECT_FALSE(Decompress(coder, out, &back, 4999));
    ASSERT_TRUE(Decompress(coder, out, &back, 5000));
    EXPECT_EQ(back.size(), 5000u);
    const Bytes stored = Compress(coder, RandomBytes(100, 3));
    EXPECT_FALSE(Decompress(coder, stored, &back, 99));
}

TEST(Compression, LongGroupsOfCopiesAtEveryOffsetDecode)
{
    // Hand-built stream: 16 literals, then groups of copies at offsets 1..16
    // of every length, which the decoder's fast path and its careful path
    // must both copy byte by byte where they overlap.
    Bytes stream = { 0, 0, 0, 0, 0x00, 0x00 };
    Bytes expected;
    for (int i = 0; i < 16; ++i) {
        stream.push_back(uint8_t('a' + i));
        expected.push_back(uint8_t('a' + i));
    }
    for (int offset = 1; offset <= 16; ++offset) {
        stream.push_back(0xFF);
        stream.push_back(0xFF);
        for (int len = 1; len <= 16; ++len) {
            stream.push_back(uint8_t(len - 1));
            stream.push_back(uint8_t(offset));
            for (int k = 0; k < len; ++k)
                expected.push_back(expected[expected.size() - offset]);
        }
    }
    CCompression coder;
    Bytes back;
    ASSERT_TRUE(Decompress(coder, stream, &back));
    EXPECT_EQ(back, expected);
}
