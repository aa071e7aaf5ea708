#include "RowBlock.h"

#include "KeptMappings.h"
#include "Sanitizer.h"
#include "StreamIO.h"
#include "kx_gen/ByteOrder.h"
#include "kx_gen/DBConstants.h"
#include "kx_gen/DBRecord.h"
#include "kx_gen/Exception.h"
#include "kx_gen/FileStream.h"

#include <algorithm>
#include <cstring>
#include <sys/mman.h>
#include <utility>
#include <unistd.h>

namespace kx_gen {

namespace {

// Large enough that a read costs little per byte, small enough that the part
// of a block past a file's last row (when the file holds more than its rows)
// stays small.
constexpr std::size_t kRowBlockSize = 4 * 1024 * 1024;
constexpr std::size_t kHugePage = 2 * 1024 * 1024;
// What one read brings into a block: small enough to stay in the L2 cache
// while its records are checked and used.
constexpr std::uint64_t kReadPiece = 1024 * 1024;

std::size_t pageSize()
{
    static const std::size_t size = [] {
        const long n = sysconf(_SC_PAGESIZE);
        return n > 0 ? static_cast<std::size_t>(n) : std::size_t(4096);
    }();
    return size;
}

// Blocks of the usual size whose records have all gone, kept mapped for the
// next file read.
CKeptMappings &keptBlocks()
{
    // Never destroyed: blocks may go after static destruction starts.
    static CKeptMappings *kept = new CKeptMappings(8);
    return *kept;
}

std::size_t usualMapped()
{
    const std::size_t page = pageSize();
    return (kRowBlockSize + page - 1) / page * page;
}

} // namespace

void CRowBlock::DropKept()
{
    keptBlocks().Drop();
}

CRowBlock::CRowBlock(std::uint8_t *data, std::size_t size, std::size_t mapped)
    : m_pData(data)
    , m_nSize(size)
    , m_nMapped(mapped)
{
}

std::shared_ptr<CRowBlock> CRowBlock::Create(std::size_t size)
{
    // A mapping of its own (rather than the heap) can be made read-only
    // and goes back to the system as soon as its last record goes. Blocks
    // of a large page or more start on a large-page boundary.
    const std::size_t page = pageSize();
    const std::size_t mapped = (std::max<std::size_t>(size, 1) + page - 1) / page * page;
    int kind = 0;
    if (auto *kept = static_cast<std::uint8_t *>(keptBlocks().Take(mapped, 0, kind))) {
        // Kept blocks were sealed: writable again, or given up.
        if (mprotect(kept, mapped, PROT_READ | PROT_WRITE) == 0) {
            try {
                return std::shared_ptr<CRowBlock>(new CRowBlock(kept, size, mapped));
            } catch (...) {
                munmap(kept, mapped);
                ThrowException(kMsgOutOfMemory);
            }
        }
        munmap(kept, mapped);
    }
    const std::size_t slack = mapped >= kHugePage ? kHugePage : 0;
    void *raw
        = mmap(nullptr, mapped + slack, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED)
        ThrowException(kMsgOutOfMemory);
    auto *p = static_cast<std::uint8_t *>(raw);
    if (slack) {
        auto *aligned = reinterpret_cast<std::uint8_t *>(
            (reinterpret_cast<std::uintptr_t>(p) + kHugePage - 1) & ~(kHugePage - 1));
        if (aligned != p)
            munmap(p, static_cast<std::size_t>(aligned - p));
        if (aligned + mapped != p + mapped + slack)
            munmap(aligned + mapped, static_cast<std::size_t>(p + slack - aligned));
        p = aligned;
        // Large pages spare the kernel a fault per small page as the block
        // is filled, most of the cost of a load into fresh memory.
        madvise(p, mapped, MADV_HUGEPAGE);
    }
#ifdef MADV_POPULATE_WRITE
    // One call maps every page instead of one fault each (a hint: older
    // kernels refuse it and the read faults the pages in).
    madvise(p, mapped, MADV_POPULATE_WRITE);
#endif
    try {
        return std::shared_ptr<CRowBlock>(new CRowBlock(p, size, mapped));
    } catch (...) {
        munmap(p, mapped);
        ThrowException(kMsgOutOfMemory);
    }
}

CRowBlock::~CRowBlock()
{
    ASAN_UNPOISON_MEMORY_REGION(m_pData, m_nMapped);
    if (m_nMapped == usualMapped() && keptBlocks().Keep(m_pData, m_nMapped, 0))
        return;
    munmap(m_pData, m_nMapped);
}

void CRowBlock::Seal()
{
    // Only a guard: a block that stays writable reads the same.
    mprotect(m_pData, m_nMapped, PROT_READ);
}

void CRowBlock::Fence(std::size_t pos, std::size_t length)
{
    ASAN_POISON_MEMORY_REGION(m_pData + pos, length);
}

CRowReader::CRowReader(CFileStream &stream, bool indexTags)
    : m_stream(stream)
    , m_nBlockPos(StreamTell(stream))
    , m_nFileLeft(StreamRemaining(stream))
    , m_bIndexTags(indexTags)
{
}

CRowReader::~CRowReader()
{
    seal();
}

void CRowReader::seal()
{
    if (m_pBlock)
        m_pBlock->Seal();
}

void CRowReader::fill(std::uint64_t count)
{
    for (std::uint64_t done = 0; done < count;) {
        const auto chunk
            = static_cast<std::uint32_t>(std::min<std::uint64_t>(count - done, 1u << 30));
        StreamRead(m_stream, m_pBlock->data() + m_nFilled, chunk);
        m_nFilled += chunk;
        m_nFileLeft -= chunk;
        done += chunk;
    }
}

bool CRowReader::refill(std::uint64_t count)
{
    const std::size_t have = m_nFilled - m_nNext;
    if (count - have > m_nFileLeft)
        return false;
    // The block is filled a cache-sized piece at a time, so that checking
    // the records of a piece (and whatever the caller does with each one)
    // finds their bytes still in cache.
    const std::uint64_t wanted
        = std::min<std::uint64_t>(m_nFileLeft, std::max<std::uint64_t>(count - have, kReadPiece));
    if (m_pBlock && m_nNext + count <= m_pBlock->size()) {
        fill(std::min<std::uint64_t>(wanted, m_pBlock->size() - m_nFilled));
        return true;
    }
    // A record that runs past the block moves, with what is read of it, to
    // the start of the next block.
    const std::uint64_t size = std::min<std::uint64_t>(
        have + m_nFileLeft, std::max<std::uint64_t>(count, kRowBlockSize));
    std::shared_ptr<CRowBlock> block = CRowBlock::Create(static_cast<std::size_t>(size));
    if (have)
        std::memcpy(block->data(), m_pBlock->data() + m_nNext, have);
    if (m_pBlock) {
        // Nothing reads the old block's framing, nor what moved on, again.
        m_pBlock->Fence(m_nFenceFrom, m_nFilled - m_nFenceFrom);
        m_pBlock->Seal();
    }
    m_pBlock = std::move(block);
    m_nFenceFrom = 0;
    m_nBlockPos += m_nNext;
    m_nFilled = have;
    m_nNext = 0;
    fill(std::min<std::uint64_t>(wanted, size - have));
    return true;
}

void CRowReader::Next(CDBRecord &record)
{
    constexpr std::uint32_t kHead = kStartTagLen + 4;
    // The checks come in the order in which reading the record field by
    // field meets them, so a damaged file gives the same message.
    if (!ensure(kStartTagLen))
        ThrowException(kMsgFileReadError);
    if (std::memcmp(m_pBlock->data() + m_nNext, kRecordStartTag, kStartTagLen) != 0)
        ThrowDBException(kMsgMissingNewRecord);
    if (!ensure(kHead))
        ThrowException(kMsgFileReadError);
    const std::uint32_t length = GetLE32(m_pBlock->data() + m_nNext + kStartTagLen);
    // The length comes from the file: it must fit in what the file holds,
    // end marker included, before it sizes anything.
    const std::uint64_t framed = std::uint64_t(kHead) + length + kEndTagLen;
    if (!ensure(framed))
        ThrowException(kMsgFileReadError);
    std::uint8_t *start = m_pBlock->data() + m_nNext;
    if (std::memcmp(start + kHead + length, kRecordEndTag, kEndTagLen) != 0)
        ThrowDBException(kMsgMissingEndRecord);

    const std::uint64_t pos = m_nBlockPos + m_nNext;
    record.ShareData(length ? start + kHead : nullptr, length, m_pBlock,
        pos > 0xFFFFFFFEu ? kNoFilePos : static_cast<std::uint32_t>(pos),
        m_stream.GetOpenSerial());
    // The bytes have just arrived and are still in cache: the walk that
    // every field lookup needs costs least now.
    if (m_bIndexTags)
        record.GetTags().indexTags();
    // The previous record's end marker and this one's head are fenced
    // together: fencing a marker alone could fence the next record's first
    // bytes sharing its 8-byte granule before they are read.
    m_pBlock->Fence(m_nFenceFrom, m_nNext + kHead - m_nFenceFrom);
    m_nFenceFrom = m_nNext + kHead + length;
    m_nNext += static_cast<std::size_t>(framed);
}

void CRowReader::Finish()
{
    StreamSeek(m_stream, m_nBlockPos + m_nNext);
    if (m_pBlock)
        m_pBlock->Fence(m_nFenceFrom, m_nFilled - m_nFenceFrom);
    seal();
}

} // namespace kx_gen
