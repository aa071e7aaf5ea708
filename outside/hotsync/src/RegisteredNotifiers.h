#pragma once

// The HotSync notifiers that HotSync calls: those registered with Palm's
// conduit manager (the file the conduit manager keeps in the HotSync
// folder), each loaded by path; a notifier without the KXNotify entry point
// is not one this HotSync can call and is passed over.

#include <string>
#include <vector>

namespace hotsync {

class CRegisteredNotifiers {
public:
    CRegisteredNotifiers() = default;
    ~CRegisteredNotifiers();
    CRegisteredNotifiers(const CRegisteredNotifiers &) = delete;
    CRegisteredNotifiers &operator=(const CRegisteredNotifiers &) = delete;

    // Loads the notifiers registered in `hotSyncFolder`. False with `why`
    // when the registrations cannot be read; `notes` receives a line for
    // each registered file that could not be used.
    bool LoadRegistered(
        const std::string &hotSyncFolder, std::string &why, std::vector<std::string> &notes);
    // Loads the one library `path` instead. False with `why`.
    bool LoadFile(const std::string &path, std::string &why);

    bool IsEmpty() const { return m_Notifiers.empty(); }
    std::vector<std::string> Paths() const;
    // Reports `code` to every notifier; the worst result of all (the
    // KXNotify results: 0 done ... 4 failed; "no program" counts below a
    // time-out).
    int Notify(int code, unsigned timeoutMs);

private:
    struct SNotifier {
        std::string strPath;
        void *pHandle = nullptr;
        int (*pNotify)(int, unsigned) = nullptr;
    };
    std::vector<SNotifier> m_Notifiers;
};

} // namespace hotsync
