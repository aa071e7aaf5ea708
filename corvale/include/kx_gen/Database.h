#pragma once

#include "kx_gen/DBConstants.h"
#include "kx_gen/DBRecordset.h"
#include "kx_gen/Export.h"
#include "kx_gen/FileStream.h"
#include "kx_gen/HeaderManager.h"

#include <cstddef>
#include <cstdint>
#include <functional>

namespace kx_gen {

class CConduitHeader;
class CDBRecord;

// The 10 bytes at the start of every container file.
struct TDbInfo {
    std::uint32_t checkCode = kDbCheckCode;
    std::uint16_t version = 0;
    std::uint32_t rowCount = 0;
};

// A container file: db info, header table and blocks, the class's extra
// rows, then framed records. The database is itself the stream it reads and
// writes. It is read into memory completely and written back completely.
//
// Derived classes register their headers in their constructors, check the
// version (CheckDbInfo), read and write their extra rows and make their
// recordset. Every operation throws the library's exceptions on failure; a
// failed read leaves what was read so far, and the caller discards the
// database.
class KX_GEN_EXPORT CDatabase : public CFileStream {
public:
    // A database of the given version with the conduit header (id 1, 255
    // bytes) registered and no file.
    explicit CDatabase(std::uint16_t version = 0);
    // Closes the file (errors swallowed) and frees the recordset with its
    // records and every registered header.
    ~CDatabase() override;

    // Opens the file with the CFile mode bits. Unless the mode holds
    // modeCreate (0x1000), it then reads and checks the db info and reads
    // the header table; the file stays open when that fails (Close it or
    // discard the database). Throws CFileException for the open, CDBException
    // message 13 for a wrong check code, the class's version exceptions, and
    // error 19 (message 20) for a header smaller than its default while the
    // size problem is reported.
    void Open(const char *path, unsigned mode) override;
    void Close() override;

    // Throws when the db info just read does not suit the class.
    virtual void CheckDbInfo() = 0;
    // Prepares a new database: no rows, and the registered headers matched
    // against the file list (all absent when no file was read, so a full
    // write emits the whole registered table).
    virtual void InitNewDatabase();
    // Writes the 10 bytes of db info at offset 0.
    virtual void WriteDbInfo();
    // Reads / writes the class's section between the headers and the rows,
    // at the stream's position.
    virtual void ReadExtraRows() = 0;
    virtual void WriteExtraRows() = 0;
    // A new, empty recordset of the class's records.
    virtual CDBRecordset *CreateRecordset();
    // Where the extra rows start when reading / writing. Writing throws error
    // 19 (message 20) when the file's table on disk differs from the one a
    // full write produces (rows would land where no reader looks for them):
    // write all headers first.
    virtual std::uint32_t getFirstRowStartPosReading();
    virtual std::uint32_t getFirstRowStartPosWriting();

    // Reads the 10 bytes at offset 0; a check code other than 0x12345678
    // throws CDBException message 13, a short file message 8.
    void ReadDbInfo();
    // Reads the header table (CHeaderManager::Read).
    void ReadHeaderInfo();
    // Reads header id into its registered object; false when the file's
    // table lacks it (the object keeps its defaults).
    bool ReadHeader(std::uint16_t id);
    // Writes one header block in place (see CHeaderManager::WriteHeader).
    void WriteHeader(std::uint16_t id);
    // Writes the db info, the whole header table and every header block.
    void WriteAllHeaders();
    // Reads the extra rows and then as many records as the db info counts,
    // replacing the records in memory. `onRow`, when given, sees each record
    // as soon as it is read and in the recordset, while its bytes are still
    // in cache: a caller that turns records into something else does it
    // then rather than in a second pass over cold memory. What it throws
    // ends the read, leaving the records read so far in the recordset.
    //
    // Each record's tags are indexed as it arrives, so that its field reads
    // need no walk (CTaggedDataManager::indexTags). A caller that walks
    // every record once itself, and reads no field afterwards, has no use
    // for the index and asks for kTagsUnindexed.
    enum TTagIndexing { kTagsIndexed, kTagsUnindexed };
    void ReadRows(const std::function<void(CDBRecord &)> &onRow = nullptr,
        TTagIndexing indexing = kTagsIndexed);
    // Writes the extra rows and every record, rewrites the db info with the
    // row count and truncates the file after the last record.
    void WriteRows();
    // Reads one framed record at a file offset.
    void ReadRow(std::uint32_t pos, CDBRecord *record);

    bool ReadConduitHeader() { return ReadHeader(kConduitHeaderID); }
    void WriteConduitHeader() { WriteHeader(kConduitHeaderID); }
    CConduitHeader *GetConduitHeader() const;

    std::uint16_t GetVersionNum() const { return m_dbInfo.version; }
    const TDbInfo &GetDbInfo() const { return m_dbInfo; }
    // The recordset (made on first use); the database owns it.
    CDBRecordset *GetRecordset();
    // The record at index, or null.
    CDBRecord *getRecord(std::size_t index);
    // Removes and frees every record marked deleted, keeping the order.
    void purgeDeletedRecs();

    CHeaderManager &GetHeaderManager() { return m_headerManager; }
    const CHeaderManager &GetHeaderManager() const { return m_headerManager; }
    void SetReportSizeProblem(bool report) { m_headerManager.SetReportSizeProblem(report); }

protected:
    TDbInfo m_dbInfo;
    CDBRecordset *m_pRecordset = nullptr;
    CHeaderManager m_headerManager;
};

} // namespace kx_gen
