// Arbitrary bytes as a Word document: reading must never crash, refusals
// must come as the library's error with a text, and whatever reads must be
// an outline the storage library can hold (levels in range, no jumps).
#include "DocbridgeError.h"
#include "DocxReader.h"
#include "DocxWriter.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    try {
        const auto items = docbridge::ReadDocx(data, size);
        int previous = -1;
        for (const auto &item : items) {
            if (item.m_nLevel < 0 || item.m_nLevel > docbridge::kMaxOutlineLevel
                || item.m_nLevel > previous + 1)
                std::abort();
            previous = item.m_nLevel;
        }
        // What was read can be written again.
        docbridge::TDocxOptions options;
        options.m_bNotes = true;
        docbridge::BuildDocx(items, options);
    } catch (const docbridge::CDocbridgeError &error) {
        if (std::string(error.what()).empty())
            std::abort();
    }
    return 0;
}
