// Reads arbitrary bytes as a stream of typed values: the first byte of each
// step chooses the type, the value comes from the rest. Every outcome must be
// a value or one of the library's exceptions.

#include "kx_gen/Exception.h"
#include "kx_gen/FileStream.h"
#include "kx_gen/MemFile.h"

#include <cstddef>
#include <cstdint>
#include <vector>

using namespace kx_gen;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    std::vector<unsigned char> copy(data, data + size);
    MemFile file(copy.data(), static_cast<unsigned>(copy.size()));
    CFileStream stream(&file);
    try {
        // Seeks may go back, so the number of steps is bounded.
        for (int step = 0; step < 4096 && !file.IsEOF(); ++step) {
            std::uint8_t kind = 0;
            stream >> kind;
            switch (kind % 6) {
            case 0: {
                std::uint16_t v;
                stream >> v;
                break;
            }
            case 1: {
                std::uint32_t v;
                stream >> v;
                break;
            }
            case 2: {
                double v;
                stream >> v;
                break;
            }
            case 3: {
                bool v;
                stream >> v;
                break;
            }
            case 4: {
                std::int32_t offset;
                stream >> offset;
                file.Seek(offset, CFile::current);
                break;
            }
            default: {
                _String v;
                stream >> v;
                break;
            }
            }
        }
    } catch (CException *e) {
        ExceptionHolder h(e);
    }
    return 0;
}
