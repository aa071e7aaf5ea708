#pragma once

// The program's preferences: one record for the whole run, read at start,
// edited in the Preferences dialog and written back at once on OK. It also
// gives new outlines their font and the editing options.

#include "OutlineServices.h"

#include "kx_gen/String.h"
#include "kx_gen/WinTypes.h"

namespace kx_gen {
class CAppRegistry;
}

class CPreferences : public COutlineSettings {
public:
    // Values of m_nSaveFolder.
    static constexpr int kSaveInHandheld = 0;
    static constexpr int kSaveInDesktop = 1;
    static constexpr int kMaxAutoSaveMinutes = 60;

    CPreferences();

    // Reads every value of section "Preferences"; a missing or unreadable
    // value takes its default, and the read values are clamped.
    void LoadPreferences(kx_gen::CAppRegistry &settings);
    // Writes every value; false when the store refused any.
    bool SavePreferences(kx_gen::CAppRegistry &settings) const;
    // Puts every value into its range: auto-save 0..60 minutes, the choices
    // 0 or 1, the flags 0 or 1.
    void Clamp();

    // COutlineSettings
    void GetOutlineFont(kx_gen::LOGFONT &font) const override { font = m_lfOutlineFont; }
    std::uint32_t GetWindowTextColor() const override { return 0; }
    void GetDefaultNumbering(std::uint8_t *scheme) const override;
    bool GetAutoChecking() const override { return m_bAutoChecking; }
    bool GetPasteInSingleNode() const override { return m_bPasteInSingleNode; }

    // An all-zero face means the desktop's own list font.
    kx_gen::LOGFONT m_lfListFont;
    kx_gen::LOGFONT m_lfOutlineFont;
    kx_gen::_String m_strPath;
    int m_nSaveFolder = kSaveInHandheld;
    bool m_bCreateNew = false;
    bool m_bAutoChecking = false;
    bool m_bPasteInSingleNode = false;
    int m_nAutoSave = 0;
    bool m_bMoveToArchive = false;
    int m_nWordExport = 0;
    bool m_bWordExportNotes = false;
    bool m_bPrintHiddenItems = true;
    bool m_bPrintNotes = false;
};

// The outline font of a store without one: Arial, 16 pixels.
kx_gen::LOGFONT DefaultOutlineFont();
