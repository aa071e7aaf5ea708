#include "RecordScan.h"

#include "kx_gen/ByteOrder.h"
#include "kx_gen/OutlineRecord.h"

#include <cstring>

using kx_gen::COutlineRecord;

bool CRecordScan::TTag::GetPlainString(std::string_view &text) const
{
    if (!IsPlainString())
        return false;
    if (m_nLength == 0) {
        text = std::string_view();
        return true;
    }
    const char *chars = reinterpret_cast<const char *>(m_pData);
    text = std::string_view(chars, ::strnlen(chars, m_nLength));
    return true;
}

bool CRecordScan::TTag::Holds(const void *data, std::uint32_t length) const
{
    return m_bFound && m_nVersion == 0 && !(m_nFlags & kx_gen::kTagUnicodeFlag)
        && m_nLength == length && (length == 0 || std::memcmp(m_pData, data, length) == 0);
}

CRecordScan::CRecordScan(const COutlineRecord &record)
{
    if (record.GetTags().getSwap())
        return;
    const std::uint8_t *block = record.GetRawDataPtr();
    const std::uint32_t size = record.GetRecSize();
    if (!block && size)
        return;
    // A record just read carries the offsets of its tags, checked by the
    // walk that found them: the headers need no walk and no check here.
    const std::uint16_t *indexed = nullptr;
    const int count = record.GetTags().indexedTags(indexed);
    std::uint32_t offset = 0;
    std::uint64_t lastId = 0;
    bool first = true;
    for (int k = 0;; ++k) {
        if (count >= 0) {
            if (k == count)
                break;
            offset = indexed[k];
        } else if (size - offset < kx_gen::kTagHeaderSize) {
            // As the accessors walk: a remainder too short for a header ends
            // the block.
            break;
        }
        const std::uint8_t *h = block + offset;
        const std::uint32_t id = kx_gen::GetLE32(h + kx_gen::kTagIdOffset);
        const std::uint32_t length = kx_gen::GetLE32(h + kx_gen::kTagLengthOffset);
        // A bad code or data past the end is damage.
        if (count < 0
            && (kx_gen::GetLE16(h + kx_gen::kTagCodeOffset) != kx_gen::kTaggedDataCode
                || length > size - offset - kx_gen::kTagHeaderSize))
            return;
        // Out of order, a lookup would stop early and miss tags that this
        // walk sees: leave such a block to the accessors.
        if (!first && id <= lastId)
            return;
        first = false;
        lastId = id;
        TTag *tag = nullptr;
        switch (id) {
        case kx_gen::kStatusTagID:
            tag = &m_Status;
            break;
        case kx_gen::kSortChangedTagID:
            tag = &m_SortChanged;
            break;
        case COutlineRecord::kIdTag:
            tag = &m_Id;
            break;
        case COutlineRecord::kIndentTag:
            tag = &m_Indent;
            break;
        case COutlineRecord::kExpandedTag:
            tag = &m_Expanded;
            break;
        case COutlineRecord::kCheckedTag:
            tag = &m_Checked;
            break;
        case COutlineRecord::kDrawingTag:
            tag = &m_Drawing;
            break;
        case kx_gen::kStringTagIDCode + COutlineRecord::kTextString:
            tag = &m_Text;
            break;
        case kx_gen::kStringTagIDCode + COutlineRecord::kNoteString:
            tag = &m_Note;
            break;
        default:
            break;
        }
        if (tag) {
            tag->m_pData = h + kx_gen::kTagHeaderSize;
            tag->m_nLength = length;
            tag->m_nFlags = kx_gen::GetLE32(h + kx_gen::kTagFlagsOffset);
            tag->m_nVersion = h[kx_gen::kTagVersionOffset];
            tag->m_bFound = true;
        }
        offset += kx_gen::kTagHeaderSize + length;
    }
    m_bValid = true;
}
