#include "OutlinePdb.h"

#include "ByteOrder.h"

#include "tarnvel/Tarnvel.h"

#include "kx_gen/DBConstants.h"
#include "kx_gen/DBRecord.h"
#include "kx_gen/DrawingFormat.h"
#include "kx_gen/Memory.h"

#include <algorithm>
#include <cstring>

namespace tarnvel {

using kx_gen::CDBRecord;

namespace {

[[noreturn]] void damaged(const std::string &what)
{
    throw CConvertError(
        kTarnvelErrDamaged, "The outline in the database is damaged: " + what + ".");
}

std::string itemText(std::size_t index)
{
    return "item " + std::to_string(index + 1);
}

// At most `limit` bytes of `text`.
std::string cut(const std::string &text, std::size_t limit)
{
    return text.size() <= limit ? text : text.substr(0, limit);
}

void putCounted(std::string &out, const std::string &bytes, const char *what)
{
    if (bytes.size() > 0xFFFF)
        throw CConvertError(
            kTarnvelErrTooLarge, std::string("The ") + what + " is longer than 65535 bytes.");
    putBE16(out, static_cast<std::uint16_t>(bytes.size()));
    out += bytes;
}

void writeCategoryTable(std::string &out, const SCategoryTable &table)
{
    putBE16(out, table.m_nRenamed);
    for (const std::string &name : table.m_names) {
        std::string slot(kCategoryNameSize, '\0');
        std::memcpy(slot.data(), name.data(), std::min(name.size(), kCategoryNameSize - 1));
        out += slot;
    }
    for (std::uint8_t id : table.m_ids)
        out += static_cast<char>(id);
    out += static_cast<char>(table.m_nLastUniqueId);
    out += '\0';
}

std::string encodeAppInfo(
    const SOutline &outline, const SCategoryTable &table, std::uint8_t categoryIndex)
{
    std::string out;
    writeCategoryTable(out, table);
    putBE16(out, kOutlineBlockVersion);
    out += static_cast<char>(categoryIndex);
    out += '\0';
    putBE16(out, outline.m_nFlags);
    out.append(reinterpret_cast<const char *>(outline.m_numbering.data()), kNumberingSize);
    putBE16(out, outline.m_nDivider);
    out += static_cast<char>(outline.m_nHeadingsMode);
    out += '\0';
    putCounted(out, outline.m_strTitle, "title");
    putCounted(out, outline.m_strMatchName, "match name");
    if (outline.m_deletedIds.size() > 0xFFFF)
        throw CConvertError(
            kTarnvelErrTooLarge, "The outline lists more than 65535 deleted items.");
    putBE16(out, static_cast<std::uint16_t>(outline.m_deletedIds.size()));
    for (std::uint32_t id : outline.m_deletedIds)
        putBE32(out, id);
    const SFontInfo &font = outline.m_font;
    for (std::int32_t v :
        { font.m_nHeight, font.m_nWidth, font.m_nEscapement, font.m_nOrientation, font.m_nWeight })
        putBE32(out, static_cast<std::uint32_t>(v));
    out.append(reinterpret_cast<const char *>(font.m_bytes.data()), font.m_bytes.size());
    putBE32(out, font.m_nColour);
    putCounted(out, font.m_strFaceName, "font name");
    return out;
}

std::string encodeItem(const SItem &item, std::size_t index, bool desktopOnly)
{
    const std::size_t size
        = kItemFixedSize + item.m_strText.size() + item.m_strNote.size() + item.m_strDrawing.size();
    if (size > kMaxRecordSize)
        throw CConvertError(kTarnvelErrTooLarge,
            "The " + itemText(index)
                + " is too large for the handheld: its text, note and drawing take "
                + std::to_string(size) + " bytes, at most " + std::to_string(kMaxRecordSize)
                + " fit.");
    std::uint8_t flags = 0;
    if (item.m_bChecked)
        flags |= kItemChecked;
    if (item.m_bExpanded)
        flags |= kItemExpanded;
    if (item.m_bHasNote)
        flags |= kItemHasNote;
    if (item.m_bHasDrawing)
        flags |= kItemHasDrawing;
    if (desktopOnly)
        flags |= kItemDesktopOnly;
    std::string out;
    out.reserve(size);
    out += static_cast<char>(kRecordLayoutVersion);
    out += static_cast<char>(std::min(item.m_nLevel, kMaxLevel));
    out += static_cast<char>(flags);
    out += static_cast<char>(item.m_nStatus);
    out += static_cast<char>(item.m_nChangedFields);
    out += '\0';
    putBE16(out, static_cast<std::uint16_t>(item.m_strText.size()));
    putBE16(out, static_cast<std::uint16_t>(item.m_strNote.size()));
    putBE16(out, static_cast<std::uint16_t>(item.m_strDrawing.size()));
    out += item.m_strText;
    out += item.m_strNote;
    out += item.m_strDrawing;
    return out;
}

void decodeAppInfo(const std::string &appInfo, SOutline &outline)
{
    const auto *bytes = reinterpret_cast<const std::uint8_t *>(appInfo.data());
    if (!ReadCategoryTable(appInfo, outline.m_categories))
        damaged("the category table is cut short");
    CByteCursor in(bytes + kCategoryBlockSize, appInfo.size() - kCategoryBlockSize);
    if (in.Remaining() == 0) {
        // A database made on the handheld before it kept any outline fields.
        outline.m_strCategory = outline.m_categories.m_names[0];
        outline.m_nFlags = kOutlineShowChecked;
        return;
    }
    std::uint16_t version = 0;
    std::uint8_t index = 0, reserved = 0;
    std::string numbering;
    if (!in.U16(version))
        damaged("the outline fields are cut short");
    if (version != kOutlineBlockVersion)
        damaged("the outline fields have the unknown version " + std::to_string(version));
    bool complete = in.U8(index) && in.U8(reserved) && in.U16(outline.m_nFlags)
        && in.Bytes(kNumberingSize, numbering) && in.U16(outline.m_nDivider)
        && in.U8(outline.m_nHeadingsMode) && in.U8(reserved) && in.Counted(outline.m_strTitle)
        && in.Counted(outline.m_strMatchName);
    std::uint16_t deletedCount = 0;
    complete = complete && in.U16(deletedCount);
    // Each id needs four bytes: a count larger than what is left is refused
    // before anything is set aside for it.
    if (complete && in.Remaining() / 4 < deletedCount)
        damaged("the list of deleted items runs past the outline fields");
    for (std::uint16_t i = 0; complete && i < deletedCount; ++i) {
        std::uint32_t id = 0;
        complete = in.U32(id);
        outline.m_deletedIds.push_back(id);
    }
    SFontInfo &font = outline.m_font;
    std::uint32_t v[5] = {};
    std::string fontBytes;
    for (std::uint32_t &value : v)
        complete = complete && in.U32(value);
    complete = complete && in.Bytes(font.m_bytes.size(), fontBytes) && in.U32(font.m_nColour)
        && in.Counted(font.m_strFaceName);
    if (!complete)
        damaged("the outline fields are cut short");
    if (index >= kCategoryCount)
        damaged("the outline's category index " + std::to_string(index) + " is out of range");
    std::memcpy(outline.m_numbering.data(), numbering.data(), kNumberingSize);
    font.m_nHeight = static_cast<std::int32_t>(v[0]);
    font.m_nWidth = static_cast<std::int32_t>(v[1]);
    font.m_nEscapement = static_cast<std::int32_t>(v[2]);
    font.m_nOrientation = static_cast<std::int32_t>(v[3]);
    font.m_nWeight = static_cast<std::int32_t>(v[4]);
    std::memcpy(font.m_bytes.data(), fontBytes.data(), font.m_bytes.size());
    outline.m_nCategoryIndex = index;
    outline.m_strCategory = outline.m_categories.m_names[index];
    if (outline.m_strCategory.empty())
        outline.m_strCategory = outline.m_categories.m_names[0];
    for (const std::string *text :
        { &outline.m_strTitle, &outline.m_strMatchName, &font.m_strFaceName })
        if (text->find('\0') != std::string::npos)
            damaged("an outline text holds a zero byte");
}

SItem decodeItem(const SPdbRecord &record, std::size_t index)
{
    const std::string &data = record.m_strData;
    const auto *bytes = reinterpret_cast<const std::uint8_t *>(data.data());
    if (data.size() < kItemFixedSize)
        damaged("the " + itemText(index) + " is cut short");
    if (bytes[kItemVersion] != kRecordLayoutVersion)
        damaged("the " + itemText(index) + " has the unknown layout "
            + std::to_string(bytes[kItemVersion]));
    const std::size_t textLength = getBE16(bytes + kItemTextLength);
    const std::size_t noteLength = getBE16(bytes + kItemNoteLength);
    const std::size_t drawingLength = getBE16(bytes + kItemDrawingLength);
    if (kItemFixedSize + textLength + noteLength + drawingLength > data.size())
        damaged("the texts of the " + itemText(index) + " run past its record");
    const std::uint8_t flags = bytes[kItemFlags];
    SItem item;
    item.m_nLevel = std::min(bytes[kItemLevel], kMaxLevel);
    item.m_bChecked = flags & kItemChecked;
    item.m_bExpanded = flags & kItemExpanded;
    item.m_bHasNote = flags & kItemHasNote;
    item.m_bHasDrawing = flags & kItemHasDrawing;
    item.m_nId = (flags & kItemDesktopOnly) ? 0 : record.m_nUniqueId;
    item.m_nChangedFields = bytes[kItemChangedFields];
    item.m_strText = data.substr(kItemFixedSize, textLength);
    item.m_strNote = data.substr(kItemFixedSize + textLength, noteLength);
    item.m_strDrawing = data.substr(kItemFixedSize + textLength + noteLength, drawingLength);
    if (item.m_strText.find('\0') != std::string::npos
        || item.m_strNote.find('\0') != std::string::npos)
        damaged("the " + itemText(index) + " holds a zero byte in its text");
    if (!item.m_bHasNote && noteLength != 0)
        damaged("the " + itemText(index) + " has note text but no note");
    if (item.m_bHasDrawing != (drawingLength != 0))
        damaged("the drawing of the " + itemText(index) + " is missing");
    if (item.m_bHasDrawing) {
        kx_gen::MemHolder dib(
            kx_gen::ConvertInternalFormatToDib(item.m_strDrawing.data(), item.m_strDrawing.size()));
        if (!dib)
            damaged("the drawing of the " + itemText(index) + " cannot be read");
    }

    // The handheld marks what it changes in the record's attributes.
    std::uint8_t status = bytes[kItemStatus];
    if (record.m_nAttributes & kRecAttrDelete) {
        CDBRecord::SetBit(&status, kx_gen::kDelBitPos, true);
        if (record.m_nAttributes & kRecAttrArchive)
            CDBRecord::SetBit(&status, kx_gen::kArchivedBitPos, true);
    }
    if ((record.m_nAttributes & kRecAttrDirty) && !CDBRecord::GetBit(status, kx_gen::kNewBitPos))
        CDBRecord::SetBit(&status, kx_gen::kChangeBitPos, true);
    item.m_nStatus = status;
    return item;
}

} // namespace

bool ReadCategoryTable(const std::string &appInfo, SCategoryTable &table)
{
    if (appInfo.size() < kCategoryBlockSize)
        return false;
    const auto *bytes = reinterpret_cast<const std::uint8_t *>(appInfo.data());
    table.m_nRenamed = getBE16(bytes + kCatRenamed);
    for (std::size_t i = 0; i < kCategoryCount; ++i) {
        const char *name = appInfo.data() + kCatNames + i * kCategoryNameSize;
        table.m_names[i].assign(name, ::strnlen(name, kCategoryNameSize - 1));
        table.m_ids[i] = bytes[kCatIds + i];
    }
    table.m_nLastUniqueId = bytes[kCatLastUniqueId];
    return true;
}

std::string ToHandheldText(const std::string &text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
            out += text[i];
    return out;
}

std::string ToDesktopText(const std::string &text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
            out += '\r';
        out += text[i];
    }
    return out;
}

SPdbDatabase EncodeOutline(const SOutline &outline, const std::string &unfiledName)
{
    SCategoryTable table;
    table.m_names[0] = cut(unfiledName, kCategoryNameSize - 1);
    std::uint8_t categoryIndex = 0;
    const std::string category = cut(outline.m_strCategory, kCategoryNameSize - 1);
    if (!category.empty() && category != table.m_names[0]) {
        categoryIndex = 1;
        table.m_names[1] = category;
        table.m_ids[1] = kFirstDesktopCategoryId;
        table.m_nLastUniqueId = kFirstDesktopCategoryId;
    }

    SPdbDatabase db;
    db.m_strName = cut(
        outline.m_strTitle.empty() ? std::string("Untitled") : outline.m_strTitle, kDbNameSize - 1);
    db.m_nAttributes = kDbAttrBackup;
    db.m_nVersion = kDbVersion;
    db.m_nCreationDate = outline.m_nDate;
    db.m_nModificationDate = outline.m_nDate;
    db.m_nModificationNumber = 1;
    db.m_nType = outline.m_bTemplate ? kTypeTemplate : kTypeOutline;
    db.m_nCreator = kCreator;
    db.m_strAppInfo = encodeAppInfo(outline, table, categoryIndex);

    // Items never synchronised get ids above every real one, marked so that
    // reading the file gives them no id again.
    std::uint32_t highest = 0;
    for (const SItem &item : outline.m_items) {
        if (item.m_nId > kMaxUniqueId)
            throw CConvertError(kTarnvelErrTooLarge,
                "The record id " + std::to_string(item.m_nId)
                    + " does not fit the handheld's 24 bits.");
        highest = std::max(highest, item.m_nId);
    }
    std::uint32_t nextId = highest + 1;
    const bool secret = outline.m_nFlags & kOutlinePrivate;
    db.m_records.reserve(outline.m_items.size());
    for (std::size_t i = 0; i < outline.m_items.size(); ++i) {
        const SItem &item = outline.m_items[i];
        const bool desktopOnly = item.m_nId == 0;
        if (desktopOnly && nextId > kMaxUniqueId)
            throw CConvertError(
                kTarnvelErrTooLarge, "No free record id is left for the " + itemText(i) + ".");
        SPdbRecord record;
        record.m_nUniqueId = desktopOnly ? nextId++ : item.m_nId;
        if (CDBRecord::GetBit(item.m_nStatus, kx_gen::kDelBitPos))
            record.m_nAttributes = kRecAttrDelete
                | (CDBRecord::GetBit(item.m_nStatus, kx_gen::kArchivedBitPos) ? kRecAttrArchive
                                                                              : 0);
        else
            record.m_nAttributes = categoryIndex;
        if (CDBRecord::GetBit(item.m_nStatus, kx_gen::kNewBitPos)
            || CDBRecord::GetBit(item.m_nStatus, kx_gen::kChangeBitPos))
            record.m_nAttributes |= kRecAttrDirty;
        if (secret)
            record.m_nAttributes |= kRecAttrSecret;
        record.m_strData = encodeItem(item, i, desktopOnly);
        db.m_records.push_back(std::move(record));
    }
    db.m_nUniqueIdSeed = nextId;
    return db;
}

SOutline DecodeOutline(const SPdbDatabase &db)
{
    if (db.m_nCreator != kCreator || (db.m_nType != kTypeOutline && db.m_nType != kTypeTemplate))
        throw CConvertError(kTarnvelErrNotOutline,
            "The database is not an outline: its type and creator are " + FourCCText(db.m_nType)
                + " and " + FourCCText(db.m_nCreator) + ", an outline has "
                + FourCCText(kTypeOutline) + " (or " + FourCCText(kTypeTemplate) + ") and "
                + FourCCText(kCreator) + ".");
    SOutline outline;
    outline.m_bTemplate = db.m_nType == kTypeTemplate;
    outline.m_nDate = db.m_nModificationDate;
    outline.m_strTitle = db.m_strName;
    if (db.m_strAppInfo.empty())
        outline.m_nFlags = kOutlineShowChecked;
    else
        decodeAppInfo(db.m_strAppInfo, outline);
    outline.m_items.reserve(db.m_records.size());
    for (std::size_t i = 0; i < db.m_records.size(); ++i)
        outline.m_items.push_back(decodeItem(db.m_records[i], i));
    return outline;
}

} // namespace tarnvel
