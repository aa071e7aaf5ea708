#pragma once

#include "kx_gen/DBConstants.h"
#include "kx_gen/Export.h"

#include <cstdint>
#include <memory>

namespace kx_gen {

// A growable byte buffer whose data pointer lives in the enclosing object.
// The manager keeps the address of that pointer, so the owner can free or
// swap the data while the manager follows. Data is allocated with
// std::malloc and freed with std::free; whoever frees it must use std::free.
// The capacity is always a multiple of the grow block (once the manager has
// allocated it itself), except for the copy that shared data gets on its
// first write, which holds just its bytes (see below).
//
// Operations that take a position and a length return 0 on success, or -1
// (kTagError) when the range lies outside the data or memory runs out; a
// failed operation changes nothing.
//
// The data may instead be shared (shareBuffer): bytes that belong to a block
// kept alive by a reference the manager holds, such as the rows of a file
// that several records read in place. Shared bytes are never written: every
// operation that changes the data (replace, insert, erase, write, resize)
// first gives the manager a copy of its own (copy on first write), and
// deleteBuff only lets go of the reference. The owner's pointer then points
// into the shared block, which the owner must never free itself.
//
// That copy is sized to the data (rounded to 16 bytes): most shared rows
// that change keep their length (a mark set or cleared), and a grow block
// for each copy of the rows of a large file would take nearly twice the
// file's size, and twice the memory traffic to write them out again. Data
// that grows later gets the grow block's room.
//
// The data may also be lent: storage right after a record that a recordset
// made in a slab of new records (CDBRecordset::Append), which the manager
// writes and grows in place while nothing follows it in the slab, and
// never frees. Growth past it moves the data to a block of the manager's
// own; deleteBuff only lets go of it. The capacity of lent storage is
// whatever the slab granted, not a multiple of the grow block.
class KX_GEN_EXPORT CBufferManager {
public:
    // buffer: address of the owner's data pointer (may be null: no data yet).
    // (Inline: every record read from a file makes one.)
    CBufferManager(std::uint8_t **buffer = nullptr, std::uint32_t length = 0,
        std::uint32_t capacity = 0, std::uint32_t growBy = kMemBlock)
        : m_ppBuffer(buffer)
        , m_nGrowBy(growBy ? growBy : 1)
        , m_nChanges(1)
    {
        // As assignBuffer: no data yet means nothing to keep a length of.
        if (buffer && *buffer) {
            m_nLength = length;
            m_nCapacity = capacity < length ? length : capacity;
        }
    }
    virtual ~CBufferManager();

    CBufferManager(const CBufferManager &) = delete;
    CBufferManager &operator=(const CBufferManager &) = delete;

    // Points the manager at another owner pointer; the data is not touched.
    // Shared or lent bytes the manager held are let go (the owner's new data
    // is its own, from std::malloc).
    void assignBuffer(
        std::uint8_t **buffer, std::uint32_t length, std::uint32_t capacity, std::uint32_t growBy);
    // Frees the data (deleteBuff) and makes the owner's pointer point at
    // `length` bytes at `data` that `keeper` keeps alive; the manager holds
    // `keeper` until the data is copied on a write or let go. The bytes must
    // not change while they are shared.
    void shareBuffer(std::uint8_t **buffer, const std::uint8_t *data, std::uint32_t length,
        std::shared_ptr<const void> keeper)
    {
        // A record just made for a row has nothing to let go of: no call
        // for each row of a file. (Inline for the same reason.)
        if (m_pKeeper || m_bLent || (m_ppBuffer && *m_ppBuffer)) {
            deleteBuff();
        } else {
            m_nLength = 0;
            m_nCapacity = 0;
        }
        noteChange();
        m_ppBuffer = buffer;
        if (!buffer)
            return;
        // The pointer is not const because owned data is written through
        // it; shared data never is (every writer unshares first).
        *buffer = const_cast<std::uint8_t *>(data);
        m_nLength = data ? length : 0;
        m_nCapacity = m_nLength;
        if (data)
            m_pKeeper = std::move(keeper);
    }
    // True while the data is shared rather than the manager's own.
    bool isShared() const { return m_pKeeper != nullptr; }
    // What keeps shared bytes alive; null while the manager owns its bytes.
    const std::shared_ptr<const void> &keeper() const { return m_pKeeper; }
    // True while the data is lent storage in a slab of new records.
    bool isLent() const { return m_bLent; }
    // Gives the manager a copy of shared data, so that it may be written in
    // place (through get); nothing happens to data of its own. Returns -1
    // when memory runs out (nothing changes).
    std::int32_t unshare();

    // Replaces oldLength bytes at pos by newLength bytes of data (data may be
    // null: the new bytes are then left as they were or zero when new).
    std::int32_t replace(
        std::uint32_t pos, std::uint32_t oldLength, const void *data, std::uint32_t newLength);
    std::int32_t insert(std::uint32_t pos, const void *data, std::uint32_t length)
    {
        return replace(pos, 0, data, length);
    }
    std::int32_t erase(std::uint32_t pos, std::uint32_t length)
    {
        return replace(pos, length, nullptr, 0);
    }
    // Overwrites length bytes at pos in place.
    std::int32_t write(std::uint32_t pos, const void *data, std::uint32_t length);
    // Copies length bytes at pos to out.
    std::int32_t read(std::uint32_t pos, void *out, std::uint32_t length) const;
    // A pointer into the data at pos, or null when pos is past the end.
    // Valid until the next operation that changes the data. Shared data must
    // not be written through it: call unshare first. The caller may write
    // through it, so it counts as a change (see changeCount).
    std::uint8_t *get(std::uint32_t pos) const;

    std::uint32_t size() const { return m_nLength; }
    std::uint32_t capacity() const { return m_nCapacity; }
    std::uint32_t growBy() const { return m_nGrowBy; }

    // Reallocates the capacity to the smallest multiple of the grow block
    // above the length. Lent storage has no spare capacity to give back and
    // stays as it is. Returns -1 when memory runs out (nothing changes).
    std::int32_t resize();
    // Frees the data (or lets go of shared or lent data) and sets the
    // owner's pointer to null.
    void deleteBuff();

    // Goes up with every operation that may have changed the bytes (get
    // included, since it hands out a writable pointer): what a reader
    // derived from the bytes stays valid while it does not move.
    std::uint32_t changeCount() const { return m_nChanges; }

protected:
    friend class CDBRecord;
    // Frees the data and makes the owner's pointer point at `storage`, lent
    // by the slab that CDBRecordset made the owning record in (see
    // CRecordSlab::PlaceNew), with no bytes yet.
    void lendBuffer(std::uint8_t **buffer, std::uint8_t *storage);

    std::uint8_t *data() const { return m_ppBuffer ? *m_ppBuffer : nullptr; }
    void noteChange() const { ++m_nChanges; }
    // True when [pos, pos + length) lies inside the data.
    bool inRange(std::uint32_t pos, std::uint32_t length) const
    {
        return pos <= m_nLength && length <= m_nLength - pos;
    }
    // The capacity that holds `length` bytes: a whole number of grow blocks
    // above it, or 0 when that does not fit in 32 bits.
    std::uint64_t capacityFor(std::uint64_t length) const;
    // The capacity of the copy that shared data gets: `length` rounded up to
    // 16 bytes (at least 16), or 0 when that does not fit in 32 bits.
    static std::uint64_t copyCapacityFor(std::uint64_t length);

    std::uint8_t **m_ppBuffer = nullptr;
    std::uint32_t m_nCapacity = 0;
    std::uint32_t m_nLength = 0;
    std::uint32_t m_nGrowBy = kMemBlock;
    // The data is lent storage (it sits in what would be padding).
    bool m_bLent = false;
    // Keeps shared data alive; null while the data is the manager's own.
    std::shared_ptr<const void> m_pKeeper;
    mutable std::uint32_t m_nChanges = 0;
};

} // namespace kx_gen
