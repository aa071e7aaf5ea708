#pragma once

#include "kx_gen/Export.h"
#include "kx_gen/File.h"
#include "kx_gen/String.h"
#include "kx_gen/Time.h"

#include <cstdint>
#include <vector>

namespace kx_gen {

// Searches one folder for names that match a Windows wildcard pattern:
// `*` stands for any run of characters, `?` for one character, and a pattern
// ending in ".*" also matches names without a dot ("*.*" matches all).
// Wildcard patterns match names without regard to ASCII letter case, as on
// Windows, so "*.kxo" finds "Notes.KXO". A pattern without wildcards names
// one file exactly as written, because that is the name that opens on a
// case-sensitive file system.
//
// Matches come in byte order of their names. Use as on Windows:
//   bool more = find.FindFile(pattern);
//   while (more) { more = find.FindNextFileA(); ... find.GetFileName() ... }
class KX_GEN_EXPORT CFileFind {
public:
    CFileFind() = default;
    virtual ~CFileFind() = default;

    // Starts a search for `pattern` (folder + name pattern; null searches
    // the current folder for "*.*"). True when at least one name matches;
    // FindNextFileA then steps to the first. `flags` is unused.
    bool FindFile(const char *pattern = nullptr, unsigned flags = 0);
    // Steps to the next match; false when the match it stepped to is the
    // last one (which is still current) or when there is none.
    bool FindNextFileA();
    bool FindNextFile() { return FindNextFileA(); }
    void Close();

    // The current match; empty values / false without one.
    _String GetFileName() const;
    _String GetFilePath() const;
    _String GetFileTitle() const;
    // The folder searched, with its trailing separator.
    _String GetRoot() const;
    std::uint64_t GetLength() const;
    bool GetCreationTime(CTime &time) const;
    bool GetLastAccessTime(CTime &time) const;
    bool GetLastWriteTime(CTime &time) const;

    // "." or "..".
    bool IsDots() const;
    // True when the current match has any of the CFile::Attribute bits in
    // `mask`; normal (0x80) stands for "no attribute bit at all".
    bool MatchesMask(unsigned mask) const;
    bool IsReadOnly() const { return MatchesMask(CFile::readOnly); }
    bool IsDirectory() const { return MatchesMask(CFile::directory); }
    bool IsCompressed() const { return MatchesMask(kCompressed); }
    bool IsSystem() const { return MatchesMask(CFile::system); }
    bool IsHidden() const { return MatchesMask(CFile::hidden); }
    bool IsTemporary() const { return MatchesMask(kTemporary); }
    bool IsNormal() const { return MatchesMask(kNormal); }
    bool IsArchived() const { return MatchesMask(CFile::archive); }

    static constexpr unsigned kNormal = 0x80;
    static constexpr unsigned kTemporary = 0x100; // never set on Linux
    static constexpr unsigned kCompressed = 0x800; // never set on Linux

    // True when `name` matches the wildcard `pattern` as FindFile matches.
    static bool MatchesPattern(const char *name, const char *pattern);

private:
    const CFileStatus *current() const;

    _String m_strRoot;
    std::vector<_String> m_names;
    std::size_t m_nNext = 0; // index of the next match; the current is m_nNext - 1
    CFileStatus m_status;
    bool m_bHaveStatus = false;
};

} // namespace kx_gen
