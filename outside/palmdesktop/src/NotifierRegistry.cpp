#include "NotifierRegistry.h"

#include "StoreError.h"
#include "StoreFiles.h"
#include "palmdesktop/PalmDesktop.h"

#include <algorithm>

namespace palmdesktop {

namespace {

constexpr char kNotifierTag[] = "notifier\t";

[[noreturn]] void ThrowDamaged(std::size_t lineNumber, const char *reason)
{
    throw CStoreError(kCmErrStoreAccess,
        "the notifier registry is damaged at line " + std::to_string(lineNumber) + ": " + reason);
}

} // namespace

CNotifierRegistry::CNotifierRegistry(std::string hotSyncFolder)
    : m_strFolder(std::move(hotSyncFolder))
{
}

std::string CNotifierRegistry::FilePath() const
{
    return JoinPath(m_strFolder, kFileName);
}

void CNotifierRegistry::Load()
{
    std::string text;
    switch (ReadSmallFile(FilePath(), kMaxFileSize, text)) {
    case ReadResult::ok:
        Parse(text);
        return;
    case ReadResult::missing:
        m_paths.clear();
        return;
    case ReadResult::tooLarge:
        throw CStoreError(kCmErrStoreAccess, "the notifier registry is too large");
    case ReadResult::failed:
        break;
    }
    throw CStoreError(kCmErrStoreAccess, "the notifier registry cannot be read");
}

void CNotifierRegistry::Parse(std::string_view text)
{
    if (text.size() > kMaxFileSize)
        throw CStoreError(kCmErrStoreAccess, "the notifier registry is too large");
    const std::string header = std::string(kHeaderTag) + "\t";
    std::vector<std::string> paths;
    bool headerSeen = false;
    std::size_t lineNumber = 0;
    while (!text.empty()) {
        ++lineNumber;
        std::string_view::size_type newline = text.find('\n');
        std::string_view line = text.substr(0, newline);
        text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty() || line[0] == '#')
            continue;
        if (!headerSeen) {
            if (line.substr(0, header.size()) != header)
                ThrowDamaged(lineNumber, "it does not begin with the registry's header");
            std::string_view version = line.substr(header.size());
            if (version != "1")
                throw CStoreError(
                    kCmErrStoreAccess, "the notifier registry has an unknown format version");
            headerSeen = true;
            continue;
        }
        if (line.substr(0, sizeof kNotifierTag - 1) != kNotifierTag)
            ThrowDamaged(lineNumber, "the line is not a notifier entry");
        std::string_view path = line.substr(sizeof kNotifierTag - 1);
        if (!IsValidPath(path))
            ThrowDamaged(lineNumber, "the path is empty, too long or holds control characters");
        if (std::find(paths.begin(), paths.end(), path) != paths.end())
            ThrowDamaged(lineNumber, "the path is registered twice");
        if (paths.size() >= kMaxNotifiers)
            ThrowDamaged(lineNumber, "there are too many notifiers");
        paths.emplace_back(path);
    }
    if (!headerSeen && lineNumber > 0)
        ThrowDamaged(lineNumber, "the registry's header is missing");
    m_paths = std::move(paths);
}

std::string CNotifierRegistry::Serialize() const
{
    std::string text = "# HotSync notifiers registered with the conduit manager.\n";
    text += std::string(kHeaderTag) + "\t" + std::to_string(kFormatVersion) + "\n";
    for (const std::string &path : m_paths)
        text += kNotifierTag + path + "\n";
    return text;
}

void CNotifierRegistry::Save() const
{
    if (!WriteFileAtomically(FilePath(), Serialize()))
        throw CStoreError(kCmErrSave, "the notifier registry " + FilePath() + " cannot be written");
}

int CNotifierRegistry::Find(std::string_view path) const
{
    auto it = std::find(m_paths.begin(), m_paths.end(), path);
    return it == m_paths.end() ? -1 : static_cast<int>(it - m_paths.begin());
}

void CNotifierRegistry::Register(const std::string &path)
{
    if (!IsValidPath(path))
        throw CStoreError(kCmErrBadPath, "the notifier path is not usable");
    if (Find(path) >= 0)
        return;
    if (m_paths.size() >= kMaxNotifiers)
        throw CStoreError(kCmErrTooMany, "the notifier registry is full");
    m_paths.push_back(path);
}

bool CNotifierRegistry::Unregister(std::string_view path)
{
    return std::erase(m_paths, path) > 0;
}

bool CNotifierRegistry::IsValidPath(std::string_view path)
{
    if (path.empty() || path.size() > kMaxPathLength)
        return false;
    return std::none_of(path.begin(), path.end(), [](char c) {
        unsigned char byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F;
    });
}

} // namespace palmdesktop
