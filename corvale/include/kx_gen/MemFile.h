#pragma once

#include "kx_gen/Export.h"
#include "kx_gen/File.h"

#include <cstddef>
#include <cstdint>

namespace kx_gen {

// A file held in memory. Writing past the end grows the buffer in whole
// steps of the grow size; a memory file without a grow step cannot grow, and
// a write past its end, like a failed allocation, throws CException message
// 11. Reads past the end throw message 8 and seeks before the start message
// 10, as for a disk file. After Close every operation throws
// CFileException invalidFile until Attach gives it a buffer again.
class KX_GEN_EXPORT MemFile : public CFile {
public:
    // An empty file that grows in steps of `growBytes`.
    explicit MemFile(unsigned growBytes = 1024);
    // A file over the caller's `size` bytes at `buffer` (see Attach).
    MemFile(unsigned char *buffer, unsigned size, unsigned growBytes = 0);
    // Frees the buffer unless it is the caller's.
    ~MemFile() override;

    // Uses the caller's buffer as the file's contents (length `size`). With
    // a grow step of 0 the file stays in that buffer; otherwise it moves to
    // a buffer of its own when it must grow, leaving the caller's untouched.
    // The caller's buffer is never freed by the file. The previous contents
    // are closed first.
    void Attach(unsigned char *buffer, unsigned size, unsigned growBytes = 0);
    // Forgets the buffer and returns it; the caller owns it from now on
    // (free it with std::free when the file allocated it). The file is then
    // empty and closed.
    unsigned char *Detach();

    // Memory files cannot open paths: throws CFileException invalidFile.
    void Open(const char *path, unsigned openFlags) override;
    // Frees an own buffer and empties the file.
    void Close() override;
    void Write(const void *buffer, unsigned count) override;
    unsigned Read(void *buffer, unsigned count) override;
    std::uint64_t Seek(std::int64_t offset, int origin) override;
    std::uint64_t GetPosition() const override;
    void Flush() override;
    bool IsOpen() const override;
    // Grows (with zeros) or shrinks the file; the position stays.
    void SetLength(std::uint64_t newLength) override;
    std::uint64_t GetLength() const override;

    // Like Close, for use on error paths; never throws.
    virtual void Abort();
    // The file's bytes (null while there is no buffer); valid until the next
    // write, SetLength or Close.
    virtual unsigned char *GetBufferPtr() const;

protected:
    // Memory management of the buffer; the SharedFile keeps it in a movable
    // memory block instead. Each returns null when the memory is not there.
    virtual unsigned char *Alloc(std::size_t bytes);
    virtual unsigned char *Realloc(unsigned char *block, std::size_t bytes);
    virtual void Free(unsigned char *block);
    // Makes the buffer at least `newLength` bytes, in whole grow steps.
    // Throws CException message 11 when it cannot.
    virtual void GrowFile(std::size_t newLength);

    void checkMemOpen() const;

    std::size_t m_nGrowBytes = 0;
    std::size_t m_nPosition = 0;
    std::size_t m_nBufferSize = 0;
    std::size_t m_nFileSize = 0;
    unsigned char *m_lpBuffer = nullptr;
    bool m_bAutoDelete = true; // the buffer is the file's own
    bool m_bOpen = true;
};

} // namespace kx_gen
