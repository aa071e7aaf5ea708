#include "UnfiledCategory.h"

namespace kx_gen {

_String CurrentUnfiledCategoryName()
{
    return _String("Unfiled");
}

} // namespace kx_gen
