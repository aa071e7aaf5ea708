#include "RecentFiles.h"

#include "CabinetText.h"
#include "User.h"

#include "kx_gen/AppRegistry.h"

#include <algorithm>

namespace {

constexpr char kSection[] = "Recent File List";

kx_gen::_String EntryName(int index)
{
    kx_gen::_String name;
    name.FormatString("File%d", index + 1);
    return name;
}

} // namespace

bool CRecentFileList::Add(const kx_gen::_String &path)
{
    if (path.IsEmpty() || CUser::IsFilingCabinetPath(path))
        return false;
    Remove(path);
    m_Paths.insert(m_Paths.begin(), path);
    if (m_Paths.size() > std::size_t(kSize))
        m_Paths.resize(kSize);
    return true;
}

void CRecentFileList::Remove(const kx_gen::_String &path)
{
    m_Paths.erase(std::remove_if(m_Paths.begin(), m_Paths.end(),
                      [&](const kx_gen::_String &p) { return cabinet::EqualNoCase(p, path); }),
        m_Paths.end());
}

void CRecentFileList::Load(kx_gen::CAppRegistry &settings)
{
    m_Paths.clear();
    if (!settings.OpenSection(kSection))
        return;
    std::vector<kx_gen::_String> stored;
    for (int i = 0; i < kSize; ++i) {
        kx_gen::_String path;
        if (settings.ReadString(EntryName(i).c_str(), path) && !path.IsEmpty())
            stored.push_back(path);
    }
    settings.CloseSection();
    // Oldest first, so that the newest ends on top; whatever an older
    // version let in that does not belong is dropped on the way.
    for (auto it = stored.rbegin(); it != stored.rend(); ++it)
        Add(*it);
}

void CRecentFileList::Save(kx_gen::CAppRegistry &settings) const
{
    if (!settings.OpenSection(kSection))
        return;
    for (int i = 0; i < kSize; ++i) {
        if (std::size_t(i) < m_Paths.size())
            settings.WriteString(EntryName(i).c_str(), m_Paths[std::size_t(i)].c_str());
        else
            settings.DeleteValue(EntryName(i).c_str());
    }
    settings.CloseSection();
}
