#include "Thrown.h"

#include "kx_gen/Exception.h"
#include "kx_gen/FileStream.h"
#include "kx_gen/MemFile.h"
#include "kx_gen/SharedFile.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace kx_gen;

namespace {

using corvale_test::thrownMessage;

std::string contents(MemFile &f)
{
    return std::string(
        reinterpret_cast<const char *>(f.GetBufferPtr()), static_cast<std::size_t>(f.GetLength()));
}

// Counts the allocations a memory file makes, to see its grow steps.
class CountingMemFile : public MemFile {
public:
    using MemFile::MemFile;
    std::vector<std::size_t> sizes;

protected:
    unsigned char *Alloc(std::size_t bytes) override
    {
        sizes.push_back(bytes);
        return MemFile::Alloc(bytes);
    }
    unsigned char *Realloc(unsigned char *block, std::size_t bytes) override
    {
        sizes.push_back(bytes);
        return MemFile::Realloc(block, bytes);
    }
};

} // namespace

TEST(MemFileGrowth, GrowsInWholeStepsAndZeroFillsGaps)
{
    CountingMemFile f(16);
    f.Write("abc", 3);
    f.Write("0123456789abcdef", 16);
    EXPECT_EQ(f.sizes, (std::vector<std::size_t> { 16, 32 }));
    f.Seek(40, CFile::begin);
    f.Write("z", 1);
    EXPECT_EQ(f.sizes.back(), 48u);
    EXPECT_EQ(f.GetLength(), 41u);
    EXPECT_EQ(contents(f), std::string("abc0123456789abcdef") + std::string(21, '\0') + "z");

    f.SeekToBegin();
    char buf[4] = {};
    f.Read(buf, 3);
    EXPECT_STREQ(buf, "abc");
    f.Seek(-2, CFile::end);
    EXPECT_EQ(thrownMessage([&] { f.Read(buf, 4); }), kMsgFileReadError);
    EXPECT_EQ(f.GetPosition(), 39u);
    EXPECT_EQ(thrownMessage([&] { f.Seek(-1, CFile::begin); }), kMsgFileIO);

    f.SetLength(2);
    f.SetLength(5);
    EXPECT_EQ(contents(f), std::string("ab\0\0\0", 5));
    f.Close();
    EXPECT_FALSE(f.IsOpen());
    EXPECT_EQ(f.GetBufferPtr(), nullptr);
}

TEST(MemFileGrowth, CallersBufferWithoutGrowStepCannotGrow)
{
    unsigned char buffer[8] = { '1', '2', '3', '4', '5', '6', '7', '8' };
    MemFile f(buffer, sizeof buffer);
    EXPECT_EQ(f.GetLength(), 8u);
    f.Seek(6, CFile::begin);
    f.Write("xy", 2);
    EXPECT_EQ(buffer[7], 'y');
    try {
        f.Write("z", 1);
        FAIL() << "a write past a fixed buffer must throw";
    } catch (CException *e) {
        ExceptionHolder h(e);
        EXPECT_EQ(e->GetStringId(), kMsgOutOfMemory);
        EXPECT_EQ(e->GetErrorNumber(), 10);
        EXPECT_EQ(e->GetDescription(), _String("Out of memory"));
    }
    EXPECT_EQ(f.GetLength(), 8u);
    EXPECT_EQ(f.Detach(), buffer);
}

TEST(MemFileGrowth, CallersBufferWithGrowStepMovesAndLeavesItAlone)
{
    unsigned char buffer[4] = { 'a', 'b', 'c', 'd' };
    MemFile f(buffer, sizeof buffer, 8);
    f.SeekToEnd();
    f.Write("ef", 2);
    EXPECT_NE(f.GetBufferPtr(), buffer);
    EXPECT_EQ(contents(f), "abcdef");
    EXPECT_EQ(std::string(reinterpret_cast<char *>(buffer), 4), "abcd");
    unsigned char *own = f.Detach();
    EXPECT_EQ(std::memcmp(own, "abcdef", 6), 0);
    std::free(own);
}

TEST(MemFileGrowth, StreamsWorkOnMemoryFiles)
{
    MemFile f;
    CFileStream s(&f);
    s << std::uint32_t(7) << _String("text");
    f.SeekToBegin();
    std::uint32_t n = 0;
    _String text;
    s >> n >> text;
    EXPECT_EQ(n, 7u);
    EXPECT_EQ(text, _String("text"));
    EXPECT_TRUE(f.IsEOF());
}

TEST(SharedFileBlocks, DetachHandsOverABlockOfTheFilesLength)
{
    SharedFile f(0, 64);
    f.Write("clipboard", 9);
    HMEM block = f.Detach();
    ASSERT_NE(block, nullptr);
    MemHolder holder(block);
    EXPECT_EQ(MemGetSize(block), 9u);
    EXPECT_EQ(std::memcmp(MemGetPtr(block), "clipboard", 9), 0);
    MemReleasePtr(block);
    EXPECT_FALSE(f.IsOpen());
    EXPECT_EQ(f.Detach(), nullptr);
}

TEST(SharedFileBlocks, SetHandleReadsAndOptionallyGrowsTheBlock)
{
    HMEM block = MemAlloc(4);
    std::memcpy(MemGetPtr(block), "wxyz", 4);
    MemReleasePtr(block);

    SharedFile fixed;
    fixed.SetHandle(block, false);
    char buf[5] = {};
    fixed.Read(buf, 4);
    EXPECT_STREQ(buf, "wxyz");
    EXPECT_EQ(thrownMessage([&] { fixed.Write("!", 1); }), kMsgOutOfMemory);
    block = fixed.Detach();

    SharedFile growing(0, 16);
    growing.SetHandle(block);
    growing.SeekToEnd();
    growing.Write("!", 1);
    // The file owns the block now and frees it on destruction.
    EXPECT_EQ(contents(growing), "wxyz!");
}
