#pragma once

// Outline files (.kxo, .kxt) to and from the handheld's view of an outline.

#include "OutlinePdb.h"

#include <string>

namespace tarnvel {

// Reads the outline file at `path` without ever writing to it: headers that
// an older program wrote are read as they are. Throws CConvertError
// (kErrRead when the file cannot be opened, kErrOutlineFile when the storage
// library refuses its contents, with the library's reason).
SOutline LoadOutlineFile(const std::string &path);

// Writes the outline as a new outline file at `path`. The file is written
// beside the target and renamed over it only when complete, so a failure
// leaves an existing file as it was. Throws CConvertError kErrWrite.
void SaveOutlineFile(const SOutline &outline, const std::string &path);

// The unfiled category's name as the storage library knows it ("Unfiled"
// when nobody has set one).
std::string UnfiledName();

// Writes `bytes` to `path` the same way: a file beside it, then a rename.
void WriteFileAtomically(const std::string &path, const std::string &bytes);

} // namespace tarnvel
