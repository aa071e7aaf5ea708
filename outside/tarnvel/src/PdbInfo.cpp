#include "PdbInfo.h"

#include "Convert.h"
#include "OutlinePdb.h"

#include <ctime>
#include <iomanip>
#include <sstream>

namespace tarnvel {

namespace {

std::string dateText(std::uint32_t seconds1904)
{
    if (seconds1904 == 0)
        return "never";
    const std::time_t unixTime = static_cast<std::time_t>(seconds1904) - kEpochDelta1904;
    std::tm parts {};
    ::gmtime_r(&unixTime, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S UTC", &parts);
    return text;
}

std::string hex(std::uint32_t value, int width)
{
    std::ostringstream text;
    text << "0x" << std::hex << std::setw(width) << std::setfill('0') << value;
    return text.str();
}

// Texts on one line: line ends and other control bytes as escapes.
std::string oneLine(const std::string &text, std::size_t limit = 60)
{
    std::string out;
    for (char c : text.substr(0, limit)) {
        if (c == '\n')
            out += "\\n";
        else if (static_cast<unsigned char>(c) < 0x20)
            out += '.';
        else
            out += c;
    }
    if (text.size() > limit)
        out += "...";
    return out;
}

} // namespace

void PrintPdbInfo(const std::string &path, std::ostream &out)
{
    const std::string bytes = ReadWholeFile(path);
    const SPdbDatabase db
        = ReadPdb(reinterpret_cast<const std::uint8_t *>(bytes.data()), bytes.size());
    out << "name:          " << db.m_strName << "\n"
        << "attributes:    " << hex(db.m_nAttributes, 4) << "\n"
        << "version:       " << db.m_nVersion << "\n"
        << "created:       " << dateText(db.m_nCreationDate) << "\n"
        << "modified:      " << dateText(db.m_nModificationDate) << "\n"
        << "backed up:     " << dateText(db.m_nBackupDate) << "\n"
        << "modification:  " << db.m_nModificationNumber << "\n"
        << "type/creator:  " << FourCCText(db.m_nType) << " " << FourCCText(db.m_nCreator) << "\n"
        << "unique id seed:"
        << " " << db.m_nUniqueIdSeed << "\n"
        << "app info:      " << db.m_strAppInfo.size() << " bytes\n"
        << "sort info:     " << db.m_strSortInfo.size() << " bytes\n"
        << "records:       " << db.m_records.size() << "\n";
    SCategoryTable table;
    if (ReadCategoryTable(db.m_strAppInfo, table)) {
        out << "categories (last unique id " << int(table.m_nLastUniqueId) << "):\n";
        for (std::size_t i = 0; i < kCategoryCount; ++i)
            if (!table.m_names[i].empty())
                out << "  " << std::setw(2) << i << "  id " << std::setw(3) << int(table.m_ids[i])
                    << ((table.m_nRenamed >> i) & 1 ? "  renamed  " : "  ") << table.m_names[i]
                    << "\n";
    }
    SOutline outline;
    std::string problem;
    const bool isOutline = RunGuarded([&] { outline = DecodeOutline(db); }, problem) == 0;
    if (isOutline) {
        out << (outline.m_bTemplate ? "template:      " : "outline:       ") << outline.m_strTitle
            << "\n"
            << "category:      " << outline.m_strCategory << "\n"
            << "flags:         " << hex(outline.m_nFlags, 4) << "\n"
            << "deleted ids:   " << outline.m_deletedIds.size() << "\n";
    }
    out << "records:\n";
    for (std::size_t i = 0; i < db.m_records.size(); ++i) {
        const SPdbRecord &record = db.m_records[i];
        out << "  " << std::setw(4) << i << "  id " << hex(record.m_nUniqueId, 6) << "  attr "
            << hex(record.m_nAttributes, 2) << "  " << std::setw(5) << record.m_strData.size()
            << " bytes";
        if (isOutline) {
            const SItem &item = outline.m_items[i];
            out << "  level " << int(item.m_nLevel) << (item.m_bChecked ? " checked" : "")
                << (item.m_bExpanded ? "" : " collapsed") << (item.m_strNote.empty() ? "" : " note")
                << (item.m_bHasDrawing ? " drawing" : "") << (item.m_nId == 0 ? " new" : "") << "  "
                << std::string(item.m_nLevel * 2u, ' ') << oneLine(item.m_strText);
        }
        out << "\n";
    }
    if (!isOutline)
        out << "not an outline: " << problem << "\n";
}

} // namespace tarnvel
