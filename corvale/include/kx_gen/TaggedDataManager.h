#pragma once

#include "kx_gen/BufferManager.h"
#include "kx_gen/ByteOrder.h"
#include "kx_gen/DBConstants.h"
#include "kx_gen/Export.h"
#include "kx_gen/String.h"

#include <cstdint>
#include <cstring>

namespace kx_gen {

// A block of tags: each a 15-byte header (code 0x6174, version, flags, id,
// length) followed by its data, sorted by ascending id, each id at most once.
// The block ends at the buffer's length. The bytes may come from a file and
// are treated as hostile: every walk checks the tag code and that each tag's
// data lies inside the block, and reports -4556 (kTagDataCorrupt) otherwise.
//
// Every operation returns 0 or a negative code: kTagDataCorrupt,
// kTagNotFound, kTagBufferOverflow, or kTagError (-1) when memory runs out.
// ProcessError turns a code into the library's exception.
//
// In swap mode the code, id and length of every header and the 2- and 4-byte
// typed values are stored big-endian; the version, the flags and raw data
// (strings, blobs) never are. Nothing in this system turns swap mode on.
class KX_GEN_EXPORT CTaggedDataManager : public CBufferManager {
public:
    // One tag header as it stands in the block.
    struct TagType {
        std::uint16_t code = kTaggedDataCode;
        std::uint8_t version = 0;
        std::uint32_t flags = 0;
        std::uint32_t id = 0;
        std::uint32_t length = 0;
    };

    CTaggedDataManager(std::uint8_t **buffer = nullptr, std::uint32_t length = 0, bool swap = false,
        std::uint32_t capacity = 0, std::uint32_t growBy = kMemBlock)
        : CBufferManager(buffer, length, capacity, growBy)
        , m_bSwap(swap)
    {
    }

    bool getSwap() const { return m_bSwap; }
    void setSwap(bool swap)
    {
        m_bSwap = swap;
        noteChange();
    }

    // Stores length bytes under id (inserting the tag in id order when it is
    // absent). A value equal to the stored one (same bytes, same version, and
    // the tag's changed bit clear) is left untouched and reported unchanged;
    // anything else is rewritten with the changed bit set. `changed` (may be
    // null) tells which happened.
    std::int32_t setData(std::uint32_t id, const void *data, std::uint32_t length,
        bool *changed = nullptr, std::uint8_t version = 0);
    // Copies the value of id into out. `size` holds the capacity of out on
    // entry and the stored length on success; a stored value larger than the
    // capacity copies nothing and yields kTagBufferOverflow. `version` may be null.
    std::int32_t getData(
        std::uint32_t id, void *out, std::uint32_t &size, std::uint8_t *version = nullptr) const;
    // A pointer to the value of id in place (valid until the block changes),
    // or null when the tag is absent, the block is corrupt or the value is
    // shorter than expectedSize.
    const std::uint8_t *getDataPtr(std::uint32_t id, std::uint32_t expectedSize) const;
    // The value of id in place and its length (valid until the block
    // changes), or null with length 0 when the tag is absent or the walk to
    // it meets damage.
    const std::uint8_t *findData(std::uint32_t id, std::uint32_t &length) const
    {
        const std::uint8_t *value = nullptr;
        switch (findIndexed(id, value, length)) {
        case kFoundInIndex:
            return value;
        case kAbsentFromIndex:
            length = 0;
            return nullptr;
        default:
            return findDataWalking(id, length);
        }
    }
    // Removes the tag; an absent tag is no error.
    std::int32_t deleteData(std::uint32_t id);
    std::int32_t hasTag(std::uint32_t id, bool &found) const;
    std::int32_t getTagDataSize(std::uint32_t id, std::uint32_t &size) const;
    std::int32_t getTagVersion(std::uint32_t id, std::uint8_t &version) const;
    // Sets or clears the changed bit of an existing tag, leaving its data.
    std::int32_t setTagChanged(std::uint32_t id, bool changed);
    std::int32_t getTagChanged(std::uint32_t id, bool &changed) const;

    // String tags: index 0..255, stored under kStringTagIDCode + index as
    // 8-bit text with a terminating 0 byte.
    std::int32_t setString(std::uint32_t index, const _String &text, bool *changed = nullptr);
    // Empties text first. Absent: kTagNotFound; a zero-length tag is the
    // empty string; data not ending in a 0 byte: kTagDataCorrupt. Text flagged
    // as UTF-16 is converted to Windows-1252.
    std::int32_t getString(std::uint32_t index, _String &text) const
    {
        const std::uint8_t *value = nullptr;
        std::uint32_t length = 0;
        std::uint32_t flags = 0;
        if (findIndexed(kStringTagIDCode + index, value, length, &flags) == kFoundInIndex
            && length != 0 && !(flags & kTagUnicodeFlag)) {
            // Text that ends at the tag's last byte, as nearly all does, is
            // read front to back once; the last byte is looked at on its
            // own only when a 0 comes earlier.
            const char *chars = reinterpret_cast<const char *>(value);
            const std::size_t count = strnlen(chars, length);
            if (count + 1 == length || (count < length && value[length - 1] == 0)) {
                // Into the caller's string, whose buffer a loop over
                // records reuses.
                text.str().assign(chars, count);
                return kTagOK;
            }
        }
        return getStringWalking(index, text);
    }
    std::int32_t hasStringTag(std::uint32_t index, bool &found) const
    {
        return hasTag(kStringTagIDCode + index, found);
    }
    std::int32_t deleteStringData(std::uint32_t index)
    {
        return deleteData(kStringTagIDCode + index);
    }
    std::int32_t getStringTagVersion(std::uint32_t index, std::uint8_t &version) const
    {
        return getTagVersion(kStringTagIDCode + index, version);
    }
    std::int32_t setStringTagChanged(std::uint32_t index, bool changed)
    {
        return setTagChanged(kStringTagIDCode + index, changed);
    }
    std::int32_t getStringTagChanged(std::uint32_t index, bool &changed) const
    {
        return getTagChanged(kStringTagIDCode + index, changed);
    }

    // Typed values: bool and u8 take 1 byte, u16 2, u32 and i32 4 (reversed
    // in swap mode). A stored value longer than the type yields
    // kTagBufferOverflow, a shorter one kTagDataCorrupt.
    std::int32_t setBool(std::uint32_t id, bool value, bool *changed = nullptr);
    std::int32_t getBool(std::uint32_t id, bool &value) const
    {
        if (const std::uint8_t *byte = findByteIndexed(id)) {
            value = *byte != 0;
            return kTagOK;
        }
        return getBoolWalking(id, value);
    }
    std::int32_t setUInt8(std::uint32_t id, std::uint8_t value, bool *changed = nullptr);
    std::int32_t getUInt8(std::uint32_t id, std::uint8_t &value) const
    {
        if (const std::uint8_t *byte = findByteIndexed(id)) {
            value = *byte;
            return kTagOK;
        }
        return getUInt8Walking(id, value);
    }
    std::int32_t setUInt16(std::uint32_t id, std::uint16_t value, bool *changed = nullptr);
    std::int32_t getUInt16(std::uint32_t id, std::uint16_t &value) const;
    std::int32_t setUInt32(std::uint32_t id, std::uint32_t value, bool *changed = nullptr);
    std::int32_t getUInt32(std::uint32_t id, std::uint32_t &value) const;
    std::int32_t setInt32(std::uint32_t id, std::int32_t value, bool *changed = nullptr);
    std::int32_t getInt32(std::uint32_t id, std::int32_t &value) const;

    // True when the header carries the tag code.
    static bool isValidTag(const TagType &header) { return header.code == kTaggedDataCode; }

    // Locates id: offset is where its header starts, or the insertion point
    // when absent (found false). kTagDataCorrupt when the walk meets a bad
    // code or a tag whose data runs past the end of the block. A block
    // indexed (indexTags) and not changed since is looked up in its index.
    std::int32_t findTag(
        std::uint32_t id, std::uint32_t &offset, bool &found, TagType *header = nullptr) const;
    // Walks the block once and keeps where each header starts, so that the
    // lookups that follow need no walk until the block changes; for readers
    // of a block just read, whose bytes are still in cache.
    void indexTags() const;
    // Ids as the index keeps them, one byte each, in the same order as the
    // ids: a plain id below kPackedIdStrings as it is, a string id as
    // kPackedIdStrings + its index. False for any other id. Every packed id
    // is below 2 * kPackedIdStrings.
    static constexpr std::uint32_t kPackedIdStrings = 0x40;
    static bool packId(std::uint32_t id, std::uint8_t &packed)
    {
        if (id < kPackedIdStrings) {
            packed = static_cast<std::uint8_t>(id);
            return true;
        }
        if (id >= kStringTagIDCode && id - kStringTagIDCode < kPackedIdStrings) {
            packed = static_cast<std::uint8_t>(kPackedIdStrings + (id - kStringTagIDCode));
            return true;
        }
        return false;
    }
    // Where the headers of every tag start, when an index built by
    // indexTags covers the whole block and the block has not changed since:
    // the count of tags, with `offsets` pointing at their offsets and
    // `packedIds` at their packed ids, both in block order; -1 when there is
    // no such index. Every header found so has the tag code and data inside
    // the block.
    int indexedTags(const std::uint16_t *&offsets, const std::uint8_t *&packedIds) const
    {
        if (!indexCurrent() || m_nIndexState != kIndexComplete)
            return -1;
        offsets = m_IndexOffsets;
        packedIds = m_IndexIds;
        return m_nIndexCount;
    }
    // The tag whose header starts at offset, checked as findTag checks it:
    // kTagNotFound when fewer than 15 bytes remain there (the end of the
    // block), kTagDataCorrupt for a bad code or data past the end. Walks
    // every tag: for (o = 0; getTagAt(o, h) == 0; o += kTagHeaderSize + h.length).
    std::int32_t getTagAt(std::uint32_t offset, TagType &header) const;
    // kTagOK when every tag of the block is whole, as getTagAt checks each;
    // kTagDataCorrupt otherwise. A lookup stops at the tag it looks for, so
    // damage after it reads as nothing, while a setter that meets it fails.
    std::int32_t checkTags() const;
    // Reads / writes the header at offset (which must leave 15 bytes).
    std::int32_t readTagHeader(std::uint32_t offset, TagType &header) const;
    std::int32_t writeTagHeader(std::uint32_t offset, const TagType &header);

    // Throws the library's CException for a non-zero code: message 15 for
    // kTagDataCorrupt, 16 for kTagNotFound, 17 for kTagBufferOverflow and 18
    // for any other; returns for 0. file and line identify the caller in
    // diagnostics; reserved is always null.
    static void ProcessError(
        const char *file, int line, std::int32_t code, void *reserved = nullptr);

private:
    // What the index of a block read and not changed since says of a tag,
    // without a walk: found (with its value, length and flags), absent, or
    // nothing (no usable index, an id it does not keep, or a tag past the
    // ones it keeps), when only the walk can tell. Every field read of a
    // record just read is answered here, inline.
    enum IndexAnswer { kAskTheWalk, kFoundInIndex, kAbsentFromIndex };
    IndexAnswer findIndexed(std::uint32_t id, const std::uint8_t *&value, std::uint32_t &length,
        std::uint32_t *flags = nullptr) const
    {
        std::uint8_t packed = 0;
        if (!indexCurrent() || m_nIndexState == kIndexNone || m_bSwap || !packId(id, packed))
            return kAskTheWalk;
        const unsigned i = firstIndexedAtLeast(packed);
        if (i < m_nIndexCount) {
            if (m_IndexIds[i] != packed)
                return kAbsentFromIndex;
            // The index holds only tags whose code is right and whose data
            // lies inside the block.
            const std::uint8_t *header = data() + m_IndexOffsets[i];
            length = GetLE32(header + kTagLengthOffset);
            if (flags)
                *flags = GetLE32(header + kTagFlagsOffset);
            value = header + kTagHeaderSize;
            return kFoundInIndex;
        }
        return m_nIndexState == kIndexComplete ? kAbsentFromIndex : kAskTheWalk;
    }
    // The one-byte value of id found in the index, or null (a missing,
    // longer or shorter value is left to the walk and its error).
    const std::uint8_t *findByteIndexed(std::uint32_t id) const
    {
        const std::uint8_t *value = nullptr;
        std::uint32_t length = 0;
        return findIndexed(id, value, length) == kFoundInIndex && length == 1 ? value : nullptr;
    }
    // The same reads by the walk (or the index's own lookup): for blocks
    // without a current index, and for every answer that is an error.
    const std::uint8_t *findDataWalking(std::uint32_t id, std::uint32_t &length) const;
    std::int32_t getStringWalking(std::uint32_t index, _String &text) const;
    std::int32_t getBoolWalking(std::uint32_t id, bool &value) const;
    std::int32_t getUInt8Walking(std::uint32_t id, std::uint8_t &value) const;

    // `text`: the value is 8-bit text (setString), so a stored value flagged
    // as UTF-16 differs whatever its bytes, and the flag goes with the
    // header that is written anyway.
    std::int32_t setDataImpl(std::uint32_t id, const void *data, std::uint32_t length,
        bool *changed, std::uint8_t version, bool text);
    std::int32_t getFixed(std::uint32_t id, void *out, std::uint32_t width) const;
    std::uint16_t order16(std::uint16_t v) const;
    std::uint32_t order32(std::uint32_t v) const;
    std::int32_t walkFrom(std::uint32_t pos, std::uint32_t id, std::uint32_t &offset, bool &found,
        TagType *header) const;

    bool m_bSwap = false;

    // Where each header of the block starts, from one walk, so that reading
    // every field of a record costs one walk rather than one per field. The
    // ids are kept in a byte (plain ids below 0x40 as they are, string ids
    // as 0x40 + index, for indexes below 0x40), which keeps their order; a
    // block with other ids, or larger than 64 KiB, is walked on every
    // lookup. Current while the change count and size are those it was
    // built at.
    static constexpr int kIndexSlots = 12;
    static constexpr unsigned kIndexIdBytes = 16;
    static constexpr std::uint8_t kUnusedId = 0x7F;
    enum : std::uint8_t {
        kIndexNone, // not usable: walk from the start
        kIndexComplete, // every tag, then the end of the walk
        kIndexDamaged, // the walk met damage after the tags kept
        kIndexPartial, // more tags follow the ones kept
    };
    bool indexCurrent() const
    {
        return m_nIndexChanges == changeCount() && m_nIndexSize == size();
    }
    // The first place whose id is not below `packed`: the place where the
    // walk would stop among the tags kept (m_nIndexCount when it would go
    // past them). The places after the tags kept hold the largest packed
    // id, so the answer never lies beyond the count. All ids are below
    // 0x80, so adding 0x80 - packed to each byte sets its top bit exactly
    // when it is not below, without a carry into the next byte: eight
    // places are compared at once.
    unsigned firstIndexedAtLeast(std::uint8_t packed) const
    {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
        const std::uint64_t add = 0x0101010101010101ull * std::uint64_t(0x80u - packed);
        for (unsigned word = 0; word < kIndexIdBytes; word += 8) {
            std::uint64_t ids = 0;
            std::memcpy(&ids, m_IndexIds + word, 8);
            const std::uint64_t notBelow = (ids + add) & 0x8080808080808080ull;
            if (notBelow)
                return word + (static_cast<unsigned>(__builtin_ctzll(notBelow)) >> 3);
        }
        return kIndexIdBytes;
#else
        unsigned i = 0;
        while (i < m_nIndexCount && m_IndexIds[i] < packed)
            ++i;
        return i;
#endif
    }
    mutable std::uint32_t m_nIndexChanges = ~0u;
    mutable std::uint32_t m_nIndexSize = 0;
    mutable std::uint8_t m_IndexIds[kIndexIdBytes];
    mutable std::uint16_t m_IndexOffsets[kIndexSlots];
    // Where the walk stopped after the tags kept.
    mutable std::uint16_t m_nIndexEnd = 0;
    mutable std::uint8_t m_nIndexCount = 0;
    mutable std::uint8_t m_nIndexState = kIndexNone;
};

} // namespace kx_gen

// Passes a tag result to ProcessError with the caller's file and line.
// Every field access of a record passes through here: success costs a test
// in the caller, not a call into the library.
#define KX_TAG_CHECK(expr)                                                                        \
    do {                                                                                          \
        const std::int32_t kxTagResult_ = (expr);                                                 \
        if (kxTagResult_ != ::kx_gen::kTagOK)                                                     \
            ::kx_gen::CTaggedDataManager::ProcessError(__FILE__, __LINE__, kxTagResult_);         \
    } while (false)
