#pragma once

#include <ostream>
#include <string>

namespace tarnvel {

// Prints a database's header, its category table and one line per record,
// and, for an outline database, the outline's fields and each item. Throws
// CConvertError when the file is no database; an outline whose outline data
// is damaged is shown as a plain database followed by the reason.
void PrintPdbInfo(const std::string &path, std::ostream &out);

} // namespace tarnvel
