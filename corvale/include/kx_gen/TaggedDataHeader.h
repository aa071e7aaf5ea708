#pragma once

#include "kx_gen/DBConstants.h"
#include "kx_gen/Export.h"
#include "kx_gen/TaggedDataManager.h"

#include <cstdint>

namespace kx_gen {

class CFileStream;

// One fixed-size header block of a container file: u32 length L, L bytes of
// tag block, zero padding up to the block size recorded in the header table.
// Derived headers add their fields in CreateNewFields.
class KX_GEN_EXPORT CTaggedDataHeader {
public:
    CTaggedDataHeader();
    // Deep copies of the tag block.
    CTaggedDataHeader(const CTaggedDataHeader &other);
    CTaggedDataHeader &operator=(const CTaggedDataHeader &other);
    virtual ~CTaggedDataHeader();

    // Reads a block of `size` bytes at the stream's position, replacing the
    // tags only when the whole block was read. Throws CException message 8
    // when the file ends within the block (checked before allocating),
    // message 11 when memory runs out and message 14 when the recorded tag
    // block does not fit in `size`.
    virtual void Read(CFileStream &stream, std::uint32_t size);
    // Writes the block padded with zeros to `size` bytes. Throws CException
    // message 12 when the tags do not fit, or the stream's exceptions.
    virtual void Write(CFileStream &stream, std::uint32_t size);
    // Adds every field the class knows that the tag block lacks, with its
    // default. The base header has no fields.
    virtual void CreateNewFields();

    // Bytes of the tag block (L).
    std::uint32_t GetDataSize() const { return m_tags.size(); }
    const std::uint8_t *GetRawDataPtr() const { return m_pData; }
    CTaggedDataManager &GetTags() { return m_tags; }
    const CTaggedDataManager &GetTags() const { return m_tags; }

protected:
    std::uint8_t *m_pData = nullptr;
    CTaggedDataManager m_tags;
};

// Header 1 of every database, kept for the synchronisation conduit: the
// library creates it empty and carries whatever tags the conduit stores.
class KX_GEN_EXPORT CConduitHeader : public CTaggedDataHeader {
public:
    CConduitHeader() = default;
};

} // namespace kx_gen
