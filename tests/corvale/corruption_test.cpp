#include "ContainerFixtures.h"
#include "TempDir.h"

#include "kx_gen/File.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <string>

using namespace kx_gen;
using namespace container_test;

namespace {

std::string le32(std::uint32_t v)
{
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i)
        s[i] = static_cast<char>(v >> (8 * i));
    return s;
}

// A small outline-like file: three headers, two records with plain and
// string tags. Records start at offset 1313.
std::string validFile(const TempDir &dir)
{
    CSampleDB db(3);
    db.InitNewDatabase();
    db.Header(3)->SetName("title");
    for (int i = 0; i < 2; ++i) {
        CDBRecord *r = db.GetRecordset()->Append();
        KX_TAG_CHECK(r->GetTags().setString(0, "text"));
        KX_TAG_CHECK(r->GetTags().setUInt16(4, 4));
    }
    const std::string path = dir.file("valid.kxo");
    db.Open(path.c_str(), CFile::modeCreate | CFile::modeWrite);
    db.WriteAllHeaders();
    db.WriteRows();
    db.Close();
    return dir.read("valid.kxo");
}

constexpr std::size_t kFirstRecord = 1313;
constexpr std::size_t kRecordSize = 12 + 32 + 20 + 17;

Thrown loadBytes(const TempDir &dir, const std::string &bytes)
{
    // A fresh file each time: truncating a file that holds data can cost
    // milliseconds on some file systems, and this runs thousands of times.
    dir.write("damaged.kxo", bytes);
    Thrown t;
    {
        CSampleDB db(3);
        t = thrown([&] { loadAll(db, dir.file("damaged.kxo")); });
    }
    std::remove(dir.file("damaged.kxo").c_str());
    return t;
}

} // namespace

TEST(ContainerCorruption, TruncatedAtEveryLengthReportsAReadError)
{
    TempDir dir;
    const std::string bytes = validFile(dir);
    ASSERT_EQ(bytes.size(), kFirstRecord + 2 * kRecordSize);
    EXPECT_EQ(loadBytes(dir, bytes).id, 0u);
    for (std::size_t length = 0; length < bytes.size(); ++length) {
        const Thrown t = loadBytes(dir, bytes.substr(0, length));
        EXPECT_EQ(t.id, 8u) << "length " << length;
        EXPECT_EQ(t.text, "File IO read error");
    }
}

TEST(ContainerCorruption, EveryFlippedByteEndsInSuccessOrALibraryError)
{
    TempDir dir;
    const std::string bytes = validFile(dir);
    std::map<unsigned, int> outcomes;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        for (unsigned char mask : { 0xFF, 0x01 }) {
            std::string damaged = bytes;
            damaged[i] = static_cast<char>(damaged[i] ^ mask);
            const Thrown t = loadBytes(dir, damaged);
            EXPECT_TRUE(t.id <= 25) << "offset " << i;
            ++outcomes[t.id];
            if (i < 4) {
                EXPECT_EQ(t.id, 13u);
            }
        }
    }
    // The damage is noticed in the places that can notice it.
    EXPECT_GT(outcomes[13], 0); // check code
    EXPECT_GT(outcomes[8], 0); // lengths and counts running past the end
    EXPECT_GT(outcomes[5], 0); // record start marker
    EXPECT_GT(outcomes[6], 0); // record end marker
    EXPECT_GT(outcomes[15], 0); // tag codes, tag lengths, string terminators
    EXPECT_GT(outcomes[0], 0); // padding and tag values: nothing to see
}

TEST(ContainerCorruption, LengthsAndCountsBeyondTheFileAreRefusedBeforeUse)
{
    TempDir dir;
    const std::string bytes = validFile(dir);
    const auto patched = [&](std::size_t at, const std::string &value) {
        std::string b = bytes;
        b.replace(at, value.size(), value);
        return b;
    };
    const auto start = std::chrono::steady_clock::now();

    // Header table: entry count, and the size of the last block.
    EXPECT_EQ(loadBytes(dir, patched(10, "\xFF\xFF")).id, 8u);
    EXPECT_EQ(loadBytes(dir, patched(10 + 2 + 12 + 2, le32(0xFFFFFFF0))).id, 8u);
    // The second block's size is covered by the file, but its tag length is not.
    EXPECT_EQ(loadBytes(dir, patched(285, le32(0x7FFFFFFF))).id, 14u);
    // Record length: 4 GiB announced in a small file.
    EXPECT_EQ(loadBytes(dir, patched(kFirstRecord + 4, le32(0xFFFFFFFF))).id, 8u);
    EXPECT_EQ(loadBytes(dir, patched(kFirstRecord + 4, le32(kRecordSize * 2))).id, 8u);
    // A row count far beyond the records in the file.
    EXPECT_EQ(loadBytes(dir, patched(6, le32(0xFFFFFFFF))).id, 8u);

    // Tags inside a record: a length past the end of the block, a bad code,
    // and a string without its terminator.
    const std::size_t tags = kFirstRecord + 8;
    const std::size_t stringTag = tags + 32 + 17;
    EXPECT_EQ(loadBytes(dir, patched(stringTag + 11, le32(6))).id, 15u);
    EXPECT_EQ(loadBytes(dir, patched(stringTag + 11, le32(0xFFFFFFFF))).id, 15u);
    EXPECT_EQ(loadBytes(dir, patched(tags + 16, "tb")).id, 15u);
    EXPECT_EQ(loadBytes(dir, patched(stringTag + 15 + 4, "!")).id, 15u);

    // None of this takes long: nothing walks or allocates what was announced.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST(ContainerCorruption, RecordStatusOfADamagedRecordIsAnErrorNotACrash)
{
    TempDir dir;
    std::string bytes = validFile(dir);
    bytes[kFirstRecord + 8 + 12] = 1; // status tag length 257 runs past the block
    dir.write("s.kxo", bytes);
    CSampleDB db(3);
    db.Open(dir.file("s.kxo").c_str(), CFile::modeRead);
    db.ReadRows();
    CDBRecord *r = db.getRecord(0);
    EXPECT_EQ(thrown([&] { r->IsNew(); }).id, 15u);
    EXPECT_EQ(thrown([&] { r->SetDeleted(true); }).id, 15u);
    db.purgeDeletedRecs(); // a record whose status cannot be read is kept
    EXPECT_EQ(db.GetRecordset()->getSize(), 2u);
}
