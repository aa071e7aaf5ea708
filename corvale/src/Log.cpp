#include "kx_gen/Log.h"

#include "kx_gen/Time.h"

#include <algorithm>
#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <vector>

namespace kx_gen {

namespace {

std::atomic<CLog *> g_libraryLog { nullptr };

} // namespace

void file_io_setLogMan(CLog *log)
{
    g_libraryLog.store(log);
}

CLog *file_io_getLogMan()
{
    return g_libraryLog.load();
}

CLog::CLog() = default;

CLog::~CLog()
{
    CLog *self = this;
    g_libraryLog.compare_exchange_strong(self, nullptr);
    endLogSession();
}

bool CLog::IsSessionOpen() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_bOpen;
}

bool CLog::startLogSession(const char *directory, const char *prefix)
{
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_bOpen)
        return false;
    CTime start = CTime::GetTickCount();
    _String name;
    name.FormatString("%s%d.log", prefix ? prefix : "", static_cast<int>(start.GetTime()));
    _String path = CFile::CreateFilePath(directory ? directory : "", name);

    std::time_t now = start.GetTime();
    std::tm local {};
    localtime_r(&now, &local);
    _String first;
    first.FormatString("Creating a log file at %d/%d/%d time %d:%d:%d\r\n", local.tm_mday,
        local.tm_mon + 1, local.tm_year + 1900, local.tm_hour, local.tm_min, local.tm_sec);
    try {
        Open(path, modeCreate | modeNoTruncate | modeReadWrite);
        SeekToEnd();
        Write(first.c_str(), static_cast<unsigned>(first.size()));
        Flush();
    } catch (CException *e) {
        ExceptionHolder holder(e);
        try {
            Close();
        } catch (CException *closing) {
            ExceptionHolder closingHolder(closing);
        }
        return false;
    }
    m_bOpen = true;
    return true;
}

bool CLog::addLogMsg(const char *format, ...)
{
    std::vector<char> text(1024);
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    int length = std::vsnprintf(text.data(), text.size(), format, args);
    va_end(args);
    if (length >= 0 && static_cast<std::size_t>(length) >= text.size()) {
        text.resize(
            std::min<std::size_t>(static_cast<std::size_t>(length) + 1, kMaxMessageLength + 1));
        length = std::vsnprintf(text.data(), text.size(), format, again);
    }
    va_end(again);
    if (length < 0)
        return false;
    std::size_t size = std::min<std::size_t>(static_cast<std::size_t>(length), text.size() - 1);

    std::lock_guard<std::mutex> guard(m_lock);
    if (!m_bOpen)
        return false;
    try {
        SeekToEnd();
        Write(text.data(), static_cast<unsigned>(size));
        Write("\r\n", 2);
        Flush();
    } catch (CException *e) {
        ExceptionHolder holder(e);
        return false;
    }
    return true;
}

void CLog::endLogSession()
{
    std::lock_guard<std::mutex> guard(m_lock);
    if (!m_bOpen)
        return;
    m_bOpen = false;
    try {
        Flush();
    } catch (CException *e) {
        ExceptionHolder holder(e);
    }
    try {
        Close();
    } catch (CException *e) {
        ExceptionHolder holder(e);
    }
}

} // namespace kx_gen
