#include "DesktopEntry.h"

#include <cstdio>

namespace mirrick {

namespace {

bool IsIdCharacter(unsigned char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-';
}

// The escapes of a string value: a backslash doubled, a leading blank kept by
// "\s". Control characters never get here.
std::string EscapeValue(const std::string &text)
{
    std::string escaped;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\')
            escaped += "\\\\";
        else if (i == 0 && text[i] == ' ')
            escaped += "\\s";
        else
            escaped += text[i];
    }
    return escaped;
}

bool IsFieldCode(const std::string &word)
{
    return word == "%f" || word == "%F" || word == "%u" || word == "%U";
}

// One word of an Exec line before the value escapes: quoted when it holds a
// reserved character, "%" doubled so that it stays a percent sign.
std::string ExecWord(const std::string &word, bool allowFieldCode)
{
    if (allowFieldCode && IsFieldCode(word))
        return word;
    static const std::string kReserved = " \t\n\"'\\><~|&;$*?#()`";
    bool quote = word.empty() || word.find_first_of(kReserved) != std::string::npos;
    std::string out;
    if (quote)
        out += '"';
    for (char c : word) {
        if (c == '%')
            out += "%%";
        else if (quote && (c == '"' || c == '`' || c == '$' || c == '\\'))
            out += std::string("\\") + c;
        else
            out += c;
    }
    if (quote)
        out += '"';
    return out;
}

std::string IconName(const std::string &target)
{
    std::string::size_type slash = target.rfind('/');
    return slash == std::string::npos ? target : target.substr(slash + 1);
}

} // namespace

std::string DesktopFileName(const std::string &name)
{
    std::string file;
    for (unsigned char c : name) {
        if (IsIdCharacter(c)) {
            file += static_cast<char>(c);
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "_%02X", c);
            file += hex;
        }
    }
    return file + ".desktop";
}

std::optional<std::vector<std::string>> SplitArguments(const std::string &arguments)
{
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (char c : arguments) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if (c == ' ' && !quoted) {
            if (inWord)
                words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (quoted)
        return std::nullopt;
    if (inWord)
        words.push_back(word);
    return words;
}

std::string ExecLine(const std::string &target, const std::vector<std::string> &arguments)
{
    std::string line = ExecWord(target, false);
    for (const std::string &argument : arguments)
        line += " " + ExecWord(argument, true);
    return EscapeValue(line);
}

std::string DesktopEntryText(
    const std::string &name, const std::string &target, const std::vector<std::string> &arguments)
{
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Version=1.4\n"
           "Name="
        + EscapeValue(name) + "\nExec=" + ExecLine(target, arguments)
        + "\nIcon=" + EscapeValue(IconName(target)) + "\nTerminal=false\n";
}

} // namespace mirrick
