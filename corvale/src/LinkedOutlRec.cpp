#include "kx_gen/LinkedOutlRec.h"

#include <memory>

namespace kx_gen {

void CLinkedOutlRec::Init()
{
    COutlineRecord::Init();
    KX_TAG_CHECK(m_tags.setUInt32(kInternalIdTag, 0));
    KX_TAG_CHECK(m_tags.setUInt32(kParentIdTag, 0));
}

void CLinkedOutlRec::setInternalId(std::uint32_t id)
{
    KX_TAG_CHECK(m_tags.setUInt32(kInternalIdTag, id));
}

std::uint32_t CLinkedOutlRec::getInternalId() const
{
    std::uint32_t id = 0;
    KX_TAG_CHECK(m_tags.getUInt32(kInternalIdTag, id));
    return id;
}

void CLinkedOutlRec::setParentId(std::uint32_t id)
{
    KX_TAG_CHECK(m_tags.setUInt32(kParentIdTag, id));
}

std::uint32_t CLinkedOutlRec::getParentId() const
{
    std::uint32_t id = 0;
    KX_TAG_CHECK(m_tags.getUInt32(kParentIdTag, id));
    return id;
}

CDBRecord *CLinkedOutlRS::CreateDBRecord()
{
    auto record = std::make_unique<CLinkedOutlRec>();
    record->Init();
    return record.release();
}

} // namespace kx_gen

namespace kx_gen {

CDBRecord *CLinkedOutlRS::CreateRecordToRead()
{
    return new CLinkedOutlRec(CDBRecord::TToBeRead());
}

} // namespace kx_gen
