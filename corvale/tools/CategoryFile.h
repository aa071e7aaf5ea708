#pragma once

// What the command knows about category tables, kept apart from the
// outline code.

#include "Json.h"
#include "OpenedFile.h"

#include "kx_gen/DBRecord.h"

#include <iosfwd>
#include <string>

namespace corvale_tool {

// info: the counter, the new flag and the categories slot by slot.
void PrintCategoryInfo(const OpenedFile &file, std::ostream &out);
// The extra rows as dump shows them.
void PrintCategoryExtraRows(const OpenedFile &file, std::ostream &out);
void WriteCategoryExtraRows(const OpenedFile &file, JsonWriter &json);
// Reads every field of one slot as the program does; throws what the
// library throws.
void CheckCategoryRecord(const kx_gen::CDBRecord &record);
// One line per category in use: its name.
void PrintCategoryList(const OpenedFile &file, std::ostream &out);

} // namespace corvale_tool
