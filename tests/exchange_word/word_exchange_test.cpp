// The Word commands around Docbridge: task records from the preferences,
// the import file checks and titles, and what happens to the new document
// and the open outline before and after a task, on success, cancel and
// failure.
#include "WordExchange.h"
#include "WordStrings.h"
#include "WordTestSupport.h"

#include "kx_gen/Exception.h"
#include "kx_gen/OutlineDB.h"
#include "kx_gen/OutlineRecord.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <stdlib.h>

namespace {

class CTempDir {
public:
    CTempDir()
    {
        std::string pattern
            = (std::filesystem::temp_directory_path() / "word-exchange-XXXXXX").string();
        m_path = mkdtemp(pattern.data()) ? pattern : std::string();
    }
    ~CTempDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    std::string File(const std::string &name) const { return m_path + "/" + name; }
    const std::string &Path() const { return m_path; }

private:
    std::string m_path;
};

void writeFile(const std::string &path, const std::string &bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

void fill(kx_gen::COutlineDB &db, const std::vector<std::pair<int, std::string>> &items)
{
    for (const auto &[level, text] : items) {
        auto *record = static_cast<kx_gen::COutlineRecord *>(db.GetRecordset()->Append());
        record->SetIndent(static_cast<std::uint8_t>(level));
        record->SetText(kx_gen::_String(text.c_str()));
    }
}

std::string texts(kx_gen::COutlineDB &db)
{
    std::string out;
    for (std::size_t i = 0; i < db.GetRecordset()->getSize(); ++i) {
        kx_gen::_String text;
        db.GetOutlineRecord(i)->GetText(text);
        out += std::to_string(db.GetOutlineRecord(i)->GetIndent()) + ":" + text.str() + " ";
    }
    return out;
}

class CRecordingSink : public CMessageSink {
public:
    std::vector<std::string> m_messages;
    void ShowMessage(const kx_gen::_String &text) override { m_messages.push_back(text.str()); }
};

class CFakeDocument : public word::CWordImportTarget {
public:
    kx_gen::COutlineDB m_db;
    std::vector<std::string> *m_pLog = nullptr;
    bool m_bRebuildWorks = true;

    CFakeDocument() { m_db.InitNewDatabase(); }
    kx_gen::COutlineDB *GetDB() override { return &m_db; }
    bool RebuildTreeFromRecords() override
    {
        m_pLog->push_back("rebuild " + texts(m_db));
        return m_bRebuildWorks;
    }
    void SetTitle(const kx_gen::_String &title) override
    {
        m_db.SetOutlineTitle(title);
        m_pLog->push_back("title " + title.str());
    }
    void SetModified() override { m_pLog->push_back("modified"); }
};

class CFakeDocuments : public word::CWordImportDocuments {
public:
    std::vector<std::string> m_log;
    std::vector<std::unique_ptr<CFakeDocument>> m_open;
    enum { kWorks, kNone, kThrowsStorage, kThrowsOther } m_create = kWorks;
    bool m_bRebuildWorks = true;

    word::CWordImportTarget *CreateFromDefaultTemplate() override
    {
        if (m_create == kThrowsStorage)
            throw new kx_gen::CException("The template is damaged.");
        if (m_create == kThrowsOther)
            throw std::runtime_error("boom");
        if (m_create == kNone)
            return nullptr;
        m_open.push_back(std::make_unique<CFakeDocument>());
        m_open.back()->m_pLog = &m_log;
        m_open.back()->m_bRebuildWorks = m_bRebuildWorks;
        m_log.push_back("created");
        return m_open.back().get();
    }
    void Discard(word::CWordImportTarget *document) override
    {
        m_log.push_back("discarded");
        std::erase_if(m_open, [&](const auto &d) { return d.get() == document; });
    }
};

class CFakeSource : public word::CWordExportSource {
public:
    kx_gen::COutlineDB m_db;
    std::vector<std::string> m_log;
    bool m_bUpdateWorks = true;

    CFakeSource()
    {
        m_db.InitNewDatabase();
        m_db.SetOutlineTitle("Weekly report");
    }
    bool UpdateRecordsFromTree() override
    {
        m_log.push_back("update");
        if (m_bUpdateWorks)
            fill(m_db, { { 0, "From the tree" }, { 1, "child" } });
        return m_bUpdateWorks;
    }
    kx_gen::COutlineDB *GetDB() override { return &m_db; }
};

class CRecordingBusy : public word::CBusyIndicator {
public:
    std::vector<std::string> *m_pLog;
    void SetBusy(bool busy) override { m_pLog->push_back(busy ? "busy" : "idle"); }
};

class WordCommands : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(m_bridge.StartWorkingThread(), 1); }

    // A document made by an export, to import.
    std::string MakeDocument(const std::string &name)
    {
        CFakeSource source;
        CRecordingSink sink;
        const std::string path = m_dir.File(name);
        EXPECT_TRUE(
            word::ExportWordDocument(source, 0, 1, path, m_bridge, m_runDialog, nullptr, sink));
        return path;
    }

    CTempDir m_dir;
    CDocbridge m_bridge;
    std::function<void(word::CWordProgressState &, const std::string &)> m_onText;
    std::vector<std::string> m_dialogErrors; // the dialog's own message boxes
    word::RunProgressDialogFn m_runDialog = [this](word::CWordProgressState &state) {
        wordtest::CDialogLoop loop;
        loop.m_onText = m_onText;
        const int result = loop.Run(state);
        m_dialogErrors.insert(m_dialogErrors.end(), loop.m_errors.begin(), loop.m_errors.end());
        return result;
    };
};

} // namespace

TEST(WordTasks, ExportTaskFollowsThePreferences)
{
    kx_gen::COutlineDB db;
    TExportTask outline = word::MakeExportTask(0, 0, &db, "T", "/tmp/t.docx");
    EXPECT_EQ(outline.m_nWordExport, 1); // "Export to outline document"
    EXPECT_EQ(outline.m_nIncludeNotes, 0);
    TExportTask bullets = word::MakeExportTask(1, 7, &db, "T", "/tmp/t.docx");
    EXPECT_EQ(bullets.m_nWordExport, 0); // "Export to bullet list document"
    EXPECT_EQ(bullets.m_nIncludeNotes, 1);
    EXPECT_EQ(bullets.m_pDB, &db);
    EXPECT_EQ(bullets.m_strTitle.str(), "T");
}

TEST(WordTasks, FileNamesTitlesAndFilter)
{
    EXPECT_EQ(word::ImportFileFilter().m_strDescription.str(), "Word documents (*.doc;*.docx)");
    EXPECT_EQ(word::ImportFileFilter().m_strPatterns.str(), "*.doc;*.docx");
    EXPECT_EQ(word::ImportFileFilterForQt().str(), "Word documents (*.doc *.docx)");

    EXPECT_EQ(word::WordFileTitle("/home/ann/Garden plans.docx").str(), "Garden plans");
    EXPECT_EQ(word::WordFileTitle("/home/ann/Caf\xc3\xa9 \xe2\x82\xac.docx").str(), "Caf\xe9 \x80");

    CTempDir dir;
    const std::string first = word::DefaultExportPath(dir.Path(), "Plans: \"2027\"");
    EXPECT_EQ(first, dir.File("Plans 2027.docx"));
    writeFile(first, "x");
    // Numbered names keep the length of the name, as everywhere in the program.
    EXPECT_EQ(word::DefaultExportPath(dir.Path(), "Plans: \"2027\""), dir.File("Plans 20-1.docx"));
    EXPECT_EQ(word::DefaultExportPath(dir.Path(), "Caf\xe9"), dir.File("Caf\xc3\xa9.docx"));
}

TEST(WordTasks, ImportFileIsCheckedFirst)
{
    CTempDir dir;
    kx_gen::_String why;
    EXPECT_FALSE(word::CheckImportFile(dir.File("missing.docx"), why));
    EXPECT_NE(why.str().find("cannot be opened"), std::string::npos);
    writeFile(dir.File("old.doc"), std::string("\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1", 8) + "rest");
    EXPECT_FALSE(word::CheckImportFile(dir.File("old.doc"), why));
    EXPECT_NE(why.str().find("Word 97-2003"), std::string::npos);
    writeFile(dir.File("notes.docx"), "just some text");
    EXPECT_FALSE(word::CheckImportFile(dir.File("notes.docx"), why));
    EXPECT_NE(why.str().find("not a Word document"), std::string::npos);
    writeFile(dir.File("ok.docx"), "PK\x03\x04...");
    EXPECT_TRUE(word::CheckImportFile(dir.File("ok.docx"), why));
}

TEST_F(WordCommands, ImportKeepsTheNewDocumentWithTheFileTitle)
{
    const std::string path = MakeDocument("Weekly notes.docx");
    CFakeDocuments documents;
    CRecordingSink sink;
    word::CWordImportTarget *kept
        = word::ImportWordDocument(path, m_bridge, documents, m_runDialog, sink);
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(documents.m_log,
        (std::vector<std::string> {
            "created", "rebuild 0:From the tree 1:child ", "title Weekly notes", "modified" }));
    EXPECT_EQ(static_cast<CFakeDocument *>(kept)->m_db.GetOutlineTitle().str(), "Weekly notes");
    EXPECT_TRUE(sink.m_messages.empty());
}

TEST_F(WordCommands, ImportDiscardsTheNewDocumentOnCancelAndFailure)
{
    const std::string path = MakeDocument("doc.docx");
    CRecordingSink sink;

    // Cancelled as soon as the engine starts.
    m_onText = [](word::CWordProgressState &state, const std::string &text) {
        if (text == word::kImportFirstStage)
            state.OnCancel();
    };
    CFakeDocuments cancelled;
    EXPECT_EQ(word::ImportWordDocument(path, m_bridge, cancelled, m_runDialog, sink), nullptr);
    EXPECT_EQ(cancelled.m_log, (std::vector<std::string> { "created", "discarded" }));
    EXPECT_TRUE(cancelled.m_open.empty());
    m_onText = nullptr;

    // A damaged document: the library's text, then nothing remains.
    std::string damaged;
    {
        std::ifstream in(path, std::ios::binary);
        damaged.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    damaged.resize(damaged.size() / 2);
    writeFile(m_dir.File("half.docx"), damaged);
    CFakeDocuments failed;
    EXPECT_EQ(
        word::ImportWordDocument(m_dir.File("half.docx"), m_bridge, failed, m_runDialog, sink),
        nullptr);
    EXPECT_EQ(failed.m_log, (std::vector<std::string> { "created", "discarded" }));
    ASSERT_EQ(m_dialogErrors.size(), 1u);
    EXPECT_NE(m_dialogErrors[0].find("not a Word document"), std::string::npos)
        << m_dialogErrors[0];
    EXPECT_TRUE(sink.m_messages.empty());

    // The tree cannot be built from the records.
    CFakeDocuments unbuilt;
    unbuilt.m_bRebuildWorks = false;
    EXPECT_EQ(word::ImportWordDocument(path, m_bridge, unbuilt, m_runDialog, sink), nullptr);
    EXPECT_EQ(unbuilt.m_log.back(), "discarded");
}

TEST_F(WordCommands, ImportReportsRefusalsAndExceptions)
{
    CRecordingSink sink;
    CFakeDocuments documents;
    writeFile(m_dir.File("old.doc"), std::string("\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1", 8));
    EXPECT_EQ(
        word::ImportWordDocument(m_dir.File("old.doc"), m_bridge, documents, m_runDialog, sink),
        nullptr);
    EXPECT_TRUE(documents.m_log.empty()); // no document was even made
    ASSERT_EQ(sink.m_messages.size(), 1u);
    EXPECT_NE(sink.m_messages[0].find(".docx"), std::string::npos);

    const std::string path = MakeDocument("doc.docx");
    documents.m_create = CFakeDocuments::kThrowsStorage;
    EXPECT_EQ(word::ImportWordDocument(path, m_bridge, documents, m_runDialog, sink), nullptr);
    EXPECT_EQ(sink.m_messages.back(), "The template is damaged.");
    documents.m_create = CFakeDocuments::kThrowsOther;
    EXPECT_EQ(word::ImportWordDocument(path, m_bridge, documents, m_runDialog, sink), nullptr);
    EXPECT_EQ(sink.m_messages.back(), "An unknown database error!");
    documents.m_create = CFakeDocuments::kNone;
    EXPECT_EQ(word::ImportWordDocument(path, m_bridge, documents, m_runDialog, sink), nullptr);
    EXPECT_TRUE(documents.m_open.empty());
}

TEST_F(WordCommands, ExportUpdatesRecordsFirstAndIsBusyMeanwhile)
{
    CFakeSource source;
    CRecordingBusy busy;
    busy.m_pLog = &source.m_log;
    CRecordingSink sink;
    const word::RunProgressDialogFn run = [&](word::CWordProgressState &state) {
        source.m_log.push_back("dialog");
        return m_runDialog(state);
    };
    const std::string path = m_dir.File("report.docx");
    EXPECT_TRUE(word::ExportWordDocument(source, 1, 0, path, m_bridge, run, &busy, sink));
    EXPECT_EQ(source.m_log, (std::vector<std::string> { "update", "busy", "dialog", "idle" }));
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_TRUE(sink.m_messages.empty());

    // The document carries the records as the tree left them.
    CFakeDocuments documents;
    word::CWordImportTarget *back
        = word::ImportWordDocument(path, m_bridge, documents, m_runDialog, sink);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(texts(*back->GetDB()), "0:From the tree 1:child ");

    // An outline whose tree cannot be written runs no task.
    CFakeSource broken;
    broken.m_bUpdateWorks = false;
    EXPECT_FALSE(word::ExportWordDocument(
        broken, 0, 0, m_dir.File("never.docx"), m_bridge, run, &busy, sink));
    EXPECT_FALSE(std::filesystem::exists(m_dir.File("never.docx")));
}
