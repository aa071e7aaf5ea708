#pragma once

// The byte layout of an outline as a Palm OS database file: the standard
// database header and record list, the standard category block with the
// outline's own fields after it, and one record per item. Every multi-byte
// number is big-endian, as on the handheld. The reader and the writer both
// take their offsets and sizes from here; README.md draws the same layout.

#include <cstddef>
#include <cstdint>

namespace tarnvel {

// Database header (78 bytes).
constexpr std::size_t kDbNameSize = 32;
constexpr std::size_t kHdrName = 0;
constexpr std::size_t kHdrAttributes = 32;
constexpr std::size_t kHdrVersion = 34;
constexpr std::size_t kHdrCreationDate = 36;
constexpr std::size_t kHdrModificationDate = 40;
constexpr std::size_t kHdrBackupDate = 44;
constexpr std::size_t kHdrModificationNumber = 48;
constexpr std::size_t kHdrAppInfoOffset = 52;
constexpr std::size_t kHdrSortInfoOffset = 56;
constexpr std::size_t kHdrType = 60;
constexpr std::size_t kHdrCreator = 64;
constexpr std::size_t kHdrUniqueIdSeed = 68;
constexpr std::size_t kHdrNextRecordList = 72;
constexpr std::size_t kHdrRecordCount = 76;
constexpr std::size_t kHeaderSize = 78;

// One record list entry: u32 offset, u8 attributes and category, u24 id.
constexpr std::size_t kRecordEntrySize = 8;
// The two zero bytes that Palm OS leaves between the record list and the
// first data block.
constexpr std::size_t kListGapSize = 2;

// Database attributes.
constexpr std::uint16_t kDbAttrResource = 0x0001;
constexpr std::uint16_t kDbAttrBackup = 0x0008;

// Record attributes (high nibble) and the category index (low nibble).
constexpr std::uint8_t kRecAttrDelete = 0x80;
constexpr std::uint8_t kRecAttrDirty = 0x40;
constexpr std::uint8_t kRecAttrBusy = 0x20;
constexpr std::uint8_t kRecAttrSecret = 0x10;
constexpr std::uint8_t kRecCategoryMask = 0x0F;
// In a deleted record the low nibble holds no category but this flag: keep
// the record in the archive.
constexpr std::uint8_t kRecAttrArchive = 0x08;

// Record unique ids are 24 bits wide.
constexpr std::uint32_t kMaxUniqueId = 0xFFFFFF;

// Type and creator of outline databases: "Vlcr" is this product's creator,
// "Outl" and "Tmpl" tell an outline from a template.
constexpr std::uint32_t fourCC(const char (&code)[5])
{
    return std::uint32_t(std::uint8_t(code[0])) << 24 | std::uint32_t(std::uint8_t(code[1])) << 16
        | std::uint32_t(std::uint8_t(code[2])) << 8 | std::uint32_t(std::uint8_t(code[3]));
}
constexpr std::uint32_t kCreator = fourCC("Vlcr");
constexpr std::uint32_t kTypeOutline = fourCC("Outl");
constexpr std::uint32_t kTypeTemplate = fourCC("Tmpl");
// The database version field: the layout version of the records below.
constexpr std::uint16_t kDbVersion = 1;

// Seconds from 1904-01-01 (the handheld's epoch) to 1970-01-01.
constexpr std::uint32_t kEpochDelta1904 = 2082844800u;

// Standard category block at the start of the AppInfo block (276 bytes):
// u16 renamed flags, 16 names of 16 bytes, 16 ids, u8 last unique id, one
// pad byte.
constexpr std::size_t kCategoryCount = 16;
constexpr std::size_t kCategoryNameSize = 16;
constexpr std::size_t kCatRenamed = 0;
constexpr std::size_t kCatNames = 2;
constexpr std::size_t kCatIds = kCatNames + kCategoryCount * kCategoryNameSize; // 258
constexpr std::size_t kCatLastUniqueId = kCatIds + kCategoryCount; // 274
constexpr std::size_t kCategoryBlockSize = kCatLastUniqueId + 2; // 276
// Desktop-created category ids start here.
constexpr std::uint8_t kFirstDesktopCategoryId = 129;

// The outline's own fields after the category block:
//   u16 outline block version (1)
//   u8  category index of the outline (0..15)
//   u8  reserved (0)
//   u16 outline flags (kOutline... below)
//   10  numbering scheme, u16 numbering divider
//   u8  show-headings mode, u8 reserved (0)
//   u16 + bytes: title; u16 + bytes: handheld match name
//   u16 K, K x u32: ids of items deleted on the desktop
//   28  desktop font (five i32: height, width, escapement, orientation,
//       weight; then italic, underline, strike-out, character set, output
//       precision, clip precision, quality, pitch and family)
//   u32 font colour (0x00bbggrr), u16 + bytes: font face name
constexpr std::uint16_t kOutlineBlockVersion = 1;
constexpr std::size_t kOutlineFixedSize = 2 + 1 + 1 + 2 + 10 + 2 + 1 + 1; // 20
constexpr std::size_t kNumberingSize = 10;
constexpr std::size_t kFontInfoSize = 28;
constexpr std::uint16_t kOutlinePrivate = 0x0001;
constexpr std::uint16_t kOutlineChanged = 0x0002;
constexpr std::uint16_t kOutlineSynchronized = 0x0004;
constexpr std::uint16_t kOutlineShowChecked = 0x0008;
constexpr std::uint16_t kOutlineCategoryChanged = 0x0010;
constexpr std::uint16_t kOutlinePrivateChanged = 0x0020;
constexpr std::uint16_t kOutlineNumberingChanged = 0x0040;
constexpr std::uint16_t kOutlineDividerChanged = 0x0080;
constexpr std::uint16_t kOutlineShowCheckedChanged = 0x0100;
constexpr std::uint16_t kOutlineHasFont = 0x0200;

// One item record:
//   u8  record layout version (1)
//   u8  level (0 = top level, at most 9)
//   u8  item flags (kItem... below)
//   u8  desktop status bits (new 0x80, deleted 0x40, changed 0x20, empty
//       0x10, archived 0x08)
//   u8  changed fields (kField... below), u8 reserved (0)
//   u16 T, u16 N, u16 D: lengths of the text, the note and the drawing
//   T bytes text, N bytes note (paragraphs end in LF, Windows-1252), D bytes
//   drawing in the storage library's drawing format
constexpr std::uint8_t kRecordLayoutVersion = 1;
constexpr std::size_t kItemFixedSize = 12;
constexpr std::size_t kItemVersion = 0;
constexpr std::size_t kItemLevel = 1;
constexpr std::size_t kItemFlags = 2;
constexpr std::size_t kItemStatus = 3;
constexpr std::size_t kItemChangedFields = 4;
constexpr std::size_t kItemTextLength = 6;
constexpr std::size_t kItemNoteLength = 8;
constexpr std::size_t kItemDrawingLength = 10;
constexpr std::uint8_t kItemChecked = 0x01;
constexpr std::uint8_t kItemExpanded = 0x02;
constexpr std::uint8_t kItemHasNote = 0x04;
constexpr std::uint8_t kItemHasDrawing = 0x08;
// The item has no handheld record id yet: the id in the record list was
// made up for this file only, and reading gives the item id 0 again.
constexpr std::uint8_t kItemDesktopOnly = 0x10;
constexpr std::uint8_t kFieldLevel = 0x01;
constexpr std::uint8_t kFieldText = 0x02;
constexpr std::uint8_t kFieldNote = 0x04;
constexpr std::uint8_t kFieldExpanded = 0x08;
constexpr std::uint8_t kFieldChecked = 0x10;
constexpr std::uint8_t kFieldDrawing = 0x20;
constexpr std::uint8_t kFieldSortChanged = 0x40;
// The status bits themselves were touched since the last synchronisation.
constexpr std::uint8_t kFieldStatus = 0x80;

// The largest level an item can have.
constexpr std::uint8_t kMaxLevel = 9;
// The largest record the handheld's data manager can hold.
constexpr std::size_t kMaxRecordSize = 65505;
// Larger files are no outline database; the reader refuses them unread.
constexpr std::size_t kMaxFileSize = 64u << 20;

} // namespace tarnvel
