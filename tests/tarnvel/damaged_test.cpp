// Damaged databases are refused with a reason and never crash the reader;
// a refused conversion leaves the target as it was.

#include "TarnvelTestSupport.h"

#include "ByteOrder.h"
#include "Convert.h"
#include "OutlinePdb.h"
#include "PdbFile.h"
#include "PdbLayout.h"

#include <gtest/gtest.h>

#include <functional>

using namespace tarnveltest;
using namespace tarnvel;

namespace {

std::string golden()
{
    return ReadFile(std::string(TEST_DATA_DIR) + "/sample.pdb");
}

// The code of the error that reading `bytes` as an outline throws, 0 when it
// reads; the message goes to `message`.
int readError(const std::string &bytes, std::string *message = nullptr)
{
    std::string text;
    const int code = RunGuarded(
        [&] {
            DecodeOutline(
                ReadPdb(reinterpret_cast<const std::uint8_t *>(bytes.data()), bytes.size()));
        },
        text);
    if (message)
        *message = text;
    return code;
}

void put16(std::string &bytes, std::size_t at, std::uint16_t v)
{
    bytes[at] = static_cast<char>(v >> 8);
    bytes[at + 1] = static_cast<char>(v);
}

void put32(std::string &bytes, std::size_t at, std::uint32_t v)
{
    put16(bytes, at, static_cast<std::uint16_t>(v >> 16));
    put16(bytes, at + 2, static_cast<std::uint16_t>(v));
}

std::size_t recordOffset(const std::string &bytes, std::size_t index)
{
    return getBE32(reinterpret_cast<const std::uint8_t *>(bytes.data()) + kHeaderSize
        + index * kRecordEntrySize);
}

TEST(DamagedDatabase, GoldenFileReads)
{
    EXPECT_EQ(readError(golden()), 0);
}

TEST(DamagedDatabase, EveryTruncationIsRefused)
{
    const std::string bytes = golden();
    for (std::size_t size = 0; size < bytes.size(); ++size)
        EXPECT_NE(readError(bytes.substr(0, size)), 0) << "cut to " << size << " bytes";
}

struct SDamage {
    const char *name;
    std::function<void(std::string &)> damage;
    int code;
    const char *reason;
};

class Damage : public ::testing::TestWithParam<SDamage> { };

TEST_P(Damage, IsRefusedWithItsReason)
{
    std::string bytes = golden();
    GetParam().damage(bytes);
    std::string message;
    EXPECT_EQ(readError(bytes, &message), GetParam().code) << message;
    EXPECT_NE(message.find(GetParam().reason), std::string::npos) << message;
}

INSTANTIATE_TEST_SUITE_P(Databases, Damage,
    ::testing::Values(
        SDamage { "HugeRecordCount", [](std::string &b) { put16(b, kHdrRecordCount, 0xFFFF); },
            kTarnvelErrNotDatabase, "record list runs past the end" },
        SDamage { "RecordPastTheEnd", [](std::string &b) { put32(b, kHeaderSize + 8, 0x7FFFFFFF); },
            kTarnvelErrNotDatabase, "record 2 starts past the end" },
        SDamage { "RecordsOutOfOrder",
            [](std::string &b) {
                put32(b, kHeaderSize + 8, static_cast<std::uint32_t>(recordOffset(b, 3)));
            },
            kTarnvelErrNotDatabase, "record 2 is out of order" },
        SDamage { "RecordInsideTheList", [](std::string &b) { put32(b, kHeaderSize, 4); },
            kTarnvelErrNotDatabase, "record 1 starts inside the record list" },
        SDamage { "AppInfoPastTheEnd",
            [](std::string &b) { put32(b, kHdrAppInfoOffset, 0xFFFFFFF0); }, kTarnvelErrNotDatabase,
            "AppInfo block starts past the end" },
        SDamage { "NameNotTerminated",
            [](std::string &b) { b.replace(0, kDbNameSize, kDbNameSize, 'x'); },
            kTarnvelErrNotDatabase, "name is not terminated" },
        SDamage { "ResourceDatabase",
            [](std::string &b) { put16(b, kHdrAttributes, kDbAttrResource); },
            kTarnvelErrNotDatabase, "resource database" },
        SDamage { "ChainedRecordList", [](std::string &b) { put32(b, kHdrNextRecordList, 100); },
            kTarnvelErrNotDatabase, "second record list" },
        SDamage { "OtherCreator", [](std::string &b) { b.replace(kHdrCreator, 4, "memo"); },
            kTarnvelErrNotOutline, "type and creator are Outl and memo" },
        SDamage { "UnknownRecordLayout", [](std::string &b) { b[recordOffset(b, 0)] = 9; },
            kTarnvelErrDamaged, "item 1 has the unknown layout 9" },
        SDamage { "TextLongerThanRecord",
            [](std::string &b) { put16(b, recordOffset(b, 1) + kItemTextLength, 60000); },
            kTarnvelErrDamaged, "texts of the item 2 run past its record" },
        // The drawing follows the 14 bytes of "Bed layout \xE9t\xE9"; its first byte is the format
        // code.
        SDamage { "DamagedDrawing",
            [](std::string &b) { b[recordOffset(b, 2) + kItemFixedSize + 14] = 7; },
            kTarnvelErrDamaged, "drawing of the item 3 cannot be read" },
        SDamage { "DrawingFlagWithoutDrawing",
            [](std::string &b) { b[recordOffset(b, 0) + kItemFlags] |= kItemHasDrawing; },
            kTarnvelErrDamaged, "drawing of the item 1 is missing" },
        SDamage { "ZeroByteInText",
            [](std::string &b) { b[recordOffset(b, 0) + kItemFixedSize + 2] = 0; },
            kTarnvelErrDamaged, "zero byte" },
        SDamage { "CategoryIndexOutOfRange",
            [](std::string &b) {
                b[getBE32(reinterpret_cast<const std::uint8_t *>(b.data()) + kHdrAppInfoOffset)
                    + kCategoryBlockSize + 2]
                    = 16;
            },
            kTarnvelErrDamaged, "category index 16 is out of range" },
        SDamage { "HugeDeletedCount",
            [](std::string &b) {
                // Title and match name lengths come first; the count follows them.
                const std::size_t block
                    = getBE32(reinterpret_cast<const std::uint8_t *>(b.data()) + kHdrAppInfoOffset)
                    + kCategoryBlockSize;
                const std::size_t title = block + kOutlineFixedSize;
                const std::size_t match
                    = title + 2 + getBE16(reinterpret_cast<const std::uint8_t *>(b.data()) + title);
                const std::size_t count
                    = match + 2 + getBE16(reinterpret_cast<const std::uint8_t *>(b.data()) + match);
                put16(b, count, 0xFFFF);
            },
            kTarnvelErrDamaged, "deleted items runs past" },
        SDamage { "CategoryTableCutShort",
            [](std::string &b) {
                put32(b, kHdrAppInfoOffset, static_cast<std::uint32_t>(recordOffset(b, 0) - 10));
            },
            kTarnvelErrDamaged, "category table is cut short" }),
    [](const ::testing::TestParamInfo<SDamage> &info) { return std::string(info.param.name); });

// Flipping any single byte may give another valid outline or an error, but
// never a crash or a read outside the file (the sanitizer build checks that).
TEST(DamagedDatabase, EveryFlippedByteIsSurvived)
{
    const std::string bytes = golden();
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::string damaged = bytes;
        damaged[i] = static_cast<char>(damaged[i] ^ 0xFF);
        readError(damaged);
    }
}

TEST(DamagedDatabase, RefusedConversionLeavesTheTargetAlone)
{
    CTempFolder folder;
    const std::string pdb = folder / "broken.pdb";
    const std::string outline = folder / "Broken.kxo";
    WriteBytes(pdb, golden().substr(0, 300));
    WriteBytes(outline, "the user's outline");
    std::string message;
    EXPECT_EQ(
        RunGuarded([&] { ConvertPdbToOutline(pdb, outline); }, message), kTarnvelErrNotDatabase);
    EXPECT_EQ(ReadFile(outline), "the user's outline");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 2);
}

TEST(DamagedDatabase, MissingAndForeignSourceFiles)
{
    CTempFolder folder;
    std::string message;
    EXPECT_EQ(
        RunGuarded([&] { ConvertPdbToOutline(folder / "none.pdb", folder / "x.kxo"); }, message),
        kTarnvelErrRead);
    EXPECT_EQ(RunGuarded([&] { ConvertPdbToOutline(folder.Path(), folder / "x.kxo"); }, message),
        kTarnvelErrRead);
    WriteBytes(folder / "not.kxo", golden());
    EXPECT_EQ(
        RunGuarded([&] { ConvertOutlineToPdb(folder / "not.kxo", folder / "x.pdb"); }, message),
        kTarnvelErrOutlineFile);
    EXPECT_NE(message.find("cannot be read"), std::string::npos) << message;
    EXPECT_FALSE(std::filesystem::exists(folder / "x.pdb"));
}

} // namespace
