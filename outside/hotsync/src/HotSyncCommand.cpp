#include "HotSyncCommand.h"

#include "HandheldExchange.h"
#include "HotSyncSetting.h"
#include "NotifierLink.h"
#include "RegisteredNotifiers.h"
#include "kxnotify/KXNotify.h"
#include "StoreError.h"
#include "TextConversion.h"
#include "UserStore.h"

#include "kx_gen/CategoryDB.h"
#include "kx_gen/Exception.h"

#include <chrono>
#include <climits>
#include <filesystem>
#include <ostream>
#include <stdexcept>
#include <thread>

#include <unistd.h>

namespace hotsync {

namespace {

constexpr char kUsage[]
    = "usage: hotsync --user NAME [options]\n"
      "Plays a HotSync of the user's handheld against the running Vellacor.\n"
      "  --user NAME              the HotSync user (may be left out when there is one)\n"
      "  --folder DIR             the HotSync folder (default: the one palm-desktop set up)\n"
      "  --notifier LIB           tell the program through this notifier library instead\n"
      "                           of the registered ones\n"
      "  --add-category NAME      a category made on the handheld\n"
      "  --add-outline TITLE      an outline made on the handheld\n"
      "  --category NAME          the category of the added outlines\n"
      "  --item TEXT              an item of the added outlines (repeatable)\n"
      "  --change-item OUTLINE N TEXT\n"
      "                           item N (from 1) of OUTLINE (file name or title) edited\n"
      "                           on the handheld\n"
      "  --mark-synchronized      every outline and category left synchronised\n"
      "  --timeout SECONDS        how long to wait for Vellacor at each step (default 30)\n"
      "  --hold SECONDS           how long the synchronisation lasts (default 1)\n";

bool ParseSeconds(const std::string &text, unsigned &milliseconds)
{
    try {
        std::size_t used = 0;
        const double seconds = std::stod(text, &used);
        if (used != text.size() || seconds < 0 || seconds > 3600)
            return false;
        milliseconds = static_cast<unsigned>(seconds * 1000);
        return true;
    } catch (const std::exception &) {
        return false;
    }
}

} // namespace

CHotSyncCommand::CHotSyncCommand(std::ostream &out, std::ostream &err)
    : m_out(out)
    , m_err(err)
{
}

int CHotSyncCommand::Usage(const std::string &why)
{
    if (!why.empty())
        m_err << "hotsync: " << why << "\n";
    m_err << kUsage;
    return 2;
}

bool CHotSyncCommand::Parse(const std::vector<std::string> &args, SHotSyncOptions &options)
{
    auto text = [this](const std::string &utf8, std::string &out) {
        std::string why;
        if (palmdesktop::Utf8ToWindows1252(utf8, out, why))
            return true;
        Usage("\"" + utf8 + "\": " + why);
        return false;
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string &arg = args[i];
        auto value = [&](std::size_t count) {
            if (i + count >= args.size()) {
                Usage(arg + " needs " + (count == 1 ? "a value" : std::to_string(count) + " values"));
                return false;
            }
            return true;
        };
        std::string converted;
        if (arg == "--help" || arg == "-h") {
            m_out << kUsage;
            options.strUser.clear();
            return false;
        } else if (arg == "--user" || arg == "--folder" || arg == "--notifier"
            || arg == "--add-category"
            || arg == "--add-outline" || arg == "--category" || arg == "--item") {
            if (!value(1))
                return false;
            const std::string &next = args[++i];
            if (arg == "--folder") {
                options.strFolder = next;
                continue;
            }
            if (arg == "--notifier") {
                options.strNotifier = next;
                continue;
            }
            if (!text(next, converted))
                return false;
            if (arg == "--user")
                options.strUser = converted;
            else if (arg == "--add-category")
                options.addCategories.push_back(converted);
            else if (arg == "--add-outline")
                options.addOutlines.push_back(converted);
            else if (arg == "--category")
                options.strCategory = converted;
            else
                options.items.push_back(converted);
        } else if (arg == "--change-item") {
            if (!value(3))
                return false;
            SHotSyncOptions::SChange change;
            if (!text(args[i + 1], change.strOutline) || !text(args[i + 3], change.strText))
                return false;
            try {
                std::size_t used = 0;
                change.nItem = std::stoi(args[i + 2], &used);
                if (used != args[i + 2].size() || change.nItem < 1)
                    throw std::invalid_argument("item");
            } catch (const std::exception &) {
                Usage("--change-item: \"" + args[i + 2] + "\" is no item number (1 or more)");
                return false;
            }
            options.changes.push_back(change);
            i += 3;
        } else if (arg == "--mark-synchronized" || arg == "--mark-synchronised") {
            options.bMarkSynchronized = true;
        } else if (arg == "--timeout" || arg == "--hold") {
            if (!value(1))
                return false;
            unsigned &target = arg == "--timeout" ? options.nTimeoutMs : options.nHoldMs;
            if (!ParseSeconds(args[++i], target)) {
                Usage(arg + ": \"" + args[i] + "\" is no number of seconds (0 to 3600)");
                return false;
            }
        } else {
            Usage("unknown argument \"" + arg + "\"");
            return false;
        }
    }
    return true;
}

std::string CHotSyncCommand::HandheldFolder(
    const SHotSyncOptions &options, std::string &hotSyncFolder)
{
    std::string folder = options.strFolder;
    if (folder.empty())
        folder = palmdesktop::ReadHotSyncPath().value_or(std::string());
    if (folder.empty()) {
        m_err << "hotsync: there is no HotSync folder; set one up with \"palm-desktop setup "
                 "FOLDER --user NAME\"\n";
        return {};
    }
    palmdesktop::CUserStore store(folder);
    try {
        store.Load();
    } catch (const palmdesktop::CStoreError &e) {
        m_err << "hotsync: the users of " << folder << " cannot be read: " << e.what() << "\n";
        return {};
    }
    const palmdesktop::SPalmUser *user = nullptr;
    if (!options.strUser.empty())
        user = store.FindByName(options.strUser);
    else if (store.Users().size() == 1)
        user = &store.Users().front();
    if (!user) {
        m_err << "hotsync: "
              << (options.strUser.empty()
                         ? std::string("name the user with --user")
                         : "there is no user \"" + palmdesktop::Windows1252ToUtf8(options.strUser)
                             + "\"")
              << "; the users of " << folder << " are:";
        for (const palmdesktop::SPalmUser &each : store.Users())
            m_err << " \"" << palmdesktop::Windows1252ToUtf8(each.strName) << "\"";
        m_err << "\n";
        return {};
    }
    hotSyncFolder = folder;
    // The program keeps a user's outlines in this folder of the user's
    // directory.
    const std::string handheld = store.UserDirectoryPath(*user) + "/Vellacor";
    std::error_code error;
    std::filesystem::create_directories(handheld, error);
    if (error) {
        m_err << "hotsync: " << handheld << " cannot be made: " << error.message() << "\n";
        return {};
    }
    return handheld;
}

bool CHotSyncCommand::Exchange(const SHotSyncOptions &options, const std::string &folder)
{
    auto utf8 = [](const std::string &text) { return palmdesktop::Windows1252ToUtf8(text); };
    try {
        for (const std::string &name : options.addCategories) {
            const bool added = AddCategory(folder, name);
            m_out << (added ? "Added the category \"" : "The category \"") << utf8(name)
                  << (added ? "\".\n" : "\" was there already.\n");
        }
        std::vector<std::string> items = options.items;
        if (items.empty())
            items.emplace_back("From the handheld");
        for (const std::string &title : options.addOutlines)
            m_out << "Added the outline \"" << utf8(title) << "\" as "
                  << AddOutline(folder, title, options.strCategory, items) << ".\n";
        for (const SHotSyncOptions::SChange &change : options.changes)
            m_out << "Changed item " << change.nItem << " of "
                  << ChangeItem(folder, change.strOutline, change.nItem, change.strText) << ".\n";
        if (options.bMarkSynchronized)
            m_out << "Marked " << MarkSynchronized(folder)
                  << " outlines and the categories synchronised.\n";
    } catch (kx_gen::CException *e) {
        kx_gen::ExceptionHolder owned(e);
        m_err << "hotsync: " << e->GetDescription().c_str() << "\n";
        return false;
    } catch (const std::exception &e) {
        m_err << "hotsync: " << e.what() << "\n";
        return false;
    }
    return true;
}

int CHotSyncCommand::Run(const std::vector<std::string> &args)
{
    SHotSyncOptions options;
    if (!Parse(args, options))
        return options.strUser.empty() && !args.empty()
                && (args.front() == "--help" || args.front() == "-h")
            ? 0
            : 2;
    // The name the program gives unfiled outlines.
    kx_gen::CCategoryDB::setUnfiledCategoryName("Unfiled");
    std::string hotSyncFolder;
    const std::string folder = HandheldFolder(options, hotSyncFolder);
    if (folder.empty())
        return 1;

    // HotSync tells the programs through the notifiers registered with the
    // conduit manager.
    CRegisteredNotifiers notifiers;
    std::string why;
    std::vector<std::string> notes;
    if (!options.strNotifier.empty()) {
        if (!notifiers.LoadFile(options.strNotifier, why)) {
            m_err << "hotsync: " << why << "\n";
            return 1;
        }
    } else if (!notifiers.LoadRegistered(hotSyncFolder, why, notes)) {
        m_err << "hotsync: " << why << "\n";
        return 1;
    }
    for (const std::string &note : notes)
        m_err << "hotsync: " << note << "\n";
    if (notifiers.IsEmpty()) {
        // Nobody would tell a running program, which would keep the
        // outlines open while their files change under it.
        if (!FindProgram().IsNull()) {
            m_err << "hotsync: Vellacor is running, but no HotSync notifier is registered in "
                  << hotSyncFolder << " to tell it about the HotSync; nothing was exchanged.\n"
                  << "Register Vellacor's notifier once with\n    vellacor-setup install "
                     "--notifier "
                  << OwnNotifier() << "\nor name one with --notifier LIB.\n";
            return 1;
        }
        m_out << "No HotSync notifier is registered and Vellacor is not running; synchronising "
              << folder << " alone.\n";
        std::this_thread::sleep_for(std::chrono::milliseconds(options.nHoldMs));
        return Exchange(options, folder) ? 0 : 1;
    }

    auto step = [&](int code, const char *what) {
        const int result = notifiers.Notify(code, options.nTimeoutMs);
        switch (result) {
        case kKXNotifyDone:
            m_out << "Vellacor: " << what << " done.\n";
            return true;
        case kKXNotifyNoProgram:
            if (code == kKXNotifyStart)
                m_out << "Vellacor is not running; synchronising " << folder << " alone.\n";
            return true;
        case kKXNotifyBusy:
            m_err << "hotsync: another HotSync is running\n";
            return false;
        case kKXNotifyTimeout:
            m_err << "hotsync: Vellacor did not finish \"" << what << "\" within "
                  << options.nTimeoutMs / 1000.0 << " seconds\n";
            return false;
        default:
            m_err << "hotsync: the notifier could not report \"" << what << "\"\n";
            return false;
        }
    };
    if (!step(kKXNotifyStart, "close the outlines")) {
        // The outlines may still be open: nothing is exchanged, and the
        // notifiers are told that the HotSync is over.
        notifiers.Notify(kKXNotifyEnd, options.nTimeoutMs);
        return 1;
    }
    if (!step(kKXNotifySyncing, "show the synchronisation")) {
        notifiers.Notify(kKXNotifyEnd, options.nTimeoutMs);
        return 1;
    }
    const bool exchanged = Exchange(options, folder);
    std::this_thread::sleep_for(std::chrono::milliseconds(options.nHoldMs));
    if (!step(kKXNotifyEnd, "read the lists again"))
        return 1;
    m_out << (exchanged ? "HotSync done.\n" : "HotSync ended with errors.\n");
    return exchanged ? 0 : 1;
}

std::string CHotSyncCommand::OwnNotifier()
{
    // Built and installed beside the command: <prefix>/lib or lib/vellacor.
    char self[PATH_MAX] = {};
    const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0)
        return "libKXNotify.so";
    const std::filesystem::path prefix = std::filesystem::path(std::string(self, length))
                                             .parent_path()
                                             .parent_path();
    for (const char *folder : { "lib", "lib/vellacor" }) {
        const std::filesystem::path candidate = prefix / folder / "libKXNotify.so";
        std::error_code error;
        if (std::filesystem::exists(candidate, error))
            return candidate.lexically_normal().string();
    }
    return "libKXNotify.so";
}

} // namespace hotsync
