#include "FormatExchange.h"

#include "Markdown.h"
#include "Opml.h"
#include "PlainText.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace formats {

namespace {

std::string LowerExtension(std::string_view path)
{
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash))
        return std::string();
    std::string ext(path.substr(dot + 1));
    for (char &c : ext)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return ext;
}

std::string FileTitle(std::string_view path)
{
    const std::size_t slash = path.find_last_of('/');
    std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.find_last_of('.');
    if (dot != std::string_view::npos && dot > 0)
        name = name.substr(0, dot);
    return std::string(name);
}

std::string SystemError(const char *what, const std::string &path)
{
    return std::string(what) + " " + path + ": " + std::strerror(errno);
}

} // namespace

EFormat FormatFromName(std::string_view name)
{
    std::string n(name);
    for (char &c : n)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (n == "kxo" || n == "kxt")
        return EFormat::kOutline;
    if (n == "opml")
        return EFormat::kOpml;
    if (n == "md" || n == "markdown")
        return EFormat::kMarkdown;
    if (n == "txt" || n == "text")
        return EFormat::kPlainText;
    if (n == "html" || n == "htm")
        return EFormat::kHtml;
    if (n == "pdb")
        return EFormat::kPdb;
    if (n == "docx")
        return EFormat::kDocx;
    return EFormat::kUnknown;
}

EFormat FormatFromPath(std::string_view path)
{
    const std::string ext = LowerExtension(path);
    return ext.empty() ? EFormat::kUnknown : FormatFromName(ext);
}

const char *FormatExtension(EFormat format)
{
    switch (format) {
    case EFormat::kOutline:
        return ".kxo";
    case EFormat::kOpml:
        return ".opml";
    case EFormat::kMarkdown:
        return ".md";
    case EFormat::kPlainText:
        return ".txt";
    case EFormat::kHtml:
        return ".html";
    case EFormat::kPdb:
        return ".pdb";
    case EFormat::kDocx:
        return ".docx";
    case EFormat::kUnknown:
        break;
    }
    return "";
}

std::vector<SFormatFilter> ImportFilters()
{
    return {
        { EFormat::kOpml, "OPML outline (*.opml)", "*.opml" },
        { EFormat::kMarkdown, "Markdown (*.md *.markdown)", "*.md *.markdown" },
        { EFormat::kPlainText, "Plain text (*.txt)", "*.txt" },
    };
}

std::vector<SFormatFilter> ExportFilters()
{
    std::vector<SFormatFilter> filters = ImportFilters();
    filters[1] = { EFormat::kMarkdown, "Markdown (*.md)", "*.md" };
    filters.push_back({ EFormat::kHtml, "Web page (*.html)", "*.html" });
    return filters;
}

const char *ImportMenuText(EFormat format)
{
    switch (format) {
    case EFormat::kOpml:
        return "&OPML Outline...";
    case EFormat::kMarkdown:
        return "&Markdown...";
    case EFormat::kPlainText:
        return "Plain &Text...";
    default:
        return "";
    }
}

const char *ExportMenuText(EFormat format)
{
    switch (format) {
    case EFormat::kHtml:
        return "&Web Page (HTML)...";
    default:
        return ImportMenuText(format);
    }
}

bool ReadWholeFile(const std::string &path, std::string &data, std::string &error)
{
    data.clear();
    std::FILE *file = std::fopen(path.c_str(), "rb");
    if (!file) {
        error = SystemError("Cannot open", path);
        return false;
    }
    struct stat info { };
    if (fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode)) {
        std::fclose(file);
        error = "Not a file: " + path;
        return false;
    }
    if (static_cast<unsigned long long>(info.st_size) > kMaxImportBytes) {
        std::fclose(file);
        error = "The file is too large to import: " + path;
        return false;
    }
    char buffer[65536];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        data.append(buffer, got);
        if (data.size() > kMaxImportBytes) {
            std::fclose(file);
            error = "The file is too large to import: " + path;
            return false;
        }
    }
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        error = SystemError("Cannot read", path);
        return false;
    }
    return true;
}

bool WriteFileSafely(
    const std::string &path, std::string_view data, bool overwrite, std::string &error)
{
    struct stat info { };
    if (!overwrite && lstat(path.c_str(), &info) == 0) {
        error = "The file " + path + " already exists.";
        return false;
    }
    // A name of its own beside the target, so that no file of the user's
    // is ever truncated on the way.
    std::vector<char> name(path.begin(), path.end());
    for (const char c : std::string_view(".part-XXXXXX"))
        name.push_back(c);
    name.push_back('\0');
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        error = SystemError("Cannot write", path);
        return false;
    }
    const std::string temp(name.data());
    // mkostemp makes the file private; an export is an ordinary file that
    // others may read. (Asking for the umask would change it for every
    // thread for a moment.)
    ::fchmod(fd, 0644);
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error = SystemError("Cannot write", path);
            ::close(fd);
            ::unlink(temp.c_str());
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    if (::fsync(fd) != 0 || ::close(fd) != 0) {
        error = SystemError("Cannot write", path);
        ::unlink(temp.c_str());
        return false;
    }
    // Without overwrite the place must still be free: link fails on an
    // existing name where rename would replace it.
    if (!overwrite) {
        if (::link(temp.c_str(), path.c_str()) == 0) {
            ::unlink(temp.c_str());
            return true;
        }
        const int linkError = errno;
        const bool noLinks = linkError == EPERM || linkError == EOPNOTSUPP || linkError == ENOSYS;
        // Folders without hard links (some shared and removable file
        // systems) fall back to a check just before the rename.
        if (!noLinks || lstat(path.c_str(), &info) == 0) {
            errno = linkError;
            error = linkError == EEXIST || noLinks ? "The file " + path + " already exists."
                                                   : SystemError("Cannot write", path);
            ::unlink(temp.c_str());
            return false;
        }
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        error = SystemError("Cannot write", path);
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

std::string ProgramFolder()
{
    char buffer[4096];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0)
        return std::string();
    std::string path(buffer, static_cast<std::size_t>(n));
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

namespace {

// An installed program finds its files under share/vellacor beside its
// folder; one in the build tree finds them beside itself.
std::string ShippedHtmlFile(const char *name)
{
    const std::string folder = ProgramFolder();
    const std::string installed = folder + "/../share/vellacor/html/" + name;
    if (::access(installed.c_str(), R_OK) == 0)
        return installed;
    return folder + "/html/" + name;
}

} // namespace

std::string DefaultTemplatePath()
{
    return ShippedHtmlFile("outline-template.html");
}

std::string DefaultRulesPath()
{
    return ShippedHtmlFile("outline.rules");
}

std::string TodayText()
{
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    localtime_r(&now, &local);
    char buffer[32];
    std::strftime(buffer, sizeof buffer, "%Y-%m-%d", &local);
    return buffer;
}

bool ParseOutline(
    std::string_view data, EFormat format, SFlatOutline &outline, CImportReport &report)
{
    switch (format) {
    case EFormat::kOpml:
        return ReadOpml(data, outline, report);
    case EFormat::kMarkdown:
        return ReadMarkdown(data, outline, report);
    case EFormat::kPlainText:
        return ReadPlainText(data, outline, report);
    default:
        report.Fail(0, "this format cannot be imported here");
        return false;
    }
}

bool ImportOutline(const std::string &path, EFormat format, COutlineMan &man, CImportReport &report)
{
    std::string data;
    std::string error;
    if (!ReadWholeFile(path, data, error)) {
        report.Fail(0, error);
        return false;
    }
    SFlatOutline outline;
    if (!ParseOutline(data, format, outline, report))
        return false;
    if (outline.m_strTitle.empty()) {
        CImportReport nameReport;
        outline.m_strTitle = ModelFromUtf8(FileTitle(path), 0, nameReport);
    }
    return FillOutline(outline, man, report);
}

bool ExportOutline(const COutlineMan &man, EFormat format, const std::string &path,
    const SExportOptions &options, std::string &error, CImportReport *report)
{
    if (!man.IsOpen()) {
        error = "No outline is open.";
        return false;
    }
    std::string data;
    try {
        switch (format) {
        case EFormat::kOpml:
            data = WriteOpml(FlattenOutline(man));
            break;
        case EFormat::kMarkdown:
            data = WriteMarkdown(FlattenOutline(man));
            break;
        case EFormat::kPlainText:
            data = WritePlainText(FlattenOutline(man));
            break;
        case EFormat::kHtml: {
            std::string templateText;
            std::string rulesText;
            const std::string templatePath = options.m_strTemplatePath.empty()
                ? DefaultTemplatePath()
                : options.m_strTemplatePath;
            const std::string rulesPath
                = options.m_strRulesPath.empty() ? DefaultRulesPath() : options.m_strRulesPath;
            if (!ReadWholeFile(templatePath, templateText, error)
                || !ReadWholeFile(rulesPath, rulesText, error))
                return false;
            SHtmlRules rules;
            CImportReport rulesReport;
            if (!ParseHtmlRules(rulesText, rules, rulesReport)) {
                error = rulesPath + ": " + rulesReport.Error();
                return false;
            }
            if (report) {
                for (const std::string &w : rulesReport.Warnings())
                    report->Warn(0, rulesPath + ": " + w);
            }
            const std::string date = options.m_strDate.empty() ? TodayText() : options.m_strDate;
            if (!BuildHtmlPage(man, templateText, rules, date, data, error))
                return false;
            break;
        }
        default:
            error = "This format cannot be exported here.";
            return false;
        }
    } catch (const std::bad_alloc &) {
        error = "Out of memory.";
        return false;
    }
    return WriteFileSafely(path, data, options.m_bOverwrite, error);
}

} // namespace formats
