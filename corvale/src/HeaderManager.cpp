#include "kx_gen/HeaderManager.h"

#include "StreamIO.h"
#include "kx_gen/ByteOrder.h"
#include "kx_gen/Exception.h"
#include "kx_gen/TaggedDataHeader.h"

#include <algorithm>

namespace kx_gen {

namespace {

[[noreturn]] void throwSizeChanged()
{
    throw new CException(kMsgHeaderSizeChanged, kHeaderSizeChangedError);
}

} // namespace

CHeaderManager::CHeaderManager(std::uint32_t base)
    : m_nBase(base)
{
}

CHeaderManager::~CHeaderManager()
{
    for (THeaderInfo &info : m_registered)
        delete info.header;
}

void CHeaderManager::RegisterHeader(const THeaderRecord &record, CTaggedDataHeader *header)
{
    for (THeaderInfo &info : m_registered) {
        if (info.id == record.id) {
            if (info.header != header)
                delete info.header;
            info.header = header;
            info.size = record.size;
            for (THeaderInfo &entry : m_fileList)
                if (entry.id == record.id)
                    entry.header = header;
            return;
        }
    }
    THeaderInfo info;
    info.id = record.id;
    info.size = record.size;
    info.header = header;
    for (THeaderInfo &entry : m_fileList) {
        if (entry.id == record.id) {
            entry.header = header;
            info.present = true;
        }
    }
    m_registered.push_back(info);
}

CTaggedDataHeader *CHeaderManager::GetHeaderPtr(std::uint16_t id) const
{
    const THeaderInfo *info = findRegistered(id);
    return info ? info->header : nullptr;
}

const THeaderInfo *CHeaderManager::findRegistered(std::uint16_t id) const
{
    for (const THeaderInfo &info : m_registered)
        if (info.id == id)
            return &info;
    return nullptr;
}

const CHeaderManager::TForeignBlock *CHeaderManager::findForeign(std::uint16_t id) const
{
    for (const TForeignBlock &block : m_foreignBlocks)
        if (block.id == id)
            return &block;
    return nullptr;
}

std::uint32_t CHeaderManager::clampPos(std::uint64_t pos)
{
    return pos >= kNoFilePos ? kNoFilePos : static_cast<std::uint32_t>(pos);
}

std::vector<THeaderRecord> CHeaderManager::writeTable() const
{
    std::vector<THeaderRecord> table;
    table.reserve(m_fileList.size() + m_registered.size());
    for (const THeaderInfo &entry : m_fileList)
        table.push_back({ entry.id, entry.size });
    for (const THeaderInfo &info : m_registered)
        if (!info.present)
            table.push_back({ info.id, info.size });
    return table;
}

std::uint64_t CHeaderManager::tableEnd(const std::vector<THeaderRecord> &table) const
{
    std::uint64_t end
        = std::uint64_t(m_nBase) + kHeaderCountSize + kHeaderRecordSize * table.size();
    for (const THeaderRecord &r : table)
        end += r.size;
    return end;
}

void CHeaderManager::MatchRegisteredHeaders()
{
    for (THeaderInfo &info : m_registered) {
        info.present = false;
        for (THeaderInfo &entry : m_fileList) {
            if (entry.id == info.id) {
                entry.header = info.header;
                info.present = true;
            }
        }
    }
}

void CHeaderManager::checkSizes() const
{
    if (!m_bReportSizeProblem)
        return;
    for (const THeaderInfo &info : m_registered) {
        if (!info.present)
            continue;
        for (const THeaderInfo &entry : m_fileList)
            if (entry.id == info.id && entry.size < info.size)
                throwSizeChanged();
    }
}

void CHeaderManager::rememberDiskTable(const std::vector<THeaderRecord> &table)
{
    m_diskTable = table;
    m_bDiskTableKnown = true;
}

void CHeaderManager::ForgetDiskTable()
{
    m_diskTable.clear();
    m_bDiskTableKnown = false;
}

void CHeaderManager::Read(CFileStream &stream)
{
    m_fileList.clear();
    m_foreignBlocks.clear();
    ForgetDiskTable();
    for (THeaderInfo &info : m_registered)
        info.present = false;

    StreamSeek(stream, m_nBase);
    std::uint8_t countBytes[kHeaderCountSize];
    StreamRead(stream, countBytes, kHeaderCountSize);
    const std::uint16_t count = GetLE16(countBytes);
    // Count and sizes come from the file: the table and every block it
    // announces must lie inside the file before any of it is used.
    const std::uint64_t fileLength = StreamLength(stream);
    if (std::uint64_t(count) * kHeaderRecordSize > StreamRemaining(stream))
        ThrowException(kMsgFileReadError);

    std::vector<std::uint8_t> raw(std::size_t(count) * kHeaderRecordSize);
    if (!raw.empty())
        StreamRead(stream, raw.data(), static_cast<std::uint32_t>(raw.size()));
    for (std::uint16_t i = 0; i < count; ++i) {
        const std::uint8_t *p = raw.data() + std::size_t(i) * kHeaderRecordSize;
        THeaderInfo entry;
        entry.id = GetLE16(p);
        entry.size = GetLE32(p + 2);
        const bool repeated = std::any_of(m_fileList.begin(), m_fileList.end(),
            [&](const THeaderInfo &e) { return e.id == entry.id; });
        if (!repeated)
            m_fileList.push_back(entry);
    }

    std::vector<THeaderRecord> table;
    for (const THeaderInfo &entry : m_fileList)
        table.push_back({ entry.id, entry.size });
    if (tableEnd(table) > fileLength)
        ThrowException(kMsgFileReadError);
    rememberDiskTable(table);

    MatchRegisteredHeaders();
    checkSizes();

    for (const THeaderInfo &entry : m_fileList) {
        if (entry.header)
            continue;
        std::vector<std::uint8_t> block(entry.size);
        StreamSeek(stream, GetHeaderReadPos(entry.id));
        if (!block.empty())
            StreamRead(stream, block.data(), entry.size);
        m_foreignBlocks.push_back({ entry.id, std::move(block) });
    }
}

void CHeaderManager::Write(CFileStream &stream)
{
    const std::vector<THeaderRecord> table = writeTable();
    if (table.size() > 0xFFFF)
        ThrowException(kMsgFileIO);
    std::vector<std::uint8_t> raw(kHeaderCountSize + table.size() * kHeaderRecordSize);
    PutLE16(raw.data(), static_cast<std::uint16_t>(table.size()));
    std::uint8_t *p = raw.data() + kHeaderCountSize;
    for (const THeaderRecord &r : table) {
        PutLE16(p, r.id);
        PutLE32(p + 2, r.size);
        p += kHeaderRecordSize;
    }
    StreamSeek(stream, m_nBase);
    StreamWrite(stream, raw.data(), static_cast<std::uint32_t>(raw.size()));
}

void CHeaderManager::WriteAll(CFileStream &stream)
{
    const std::vector<THeaderRecord> table = writeTable();
    Write(stream);
    StreamSeek(stream, m_nBase + GetWriteHeaderBlockSize());

    auto writeBlock = [&](std::uint16_t id, std::uint32_t size, CTaggedDataHeader *header) {
        if (header) {
            header->Write(stream, size);
            return;
        }
        const TForeignBlock *foreign = findForeign(id);
        if (foreign && foreign->bytes.size() <= size) {
            const std::vector<std::uint8_t> &block = foreign->bytes;
            if (!block.empty())
                StreamWrite(stream, block.data(), static_cast<std::uint32_t>(block.size()));
            StreamWriteZeros(stream, size - static_cast<std::uint32_t>(block.size()));
        } else {
            StreamWriteZeros(stream, size);
        }
    };
    for (const THeaderInfo &entry : m_fileList)
        writeBlock(entry.id, entry.size, entry.header);
    for (const THeaderInfo &info : m_registered)
        if (!info.present)
            writeBlock(info.id, info.size, info.header);

    // The file now holds exactly the table written.
    m_fileList.clear();
    for (const THeaderRecord &r : table) {
        THeaderInfo entry;
        entry.id = r.id;
        entry.size = r.size;
        m_fileList.push_back(entry);
    }
    MatchRegisteredHeaders();
    rememberDiskTable(table);
}

bool CHeaderManager::ReadHeader(CFileStream &stream, std::uint16_t id)
{
    const THeaderInfo *info = findRegistered(id);
    if (!info || !info->header)
        return false;
    for (const THeaderInfo &entry : m_fileList) {
        if (entry.id != id)
            continue;
        StreamSeek(stream, GetHeaderReadPos(id));
        info->header->Read(stream, entry.size);
        info->header->CreateNewFields();
        return true;
    }
    return false;
}

void CHeaderManager::WriteHeader(CFileStream &stream, std::uint16_t id)
{
    CTaggedDataHeader *header = GetHeaderPtr(id);
    if (!header)
        return;
    if (!m_bDiskTableKnown) {
        // No table is known for this file: the block goes where a full write
        // would put it.
        const std::uint32_t pos = GetHeaderWritePos(id);
        if (pos == kNoFilePos)
            throwSizeChanged();
        std::uint32_t size = 0;
        for (const THeaderRecord &r : writeTable())
            if (r.id == id)
                size = r.size;
        StreamSeek(stream, pos);
        header->Write(stream, size);
        return;
    }
    // In place: where and as large as the file's own table says, so the
    // neighbouring blocks and the rows stay intact.
    std::uint64_t pos
        = std::uint64_t(m_nBase) + kHeaderCountSize + kHeaderRecordSize * m_diskTable.size();
    for (const THeaderRecord &r : m_diskTable) {
        if (r.id == id) {
            StreamSeek(stream, pos);
            header->Write(stream, r.size);
            return;
        }
        pos += r.size;
    }
    throwSizeChanged();
}

std::uint32_t CHeaderManager::GetReadHeaderBlockSize() const
{
    return clampPos(kHeaderCountSize + std::uint64_t(kHeaderRecordSize) * m_fileList.size());
}

std::uint32_t CHeaderManager::GetWriteHeaderBlockSize() const
{
    return clampPos(kHeaderCountSize + std::uint64_t(kHeaderRecordSize) * writeTable().size());
}

std::uint32_t CHeaderManager::GetHeaderReadPos(std::uint16_t id) const
{
    std::uint64_t pos = std::uint64_t(m_nBase) + GetReadHeaderBlockSize();
    for (const THeaderInfo &entry : m_fileList) {
        if (entry.id == id)
            return clampPos(pos);
        pos += entry.size;
    }
    return kNoFilePos;
}

std::uint32_t CHeaderManager::GetHeaderWritePos(std::uint16_t id) const
{
    const std::vector<THeaderRecord> table = writeTable();
    std::uint64_t pos
        = std::uint64_t(m_nBase) + kHeaderCountSize + kHeaderRecordSize * table.size();
    for (const THeaderRecord &r : table) {
        if (r.id == id)
            return clampPos(pos);
        pos += r.size;
    }
    return kNoFilePos;
}

std::uint32_t CHeaderManager::GetReadHeadersEnd() const
{
    std::vector<THeaderRecord> table;
    for (const THeaderInfo &entry : m_fileList)
        table.push_back({ entry.id, entry.size });
    return clampPos(tableEnd(table));
}

std::uint32_t CHeaderManager::GetWriteHeadersEnd() const
{
    return clampPos(tableEnd(writeTable()));
}

void CHeaderManager::ResizeHeaders()
{
    for (const THeaderInfo &info : m_registered) {
        if (!info.present)
            continue;
        for (THeaderInfo &entry : m_fileList) {
            if (entry.id != info.id || entry.size >= info.size)
                continue;
            if (m_bReportSizeProblem)
                throwSizeChanged();
            entry.size = info.size;
        }
    }
}

bool CHeaderManager::IsWriteLayoutOnDisk() const
{
    if (!m_bDiskTableKnown)
        return false;
    const std::vector<THeaderRecord> table = writeTable();
    if (table.size() != m_diskTable.size())
        return false;
    for (std::size_t i = 0; i < table.size(); ++i)
        if (table[i].id != m_diskTable[i].id || table[i].size != m_diskTable[i].size)
            return false;
    return true;
}

} // namespace kx_gen
