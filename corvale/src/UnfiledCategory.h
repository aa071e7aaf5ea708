#pragma once

#include "kx_gen/String.h"

namespace kx_gen {

// The name of the unfiled category as the program has set it: the default
// category of a new outline and of updateCategory.
_String CurrentUnfiledCategoryName();

} // namespace kx_gen
