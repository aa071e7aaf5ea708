// Outline file -> database -> outline file keeps every field the handheld
// has; the database bytes match the golden file.

#include "TarnvelTestSupport.h"

#include "Convert.h"
#include "KxoFile.h"
#include "PdbLayout.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace tarnveltest;

namespace {

class RoundTrip : public ::testing::Test {
protected:
    CTempFolder m_folder;
    std::string m_outline = m_folder / "Garden_plan.kxo";
    std::string m_pdb = m_folder / "Garden_plan.kxo.pdb";
    std::string m_back = m_folder / "Back.kxo";
};

TEST_F(RoundTrip, KeepsEveryHandheldField)
{
    WriteSampleOutline(m_outline);
    tarnvel::ConvertOutlineToPdb(m_outline, m_pdb);
    tarnvel::ConvertPdbToOutline(m_pdb, m_back);
    const std::string before = DumpOutlineFile(m_outline);
    EXPECT_EQ(DumpOutlineFile(m_back), before);
    // The dump must have seen the interesting fields at all.
    EXPECT_NE(before.find("note [Order seeds\r\nby March]"), std::string::npos);
    EXPECT_NE(before.find("category Work"), std::string::npos);
    EXPECT_NE(before.find("drawing 1"), std::string::npos) << before;
}

TEST_F(RoundTrip, SecondTripGivesTheSameBytes)
{
    WriteSampleOutline(m_outline);
    SetFileTime(m_outline, kSampleTime);
    tarnvel::ConvertOutlineToPdb(m_outline, m_pdb);
    tarnvel::ConvertPdbToOutline(m_pdb, m_back);
    SetFileTime(m_back, kSampleTime);
    const std::string again = m_folder / "again.pdb";
    tarnvel::ConvertOutlineToPdb(m_back, again);
    EXPECT_EQ(ReadFile(again), ReadFile(m_pdb));
}

TEST_F(RoundTrip, UnfiledOutlineAndTemplate)
{
    WriteSampleOutline(m_outline, "Unfiled");
    const std::string templ = m_folder / "Plan.kxt";
    std::filesystem::copy_file(m_outline, templ);
    tarnvel::ConvertOutlineToPdb(templ, m_pdb);
    const std::string bytes = ReadFile(m_pdb);
    const tarnvel::SOutline read = tarnvel::DecodeOutline(
        tarnvel::ReadPdb(reinterpret_cast<const std::uint8_t *>(bytes.data()), bytes.size()));
    EXPECT_TRUE(read.m_bTemplate);
    EXPECT_EQ(read.m_strCategory, "Unfiled");
    EXPECT_EQ(read.m_nCategoryIndex, 0);
    tarnvel::ConvertPdbToOutline(m_pdb, m_back);
    EXPECT_EQ(DumpOutlineFile(m_back), DumpOutlineFile(m_outline));
}

TEST_F(RoundTrip, EmptyOutline)
{
    COutlineDB db;
    db.InitNewDatabase();
    // Every outline on the handheld has a category: one without comes back
    // under the unfiled one, so the round trip starts there.
    db.SetCategoryName("Unfiled");
    db.Open(m_outline.c_str(), CFile::modeCreate | CFile::modeWrite);
    db.WriteAllHeaders();
    db.WriteRows();
    db.Close();
    tarnvel::ConvertOutlineToPdb(m_outline, m_pdb);
    const std::string bytes = ReadFile(m_pdb);
    EXPECT_TRUE(tarnvel::ReadPdb(reinterpret_cast<const std::uint8_t *>(bytes.data()), bytes.size())
                    .m_records.empty());
    tarnvel::ConvertPdbToOutline(m_pdb, m_back);
    EXPECT_EQ(DumpOutlineFile(m_back), DumpOutlineFile(m_outline));
}

// Regenerate with TARNVEL_WRITE_GOLDEN=1 after a deliberate layout change.
TEST_F(RoundTrip, MatchesGoldenFiles)
{
    WriteSampleOutline(m_outline);
    SetFileTime(m_outline, kSampleTime);
    tarnvel::ConvertOutlineToPdb(m_outline, m_pdb);
    const std::string golden = std::string(TEST_DATA_DIR) + "/sample.pdb";
    const std::string goldenOutline = std::string(TEST_DATA_DIR) + "/sample.kxo";
    if (std::getenv("TARNVEL_WRITE_GOLDEN")) {
        WriteBytes(golden, ReadFile(m_pdb));
        WriteBytes(goldenOutline, ReadFile(m_outline));
    }
    EXPECT_EQ(ReadFile(m_pdb), ReadFile(golden));
    // And the golden database reads back into the golden outline file.
    tarnvel::ConvertPdbToOutline(golden, m_back);
    EXPECT_EQ(ReadFile(m_back), ReadFile(goldenOutline));
}

TEST_F(RoundTrip, ItemTooLargeForTheHandheldIsRefusedAndNothingWritten)
{
    COutlineDB db;
    db.InitNewDatabase();
    AddItem(db, 0, std::string(70000, 'x').c_str(), 0);
    db.Open(m_outline.c_str(), CFile::modeCreate | CFile::modeWrite);
    db.WriteAllHeaders();
    db.WriteRows();
    db.Close();
    WriteBytes(m_pdb, "previous");
    try {
        tarnvel::ConvertOutlineToPdb(m_outline, m_pdb);
        FAIL() << "converted";
    } catch (const tarnvel::CConvertError &e) {
        EXPECT_EQ(e.Code(), kTarnvelErrTooLarge);
        EXPECT_NE(std::string(e.what()).find("item 1"), std::string::npos) << e.what();
    }
    EXPECT_EQ(ReadFile(m_pdb), "previous");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_folder.Path()), {}), 2);
}

TEST(TextLineEnds, ParagraphsTravelAsLineFeeds)
{
    EXPECT_EQ(tarnvel::ToHandheldText("a\r\nb\r\n"), "a\nb\n");
    EXPECT_EQ(tarnvel::ToDesktopText("a\nb\n"), "a\r\nb\r\n");
    // What the desktop never writes survives as it is.
    EXPECT_EQ(tarnvel::ToHandheldText("a\rb"), "a\rb");
    EXPECT_EQ(tarnvel::ToDesktopText("a\r\nb"), "a\r\nb");
}

} // namespace
