// Arbitrary bytes as a settings hive file: parsing must never crash, and
// whatever parses must write out a text that parses to the same hive.
#include "kx_gen/SettingsHive.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    kx_gen::CSettingsHive hive;
    if (hive.Parse(reinterpret_cast<const char *>(data), size) != kx_gen::CSettingsHive::kParsed)
        return 0;
    std::string text = hive.Serialize();
    kx_gen::CSettingsHive again;
    if (again.Parse(text.data(), text.size()) != kx_gen::CSettingsHive::kParsed)
        std::abort();
    if (again.Serialize() != text)
        std::abort();
    return 0;
}
