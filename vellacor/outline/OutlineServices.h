#pragma once

// What the outline model needs from the application around it: the
// application-wide values that new outlines start with, and somewhere to
// report storage errors. The program implements them over its settings and
// message boxes; tests implement them with fixed values and a recorder.

#include "kx_gen/String.h"

#include <cstdint>

namespace kx_gen {
struct LOGFONT;
}

class COutlineSettings {
public:
    virtual ~COutlineSettings() = default;

    // The application's current outline font.
    virtual void GetOutlineFont(kx_gen::LOGFONT &font) const = 0;
    // The system's window text colour (0x00bbggrr), the colour of new outlines.
    virtual std::uint32_t GetWindowTextColor() const = 0;
    // The default numbering scheme: one style per level, 10 bytes.
    virtual void GetDefaultNumbering(std::uint8_t *scheme) const = 0;
    // The preference "Auto-checking": a parent is checked exactly when all
    // its children are.
    virtual bool GetAutoChecking() const { return false; }
    // The preference "Paste all text lines in a single node".
    virtual bool GetPasteInSingleNode() const { return false; }
};

class CMessageSink {
public:
    virtual ~CMessageSink() = default;

    // Shows an error to the user (the program: a message box with the text
    // as its only content).
    virtual void ShowMessage(const kx_gen::_String &text) = 0;
};
