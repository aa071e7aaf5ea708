#pragma once

// Shared pieces of the outline tests: what a call threw, file bytes, tag
// bytes built by hand, a small drawing, and the outlines behind the golden
// files in tests/corvale/data.

#include "kx_gen/CategoryDB.h"
#include "kx_gen/DibUtil.h"
#include "kx_gen/Exception.h"
#include "kx_gen/File.h"
#include "kx_gen/MemOutlDB.h"
#include "kx_gen/OutlineDB.h"

#include "Thrown.h"

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace outline_test {

using namespace kx_gen;

using corvale_test::Thrown;
using corvale_test::thrown;

inline std::string readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeFile(const std::string &path, const std::string &bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

inline std::string le16(std::uint16_t v)
{
    return std::string { static_cast<char>(v), static_cast<char>(v >> 8) };
}

inline std::string le32(std::uint32_t v)
{
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i)
        s[static_cast<std::size_t>(i)] = static_cast<char>(v >> (8 * i));
    return s;
}

// One tag as it stands in a block: code, version 0, flags, id, length, data.
inline std::string tag(std::uint32_t id, const std::string &data, std::uint32_t flags = 1)
{
    return std::string("\x74\x61\x00", 3) + le32(flags) + le32(id)
        + le32(static_cast<std::uint32_t>(data.size())) + data;
}

inline std::string bytesOf(const CTaggedDataManager &tags)
{
    return std::string(reinterpret_cast<const char *>(tags.get(0)), tags.size());
}

// The program sets the unfiled name at start-up; every test works with it.
struct UnfiledName {
    UnfiledName() { CCategoryDB::setUnfiledCategoryName("Unfiled"); }
};

// Save as a new file: the whole table, every header block and every row.
inline void writeNew(CDatabase &db, const std::string &path)
{
    db.Open(path.c_str(), CFile::modeCreate | CFile::modeWrite);
    db.WriteAllHeaders();
    db.WriteRows();
    db.Close();
}

// Load as the program does.
inline void load(COutlineDB &db, const std::string &path)
{
    db.Open(path.c_str(), CFile::modeRead | CFile::shareDenyWrite);
    db.ReadSharedHeader();
    db.ReadPrivateHeader();
    db.ReadRows();
    db.Close();
}

// A 16 x 8 DIB of 16 colours with a pattern of every colour.
inline HMEM makeDrawing()
{
    HMEM dib = CreateDIB(16, 8, 4);
    auto *header = static_cast<std::uint8_t *>(MemGetPtr(dib));
    auto *colours = header + 40;
    for (int i = 0; i < 16; ++i) {
        colours[i * 4 + 0] = static_cast<std::uint8_t>(i * 16);
        colours[i * 4 + 1] = static_cast<std::uint8_t>(255 - i * 16);
        colours[i * 4 + 2] = static_cast<std::uint8_t>(i * 8);
        colours[i * 4 + 3] = 0;
    }
    std::uint8_t *bits = FindDIBBits(header);
    const std::uint32_t stride = DIBWidthBytes(16, 4);
    for (std::uint32_t y = 0; y < 8; ++y)
        for (std::uint32_t x = 0; x < 8; ++x)
            bits[y * stride + x] = static_cast<std::uint8_t>(((x + y) % 16) << 4 | ((x * y) % 16));
    MemReleasePtr(dib);
    return dib;
}

inline COutlineRecord *addItem(
    COutlineDB &db, std::uint8_t level, const char *text, std::uint32_t id = 0)
{
    auto *record = static_cast<COutlineRecord *>(db.GetRecordset()->Append());
    record->SetIndent(level);
    record->SetText(text);
    record->SetId(id);
    return record;
}

// --- The golden files -----------------------------------------------------

// A new outline written at once without records: the 1313 bytes.
inline void buildEmptyOutline(COutlineDB &db)
{
    db.InitNewDatabase();
}

// What `corvale new` writes for a template: one empty, new item.
inline void buildTemplate(COutlineDB &db)
{
    db.InitNewDatabase();
    db.SetOutlineTitle("Weekly review");
    db.GetRecordset()->Append()->SetNew(true);
}

// An outline with every kind of field: levels, paragraphs, notes, checks,
// a drawing, ids, deleted ids, Windows-1252 text, and headers set as the
// program sets them.
inline void buildSampleOutline(COutlineDB &db)
{
    db.InitNewDatabase();
    db.SetOutlineTitle("Groceries & plans");
    db.SetCategoryName("Home");
    const std::uint8_t numbering[10] = { 1, 2, 3, 0, 0, 0, 0, 0, 0, 0 };
    db.setNumbering(numbering);
    db.setNumberingDivider(0x2E2E);
    LOGFONT font;
    font.lfHeight = -13;
    font.lfWeight = 400;
    font.lfCharSet = 0;
    font.lfPitchAndFamily = 0x22;
    std::snprintf(font.lfFaceName, sizeof font.lfFaceName, "%s", "Arial");
    db.SetOutlineFont(font, RGB(0x10, 0x20, 0x30));
    WINDOWPLACEMENT placement;
    placement.showCmd = 1;
    placement.rcNormalPosition = { 10, 20, 610, 420 };
    db.SetOutlineWindowPos(placement);
    db.SetSelectedIndex(2);
    db.SetTopIndex(1);

    addItem(db, 0, "Shopping", 101);
    addItem(db, 1, "Milk", 102)->SetChecked(true);
    addItem(db, 1, "Bread\nwholemeal", 103)->SetNote("From the bakery on the corner");
    COutlineRecord *holiday = addItem(db, 0, "Holiday");
    HMEM dib = makeDrawing();
    holiday->SetDrawing(dib);
    MemFree(dib);
    holiday->SetExpanded(false);
    addItem(db, 1, "Book flights")->SetNote("Compare prices\nWindow seat");
    addItem(db, 2, "Caf\xe9 \xfc\x62\x65r \x80 5");
    for (std::size_t i = 0; i < db.GetRecordset()->getSize(); ++i) {
        COutlineRecord *r = db.GetOutlineRecord(i);
        if (r->GetId() == 0)
            r->SetNew(true);
        else
            r->SetChanged(i == 1);
    }
    db.AddDeletedId(7);
    db.AddDeletedId(9);
}

// An outline of an older program: the shared header table entry and block
// are 300 bytes.
class COldOutlineDB : public COutlineDB {
public:
    COldOutlineDB() { m_headerManager.RegisterHeader({ kSharedHeaderID, 300 }, new CSharedHeader); }
};

inline void buildOldOutline(COutlineDB &db)
{
    db.InitNewDatabase();
    db.SetOutlineTitle("Old outline");
    addItem(db, 0, "First", 5);
    addItem(db, 1, "Second", 6)->SetNote("kept through the upgrade");
    db.AddDeletedId(4);
}

// A memory outline of linked records.
inline void buildMemoryOutline(CMemOutlDB &db)
{
    for (std::uint32_t i = 1; i <= 3; ++i) {
        auto *r = static_cast<CLinkedOutlRec *>(db.GetRecordset()->Append());
        r->SetIndent(static_cast<std::uint8_t>(i - 1));
        _String text;
        text.FormatString("linked %u", i);
        r->SetText(text);
        r->setInternalId(i);
        r->setParentId(i - 1);
    }
}

inline void writeMemoryOutline(CMemOutlDB &db, const std::string &path)
{
    db.CFileStream::Open(path.c_str(), CFile::modeCreate | CFile::modeWrite);
    db.WriteRows();
    db.Close();
}

// A category table with fixed times.
inline void buildCategories(CCategoryDB &db)
{
    db.InitNewDatabase();
    db.GetSlot(0)->SetLastChangedTime(CTime(1000000000));
    db.AddNewCategory("Home", nullptr)->SetLastChangedTime(CTime(1000000100));
    db.AddNewCategory("Work", nullptr)->SetLastChangedTime(CTime(1000000200));
}

} // namespace outline_test
