// Arbitrary bytes as an installer's file list, and as the texts of a
// shortcut: the list must split into usable lines, names that may be written
// below a folder must stay inside it, and whatever text is accepted must give
// a desktop entry file name and Exec line without line breaks or stray bytes.
#include "DesktopEntry.h"
#include "FileList.h"
#include "Text.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void CheckList(std::string_view text)
{
    for (const std::string &line : tavish::SplitListLines(text)) {
        if (line.empty() || line.find('\n') != std::string::npos)
            std::abort();
        if (!tavish::IsContainedName(line))
            continue;
        if (line.front() == '/' || line == ".." || line.rfind("../", 0) == 0
            || line.find("/../") != std::string::npos
            || (line.size() >= 3 && line.compare(line.size() - 3, 3, "/..") == 0))
            std::abort();
    }
}

void CheckShortcutTexts(const std::string &text)
{
    if (!mirrick::IsCleanText(text.c_str(), 4095, true))
        return;
    for (char c : mirrick::DesktopFileName(text))
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-'
                || c == '_' || c == '.'))
            std::abort();
    auto words = mirrick::SplitArguments(text);
    if (!words)
        return;
    std::string entry = mirrick::DesktopEntryText(text.empty() ? "x" : text, "/usr/bin/x", *words);
    for (unsigned char c : entry)
        if ((c < 0x20 && c != '\n') || c == 0x7F)
            std::abort();
    if (mirrick::ExecLine("/usr/bin/x", *words).find('\n') != std::string::npos)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    std::string_view text(reinterpret_cast<const char *>(data), size);
    CheckList(text);
    CheckShortcutTexts(std::string(text.substr(0, text.find('\0'))));
    return 0;
}
