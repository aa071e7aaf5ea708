// Converts arbitrary bytes as a stored drawing; what converts must store
// and convert back to the same header, colours and rows.
#include "kx_gen/DibUtil.h"
#include "kx_gen/DrawingFormat.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

using namespace kx_gen;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    MemHolder dib(ConvertInternalFormatToDib(data, size));
    if (!dib)
        return 0;
    if (!IsValidDIB(dib.get()))
        std::abort();
    MemHolder stored(ConvertDibToInternalFormat(dib.get()));
    if (!stored)
        std::abort();
    MemHolder again(ConvertInternalFormatToDib(stored.get()));
    if (!again)
        std::abort();
    // A stored size larger than the rows need is accepted on reading and
    // written back as the rows' size, so only the meaningful part compares.
    const auto *a = static_cast<const uint8_t *>(MemGetPtr(dib.get()));
    const auto *b = static_cast<const uint8_t *>(MemGetPtr(again.get()));
    const std::size_t used = std::size_t(FindDIBBits(a) - a)
        + std::size_t(DIBWidthBytes(uint32_t(DIBWidth(a)), a[14])) * uint32_t(DIBHeight(a));
    if (MemGetSize(again.get()) != used || std::memcmp(a, b, used) != 0)
        std::abort();
    MemReleasePtr(dib.get());
    MemReleasePtr(again.get());
    return 0;
}
