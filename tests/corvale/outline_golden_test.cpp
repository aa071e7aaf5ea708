// The golden files in tests/corvale/data are written by the library itself
// (run with CORVALE_UPDATE_GOLDEN=1 to write them again after a deliberate
// format change). These tests check that the library still writes them byte
// for byte, and reads them back as they were made.

#include "OutlineFixtures.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace kx_gen;
using namespace outline_test;

namespace {

const std::string kData = TEST_DATA_DIR;

// Bytes the library writes now for one golden file.
std::string written(const std::function<void(const std::string &)> &write)
{
    TempDir dir;
    const std::string path = dir.file("golden");
    write(path);
    return readFile(path);
}

void expectGolden(const std::string &name, const std::string &bytes)
{
    const std::string path = kData + "/" + name;
    if (std::getenv("CORVALE_UPDATE_GOLDEN"))
        writeFile(path, bytes);
    const std::string golden = readFile(path);
    ASSERT_FALSE(golden.empty()) << path;
    EXPECT_EQ(golden.size(), bytes.size()) << name;
    EXPECT_TRUE(golden == bytes) << name << " is no longer written byte for byte";
}

void writeSample(const std::string &path)
{
    COutlineDB db;
    buildSampleOutline(db);
    writeNew(db, path);
}

// The sample with one record's end marker broken.
void writeDamaged(const std::string &path)
{
    writeSample(path);
    COutlineDB db;
    load(db, path);
    const CDBRecord *record = db.getRecord(2);
    std::string bytes = readFile(path);
    bytes[record->GetPos() + 8 + record->GetRecSize()] = 'X';
    writeFile(path, bytes);
}

// The sample whose drawing bytes cannot be turned into a picture.
void writeBadDrawing(const std::string &path)
{
    COutlineDB db;
    buildSampleOutline(db);
    COutlineRecord *holiday = db.GetOutlineRecord(3);
    std::uint32_t size = 0;
    const std::uint8_t *data = holiday->GetDrawingData(size);
    std::string drawing(reinterpret_cast<const char *>(data), size);
    drawing[0] = 9; // an unknown format code
    holiday->SetDrawingData(drawing.data(), size);
    writeNew(db, path);
}

void writeOld(const std::string &path)
{
    COldOutlineDB db;
    buildOldOutline(db);
    writeNew(db, path);
}

} // namespace

class Golden : public ::testing::Test {
    UnfiledName m_unfiled;
};

TEST_F(Golden, LibraryWritesEveryGoldenFileByteForByte)
{
    expectGolden("outline_empty.kxo", written([](const std::string &path) {
        COutlineDB db;
        buildEmptyOutline(db);
        writeNew(db, path);
    }));
    expectGolden("template_sample.kxt", written([](const std::string &path) {
        COutlineDB db;
        buildTemplate(db);
        writeNew(db, path);
    }));
    expectGolden("outline_sample.kxo", written(writeSample));
    expectGolden("outline_damaged.kxo", written(writeDamaged));
    expectGolden("outline_bad_drawing.kxo", written(writeBadDrawing));
    expectGolden("outline_header300.kxo", written(writeOld));
    expectGolden("memory_outline.kxm", written([](const std::string &path) {
        CMemOutlDB db;
        buildMemoryOutline(db);
        writeMemoryOutline(db, path);
    }));
    expectGolden("sample_categories.dat", written([](const std::string &path) {
        CCategoryDB db;
        buildCategories(db);
        writeNew(db, path);
    }));
}

TEST_F(Golden, EmptyOutlineIsTheNewFileOf1313Bytes)
{
    const std::string bytes = readFile(kData + "/outline_empty.kxo");
    EXPECT_EQ(bytes.size(), 1313u);
    COutlineDB db;
    load(db, kData + "/outline_empty.kxo");
    EXPECT_EQ(db.GetRecordset()->getSize(), 0u);
    EXPECT_EQ(db.GetCategoryName(), "Unfiled");
    EXPECT_EQ(db.GetOutlineTitle(), "Untitled");
}

TEST_F(Golden, SampleReadsBackAsItWasMade)
{
    COutlineDB made;
    buildSampleOutline(made);
    COutlineDB db;
    load(db, kData + "/outline_sample.kxo");

    EXPECT_EQ(db.GetOutlineTitle(), "Groceries & plans");
    EXPECT_EQ(db.GetCategoryName(), "Home");
    EXPECT_TRUE(db.compareSharedHeader(made));
    EXPECT_TRUE(db.comparePrivateHeader(made));
    EXPECT_EQ(db.GetSelectedIndex(), 2u);
    EXPECT_EQ(db.GetTopIndex(), 1u);
    EXPECT_EQ(db.getNumberingDivider(), 0x2E2E);
    LOGFONT font;
    COLORREF colour = 0;
    db.GetOutlineFont(font, colour);
    EXPECT_STREQ(font.lfFaceName, "Arial");
    EXPECT_EQ(font.lfHeight, -13);
    EXPECT_EQ(colour, RGB(0x10, 0x20, 0x30));
    WINDOWPLACEMENT placement;
    db.GetOutlineWindowPos(placement);
    EXPECT_EQ(placement.length, 44u);
    EXPECT_EQ(placement.rcNormalPosition.right, 610);
    EXPECT_EQ(db.GetDeletedQuibs().GetIds(), (std::vector<std::uint32_t> { 7, 9 }));

    ASSERT_EQ(db.GetRecordset()->getSize(), made.GetRecordset()->getSize());
    for (std::size_t i = 0; i < made.GetRecordset()->getSize(); ++i) {
        const COutlineRecord *a = made.GetOutlineRecord(i);
        const COutlineRecord *b = db.GetOutlineRecord(i);
        EXPECT_EQ(std::string(reinterpret_cast<const char *>(b->GetRawDataPtr()), b->GetRecSize()),
            std::string(reinterpret_cast<const char *>(a->GetRawDataPtr()), a->GetRecSize()))
            << "record " << i;
        EXPECT_TRUE(b->IsFileRecord());
    }
    const COutlineRecord *holiday = db.GetOutlineRecord(3);
    std::uint32_t width = 0, height = 0;
    holiday->GetDrawingSize(width, height);
    EXPECT_EQ(width, 16u);
    EXPECT_EQ(height, 8u);
    MemHolder dib(holiday->GetDrawing());
    EXPECT_TRUE(dib);
    EXPECT_EQ(db.GetOutlineRecord(5)->GetText(), "Caf\xe9 \xfc\x62\x65r \x80 5");
}

TEST_F(Golden, DamagedFilesAreRefusedWithTheLibrarysMessages)
{
    COutlineDB damaged;
    const Thrown t = thrown([&] { load(damaged, kData + "/outline_damaged.kxo"); });
    EXPECT_EQ(t.id, kMsgMissingEndRecord);
    EXPECT_TRUE(t.db);

    COutlineDB badDrawing;
    load(badDrawing, kData + "/outline_bad_drawing.kxo");
    EXPECT_TRUE(badDrawing.GetOutlineRecord(3)->HasDrawing());
    EXPECT_EQ(badDrawing.GetOutlineRecord(3)->GetDrawing(), nullptr);
}

TEST_F(Golden, OtherKindsReadBack)
{
    CMemOutlDB memory;
    memory.CFileStream::Open((kData + "/memory_outline.kxm").c_str(), CFile::modeRead);
    memory.ReadDbInfo();
    memory.CheckDbInfo();
    memory.ReadRows();
    memory.Close();
    ASSERT_EQ(memory.GetRecordset()->getSize(), 3u);
    EXPECT_EQ(memory.GetLinkedRecord(0)->GetPos(), 10u);
    EXPECT_EQ(memory.GetLinkedRecord(2)->getParentId(), 2u);
    EXPECT_EQ(memory.GetLinkedRecord(2)->GetText(), "linked 3");

    CCategoryDB categories;
    categories.LoadFile((kData + "/sample_categories.dat").c_str());
    EXPECT_EQ(categories.GetCategoryCount(), 3u);
    EXPECT_NE(categories.FindCategory("Work"), nullptr);
}
