#pragma once

// The numbers of the tagged container format, shared by every reader and
// writer of it. Changing any of them changes the format on disk.

#include <cstdint>

namespace kx_gen {

// --- Tag blocks -------------------------------------------------------------

// Every tag header starts with these two bytes (74 61, "ta", little-endian).
constexpr std::uint16_t kTaggedDataCode = 0x6174;
// String tags live above the plain tags: id = kStringTagIDCode + string index.
constexpr std::uint32_t kStringTagIDCode = 0x10000;
// Bytes of one tag header: code u16, version u8, flags u32, id u32, length u32.
constexpr std::uint32_t kTagHeaderSize = 15;
// Offsets of the fields inside a tag header.
constexpr std::uint32_t kTagCodeOffset = 0;
constexpr std::uint32_t kTagVersionOffset = 2;
constexpr std::uint32_t kTagFlagsOffset = 3;
constexpr std::uint32_t kTagIdOffset = 7;
constexpr std::uint32_t kTagLengthOffset = 11;
// Flag bits of a tag header.
constexpr std::uint32_t kTagChangedFlag = 0x1;
constexpr std::uint32_t kTagUnicodeFlag = 0x4;

// Allocation granularity of a record's and of a header's tag block.
constexpr std::uint32_t kMemBlock = 512;
constexpr std::uint32_t kHeaderMemBlock = 255;

// Result codes of the tag operations (0 is success).
constexpr std::int32_t kTagOK = 0;
constexpr std::int32_t kTagError = -1; // allocation failed, bad range
constexpr std::int32_t kTagDataCorrupt = -4556; // bad tag code, tag or string overruns
constexpr std::int32_t kTagNotFound = -4555; // no tag of that id
constexpr std::int32_t kTagBufferOverflow = -4554; // stored value larger than the buffer

// --- Records ------------------------------------------------------------------

// Tag ids every record holds.
constexpr std::uint32_t kStatusTagID = 1; // u8 status bits
constexpr std::uint32_t kSortChangedTagID = 2; // bool

// Status bit positions, counted from the most significant bit (mask 0x80 >> pos).
constexpr int kNewBitPos = 0;
constexpr int kDelBitPos = 1;
constexpr int kChangeBitPos = 2;
constexpr int kEmptyBitPos = 3;
constexpr int kArchivedBitPos = 4;

// A record on disk: start marker, u32 length, tag block, end marker.
constexpr std::uint32_t kStartTagLen = 4;
constexpr std::uint32_t kEndTagLen = 4;
inline constexpr std::uint8_t kRecordStartTag[kStartTagLen] = { 0x50, 0x4B, 0x01, 0x02 };
inline constexpr std::uint8_t kRecordEndTag[kEndTagLen] = { 0x50, 0x4B, 0x03, 0x04 };
// The smallest framed record: markers and length, no tag block.
constexpr std::uint32_t kMinFramedRecordSize = kStartTagLen + 4 + kEndTagLen;

// A record or header position that is not in any file.
constexpr std::uint32_t kNoFilePos = 0xFFFFFFFF;

// --- Container file -------------------------------------------------------

// The db info at offset 0: check code u32, version u16, row count u32.
constexpr std::uint32_t kDbCheckCode = 0x12345678;
constexpr std::uint32_t kDbInfoSize = 10;
// The header table starts right after the db info.
constexpr std::uint32_t kHeaderBaseOffset = 10;
// One header table entry: id u16, block size u32.
constexpr std::uint32_t kHeaderRecordSize = 6;
// The u16 entry count in front of the table.
constexpr std::uint32_t kHeaderCountSize = 2;

// Headers known to every database.
constexpr std::uint16_t kConduitHeaderID = 1;
constexpr std::uint32_t kConduitHeaderSize = 255;

// Error number of the exception that reports a header smaller than its
// registered size (message 20); opening code that upgrades files looks for it.
constexpr int kHeaderSizeChangedError = 19;

} // namespace kx_gen
