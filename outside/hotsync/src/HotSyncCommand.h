#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace hotsync {

// What one run of the command does (from the command line).
struct SHotSyncOptions {
    std::string strUser;
    std::string strFolder; // the HotSync folder; empty: the one the settings name
    std::string strNotifier; // a notifier library to use instead of the registered ones
    std::vector<std::string> addCategories;
    std::vector<std::string> addOutlines;
    std::string strCategory; // of the added outlines
    std::vector<std::string> items; // of the added outlines
    struct SChange {
        std::string strOutline;
        int nItem = 0;
        std::string strText;
    };
    std::vector<SChange> changes;
    bool bMarkSynchronized = false;
    unsigned nTimeoutMs = 30000; // per step, waiting for the program
    unsigned nHoldMs = 1000; // how long the exchange is shown
};

// `hotsync`: a HotSync of one user against the running program.
class CHotSyncCommand {
public:
    CHotSyncCommand(std::ostream &out, std::ostream &err);
    // The exit status: 0 done, 1 failed, 2 a wrong command line.
    int Run(const std::vector<std::string> &args);

private:
    bool Parse(const std::vector<std::string> &args, SHotSyncOptions &options);
    // The user's handheld folder (and in `hotSyncFolder` the HotSync
    // folder); empty after a message.
    std::string HandheldFolder(const SHotSyncOptions &options, std::string &hotSyncFolder);
    // The exchange itself; false after a message.
    bool Exchange(const SHotSyncOptions &options, const std::string &folder);
    int Usage(const std::string &why);
    // Vellacor's notifier library as built or installed with this command.
    static std::string OwnNotifier();

    std::ostream &m_out;
    std::ostream &m_err;
};

} // namespace hotsync
