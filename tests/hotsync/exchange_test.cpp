// What hotsync does to a handheld folder, and the command's refusals.

#include "HandheldExchange.h"
#include "HotSyncCommand.h"
#include "NotifierLink.h"

#include "kx_gen/CategoryDB.h"
#include "kx_gen/CategoryRecord.h"
#include "kx_gen/DBRecordset.h"
#include "kx_gen/Exception.h"
#include "kx_gen/File.h"
#include "kx_gen/OutlineDB.h"
#include "kx_gen/OutlineRecord.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include <sys/stat.h>
#include <unistd.h>

using namespace kx_gen;

namespace {

class HandheldFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/vellacor-hotsync-XXXXXX";
        m_root = ::mkdtemp(pattern);
        m_folder = (m_root / "Vellacor").string();
        std::filesystem::create_directories(m_folder);
        const std::string runtime = (m_root / "run").string();
        ::mkdir(runtime.c_str(), 0700);
        ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (m_root / "config").c_str(), 1);
        CCategoryDB::setUnfiledCategoryName("Unfiled");
    }
    void TearDown() override
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_root, ignored);
    }
    std::string File(const std::string &name) const { return m_folder + "/" + name; }
    // An outline as the desktop leaves it: items new, changed or deleted
    // since the last synchronisation.
    void WriteDesktopOutline(const std::string &name)
    {
        COutlineDB db;
        db.InitNewDatabase();
        db.SetOutlineTitle("Desk");
        db.SetOutlineChanged(true);
        auto *kept = static_cast<COutlineRecord *>(db.GetRecordset()->Append());
        kept->SetText("kept");
        kept->SetId(7);
        kept->SetChanged(true);
        auto *fresh = static_cast<COutlineRecord *>(db.GetRecordset()->Append());
        fresh->SetText("fresh");
        fresh->SetNew(true);
        auto *gone = static_cast<COutlineRecord *>(db.GetRecordset()->Append());
        gone->SetText("gone");
        gone->SetId(9);
        gone->SetDeleted(true);
        db.AddDeletedId(12);
        db.Open(File(name).c_str(), CFile::modeCreate | CFile::modeWrite);
        db.WriteAllHeaders();
        db.WriteRows();
        db.Close();
    }
    static void Read(COutlineDB &db, const std::string &path)
    {
        db.Open(path.c_str(), CFile::modeRead | CFile::shareDenyWrite);
        db.ReadSharedHeader();
        db.ReadPrivateHeader();
        db.ReadRows();
        db.Close();
    }
    static std::string Bytes(const std::string &path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    std::filesystem::path m_root;
    std::string m_folder;
};

TEST_F(HandheldFolderTest, AnOutlineFromTheHandheldArrivesSynchronisedWithItsCategory)
{
    const std::string path
        = hotsync::AddOutline(m_folder, "Shop: list", "Errands", { "Milk", "Bread" });
    EXPECT_EQ(std::filesystem::path(path).parent_path(), m_folder);
    COutlineDB db;
    Read(db, path);
    EXPECT_EQ(db.GetOutlineTitle().str(), "Shop: list");
    EXPECT_EQ(db.GetCategoryName().str(), "Errands");
    EXPECT_TRUE(db.GetSynchronized());
    EXPECT_FALSE(db.GetOutlineChanged());
    ASSERT_EQ(db.GetRecordset()->getSize(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        const COutlineRecord *record = db.GetOutlineRecord(i);
        EXPECT_EQ(record->GetId(), i + 1);
        EXPECT_FALSE(record->IsNew() || record->IsChanged());
    }
    CCategoryDB categories;
    categories.LoadFile(File("categories.dat").c_str());
    const CCategoryRecord *errands = categories.FindCategory("Errands");
    ASSERT_NE(errands, nullptr);
    EXPECT_LT(errands->GetCategoryId(), 128u);
    EXPECT_GT(errands->GetCategoryId(), 0u);
    // The same title again makes a second file, never a replaced one.
    const std::string second = hotsync::AddOutline(m_folder, "Shop: list", "", { "Eggs" });
    EXPECT_NE(second, path);
    EXPECT_FALSE(hotsync::AddCategory(m_folder, "Errands"));
    EXPECT_FALSE(hotsync::AddCategory(m_folder, "Unfiled"));
}

TEST_F(HandheldFolderTest, AHandheldEditChangesOneItemOfTheNamedOutline)
{
    WriteDesktopOutline("Desk.kxo");
    // By title as well as by file name.
    hotsync::ChangeItem(m_folder, "Desk", 2, "from the palm");
    COutlineDB db;
    Read(db, File("Desk.kxo"));
    EXPECT_EQ(db.GetOutlineRecord(1)->GetText().str(), "from the palm");
    EXPECT_NE(db.GetOutlineRecord(1)->GetId(), 0u);
    EXPECT_FALSE(db.GetOutlineRecord(1)->IsChanged());
    EXPECT_EQ(db.GetOutlineRecord(0)->GetText().str(), "kept");

    const std::string before = Bytes(File("Desk.kxo"));
    EXPECT_THROW(hotsync::ChangeItem(m_folder, "Desk.kxo", 4, "x"), std::runtime_error);
    EXPECT_THROW(hotsync::ChangeItem(m_folder, "Nothing", 1, "x"), std::runtime_error);
    EXPECT_EQ(Bytes(File("Desk.kxo")), before);
}

TEST_F(HandheldFolderTest, MarkingSynchronisedLeavesNoChangeBehind)
{
    WriteDesktopOutline("Desk.kxo");
    WriteDesktopOutline("Folder.kxo"); // the filing cabinet is not exchanged
    const std::string cabinet = Bytes(File("Folder.kxo"));
    hotsync::AddCategory(m_folder, "Home");
    EXPECT_EQ(hotsync::MarkSynchronized(m_folder), 1);
    COutlineDB db;
    Read(db, File("Desk.kxo"));
    EXPECT_TRUE(db.GetSynchronized());
    EXPECT_FALSE(db.GetOutlineChanged());
    EXPECT_EQ(db.GetDeletedQuibs().GetSize(), 0u);
    ASSERT_EQ(db.GetRecordset()->getSize(), 2u);
    EXPECT_EQ(db.GetOutlineRecord(0)->GetId(), 7u);
    EXPECT_EQ(db.GetOutlineRecord(1)->GetId(), 13u); // above every id ever used
    for (std::size_t i = 0; i < 2; ++i)
        EXPECT_FALSE(db.GetOutlineRecord(i)->IsNew() || db.GetOutlineRecord(i)->IsChanged());
    EXPECT_EQ(Bytes(File("Folder.kxo")), cabinet);
    CCategoryDB categories;
    categories.LoadFile(File("categories.dat").c_str());
    for (const CCategoryRecord &record : categories)
        EXPECT_FALSE(record.IsNew() || record.IsChanged());
}

TEST_F(HandheldFolderTest, TheCommandRefusesWhatItCannotDo)
{
    std::ostringstream out, err;
    hotsync::CHotSyncCommand command(out, err);
    EXPECT_EQ(command.Run({ "--bogus" }), 2);
    EXPECT_EQ(command.Run({ "--change-item", "Desk", "zero", "x" }), 2);
    EXPECT_EQ(command.Run({ "--timeout", "-1" }), 2);
    // No HotSync folder named anywhere.
    EXPECT_EQ(command.Run({ "--folder", (m_root / "none").string(), "--user", "Ann" }), 1);
    EXPECT_NE(err.str().find("cannot be read"), std::string::npos);

    // A HotSync that runs already keeps a second one out.
    std::filesystem::create_directories(m_root / "HotSync" / "Ann" / "Vellacor");
    std::ofstream(m_root / "HotSync" / "users.dat")
        << "PalmDesktopUsers\t1\nuser\t17\t0\tAnn\tAnn\n";
    // A notifier that cannot be loaded stops the HotSync before anything.
    EXPECT_EQ(command.Run({ "--folder", (m_root / "HotSync").string(), "--notifier",
                  (m_root / "missing.so").string(), "--add-outline", "Y" }),
        1);
    EXPECT_FALSE(std::filesystem::exists(m_root / "HotSync" / "Ann" / "Vellacor" / "Y.kxo"));
    hotsync::CNotifierLock running;
    std::string why;
    ASSERT_TRUE(running.Take(0, why)) << why;
    std::ostringstream out2, err2;
    hotsync::CHotSyncCommand second(out2, err2);
    EXPECT_EQ(second.Run({ "--folder", (m_root / "HotSync").string(), "--user", "Ann",
                  "--notifier", TEST_BIN_DIR "/../lib/libKXNotify.so", "--add-outline", "X" }),
        1);
    EXPECT_NE(err2.str().find("another HotSync is running"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(m_root / "HotSync" / "Ann" / "Vellacor" / "X.kxo"));
}

TEST_F(HandheldFolderTest, WithoutTheProgramTheFolderIsSynchronisedAlone)
{
    std::filesystem::create_directories(m_root / "HotSync");
    std::ofstream(m_root / "HotSync" / "users.dat")
        << "PalmDesktopUsers\t1\nuser\t17\t0\tAnn\tAnn\n";
    std::ostringstream out, err;
    hotsync::CHotSyncCommand command(out, err);
    EXPECT_EQ(command.Run({ "--folder", (m_root / "HotSync").string(), "--add-outline", "Trip",
                  "--hold", "0" }),
        0)
        << err.str();
    EXPECT_NE(out.str().find("not running"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(m_root / "HotSync" / "Ann" / "Vellacor" / "Trip.kxo"));
    // A notifier that takes part: it holds the lock and makes the event
    // for the HotSync only.
    std::ostringstream out2, err2;
    hotsync::CHotSyncCommand second(out2, err2);
    EXPECT_EQ(second.Run({ "--folder", (m_root / "HotSync").string(), "--notifier",
                  TEST_BIN_DIR "/../lib/libKXNotify.so", "--add-outline", "Trip", "--hold", "0" }),
        0)
        << err2.str();
    int outlines = 0;
    for (const auto &entry :
        std::filesystem::directory_iterator(m_root / "HotSync" / "Ann" / "Vellacor"))
        outlines += entry.path().extension() == ".kxo";
    EXPECT_EQ(outlines, 2);
    hotsync::CNotifierLock free;
    std::string why;
    EXPECT_TRUE(free.Take(0, why)) << why;
    // The event is gone with the HotSync.
    EXPECT_FALSE(std::filesystem::exists(
        m_root / "run" / "Larkwell" / "events" / hotsync::kSyncEventName));
}

} // namespace
