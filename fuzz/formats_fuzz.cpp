// The OPML, Markdown and plain text readers on arbitrary bytes: each must
// refuse or read, never crash, and whatever it reads must fit the model
// once folded.

#include "FlatOutline.h"
#include "Markdown.h"
#include "Opml.h"
#include "PlainText.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    // The first byte picks the reader, so one corpus covers all three.
    const std::string_view input(reinterpret_cast<const char *>(data) + 1, size - 1);
    formats::SFlatOutline outline;
    formats::CImportReport report;
    bool ok = false;
    switch (data[0] % 3) {
    case 0:
        ok = formats::ReadOpml(input, outline, report);
        break;
    case 1:
        ok = formats::ReadMarkdown(input, outline, report);
        break;
    default:
        ok = formats::ReadPlainText(input, outline, report);
        break;
    }
    if (ok) {
        formats::FoldLevels(outline, report);
        int previous = -1;
        for (const formats::SFlatItem &item : outline.m_Items) {
            if (item.m_nLevel < 0 || item.m_nLevel > 9 || item.m_nLevel > previous + 1)
                std::abort();
            previous = item.m_nLevel;
        }
        // The writers take whatever the readers made.
        (void)formats::WriteOpml(outline);
        (void)formats::WriteMarkdown(outline);
    } else if (report.Error().empty()) {
        std::abort();
    }
    return 0;
}
