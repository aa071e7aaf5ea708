// The progress dialog's state: texts for every notification code, the step
// format, the ends with OK and Cancel, and a real Docbridge task whose
// notifications are handed to the dialog's thread.
#include "WordProgress.h"
#include "WordStrings.h"
#include "WordTestSupport.h"

#include "kx_gen/OutlineDB.h"
#include "kx_gen/OutlineRecord.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

#include <unistd.h>

using word::CWordProgressState;
using word::TProgressReaction;

namespace {

std::string shown(const TProgressReaction &r)
{
    return r.m_bSetText ? r.m_strText.str() : "<none>";
}

TProgressReaction notify(CWordProgressState &state, std::uintptr_t code, std::int32_t argument = 0)
{
    return state.OnNotification(code, &argument);
}

void fill(kx_gen::COutlineDB &db, int count)
{
    db.InitNewDatabase();
    for (int i = 0; i < count; ++i) {
        auto *record = static_cast<kx_gen::COutlineRecord *>(db.GetRecordset()->Append());
        record->SetIndent(static_cast<std::uint8_t>(i % 3));
        record->SetText(kx_gen::_String(("Item " + std::to_string(i)).c_str()));
    }
}

std::string tempPath(const std::string &name)
{
    return (std::filesystem::temp_directory_path()
        / ("word-progress-" + std::to_string(::getpid()) + "-" + name))
        .string();
}

} // namespace

TEST(WordProgressState, ShowsTheTextOfEveryCode)
{
    CDocbridge bridge; // not started: only the texts are looked at here
    TImportTask import;
    CWordProgressState state(&bridge, word::kModeImport, &import, nullptr);
    EXPECT_EQ(shown(state.OnInitDialog()), "");
    EXPECT_TRUE(state.OnActivate());
    EXPECT_FALSE(state.OnActivate()); // the start message is posted once
    state.OnStartTask(); // refused (no thread), but the texts are loaded

    EXPECT_EQ(state.GetStepFormat().str(), "Step %d of %d");
    EXPECT_EQ(state.GetFirstStageText().str(), "Initializing the Word Import Engine");
    EXPECT_EQ(state.GetSecondStageText().str(), "Loading MS Word document...");
}

TEST(WordProgressState, ReactsToNotificationsInImportAndExport)
{
    CDocbridge bridge;
    ASSERT_EQ(bridge.StartWorkingThread(), 1);
    kx_gen::COutlineDB db;
    fill(db, 0);

    // Import mode: the task starts (and fails later: the file is missing);
    // the reactions are those of the notifications fed in by hand.
    TImportTask import { &db, "/nonexistent/x.docx" };
    CWordProgressState in(&bridge, word::kModeImport, &import, nullptr);
    in.SetWindow(nullptr);
    // A task without a window is refused, and the dialog must not wait.
    TProgressReaction refused = in.OnStartTask();
    EXPECT_EQ(refused.m_nEndDialog, word::kIdCancel);
    EXPECT_TRUE(refused.m_bShowError);
    EXPECT_NE(refused.m_strError.str(), "");

    CWordProgressState state(&bridge, word::kModeImport, &import, nullptr);
    EXPECT_EQ(shown(notify(state, kDocbridgeFirstStage)), ""); // texts load at the start message
    CWordProgressState started(&bridge, 1, &import, nullptr);
    struct : CDocbridgeWindow {
        void SendMessage(std::uint32_t, std::uintptr_t, std::intptr_t) override { }
    } sink;
    started.SetWindow(&sink);
    EXPECT_EQ(started.OnStartTask().m_nEndDialog, 0);
    EXPECT_TRUE(started.IsStarted());
    EXPECT_EQ(shown(notify(started, kDocbridgeFirstStage)), "Initializing the Word Import Engine");
    EXPECT_EQ(shown(notify(started, kDocbridgeSecondStage)), "Loading MS Word document...");
    // A step before the step count is known.
    EXPECT_EQ(shown(notify(started, kDocbridgeStepDone, 3)), "Step 3 of 0");
    EXPECT_EQ(shown(notify(started, kDocbridgeStepCount, 12)), "<none>");
    EXPECT_EQ(started.GetStepCount(), 12);
    EXPECT_EQ(shown(notify(started, kDocbridgeStepDone, 4)), "Step 4 of 12");
    EXPECT_EQ(shown(started.OnNotification(kDocbridgeStepDone, nullptr)), "Step 0 of 12");
    EXPECT_EQ(shown(notify(started, kDocbridgeStopping)), "Stopping the engine");
    const TProgressReaction unknown = notify(started, 42);
    EXPECT_EQ(shown(unknown), "Unknown command is received");
    EXPECT_EQ(unknown.m_nEndDialog, 0);
    const TProgressReaction ready = notify(started, kDocbridgeFinished);
    EXPECT_EQ(shown(ready), "Ready");
    EXPECT_EQ(ready.m_nEndDialog, word::kIdOk);
    // After the end nothing more happens.
    EXPECT_EQ(shown(notify(started, 42)), "<none>");

    TExportTask exportTask;
    exportTask.m_pDB = &db;
    exportTask.m_strDocPath = tempPath("reactions.docx").c_str();
    CWordProgressState out(&bridge, word::kModeExport, nullptr, &exportTask);
    out.SetWindow(&sink);
    // Wait until the import above is through so the engine is free.
    for (int i = 0; i < 200 && out.OnStartTask().m_nEndDialog; ++i) {
        out = CWordProgressState(&bridge, word::kModeExport, nullptr, &exportTask);
        out.SetWindow(&sink);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(shown(notify(out, kDocbridgeFirstStage)), "Initializing the Word Export Engine");
    EXPECT_EQ(shown(notify(out, kDocbridgeSecondStage)), "<none>");
    out.OnCancel();
    EXPECT_TRUE(out.IsCancelled());
    EXPECT_EQ(
        notify(out, kDocbridgeFinished).m_nEndDialog, word::kIdCancel); // Ready, but cancelled
    bridge.StopWorkingThread();
    std::remove(tempPath("reactions.docx").c_str());
}

TEST(WordProgressState, OtherModesEndAtOnce)
{
    CDocbridge bridge;
    CWordProgressState state(&bridge, 3, nullptr, nullptr);
    const TProgressReaction r = state.OnStartTask();
    EXPECT_EQ(r.m_nEndDialog, word::kIdCancel);
    EXPECT_FALSE(r.m_bShowError);
}

TEST(WordProgressState, FailureShowsTheLibraryText)
{
    CDocbridge bridge;
    ASSERT_EQ(bridge.StartWorkingThread(), 1);
    kx_gen::COutlineDB db;
    fill(db, 0);
    TImportTask import { &db, "/nonexistent/folder/report.docx" };
    CWordProgressState state(&bridge, word::kModeImport, &import, nullptr);
    wordtest::CDialogLoop loop;
    EXPECT_EQ(loop.Run(state), word::kIdCancel);
    ASSERT_EQ(loop.m_errors.size(), 1u);
    EXPECT_NE(loop.m_errors[0].find("could not be opened"), std::string::npos) << loop.m_errors[0];
    EXPECT_EQ(loop.m_texts.back(), "Error");
}

TEST(WordProgressDialog, ExportRunsThroughTheDialogThread)
{
    CDocbridge bridge;
    ASSERT_EQ(bridge.StartWorkingThread(), 1);
    kx_gen::COutlineDB db;
    fill(db, 10000);
    const std::string path = tempPath("big.docx");
    TExportTask task;
    task.m_pDB = &db;
    task.m_strDocPath = path.c_str();
    CWordProgressState state(&bridge, word::kModeExport, nullptr, &task);
    wordtest::CDialogLoop loop;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(loop.Run(state), word::kIdOk);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    RecordProperty("export_10000_ms",
        static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count()));
    ASSERT_GE(loop.m_texts.size(), 4u);
    EXPECT_EQ(loop.m_texts[0], "");
    EXPECT_EQ(loop.m_texts[1], "Initializing the Word Export Engine");
    EXPECT_EQ(loop.m_texts[2], "Step 100 of 10000");
    EXPECT_EQ(loop.m_texts[loop.m_texts.size() - 2], "Step 10000 of 10000");
    EXPECT_EQ(loop.m_texts.back(), "Ready");
    EXPECT_TRUE(std::filesystem::exists(path));

    // And back, cancelled at the first step: no records arrive.
    kx_gen::COutlineDB target;
    fill(target, 0);
    TImportTask import { &target, path.c_str() };
    CWordProgressState importing(&bridge, word::kModeImport, &import, nullptr);
    wordtest::CDialogLoop cancelling;
    cancelling.m_onText = [](CWordProgressState &s, const std::string &text) {
        if (text.rfind("Step", 0) == 0 && !s.IsCancelled())
            s.OnCancel();
    };
    EXPECT_EQ(cancelling.Run(importing), word::kIdCancel);
    EXPECT_EQ(cancelling.m_texts[cancelling.m_texts.size() - 2], "Stopping the engine");
    EXPECT_EQ(cancelling.m_texts.back(), "Ready");
    EXPECT_EQ(target.GetRecordset()->getSize(), 0u);
    std::remove(path.c_str());
}
