#include "ContainerFixtures.h"
#include "TempDir.h"

#include "kx_gen/CategoryDB.h"
#include "kx_gen/FileStream.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace kx_gen;
using container_test::thrown;

namespace {

class CategoryTest : public ::testing::Test {
protected:
    void SetUp() override { CCategoryDB::setUnfiledCategoryName("Unfiled"); }

    // The names of the non-empty slots, "slot:id:name" each.
    static std::string Dump(const CCategoryDB &db)
    {
        std::string out;
        for (CCategoryIterator it = db.GetIterator(); it != db.End(); ++it) {
            if (!out.empty())
                out += ' ';
            out += std::to_string(it.GetSlot()) + ':' + std::to_string(it->GetCategoryId()) + ':'
                + it->GetCategoryName().str();
        }
        return out;
    }

    static std::uint32_t Le32(const std::string &bytes, std::size_t at)
    {
        std::uint32_t v = 0;
        for (int i = 3; i >= 0; --i)
            v = (v << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
        return v;
    }

    TempDir m_dir;
};

} // namespace

TEST_F(CategoryTest, ANewTableHoldsOnlyTheUnfiledCategory)
{
    CCategoryDB db;
    CTime before = CTime::GetTickCount();
    db.InitNewDatabase();
    EXPECT_EQ(Dump(db), "0:0:Unfiled");
    EXPECT_EQ(db.GetCategoryCount(), 1);
    EXPECT_TRUE(db.isNew());
    EXPECT_EQ(db.GetNextIdCounter(), 128);
    CCategoryRecord *unfiled = db.FindCategory(0);
    ASSERT_TRUE(unfiled);
    EXPECT_GE(unfiled->GetLastChangedTime().GetTime(), before.GetTime());
    EXPECT_TRUE(unfiled->IsNew());

    CTime t(1000);
    EXPECT_EQ(db.AddNewCategory("Business", &t)->GetCategoryId(), 129u);
    EXPECT_EQ(db.AddNewCategory("Personal")->GetCategoryId(), 130u);
    EXPECT_EQ(db.FindCategory("Business")->GetLastChangedTime().GetTime(), 1000);
    EXPECT_EQ(db.FindCategory("business"), nullptr) << "names compare exactly";
    EXPECT_EQ(db.FindCategory(130u), db.FindCategory("Personal"));

    // Another unfiled name applies to tables made afterwards.
    CCategoryDB::setUnfiledCategoryName("Sans cat\xE9gorie, and a name longer than 31 bytes");
    EXPECT_EQ(CCategoryDB::getUnfiledCategoryName().size(), 31u);
    db.InitNewDatabase();
    EXPECT_EQ(Dump(db), "0:0:Sans cat\xE9gorie, and a name long");
}

TEST_F(CategoryTest, ADeletedCategoryLeavesAHoleThatTheNextNewOneTakes)
{
    CCategoryDB db;
    db.InitNewDatabase();
    for (const char *name : { "a", "b", "c", "d", "e" })
        db.AddNewCategory(name);
    CCategoryRecord *c = db.GetSlot(3);
    ASSERT_EQ(c->GetCategoryName(), "c");
    db.DeleteCategory(c, CTime(2000));
    EXPECT_TRUE(c->IsEmpty());
    EXPECT_TRUE(c->IsDeleted());
    EXPECT_EQ(c->GetCategoryId(), 131u) << "kept for synchronisation";
    EXPECT_EQ(c->GetCategoryName(), "c");
    EXPECT_EQ(c->GetLastChangedTime().GetTime(), 2000);
    EXPECT_EQ(db.GetCategoryCount(), 5);
    EXPECT_EQ(db.FindCategory("c"), nullptr);
    EXPECT_EQ(db.FindCategory(131u), nullptr);
    EXPECT_EQ(Dump(db), "0:0:Unfiled 1:129:a 2:130:b 4:132:d 5:133:e");

    CCategoryRecord *f = db.AddNewCategory("f");
    EXPECT_EQ(f, c) << "slot 3 is reused";
    EXPECT_EQ(f->GetCategoryId(), 134u);
    EXPECT_FALSE(f->IsEmpty());
    EXPECT_TRUE(f->IsNew());
    EXPECT_EQ(db.GetSlotCount(), 6u);
    EXPECT_EQ(Dump(db), "0:0:Unfiled 1:129:a 2:130:b 3:134:f 4:132:d 5:133:e");

    // A category placed in a given slot grows the table with empty slots.
    db.AddNewCategory(7, "handheld", CTime(5), 9);
    EXPECT_EQ(db.GetSlotCount(), 10u);
    EXPECT_TRUE(db.GetSlot(8)->IsEmpty());
    EXPECT_EQ(db.FindFirstHole(), 6u);
    EXPECT_EQ(db.AddNewCategory(12, "given", nullptr)->GetCategoryId(), 12u);
    EXPECT_EQ(db.GetSlot(6)->GetCategoryName(), "given");
}

TEST_F(CategoryTest, TheSeventeenthCategoryIsRefusedAndChangesNothing)
{
    CCategoryDB db;
    db.InitNewDatabase();
    for (int i = 1; i < 15; ++i)
        db.AddNewCategory(("c" + std::to_string(i)).c_str());
    EXPECT_FALSE(db.isFull());
    db.AddNewCategory("c15");
    EXPECT_TRUE(db.isFull());
    EXPECT_EQ(db.GetCategoryCount(), 16);

    auto t = thrown([&] { db.AddNewCategory("c16"); });
    EXPECT_EQ(t.id, 21u);
    EXPECT_EQ(t.error, 20);
    EXPECT_EQ(t.text, "The max amount of categories is 16");
    EXPECT_EQ(thrown([&] { db.AddNewCategory(99, "c16", nullptr); }).id, 21u);
    EXPECT_EQ(thrown([&] { db.AddNewCategory(99, "c16", CTime(0), 16); }).id, 21u);
    EXPECT_EQ(thrown([&] { db.ResizeDB(1000); }).id, 21u);
    EXPECT_EQ(db.GetSlotCount(), 16u) << "no phantom slot is left behind";
    EXPECT_EQ(db.GetCategoryCount(), 16);
    EXPECT_EQ(db.GetNextIdCounter(), 129 + 14);

    db.DeleteCategory(db.FindCategory("c7"), CTime(0));
    EXPECT_FALSE(db.isFull());
    EXPECT_EQ(db.AddNewCategory("again")->GetCategoryName(), "again");
}

TEST_F(CategoryTest, IdsWrapAroundTo128AndRunOut)
{
    CCategoryDB db;
    db.InitNewDatabase();
    for (std::uint32_t expected = 129; expected <= 255; ++expected)
        ASSERT_EQ(db.GetNewCategoryId(), expected);
    EXPECT_EQ(db.GetNextIdCounter(), 255);
    EXPECT_EQ(db.GetNewCategoryId(), 128u) << "past 255 the counter starts over at 128";

    // Ids in use are skipped; ids 128 to 255 all in use leave none.
    db.AddNewCategory(128, "x128", nullptr);
    db.AddNewCategory(129, "x129", nullptr);
    EXPECT_EQ(db.GetNewCategoryId(), 130u) << "counter 128 + 1 is taken";
    CDBRecordset *all = db.GetRecordset();
    for (std::uint32_t id = 130; id <= 255; ++id)
        static_cast<CCategoryRecord *>(all->Append())->SetCategoryId(id);
    auto t = thrown([&] { db.GetNewCategoryId(); });
    EXPECT_EQ(t.id, 19u);
    EXPECT_EQ(t.error, 18);
    EXPECT_EQ(db.GetNextIdCounter(), 130) << "a failed search leaves the counter";
    CCategoryRecord *deleted = db.FindCategory("x129");
    db.DeleteCategory(deleted, CTime(0));
    EXPECT_EQ(thrown([&] { db.UndeleteCategory(deleted, CTime(1)); }).id, 0u);
    EXPECT_EQ(deleted->GetCategoryId(), 129u) << "below the counter, found by going on from 128";
}

TEST_F(CategoryTest, FreeIdsBelowTheCounterAreFoundWhenTheTopIsTaken)
{
    // A long-used table: the counter near the top and the top ids in use.
    CCategoryDB db;
    db.InitNewDatabase();
    for (int i = 0; i < 121; ++i)
        db.GetNewCategoryId();
    ASSERT_EQ(db.GetNextIdCounter(), 249);
    for (std::uint32_t id = 250; id <= 255; ++id)
        db.AddNewCategory(id, ("top" + std::to_string(id)).c_str(), nullptr);
    EXPECT_EQ(db.AddNewCategory("next")->GetCategoryId(), 128u);
    EXPECT_EQ(db.AddNewCategory("after")->GetCategoryId(), 129u);
}

TEST_F(CategoryTest, RenamingUndeletingAndReidentifyingSetTheChangedBit)
{
    CCategoryDB db;
    db.InitNewDatabase();
    CCategoryRecord *a = db.AddNewCategory("a");
    CCategoryRecord *b = db.AddNewCategory("b");
    CCategoryRecord *c = db.AddNewCategory("c");
    for (CCategoryRecord &r : db)
        r.ClearChanges();

    db.RenameCategory(a, "A", CTime(10));
    EXPECT_TRUE(a->IsChanged());
    EXPECT_EQ(a->GetCategoryName(), "A");
    EXPECT_EQ(a->GetLastChangedTime().GetTime(), 10);

    db.SetCategoryID(b, 42);
    EXPECT_TRUE(b->IsChanged());
    EXPECT_EQ(db.GetCategoryID(b), 42u);

    db.DeleteCategory(c, CTime(20));
    EXPECT_FALSE(c->IsChanged());
    db.UndeleteCategory(c, CTime(30));
    EXPECT_TRUE(c->IsChanged());
    EXPECT_TRUE(c->IsNew());
    EXPECT_FALSE(c->IsDeleted());
    EXPECT_FALSE(c->IsEmpty());
    EXPECT_EQ(c->GetCategoryId(), 132u) << "a fresh id";
    EXPECT_EQ(c->GetLastChangedTime().GetTime(), 30);
    _String name;
    db.GetCategoryName(c, name);
    EXPECT_EQ(name, "c");

    // A new category in a deleted slot keeps the deleted bit; the
    // synchronisation decides what new + deleted means.
    db.DeleteCategory(b, CTime(40));
    CCategoryRecord *d = db.AddNewCategory("d");
    EXPECT_EQ(d, b);
    EXPECT_TRUE(d->IsNew());
    EXPECT_TRUE(d->IsDeleted());
}

TEST_F(CategoryTest, DesktopIdsAreGivenInSlotOrder)
{
    CCategoryDB db;
    db.InitNewDatabase();
    db.AddNewCategory(5, "five", CTime(0), 1);
    db.AddNewCategory(3, "Unfiled", CTime(0), 2); // the handheld's unfiled slot
    db.AddNewCategory(1, "one", CTime(0), 4);
    db.GetSlot(0)->SetEmpty(true);
    db.setDesktopCategoryIDs();
    EXPECT_EQ(Dump(db), "1:129:five 2:0:Unfiled 4:130:one");
    EXPECT_EQ(db.GetNextIdCounter(), 130);

    CCategoryDB::setUnfiledCategoryName("Nowhere");
    db.setDesktopCategoryIDs();
    EXPECT_EQ(Dump(db), "1:129:five 2:130:Unfiled 4:131:one") << "no unfiled category: none gets 0";

    db.deleteAllCategories();
    EXPECT_EQ(db.GetSlotCount(), 0u);
    EXPECT_EQ(db.GetNextIdCounter(), 128);
    EXPECT_EQ(db.AddNewCategory("first")->GetCategoryId(), 129u);
    EXPECT_EQ(Dump(db), "0:129:first");
}

TEST_F(CategoryTest, CreateLoadAndSaveKeepTheFileLayout)
{
    std::string path = m_dir.file("categories.dat");
    {
        CCategoryDB db;
        db.CreateFile(path.c_str());
        EXPECT_EQ(Dump(db), "0:0:Unfiled");
        EXPECT_FALSE(db.IsOpen());
        db.AddNewCategory("Work");
        db.setNewFlag(false);
        db.SaveFile(path.c_str());
    }
    std::string bytes = m_dir.read("categories.dat");
    ASSERT_GT(bytes.size(), 300u);
    EXPECT_EQ(Le32(bytes, 0), 0x12345678u);
    EXPECT_EQ(bytes[4], 1) << "version 1";
    EXPECT_EQ(Le32(bytes, 6), 2u) << "two slots";
    EXPECT_EQ(bytes.substr(10, 8), std::string("\x01\x00\x01\x00\xFF\x00\x00\x00", 8))
        << "one header entry: conduit header, 255 bytes";
    EXPECT_EQ(Le32(bytes, 273), 129u) << "the counter starts the extra rows";
    EXPECT_EQ(bytes[277], 0) << "new flag";
    EXPECT_EQ(bytes.substr(278, 4), "\x50\x4B\x01\x02");
    EXPECT_EQ(bytes.substr(bytes.size() - 4), "\x50\x4B\x03\x04");

    CCategoryDB loaded;
    loaded.LoadFile(path.c_str());
    EXPECT_EQ(Dump(loaded), "0:0:Unfiled 1:129:Work");
    EXPECT_FALSE(loaded.isNew());
    EXPECT_EQ(loaded.GetNextIdCounter(), 129);
    EXPECT_FALSE(loaded.IsOpen());

    // Saving fewer slots into the existing file shortens it; saving to a
    // path that does not exist makes a new file.
    loaded.deleteAllCategories();
    loaded.AddNewCategory("only");
    loaded.SaveFile(path.c_str());
    std::string other = m_dir.file("other.dat");
    loaded.SaveFile(other.c_str());
    EXPECT_EQ(m_dir.read("categories.dat"), m_dir.read("other.dat"));
    CCategoryDB again;
    again.LoadFile(other.c_str());
    EXPECT_EQ(Dump(again), "0:129:only");
}

TEST_F(CategoryTest, OlderAndNewerFilesAreHandled)
{
    std::string path = m_dir.file("categories.dat");
    {
        CCategoryDB db;
        db.CreateFile(path.c_str());
        db.setNewFlag(false);
        db.SaveFile(path.c_str());
    }
    std::string v1 = m_dir.read("categories.dat");

    // Version 0: no flag byte after the counter; the flag stays true.
    std::string v0 = v1;
    v0[4] = 0;
    v0.erase(277, 1);
    m_dir.write("v0.dat", v0);
    CCategoryDB old;
    old.setNewFlag(false);
    old.LoadFile(m_dir.file("v0.dat").c_str());
    EXPECT_TRUE(old.isNew());
    EXPECT_EQ(Dump(old), "0:0:Unfiled");
    old.SaveFile(m_dir.file("v0.dat").c_str());
    EXPECT_EQ(m_dir.read("v0.dat")[4], 1) << "saved as version 1";
    EXPECT_EQ(m_dir.read("v0.dat").size(), v1.size());

    std::string v2 = v1;
    v2[4] = 2;
    m_dir.write("v2.dat", v2);
    CCategoryDB newer;
    auto t = thrown([&] { newer.LoadFile(m_dir.file("v2.dat").c_str()); });
    EXPECT_EQ(t.id, 4u);
    EXPECT_EQ(t.error, 3);
    EXPECT_FALSE(newer.IsOpen()) << "a refused file is closed again";
}

TEST_F(CategoryTest, RecordsOfOlderFilesGetTheMissingFieldsUnchanged)
{
    // A slot written with the status tag only.
    CDBRecord bare;
    bare.ClearChanges();
    CCategoryDB db;
    db.InitNewDatabase();
    db.GetRecordset()->Free();
    db.GetRecordset()->add(new CDBRecord(bare));
    std::string path = m_dir.file("bare.dat");
    db.SaveFile(path.c_str());

    CCategoryDB loaded;
    loaded.LoadFile(path.c_str());
    CCategoryRecord *slot = loaded.GetSlot(0);
    ASSERT_TRUE(slot);
    EXPECT_EQ(slot->GetCategoryId(), 0u);
    EXPECT_EQ(slot->GetCategoryName(), "");
    EXPECT_EQ(slot->GetLastChangedTime().GetTime(), 0);
    bool changed = true;
    slot->GetTags().getTagChanged(CCategoryRecord::kCategoryIdTagID, changed);
    EXPECT_FALSE(changed);
}

TEST_F(CategoryTest, DamagedFilesThrowAndNeverCrash)
{
    std::string path = m_dir.file("categories.dat");
    {
        CCategoryDB db;
        db.CreateFile(path.c_str());
        db.AddNewCategory("Work");
        db.SaveFile(path.c_str());
    }
    std::string good = m_dir.read("categories.dat");

    // Every truncation, and a byte flipped at every offset, loads or throws.
    for (std::size_t length = 0; length < good.size(); ++length) {
        m_dir.write("bad.dat", good.substr(0, length));
        CCategoryDB db;
        EXPECT_NE(thrown([&] { db.LoadFile(m_dir.file("bad.dat").c_str()); }).id, 0u) << length;
    }
    for (std::size_t at = 0; at < good.size(); ++at) {
        std::string bad = good;
        bad[at] = static_cast<char>(bad[at] ^ 0x5A);
        m_dir.write("bad.dat", bad);
        CCategoryDB db;
        thrown([&] {
            db.LoadFile(m_dir.file("bad.dat").c_str());
            Dump(db);
        });
    }

    // A tag block with a wrong tag code is refused when it is read.
    std::string bad = good;
    std::size_t tag = bad.find("\x74\x61", 286);
    ASSERT_NE(tag, std::string::npos);
    bad[tag] = 'x';
    m_dir.write("bad.dat", bad);
    CCategoryDB db;
    EXPECT_EQ(thrown([&] { db.LoadFile(m_dir.file("bad.dat").c_str()); }).id, 15u);
}
