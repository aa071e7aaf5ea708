#include "ContainerFixtures.h"
#include "TempDir.h"

#include "kx_gen/File.h"

#include <gtest/gtest.h>

#include <string>

using namespace kx_gen;
using namespace container_test;

namespace {

std::string le16(std::uint16_t v)
{
    return std::string { static_cast<char>(v), static_cast<char>(v >> 8) };
}

std::string le32(std::uint32_t v)
{
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i)
        s[i] = static_cast<char>(v >> (8 * i));
    return s;
}

std::string tagBlock(const CTaggedDataManager &tags)
{
    CTaggedDataManager &t = const_cast<CTaggedDataManager &>(tags);
    return std::string(reinterpret_cast<const char *>(t.get(0)), t.size());
}

// Save as a new file: the whole table, every header block and every row.
void writeNew(CSampleDB &db, const std::string &path)
{
    db.Open(path.c_str(), CFile::modeCreate | CFile::modeWrite);
    db.WriteAllHeaders();
    db.WriteRows();
    db.Close();
}

void addRecords(CSampleDB &db, int count)
{
    for (int i = 0; i < count; ++i) {
        CDBRecord *r = db.GetRecordset()->Append();
        r->SetNew(true);
        _String text;
        text.FormatString("record %d", i);
        KX_TAG_CHECK(r->GetTags().setString(0, text));
        KX_TAG_CHECK(r->GetTags().setUInt32(5, static_cast<std::uint32_t>(i * 1000)));
    }
}

} // namespace

TEST(ContainerLayout, NewCategoryLikeFileIsByteExact)
{
    TempDir dir;
    CSampleDB db(1);
    db.InitNewDatabase();
    db.m_nExtra = 0x01020304;
    CDBRecord *r = db.GetRecordset()->Append();
    writeNew(db, dir.file("c.dat"));

    const std::string record = "PK\x01\x02" + le32(32) + tagBlock(r->GetTags()) + "PK\x03\x04";
    const std::string expected = std::string("\x78\x56\x34\x12", 4) + le16(0) + le32(1) // db info
        + le16(1) + le16(1) + le32(255) // table
        + le32(0) + std::string(251, '\0') // conduit block
        + le32(0x01020304) // extra rows at 273
        + record;
    EXPECT_EQ(dir.read("c.dat"), expected);
    EXPECT_EQ(r->GetPos(), 277u);
    EXPECT_EQ(db.GetHeaderManager().GetWriteHeadersEnd(), 273u);
}

TEST(ContainerLayout, OutlineLikeTableAndBlockPositions)
{
    TempDir dir;
    CSampleDB db(3);
    db.InitNewDatabase();
    const CHeaderManager &hm = db.GetHeaderManager();
    EXPECT_EQ(hm.GetHeaderWritePos(1), 30u);
    EXPECT_EQ(hm.GetHeaderWritePos(2), 285u);
    EXPECT_EQ(hm.GetHeaderWritePos(3), 797u);
    EXPECT_EQ(hm.GetHeaderWritePos(4), kNoFilePos);
    EXPECT_EQ(hm.GetHeaderReadPos(1), kNoFilePos); // no file read
    EXPECT_EQ(hm.GetWriteHeadersEnd(), 1309u);
    writeNew(db, dir.file("o.kxo"));

    const std::string file = dir.read("o.kxo");
    ASSERT_EQ(file.size(), 1313u); // zero records: the file ends after the extra rows
    EXPECT_EQ(file.substr(0, 30),
        std::string("\x78\x56\x34\x12", 4) + le16(0) + le32(0) + le16(3) + le16(1) + le32(255)
            + le16(2) + le32(512) + le16(3) + le32(512));
    const std::string tags = tagBlock(db.Header(2)->GetTags());
    EXPECT_EQ(file.substr(30, 255), le32(0) + std::string(251, '\0'));
    EXPECT_EQ(
        file.substr(285, 512), le32(tags.size()) + tags + std::string(508 - tags.size(), '\0'));
    EXPECT_EQ(
        file.substr(797, 512), le32(tags.size()) + tags + std::string(508 - tags.size(), '\0'));
    EXPECT_EQ(file.substr(1309), le32(0));

    CSampleDB back(3);
    back.Open(dir.file("o.kxo").c_str(), CFile::modeRead | CFile::shareDenyWrite);
    EXPECT_EQ(back.GetHeaderManager().GetHeaderReadPos(3), 797u);
    EXPECT_EQ(back.GetHeaderManager().GetReadHeadersEnd(), 1309u);
    back.ReadRows();
    EXPECT_EQ(back.GetRecordset()->getSize(), 0u);
}

TEST(ContainerRoundTrip, WrittenAndReadBackWithIdenticalBytes)
{
    TempDir dir;
    CSampleDB db(3);
    db.InitNewDatabase();
    db.Header(2)->SetNumber(99);
    db.Header(3)->SetName("private");
    KX_TAG_CHECK(db.GetConduitHeader()->GetTags().setString(0, "conduit data"));
    db.m_nExtra = 7;
    addRecords(db, 25);
    writeNew(db, dir.file("a.kxo"));
    const std::string original = dir.read("a.kxo");

    // Load (sequence of the program), then save as another file.
    CSampleDB loaded(3);
    loaded.Open(dir.file("a.kxo").c_str(), CFile::modeRead | CFile::shareDenyWrite);
    EXPECT_TRUE(loaded.ReadConduitHeader());
    EXPECT_TRUE(loaded.ReadHeader(2));
    EXPECT_TRUE(loaded.ReadHeader(3));
    loaded.ReadRows();
    loaded.Close();
    EXPECT_EQ(loaded.Header(2)->GetNumber(), 99);
    EXPECT_EQ(loaded.Header(3)->GetName(), "private");
    EXPECT_EQ(loaded.m_nExtra, 7u);
    ASSERT_EQ(loaded.GetRecordset()->getSize(), 25u);
    for (std::size_t i = 0; i < 25; ++i) {
        const CDBRecord *a = db.getRecord(i);
        const CDBRecord *b = loaded.getRecord(i);
        EXPECT_EQ(tagBlock(b->GetTags()), tagBlock(a->GetTags()));
        EXPECT_EQ(b->GetPos(), a->GetPos());
        EXPECT_EQ(b->GetRowIndex(), i);
    }
    writeNew(loaded, dir.file("b.kxo"));
    EXPECT_EQ(dir.read("b.kxo"), original);

    // Save over the existing file: headers in place, then the rows.
    loaded.Open(dir.file("a.kxo").c_str(), CFile::modeReadWrite);
    loaded.WriteHeader(2);
    loaded.WriteHeader(3);
    loaded.WriteRows();
    loaded.Close();
    EXPECT_EQ(dir.read("a.kxo"), original);

    // One record read at its position.
    CSampleDB again(3);
    again.Open(dir.file("a.kxo").c_str(), CFile::modeRead);
    CDBRecord r;
    again.ReadRow(db.getRecord(3)->GetPos(), &r);
    EXPECT_EQ(tagBlock(r.GetTags()), tagBlock(db.getRecord(3)->GetTags()));
}

TEST(ContainerRows, FewerRecordsTruncateTheFileAndZeroRecordsEndAfterExtraRows)
{
    TempDir dir;
    CSampleDB db(1);
    db.InitNewDatabase();
    addRecords(db, 5);
    writeNew(db, dir.file("t.dat"));
    const std::size_t fullSize = dir.read("t.dat").size();

    db.Open(dir.file("t.dat").c_str(), CFile::modeReadWrite);
    db.ReadRows();
    db.GetRecordset()->Delete(std::size_t(4));
    db.getRecord(1)->SetDeleted(true);
    db.getRecord(2)->SetDeleted(true);
    db.purgeDeletedRecs();
    ASSERT_EQ(db.GetRecordset()->getSize(), 2u);
    db.WriteRows();
    db.Close();

    CSampleDB fresh(1);
    fresh.InitNewDatabase();
    addRecords(fresh, 4);
    fresh.GetRecordset()->Delete(std::size_t(3));
    fresh.GetRecordset()->Delete(std::size_t(2));
    fresh.GetRecordset()->Delete(std::size_t(1));
    addRecords(fresh, 2);
    fresh.GetRecordset()->Delete(std::size_t(2));
    KX_TAG_CHECK(fresh.getRecord(1)->GetTags().setString(0, "record 3"));
    KX_TAG_CHECK(fresh.getRecord(1)->GetTags().setUInt32(5, 3000));
    writeNew(fresh, dir.file("fresh.dat"));

    const std::string truncated = dir.read("t.dat");
    EXPECT_LT(truncated.size(), fullSize);
    EXPECT_EQ(truncated, dir.read("fresh.dat"));
    EXPECT_EQ(truncated.substr(6, 4), le32(2));

    db.GetRecordset()->Free();
    db.Open(dir.file("t.dat").c_str(), CFile::modeReadWrite);
    db.WriteRows();
    db.Close();
    const std::string empty = dir.read("t.dat");
    EXPECT_EQ(empty.size(), 277u);
    EXPECT_EQ(empty.substr(6, 4), le32(0));
}

TEST(ContainerHeaders, FileLackingHeaderThreeOpensAndAFullWriteAddsItAtTheEnd)
{
    TempDir dir;
    CSampleDB older(2); // a program that knew headers 1 and 2 only
    older.InitNewDatabase();
    older.Header(2)->SetNumber(5);
    addRecords(older, 2);
    writeNew(older, dir.file("old.kxo"));
    const std::string oldBytes = dir.read("old.kxo");

    CSampleDB db(3);
    db.Open(dir.file("old.kxo").c_str(), CFile::modeReadWrite);
    EXPECT_TRUE(db.ReadHeader(2));
    EXPECT_FALSE(db.ReadHeader(3));
    EXPECT_EQ(db.Header(3)->GetNumber(), 7); // defaults kept
    db.ReadRows();
    const CHeaderManager &hm = db.GetHeaderManager();
    EXPECT_EQ(hm.GetHeaderReadPos(3), kNoFilePos);
    EXPECT_EQ(hm.GetReadHeadersEnd(), 10u + 14 + 255 + 512);
    EXPECT_EQ(hm.GetHeaderWritePos(2), 10u + 20 + 255);
    EXPECT_EQ(hm.GetHeaderWritePos(3), 10u + 20 + 255 + 512);

    // Writing in place would put blocks and rows where the file's own table
    // does not: refused, and the file is left as it was.
    EXPECT_EQ(thrown([&] { db.WriteHeader(3); }).error, kHeaderSizeChangedError);
    auto t = thrown([&] { db.WriteRows(); });
    EXPECT_EQ(t.error, kHeaderSizeChangedError);
    EXPECT_EQ(t.text, "The header size is changed, but the db version not");
    db.WriteHeader(2); // present in the file: written in place
    db.Close();
    EXPECT_EQ(dir.read("old.kxo"), oldBytes);

    db.Header(3)->SetName("now here");
    writeNew(db, dir.file("new.kxo"));
    const std::string file = dir.read("new.kxo");
    EXPECT_EQ(file.substr(10, 20),
        le16(3) + le16(1) + le32(255) + le16(2) + le32(512) + le16(3) + le32(512));

    CSampleDB back(3);
    loadAll(back, dir.file("new.kxo"));
    EXPECT_EQ(back.Header(2)->GetNumber(), 5);
    EXPECT_EQ(back.Header(3)->GetName(), "now here");
    EXPECT_EQ(back.GetRecordset()->getSize(), 2u);
}

TEST(ContainerHeaders, SmallerHeaderThrowsErrorNineteenAndIsEnlargedInPlace)
{
    TempDir dir;
    CSampleDB older(3, 300);
    older.InitNewDatabase();
    older.Header(2)->SetName("shared");
    older.Header(3)->SetNumber(33);
    KX_TAG_CHECK(older.GetConduitHeader()->GetTags().setUInt8(9, 1));
    addRecords(older, 3);
    writeNew(older, dir.file("small.kxo"));

    CSampleDB db(3);
    auto t = thrown([&] { db.Open(dir.file("small.kxo").c_str(), CFile::modeRead); });
    EXPECT_EQ(t.error, 19);
    EXPECT_EQ(t.id, 20u);
    EXPECT_FALSE(t.db);
    db.Close();

    // The rest of the upgrade, as the outline database runs it.
    db.OpenUpgrading(dir.file("small.kxo").c_str(), CFile::modeRead | CFile::shareDenyWrite);
    EXPECT_TRUE(db.IsOpen());
    EXPECT_TRUE(db.GetHeaderManager().GetReportSizeProblem());
    EXPECT_EQ(db.GetHeaderManager().GetFileList().at(1).size, 512u);
    EXPECT_EQ(db.GetHeaderManager().GetFileList().at(2).size, 512u);
    EXPECT_TRUE(db.ReadConduitHeader());
    EXPECT_TRUE(db.ReadHeader(2));
    EXPECT_TRUE(db.ReadHeader(3));
    db.ReadRows();
    db.Close();
    EXPECT_EQ(db.Header(2)->GetName(), "shared");
    EXPECT_EQ(db.Header(3)->GetNumber(), 33);
    std::uint8_t conduit = 0;
    KX_TAG_CHECK(db.GetConduitHeader()->GetTags().getUInt8(9, conduit));
    EXPECT_EQ(conduit, 1);
    ASSERT_EQ(db.GetRecordset()->getSize(), 3u);
    EXPECT_EQ(dir.read("small.kxo").size(), 1313u + 3 * (12 + 32 + 19 + 24));
}

TEST(ContainerHeaders, ResizeHeadersRaisesSmallEntriesOnlyWhenTheProblemIsNotReported)
{
    TempDir dir;
    CSampleDB older(3, 300);
    older.InitNewDatabase();
    writeNew(older, dir.file("s.kxo"));

    CSampleDB db(3);
    db.SetReportSizeProblem(false);
    db.Open(dir.file("s.kxo").c_str(), CFile::modeRead);
    EXPECT_EQ(db.GetHeaderManager().GetFileList().at(2).size, 300u);
    db.SetReportSizeProblem(true);
    EXPECT_EQ(thrown([&] { db.GetHeaderManager().ResizeHeaders(); }).error, 19);
    db.SetReportSizeProblem(false);
    db.GetHeaderManager().ResizeHeaders();
    EXPECT_EQ(db.GetHeaderManager().GetFileList().at(0).size, 255u);
    EXPECT_EQ(db.GetHeaderManager().GetFileList().at(2).size, 512u);
    EXPECT_EQ(db.GetHeaderManager().GetReadHeadersEnd(), 1309u);
    // A header grown in memory no longer matches the file: no in-place write.
    EXPECT_EQ(thrown([&] { db.WriteRows(); }).error, 19);

    // Larger-than-default sizes stay as the file has them.
    CSampleDB bigger(3, 600);
    bigger.InitNewDatabase();
    writeNew(bigger, dir.file("b.kxo"));
    CSampleDB reader(3);
    reader.Open(dir.file("b.kxo").c_str(), CFile::modeRead);
    reader.GetHeaderManager().ResizeHeaders();
    EXPECT_EQ(reader.GetHeaderManager().GetFileList().at(1).size, 600u);
}

TEST(ContainerHeaders, BlockSizeLimitsOnWriteAndRead)
{
    TempDir dir;
    CSampleDB db(3);
    db.InitNewDatabase();
    db.Header(2)->SetName(std::string(512 - 4 - 17 - 15 - 1, 'x').c_str()); // exactly full
    writeNew(db, dir.file("full.kxo"));
    CSampleDB back(3);
    loadAll(back, dir.file("full.kxo"));
    EXPECT_EQ(back.Header(2)->GetName().size(), 475u);

    db.Header(2)->SetName(std::string(476, 'x').c_str()); // one byte too many
    auto t = thrown([&] { writeNew(db, dir.file("over.kxo")); });
    EXPECT_EQ(t.id, 12u);
    EXPECT_EQ(t.text, "The default header size is less than the Header object");
    db.Close();

    // A recorded tag length that does not fit its block.
    std::string bytes = dir.read("full.kxo");
    bytes.replace(285, 4, le32(509));
    dir.write("bad.kxo", bytes);
    CSampleDB bad(3);
    bad.Open(dir.file("bad.kxo").c_str(), CFile::modeRead);
    t = thrown([&] { bad.ReadHeader(2); });
    EXPECT_EQ(t.id, 14u);
    EXPECT_EQ(bad.Header(2)->GetNumber(), 7); // the header keeps what it had
}

TEST(ContainerHeaders, HeadersThisProgramDoesNotKnowKeepTheirEntriesAndContents)
{
    TempDir dir;
    CSampleDB newer(3);
    newer.GetHeaderManager().RegisterHeader({ 9, 100 }, new CSampleHeader);
    newer.InitNewDatabase();
    static_cast<CSampleHeader *>(newer.GetHeaderManager().GetHeaderPtr(9))->SetName("future");
    addRecords(newer, 1);
    writeNew(newer, dir.file("n.kxo"));
    const std::string original = dir.read("n.kxo");

    CSampleDB db(2); // knows 1 and 2; the file also has 3 and 9
    loadAll(db, dir.file("n.kxo"));
    const CHeaderManager &hm = db.GetHeaderManager();
    ASSERT_EQ(hm.GetFileList().size(), 4u);
    EXPECT_EQ(hm.GetFileList().at(3).header, nullptr);
    EXPECT_EQ(hm.GetHeaderReadPos(9), 10u + 26 + 255 + 512 + 512);
    EXPECT_EQ(db.GetRecordset()->getSize(), 1u);
    writeNew(db, dir.file("copy.kxo"));
    EXPECT_EQ(dir.read("copy.kxo"), original);
}

TEST(ContainerDbInfo, WrongCheckCodeAndNewerVersionAreRefused)
{
    TempDir dir;
    // The start of a handheld .pdb file: a 32-byte name, no check code.
    dir.write("x.kxo", std::string("My Outline") + std::string(70, '\0'));
    CSampleDB db(3);
    auto t = thrown([&] { db.Open(dir.file("x.kxo").c_str(), CFile::modeRead); });
    EXPECT_EQ(t.id, 13u);
    EXPECT_TRUE(t.db);
    EXPECT_EQ(t.error, 12);
    EXPECT_EQ(t.text,
        "The db check code is different. This is not a .kxo file. Perhaps you renamed "
        "it from a .kxo.pdb file? That won't work. ");
    db.Close();

    CSampleDB good(1);
    good.InitNewDatabase();
    writeNew(good, dir.file("v.dat"));
    std::string bytes = dir.read("v.dat");
    bytes[4] = 1;
    dir.write("v.dat", bytes);
    CSampleDB reader(1);
    t = thrown([&] { reader.Open(dir.file("v.dat").c_str(), CFile::modeRead); });
    EXPECT_EQ(t.id, 4u);
    EXPECT_EQ(t.error, 3);
}
