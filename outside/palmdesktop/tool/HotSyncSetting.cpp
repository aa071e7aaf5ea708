#include "HotSyncSetting.h"

#include "palmdesktop/PalmDesktop.h"

#include "kx_gen/Registry.h"

namespace palmdesktop {

bool WriteHotSyncPath(const std::string &folder, std::string &why)
{
    using namespace kx_gen;
    if (folder.size() + 1 > kHotSyncPathBufferSize) {
        why = "the folder's path is longer than " + std::to_string(kHotSyncPathBufferSize - 1)
            + " bytes, more than Vellacor reads";
        return false;
    }
    HKEY core = nullptr;
    long result = RegCreateKey(HKEY_CURRENT_USER, kPalmCoreKey, KEY_WRITE, &core);
    if (result == kRegSuccess) {
        result = RegSetString(core, kHotSyncPathValue, folder.c_str());
        RegCloseKey(core);
    }
    if (result != kRegSuccess) {
        why = "the settings store " + GetSettingsHivePath().str() + " cannot be written (error "
            + std::to_string(result) + ")";
        return false;
    }
    return true;
}

std::optional<std::string> ReadHotSyncPath()
{
    using namespace kx_gen;
    HKEY core = nullptr;
    if (RegOpenKey(HKEY_CURRENT_USER, kPalmCoreKey, KEY_READ, &core) != kRegSuccess)
        return std::nullopt;
    std::uint32_t type = REG_NONE;
    _String text;
    bool found = RegQueryValue(core, kHotSyncPathValue, &type, nullptr, nullptr) == kRegSuccess
        && type == REG_SZ && RegGetString(core, kHotSyncPathValue, &text) == kRegSuccess
        && !text.IsEmpty();
    RegCloseKey(core);
    if (!found)
        return std::nullopt;
    return text.str();
}

} // namespace palmdesktop
