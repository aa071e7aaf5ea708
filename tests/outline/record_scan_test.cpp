// A scan of a record just read takes the tags' places from the index the
// read built; it must find exactly what a walk over the same bytes finds,
// and fall back to the walk wherever the index does not cover the block.

#include "RecordScan.h"

#include "kx_gen/DBConstants.h"
#include "kx_gen/OutlineRecord.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

using kx_gen::_String;
using kx_gen::COutlineRecord;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes BytesOf(const COutlineRecord &record)
{
    return Bytes(record.GetRawDataPtr(), record.GetRawDataPtr() + record.GetRecSize());
}

// Two records sharing `bytes`: one indexed as a read indexes it, one not.
struct TScanned {
    explicit TScanned(const Bytes &bytes)
        : m_pBytes(std::make_shared<Bytes>(bytes))
    {
        const auto size = static_cast<std::uint32_t>(m_pBytes->size());
        m_Indexed.ShareData(m_pBytes->data(), size, m_pBytes, 0);
        m_Indexed.GetTags().indexTags();
        m_Walked.ShareData(m_pBytes->data(), size, m_pBytes, 0);
    }
    std::shared_ptr<Bytes> m_pBytes;
    COutlineRecord m_Indexed { kx_gen::CDBRecord::TToBeRead() };
    COutlineRecord m_Walked { kx_gen::CDBRecord::TToBeRead() };
};

void ExpectSameTag(const CRecordScan::TTag &a, const CRecordScan::TTag &b, const char *name)
{
    SCOPED_TRACE(name);
    EXPECT_EQ(a.IsFound(), b.IsFound());
    EXPECT_EQ(a.Data(), b.Data());
    EXPECT_EQ(a.Length(), b.Length());
    EXPECT_EQ(a.Flags(), b.Flags());
    EXPECT_EQ(a.Version(), b.Version());
}

// Scans both records; returns whether the scans were valid.
bool ExpectSameScan(const Bytes &bytes)
{
    TScanned records(bytes);
    const CRecordScan indexed(records.m_Indexed);
    const CRecordScan walked(records.m_Walked);
    EXPECT_EQ(indexed.IsValid(), walked.IsValid());
    EXPECT_EQ(indexed.IsWritten(), walked.IsWritten());
    if (indexed.IsValid() && walked.IsValid()) {
        ExpectSameTag(indexed.m_Status, walked.m_Status, "status");
        ExpectSameTag(indexed.m_SortChanged, walked.m_SortChanged, "sort");
        ExpectSameTag(indexed.m_Id, walked.m_Id, "id");
        ExpectSameTag(indexed.m_Indent, walked.m_Indent, "indent");
        ExpectSameTag(indexed.m_Expanded, walked.m_Expanded, "expanded");
        ExpectSameTag(indexed.m_Checked, walked.m_Checked, "checked");
        ExpectSameTag(indexed.m_Drawing, walked.m_Drawing, "drawing");
        ExpectSameTag(indexed.m_Text, walked.m_Text, "text");
        ExpectSameTag(indexed.m_Note, walked.m_Note, "note");
    }
    return walked.IsValid();
}

Bytes SampleRecord(int extraTags = 0)
{
    COutlineRecord record;
    record.Init();
    record.SetId(77);
    record.SetIndent(3);
    record.SetText(_String("text of the item"));
    record.SetNote(_String("a note"));
    record.SetChecked(true);
    record.GetTags().setTagChanged(COutlineRecord::kIndentTag, false);
    for (int k = 0; k < extraTags; ++k)
        KX_TAG_CHECK(record.GetTags().setUInt8(static_cast<std::uint32_t>(200 + k), 1));
    return BytesOf(record);
}

// The offset of the header of the tag with `id` in a well-formed block.
std::size_t OffsetOf(const Bytes &bytes, std::uint32_t id)
{
    std::size_t offset = 0;
    while (offset + kx_gen::kTagHeaderSize <= bytes.size()) {
        const std::uint8_t *h = bytes.data() + offset;
        const std::uint32_t tagId
            = h[7] | (h[8] << 8) | (h[9] << 16) | (std::uint32_t(h[10]) << 24);
        const std::uint32_t length
            = h[11] | (h[12] << 8) | (h[13] << 16) | (std::uint32_t(h[14]) << 24);
        if (tagId == id)
            return offset;
        offset += kx_gen::kTagHeaderSize + length;
    }
    return bytes.size();
}

} // namespace

TEST(RecordScan, TheIndexOfARecordJustReadFindsWhatAWalkFinds)
{
    EXPECT_TRUE(ExpectSameScan(SampleRecord()));
    // A remainder too short for a header ends the block for both.
    Bytes tail = SampleRecord();
    tail.insert(tail.end(), { 1, 2, 3, 4, 5 });
    EXPECT_TRUE(ExpectSameScan(tail));
    // More tags than the index keeps: the scan walks.
    EXPECT_TRUE(ExpectSameScan(SampleRecord(12)));
    EXPECT_TRUE(ExpectSameScan(Bytes()));
}

TEST(RecordScan, RecordsThatBeginOtherwiseThanWrittenAreWalkedAlike)
{
    // The scan takes the leading one-value tags of a record as this program
    // writes them at their places; each change to them must find what the
    // index finds, through the walk.
    const std::vector<std::function<void(COutlineRecord &)>> changes {
        [](COutlineRecord &r) { KX_TAG_CHECK(r.GetTags().setUInt16(COutlineRecord::kIdTag, 9)); },
        [](COutlineRecord &r) {
            KX_TAG_CHECK(r.GetTags().deleteData(COutlineRecord::kExpandedTag));
        },
        [](COutlineRecord &r) { KX_TAG_CHECK(r.GetTags().deleteData(kx_gen::kStatusTagID)); },
        [](COutlineRecord &r) { KX_TAG_CHECK(r.GetTags().setUInt8(7, 1)); },
        [](COutlineRecord &r) { KX_TAG_CHECK(r.GetTags().setUInt8(3, 1)); },
    };
    for (std::size_t k = 0; k < changes.size(); ++k) {
        SCOPED_TRACE(k);
        COutlineRecord record;
        record.Init();
        record.SetId(77);
        record.SetIndent(3);
        record.SetChecked(true);
        record.SetText(_String("text"));
        changes[k](record);
        EXPECT_TRUE(ExpectSameScan(BytesOf(record)));
    }
    // A record cut inside its leading tags is damage for both.
    Bytes cut = SampleRecord();
    cut.resize(OffsetOf(cut, COutlineRecord::kCheckedTag) + kx_gen::kTagHeaderSize);
    EXPECT_FALSE(ExpectSameScan(cut));
}

TEST(RecordScan, RecordsThatEndOtherwiseThanTextAndNoteAreWalkedAlike)
{
    // After the leading tags the scan takes a text and a note that end the
    // block at their places; anything else around them is for the walk.
    const std::vector<std::function<void(COutlineRecord &)>> changes {
        [](COutlineRecord &) {},
        [](COutlineRecord &r) {
            const std::uint8_t drawing[] = { 1, 2, 3, 4 };
            r.SetDrawingData(drawing, sizeof drawing);
        },
        [](COutlineRecord &r) { KX_TAG_CHECK(r.GetTags().setString(9, _String("after"))); },
        [](COutlineRecord &r) { r.DeleteNote(); },
        [](COutlineRecord &r) { r.DeleteText(); },
    };
    for (std::size_t k = 0; k < changes.size(); ++k) {
        SCOPED_TRACE(k);
        COutlineRecord record;
        record.Init();
        record.SetText(_String("text"));
        record.SetNote(_String("note"));
        changes[k](record);
        const Bytes bytes = BytesOf(record);
        EXPECT_TRUE(ExpectSameScan(bytes));
        TScanned records(bytes);
        EXPECT_TRUE(CRecordScan(records.m_Walked).IsWritten());
        // The note cut short, or a few bytes too few for a header after it.
        Bytes cut = bytes;
        cut.resize(cut.size() - 1);
        ExpectSameScan(cut);
        Bytes tail = bytes;
        tail.insert(tail.end(), { 1, 2, 3 });
        EXPECT_TRUE(ExpectSameScan(tail));
    }
}

TEST(RecordScan, TagsItDoesNotKeepLeaveTheOthersAsTheyAre)
{
    // Ids the index packs into a byte but the scan has no place for, at
    // both ends of the plain and the string ranges and between kept tags.
    COutlineRecord record;
    record.Init();
    record.SetId(9);
    record.SetText(_String("kept"));
    for (const std::uint32_t id : { 3u, 11u, 0x3Fu })
        KX_TAG_CHECK(record.GetTags().setUInt8(id, 7));
    for (const std::uint32_t index : { 0u, 9u, 0x3Fu })
        KX_TAG_CHECK(record.GetTags().setString(index, _String("other")));
    const Bytes bytes = BytesOf(record);
    ASSERT_TRUE(ExpectSameScan(bytes));

    TScanned records(bytes);
    const CRecordScan scan(records.m_Indexed);
    std::uint32_t id = 0;
    EXPECT_TRUE(scan.m_Id.GetU32(id));
    EXPECT_EQ(id, 9u);
    std::string_view text;
    EXPECT_TRUE(scan.m_Text.GetPlainString(text));
    EXPECT_EQ(text, "kept");
    // A tag that is not there reads as an empty one.
    EXPECT_FALSE(scan.m_Drawing.IsFound());
    EXPECT_EQ(scan.m_Drawing.Length(), 0u);
    EXPECT_EQ(scan.m_Drawing.Flags(), 0u);
    EXPECT_FALSE(scan.m_Drawing.IsPlainString());
}

TEST(RecordScan, DamageAndDisorderAreLeftToTheAccessorsEitherWay)
{
    // A bad tag code halfway: the index stops there, the walk refuses.
    Bytes bad = SampleRecord();
    bad[OffsetOf(bad, COutlineRecord::kIndentTag)] ^= 0xFF;
    EXPECT_FALSE(ExpectSameScan(bad));

    // Data running past the end of the block.
    Bytes cut = SampleRecord();
    cut.resize(cut.size() - 3);
    EXPECT_FALSE(ExpectSameScan(cut));

    // Two tags in the wrong order: both are well formed, so the index
    // covers them, yet a lookup would miss one.
    Bytes swapped = SampleRecord();
    const std::size_t a = OffsetOf(swapped, COutlineRecord::kIndentTag);
    const std::size_t b = OffsetOf(swapped, COutlineRecord::kIdTag);
    ASSERT_LT(b, a);
    const std::size_t idLength = a - b;
    Bytes reordered(swapped.begin(), swapped.begin() + static_cast<std::ptrdiff_t>(b));
    const std::size_t indentLength = kx_gen::kTagHeaderSize + 1;
    reordered.insert(reordered.end(), swapped.begin() + static_cast<std::ptrdiff_t>(a),
        swapped.begin() + static_cast<std::ptrdiff_t>(a + indentLength));
    reordered.insert(reordered.end(), swapped.begin() + static_cast<std::ptrdiff_t>(b),
        swapped.begin() + static_cast<std::ptrdiff_t>(b + idLength));
    reordered.insert(reordered.end(),
        swapped.begin() + static_cast<std::ptrdiff_t>(a + indentLength), swapped.end());
    ASSERT_EQ(reordered.size(), swapped.size());
    EXPECT_FALSE(ExpectSameScan(reordered));
}
