#include "kx_gen/Dib.h"
#include "kx_gen/DibUtil.h"
#include "kx_gen/Exception.h"
#include "kx_gen/File.h"

#include "dib_test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace kx_gen;
using namespace dibtest;

namespace {

class DibFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = std::filesystem::temp_directory_path()
            / ("dibfile-" + std::to_string(::getpid()) + "-"
                + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(m_dir);
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    std::string Path(const char *name) const { return (m_dir / name).string(); }

    std::vector<uint8_t> ReadAll(const std::string &path) const
    {
        std::ifstream in(path, std::ios::binary);
        return { std::istreambuf_iterator<char>(in), {} };
    }
    void WriteAll(const std::string &path, const std::vector<uint8_t> &bytes) const
    {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
    }

    std::filesystem::path m_dir;
};

uint32_t U32At(const std::vector<uint8_t> &b, std::size_t at)
{
    uint32_t v;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}

void PutU32(std::vector<uint8_t> &b, std::size_t at, uint32_t v)
{
    std::memcpy(b.data() + at, &v, 4);
}

// A bitmap file around DIB bytes with a 40-byte header.
std::vector<uint8_t> FileOf(const std::vector<uint8_t> &dib)
{
    std::vector<uint8_t> file(14, 0);
    file[0] = 'B';
    file[1] = 'M';
    PutU32(file, 2, uint32_t(14 + dib.size()));
    PutU32(file, 10, uint32_t(14 + 40 + DIBNumColors(dib.data()) * 4));
    file.insert(file.end(), dib.begin(), dib.end());
    return file;
}

} // namespace

TEST_F(DibFile, SavedBitmapReadsBackByteForByte)
{
    for (unsigned bits : { 1u, 4u, 8u, 24u }) {
        const uint32_t colors = bits <= 8 ? 1u << bits : 0;
        const auto dibBytes = DibBytes(13, 5, bits, GreyTable(colors), PatternRows(13, 5, bits),
            BI_RGB, 0, DIBWidthBytes(13, bits) * 5);
        MemHolder dib(ToBlock(dibBytes));
        const std::string path = Path("drawing.bmp");
        {
            CFile file(path.c_str(), CFile::modeCreate | CFile::modeWrite);
            ASSERT_TRUE(SaveDIB(dib.get(), file));
            file.Close();
        }
        const auto file = ReadAll(path);
        ASSERT_EQ(file.size(), 14 + dibBytes.size());
        EXPECT_EQ(file[0], 'B');
        EXPECT_EQ(file[1], 'M');
        EXPECT_EQ(U32At(file, 2), file.size());
        EXPECT_EQ(U32At(file, 6), 0u);
        EXPECT_EQ(U32At(file, 10), 14 + 40 + colors * 4);
        EXPECT_EQ(std::vector<uint8_t>(file.begin() + 14, file.end()), dibBytes);

        CFile in(path.c_str(), CFile::modeRead);
        MemHolder back(ReadDIBFile(in));
        ASSERT_TRUE(back) << bits;
        EXPECT_EQ(FromBlock(back.get()), dibBytes) << bits;
    }
}

TEST_F(DibFile, HolderLoadsAndSaves)
{
    const auto dibBytes = DibBytes(3, 2, 8, GreyTable(256), { 1, 2, 3, 0, 4, 5, 6, 0 });
    const std::string path = Path("in.bmp");
    WriteAll(path, FileOf(dibBytes));

    CDib dib;
    dib.LoadDIBFile(path.c_str());
    EXPECT_EQ(dib.GetSize().cx, 3);
    EXPECT_EQ(dib.GetSize().cy, 2);
    EXPECT_EQ(dib.GetPalette()->GetEntryCount(), 256u);
    EXPECT_EQ(FromBlock(dib.GetHDIB()), dibBytes);

    const std::string out = Path("out.bmp");
    ASSERT_TRUE(dib.SaveDIBFile(out.c_str()));
    EXPECT_EQ(ReadAll(out), FileOf(dibBytes));
    EXPECT_FALSE(dib.SaveDIBFile(Path("missing/dir/x.bmp").c_str()));

    MemHolder detached(dib.DetachDib());
    EXPECT_TRUE(detached);
    EXPECT_EQ(dib.GetHDIB(), nullptr);
    EXPECT_FALSE(dib.SaveDIBFile(out.c_str()));
}

TEST_F(DibFile, HolderReportsUnreadableFilesAndOddDibs)
{
    const std::string path = Path("text.bmp");
    WriteAll(path, std::vector<uint8_t>(100, 'x'));
    CDib dib;
    dib.ReplaceHDIB(CreateDIB(4, 4, 8));
    dib.InitDIBData();
    try {
        dib.LoadDIBFile(path.c_str());
        FAIL() << "no exception";
    } catch (CException *e) {
        ExceptionHolder holder(e);
        EXPECT_NE(dynamic_cast<CDBException *>(e), nullptr);
        EXPECT_EQ(e->GetDescription(), "Cannot load DIB");
    }
    // The DIB held before stays.
    EXPECT_EQ(dib.GetSize().cx, 4);

    try {
        dib.LoadDIBFile(Path("absent.bmp").c_str());
        FAIL() << "no exception";
    } catch (CFileException *e) {
        ExceptionHolder holder(e);
        EXPECT_EQ(e->GetCause(), CFileException::fileNotFound);
    }

    dib.ReplaceHDIB(ToBlock(DibBytes(1, -1, 24, {}, { 0, 0, 0, 0 })));
    try {
        dib.InitDIBData();
        FAIL() << "no exception";
    } catch (CException *e) {
        ExceptionHolder holder(e);
        EXPECT_EQ(e->GetDescription(), "The image is too big");
    }
    EXPECT_EQ(dib.GetHDIB(), nullptr);
}

TEST_F(DibFile, ReadsOtherHeaderKinds)
{
    // A core header with a 3-byte colour table.
    std::vector<uint8_t> core = { 'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 32, 0, 0, 0, //
        12, 0, 0, 0, 2, 0, 1, 0, 1, 0, 1, 0, //
        0, 0, 0, 255, 255, 255, //
        0x80, 0, 0, 0 };
    MemHolder fromCore(ReadDIBMemory(core.data(), core.size()));
    ASSERT_TRUE(fromCore);
    const auto dib = FromBlock(fromCore.get());
    ASSERT_EQ(dib.size(), 40u + 8 + 4);
    EXPECT_EQ(U32At(dib, 0), 40u);
    EXPECT_EQ(U32At(dib, 40 + 4), 0x00FFFFFFu);
    CDeviceBitmap bitmap = DIBToBitmap(fromCore.get(), nullptr);
    EXPECT_EQ(bitmap.Pixel(0, 0) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(bitmap.Pixel(1, 0) & 0xFFFFFF, 0u);

    // A V5 header with 5-6-5 bit fields, and a gap before the pixels.
    std::vector<uint8_t> v5(14 + 124, 0);
    v5[0] = 'B';
    v5[1] = 'M';
    PutU32(v5, 10, 14 + 124 + 6);
    PutU32(v5, 14, 124);
    PutU32(v5, 18, 1);
    PutU32(v5, 22, 1);
    v5[26] = 1;
    v5[28] = 16;
    PutU32(v5, 30, BI_BITFIELDS);
    PutU32(v5, 14 + 40, 0xF800);
    PutU32(v5, 14 + 44, 0x07E0);
    PutU32(v5, 14 + 48, 0x001F);
    v5.insert(v5.end(), { 9, 9, 9, 9, 9, 9, 0x00, 0xF8, 0, 0 }); // red in 5-6-5
    MemHolder fromV5(ReadDIBMemory(v5.data(), v5.size()));
    ASSERT_TRUE(fromV5);
    EXPECT_EQ(DIBToBitmap(fromV5.get(), nullptr).Pixel(0, 0) & 0xFFFFFF, 0xFF0000u);
}

TEST_F(DibFile, HostileFilesAreRefused)
{
    const auto good = FileOf(DibBytes(4, 4, 8, GreyTable(256), std::vector<uint8_t>(16)));
    ASSERT_TRUE(MemHolder(ReadDIBMemory(good.data(), good.size())));
    auto refused = [](const std::vector<uint8_t> &bytes) {
        MemHolder dib(ReadDIBMemory(bytes.data(), bytes.size()));
        return !dib;
    };

    for (std::size_t n = 0; n < good.size(); n += 41)
        EXPECT_TRUE(refused(std::vector<uint8_t>(good.begin(), good.begin() + n))) << n;
    auto bad = good;
    bad[0] = 'X';
    EXPECT_TRUE(refused(bad));
    bad = good;
    PutU32(bad, 14, 1000); // header size
    EXPECT_TRUE(refused(bad));
    bad = good;
    PutU32(bad, 10, uint32_t(good.size() + 1)); // pixel offset past the end
    EXPECT_TRUE(refused(bad));
    bad = good;
    PutU32(bad, 10, 20); // pixel offset inside the colour table
    EXPECT_TRUE(refused(bad));
    bad = good;
    PutU32(bad, 14 + 32, 0x10000000); // colours used
    EXPECT_TRUE(refused(bad));
    bad = good;
    PutU32(bad, 14 + 4, 30000); // width the rows cannot fill
    EXPECT_TRUE(refused(bad));
    bad = good;
    PutU32(bad, 14 + 8, 0x80000000); // height
    EXPECT_TRUE(refused(bad));
    bad = good;
    PutU32(bad, 14 + 4, 4096);
    PutU32(bad, 14 + 8, 4097); // too many pixels even with the bytes present
    bad.resize(bad.size() + 4096 * 4097);
    EXPECT_TRUE(refused(bad));
    bad = good;
    PutU32(bad, 14 + 16, BI_RLE8);
    PutU32(bad, 14 + 20, 1000); // compressed size past the end
    EXPECT_TRUE(refused(bad));

    // Run-length data that wanders off the image is clipped, not followed.
    auto rle = FileOf(DibBytes(4, 2, 8, GreyTable(256),
        { 0, 2, 200, 200, 255, 7, 0, 0, 0, 3, 1, 2, 3, 0, 0, 1 }, BI_RLE8));
    MemHolder wander(ReadDIBMemory(rle.data(), rle.size()));
    ASSERT_TRUE(wander);
    EXPECT_FALSE(DIBToBitmap(wander.get(), nullptr).IsNull());
}
