#pragma once

#include "kx_gen/Export.h"
#include "kx_gen/Registry.h"
#include "kx_gen/String.h"

#include <cstdint>

namespace kx_gen {

// The program's settings: values in sections below
// HKEY_CURRENT_USER\software\<company>\<application>\<section> of the
// settings store (Registry.h). Every operation returns true on success and
// false on any failure (no company set, no section open, value missing or of
// another type, the hive not writable); nothing throws, and a failed read
// leaves its output unchanged. Keys are opened with read, create-sub-key and
// set-value rights.
class KX_GEN_EXPORT CAppRegistry {
public:
    CAppRegistry() = default;
    CAppRegistry(const char *company, const char *application);
    // Closes the open section.
    ~CAppRegistry();
    CAppRegistry(const CAppRegistry &) = delete;
    CAppRegistry &operator=(const CAppRegistry &) = delete;

    // Sets the company and application key names (copied). The open section,
    // if any, stays open.
    void SetRegistryKey(const char *company, const char *application);
    // Opens software, then creates or opens the company and the application
    // keys below it and returns the application key, which the caller closes
    // with RegCloseKey; null on failure.
    HKEY GetAppRegistryKey();
    // Creates or opens `section` below the application key; the caller
    // closes it. Null on failure.
    HKEY GetSectionKey(const char *section);
    const char *GetAppRegistryKeyName() const { return m_strCompany.c_str(); }
    const char *GetAppProfileKeyName() const { return m_strApplication.c_str(); }

    // Makes `section` (created when missing) the section of the operations
    // below, closing the previous one.
    bool OpenSection(const char *section);
    void CloseSection();
    bool IsSectionOpen() const { return m_hSectionKey != nullptr; }

    // REG_SZ values; the text is stored with its terminating 0.
    bool ReadString(const char *name, _String &text);
    bool WriteString(const char *name, const char *text);
    // REG_DWORD values (4 bytes).
    bool ReadInt(const char *name, std::int32_t &value);
    bool WriteInt(const char *name, std::int32_t value);
    // REG_BINARY values. ReadBinary succeeds only when the stored block has
    // exactly `size` bytes, so that a caller never gets a half-filled
    // structure; getBinaryDataSize tells the size first when it varies.
    bool ReadBinary(const char *name, void *buffer, std::uint32_t size);
    bool WriteBinary(const char *name, const void *data, std::uint32_t size);
    bool getBinaryDataSize(const char *name, std::uint32_t &size);
    bool DeleteValue(const char *name);
    // Deletes the values named by `format` applied to 0, 1, ..., count - 1
    // (format holds exactly one integer conversion such as %d, else nothing
    // is deleted and the result is false). Missing values are no failure.
    bool deleteRegValues(const char *format, int count);

    // Values directly in the application key (no section).
    bool ReadProfileString(const char *name, _String &text);
    // A null text deletes the value.
    bool WriteProfileStringA(const char *name, const char *text);
    bool WriteProfileBinary(const char *name, const void *data, std::uint32_t size);
    // Binary profile values are never read back: always false.
    bool ReadProfileBinary(const char *name, void *buffer, std::uint32_t size);

private:
    static constexpr std::uint32_t kAccess = KEY_READ | KEY_CREATE_SUB_KEY | KEY_SET_VALUE;

    HKEY m_hSectionKey = nullptr;
    _String m_strCompany;
    _String m_strApplication;
};

} // namespace kx_gen
