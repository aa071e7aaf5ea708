#include "kx_gen/DBRecord.h"

#include "RecordSlab.h"
#include "StreamIO.h"
#include "kx_gen/ByteOrder.h"
#include "kx_gen/Exception.h"

#include <cstdlib>
#include <cstring>

namespace kx_gen {

namespace {

constexpr std::uint32_t kUncheckedRecordLength = 64 * 1024;

} // namespace

CDBRecord::CDBRecord()
    : m_tags(&m_pData, 0, false, 0, kMemBlock)
{
    setBaseDefaults();
}

void CDBRecord::setBaseDefaults()
{
    KX_TAG_CHECK(m_tags.setUInt8(kStatusTagID, 0));
    KX_TAG_CHECK(m_tags.setBool(kSortChangedTagID, false));
}

void CDBRecord::startInSlab(std::uint8_t *storage)
{
    m_tags.lendBuffer(&m_pData, storage);
    setBaseDefaults();
}

CDBRecord::CDBRecord(const CDBRecord &other)
    : m_nRowIndex(other.m_nRowIndex)
    , m_tags(&m_pData, 0, other.m_tags.getSwap(), 0, kMemBlock)
{
    copyDataFrom(other);
}

CDBRecord &CDBRecord::operator=(const CDBRecord &other)
{
    if (this != &other) {
        copyDataFrom(other);
        m_nRowIndex = other.m_nRowIndex;
        m_tags.setSwap(other.m_tags.getSwap());
    }
    m_nPos = kNoFilePos;
    m_nRowSerial = 0;
    return *this;
}

CDBRecord::~CDBRecord()
{
    // Shared bytes are let go, never freed.
    m_tags.deleteBuff();
}

void CDBRecord::operator delete(CDBRecord *record, std::destroying_delete_t)
{
    // The slab is read before the record is gone; the destructor is
    // virtual, so the whole record of whatever class is destroyed.
    CRecordSlab *slab = record->m_pSlab;
    record->~CDBRecord();
    if (slab)
        slab->Release();
    else
        ::operator delete(record);
}

void CDBRecord::copyDataFrom(const CDBRecord &other)
{
    const std::uint32_t length = other.m_tags.size();
    std::uint8_t *copy = nullptr;
    if (length) {
        copy = static_cast<std::uint8_t *>(std::malloc(length));
        if (!copy)
            ThrowException(kMsgOutOfMemory);
        std::memcpy(copy, other.m_pData, length);
    }
    m_tags.deleteBuff();
    m_pData = copy;
    m_tags.assignBuffer(&m_pData, length, length, kMemBlock);
    m_nPos = kNoFilePos;
    m_nRowSerial = 0;
}

void CDBRecord::Init() { }

void CDBRecord::FreeData()
{
    m_tags.deleteBuff();
}

void CDBRecord::resize()
{
    KX_TAG_CHECK(m_tags.resize());
}

std::uint8_t CDBRecord::GetFlag() const
{
    std::uint8_t status = 0;
    KX_TAG_CHECK(m_tags.getUInt8(kStatusTagID, status));
    return status;
}

void CDBRecord::SetFlag(std::uint8_t status)
{
    KX_TAG_CHECK(m_tags.setUInt8(kStatusTagID, status));
}

void CDBRecord::setStatusBit(int pos, bool on)
{
    std::uint8_t status = GetFlag();
    SetBit(&status, pos, on);
    SetFlag(status);
}

void CDBRecord::ClearChanges()
{
    std::uint8_t status = GetFlag();
    SetBit(&status, kNewBitPos, false);
    SetBit(&status, kChangeBitPos, false);
    SetBit(&status, kDelBitPos, false);
    SetFlag(status);
}

void CDBRecord::SetSortChanged(bool on)
{
    KX_TAG_CHECK(m_tags.setBool(kSortChangedTagID, on));
}

bool CDBRecord::IsSortChanged() const
{
    bool on = false;
    KX_TAG_CHECK(m_tags.getBool(kSortChangedTagID, on));
    return on;
}

void CDBRecord::Write(CFileStream &stream) const
{
    const std::uint64_t pos = StreamTell(stream);
    // One contiguous write: markers, length and tags go out together.
    const std::uint32_t length = m_tags.size();
    std::uint8_t head[kStartTagLen + 4];
    std::memcpy(head, kRecordStartTag, kStartTagLen);
    PutLE32(head + kStartTagLen, length);
    StreamWrite(stream, head, sizeof head);
    if (length)
        StreamWrite(stream, m_pData, length);
    StreamWrite(stream, kRecordEndTag, kEndTagLen);
    m_nPos = pos > 0xFFFFFFFEu ? kNoFilePos : static_cast<std::uint32_t>(pos);
    m_nRowSerial = stream.GetOpenSerial();
    m_nRowChanges = m_tags.changeCount();
}

void CDBRecord::Read(CFileStream &stream)
{
    FreeData();
    const std::uint64_t pos = StreamTell(stream);
    m_nPos = pos > 0xFFFFFFFEu ? kNoFilePos : static_cast<std::uint32_t>(pos);
    m_nRowSerial = 0;

    std::uint8_t head[kStartTagLen + 4];
    StreamRead(stream, head, kStartTagLen);
    if (std::memcmp(head, kRecordStartTag, kStartTagLen) != 0)
        ThrowDBException(kMsgMissingNewRecord);
    StreamRead(stream, head + kStartTagLen, 4);
    const std::uint32_t length = GetLE32(head + kStartTagLen);

    // The length comes from the file. One that could cost real memory must
    // fit in what is left of the file, end marker included, before a byte
    // is allocated for it. Smaller ones are not worth asking the file its
    // length for (a system call per record on a file that others may
    // write): a file that ends early still fails with message 8 below.
    if (length > kUncheckedRecordLength
        && std::uint64_t(length) + kEndTagLen > StreamRemaining(stream))
        ThrowException(kMsgFileReadError);

    if (length) {
        m_pData = static_cast<std::uint8_t *>(std::malloc(length));
        if (!m_pData)
            ThrowDBException(kMsgOutOfMemory);
        m_tags.assignBuffer(&m_pData, 0, length, kMemBlock);
        StreamRead(stream, m_pData, length);
    }
    m_tags.assignBuffer(&m_pData, length, length, kMemBlock);

    std::uint8_t tail[kEndTagLen];
    StreamRead(stream, tail, kEndTagLen);
    if (std::memcmp(tail, kRecordEndTag, kEndTagLen) != 0)
        ThrowDBException(kMsgMissingEndRecord);
    // Before FinishRead: a record it repairs no longer holds its row.
    m_nRowSerial = stream.GetOpenSerial();
    m_nRowChanges = m_tags.changeCount();
    FinishRead();
}

void CDBRecord::FinishRead() { }

} // namespace kx_gen
