#include "Commands.h"

#include "CategoryFile.h"
#include "Json.h"
#include "OpenedFile.h"
#include "TextCodec.h"

#include "kx_gen/DrawingFormat.h"
#include "kx_gen/Exception.h"
#include "kx_gen/File.h"
#include "kx_gen/LinkedOutlRec.h"
#include "kx_gen/TaggedDataHeader.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <ostream>
#include <sstream>

namespace corvale_tool {

using namespace kx_gen;

namespace {

// How a tag's value is shown.
enum class ValueType {
    boolean,
    u8,
    u16,
    u32,
    i32,
    text,
    status,
    bytes,
    windowPos,
    font,
    color,
    drawing,
    time
};

struct FieldInfo {
    std::uint32_t id;
    const char *name;
    ValueType type;
};

constexpr std::uint32_t S = kStringTagIDCode;

constexpr FieldInfo kOutlineRecordFields[] = {
    { 1, "status", ValueType::status },
    { 2, "sort changed", ValueType::boolean },
    { 5, "id", ValueType::u32 },
    { 6, "indent", ValueType::u8 },
    { 9, "expanded", ValueType::boolean },
    { 10, "checked", ValueType::boolean },
    { 12, "drawing", ValueType::drawing },
    { 17, "internal id", ValueType::u32 },
    { 18, "parent id", ValueType::u32 },
    { S + 7, "text", ValueType::text },
    { S + 8, "note", ValueType::text },
};

constexpr FieldInfo kCategoryRecordFields[] = {
    { 1, "status", ValueType::status },
    { 2, "sort changed", ValueType::boolean },
    { 5, "category id", ValueType::u32 },
    { 7, "last changed", ValueType::time },
    { S + 6, "name", ValueType::text },
};

constexpr FieldInfo kSharedHeaderFields[] = {
    { 3, "outline changed", ValueType::boolean },
    { 4, "synchronized", ValueType::boolean },
    { 5, "private", ValueType::boolean },
    { 8, "numbering", ValueType::bytes },
    { 9, "numbering divider", ValueType::u16 },
    { S + 1, "category", ValueType::text },
    { S + 2, "match name", ValueType::text },
};

constexpr FieldInfo kPrivateHeaderFields[] = {
    { 1, "show checked items", ValueType::u8 },
    { 2, "selected index", ValueType::u32 },
    { 3, "top index", ValueType::u32 },
    { 4, "window position", ValueType::windowPos },
    { 5, "font", ValueType::font },
    { 6, "font colour", ValueType::color },
    { 7, "show headings mode", ValueType::u8 },
    { S + 1, "face name", ValueType::text },
    { S + 2, "title", ValueType::text },
};

template <std::size_t N> const FieldInfo *findField(const FieldInfo (&table)[N], std::uint32_t id)
{
    for (const FieldInfo &f : table)
        if (f.id == id)
            return &f;
    return nullptr;
}

const FieldInfo *headerField(const OpenedFile &file, std::uint16_t headerId, std::uint32_t tagId)
{
    if (!file.isOutline())
        return nullptr;
    if (headerId == COutlineDB::kSharedHeaderID)
        return findField(kSharedHeaderFields, tagId);
    if (headerId == COutlineDB::kPrivateHeaderID)
        return findField(kPrivateHeaderFields, tagId);
    return nullptr;
}

const FieldInfo *recordField(const OpenedFile &file, std::uint32_t tagId)
{
    if (file.kind == FileKind::categories)
        return findField(kCategoryRecordFields, tagId);
    const FieldInfo *f = findField(kOutlineRecordFields, tagId);
    // The link fields belong to memory outlines only.
    if (f && (tagId == 17 || tagId == 18) && file.kind != FileKind::memoryOutline)
        return nullptr;
    return f;
}

std::string hex(const std::uint8_t *data, std::uint32_t length)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(std::size_t(length) * 2);
    for (std::uint32_t i = 0; i < length; ++i) {
        out += digits[data[i] >> 4];
        out += digits[data[i] & 15];
    }
    return out;
}

std::uint32_t le32(const std::uint8_t *p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t(p[3]) << 24);
}

const char *yesNo(bool b)
{
    return b ? "yes" : "no";
}

// The value of one tag as text, decoded where the field is known.
std::string describeValue(
    const FieldInfo *field, const CTaggedDataManager &tags, const TagEntry &tag)
{
    const std::uint32_t len = tag.header.length;
    const std::uint8_t *d = tag.data;
    auto hexValue = [&] { return "hex " + hex(d, len); };
    if (!field)
        return hexValue();
    char buf[320];
    switch (field->type) {
    case ValueType::boolean:
        if (len != 1)
            return hexValue();
        return d[0] ? "true" : "false";
    case ValueType::u8:
        if (len != 1)
            return hexValue();
        return std::to_string(d[0]);
    case ValueType::u16:
        if (len != 2)
            return hexValue();
        std::snprintf(buf, sizeof buf, "%u (0x%04x)", unsigned(d[0] | (d[1] << 8)),
            unsigned(d[0] | (d[1] << 8)));
        return buf;
    case ValueType::u32:
        if (len != 4)
            return hexValue();
        return std::to_string(le32(d));
    case ValueType::i32:
        if (len != 4)
            return hexValue();
        return std::to_string(static_cast<std::int32_t>(le32(d)));
    case ValueType::color:
        if (len != 4)
            return hexValue();
        std::snprintf(buf, sizeof buf, "0x%08x", unsigned(le32(d)));
        return buf;
    case ValueType::status: {
        if (len != 1)
            return hexValue();
        std::snprintf(buf, sizeof buf, "0x%02x", d[0]);
        std::string s = buf;
        static const char *const names[] = { "new", "deleted", "changed", "empty", "archived" };
        std::string bits;
        for (int pos = 0; pos < 5; ++pos)
            if (CDBRecord::GetBit(d[0], pos))
                bits += std::string(bits.empty() ? "" : ", ") + names[pos];
        return bits.empty() ? s : s + " (" + bits + ")";
    }
    case ValueType::text: {
        _String text;
        if (tags.getString(tag.header.id - kStringTagIDCode, text) != kTagOK)
            return hexValue() + " (unterminated text)";
        return JsonString(ToUtf8(text));
    }
    case ValueType::bytes:
        return hexValue();
    case ValueType::windowPos: {
        if (len != TStoredWindowPos::kStoredSize)
            return hexValue();
        const TStoredWindowPos p = TStoredWindowPos::FromBytes(d);
        std::snprintf(buf, sizeof buf,
            "flags %d, show %d, min (%d, %d), max (%d, %d), normal top %d left %d "
            "right %d bottom %d",
            p.flags, p.showCmd, p.minX, p.minY, p.maxX, p.maxY, p.normalTop, p.normalLeft,
            p.normalRight, p.normalBottom);
        return buf;
    }
    case ValueType::font: {
        if (len != TStoredFontInfo::kStoredSize)
            return hexValue();
        const TStoredFontInfo f = TStoredFontInfo::FromBytes(d);
        std::snprintf(buf, sizeof buf,
            "height %d, width %d, escapement %d, orientation %d, weight %d, italic %u, "
            "underline %u, strike-out %u, charset %u, precision %u/%u, quality %u, "
            "pitch and family 0x%02x",
            f.height, f.width, f.escapement, f.orientation, f.weight, f.italic, f.underline,
            f.strikeOut, f.charSet, f.outPrecision, f.clipPrecision, f.quality, f.pitchAndFamily);
        return buf;
    }
    case ValueType::drawing: {
        std::uint32_t w = 0, h = 0;
        if (!GetDrawingFormatSize(d, len, &w, &h))
            return hexValue();
        std::snprintf(
            buf, sizeof buf, "drawing %u x %u, %u bytes", unsigned(w), unsigned(h), unsigned(len));
        return buf;
    }
    case ValueType::time: {
        if (len != 4)
            return hexValue();
        const std::time_t t = static_cast<std::int32_t>(le32(d));
        std::tm tm {};
        if (!gmtime_r(&t, &tm))
            return std::to_string(static_cast<std::int32_t>(le32(d)));
        std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S UTC", &tm);
        return std::string(buf) + " (" + std::to_string(static_cast<std::int32_t>(le32(d))) + ")";
    }
    }
    return hexValue();
}

void printTags(const OpenedFile &file, const CTaggedDataManager &tags, bool isHeader,
    std::uint16_t headerId, std::ostream &out)
{
    std::uint32_t trailing = 0;
    for (const TagEntry &tag : ListTags(tags, &trailing)) {
        const FieldInfo *field = isHeader ? headerField(file, headerId, tag.header.id)
                                          : recordField(file, tag.header.id);
        char head[128];
        if (tag.header.id >= kStringTagIDCode)
            std::snprintf(
                head, sizeof head, "  string %u", unsigned(tag.header.id - kStringTagIDCode));
        else
            std::snprintf(head, sizeof head, "  tag %u", unsigned(tag.header.id));
        out << head;
        if (field)
            out << " (" << field->name << ")";
        std::snprintf(head, sizeof head,
            ": version %u, flags 0x%x, length %u: ", unsigned(tag.header.version),
            unsigned(tag.header.flags), unsigned(tag.header.length));
        out << head << describeValue(field, tags, tag) << "\n";
    }
    if (trailing)
        out << "  (" << trailing << " bytes after the last tag, too few for a tag)\n";
}

void writeJsonTags(const CTaggedDataManager &tags, JsonWriter &json)
{
    json.beginArray();
    for (const TagEntry &tag : ListTags(tags)) {
        json.beginObject();
        json.key("id");
        json.value(std::int64_t(tag.header.id));
        json.key("version");
        json.value(std::int64_t(tag.header.version));
        json.key("flags");
        json.value(std::int64_t(tag.header.flags));
        json.key("length");
        json.value(std::int64_t(tag.header.length));
        json.key("hex");
        json.value(hex(tag.data, tag.header.length));
        json.endObject();
    }
    json.endArray();
}

const char *headerName(std::uint16_t id)
{
    switch (id) {
    case kConduitHeaderID:
        return "conduit";
    case COutlineDB::kSharedHeaderID:
        return "shared";
    case COutlineDB::kPrivateHeaderID:
        return "private";
    }
    return "unknown";
}

void noteUpgrade(const OpenedFile &file, const std::string &path, std::ostream &err)
{
    if (file.wouldUpgrade)
        err << "corvale: " << path
            << ": note: the program would upgrade this file, enlarging its headers in place "
               "when it opens it; this command leaves it unchanged\n";
}

std::string indentOf(unsigned level)
{
    return std::string(std::size_t(level) * 2, ' ');
}

// Lines of a text without their line ends; an empty text is one empty line.
std::vector<std::string> splitLines(const std::string &text)
{
    std::vector<std::string> lines;
    std::string line;
    for (char c : text) {
        if (c == '\r')
            continue;
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        } else {
            line += c;
        }
    }
    lines.push_back(line);
    return lines;
}

CTaggedDataHeader *headerObject(const OpenedFile &file, std::uint16_t id)
{
    return file.db->GetHeaderManager().GetHeaderPtr(id);
}

// Every field a load reads from one outline record, and its drawing.
// Returns an empty string or what is wrong with the drawing.
std::string checkOutlineRecord(const COutlineRecord &record)
{
    record.GetFlag();
    record.IsSortChanged();
    record.GetId();
    record.GetIndent();
    record.GetText();
    bool hasNoteTag = false;
    KX_TAG_CHECK(record.GetTags().hasStringTag(COutlineRecord::kNoteString, hasNoteTag));
    if (hasNoteTag)
        record.GetNote();
    record.GetExpanded();
    record.GetChecked();
    if (record.HasDrawing()) {
        MemHolder dib(record.GetDrawing());
        if (!dib)
            return LoadLibraryString(kMsgCannotLoadDib).str();
    }
    if (auto *linked = dynamic_cast<const CLinkedOutlRec *>(&record)) {
        linked->getInternalId();
        linked->getParentId();
    }
    return std::string();
}

} // namespace

int RunInfo(const std::string &path, std::ostream &out, std::ostream &)
{
    const OpenedFile file = LoadFile(path);
    CDatabase &db = *file.db;
    out << "File: " << path << "\n";
    out << "Kind: " << KindName(file.kind) << "\n";
    out << "Version: " << db.GetVersionNum() << "\n";
    out << "Rows: " << db.GetDbInfo().rowCount << "\n";
    if (COutlineDB *outline = file.outline()) {
        out << "Title: " << ToUtf8(outline->GetOutlineTitle()) << "\n";
        out << "Category: " << ToUtf8(outline->GetCategoryName()) << "\n";
        out << "Outline changed: " << yesNo(outline->GetOutlineChanged()) << "\n";
        out << "Synchronized: " << yesNo(outline->GetSynchronized()) << "\n";
        out << "Private: " << yesNo(outline->GetPrivate()) << "\n";
        out << "Category changed: " << yesNo(outline->GetCategoryChanged()) << "\n";
        out << "Items: " << db.GetRecordset()->getSize() << "\n";
        out << "Deleted ids: " << outline->GetDeletedQuibs().GetSize() << "\n";
        if (file.wouldUpgrade)
            out << "Header upgrade: the program would enlarge this file's headers in place "
                   "when it opens it\n";
    } else if (file.kind == FileKind::categories) {
        PrintCategoryInfo(file, out);
    } else {
        out << "Items: " << db.GetRecordset()->getSize() << "\n";
    }
    return 0;
}

int RunDump(const std::string &path, bool asJson, std::ostream &out, std::ostream &err)
{
    const OpenedFile file = LoadFile(path);
    CDatabase &db = *file.db;
    const CHeaderManager &headers = db.GetHeaderManager();
    const bool hasHeaderArea = file.kind != FileKind::memoryOutline;
    CDBRecordset *records = db.GetRecordset();

    if (asJson) {
        // Built completely before anything is printed, so that a damaged
        // file never yields half a JSON document.
        JsonWriter json;
        json.beginObject();
        json.key("kind");
        json.value(KindName(file.kind));
        json.key("check_code");
        json.value(std::int64_t(db.GetDbInfo().checkCode));
        json.key("version");
        json.value(std::int64_t(db.GetVersionNum()));
        json.key("rows");
        json.value(std::int64_t(db.GetDbInfo().rowCount));
        json.key("header_table");
        json.beginArray();
        if (hasHeaderArea) {
            for (const THeaderInfo &entry : headers.GetFileList()) {
                json.beginObject();
                json.key("id");
                json.value(std::int64_t(entry.id));
                json.key("size");
                json.value(std::int64_t(entry.size));
                json.endObject();
            }
        }
        json.endArray();
        json.key("headers");
        json.beginArray();
        for (std::uint16_t id : file.headersRead) {
            const CTaggedDataHeader *header = headerObject(file, id);
            json.beginObject();
            json.key("id");
            json.value(std::int64_t(id));
            json.key("length");
            json.value(std::int64_t(header->GetDataSize()));
            json.key("tags");
            writeJsonTags(header->GetTags(), json);
            json.endObject();
        }
        json.endArray();
        if (COutlineDB *outline = file.outline()) {
            json.key("deleted_ids");
            json.beginArray();
            for (std::uint32_t id : outline->GetDeletedQuibs().GetIds())
                json.value(std::int64_t(id));
            json.endArray();
        }
        if (file.kind == FileKind::categories)
            WriteCategoryExtraRows(file, json);
        json.key("records");
        json.beginArray();
        for (std::size_t i = 0; i < records->getSize(); ++i) {
            const CDBRecord *record = records->getRecord(i);
            json.beginObject();
            json.key("offset");
            json.value(std::int64_t(record->GetPos()));
            json.key("length");
            json.value(std::int64_t(record->GetRecSize()));
            json.key("tags");
            writeJsonTags(record->GetTags(), json);
            json.endObject();
        }
        json.endArray();
        json.endObject();
        out << json.str() << "\n";
        noteUpgrade(file, path, err);
        return 0;
    }

    std::ostringstream text;
    char buf[64];
    text << "File: " << path << "\n";
    text << "Kind: " << KindName(file.kind) << "\n";
    std::snprintf(buf, sizeof buf, "0x%08x", unsigned(db.GetDbInfo().checkCode));
    text << "Check code: " << buf << "\n";
    text << "Version: " << db.GetVersionNum() << "\n";
    text << "Rows: " << db.GetDbInfo().rowCount << "\n";
    if (hasHeaderArea) {
        const std::size_t entries = headers.GetFileList().size();
        text << "Header table: " << entries << (entries == 1 ? " entry\n" : " entries\n");
        for (const THeaderInfo &entry : headers.GetFileList())
            text << "  id " << entry.id << " (" << headerName(entry.id) << "), " << entry.size
                 << " bytes at offset " << headers.GetHeaderReadPos(entry.id) << "\n";
        for (std::uint16_t id : file.headersRead) {
            const CTaggedDataHeader *header = headerObject(file, id);
            text << "Header " << id << " (" << headerName(id) << "): " << header->GetDataSize()
                 << " bytes of tags\n";
            printTags(file, header->GetTags(), true, id, text);
        }
        text << "Extra rows at offset " << headers.GetReadHeadersEnd() << "\n";
    } else {
        text << "Header table: none (records follow the db info)\n";
    }
    if (COutlineDB *outline = file.outline()) {
        const auto &ids = outline->GetDeletedQuibs().GetIds();
        text << "  deleted ids: " << ids.size();
        for (std::size_t i = 0; i < ids.size(); ++i)
            text << (i ? ", " : ": ") << ids[i];
        text << "\n";
    }
    if (file.kind == FileKind::categories)
        PrintCategoryExtraRows(file, text);
    for (std::size_t i = 0; i < records->getSize(); ++i) {
        const CDBRecord *record = records->getRecord(i);
        text << "Record " << i << " at offset " << record->GetPos() << ": " << record->GetRecSize()
             << " bytes of tags\n";
        printTags(file, record->GetTags(), false, 0, text);
    }
    out << text.str();
    noteUpgrade(file, path, err);
    return 0;
}

int RunCheck(const std::string &path, std::ostream &out, std::ostream &err)
{
    const OpenedFile file = LoadFile(path);
    for (std::uint16_t id : file.headersRead)
        ListTags(headerObject(file, id)->GetTags());
    if (COutlineDB *outline = file.outline()) {
        // What the program reads from the headers when it shows an outline.
        if (outline->GetHeaderManager().GetHeaderReadPos(COutlineDB::kSharedHeaderID)
            != kNoFilePos) {
            outline->GetCategoryName();
            outline->GetPalmMatchName();
            outline->GetOutlineChanged();
            outline->GetSynchronized();
            outline->GetPrivate();
            std::uint8_t numbering[CSharedHeader::kNumberingSize];
            outline->getNumbering(numbering);
            outline->getNumberingDivider();
        }
        if (outline->GetHeaderManager().GetHeaderReadPos(COutlineDB::kPrivateHeaderID)
            != kNoFilePos) {
            outline->GetOutlineTitle();
            outline->GetShowCheckedItems();
            outline->GetSelectedIndex();
            outline->GetTopIndex();
            outline->GetShowHeadingsMode();
            LOGFONT font;
            COLORREF color = 0;
            outline->GetOutlineFont(font, color);
            WINDOWPLACEMENT placement;
            outline->GetOutlineWindowPos(placement);
        }
    }
    CDBRecordset *records = file.db->GetRecordset();
    for (std::size_t i = 0; i < records->getSize(); ++i) {
        const CDBRecord *record = records->getRecord(i);
        std::string problem;
        try {
            ListTags(record->GetTags());
            if (file.kind == FileKind::categories)
                CheckCategoryRecord(*record);
            else
                problem = checkOutlineRecord(dynamic_cast<const COutlineRecord &>(*record));
        } catch (CException *e) {
            ExceptionHolder holder(e);
            problem = e->GetDescription().str();
        }
        if (!problem.empty()) {
            err << "corvale: " << path << ": record " << i << ": " << problem << "\n";
            return 1;
        }
    }
    out << "ok\n";
    noteUpgrade(file, path, err);
    return 0;
}

int RunCat(const std::string &path, std::ostream &out, std::ostream &err)
{
    const OpenedFile file = LoadFile(path);
    if (file.kind == FileKind::categories) {
        PrintCategoryList(file, out);
        return 0;
    }
    std::ostringstream text;
    CDBRecordset *records = file.db->GetRecordset();
    _String buffer;
    for (std::size_t i = 0; i < records->getSize(); ++i) {
        const auto *record = dynamic_cast<const COutlineRecord *>(records->getRecord(i));
        // Levels run from 0 to 9; deeper indents show at the deepest level.
        const unsigned level = std::min<unsigned>(record->GetIndent(), 9);
        const std::string pad = indentOf(level);
        record->GetText(buffer);
        const std::vector<std::string> lines = splitLines(ToUtf8(buffer));
        text << pad << (record->GetChecked() ? "[x] " : "[ ] ") << lines[0] << "\n";
        for (std::size_t k = 1; k < lines.size(); ++k)
            text << pad << "    " << lines[k] << "\n";
        if (record->HasNote()) {
            record->GetNote(buffer);
            for (const std::string &line : splitLines(ToUtf8(buffer)))
                text << pad << "      " << line << "\n";
        }
    }
    out << text.str();
    noteUpgrade(file, path, err);
    return 0;
}

int RunNew(const std::string &path, const NewOptions &options, std::ostream &, std::ostream &err)
{
    _String title, category;
    if (options.hasTitle && !FromUtf8(options.title, title)) {
        err << "corvale: the title holds characters that an outline cannot store\n";
        return 2;
    }
    if (options.hasCategory && !FromUtf8(options.category, category)) {
        err << "corvale: the category holds characters that an outline cannot store\n";
        return 2;
    }
    std::error_code ec;
    if (std::filesystem::symlink_status(path, ec).type() != std::filesystem::file_type::not_found) {
        err << "corvale: " << path << ": the file exists; corvale new does not overwrite files\n";
        return 1;
    }

    COutlineDB db;
    db.InitNewDatabase();
    if (options.hasTitle)
        db.SetOutlineTitle(title);
    if (options.hasCategory)
        db.SetCategoryName(category);
    if (!options.empty) {
        // The one empty item of a new outline, new since the last
        // synchronisation as every item written to a new file.
        CDBRecord *item = db.GetRecordset()->Append();
        item->SetNew(true);
    }
    try {
        db.Open(path.c_str(), CFile::modeCreate | CFile::modeWrite);
        db.WriteAllHeaders();
        db.WriteRows();
        db.Close();
    } catch (CException *e) {
        ExceptionHolder holder(e);
        // Half a file is worse than none.
        try {
            db.CFileStream::Close();
        } catch (CException *closeError) {
            ExceptionHolder closeHolder(closeError);
        }
        try {
            CFile::Remove(path.c_str());
        } catch (CException *removeError) {
            ExceptionHolder removeHolder(removeError);
        }
        throw holder.release();
    }
    return 0;
}

} // namespace corvale_tool
