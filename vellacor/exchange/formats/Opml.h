#pragma once

// OPML 2.0, the outline exchange format of web and desktop outliners: one
// nested `outline` element per item with its text in `text`, its note in
// `_note` and a checked item marked `_status="checked"`; the title in
// `head/title`, and which items are expanded in `head/expansionState`
// (without it every item is read as expanded).

#include "FlatOutline.h"

#include <string>
#include <string_view>

namespace formats {

// The outline as an OPML 2.0 document in UTF-8. Line breaks inside an item
// text or note are written as character references, so they survive.
std::string WriteOpml(const SFlatOutline &outline);

// Reads an OPML document (any version, UTF-8, UTF-16, ISO-8859-1, US-ASCII
// or Windows-1252 as its declaration says). Unknown elements and attributes
// are ignored; `_complete="true"` also counts as checked. Refused with a
// reason in `report`: malformed XML, a document whose root is no `opml` or
// that has no `body`, any entity declaration (so entity expansion cannot
// blow up), elements nested deeper than kMaxOpmlDepth, inputs above
// kMaxImportBytes. False on refusal; `outline` then holds
// what was read before it and is not to be used.
bool ReadOpml(std::string_view data, SFlatOutline &outline, CImportReport &report);

inline constexpr int kMaxOpmlDepth = 1000;

} // namespace formats
