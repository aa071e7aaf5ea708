#include "Convert.h"

#include "FormatExchange.h"

#include "OutlineServices.h"

#include "docbridge/Docbridge.h"
#include "tarnvel/Tarnvel.h"

#include "kx_gen/OutlineDB.h"

#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <ostream>
#include <sys/stat.h>
#include <unistd.h>

namespace formats {

namespace {

class CCollectingSink : public CMessageSink {
public:
    void ShowMessage(const kx_gen::_String &text) override
    {
        if (!m_strText.empty())
            m_strText += "; ";
        m_strText += Utf8FromModel(text.str());
    }
    std::string m_strText;
};

// A temporary outline file that is removed with this object.
class CTempOutline {
public:
    CTempOutline()
    {
        const char *dir = std::getenv("TMPDIR");
        std::string pattern = std::string(dir && *dir ? dir : "/tmp") + "/vellacor-XXXXXX.kxo";
        std::vector<char> buffer(pattern.begin(), pattern.end());
        buffer.push_back('\0');
        const int fd = ::mkstemps(buffer.data(), 4);
        if (fd >= 0) {
            ::close(fd);
            m_strPath = buffer.data();
        }
    }
    ~CTempOutline()
    {
        if (!m_strPath.empty())
            ::unlink(m_strPath.c_str());
    }
    CTempOutline(const CTempOutline &) = delete;
    CTempOutline &operator=(const CTempOutline &) = delete;
    const std::string &Path() const { return m_strPath; }

private:
    std::string m_strPath;
};

// Waits on this thread for a Docbridge task's last notification.
class CTaskWaiter : public CDocbridgeWindow {
public:
    void SendMessage(std::uint32_t, std::uintptr_t code, std::intptr_t) override
    {
        if (code != kDocbridgeFinished && code != kDocbridgeFailed)
            return;
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_bDone = true;
        m_bFailed = code == kDocbridgeFailed;
        m_Done.notify_all();
    }
    // True when the task finished without failure.
    bool Wait()
    {
        std::unique_lock<std::mutex> lock(m_Mutex);
        m_Done.wait(lock, [this] { return m_bDone; });
        return !m_bFailed;
    }

private:
    std::mutex m_Mutex;
    std::condition_variable m_Done;
    bool m_bDone = false;
    bool m_bFailed = false;
};

bool Exists(const std::string &path)
{
    struct stat info { };
    return ::lstat(path.c_str(), &info) == 0;
}

std::string TarnvelReason(int code)
{
    const char *reason = tarnvelLastError();
    return reason && *reason ? reason : "conversion failed (code " + std::to_string(code) + ")";
}

bool LoadWord(const std::string &path, COutlineMan &man, std::string &error)
{
    if (!man.NewOutline(false)) {
        error = "a new outline could not be made";
        return false;
    }
    CDocbridge bridge;
    if (!bridge.StartWorkingThread()) {
        error = bridge.GetLastErrorText();
        return false;
    }
    TImportTask task;
    task.m_pDB = man.GetDB();
    task.m_strPath = path;
    CTaskWaiter waiter;
    bool ok = bridge.ImportWordDoc(&waiter, &task) != 0;
    if (ok)
        ok = waiter.Wait();
    if (!ok)
        error = bridge.GetLastErrorText();
    bridge.StopWorkingThread();
    if (!ok)
        return false;
    if (!man.BuildTree()) {
        error = "the document's outline could not be built";
        return false;
    }
    // The document's name is the title.
    std::string title = path.substr(path.find_last_of('/') + 1);
    if (const std::size_t dot = title.find_last_of('.'); dot != std::string::npos && dot > 0)
        title.erase(dot);
    CImportReport ignored;
    man.GetDB()->SetOutlineTitle(kx_gen::_String(ModelFromUtf8(title, 0, ignored)));
    return true;
}

bool SaveWord(COutlineMan &man, const std::string &path, std::string &error)
{
    CDocbridge bridge;
    if (!bridge.StartWorkingThread()) {
        error = bridge.GetLastErrorText();
        return false;
    }
    try {
        man.StoreItemsInRecords();
    } catch (kx_gen::CException *e) {
        error = Utf8FromModel(e->GetDescription().str());
        e->Delete();
        return false;
    }
    TExportTask task;
    task.m_nWordExport = 1;
    task.m_nIncludeNotes = 1;
    task.m_pDB = man.GetDB();
    task.m_strTitle = man.GetDB()->GetOutlineTitle();
    task.m_strDocPath = path;
    CTaskWaiter waiter;
    bool ok = bridge.ExportWordDoc(&waiter, &task) != 0;
    if (ok)
        ok = waiter.Wait();
    if (!ok)
        error = bridge.GetLastErrorText();
    bridge.StopWorkingThread();
    return ok;
}

} // namespace

bool ConvertFile(const std::string &inPath, const std::string &outPath, bool force,
    std::string &error, std::vector<std::string> &warnings)
{
    const EFormat from = FormatFromPath(inPath);
    const EFormat to = FormatFromPath(outPath);
    if (from == EFormat::kUnknown || from == EFormat::kHtml) {
        error = inPath
            + ": cannot read this kind of file (use .kxo, .kxt, .opml, .md, .txt, .pdb or .docx)";
        return false;
    }
    if (to == EFormat::kUnknown) {
        error = outPath
            + ": cannot write this kind of file (use .kxo, .kxt, .opml, .md, .txt, .html, .pdb or "
              ".docx)";
        return false;
    }
    if (!Exists(inPath)) {
        error = inPath + ": no such file";
        return false;
    }
    if (!force && Exists(outPath)) {
        error = outPath + ": the file exists (use --force to replace it)";
        return false;
    }

    // .pdb to an outline file needs nothing but the converter.
    if (from == EFormat::kPdb && to == EFormat::kOutline) {
        const int result = convertPDBtoPC(inPath.c_str(), outPath.c_str());
        if (result != kTarnvelOk) {
            error = inPath + ": " + TarnvelReason(result);
            return false;
        }
        return true;
    }
    if (from == EFormat::kOutline && to == EFormat::kPdb) {
        const int result = convertPCtoPDB(inPath.c_str(), outPath.c_str());
        if (result != kTarnvelOk) {
            error = inPath + ": " + TarnvelReason(result);
            return false;
        }
        return true;
    }

    CCollectingSink sink;
    COutlineMan man(nullptr, &sink);
    CTempOutline temp;
    switch (from) {
    case EFormat::kOutline:
        if (!man.Load(inPath.c_str())) {
            error = inPath + ": " + sink.m_strText;
            return false;
        }
        break;
    case EFormat::kPdb: {
        if (temp.Path().empty()) {
            error = "no temporary file could be made";
            return false;
        }
        const int result = convertPDBtoPC(inPath.c_str(), temp.Path().c_str());
        if (result != kTarnvelOk) {
            error = inPath + ": " + TarnvelReason(result);
            return false;
        }
        if (!man.Load(temp.Path().c_str())) {
            error = inPath + ": " + sink.m_strText;
            return false;
        }
        break;
    }
    case EFormat::kDocx:
        if (!LoadWord(inPath, man, error)) {
            error = inPath + ": " + error;
            return false;
        }
        break;
    default: {
        CImportReport report;
        const bool ok = ImportOutline(inPath, from, man, report);
        for (const std::string &w : report.Warnings())
            warnings.push_back(inPath + ": " + w);
        if (report.DroppedWarnings() > 0)
            warnings.push_back(inPath + ": ... and " + std::to_string(report.DroppedWarnings())
                + " more warnings");
        if (!ok) {
            error = inPath + ": " + report.Error();
            return false;
        }
        break;
    }
    }

    switch (to) {
    case EFormat::kOutline:
        man.SetNewDB(true);
        if (!man.Save(outPath.c_str())) {
            error = outPath + ": " + sink.m_strText;
            return false;
        }
        return true;
    case EFormat::kPdb: {
        if (temp.Path().empty()) {
            error = "no temporary file could be made";
            return false;
        }
        man.SetNewDB(true);
        if (!man.Save(temp.Path().c_str())) {
            error = outPath + ": " + sink.m_strText;
            return false;
        }
        const int result = convertPCtoPDB(temp.Path().c_str(), outPath.c_str());
        if (result != kTarnvelOk) {
            error = outPath + ": " + TarnvelReason(result);
            return false;
        }
        return true;
    }
    case EFormat::kDocx:
        if (!SaveWord(man, outPath, error)) {
            error = outPath + ": " + error;
            return false;
        }
        return true;
    default: {
        SExportOptions options;
        options.m_bOverwrite = force;
        CImportReport report;
        if (!ExportOutline(man, to, outPath, options, error, &report)) {
            error = outPath + ": " + error;
            return false;
        }
        for (const std::string &w : report.Warnings())
            warnings.push_back(w);
        return true;
    }
    }
}

std::string ConvertUsage(const std::string &program)
{
    return "Usage: " + program + " [--force] IN OUT\n" + "       " + program
        + " --convert-to FORMAT [--outdir DIR] [--force] FILE...\n"
        + "\n"
          "Converts outlines without opening a window. The formats follow the\n"
          "file extensions: .kxo (.kxt), .opml, .md, .txt, .pdb and .docx are read\n"
          "and written, .html is written. FORMAT is one of kxo, opml, md, txt, html,\n"
          "pdb, docx; each FILE is written beside itself (or into DIR) under its own\n"
          "name with the format's extension.\n"
          "\n"
          "  --force        replace output files that exist\n"
          "  --outdir DIR   write the converted files into DIR\n"
          "  --help         show this text\n"
          "\n"
          "Exit status: 0 when every file was converted, 1 when a file failed,\n"
          "2 for wrong usage.\n";
}

int RunConvertCommand(const std::vector<std::string> &args, std::ostream &out, std::ostream &err)
{
    const std::string program = "vellacor-convert";
    bool force = false;
    std::string convertTo;
    std::string outDir;
    bool haveConvertTo = false;
    std::vector<std::string> files;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string &a = args[i];
        if (a == "--help" || a == "-h") {
            out << ConvertUsage(program);
            return 0;
        }
        if (a == "--force" || a == "-f") {
            force = true;
        } else if (a == "--convert-to" || a == "--outdir") {
            if (i + 1 >= args.size()) {
                err << program << ": " << a << " needs a value\n" << ConvertUsage(program);
                return 2;
            }
            if (a == "--outdir") {
                outDir = args[++i];
            } else {
                convertTo = args[++i];
                haveConvertTo = true;
            }
        } else if (a == "--") {
            files.insert(
                files.end(), args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
            break;
        } else if (a.size() > 1 && a[0] == '-') {
            err << program << ": unknown option " << a << "\n" << ConvertUsage(program);
            return 2;
        } else {
            files.push_back(a);
        }
    }

    std::vector<std::pair<std::string, std::string>> jobs;
    if (!outDir.empty() && ::mkdir(outDir.c_str(), 0777) != 0 && errno != EEXIST) {
        err << program << ": cannot make the folder " << outDir << ": " << std::strerror(errno)
            << "\n";
        return 1;
    }
    if (haveConvertTo) {
        const EFormat format = FormatFromName(convertTo);
        if (format == EFormat::kUnknown || files.empty()) {
            err << program << ": "
                << (files.empty() ? "no file to convert" : "unknown format " + convertTo) << "\n"
                << ConvertUsage(program);
            return 2;
        }
        for (const std::string &file : files) {
            const std::size_t slash = file.find_last_of('/');
            std::string name = slash == std::string::npos ? file : file.substr(slash + 1);
            if (const std::size_t dot = name.find_last_of('.'); dot != std::string::npos && dot > 0)
                name.erase(dot);
            const std::string dir = !outDir.empty()
                ? outDir
                : (slash == std::string::npos ? std::string(".") : file.substr(0, slash));
            jobs.emplace_back(file, dir + "/" + name + FormatExtension(format));
        }
    } else {
        if (files.size() != 2 || !outDir.empty()) {
            err << program << ": give one input and one output file\n" << ConvertUsage(program);
            return 2;
        }
        jobs.emplace_back(files[0], files[1]);
    }

    int status = 0;
    for (const auto &[in, target] : jobs) {
        std::string error;
        std::vector<std::string> warnings;
        const bool ok = ConvertFile(in, target, force, error, warnings);
        for (const std::string &w : warnings)
            err << program << ": warning: " << w << "\n";
        if (ok) {
            out << in << " -> " << target << "\n";
        } else {
            err << program << ": " << error << "\n";
            status = 1;
        }
    }
    return status;
}

} // namespace formats
