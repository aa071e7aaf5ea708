#include "RecordScan.h"

#include "kx_gen/ByteOrder.h"
#include "kx_gen/OutlineRecord.h"

#include <cstring>
#include <iterator>

using kx_gen::COutlineRecord;

const std::uint8_t CRecordScan::TTag::kAbsent[kx_gen::kTagHeaderSize + 1] = {};

bool CRecordScan::TTag::Holds(const void *data, std::uint32_t length) const
{
    return IsFound() && Version() == 0 && !(Flags() & kx_gen::kTagUnicodeFlag) && Length() == length
        && (length == 0 || std::memcmp(Data(), data, length) == 0);
}

namespace {

using kx_gen::CTaggedDataManager;

constexpr std::uint32_t kPackedIds = 2 * CTaggedDataManager::kPackedIdStrings;

// The one-value tags every record begins with when this program wrote it,
// in block order, with the lengths of their values; a boolean's value is
// 0 or 1.
struct TLeadingTag {
    std::uint32_t m_nId;
    std::uint32_t m_nLength;
    bool m_bBoolean;
};
constexpr TLeadingTag kLeadingTags[] = {
    { kx_gen::kStatusTagID, 1, false },
    { kx_gen::kSortChangedTagID, 1, false },
    { COutlineRecord::kIdTag, 4, false },
    { COutlineRecord::kIndentTag, 1, false },
    { COutlineRecord::kExpandedTag, 1, true },
    { COutlineRecord::kCheckedTag, 1, true },
};
constexpr std::uint32_t LeadingBytes()
{
    std::uint32_t bytes = 0;
    for (const TLeadingTag &tag : kLeadingTags)
        bytes += kx_gen::kTagHeaderSize + tag.m_nLength;
    return bytes;
}
constexpr std::uint32_t kLeadingBytes = LeadingBytes();

// The leading tags are compared 16 bytes at a time with what this program
// writes, through a mask of the bits that are fixed: each tag's code, a
// version of 0, a clear UTF-16 flag, its id and length, and all but the
// lowest bit of a boolean. The bytes after the leading tags are masked out.
using TChunk = std::uint8_t __attribute__((vector_size(16)));
constexpr std::uint32_t kChunkBytes = sizeof(TChunk);
constexpr std::uint32_t kLeadingChunks = (kLeadingBytes + kChunkBytes - 1) / kChunkBytes;
constexpr std::uint32_t kComparedBytes = kLeadingChunks * kChunkBytes;

struct TLeadingPattern {
    std::uint8_t m_Bytes[kComparedBytes] = {};
    std::uint8_t m_Mask[kComparedBytes] = {};

    constexpr void Put(std::uint32_t at, std::uint32_t value, std::uint32_t bytes)
    {
        for (std::uint32_t k = 0; k < bytes; ++k) {
            m_Bytes[at + k] = static_cast<std::uint8_t>(value >> (8 * k));
            m_Mask[at + k] = 0xFF;
        }
    }
    constexpr TLeadingPattern()
    {
        static_assert(kx_gen::kTagUnicodeFlag <= 0xFF, "the flag lies in the flags' first byte");
        std::uint32_t at = 0;
        for (const TLeadingTag &tag : kLeadingTags) {
            Put(at + kx_gen::kTagCodeOffset, kx_gen::kTaggedDataCode, 2);
            Put(at + kx_gen::kTagVersionOffset, 0, 1);
            m_Mask[at + kx_gen::kTagFlagsOffset] = kx_gen::kTagUnicodeFlag;
            Put(at + kx_gen::kTagIdOffset, tag.m_nId, 4);
            Put(at + kx_gen::kTagLengthOffset, tag.m_nLength, 4);
            at += kx_gen::kTagHeaderSize;
            if (tag.m_bBoolean)
                m_Mask[at] = 0xFE;
            at += tag.m_nLength;
        }
    }
};
constexpr TLeadingPattern kLeadingPattern;

TChunk ChunkAt(const std::uint8_t *bytes)
{
    TChunk chunk;
    std::memcpy(&chunk, bytes, sizeof chunk);
    return chunk;
}

// Whether the block begins with the leading tags as this program writes
// them. The walk would find exactly these: one value each, inside the
// block, in ascending order. Every record of a file is scanned, and
// comparing the six in a few wide steps, with one branch, costs a fraction
// of walking them.
bool BeginsAsWritten(const std::uint8_t *block, std::uint32_t size)
{
    // A block this short holds no text after the leading tags; the walk
    // takes it.
    if (size < kComparedBytes)
        return false;
    TChunk differs = {};
    for (std::uint32_t at = 0; at < kComparedBytes; at += kChunkBytes)
        differs |= (ChunkAt(block + at) ^ ChunkAt(kLeadingPattern.m_Bytes + at))
            & ChunkAt(kLeadingPattern.m_Mask + at);
    std::uint64_t halves[2];
    std::memcpy(halves, &differs, sizeof halves);
    return (halves[0] | halves[1]) == 0;
}

// Whether a whole tag starts at `offset` of the block, as the accessors'
// walk tells it: a header with the tag code, and data that ends inside the
// block. Gives its id and data length. The caller has checked that the
// block holds a header there.
inline bool WholeTagAt(const std::uint8_t *block, std::uint32_t size, std::uint32_t offset,
    std::uint32_t &id, std::uint32_t &length)
{
    const std::uint8_t *h = block + offset;
    id = kx_gen::GetLE32(h + kx_gen::kTagIdOffset);
    length = kx_gen::GetLE32(h + kx_gen::kTagLengthOffset);
    return kx_gen::GetLE16(h + kx_gen::kTagCodeOffset) == kx_gen::kTaggedDataCode
        && length <= size - offset - kx_gen::kTagHeaderSize;
}

} // namespace

inline CRecordScan::TTag CRecordScan::*CRecordScan::SlotOfPacked(std::uint8_t packed)
{
    struct TSlots {
        TTag CRecordScan::*m_Slot[kPackedIds];
        constexpr TSlots()
            : m_Slot()
        {
            for (auto &slot : m_Slot)
                slot = &CRecordScan::m_Other;
            const std::uint32_t strings = CTaggedDataManager::kPackedIdStrings;
            m_Slot[kx_gen::kStatusTagID] = &CRecordScan::m_Status;
            m_Slot[kx_gen::kSortChangedTagID] = &CRecordScan::m_SortChanged;
            m_Slot[COutlineRecord::kIdTag] = &CRecordScan::m_Id;
            m_Slot[COutlineRecord::kIndentTag] = &CRecordScan::m_Indent;
            m_Slot[COutlineRecord::kExpandedTag] = &CRecordScan::m_Expanded;
            m_Slot[COutlineRecord::kCheckedTag] = &CRecordScan::m_Checked;
            m_Slot[COutlineRecord::kDrawingTag] = &CRecordScan::m_Drawing;
            m_Slot[strings + COutlineRecord::kTextString] = &CRecordScan::m_Text;
            m_Slot[strings + COutlineRecord::kNoteString] = &CRecordScan::m_Note;
        }
    };
    static constexpr TSlots kSlots;
    return kSlots.m_Slot[packed & (kPackedIds - 1)];
}

inline CRecordScan::TTag CRecordScan::*CRecordScan::SlotOf(std::uint32_t id)
{
    // Every id the scan keeps is one the index packs into a byte; the rest
    // go where id 0 goes.
    std::uint8_t packed = 0;
    if (!CTaggedDataManager::packId(id, packed))
        packed = 0;
    return SlotOfPacked(packed);
}

CRecordScan::CRecordScan(const COutlineRecord &record)
{
    const kx_gen::CTaggedDataManager &tags = record.GetTags();
    if (tags.getSwap())
        return;
    const std::uint8_t *block = record.GetRawDataPtr();
    const std::uint32_t size = record.GetRecSize();
    if (!block && size)
        return;
    const bool written = BeginsAsWritten(block, size);
    // A record just read carries where its tags are and their ids, checked
    // by the walk that found them: the headers need no reading here.
    const std::uint16_t *offsets = nullptr;
    const std::uint8_t *ids = nullptr;
    const int count = tags.indexedTags(offsets, ids);
    if (count >= 0) {
        // Packing keeps the ids' order, so the order is checked on the
        // packed ids as the walk checks it on the ids.
        for (int k = 0; k < count; ++k) {
            if (k > 0 && ids[k] <= ids[k - 1])
                return;
            (this->*SlotOfPacked(ids[k])).m_pHeader = block + offsets[k];
        }
        m_bValid = true;
        m_bWritten = written;
        return;
    }
    // As the accessors walk: a remainder too short for a header ends the
    // block. A bad code or data past the end is damage; out of order, a
    // lookup would stop early and miss tags that this walk sees. Either
    // leaves the block to the accessors.
    std::uint32_t offset = 0;
    std::int64_t lastId = -1;
    if (written) {
        TTag *const leading[]
            = { &m_Status, &m_SortChanged, &m_Id, &m_Indent, &m_Expanded, &m_Checked };
        static_assert(std::size(leading) == std::size(kLeadingTags));
        for (std::size_t k = 0; k < std::size(kLeadingTags); ++k) {
            leading[k]->m_pHeader = block + offset;
            offset += kx_gen::kTagHeaderSize + kLeadingTags[k].m_nLength;
        }
        lastId = kLeadingTags[std::size(kLeadingTags) - 1].m_nId;
        // Then nearly every record holds its text and its note, and nothing
        // more. Each is taken as the walk below would take it; whatever
        // else follows, or anything amiss, is left to the walk.
        const auto take = [&](std::uint32_t wanted, TTag &slot) {
            std::uint32_t id = 0;
            std::uint32_t length = 0;
            if (size - offset < kx_gen::kTagHeaderSize
                || !WholeTagAt(block, size, offset, id, length) || id != wanted)
                return false;
            slot.m_pHeader = block + offset;
            offset += kx_gen::kTagHeaderSize + length;
            lastId = id;
            return true;
        };
        if (take(kx_gen::kStringTagIDCode + COutlineRecord::kTextString, m_Text)
            && take(kx_gen::kStringTagIDCode + COutlineRecord::kNoteString, m_Note)
            && offset == size) {
            m_bValid = true;
            m_bWritten = true;
            return;
        }
    }
    while (size - offset >= kx_gen::kTagHeaderSize) {
        std::uint32_t id = 0;
        std::uint32_t length = 0;
        const bool whole = WholeTagAt(block, size, offset, id, length);
        if (!whole | (std::int64_t(id) <= lastId))
            return;
        lastId = id;
        (this->*SlotOf(id)).m_pHeader = block + offset;
        offset += kx_gen::kTagHeaderSize + length;
    }
    m_bValid = true;
    m_bWritten = written;
}
