#pragma once

// Tarnvel: converts between outline files (.kxo, templates .kxt) and Palm OS
// database files (.pdb) of the handheld outliner. The program loads it by
// path from the HotSync folder and looks the entry points up by name.
//
// Every entry point returns 0 on success or one of the codes below, and
// never lets an exception out. A failed conversion leaves the target file as
// it was (the new file is written beside it and renamed over it only when
// complete). The reason for the last failure on the calling thread is
// available from tarnvelLastError.

#ifdef __cplusplus
extern "C" {
#endif

enum {
    kTarnvelOk = 0,
    // A null or empty path.
    kTarnvelErrArguments = 1,
    // The source file cannot be opened or read.
    kTarnvelErrRead = 2,
    // The .pdb file is no Palm OS database, or a damaged one.
    kTarnvelErrNotDatabase = 3,
    // A Palm OS database, but not an outline of this product.
    kTarnvelErrNotOutline = 4,
    // An outline database whose outline data is damaged.
    kTarnvelErrDamaged = 5,
    // The outline does not fit the handheld's limits (an item too large, too
    // many items, an id too large).
    kTarnvelErrTooLarge = 6,
    // The target file cannot be written.
    kTarnvelErrWrite = 7,
    // The outline file is damaged or of a newer version.
    kTarnvelErrOutlineFile = 8,
    // Anything else (out of memory).
    kTarnvelErrInternal = 9,
};

// Writes the .pdb file for the outline or template file `outlinePath`.
int convertPCtoPDB(const char *outlinePath, const char *pdbPath);
// Writes the outline file `outlinePath` from the .pdb file `pdbPath`.
int convertPDBtoPC(const char *pdbPath, const char *outlinePath);
// The reason for the last failed conversion on this thread, in English
// ("" after a success). Valid until the next call on the same thread.
const char *tarnvelLastError(void);

#ifdef __cplusplus
}
#endif
