#include "OutlineTestSupport.h"

#include "../corvale/TempDir.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

using kx_gen::COutlineRecord;

namespace {

// A moment long ago, so that a rewritten file shows a different time.
constexpr time_t kOldTime = 1000000000;

void SetOldTime(const std::string &path)
{
    const struct timespec times[2] = { { kOldTime, 0 }, { kOldTime, 0 } };
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

struct timespec ModificationTime(const std::string &path)
{
    struct stat st { };
    stat(path.c_str(), &st);
    return st.st_mtim;
}

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

// Bits of the status byte, as they appear in the file.
constexpr std::uint8_t kNew = 0x80;
constexpr std::uint8_t kChanged = 0x20;

class Save : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_strPath = m_Dir.file("outline.kxo");
        WriteOutlineFile(m_strPath,
            { { 0, "alpha", 11 }, { 1, "beta", 12, "note" }, { 1, "gamma", 13 }, { 0, "delta", 14 },
                { 0, "epsilon", 15 } });
        SetOldTime(m_strPath);
        ASSERT_TRUE(m_Man.Load(m_strPath.c_str()));
    }

    COutlineNode *Node(const char *text) { return NodeOf(m_Man, text); }
    bool SaveIt() { return m_Man.Save(m_strPath.c_str()); }
    bool Untouched() { return ModificationTime(m_strPath).tv_sec == kOldTime; }
    // The status byte of each row, in order.
    std::vector<int> Status()
    {
        COutlineFileReader file(m_strPath);
        std::vector<int> out;
        for (std::size_t i = 0; i < file.Count(); ++i)
            out.push_back(file.Row(i).GetFlag());
        return out;
    }
    std::vector<int> SortChanged()
    {
        COutlineFileReader file(m_strPath);
        std::vector<int> out;
        for (std::size_t i = 0; i < file.Count(); ++i)
            out.push_back(file.Row(i).IsSortChanged());
        return out;
    }
    bool OutlineChanged() { return COutlineFileReader(m_strPath).DB().GetOutlineChanged(); }
    // Stands in for the deletion of the item operations: the id goes to the
    // deleted list, the record leaves the record set, the node the tree.
    void DeleteItem(const char *text)
    {
        COutlineNode *node = Node(text);
        m_Man.GetDB()->AddDeletedId(node->m_Item.m_nId);
        m_Man.GetDB()->Delete(node->m_Item.m_pRecord);
        m_Man.GetTree().Remove(node);
    }

    TempDir m_Dir;
    std::string m_strPath;
    CRecordingSink m_Sink;
    COutlineMan m_Man { nullptr, &m_Sink };
};

} // namespace

TEST_F(Save, AnUnchangedSaveKeepsTheFileTimeAndEveryMarkClear)
{
    const std::string before = m_Dir.read("outline.kxo");
    ASSERT_TRUE(SaveIt());
    EXPECT_TRUE(Untouched());
    EXPECT_FALSE(OutlineChanged());
    EXPECT_EQ(Status(), (std::vector<int> { 0, 0, 0, 0, 0 }));
    EXPECT_EQ(SortChanged(), (std::vector<int> { 0, 0, 0, 0, 0 }));
    // Nothing moved, and the file holds what it held.
    EXPECT_EQ(m_Dir.read("outline.kxo"), before);
    EXPECT_EQ(FolderEntries(m_Dir.path()), std::vector<std::string> { "outline.kxo" });
    EXPECT_TRUE(m_Sink.m_Messages.empty());

    // And again, from the state the first save left.
    ASSERT_TRUE(SaveIt());
    EXPECT_TRUE(Untouched());
    EXPECT_EQ(m_Dir.read("outline.kxo"), before);
}

TEST_F(Save, AChangedTextMarksItsRecordAndTheOutline)
{
    Node("gamma")->m_Item.m_Text.SetString("GAMMA");
    ASSERT_TRUE(SaveIt());
    EXPECT_FALSE(Untouched());
    EXPECT_TRUE(OutlineChanged());
    EXPECT_EQ(Status(), (std::vector<int> { 0, 0, kChanged, 0, 0 }));
    COutlineFileReader file(m_strPath);
    EXPECT_EQ(file.Texts(), "alpha beta GAMMA delta epsilon");
    bool textChanged = false;
    bool checkedChanged = true;
    file.Row(2).GetTags().getStringTagChanged(COutlineRecord::kTextString, textChanged);
    file.Row(2).GetTags().getTagChanged(COutlineRecord::kCheckedTag, checkedChanged);
    EXPECT_TRUE(textChanged);
    EXPECT_FALSE(checkedChanged);
    // The note survives the save, and the item keeps it.
    EXPECT_EQ(file.Row(1).GetNote(), "note");
    EXPECT_EQ(Node("beta")->m_Item.m_strNote, "note");
}

TEST_F(Save, MarksOfAnEarlierSaveStayUntilSynchronised)
{
    Node("gamma")->m_Item.m_bChecked = true;
    ASSERT_TRUE(SaveIt());
    // A second save with no new change must not take the first one's marks
    // away: the handheld has not seen that change yet.
    ASSERT_TRUE(SaveIt());
    EXPECT_EQ(Status(), (std::vector<int> { 0, 0, kChanged, 0, 0 }));
    COutlineFileReader file(m_strPath);
    bool checkedChanged = false;
    file.Row(2).GetTags().getTagChanged(COutlineRecord::kCheckedTag, checkedChanged);
    EXPECT_TRUE(checkedChanged);
    EXPECT_TRUE(file.DB().GetOutlineChanged());
}

TEST_F(Save, ExpandingAloneIsNoChangeForSynchronisation)
{
    Node("alpha")->m_Item.m_bExpanded = false;
    ASSERT_TRUE(SaveIt());
    EXPECT_TRUE(Untouched());
    EXPECT_FALSE(OutlineChanged());
    EXPECT_EQ(Status(), (std::vector<int> { 0, 0, 0, 0, 0 }));
    // The new state is in the file all the same.
    COutlineFileReader file(m_strPath);
    EXPECT_FALSE(file.Row(0).GetExpanded());
}

TEST_F(Save, MovingAnItemMarksTheRecordsWhosePlaceChanged)
{
    // delta moves up above alpha; alpha, beta and gamma move down by one.
    COutlineNode *delta = Node("delta");
    m_Man.GetTree().Detach(delta);
    m_Man.GetTree().AttachFirst(delta, nullptr);
    ASSERT_TRUE(SaveIt());
    EXPECT_EQ(COutlineFileReader(m_strPath).Texts(), "delta alpha beta gamma epsilon");
    EXPECT_EQ(SortChanged(), (std::vector<int> { 1, 1, 1, 1, 0 }));
    EXPECT_TRUE(OutlineChanged());
    EXPECT_FALSE(Untouched());
    EXPECT_EQ(Status(), (std::vector<int> { 0, 0, 0, 0, 0 }));

    // Moving it back restores the places, but the handheld has yet to hear
    // of the first move.
    m_Man.GetTree().Detach(delta);
    m_Man.GetTree().AttachAfter(delta, nullptr, Node("alpha"));
    ASSERT_TRUE(SaveIt());
    EXPECT_EQ(COutlineFileReader(m_strPath).Texts(), "alpha beta gamma delta epsilon");
    EXPECT_EQ(SortChanged(), (std::vector<int> { 1, 1, 1, 1, 0 }));
}

TEST_F(Save, DeletedItemsLeaveTheirIdsAndChangeTheOutline)
{
    DeleteItem("epsilon");
    ASSERT_TRUE(SaveIt());
    COutlineFileReader file(m_strPath);
    EXPECT_EQ(file.Texts(), "alpha beta gamma delta");
    EXPECT_TRUE(file.DB().GetOutlineChanged());
    EXPECT_EQ(file.DB().GetDeletedQuibs().GetIds(), std::vector<std::uint32_t> { 15 });
    EXPECT_EQ(m_Man.GetLoadedRows(), 4);
    EXPECT_FALSE(Untouched());
}

TEST_F(Save, NewItemsAreMarkedNew)
{
    COutlineNode *node = m_Man.AddFirstItem();
    ASSERT_NE(node, nullptr);
    node->m_Item.m_Text.SetString("zeta");
    ASSERT_TRUE(SaveIt());
    EXPECT_EQ(COutlineFileReader(m_strPath).Texts(), "alpha beta gamma delta epsilon zeta");
    EXPECT_EQ(Status(), (std::vector<int> { 0, 0, 0, 0, 0, kNew }));
    EXPECT_TRUE(OutlineChanged());
}

TEST_F(Save, AChangedHeaderChangesTheOutline)
{
    m_Man.GetDB()->SetOutlineTitle("Another title");
    ASSERT_TRUE(SaveIt());
    COutlineFileReader file(m_strPath);
    EXPECT_TRUE(file.DB().GetOutlineChanged());
    EXPECT_EQ(file.DB().GetOutlineTitle(), "Another title");
    EXPECT_FALSE(Untouched());
}

TEST_F(Save, HeaderFieldsNotComparedAreWrittenWithoutAChange)
{
    m_Man.GetDB()->SetTopIndex(3);
    ASSERT_TRUE(SaveIt());
    COutlineFileReader file(m_strPath);
    EXPECT_FALSE(file.DB().GetOutlineChanged());
    EXPECT_EQ(file.DB().GetTopIndex(), 3u);
    EXPECT_TRUE(Untouched());
}

TEST_F(Save, ANewOutlineIsWrittenWithEveryRecordNew)
{
    CFixedSettings settings;
    COutlineMan man(&settings, &m_Sink);
    ASSERT_TRUE(man.NewOutline(false));
    BuildTree(man, "one (two) three");
    const std::string path = m_Dir.file("new.kxo");
    ASSERT_TRUE(man.Save(path.c_str()));
    COutlineFileReader file(path);
    EXPECT_EQ(file.Texts(), "one two three");
    EXPECT_EQ(file.Indents(), (std::vector<int> { 0, 1, 0 }));
    for (std::size_t i = 0; i < file.Count(); ++i)
        EXPECT_TRUE(file.Row(i).IsNew()) << i;
    EXPECT_TRUE(file.DB().GetOutlineChanged());
    EXPECT_FALSE(file.DB().GetSynchronized());
    EXPECT_EQ(file.DB().GetOutlineTitle(), "Untitled");
    EXPECT_EQ(file.DB().GetShowHeadingsMode(), 10);
    struct stat st { };
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    const mode_t mask = umask(0);
    umask(mask);
    EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask);

    // Saving as a new file again replaces the one that is there.
    man.GetTree().GetFirstChild(nullptr)->m_Item.m_Text.SetString("ONE");
    ASSERT_TRUE(man.Save(path.c_str()));
    EXPECT_EQ(COutlineFileReader(path).Texts(), "ONE two three");
}

TEST_F(Save, AReloadedOutlineReadsBackWhatWasSaved)
{
    Node("beta")->m_Item.m_strNote = "other note";
    Node("alpha")->m_Item.m_Text.SetString("first line\r\nsecond line");
    // Removed from the tree only: its record, bound to nothing, is not saved.
    m_Man.GetTree().Remove(Node("gamma"));
    ASSERT_TRUE(SaveIt());
    COutlineMan again;
    ASSERT_TRUE(again.Load(m_strPath.c_str()));
    EXPECT_EQ(again.DebugDump(COutlineMan::kDumpLevels),
        "first line|second line:0 (beta:1) delta:0 epsilon:0");
    EXPECT_EQ(NodeOf(again, "beta")->m_Item.m_strNote, "other note");
    EXPECT_EQ(NodeOf(again, "beta")->m_Item.m_nId, 12u);
}

TEST_F(Save, TheFileKeepsItsPermissionsAndItsLink)
{
    ASSERT_EQ(chmod(m_strPath.c_str(), 0640), 0);
    const std::string link = m_Dir.file("link.kxo");
    ASSERT_EQ(symlink(m_strPath.c_str(), link.c_str()), 0);
    Node("alpha")->m_Item.m_Text.SetString("changed");
    ASSERT_TRUE(m_Man.Save(link.c_str()));
    struct stat st { };
    ASSERT_EQ(lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(stat(m_strPath.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(COutlineFileReader(m_strPath).Texts(), "changed beta gamma delta epsilon");
}

TEST_F(Save, AReadOnlyFileIsNotReplaced)
{
    ASSERT_EQ(chmod(m_strPath.c_str(), 0444), 0);
    const std::string before = m_Dir.read("outline.kxo");
    Node("alpha")->m_Item.m_Text.SetString("changed");
    EXPECT_FALSE(SaveIt());
    EXPECT_EQ(m_Sink.m_Messages.size(), 1u);
    EXPECT_EQ(m_Dir.read("outline.kxo"), before);
    EXPECT_EQ(FolderEntries(m_Dir.path()), std::vector<std::string> { "outline.kxo" });
}

TEST_F(Save, AFileThatIsGoneCannotBeSavedOver)
{
    ASSERT_EQ(unlink(m_strPath.c_str()), 0);
    EXPECT_FALSE(SaveIt());
    EXPECT_EQ(m_Sink.m_Messages.size(), 1u);
    EXPECT_TRUE(FolderEntries(m_Dir.path()).empty());
}

TEST_F(Save, SavingOverAnotherOutlineMarksWhatItCannotCompare)
{
    // The other file's rows lie elsewhere: its first two start where this
    // outline's first two do (and are compared as usual), the others fall
    // inside its second.
    const std::string other = m_Dir.file("other.kxo");
    WriteOutlineFile(other, { { 0, "alpha", 11 }, { 0, std::string(300, 'x') } });
    ASSERT_TRUE(m_Man.Save(other.c_str()));
    EXPECT_TRUE(m_Sink.m_Messages.empty());
    COutlineFileReader file(other);
    EXPECT_EQ(file.Texts(), "alpha beta gamma delta epsilon");
    EXPECT_EQ(file.Row(1).GetNote(), "note");
    EXPECT_EQ(file.Row(0).GetFlag(), 0);
    for (std::size_t i = 1; i < file.Count(); ++i) {
        bool textChanged = false;
        bool noteChanged = false;
        file.Row(i).GetTags().getStringTagChanged(COutlineRecord::kTextString, textChanged);
        file.Row(i).GetTags().getStringTagChanged(COutlineRecord::kNoteString, noteChanged);
        EXPECT_TRUE(textChanged && noteChanged) << i;
        EXPECT_EQ(file.Row(i).GetFlag(), kChanged) << i;
        EXPECT_EQ(file.Row(i).IsSortChanged(), i > 1) << i;
    }
    // The outline's own file is as it was.
    EXPECT_TRUE(Untouched());
}
