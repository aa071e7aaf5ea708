#pragma once

#include "kx_gen/Memory.h"

#include <cstdint>
#include <string>

namespace formats {

// The device-independent bitmap as a PNG image (8-bit RGB) and its size.
// False when the DIB is not one the storage library can convert.
bool DibToPng(kx_gen::HMEM dib, std::string &png, std::uint32_t &width, std::uint32_t &height);

} // namespace formats
