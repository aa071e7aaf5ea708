#include "HotSyncCommand.h"

#include "HandheldExchange.h"
#include "HotSyncSetting.h"
#include "NotifierLink.h"
#include "StoreError.h"
#include "TextConversion.h"
#include "UserStore.h"

#include "kx_gen/CategoryDB.h"
#include "kx_gen/Exception.h"

#include <chrono>
#include <filesystem>
#include <ostream>
#include <stdexcept>
#include <thread>

namespace hotsync {

namespace {

constexpr char kUsage[]
    = "usage: hotsync --user NAME [options]\n"
      "Plays a HotSync of the user's handheld against the running Vellacor.\n"
      "  --user NAME              the HotSync user (may be left out when there is one)\n"
      "  --folder DIR             the HotSync folder (default: the one palm-desktop set up)\n"
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

// Code of each step, as the notifier sends them.
constexpr std::uint64_t kCodeStart = 0;
constexpr std::uint64_t kCodeRunning = 1;
constexpr std::uint64_t kCodeEnded = 2;

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
        } else if (arg == "--user" || arg == "--folder" || arg == "--add-category"
            || arg == "--add-outline" || arg == "--category" || arg == "--item") {
            if (!value(1))
                return false;
            const std::string &next = args[++i];
            if (arg == "--folder") {
                options.strFolder = next;
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

std::string CHotSyncCommand::HandheldFolder(const SHotSyncOptions &options)
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
    const std::string folder = HandheldFolder(options);
    if (folder.empty())
        return 1;

    std::string why;
    CNotifierLock lock;
    if (!lock.Take(1000, why)) {
        m_err << "hotsync: " << why << "\n";
        return 1;
    }
    CSyncEvent event;
    if (!event.Open(why)) {
        m_err << "hotsync: " << why << "\n";
        return 1;
    }
    const kx_gen::AppWindow program = FindProgram();
    auto step = [&](std::uint64_t code, const char *what) {
        event.Reset();
        if (!SendCode(program, code, options.nTimeoutMs)) {
            m_err << "hotsync: Vellacor did not take the notification " << code << " (" << what
                  << ")\n";
            return false;
        }
        if (!event.Wait(options.nTimeoutMs)) {
            m_err << "hotsync: Vellacor did not finish \"" << what << "\" within "
                  << options.nTimeoutMs / 1000.0 << " seconds\n";
            return false;
        }
        m_out << "Vellacor: " << what << " done.\n";
        return true;
    };
    if (program.IsNull()) {
        m_out << "Vellacor is not running; synchronising the folder " << folder << " alone.\n";
    } else {
        m_out << "Vellacor runs (process " << program.pid << ").\n";
        if (!step(kCodeStart, "close the outlines")) {
            // The outlines may still be open: nothing is exchanged, and the
            // program is told that the HotSync is over.
            SendCode(program, kCodeEnded, options.nTimeoutMs);
            return 1;
        }
        if (!step(kCodeRunning, "show the synchronisation")) {
            SendCode(program, kCodeEnded, options.nTimeoutMs);
            return 1;
        }
    }
    const bool exchanged = Exchange(options, folder);
    std::this_thread::sleep_for(std::chrono::milliseconds(options.nHoldMs));
    if (!program.IsNull() && !step(kCodeEnded, "read the lists again"))
        return 1;
    m_out << (exchanged ? "HotSync done.\n" : "HotSync ended with errors.\n");
    return exchanged ? 0 : 1;
}

} // namespace hotsync
