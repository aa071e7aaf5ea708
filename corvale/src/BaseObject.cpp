#include "kx_gen/BaseObject.h"

namespace kx_gen {

// Defined here so that the class's type information lives in the library
// alone and casts work across its boundary.
CBaseObject::~CBaseObject() = default;

} // namespace kx_gen
