#pragma once

// Drawings: device-independent bitmaps of the model as QImages, and back.

#include "kx_gen/Memory.h"

#include <QImage>

// A DIB (any depth the library reads) as an RGB32 image; a null image for a
// block that is not a valid DIB. The block stays the caller's.
QImage DibToQImage(kx_gen::HMEM dib);
// An image as a 24-bit DIB that the caller owns (MemFree); null for a null
// image or when memory runs out. Transparent pixels are laid on white.
kx_gen::HMEM QImageToDib(const QImage &image);
