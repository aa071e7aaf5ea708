// libTarnvel.so as the program uses it: copied into a HotSync folder,
// loaded with dlopen, its entry points looked up by name.

#include "TarnvelTestSupport.h"

#include "tarnvel/Tarnvel.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

using namespace tarnveltest;

namespace {

using ConvertProc = int (*)(const char *, const char *);
using LastErrorProc = const char *(*)();

class LoadedLibrary : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string copy = m_hotSync / "libTarnvel.so";
        std::filesystem::copy_file(TARNVEL_LIBRARY, copy);
        m_pHandle = ::dlopen(copy.c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(m_pHandle, nullptr) << ::dlerror();
        m_toPdb = reinterpret_cast<ConvertProc>(::dlsym(m_pHandle, "convertPCtoPDB"));
        m_toOutline = reinterpret_cast<ConvertProc>(::dlsym(m_pHandle, "convertPDBtoPC"));
        m_lastError = reinterpret_cast<LastErrorProc>(::dlsym(m_pHandle, "tarnvelLastError"));
        ASSERT_TRUE(m_toPdb && m_toOutline && m_lastError);
    }
    void TearDown() override
    {
        if (m_pHandle)
            ::dlclose(m_pHandle);
    }

    CTempFolder m_hotSync;
    CTempFolder m_work;
    void *m_pHandle = nullptr;
    ConvertProc m_toPdb = nullptr;
    ConvertProc m_toOutline = nullptr;
    LastErrorProc m_lastError = nullptr;
};

TEST_F(LoadedLibrary, ConvertsBothWays)
{
    const std::string outline = m_work / "Plan.kxo";
    const std::string pdb = m_work / "Plan.kxo.pdb";
    const std::string back = m_work / "Back.kxo";
    WriteSampleOutline(outline);
    ASSERT_EQ(m_toPdb(outline.c_str(), pdb.c_str()), kTarnvelOk) << m_lastError();
    EXPECT_STREQ(m_lastError(), "");
    ASSERT_EQ(m_toOutline(pdb.c_str(), back.c_str()), kTarnvelOk) << m_lastError();
    EXPECT_EQ(DumpOutlineFile(back), DumpOutlineFile(outline));
}

TEST_F(LoadedLibrary, ReportsFailuresByCodeAndText)
{
    const std::string pdb = m_work / "bad.pdb";
    WriteBytes(pdb, "short");
    EXPECT_EQ(m_toOutline(pdb.c_str(), (m_work / "x.kxo").c_str()), kTarnvelErrNotDatabase);
    EXPECT_NE(std::string(m_lastError()).find("shorter than a database header"), std::string::npos)
        << m_lastError();
    EXPECT_EQ(m_toPdb(nullptr, pdb.c_str()), kTarnvelErrArguments);
    EXPECT_EQ(m_toOutline(pdb.c_str(), ""), kTarnvelErrArguments);
    EXPECT_FALSE(std::filesystem::exists(m_work / "x.kxo"));
}

TEST_F(LoadedLibrary, ExportsOnlyItsEntryPoints)
{
    EXPECT_EQ(::dlsym(m_pHandle, "_ZN7tarnvel7ReadPdbEPKhm"), nullptr);
    EXPECT_EQ(::dlsym(m_pHandle, "_ZN7tarnvel13DecodeOutlineERKNS_12SPdbDatabaseE"), nullptr);
}

TEST(TarnvelCommand, InfoShowsHeaderCategoriesAndRecords)
{
    CTempFolder folder;
    const std::string out = folder / "info.txt";
    const std::string command
        = std::string(TARNVEL_COMMAND) + " info " + TEST_DATA_DIR + "/sample.pdb > " + out;
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::string info = ReadFile(out);
    for (const char *line : { "name:          Garden plan", "type/creator:  Outl Vlcr",
             "created:       2024-05-01 12:00:00 UTC", "   1  id 129  Work",
             "id 0x00a002  attr 0x51     17 bytes  level 1 checked collapsed    Beans" })
        EXPECT_NE(info.find(line), std::string::npos) << line << "\n" << info;
    const std::string bad = folder / "bad.pdb";
    WriteBytes(bad, "x");
    EXPECT_NE(
        std::system((std::string(TARNVEL_COMMAND) + " info " + bad + " 2>/dev/null").c_str()), 0);
}

} // namespace
