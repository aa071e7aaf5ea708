#include "CabinetSettings.h"

#include "CabinetNames.h"
#include "CabinetText.h"

#include "kx_gen/AppRegistry.h"
#include "kx_gen/PathUtils.h"

#include <cstdlib>
#include <fstream>
#include <string>

#include <pwd.h>
#include <unistd.h>

using kx_gen::_String;

namespace cabinet {

namespace {

_String HomeFolder()
{
    const char *home = std::getenv("HOME");
    if (home && *home)
        return home;
    if (const passwd *entry = ::getpwuid(::getuid()))
        if (entry->pw_dir && *entry->pw_dir)
            return entry->pw_dir;
    return _String();
}

// The documents entry of the user-dirs file: XDG_DOCUMENTS_DIR="$HOME/Docs"
// or an absolute path in double quotes.
_String UserDirsDocuments(const _String &home)
{
    const char *configHome = std::getenv("XDG_CONFIG_HOME");
    _String config
        = configHome && *configHome ? _String(configHome) : kx_gen::JoinPath(home, ".config");
    std::ifstream in(kx_gen::JoinPath(config, "user-dirs.dirs").str());
    const std::string key = "XDG_DOCUMENTS_DIR=\"";
    std::string line;
    while (std::getline(in, line)) {
        if (line.compare(0, key.size(), key) != 0)
            continue;
        std::string::size_type end = line.find('"', key.size());
        if (end == std::string::npos)
            return _String();
        std::string value = line.substr(key.size(), end - key.size());
        if (value.compare(0, 5, "$HOME") == 0)
            value = home.str() + value.substr(5);
        else if (value.empty() || value[0] != '/')
            return _String();
        return value;
    }
    return _String();
}

} // namespace

_String DocumentsFolder()
{
    const char *documents = std::getenv("XDG_DOCUMENTS_DIR");
    if (documents && *documents)
        return documents;
    _String home = HomeFolder();
    if (home.IsEmpty())
        return home;
    _String configured = UserDirsDocuments(home);
    if (!configured.IsEmpty())
        return configured;
    return kx_gen::JoinPath(home, "Documents");
}

_String DefaultDesktopFolder()
{
    _String documents = Trimmed(DocumentsFolder());
    if (!documents.IsEmpty())
        return kx_gen::JoinPath(documents, kProductFolderName);
    char *current = ::getcwd(nullptr, 0);
    if (!current)
        return _String();
    _String folder(current);
    std::free(current);
    return folder;
}

_String LoadDesktopFolder(kx_gen::CAppRegistry &settings)
{
    _String path;
    bool found = false;
    if (settings.OpenSection(kPreferencesSection)) {
        found = settings.ReadString(kDesktopPathValue, path);
        settings.CloseSection();
    }
    return found ? path : DefaultDesktopFolder();
}

bool GetMoveToArchive(kx_gen::CAppRegistry &settings)
{
    std::int32_t value = 0;
    if (settings.OpenSection(kPreferencesSection)) {
        settings.ReadInt(kMoveToArchiveValue, value);
        settings.CloseSection();
    }
    return value != 0;
}

void SetMoveToArchive(kx_gen::CAppRegistry &settings, bool archive)
{
    if (settings.OpenSection(kPreferencesSection)) {
        settings.WriteInt(kMoveToArchiveValue, archive ? 1 : 0);
        settings.CloseSection();
    }
}

} // namespace cabinet
