#pragma once

// An outline as the handheld holds it, between the outline file and the
// database file: the outline's fields, its category table and its items.

#include "PdbFile.h"
#include "PdbLayout.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tarnvel {

struct SCategoryTable {
    std::uint16_t m_nRenamed = 0;
    // Names of at most 15 bytes; an empty name is an unused slot.
    std::array<std::string, kCategoryCount> m_names;
    std::array<std::uint8_t, kCategoryCount> m_ids {};
    std::uint8_t m_nLastUniqueId = 0;
};

struct SFontInfo {
    std::int32_t m_nHeight = 0;
    std::int32_t m_nWidth = 0;
    std::int32_t m_nEscapement = 0;
    std::int32_t m_nOrientation = 0;
    std::int32_t m_nWeight = 0;
    // italic, underline, strike-out, character set, output precision, clip
    // precision, quality, pitch and family.
    std::array<std::uint8_t, 8> m_bytes {};
    std::uint32_t m_nColour = 0;
    std::string m_strFaceName;
};

struct SItem {
    // The handheld's record id; 0 for an item never synchronised.
    std::uint32_t m_nId = 0;
    std::uint8_t m_nLevel = 0;
    bool m_bChecked = false;
    bool m_bExpanded = true;
    // The record carries a note field (which may be empty).
    bool m_bHasNote = false;
    bool m_bHasDrawing = false;
    // The outline file's status bits of the record.
    std::uint8_t m_nStatus = 0;
    // kField... bits: which fields changed since the last synchronisation.
    std::uint8_t m_nChangedFields = 0;
    // Paragraphs end in LF here, as on the handheld.
    std::string m_strText;
    std::string m_strNote;
    // The storage library's drawing format.
    std::string m_strDrawing;
};

struct SOutline {
    bool m_bTemplate = false;
    std::string m_strTitle;
    std::string m_strCategory;
    std::string m_strMatchName;
    std::uint16_t m_nFlags = 0; // kOutline... bits
    std::array<std::uint8_t, kNumberingSize> m_numbering {};
    std::uint16_t m_nDivider = 0;
    std::uint8_t m_nHeadingsMode = 10;
    std::vector<std::uint32_t> m_deletedIds;
    SFontInfo m_font;
    std::vector<SItem> m_items;
    // Seconds since 1904 for the database dates.
    std::uint32_t m_nDate = 0;
    // As read from a database; built from the category on writing.
    SCategoryTable m_categories;
    std::uint8_t m_nCategoryIndex = 0;
};

// The database for an outline. The category table holds the unfiled name
// (`unfiledName`) at index 0 and the outline's category, when it is another,
// at index 1. Throws CConvertError kErrTooLarge when an item does not fit a
// handheld record or an id does not fit 24 bits.
SPdbDatabase EncodeOutline(const SOutline &outline, const std::string &unfiledName);

// The outline in a database. Throws CConvertError: kErrNotOutline for
// another type or creator, kErrDamaged for outline data that does not hold
// together (each length and count is checked before use).
SOutline DecodeOutline(const SPdbDatabase &db);

// The category table inside an AppInfo block (at least 276 bytes; false
// when shorter).
bool ReadCategoryTable(const std::string &appInfo, SCategoryTable &table);

// Line ends between the outline file (CR LF) and the handheld (LF).
std::string ToHandheldText(const std::string &text);
std::string ToDesktopText(const std::string &text);

} // namespace tarnvel
