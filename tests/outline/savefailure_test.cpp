// Saving must never damage the file it replaces: a disk that fills up at any
// write leaves the old file exactly as it was and no temporary file behind.
// The full disk is simulated with the file size limit, under which a write
// past the limit fails (EFBIG) instead of raising a signal.

#include "OutlineTestSupport.h"

#include "../corvale/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <dirent.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> FolderEntries(const std::string &dir)
{
    std::vector<std::string> names;
    if (DIR *d = opendir(dir.c_str())) {
        while (dirent *e = readdir(d)) {
            const std::string name = e->d_name;
            if (name != "." && name != "..")
                names.push_back(name);
        }
        closedir(d);
    }
    return names;
}

std::vector<TRow> ManyRows(int count)
{
    std::vector<TRow> rows;
    for (int i = 0; i < count; ++i) {
        rows.emplace_back(i % 3, "item number " + std::to_string(i), 100 + i,
            i % 4 == 0 ? "a note for item " + std::to_string(i) : std::string());
    }
    return rows;
}

// Lowers the file size limit of this process for its lifetime.
class CFileSizeLimit {
public:
    explicit CFileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_Old);
        m_OldHandler = signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit = m_Old;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~CFileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_Old);
        signal(SIGXFSZ, m_OldHandler);
    }
    CFileSizeLimit(const CFileSizeLimit &) = delete;
    CFileSizeLimit &operator=(const CFileSizeLimit &) = delete;

private:
    struct rlimit m_Old { };
    sighandler_t m_OldHandler;
};

// Loads `path`, changes one text and saves it in a child process whose
// writes fail beyond `limit` bytes. Returns the child's exit code: 0 saved,
// 1 the save failed, 2 the load failed.
int SaveInChild(const std::string &path, rlim_t limit, bool asNewFile)
{
    const pid_t pid = fork();
    if (pid == 0) {
        CFileSizeLimit fileSize(limit);
        COutlineMan man;
        if (!man.Load(path.c_str()))
            _exit(2);
        man.GetTree().GetFirstChild(nullptr)->m_Item.m_Text.SetString("a longer first item");
        man.SetNewDB(asNewFile);
        _exit(man.Save(path.c_str()) ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

TEST(SaveFailure, AWriteThatFailsAnywhereLeavesTheOldFileAsItWas)
{
    for (const bool asNewFile : { false, true }) {
        TempDir dir;
        const std::string path = dir.file("outline.kxo");
        WriteOutlineFile(path, ManyRows(60));
        const std::string before = dir.read("outline.kxo");

        // Every limit below the new file's size fails at some write; step
        // through them all, a few bytes apart, until a save gets through.
        int failures = 0;
        rlim_t limit = 0;
        for (;; limit += limit < 64 ? 1 : 61) {
            const int result = SaveInChild(path, limit, asNewFile);
            if (result == 0)
                break;
            ASSERT_EQ(result, 1) << "limit " << limit;
            ++failures;
            ASSERT_EQ(dir.read("outline.kxo"), before) << "limit " << limit;
            ASSERT_EQ(FolderEntries(dir.path()), std::vector<std::string> { "outline.kxo" })
                << "limit " << limit;
            ASSERT_LT(limit, before.size() * 2) << "no save ever succeeded";
        }
        EXPECT_GT(failures, 60);
        // The save that got through wrote the whole new file.
        EXPECT_GE(limit, before.size());
        COutlineFileReader file(path);
        EXPECT_EQ(file.Count(), 60u);
        EXPECT_EQ(file.Row(0).GetText(), "a longer first item");
    }
}

namespace {

class FailedSave : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_strPath = m_Dir.file("outline.kxo");
        WriteOutlineFile(m_strPath, ManyRows(40));
        m_strBefore = m_Dir.read("outline.kxo");
        ASSERT_TRUE(m_Man.Load(m_strPath.c_str()));
    }

    // Saves with writes failing past two thirds of the old file's size, so
    // that part of the new rows were written before the failure.
    bool SaveOnAFullDisk()
    {
        CFileSizeLimit fileSize(m_strBefore.size() * 2 / 3);
        return m_Man.Save(m_strPath.c_str());
    }

    TempDir m_Dir;
    std::string m_strPath;
    std::string m_strBefore;
    CRecordingSink m_Sink;
    COutlineMan m_Man { nullptr, &m_Sink };
};

} // namespace

TEST_F(FailedSave, ReportsTheErrorAndTheNextSaveComparesWithTheOldFileAgain)
{
    // A longer first text moves every later row in the new file.
    m_Man.GetTree().GetFirstChild(nullptr)->m_Item.m_Text.SetString("a much longer first item");
    EXPECT_FALSE(SaveOnAFullDisk());
    EXPECT_EQ(m_Sink.m_Messages.size(), 1u);
    EXPECT_EQ(m_Dir.read("outline.kxo"), m_strBefore);

    ASSERT_TRUE(m_Man.Save(m_strPath.c_str()));
    COutlineFileReader file(m_strPath);
    EXPECT_EQ(file.Row(0).GetText(), "a much longer first item");
    EXPECT_TRUE(file.Row(0).IsChanged());
    for (std::size_t i = 1; i < file.Count(); ++i) {
        EXPECT_FALSE(file.Row(i).IsChanged()) << i;
        EXPECT_FALSE(file.Row(i).IsSortChanged()) << i;
    }
}

TEST_F(FailedSave, KeepsTheOldPlacesForTheSortMarks)
{
    COutlineTree &tree = m_Man.GetTree();
    COutlineNode *last = tree.GetLastChild(nullptr);
    tree.Detach(last);
    tree.AttachFirst(last, nullptr);
    EXPECT_FALSE(SaveOnAFullDisk());
    // Undo the move: every item is where the file has it.
    tree.Detach(last);
    tree.AttachLast(last, nullptr);
    ASSERT_TRUE(m_Man.Save(m_strPath.c_str()));
    COutlineFileReader file(m_strPath);
    for (std::size_t i = 0; i < file.Count(); ++i)
        EXPECT_FALSE(file.Row(i).IsSortChanged()) << i;
    EXPECT_FALSE(file.DB().GetOutlineChanged());
    EXPECT_EQ(m_Dir.read("outline.kxo"), m_strBefore);
}

TEST_F(FailedSave, TheSaveAfterAFailureWritesWhatTheComparisonWrites)
{
    // A twin over a copy of the file; before each of its saves the file is
    // replaced by a copy of itself, so that it always compares.
    const std::string twinPath = m_Dir.file("twin.kxo");
    m_Dir.write("twin.kxo", m_strBefore);
    COutlineMan twin { nullptr, &m_Sink };
    ASSERT_TRUE(twin.Load(twinPath.c_str()));
    const auto saveTwin = [&] {
        m_Dir.write("copy.kxo", m_Dir.read("twin.kxo"));
        ASSERT_EQ(rename(m_Dir.file("copy.kxo").c_str(), twinPath.c_str()), 0);
        ASSERT_TRUE(twin.Save(twinPath.c_str()));
        EXPECT_EQ(twin.GetRowsSavedUnread(), 0);
    };
    ASSERT_TRUE(m_Man.Save(m_strPath.c_str()));
    saveTwin();
    EXPECT_EQ(m_Man.GetRowsSavedUnread(), 40);

    for (COutlineMan *man : { &m_Man, &twin })
        man->GetTree().GetFirstChild(nullptr)->m_Item.m_Text.SetString("a much longer first item");
    EXPECT_FALSE(SaveOnAFullDisk());
    // The failed save wrote some rows elsewhere and put the records back:
    // none is taken for its row unread.
    ASSERT_TRUE(m_Man.Save(m_strPath.c_str()));
    EXPECT_EQ(m_Man.GetRowsSavedUnread(), 0);
    saveTwin();
    EXPECT_EQ(m_Dir.read("outline.kxo"), m_Dir.read("twin.kxo"));
    ASSERT_TRUE(m_Man.Save(m_strPath.c_str()));
    saveTwin();
    EXPECT_EQ(m_Man.GetRowsSavedUnread(), 40);
    EXPECT_EQ(m_Dir.read("outline.kxo"), m_Dir.read("twin.kxo"));
}
