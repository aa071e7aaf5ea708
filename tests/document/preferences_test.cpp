#include "DocumentTestSupport.h"

#include "CabinetSettings.h"
#include "Preferences.h"
#include "RootList.h"
#include "User.h"

#include <cstring>

using kx_gen::_String;
namespace fs = std::filesystem;

using PreferencesTest = CDocumentTest;

TEST_F(PreferencesTest, MissingValuesTakeTheirDefaultsAndStoredOnesAreClamped)
{
    kx_gen::CAppRegistry fresh("Larkwell", "Fresh");
    ::setenv("XDG_DOCUMENTS_DIR", (m_root / "docs").c_str(), 1);
    CPreferences prefs;
    prefs.LoadPreferences(fresh);
    EXPECT_EQ(prefs.m_strPath.str(), (m_root / "docs" / "Vellacor").string());
    EXPECT_EQ(prefs.m_lfOutlineFont.lfHeight, 16);
    EXPECT_STREQ(prefs.m_lfOutlineFont.lfFaceName, "Arial");
    EXPECT_EQ(prefs.m_lfOutlineFont.lfPitchAndFamily, 0x22);
    EXPECT_TRUE(prefs.m_bPrintHiddenItems);
    EXPECT_EQ(prefs.m_nAutoSave, 0);
    ::unsetenv("XDG_DOCUMENTS_DIR");

    ASSERT_TRUE(fresh.OpenSection("Preferences"));
    fresh.WriteInt("Auto-save", 75);
    fresh.WriteInt("Word export", 7);
    fresh.WriteInt("Auto-checking", 5);
    kx_gen::LOGFONT unterminated;
    std::memset(unterminated.lfFaceName, 'x', sizeof unterminated.lfFaceName);
    fresh.WriteBinary("Outline font", &unterminated, sizeof unterminated);
    fresh.WriteBinary("List font", "short", 5);
    fresh.CloseSection();
    prefs.LoadPreferences(fresh);
    EXPECT_EQ(prefs.m_nAutoSave, 60);
    EXPECT_EQ(prefs.m_nWordExport, 1);
    EXPECT_TRUE(prefs.m_bAutoChecking);
    EXPECT_EQ(std::strlen(prefs.m_lfOutlineFont.lfFaceName), size_t(kx_gen::LF_FACESIZE - 1));
    EXPECT_EQ(prefs.m_lfListFont.lfFaceName[0], 0);
}

TEST_F(PreferencesTest, SavingKeepsTheDeleteDialogsChoice)
{
    CPreferences prefs = m_context->Preferences();
    prefs.m_nAutoSave = 5;
    prefs.m_bWordExportNotes = true;
    // The delete dialog changed its box since the record was read.
    cabinet::SetMoveToArchive(*m_settings, true);
    ASSERT_TRUE(prefs.SavePreferences(*m_settings));
    EXPECT_TRUE(cabinet::GetMoveToArchive(*m_settings));
    CPreferences again;
    again.LoadPreferences(*m_settings);
    EXPECT_EQ(again.m_nAutoSave, 5);
    EXPECT_TRUE(again.m_bWordExportNotes);
    EXPECT_EQ(again.m_strPath.str(), Desktop());
}

TEST_F(PreferencesTest, ANewDesktopFolderClosesOutlinesUnlessTheUserCancels)
{
    const std::string elsewhere = (m_root / "Elsewhere").string();
    fs::create_directories(elsewhere);
    WriteOutline(elsewhere + "/Moved.kxo", "Moved", "");
    COutlineDoc *doc = NewOutline("Pending");

    m_prompter.m_YesNoCancel = { CCabinetPrompter::kCancel };
    EXPECT_FALSE(m_context->ChangeDesktopFolder(elsewhere));
    EXPECT_EQ(m_context->DesktopFolder().str(), Desktop());
    EXPECT_EQ(m_context->Documents().GetDocuments().size(), 1u);
    EXPECT_TRUE(doc->IsModified());

    m_prompter.m_YesNoCancel = { CCabinetPrompter::kYes };
    ASSERT_TRUE(m_context->ChangeDesktopFolder(elsewhere));
    EXPECT_TRUE(fs::exists(DesktopFile("Pending.kxo")));
    EXPECT_TRUE(m_context->Documents().GetDocuments().empty());
    EXPECT_EQ(m_context->DesktopFolder().str(), elsewhere);
    CRootList &roots = m_context->ActiveUser()->GetRoots();
    EXPECT_NE(roots.FindEntry(elsewhere + "/Moved.kxo"), nullptr);
    EXPECT_EQ(roots.FindEntry(DesktopFile("Pending.kxo")), nullptr);
}
