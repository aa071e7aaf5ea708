#include "kx_gen/PathUtils.h"

#include "kx_gen/FileFind.h"

#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

namespace kx_gen {

namespace {

struct PathParts {
    std::string dir; // with trailing separator
    std::string title;
    std::string ext; // with its dot
};

PathParts splitPath(const char *path)
{
    PathParts parts;
    const std::string p = path ? path : "";
    const std::size_t slash = p.rfind(kPathSeparator);
    std::string name;
    if (slash == std::string::npos) {
        name = p;
    } else {
        parts.dir = p.substr(0, slash + 1);
        name = p.substr(slash + 1);
    }
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos) {
        parts.title = name;
    } else {
        parts.title = name.substr(0, dot);
        parts.ext = name.substr(dot);
    }
    return parts;
}

} // namespace

_String JoinPath(const _String &directory, const _String &name)
{
    if (directory.IsEmpty() || directory.str().back() == kPathSeparator)
        return directory + name;
    return directory + _String(std::string(1, kPathSeparator)) + name;
}

_String FullPath(const char *path)
{
    std::string p = path ? path : "";
    if (p.empty() || p.front() != kPathSeparator) {
        std::string cwd;
        std::vector<char> buf(4096);
        while (!getcwd(buf.data(), buf.size())) {
            if (buf.size() > (1u << 20))
                break;
            buf.resize(buf.size() * 2);
        }
        cwd = buf.data();
        p = JoinPath(_String(cwd), _String(p)).str();
    }
    std::vector<std::string> kept;
    std::size_t start = 0;
    while (start <= p.size()) {
        std::size_t end = p.find(kPathSeparator, start);
        if (end == std::string::npos)
            end = p.size();
        const std::string part = p.substr(start, end - start);
        if (part == "..") {
            if (!kept.empty())
                kept.pop_back();
        } else if (!part.empty() && part != ".") {
            kept.push_back(part);
        }
        start = end + 1;
    }
    std::string result;
    for (const std::string &part : kept) {
        result += kPathSeparator;
        result += part;
    }
    if (result.empty())
        result = kPathSeparator;
    return _String(result);
}

_String GetRoot(const char *path)
{
    return GetFileDrive(path) + GetFileDir(path);
}

_String GetFileDrive(const char *)
{
    return _String();
}

_String GetFileDir(const char *path)
{
    return _String(splitPath(path).dir);
}

_String GetFileTitle(const char *path)
{
    return _String(splitPath(path).title);
}

_String GetFileExt(const char *path)
{
    return _String(splitPath(path).ext);
}

_String GetFileName(const char *path)
{
    const PathParts parts = splitPath(path);
    return _String(parts.title + parts.ext);
}

bool ValidateFilePath(const char *path)
{
    const PathParts parts = splitPath(path);
    return !parts.dir.empty() && parts.dir.front() == kPathSeparator && !parts.title.empty()
        && !parts.ext.empty();
}

bool ValidateFileTitle(_String &title)
{
    title.Trim();
    std::string cleaned;
    for (char c : title.str()) {
        switch (c) {
        case '\\':
        case '/':
        case ':':
        case '*':
        case '?':
        case '"':
        case '<':
        case '>':
        case '|':
            break;
        default:
            cleaned += c;
        }
    }
    if (cleaned.size() > static_cast<std::size_t>(kMaxFileTitleLength))
        cleaned.resize(kMaxFileTitleLength);
    title = cleaned.empty() ? _String("Unfilled") : _String(cleaned);
    return true;
}

bool IsFileExist(const char *path)
{
    CFileFind find;
    return find.FindFile(path);
}

namespace {

// drive + directory + title cut to keep the name's length + "-n" + extension.
_String numberedCandidate(const PathParts &parts, int n)
{
    // snprintf rather than std::to_string, whose inline tables would become
    // exported symbols of the library.
    char number[16];
    const int digits = std::snprintf(number, sizeof number, "%d", n);
    const long keep = static_cast<long>(parts.title.size()) - digits - 1;
    const std::string base = keep > 0 ? parts.title.substr(0, static_cast<std::size_t>(keep)) : "";
    _String candidate;
    candidate.FormatString("%s%s%s-%d%s", GetFileDrive(nullptr).c_str(), parts.dir.c_str(),
        base.c_str(), n, parts.ext.c_str());
    return candidate;
}

bool isAllowed(const _String &candidate, const char *allowedPath)
{
    // Exact comparison: on a case-sensitive file system a name that differs
    // only in case is another file, which must not be taken over.
    return allowedPath && candidate == allowedPath;
}

} // namespace

_String GetNextValidNumberedName(const char *path, const char *allowedPath)
{
    const PathParts parts = splitPath(path);
    for (int n = 1;; ++n) {
        const _String candidate = numberedCandidate(parts, n);
        if (!IsFileExist(candidate) || isAllowed(candidate, allowedPath))
            return candidate;
    }
}

_String GetValidFileName(const char *path, const char *secondDirectory, const char *allowedPath)
{
    PathParts parts = splitPath(path);
    if (parts.title.size() > static_cast<std::size_t>(kMaxFileTitleLength))
        parts.title.resize(kMaxFileTitleLength);
    const _String original = _String(parts.dir) + _String(parts.title + parts.ext);

    const auto taken = [&](const _String &candidate) {
        if (IsFileExist(candidate))
            return true;
        return secondDirectory
            && IsFileExist(JoinPath(_String(secondDirectory), kx_gen::GetFileName(candidate)));
    };

    // The numbers always go onto the original title, and each candidate must
    // be free in both folders; numbering a numbered name again could return
    // it unchanged and never end.
    _String candidate = original;
    for (int n = 1; taken(candidate) && !isAllowed(candidate, allowedPath); ++n)
        candidate = numberedCandidate(parts, n);
    return candidate;
}

} // namespace kx_gen
