#pragma once

// What the command knows about category tables, kept apart from the
// outline code.

#include "Json.h"
#include "OpenedFile.h"

#include <iosfwd>

namespace corvale_tool {

// info: the counter, the new flag and the categories slot by slot.
void PrintCategoryInfo(const OpenedFile &file, std::ostream &out);
// The extra rows as dump shows them.
void PrintCategoryExtraRows(const OpenedFile &file, std::ostream &out);
void WriteCategoryExtraRows(const OpenedFile &file, JsonWriter &json);
// Reads every field of every slot; throws what the library throws.
void CheckCategoryRecords(const OpenedFile &file);
// One line per category in use: slot, id and name.
void PrintCategoryList(const OpenedFile &file, std::ostream &out);

} // namespace corvale_tool
