// The records of an outline file's rows are made side by side in a few
// allocations, and the rows are read into blocks that are kept for the next
// read once their records are gone. Neither may show: each record lives and
// dies on its own, and a reused block never lets a record see another
// file's bytes.

#include "TempDir.h"

#include "kx_gen/File.h"
#include "kx_gen/Memory.h"
#include "kx_gen/OutlineDB.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

using namespace kx_gen;

namespace {

// An outline of `count` items whose texts start with `prefix`; long texts
// make the rows span several read blocks.
std::string writeOutline(
    const TempDir &dir, const std::string &name, int count, const std::string &prefix)
{
    COutlineDB db;
    db.InitNewDatabase();
    for (int i = 0; i < count; ++i) {
        auto *r = static_cast<COutlineRecord *>(db.GetRecordset()->Append());
        r->SetId(static_cast<std::uint32_t>(i + 1));
        r->SetIndent(static_cast<std::uint8_t>(i % 3));
        r->SetText(_String(prefix + std::to_string(i) + std::string(400, 'x')));
        if (i % 4 == 0)
            r->SetNote(_String("note " + std::to_string(i)));
    }
    const std::string path = dir.file(name);
    db.Open(path.c_str(), CFile::modeCreate | CFile::modeWrite);
    db.WriteAllHeaders();
    db.WriteRows();
    db.Close();
    return path;
}

std::unique_ptr<COutlineDB> read(const std::string &path)
{
    auto db = std::make_unique<COutlineDB>();
    db->Open(path.c_str(), CFile::modeRead | CFile::shareDenyWrite);
    db->ReadRows();
    db->Close();
    return db;
}

void expectItem(const COutlineRecord &r, int i, const std::string &prefix)
{
    EXPECT_EQ(r.GetId(), static_cast<std::uint32_t>(i + 1));
    EXPECT_EQ(r.GetIndent(), i % 3);
    EXPECT_EQ(r.GetText(), _String(prefix + std::to_string(i) + std::string(400, 'x')));
    EXPECT_EQ(r.HasNote(), i % 4 == 0);
}

} // namespace

TEST(RecordSlab, RecordsOutliveTheirDatabaseAndGoInAnyOrder)
{
    TempDir dir;
    constexpr int kCount = 20000;
    const std::string path = writeOutline(dir, "a.kxo", kCount, "a");
    std::vector<CDBRecord *> records;
    {
        auto db = read(path);
        CDBRecordset *set = db->GetRecordset();
        ASSERT_EQ(set->getSize(), std::size_t(kCount));
        for (std::size_t i = 0; i < set->getSize(); ++i)
            records.push_back(set->getRecord(i));
        set->emptyRS();
    }
    // Every third record changes (gets bytes of its own) before the others
    // go, and all go in a random order.
    for (int i = 0; i < kCount; i += 3)
        static_cast<COutlineRecord *>(records[static_cast<std::size_t>(i)])->SetChecked(true);
    std::vector<int> order(kCount);
    for (int i = 0; i < kCount; ++i)
        order[static_cast<std::size_t>(i)] = i;
    std::shuffle(order.begin(), order.end(), std::mt19937(7));
    for (std::size_t k = 0; k < order.size(); ++k) {
        const int i = order[k];
        auto *r = static_cast<COutlineRecord *>(records[static_cast<std::size_t>(i)]);
        if (k % 997 == 0) {
            SCOPED_TRACE(i);
            expectItem(*r, i, "a");
            EXPECT_EQ(r->GetChecked(), i % 3 == 0);
        }
        delete r;
    }
}

TEST(RecordSlab, ACopyOfARecordIsItsOwn)
{
    TempDir dir;
    const std::string path = writeOutline(dir, "a.kxo", 50, "a");
    auto db = read(path);
    auto *r = static_cast<COutlineRecord *>(db->getRecord(10));
    auto copy = std::make_unique<COutlineRecord>(*r);
    COutlineRecord assigned;
    assigned = *r;
    db.reset();
    expectItem(*copy, 10, "a");
    expectItem(assigned, 10, "a");
}

TEST(RecordSlab, AReusedBlockHoldsTheNewFilesRows)
{
    TempDir dir;
    // Both files span several read blocks, so the second read takes blocks
    // the first one's records gave back.
    constexpr int kCount = 30000;
    const std::string first = writeOutline(dir, "a.kxo", kCount, "first ");
    const std::string second = writeOutline(dir, "b.kxo", kCount / 2, "second ");
    read(first).reset();
    auto db = read(second);
    ASSERT_EQ(db->GetRecordset()->getSize(), std::size_t(kCount / 2));
    for (int i = 0; i < kCount / 2; i += 101) {
        SCOPED_TRACE(i);
        expectItem(*db->GetOutlineRecord(static_cast<std::size_t>(i)), i, "second ");
    }
    // A record of the first file kept alive keeps its block from reuse.
    auto again = read(first);
    CDBRecordset *set = again->GetRecordset();
    std::vector<CDBRecord *> all;
    for (std::size_t i = 0; i < set->getSize(); ++i)
        all.push_back(set->getRecord(i));
    set->emptyRS();
    CDBRecord *one = all[12345];
    for (CDBRecord *r : all)
        if (r != one)
            delete r;
    again.reset();
    // Handing the kept memory back leaves alone what a live record uses.
    ReleaseKeptMemory();
    auto third = read(second);
    expectItem(*static_cast<COutlineRecord *>(one), 12345, "first ");
    delete one;
    third.reset();
    ReleaseKeptMemory();
    auto fourth = read(first);
    expectItem(*fourth->GetOutlineRecord(kCount - 1), kCount - 1, "first ");
}
