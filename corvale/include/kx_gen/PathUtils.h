#pragma once

#include "kx_gen/Export.h"
#include "kx_gen/String.h"

namespace kx_gen {

// Paths are split as drive + directory + title + extension. On Linux the
// drive is always empty; the directory keeps its trailing separator
// ("/home/ann/"), the extension its dot (".kxo"); the extension starts at the
// last dot of the file name, so ".profile" has an empty title.

// The directory separator. Code that builds paths uses JoinPath instead of
// writing separators itself.
inline constexpr char kPathSeparator = '/';

// `directory` followed by `name`, with one separator between them (none is
// added when the directory is empty or already ends with one).
KX_GEN_EXPORT _String JoinPath(const _String &directory, const _String &name);

// The absolute form of `path` (relative paths are taken from the current
// directory), with "." and ".." parts and doubled separators removed.
// Symbolic links are not resolved and the file need not exist.
KX_GEN_EXPORT _String FullPath(const char *path);

// Drive + directory: the folder a path lies in, with its trailing separator.
KX_GEN_EXPORT _String GetRoot(const char *path);
// Always empty on Linux.
KX_GEN_EXPORT _String GetFileDrive(const char *path);
KX_GEN_EXPORT _String GetFileDir(const char *path);
KX_GEN_EXPORT _String GetFileTitle(const char *path);
KX_GEN_EXPORT _String GetFileExt(const char *path);
// Title + extension.
KX_GEN_EXPORT _String GetFileName(const char *path);

// True when a file or folder matches `path` (see CFileFind: a path with
// wildcards matches names in any letter case, a plain path names exactly one
// file).
KX_GEN_EXPORT bool IsFileExist(const char *path);

// True only when the path names a file completely: directory, title and
// extension are all present. Linux has no drives, so an absolute directory
// stands where a drive and directory are needed.
KX_GEN_EXPORT bool ValidateFilePath(const char *path);

// Makes `title` usable as a file title: blanks trimmed at both ends, the
// characters \ / : * ? " < > | removed, cut to kMaxFileTitleLength characters,
// "Unfilled" when nothing is left. Always returns true.
inline constexpr int kMaxFileTitleLength = 27;
KX_GEN_EXPORT bool ValidateFileTitle(_String &title);

// The first of Title-1.ext, Title-2.ext, ... (the title cut so that the
// numbered name is as long as the original) in the same folder that does not
// exist, or that equals `allowedPath` (may be null).
KX_GEN_EXPORT _String GetNextValidNumberedName(const char *path, const char *allowedPath = nullptr);

// A name for a new file near `path`: the title cut to kMaxFileTitleLength
// characters, numbered as GetNextValidNumberedName does until neither the
// file nor a file of the same name in `secondDirectory` (may be null)
// exists. `allowedPath` (may be null) is accepted even when it exists.
KX_GEN_EXPORT _String GetValidFileName(
    const char *path, const char *secondDirectory = nullptr, const char *allowedPath = nullptr);

} // namespace kx_gen
