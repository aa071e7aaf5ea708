// CDocbridge: tasks on the worker thread report their stages and steps in
// order and end with exactly one "finished" or "failed"; a stop ends a task
// without changing the outline or leaving a document; refused tasks report
// nothing and say why.
#include "docbridge/Docbridge.h"

#include "DocxReader.h"
#include "ZipArchive.h"

#include "DocbridgeTestSupport.h"

#include "kx_gen/DibUtil.h"
#include "kx_gen/Memory.h"
#include "kx_gen/OutlineDB.h"
#include "kx_gen/OutlineRecord.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace {

struct TNote {
    std::uintptr_t m_nCode;
    std::int32_t m_nArg;
};

// Records every notification; `m_onNote` runs on the worker thread inside
// the send, as a window's handler would.
class CRecordingWindow : public CDocbridgeWindow {
public:
    std::function<void(const TNote &)> m_onNote;

    void SendMessage(std::uint32_t message, std::uintptr_t code, std::intptr_t lParam) override
    {
        EXPECT_EQ(message, DocbridgeStateMessage());
        const TNote note { code, *reinterpret_cast<const std::int32_t *>(lParam) };
        if (m_onNote)
            m_onNote(note);
        std::lock_guard lock(m_mutex);
        m_notes.push_back(note);
        m_changed.notify_all();
    }

    // Waits for the task's end; false after 20 s.
    bool WaitForEnd()
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::seconds(20), [this] {
            for (const TNote &n : m_notes)
                if (n.m_nCode == kDocbridgeFinished || n.m_nCode == kDocbridgeFailed)
                    return true;
            return false;
        });
    }

    std::vector<TNote> Notes()
    {
        std::lock_guard lock(m_mutex);
        return m_notes;
    }

    // The codes in order, steps folded into one "2" per run.
    std::string Codes()
    {
        std::string out;
        for (const TNote &n : Notes()) {
            const std::string code = std::to_string(n.m_nCode);
            if (n.m_nCode == kDocbridgeStepDone && out.size() >= 1 && out.back() == '2')
                continue;
            out += (out.empty() ? "" : " ") + code;
        }
        return out;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<TNote> m_notes;
};

void fill(kx_gen::COutlineDB &db, int count)
{
    db.InitNewDatabase();
    for (int i = 0; i < count; ++i) {
        auto *record = static_cast<kx_gen::COutlineRecord *>(db.GetRecordset()->Append());
        record->SetIndent(static_cast<std::uint8_t>(i % 4));
        record->SetText(kx_gen::_String(("Item " + std::to_string(i)).c_str()));
        if (i % 3 == 0)
            record->SetNote(
                kx_gen::_String(("Note " + std::to_string(i) + "\r\nsecond line").c_str()));
        record->SetChecked(i % 5 == 0);
    }
}

// The steps come with ascending numbers, the last equal to the count.
void expectSteps(const std::vector<TNote> &notes, int count)
{
    int last = 0;
    bool countSeen = false;
    for (const TNote &n : notes) {
        if (n.m_nCode == kDocbridgeStepCount) {
            EXPECT_EQ(n.m_nArg, count);
            countSeen = true;
        }
        if (n.m_nCode == kDocbridgeStepDone) {
            EXPECT_TRUE(countSeen) << "a step before the step count";
            EXPECT_GT(n.m_nArg, last);
            last = n.m_nArg;
        }
    }
    EXPECT_EQ(last, count);
}

int terminalCount(const std::vector<TNote> &notes)
{
    int n = 0;
    for (const TNote &note : notes)
        n += note.m_nCode == kDocbridgeFinished || note.m_nCode == kDocbridgeFailed;
    return n;
}

class DocbridgeWorker : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(m_bridge.StartWorkingThread(), 1); }

    std::string Export(int count, bool headings = true)
    {
        kx_gen::COutlineDB db;
        fill(db, count);
        TExportTask task;
        task.m_nWordExport = headings ? 1 : 0;
        task.m_nIncludeNotes = 1;
        task.m_pDB = &db;
        task.m_strTitle = "Tasks";
        task.m_strDocPath = m_dir.File("out.docx").c_str();
        CRecordingWindow window;
        EXPECT_EQ(m_bridge.ExportWordDoc(&window, &task), 1);
        EXPECT_TRUE(window.WaitForEnd());
        EXPECT_EQ(window.Codes(), "3 5 2 0");
        expectSteps(window.Notes(), count);
        return task.m_strDocPath.str();
    }

    doctest::CTempDir m_dir;
    CDocbridge m_bridge;
};

} // namespace

TEST_F(DocbridgeWorker, ExportThenImportGivesBackTheRecords)
{
    const std::string path = Export(1234);

    kx_gen::COutlineDB db;
    db.InitNewDatabase();
    TImportTask task;
    task.m_pDB = &db;
    task.m_strPath = path.c_str();
    CRecordingWindow window;
    ASSERT_EQ(m_bridge.ImportWordDoc(&window, &task), 1);
    ASSERT_TRUE(window.WaitForEnd());
    EXPECT_EQ(window.Codes(), "3 4 5 2 0");
    expectSteps(window.Notes(), 1234);
    // Only a thinned-out set of steps waits for the receiver.
    EXPECT_LE(window.Notes().size(), 120u);

    ASSERT_EQ(db.GetRecordset()->getSize(), 1234u);
    for (int i = 0; i < 1234; i += 97) {
        auto *record = db.GetOutlineRecord(static_cast<std::size_t>(i));
        kx_gen::_String text;
        record->GetText(text);
        EXPECT_EQ(text.str(), "Item " + std::to_string(i));
        EXPECT_EQ(record->GetIndent(), i % 4);
        EXPECT_EQ(record->GetChecked(), i % 5 == 0);
        EXPECT_EQ(record->HasNote(), i % 3 == 0);
        if (record->HasNote()) {
            kx_gen::_String note;
            record->GetNote(note);
            EXPECT_EQ(note.str(), "Note " + std::to_string(i) + "\r\nsecond line");
        }
    }
}

TEST_F(DocbridgeWorker, FailuresReportOnceWithTheReason)
{
    kx_gen::COutlineDB db;
    db.InitNewDatabase();
    TImportTask task;
    task.m_pDB = &db;

    const std::pair<std::string, std::string> cases[] = {
        { "", "could not be opened" }, // missing file
        { "PK\x03\x04 this is no archive", "not a Word document" },
        { "\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1", ".docx" },
    };
    for (const auto &[content, reason] : cases) {
        const std::string path = m_dir.File("in.doc");
        std::remove(path.c_str());
        if (!content.empty())
            doctest::WriteFile(path, content);
        task.m_strPath = path.c_str();
        CRecordingWindow window;
        ASSERT_EQ(m_bridge.ImportWordDoc(&window, &task), 1);
        ASSERT_TRUE(window.WaitForEnd());
        EXPECT_EQ(window.Codes().back(), '1');
        EXPECT_EQ(terminalCount(window.Notes()), 1);
        EXPECT_NE(m_bridge.GetLastErrorText().find(reason), std::string::npos)
            << m_bridge.GetLastErrorText();
        EXPECT_EQ(db.GetRecordset()->getSize(), 0u);
    }

    // An export to a folder that does not exist.
    TExportTask out;
    out.m_pDB = &db;
    out.m_strDocPath = m_dir.File("no/such/folder/x.docx").c_str();
    CRecordingWindow window;
    ASSERT_EQ(m_bridge.ExportWordDoc(&window, &out), 1);
    ASSERT_TRUE(window.WaitForEnd());
    EXPECT_EQ(window.Codes(), "3 5 1");
    EXPECT_NE(m_bridge.GetLastErrorText().find("could not be created"), std::string::npos);
}

TEST_F(DocbridgeWorker, ImportIntoAnOutlineWithRecordsIsRefused)
{
    const std::string path = Export(3);
    kx_gen::COutlineDB db;
    fill(db, 2);
    TImportTask task { &db, path.c_str() };
    CRecordingWindow window;
    ASSERT_EQ(m_bridge.ImportWordDoc(&window, &task), 1);
    ASSERT_TRUE(window.WaitForEnd());
    EXPECT_EQ(window.Codes(), "3 1");
    EXPECT_EQ(db.GetRecordset()->getSize(), 2u);
}

TEST_F(DocbridgeWorker, StopTaskEndsAnImportWithoutRecords)
{
    const std::string path = Export(500);
    for (std::uintptr_t stopAt :
        { kDocbridgeFirstStage, kDocbridgeSecondStage, kDocbridgeStepCount }) {
        kx_gen::COutlineDB db;
        db.InitNewDatabase();
        TImportTask task { &db, path.c_str() };
        CRecordingWindow window;
        window.m_onNote = [&](const TNote &n) {
            if (n.m_nCode == stopAt)
                m_bridge.StopTask();
        };
        ASSERT_EQ(m_bridge.ImportWordDoc(&window, &task), 1);
        ASSERT_TRUE(window.WaitForEnd());
        const std::string codes = window.Codes();
        EXPECT_EQ(codes.substr(codes.size() - 3), "6 0") << "stop at " << stopAt << ": " << codes;
        EXPECT_EQ(terminalCount(window.Notes()), 1);
        EXPECT_EQ(db.GetRecordset()->getSize(), 0u) << "stop at " << stopAt;
    }
}

TEST_F(DocbridgeWorker, StopTaskEndsAnExportKeepingTheOlderFile)
{
    const std::string path = m_dir.File("keep.docx");
    doctest::WriteFile(path, "older document");
    kx_gen::COutlineDB db;
    fill(db, 300);
    TExportTask task;
    task.m_pDB = &db;
    task.m_strDocPath = path.c_str();
    CRecordingWindow window;
    window.m_onNote = [&](const TNote &n) {
        if (n.m_nCode == kDocbridgeStepDone && n.m_nArg >= 150)
            m_bridge.StopTask();
    };
    ASSERT_EQ(m_bridge.ExportWordDoc(&window, &task), 1);
    ASSERT_TRUE(window.WaitForEnd());
    EXPECT_EQ(window.Codes(), "3 5 2 6 0");
    EXPECT_EQ(doctest::ReadFile(path), "older document");
    // Nothing half-written is left beside it.
    int files = 0;
    for ([[maybe_unused]] const auto &entry : std::filesystem::directory_iterator(m_dir.Path()))
        ++files;
    EXPECT_EQ(files, 1);
}

TEST_F(DocbridgeWorker, RefusedTasksSendNothing)
{
    kx_gen::COutlineDB db;
    db.InitNewDatabase();
    TExportTask task;
    task.m_pDB = &db;
    task.m_strDocPath = m_dir.File("a.docx").c_str();

    CDocbridge idle; // thread never started
    CRecordingWindow window;
    EXPECT_EQ(idle.ExportWordDoc(&window, &task), 0);
    EXPECT_NE(idle.GetLastErrorText().find("not running"), std::string::npos);
    EXPECT_EQ(m_bridge.ExportWordDoc(nullptr, &task), 0);
    EXPECT_EQ(m_bridge.ImportWordDoc(&window, nullptr), 0);
    TImportTask noDatabase;
    EXPECT_EQ(m_bridge.ImportWordDoc(&window, &noDatabase), 0);
    EXPECT_TRUE(window.Notes().empty());

    // While a task runs, another is refused; the first still ends normally.
    std::mutex gate;
    std::unique_lock hold(gate);
    CRecordingWindow busy;
    busy.m_onNote = [&](const TNote &n) {
        if (n.m_nCode == kDocbridgeFirstStage)
            std::lock_guard wait(gate);
    };
    ASSERT_EQ(m_bridge.ExportWordDoc(&busy, &task), 1);
    CRecordingWindow second;
    EXPECT_EQ(m_bridge.ExportWordDoc(&second, &task), 0);
    EXPECT_NE(m_bridge.GetLastErrorText().find("busy"), std::string::npos);
    hold.unlock();
    ASSERT_TRUE(busy.WaitForEnd());
    EXPECT_EQ(busy.Codes(), "3 5 0");
    EXPECT_TRUE(second.Notes().empty());
}

TEST_F(DocbridgeWorker, StoppingTheThreadEndsTheRunningTask)
{
    kx_gen::COutlineDB db;
    fill(db, 50);
    TExportTask task;
    task.m_pDB = &db;
    task.m_strDocPath = m_dir.File("late.docx").c_str();
    CRecordingWindow window;
    window.m_onNote = [](const TNote &n) {
        if (n.m_nCode == kDocbridgeFirstStage)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
    };
    ASSERT_EQ(m_bridge.ExportWordDoc(&window, &task), 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(m_bridge.StopWorkingThread(), 1);
    EXPECT_EQ(window.Codes(), "3 5 6 0");
    EXPECT_FALSE(std::filesystem::exists(m_dir.File("late.docx")));
    EXPECT_EQ(m_bridge.StopWorkingThread(), 0);
    EXPECT_EQ(m_bridge.ExportWordDoc(&window, &task), 0);
}

TEST(DocbridgeMessage, RegisteredIdIsStableAndInRange)
{
    const std::uint32_t id = DocbridgeStateMessage();
    EXPECT_GE(id, 0xC000u);
    EXPECT_LE(id, 0xFFFFu);
    EXPECT_EQ(id, DocbridgeRegisterMessage(kDocbridgeStateMessageName));
    EXPECT_NE(
        id, DocbridgeRegisterMessage("UWM_ARE_YOU_ME-{5B2E91D4-3C7A-4f0e-B816-2D94A0C7E153}"));
}

TEST_F(DocbridgeWorker, ExportCarriesRecordDrawings)
{
    kx_gen::COutlineDB db;
    fill(db, 2);
    kx_gen::MemHolder dib(kx_gen::CreateDIB(16, 8, 8));
    ASSERT_TRUE(db.GetOutlineRecord(1)->SetDrawing(dib.get()));
    TExportTask task;
    task.m_pDB = &db;
    task.m_strDocPath = m_dir.File("drawn.docx").c_str();
    CRecordingWindow window;
    ASSERT_EQ(m_bridge.ExportWordDoc(&window, &task), 1);
    ASSERT_TRUE(window.WaitForEnd());
    ASSERT_EQ(window.Codes(), "3 5 2 0");
    const std::string file = doctest::ReadFile(task.m_strDocPath.str());
    docbridge::CZipReader zip(reinterpret_cast<const std::uint8_t *>(file.data()), file.size());
    const auto *png = zip.Find("word/media/drawing1.png");
    ASSERT_NE(png, nullptr);
    EXPECT_EQ(zip.Extract(*png).substr(1, 3), "PNG");
    EXPECT_EQ(zip.Find("word/media/drawing2.png"), nullptr);
}
