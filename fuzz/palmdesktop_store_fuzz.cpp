// Arbitrary bytes as a HotSync folder's user file and notifier registry:
// parsing must never crash, refusals must carry the damage code, and whatever
// parses must write out a text that parses to the same contents.
#include "NotifierRegistry.h"
#include "StoreError.h"
#include "UserStore.h"
#include "palmdesktop/PalmDesktop.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    std::string_view text(reinterpret_cast<const char *>(data), size);

    palmdesktop::CUserStore users("/nowhere");
    try {
        users.Parse(text);
        std::string written = users.Serialize();
        palmdesktop::CUserStore again("/nowhere");
        again.Parse(written);
        if (again.Serialize() != written)
            std::abort();
    } catch (const palmdesktop::CStoreError &error) {
        if (error.Code() != kUmErrUserDatAccess)
            std::abort();
    }

    palmdesktop::CNotifierRegistry notifiers("/nowhere");
    try {
        notifiers.Parse(text);
        std::string written = notifiers.Serialize();
        palmdesktop::CNotifierRegistry again("/nowhere");
        again.Parse(written);
        if (again.Paths() != notifiers.Paths())
            std::abort();
    } catch (const palmdesktop::CStoreError &error) {
        if (error.Code() != kCmErrStoreAccess)
            std::abort();
    }
    return 0;
}
