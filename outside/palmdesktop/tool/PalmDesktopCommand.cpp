#include "PalmDesktopCommand.h"

#include "HotSyncSetting.h"
#include "StoreError.h"
#include "StoreFiles.h"
#include "TextConversion.h"
#include "UserStore.h"
#include "palmdesktop/PalmDesktop.h"

#include <climits>
#include <cstdlib>
#include <ostream>

#include <unistd.h>

namespace palmdesktop {

namespace {

constexpr char kUsage[]
    = "Usage: palm-desktop COMMAND [OPTIONS]\n"
      "\n"
      "  setup DIR [--user NAME]... [--profile-user NAME]... [--libraries LIBDIR]\n"
      "      Make DIR a HotSync folder: create it, copy the Palm desktop libraries\n"
      "      into it, add the users that it does not have yet, and name it in the\n"
      "      settings store so that Vellacor runs in Palm mode.\n"
      "  add NAME [--profile] [--dir DIRECTORY]\n"
      "      Add a HotSync user; DIRECTORY is the name of its folder in the\n"
      "      HotSync folder (made from the user name when not given).\n"
      "  rename OLD NEW\n"
      "      Give a user another name; its id and folder stay.\n"
      "  remove NAME\n"
      "      Remove a user; its folder and files stay on disk.\n"
      "  list\n"
      "      List the users with their ids, folders and queued install files.\n"
      "\n"
      "  --folder DIR   the HotSync folder to work on (default: the one that the\n"
      "                 settings store names)\n";

const char kTarnvelLibraryName[] = "libTarnvel.so";
const char *const kLibraryNames[]
    = { kInstaideLibraryName, kUserDataLibraryName, kCondMgrLibraryName };

// Creates `path` and every missing folder above it.
bool MakeDirectories(const std::string &path)
{
    if (IsDirectory(path))
        return true;
    std::string::size_type slash = path.rfind('/');
    if (slash != std::string::npos && slash > 0 && !MakeDirectories(path.substr(0, slash)))
        return false;
    return MakeDirectory(path);
}

std::string ProgramFolder()
{
    char path[PATH_MAX];
    ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0)
        return {};
    std::string program(path, static_cast<std::size_t>(length));
    std::string::size_type slash = program.rfind('/');
    return slash == std::string::npos ? std::string() : program.substr(0, slash);
}

bool SameFile(const std::string &a, const std::string &b)
{
    char realA[PATH_MAX];
    char realB[PATH_MAX];
    return ::realpath(a.c_str(), realA) && ::realpath(b.c_str(), realB)
        && std::string(realA) == realB;
}

} // namespace

CPalmDesktopCommand::CPalmDesktopCommand(std::ostream &out, std::ostream &err)
    : m_out(out)
    , m_err(err)
{
}

int CPalmDesktopCommand::Run(const std::vector<std::string> &args)
{
    if (args.empty())
        return Usage("no command given");
    const std::string &command = args[0];
    if (command == "help" || command == "--help" || command == "-h") {
        m_out << kUsage;
        return kExitOk;
    }
    SOptions options;
    if (!ParseOptions({ args.begin() + 1, args.end() }, options))
        return kExitUsage;

    struct SCommand {
        const char *name;
        std::size_t positionalCount;
        int (CPalmDesktopCommand::*run)(const SOptions &);
    };
    static const SCommand kCommands[] = {
        { "setup", 1, &CPalmDesktopCommand::Setup },
        { "add", 1, &CPalmDesktopCommand::Add },
        { "rename", 2, &CPalmDesktopCommand::Rename },
        { "remove", 1, &CPalmDesktopCommand::Remove },
        { "list", 0, &CPalmDesktopCommand::List },
    };
    for (const SCommand &entry : kCommands) {
        if (command != entry.name)
            continue;
        if (options.positional.size() != entry.positionalCount)
            return Usage(
                command + " takes " + std::to_string(entry.positionalCount) + " argument(s)");
        bool setup = command == "setup";
        if (!setup && (options.libraries || !options.users.empty()))
            return Usage("--user, --profile-user and --libraries belong to setup");
        if (command != "add" && (options.profile || options.directory))
            return Usage("--profile and --dir belong to add");
        if (setup && options.folder)
            return Usage("setup takes the HotSync folder as its argument");
        return (this->*entry.run)(options);
    }
    return Usage("unknown command \"" + command + "\"");
}

bool CPalmDesktopCommand::ParseOptions(const std::vector<std::string> &args, SOptions &options)
{
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
            options.positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        std::optional<std::string> inlineValue;
        std::string::size_type equals = arg.find('=');
        if (equals != std::string::npos) {
            inlineValue = arg.substr(equals + 1);
            arg.resize(equals);
        }
        if (arg == "--profile") {
            if (inlineValue) {
                Usage("--profile takes no value");
                return false;
            }
            options.profile = true;
            continue;
        }
        std::string value;
        if (inlineValue) {
            value = *inlineValue;
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            Usage(arg + " needs a value");
            return false;
        }
        if (arg == "--folder")
            options.folder = value;
        else if (arg == "--libraries")
            options.libraries = value;
        else if (arg == "--dir")
            options.directory = value;
        else if (arg == "--user")
            options.users.emplace_back(value, false);
        else if (arg == "--profile-user")
            options.users.emplace_back(value, true);
        else {
            Usage("unknown option " + arg);
            return false;
        }
    }
    return true;
}

int CPalmDesktopCommand::Usage(const std::string &problem)
{
    m_err << "palm-desktop: " << problem << "\n\n" << kUsage;
    return kExitUsage;
}

int CPalmDesktopCommand::Fail(const std::string &message)
{
    m_err << "palm-desktop: " << message << "\n";
    return kExitFailure;
}

bool CPalmDesktopCommand::ConvertName(const std::string &utf8, std::string &name)
{
    std::string why;
    if (!Utf8ToWindows1252(utf8, name, why) || !CUserStore::IsValidUserName(name, &why)) {
        Fail("the user name \"" + utf8 + "\" " + why);
        return false;
    }
    return true;
}

std::string CPalmDesktopCommand::FolderFor(const SOptions &options)
{
    if (options.folder)
        return AbsolutePath(*options.folder);
    if (std::optional<std::string> named = ReadHotSyncPath())
        return *named;
    Fail("the settings store names no HotSync folder: run palm-desktop setup DIR, or give "
         "--folder DIR");
    return {};
}

std::string CPalmDesktopCommand::LibrariesFolder(const SOptions &options)
{
    if (options.libraries)
        return AbsolutePath(*options.libraries);
    std::string programFolder = ProgramFolder();
    for (const std::string &candidate : { JoinPath(programFolder, "../lib"), programFolder })
        if (PathExists(JoinPath(candidate, kInstaideLibraryName)))
            return candidate;
    return JoinPath(programFolder, "../lib");
}

bool CPalmDesktopCommand::InstallLibraries(const std::string &from, const std::string &folder)
{
    for (const char *name : kLibraryNames) {
        std::string source = JoinPath(from, name);
        std::string target = JoinPath(folder, name);
        if (SameFile(source, target))
            continue;
        // A new file is renamed over the old one, so a program that has the
        // old library loaded keeps running on it.
        switch (CopyFileAtomically(source, target)) {
        case CopyResult::ok:
            break;
        case CopyResult::badSource:
            Fail("the library " + source + " is missing (give --libraries LIBDIR)");
            return false;
        case CopyResult::failed:
            Fail("the library cannot be copied to " + target);
            return false;
        }
    }
    // The .pdb converter is installed beside Palm's libraries when it was
    // built; the program only misses its import and export without it.
    std::string source = JoinPath(from, kTarnvelLibraryName);
    std::string target = JoinPath(folder, kTarnvelLibraryName);
    if (PathExists(source) && !SameFile(source, target)
        && CopyFileAtomically(source, target) != CopyResult::ok) {
        Fail("the library cannot be copied to " + target);
        return false;
    }
    return true;
}

int CPalmDesktopCommand::Setup(const SOptions &options)
{
    std::string folder = AbsolutePath(options.positional[0]);
    if (folder.empty())
        return Fail("the current directory cannot be told");
    if (folder.size() + 1 > kHotSyncPathBufferSize)
        return Fail("the HotSync folder's path is longer than "
            + std::to_string(kHotSyncPathBufferSize - 1) + " bytes, more than Vellacor reads");

    // Every name is checked before anything on disk changes.
    std::vector<std::pair<std::string, bool>> users;
    for (const auto &[utf8, profile] : options.users) {
        std::string name;
        if (!ConvertName(utf8, name))
            return kExitFailure;
        users.emplace_back(name, profile);
    }

    if (!MakeDirectories(folder))
        return Fail("the HotSync folder " + folder + " cannot be created");
    if (!InstallLibraries(LibrariesFolder(options), folder))
        return kExitFailure;
    try {
        CUserStore::Update(folder, true, [&](CUserStore &store) {
            for (const auto &[name, profile] : users) {
                if (store.FindByName(name))
                    continue;
                try {
                    store.AddUser(name, profile, {});
                } catch (const CStoreError &error) {
                    throw CStoreError(error.Code(),
                        "cannot add \"" + Windows1252ToUtf8(name) + "\": " + error.what());
                }
            }
            // Users of an earlier setup whose folder went missing get it back.
            for (const SPalmUser &user : store.Users())
                if (!MakeDirectory(store.UserDirectoryPath(user)))
                    throw CStoreError(kUmErrCreateFile,
                        "the folder " + store.UserDirectoryPath(user) + " cannot be created");
        });
    } catch (const CStoreError &error) {
        return Fail(error.what());
    }
    // Named last, so that the program never finds a half-made folder.
    std::string why;
    if (!WriteHotSyncPath(folder, why))
        return Fail("the HotSync folder " + folder + " is ready, but " + why);
    m_out << "HotSync folder " << folder << " is ready and named in the settings store.\n";
    PrintUsers(folder);
    return kExitOk;
}

int CPalmDesktopCommand::Add(const SOptions &options)
{
    std::string folder = FolderFor(options);
    std::string name;
    if (folder.empty() || !ConvertName(options.positional[0], name))
        return kExitFailure;
    SPalmUser added;
    std::string directoryPath;
    try {
        CUserStore::Update(folder, false, [&](CUserStore &store) {
            added = store.AddUser(name, options.profile, options.directory.value_or(""));
            directoryPath = store.UserDirectoryPath(added);
            if (!MakeDirectory(directoryPath))
                throw CStoreError(
                    kUmErrCreateFile, "the folder " + directoryPath + " cannot be created");
        });
    } catch (const CStoreError &error) {
        return Fail("cannot add \"" + options.positional[0] + "\": " + error.what());
    }
    m_out << "Added \"" << options.positional[0] << "\" (id " << added.nId << ") with the folder "
          << directoryPath << ".\n";
    return kExitOk;
}

int CPalmDesktopCommand::Rename(const SOptions &options)
{
    std::string folder = FolderFor(options);
    std::string oldName;
    std::string newName;
    if (folder.empty() || !ConvertName(options.positional[0], oldName)
        || !ConvertName(options.positional[1], newName))
        return kExitFailure;
    try {
        CUserStore::Update(
            folder, false, [&](CUserStore &store) { store.RenameUser(oldName, newName); });
    } catch (const CStoreError &error) {
        return Fail("cannot rename \"" + options.positional[0] + "\": " + error.what());
    }
    m_out << "Renamed \"" << options.positional[0] << "\" to \"" << options.positional[1]
          << "\".\n";
    return kExitOk;
}

int CPalmDesktopCommand::Remove(const SOptions &options)
{
    std::string folder = FolderFor(options);
    std::string name;
    if (folder.empty() || !ConvertName(options.positional[0], name))
        return kExitFailure;
    std::string directoryPath;
    try {
        CUserStore::Update(folder, false, [&](CUserStore &store) {
            if (const SPalmUser *user = store.FindByName(name))
                directoryPath = store.UserDirectoryPath(*user);
            store.RemoveUser(name);
        });
    } catch (const CStoreError &error) {
        return Fail("cannot remove \"" + options.positional[0] + "\": " + error.what());
    }
    m_out << "Removed \"" << options.positional[0] << "\"; the folder " << directoryPath
          << " stays.\n";
    return kExitOk;
}

int CPalmDesktopCommand::List(const SOptions &options)
{
    std::string folder = FolderFor(options);
    if (folder.empty())
        return kExitFailure;
    try {
        PrintUsers(folder);
    } catch (const CStoreError &error) {
        return Fail(error.what());
    }
    return kExitOk;
}

void CPalmDesktopCommand::PrintUsers(const std::string &folder)
{
    CUserStore store(folder);
    store.Load();
    if (store.Users().empty()) {
        m_out << "No users.\n";
        return;
    }
    m_out << "Name\tId\tProfile\tFolder\tQueued\n";
    for (const SPalmUser &user : store.Users())
        m_out << Windows1252ToUtf8(user.strName) << "\t" << user.nId << "\t"
              << (user.bProfile ? "yes" : "no") << "\t" << store.UserDirectoryPath(user) << "\t"
              << store.InstallQueue(user.nId).size() << "\n";
}

} // namespace palmdesktop
