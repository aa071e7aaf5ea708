#pragma once

#include "kx_gen/ByteOrder.h"
#include "kx_gen/DBConstants.h"

#include <cstdint>
#include <cstring>
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
// A scan keeps only where each tag's header is; the header's fields are
// read when asked for. Loading scans every record of a file, and most of
// what a fuller copy would hold is never looked at. The tags point into
// the record's block: a scan must not be used once the record has changed,
// since any setter may move the block.
class CRecordScan {
public:
    class TTag {
    public:
        bool IsFound() const { return m_pHeader != kAbsent; }
        // The tag's data, its length, flags and version; for a tag not
        // found, an empty tag whose fields are 0.
        const std::uint8_t *Data() const { return m_pHeader + kx_gen::kTagHeaderSize; }
        std::uint32_t Length() const
        {
            return kx_gen::GetLE32(m_pHeader + kx_gen::kTagLengthOffset);
        }
        std::uint32_t Flags() const { return kx_gen::GetLE32(m_pHeader + kx_gen::kTagFlagsOffset); }
        std::uint8_t Version() const { return m_pHeader[kx_gen::kTagVersionOffset]; }

        bool IsChanged() const { return (Flags() & kx_gen::kTagChangedFlag) != 0; }
        // A one-byte value (bool or u8) as the typed getters read it. (The
        // getters are inline: loading and saving call them for every field
        // of every item.)
        bool GetByte(std::uint8_t &value) const
        {
            if (!IsFound() || Length() != 1)
                return false;
            value = Data()[0];
            return true;
        }
        // A four-byte little-endian value.
        bool GetU32(std::uint32_t &value) const
        {
            if (!IsFound() || Length() != 4)
                return false;
            value = kx_gen::GetLE32(Data());
            return true;
        }
        // An 8-bit string as the string getter reads it (up to its first 0
        // byte); false when absent, flagged as UTF-16 or not 0-terminated.
        // A zero-length tag is the empty string.
        bool GetPlainString(std::string_view &text) const
        {
            if (!IsPlainString())
                return false;
            // The last byte is 0: the text is what comes before the first.
            const std::uint32_t length = Length();
            const char *chars = reinterpret_cast<const char *>(Data());
            text = length <= 1 ? std::string_view()
                               : std::string_view(chars, ::strnlen(chars, length - 1));
            return true;
        }
        // Whether GetPlainString would succeed: present, 8-bit, and empty or
        // ending in a 0 byte (so the data reads as a C string).
        bool IsPlainString() const
        {
            const std::uint32_t length = Length();
            return IsFound() && !(Flags() & kx_gen::kTagUnicodeFlag)
                && (length == 0 || Data()[length - 1] == 0);
        }
        // Whether a setter given these bytes would leave the tag as it is.
        bool Holds(const void *data, std::uint32_t length) const;

    private:
        friend class CRecordScan;
        // A header of zeros, and one byte of data, for the tags not found.
        static const std::uint8_t kAbsent[kx_gen::kTagHeaderSize + 1];
        const std::uint8_t *m_pHeader = kAbsent;
    };

    explicit CRecordScan(const kx_gen::COutlineRecord &record);

    bool IsValid() const { return m_bValid; }
    // Whether the block begins with the one-value tags this program writes
    // first (status, sort, id, indent, expanded, checked), each in its place
    // with its own length, version 0, 8-bit, and a boolean's value 0 or 1:
    // their values can then be read without a check. Only a valid scan is.
    bool IsWritten() const { return m_bWritten; }

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
    // Where a tag of this id goes: one of the fields above, or m_Other for
    // the tags no caller asks about. A table rather than a switch: the tags
    // of consecutive records differ (a note here, a drawing there), and an
    // indirect jump per tag mispredicts on every change of pattern.
    static TTag CRecordScan::*SlotOf(std::uint32_t id);
    // The same for an id as the tag index packs it.
    static TTag CRecordScan::*SlotOfPacked(std::uint8_t packed);

    TTag m_Other;
    bool m_bValid = false;
    bool m_bWritten = false;
};
