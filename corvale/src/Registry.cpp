#include "kx_gen/Registry.h"

#include "SettingsStore.h"

#include <cstdlib>
#include <cstring>
#include <functional>
#include <mutex>
#include <pwd.h>
#include <set>
#include <unistd.h>
#include <vector>

struct kx_gen::RegKey {
    // Empty for the predefined root, whose hive follows the environment.
    std::string hivePath;
    std::string keyPath; // relative to the hive's root
    std::uint32_t access = 0;
};

namespace kx_gen {

namespace {

RegKey g_currentUser { std::string(), std::string(), KEY_ALL_ACCESS };

// Open handles, so that a closed or foreign pointer is refused rather than used.
std::mutex g_handlesMutex;
std::set<const RegKey *> &Handles()
{
    static auto *handles = new std::set<const RegKey *>;
    return *handles;
}

std::string HomeFolder()
{
    const char *home = std::getenv("HOME");
    if (home && *home)
        return home;
    std::vector<char> buffer(16384);
    passwd pw {};
    passwd *found = nullptr;
    if (getpwuid_r(getuid(), &pw, buffer.data(), buffer.size(), &found) == 0 && found
        && found->pw_dir)
        return found->pw_dir;
    return std::string();
}

// Copies the handle's identity so that the store can be used without
// holding the handle table's lock.
long Resolve(HKEY key, std::string *hivePath, std::string *keyPath, std::uint32_t *access)
{
    if (key == HKEY_CURRENT_USER) {
        *hivePath = GetSettingsHivePath().str();
        keyPath->clear();
        *access = KEY_ALL_ACCESS;
        // Without a home folder there is nowhere to keep settings.
        return hivePath->empty() ? static_cast<long>(kRegIoFailed) : static_cast<long>(kRegSuccess);
    }
    std::lock_guard<std::mutex> guard(g_handlesMutex);
    if (!key || !Handles().count(key))
        return kRegInvalidHandle;
    *hivePath = key->hivePath;
    *keyPath = key->keyPath;
    *access = key->access;
    return kRegSuccess;
}

std::string JoinPath(const std::string &parent, const char *subKey)
{
    if (!subKey || !*subKey)
        return parent;
    if (parent.empty())
        return subKey;
    return parent + "\\" + subKey;
}

HKEY NewHandle(const std::string &hivePath, const std::string &keyPath, std::uint32_t access)
{
    auto *key = new RegKey { hivePath, keyPath, access };
    std::lock_guard<std::mutex> guard(g_handlesMutex);
    Handles().insert(key);
    return key;
}

// The key of an open handle must still exist; the root always does.
long CheckKey(const CSettingsHive &hive, const std::string &keyPath)
{
    long r = hive.KeyExists(keyPath);
    return r == kRegNotFound ? kRegKeyDeleted : r;
}

const char *NameOrDefault(const char *name)
{
    return name ? name : "";
}

// Resolves an open handle and checks that it grants the right `needed`.
long ResolveFor(HKEY key, std::uint32_t needed, std::string *hivePath, std::string *keyPath)
{
    std::uint32_t access;
    if (long r = Resolve(key, hivePath, keyPath, &access); r != kRegSuccess)
        return r;
    if (!(access & needed))
        return kRegAccessDenied;
    return kRegSuccess;
}

// Runs `read` on the hive once the key at keyPath is known still to exist.
long ReadKey(CSettingsStore &store, const std::string &keyPath,
    const std::function<long(const CSettingsHive &)> &read)
{
    return store.Read([&](const CSettingsHive &hive) {
        long check = CheckKey(hive, keyPath);
        if (check != kRegSuccess)
            return check;
        return read(hive);
    });
}

// Runs `change` on the hive once the key at keyPath is known still to exist.
long ModifyKey(CSettingsStore &store, const std::string &keyPath,
    const std::function<long(CSettingsHive &, bool *changed)> &change)
{
    return store.Modify([&](CSettingsHive &hive, bool *changed) {
        long check = CheckKey(hive, keyPath);
        if (check != kRegSuccess)
            return check;
        return change(hive, changed);
    });
}

} // namespace

RegKey *const HKEY_CURRENT_USER = &g_currentUser;

_String GetSettingsHivePath()
{
    std::string config;
    const char *xdg = std::getenv("XDG_CONFIG_HOME");
    // Relative values are to be ignored.
    if (xdg && xdg[0] == '/')
        config = xdg;
    else {
        std::string home = HomeFolder();
        if (home.empty())
            return _String();
        config = home + "/.config";
    }
    while (config.size() > 1 && config.back() == '/')
        config.pop_back();
    return _String(config + "/Larkwell/current-user.hive");
}

long RegOpenKey(HKEY parent, const char *subKey, std::uint32_t access, HKEY *result)
{
    std::string hivePath, parentPath;
    std::uint32_t parentAccess;
    if (!result)
        return kRegInvalidParameter;
    if (long r = Resolve(parent, &hivePath, &parentPath, &parentAccess); r != kRegSuccess)
        return r;
    std::string path = JoinPath(parentPath, subKey);
    std::string stored;
    long r = ReadKey(CSettingsStore::ForPath(hivePath), parentPath,
        [&](const CSettingsHive &hive) { return hive.GetKeyPath(path, &stored); });
    if (r == kRegSuccess)
        *result = NewHandle(hivePath, stored, access);
    return r;
}

long RegCreateKey(
    HKEY parent, const char *subKey, std::uint32_t access, HKEY *result, bool *created)
{
    std::string hivePath, parentPath;
    std::uint32_t parentAccess;
    if (created)
        *created = false;
    if (!result)
        return kRegInvalidParameter;
    if (long r = Resolve(parent, &hivePath, &parentPath, &parentAccess); r != kRegSuccess)
        return r;
    std::string path = JoinPath(parentPath, subKey);
    CSettingsStore &store = CSettingsStore::ForPath(hivePath);
    std::string stored;
    // Opening an existing key needs no lock and no write.
    long r = ReadKey(store, parentPath,
        [&](const CSettingsHive &hive) { return hive.GetKeyPath(path, &stored); });
    if (r == kRegNotFound) {
        if (!(parentAccess & KEY_CREATE_SUB_KEY))
            return kRegAccessDenied;
        r = ModifyKey(store, parentPath, [&](CSettingsHive &hive, bool *changed) {
            long c = hive.CreateKey(path, changed);
            if (c != kRegSuccess)
                return c;
            if (created)
                *created = *changed;
            return hive.GetKeyPath(path, &stored);
        });
    }
    if (r == kRegSuccess)
        *result = NewHandle(hivePath, stored, access);
    return r;
}

long RegCloseKey(HKEY key)
{
    if (!key || key == HKEY_CURRENT_USER)
        return kRegSuccess;
    {
        std::lock_guard<std::mutex> guard(g_handlesMutex);
        if (!Handles().erase(key))
            return kRegInvalidHandle;
    }
    delete key;
    return kRegSuccess;
}

long RegQueryValue(HKEY key, const char *name, std::uint32_t *type, void *data, std::uint32_t *size)
{
    std::string hivePath, keyPath;
    if (long r = ResolveFor(key, KEY_QUERY_VALUE, &hivePath, &keyPath); r != kRegSuccess)
        return r;
    if (data && !size)
        return kRegInvalidParameter;
    return ReadKey(CSettingsStore::ForPath(hivePath), keyPath, [&](const CSettingsHive &hive) {
        const CSettingsHive::Value *value = hive.FindValue(keyPath, NameOrDefault(name));
        if (!value)
            return static_cast<long>(kRegNotFound);
        auto valueSize = static_cast<std::uint32_t>(value->data.size());
        if (data) {
            if (valueSize > *size) {
                *size = valueSize;
                return static_cast<long>(kRegMoreData);
            }
            if (valueSize)
                std::memcpy(data, value->data.data(), valueSize);
        }
        if (size)
            *size = valueSize;
        if (type)
            *type = value->type;
        return static_cast<long>(kRegSuccess);
    });
}

long RegSetValue(
    HKEY key, const char *name, std::uint32_t type, const void *data, std::uint32_t size)
{
    std::string hivePath, keyPath;
    if (long r = ResolveFor(key, KEY_SET_VALUE, &hivePath, &keyPath); r != kRegSuccess)
        return r;
    if ((size && !data) || size > kRegMaxValueSize)
        return kRegInvalidParameter;
    return ModifyKey(
        CSettingsStore::ForPath(hivePath), keyPath, [&](CSettingsHive &hive, bool *changed) {
            return hive.SetValue(keyPath, NameOrDefault(name), type, data, size, changed);
        });
}

long RegSetString(HKEY key, const char *name, const char *text)
{
    if (!text)
        text = "";
    std::size_t length = std::strlen(text) + 1;
    if (length > kRegMaxValueSize)
        return kRegInvalidParameter;
    return RegSetValue(key, name, REG_SZ, text, static_cast<std::uint32_t>(length));
}

long RegSetDword(HKEY key, const char *name, std::uint32_t value)
{
    unsigned char bytes[4] = {
        static_cast<unsigned char>(value),
        static_cast<unsigned char>(value >> 8),
        static_cast<unsigned char>(value >> 16),
        static_cast<unsigned char>(value >> 24),
    };
    return RegSetValue(key, name, REG_DWORD, bytes, 4);
}

long RegGetString(HKEY key, const char *name, _String *text)
{
    std::string hivePath, keyPath;
    if (long r = ResolveFor(key, KEY_QUERY_VALUE, &hivePath, &keyPath); r != kRegSuccess)
        return r;
    if (!text)
        return kRegInvalidParameter;
    return ReadKey(CSettingsStore::ForPath(hivePath), keyPath, [&](const CSettingsHive &hive) {
        const CSettingsHive::Value *value = hive.FindValue(keyPath, NameOrDefault(name));
        if (!value)
            return static_cast<long>(kRegNotFound);
        if (value->type != REG_SZ && value->type != REG_EXPAND_SZ)
            return static_cast<long>(kRegInvalidParameter);
        const auto *bytes = reinterpret_cast<const char *>(value->data.data());
        std::size_t length = value->data.size();
        if (const void *zero = std::memchr(bytes, 0, length))
            length = static_cast<std::size_t>(static_cast<const char *>(zero) - bytes);
        *text = _String(bytes, length);
        return static_cast<long>(kRegSuccess);
    });
}

long RegGetDword(HKEY key, const char *name, std::uint32_t *value)
{
    if (!value)
        return kRegInvalidParameter;
    unsigned char bytes[4];
    std::uint32_t size = sizeof bytes;
    std::uint32_t type = REG_NONE;
    long r = RegQueryValue(key, name, &type, bytes, &size);
    if (r == kRegMoreData)
        return kRegInvalidParameter;
    if (r != kRegSuccess)
        return r;
    if (type != REG_DWORD || size != 4)
        return kRegInvalidParameter;
    *value = bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (std::uint32_t(bytes[3]) << 24);
    return kRegSuccess;
}

long RegDeleteValue(HKEY key, const char *name)
{
    std::string hivePath, keyPath;
    if (long r = ResolveFor(key, KEY_SET_VALUE, &hivePath, &keyPath); r != kRegSuccess)
        return r;
    return ModifyKey(
        CSettingsStore::ForPath(hivePath), keyPath, [&](CSettingsHive &hive, bool *changed) {
            long r = hive.DeleteValue(keyPath, NameOrDefault(name));
            *changed = r == kRegSuccess;
            return r;
        });
}

long RegDeleteTree(HKEY parent, const char *subKey)
{
    std::string hivePath, parentPath;
    if (long r = ResolveFor(parent, KEY_SET_VALUE, &hivePath, &parentPath); r != kRegSuccess)
        return r;
    if (!subKey || !*subKey)
        return kRegInvalidParameter;
    std::string path = JoinPath(parentPath, subKey);
    return ModifyKey(
        CSettingsStore::ForPath(hivePath), parentPath, [&](CSettingsHive &hive, bool *changed) {
            long r = hive.DeleteKey(path);
            *changed = r == kRegSuccess;
            return r;
        });
}

long RegEnumKey(HKEY key, std::uint32_t index, _String *name)
{
    std::string hivePath, keyPath;
    if (long r = ResolveFor(key, KEY_ENUMERATE_SUB_KEYS, &hivePath, &keyPath); r != kRegSuccess)
        return r;
    if (!name)
        return kRegInvalidParameter;
    return ReadKey(CSettingsStore::ForPath(hivePath), keyPath, [&](const CSettingsHive &hive) {
        std::string found;
        long r = hive.EnumKey(keyPath, index, &found);
        if (r == kRegSuccess)
            *name = _String(std::move(found));
        return r;
    });
}

long RegEnumValue(HKEY key, std::uint32_t index, _String *name, std::uint32_t *type)
{
    std::string hivePath, keyPath;
    if (long r = ResolveFor(key, KEY_QUERY_VALUE, &hivePath, &keyPath); r != kRegSuccess)
        return r;
    if (!name)
        return kRegInvalidParameter;
    return ReadKey(CSettingsStore::ForPath(hivePath), keyPath, [&](const CSettingsHive &hive) {
        const CSettingsHive::Value *value = nullptr;
        long r = hive.EnumValue(keyPath, index, &value);
        if (r == kRegSuccess) {
            *name = _String(value->name);
            if (type)
                *type = value->type;
        }
        return r;
    });
}

} // namespace kx_gen
