#include "UserList.h"

#include "CabinetHost.h"
#include "CabinetNames.h"
#include "PalmLibrary.h"

#include "palmdesktop/PalmDesktop.h"

#include "kx_gen/AppRegistry.h"
#include "kx_gen/Exception.h"

#include <algorithm>

using kx_gen::_String;
using namespace cabinet;

namespace {

// Palm's user index is 16 bits wide: a larger count cannot be walked.
constexpr std::int32_t kMaxPalmUsers = 0x10000;
// The stored number of users comes from a file anyone can edit; a damaged
// count must not make start-up walk billions of values.
constexpr std::int32_t kMaxStoredUsers = 1024;

_String Numbered(const char *format, int index)
{
    _String name;
    name.FormatString(format, index);
    return name;
}

} // namespace

CUserList::CUserList(CCabinetEnv &env)
    : m_env(env)
{
}

CUserList::~CUserList()
{
    RemoveAll();
}

void CUserList::RemoveAll()
{
    if (m_pActive && m_pActive->IsActive())
        m_pActive->Deactivate();
    m_pActive = nullptr;
    m_Users.clear();
}

void CUserList::Enumerate()
{
    RemoveAll();
    if (!m_env.PalmPresent()) {
        auto user = std::make_unique<CDesktopUser>(m_env);
        user->m_bLocal = 1;
        user->m_strName = kDefaultUserName;
        m_pActive = user.get();
        m_Users.push_back(std::move(user));
        return;
    }
    if (m_env.m_pPalm->GetFlavour() == CPalmLibrary::kUserData)
        EnumerateWithUserData();
    else
        EnumerateWithInstaide();
}

void CUserList::EnumerateWithInstaide()
{
    auto getCount = m_env.m_pPalm->ResolveProc<PltGetUserCountProc>("PltGetUserCount");
    std::int32_t count = getCount();
    CPalmLibrary::CheckPltResult("PltGetUserCount", count);
    count = std::min(count, kMaxPalmUsers);
    m_Users.reserve(static_cast<std::size_t>(std::min(count, kMaxStoredUsers)));
    for (std::int32_t index = 0; index < count; ++index)
        LoadPalmUser(index);
}

void CUserList::EnumerateWithUserData()
{
    auto getCount = m_env.m_pPalm->ResolveProc<UmGetUserCountProc>("UmGetUserCount");
    auto count = static_cast<std::int16_t>(getCount() & 0xFFFF);
    CPalmLibrary::CheckUserManagerError(count);
    if (count > 0)
        m_Users.reserve(static_cast<std::size_t>(count));
    for (std::int16_t index = 0; index < count; ++index)
        LoadPalmUser(index);
}

void CUserList::LoadPalmUser(int index)
{
    auto user = std::make_unique<CPalmUser>(m_env);
    user->m_bLocal = 0;
    try {
        user->Load(index);
    } catch (kx_gen::CException *e) {
        // A user that cannot be read is left out; the others still work.
        kx_gen::ExceptionHolder holder(e);
        return;
    }
    m_Users.push_back(std::move(user));
}

void CUserList::Restore()
{
    kx_gen::CAppRegistry &settings = *m_env.m_pSettings;
    CUser *candidate = m_Users.empty() ? nullptr : m_Users.front().get();
    if (settings.OpenSection(kUsersSection)) {
        _String activeName;
        if (settings.ReadString(kActiveUserValue, activeName))
            if (CUser *named = FindByName(activeName))
                candidate = named;
        std::int32_t amount = 0;
        settings.ReadInt(kAmountOfUsersValue, amount);
        amount = std::clamp(amount, 0, kMaxStoredUsers);
        for (int i = 0; i < amount; ++i) {
            _String name;
            if (!settings.ReadString(Numbered(kUserNameFormat, i), name))
                continue;
            CUser *user = FindByName(name);
            if (!user)
                continue;
            _String category;
            if (settings.ReadString(Numbered(kCategoryFormat, i), category))
                user->m_strFilterCategory = category;
        }
        settings.CloseSection();
    }
    SetActive(candidate);
}

void CUserList::Store()
{
    kx_gen::CAppRegistry &settings = *m_env.m_pSettings;
    if (!settings.OpenSection(kUsersSection))
        return;
    if (CUser *active = GetActive())
        settings.WriteString(kActiveUserValue, active->m_strName);
    std::int32_t oldAmount = 0;
    if (settings.ReadInt(kAmountOfUsersValue, oldAmount)) {
        oldAmount = std::clamp(oldAmount, 0, std::max(kMaxStoredUsers, GetCount()));
        settings.deleteRegValues(kUserNameFormat, oldAmount);
        settings.deleteRegValues(kCategoryFormat, oldAmount);
    }
    settings.WriteInt(kAmountOfUsersValue, GetCount());
    for (int i = 0; i < GetCount(); ++i) {
        const CUser &user = *m_Users[static_cast<std::size_t>(i)];
        settings.WriteString(Numbered(kUserNameFormat, i), user.m_strName);
        settings.WriteString(Numbered(kCategoryFormat, i), user.m_strFilterCategory);
    }
    settings.CloseSection();
}

void CUserList::SetActive(CUser *user)
{
    if (m_pActive && m_pActive->IsActive())
        m_pActive->Deactivate();
    m_pActive = user;
    if (user)
        user->Activate();
}

CUser *CUserList::GetActive() const
{
    if (m_pActive)
        return m_pActive;
    return m_Users.empty() ? nullptr : m_Users.front().get();
}

CUser *CUserList::FindByName(const _String &name) const
{
    for (const auto &user : m_Users)
        if (user->m_strName == name)
            return user.get();
    return nullptr;
}

CUser *CUserList::FindById(std::uint32_t id) const
{
    for (const auto &user : m_Users)
        if (user->m_nUserId == id)
            return user.get();
    return nullptr;
}

CUser *CUserList::AddUser(const _String &name, int profile)
{
    std::unique_ptr<CUser> user;
    if (m_env.PalmPresent())
        user = std::make_unique<CPalmUser>(m_env);
    else
        user = std::make_unique<CDesktopUser>(m_env);
    user->m_bLocal = 1;
    user->m_strName = name;
    if (profile)
        user->m_bProfile = 1;
    m_Users.push_back(std::move(user));
    return m_Users.back().get();
}

bool CUserList::RemoveUser(CUser *user)
{
    auto found = std::find_if(m_Users.begin(), m_Users.end(),
        [user](const std::unique_ptr<CUser> &candidate) { return candidate.get() == user; });
    if (found == m_Users.end())
        return false;
    if (user == m_pActive) {
        if (user->IsActive())
            user->Deactivate();
        m_pActive = nullptr;
    }
    m_Users.erase(found);
    return true;
}

bool CUserList::SameAs(const CUserList &other) const
{
    if (GetCount() != other.GetCount())
        return false;
    for (int i = 0; i < GetCount(); ++i) {
        const CUser &mine = *m_Users[static_cast<std::size_t>(i)];
        const CUser &theirs = *other.m_Users[static_cast<std::size_t>(i)];
        if (mine.m_nUserId != theirs.m_nUserId || !(mine.m_strName == theirs.m_strName))
            return false;
    }
    return true;
}

bool CUserList::PalmUsersChanged() const
{
    if (!m_env.PalmPresent())
        return false;
    CUserList current(m_env);
    current.Enumerate();
    return !SameAs(current);
}

CUser *CUserList::GetAt(int index) const
{
    if (index < 0 || index >= GetCount())
        return nullptr;
    return m_Users[static_cast<std::size_t>(index)].get();
}

CRootList *CUserList::GetActiveRoots() const
{
    return m_pActive && m_pActive->IsActive() ? &m_pActive->GetRoots() : nullptr;
}

kx_gen::CCategoryDB *CUserList::GetActiveCategories() const
{
    return m_pActive ? m_pActive->GetCategories() : nullptr;
}
