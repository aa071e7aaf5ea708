#pragma once

#include "kx_gen/DBConstants.h"

#include <cstdint>
#include <string_view>

namespace kx_gen {
class COutlineRecord;
}

// Every field of an outline record found in one walk over its tag block.
// Loading and saving touch every record of an outline; looking each field
// up on its own walks the block once per field, which is most of their
// cost. The walk checks the block as the record's own accessors do (tag
// code, data inside the block, ids in ascending order); when it finds
// anything else, or the block is in swapped byte order, IsValid is false
// and callers use the record's accessors, which report the damage.
//
// The pointers point into the record's block and are valid until the
// record changes.
class CRecordScan {
public:
    struct TTag {
        const std::uint8_t *m_pData = nullptr;
        std::uint32_t m_nLength = 0;
        std::uint32_t m_nFlags = 0;
        std::uint8_t m_nVersion = 0;
        bool m_bFound = false;

        bool IsChanged() const { return m_bFound && (m_nFlags & kx_gen::kTagChangedFlag); }
        // A one-byte value (bool or u8) as the typed getters read it.
        bool GetByte(std::uint8_t &value) const
        {
            if (!m_bFound || m_nLength != 1)
                return false;
            value = m_pData[0];
            return true;
        }
        // A four-byte little-endian value.
        bool GetU32(std::uint32_t &value) const
        {
            if (!m_bFound || m_nLength != 4)
                return false;
            value = std::uint32_t(m_pData[0]) | (std::uint32_t(m_pData[1]) << 8)
                | (std::uint32_t(m_pData[2]) << 16) | (std::uint32_t(m_pData[3]) << 24);
            return true;
        }
        // An 8-bit string as the string getter reads it (up to its first 0
        // byte); false when absent, flagged as UTF-16 or not 0-terminated.
        // A zero-length tag is the empty string.
        bool GetPlainString(std::string_view &text) const;
        // Whether GetPlainString would succeed: present, 8-bit, and empty or
        // ending in a 0 byte (so the data reads as a C string).
        bool IsPlainString() const
        {
            return m_bFound && !(m_nFlags & kx_gen::kTagUnicodeFlag)
                && (m_nLength == 0 || m_pData[m_nLength - 1] == 0);
        }
        // Whether a setter given these bytes would leave the tag as it is.
        bool Holds(const void *data, std::uint32_t length) const;
    };

    explicit CRecordScan(const kx_gen::COutlineRecord &record);

    bool IsValid() const { return m_bValid; }

    TTag m_Status;
    TTag m_SortChanged;
    TTag m_Id;
    TTag m_Indent;
    TTag m_Expanded;
    TTag m_Checked;
    TTag m_Drawing;
    TTag m_Text;
    TTag m_Note;

private:
    bool m_bValid = false;
};
