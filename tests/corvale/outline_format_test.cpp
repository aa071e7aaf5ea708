// The outline file's bytes: the fresh headers, the new file, the versions
// that are refused, and the in-place enlargement of headers that an older
// program wrote smaller.

#include "OutlineFixtures.h"
#include "TempDir.h"

#include <gtest/gtest.h>

using namespace kx_gen;
using namespace outline_test;

namespace {

std::string zeros(std::size_t n)
{
    return std::string(n, '\0');
}

const std::string kSharedTags = tag(3, "\x01") + tag(4, zeros(1)) + tag(5, zeros(1))
    + tag(8, zeros(10)) + tag(9, zeros(2)) + tag(0x10001, std::string("Unfiled", 8))
    + tag(0x10002, zeros(1));

const std::string kPrivateTags = tag(1, "\x01") + tag(2, zeros(4)) + tag(3, zeros(4))
    + tag(4, zeros(40)) + tag(5, zeros(28)) + tag(6, zeros(4)) + tag(7, "\x0a")
    + tag(0x10001, zeros(1)) + tag(0x10002, std::string("Untitled", 9));

class OutlineFormat : public ::testing::Test {
protected:
    UnfiledName m_unfiled;
    TempDir m_dir;
};

} // namespace

TEST_F(OutlineFormat, FreshHeadersHoldTheirTagsInIdOrder)
{
    COutlineDB db;
    EXPECT_EQ(kSharedTags.size(), 129u);
    EXPECT_EQ(kPrivateTags.size(), 227u);
    EXPECT_EQ(bytesOf(db.GetSharedHeaderPtr()->GetTags()), kSharedTags);
    EXPECT_EQ(bytesOf(db.GetPrivateOutlineHeaderPtr()->GetTags()), kPrivateTags);
    EXPECT_EQ(db.GetConduitHeader()->GetDataSize(), 0u);
    EXPECT_TRUE(db.GetOutlineChanged());
    EXPECT_FALSE(db.GetSynchronized());
    EXPECT_TRUE(db.ShowCheckedItemsChanged());
    EXPECT_EQ(db.GetShowHeadingsMode(), 10);
}

TEST_F(OutlineFormat, NewFileWithoutRecordsIsTheExact1313Bytes)
{
    COutlineDB db;
    db.InitNewDatabase();
    writeNew(db, m_dir.file("new.kxo"));

    const std::string expected = std::string("\x78\x56\x34\x12", 4) + le16(0) + le32(0) // db info
        + le16(3) + le16(1) + le32(255) + le16(2) + le32(512) + le16(3) + le32(512) + le32(0)
        + zeros(251) // conduit header at 30
        + le32(129) + kSharedTags + zeros(379) // shared header at 285
        + le32(227) + kPrivateTags + zeros(281) // private header at 797
        + le32(0); // no deleted ids, at 1309
    ASSERT_EQ(expected.size(), 1313u);
    EXPECT_TRUE(readFile(m_dir.file("new.kxo")) == expected);
}

TEST_F(OutlineFormat, UnfiledNameIsTakenWhenTheHeaderIsMade)
{
    CCategoryDB::setUnfiledCategoryName("Sans cat\xe9gorie");
    COutlineDB db;
    EXPECT_EQ(db.GetCategoryName(), "Sans cat\xe9gorie");
    CCategoryDB::setUnfiledCategoryName("Unfiled");
}

TEST_F(OutlineFormat, VersionsOtherThanTheClassesAreRefused)
{
    COutlineDB db;
    db.InitNewDatabase();
    const std::string path = m_dir.file("v.kxo");
    writeNew(db, path);
    std::string bytes = readFile(path);

    bytes[4] = 1;
    writeFile(path, bytes);
    COutlineDB newer;
    Thrown t = thrown([&] { newer.Open(path.c_str(), CFile::modeRead); });
    newer.Close();
    EXPECT_EQ(t.id, kMsgDbVersionNewer);
    EXPECT_TRUE(t.db);
    EXPECT_EQ(
        t.text, "The db version is newer than your application. Please update your application!");

    // A memory outline must be version 10 exactly.
    bytes[4] = 0;
    writeFile(path, bytes);
    CMemOutlDB memory;
    memory.CFileStream::Open(path.c_str(), CFile::modeRead);
    memory.ReadDbInfo();
    t = thrown([&] { memory.CheckDbInfo(); });
    memory.Close();
    EXPECT_EQ(t.id, kMsgMemOutlineVersion);
    EXPECT_EQ(t.error, 21);
    EXPECT_TRUE(t.db);
    EXPECT_EQ(t.text,
        "The memory outline database version is not correct. Please contact Larkwell "
        "technical support!");

    // A handheld database renamed to .kxo.
    writeFile(path, std::string("Groceries\0\0\0\0\0\0\0\0\0\0\0", 20) + zeros(100));
    COutlineDB pdb;
    t = thrown([&] { pdb.Open(path.c_str(), CFile::modeRead); });
    EXPECT_EQ(t.id, kMsgCheckCodeDifferent);
}

TEST_F(OutlineFormat, MissingFieldsReadWithTheirDefaults)
{
    COutlineDB db;
    db.InitNewDatabase();
    KX_TAG_CHECK(db.GetPrivateOutlineHeaderPtr()->GetTags().deleteData(7));
    KX_TAG_CHECK(db.GetSharedHeaderPtr()->GetTags().deleteData(8));
    const std::string path = m_dir.file("old.kxo");
    writeNew(db, path);

    COutlineDB read;
    load(read, path);
    EXPECT_EQ(read.GetShowHeadingsMode(), 10);
    std::uint8_t numbering[10] = { 9, 9, 9, 9, 9, 9, 9, 9, 9, 9 };
    read.getNumbering(numbering);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(numbering), 10), zeros(10));
}

TEST_F(OutlineFormat, FileWithoutPrivateHeaderKeepsDefaultsAndGainsItOnFullWrite)
{
    const std::string path = m_dir.file("two.kxo");
    COutlineDB full;
    full.InitNewDatabase();
    addItem(full, 0, "kept", 3);
    writeNew(full, path);
    // The same file as a program without header 3 wrote it: two table
    // entries, no private block, the rows right after the shared block.
    const std::string bytes = readFile(path);
    writeFile(path,
        bytes.substr(0, 10) + le16(2) + bytes.substr(12, 12) + bytes.substr(30, 255 + 512)
            + bytes.substr(1309));

    COutlineDB read;
    read.Open(path.c_str(), CFile::modeReadWrite);
    EXPECT_TRUE(read.ReadSharedHeader());
    EXPECT_FALSE(read.ReadPrivateHeader());
    read.ReadRows();
    EXPECT_EQ(read.GetOutlineTitle(), "Untitled");
    EXPECT_EQ(read.GetOutlineRecord(0)->GetText(), "kept");
    read.SetOutlineTitle("Now with a title");
    read.WriteAllHeaders();
    read.WriteRows();
    read.Close();

    const std::string after = readFile(path);
    EXPECT_EQ(after.substr(10, 20),
        le16(3) + le16(1) + le32(255) + le16(2) + le32(512) + le16(3) + le32(512));
    COutlineDB again;
    load(again, path);
    EXPECT_EQ(again.GetOutlineTitle(), "Now with a title");
    EXPECT_EQ(again.GetOutlineRecord(0)->GetId(), 3u);
}

TEST_F(OutlineFormat, OpenEnlargesHeadersOfAnOlderFileInPlace)
{
    const std::string path = m_dir.file("old.kxo");
    COldOutlineDB old;
    buildOldOutline(old);
    writeNew(old, path);
    const std::string before = readFile(path);
    EXPECT_EQ(before.substr(18, 6), le16(2) + le32(300));

    // The container alone refuses it ...
    COutlineDB plain;
    Thrown t = thrown([&] { plain.CDatabase::Open(path.c_str(), CFile::modeRead); });
    plain.Close();
    EXPECT_EQ(t.error, kHeaderSizeChangedError);
    EXPECT_EQ(t.text, "The header size is changed, but the db version not");
    EXPECT_EQ(readFile(path), before);

    // ... reading without the upgrade leaves the file as it is ...
    COutlineDB peek;
    bool wouldUpgrade = false;
    peek.OpenWithoutUpgrade(path.c_str(), CFile::modeRead | CFile::shareDenyWrite, &wouldUpgrade);
    EXPECT_TRUE(wouldUpgrade);
    EXPECT_TRUE(peek.ReadSharedHeader());
    peek.ReadRows();
    peek.Close();
    EXPECT_EQ(peek.GetRecordset()->getSize(), 2u);
    EXPECT_EQ(readFile(path), before);
    EXPECT_EQ(peek.GetHeaderManager().GetReportSizeProblem(), true);

    // ... and the outline database rewrites it with today's sizes and opens it.
    COutlineDB db;
    db.Open(path.c_str(), CFile::modeRead | CFile::shareDenyWrite);
    EXPECT_FALSE(db.HeadersNeedUpgrade());
    EXPECT_TRUE(db.ReadSharedHeader());
    EXPECT_TRUE(db.ReadPrivateHeader());
    db.ReadRows();
    db.Close();
    EXPECT_EQ(db.GetOutlineTitle(), "Old outline");
    ASSERT_EQ(db.GetRecordset()->getSize(), 2u);
    EXPECT_EQ(db.GetOutlineRecord(1)->GetNote(), "kept through the upgrade");
    EXPECT_EQ(db.GetDeletedQuibs().GetIds(), std::vector<std::uint32_t> { 4 });

    // The result is the file today's program writes for the same outline.
    COutlineDB today;
    buildOldOutline(today);
    writeNew(today, m_dir.file("today.kxo"));
    EXPECT_TRUE(readFile(path) == readFile(m_dir.file("today.kxo")));
}

TEST_F(OutlineFormat, FailedUpgradeLeavesTheFileClosedAndTheCheckOn)
{
    const std::string path = m_dir.file("old-damaged.kxo");
    COldOutlineDB old;
    buildOldOutline(old);
    writeNew(old, path);
    std::string bytes = readFile(path);
    bytes.resize(bytes.size() - 3); // the last record loses its end marker
    writeFile(path, bytes);

    COutlineDB db;
    const Thrown t = thrown([&] { db.Open(path.c_str(), CFile::modeRead); });
    EXPECT_EQ(t.id, kMsgFileReadError);
    EXPECT_FALSE(db.IsOpen());
    EXPECT_TRUE(db.GetHeaderManager().GetReportSizeProblem());
    EXPECT_EQ(readFile(path), bytes);
}

TEST_F(OutlineFormat, DeletedIdsBeyondTheFileAreRefusedBeforeAllocating)
{
    COutlineDB db;
    db.InitNewDatabase();
    const std::string path = m_dir.file("ids.kxo");
    writeNew(db, path);
    std::string bytes = readFile(path);
    bytes.replace(1309, 4, le32(0x40000000));
    writeFile(path, bytes);

    COutlineDB read;
    read.Open(path.c_str(), CFile::modeRead);
    const Thrown t = thrown([&] { read.ReadRows(); });
    EXPECT_EQ(t.id, kMsgFileReadError);
}

TEST_F(OutlineFormat, MemoryOutlineRecordsFollowTheDbInfo)
{
    CMemOutlDB db;
    buildMemoryOutline(db);
    const std::string path = m_dir.file("mem.kxm");
    writeMemoryOutline(db, path);
    const std::string bytes = readFile(path);
    EXPECT_EQ(bytes.substr(0, 10), std::string("\x78\x56\x34\x12", 4) + le16(10) + le32(3));
    EXPECT_EQ(bytes.substr(10, 4), std::string("\x50\x4b\x01\x02", 4));

    CMemOutlDB read;
    read.CFileStream::Open(path.c_str(), CFile::modeRead);
    read.ReadDbInfo();
    read.CheckDbInfo();
    read.ReadRows();
    read.Close();
    ASSERT_EQ(read.GetRecordset()->getSize(), 3u);
    for (std::uint32_t i = 0; i < 3; ++i) {
        EXPECT_EQ(read.GetLinkedRecord(i)->getInternalId(), i + 1);
        EXPECT_EQ(read.GetLinkedRecord(i)->getParentId(), i);
        EXPECT_EQ(read.GetLinkedRecord(i)->GetIndent(), i);
    }
}
