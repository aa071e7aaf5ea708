#pragma once

// A Palm OS record database in memory, and its file image: the 78-byte
// header, the record list, the AppInfo and SortInfo blocks and the records.
// Nothing here knows what the records mean.

#include "ConvertError.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tarnvel {

struct SPdbRecord {
    // Attribute bits in the high nibble, category index in the low one.
    std::uint8_t m_nAttributes = 0;
    // 24 bits.
    std::uint32_t m_nUniqueId = 0;
    std::string m_strData;
};

struct SPdbDatabase {
    // At most 31 bytes; the file holds it 0-terminated in 32.
    std::string m_strName;
    std::uint16_t m_nAttributes = 0;
    std::uint16_t m_nVersion = 0;
    // Seconds since 1904-01-01.
    std::uint32_t m_nCreationDate = 0;
    std::uint32_t m_nModificationDate = 0;
    std::uint32_t m_nBackupDate = 0;
    std::uint32_t m_nModificationNumber = 0;
    std::uint32_t m_nType = 0;
    std::uint32_t m_nCreator = 0;
    std::uint32_t m_nUniqueIdSeed = 0;
    // Empty blocks are not written (their offset is 0).
    std::string m_strAppInfo;
    std::string m_strSortInfo;
    std::vector<SPdbRecord> m_records;
};

// The file image: header, record list, two gap bytes, AppInfo, SortInfo and
// the records in order. Throws CConvertError (kErrTooLarge) when the name,
// a unique id or the record count does not fit its field.
std::string WritePdb(const SPdbDatabase &db);

// Parses a file image. The bytes are hostile: every offset, count and length
// is checked against the image before it is used. Throws CConvertError
// (kErrNotDatabase) naming the first fault found.
SPdbDatabase ReadPdb(const std::uint8_t *data, std::size_t size);

// Four characters of a type or creator code, non-printable bytes as '.'.
std::string FourCCText(std::uint32_t code);

} // namespace tarnvel
