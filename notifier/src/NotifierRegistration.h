#pragma once

#include <string>

namespace mirrick {

// The registration of the HotSync notifier with its count of applications.
// The arguments have been checked by the caller: `valueName` is clean text,
// `hotSyncFolder` a usable folder path and `notifierFile` a plain file name.
int RegisterNotifierFor(const std::string &valueName, const std::string &hotSyncFolder,
    const std::string &notifierFile);
int UnregisterNotifierFor(const std::string &valueName, const std::string &hotSyncFolder,
    const std::string &notifierFile);

} // namespace mirrick
