#include "kx_gen/MemOutlDB.h"

#include "kx_gen/Exception.h"

namespace kx_gen {

CMemOutlDB::CMemOutlDB()
    : CDatabase(kVersion)
{
    GetRecordset();
}

void CMemOutlDB::CheckDbInfo()
{
    if (m_dbInfo.version != kVersion)
        ThrowDBException(kMsgMemOutlineVersion);
}

CDBRecordset *CMemOutlDB::CreateRecordset()
{
    return new CLinkedOutlRS;
}

CLinkedOutlRec *CMemOutlDB::GetLinkedRecord(std::size_t index)
{
    return dynamic_cast<CLinkedOutlRec *>(getRecord(index));
}

} // namespace kx_gen
