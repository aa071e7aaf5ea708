#include "kx_gen/MessageWindow.h"
#include "kx_gen/OneAppInstance.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace kx_gen;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

const char kAreYouMe[] = "UWM_ARE_YOU_ME-{5B2E91D4-3C7A-4f0e-B816-2D94A0C7E153}";

class InstanceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char folder[] = "/tmp/kx-runtime-XXXXXX";
        ASSERT_TRUE(mkdtemp(folder));
        m_folder = folder;
        setenv("XDG_RUNTIME_DIR", folder, 1);
    }
    void TearDown() override { fs::remove_all(m_folder); }

    std::string WindowsFolder() const { return m_folder + "/Larkwell/windows"; }

    // A socket that accepts connections (the kernel does) but never answers.
    int SilentSocket(const std::string &name)
    {
        fs::create_directories(WindowsFolder());
        int fd = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address {};
        address.sun_family = AF_UNIX;
        std::string path = WindowsFolder() + "/" + name;
        std::strcpy(address.sun_path, path.c_str());
        EXPECT_EQ(bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
        EXPECT_EQ(listen(fd, 4), 0);
        return fd;
    }

    std::string m_folder;
};

long Milliseconds(Clock::time_point since)
{
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

} // namespace

TEST_F(InstanceTest, MessageIdsAreTheSameInEveryProcess)
{
    unsigned id = RegisterWindowMessage(kAreYouMe);
    EXPECT_GE(id, 0xC000u);
    EXPECT_LE(id, 0xFFFFu);
    EXPECT_EQ(RegisterWindowMessage("uwm_are_you_me-{5b2e91d4-3c7a-4F0E-b816-2d94a0c7e153}"), id);
    EXPECT_NE(RegisterWindowMessage("UWM_CMD_LINE-{5B2E91D4-3C7A-4x0u-B816-2D94A0C7E153}"), id);
    EXPECT_EQ(RegisterWindowMessage(""), 0u);

    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    pid_t child = fork();
    if (child == 0) {
        unsigned there = RegisterWindowMessage(kAreYouMe);
        _exit(write(fds[1], &there, sizeof there) == sizeof there ? 0 : 1);
    }
    unsigned there = 0;
    ASSERT_EQ(read(fds[0], &there, sizeof there), static_cast<ssize_t>(sizeof there));
    waitpid(child, nullptr, 0);
    EXPECT_EQ(there, id);
    close(fds[0]);
    close(fds[1]);
}

TEST_F(InstanceTest, ARunningInstanceIsFoundAcrossProcessesAndComesToTheFront)
{
    unsigned id = RegisterWindowMessage(kAreYouMe);
    int ready[2], front[2], quit[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(front), 0);
    ASSERT_EQ(pipe(quit), 0);
    pid_t child = fork();
    if (child == 0) {
        COneAppInstance running;
        bool ok = running.Listen(id, [&] {
            char c = 'F';
            (void)!write(front[1], &c, 1);
        });
        char c = ok ? 'R' : 'X';
        (void)!write(ready[1], &c, 1);
        (void)!read(quit[0], &c, 1);
        _exit(0);
    }
    char c = 0;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    ASSERT_EQ(c, 'R');

    COneAppInstance other;
    AppWindow none;
    EXPECT_EQ(other.InitInstance(RegisterWindowMessage("some other program"), &none), 1);
    EXPECT_TRUE(none.IsNull());

    COneAppInstance second;
    AppWindow found;
    EXPECT_EQ(second.InitInstance(id, &found), 0);
    EXPECT_EQ(found.pid, static_cast<long>(child));
    EXPECT_EQ(second.GetFoundWindow(), found);
    ASSERT_EQ(read(front[0], &c, 1), 1) << "InitInstance brings the instance to the front";
    EXPECT_EQ(c, 'F');

    (void)!write(quit[1], "q", 1);
    waitpid(child, nullptr, 0);
    COneAppInstance afterExit;
    EXPECT_EQ(afterExit.InitInstance(id, nullptr), 1);
    for (int fd : { ready[0], ready[1], front[0], front[1], quit[0], quit[1] })
        close(fd);
}

TEST_F(InstanceTest, WindowsThatDoNotAnswerInTimeAreNoInstance)
{
    unsigned id = RegisterWindowMessage(kAreYouMe);
    int silent = SilentSocket(std::to_string(getpid()) + "-0.sock");
    CMessageWindow slow;
    ASSERT_TRUE(slow.Create([](unsigned, std::uint64_t, std::int64_t, std::int64_t *result) {
        std::this_thread::sleep_for(std::chrono::milliseconds(600));
        *result = 0;
        return true;
    }));

    COneAppInstance starting;
    Clock::time_point start = Clock::now();
    EXPECT_EQ(starting.InitInstance(id, nullptr), 1);
    long elapsed = Milliseconds(start);
    EXPECT_GE(elapsed, 2 * 190);
    EXPECT_LT(elapsed, 2 * 200 + 250) << "each window gets 200 ms, no more";

    // The search goes on past the silent windows to one that answers.
    COneAppInstance running;
    std::atomic<int> broughtToFront { 0 };
    ASSERT_TRUE(running.Listen(id, [&] { ++broughtToFront; }));
    AppWindow found;
    EXPECT_EQ(starting.InitInstance(id, &found), 0);
    EXPECT_EQ(found.pid, static_cast<long>(getpid()));
    EXPECT_EQ(broughtToFront.load(), 1);
    close(silent);
}

TEST_F(InstanceTest, MessageWindowsAnswerWhatTheyHandleAndZeroOtherwise)
{
    CMessageWindow window;
    EXPECT_TRUE(window.GetWindow().IsNull());
    ASSERT_TRUE(
        window.Create([](unsigned message, std::uint64_t w, std::int64_t l, std::int64_t *result) {
            if (message != 0xC123)
                return false;
            *result = static_cast<std::int64_t>(w) * 1000 + l;
            return true;
        }));
    EXPECT_FALSE(window.Create(nullptr)) << "one socket per window";
    std::vector<AppWindow> windows = EnumAppWindows();
    ASSERT_EQ(windows.size(), 1u);
    EXPECT_EQ(windows[0], window.GetWindow());

    std::int64_t result = 99;
    EXPECT_TRUE(SendMessageTimeout(windows[0], 0xC123, 7, -3, 200, &result));
    EXPECT_EQ(result, 6997);
    EXPECT_TRUE(SendMessageTimeout(windows[0], 0xC124, 7, -3, 200, &result));
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(BringWindowToFront(windows[0])) << "no bring-to-front action";

    // A caller that sends garbage or nothing at all does not stop the window.
    int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, windows[0].endpoint.c_str());
    ASSERT_EQ(connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
    ASSERT_EQ(write(fd, "garbage garbage garbage garbage!", 32), 32);
    char answer[16];
    EXPECT_EQ(read(fd, answer, sizeof answer), 0) << "garbage gets no answer";
    close(fd);
    int idle = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(connect(idle, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
    EXPECT_TRUE(SendMessageTimeout(windows[0], 0xC123, 1, 1, 1000, &result));
    EXPECT_EQ(result, 1001);
    close(idle);

    window.Destroy();
    EXPECT_TRUE(EnumAppWindows().empty());
    EXPECT_FALSE(SendMessageTimeout(windows[0], 0xC123, 1, 1, 200, &result));
}

TEST_F(InstanceTest, SocketsLeftByEndedProcessesAreCleanedAway)
{
    pid_t child = fork();
    if (child == 0)
        _exit(0);
    waitpid(child, nullptr, 0);
    // The ended process's socket and one of this process nobody listens on.
    close(SilentSocket(std::to_string(child) + "-1.sock"));
    close(SilentSocket(std::to_string(getpid()) + "-0.sock"));
    std::vector<AppWindow> windows = EnumAppWindows();
    ASSERT_EQ(windows.size(), 1u);
    EXPECT_FALSE(SendMessageTimeout(windows[0], 0xC000, 0, 0, 200, nullptr));
    EXPECT_TRUE(EnumAppWindows().empty());
    EXPECT_TRUE(fs::is_empty(WindowsFolder()));
}

TEST_F(InstanceTest, TheRuntimeFolderFallsBackToAPrivateTemporaryFolder)
{
    EXPECT_EQ(GetRuntimeFolder(), m_folder.c_str());
    unsetenv("XDG_RUNTIME_DIR");
    std::string expected = "/tmp/larkwell-" + std::to_string(getuid());
    ASSERT_EQ(GetRuntimeFolder(), expected.c_str());
    EXPECT_EQ(fs::status(expected).permissions() & fs::perms::all, fs::perms::owner_all);
}
