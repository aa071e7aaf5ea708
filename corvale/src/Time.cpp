#include "kx_gen/Time.h"

#include <limits>

namespace kx_gen {

namespace {

// Seconds between 1601-01-01 and 1970-01-01, and 100-ns ticks per second.
constexpr std::int64_t kFileTimeEpochOffset = 11644473600LL;
constexpr std::int64_t kFileTimeTicksPerSecond = 10000000LL;
// 1900-01-01 00:00 UTC in seconds since 1970.
constexpr std::int64_t kYear1900 = -2208988800LL;

std::int32_t clampToInt32(std::int64_t seconds)
{
    if (seconds < std::numeric_limits<std::int32_t>::min()
        || seconds > std::numeric_limits<std::int32_t>::max())
        return -1;
    return static_cast<std::int32_t>(seconds);
}

} // namespace

CTime::CTime(int year, int month, int day, int hour, int minute, int second, int dst)
{
    std::tm t {};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    t.tm_isdst = dst;
    std::time_t value = std::mktime(&t);
    m_time = clampToInt32(static_cast<std::int64_t>(value));
}

CTime::CTime(const SYSTEMTIME &st, int dst)
{
    if (st.wYear < 1900) {
        m_time = 0;
        return;
    }
    *this = CTime(st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, dst);
}

CTime::CTime(const FILETIME &ft, int)
{
    // A FILETIME is already UTC, so the seconds follow without a detour
    // through local time.
    const std::uint64_t ticks
        = (static_cast<std::uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    const std::int64_t seconds
        = static_cast<std::int64_t>(ticks / kFileTimeTicksPerSecond) - kFileTimeEpochOffset;
    m_time = seconds < kYear1900 ? 0 : clampToInt32(seconds);
}

CTime CTime::GetTickCount()
{
    return CTime(clampToInt32(static_cast<std::int64_t>(std::time(nullptr))));
}

std::tm *CTime::GetGmtTm(std::tm *out) const
{
    const std::time_t t = m_time;
    return out && gmtime_r(&t, out) ? out : nullptr;
}

std::tm *CTime::GetLocalTm(std::tm *out) const
{
    const std::time_t t = m_time;
    return out && localtime_r(&t, out) ? out : nullptr;
}

namespace {

std::tm localParts(std::int32_t seconds)
{
    std::tm t {};
    const std::time_t value = seconds;
    localtime_r(&value, &t);
    return t;
}

} // namespace

int CTime::GetYear() const
{
    return localParts(m_time).tm_year + 1900;
}

int CTime::GetMonth() const
{
    return localParts(m_time).tm_mon + 1;
}

int CTime::GetDay() const
{
    return localParts(m_time).tm_mday;
}

int CTime::GetHour() const
{
    return localParts(m_time).tm_hour;
}

int CTime::GetMinute() const
{
    return localParts(m_time).tm_min;
}

int CTime::GetSecond() const
{
    return localParts(m_time).tm_sec;
}

int CTime::GetDayOfWeek() const
{
    return localParts(m_time).tm_wday + 1;
}

bool CTime::GetAsSystemTime(SYSTEMTIME &out) const
{
    std::tm t {};
    if (!GetLocalTm(&t))
        return false;
    out.wYear = static_cast<std::uint16_t>(t.tm_year + 1900);
    out.wMonth = static_cast<std::uint16_t>(t.tm_mon + 1);
    out.wDayOfWeek = static_cast<std::uint16_t>(t.tm_wday);
    out.wDay = static_cast<std::uint16_t>(t.tm_mday);
    out.wHour = static_cast<std::uint16_t>(t.tm_hour);
    out.wMinute = static_cast<std::uint16_t>(t.tm_min);
    out.wSecond = static_cast<std::uint16_t>(t.tm_sec);
    out.wMilliseconds = 0;
    return true;
}

} // namespace kx_gen
