#include "kx_gen/DeletedQuibs.h"

#include "StreamIO.h"
#include "kx_gen/ByteOrder.h"
#include "kx_gen/Exception.h"

#include <algorithm>

namespace kx_gen {

void CDeletedQuibs::Read(CFileStream &stream)
{
    m_ids.clear();
    std::uint8_t countBytes[4];
    StreamRead(stream, countBytes, 4);
    const std::uint32_t count = GetLE32(countBytes);
    if (std::uint64_t(count) * 4 > StreamRemaining(stream))
        ThrowException(kMsgFileReadError);
    std::vector<std::uint8_t> raw(std::size_t(count) * 4);
    if (!raw.empty())
        StreamRead(stream, raw.data(), static_cast<std::uint32_t>(raw.size()));
    m_ids.resize(count);
    for (std::uint32_t i = 0; i < count; ++i)
        m_ids[i] = GetLE32(raw.data() + std::size_t(i) * 4);
}

void CDeletedQuibs::Write(CFileStream &stream) const
{
    if (m_ids.size() > (0xFFFFFFFFu - 4) / 4)
        ThrowException(kMsgFileWriteError);
    std::vector<std::uint8_t> raw(4 + m_ids.size() * 4);
    PutLE32(raw.data(), static_cast<std::uint32_t>(m_ids.size()));
    for (std::size_t i = 0; i < m_ids.size(); ++i)
        PutLE32(raw.data() + 4 + i * 4, m_ids[i]);
    StreamWrite(stream, raw.data(), static_cast<std::uint32_t>(raw.size()));
}

bool CDeletedQuibs::IsDeleted(std::uint32_t id) const
{
    return std::find(m_ids.begin(), m_ids.end(), id) != m_ids.end();
}

void CDeletedQuibs::removeId(std::uint32_t id)
{
    auto it = std::find(m_ids.begin(), m_ids.end(), id);
    if (it != m_ids.end())
        m_ids.erase(it);
}

} // namespace kx_gen
