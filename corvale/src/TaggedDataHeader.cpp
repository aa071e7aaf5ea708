#include "kx_gen/TaggedDataHeader.h"

#include "StreamIO.h"
#include "kx_gen/ByteOrder.h"
#include "kx_gen/Exception.h"

#include <cstdlib>
#include <cstring>

namespace kx_gen {

CTaggedDataHeader::CTaggedDataHeader()
    : m_tags(&m_pData, 0, false, 0, kHeaderMemBlock)
{
}

CTaggedDataHeader::CTaggedDataHeader(const CTaggedDataHeader &other)
    : m_tags(&m_pData, 0, false, 0, kHeaderMemBlock)
{
    *this = other;
}

CTaggedDataHeader &CTaggedDataHeader::operator=(const CTaggedDataHeader &other)
{
    if (this == &other)
        return *this;
    const std::uint32_t length = other.m_tags.size();
    std::uint8_t *copy = nullptr;
    if (length) {
        copy = static_cast<std::uint8_t *>(std::malloc(length));
        if (!copy)
            ThrowException(kMsgOutOfMemory);
        std::memcpy(copy, other.m_pData, length);
    }
    std::free(m_pData);
    m_pData = copy;
    m_tags.assignBuffer(&m_pData, length, length, kHeaderMemBlock);
    m_tags.setSwap(other.m_tags.getSwap());
    return *this;
}

CTaggedDataHeader::~CTaggedDataHeader()
{
    std::free(m_pData);
}

void CTaggedDataHeader::CreateNewFields() { }

void CTaggedDataHeader::Read(CFileStream &stream, std::uint32_t size)
{
    // The size comes from the file's table: the block must be in the file
    // before memory is set aside for it.
    if (size > StreamRemaining(stream))
        ThrowException(kMsgFileReadError);

    std::uint8_t lengthBytes[4];
    StreamRead(stream, lengthBytes, 4);
    const std::uint32_t length = GetLE32(lengthBytes);
    if (std::uint64_t(length) + 4 > size)
        ThrowException(kMsgRecordedHeaderBigger);

    std::uint8_t *block = nullptr;
    if (size) {
        block = static_cast<std::uint8_t *>(std::malloc(size));
        if (!block)
            ThrowException(kMsgOutOfMemory);
    }
    try {
        StreamRead(stream, block, length);
    } catch (...) {
        std::free(block);
        throw;
    }
    std::free(m_pData);
    m_pData = block;
    m_tags.assignBuffer(&m_pData, length, size, kHeaderMemBlock);
}

void CTaggedDataHeader::Write(CFileStream &stream, std::uint32_t size)
{
    const std::uint32_t length = m_tags.size();
    if (std::uint64_t(length) + 4 > size)
        ThrowException(kMsgHeaderSizeLess);
    std::uint8_t lengthBytes[4];
    PutLE32(lengthBytes, length);
    StreamWrite(stream, lengthBytes, 4);
    if (length)
        StreamWrite(stream, m_pData, length);
    StreamWriteZeros(stream, size - length - 4);
}

} // namespace kx_gen
