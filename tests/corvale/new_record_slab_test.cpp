// A recordset that is being built (Append and the inserts into a list that
// has lost nothing since it was empty) makes its records, after the first
// few, side by side in slabs, each with its first tag block right after it
// in storage the slab lends. None of it may show: the records hold the
// bytes that records made one by one hold, their tags grow and shrink
// without touching a neighbour, and each lives, changes and dies on its
// own, also after its recordset or database has gone.

#include "TempDir.h"

#include "kx_gen/File.h"
#include "kx_gen/OutlineDB.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

using namespace kx_gen;

namespace {

std::string textOf(int i, int round = 0)
{
    return "item " + std::to_string(i) + "/" + std::to_string(round)
        + std::string(static_cast<std::size_t>((i * 37 + round * 11) % 260), 't');
}

std::string noteOf(int i)
{
    return "note " + std::to_string(i) + std::string(static_cast<std::size_t>(i % 90), 'n');
}

std::vector<std::uint8_t> drawingOf(int i)
{
    return std::vector<std::uint8_t>(
        static_cast<std::size_t>(600 + i % 700), static_cast<std::uint8_t>(i));
}

// Item i's fields, set one by one as a program building an outline does.
void fill(COutlineRecord &r, int i)
{
    r.SetId(static_cast<std::uint32_t>(i + 1));
    r.SetIndent(static_cast<std::uint8_t>(i % 7));
    r.SetText(_String(textOf(i)));
    if (i % 9 == 4)
        r.SetNote(_String(noteOf(i)));
    r.SetChecked(i % 3 == 0);
    if (i % 50 == 7) {
        const std::vector<std::uint8_t> drawing = drawingOf(i);
        r.SetDrawingData(drawing.data(), static_cast<std::uint32_t>(drawing.size()));
    }
    r.SetNew(true);
}

void expectItem(const COutlineRecord &r, int i, const std::string &text)
{
    SCOPED_TRACE(i);
    EXPECT_EQ(r.GetId(), static_cast<std::uint32_t>(i + 1));
    EXPECT_EQ(r.GetIndent(), i % 7);
    EXPECT_EQ(r.GetText(), _String(text));
    EXPECT_EQ(r.HasNote(), i % 9 == 4);
    if (i % 9 == 4) {
        EXPECT_EQ(r.GetNote(), _String(noteOf(i)));
    }
    EXPECT_EQ(r.GetChecked(), i % 3 == 0);
    EXPECT_TRUE(r.IsNew());
    std::uint32_t size = 0;
    const std::uint8_t *drawing = r.GetDrawingData(size);
    if (i % 50 == 7) {
        const std::vector<std::uint8_t> expected = drawingOf(i);
        ASSERT_NE(drawing, nullptr);
        EXPECT_EQ(std::vector<std::uint8_t>(drawing, drawing + size), expected);
    } else {
        EXPECT_EQ(drawing, nullptr);
    }
}

std::string write(const TempDir &dir, const std::string &name, COutlineDB &db)
{
    const std::string path = dir.file(name);
    db.Open(path.c_str(), CFile::modeCreate | CFile::modeWrite);
    db.WriteAllHeaders();
    db.WriteRows();
    db.Close();
    return dir.read(name);
}

// Appends `count` items to the database's recordset; their records.
std::vector<COutlineRecord *> build(COutlineDB &db, int count)
{
    std::vector<COutlineRecord *> records;
    for (int i = 0; i < count; ++i) {
        auto *r = static_cast<COutlineRecord *>(db.GetRecordset()->Append());
        fill(*r, i);
        records.push_back(r);
    }
    return records;
}

} // namespace

TEST(NewRecordSlab, BuiltRecordsHoldTheBytesOfRecordsMadeOneByOne)
{
    TempDir dir;
    // Enough items for several slabs, some inserted in the middle, and the
    // same items made by CreateDBRecord and added in the same order.
    constexpr int kCount = 12000;
    COutlineDB built;
    built.InitNewDatabase();
    CDBRecordset *records = built.GetRecordset();
    std::vector<int> order;
    for (int i = 0; i < kCount; ++i) {
        CDBRecord *r = nullptr;
        if (i % 7 == 3) {
            const std::size_t at = order.size() / 2;
            r = i % 2 ? records->InsertBefore(records->getRecord(at))
                      : records->InsertAfter(records->getRecord(at));
            order.insert(order.begin() + static_cast<std::ptrdiff_t>(at + (i % 2 ? 0 : 1)), i);
        } else {
            r = records->Append();
            order.push_back(i);
        }
        fill(*static_cast<COutlineRecord *>(r), i);
    }
    ASSERT_EQ(records->getSize(), order.size());
    for (std::size_t k = 0; k < order.size(); k += 101)
        expectItem(*built.GetOutlineRecord(k), order[k], textOf(order[k]));

    COutlineDB oneByOne;
    oneByOne.InitNewDatabase();
    for (int i : order) {
        std::unique_ptr<CDBRecord> r(oneByOne.GetRecordset()->CreateDBRecord());
        fill(*static_cast<COutlineRecord *>(r.get()), i);
        oneByOne.GetRecordset()->add(r.release());
    }
    EXPECT_EQ(write(dir, "built.kxo", built), write(dir, "one-by-one.kxo", oneByOne));
}

TEST(NewRecordSlab, TagsGrowShrinkAndMoveWithoutTouchingTheirNeighbours)
{
    COutlineDB db;
    db.InitNewDatabase();
    constexpr int kCount = 6000;
    std::vector<COutlineRecord *> records = build(db, kCount);
    std::vector<std::string> texts;
    for (int i = 0; i < kCount; ++i)
        texts.push_back(textOf(i));

    // The last record made has nothing after it: its tags grow where they
    // are, a little at a time and then by far more than a slab holds.
    COutlineRecord &last = *records.back();
    for (int round = 1; round < 40; ++round) {
        texts.back()
            = textOf(kCount - 1, round) + std::string(static_cast<std::size_t>(round) * 50, 'g');
        last.SetText(_String(texts.back()));
    }
    texts.back() = std::string(3 * 1024 * 1024, 'L');
    last.SetText(_String(texts.back()));

    // Earlier records have neighbours after them: growing moves their tags
    // out, shrinking keeps them in place, and trimming changes nothing.
    for (int i = 0; i < kCount - 1; ++i) {
        COutlineRecord &r = *records[static_cast<std::size_t>(i)];
        if (i % 5 == 0)
            texts[static_cast<std::size_t>(i)] = textOf(i, 1) + std::string(900, 'x');
        else if (i % 5 == 1)
            texts[static_cast<std::size_t>(i)] = "s" + std::to_string(i);
        else
            continue;
        r.SetText(_String(texts[static_cast<std::size_t>(i)]));
        if (i % 10 == 1)
            r.resize();
    }
    for (int i = 0; i < kCount; ++i)
        expectItem(*records[static_cast<std::size_t>(i)], i, texts[static_cast<std::size_t>(i)]);

    // A record whose tags were let go gets a block of its own for new ones.
    COutlineRecord &freed = *records[17];
    freed.FreeData();
    EXPECT_EQ(freed.GetRecSize(), 0u);
    EXPECT_EQ(freed.GetRawDataPtr(), nullptr);
    freed.Init();
    freed.SetFlag(0);
    freed.SetText(_String("again"));
    EXPECT_EQ(freed.GetText(), _String("again"));
    expectItem(*records[16], 16, texts[16]);
    expectItem(*records[18], 18, texts[18]);
}

TEST(NewRecordSlab, RecordsOutliveTheirDatabaseAndCopiesAreTheirOwn)
{
    constexpr int kCount = 9000;
    std::vector<COutlineRecord *> records;
    std::unique_ptr<COutlineRecord> copy;
    COutlineRecord assigned;
    std::unique_ptr<COutlineRecord> heapOne;
    {
        COutlineDB db;
        db.InitNewDatabase();
        records = build(db, kCount);
        // Copies of a built record, and a built record given another's tags.
        copy = std::make_unique<COutlineRecord>(*records[4000]);
        assigned = *records[4001];
        heapOne.reset(static_cast<COutlineRecord *>(db.GetRecordset()->CreateDBRecord()));
        fill(*heapOne, 4002);
        heapOne->SetText(_String("from the heap"));
        *records[4002] = *heapOne;
        *records[4003] = *records[4003];
        db.GetRecordset()->emptyRS();
    }
    expectItem(*copy, 4000, textOf(4000));
    expectItem(assigned, 4001, textOf(4001));
    EXPECT_EQ(records[4002]->GetText(), _String("from the heap"));
    expectItem(*records[4003], 4003, textOf(4003));
    copy->SetText(_String("copy"));
    expectItem(*records[4000], 4000, textOf(4000));

    // Every third record changes before all go in a random order.
    for (int i = 0; i < kCount; i += 3)
        records[static_cast<std::size_t>(i)]->SetText(_String(textOf(i, 2)));
    std::vector<int> order(kCount);
    for (int i = 0; i < kCount; ++i)
        order[static_cast<std::size_t>(i)] = i;
    std::shuffle(order.begin(), order.end(), std::mt19937(11));
    for (std::size_t k = 0; k < order.size(); ++k) {
        const int i = order[k];
        COutlineRecord *r = records[static_cast<std::size_t>(i)];
        if (k % 499 == 0 && i != 4002)
            expectItem(*r, i, textOf(i, i % 3 == 0 ? 2 : 0));
        delete r;
    }
}

TEST(NewRecordSlab, EditingAfterBuildingKeepsEveryRecordIntact)
{
    // A built outline, then an editing session: inserts, both kinds of
    // delete, purges, a reordering through emptyRS and add, and a Free,
    // checked against a model of the items after every hundred steps.
    COutlineDB db;
    db.InitNewDatabase();
    CDBRecordset *records = db.GetRecordset();
    std::vector<std::pair<CDBRecord *, int>> model;
    for (int i = 0; i < 3000; ++i) {
        CDBRecord *r = records->Append();
        fill(*static_cast<COutlineRecord *>(r), i);
        model.emplace_back(r, i);
    }
    std::mt19937 random(5);
    int next = 3000;
    const auto check = [&](int step) {
        ASSERT_EQ(records->getSize(), model.size()) << step;
        for (std::size_t k = 0; k < model.size(); ++k) {
            ASSERT_EQ(records->getRecord(k), model[k].first) << step;
            const int i = model[k].second;
            if ((k + static_cast<std::size_t>(step)) % 17 == 0)
                expectItem(*static_cast<COutlineRecord *>(model[k].first), i, textOf(i));
        }
    };
    for (int step = 0; step < 4000; ++step) {
        const int op = model.empty() ? 0 : static_cast<int>(random() % 10);
        const std::size_t at = model.empty() ? 0 : random() % model.size();
        switch (op) {
        case 0:
        case 1:
        case 2: {
            CDBRecord *r = records->Append();
            fill(*static_cast<COutlineRecord *>(r), next);
            model.emplace_back(r, next++);
            break;
        }
        case 3: {
            CDBRecord *r = records->InsertBefore(model[at].first);
            fill(*static_cast<COutlineRecord *>(r), next);
            model.insert(model.begin() + static_cast<std::ptrdiff_t>(at), { r, next++ });
            break;
        }
        case 4:
            ASSERT_TRUE(records->Delete(model[at].first));
            model.erase(model.begin() + static_cast<std::ptrdiff_t>(at));
            break;
        case 5:
            ASSERT_TRUE(records->DeleteUnordered(model[at].first));
            model[at] = model.back();
            model.pop_back();
            break;
        case 6: {
            model[at].first->SetDeleted(true);
            records->purgeDeleted();
            model.erase(model.begin() + static_cast<std::ptrdiff_t>(at));
            break;
        }
        case 7: {
            std::shuffle(model.begin(), model.end(), random);
            records->emptyRS();
            for (const auto &entry : model)
                records->add(entry.first);
            break;
        }
        case 8:
            if (random() % 20 == 0) {
                records->Free();
                model.clear();
            }
            break;
        default:
            static_cast<COutlineRecord *>(model[at].first)
                ->SetText(_String(textOf(model[at].second)));
            break;
        }
        if (step % 100 == 99)
            check(step);
    }
    check(-1);
}

TEST(NewRecordSlab, ARecordGrowsOnAnotherThreadWhileItsRecordsetGoesOnBuilding)
{
    // The record just made is the last in its slab: its tags may grow in
    // place on another thread while the recordset places the next records.
    COutlineDB db;
    db.InitNewDatabase();
    CDBRecordset *records = db.GetRecordset();
    std::mutex mutex;
    std::condition_variable ready;
    std::deque<COutlineRecord *> handed;
    bool done = false;
    std::thread grower([&] {
        for (;;) {
            COutlineRecord *r = nullptr;
            {
                std::unique_lock<std::mutex> lock(mutex);
                ready.wait(lock, [&] { return done || !handed.empty(); });
                if (handed.empty())
                    return;
                r = handed.front();
                handed.pop_front();
            }
            for (int round = 1; round <= 8; ++round)
                r->SetNote(_String(std::string(static_cast<std::size_t>(round) * 40, 'g')));
        }
    });
    constexpr int kCount = 20000;
    for (int i = 0; i < kCount; ++i) {
        auto *r = static_cast<COutlineRecord *>(records->Append());
        r->SetText(_String(textOf(i)));
        if (i % 50 == 0) {
            std::lock_guard<std::mutex> lock(mutex);
            handed.push_back(r);
            ready.notify_one();
        }
    }
    {
        std::lock_guard<std::mutex> lock(mutex);
        done = true;
        ready.notify_one();
    }
    grower.join();
    for (int i = 0; i < kCount; ++i) {
        const auto *r
            = static_cast<const COutlineRecord *>(records->getRecord(static_cast<std::size_t>(i)));
        SCOPED_TRACE(i);
        EXPECT_EQ(r->GetText(), _String(textOf(i)));
        EXPECT_EQ(r->GetNote(), _String(i % 50 == 0 ? std::string(320, 'g') : std::string()));
    }
}
