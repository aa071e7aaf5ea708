#pragma once

#include "kx_gen/Export.h"

#include <cstddef>
#include <cstdint>

namespace kx_gen {

// The LZRW1 coder of drawing pixel data: a single pass with a 4096-entry hash
// table, copy items of 3 to 16 bytes from up to 4095 bytes back, and 16 items
// per control word. The stream starts with a 4-byte header whose first byte is
// 0 (items follow) or 1 (the input is stored unchanged: it did not shrink).
//
// The output of Compress and Decompress lives in the object's work buffer and
// stays valid until the next call on the same object. The buffer grows in
// steps of kGrowStep bytes and is kept between calls, so once it is large
// enough no call allocates. An object is not safe to share between threads.
class KX_GEN_EXPORT CCompression {
public:
    static constexpr std::size_t kGrowStep = 65536;
    static constexpr std::size_t kHeaderSize = 4;
    static constexpr uint8_t kFlagCompressed = 0;
    static constexpr uint8_t kFlagStored = 1;

    CCompression();
    ~CCompression();
    CCompression(const CCompression &) = delete;
    CCompression &operator=(const CCompression &) = delete;

    // Compresses `length` bytes of `input`; `*output` and `*outputLength`
    // receive the stream (at most length + 4 bytes). Returns false, with a
    // null output, only when the work buffer cannot grow.
    bool Compress(
        const void *input, std::size_t length, const uint8_t **output, std::size_t *outputLength);
    // Decompresses a stream of `length` bytes, producing at most `maxOutput`
    // bytes. Returns false, with a null output, when the stream is malformed
    // (a bad flag, a cut item, a copy reaching before the start of the output),
    // when it would produce more than `maxOutput` bytes, or when the work
    // buffer cannot grow. It never reads outside `input`.
    bool Decompress(const void *input, std::size_t length, const uint8_t **output,
        std::size_t *outputLength, std::size_t maxOutput = SIZE_MAX);

    // Releases the work buffer; the next call allocates it again.
    void freeMem();
    std::size_t GetBufferSize() const { return m_nBufferSize; }

private:
    // Makes the buffer at least `bytes` long (whole steps), keeping its contents.
    bool Reserve(std::size_t bytes);
    bool Store(const uint8_t *input, std::size_t length, const uint8_t **output,
        std::size_t *outputLength);

    uint8_t *m_pBuffer = nullptr;
    std::size_t m_nBufferSize = 0;
    // Source positions by hash, offset by m_nHashBase so that entries of
    // earlier calls read as empty without clearing the table each time.
    uint32_t m_hash[4096];
    uint32_t m_nHashBase = 1;
};

} // namespace kx_gen
