#pragma once

// The ZIP container of Office Open XML documents: a writer for the parts of
// a new document and a reader that treats the archive as hostile.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace docbridge {

class CZipWriter {
public:
    // Appends an entry; `compress` deflates it, else it is stored as is.
    void AddEntry(const std::string &name, std::string_view data, bool compress = true);
    // The whole archive: local entries, central directory and end record.
    std::string Finish();

private:
    struct TEntry {
        std::string m_strName;
        std::uint32_t m_nCrc = 0;
        std::uint32_t m_nCompressed = 0;
        std::uint32_t m_nSize = 0;
        std::uint32_t m_nOffset = 0;
        std::uint16_t m_nMethod = 0;
    };
    std::vector<TEntry> m_entries;
    std::string m_out;
};

// Limits for reading; an archive beyond any of them is refused.
struct TZipLimits {
    std::size_t m_nMaxEntries = 20000;
    std::uint64_t m_nMaxEntrySize = 64u << 20; // bytes after decompression
    std::uint64_t m_nMaxTotalSize = 256u << 20; // of all entries extracted
    std::uint32_t m_nMaxRatio = 1000; // uncompressed / compressed
};

// Reads the central directory of an archive held in memory (the bytes stay
// the caller's and must outlive the reader). Every failure throws
// CDocbridgeError with a text for the user.
class CZipReader {
public:
    struct TEntry {
        std::string m_strName;
        std::uint16_t m_nMethod = 0;
        std::uint32_t m_nCrc = 0;
        std::uint32_t m_nCompressed = 0;
        std::uint32_t m_nSize = 0;
        std::uint32_t m_nLocalOffset = 0;
    };

    CZipReader(const std::uint8_t *data, std::size_t size, TZipLimits limits = {});

    const std::vector<TEntry> &Entries() const { return m_entries; }
    // The entry of that name (exact first, then ignoring ASCII case, as part
    // names are), or null.
    const TEntry *Find(std::string_view name) const;
    // The entry's bytes, checked against its size and CRC. `poll` is called
    // now and then during long work and may throw to abandon it.
    std::string Extract(const TEntry &entry, const std::function<void()> &poll = {});

private:
    void ReadDirectory();

    const std::uint8_t *m_pData;
    std::size_t m_nSize;
    TZipLimits m_limits;
    std::uint64_t m_nExtracted = 0;
    std::size_t m_nDirectoryOffset = 0;
    std::vector<TEntry> m_entries;
};

} // namespace docbridge
