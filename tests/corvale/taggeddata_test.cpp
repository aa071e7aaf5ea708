#include "ContainerFixtures.h"

#include "kx_gen/BufferManager.h"
#include "kx_gen/TaggedDataManager.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

using namespace kx_gen;
using container_test::thrown;

namespace {

using Bytes = std::vector<std::uint8_t>;

// A tag block that owns its data, as a record or header does.
struct Block {
    std::uint8_t *data = nullptr;
    CTaggedDataManager tags { &data, 0, false, 0, kMemBlock };

    Block() = default;
    explicit Block(const Bytes &bytes, bool swap = false)
    {
        if (!bytes.empty()) {
            data = static_cast<std::uint8_t *>(std::malloc(bytes.size()));
            std::copy(bytes.begin(), bytes.end(), data);
        }
        tags.assignBuffer(&data, static_cast<std::uint32_t>(bytes.size()),
            static_cast<std::uint32_t>(bytes.size()), kMemBlock);
        tags.setSwap(swap);
    }
    ~Block() { std::free(data); }
    Bytes bytes() const { return Bytes(data, data + tags.size()); }
};

Bytes tagBytes(
    std::uint32_t id, const Bytes &value, std::uint32_t flags = 1, std::uint8_t version = 0)
{
    Bytes b = { 0x74, 0x61, version };
    for (std::uint32_t v : { flags, id, static_cast<std::uint32_t>(value.size()) })
        for (int i = 0; i < 4; ++i)
            b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    b.insert(b.end(), value.begin(), value.end());
    return b;
}

Bytes operator+(Bytes a, const Bytes &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::vector<std::uint32_t> idsOf(const Block &block)
{
    std::vector<std::uint32_t> ids;
    std::uint32_t pos = 0;
    CTaggedDataManager::TagType tag;
    while (block.tags.size() - pos >= kTagHeaderSize) {
        block.tags.readTagHeader(pos, tag);
        ids.push_back(tag.id);
        pos += kTagHeaderSize + tag.length;
    }
    return ids;
}

} // namespace

TEST(BufferManager, ReplaceGrowsInWholeBlocksAndKeepsTheTail)
{
    std::uint8_t *data = nullptr;
    CBufferManager buf(&data, 0, 0, 8);
    ASSERT_EQ(buf.insert(0, "abcdef", 6), 0);
    EXPECT_EQ(buf.capacity(), 8u);
    ASSERT_EQ(buf.insert(3, "XYZ", 3), 0); // 9 bytes: next whole block above
    EXPECT_EQ(buf.capacity(), 16u);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(data), buf.size()), "abcXYZdef");
    ASSERT_EQ(buf.replace(0, 3, "12345", 5), 0);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(data), buf.size()), "12345XYZdef");
    ASSERT_EQ(buf.erase(5, 3), 0);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(data), buf.size()), "12345def");
    ASSERT_EQ(buf.write(0, "zz", 2), 0);
    char out[3] = {};
    ASSERT_EQ(buf.read(6, out, 2), 0);
    EXPECT_STREQ(out, "ef");
    EXPECT_EQ(buf.resize(), 0);
    EXPECT_EQ(buf.capacity(), 16u); // smallest multiple of 8 above 8 bytes
    buf.deleteBuff();
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(buf.size(), 0u);
}

TEST(BufferManager, RangesOutsideTheDataAreRefusedAndChangeNothing)
{
    std::uint8_t *data = nullptr;
    CBufferManager buf(&data, 0, 0, 8);
    ASSERT_EQ(buf.insert(0, "abcd", 4), 0);
    char out[8];
    EXPECT_EQ(buf.read(2, out, 3), kTagError);
    EXPECT_EQ(buf.write(4, "x", 1), kTagError);
    EXPECT_EQ(buf.replace(5, 0, "x", 1), kTagError);
    EXPECT_EQ(buf.erase(1, 0xFFFFFFFF), kTagError);
    EXPECT_EQ(buf.get(5), nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(data), buf.size()), "abcd");
    buf.deleteBuff();
}

TEST(TaggedData, EmptyBlockHasNoTagsAndTheFirstSetCreatesHeaderAndData)
{
    Block b;
    std::uint32_t offset = 99;
    bool found = true;
    ASSERT_EQ(b.tags.findTag(5, offset, found), 0);
    EXPECT_FALSE(found);
    EXPECT_EQ(offset, 0u);
    std::uint32_t size = 4;
    std::uint8_t out[4];
    EXPECT_EQ(b.tags.getData(5, out, size), kTagNotFound);

    bool changed = false;
    ASSERT_EQ(b.tags.setData(5, "\x01\x02\x03", 3, &changed), 0);
    EXPECT_TRUE(changed);
    EXPECT_EQ(b.bytes(), tagBytes(5, { 1, 2, 3 }));
    EXPECT_EQ(b.tags.size(), 18u);
}

TEST(TaggedData, SettingAnEqualValueLeavesTheBytesAndReportsNoChange)
{
    // A stored tag whose changed bit was cleared (as after a synchronisation).
    Block b(tagBytes(4, { 9, 9 }, 0));
    const Bytes before = b.bytes();
    bool changed = true;
    ASSERT_EQ(b.tags.setData(4, "\x09\x09", 2, &changed), 0);
    EXPECT_FALSE(changed);
    EXPECT_EQ(b.bytes(), before);

    // The same bytes under another version are a change.
    ASSERT_EQ(b.tags.setData(4, "\x09\x09", 2, &changed, 3), 0);
    EXPECT_TRUE(changed);
    EXPECT_EQ(b.bytes(), tagBytes(4, { 9, 9 }, 1, 3));

    // Once set, the changed bit stays until cleared, so equal values rewrite.
    ASSERT_EQ(b.tags.setData(4, "\x09\x09", 2, &changed, 3), 0);
    EXPECT_TRUE(changed);
    ASSERT_EQ(b.tags.setTagChanged(4, false), 0);
    ASSERT_EQ(b.tags.setData(4, "\x09\x09", 2, &changed, 3), 0);
    EXPECT_FALSE(changed);
    bool bit = true;
    ASSERT_EQ(b.tags.getTagChanged(4, bit), 0);
    EXPECT_FALSE(bit);
}

TEST(TaggedData, TagsEndUpSortedWithStringsAfterPlainTags)
{
    Block b;
    ASSERT_EQ(b.tags.setString(0, "zero"), 0);
    ASSERT_EQ(b.tags.setUInt32(9, 1), 0);
    ASSERT_EQ(b.tags.setUInt8(1, 2), 0);
    ASSERT_EQ(b.tags.setString(2, "two"), 0);
    ASSERT_EQ(b.tags.setUInt16(4, 3), 0);
    ASSERT_EQ(b.tags.setData(4, "\x01\x02\x03\x04\x05", 5), 0); // grows in place
    EXPECT_EQ(idsOf(b), (std::vector<std::uint32_t> { 1, 4, 9, 0x10000, 0x10002 }));

    ASSERT_EQ(b.tags.deleteData(4), 0);
    EXPECT_EQ(b.tags.deleteData(4), 0); // absent: nothing to do
    EXPECT_EQ(idsOf(b), (std::vector<std::uint32_t> { 1, 9, 0x10000, 0x10002 }));
    _String s;
    ASSERT_EQ(b.tags.getString(2, s), 0);
    EXPECT_EQ(s, "two");
}

TEST(TaggedData, ValuesReadBackWithTheirSizesVersionsAndLimits)
{
    Block b;
    ASSERT_EQ(b.tags.setData(7, "abcdef", 6, nullptr, 2), 0);
    char out[8] = {};
    std::uint32_t size = 8;
    std::uint8_t version = 0;
    ASSERT_EQ(b.tags.getData(7, out, size, &version), 0);
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(version, 2);
    EXPECT_EQ(std::string(out, 6), "abcdef");

    size = 5; // too small: nothing copied
    char small[5] = { '-', '-', '-', '-', '-' };
    EXPECT_EQ(b.tags.getData(7, small, size), kTagBufferOverflow);
    EXPECT_EQ(small[0], '-');

    EXPECT_NE(b.tags.getDataPtr(7, 6), nullptr);
    EXPECT_EQ(b.tags.getDataPtr(7, 7), nullptr);
    EXPECT_EQ(b.tags.getDataPtr(8, 0), nullptr);

    std::uint32_t n = 0;
    ASSERT_EQ(b.tags.getTagDataSize(7, n), 0);
    EXPECT_EQ(n, 6u);
    EXPECT_EQ(b.tags.getTagVersion(8, version), kTagNotFound);
    EXPECT_EQ(b.tags.setTagChanged(8, true), kTagNotFound);

    // A value copied from the block itself survives the block moving.
    ASSERT_EQ(b.tags.setData(100, b.tags.getDataPtr(7, 6), 6), 0);
    size = 8;
    ASSERT_EQ(b.tags.getData(100, out, size), 0);
    EXPECT_EQ(std::string(out, 6), "abcdef");
}

TEST(TaggedData, TypedValuesHaveFixedWidthsAndSwapModeReversesThem)
{
    Block b;
    ASSERT_EQ(b.tags.setUInt16(1, 0x1234), 0);
    ASSERT_EQ(b.tags.setInt32(2, -2), 0);
    ASSERT_EQ(b.tags.setBool(3, true), 0);
    EXPECT_EQ(b.bytes(),
        tagBytes(1, { 0x34, 0x12 }) + tagBytes(2, { 0xFE, 0xFF, 0xFF, 0xFF }) + tagBytes(3, { 1 }));
    std::uint32_t u = 0;
    EXPECT_EQ(b.tags.getUInt32(1, u), kTagDataCorrupt); // 2 bytes stored
    std::uint8_t byte = 0;
    EXPECT_EQ(b.tags.getUInt8(2, byte), kTagBufferOverflow);

    Block s(Bytes {}, true);
    ASSERT_EQ(s.tags.setUInt16(0x0102, 0x1234), 0);
    ASSERT_EQ(s.tags.setString(0, "ab"), 0);
    // Code, id, length and the value reversed; version, flags and text not.
    const Bytes expected = { 0x61, 0x74, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x02, 0x00,
        0x00, 0x00, 0x02, 0x12, 0x34 };
    EXPECT_EQ(Bytes(s.data, s.data + expected.size()), expected);
    std::uint16_t v = 0;
    ASSERT_EQ(s.tags.getUInt16(0x0102, v), 0);
    EXPECT_EQ(v, 0x1234);
    _String text;
    ASSERT_EQ(s.tags.getString(0, text), 0);
    EXPECT_EQ(text, "ab");
}

TEST(TaggedDataStrings, StoredWithTerminatorAndReadBackInEveryForm)
{
    Block b;
    bool changed = false;
    ASSERT_EQ(b.tags.setString(3, "hi", &changed), 0);
    EXPECT_TRUE(changed);
    EXPECT_EQ(b.bytes(), tagBytes(0x10003, { 'h', 'i', 0 }));
    ASSERT_EQ(b.tags.setString(4, ""), 0);
    std::uint32_t n = 0;
    ASSERT_EQ(b.tags.getTagDataSize(0x10004, n), 0);
    EXPECT_EQ(n, 1u);

    _String s = "old";
    EXPECT_EQ(b.tags.getString(9, s), kTagNotFound);
    EXPECT_TRUE(s.IsEmpty());

    bool found = false;
    ASSERT_EQ(b.tags.hasStringTag(3, found), 0);
    EXPECT_TRUE(found);
    ASSERT_EQ(b.tags.deleteStringData(3), 0);
    ASSERT_EQ(b.tags.hasStringTag(3, found), 0);
    EXPECT_FALSE(found);
}

TEST(TaggedDataStrings, ZeroLengthUnterminatedAndUnicodeTags)
{
    const Bytes unicode = { 'c', 0, 0xE9, 0, 0xAC, 0x20, 0, 0 }; // "cé€" in UTF-16
    Block b(tagBytes(0x10000, {}) + tagBytes(0x10001, { 'a', 'b' })
        + tagBytes(0x10002, unicode, 1 | kTagUnicodeFlag));
    _String s = "x";
    ASSERT_EQ(b.tags.getString(0, s), 0);
    EXPECT_TRUE(s.IsEmpty());
    EXPECT_EQ(b.tags.getString(1, s), kTagDataCorrupt);
    ASSERT_EQ(b.tags.getString(2, s), 0);
    EXPECT_EQ(s.str(), "c\xE9\x80");

    // Rewriting a UTF-16 tag as 8-bit text clears the flag, and counts as a
    // change even when the bytes are the same (they now mean "ab", not one
    // CJK character).
    Block u(tagBytes(0x10000, { 'a', 'b', 0, 0 }, kTagUnicodeFlag));
    bool changed = false;
    ASSERT_EQ(u.tags.setString(0, _String("ab\0", 3), &changed), 0);
    EXPECT_TRUE(changed);
    EXPECT_EQ(u.bytes(), tagBytes(0x10000, { 'a', 'b', 0, 0 }, kTagChangedFlag));
    ASSERT_EQ(u.tags.getString(0, s), 0);
    EXPECT_EQ(s, "ab");
}

TEST(TaggedDataStrings, RewritingKeepsOtherFlagsAndAnEqualStringIsLeftAlone)
{
    // Flags other than UTF-16 survive a new text; the changed bit is set.
    constexpr std::uint32_t kOther = 0x2;
    Block b(tagBytes(1, { 7 }) + tagBytes(0x10000, { 'a', 0 }, kOther | kTagUnicodeFlag)
        + tagBytes(0x10001, { 'k', 0 }, 0));
    bool changed = false;
    ASSERT_EQ(b.tags.setString(0, "longer text", &changed), 0);
    EXPECT_TRUE(changed);
    const Bytes text = { 'l', 'o', 'n', 'g', 'e', 'r', ' ', 't', 'e', 'x', 't', 0 };
    EXPECT_EQ(b.bytes(),
        tagBytes(1, { 7 }) + tagBytes(0x10000, text, kOther | kTagChangedFlag)
            + tagBytes(0x10001, { 'k', 0 }, 0));

    // An equal 8-bit string with the changed bit clear stays as it is.
    const Bytes before = b.bytes();
    changed = true;
    ASSERT_EQ(b.tags.setString(1, "k", &changed), 0);
    EXPECT_FALSE(changed);
    EXPECT_EQ(b.bytes(), before);

    // A damaged block is reported and left alone, the change report too.
    Bytes bad = tagBytes(1, { 7 }) + tagBytes(0x10000, { 'a', 0 });
    bad[16] = 0x75;
    Block damaged(bad);
    changed = true;
    EXPECT_EQ(damaged.tags.setString(0, "b", &changed), kTagDataCorrupt);
    EXPECT_TRUE(changed);
    EXPECT_EQ(damaged.bytes(), bad);
}

TEST(TaggedDataCorruption, ShortTailIsNotScannedAndBadCodesAreReported)
{
    for (std::size_t tail = 1; tail < kTagHeaderSize; ++tail) {
        Block b(tagBytes(1, { 5 }) + Bytes(tail, 0xEE));
        bool found = true;
        std::uint32_t offset = 0;
        ASSERT_EQ(b.tags.findTag(7, offset, found), 0) << tail;
        EXPECT_FALSE(found);
        EXPECT_EQ(offset, 16u);
        std::uint8_t v = 0;
        EXPECT_EQ(b.tags.getUInt8(1, v), 0);
        EXPECT_EQ(b.tags.checkTags(), 0) << tail;
    }

    Bytes bad = tagBytes(1, { 5 }) + tagBytes(2, { 6 });
    bad[16] = 0x75; // second tag's code
    Block b(bad);
    std::uint8_t v = 0;
    EXPECT_EQ(b.tags.getUInt8(1, v), 0); // found before the bad tag
    EXPECT_EQ(b.tags.getUInt8(2, v), kTagDataCorrupt);
    EXPECT_EQ(b.tags.setUInt8(3, 1), kTagDataCorrupt);
    // The check sees the damage that a lookup of tag 1 stops short of.
    EXPECT_EQ(b.tags.checkTags(), kTagDataCorrupt);
    EXPECT_EQ(b.bytes(), bad);
}

TEST(TaggedDataCorruption, TagLengthPastTheEndOfTheBlockIsCorrupt)
{
    for (std::uint32_t declared : { 2u, 100u, 0xFFFFFFF0u, 0xFFFFFFFFu }) {
        Bytes bytes = tagBytes(1, { 5 }) + tagBytes(0x10000, { 'a', 0 });
        bytes[16 + kTagLengthOffset] = static_cast<std::uint8_t>(declared);
        bytes[16 + kTagLengthOffset + 1] = static_cast<std::uint8_t>(declared >> 8);
        bytes[16 + kTagLengthOffset + 2] = static_cast<std::uint8_t>(declared >> 16);
        bytes[16 + kTagLengthOffset + 3] = static_cast<std::uint8_t>(declared >> 24);
        Block b(bytes);
        _String s;
        const std::int32_t rc = b.tags.getString(0, s);
        if (declared == 2)
            EXPECT_EQ(rc, 0);
        else
            EXPECT_EQ(rc, kTagDataCorrupt) << declared;
        EXPECT_EQ(b.tags.getDataPtr(0x10000, 0), declared == 2 ? b.data + 31 : nullptr);
        EXPECT_EQ(b.tags.checkTags(), declared == 2 ? 0 : kTagDataCorrupt) << declared;
    }
}

TEST(TaggedDataErrors, ProcessErrorThrowsTheMessageOfEachCode)
{
    EXPECT_EQ(thrown([] { CTaggedDataManager::ProcessError(__FILE__, __LINE__, 0); }).id, 0u);
    const struct {
        std::int32_t code;
        unsigned id;
        const char *text;
    } cases[] = {
        { kTagDataCorrupt, 15, "Data corruption error" },
        { kTagNotFound, 16, "Data class not found error" },
        { kTagBufferOverflow, 17, "Data buffer overflow error" },
        { kTagError, 18, "Unknown data error" },
        { -7, 18, "Unknown data error" },
    };
    for (const auto &c : cases) {
        auto t = thrown([&] { CTaggedDataManager::ProcessError(__FILE__, __LINE__, c.code); });
        EXPECT_EQ(t.id, c.id);
        EXPECT_EQ(t.error, -1);
        EXPECT_FALSE(t.db);
        EXPECT_EQ(t.text, c.text);
    }
    Block b;
    EXPECT_EQ(thrown([&] {
        std::uint8_t v;
        KX_TAG_CHECK(b.tags.getUInt8(1, v));
    }).id,
        16u);
}
