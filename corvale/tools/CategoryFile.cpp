#include "CategoryFile.h"

#include "TextCodec.h"

#include "kx_gen/CategoryDB.h"
#include "kx_gen/Exception.h"

#include <ctime>
#include <ostream>

namespace corvale_tool {

using namespace kx_gen;

namespace {

CCategoryDB &categories(const OpenedFile &file)
{
    return static_cast<CCategoryDB &>(*file.db);
}

std::string timeText(CTime time)
{
    std::tm tm {};
    char buf[64];
    if (!time.GetGmtTm(&tm) || !std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S UTC", &tm))
        return std::to_string(time.GetTime());
    return buf;
}

} // namespace

std::unique_ptr<CDatabase> OpenCategoryFile(const char *path, unsigned mode)
{
    auto db = std::make_unique<CCategoryDB>();
    db->Open(path, mode);
    return db;
}

void PrintCategoryInfo(const OpenedFile &file, std::ostream &out)
{
    CCategoryDB &db = categories(file);
    out << "Next category id counter: " << db.GetNextIdCounter() << "\n";
    out << "New flag: " << (db.isNew() ? "yes" : "no") << "\n";
    out << "Categories: " << db.GetCategoryCount() << "\n";
    for (std::size_t slot = 0; slot < db.GetSlotCount(); ++slot) {
        const CCategoryRecord *record = db.GetSlot(slot);
        out << "  slot " << slot << ": ";
        if (record->IsEmpty())
            out << "empty";
        out << (record->IsEmpty() ? " (was " : "") << "id " << record->GetCategoryId() << ", "
            << JsonString(ToUtf8(record->GetCategoryName())) << ", changed "
            << timeText(record->GetLastChangedTime()) << (record->IsEmpty() ? ")" : "");
        if (record->IsNew())
            out << ", new";
        if (record->IsChanged())
            out << ", changed since the last synchronisation";
        if (record->IsDeleted())
            out << ", deleted";
        out << "\n";
    }
}

void PrintCategoryExtraRows(const OpenedFile &file, std::ostream &out)
{
    CCategoryDB &db = categories(file);
    out << "  next category id counter: " << db.GetNextIdCounter() << "\n";
    out << "  new flag: " << (db.isNew() ? "true" : "false") << "\n";
}

void WriteCategoryExtraRows(const OpenedFile &file, JsonWriter &json)
{
    CCategoryDB &db = categories(file);
    json.key("next_category_id");
    json.value(std::int64_t(db.GetNextIdCounter()));
    json.key("new_flag");
    json.value(db.isNew());
}

void CheckCategoryRecord(const CDBRecord &record)
{
    const auto &category = dynamic_cast<const CCategoryRecord &>(record);
    category.GetFlag();
    category.GetCategoryId();
    category.GetCategoryName();
    category.GetLastChangedTime();
}

void PrintCategoryList(const OpenedFile &file, std::ostream &out)
{
    for (const CCategoryRecord &record : categories(file))
        out << ToUtf8(record.GetCategoryName()) << "\n";
}

} // namespace corvale_tool
