#pragma once

#include "kx_gen/BaseObject.h"
#include "kx_gen/Export.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kx_gen {

// The handheld record ids of items deleted on the desktop since the last
// synchronisation, in the order they were deleted. Duplicates are kept. On
// disk: u32 count, then the ids as u32, little-endian.
class KX_GEN_EXPORT CDeletedQuibs : public CBaseObject {
public:
    // Replaces the list by the one at the stream's position. A count larger
    // than the bytes that remain throws CException message 8 before anything
    // is allocated; the list is then left empty.
    void Read(CFileStream &stream) override;
    void Write(CFileStream &stream) const override;

    // True when the list holds id.
    bool IsDeleted(std::uint32_t id) const;
    void Add(std::uint32_t id) { m_ids.push_back(id); }
    // Removes the first occurrence of id, if any.
    void removeId(std::uint32_t id);
    void RemoveAll() { m_ids.clear(); }

    std::size_t GetSize() const { return m_ids.size(); }
    const std::vector<std::uint32_t> &GetIds() const { return m_ids; }

private:
    std::vector<std::uint32_t> m_ids;
};

} // namespace kx_gen
