// The program's side of a HotSync, driven by the notifier's codes in every
// order, with windows that only record what they were asked to do.

#include "DocumentTestSupport.h"

#include "HotSyncCoordinator.h"
#include "User.h"

#include "kx_gen/File.h"
#include "kx_gen/OutlineDB.h"
#include "kx_gen/OutlineRecord.h"

#include <algorithm>

using kx_gen::_String;

namespace {

class CRecordingHost : public CHotSyncHost {
public:
    void HotSyncStateChanged(int state) override { m_States.push_back(state); }
    void StopAutoSave() override { m_bAutoSave = false; }
    void RestartAutoSave() override { m_bAutoSave = true; }
    void SaveSafeLayout() override { ++m_nLayoutsSaved; }
    void EnableWindows(bool enable) override { m_bEnabled = enable; }
    void ShowSyncDialog() override { m_bDialog = true; }
    void CloseSyncDialog() override { m_bDialog = false; }
    void FreezePane(bool freeze) override { m_nFrozen += freeze ? 1 : -1; }
    void SetPaneFilter(const _String &category) override { m_Filters.push_back(category.str()); }
    void RedrawMainWindow() override { ++m_nRedraws; }
    void SetSyncEvent() override { ++m_nEvents; }

    std::vector<int> m_States;
    bool m_bAutoSave = true;
    int m_nLayoutsSaved = 0;
    bool m_bEnabled = true;
    bool m_bDialog = false;
    int m_nFrozen = 0;
    std::vector<std::string> m_Filters;
    int m_nRedraws = 0;
    int m_nEvents = 0;
};

class HotSyncTest : public CDocumentTest {
protected:
    void SetUp() override
    {
        CDocumentTest::SetUp();
        m_coordinator = std::make_unique<CHotSyncCoordinator>(*m_context, m_host);
        // An outline with unsaved changes in a file of the user's lists.
        m_path = DesktopFile("Trip.kxo");
        WriteOutline(m_path, "Trip", "Unfiled");
        m_document = m_context->Documents().OpenDocumentFile(_String(m_path));
        ASSERT_NE(m_document, nullptr);
        COutlineMan &man = m_document->GetOutline();
        man.InsertText(man.GetTree().GetFirstChild(nullptr), CTextPos(), "packed", nullptr);
        m_document->SetModifiedFlag(true);
    }
    void Code(int code) { m_coordinator->OnHotSyncNotify(static_cast<std::uint64_t>(code), 0); }
    CUser *User() const { return m_context->Users().GetActiveUser(); }
    bool IsOpen(const std::string &path) const
    {
        return m_context->Documents().FindDocument(_String(path)) != nullptr;
    }
    // The program as it is when no HotSync runs.
    void ExpectRestored()
    {
        EXPECT_EQ(m_coordinator->GetState(), 0);
        ASSERT_NE(User(), nullptr);
        EXPECT_TRUE(User()->IsActive());
        EXPECT_TRUE(m_host.m_bEnabled);
        EXPECT_FALSE(m_host.m_bDialog);
        EXPECT_TRUE(m_host.m_bAutoSave);
        EXPECT_EQ(m_host.m_nFrozen, 0);
    }

    CRecordingHost m_host;
    std::unique_ptr<CHotSyncCoordinator> m_coordinator;
    std::string m_path;
    COutlineDoc *m_document = nullptr;
};

TEST_F(HotSyncTest, AWholeHotSyncSavesClosesAndRestores)
{
    Code(0);
    EXPECT_EQ(m_coordinator->GetState(), 1);
    EXPECT_EQ(m_host.m_nEvents, 1);
    EXPECT_FALSE(m_host.m_bAutoSave);
    EXPECT_EQ(m_host.m_nLayoutsSaved, 1);
    EXPECT_FALSE(m_host.m_bEnabled);
    // Saved without a question, then closed; the user's lists let go of.
    EXPECT_TRUE(m_prompter.m_Questions.empty());
    EXPECT_TRUE(m_context->Documents().GetDocuments().empty());
    ASSERT_NE(User(), nullptr);
    EXPECT_FALSE(User()->IsActive());
    EXPECT_EQ(User()->GetCategories(), nullptr);

    Code(1);
    EXPECT_EQ(m_coordinator->GetState(), 3);
    EXPECT_TRUE(m_host.m_bDialog);
    EXPECT_EQ(m_host.m_nEvents, 2);

    Code(2);
    ExpectRestored();
    EXPECT_EQ(m_host.m_nEvents, 3);
    EXPECT_TRUE(IsOpen(m_path));
    EXPECT_FALSE(m_context->Documents().FindDocument(_String(m_path))->IsModified());
    ASSERT_EQ(m_host.m_Filters.size(), 1u);
    EXPECT_EQ(m_host.m_Filters[0], User()->m_strFilterCategory.str());
    EXPECT_EQ(m_host.m_States, (std::vector<int> { 1, 3, 0 }));
}

TEST_F(HotSyncTest, TheSavedOutlineHoldsTheEditBeforeTheExchange)
{
    Code(0);
    // What the HotSync reads is what the user typed.
    kx_gen::COutlineDB db;
    db.Open(m_path.c_str(), kx_gen::CFile::modeRead | kx_gen::CFile::shareDenyWrite);
    db.ReadSharedHeader();
    db.ReadPrivateHeader();
    db.ReadRows();
    db.Close();
    EXPECT_EQ(db.GetOutlineRecord(0)->GetText().str(), "packed");
}

TEST_F(HotSyncTest, ASecondStartDoesNothingAndOtherCodesOnlySetTheEvent)
{
    Code(0);
    Code(0);
    EXPECT_EQ(m_host.m_nEvents, 1);
    EXPECT_EQ(m_host.m_nLayoutsSaved, 1);
    Code(7);
    EXPECT_EQ(m_coordinator->GetState(), 1);
    EXPECT_EQ(m_host.m_nEvents, 2);
}

TEST_F(HotSyncTest, AnEndWithoutTheRunningCodeStillRestoresAndSetsTheEvent)
{
    for (int end : { 2, 3 }) {
        SCOPED_TRACE(end);
        Code(0);
        const int events = m_host.m_nEvents;
        Code(end);
        ExpectRestored();
        EXPECT_EQ(m_host.m_nEvents, events + 1);
        EXPECT_TRUE(IsOpen(m_path));
    }
}

TEST_F(HotSyncTest, AnEndWithoutAStartChangesNothingButAnswers)
{
    Code(3);
    ExpectRestored();
    EXPECT_EQ(m_host.m_nEvents, 1);
    EXPECT_TRUE(m_host.m_Filters.empty());
    // The outline was never closed: still open with its changes.
    EXPECT_TRUE(IsOpen(m_path));
    EXPECT_TRUE(m_document->IsModified());
}

TEST_F(HotSyncTest, TheRunningCodeWithoutAStartClosesTheOutlinesFirst)
{
    Code(1);
    EXPECT_EQ(m_coordinator->GetState(), 3);
    EXPECT_TRUE(m_context->Documents().GetDocuments().empty());
    EXPECT_FALSE(User()->IsActive());
    EXPECT_TRUE(m_host.m_bDialog);
    Code(2);
    ExpectRestored();
    EXPECT_TRUE(IsOpen(m_path));
}

TEST_F(HotSyncTest, ANotifierThatIsGoneEndsTheHotSync)
{
    m_coordinator->OnNotifierLost();
    EXPECT_EQ(m_host.m_nEvents, 0);
    EXPECT_TRUE(m_host.m_States.empty());
    Code(0);
    Code(1);
    m_coordinator->OnNotifierLost();
    ExpectRestored();
    EXPECT_EQ(m_host.m_States.back(), 0);
    EXPECT_TRUE(IsOpen(m_path));
    // A late end code finds nothing to undo.
    Code(2);
    ExpectRestored();
}

TEST_F(HotSyncTest, AnOutlineThatCannotBeSavedStaysOpenModifiedAndTheUserIsTold)
{
    COutlineDoc *stuck = NewOutline("Stuck");
    stuck->m_strNewFolder = (m_root / "no such folder" / "deeper").string();
    m_prompter.m_Messages.clear();
    Code(0);
    EXPECT_EQ(m_host.m_nEvents, 1);
    ASSERT_EQ(m_context->Documents().GetDocuments().size(), 1u);
    EXPECT_EQ(m_context->Documents().GetDocuments().front().get(), stuck);
    EXPECT_TRUE(stuck->IsModified());
    EXPECT_EQ(m_coordinator->UnsavedTitles(), std::vector<_String> { _String("Stuck") });
    const bool told = std::any_of(m_prompter.m_Messages.begin(), m_prompter.m_Messages.end(),
        [](const std::string &m) { return m.find("\"Stuck\" could not be saved") != std::string::npos; });
    EXPECT_TRUE(told);
    // The one that could be saved was closed as usual.
    EXPECT_FALSE(IsOpen(m_path));
    Code(1);
    Code(2);
    ExpectRestored();
    EXPECT_TRUE(IsOpen(m_path));
    EXPECT_TRUE(stuck->IsModified());
}

} // namespace
