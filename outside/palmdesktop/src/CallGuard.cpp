#include "CallGuard.h"

#include "palmdesktop/PalmDesktop.h"

#include <algorithm>
#include <limits>

namespace palmdesktop {

std::int32_t CopyOut(const std::string &text, char *buffer, std::int16_t *size)
{
    constexpr std::size_t kLargest = std::numeric_limits<std::int16_t>::max();
    std::size_t needed = text.size() + 1;
    if (*size <= 0 || static_cast<std::size_t>(*size) < needed) {
        // A size word cannot tell more than kLargest; such a text cannot be
        // fetched at all, and the caller sees a size that still fails.
        *size = static_cast<std::int16_t>(std::min(needed, kLargest));
        return kUmErrBufferTooSmall;
    }
    std::memcpy(buffer, text.c_str(), needed);
    *size = static_cast<std::int16_t>(text.size());
    return kUmOk;
}

} // namespace palmdesktop
