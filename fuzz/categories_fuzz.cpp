// Arbitrary bytes as a category file. Loading either throws the library's
// exception or gives a table whose slots all read; such a table survives the
// category operations and a save and reload unchanged.
#include "kx_gen/CategoryDB.h"
#include "kx_gen/MemFile.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

using namespace kx_gen;

namespace {

std::string Dump(const CCategoryDB &db)
{
    std::string out;
    for (std::size_t i = 0; i < db.GetSlotCount(); ++i) {
        const CCategoryRecord *r = const_cast<CCategoryDB &>(db).GetSlot(i);
        out += std::to_string(r->GetFlag()) + ':' + std::to_string(r->GetCategoryId()) + ':'
            + r->GetCategoryName().str() + ':' + std::to_string(r->GetLastChangedTime().GetTime())
            + '\n';
    }
    return out + std::to_string(db.GetNextIdCounter()) + (db.isNew() ? "n" : "o");
}

// What Open does after opening a file, on a memory file.
void Load(CCategoryDB &db, MemFile &file)
{
    db.Attach(&file, false);
    db.ReadDbInfo();
    db.CheckDbInfo();
    db.ReadHeaderInfo();
    db.ReadRows();
    db.Detach();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    CCategoryDB::setUnfiledCategoryName("Unfiled");
    std::vector<unsigned char> bytes(data, data + size);
    MemFile input(bytes.data(), static_cast<unsigned>(bytes.size()));
    CCategoryDB db;
    try {
        Load(db, input);
    } catch (CException *e) {
        e->Delete();
        return 0;
    }

    // A loaded table reads without exceptions.
    Dump(db);
    db.GetCategoryCount();
    db.FindCategory("Unfiled");
    db.FindCategory(0);
    try {
        db.AddNewCategory("fuzz");
    } catch (CException *e) {
        if (e->GetStringId() != kMsgMaxCategories && e->GetStringId() != kMsgNoFreeCategoryId)
            std::abort();
        e->Delete();
    }
    try {
        db.setDesktopCategoryIDs();
    } catch (CException *e) {
        if (e->GetStringId() != kMsgNoFreeCategoryId)
            std::abort();
        e->Delete();
    }
    std::string before = Dump(db);

    MemFile output(4096);
    CCategoryDB reloaded;
    try {
        db.Attach(&output, false);
        db.WriteAllHeaders();
        db.WriteRows();
        db.Detach();
    } catch (CException *e) {
        // Only the header table of the input can make a full write fail.
        e->Delete();
        return 0;
    }
    std::vector<unsigned char> saved(static_cast<std::size_t>(output.GetLength()));
    output.SeekToBegin();
    if (!saved.empty())
        output.Read(saved.data(), static_cast<unsigned>(saved.size()));
    MemFile again(saved.data(), static_cast<unsigned>(saved.size()));
    try {
        Load(reloaded, again);
    } catch (CException *e) {
        e->Delete();
        std::abort();
    }
    if (Dump(reloaded) != before)
        std::abort();
    return 0;
}
