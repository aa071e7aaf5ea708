// Records read by ReadRows share the bytes of the file's rows: every change
// copies a record's bytes first, so its neighbours never see it, and the
// shared bytes live as long as any record uses them.

#include "ContainerFixtures.h"
#include "TempDir.h"

#include "kx_gen/File.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace kx_gen;
using namespace container_test;

namespace {

std::string bytesOf(const CDBRecord &r)
{
    return std::string(reinterpret_cast<const char *>(r.GetRawDataPtr()), r.GetRecSize());
}

// A file of `count` records: a text, a number and a blob of `blobSize`
// bytes each (a pattern that differs from record to record).
std::string writeFile(const TempDir &dir, const std::string &name, int count,
    std::uint32_t blobSize = 16, std::vector<std::string> *blocks = nullptr)
{
    CSampleDB db(3);
    db.InitNewDatabase();
    db.m_nExtra = 5;
    for (int i = 0; i < count; ++i) {
        CDBRecord *r = db.GetRecordset()->Append();
        _String text;
        text.FormatString("record %d", i);
        KX_TAG_CHECK(r->GetTags().setString(0, text));
        KX_TAG_CHECK(r->GetTags().setUInt32(5, static_cast<std::uint32_t>(i)));
        std::string blob(blobSize, '\0');
        for (std::uint32_t k = 0; k < blobSize; ++k)
            blob[k] = static_cast<char>(k * 7 + static_cast<std::uint32_t>(i));
        KX_TAG_CHECK(r->GetTags().setData(6, blob.data(), blobSize));
        if (blocks)
            blocks->push_back(bytesOf(*r));
    }
    const std::string path = dir.file(name);
    db.Open(path.c_str(), CFile::modeCreate | CFile::modeWrite);
    db.WriteAllHeaders();
    db.WriteRows();
    db.Close();
    return path;
}

std::unique_ptr<CSampleDB> load(const std::string &path)
{
    auto db = std::make_unique<CSampleDB>(3);
    db->Open(path.c_str(), CFile::modeRead | CFile::shareDenyWrite);
    db->ReadRows();
    db->Close();
    return db;
}

std::vector<std::string> blocksOf(CSampleDB &db)
{
    std::vector<std::string> blocks;
    for (std::size_t i = 0; i < db.GetRecordset()->getSize(); ++i)
        blocks.push_back(bytesOf(*db.getRecord(i)));
    return blocks;
}

} // namespace

TEST(SharedRows, EveryChangeCopiesTheRecordAndLeavesItsNeighboursAlone)
{
    TempDir dir;
    const std::string path = writeFile(dir, "a.kxo", 5);
    // Each way of changing a tag block, applied to the middle record of a
    // fresh load.
    const std::vector<std::pair<const char *, std::function<void(CDBRecord &)>>> changes = {
        { "setString", [](CDBRecord &r) { KX_TAG_CHECK(r.GetTags().setString(0, "changed")); } },
        { "setUInt32", [](CDBRecord &r) { KX_TAG_CHECK(r.GetTags().setUInt32(5, 77)); } },
        { "setData same size",
            [](CDBRecord &r) {
                const std::string blob(16, 'x');
                KX_TAG_CHECK(r.GetTags().setData(6, blob.data(), 16));
            } },
        { "deleteData", [](CDBRecord &r) { KX_TAG_CHECK(r.GetTags().deleteData(6)); } },
        { "setTagChanged",
            [](CDBRecord &r) { KX_TAG_CHECK(r.GetTags().setTagChanged(5, false)); } },
        { "SetFlag", [](CDBRecord &r) { r.SetNew(true); } },
        { "write",
            [](CDBRecord &r) {
                const std::uint8_t zeros[4] = {};
                ASSERT_EQ(r.GetTags().write(0, zeros, 4), kTagOK);
            } },
        { "insert", [](CDBRecord &r) { ASSERT_EQ(r.GetTags().insert(0, "abc", 3), kTagOK); } },
        { "erase", [](CDBRecord &r) { ASSERT_EQ(r.GetTags().erase(0, 1), kTagOK); } },
        { "unshare then write through get",
            [](CDBRecord &r) {
                ASSERT_EQ(r.GetTags().unshare(), kTagOK);
                *r.GetTags().get(0) ^= 0xFF;
            } },
    };
    for (const auto &[name, change] : changes) {
        SCOPED_TRACE(name);
        auto db = load(path);
        const std::vector<std::string> before = blocksOf(*db);
        CDBRecord &middle = *db->getRecord(2);
        ASSERT_TRUE(middle.GetTags().isShared());
        change(middle);
        EXPECT_FALSE(middle.GetTags().isShared());
        EXPECT_NE(bytesOf(middle), before[2]);
        for (std::size_t i : { 0u, 1u, 3u, 4u }) {
            EXPECT_TRUE(db->getRecord(i)->GetTags().isShared()) << i;
            EXPECT_EQ(bytesOf(*db->getRecord(i)), before[i]) << i;
        }
    }
}

TEST(SharedRows, ReadsAndUnchangedWritesKeepTheBytesShared)
{
    TempDir dir;
    auto db = load(writeFile(dir, "a.kxo", 3));
    CDBRecord &r = *db->getRecord(1);
    // Marking a tag as it is marked changes nothing, so costs no copy (the
    // file's tags were written with their changed bits set).
    KX_TAG_CHECK(r.GetTags().setTagChanged(5, true));
    KX_TAG_CHECK(r.GetTags().setStringTagChanged(0, true));
    _String text;
    KX_TAG_CHECK(r.GetTags().getString(0, text));
    EXPECT_EQ(text, "record 1");
    EXPECT_TRUE(r.GetTags().isShared());
    // A value taken from the shared bytes themselves can be stored back
    // under another id.
    std::uint32_t size = 0;
    KX_TAG_CHECK(r.GetTags().getTagDataSize(6, size));
    const std::uint8_t *blob = r.GetTags().getDataPtr(6, size);
    ASSERT_TRUE(blob);
    const std::string copy(reinterpret_cast<const char *>(blob), size);
    KX_TAG_CHECK(r.GetTags().setData(7, blob, size));
    std::string stored(size, '\0');
    KX_TAG_CHECK(r.GetTags().getData(7, stored.data(), size));
    EXPECT_EQ(stored, copy);
}

TEST(SharedRows, RowsHoldTheirOpensRowsAndAChangedOneGetsACopyOfItsSize)
{
    TempDir dir;
    const std::string path = writeFile(dir, "a.kxo", 3);
    CSampleDB db(3);
    db.Open(path.c_str(), CFile::modeRead | CFile::shareDenyWrite);
    db.ReadRows();
    db.Close();
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_TRUE(db.getRecord(i)->HoldsRowOf(db.GetOpenSerial())) << i;

    // A change of the same length, as setting a mark is: the copy takes no
    // more than the bytes (rounded to 16), not a whole grow block.
    CDBRecord &r = *db.getRecord(1);
    const std::uint32_t size = r.GetRecSize();
    KX_TAG_CHECK(r.GetTags().setUInt32(5, 77));
    EXPECT_FALSE(r.GetTags().isShared());
    EXPECT_EQ(r.GetRecSize(), size);
    EXPECT_EQ(r.GetTags().capacity(), (size + 15) / 16 * 16);
    EXPECT_FALSE(r.HoldsRowOf(db.GetOpenSerial()));
    EXPECT_TRUE(db.getRecord(0)->HoldsRowOf(db.GetOpenSerial()));
    EXPECT_TRUE(db.getRecord(2)->HoldsRowOf(db.GetOpenSerial()));
    // Growing from there gets the usual room.
    KX_TAG_CHECK(r.GetTags().setString(0, _String("a longer text for record 1")));
    EXPECT_EQ(r.GetTags().capacity() % kMemBlock, 0u);
    EXPECT_GT(r.GetTags().capacity(), r.GetRecSize());
    // A first change that makes the record longer copies it at its new size.
    CDBRecord &g = *db.getRecord(2);
    KX_TAG_CHECK(g.GetTags().setString(0, _String("a longer text for record 2")));
    EXPECT_EQ(g.GetTags().capacity(), (g.GetRecSize() + 15) / 16 * 16);
}

TEST(SharedRows, RecordsOutliveTheirDatabaseAndCopiesAreTheirOwn)
{
    TempDir dir;
    std::vector<std::string> written;
    const std::string path = writeFile(dir, "a.kxo", 4, 16, &written);
    std::vector<std::unique_ptr<CDBRecord>> kept;
    CDBRecord copy;
    {
        auto db = load(path);
        for (std::size_t i = 0; i < 4; ++i)
            kept.emplace_back(db->getRecord(i));
        db->GetRecordset()->emptyRS();
        copy = *kept[1];
        EXPECT_FALSE(copy.GetTags().isShared());
        EXPECT_NE(copy.GetRawDataPtr(), kept[1]->GetRawDataPtr());
    }
    // The database, its recordset and file are gone; the records read on.
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_EQ(bytesOf(*kept[i]), written[i]) << i;
    KX_TAG_CHECK(kept[0]->GetTags().setUInt32(5, 1234));
    EXPECT_EQ(bytesOf(*kept[1]), written[1]);
    EXPECT_EQ(bytesOf(copy), written[1]);

    // Assigning over a shared record lets go of its shared bytes; assigning
    // a shared record gives the target a copy.
    CDBRecord target;
    target = *kept[2];
    kept[2]->FreeData();
    EXPECT_EQ(kept[2]->GetRecSize(), 0u);
    EXPECT_EQ(bytesOf(target), written[2]);
    *kept[3] = copy;
    EXPECT_EQ(bytesOf(*kept[3]), written[1]);
    EXPECT_FALSE(kept[3]->GetTags().isShared());

    // The last shared record lets go of the block when it trims itself.
    kept[1]->resize();
    EXPECT_FALSE(kept[1]->GetTags().isShared());
    EXPECT_EQ(bytesOf(*kept[1]), written[1]);
}

TEST(SharedRows, PurgedAndReloadedRowsKeepTheOthersIntact)
{
    TempDir dir;
    std::vector<std::string> written;
    const std::string path = writeFile(dir, "a.kxo", 6, 16, &written);
    auto db = load(path);
    db->getRecord(1)->SetDeleted(true);
    db->getRecord(4)->SetDeleted(true);
    db->purgeDeletedRecs();
    ASSERT_EQ(db->GetRecordset()->getSize(), 4u);
    const std::size_t survivors[] = { 0, 2, 3, 5 };
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_EQ(bytesOf(*db->getRecord(i)), written[survivors[i]]) << i;

    // Saving over the file the records were read from, then reading it
    // again in the same database, leaves the records' bytes as they were.
    db->Open(path.c_str(), CFile::modeReadWrite);
    db->WriteRows();
    db->Close();
    std::vector<std::unique_ptr<CDBRecord>> old;
    for (std::size_t i = 0; i < 4; ++i)
        old.emplace_back(db->getRecord(i));
    db->GetRecordset()->emptyRS();
    db->Open(path.c_str(), CFile::modeRead);
    db->ReadRows();
    db->Close();
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(bytesOf(*old[i]), written[survivors[i]]) << i;
        EXPECT_EQ(bytesOf(*db->getRecord(i)), written[survivors[i]]) << i;
    }
}

TEST(SharedRows, RowsSpanningSeveralBlocksReadAsRecordByRecord)
{
    TempDir dir;
    // 300 KiB records: rows of several blocks, records that straddle a
    // block's end, and one record larger than a block.
    std::vector<std::string> written;
    const std::string path = writeFile(dir, "big.kxo", 40, 300 * 1024, &written);
    {
        CSampleDB db(3);
        db.Open(path.c_str(), CFile::modeReadWrite);
        db.ReadRows();
        KX_TAG_CHECK(
            db.getRecord(20)->GetTags().setData(6, std::string(6 << 20, 'b').data(), 6 << 20));
        written[20] = bytesOf(*db.getRecord(20));
        db.WriteRows();
        db.Close();
    }
    auto db = load(path);
    ASSERT_EQ(db->GetRecordset()->getSize(), written.size());
    CSampleDB single(3);
    single.Open(path.c_str(), CFile::modeRead);
    for (std::size_t i = 0; i < written.size(); ++i) {
        EXPECT_EQ(bytesOf(*db->getRecord(i)), written[i]) << i;
        CDBRecord r;
        single.ReadRow(db->getRecord(i)->GetPos(), &r);
        EXPECT_EQ(bytesOf(r), written[i]) << i;
        EXPECT_EQ(db->getRecord(i)->GetRowIndex(), i);
    }
    KX_TAG_CHECK(walkTags(db->getRecord(39)->GetTags()));
}

TEST(SharedRows, DamagedRowsGiveTheMessagesOfARecordByRecordRead)
{
    TempDir dir;
    const std::string path = writeFile(dir, "a.kxo", 3);
    const std::string good = dir.read("a.kxo");
    auto db = load(path);
    const std::uint32_t last = db->getRecord(2)->GetPos();
    const std::uint32_t lastLength = db->getRecord(2)->GetRecSize();

    struct Case {
        const char *name;
        std::string bytes;
        unsigned id;
        bool db;
    };
    std::string badStart = good;
    badStart[last] = 'X';
    std::string badEnd = good;
    badEnd[last + 8 + lastLength + 3] = 'X';
    std::string hugeLength = good;
    hugeLength.replace(last + 4, 4, std::string("\xF0\xFF\xFF\xFF", 4));
    std::string shortEnd = good.substr(0, good.size() - 2);
    std::string shortHead = good.substr(0, last + 6);
    const Case cases[] = {
        { "start marker", badStart, kMsgMissingNewRecord, true },
        { "end marker", badEnd, kMsgMissingEndRecord, true },
        { "length past the end", hugeLength, kMsgFileReadError, false },
        { "end marker cut", shortEnd, kMsgFileReadError, false },
        { "length cut", shortHead, kMsgFileReadError, false },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        dir.write("bad.kxo", c.bytes);
        CSampleDB bad(3);
        const Thrown t = thrown([&] { loadAll(bad, dir.file("bad.kxo")); });
        EXPECT_EQ(t.id, c.id);
        EXPECT_EQ(t.db, c.db);
        // The rows before the damaged one were read and stay readable.
        ASSERT_EQ(bad.GetRecordset()->getSize(), 2u);
        EXPECT_EQ(bytesOf(*bad.getRecord(1)), bytesOf(*db->getRecord(1)));
    }
}

TEST(SharedRows, TheStreamEndsAfterTheLastRowEvenWhenTheFileGoesOn)
{
    TempDir dir;
    const std::string path = writeFile(dir, "a.kxo", 3);
    dir.write("tail.kxo", dir.read("a.kxo") + std::string(1000, 'z'));
    CSampleDB db(3);
    db.Open(dir.file("tail.kxo").c_str(), CFile::modeRead);
    db.ReadRows();
    const CDBRecord *last = db.getRecord(2);
    EXPECT_EQ(db.GetFile()->GetPosition(), last->GetPos() + 12u + last->GetRecSize());
    db.Close();
}

TEST(SharedRowsDeathTest, AWriteThatSkipsCopyOnWriteFaultsInsteadOfChangingOtherRecords)
{
    TempDir dir;
    auto db = load(writeFile(dir, "a.kxo", 2));
    CDBRecord &r = *db->getRecord(0);
    EXPECT_DEATH(*r.GetTags().get(0) ^= 0xFF, "");
}

TEST(SharedRows, ACallerSeesEachRowAsItIsReadAndCanStopTheRead)
{
    TempDir dir;
    // Small rows by the thousand: the block is filled a piece at a time, so
    // rows straddle the pieces' ends as well as the blocks'.
    std::vector<std::string> written;
    const std::string path = writeFile(dir, "many.kxo", 20000, 200, &written);
    CSampleDB db(3);
    db.Open(path.c_str(), CFile::modeRead);
    std::vector<const CDBRecord *> seen;
    db.ReadRows([&](CDBRecord &record) {
        // Already in the recordset, at its place.
        ASSERT_EQ(db.GetRecordset()->getSize(), seen.size() + 1);
        EXPECT_EQ(db.getRecord(seen.size()), &record);
        EXPECT_EQ(bytesOf(record), written[seen.size()]);
        seen.push_back(&record);
    });
    db.Close();
    ASSERT_EQ(seen.size(), written.size());
    CSampleDB single(3);
    single.Open(path.c_str(), CFile::modeRead);
    for (std::size_t i = 0; i < written.size(); i += 997) {
        CDBRecord r;
        single.ReadRow(db.getRecord(i)->GetPos(), &r);
        EXPECT_EQ(bytesOf(r), written[i]) << i;
    }
    single.Close();

    // What the caller throws ends the read; the rows read so far stay.
    struct Stop { };
    CSampleDB stopped(3);
    stopped.Open(path.c_str(), CFile::modeRead);
    std::size_t calls = 0;
    EXPECT_THROW(stopped.ReadRows([&](CDBRecord &) {
        if (++calls == 1234)
            throw Stop();
    }),
        Stop);
    ASSERT_EQ(stopped.GetRecordset()->getSize(), 1234u);
    EXPECT_EQ(bytesOf(*stopped.getRecord(1233)), written[1233]);
}

TEST(SharedRows, RowsReadUnindexedAnswerTheirFieldsByWalking)
{
    TempDir dir;
    const std::string path = writeFile(dir, "a.kxo", 50);
    auto indexed = load(path);
    CSampleDB unindexed(3);
    unindexed.Open(path.c_str(), CFile::modeRead);
    unindexed.ReadRows(nullptr, CDatabase::kTagsUnindexed);
    unindexed.Close();
    ASSERT_EQ(unindexed.GetRecordset()->getSize(), 50u);
    for (std::size_t i = 0; i < 50; ++i) {
        const CDBRecord &a = *indexed->getRecord(i);
        const CDBRecord &b = *unindexed.getRecord(i);
        const std::uint16_t *offsets = nullptr;
        const std::uint8_t *ids = nullptr;
        EXPECT_GE(a.GetTags().indexedTags(offsets, ids), 0);
        EXPECT_EQ(b.GetTags().indexedTags(offsets, ids), -1);
        _String textA, textB;
        std::uint32_t valueA = 0, valueB = 1;
        EXPECT_EQ(a.GetTags().getString(0, textA), kTagOK);
        EXPECT_EQ(b.GetTags().getString(0, textB), kTagOK);
        EXPECT_EQ(textA, textB);
        EXPECT_EQ(a.GetTags().getUInt32(5, valueA), kTagOK);
        EXPECT_EQ(b.GetTags().getUInt32(5, valueB), kTagOK);
        EXPECT_EQ(valueA, valueB);
        EXPECT_EQ(bytesOf(a), bytesOf(b));
    }
}
