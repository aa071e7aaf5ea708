// A scan of a record just read takes the tags' places from the index the
// read built; it must find exactly what a walk over the same bytes finds,
// and fall back to the walk wherever the index does not cover the block.

#include "RecordScan.h"

#include "kx_gen/DBConstants.h"
#include "kx_gen/OutlineRecord.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
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
    EXPECT_EQ(a.m_bFound, b.m_bFound);
    EXPECT_EQ(a.m_pData, b.m_pData);
    EXPECT_EQ(a.m_nLength, b.m_nLength);
    EXPECT_EQ(a.m_nFlags, b.m_nFlags);
    EXPECT_EQ(a.m_nVersion, b.m_nVersion);
}

// Scans both records; returns whether the scans were valid.
bool ExpectSameScan(const Bytes &bytes)
{
    TScanned records(bytes);
    const CRecordScan indexed(records.m_Indexed);
    const CRecordScan walked(records.m_Walked);
    EXPECT_EQ(indexed.IsValid(), walked.IsValid());
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
        const std::uint32_t tagId = h[7] | (h[8] << 8) | (h[9] << 16) | (std::uint32_t(h[10]) << 24);
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
