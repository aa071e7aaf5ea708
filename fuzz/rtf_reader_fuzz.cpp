// Rich text from the clipboard is outside data: the paragraph reader must
// take any bytes, and the levels it leads to must make a tree.

#include "RtfParagraphs.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const CRtfContent content = ReadRtfParagraphs(reinterpret_cast<const char *>(data), size);
    std::vector<int> indents;
    std::size_t text = 0;
    for (const CRtfParagraph &p : content.m_Paragraphs) {
        indents.push_back(p.m_nIndent);
        text += p.m_strText.size();
    }
    if (text > size)
        std::abort();
    const std::vector<int> levels = LevelsFromIndents(indents);
    int previous = -1;
    for (const int level : levels) {
        if (level < 0 || level > 9 || level > previous + 1)
            std::abort();
        previous = level;
    }
    return 0;
}
