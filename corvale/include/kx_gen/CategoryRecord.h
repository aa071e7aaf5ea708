#pragma once

#include "kx_gen/DBRecord.h"
#include "kx_gen/DBRecordset.h"
#include "kx_gen/Export.h"
#include "kx_gen/String.h"
#include "kx_gen/Time.h"

#include <cstdint>

namespace kx_gen {

// One slot of a user's category table. Besides the status byte (whose empty
// bit marks a free slot) it holds the category id (0 = unfiled, else 1 to
// 255), the name and the time of the last change. The typed accessors throw
// the tag exceptions of CTaggedDataManager::ProcessError when the record's
// tag block is damaged.
class KX_GEN_EXPORT CCategoryRecord : public CDBRecord {
public:
    // Tag ids of the fields; the name is string tag 6 (id 0x10006).
    static constexpr std::uint32_t kCategoryIdTagID = 5;
    static constexpr std::uint32_t kNameStringIndex = 6;
    static constexpr std::uint32_t kLastChangedTagID = 7;

    CCategoryRecord() = default;

    // Id 0, empty name, time 0 (the status stays as it is).
    void Init() override;
    // Once read, the record gets the fields its file lacks (with their
    // defaults and no changed bit), so that an older file reads like a new
    // one. Throws the tag exceptions (message 15 or 17) for a damaged tag
    // block or a field that cannot be read.
    void FinishRead() override;

    void SetCategoryId(std::uint32_t id);
    std::uint32_t GetCategoryId() const;
    void SetCategoryName(const _String &name);
    _String GetCategoryName() const;
    void SetLastChangedTime(CTime time);
    CTime GetLastChangedTime() const;
};

// The recordset of a category table: makes CCategoryRecord rows.
class KX_GEN_EXPORT CCategoryRecordset : public CDBRecordset {
public:
    CDBRecord *CreateDBRecord() override;
};

} // namespace kx_gen
