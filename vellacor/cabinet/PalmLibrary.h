#pragma once

#include "kx_gen/String.h"

#include <cstdint>

class CCabinetPrompter;

// Palm's user library, loaded at start from the HotSync folder that the
// settings store names, and the calls the users make into it. Two flavours
// exist: the newer one (libInstaide.so, functions Plt.../Plm...) is tried
// first, the older one (libUserData.so, functions Um...) only when the newer
// cannot be loaded. The library stays loaded until Unload or destruction.
class CPalmLibrary {
public:
    enum Flavour { kNone, kInstaide, kUserData };

    // Size of the buffer that Palm calls write their texts into.
    static constexpr int kTextBufferSize = 1024;

    CPalmLibrary() = default;
    ~CPalmLibrary();
    CPalmLibrary(const CPalmLibrary &) = delete;
    CPalmLibrary &operator=(const CPalmLibrary &) = delete;

    // Loads the library file `name` from the HotSync folder named by the
    // value "HotSyncPath" of "Software\U.S. Robotics\Pilot Desktop\Core" in
    // the settings store: the folder itself when the value names a folder,
    // else the folder of the file it names. Returns the loader's handle, or
    // null when the value is missing, not a text, or the library does not
    // load. When the library file exists but fails to load, the loader's
    // reason is shown through `prompter` (may be null).
    static void *LoadPalmLibrary(const char *name, CCabinetPrompter *prompter);
    // The HotSync folder that LoadPalmLibrary loads from, or empty when the
    // settings store names none.
    static kx_gen::_String GetHotSyncFolder();

    // Loads libInstaide.so, else libUserData.so; true when either loaded
    // (Palm mode). A library loaded before is released first.
    bool DetectPalm(CCabinetPrompter *prompter);
    // Releases the library; afterwards the program is in desktop-only mode.
    void Unload();

    bool IsLoaded() const { return m_eFlavour != kNone; }
    Flavour GetFlavour() const { return m_eFlavour; }
    // The file name of the loaded flavour ("" when none).
    const char *GetLibraryName() const;

    // The address of `function` in the loaded library. A missing function
    // throws a CException: for libInstaide.so "The function %s is missing in
    // the %s. ...", for libUserData.so "Please contact your software vendor.
    // The Palm libraries are different than expected???\n".
    void *Resolve(const char *function) const;
    template <typename Proc> Proc ResolveProc(const char *function) const
    {
        return reinterpret_cast<Proc>(Resolve(function));
    }

    // The shared text buffer for calls that return text: `TextBuffer()`
    // clears it and sets the length word to kTextBufferSize; `Text()` reads
    // what the call left there (at most kTextBufferSize - 1 bytes).
    char *TextBuffer();
    std::int16_t *TextLength() { return &m_nTextLength; }
    kx_gen::_String Text() const;

    // Throws the CException of a failed Plt/Plm call when `result` is
    // negative: "The function %s failed. The error code is %d. Please contact
    // your program vendor."
    static void CheckPltResult(const char *function, std::int32_t result);
    // The user-manager error check of every Um call: a known error code
    // throws a CException with its message ("User manager err - ..."); any
    // other value is success.
    static void CheckUserManagerError(std::int32_t result);
    // The message of a user-manager error code, or null for any other value.
    static const char *UserManagerErrorText(std::int32_t result);

    // The user folder for a HotSync user directory: the directory without
    // leading blanks, one separator unless it ends in one, then "Vellacor".
    static kx_gen::_String MakeUserFolder(const kx_gen::_String &userDirectory);

private:
    void *m_hLibrary = nullptr;
    Flavour m_eFlavour = kNone;
    char m_szText[kTextBufferSize] = {};
    std::int16_t m_nTextLength = kTextBufferSize;
};
