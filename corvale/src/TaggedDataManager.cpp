#include "kx_gen/TaggedDataManager.h"

#include "kx_gen/ByteOrder.h"
#include "kx_gen/Exception.h"

#include <cstring>
#include <string>
#include <vector>

namespace kx_gen {

std::uint16_t CTaggedDataManager::order16(std::uint16_t v) const
{
    return m_bSwap ? SwapBytes16(v) : v;
}

std::uint32_t CTaggedDataManager::order32(std::uint32_t v) const
{
    return m_bSwap ? SwapBytes32(v) : v;
}

std::int32_t CTaggedDataManager::readTagHeader(std::uint32_t offset, TagType &header) const
{
    if (!inRange(offset, kTagHeaderSize))
        return kTagDataCorrupt;
    const std::uint8_t *p = data() + offset;
    header.code = order16(GetLE16(p + kTagCodeOffset));
    header.version = p[kTagVersionOffset];
    header.flags = GetLE32(p + kTagFlagsOffset);
    header.id = order32(GetLE32(p + kTagIdOffset));
    header.length = order32(GetLE32(p + kTagLengthOffset));
    return kTagOK;
}

std::int32_t CTaggedDataManager::writeTagHeader(std::uint32_t offset, const TagType &header)
{
    if (!inRange(offset, kTagHeaderSize))
        return kTagError;
    const auto encode = [&](std::uint8_t *p) {
        PutLE16(p + kTagCodeOffset, order16(header.code));
        p[kTagVersionOffset] = header.version;
        PutLE32(p + kTagFlagsOffset, header.flags);
        PutLE32(p + kTagIdOffset, order32(header.id));
        PutLE32(p + kTagLengthOffset, order32(header.length));
    };
    if (isShared()) {
        // Rewriting a header unchanged (setString does after storing an
        // equal string) must not cost shared data its sharing.
        std::uint8_t raw[kTagHeaderSize];
        encode(raw);
        if (std::memcmp(data() + offset, raw, kTagHeaderSize) == 0)
            return kTagOK;
        if (unshare() != kTagOK)
            return kTagError;
    }
    noteChange();
    encode(data() + offset);
    return kTagOK;
}

std::int32_t CTaggedDataManager::getTagAt(std::uint32_t offset, TagType &header) const
{
    const std::uint32_t end = size();
    if (offset > end || end - offset < kTagHeaderSize)
        return kTagNotFound;
    readTagHeader(offset, header);
    if (!isValidTag(header))
        return kTagDataCorrupt;
    // A tag whose data runs past the block would send the walk (and any
    // reader of the data) outside the buffer.
    if (header.length > end - offset - kTagHeaderSize)
        return kTagDataCorrupt;
    return kTagOK;
}

std::int32_t CTaggedDataManager::checkTags() const
{
    TagType header;
    std::int32_t rc = kTagOK;
    for (std::uint32_t offset = 0; (rc = getTagAt(offset, header)) == kTagOK;
         offset += kTagHeaderSize + header.length) { }
    return rc == kTagNotFound ? kTagOK : rc;
}

void CTaggedDataManager::indexTags() const
{
    m_nIndexChanges = changeCount();
    m_nIndexSize = size();
    m_nIndexCount = 0;
    m_nIndexState = kIndexNone;
    const std::uint8_t *block = data();
    const std::uint32_t end = size();
    if (!block || end > 0xFFFF)
        return;
    // The same checks as a lookup's walk, in the same order, so that the
    // index answers every lookup as the walk would.
    std::memset(m_IndexIds, kUnusedId, sizeof m_IndexIds);
    std::uint8_t state = kIndexComplete;
    std::uint32_t pos = 0;
    while (end - pos >= kTagHeaderSize) {
        const std::uint8_t *p = block + pos;
        if (order16(GetLE16(p + kTagCodeOffset)) != kTaggedDataCode) {
            state = kIndexDamaged;
            break;
        }
        const std::uint32_t length = order32(GetLE32(p + kTagLengthOffset));
        if (length > end - pos - kTagHeaderSize) {
            state = kIndexDamaged;
            break;
        }
        std::uint8_t packed = 0;
        if (!packId(order32(GetLE32(p + kTagIdOffset)), packed))
            return;
        if (m_nIndexCount == kIndexSlots) {
            state = kIndexPartial;
            break;
        }
        m_IndexIds[m_nIndexCount] = packed;
        m_IndexOffsets[m_nIndexCount] = static_cast<std::uint16_t>(pos);
        ++m_nIndexCount;
        pos += kTagHeaderSize + length;
    }
    m_nIndexEnd = static_cast<std::uint16_t>(pos);
    m_nIndexState = state;
}

std::int32_t CTaggedDataManager::findTag(
    std::uint32_t id, std::uint32_t &offset, bool &found, TagType *header) const
{
    found = false;
    // Only a block that has not changed since it was indexed (on reading)
    // uses the index; a changed one is walked as before, since indexing it
    // again after every change would cost more than the walk it saves.
    std::uint8_t packed = 0;
    if (!indexCurrent() || m_nIndexState == kIndexNone || !packId(id, packed))
        return walkFrom(0, id, offset, found, header);
    // The walk stops at the first tag whose id is not below the one looked
    // for; the index holds the tags in the walk's order.
    const unsigned i = firstIndexedAtLeast(packed);
    if (i < m_nIndexCount) {
        found = m_IndexIds[i] == packed;
        offset = m_IndexOffsets[i];
        if (header)
            readTagHeader(offset, *header);
        return kTagOK;
    }
    switch (m_nIndexState) {
    case kIndexComplete:
        offset = m_nIndexEnd;
        return kTagOK;
    case kIndexDamaged:
        return kTagDataCorrupt;
    default:
        return walkFrom(m_nIndexEnd, id, offset, found, header);
    }
}

std::int32_t CTaggedDataManager::walkFrom(std::uint32_t pos, std::uint32_t id,
    std::uint32_t &offset, bool &found, TagType *header) const
{
    // Every field read goes through here, so the walk reads only the code,
    // id and length of each header, with the checks of getTagAt: a bad code
    // or data past the end of the block is corrupt, and a remainder too
    // short for a header ends the walk unread.
    const std::uint8_t *block = data();
    const std::uint32_t end = size();
    while (end - pos >= kTagHeaderSize) {
        const std::uint8_t *p = block + pos;
        if (order16(GetLE16(p + kTagCodeOffset)) != kTaggedDataCode)
            return kTagDataCorrupt;
        const std::uint32_t length = order32(GetLE32(p + kTagLengthOffset));
        if (length > end - pos - kTagHeaderSize)
            return kTagDataCorrupt;
        const std::uint32_t tagId = order32(GetLE32(p + kTagIdOffset));
        if (tagId >= id) {
            found = tagId == id;
            if (header)
                readTagHeader(pos, *header);
            break;
        }
        pos += kTagHeaderSize + length;
    }
    offset = pos;
    return kTagOK;
}

std::int32_t CTaggedDataManager::setData(
    std::uint32_t id, const void *data, std::uint32_t length, bool *changed, std::uint8_t version)
{
    return setDataImpl(id, data, length, changed, version, false);
}

std::int32_t CTaggedDataManager::setDataImpl(std::uint32_t id, const void *value,
    std::uint32_t length, bool *changed, std::uint8_t version, bool text)
{
    // A string's change report is left alone when its block is damaged.
    if (changed && !text)
        *changed = false;
    if (length && !value)
        return kTagError;

    // The value may have been taken from this very block (getDataPtr); the
    // block can move while it changes, so work on a copy then.
    std::vector<std::uint8_t> copy;
    const std::uint8_t *block = data();
    const auto *bytes = static_cast<const std::uint8_t *>(value);
    if (length && block && bytes >= block && bytes < block + size()) {
        copy.assign(bytes, bytes + length);
        bytes = copy.data();
    }

    std::uint32_t offset = 0;
    bool found = false;
    TagType tag;
    std::int32_t rc = findTag(id, offset, found, &tag);
    if (rc != kTagOK)
        return rc;
    if (changed)
        *changed = false;

    if (!found) {
        if (std::uint64_t(kTagHeaderSize) + length > 0xFFFFFFFFu)
            return kTagError;
        rc = replace(offset, 0, nullptr, kTagHeaderSize + length);
        if (rc != kTagOK)
            return rc;
        tag = TagType();
    } else {
        // Stored UTF-16 text with the same bytes is still a different string
        // once the bytes are read as 8-bit text.
        const bool force = text && (tag.flags & kTagUnicodeFlag);
        const bool same = !force && !(tag.flags & kTagChangedFlag) && tag.version == version
            && tag.length == length
            && (length == 0 || std::memcmp(data() + offset + kTagHeaderSize, bytes, length) == 0);
        if (same)
            return kTagOK;
        rc = replace(offset + kTagHeaderSize, tag.length, nullptr, length);
        if (rc != kTagOK)
            return rc;
    }

    if (length)
        std::memcpy(get(offset + kTagHeaderSize), bytes, length);
    tag.code = kTaggedDataCode;
    tag.version = version;
    tag.flags |= kTagChangedFlag;
    if (text)
        tag.flags &= ~kTagUnicodeFlag;
    tag.id = id;
    tag.length = length;
    writeTagHeader(offset, tag);
    if (changed)
        *changed = true;
    return kTagOK;
}

std::int32_t CTaggedDataManager::getData(
    std::uint32_t id, void *out, std::uint32_t &size, std::uint8_t *version) const
{
    std::uint32_t offset = 0;
    bool found = false;
    TagType tag;
    std::int32_t rc = findTag(id, offset, found, &tag);
    if (rc != kTagOK)
        return rc;
    if (!found)
        return kTagNotFound;
    if (tag.length > size)
        return kTagBufferOverflow;
    if (tag.length) {
        if (!out)
            return kTagError;
        std::memcpy(out, data() + offset + kTagHeaderSize, tag.length);
    }
    size = tag.length;
    if (version)
        *version = tag.version;
    return kTagOK;
}

const std::uint8_t *CTaggedDataManager::getDataPtr(
    std::uint32_t id, std::uint32_t expectedSize) const
{
    std::uint32_t offset = 0;
    bool found = false;
    TagType tag;
    if (findTag(id, offset, found, &tag) != kTagOK || !found || tag.length < expectedSize)
        return nullptr;
    return data() + offset + kTagHeaderSize;
}

const std::uint8_t *CTaggedDataManager::findDataWalking(std::uint32_t id, std::uint32_t &length) const
{
    std::uint32_t offset = 0;
    bool found = false;
    TagType tag;
    length = 0;
    if (findTag(id, offset, found, &tag) != kTagOK || !found)
        return nullptr;
    length = tag.length;
    return data() + offset + kTagHeaderSize;
}

std::int32_t CTaggedDataManager::deleteData(std::uint32_t id)
{
    std::uint32_t offset = 0;
    bool found = false;
    TagType tag;
    std::int32_t rc = findTag(id, offset, found, &tag);
    if (rc != kTagOK || !found)
        return rc;
    return erase(offset, kTagHeaderSize + tag.length);
}

std::int32_t CTaggedDataManager::hasTag(std::uint32_t id, bool &found) const
{
    std::uint32_t offset = 0;
    return findTag(id, offset, found);
}

std::int32_t CTaggedDataManager::getTagDataSize(std::uint32_t id, std::uint32_t &size) const
{
    std::uint32_t offset = 0;
    bool found = false;
    TagType tag;
    std::int32_t rc = findTag(id, offset, found, &tag);
    if (rc != kTagOK)
        return rc;
    if (!found)
        return kTagNotFound;
    size = tag.length;
    return kTagOK;
}

std::int32_t CTaggedDataManager::getTagVersion(std::uint32_t id, std::uint8_t &version) const
{
    std::uint32_t offset = 0;
    bool found = false;
    TagType tag;
    std::int32_t rc = findTag(id, offset, found, &tag);
    if (rc != kTagOK)
        return rc;
    if (!found)
        return kTagNotFound;
    version = tag.version;
    return kTagOK;
}

std::int32_t CTaggedDataManager::setTagChanged(std::uint32_t id, bool changed)
{
    std::uint32_t offset = 0;
    bool found = false;
    TagType tag;
    std::int32_t rc = findTag(id, offset, found, &tag);
    if (rc != kTagOK)
        return rc;
    if (!found)
        return kTagNotFound;
    if (changed)
        tag.flags |= kTagChangedFlag;
    else
        tag.flags &= ~kTagChangedFlag;
    return writeTagHeader(offset, tag);
}

std::int32_t CTaggedDataManager::getTagChanged(std::uint32_t id, bool &changed) const
{
    std::uint32_t offset = 0;
    bool found = false;
    TagType tag;
    std::int32_t rc = findTag(id, offset, found, &tag);
    if (rc != kTagOK)
        return rc;
    if (!found)
        return kTagNotFound;
    changed = (tag.flags & kTagChangedFlag) != 0;
    return kTagOK;
}

std::int32_t CTaggedDataManager::setString(std::uint32_t index, const _String &text, bool *changed)
{
    if (text.size() >= 0xFFFFFFFFu - kTagHeaderSize)
        return kTagError;
    // One walk: the header written for the new text also drops the UTF-16
    // flag, and an equal 8-bit string (which has no such flag) is left as
    // it is.
    return setDataImpl(kStringTagIDCode + index, text.c_str(),
        static_cast<std::uint32_t>(text.size()) + 1, changed, 0, true);
}

std::int32_t CTaggedDataManager::getStringWalking(std::uint32_t index, _String &text) const
{
    text.Empty();
    std::uint32_t offset = 0;
    bool found = false;
    TagType tag;
    std::int32_t rc = findTag(kStringTagIDCode + index, offset, found, &tag);
    if (rc != kTagOK)
        return rc;
    if (!found)
        return kTagNotFound;
    if (tag.length == 0)
        return kTagOK;
    const std::uint8_t *p = data() + offset + kTagHeaderSize;
    if (p[tag.length - 1] != 0)
        return kTagDataCorrupt;

    if (tag.flags & kTagUnicodeFlag) {
        std::u16string units(tag.length / 2, u'\0');
        std::memcpy(units.data(), p, units.size() * 2);
        while (!units.empty() && units.back() == 0)
            units.pop_back();
        text.AssignUnicode(units.c_str(), static_cast<int>(units.size()));
    } else {
        const char *chars = reinterpret_cast<const char *>(p);
        text.str().assign(chars, strnlen(chars, tag.length));
    }
    return kTagOK;
}

std::int32_t CTaggedDataManager::getFixed(std::uint32_t id, void *out, std::uint32_t width) const
{
    std::uint32_t size = width;
    std::int32_t rc = getData(id, out, size);
    if (rc == kTagOK && size != width)
        return kTagDataCorrupt;
    return rc;
}

std::int32_t CTaggedDataManager::setBool(std::uint32_t id, bool value, bool *changed)
{
    const std::uint8_t byte = value ? 1 : 0;
    return setData(id, &byte, 1, changed);
}

std::int32_t CTaggedDataManager::getBoolWalking(std::uint32_t id, bool &value) const
{
    std::uint8_t byte = 0;
    std::int32_t rc = getFixed(id, &byte, 1);
    if (rc == kTagOK)
        value = byte != 0;
    return rc;
}

std::int32_t CTaggedDataManager::setUInt8(std::uint32_t id, std::uint8_t value, bool *changed)
{
    return setData(id, &value, 1, changed);
}

std::int32_t CTaggedDataManager::getUInt8Walking(std::uint32_t id, std::uint8_t &value) const
{
    return getFixed(id, &value, 1);
}

std::int32_t CTaggedDataManager::setUInt16(std::uint32_t id, std::uint16_t value, bool *changed)
{
    std::uint8_t bytes[2];
    PutLE16(bytes, order16(value));
    return setData(id, bytes, 2, changed);
}

std::int32_t CTaggedDataManager::getUInt16(std::uint32_t id, std::uint16_t &value) const
{
    std::uint8_t bytes[2];
    std::int32_t rc = getFixed(id, bytes, 2);
    if (rc == kTagOK)
        value = order16(GetLE16(bytes));
    return rc;
}

std::int32_t CTaggedDataManager::setUInt32(std::uint32_t id, std::uint32_t value, bool *changed)
{
    std::uint8_t bytes[4];
    PutLE32(bytes, order32(value));
    return setData(id, bytes, 4, changed);
}

std::int32_t CTaggedDataManager::getUInt32(std::uint32_t id, std::uint32_t &value) const
{
    std::uint8_t bytes[4];
    std::int32_t rc = getFixed(id, bytes, 4);
    if (rc == kTagOK)
        value = order32(GetLE32(bytes));
    return rc;
}

std::int32_t CTaggedDataManager::setInt32(std::uint32_t id, std::int32_t value, bool *changed)
{
    return setUInt32(id, static_cast<std::uint32_t>(value), changed);
}

std::int32_t CTaggedDataManager::getInt32(std::uint32_t id, std::int32_t &value) const
{
    std::uint32_t u = 0;
    std::int32_t rc = getUInt32(id, u);
    if (rc == kTagOK)
        value = static_cast<std::int32_t>(u);
    return rc;
}

void CTaggedDataManager::ProcessError(const char *file, int line, std::int32_t code, void *)
{
    (void)file;
    (void)line;
    switch (code) {
    case kTagOK:
        return;
    case kTagDataCorrupt:
        ThrowException(kMsgDataCorruption);
    case kTagNotFound:
        ThrowException(kMsgDataClassNotFound);
    case kTagBufferOverflow:
        ThrowException(kMsgDataBufferOverflow);
    default:
        ThrowException(kMsgUnknownData);
    }
}

} // namespace kx_gen
