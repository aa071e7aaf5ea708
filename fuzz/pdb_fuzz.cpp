// Arbitrary bytes as a Palm OS database: reading must never crash, every
// refusal must be one of the reader's own errors, and whatever reads as an
// outline must write out a database that reads back to the same bytes.
#include "OutlinePdb.h"
#include "PdbFile.h"

#include "tarnvel/Tarnvel.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace tarnvel;
    try {
        const SOutline outline = DecodeOutline(ReadPdb(data, size));
        const std::string written = WritePdb(EncodeOutline(outline, "Unfiled"));
        const SOutline again = DecodeOutline(
            ReadPdb(reinterpret_cast<const std::uint8_t *>(written.data()), written.size()));
        if (WritePdb(EncodeOutline(again, "Unfiled")) != written)
            std::abort();
    } catch (const CConvertError &error) {
        if (error.Code() != kTarnvelErrNotDatabase && error.Code() != kTarnvelErrNotOutline
            && error.Code() != kTarnvelErrDamaged && error.Code() != kTarnvelErrTooLarge)
            std::abort();
    }
    return 0;
}
