#include "StreamIO.h"

#include "kx_gen/Exception.h"
#include "kx_gen/File.h"
#include "kx_gen/FileStream.h"

#include <algorithm>

namespace kx_gen {

namespace {

CFile &fileOf(CFileStream &stream)
{
    CFile *file = stream.GetFile();
    if (!file)
        throw new CFileException(CFileException::invalidFile, 0, "");
    return *file;
}

} // namespace

void StreamRead(CFileStream &stream, void *buffer, std::uint32_t count)
{
    if (count)
        stream.Read(buffer, count);
}

void StreamWrite(CFileStream &stream, const void *buffer, std::uint32_t count)
{
    if (count)
        stream.Write(buffer, count);
}

void StreamWriteZeros(CFileStream &stream, std::uint32_t count)
{
    static const unsigned char kZeros[1024] = {};
    while (count) {
        const std::uint32_t chunk = std::min<std::uint32_t>(count, sizeof kZeros);
        stream.Write(kZeros, chunk);
        count -= chunk;
    }
}

void StreamSeek(CFileStream &stream, std::uint64_t position)
{
    fileOf(stream).Seek(static_cast<std::int64_t>(position), CFile::begin);
}

std::uint64_t StreamTell(CFileStream &stream)
{
    return fileOf(stream).GetPosition();
}

std::uint64_t StreamLength(CFileStream &stream)
{
    return fileOf(stream).GetLength();
}

std::uint64_t StreamRemaining(CFileStream &stream)
{
    CFile &file = fileOf(stream);
    const std::uint64_t length = file.GetLength();
    const std::uint64_t position = file.GetPosition();
    return position < length ? length - position : 0;
}

void StreamTruncate(CFileStream &stream, std::uint64_t length)
{
    fileOf(stream).SetLength(length);
}

} // namespace kx_gen
