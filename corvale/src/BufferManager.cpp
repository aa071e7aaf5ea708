#include "kx_gen/BufferManager.h"

#include "RecordSlab.h"

#include <cstdlib>
#include <cstring>

namespace kx_gen {

CBufferManager::~CBufferManager() = default;

void CBufferManager::assignBuffer(
    std::uint8_t **buffer, std::uint32_t length, std::uint32_t capacity, std::uint32_t growBy)
{
    noteChange();
    m_pKeeper.reset();
    m_bLent = false;
    m_ppBuffer = buffer;
    if (!buffer || !*buffer) {
        // No data yet: the first insertion allocates.
        m_nLength = 0;
        m_nCapacity = 0;
    } else {
        m_nLength = length;
        m_nCapacity = capacity < length ? length : capacity;
    }
    m_nGrowBy = growBy ? growBy : 1;
}

void CBufferManager::lendBuffer(std::uint8_t **buffer, std::uint8_t *storage)
{
    deleteBuff();
    m_ppBuffer = buffer;
    if (!buffer)
        return;
    *buffer = storage;
    m_bLent = true;
}

std::int32_t CBufferManager::unshare()
{
    if (!m_pKeeper)
        return kTagOK;
    const std::uint64_t cap = copyCapacityFor(m_nLength);
    if (cap == 0)
        return kTagError;
    auto *own = static_cast<std::uint8_t *>(std::malloc(static_cast<std::size_t>(cap)));
    if (!own)
        return kTagError;
    if (m_nLength)
        std::memcpy(own, *m_ppBuffer, m_nLength);
    noteChange();
    *m_ppBuffer = own;
    m_nCapacity = static_cast<std::uint32_t>(cap);
    m_pKeeper.reset();
    return kTagOK;
}

std::uint64_t CBufferManager::capacityFor(std::uint64_t length) const
{
    const std::uint64_t cap = (length / m_nGrowBy + 1) * m_nGrowBy;
    return cap > 0xFFFFFFFFu ? 0 : cap;
}

std::uint64_t CBufferManager::copyCapacityFor(std::uint64_t length)
{
    const std::uint64_t cap = length == 0 ? 16 : (length + 15) / 16 * 16;
    return cap > 0xFFFFFFFFu ? 0 : cap;
}

std::int32_t CBufferManager::replace(
    std::uint32_t pos, std::uint32_t oldLength, const void *data, std::uint32_t newLength)
{
    if (!m_ppBuffer || !inRange(pos, oldLength))
        return kTagError;
    const std::uint64_t total = std::uint64_t(m_nLength) - oldLength + newLength;
    if (total > 0xFFFFFFFFu)
        return kTagError;

    noteChange();
    std::uint8_t *buf = *m_ppBuffer;
    const std::uint32_t tail = m_nLength - pos - oldLength;
    // Lent storage at the top of its slab grows where it is.
    if (total > m_nCapacity && m_bLent) {
        std::uint32_t granted = 0;
        if (CRecordSlab::ExtendLent(buf, m_nCapacity, total, granted))
            m_nCapacity = granted;
    }
    // Shared bytes are never changed in place: the new contents go to a
    // block of the manager's own, as when the data grows.
    if (total > m_nCapacity || m_pKeeper) {
        const std::uint64_t cap = m_pKeeper ? copyCapacityFor(total) : capacityFor(total);
        if (cap == 0)
            return kTagError;
        auto *grown = static_cast<std::uint8_t *>(std::malloc(static_cast<std::size_t>(cap)));
        if (!grown)
            return kTagError;
        // Build the new contents before freeing the old block, so that data
        // taken from this very buffer stays valid while it is copied.
        if (pos)
            std::memcpy(grown, buf, pos);
        if (newLength) {
            if (data)
                std::memcpy(grown + pos, data, newLength);
            else
                std::memset(grown + pos, 0, newLength);
        }
        if (tail)
            std::memcpy(grown + pos + newLength, buf + pos + oldLength, tail);
        if (m_pKeeper)
            m_pKeeper.reset();
        else if (m_bLent)
            CRecordSlab::AbandonLent(buf, m_nCapacity);
        else
            std::free(buf);
        m_bLent = false;
        *m_ppBuffer = grown;
        m_nCapacity = static_cast<std::uint32_t>(cap);
        m_nLength = static_cast<std::uint32_t>(total);
        return kTagOK;
    }

    if (tail && oldLength != newLength)
        std::memmove(buf + pos + newLength, buf + pos + oldLength, tail);
    if (newLength) {
        if (data)
            std::memcpy(buf + pos, data, newLength);
        else if (newLength > oldLength)
            std::memset(buf + pos + oldLength, 0, newLength - oldLength);
    }
    m_nLength = static_cast<std::uint32_t>(total);
    return kTagOK;
}

std::int32_t CBufferManager::write(std::uint32_t pos, const void *data, std::uint32_t length)
{
    if (!inRange(pos, length) || (length && !data))
        return kTagError;
    if (length) {
        if (unshare() != kTagOK)
            return kTagError;
        noteChange();
        std::memcpy(*m_ppBuffer + pos, data, length);
    }
    return kTagOK;
}

std::int32_t CBufferManager::read(std::uint32_t pos, void *out, std::uint32_t length) const
{
    if (!inRange(pos, length) || (length && !out))
        return kTagError;
    if (length)
        std::memcpy(out, *m_ppBuffer + pos, length);
    return kTagOK;
}

std::uint8_t *CBufferManager::get(std::uint32_t pos) const
{
    std::uint8_t *buf = data();
    if (!buf || pos > m_nLength)
        return nullptr;
    noteChange();
    return buf + pos;
}

std::int32_t CBufferManager::resize()
{
    if (!m_ppBuffer)
        return kTagError;
    if (m_pKeeper)
        return unshare();
    if (m_bLent)
        return kTagOK;
    const std::uint64_t cap = capacityFor(m_nLength);
    if (cap == 0)
        return kTagError;
    if (cap == m_nCapacity && *m_ppBuffer)
        return kTagOK;
    noteChange();
    auto *buf
        = static_cast<std::uint8_t *>(std::realloc(*m_ppBuffer, static_cast<std::size_t>(cap)));
    if (!buf)
        return kTagError;
    *m_ppBuffer = buf;
    m_nCapacity = static_cast<std::uint32_t>(cap);
    return kTagOK;
}

void CBufferManager::deleteBuff()
{
    noteChange();
    if (m_ppBuffer) {
        if (m_bLent)
            CRecordSlab::AbandonLent(*m_ppBuffer, m_nCapacity);
        else if (!m_pKeeper)
            std::free(*m_ppBuffer);
        *m_ppBuffer = nullptr;
    }
    m_pKeeper.reset();
    m_bLent = false;
    m_nLength = 0;
    m_nCapacity = 0;
}

} // namespace kx_gen
