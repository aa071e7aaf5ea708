#include "kx_gen/Database.h"

#include "RecordSlab.h"
#include "RowBlock.h"
#include "StreamIO.h"
#include "kx_gen/ByteOrder.h"
#include "kx_gen/DBRecord.h"
#include "kx_gen/Exception.h"
#include "kx_gen/File.h"
#include "kx_gen/TaggedDataHeader.h"

#include <algorithm>
#include <memory>

namespace kx_gen {

CDatabase::CDatabase(std::uint16_t version)
{
    m_dbInfo.version = version;
    m_headerManager.RegisterHeader({ kConduitHeaderID, kConduitHeaderSize }, new CConduitHeader);
}

CDatabase::~CDatabase()
{
    try {
        CFileStream::Close();
    } catch (CException *e) {
        ExceptionHolder holder(e);
    }
    delete m_pRecordset;
}

void CDatabase::Open(const char *path, unsigned mode)
{
    CFileStream::Open(path, mode);
    if (mode & CFile::modeCreate) {
        // A new or truncated file (or one kept by modeNoTruncate, whose table
        // is not read) has no table that in-place writes could rely on.
        m_headerManager.ForgetDiskTable();
        return;
    }
    ReadDbInfo();
    CheckDbInfo();
    ReadHeaderInfo();
}

void CDatabase::Close()
{
    CFileStream::Close();
}

void CDatabase::InitNewDatabase()
{
    m_dbInfo.checkCode = kDbCheckCode;
    m_dbInfo.rowCount = 0;
    m_headerManager.MatchRegisteredHeaders();
    GetRecordset();
}

void CDatabase::ReadDbInfo()
{
    StreamSeek(*this, 0);
    std::uint8_t raw[kDbInfoSize];
    StreamRead(*this, raw, kDbInfoSize);
    const std::uint32_t checkCode = GetLE32(raw);
    if (checkCode != kDbCheckCode)
        ThrowDBException(kMsgCheckCodeDifferent);
    m_dbInfo.checkCode = checkCode;
    m_dbInfo.version = GetLE16(raw + 4);
    m_dbInfo.rowCount = GetLE32(raw + 6);
}

void CDatabase::WriteDbInfo()
{
    std::uint8_t raw[kDbInfoSize];
    PutLE32(raw, m_dbInfo.checkCode);
    PutLE16(raw + 4, m_dbInfo.version);
    PutLE32(raw + 6, m_dbInfo.rowCount);
    StreamSeek(*this, 0);
    StreamWrite(*this, raw, kDbInfoSize);
}

void CDatabase::ReadHeaderInfo()
{
    m_headerManager.Read(*this);
}

bool CDatabase::ReadHeader(std::uint16_t id)
{
    return m_headerManager.ReadHeader(*this, id);
}

void CDatabase::WriteHeader(std::uint16_t id)
{
    m_headerManager.WriteHeader(*this, id);
}

void CDatabase::WriteAllHeaders()
{
    WriteDbInfo();
    m_headerManager.WriteAll(*this);
}

CDBRecordset *CDatabase::CreateRecordset()
{
    return new CDBRecordset;
}

CDBRecordset *CDatabase::GetRecordset()
{
    if (!m_pRecordset)
        m_pRecordset = CreateRecordset();
    return m_pRecordset;
}

CDBRecord *CDatabase::getRecord(std::size_t index)
{
    return GetRecordset()->getRecord(index);
}

CConduitHeader *CDatabase::GetConduitHeader() const
{
    return dynamic_cast<CConduitHeader *>(m_headerManager.GetHeaderPtr(kConduitHeaderID));
}

std::uint32_t CDatabase::getFirstRowStartPosReading()
{
    return m_headerManager.GetReadHeadersEnd();
}

std::uint32_t CDatabase::getFirstRowStartPosWriting()
{
    if (m_headerManager.IsDiskTableKnown() && !m_headerManager.IsWriteLayoutOnDisk())
        throw new CException(kMsgHeaderSizeChanged, kHeaderSizeChangedError);
    return m_headerManager.GetWriteHeadersEnd();
}

void CDatabase::ReadRows(const std::function<void(CDBRecord &)> &onRow, TTagIndexing indexing)
{
    StreamSeek(*this, getFirstRowStartPosReading());
    ReadExtraRows();
    CDBRecordset *records = GetRecordset();
    records->Free();
    // The count comes from the file; no record takes fewer bytes than its
    // framing, so that bounds what is worth reserving.
    const auto expected = static_cast<std::size_t>(
        std::min<std::uint64_t>(m_dbInfo.rowCount, StreamRemaining(*this) / kMinFramedRecordSize));
    records->reserve(expected);
    // The rows are read in a few large blocks that the records use in place
    // (each a shared, read-only part of a block, copied on its first change)
    // rather than as a copy per record.
    CRowReader reader(*this, indexing == kTagsIndexed);
    CRecordMaker maker(*records, expected);
    for (std::uint32_t i = 0; i < m_dbInfo.rowCount; ++i) {
        std::unique_ptr<CDBRecord> record(maker.Make());
        reader.Next(*record);
        record->FinishRead();
        CDBRecord &added = *record;
        records->add(record.release());
        if (onRow)
            onRow(added);
    }
    reader.Finish();
}

void CDatabase::WriteRows()
{
    CDBRecordset *records = GetRecordset();
    m_dbInfo.rowCount = static_cast<std::uint32_t>(records->getSize());
    StreamSeek(*this, getFirstRowStartPosWriting());
    WriteExtraRows();
    for (std::size_t i = 0; i < records->getSize(); ++i)
        records->getRecord(i)->Write(*this);
    const std::uint64_t end = StreamTell(*this);
    WriteDbInfo();
    StreamSeek(*this, end);
    StreamTruncate(*this, end);
}

void CDatabase::ReadRow(std::uint32_t pos, CDBRecord *record)
{
    StreamSeek(*this, pos);
    record->Read(*this);
}

void CDatabase::purgeDeletedRecs()
{
    GetRecordset()->purgeDeleted();
}

} // namespace kx_gen
