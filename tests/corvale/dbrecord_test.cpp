#include "ContainerFixtures.h"
#include "TempDir.h"

#include "kx_gen/DBRecord.h"
#include "kx_gen/DBRecordset.h"
#include "kx_gen/File.h"
#include "kx_gen/FileStream.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace kx_gen;
using container_test::thrown;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes recordBytes(const CDBRecord &r)
{
    return Bytes(r.GetRawDataPtr(), r.GetRawDataPtr() + r.GetRecSize());
}

std::string le32(std::uint32_t v)
{
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i)
        s[i] = static_cast<char>(v >> (8 * i));
    return s;
}

} // namespace

TEST(DBRecordStatus, NewRecordStartsWithTheSixteenByteStatusTag)
{
    CDBRecord r;
    const Bytes status = { 0x74, 0x61, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01,
        0x00, 0x00, 0x00, 0x00 };
    const Bytes sortChanged = { 0x74, 0x61, 0x00, 0x01, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00,
        0x01, 0x00, 0x00, 0x00, 0x00 };
    Bytes expected = status;
    expected.insert(expected.end(), sortChanged.begin(), sortChanged.end());
    EXPECT_EQ(recordBytes(r), expected);
    EXPECT_EQ(r.GetPos(), kNoFilePos);
    EXPECT_FALSE(r.IsFileRecord());
    EXPECT_EQ(r.GetFlag(), 0);
    EXPECT_FALSE(r.IsSortChanged());
}

TEST(DBRecordStatus, BitsCountFromTheMostSignificantBit)
{
    CDBRecord r;
    r.SetNew(true);
    EXPECT_EQ(r.GetFlag(), 0x80);
    r.SetDeleted(true);
    EXPECT_EQ(r.GetFlag(), 0xC0);
    r.SetChanged(true);
    r.SetEmpty(true);
    r.SetArchived(true);
    EXPECT_EQ(r.GetFlag(), 0xF8);
    EXPECT_TRUE(r.IsNew() && r.IsDeleted() && r.IsChanged() && r.IsEmpty() && r.IsArchived());
    r.ClearChanges();
    EXPECT_EQ(r.GetFlag(), 0x18); // empty and archived stay
    r.SetFlag(0x40);
    EXPECT_TRUE(r.IsDeleted());
    EXPECT_FALSE(r.IsNew());
    r.SetSortChanged(true);
    EXPECT_TRUE(r.IsSortChanged());

    std::uint8_t byte = 0;
    CDBRecord::SetBit(&byte, kArchivedBitPos, true);
    EXPECT_EQ(byte, 0x08);
    EXPECT_TRUE(CDBRecord::GetBit(0x80, kNewBitPos));
    EXPECT_FALSE(CDBRecord::GetBit(0x80, kDelBitPos));
}

TEST(DBRecordStatus, RecordWithoutStatusTagThrowsOnAccess)
{
    CDBRecord r;
    r.FreeData();
    EXPECT_EQ(r.GetRecSize(), 0u);
    EXPECT_EQ(thrown([&] { r.IsNew(); }).id, 16u);
    EXPECT_EQ(thrown([&] { r.SetChanged(true); }).id, 16u);
}

TEST(DBRecordCopy, AssignmentCopiesTheTagsButNotTheFilePosition)
{
    CDBRecord a;
    a.SetNew(true);
    ASSERT_EQ(a.GetTags().setString(0, "text"), 0);
    a.SetPos(1234);
    a.SetRowIndex(3);

    CDBRecord b;
    b = a;
    EXPECT_EQ(recordBytes(b), recordBytes(a));
    EXPECT_NE(b.GetRawDataPtr(), a.GetRawDataPtr());
    EXPECT_FALSE(b.IsFileRecord());
    EXPECT_EQ(b.GetRowIndex(), 3u);
    CDBRecord c(a);
    EXPECT_FALSE(c.IsFileRecord());
    ASSERT_EQ(c.GetTags().setString(0, "other"), 0); // the copy is independent
    _String s;
    ASSERT_EQ(a.GetTags().getString(0, s), 0);
    EXPECT_EQ(s, "text");
}

TEST(DBRecordFile, WrittenAndReadBackWithIdenticalBytesAndFraming)
{
    TempDir dir;
    const std::string path = dir.file("rec.bin");
    CDBRecord a;
    a.SetChanged(true);
    ASSERT_EQ(a.GetTags().setString(7, "hello"), 0);
    ASSERT_EQ(a.GetTags().setUInt32(3, 0xDEADBEEF), 0);
    {
        CFileStream out;
        out.Open(path.c_str(), CFile::modeCreate | CFile::modeWrite);
        out << std::uint8_t(0xAA); // the record does not start at offset 0
        a.Write(out);
        out.Close();
    }
    EXPECT_EQ(a.GetPos(), 1u);
    const std::string file = dir.read("rec.bin");
    const std::string tags(reinterpret_cast<const char *>(a.GetRawDataPtr()), a.GetRecSize());
    EXPECT_EQ(
        file, std::string("\xAA") + "PK\x01\x02" + le32(a.GetRecSize()) + tags + "PK\x03\x04");

    CFileStream in;
    in.Open(path.c_str(), CFile::modeRead);
    in.GetFile()->Seek(1, CFile::begin);
    CDBRecord b;
    b.Read(in);
    EXPECT_EQ(recordBytes(b), recordBytes(a));
    EXPECT_EQ(b.GetPos(), 1u);
    EXPECT_TRUE(b.IsFileRecord());
    EXPECT_TRUE(b.IsChanged());
    // The block read in grows on the next change.
    ASSERT_EQ(b.GetTags().setString(8, "more"), 0);
    _String s;
    ASSERT_EQ(b.GetTags().getString(7, s), 0);
    EXPECT_EQ(s, "hello");
}

TEST(DBRecordFile, FramingErrorsAndLengthsBeyondTheFile)
{
    TempDir dir;
    struct Case {
        const char *name;
        std::string bytes;
        unsigned id;
        bool db;
    };
    const std::string tag
        = std::string("ta\x00\x01\x00\x00\x00\x01\x00\x00\x00\x01\x00\x00\x00\x00", 16);
    const Case cases[] = {
        { "bad start", "PK\x01\x03" + le32(16) + tag + "PK\x03\x04", 5, true },
        { "bad end", "PK\x01\x02" + le32(16) + tag + "PK\x03\x05", 6, true },
        { "end cut", "PK\x01\x02" + le32(16) + tag + "PK", 8, false },
        { "huge length", "PK\x01\x02" + le32(0xFFFFFFFF) + std::string(1000, 'x'), 8, false },
        { "length one past", "PK\x01\x02" + le32(17) + tag + "PK\x03\x04", 8, false },
        { "no length", "PK\x01\x02\x10", 8, false },
        { "empty", "", 8, false },
    };
    for (const Case &c : cases) {
        dir.write("r.bin", c.bytes);
        CFileStream in;
        in.Open(dir.file("r.bin").c_str(), CFile::modeRead);
        CDBRecord r;
        auto t = thrown([&] { r.Read(in); });
        EXPECT_EQ(t.id, c.id) << c.name;
        EXPECT_EQ(t.db, c.db) << c.name;
    }
}

TEST(DBRecordset, AppendInsertMoveAndDeleteKeepOrderAndOwnership)
{
    CDBRecordset rs;
    CDBRecord *a = rs.Append();
    CDBRecord *c = rs.Append();
    CDBRecord *b = rs.InsertAfter(a);
    CDBRecord *first = rs.InsertBefore(a);
    ASSERT_EQ(rs.getSize(), 4u);
    EXPECT_EQ(rs.getRecord(0), first);
    EXPECT_EQ(rs.getRecord(1), a);
    EXPECT_EQ(rs.getRecord(2), b);
    EXPECT_EQ(rs.getRecord(3), c);
    EXPECT_EQ(rs.getRecord(4), nullptr);
    EXPECT_EQ(c->GetRowIndex(), 1u);
    EXPECT_EQ(b->GetRowIndex(), 1u);

    rs.MoveBefore(c, a);
    EXPECT_EQ(rs.GetIndex(c), 1);
    rs.MoveBefore(first, nullptr);
    EXPECT_EQ(rs.GetIndex(first), 3);
    CDBRecord stranger;
    rs.MoveBefore(a, &stranger); // not ours: nothing happens
    EXPECT_EQ(rs.GetIndex(a), 1);

    EXPECT_TRUE(rs.Delete(rs.GetRowPos(a)));
    EXPECT_FALSE(rs.GetRowPos(a).IsValid());
    EXPECT_FALSE(rs.Delete(&stranger));
    EXPECT_TRUE(rs.Delete(std::size_t(0))); // c
    EXPECT_FALSE(rs.Delete(std::size_t(5)));
    ASSERT_EQ(rs.getSize(), 2u);
    EXPECT_EQ(rs.getRecord(0), b);

    auto *own = new CDBRecord;
    rs.add(own);
    EXPECT_EQ(own->GetRowIndex(), 2u);
    std::vector<CDBRecord *> kept = { rs.getRecord(0), rs.getRecord(1), rs.getRecord(2) };
    rs.emptyRS();
    EXPECT_EQ(rs.getSize(), 0u);
    for (CDBRecord *r : kept)
        rs.DeleteDBRecord(r);
}

TEST(DBRecordset, PurgeRemovesDeletedRecordsInOnePassKeepingOrder)
{
    CDBRecordset rs;
    std::vector<CDBRecord *> kept;
    for (int i = 0; i < 7; ++i) {
        CDBRecord *r = rs.Append();
        if (i % 3 == 0)
            r->SetDeleted(true);
        else
            kept.push_back(r);
    }
    rs.purgeDeleted();
    ASSERT_EQ(rs.getSize(), kept.size());
    for (std::size_t i = 0; i < kept.size(); ++i)
        EXPECT_EQ(rs.getRecord(i), kept[i]);
    rs.Free();
    EXPECT_EQ(rs.getSize(), 0u);
}

TEST(DBRecordRow, ARecordHoldsItsRowUntilItChangesMovesOrIsCopied)
{
    TempDir dir;
    const std::string path = dir.file("rec.bin");
    CDBRecord a;
    ASSERT_EQ(a.GetTags().setString(7, "hello"), 0);
    EXPECT_FALSE(a.HoldsRowOf(0));
    CFileStream out;
    out.Open(path.c_str(), CFile::modeCreate | CFile::modeWrite);
    a.Write(out);
    out.Close();
    EXPECT_TRUE(a.HoldsRowOf(out.GetOpenSerial()));
    EXPECT_FALSE(a.HoldsRowOf(0));

    CFileStream in;
    in.Open(path.c_str(), CFile::modeRead);
    CDBRecord b;
    b.Read(in);
    // Read through another open, the same bytes are that open's row only.
    EXPECT_TRUE(b.HoldsRowOf(in.GetOpenSerial()));
    EXPECT_FALSE(b.HoldsRowOf(out.GetOpenSerial()));
    EXPECT_TRUE(a.HoldsRowOf(out.GetOpenSerial()));

    // Copies, a position given by hand, any change and a pointer handed out
    // for writing all end it.
    const CDBRecord copy(b);
    EXPECT_FALSE(copy.HoldsRowOf(in.GetOpenSerial()));
    CDBRecord assigned;
    assigned = b;
    EXPECT_FALSE(assigned.HoldsRowOf(in.GetOpenSerial()));
    b.SetPos(b.GetPos());
    EXPECT_FALSE(b.HoldsRowOf(in.GetOpenSerial()));
    in.GetFile()->SeekToBegin();
    b.Read(in);
    ASSERT_TRUE(b.HoldsRowOf(in.GetOpenSerial()));
    ASSERT_EQ(b.GetTags().setString(7, "hullo"), 0);
    EXPECT_FALSE(b.HoldsRowOf(in.GetOpenSerial()));
    in.GetFile()->SeekToBegin();
    b.Read(in);
    ASSERT_TRUE(b.HoldsRowOf(in.GetOpenSerial()));
    b.GetTags().get(0);
    EXPECT_FALSE(b.HoldsRowOf(in.GetOpenSerial()));
}
