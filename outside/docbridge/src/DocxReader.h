#pragma once

#include "DocxModel.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace docbridge {

// Reads a .docx file held in memory into items: headings (by outline level
// or heading style) and list paragraphs (by list level, below the heading
// before them) become items; other paragraphs become the note of the item
// before them, or items of their own where no item comes before them or
// the document has neither headings nor lists. The input is untrusted:
// every failure throws CDocbridgeError with a text for the user. `poll` is
// called during long work and may throw to abandon it.
std::vector<TDocItem> ReadDocx(const std::uint8_t *data, std::size_t size,
    const std::function<void()> &poll = {}, const ProgressFn &progress = {});

} // namespace docbridge
