#pragma once

// Plain text: one item per line, indented by one tab per level. It carries
// texts and levels only; notes and check marks have no place in it, and the
// paragraphs of a multi-paragraph item are written on one line, joined by a
// blank.

#include "FlatOutline.h"

#include <string>
#include <string_view>

namespace formats {

// The outline as tab-indented lines (UTF-8, LF line ends).
std::string WritePlainText(const SFlatOutline &outline);

// One item per non-empty line; the level is the number of leading tabs, or
// of leading blanks divided by two (a blank after the tabs counts as
// half a tab). A file that is not UTF-8 is read as Windows-1252 with a
// warning. Refused: NUL bytes, inputs above kMaxImportBytes.
bool ReadPlainText(std::string_view data, SFlatOutline &outline, CImportReport &report);

} // namespace formats
