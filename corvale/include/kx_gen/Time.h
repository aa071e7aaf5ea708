#pragma once

#include "kx_gen/Export.h"

#include <cstdint>
#include <ctime>

namespace kx_gen {

// A calendar date and time broken into parts, with the Windows byte layout
// (16 bytes). Month 1..12, day of week 0 = Sunday.
struct SYSTEMTIME {
    std::uint16_t wYear;
    std::uint16_t wMonth;
    std::uint16_t wDayOfWeek;
    std::uint16_t wDay;
    std::uint16_t wHour;
    std::uint16_t wMinute;
    std::uint16_t wSecond;
    std::uint16_t wMilliseconds;
};
static_assert(sizeof(SYSTEMTIME) == 16);

// A point in time as 100-nanosecond intervals since 1601-01-01 00:00 UTC,
// with the Windows byte layout (8 bytes, low part first).
struct FILETIME {
    std::uint32_t dwLowDateTime;
    std::uint32_t dwHighDateTime;
};
static_assert(sizeof(FILETIME) == 8);

// The seconds value of a CTime as a plain structure.
struct TTime {
    std::int32_t time;
};
static_assert(sizeof(TTime) == 4);

// A calendar time: seconds since 1970-01-01 00:00 UTC in 32 bits. Times that
// 32 bits cannot hold are stored as -1, the C library's "no time".
class KX_GEN_EXPORT CTime {
public:
    CTime() = default;
    CTime(std::int32_t seconds)
        : m_time(seconds)
    {
    }
    CTime(TTime t)
        : m_time(t.time)
    {
    }
    // Local date and time (year 1970.., month 1..12, day 1..31, hour 0..23,
    // minute, second); `dst` as the C library's tm_isdst: positive when
    // daylight-saving time is in effect, 0 when not, negative to let the
    // library decide.
    CTime(int year, int month, int day, int hour, int minute, int second, int dst = -1);
    // A local SYSTEMTIME; a year before 1900 gives 0.
    CTime(const SYSTEMTIME &systemTime, int dst = -1);
    // A FILETIME (UTC); a time before 1900 gives 0.
    CTime(const FILETIME &fileTime, int dst = -1);

    // The current time, in seconds.
    static CTime GetTickCount();

    std::int32_t GetTime() const { return m_time; }
    TTime GetTTime() const { return TTime { m_time }; }

    // Parts of the time in the local time zone.
    int GetYear() const;
    int GetMonth() const; // 1..12
    int GetDay() const; // 1..31
    int GetHour() const;
    int GetMinute() const;
    int GetSecond() const;
    int GetDayOfWeek() const; // 1 = Sunday .. 7 = Saturday

    // Fill `out` with the time broken down in UTC / local time and return
    // it, or return null when the C library cannot convert the time.
    std::tm *GetGmtTm(std::tm *out) const;
    std::tm *GetLocalTm(std::tm *out) const;
    // The local time as a SYSTEMTIME; false when it cannot be converted.
    bool GetAsSystemTime(SYSTEMTIME &out) const;

    friend bool operator==(CTime a, CTime b) { return a.m_time == b.m_time; }
    friend bool operator!=(CTime a, CTime b) { return a.m_time != b.m_time; }
    friend bool operator<(CTime a, CTime b) { return a.m_time < b.m_time; }
    friend bool operator<=(CTime a, CTime b) { return a.m_time <= b.m_time; }
    friend bool operator>(CTime a, CTime b) { return a.m_time > b.m_time; }
    friend bool operator>=(CTime a, CTime b) { return a.m_time >= b.m_time; }

private:
    std::int32_t m_time = 0;
};

} // namespace kx_gen
