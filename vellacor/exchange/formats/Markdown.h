#pragma once

// Markdown as notes and task lists are kept in it: the outline as one
// nested bullet list with a check box on every item ("- [ ]", "- [x]"), the
// title as the one first-level heading, an item's note as indented
// paragraphs under it.

#include "FlatOutline.h"

#include <string>
#include <string_view>

namespace formats {

// The outline as Markdown (UTF-8). Paragraphs inside an item text or note
// end in a backslash (a hard line break); characters that Markdown would
// read as markup are escaped with a backslash.
std::string WriteMarkdown(const SFlatOutline &outline);

// Reads CommonMark-style Markdown into items:
// - a bullet or ordered list item ("-", "*", "+", "1." or "1)") is an item,
//   its nesting by indentation its level; "[ ]" / "[x]" after the marker is
//   its check box;
// - a heading is an item, deeper headings deeper items, and the lists under
//   a heading its children; a document whose first block is its only
//   first-level heading takes that heading as the title instead;
// - paragraphs after a blank line inside an item (or under a heading) are
//   the item's note; other paragraphs are items of their own;
// - fenced code goes verbatim into the note of the item before it;
// - backslash escapes and the character references &amp; &lt; &gt; &quot;
//   &#NN; &#xNN; are decoded, other markup is kept as written.
// Refused: inputs above kMaxImportBytes and text that is binary (NUL bytes).
bool ReadMarkdown(std::string_view data, SFlatOutline &outline, CImportReport &report);

} // namespace formats
