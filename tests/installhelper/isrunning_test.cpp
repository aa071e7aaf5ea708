#include "TavishTestSupport.h"

#include "kx_gen/MessageWindow.h"
#include "kx_gen/OneAppInstance.h"

#include <chrono>
#include <thread>

using namespace tavishtest;

namespace {

const char kAreYouMe[] = "UWM_ARE_YOU_ME-{5B2E91D4-3C7A-4f0e-B816-2D94A0C7E153}";

using Clock = std::chrono::steady_clock;

TEST_F(TavishTest, RunningProgramIsFoundWhileItListens)
{
    EXPECT_EQ(isRunning(), 0);

    kx_gen::COneAppInstance program;
    ASSERT_TRUE(program.Listen(kx_gen::RegisterWindowMessage(kAreYouMe), [] {}));
    EXPECT_EQ(isRunning(), 1);

    program.StopListening();
    EXPECT_EQ(isRunning(), 0);
}

TEST_F(TavishTest, OtherProgramsAndWrongAnswersDoNotCount)
{
    // A program listening for another message answers ours with 0.
    kx_gen::COneAppInstance other;
    ASSERT_TRUE(other.Listen(kx_gen::RegisterWindowMessage("UWM_SOMETHING_ELSE"), [] {}));
    // A window that handles the message but answers with something else.
    kx_gen::CMessageWindow impostor;
    ASSERT_TRUE(impostor.Create([](unsigned message, std::uint64_t, std::int64_t, std::int64_t *r) {
        *r = message + 1;
        return true;
    }));
    EXPECT_EQ(isRunning(), 0);
}

TEST_F(TavishTest, HungWindowIsPassedOverInTime)
{
    const unsigned message = kx_gen::RegisterWindowMessage(kAreYouMe);
    kx_gen::CMessageWindow hung;
    ASSERT_TRUE(hung.Create([](unsigned, std::uint64_t, std::int64_t, std::int64_t *r) {
        std::this_thread::sleep_for(std::chrono::milliseconds(800));
        *r = 0;
        return true;
    }));
    Clock::time_point start = Clock::now();
    EXPECT_EQ(isRunning(), 0);
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(700));

    kx_gen::COneAppInstance program;
    ASSERT_TRUE(program.Listen(message, [] {}));
    start = Clock::now();
    EXPECT_EQ(isRunning(), 1);
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(700));
}

} // namespace
