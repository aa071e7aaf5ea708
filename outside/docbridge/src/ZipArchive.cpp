#include "ZipArchive.h"

#include "DocbridgeError.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <set>

namespace docbridge {

namespace {

constexpr std::uint32_t kLocalSignature = 0x04034b50;
constexpr std::uint32_t kCentralSignature = 0x02014b50;
constexpr std::uint32_t kEndSignature = 0x06054b50;
constexpr std::size_t kLocalHeaderSize = 30;
constexpr std::size_t kCentralHeaderSize = 46;
constexpr std::size_t kEndRecordSize = 22;
constexpr std::uint16_t kMethodStored = 0;
constexpr std::uint16_t kMethodDeflate = 8;
constexpr std::uint16_t kVersionNeeded = 20;
constexpr std::uint16_t kFlagEncrypted = 0x0001;
constexpr std::uint16_t kFlagStrongEncryption = 0x0040;
constexpr std::uint16_t kFlagUtf8Names = 0x0800;

void put16(std::string &out, std::uint16_t v)
{
    out.push_back(static_cast<char>(v & 0xff));
    out.push_back(static_cast<char>(v >> 8));
}

void put32(std::string &out, std::uint32_t v)
{
    put16(out, static_cast<std::uint16_t>(v & 0xffff));
    put16(out, static_cast<std::uint16_t>(v >> 16));
}

std::uint16_t get16(const std::uint8_t *p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t get32(const std::uint8_t *p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8)
        | (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// MS-DOS date and time of now, as ZIP entries carry them.
void dosNow(std::uint16_t &date, std::uint16_t &time)
{
    std::time_t now = std::time(nullptr);
    std::tm parts {};
    localtime_r(&now, &parts);
    const int year = std::clamp(parts.tm_year + 1900, 1980, 2107);
    date = static_cast<std::uint16_t>(
        ((year - 1980) << 9) | ((parts.tm_mon + 1) << 5) | parts.tm_mday);
    time = static_cast<std::uint16_t>(
        (parts.tm_hour << 11) | (parts.tm_min << 5) | (parts.tm_sec / 2));
}

std::string deflateRaw(std::string_view data)
{
    z_stream zs {};
    if (deflateInit2(&zs, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY)
        != Z_OK)
        throw CDocbridgeError("The compression library could not be started.");
    std::string out(deflateBound(&zs, static_cast<uLong>(data.size())), '\0');
    zs.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.data()));
    zs.avail_in = static_cast<uInt>(data.size());
    zs.next_out = reinterpret_cast<Bytef *>(out.data());
    zs.avail_out = static_cast<uInt>(out.size());
    const int rc = deflate(&zs, Z_FINISH);
    out.resize(zs.total_out);
    deflateEnd(&zs);
    if (rc != Z_STREAM_END)
        throw CDocbridgeError("A document part could not be compressed.");
    return out;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto ca = static_cast<unsigned char>(a[i]);
        const auto cb = static_cast<unsigned char>(b[i]);
        if ((ca >= 'A' && ca <= 'Z' ? ca + 32 : ca) != (cb >= 'A' && cb <= 'Z' ? cb + 32 : cb))
            return false;
    }
    return true;
}

[[noreturn]] void damaged(const std::string &what)
{
    throw CDocbridgeError("The document is damaged: " + what + ".");
}

} // namespace

// ---- Writer -------------------------------------------------------------------

void CZipWriter::AddEntry(const std::string &name, std::string_view data, bool compress)
{
    if (data.size() > 0x7fffffffu || m_out.size() > 0x7fffffffu)
        throw CDocbridgeError("The document is too large to be written.");
    TEntry entry;
    entry.m_strName = name;
    entry.m_nCrc = static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef *>(data.data()), static_cast<uInt>(data.size())));
    entry.m_nSize = static_cast<std::uint32_t>(data.size());
    entry.m_nOffset = static_cast<std::uint32_t>(m_out.size());

    std::string packed;
    std::string_view body = data;
    if (compress && !data.empty()) {
        packed = deflateRaw(data);
        body = packed;
        entry.m_nMethod = kMethodDeflate;
    }
    entry.m_nCompressed = static_cast<std::uint32_t>(body.size());

    std::uint16_t date = 0;
    std::uint16_t time = 0;
    dosNow(date, time);
    put32(m_out, kLocalSignature);
    put16(m_out, kVersionNeeded);
    put16(m_out, kFlagUtf8Names);
    put16(m_out, entry.m_nMethod);
    put16(m_out, time);
    put16(m_out, date);
    put32(m_out, entry.m_nCrc);
    put32(m_out, entry.m_nCompressed);
    put32(m_out, entry.m_nSize);
    put16(m_out, static_cast<std::uint16_t>(name.size()));
    put16(m_out, 0);
    m_out += name;
    m_out.append(body.data(), body.size());
    m_entries.push_back(std::move(entry));
}

std::string CZipWriter::Finish()
{
    std::uint16_t date = 0;
    std::uint16_t time = 0;
    dosNow(date, time);
    const auto directoryOffset = static_cast<std::uint32_t>(m_out.size());
    for (const TEntry &entry : m_entries) {
        put32(m_out, kCentralSignature);
        put16(m_out, kVersionNeeded); // made by: MS-DOS attributes
        put16(m_out, kVersionNeeded);
        put16(m_out, kFlagUtf8Names);
        put16(m_out, entry.m_nMethod);
        put16(m_out, time);
        put16(m_out, date);
        put32(m_out, entry.m_nCrc);
        put32(m_out, entry.m_nCompressed);
        put32(m_out, entry.m_nSize);
        put16(m_out, static_cast<std::uint16_t>(entry.m_strName.size()));
        put16(m_out, 0); // extra
        put16(m_out, 0); // comment
        put16(m_out, 0); // disk
        put16(m_out, 0); // internal attributes
        put32(m_out, 0); // external attributes
        put32(m_out, entry.m_nOffset);
        m_out += entry.m_strName;
    }
    const auto directorySize = static_cast<std::uint32_t>(m_out.size() - directoryOffset);
    put32(m_out, kEndSignature);
    put16(m_out, 0);
    put16(m_out, 0);
    put16(m_out, static_cast<std::uint16_t>(m_entries.size()));
    put16(m_out, static_cast<std::uint16_t>(m_entries.size()));
    put32(m_out, directorySize);
    put32(m_out, directoryOffset);
    put16(m_out, 0);
    m_entries.clear();
    return std::move(m_out);
}

// ---- Reader -------------------------------------------------------------------

CZipReader::CZipReader(const std::uint8_t *data, std::size_t size, TZipLimits limits)
    : m_pData(data)
    , m_nSize(size)
    , m_limits(limits)
{
    ReadDirectory();
}

void CZipReader::ReadDirectory()
{
    if (m_nSize < kEndRecordSize)
        throw CDocbridgeError("The file is not a Word document (.docx): it is too short.");
    if (m_nSize > 0xffffffffu)
        throw CDocbridgeError("The document is too large to be read.");

    // The end record sits at the end, behind a comment of at most 64 KiB;
    // search backwards and take the first whose comment reaches the end.
    const std::size_t lowest
        = m_nSize > kEndRecordSize + 0xffff ? m_nSize - kEndRecordSize - 0xffff : 0;
    std::size_t end = m_nSize - kEndRecordSize + 1;
    bool found = false;
    while (end-- > lowest) {
        const std::uint8_t *p = m_pData + end;
        if (get32(p) == kEndSignature && end + kEndRecordSize + get16(p + 20) == m_nSize) {
            found = true;
            break;
        }
    }
    if (!found)
        throw CDocbridgeError("The file is not a Word document (.docx): it is not a ZIP archive.");

    const std::uint8_t *record = m_pData + end;
    const std::uint16_t disk = get16(record + 4);
    const std::uint16_t directoryDisk = get16(record + 6);
    const std::uint16_t entriesHere = get16(record + 8);
    const std::uint16_t entriesTotal = get16(record + 10);
    const std::uint32_t directorySize = get32(record + 12);
    const std::uint32_t directoryOffset = get32(record + 16);
    if (disk != 0 || directoryDisk != 0 || entriesHere != entriesTotal)
        throw CDocbridgeError(
            "The document is split over several archives, which is not supported.");
    if (entriesTotal == 0xffff || directoryOffset == 0xffffffffu || directorySize == 0xffffffffu)
        throw CDocbridgeError("The document uses 64-bit ZIP records, which are not supported.");
    if (directoryOffset > end || directorySize > end - directoryOffset)
        damaged("the archive directory lies outside the file");
    if (entriesTotal > m_limits.m_nMaxEntries)
        throw CDocbridgeError("The document has too many parts.");
    if (static_cast<std::size_t>(entriesTotal) * kCentralHeaderSize > directorySize)
        damaged("the archive directory is too short for its entries");

    m_nDirectoryOffset = directoryOffset;
    std::set<std::string> names;
    std::size_t pos = directoryOffset;
    const std::size_t limit = directoryOffset + directorySize;
    m_entries.reserve(entriesTotal);
    for (unsigned i = 0; i < entriesTotal; ++i) {
        if (limit - pos < kCentralHeaderSize || get32(m_pData + pos) != kCentralSignature)
            damaged("an archive directory entry is broken");
        const std::uint8_t *h = m_pData + pos;
        const std::uint16_t flags = get16(h + 8);
        const std::size_t nameLength = get16(h + 28);
        const std::size_t extraLength = get16(h + 30);
        const std::size_t commentLength = get16(h + 32);
        if (limit - pos - kCentralHeaderSize < nameLength + extraLength + commentLength)
            damaged("an archive directory entry runs past the directory");
        TEntry entry;
        entry.m_nMethod = get16(h + 10);
        entry.m_nCrc = get32(h + 16);
        entry.m_nCompressed = get32(h + 20);
        entry.m_nSize = get32(h + 24);
        entry.m_nLocalOffset = get32(h + 42);
        entry.m_strName.assign(reinterpret_cast<const char *>(h + kCentralHeaderSize), nameLength);
        if (flags & (kFlagEncrypted | kFlagStrongEncryption))
            throw CDocbridgeError("The document is encrypted and cannot be read.");
        if (entry.m_strName.find('\0') != std::string::npos)
            damaged("a part name holds a zero byte");
        if (!names.insert(entry.m_strName).second)
            damaged("two parts have the same name");
        m_entries.push_back(std::move(entry));
        pos += kCentralHeaderSize + nameLength + extraLength + commentLength;
    }
}

const CZipReader::TEntry *CZipReader::Find(std::string_view name) const
{
    for (const TEntry &entry : m_entries)
        if (entry.m_strName == name)
            return &entry;
    for (const TEntry &entry : m_entries)
        if (equalsIgnoringCase(entry.m_strName, name))
            return &entry;
    return nullptr;
}

std::string CZipReader::Extract(const TEntry &entry, const std::function<void()> &poll)
{
    const std::string where = "the part " + entry.m_strName.substr(0, 100);
    if (entry.m_nMethod != kMethodStored && entry.m_nMethod != kMethodDeflate)
        throw CDocbridgeError(
            "The document uses a compression method that is not supported (" + where + ").");
    if (entry.m_nSize > m_limits.m_nMaxEntrySize
        || m_nExtracted + entry.m_nSize > m_limits.m_nMaxTotalSize)
        throw CDocbridgeError("The document is too large once unpacked (" + where + ").");
    if (entry.m_nMethod == kMethodDeflate && entry.m_nSize > 4096
        && entry.m_nSize / std::max<std::uint32_t>(entry.m_nCompressed, 1) > m_limits.m_nMaxRatio)
        throw CDocbridgeError(
            "The document is packed suspiciously tightly and was refused (" + where + ").");

    // The local header repeats the name and may carry its own extra field;
    // the data follows it and must end before the directory starts.
    const std::size_t offset = entry.m_nLocalOffset;
    if (offset > m_nDirectoryOffset || m_nDirectoryOffset - offset < kLocalHeaderSize
        || get32(m_pData + offset) != kLocalSignature)
        damaged("the header of " + where + " is missing");
    const std::uint8_t *h = m_pData + offset;
    const std::size_t headerLength = kLocalHeaderSize + get16(h + 26) + get16(h + 28);
    if (m_nDirectoryOffset - offset < headerLength
        || m_nDirectoryOffset - offset - headerLength < entry.m_nCompressed)
        damaged(where + " runs past its place in the archive");
    const std::uint8_t *body = h + headerLength;

    std::string out;
    if (entry.m_nMethod == kMethodStored) {
        if (entry.m_nCompressed != entry.m_nSize)
            damaged("the sizes of " + where + " disagree");
        out.assign(reinterpret_cast<const char *>(body), entry.m_nSize);
    } else {
        z_stream zs {};
        if (inflateInit2(&zs, -MAX_WBITS) != Z_OK)
            throw CDocbridgeError("The decompression library could not be started.");
        // One byte more than the stated size, so that a stream that would
        // produce more than it claims is caught instead of cut.
        out.resize(static_cast<std::size_t>(entry.m_nSize) + 1);
        zs.next_in = const_cast<Bytef *>(body);
        zs.avail_in = entry.m_nCompressed;
        zs.next_out = reinterpret_cast<Bytef *>(out.data());
        int rc = Z_OK;
        constexpr uInt kChunk = 1u << 20;
        while (rc == Z_OK) {
            const std::size_t room = out.size() - zs.total_out;
            zs.avail_out = static_cast<uInt>(std::min<std::size_t>(room, kChunk));
            if (zs.avail_out == 0)
                break;
            // Z_BUF_ERROR: no progress possible, the stream is cut short.
            rc = inflate(&zs, Z_NO_FLUSH);
            if (poll) {
                try {
                    poll();
                } catch (...) {
                    inflateEnd(&zs);
                    throw;
                }
            }
        }
        const std::size_t produced = zs.total_out;
        inflateEnd(&zs);
        if (rc != Z_STREAM_END || produced != entry.m_nSize)
            damaged("the compressed data of " + where + " is broken");
        out.resize(produced);
    }
    const auto crc = static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef *>(out.data()), static_cast<uInt>(out.size())));
    if (crc != entry.m_nCrc)
        damaged("the checksum of " + where + " does not match");
    m_nExtracted += out.size();
    return out;
}

} // namespace docbridge
