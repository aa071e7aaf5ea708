#include "Preferences.h"

#include "CabinetSettings.h"
#include "OutlineItem.h"

#include "kx_gen/AppRegistry.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr char kSection[] = "Preferences";

struct IntValue {
    const char *name;
    int CPreferences::*field;
};
struct FlagValue {
    const char *name;
    bool CPreferences::*field;
};

constexpr IntValue kInts[] = {
    { "Save folder", &CPreferences::m_nSaveFolder },
    { "Auto-save", &CPreferences::m_nAutoSave },
    { "Word export", &CPreferences::m_nWordExport },
};
constexpr FlagValue kFlags[] = {
    { "Create new", &CPreferences::m_bCreateNew },
    { "Auto-checking", &CPreferences::m_bAutoChecking },
    { "Paste in a single node", &CPreferences::m_bPasteInSingleNode },
    { "Move to archive", &CPreferences::m_bMoveToArchive },
    { "Word export notes", &CPreferences::m_bWordExportNotes },
    { "Print hidden items", &CPreferences::m_bPrintHiddenItems },
    { "Print notes", &CPreferences::m_bPrintNotes },
};

} // namespace

kx_gen::LOGFONT DefaultOutlineFont()
{
    kx_gen::LOGFONT font;
    font.lfHeight = 16;
    font.lfOutPrecision = 4;
    font.lfClipPrecision = 0;
    font.lfQuality = 2;
    font.lfPitchAndFamily = 0x22;
    std::strcpy(font.lfFaceName, "Arial");
    return font;
}

CPreferences::CPreferences()
    : m_lfOutlineFont(DefaultOutlineFont())
{
}

void CPreferences::GetDefaultNumbering(std::uint8_t *scheme) const
{
    std::fill(scheme, scheme + COutlineItem::kLevelCount, std::uint8_t(0));
}

void CPreferences::Clamp()
{
    m_nAutoSave = std::clamp(m_nAutoSave, 0, kMaxAutoSaveMinutes);
    m_nSaveFolder = std::clamp(m_nSaveFolder, 0, 1);
    m_nWordExport = std::clamp(m_nWordExport, 0, 1);
}

void CPreferences::LoadPreferences(kx_gen::CAppRegistry &settings)
{
    *this = CPreferences();
    m_strPath = cabinet::LoadDesktopFolder(settings);
    if (!settings.OpenSection(kSection))
        return;
    for (const IntValue &value : kInts) {
        std::int32_t stored = 0;
        if (settings.ReadInt(value.name, stored))
            this->*value.field = stored;
    }
    for (const FlagValue &value : kFlags) {
        std::int32_t stored = 0;
        if (settings.ReadInt(value.name, stored))
            this->*value.field = stored != 0;
    }
    // A stored font must be whole and name its face within the structure.
    for (auto [name, field] : { std::pair { "List font", &CPreferences::m_lfListFont },
             std::pair { "Outline font", &CPreferences::m_lfOutlineFont } }) {
        kx_gen::LOGFONT font;
        if (settings.ReadBinary(name, &font, sizeof font)) {
            font.lfFaceName[kx_gen::LF_FACESIZE - 1] = 0;
            this->*field = font;
        }
    }
    settings.CloseSection();
    Clamp();
}

bool CPreferences::SavePreferences(kx_gen::CAppRegistry &settings) const
{
    // The delete dialog keeps its box in the store as the user leaves it;
    // writing the record must not put back an older state.
    const bool archive = cabinet::GetMoveToArchive(settings);
    if (!settings.OpenSection(kSection))
        return false;
    bool ok = settings.WriteString("Path", m_strPath.c_str());
    for (const IntValue &value : kInts)
        ok = settings.WriteInt(value.name, this->*value.field) && ok;
    for (const FlagValue &value : kFlags) {
        const bool flag
            = value.field == &CPreferences::m_bMoveToArchive ? archive : this->*value.field;
        ok = settings.WriteInt(value.name, flag ? 1 : 0) && ok;
    }
    ok = settings.WriteBinary("List font", &m_lfListFont, sizeof m_lfListFont) && ok;
    ok = settings.WriteBinary("Outline font", &m_lfOutlineFont, sizeof m_lfOutlineFont) && ok;
    settings.CloseSection();
    return ok;
}
