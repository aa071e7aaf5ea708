// The index of a tag block (indexTags): every lookup answers as a walk over
// the bytes would, and every change to the block drops the index, so that
// no lookup ever reads a stale offset.

#include "kx_gen/TaggedDataManager.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

using namespace kx_gen;

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Block {
    std::uint8_t *data = nullptr;
    CTaggedDataManager tags { &data, 0, false, 0, kMemBlock };

    explicit Block(const Bytes &bytes)
    {
        if (!bytes.empty()) {
            data = static_cast<std::uint8_t *>(std::malloc(bytes.size()));
            std::memcpy(data, bytes.data(), bytes.size());
        }
        tags.assignBuffer(&data, static_cast<std::uint32_t>(bytes.size()),
            static_cast<std::uint32_t>(bytes.size()), kMemBlock);
    }
    ~Block() { std::free(data); }
    Block(const Block &) = delete;
    Block &operator=(const Block &) = delete;
    Bytes bytes() const { return Bytes(data, data + tags.size()); }
};

Bytes tagBytes(std::uint32_t id, const Bytes &value, std::uint32_t flags = 0)
{
    Bytes b = { 0x74, 0x61, 0 };
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

Bytes text(const char *s)
{
    return Bytes(s, s + std::strlen(s) + 1);
}

// An outline record's tags: plain ids and two string tags.
Bytes recordLike()
{
    return tagBytes(1, { 0 }) + tagBytes(2, { 0 }) + tagBytes(5, { 1, 2, 3, 4 })
        + tagBytes(6, { 3 }) + tagBytes(9, { 1 }) + tagBytes(10, { 0 })
        + tagBytes(12, { 9, 9 }) + tagBytes(kStringTagIDCode + 7, text("an item"))
        + tagBytes(kStringTagIDCode + 8, text("a note"));
}

const std::uint32_t kProbes[] = { 0, 1, 2, 3, 5, 6, 7, 9, 10, 11, 12, 13, 40, 0x7FFF, 0x8000,
    0x9000, kStringTagIDCode, kStringTagIDCode + 7, kStringTagIDCode + 8, kStringTagIDCode + 9,
    kStringTagIDCode + 0x8000, 0xFFFFFFFFu };

// Every probe answers in `indexed` as in a block with the same bytes that
// was never indexed.
void expectSameAnswers(const CTaggedDataManager &indexed)
{
    // read, unlike get, hands out no writable pointer and keeps the index.
    Bytes bytes(indexed.size());
    if (!bytes.empty()) {
        EXPECT_EQ(indexed.read(0, bytes.data(), indexed.size()), kTagOK);
    }
    const Block walked(bytes);
    for (const std::uint32_t id : kProbes) {
        SCOPED_TRACE(id);
        std::uint32_t offsetA = 12345, offsetB = 12345;
        bool foundA = true, foundB = true;
        CTaggedDataManager::TagType tagA, tagB;
        ASSERT_EQ(indexed.findTag(id, offsetA, foundA, &tagA),
            walked.tags.findTag(id, offsetB, foundB, &tagB));
        EXPECT_EQ(offsetA, offsetB);
        EXPECT_EQ(foundA, foundB);
        if (foundA) {
            EXPECT_EQ(tagA.id, tagB.id);
            EXPECT_EQ(tagA.length, tagB.length);
            EXPECT_EQ(tagA.flags, tagB.flags);
        }
    }
}

TEST(TagIndex, AnswersEveryLookupAsTheWalkDoes)
{
    std::vector<std::pair<const char *, Bytes>> blocks = {
        { "record", recordLike() },
        { "empty", {} },
        // A remainder too short for a header ends the walk.
        { "short tail", recordLike() + Bytes { 0x74, 0x61, 0 } },
        // Damage after a few tags: lookups before it succeed, later ones fail.
        { "bad code", tagBytes(1, { 0 }) + tagBytes(6, { 1 }) + Bytes(15, 0xEE) },
        { "data past the end", tagBytes(1, { 0 }) + Bytes { 0x74, 0x61, 0, 0, 0, 0, 0, 7, 0, 0,
                                                            0, 200, 0, 0, 0 } },
        // Out of order: the walk stops at the first id not below the one
        // looked for, and so must the index.
        { "out of order", tagBytes(10, { 1 }) + tagBytes(2, { 2 }) + tagBytes(6, { 3 }) },
        // An id the index cannot hold in 16 bits: the block is walked.
        { "large id", tagBytes(1, { 0 }) + tagBytes(0x9000, { 1 }) + tagBytes(0x9001, { 2 }) },
    };
    // More tags than the index keeps: the rest is walked from where it stops.
    Bytes many;
    for (std::uint32_t id = 1; id <= 25; ++id)
        many = many + tagBytes(id * 2, { static_cast<std::uint8_t>(id) });
    blocks.emplace_back("many tags", many);
    // Larger than 64 KiB: not indexed.
    blocks.emplace_back("large", tagBytes(1, { 0 }) + tagBytes(12, Bytes(70000, 1)) + tagBytes(13, { 2 }));

    for (const auto &[name, bytes] : blocks) {
        SCOPED_TRACE(name);
        Block block(bytes);
        block.tags.indexTags();
        expectSameAnswers(block.tags);
        std::uint32_t length = 0;
        const std::uint8_t *stored = block.tags.findData(6, length);
        std::uint32_t walkedLength = 0;
        const Block walked(bytes);
        const std::uint8_t *walkedStored = walked.tags.findData(6, walkedLength);
        EXPECT_EQ(stored != nullptr, walkedStored != nullptr);
        EXPECT_EQ(length, walkedLength);
    }
}

// The typed reads of a block just read take a shorter way through the
// index than the walk: they must give the same values and the same errors.
TEST(TagIndex, FieldReadsAnswerAsTheWalkDoes)
{
    const std::uint32_t text = kStringTagIDCode + 7;
    const std::vector<std::pair<const char *, Bytes>> blocks = {
        { "record", recordLike() },
        { "empty string", tagBytes(6, {}) + tagBytes(text, {}) },
        { "0 inside the text", tagBytes(text, { 'a', 0, 'b', 0 }) },
        { "0 inside, last byte not 0", tagBytes(text, { 'a', 0, 'b' }) },
        { "no 0 at all", tagBytes(text, { 'a', 'b', 'c' }) },
        { "only a 0", tagBytes(text, { 0 }) },
        { "UTF-16 text", tagBytes(text, { 'h', 0, 'i', 0, 0, 0 }, kTagUnicodeFlag) },
        { "values of the wrong width", tagBytes(6, { 1, 2 }) + tagBytes(9, {}) },
        { "damage after the level",
            tagBytes(6, { 4 }) + tagBytes(9, { 1 }) + Bytes(20, 0xEE) },
    };
    for (const auto &[name, bytes] : blocks) {
        SCOPED_TRACE(name);
        Block indexed(bytes);
        indexed.tags.indexTags();
        const Block walked(bytes);
        for (const std::uint32_t id : kProbes) {
            SCOPED_TRACE(id);
            std::uint32_t lengthA = 99, lengthB = 99;
            const std::uint8_t *a = indexed.tags.findData(id, lengthA);
            const std::uint8_t *b = walked.tags.findData(id, lengthB);
            EXPECT_EQ(a ? a - indexed.data : -1, b ? b - walked.data : -1);
            EXPECT_EQ(lengthA, lengthB);

            bool flagA = false, flagB = false;
            EXPECT_EQ(indexed.tags.getBool(id, flagA), walked.tags.getBool(id, flagB));
            EXPECT_EQ(flagA, flagB);
            std::uint8_t byteA = 7, byteB = 7;
            EXPECT_EQ(indexed.tags.getUInt8(id, byteA), walked.tags.getUInt8(id, byteB));
            EXPECT_EQ(byteA, byteB);

            if (id < kStringTagIDCode || id - kStringTagIDCode > 0xFF)
                continue;
            _String textA("left over"), textB("left over");
            EXPECT_EQ(indexed.tags.getString(id - kStringTagIDCode, textA),
                walked.tags.getString(id - kStringTagIDCode, textB));
            EXPECT_EQ(textA.str(), textB.str());
        }
    }
}

TEST(TagIndex, EveryChangeDropsTheIndex)
{
    const std::vector<std::pair<const char *, std::function<void(CTaggedDataManager &)>>> changes
        = {
              { "setData grows a tag",
                  [](CTaggedDataManager &t) { ASSERT_EQ(t.setData(6, "abcdefgh", 8), kTagOK); } },
              { "setData adds a tag",
                  [](CTaggedDataManager &t) { ASSERT_EQ(t.setUInt8(3, 7), kTagOK); } },
              { "setString shrinks the text",
                  [](CTaggedDataManager &t) { ASSERT_EQ(t.setString(7, _String("x")), kTagOK); } },
              { "deleteData", [](CTaggedDataManager &t) { ASSERT_EQ(t.deleteData(5), kTagOK); } },
              { "deleteStringData",
                  [](CTaggedDataManager &t) { ASSERT_EQ(t.deleteStringData(7), kTagOK); } },
              { "setTagChanged",
                  [](CTaggedDataManager &t) { ASSERT_EQ(t.setTagChanged(9, true), kTagOK); } },
              { "insert before the first tag",
                  [](CTaggedDataManager &t) {
                      const Bytes tag = tagBytes(0, { 1, 2 });
                      ASSERT_EQ(t.insert(0, tag.data(), static_cast<std::uint32_t>(tag.size())),
                          kTagOK);
                  } },
              { "erase the first tag",
                  [](CTaggedDataManager &t) { ASSERT_EQ(t.erase(0, 16), kTagOK); } },
              { "write a header's id in place",
                  [](CTaggedDataManager &t) {
                      const std::uint8_t id[4] = { 3, 0, 0, 0 };
                      ASSERT_EQ(t.write(16 + kTagIdOffset, id, 4), kTagOK);
                  } },
              { "write through get",
                  [](CTaggedDataManager &t) { t.get(16 + kTagIdOffset)[0] = 4; } },
              { "writeTagHeader",
                  [](CTaggedDataManager &t) {
                      CTaggedDataManager::TagType h;
                      ASSERT_EQ(t.readTagHeader(0, h), kTagOK);
                      h.id = 3;
                      ASSERT_EQ(t.writeTagHeader(0, h), kTagOK);
                  } },
              { "swap mode", [](CTaggedDataManager &t) { t.setSwap(true); } },
              { "resize", [](CTaggedDataManager &t) { ASSERT_EQ(t.resize(), kTagOK); } },
              { "deleteBuff", [](CTaggedDataManager &t) { t.deleteBuff(); } },
          };
    for (const auto &[name, change] : changes) {
        SCOPED_TRACE(name);
        Block block(recordLike());
        block.tags.indexTags();
        change(block.tags);
        if (block.tags.size() == 0) {
            std::uint32_t offset = 0;
            bool found = true;
            EXPECT_EQ(block.tags.findTag(6, offset, found), kTagOK);
            EXPECT_FALSE(found);
            continue;
        }
        if (block.tags.getSwap()) {
            // Swapped, the same bytes are other headers: a walk in swap mode
            // finds the block damaged, and so must the lookup.
            std::uint32_t offset = 0;
            bool found = false;
            EXPECT_EQ(block.tags.findTag(6, offset, found), kTagDataCorrupt);
            continue;
        }
        expectSameAnswers(block.tags);
        // A second index of the changed block answers as the walk does too.
        block.tags.indexTags();
        expectSameAnswers(block.tags);
    }
}

TEST(TagIndex, ReassignedBufferIsNotAnsweredFromTheOldIndex)
{
    Block block(recordLike());
    block.tags.indexTags();
    const Bytes other = tagBytes(6, { 42 });
    auto *fresh = static_cast<std::uint8_t *>(std::malloc(other.size()));
    std::memcpy(fresh, other.data(), other.size());
    std::free(block.data);
    block.data = fresh;
    block.tags.assignBuffer(&block.data, static_cast<std::uint32_t>(other.size()),
        static_cast<std::uint32_t>(other.size()), kMemBlock);
    std::uint8_t level = 0;
    ASSERT_EQ(block.tags.getUInt8(6, level), kTagOK);
    EXPECT_EQ(level, 42);
    _String s;
    EXPECT_EQ(block.tags.getString(7, s), kTagNotFound);
}

TEST(TagIndex, GetStringReusesTheCallersStringAndEmptiesItOnFailure)
{
    Block block(recordLike());
    block.tags.indexTags();
    _String s("a much longer text than the stored one, to leave capacity behind");
    ASSERT_EQ(block.tags.getString(7, s), kTagOK);
    EXPECT_EQ(s, _String("an item"));
    ASSERT_EQ(block.tags.getString(8, s), kTagOK);
    EXPECT_EQ(s, _String("a note"));
    EXPECT_EQ(block.tags.getString(9, s), kTagNotFound);
    EXPECT_TRUE(s.IsEmpty());
}

} // namespace
