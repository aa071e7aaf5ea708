#include "InstallerCommand.h"

#include "kx_gen/Registry.h"
#include "palmdesktop/PalmDesktop.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <unistd.h>

namespace vellacorinstaller {

namespace {

// The name under which Vellacor counts itself among the notifier's users.
constexpr char kApplicationValueName[] = "Vellacor";
// Files that the desktop hands to the program when one is opened with it.
constexpr char kShortcutArguments[] = "%F";
// A selection picks lines by the letters A to Z.
constexpr std::size_t kMaxListedFiles = 26;

constexpr char kUsageText[]
    = "usage: vellacor-setup install [options]\n"
      "       vellacor-setup uninstall [options]\n"
      "options:\n"
      "  --hotsync DIR          the HotSync folder (default: the one Palm Desktop set up)\n"
      "  --user NAME            the handheld user who gets the outlines\n"
      "  --handheld-files LIST  queue the outlines named in LIST (they lie beside it)\n"
      "  --files LIST --to DIR  copy the files named in LIST (beside it) into DIR\n"
      "  --notifier FILE        the HotSync notifier library, copied into the HotSync\n"
      "                         folder and registered (uninstall: unregistered)\n"
      "  --shortcut NAME        the shortcut's name (default: Vellacor)\n"
      "  --target PROGRAM       the program the shortcut starts (default: vellacor\n"
      "                         beside the installer)\n"
      "  --desktop              put the shortcut on the desktop as well\n"
      "  --no-shortcut          make or remove no shortcut\n"
      "  --library-dir DIR      the folder of libTavish.so and libMirrick.so\n";

struct SPathParts {
    std::string strFolder;
    std::string strName;
};

SPathParts SplitPath(const std::string &path)
{
    std::filesystem::path full = std::filesystem::absolute(path).lexically_normal();
    return { full.parent_path().string(), full.filename().string() };
}

// The lines of a file list as the helper library numbers them: empty lines
// skipped, a final "\r" dropped.
std::optional<std::vector<std::string>> ListedFiles(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty())
            lines.push_back(line);
    }
    if (in.bad())
        return std::nullopt;
    return lines;
}

std::string SelectAll(std::size_t count)
{
    std::string selection;
    for (std::size_t i = 0; i < count; ++i)
        selection += static_cast<char>('A' + i);
    return selection;
}

std::optional<std::string> HotSyncFromSettings()
{
    using namespace kx_gen;
    HKEY core = nullptr;
    if (RegOpenKey(HKEY_CURRENT_USER, kPalmCoreKey, KEY_READ, &core) != kRegSuccess)
        return std::nullopt;
    _String text;
    bool found = RegGetString(core, kHotSyncPathValue, &text) == kRegSuccess && !text.IsEmpty();
    RegCloseKey(core);
    return found ? std::optional<std::string>(text.str()) : std::nullopt;
}

std::string TavishFailure(int result)
{
    switch (result) {
    case kTavishNoInstallLibrary:
        return "Palm's install library cannot be loaded";
    case kTavishNoInstallFunction:
        return "Palm's install library has no PltInstallFile";
    case kTavishNoFileList:
        return "the list cannot be read";
    case kTavishBadArgument:
        return "a folder or name is unusable (missing, too long, or the target folder "
               "cannot be made)";
    default:
        return "an unexpected failure";
    }
}

std::string MirrickFailure(int result)
{
    switch (result) {
    case kMirrickShortcutFailed:
        return "the shortcut's file cannot be written or removed";
    case kMirrickNoNotifier:
        return "the notifier cannot be loaded";
    case kMirrickNoSettings:
        return "the settings store " + kx_gen::GetSettingsHivePath().str() + " cannot be changed";
    case kMirrickBadArgument:
        return "a name or folder is unusable";
    case kMirrickNoConduitManager:
        return "Palm's conduit manager cannot be loaded";
    case kMirrickNoEntryPoint:
        return "Palm's conduit manager lacks a notifier function";
    case kMirrickRegisterFailed:
        return "Palm's conduit manager refused the notifier";
    case kMirrickUnregisterFailed:
        return "Palm's conduit manager could not unregister the notifier";
    default:
        return "an unexpected failure (" + std::to_string(result) + ")";
    }
}

} // namespace

CInstallerCommand::CInstallerCommand(std::ostream &out, std::ostream &err, std::string selfFolder)
    : m_out(out)
    , m_err(err)
    , m_strSelfFolder(std::move(selfFolder))
{
}

bool CInstallerCommand::Fail(const std::string &message)
{
    m_err << "vellacor-setup: " << message << "\n";
    return false;
}

std::optional<SInstallerOptions> CInstallerCommand::Parse(const std::vector<std::string> &args)
{
    SInstallerOptions options;
    if (args.empty() || (args[0] != "install" && args[0] != "uninstall")) {
        m_err << kUsageText;
        return std::nullopt;
    }
    options.bInstall = args[0] == "install";
    const std::pair<const char *, std::string *> valued[] = {
        { "--hotsync", &options.strHotSync },
        { "--user", &options.strUser },
        { "--handheld-files", &options.strHandheldList },
        { "--files", &options.strFilesList },
        { "--to", &options.strFilesTarget },
        { "--notifier", &options.strNotifier },
        { "--shortcut", &options.strShortcutName },
        { "--target", &options.strShortcutTarget },
        { "--library-dir", &options.strLibraryFolder },
    };
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string &arg = args[i];
        if (arg == "--desktop") {
            options.bDesktop = true;
            continue;
        }
        if (arg == "--no-shortcut") {
            options.bShortcut = false;
            continue;
        }
        bool known = false;
        for (const auto &[name, value] : valued) {
            if (arg != name)
                continue;
            if (i + 1 >= args.size() || args[i + 1].empty()) {
                Fail(arg + " needs a value");
                return std::nullopt;
            }
            *value = args[++i];
            known = true;
        }
        if (!known) {
            Fail("unknown option " + arg);
            m_err << kUsageText;
            return std::nullopt;
        }
    }
    if (options.strFilesList.empty() != options.strFilesTarget.empty()) {
        Fail("--files and --to go together");
        return std::nullopt;
    }
    if (!options.strHandheldList.empty() && options.strUser.empty()) {
        Fail("--handheld-files needs --user, the handheld user who gets the outlines");
        return std::nullopt;
    }
    return options;
}

int CInstallerCommand::Run(const std::vector<std::string> &args)
{
    std::optional<SInstallerOptions> options = Parse(args);
    if (!options)
        return kUsage;

    std::vector<std::string> folders;
    if (!options->strLibraryFolder.empty())
        folders.push_back(options->strLibraryFolder);
    else
        folders = { m_strSelfFolder, m_strSelfFolder + "/../lib/vellacor",
            m_strSelfFolder + "/../lib" };
    std::string why;
    if (!m_libraries.Load(folders, why)) {
        Fail(why);
        return kStepFailed;
    }

    if (m_libraries.isRunning() != 0) {
        Fail("Vellacor is running. Close it, then run the installer again.");
        return kProgramRuns;
    }

    std::string hotSync = options->strHotSync;
    if (hotSync.empty())
        hotSync = HotSyncFromSettings().value_or(std::string());

    bool done = options->bInstall ? Install(*options, hotSync) : Uninstall(*options, hotSync);
    return done ? kDone : kStepFailed;
}

bool CInstallerCommand::Install(const SInstallerOptions &options, const std::string &hotSync)
{
    if (!options.strHandheldList.empty() && !QueueHandheldFiles(options, hotSync))
        return false;
    if (!options.strFilesList.empty() && !CopyFiles(options))
        return false;
    if (!options.strNotifier.empty() && !RegisterNotifier(options, hotSync))
        return false;
    if (options.bShortcut && !MakeShortcut(options))
        return false;
    return true;
}

bool CInstallerCommand::Uninstall(const SInstallerOptions &options, const std::string &hotSync)
{
    if (!options.strNotifier.empty()) {
        if (hotSync.empty()) {
            m_out << "Palm Desktop is not set up: there is no HotSync notifier to unregister.\n";
        } else {
            std::string file = SplitPath(options.strNotifier).strName;
            int result = m_libraries.unregisterNotifier(
                kApplicationValueName, hotSync.c_str(), file.c_str());
            if (result != kMirrickOk)
                return Fail("the HotSync notifier " + file
                    + " was not unregistered: " + MirrickFailure(result) + ".");
            m_out << "Vellacor no longer uses the HotSync notifier " << file << ".\n";
        }
    }
    if (options.bShortcut) {
        int result = m_libraries.unregisterShortCut(options.strShortcutName.c_str());
        if (result != kMirrickOk)
            return Fail("the shortcut \"" + options.strShortcutName
                + "\" was not removed: " + MirrickFailure(result) + ".");
        m_out << "Removed the shortcut \"" << options.strShortcutName << "\".\n";
    }
    return true;
}

bool CInstallerCommand::QueueHandheldFiles(
    const SInstallerOptions &options, const std::string &hotSync)
{
    if (hotSync.empty())
        return Fail("Palm Desktop is not set up (no HotSync folder), so no outlines can be "
                    "queued for the handheld; use --hotsync DIR.");
    std::optional<std::vector<std::string>> files = ListedFiles(options.strHandheldList);
    if (!files)
        return Fail("the list " + options.strHandheldList + " cannot be read.");
    if (files->size() > kMaxListedFiles)
        return Fail("the list " + options.strHandheldList + " names more than 26 files.");
    SPathParts list = SplitPath(options.strHandheldList);
    const std::string library = hotSync + "/" + kInstaideLibraryName;
    int result = m_libraries.instPdb(SelectAll(files->size()).c_str(), list.strName.c_str(),
        list.strFolder.c_str(), options.strUser.c_str(), library.c_str());
    if (result > 0)
        return Fail("\"" + (*files)[static_cast<std::size_t>(result - 1)]
            + "\" could not be queued for " + options.strUser
            + "'s handheld (missing, or refused by Palm's install library); "
            + (result > 1 ? "the files before it are queued." : "nothing was queued."));
    if (result != kTavishOk)
        return Fail("no outlines were queued: " + TavishFailure(result) + ".");
    m_out << "Queued " << files->size() << " file(s) for " << options.strUser
          << "'s handheld; they reach it with the next HotSync.\n";
    return true;
}

bool CInstallerCommand::CopyFiles(const SInstallerOptions &options)
{
    std::optional<std::vector<std::string>> files = ListedFiles(options.strFilesList);
    if (!files)
        return Fail("the list " + options.strFilesList + " cannot be read.");
    if (files->size() > kMaxListedFiles)
        return Fail("the list " + options.strFilesList + " names more than 26 files.");
    SPathParts list = SplitPath(options.strFilesList);
    int result = m_libraries.copyFiles(SelectAll(files->size()).c_str(), list.strName.c_str(),
        list.strFolder.c_str(), options.strFilesTarget.c_str());
    if (result > 0)
        return Fail("\"" + (*files)[static_cast<std::size_t>(result - 1)]
            + "\" is missing or could not be copied to " + options.strFilesTarget
            + "; no file was copied.");
    if (result != kTavishOk)
        return Fail("no files were copied: " + TavishFailure(result) + ".");
    m_out << "Copied " << files->size() << " file(s) to " << options.strFilesTarget << ".\n";
    return true;
}

bool CInstallerCommand::RegisterNotifier(
    const SInstallerOptions &options, const std::string &hotSync)
{
    if (hotSync.empty()) {
        m_out << "Palm Desktop is not set up: the HotSync notifier is not registered.\n";
        return true;
    }
    // The notifier goes into the HotSync folder first, copied by the helper
    // from a one-line list of its own.
    SPathParts notifier = SplitPath(options.strNotifier);
    std::error_code noTemp;
    std::string listPath
        = (std::filesystem::temp_directory_path(noTemp) / "vellacor-setup-XXXXXX").string();
    int fd = noTemp ? -1 : ::mkstemp(listPath.data());
    if (fd < 0)
        return Fail("a temporary file cannot be made.");
    std::string line = notifier.strName + "\n";
    bool written = ::write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size());
    ::close(fd);
    int copied = written
        ? m_libraries.copyFiles("A", listPath.c_str(), notifier.strFolder.c_str(), hotSync.c_str())
        : kTavishFailed;
    ::unlink(listPath.c_str());
    if (copied != kTavishOk)
        return Fail("the HotSync notifier " + options.strNotifier
            + " could not be copied into the HotSync folder " + hotSync + ".");

    int result = m_libraries.registerNotifier(
        kApplicationValueName, hotSync.c_str(), notifier.strName.c_str());
    if (result != kMirrickOk)
        return Fail("the HotSync notifier was not registered: " + MirrickFailure(result) + ".");
    m_out << "Registered the HotSync notifier " << notifier.strName << ".\n";
    return true;
}

bool CInstallerCommand::MakeShortcut(const SInstallerOptions &options)
{
    std::string target = options.strShortcutTarget;
    if (target.empty()) {
        std::string beside = m_strSelfFolder + "/vellacor";
        target = ::access(beside.c_str(), X_OK) == 0 ? beside : "vellacor";
    }
    int flags = kShortcutInMenu | (options.bDesktop ? kShortcutOnDesktop : 0);
    int result = m_libraries.registerShortCut(
        options.strShortcutName.c_str(), flags, target.c_str(), kShortcutArguments);
    if (result != kMirrickOk)
        return Fail("the shortcut \"" + options.strShortcutName
            + "\" was not made: " + MirrickFailure(result) + ".");
    m_out << "Made the shortcut \"" << options.strShortcutName << "\" in the applications menu"
          << (options.bDesktop ? " and on the desktop" : "") << ".\n";
    return true;
}

} // namespace vellacorinstaller
