#pragma once

#include "kx_gen/DBConstants.h"
#include "kx_gen/Export.h"

#include <cstdint>
#include <vector>

namespace kx_gen {

class CFileStream;
class CTaggedDataHeader;

// One entry of a container's header table as it stands on disk.
struct THeaderRecord {
    std::uint16_t id = 0;
    std::uint32_t size = 0; // bytes of the header block
};

// A header known to the manager: from the file's table or registered by the
// program.
struct THeaderInfo {
    std::uint16_t id = 0;
    std::uint32_t size = 0;
    CTaggedDataHeader *header = nullptr; // the registered object, or none
    bool present = false; // registered entry: the file's table holds the id
};

// The header table of a container file. It keeps the table read from the
// file (the file list, in file order, with the file's sizes) and the headers
// the program knows (the registered list, in registration order, with their
// default sizes and objects). A full write emits the file list followed by
// the registered headers the file lacked, so an older file gains the
// headers of a newer program.
//
// Block positions: 10 + table size + the sizes of the entries before. When
// reading, the table holds the file list only; when writing, it holds the
// file list and then the registered entries not present.
//
// Every table read from a file is checked against the file's length before
// it is used: a table or a block that runs past the end throws CException
// message 8.
class KX_GEN_EXPORT CHeaderManager {
public:
    explicit CHeaderManager(std::uint32_t base = kHeaderBaseOffset);
    // Deletes every registered header object.
    ~CHeaderManager();

    CHeaderManager(const CHeaderManager &) = delete;
    CHeaderManager &operator=(const CHeaderManager &) = delete;

    // Registers a header with its default size; the manager owns `header`
    // from now on. Registering an id again replaces the earlier object.
    void RegisterHeader(const THeaderRecord &record, CTaggedDataHeader *header);
    // The registered object of id, or null.
    CTaggedDataHeader *GetHeaderPtr(std::uint16_t id) const;

    // Reads the table at the base offset into the file list and matches the
    // registered headers against it. Throws CException message 8 when the
    // table or its blocks run past the end of the file, and CException with
    // error number 19 (message 20) when a registered header is smaller in
    // the file than its default while the size problem is reported.
    void Read(CFileStream &stream);
    // Writes the table: the file list, then the registered entries not present.
    void Write(CFileStream &stream);
    // Writes the table and every block: the file list's blocks in order
    // (from their objects; blocks of headers this program does not know are
    // written back as they were read, zero-filled when they never were), then
    // those of the registered entries not present. Afterwards the file list
    // is the table just written and every registered header is present.
    void WriteAll(CFileStream &stream);
    // Reads the block of id into its registered object and lets the object
    // add its missing fields. False (nothing read) when the file's table
    // lacks id or no object is registered for it.
    bool ReadHeader(CFileStream &stream, std::uint16_t id);
    // Writes the block of id where the file holds it, in the size the file
    // gives it; the table is not rewritten. When the file's table lacks id,
    // writing in place would overwrite other data: this throws CException
    // error 19, message 20, and a full write (WriteAll) is needed instead.
    // With no table known for the file (none read or written since it was
    // opened), the block goes to its write position. Nothing happens for an
    // id without a registered object.
    void WriteHeader(CFileStream &stream, std::uint16_t id);

    // Offset of the block of id, or 0xFFFFFFFF when the table lacks it.
    std::uint32_t GetHeaderReadPos(std::uint16_t id) const;
    std::uint32_t GetHeaderWritePos(std::uint16_t id) const;
    // Bytes of the table (count and entries) when reading / writing.
    std::uint32_t GetReadHeaderBlockSize() const;
    std::uint32_t GetWriteHeaderBlockSize() const;
    // Offsets just after the last block, where the extra rows begin.
    std::uint32_t GetReadHeadersEnd() const;
    std::uint32_t GetWriteHeadersEnd() const;

    // Raises every file entry smaller than its registered default to the
    // default. With the size problem reported this throws error 19 (message
    // 20) instead, as Read does.
    void ResizeHeaders();
    void SetReportSizeProblem(bool report) { m_bReportSizeProblem = report; }
    bool GetReportSizeProblem() const { return m_bReportSizeProblem; }

    // Attaches the registered objects to the file entries of the same id and
    // sets their present flags (the second half of Read); with no file list
    // every registered header stays absent.
    void MatchRegisteredHeaders();
    // Forgets what is known of the table on disk, for a file that was just
    // created or truncated.
    void ForgetDiskTable();
    // True when the table on disk is known and equals the one a full write
    // would produce, so rows written after the write headers end land where
    // a reader looks for them. False when no table is known.
    bool IsWriteLayoutOnDisk() const;
    bool IsDiskTableKnown() const { return m_bDiskTableKnown; }

    const std::vector<THeaderInfo> &GetFileList() const { return m_fileList; }
    const std::vector<THeaderInfo> &GetRegisteredList() const { return m_registered; }
    std::uint32_t GetBase() const { return m_nBase; }

private:
    // The table a full write produces: the file list, then the registered
    // entries not present.
    std::vector<THeaderRecord> writeTable() const;
    const THeaderInfo *findRegistered(std::uint16_t id) const;
    std::uint64_t tableEnd(const std::vector<THeaderRecord> &table) const;
    static std::uint32_t clampPos(std::uint64_t pos);
    void checkSizes() const;
    void rememberDiskTable(const std::vector<THeaderRecord> &table);

    std::uint32_t m_nBase;
    std::vector<THeaderInfo> m_fileList;
    std::vector<THeaderInfo> m_registered;
    bool m_bReportSizeProblem = true;

    // The table as it stands in the open file, when known (after Read or a
    // full write): WriteHeader writes in place by it, WriteRows checks it.
    std::vector<THeaderRecord> m_diskTable;
    bool m_bDiskTableKnown = false;
    // Contents of blocks in the file that no registered header reads, kept
    // so that a full write does not lose them.
    struct TForeignBlock {
        std::uint16_t id = 0;
        std::vector<std::uint8_t> bytes;
    };
    const TForeignBlock *findForeign(std::uint16_t id) const;
    std::vector<TForeignBlock> m_foreignBlocks;
};

} // namespace kx_gen
