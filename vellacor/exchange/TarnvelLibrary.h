#pragma once

#include "kx_gen/String.h"

class CCabinetPrompter;

// The .pdb converter, loaded from the HotSync folder for one conversion and
// released after it (or at destruction).
class CTarnvelLibrary {
public:
    CTarnvelLibrary() = default;
    ~CTarnvelLibrary();
    CTarnvelLibrary(const CTarnvelLibrary &) = delete;
    CTarnvelLibrary &operator=(const CTarnvelLibrary &) = delete;

    // Loads libTarnvel.so from the HotSync folder that the settings store
    // names. False when no folder is named (nothing is shown), when the
    // library is not there ("The Palm OS outline converter ... is not
    // installed") or when it does not load (the loader's reason); the
    // messages go to `prompter` (may be null).
    bool Load(CCabinetPrompter *prompter);
    bool IsLoaded() const { return m_hLibrary != nullptr; }
    void Release();

    // The address of the entry point `function`. A missing one throws a
    // CException with message 170 ("Please contact your software vendor. The
    // Palm libraries are different than expected???").
    void *Resolve(const char *function) const;

    // Loads the library when needed and resolves `function`; on any failure
    // the reason is shown, the library released and the result is null.
    void *Bind(const char *function, CCabinetPrompter *prompter);

    // The converter's reason for its last failure, or "" when it has none
    // to tell.
    kx_gen::_String LastError() const;

private:
    void *m_hLibrary = nullptr;
};
