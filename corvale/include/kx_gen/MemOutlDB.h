#pragma once

#include "kx_gen/Database.h"
#include "kx_gen/Export.h"
#include "kx_gen/LinkedOutlRec.h"

#include <cstddef>
#include <cstdint>

namespace kx_gen {

// An outline of linked records kept as a stream of its own: the db info
// (version 10) followed directly by the records, with no header area in use
// and no extra rows. Read it with ReadDbInfo, CheckDbInfo and ReadRows;
// write it with WriteRows.
class KX_GEN_EXPORT CMemOutlDB : public CDatabase {
public:
    static constexpr std::uint16_t kVersion = 10;

    CMemOutlDB();

    // Version other than 10: CDBException error 21, message 25.
    void CheckDbInfo() override;
    void ReadExtraRows() override { }
    void WriteExtraRows() override { }
    CDBRecordset *CreateRecordset() override;
    // The records start right after the db info, reading and writing alike.
    std::uint32_t getFirstRowStartPosReading() override { return kDbInfoSize; }
    std::uint32_t getFirstRowStartPosWriting() override { return kDbInfoSize; }

    // The record at index as a linked record, or null.
    CLinkedOutlRec *GetLinkedRecord(std::size_t index);
};

} // namespace kx_gen
