#pragma once

// The few byte-level operations the container code needs from a stream,
// each throwing the library's exception on failure.

#include <cstdint>

namespace kx_gen {

class CFileStream;

// Reads exactly `count` bytes; a short read throws CException message 8.
void StreamRead(CFileStream &stream, void *buffer, std::uint32_t count);
// Writes `count` bytes; throws the file's exception on failure.
void StreamWrite(CFileStream &stream, const void *buffer, std::uint32_t count);
// Writes `count` zero bytes.
void StreamWriteZeros(CFileStream &stream, std::uint32_t count);
// Moves to an absolute offset; failure throws CException message 10.
void StreamSeek(CFileStream &stream, std::uint64_t position);
std::uint64_t StreamTell(CFileStream &stream);
std::uint64_t StreamLength(CFileStream &stream);
// Bytes between the position and the end of the file (0 when past it).
std::uint64_t StreamRemaining(CFileStream &stream);
// Cuts (or extends) the file to `length` bytes.
void StreamTruncate(CFileStream &stream, std::uint64_t length);

} // namespace kx_gen
