#include "kx_gen/Time.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

using namespace kx_gen;

namespace {

// Central European time without needing the time-zone database.
class CTimeInZone : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char *old = std::getenv("TZ");
        m_hadTz = old != nullptr;
        if (old)
            m_oldTz = old;
        setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
        tzset();
    }
    void TearDown() override
    {
        if (m_hadTz)
            setenv("TZ", m_oldTz.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    bool m_hadTz = false;
    std::string m_oldTz;
};

} // namespace

TEST_F(CTimeInZone, LocalPartsGiveUtcSeconds)
{
    const CTime summer(2024, 7, 1, 12, 0, 0);
    EXPECT_EQ(summer.GetTime(), 1719828000); // 10:00 UTC
    EXPECT_EQ(summer.GetYear(), 2024);
    EXPECT_EQ(summer.GetMonth(), 7);
    EXPECT_EQ(summer.GetDay(), 1);
    EXPECT_EQ(summer.GetHour(), 12);
    EXPECT_EQ(summer.GetMinute(), 0);
    EXPECT_EQ(summer.GetDayOfWeek(), 2); // Monday

    std::tm gmt {};
    ASSERT_NE(summer.GetGmtTm(&gmt), nullptr);
    EXPECT_EQ(gmt.tm_hour, 10);

    // The daylight-saving flag says how to read a winter wall-clock time.
    const CTime standard(2024, 1, 15, 12, 0, 0, 0);
    const CTime daylight(2024, 1, 15, 12, 0, 0, 1);
    EXPECT_EQ(standard.GetTime() - daylight.GetTime(), 3600);
}

TEST_F(CTimeInZone, SystemTimeRoundTripAndYearsBefore1900)
{
    SYSTEMTIME st { 2023, 12, 0, 24, 18, 30, 15, 999 };
    const CTime t(st);
    SYSTEMTIME back {};
    ASSERT_TRUE(t.GetAsSystemTime(back));
    EXPECT_EQ(back.wYear, 2023);
    EXPECT_EQ(back.wMonth, 12);
    EXPECT_EQ(back.wDay, 24);
    EXPECT_EQ(back.wDayOfWeek, 0); // Sunday
    EXPECT_EQ(back.wHour, 18);
    EXPECT_EQ(back.wMinute, 30);
    EXPECT_EQ(back.wSecond, 15);
    EXPECT_EQ(back.wMilliseconds, 0);

    SYSTEMTIME old { 1899, 12, 0, 31, 23, 59, 59, 0 };
    EXPECT_EQ(CTime(old).GetTime(), 0);
    // 1900 is still accepted but cannot be held in 32 bits.
    SYSTEMTIME y1900 { 1900, 6, 0, 1, 0, 0, 0, 0 };
    EXPECT_EQ(CTime(y1900).GetTime(), -1);
}

TEST(CTimeConversions, FileTimesAreUtc)
{
    // 2000-01-01 00:00 UTC in 100-ns ticks since 1601.
    const std::uint64_t ticks = (946684800ULL + 11644473600ULL) * 10000000ULL;
    const FILETIME ft { static_cast<std::uint32_t>(ticks),
        static_cast<std::uint32_t>(ticks >> 32) };
    EXPECT_EQ(CTime(ft).GetTime(), 946684800);
    const FILETIME early { 0, 0 }; // 1601
    EXPECT_EQ(CTime(early).GetTime(), 0);

    const CTime now = CTime::GetTickCount();
    EXPECT_LE(std::abs(now.GetTime() - static_cast<std::int32_t>(std::time(nullptr))), 2);

    const TTime raw = now.GetTTime();
    EXPECT_EQ(CTime(raw), now);
    EXPECT_LT(CTime(5), CTime(6));
    EXPECT_GE(CTime(6), CTime(6));
    EXPECT_NE(CTime(5), CTime(6));
}
