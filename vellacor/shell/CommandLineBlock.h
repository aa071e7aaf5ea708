#pragma once

// The block in which a second instance hands its command line to the first:
// the text and its terminating zero, in the file "LW_GLOBAL_FILE" of the
// user's runtime folder; the message that announces it gives the block's
// size, terminator included. No Qt here, so that the fuzz target builds it.

#include <cstddef>
#include <cstdint>
#include <string>

namespace shell {

// The longest block taken: far beyond any path, small enough to read at once.
inline constexpr std::int64_t kMaxCommandLineBlock = 64 * 1024;

// Reads the text out of `data` (the `available` bytes that arrived) for an
// announced size of `declaredSize`. Refused (false, `text` untouched) when
// the size is below 1 or above kMaxCommandLineBlock, when fewer bytes arrived
// than announced, or when the announced block does not end in its
// terminator. A zero inside the block ends the text there. Nothing past
// min(declaredSize, available) is read.
bool ParseCommandLineBlock(
    const unsigned char *data, std::size_t available, std::int64_t declaredSize, std::string &text);

// The block file's path, or empty without a runtime folder.
std::string CommandLineBlockPath();
// The second instance's side: writes `text` and its terminator to the block
// file (mode 0600). Returns the block size, or 0 on failure.
std::int64_t WriteCommandLineBlock(const std::string &text);
// The first instance's side: reads at most `declaredSize` bytes (and never
// more than kMaxCommandLineBlock) of the block file and parses them.
bool ReadCommandLineBlock(std::int64_t declaredSize, std::string &text);

} // namespace shell
