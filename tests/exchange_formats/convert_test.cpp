// vellacor-convert: formats by extension, the refusal to overwrite, the
// exit statuses, and the conversions through the two outside libraries.

#include "FormatsTestSupport.h"

#include "Convert.h"
#include "FormatExchange.h"

#include <sstream>

using namespace formats;

namespace {

class CConvert : public ::testing::Test {
protected:
    void SetUp() override
    {
        CRecordingSink sink;
        COutlineMan man(nullptr, &sink);
        MakeSample(man);
        m_strDump = Dump(man);
        m_strSample = m_Dir / "Sample.kxo";
        ASSERT_TRUE(man.Save(m_strSample.c_str()));
    }

    int Run(const std::vector<std::string> &args)
    {
        m_Out.str("");
        m_Err.str("");
        return RunConvertCommand(args, m_Out, m_Err);
    }

    std::string DumpOf(const std::string &kxo)
    {
        CRecordingSink sink;
        COutlineMan man(nullptr, &sink);
        EXPECT_TRUE(man.Load(kxo.c_str()));
        return Dump(man);
    }

    CScratch m_Dir;
    std::string m_strSample;
    std::string m_strDump;
    std::ostringstream m_Out;
    std::ostringstream m_Err;
};

TEST_F(CConvert, NeverOverwritesWithoutForce)
{
    const std::string out = m_Dir / "out.md";
    WriteText(out, "mine");
    EXPECT_EQ(Run({ m_strSample, out }), 1);
    EXPECT_NE(m_Err.str().find("the file exists (use --force to replace it)"), std::string::npos);
    EXPECT_EQ(ReadText(out), "mine");

    EXPECT_EQ(Run({ "--force", m_strSample, out }), 0) << m_Err.str();
    EXPECT_NE(ReadText(out).find("- [x] Seeds"), std::string::npos);

    // Also for outline files written by an import.
    const std::string kxo = m_Dir / "back.kxo";
    WriteText(kxo, "keep");
    EXPECT_EQ(Run({ out, kxo }), 1);
    EXPECT_EQ(ReadText(kxo), "keep");
}

TEST_F(CConvert, WrongUsageIsStatusTwo)
{
    EXPECT_EQ(Run({}), 2);
    EXPECT_EQ(Run({ m_strSample }), 2);
    EXPECT_EQ(Run({ "--bogus", m_strSample, m_Dir / "x.md" }), 2);
    EXPECT_EQ(Run({ "--convert-to", "rtf", m_strSample }), 2);
    EXPECT_EQ(Run({ "--convert-to", "md" }), 2);
    EXPECT_EQ(Run({ "--convert-to" }), 2);
    EXPECT_NE(m_Err.str().find("Usage:"), std::string::npos);
    EXPECT_EQ(Run({ "--help" }), 0);
    EXPECT_NE(m_Out.str().find("--convert-to FORMAT"), std::string::npos);
}

TEST_F(CConvert, RefusesFormatsItDoesNotKnowAndMissingFiles)
{
    EXPECT_EQ(Run({ m_strSample, m_Dir / "x.rtf" }), 1);
    EXPECT_NE(m_Err.str().find("cannot write this kind of file"), std::string::npos);
    EXPECT_EQ(Run({ m_Dir / "page.html", m_Dir / "x.kxo" }), 1);
    EXPECT_NE(m_Err.str().find("cannot read this kind of file"), std::string::npos);
    EXPECT_EQ(Run({ m_Dir / "none.opml", m_Dir / "x.kxo" }), 1);
    EXPECT_NE(m_Err.str().find("no such file"), std::string::npos);
    EXPECT_FALSE(fs::exists(m_Dir / "x.kxo"));
}

TEST_F(CConvert, DamagedInputIsRefusedAndWritesNothing)
{
    WriteText(m_Dir / "bad.opml", "<opml><body><outline text='a'>");
    EXPECT_EQ(Run({ m_Dir / "bad.opml", m_Dir / "bad.kxo" }), 1);
    EXPECT_NE(
        m_Err.str().find("bad.opml: Line 1: the file is no well-formed XML"), std::string::npos)
        << m_Err.str();
    WriteText(m_Dir / "bad.kxo", "\x78\x56\x34\x12 not really");
    EXPECT_EQ(Run({ m_Dir / "bad.kxo", m_Dir / "bad.md" }), 1);
    EXPECT_FALSE(fs::exists(m_Dir / "bad.md"));
    EXPECT_TRUE(fs::directory_iterator(m_Dir.Path()) != fs::directory_iterator());
    for (const auto &entry : fs::directory_iterator(m_Dir.Path()))
        EXPECT_EQ(entry.path().string().find(".part"), std::string::npos) << entry.path();
}

TEST_F(CConvert, ConvertsAFolderOfOutlines)
{
    ASSERT_TRUE(fs::copy_file(m_strSample, m_Dir / "Second.kxo"));
    const std::string outDir = m_Dir / "markdown";
    EXPECT_EQ(Run({ "--convert-to", "md", "--outdir", outDir, m_strSample, m_Dir / "Second.kxo",
                  m_Dir / "missing.kxo" }),
        1);
    EXPECT_TRUE(fs::exists(outDir + "/Sample.md"));
    EXPECT_TRUE(fs::exists(outDir + "/Second.md"));
    EXPECT_NE(m_Err.str().find("missing.kxo: no such file"), std::string::npos);
    EXPECT_EQ(Run({ "--convert-to", "kxo", outDir + "/Sample.md" }), 0) << m_Err.str();
    EXPECT_EQ(DumpOf(outDir + "/Sample.kxo"), m_strDump);
}

TEST_F(CConvert, GoesThroughThePdbConverterAndWord)
{
    for (const char *ext : { ".pdb", ".docx" }) {
        const std::string middle = m_Dir / (std::string("middle") + ext);
        const std::string back = m_Dir / (std::string("back-") + (ext + 1) + ".kxo");
        ASSERT_EQ(Run({ m_strSample, middle }), 0) << m_Err.str();
        ASSERT_EQ(Run({ middle, back }), 0) << m_Err.str();
        EXPECT_EQ(DumpOf(back), m_strDump) << ext;
    }
    // And from the Markdown of the sample straight to the handheld's file.
    ASSERT_EQ(Run({ m_strSample, m_Dir / "s.md" }), 0);
    EXPECT_EQ(Run({ m_Dir / "s.md", m_Dir / "s.pdb" }), 0) << m_Err.str();
    EXPECT_EQ(Run({ m_Dir / "s.pdb", m_Dir / "s.kxo" }), 0) << m_Err.str();
    EXPECT_EQ(DumpOf(m_Dir / "s.kxo"), m_strDump);
}

} // namespace
