#include "PdbFile.h"

#include "ByteOrder.h"
#include "PdbLayout.h"

#include "tarnvel/Tarnvel.h"

#include <cstring>

namespace tarnvel {

namespace {

[[noreturn]] void damaged(const std::string &what)
{
    throw CConvertError(
        kTarnvelErrNotDatabase, "The file is not a valid Palm OS database: " + what + ".");
}

std::string entryText(std::size_t index)
{
    return "record " + std::to_string(index + 1);
}

} // namespace

std::string FourCCText(std::uint32_t code)
{
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const auto c = static_cast<unsigned char>(code >> shift);
        text += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '.';
    }
    return text;
}

std::string WritePdb(const SPdbDatabase &db)
{
    if (db.m_strName.size() >= kDbNameSize)
        throw CConvertError(kTarnvelErrTooLarge, "The database name is longer than 31 characters.");
    if (db.m_records.size() > 0xFFFF)
        throw CConvertError(kTarnvelErrTooLarge, "The outline has more than 65535 items.");

    std::string out;
    const std::size_t listEnd = kHeaderSize + db.m_records.size() * kRecordEntrySize + kListGapSize;
    std::size_t total = listEnd + db.m_strAppInfo.size() + db.m_strSortInfo.size();
    for (const SPdbRecord &record : db.m_records) {
        if (record.m_nUniqueId > kMaxUniqueId)
            throw CConvertError(kTarnvelErrTooLarge, "A record id does not fit in 24 bits.");
        total += record.m_strData.size();
    }
    if (total > kMaxFileSize)
        throw CConvertError(
            kTarnvelErrTooLarge, "The outline is too large for a Palm OS database.");
    out.reserve(total);

    std::string name(kDbNameSize, '\0');
    std::memcpy(name.data(), db.m_strName.data(), db.m_strName.size());
    out += name;
    putBE16(out, db.m_nAttributes);
    putBE16(out, db.m_nVersion);
    putBE32(out, db.m_nCreationDate);
    putBE32(out, db.m_nModificationDate);
    putBE32(out, db.m_nBackupDate);
    putBE32(out, db.m_nModificationNumber);
    std::size_t at = listEnd;
    putBE32(out, db.m_strAppInfo.empty() ? 0 : static_cast<std::uint32_t>(at));
    at += db.m_strAppInfo.size();
    putBE32(out, db.m_strSortInfo.empty() ? 0 : static_cast<std::uint32_t>(at));
    at += db.m_strSortInfo.size();
    putBE32(out, db.m_nType);
    putBE32(out, db.m_nCreator);
    putBE32(out, db.m_nUniqueIdSeed);
    putBE32(out, 0); // no further record list
    putBE16(out, static_cast<std::uint16_t>(db.m_records.size()));
    for (const SPdbRecord &record : db.m_records) {
        putBE32(out, static_cast<std::uint32_t>(at));
        out += static_cast<char>(record.m_nAttributes);
        putBE24(out, record.m_nUniqueId);
        at += record.m_strData.size();
    }
    out.append(kListGapSize, '\0');
    out += db.m_strAppInfo;
    out += db.m_strSortInfo;
    for (const SPdbRecord &record : db.m_records)
        out += record.m_strData;
    return out;
}

SPdbDatabase ReadPdb(const std::uint8_t *data, std::size_t size)
{
    if (size < kHeaderSize)
        damaged("the file is shorter than a database header");
    if (size > kMaxFileSize)
        damaged("the file is too large");

    SPdbDatabase db;
    const auto *nameEnd = static_cast<const std::uint8_t *>(std::memchr(data, 0, kDbNameSize));
    if (!nameEnd)
        damaged("the database name is not terminated");
    db.m_strName.assign(
        reinterpret_cast<const char *>(data), static_cast<std::size_t>(nameEnd - data));
    db.m_nAttributes = getBE16(data + kHdrAttributes);
    db.m_nVersion = getBE16(data + kHdrVersion);
    db.m_nCreationDate = getBE32(data + kHdrCreationDate);
    db.m_nModificationDate = getBE32(data + kHdrModificationDate);
    db.m_nBackupDate = getBE32(data + kHdrBackupDate);
    db.m_nModificationNumber = getBE32(data + kHdrModificationNumber);
    const std::uint32_t appInfo = getBE32(data + kHdrAppInfoOffset);
    const std::uint32_t sortInfo = getBE32(data + kHdrSortInfoOffset);
    db.m_nType = getBE32(data + kHdrType);
    db.m_nCreator = getBE32(data + kHdrCreator);
    db.m_nUniqueIdSeed = getBE32(data + kHdrUniqueIdSeed);
    if (getBE32(data + kHdrNextRecordList) != 0)
        damaged("it continues in a second record list");
    if (db.m_nAttributes & kDbAttrResource)
        damaged("it is a resource database");
    const std::size_t count = getBE16(data + kHdrRecordCount);
    // 64-bit arithmetic: count is at most 65535, so this cannot overflow.
    const std::size_t listEnd = kHeaderSize + count * kRecordEntrySize;
    if (listEnd > size)
        damaged("the record list runs past the end of the file");

    // Every block starts where the previous one ends; the blocks must lie in
    // the file after the record list and in this order.
    struct SBlock {
        std::size_t start;
        std::size_t index; // record index, or kAppInfo / kSortInfo
    };
    constexpr std::size_t kAppInfo = static_cast<std::size_t>(-1);
    constexpr std::size_t kSortInfo = static_cast<std::size_t>(-2);
    std::vector<SBlock> blocks;
    blocks.reserve(count + 2);
    if (appInfo != 0)
        blocks.push_back({ appInfo, kAppInfo });
    if (sortInfo != 0)
        blocks.push_back({ sortInfo, kSortInfo });
    db.m_records.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t *entry = data + kHeaderSize + i * kRecordEntrySize;
        db.m_records[i].m_nAttributes = entry[4];
        db.m_records[i].m_nUniqueId = getBE24(entry + 5);
        blocks.push_back({ getBE32(entry), i });
    }
    const auto blockName = [&](std::size_t index) {
        return index == kAppInfo ? std::string("the AppInfo block")
            : index == kSortInfo ? std::string("the SortInfo block")
                                 : entryText(index);
    };
    // Every start is checked before any block is measured by the next one's.
    for (const SBlock &block : blocks) {
        if (block.start < listEnd)
            damaged(blockName(block.index) + " starts inside the record list");
        if (block.start > size)
            damaged(blockName(block.index) + " starts past the end of the file");
    }
    for (std::size_t b = 0; b < blocks.size(); ++b) {
        const std::size_t start = blocks[b].start;
        const std::size_t end = b + 1 < blocks.size() ? blocks[b + 1].start : size;
        const std::size_t index = blocks[b].index;
        if (end < start)
            damaged(blockName(index) + " is out of order");
        const char *bytes = reinterpret_cast<const char *>(data + start);
        if (index == kAppInfo)
            db.m_strAppInfo.assign(bytes, end - start);
        else if (index == kSortInfo)
            db.m_strSortInfo.assign(bytes, end - start);
        else
            db.m_records[index].m_strData.assign(bytes, end - start);
    }
    return db;
}

} // namespace tarnvel
