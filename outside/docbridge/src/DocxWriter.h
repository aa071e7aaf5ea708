#pragma once

#include "DocxModel.h"

#include <string>
#include <vector>

namespace docbridge {

// The complete .docx file for the items: headings (Heading 1 to Heading 9
// with their outline levels) or one multi-level bullet list, the notes as
// body paragraphs under their items when asked, drawings as pictures.
// `progress` is called after each item. Throws CDocbridgeError.
std::string BuildDocx(const std::vector<TDocItem> &items, const TDocxOptions &options,
    const ProgressFn &progress = {});

} // namespace docbridge
