// The file names of the .pdb import and export.

#include "ExchangeText.h"
#include "PdbNames.h"

#include "OutlineServices.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace exchange;

namespace {

class CRecordingSink : public CMessageSink {
public:
    void ShowMessage(const kx_gen::_String &text) override { m_Messages.push_back(text.str()); }
    std::vector<std::string> m_Messages;
};

TEST(PdbNames, FiltersOfBothDialogs)
{
    const std::vector<SFileFilter> filters = PdbFileFilters();
    ASSERT_EQ(filters.size(), 5u);
    const char *expected[5][2] = {
        { "Outlines (*.kxo.pdb)", "*.kxo.pdb" },
        { "Outlines (*_kxo.pdb)", "*_kxo.pdb" },
        { "Templates (*.kxt.pdb)", "*.kxt.pdb" },
        { "Templates (*_kxt.pdb)", "*_kxt.pdb" },
        { "All Files", "*.*" },
    };
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(filters[i].m_strName.str(), expected[i][0]);
        EXPECT_EQ(filters[i].m_strPattern.str(), expected[i][1]);
    }
}

TEST(PdbNames, ExportProposesTheTitleWithUnderscores)
{
    EXPECT_EQ(ProposedPdbFileName("My list").str(), "My_list");
    EXPECT_EQ(ProposedPdbFileName(" a b ").str(), "_a_b_");
}

TEST(PdbNames, ExportTitleHasAtMost23Characters)
{
    CRecordingSink sink;
    const std::string title23(23, 'n');
    EXPECT_TRUE(CheckPdbFileTitle(("/tmp/" + title23 + ".kxo.pdb").c_str(), &sink));
    EXPECT_TRUE(CheckPdbFileTitle(("/tmp/" + title23 + ".pdb").c_str(), &sink));
    EXPECT_TRUE(sink.m_Messages.empty());
    EXPECT_FALSE(CheckPdbFileTitle(("/tmp/" + title23 + "x.kxo.pdb").c_str(), &sink));
    // Only the last dot is cut: Name_kxo.pdb keeps its "_kxo".
    EXPECT_FALSE(CheckPdbFileTitle(("/tmp/" + std::string(20, 'n') + "_kxo.pdb").c_str(), &sink));
    ASSERT_EQ(sink.m_Messages.size(), 2u);
    EXPECT_EQ(sink.m_Messages[0], "The file title should be maximum 23 characters long!");
}

struct SImportCase {
    const char *file;
    const char *title;
    bool isTemplate;
};

class ImportName : public ::testing::TestWithParam<SImportCase> { };

TEST_P(ImportName, FollowsTheRealSuffixes)
{
    const SImportName name = ImportNameFromPdb(GetParam().file);
    EXPECT_EQ(name.m_strTitle.str(), GetParam().title);
    EXPECT_EQ(name.m_bTemplate, GetParam().isTemplate);
    EXPECT_STREQ(name.Extension(), GetParam().isTemplate ? "kxt" : "kxo");
}

INSTANTIATE_TEST_SUITE_P(Files, ImportName,
    ::testing::Values(SImportCase { "/in/Plan_kxo.pdb", "Plan", false },
        SImportCase { "/in/Plan.kxo.pdb", "Plan", false },
        SImportCase { "/in/Ideas.kxt.pdb", "Ideas", true },
        SImportCase { "/in/Ideas_kxt.pdb", "Ideas", true },
        SImportCase { "/in/SHOUT.KXT.PDB", "SHOUT", true },
        // Names that the rule "title minus four characters, kind by the last
        // three" got wrong: a short title, and a plain name taken for a
        // template.
        SImportCase { "/in/kxo.pdb", "kxo", false }, SImportCase { "/in/ab.pdb", "ab", false },
        SImportCase { "/in/Notes.pdb", "Notes", false },
        SImportCase { "/in/Notes.txt.pdb", "Notes.txt", false },
        SImportCase { "/in/_kxt.pdb", "_kxt", false }, SImportCase { "/in/Memo", "Memo", false },
        SImportCase { "/in/  A very long name for a plan kept here_kxo.pdb",
            "A very long name for a plan", false },
        SImportCase { "/in/What?_kxo.pdb", "What", false }));

} // namespace
