#pragma once

#include "kx_gen/Export.h"
#include "kx_gen/File.h"
#include "kx_gen/String.h"

#include <cstdint>

namespace kx_gen {

// A binary stream over a CFile. Values are written as their raw bytes in
// little-endian order: bool and char 1 byte, 16-bit integers 2, 32-bit
// integers 4, double 8 (IEEE 754). A _String is the u32 0xFFFF, the u32
// length and the bytes without terminator.
//
// Only fixed-width types have operators: `long` and pointers do not compile,
// so no value silently changes its width between platforms.
class KX_GEN_EXPORT CFileStream {
public:
    static constexpr std::uint32_t kStringMarker = 0xFFFF;

    CFileStream() = default;
    // Uses `file`; the stream deletes it when `ownsFile` is true.
    explicit CFileStream(CFile *file, bool ownsFile = false);
    // Closes and deletes an owned file (errors swallowed; call Close to
    // hear about them).
    virtual ~CFileStream();

    CFileStream(const CFileStream &) = delete;
    CFileStream &operator=(const CFileStream &) = delete;

    // Opens `path` with CFile open flags in a new CFile that the stream owns
    // (a file in use is let go first, as Close does). Throws CFileException.
    virtual void Open(const char *path, unsigned openFlags);
    // Closes and deletes an owned file; a caller's file is only let go.
    // Throws CFileException when pending data cannot be written.
    virtual void Close();

    // Uses a caller's file (a file in use is let go first, as Close does).
    void Attach(CFile *file, bool ownsFile = false);
    // Forgets the file without closing it and returns it; the caller owns
    // it from now on.
    CFile *Detach();
    CFile *GetFile() const { return m_pFile; }
    bool IsOpen() const { return m_pFile && m_pFile->IsOpen(); }

    // A number that no other Open or Attach of any stream in the process
    // gets, taken by the last of them (0 before the first): whatever was read
    // from or written to the file since then can be told apart from what
    // came from any other file, or from this one opened again. It stays
    // after Close.
    std::uint32_t GetOpenSerial() const { return m_nOpenSerial; }
    // The file the last Open opened, as it was then (unknown after Attach
    // of a file without a descriptor). It stays after Close.
    const TFileIdentity &GetOpenedIdentity() const { return m_OpenedIdentity; }

    // Raw bytes; errors as CFile::Read / CFile::Write. Without a file both
    // throw CFileException invalidFile.
    void Read(void *buffer, unsigned count);
    void Write(const void *buffer, unsigned count);

    CFileStream &operator<<(bool value);
    CFileStream &operator<<(char value);
    CFileStream &operator<<(std::uint8_t value);
    CFileStream &operator<<(std::uint16_t value);
    CFileStream &operator<<(std::int16_t value);
    CFileStream &operator<<(std::uint32_t value);
    CFileStream &operator<<(std::int32_t value);
    CFileStream &operator<<(double value);
    CFileStream &operator<<(const _String &value);
    CFileStream &operator<<(const char *value) { return *this << _String(value); }
    template <typename T> CFileStream &operator<<(const T *) = delete;

    // Reading: data that ends early throws CException message 8.
    CFileStream &operator>>(bool &value);
    CFileStream &operator>>(char &value);
    CFileStream &operator>>(std::uint8_t &value);
    CFileStream &operator>>(std::uint16_t &value);
    CFileStream &operator>>(std::int16_t &value);
    CFileStream &operator>>(std::uint32_t &value);
    CFileStream &operator>>(std::int32_t &value);
    CFileStream &operator>>(double &value);
    // A string whose marker is not 0xFFFF throws CException message 15; a
    // length beyond the bytes that remain throws message 8 before anything
    // is allocated.
    CFileStream &operator>>(_String &value);

private:
    CFile &file();

    void startUsing(const CFile *file);

    CFile *m_pFile = nullptr;
    bool m_bOwnsFile = false;
    std::uint32_t m_nOpenSerial = 0;
    TFileIdentity m_OpenedIdentity;
};

} // namespace kx_gen
