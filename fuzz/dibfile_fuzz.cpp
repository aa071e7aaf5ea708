// Reads arbitrary bytes as a bitmap file; a bitmap that reads must survive
// the conversions the program applies to it.
#include "kx_gen/DibUtil.h"
#include "kx_gen/DrawingFormat.h"
#include "kx_gen/MemFile.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::vector<unsigned char> copy(data, data + size);
    kx_gen::MemFile file(copy.data(), unsigned(copy.size()));
    kx_gen::MemHolder dib(kx_gen::ReadDIBFile(file));
    if (!dib)
        return 0;
    if (!kx_gen::IsValidDIB(dib.get()))
        std::abort();
    std::vector<uint8_t> saved;
    if (!kx_gen::SaveDIBMemory(dib.get(), saved))
        std::abort();
    // Run-length data lets a few bytes describe millions of pixels, which the
    // library accepts up to its pixel limit; decoding those only slows the
    // search, and the decoders do the same work for small images.
    const auto *header = static_cast<const uint8_t *>(kx_gen::MemGetPtr(dib.get()));
    const uint64_t pixels = uint64_t(kx_gen::DIBWidth(header))
        * uint64_t(std::abs(int64_t(kx_gen::DIBHeight(header))));
    kx_gen::MemReleasePtr(dib.get());
    if (pixels > 256 * 256)
        return 0;
    kx_gen::CDeviceBitmap bitmap = kx_gen::DIBToBitmap(dib.get(), nullptr);
    if (bitmap.IsNull())
        std::abort();
    kx_gen::MemHolder stored(kx_gen::ConvertDibToInternalFormat(dib.get()));
    kx_gen::MemHolder shrunk(kx_gen::ShrinkDIB(dib.get(), 16, 16));
    kx_gen::MemHolder clipped(kx_gen::ClipDIB(dib.get(), 8, 8));
    return 0;
}
