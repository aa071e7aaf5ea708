#pragma once

// The outline behind the tests: a small tree with every field the handheld
// keeps (levels, checks, collapsed items, notes, a drawing, handheld ids and
// new items, status bits, category, numbering, deleted ids), written as an
// outline file, plus whole-file helpers and a field-by-field dump of an
// outline file for comparisons.

#include "kx_gen/CategoryDB.h"
#include "kx_gen/DibUtil.h"
#include "kx_gen/File.h"
#include "kx_gen/Memory.h"
#include "kx_gen/OutlineDB.h"

#include "../support/PalmDesktopTestSupport.h"

#include <cstdint>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>

#include <utime.h>

namespace tarnveltest {

using namespace kx_gen;
using vellacortest::CTempFolder;
using vellacortest::ReadFile;

// The database dates of the golden files: 2024-05-01 12:00:00 UTC.
constexpr std::time_t kSampleTime = 1714564800;

inline void WriteBytes(const std::string &path, const std::string &bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

inline void SetFileTime(const std::string &path, std::time_t when)
{
    struct utimbuf times {
        when, when
    };
    ::utime(path.c_str(), &times);
}

// A 12 x 6 drawing with 16 colours and a pattern in every row.
inline HMEM MakeDrawing()
{
    HMEM dib = CreateDIB(12, 6, 4);
    auto *header = static_cast<std::uint8_t *>(MemGetPtr(dib));
    for (int i = 0; i < 16; ++i) {
        header[40 + i * 4] = static_cast<std::uint8_t>(i * 16);
        header[41 + i * 4] = static_cast<std::uint8_t>(255 - i * 16);
        header[42 + i * 4] = static_cast<std::uint8_t>(i * 8);
    }
    std::uint8_t *bits = FindDIBBits(header);
    const std::uint32_t stride = DIBWidthBytes(12, 4);
    for (std::uint32_t y = 0; y < 6; ++y)
        for (std::uint32_t x = 0; x < 6; ++x)
            bits[y * stride + x]
                = static_cast<std::uint8_t>(((x + y) % 16) << 4 | ((x * y + 3) % 16));
    MemReleasePtr(dib);
    return dib;
}

inline COutlineRecord *AddItem(
    COutlineDB &db, std::uint8_t level, const char *text, std::uint32_t id)
{
    auto *record = static_cast<COutlineRecord *>(db.GetRecordset()->Append());
    record->SetIndent(level);
    record->SetText(text);
    record->SetId(id);
    return record;
}

// Writes the sample outline to `path`.
inline void WriteSampleOutline(const std::string &path, const char *category = "Work")
{
    CCategoryDB::setUnfiledCategoryName("Unfiled");
    COutlineDB db;
    db.InitNewDatabase();
    db.SetCategoryName(category);
    db.SetOutlineTitle("Garden plan");
    db.SetPrivate(true);
    const std::uint8_t numbering[10] = { 1, 2, 3, 0, 0, 0, 0, 0, 0, 4 };
    db.setNumbering(numbering);
    db.setNumberingDivider(0x2E2E);
    db.SetShowHeadingsMode(3);
    db.SetShowCheckedItems(false);
    LOGFONT font;
    font.lfHeight = -13;
    font.lfWeight = 700;
    font.lfItalic = 1;
    std::strcpy(font.lfFaceName, "DejaVu Sans");
    db.SetOutlineFont(font, 0x00204080);
    db.AddDeletedId(0x000401);
    db.AddDeletedId(0x000777);

    COutlineRecord *spring = AddItem(db, 0, "Spring\r\nsecond paragraph", 0x00A001);
    spring->SetNote("Order seeds\r\nby March");
    spring->ClearChanges();
    COutlineRecord *beans = AddItem(db, 1, "Beans", 0x00A002);
    beans->SetChecked(true);
    beans->SetExpanded(false);
    beans->SetChanged(true);
    COutlineRecord *sketch = AddItem(db, 2, "Bed layout \xE9t\xE9", 0);
    MemHolder drawing(MakeDrawing());
    sketch->SetDrawing(drawing.get());
    sketch->SetNew(true);
    COutlineRecord *empty = AddItem(db, 2, "", 0);
    empty->SetNote("");
    COutlineRecord *old = AddItem(db, 1, "Gone", 0x00A003);
    old->SetDeleted(true);
    old->SetSortChanged(true);
    AddItem(db, 0, "Autumn", 0x00A010);

    db.Open(path.c_str(), CFile::modeCreate | CFile::modeWrite);
    db.WriteAllHeaders();
    db.WriteRows();
    db.Close();
}

inline bool TagChanged(const COutlineRecord &record, std::uint32_t id)
{
    bool changed = false;
    return record.GetTags().getTagChanged(id, changed) == 0 && changed;
}

// Every field of an outline file, one line each, for comparisons whose
// failures say what differs.
inline std::string DumpOutlineFile(const std::string &path)
{
    COutlineDB db;
    db.OpenWithoutUpgrade(path.c_str(), CFile::modeRead, nullptr);
    db.ReadSharedHeader();
    db.ReadPrivateHeader();
    db.ReadRows();
    db.Close();
    std::ostringstream out;
    std::uint8_t numbering[10] = {};
    db.getNumbering(numbering);
    out << "title " << db.GetOutlineTitle().str() << "\ncategory " << db.GetCategoryName().str()
        << (db.GetCategoryChanged() ? " changed" : "") << "\nmatch " << db.GetPalmMatchName().str()
        << "\nprivate " << db.GetPrivate() << db.GetPrivateTagChanged() << " changed "
        << db.GetOutlineChanged() << " synced " << db.GetSynchronized() << "\nnumbering";
    for (std::uint8_t n : numbering)
        out << ' ' << int(n);
    out << " changed " << db.getNumberingChanged() << " divider " << db.getNumberingDivider()
        << db.getNumberingDividerChanged() << "\nshow checked " << db.GetShowCheckedItems()
        << db.ShowCheckedItemsChanged() << " headings " << int(db.GetShowHeadingsMode()) << "\n";
    LOGFONT font;
    COLORREF colour = 0;
    db.GetOutlineFont(font, colour);
    out << "font " << font.lfHeight << ' ' << font.lfWeight << ' ' << int(font.lfItalic) << ' '
        << font.lfFaceName << ' ' << colour << "\ndeleted";
    for (std::uint32_t id : db.GetDeletedQuibs().GetIds())
        out << ' ' << id;
    out << "\n";
    for (std::size_t i = 0; i < db.GetRecordset()->getSize(); ++i) {
        const COutlineRecord &r = *db.GetOutlineRecord(i);
        bool hasNote = false;
        r.GetTags().hasStringTag(COutlineRecord::kNoteString, hasNote);
        std::uint32_t drawingSize = 0;
        const std::uint8_t *drawing = r.GetDrawingData(drawingSize);
        out << "item " << r.GetId() << " level " << int(r.GetIndent()) << " status "
            << int(r.GetFlag()) << " sort " << r.IsSortChanged() << " checked " << r.GetChecked()
            << " expanded " << r.GetExpanded() << " text [" << r.GetText().str() << "] note "
            << (hasNote ? "[" + r.GetNote().str() + "]" : "none") << " drawing "
            << (drawing ? std::string(reinterpret_cast<const char *>(drawing), drawingSize).size()
                        : 0u)
            << " hash "
            << std::hash<std::string> {}(
                   drawing ? std::string(reinterpret_cast<const char *>(drawing), drawingSize) : "")
            << " changed";
        for (std::uint32_t tag :
            { COutlineRecord::kIndentTag, kStringTagIDCode + COutlineRecord::kTextString,
                kStringTagIDCode + COutlineRecord::kNoteString, COutlineRecord::kExpandedTag,
                COutlineRecord::kCheckedTag, COutlineRecord::kDrawingTag })
            out << ' ' << TagChanged(r, tag);
        out << "\n";
    }
    return out.str();
}

} // namespace tarnveltest
