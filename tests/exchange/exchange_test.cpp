// The .pdb import and export as the GUI runs them, against the converter
// that palm-desktop setup installs into the HotSync folder.

#include "CabinetTestSupport.h"

#include "../tarnvel/TarnvelTestSupport.h"

#include "CabinetNames.h"

#include "ExchangeText.h"
#include "PdbExchange.h"
#include "RootList.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using cabinettest::ListFolder;

class PdbExchangeTest : public cabinettest::CPalmCabinetTest {
protected:
    void SetUp() override
    {
        CPalmCabinetTest::SetUp();
        std::filesystem::create_directories(Folder());
        std::filesystem::create_directories(m_temp / "out");
        m_outline = Folder() + "/Garden plan.kxo";
        tarnveltest::WriteSampleOutline(m_outline);
        m_roots.Init(Desktop(), Folder());
        m_roots.RefreshAll();
    }

    std::string Folder() const { return UserFolder("Ann"); }
    std::string Out(const std::string &name) const { return m_temp / ("out/" + name); }
    bool Called(const std::string &call) const
    {
        return std::find(m_documents.m_Calls.begin(), m_documents.m_Calls.end(), call)
            != m_documents.m_Calls.end();
    }
    bool Export(const std::string &pdb)
    {
        SPdbDialogSetup setup;
        return m_exchange.BeginExport(m_outline.c_str(), setup)
            && m_exchange.ExportToPdb(m_outline.c_str(), pdb.c_str());
    }
    bool Import(const std::string &pdb, kx_gen::_String &newPath)
    {
        SPdbDialogSetup setup;
        return m_exchange.BeginImport(setup)
            && m_exchange.ImportFromPdb(pdb.c_str(), &m_roots, newPath);
    }

    std::string m_outline;
    CRootList m_roots { m_env };
    CPdbExchange m_exchange { m_env, UserFolder("Ann").c_str() };
};

TEST_F(PdbExchangeTest, ExportThenImportGivesTheSameOutline)
{
    SPdbDialogSetup setup;
    ASSERT_TRUE(m_exchange.BeginExport(m_outline.c_str(), setup))
        << ::testing::PrintToString(m_prompter.m_Messages);
    EXPECT_EQ(setup.m_strCaption.str(), "Save As");
    EXPECT_EQ(setup.m_strFolder.str(), Folder());
    EXPECT_EQ(setup.m_strFileName.str(), "Garden_plan");
    EXPECT_FALSE(setup.m_bFileMustExist);
    EXPECT_EQ(setup.m_Filters.size(), 5u);
    const std::string pdb = Out("Garden_plan_kxo.pdb");
    ASSERT_TRUE(m_exchange.ExportToPdb(m_outline.c_str(), pdb.c_str()));

    // The next export starts in the folder of this one.
    ASSERT_TRUE(m_exchange.BeginExport(m_outline.c_str(), setup));
    EXPECT_EQ(setup.m_strFolder.str(), m_temp / "out/");
    m_exchange.Cancel();

    kx_gen::_String imported;
    ASSERT_TRUE(Import(pdb, imported)) << ::testing::PrintToString(m_prompter.m_Messages);
    EXPECT_EQ(imported.str(), Folder() + "/Garden_plan.kxo");
    EXPECT_EQ(
        tarnveltest::DumpOutlineFile(imported.str()), tarnveltest::DumpOutlineFile(m_outline));
    EXPECT_NE(m_roots.FindEntry(imported), nullptr);
    EXPECT_TRUE(Called("open " + imported.str()));
    EXPECT_TRUE(m_prompter.m_Messages.empty()) << m_prompter.m_Messages[0];
    EXPECT_EQ(ListFolder(Folder()),
        (std::vector<std::string> {
            "Archive", "Backup", "Conflicts", "Garden plan.kxo", "Garden_plan.kxo" }));
}

TEST_F(PdbExchangeTest, ImportAsTemplate)
{
    const std::string pdb = Out("Ideas.kxt.pdb");
    ASSERT_TRUE(Export(pdb));
    kx_gen::_String imported;
    ASSERT_TRUE(Import(pdb, imported));
    EXPECT_EQ(imported.str(), Folder() + "/Ideas.kxt");
    const CFileTreeRoot *root = m_roots.FindRootOf(imported);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->m_nKind, cabinet::kRootHandheldTemplates);
}

TEST_F(PdbExchangeTest, ExistingOutlineAnsweredNoGetsTheNextNumberedName)
{
    const std::string pdb = Out("Plan_kxo.pdb");
    ASSERT_TRUE(Export(pdb));
    const std::string existing = Folder() + "/Plan.kxo";
    tarnveltest::WriteBytes(existing, "the user's other outline");
    m_prompter.m_YesNo = { false };
    kx_gen::_String imported;
    ASSERT_TRUE(Import(pdb, imported));
    ASSERT_EQ(m_prompter.m_Questions.size(), 1u);
    EXPECT_EQ(m_prompter.m_Questions[0],
        "The file name Plan.kxo already exists. Overwrite the other file?");
    // Numbered names keep the length of the name they replace.
    EXPECT_EQ(imported.str(), Folder() + "/Pl-1.kxo");
    EXPECT_EQ(tarnveltest::ReadFile(existing), "the user's other outline");
}

TEST_F(PdbExchangeTest, ExistingOpenOutlineAnsweredYesIsClosedAndReplaced)
{
    const std::string pdb = Out("Plan_kxo.pdb");
    ASSERT_TRUE(Export(pdb));
    const std::string existing = Folder() + "/Plan.kxo";
    cabinettest::WriteOutline(existing, "Old plan", "Unfiled");
    m_documents.m_Open[existing] = true;
    m_prompter.m_YesNo = { true };
    kx_gen::_String imported;
    ASSERT_TRUE(Import(pdb, imported));
    EXPECT_EQ(imported.str(), existing);
    EXPECT_TRUE(Called("close " + existing + " discard"));
    EXPECT_EQ(tarnveltest::DumpOutlineFile(existing), tarnveltest::DumpOutlineFile(m_outline));
}

TEST_F(PdbExchangeTest, FailedImportChangesNothing)
{
    const std::string pdb = Out("Plan_kxo.pdb");
    tarnveltest::WriteBytes(pdb, std::string(100, 'x'));
    const std::string existing = Folder() + "/Plan.kxo";
    cabinettest::WriteOutline(existing, "Old plan", "Unfiled");
    const std::string before = tarnveltest::ReadFile(existing);
    m_documents.m_Open[existing] = true;
    m_prompter.m_YesNo = { true };
    kx_gen::_String imported;
    EXPECT_FALSE(Import(pdb, imported));
    ASSERT_EQ(m_prompter.m_Messages.size(), 1u);
    EXPECT_NE(m_prompter.m_Messages[0].find("not a valid Palm OS database"), std::string::npos)
        << m_prompter.m_Messages[0];
    EXPECT_EQ(tarnveltest::ReadFile(existing), before);
    EXPECT_TRUE(m_documents.m_Calls.empty()) << m_documents.m_Calls[0];
    EXPECT_EQ(ListFolder(Folder()),
        (std::vector<std::string> {
            "Archive", "Backup", "Conflicts", "Garden plan.kxo", "Plan.kxo" }));
}

TEST_F(PdbExchangeTest, ModifiedOutlineIsSavedFirstAndAFailedSaveStopsTheExport)
{
    m_documents.m_Open[m_outline] = true;
    ASSERT_TRUE(Export(Out("a.pdb")));
    EXPECT_TRUE(Called("save " + m_outline));

    m_documents.m_Calls.clear();
    m_documents.m_bSaveSucceeds = false;
    m_documents.m_Open[m_outline] = true;
    SPdbDialogSetup setup;
    EXPECT_FALSE(m_exchange.BeginExport(m_outline.c_str(), setup));
    EXPECT_TRUE(Called("save " + m_outline));

    EXPECT_FALSE(m_exchange.BeginExport("", setup));
    EXPECT_EQ(m_prompter.m_Messages.back(), exchange::kMsgOutlineNeverSaved);
}

TEST_F(PdbExchangeTest, FailedExportIsReportedWithTheConvertersReason)
{
    const std::string pdb = Out("Old.pdb");
    tarnveltest::WriteBytes(pdb, "previous export");
    tarnveltest::WriteBytes(m_outline, "not an outline");
    EXPECT_FALSE(Export(pdb));
    ASSERT_EQ(m_prompter.m_Messages.size(), 1u);
    EXPECT_NE(m_prompter.m_Messages[0].find("cannot be read"), std::string::npos)
        << m_prompter.m_Messages[0];
    EXPECT_EQ(tarnveltest::ReadFile(pdb), "previous export");
    // Nor may the export replace the outline it reads.
    tarnveltest::WriteSampleOutline(m_outline);
    EXPECT_FALSE(Export(m_outline));
    EXPECT_EQ(m_prompter.m_Messages.back(), exchange::kMsgExportOverItself);
    EXPECT_NO_THROW(tarnveltest::DumpOutlineFile(m_outline));
}

TEST_F(PdbExchangeTest, MissingConverterOrEntryPoints)
{
    const std::string library = HotSync() + "/" + exchange::kTarnvelLibraryName;
    std::filesystem::remove(library);
    SPdbDialogSetup setup;
    EXPECT_FALSE(m_exchange.BeginImport(setup));
    ASSERT_EQ(m_prompter.m_Messages.size(), 1u);
    EXPECT_EQ(m_prompter.m_Messages[0], exchange::kMsgConverterMissing);

    // A library without the converter's entry points.
    std::filesystem::copy_file(HotSync() + "/libCondMgr.so", library);
    EXPECT_FALSE(m_exchange.BeginExport(m_outline.c_str(), setup));
    EXPECT_EQ(m_prompter.m_Messages.back(),
        "Please contact your software vendor. The Palm libraries are different than expected???\n");

    // A file that is no library: the loader's reason.
    std::filesystem::remove(library);
    tarnveltest::WriteBytes(library, "junk");
    EXPECT_FALSE(m_exchange.BeginImport(setup));
    EXPECT_NE(m_prompter.m_Messages.back().find("libTarnvel.so"), std::string::npos)
        << m_prompter.m_Messages.back();
}

using DesktopOnlyExchange = cabinettest::CCabinetTest;

TEST_F(DesktopOnlyExchange, WithoutHotSyncFolderNothingHappens)
{
    CPdbExchange exchange(m_env, Desktop().c_str());
    SPdbDialogSetup setup;
    EXPECT_FALSE(exchange.BeginImport(setup));
    EXPECT_TRUE(m_prompter.m_Messages.empty());
}

} // namespace
