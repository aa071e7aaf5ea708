#include "kx_gen/FileStream.h"

#include <atomic>
#include <cerrno>
#include <cstring>

namespace kx_gen {

namespace {

template <typename U> void storeLE(unsigned char *out, U value)
{
    for (std::size_t i = 0; i < sizeof(U); ++i)
        out[i] = static_cast<unsigned char>(value >> (8 * i));
}

template <typename U> U loadLE(const unsigned char *in)
{
    U value = 0;
    for (std::size_t i = 0; i < sizeof(U); ++i)
        value = static_cast<U>(value | static_cast<U>(static_cast<U>(in[i]) << (8 * i)));
    return value;
}

// Taken by every Open and Attach. Counting 2^32 of them takes longer than a
// process lives; 0 stays for "none".
std::atomic<std::uint32_t> g_nLastOpenSerial { 0 };

} // namespace

CFileStream::CFileStream(CFile *file, bool ownsFile)
    : m_pFile(file)
    , m_bOwnsFile(ownsFile)
{
    if (file)
        startUsing(file);
}

void CFileStream::startUsing(const CFile *file)
{
    std::uint32_t serial = g_nLastOpenSerial.fetch_add(1, std::memory_order_relaxed) + 1;
    if (serial == 0)
        serial = g_nLastOpenSerial.fetch_add(1, std::memory_order_relaxed) + 1;
    m_nOpenSerial = serial;
    m_OpenedIdentity = file ? TFileIdentity::OfHandle(file->GetHandle()) : TFileIdentity();
}

CFileStream::~CFileStream()
{
    if (m_bOwnsFile)
        delete m_pFile;
}

void CFileStream::Open(const char *path, unsigned openFlags)
{
    Close();
    auto file = std::make_unique<CFile>();
    file->Open(path, openFlags);
    startUsing(file.get());
    m_pFile = file.release();
    m_bOwnsFile = true;
}

void CFileStream::Close()
{
    CFile *file = m_pFile;
    const bool owned = m_bOwnsFile;
    m_pFile = nullptr;
    m_bOwnsFile = false;
    if (!owned)
        return;
    std::unique_ptr<CFile> holder(file);
    holder->Close();
}

void CFileStream::Attach(CFile *file, bool ownsFile)
{
    Close();
    startUsing(file);
    m_pFile = file;
    m_bOwnsFile = ownsFile;
}

CFile *CFileStream::Detach()
{
    CFile *file = m_pFile;
    m_pFile = nullptr;
    m_bOwnsFile = false;
    return file;
}

CFile &CFileStream::file()
{
    if (!m_pFile)
        throw new CFileException(CFileException::invalidFile, EBADF, "");
    return *m_pFile;
}

void CFileStream::Read(void *buffer, unsigned count)
{
    file().Read(buffer, count);
}

void CFileStream::Write(const void *buffer, unsigned count)
{
    file().Write(buffer, count);
}

CFileStream &CFileStream::operator<<(bool value)
{
    const unsigned char b = value ? 1 : 0;
    Write(&b, 1);
    return *this;
}

CFileStream &CFileStream::operator<<(char value)
{
    Write(&value, 1);
    return *this;
}

CFileStream &CFileStream::operator<<(std::uint8_t value)
{
    Write(&value, 1);
    return *this;
}

CFileStream &CFileStream::operator<<(std::uint16_t value)
{
    unsigned char b[2];
    storeLE(b, value);
    Write(b, sizeof b);
    return *this;
}

CFileStream &CFileStream::operator<<(std::int16_t value)
{
    return *this << static_cast<std::uint16_t>(value);
}

CFileStream &CFileStream::operator<<(std::uint32_t value)
{
    unsigned char b[4];
    storeLE(b, value);
    Write(b, sizeof b);
    return *this;
}

CFileStream &CFileStream::operator<<(std::int32_t value)
{
    return *this << static_cast<std::uint32_t>(value);
}

CFileStream &CFileStream::operator<<(double value)
{
    std::uint64_t bits = 0;
    static_assert(sizeof bits == sizeof value);
    std::memcpy(&bits, &value, sizeof bits);
    unsigned char b[8];
    storeLE(b, bits);
    Write(b, sizeof b);
    return *this;
}

CFileStream &CFileStream::operator<<(const _String &value)
{
    *this << kStringMarker << static_cast<std::uint32_t>(value.size());
    if (!value.IsEmpty())
        Write(value.c_str(), static_cast<unsigned>(value.size()));
    return *this;
}

CFileStream &CFileStream::operator>>(bool &value)
{
    unsigned char b = 0;
    Read(&b, 1);
    value = b != 0;
    return *this;
}

CFileStream &CFileStream::operator>>(char &value)
{
    Read(&value, 1);
    return *this;
}

CFileStream &CFileStream::operator>>(std::uint8_t &value)
{
    Read(&value, 1);
    return *this;
}

CFileStream &CFileStream::operator>>(std::uint16_t &value)
{
    unsigned char b[2];
    Read(b, sizeof b);
    value = loadLE<std::uint16_t>(b);
    return *this;
}

CFileStream &CFileStream::operator>>(std::int16_t &value)
{
    std::uint16_t u = 0;
    *this >> u;
    value = static_cast<std::int16_t>(u);
    return *this;
}

CFileStream &CFileStream::operator>>(std::uint32_t &value)
{
    unsigned char b[4];
    Read(b, sizeof b);
    value = loadLE<std::uint32_t>(b);
    return *this;
}

CFileStream &CFileStream::operator>>(std::int32_t &value)
{
    std::uint32_t u = 0;
    *this >> u;
    value = static_cast<std::int32_t>(u);
    return *this;
}

CFileStream &CFileStream::operator>>(double &value)
{
    unsigned char b[8];
    Read(b, sizeof b);
    const std::uint64_t bits = loadLE<std::uint64_t>(b);
    std::memcpy(&value, &bits, sizeof value);
    return *this;
}

CFileStream &CFileStream::operator>>(_String &value)
{
    std::uint32_t marker = 0;
    std::uint32_t length = 0;
    *this >> marker;
    if (marker != kStringMarker)
        ThrowException(kMsgDataCorruption);
    *this >> length;
    CFile &f = file();
    const std::uint64_t size = f.GetLength();
    const std::uint64_t pos = f.GetPosition();
    if (pos > size || length > size - pos)
        ThrowException(kMsgFileReadError);
    std::string text(length, '\0');
    if (length)
        Read(text.data(), length);
    value = _String(std::move(text));
    return *this;
}

} // namespace kx_gen
