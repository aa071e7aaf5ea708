// Arbitrary bytes as a command-line block handed over by another process:
// the first eight bytes are the announced size, the rest what arrived. The
// parser must never read past what arrived, and what it accepts must be a
// prefix of the block without a zero in it.
#include "CommandLineBlock.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 8)
        return 0;
    std::int64_t declared = 0;
    std::memcpy(&declared, data, 8);
    // A copy of exactly the bytes that arrived, so that ASan sees any read
    // past them.
    std::vector<unsigned char> block(data + 8, data + size);
    std::string text;
    if (!shell::ParseCommandLineBlock(block.data(), block.size(), declared, text))
        return 0;
    if (declared < 1 || std::size_t(declared) > block.size() || text.size() >= std::size_t(declared)
        || std::memcmp(text.data(), block.data(), text.size()) != 0
        || std::memchr(text.data(), 0, text.size()))
        std::abort();
    return 0;
}
