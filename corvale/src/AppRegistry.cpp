#include "kx_gen/AppRegistry.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace kx_gen {

namespace {

// True when `format` holds exactly one integer conversion (with optional
// flags and width) and otherwise only text and "%%", so that formatting it
// with one int is well defined.
bool IsSingleIntegerFormat(const char *format)
{
    int conversions = 0;
    for (const char *p = format; *p; ++p) {
        if (*p != '%')
            continue;
        ++p;
        if (*p == '%')
            continue;
        while (*p && std::strchr("-+ #0", *p))
            ++p;
        while (*p >= '0' && *p <= '9')
            ++p;
        if (!*p || !std::strchr("diuxXo", *p))
            return false;
        ++conversions;
    }
    return conversions == 1;
}

// Reads a value of one of two types into a buffer of exactly `size` bytes.
bool ReadExact(HKEY key, const char *name, std::uint32_t wantedType, std::uint32_t otherType,
    void *buffer, std::uint32_t size)
{
    if (!key || !buffer)
        return false;
    std::uint32_t type = REG_NONE;
    std::uint32_t stored = 0;
    if (RegQueryValue(key, name, &type, nullptr, &stored) != kRegSuccess || stored != size
        || (type != wantedType && type != otherType))
        return false;
    // The value may change between the two calls; read into a copy so that
    // a failure still leaves the caller's buffer alone.
    std::vector<unsigned char> copy(size);
    std::uint32_t got = size;
    if (RegQueryValue(key, name, &type, copy.data(), &got) != kRegSuccess || got != size
        || (type != wantedType && type != otherType))
        return false;
    if (size)
        std::memcpy(buffer, copy.data(), size);
    return true;
}

} // namespace

CAppRegistry::CAppRegistry(const char *company, const char *application)
{
    SetRegistryKey(company, application);
}

CAppRegistry::~CAppRegistry()
{
    CloseSection();
}

void CAppRegistry::SetRegistryKey(const char *company, const char *application)
{
    m_strCompany = company;
    m_strApplication = application;
}

HKEY CAppRegistry::GetAppRegistryKey()
{
    if (m_strCompany.IsEmpty() || m_strApplication.IsEmpty())
        return nullptr;
    HKEY software = nullptr, company = nullptr, application = nullptr;
    if (RegCreateKey(HKEY_CURRENT_USER, "software", kAccess, &software) == kRegSuccess
        && RegCreateKey(software, m_strCompany, kAccess, &company) == kRegSuccess)
        RegCreateKey(company, m_strApplication, kAccess, &application);
    RegCloseKey(company);
    RegCloseKey(software);
    return application;
}

HKEY CAppRegistry::GetSectionKey(const char *section)
{
    if (!section || !*section)
        return nullptr;
    HKEY application = GetAppRegistryKey();
    if (!application)
        return nullptr;
    HKEY key = nullptr;
    RegCreateKey(application, section, kAccess, &key);
    RegCloseKey(application);
    return key;
}

bool CAppRegistry::OpenSection(const char *section)
{
    CloseSection();
    m_hSectionKey = GetSectionKey(section);
    return m_hSectionKey != nullptr;
}

void CAppRegistry::CloseSection()
{
    if (m_hSectionKey) {
        RegCloseKey(m_hSectionKey);
        m_hSectionKey = nullptr;
    }
}

bool CAppRegistry::ReadString(const char *name, _String &text)
{
    return m_hSectionKey && RegGetString(m_hSectionKey, name, &text) == kRegSuccess;
}

bool CAppRegistry::WriteString(const char *name, const char *text)
{
    return m_hSectionKey && RegSetString(m_hSectionKey, name, text) == kRegSuccess;
}

bool CAppRegistry::ReadInt(const char *name, std::int32_t &value)
{
    unsigned char bytes[4];
    if (!ReadExact(m_hSectionKey, name, REG_DWORD, REG_BINARY, bytes, sizeof bytes))
        return false;
    value = static_cast<std::int32_t>(
        bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (std::uint32_t(bytes[3]) << 24));
    return true;
}

bool CAppRegistry::WriteInt(const char *name, std::int32_t value)
{
    return m_hSectionKey
        && RegSetDword(m_hSectionKey, name, static_cast<std::uint32_t>(value)) == kRegSuccess;
}

bool CAppRegistry::ReadBinary(const char *name, void *buffer, std::uint32_t size)
{
    return ReadExact(m_hSectionKey, name, REG_BINARY, REG_BINARY, buffer, size);
}

bool CAppRegistry::WriteBinary(const char *name, const void *data, std::uint32_t size)
{
    return m_hSectionKey && RegSetValue(m_hSectionKey, name, REG_BINARY, data, size) == kRegSuccess;
}

bool CAppRegistry::getBinaryDataSize(const char *name, std::uint32_t &size)
{
    std::uint32_t stored = 0;
    if (!m_hSectionKey
        || RegQueryValue(m_hSectionKey, name, nullptr, nullptr, &stored) != kRegSuccess)
        return false;
    size = stored;
    return true;
}

bool CAppRegistry::DeleteValue(const char *name)
{
    return m_hSectionKey && RegDeleteValue(m_hSectionKey, name) == kRegSuccess;
}

bool CAppRegistry::deleteRegValues(const char *format, int count)
{
    if (!m_hSectionKey || !format || !IsSingleIntegerFormat(format))
        return false;
    bool ok = true;
    for (int i = 0; i < count; ++i) {
        char name[512];
        int length = std::snprintf(name, sizeof name, format, i);
        if (length < 0 || static_cast<std::size_t>(length) >= sizeof name) {
            ok = false;
            continue;
        }
        long r = RegDeleteValue(m_hSectionKey, name);
        if (r != kRegSuccess && r != kRegNotFound)
            ok = false;
    }
    return ok;
}

bool CAppRegistry::ReadProfileString(const char *name, _String &text)
{
    HKEY application = GetAppRegistryKey();
    if (!application)
        return false;
    bool ok = RegGetString(application, name, &text) == kRegSuccess;
    RegCloseKey(application);
    return ok;
}

bool CAppRegistry::WriteProfileStringA(const char *name, const char *text)
{
    HKEY application = GetAppRegistryKey();
    if (!application)
        return false;
    long r = text ? RegSetString(application, name, text) : RegDeleteValue(application, name);
    RegCloseKey(application);
    return r == kRegSuccess;
}

bool CAppRegistry::WriteProfileBinary(const char *name, const void *data, std::uint32_t size)
{
    HKEY application = GetAppRegistryKey();
    if (!application)
        return false;
    bool ok = RegSetValue(application, name, REG_BINARY, data, size) == kRegSuccess;
    RegCloseKey(application);
    return ok;
}

bool CAppRegistry::ReadProfileBinary(const char *, void *, std::uint32_t)
{
    return false;
}

} // namespace kx_gen
