#pragma once

// The application's page settings: margins in twips and the printer and
// paper chosen in Page Setup, kept in the settings store's "PageSetup"
// section and applied to every printer the program prints on.

#include "kx_gen/String.h"

#include <cstdint>

class QPrinter;

namespace kx_gen {
class CAppRegistry;
}

class CAppPrinterSettings {
public:
    static constexpr int kDefaultMargin = 720; // half an inch
    // The paper size of a size the user gave by length and width.
    static constexpr int kUserPaper = 256;
    // Orientations as stored.
    static constexpr int kPortrait = 1;
    static constexpr int kLandscape = 2;

    // Reads the section; when any value is missing, every value takes its
    // default (the margins 720, the system's default printer and paper).
    void Load(kx_gen::CAppRegistry &settings);
    void Save(kx_gen::CAppRegistry &settings) const;

    // Sets the printer's name, paper, orientation and (as zero device
    // margins) full-page mode; the margins are the printer's to apply.
    void ApplyTo(QPrinter &printer) const;
    // Takes printer, paper and orientation from a printer after Page Setup,
    // and the margins it shows (converted to twips).
    void TakeFrom(const QPrinter &printer);
    // The margins into a printer's page layout, for Page Setup to show.
    void ApplyMarginsTo(QPrinter &printer) const;

    int m_nLeftMargin = kDefaultMargin;
    int m_nTopMargin = kDefaultMargin;
    int m_nRightMargin = kDefaultMargin;
    int m_nBottomMargin = kDefaultMargin;
    kx_gen::_String m_strDriver;
    kx_gen::_String m_strDevice;
    kx_gen::_String m_strPort;
    // 0 until a printer's settings were taken: the printer's own then.
    int m_nOrientation = 0;
    int m_nPaperSize = 0;
    // Tenths of a millimetre, for a user-defined paper only; else 0.
    int m_nPaperLength = 0;
    int m_nPaperWidth = 0;
};
