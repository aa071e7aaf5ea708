// Arbitrary bytes as an outline file. Loading reads what the program reads
// (the db info, the header table, headers 1 to 3, the deleted ids and every
// record) and then every field of every record, every string and every
// drawing. A file with headers smaller than today's is read as the in-place
// upgrade reads it. Anything wrong must come out as the library's exception;
// and an outline that loads must write and load back unchanged.

#include "kx_gen/CategoryDB.h"
#include "kx_gen/MemFile.h"
#include "kx_gen/OutlineDB.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

using namespace kx_gen;

namespace {

// What opening reads, on a memory file; true when the headers would be
// enlarged in place.
bool Load(COutlineDB &db, MemFile &file)
{
    bool upgrade = false;
    db.Attach(&file, false);
    db.ReadDbInfo();
    db.CheckDbInfo();
    try {
        db.ReadHeaderInfo();
    } catch (CException *e) {
        if (e->GetErrorNumber() != kHeaderSizeChangedError)
            throw;
        e->Delete();
        upgrade = true;
        db.SetReportSizeProblem(false);
        db.ReadHeaderInfo();
    }
    db.ReadConduitHeader();
    db.ReadPrivateHeader();
    db.ReadSharedHeader();
    db.ReadRows();
    db.Detach();
    return upgrade;
}

template <typename F> void Tolerate(F f)
{
    try {
        f();
    } catch (CException *e) {
        // A field missing from a damaged file, or a damaged tag block.
        const unsigned id = e->GetStringId();
        e->Delete();
        if (id != kMsgDataCorruption && id != kMsgDataClassNotFound && id != kMsgDataBufferOverflow)
            std::abort();
    }
}

void ReadEverything(COutlineDB &db)
{
    Tolerate([&] {
        db.GetCategoryName();
        db.GetPalmMatchName();
        db.GetOutlineChanged();
        db.GetSynchronized();
        db.GetPrivate();
        db.GetCategoryChanged();
        std::uint8_t numbering[10];
        db.getNumbering(numbering);
        db.getNumberingDivider();
    });
    Tolerate([&] {
        db.GetOutlineTitle();
        db.GetShowCheckedItems();
        db.GetSelectedIndex();
        db.GetTopIndex();
        db.GetShowHeadingsMode();
        LOGFONT font;
        COLORREF colour;
        db.GetOutlineFont(font, colour);
        WINDOWPLACEMENT placement;
        db.GetOutlineWindowPos(placement);
    });
    for (std::size_t i = 0; i < db.GetRecordset()->getSize(); ++i) {
        const COutlineRecord *r = db.GetOutlineRecord(i);
        Tolerate([&] {
            r->GetFlag();
            r->IsSortChanged();
            r->GetId();
            r->GetIndent();
            r->GetText();
            r->GetExpanded();
            r->GetChecked();
        });
        Tolerate([&] {
            if (r->HasNote())
                r->GetNote();
        });
        std::uint32_t width = 0, height = 0;
        r->GetDrawingSize(width, height);
        if (r->HasDrawing())
            MemFree(r->GetDrawing());
    }
}

std::string Snapshot(const COutlineDB &db)
{
    std::string out;
    for (std::uint16_t id : { 1, 2, 3 }) {
        const CTaggedDataHeader *h = db.GetHeaderManager().GetHeaderPtr(id);
        if (h->GetDataSize())
            out.append(reinterpret_cast<const char *>(h->GetRawDataPtr()), h->GetDataSize());
        out += '|';
    }
    for (std::uint32_t id : db.GetDeletedQuibs().GetIds())
        out += std::to_string(id) + ',';
    out += '|';
    COutlineDB &mutableDb = const_cast<COutlineDB &>(db);
    for (std::size_t i = 0; i < mutableDb.GetRecordset()->getSize(); ++i) {
        const CDBRecord *r = mutableDb.getRecord(i);
        if (r->GetRecSize())
            out.append(reinterpret_cast<const char *>(r->GetRawDataPtr()), r->GetRecSize());
        out += '|';
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    CCategoryDB::setUnfiledCategoryName("Unfiled");
    std::vector<unsigned char> bytes(data, data + size);
    MemFile input(bytes.data(), static_cast<unsigned>(bytes.size()));
    COutlineDB db;
    bool upgrade = false;
    try {
        upgrade = Load(db, input);
    } catch (CException *e) {
        e->Delete();
        return 0;
    }
    ReadEverything(db);

    // Write it as a save into a new file writes it (with the headers
    // enlarged, as the upgrade does), then load that back.
    const std::string before = Snapshot(db);
    MemFile output(4096);
    try {
        if (upgrade)
            db.GetHeaderManager().ResizeHeaders();
        db.Attach(&output, false);
        db.WriteAllHeaders();
        db.WriteRows();
        db.Detach();
    } catch (CException *e) {
        // Headers that grew past their block while missing fields were
        // added cannot be written: the library refuses with its message.
        const unsigned id = e->GetStringId();
        e->Delete();
        if (id != kMsgHeaderSizeLess)
            std::abort();
        return 0;
    }
    std::vector<unsigned char> saved(static_cast<std::size_t>(output.GetLength()));
    output.SeekToBegin();
    if (!saved.empty())
        output.Read(saved.data(), static_cast<unsigned>(saved.size()));
    MemFile again(saved.data(), static_cast<unsigned>(saved.size()));
    COutlineDB reloaded;
    try {
        if (Load(reloaded, again))
            std::abort(); // written at today's sizes
    } catch (CException *e) {
        e->Delete();
        std::abort();
    }
    if (Snapshot(reloaded) != before)
        std::abort();
    return 0;
}
