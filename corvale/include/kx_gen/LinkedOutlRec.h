#pragma once

#include "kx_gen/DBRecordset.h"
#include "kx_gen/Export.h"
#include "kx_gen/OutlineRecord.h"

#include <cstdint>

namespace kx_gen {

// An outline record that names its parent explicitly: an internal id of its
// own (tag 17) and its parent's internal id (tag 18, 0 for the top level).
class KX_GEN_EXPORT CLinkedOutlRec : public COutlineRecord {
public:
    static constexpr std::uint32_t kInternalIdTag = 17;
    static constexpr std::uint32_t kParentIdTag = 18;

    CLinkedOutlRec() = default;
    // A record without tags that Read is about to fill.
    explicit CLinkedOutlRec(TToBeRead toBeRead)
        : COutlineRecord(toBeRead)
    {
    }

    // The outline record's defaults, then internal and parent id 0.
    void Init() override;

    // Getters throw CException message 16 when the tag is missing.
    void setInternalId(std::uint32_t id);
    std::uint32_t getInternalId() const;
    void setParentId(std::uint32_t id);
    std::uint32_t getParentId() const;
};

// The records of a memory outline.
class KX_GEN_EXPORT CLinkedOutlRS : public CDBRecordset {
public:
    // A new CLinkedOutlRec with its defaults; the caller owns it until added.
    CDBRecord *CreateDBRecord() override;
    CDBRecord *CreateRecordToRead() override;
};

} // namespace kx_gen
