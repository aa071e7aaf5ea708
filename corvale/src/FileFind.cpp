#include "kx_gen/FileFind.h"

#include "FileStatusInternal.h"
#include "kx_gen/PathUtils.h"

#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>

namespace kx_gen {

namespace {

char foldCase(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// `*` and `?` wildcards, ASCII case folded. One backtracking point suffices
// for `*`, so the match takes linear time per star rather than exponential.
bool wildcardMatch(std::string_view name, std::string_view pattern)
{
    std::size_t n = 0, p = 0;
    std::size_t starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size()
            && (pattern[p] == '?' || foldCase(pattern[p]) == foldCase(name[n]))) {
            ++p;
            ++n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

bool hasWildcards(std::string_view s)
{
    return s.find_first_of("*?") != std::string_view::npos;
}

} // namespace

bool CFileFind::MatchesPattern(const char *name, const char *pattern)
{
    const std::string_view n(name ? name : "");
    const std::string_view p(pattern ? pattern : "");
    if (wildcardMatch(n, p))
        return true;
    // "name.*" also matches "name", and "name." matches "name" (no extension).
    if (n.find('.') == std::string_view::npos) {
        if (p.size() >= 2 && p.substr(p.size() - 2) == ".*")
            return wildcardMatch(n, p.substr(0, p.size() - 2));
        if (!p.empty() && p.back() == '.')
            return wildcardMatch(n, p.substr(0, p.size() - 1));
    }
    return false;
}

bool CFileFind::FindFile(const char *pattern, unsigned)
{
    Close();
    const _String full = FullPath(pattern && pattern[0] ? pattern : "*.*");
    m_strRoot = kx_gen::GetRoot(full);
    const _String namePattern = kx_gen::GetFileName(full);
    if (namePattern.IsEmpty())
        return false;

    if (!hasWildcards(namePattern.str())) {
        struct stat st { };
        if (lstat(full, &st) == 0)
            m_names.push_back(namePattern);
        return !m_names.empty();
    }

    DIR *dir = opendir(m_strRoot);
    if (!dir)
        return false;
    while (const dirent *entry = readdir(dir)) {
        if (MatchesPattern(entry->d_name, namePattern))
            m_names.emplace_back(entry->d_name);
    }
    closedir(dir);
    std::sort(m_names.begin(), m_names.end());
    return !m_names.empty();
}

bool CFileFind::FindNextFileA()
{
    if (m_nNext >= m_names.size())
        return false;
    const _String &name = m_names[m_nNext++];
    m_status = CFileStatus();
    m_bHaveStatus = detail::fillStatus(-1, JoinPath(m_strRoot, name), name, m_status);
    if (m_bHaveStatus)
        m_status.m_szFullName = JoinPath(m_strRoot, name);
    return m_nNext < m_names.size();
}

void CFileFind::Close()
{
    m_strRoot.Empty();
    m_names.clear();
    m_nNext = 0;
    m_status = CFileStatus();
    m_bHaveStatus = false;
}

const CFileStatus *CFileFind::current() const
{
    return m_bHaveStatus ? &m_status : nullptr;
}

_String CFileFind::GetFileName() const
{
    return m_nNext > 0 ? m_names[m_nNext - 1] : _String();
}

_String CFileFind::GetFilePath() const
{
    return m_nNext > 0 ? JoinPath(m_strRoot, GetFileName()) : _String();
}

_String CFileFind::GetFileTitle() const
{
    return kx_gen::GetFileTitle(GetFileName());
}

_String CFileFind::GetRoot() const
{
    return m_strRoot;
}

std::uint64_t CFileFind::GetLength() const
{
    const CFileStatus *s = current();
    return s ? s->m_size : 0;
}

bool CFileFind::GetCreationTime(CTime &time) const
{
    const CFileStatus *s = current();
    if (s)
        time = s->m_ctime;
    return s != nullptr;
}

bool CFileFind::GetLastAccessTime(CTime &time) const
{
    const CFileStatus *s = current();
    if (s)
        time = s->m_atime;
    return s != nullptr;
}

bool CFileFind::GetLastWriteTime(CTime &time) const
{
    const CFileStatus *s = current();
    if (s)
        time = s->m_mtime;
    return s != nullptr;
}

bool CFileFind::IsDots() const
{
    const _String name = GetFileName();
    return name == "." || name == "..";
}

bool CFileFind::MatchesMask(unsigned mask) const
{
    const CFileStatus *s = current();
    if (!s)
        return false;
    unsigned attributes = s->m_attribute;
    if (attributes == 0)
        attributes = kNormal;
    return (attributes & mask) != 0;
}

} // namespace kx_gen
