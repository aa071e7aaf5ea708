#include "FileList.h"

#include "tavish/Tavish.h"

#include <cstring>
#include <fstream>
#include <iterator>

#include <sys/stat.h>

namespace tavish {

std::string JoinFolder(const std::string &folder, const std::string &name)
{
    if (!name.empty() && name.front() == '/')
        return name;
    if (folder.empty() || folder.back() == '/')
        return folder + name;
    return folder + "/" + name;
}

bool IsUsableText(const char *text, std::size_t maxBytes)
{
    if (!text)
        return false;
    std::size_t length = ::strnlen(text, maxBytes + 1);
    return length > 0 && length <= maxBytes;
}

std::vector<std::string> SplitListLines(std::string_view content)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t end = content.find('\n', start);
        if (end == std::string::npos)
            end = content.size();
        std::string line(content.substr(start, end - start));
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty())
            lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

std::optional<std::vector<std::string>> ReadFileList(const std::string &path)
{
    struct stat status { };
    if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)
        || status.st_size > kTavishMaxListBytes)
        return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    // Read at most one byte past the limit, so that a list that grew since
    // the stat is refused rather than read without end.
    std::string content;
    content.resize(static_cast<std::size_t>(kTavishMaxListBytes) + 1);
    in.read(content.data(), static_cast<std::streamsize>(content.size()));
    if (in.bad())
        return std::nullopt;
    content.resize(static_cast<std::size_t>(in.gcount()));
    if (content.size() > static_cast<std::size_t>(kTavishMaxListBytes))
        return std::nullopt;

    return SplitListLines(content);
}

std::vector<SPick> ParseSelection(const char *selection)
{
    std::vector<SPick> picks;
    std::size_t length = std::strlen(selection);
    picks.reserve(length);
    for (std::size_t i = 0; i < length; ++i) {
        SPick pick;
        pick.nPosition = static_cast<int>(i) + 1;
        char letter = selection[i];
        pick.bLetter = letter >= 'A' && letter <= 'Z';
        pick.nLine = pick.bLetter ? static_cast<std::size_t>(letter - 'A') : 0;
        picks.push_back(pick);
    }
    return picks;
}

bool IsContainedName(const std::string &line)
{
    if (line.empty() || line.size() > kTavishMaxPathBytes || line.front() == '/'
        || line.find('\0') != std::string::npos)
        return false;
    std::size_t start = 0;
    while (start <= line.size()) {
        std::size_t end = line.find('/', start);
        if (end == std::string::npos)
            end = line.size();
        if (line.compare(start, end - start, "..") == 0)
            return false;
        start = end + 1;
    }
    return true;
}

} // namespace tavish
