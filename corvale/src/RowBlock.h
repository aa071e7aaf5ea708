#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace kx_gen {

class CFileStream;
class CDBRecord;

// One block of a file's rows, read with a single read, whose records use
// their tag blocks in place (CDBRecord::ShareData) instead of each holding a
// copy. Every record keeps the block alive through a shared reference, so a
// record that outlives its recordset or database stays valid. Once filled,
// the block is made read-only: a write that skipped copy on write faults at
// once instead of changing another record's bytes.
class CRowBlock {
public:
    // A block of `size` bytes (at least 1) with unspecified contents. Throws
    // CException message 11 when memory runs out.
    static std::shared_ptr<CRowBlock> Create(std::size_t size);
    ~CRowBlock();

    CRowBlock(const CRowBlock &) = delete;
    CRowBlock &operator=(const CRowBlock &) = delete;

    std::uint8_t *data() const { return m_pData; }
    std::size_t size() const { return m_nSize; }
    // Unmaps the blocks kept for the next file read.
    static void DropKept();
    // Makes the block read-only; nothing may write to it from now on.
    void Seal();
    // Tells the address sanitizer (when the library is built with it) that
    // no reader may touch [pos, pos + length): the framing around each
    // record, so that a walk past a record's tag block is caught as it would
    // be in a block of the record's own.
    void Fence(std::size_t pos, std::size_t length);

private:
    CRowBlock(std::uint8_t *data, std::size_t size, std::size_t mapped);

    std::uint8_t *m_pData;
    std::size_t m_nSize;
    std::size_t m_nMapped;
};

// Reads framed records one after another from the stream's position, in
// blocks of up to a few MiB filled a piece at a time, so that a file holding fewer rows than bytes
// never costs more than one block beyond its rows. Every length from the
// file is checked against what the file still holds before it is used.
class CRowReader {
public:
    // `stream` stays positioned where the reader started until Finish.
    // With `indexTags`, each record's tags are indexed as it is read.
    explicit CRowReader(CFileStream &stream, bool indexTags = true);
    // Seals the last block.
    ~CRowReader();

    CRowReader(const CRowReader &) = delete;
    CRowReader &operator=(const CRowReader &) = delete;

    // Gives `record` the next framed record. Throws CDBException message 5 /
    // 6 for a missing start / end marker, CException message 8 when the file
    // ends before the record does and message 11 when memory runs out; the
    // record is then untouched.
    void Next(CDBRecord &record);
    // Leaves the stream just after the last record read, as reading the
    // records one by one would, and seals the last block.
    void Finish();

private:
    // Makes at least `count` bytes from the next record on available in the
    // block, reading a new block when needed; false when the file ends first.
    bool ensure(std::uint64_t count) { return m_nFilled - m_nNext >= count || refill(count); }
    // The part of ensure that reads.
    bool refill(std::uint64_t count);
    // Reads `count` more bytes of the file into the block after its filled
    // part; the block has room for them.
    void fill(std::uint64_t count);
    void seal();

    CFileStream &m_stream;
    std::shared_ptr<CRowBlock> m_pBlock;
    // File offset of the block's first byte.
    std::uint64_t m_nBlockPos = 0;
    // Bytes of the block read from the file, and where the next record starts.
    std::size_t m_nFilled = 0;
    std::size_t m_nNext = 0;
    // Where the framing not yet fenced starts: the end of the last record's
    // tag block (or the start of the block).
    std::size_t m_nFenceFrom = 0;
    // Bytes of the file after the block's filled part.
    std::uint64_t m_nFileLeft = 0;
    bool m_bIndexTags = true;
};

} // namespace kx_gen
