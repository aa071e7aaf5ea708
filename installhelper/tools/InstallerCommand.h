#pragma once

#include "HelperLibraries.h"

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace vellacorinstaller {

// What one run of the installer was asked to do.
struct SInstallerOptions {
    bool bInstall = true; // false: uninstall
    std::string strHotSync; // empty: the folder that the settings store names
    std::string strUser;
    std::string strHandheldList;
    std::string strFilesList;
    std::string strFilesTarget;
    std::string strNotifier; // install: the library to copy; uninstall: its file name
    std::string strShortcutName = "Vellacor";
    std::string strShortcutTarget; // empty: the program beside the installer
    bool bShortcut = true;
    bool bDesktop = false;
    std::string strLibraryFolder; // empty: beside the installer
};

// The installer command: asks whether the program runs and refuses to go on
// while it does, then queues outlines for the handheld, copies files,
// registers the HotSync notifier and makes the shortcut (or, to uninstall,
// unregisters the notifier and removes the shortcut), all through the two
// helper libraries. Every step says what it did; the first failure ends the
// run.
class CInstallerCommand {
public:
    // Exit codes.
    static constexpr int kDone = 0;
    static constexpr int kUsage = 1;
    static constexpr int kProgramRuns = 2;
    static constexpr int kStepFailed = 3;

    CInstallerCommand(std::ostream &out, std::ostream &err, std::string selfFolder);
    int Run(const std::vector<std::string> &args);

    // The options of `args`; nothing (after a message) when they are wrong.
    std::optional<SInstallerOptions> Parse(const std::vector<std::string> &args);

private:
    bool Install(const SInstallerOptions &options, const std::string &hotSync);
    bool Uninstall(const SInstallerOptions &options, const std::string &hotSync);
    bool QueueHandheldFiles(const SInstallerOptions &options, const std::string &hotSync);
    bool CopyFiles(const SInstallerOptions &options);
    bool RegisterNotifier(const SInstallerOptions &options, const std::string &hotSync);
    bool MakeShortcut(const SInstallerOptions &options);
    bool Fail(const std::string &message);

    std::ostream &m_out;
    std::ostream &m_err;
    std::string m_strSelfFolder;
    CHelperLibraries m_libraries;
};

} // namespace vellacorinstaller
