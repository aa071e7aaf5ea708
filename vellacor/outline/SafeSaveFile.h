#pragma once

#include "kx_gen/File.h"
#include "kx_gen/String.h"

#include <sys/stat.h>

// Replaces a file only once its new contents are safely on disk. The new
// contents go to a temporary file in the target's folder; Commit flushes it
// to disk and renames it over the target in one step, so at every moment the
// target is either the old file or the complete new one. Until Commit
// succeeds the target is not touched, and the temporary file is removed
// when the object goes away uncommitted.
class CSafeSaveFile {
public:
    // Prepares to replace `path`. An existing target that is a symbolic link
    // is resolved, so the file it names is replaced and the link stays.
    // Creates the temporary file, empty, with the target's permissions (a
    // new file gets the usual ones under the process's umask). Throws
    // CFileException: accessDenied for a target that may not be written
    // (no write permission at all, as for a read-only file), or the cause of
    // the system's error when the temporary file cannot be made.
    explicit CSafeSaveFile(const char *path);
    // Removes the temporary file unless Commit succeeded; errors swallowed.
    ~CSafeSaveFile();

    CSafeSaveFile(const CSafeSaveFile &) = delete;
    CSafeSaveFile &operator=(const CSafeSaveFile &) = delete;

    // Where to write the new contents (by path; close the file before Commit).
    const kx_gen::_String &GetTempPath() const { return m_strTemp; }
    // The file that Commit replaces (the link's target for a symbolic link).
    const kx_gen::_String &GetTargetPath() const { return m_strTarget; }
    // Whether the target existed when this object was made.
    bool TargetExists() const { return m_bExists; }

    // Flushes the temporary file to disk, gives it the target's access and
    // modification times when `keepTimes` is set and the target existed,
    // renames it over the target and flushes the folder. Throws
    // CFileException when any step before the rename fails, leaving the
    // target as it was.
    void Commit(bool keepTimes);
    // The file Commit put in place, as it was once there (unknown before a
    // successful Commit, or when the system would not tell).
    const kx_gen::TFileIdentity &GetCommittedIdentity() const { return m_Committed; }

private:
    kx_gen::_String m_strTarget;
    kx_gen::_String m_strTemp;
    struct stat m_Status { };
    kx_gen::TFileIdentity m_Committed;
    bool m_bExists = false;
    bool m_bCommitted = false;
};
