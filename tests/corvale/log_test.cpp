#include "kx_gen/AppRegistry.h"
#include "kx_gen/Log.h"

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

using namespace kx_gen;
namespace fs = std::filesystem;

namespace {

class LogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char folder[] = "/tmp/kx-log-XXXXXX";
        ASSERT_TRUE(mkdtemp(folder));
        m_folder = folder;
    }
    void TearDown() override
    {
        file_io_setLogMan(nullptr);
        fs::remove_all(m_folder);
    }

    // The one log file in the folder.
    std::string LogFile() const
    {
        std::string found;
        for (const auto &entry : fs::directory_iterator(m_folder))
            if (entry.path().extension() == ".log") {
                EXPECT_TRUE(found.empty()) << "more than one log";
                found = entry.path();
            }
        return found;
    }
    static std::string ReadFile(const std::string &path)
    {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    std::string m_folder;
};

} // namespace

TEST_F(LogTest, ASessionWritesItsStartLineAndMessagesWithCrLf)
{
    CLog log;
    EXPECT_FALSE(log.addLogMsg("before")) << "no session yet";
    std::time_t before = std::time(nullptr);
    ASSERT_TRUE(log.startLogSession(m_folder.c_str(), "kx")); // no trailing separator
    std::time_t after = std::time(nullptr);
    EXPECT_FALSE(log.startLogSession(m_folder.c_str(), "kx")) << "one session at a time";
    EXPECT_TRUE(log.addLogMsg("user %s has %d outlines", "ann", 3));
    EXPECT_TRUE(log.addLogMsg("%s", ""));
    log.endLogSession();
    EXPECT_FALSE(log.addLogMsg("after"));
    EXPECT_FALSE(log.IsSessionOpen());

    std::string path = LogFile();
    std::smatch m;
    std::string name = fs::path(path).filename();
    ASSERT_TRUE(std::regex_match(name, m, std::regex("kx([0-9]+)\\.log")));
    std::time_t stamp = std::stol(m[1]);
    EXPECT_GE(stamp, before);
    EXPECT_LE(stamp, after);
    EXPECT_EQ(fs::path(path).parent_path(), fs::path(m_folder));

    std::tm local {};
    localtime_r(&stamp, &local);
    char first[128];
    std::snprintf(first, sizeof first, "Creating a log file at %d/%d/%d time %d:%d:%d\r\n",
        local.tm_mday, local.tm_mon + 1, local.tm_year + 1900, local.tm_hour, local.tm_min,
        local.tm_sec);
    EXPECT_EQ(ReadFile(path), std::string(first) + "user ann has 3 outlines\r\n\r\n");
}

TEST_F(LogTest, ASessionStartedInTheSameSecondContinuesTheLog)
{
    // Whichever of the two seconds the session starts in, its file exists.
    std::time_t now = std::time(nullptr);
    for (std::time_t t : { now, now + 1 })
        std::ofstream(m_folder + "/kx" + std::to_string(t) + ".log", std::ios::binary)
            << "earlier\r\n";
    CLog log;
    ASSERT_TRUE(log.startLogSession((m_folder + "/").c_str(), "kx"));
    EXPECT_TRUE(log.addLogMsg("later"));
    log.endLogSession();
    int continued = 0;
    for (const auto &entry : fs::directory_iterator(m_folder)) {
        std::string text = ReadFile(entry.path());
        EXPECT_EQ(text.rfind("earlier\r\n", 0), 0u);
        if (text.find("later\r\n") != std::string::npos)
            ++continued;
    }
    EXPECT_EQ(continued, 1);
}

TEST_F(LogTest, ThreadsLoggingAtOnceKeepTheirLinesWhole)
{
    CLog log;
    ASSERT_TRUE(log.startLogSession(m_folder.c_str(), "threads"));
    constexpr int kThreads = 4, kMessages = 200;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < kMessages; ++i)
                log.addLogMsg("thread %d message %d %s", t, i, std::string(50, 'a' + t).c_str());
        });
    for (auto &t : threads)
        t.join();
    log.endLogSession();

    std::istringstream lines(ReadFile(LogFile()));
    std::string line;
    std::getline(lines, line);
    int count = 0;
    std::regex pattern("thread ([0-9]) message [0-9]+ ([a-d])\\2{49}\r");
    while (std::getline(lines, line)) {
        EXPECT_TRUE(std::regex_match(line, pattern)) << line;
        ++count;
    }
    EXPECT_EQ(count, kThreads * kMessages);
}

TEST_F(LogTest, LongMessagesAreCut)
{
    CLog log;
    ASSERT_TRUE(log.startLogSession(m_folder.c_str(), "long"));
    std::string huge(CLog::kMaxMessageLength + 100, 'x');
    EXPECT_TRUE(log.addLogMsg("%s", huge.c_str()));
    log.endLogSession();
    std::string text = ReadFile(LogFile());
    std::size_t start = text.find("\r\n") + 2;
    EXPECT_EQ(text.substr(start), std::string(CLog::kMaxMessageLength, 'x') + "\r\n");
}

TEST_F(LogTest, TheLibraryLogHearsOfADamagedSettingsFile)
{
    setenv("XDG_CONFIG_HOME", m_folder.c_str(), 1);
    fs::create_directories(m_folder + "/Larkwell");
    std::ofstream(m_folder + "/Larkwell/current-user.hive") << "not a hive";
    {
        CLog log;
        ASSERT_TRUE(log.startLogSession(m_folder.c_str(), "library"));
        file_io_setLogMan(&log);
        EXPECT_EQ(file_io_getLogMan(), &log);
        CAppRegistry reg("Larkwell", "Idealoom");
        _String text;
        EXPECT_TRUE(reg.OpenSection("Preferences"));
        EXPECT_FALSE(reg.ReadString("Path", text));
    }
    EXPECT_EQ(file_io_getLogMan(), nullptr) << "a destroyed log unregisters itself";
    std::string text = ReadFile(LogFile());
    EXPECT_NE(text.find("current-user.hive could not be read (line 1: not a settings hive). It "
                        "was kept as "),
        std::string::npos)
        << text;
}
