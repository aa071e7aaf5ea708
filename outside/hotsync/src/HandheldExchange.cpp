#include "HandheldExchange.h"

#include "kx_gen/CategoryDB.h"
#include "kx_gen/CategoryRecord.h"
#include "kx_gen/DBRecordset.h"
#include "kx_gen/Exception.h"
#include "kx_gen/File.h"
#include "kx_gen/OutlineDB.h"
#include "kx_gen/OutlineRecord.h"
#include "kx_gen/PathUtils.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <stdexcept>

namespace hotsync {

using namespace kx_gen;

namespace {

constexpr char kCategoryFileName[] = "categories.dat";
constexpr char kFilingCabinetName[] = "Folder.kxo";
// Ids of categories that the handheld makes; the desktop's start at 129.
constexpr std::uint32_t kFirstHandheldCategoryId = 1;
constexpr std::uint32_t kLastHandheldCategoryId = 127;

std::string CategoryPath(const std::string &folder)
{
    return JoinPath(folder.c_str(), kCategoryFileName).str();
}

void LoadCategories(CCategoryDB &db, const std::string &path)
{
    if (IsFileExist(path.c_str()))
        db.LoadFile(path.c_str());
    else
        db.CreateFile(path.c_str());
}

std::uint32_t FreeHandheldId(CCategoryDB &db)
{
    for (std::uint32_t id = kFirstHandheldCategoryId; id <= kLastHandheldCategoryId; ++id)
        if (!db.FindCategory(id))
            return id;
    throw std::runtime_error("the category file has no free handheld id");
}

// Adds `name` to the open table unless it is there; true when added.
bool AddToTable(CCategoryDB &db, const std::string &name)
{
    if (name.empty() || db.FindCategory(name.c_str()))
        return false;
    if (name == CCategoryDB::getUnfiledCategoryName().str())
        return false;
    CCategoryRecord *record = db.AddNewCategory(FreeHandheldId(db), name.c_str());
    record->ClearChanges();
    return true;
}

void ReadOutline(COutlineDB &db, const std::string &path)
{
    db.Open(path.c_str(), CFile::modeRead | CFile::shareDenyWrite);
    db.ReadSharedHeader();
    db.ReadPrivateHeader();
    db.ReadRows();
    db.Close();
}

// Writes `db` to `path` through a file beside it that replaces the old one
// only when complete.
void WriteOutline(COutlineDB &db, const std::string &path)
{
    const std::string part = path + ".hotsync-part";
    try {
        db.Open(part.c_str(), CFile::modeCreate | CFile::modeWrite);
        db.WriteAllHeaders();
        db.WriteRows();
        db.Close();
    } catch (...) {
        std::remove(part.c_str());
        throw;
    }
    std::error_code error;
    std::filesystem::rename(part, path, error);
    if (error) {
        std::remove(part.c_str());
        throw std::runtime_error(path + " could not be replaced: " + error.message());
    }
}

std::uint32_t HighestId(COutlineDB &db)
{
    std::uint32_t highest = 0;
    CDBRecordset *records = db.GetRecordset();
    for (std::size_t i = 0; i < records->getSize(); ++i)
        highest = std::max(highest, db.GetOutlineRecord(i)->GetId());
    return highest;
}

std::string FindOutline(const std::string &folder, const std::string &name)
{
    std::string file = name;
    if (GetFileExt(file.c_str()).IsEmpty())
        file += ".kxo";
    const std::string direct = JoinPath(folder.c_str(), file.c_str()).str();
    if (IsFileExist(direct.c_str()))
        return direct;
    // Else an outline whose title it is.
    std::error_code error;
    for (const auto &entry : std::filesystem::directory_iterator(folder, error)) {
        if (!entry.is_regular_file() || entry.path().extension() != ".kxo")
            continue;
        COutlineDB db;
        try {
            ReadOutline(db, entry.path().string());
        } catch (CException *e) {
            ExceptionHolder owned(e);
            continue;
        }
        if (db.GetOutlineTitle().str() == name)
            return entry.path().string();
    }
    throw std::runtime_error("there is no outline \"" + name + "\" in " + folder);
}

} // namespace

bool AddCategory(const std::string &folder, const std::string &name)
{
    CCategoryDB db;
    const std::string path = CategoryPath(folder);
    LoadCategories(db, path);
    if (!AddToTable(db, name))
        return false;
    db.SaveFile(path.c_str());
    return true;
}

std::string AddOutline(const std::string &folder, const std::string &title,
    const std::string &category, const std::vector<std::string> &items)
{
    if (!category.empty())
        AddCategory(folder, category);
    _String fileTitle(title.c_str());
    ValidateFileTitle(fileTitle);
    const std::string path
        = GetValidFileName(JoinPath(folder.c_str(), (fileTitle + ".kxo").c_str()).c_str()).str();
    COutlineDB db;
    db.InitNewDatabase();
    db.SetOutlineTitle(title.c_str());
    db.SetCategoryName(category.empty() ? CCategoryDB::getUnfiledCategoryName() : _String(category.c_str()));
    std::uint32_t id = 0;
    for (const std::string &text : items) {
        auto *record = static_cast<COutlineRecord *>(db.GetRecordset()->Append());
        record->SetId(++id);
        record->SetIndent(0);
        record->SetText(text.c_str());
        record->ClearChanges();
    }
    db.SetSynchronized(true);
    db.SetOutlineChanged(false);
    db.SetCategoryChanged(false);
    if (IsFileExist(path.c_str()))
        throw std::runtime_error(path + " exists already");
    WriteOutline(db, path);
    return path;
}

std::string ChangeItem(
    const std::string &folder, const std::string &name, int number, const std::string &text)
{
    const std::string path = FindOutline(folder, name);
    COutlineDB db;
    ReadOutline(db, path);
    const std::size_t count = db.GetRecordset()->getSize();
    if (number < 1 || static_cast<std::size_t>(number) > count)
        throw std::runtime_error(path + " has no item " + std::to_string(number) + " (it has "
            + std::to_string(count) + ")");
    COutlineRecord *record = db.GetOutlineRecord(static_cast<std::size_t>(number - 1));
    record->SetText(text.c_str());
    if (record->GetId() == 0)
        record->SetId(HighestId(db) + 1);
    record->ClearChanges();
    WriteOutline(db, path);
    return path;
}

int MarkSynchronized(const std::string &folder)
{
    int outlines = 0;
    std::error_code error;
    for (const auto &entry : std::filesystem::directory_iterator(folder, error)) {
        if (!entry.is_regular_file() || entry.path().extension() != ".kxo"
            || entry.path().filename() == kFilingCabinetName)
            continue;
        const std::string path = entry.path().string();
        COutlineDB db;
        ReadOutline(db, path);
        // New items get ids above every id the outline ever used, the
        // deleted ones included, as the handheld never reuses an id.
        std::uint32_t next = HighestId(db);
        for (std::uint32_t id : db.GetDeletedQuibs().GetIds())
            next = std::max(next, id);
        db.purgeDeletedRecs();
        db.GetDeletedQuibs().RemoveAll();
        CDBRecordset *records = db.GetRecordset();
        for (std::size_t i = 0; i < records->getSize(); ++i) {
            COutlineRecord *record = db.GetOutlineRecord(i);
            if (record->GetId() == 0)
                record->SetId(++next);
            record->ClearChanges();
            record->SetSortChanged(false);
        }
        db.SetSynchronized(true);
        db.SetOutlineChanged(false);
        db.SetCategoryChanged(false);
        db.SetPrivateTagChanged(false);
        db.setNumberingChanged(false);
        db.setNumberingDividerChanged(false);
        WriteOutline(db, path);
        ++outlines;
    }
    if (error)
        throw std::runtime_error(folder + " cannot be read: " + error.message());
    const std::string categories = CategoryPath(folder);
    if (IsFileExist(categories.c_str())) {
        CCategoryDB db;
        db.LoadFile(categories.c_str());
        for (std::size_t slot = 0; slot < db.GetSlotCount(); ++slot)
            db.GetSlot(slot)->ClearChanges();
        db.setNewFlag(false);
        db.SaveFile(categories.c_str());
    }
    return outlines;
}

} // namespace hotsync
