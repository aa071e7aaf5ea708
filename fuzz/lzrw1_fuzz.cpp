// Decompresses arbitrary bytes, and checks that compressing the input and
// decompressing the result gives the input back.
#include "kx_gen/Compression.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static kx_gen::CCompression coder;
    const uint8_t *out = nullptr;
    size_t len = 0;
    coder.Decompress(data, size, &out, &len);
    // A limit close to the input exercises the output bound as well.
    coder.Decompress(data, size, &out, &len, size);

    if (!coder.Compress(data, size, &out, &len))
        std::abort();
    if (len > size + 4)
        std::abort();
    // The stream lives in the coder's buffer: decompressing with the same
    // object would overwrite it, so a second object decodes.
    static kx_gen::CCompression decoder;
    const uint8_t *back = nullptr;
    size_t backLen = 0;
    if (!decoder.Decompress(out, len, &back, &backLen) || backLen != size
        || (size && std::memcmp(back, data, size) != 0))
        std::abort();
    return 0;
}
