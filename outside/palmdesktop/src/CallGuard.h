#pragma once

// Shared by the C entry points: no exception may cross into the caller, and
// text goes out by the size-word convention of PalmDesktop.h.

#include "StoreError.h"

#include <cstdint>
#include <cstring>
#include <new>
#include <string>

namespace palmdesktop {

// Runs `body` and turns every exception into an error code: a CStoreError into
// its own code, anything else into `otherFailure`.
template <typename Body> std::int32_t GuardCall(std::int32_t otherFailure, Body body) noexcept
{
    try {
        return body();
    } catch (const CStoreError &error) {
        return error.Code();
    } catch (...) {
        return otherFailure;
    }
}

// Copies `text` to `buffer` when `*size` bytes hold it with its terminator.
// Else copies nothing, sets `*size` to the bytes needed and returns
// kUmErrBufferTooSmall. The pointers must not be null.
std::int32_t CopyOut(const std::string &text, char *buffer, std::int16_t *size);

} // namespace palmdesktop
