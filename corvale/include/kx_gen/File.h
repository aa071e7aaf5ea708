#pragma once

#include "kx_gen/Exception.h"
#include "kx_gen/Export.h"
#include "kx_gen/String.h"
#include "kx_gen/Time.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace kx_gen {

// What GetStatus reports about a file.
struct KX_GEN_EXPORT CFileStatus {
    CTime m_ctime; // creation (the birth time where the file system keeps one)
    CTime m_mtime; // last modification
    CTime m_atime; // last access
    std::uint64_t m_size = 0;
    std::uint8_t m_attribute = 0; // CFile::Attribute bits
    _String m_szFullName;
};

// Which file a path or descriptor names, and in what state: device, inode,
// size, and the times of the last modification and the last status change
// to the nanosecond. The status-change time moves with every write, rename
// and change of the other times, and nothing can set it back; so two equal
// identities taken at different moments mean one file that was not written
// in between, as far as the file system's clock can tell (a write within
// its tick of the last one may not move the times).
struct KX_GEN_EXPORT TFileIdentity {
    std::uint64_t m_nDevice = 0;
    std::uint64_t m_nInode = 0;
    std::uint64_t m_nSize = 0;
    std::int64_t m_nModifiedSec = 0;
    std::int64_t m_nModifiedNsec = 0;
    std::int64_t m_nChangedSec = 0;
    std::int64_t m_nChangedNsec = 0;
    // False when the file could not be asked; such an identity is the same
    // as none.
    bool m_bKnown = false;

    // The file `path` names (links followed), or `fd`.
    static TFileIdentity OfPath(const char *path);
    static TFileIdentity OfHandle(int fd);
    // Both known and equal in every field.
    bool SameAs(const TFileIdentity &other) const;
};

// A file on disk with Windows open modes and share modes.
//
// Share modes hold between all programs that open files through this class:
// each open marks its access and what it denies others with open-file-
// description locks, so a conflicting open, in another process or in this
// one, fails with CFileException::sharingViolation. Programs that do not use
// the library are not held back.
//
// Reading and writing are buffered: small reads and writes of neighbouring
// bytes cost no system call, and a Seek inside the buffered part of the file
// costs none. Written data reaches the file at the latest on Seek, Flush,
// SetLength, Close, Detach and destruction; a failure to write it out is
// reported there.
class KX_GEN_EXPORT CFile {
public:
    enum OpenFlags : unsigned {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        // No share bits: like the Windows compatibility mode, nobody else may
        // open the file while it is open.
        shareCompat = 0x0000,
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020, // others may read
        shareDenyRead = 0x0030, // others may write
        shareDenyNone = 0x0040,
        modeNoInherit = 0x0080, // the descriptor is closed in programs started by exec
        modeCreate = 0x1000, // create the file, or truncate it
        modeNoTruncate = 0x2000, // with modeCreate: keep an existing file as it is
    };
    enum Attribute : std::uint8_t {
        normal = 0x00,
        readOnly = 0x01, // nobody has write permission
        hidden = 0x02, // the name starts with a dot
        system = 0x04, // a device, socket or pipe
        volume = 0x08,
        directory = 0x10,
        archive = 0x20,
    };
    enum SeekPosition { begin = 0, current = 1, end = 2 };
    static constexpr int hFileNull = -1;

    CFile();
    // Uses an open descriptor without owning it (see Attach).
    explicit CFile(int fd);
    // Opens `path`; throws CFileException like Open.
    CFile(const char *path, unsigned openFlags);
    // Writes out pending data and closes an owned descriptor; errors are
    // swallowed here, so call Close to hear about them.
    virtual ~CFile();

    CFile(const CFile &) = delete;
    CFile &operator=(const CFile &) = delete;

    // Opens `path` with the OpenFlags bits (a file already open is closed
    // first). Without modeCreate the file must exist. Throws CFileException:
    // the cause mapped from the system's error, sharingViolation when the
    // share modes conflict with another open of the file, accessDenied for
    // a folder.
    virtual void Open(const char *path, unsigned openFlags);
    // Writes out pending data and closes the descriptor (also one that was
    // attached). Nothing happens when no file is open. A failed write-out
    // throws CFileException after the descriptor is closed.
    virtual void Close();
    // Sets the name reported by GetFilePath and friends without opening.
    virtual void SetFilePath(const char *path);
    // Writes `count` bytes at the position and moves past them. Throws
    // CFileException (accessDenied when the file was opened for reading only,
    // or the system's error when data cannot be written).
    virtual void Write(const void *buffer, unsigned count);
    // Reads exactly `count` bytes into `buffer` and returns `count`. When
    // fewer bytes are there, or reading fails or is not allowed, throws
    // CException message 8 and the position stays where it was.
    virtual unsigned Read(void *buffer, unsigned count);
    // Moves the position by `offset` from begin, current or end and returns
    // the new position. A position before the start or a bad origin throws
    // CException message 10; a failed write-out of pending data throws
    // CFileException.
    virtual std::uint64_t Seek(std::int64_t offset, int origin);
    virtual std::uint64_t GetPosition() const;
    // Hands pending data to the system; a failure throws CException message 9.
    virtual void Flush();
    virtual bool IsOpen() const;
    // Truncates or extends the file (with zeros); the position stays.
    // Throws CFileException.
    virtual void SetLength(std::uint64_t newLength);
    // The length including data not yet written out; 0 when no file is open.
    virtual std::uint64_t GetLength() const;

    void SeekToBegin() { Seek(0, begin); }
    std::uint64_t SeekToEnd() { return Seek(0, end); }
    bool IsEOF() const { return GetPosition() >= GetLength(); }

    // Uses `fd` from its current position on. The file does not own it: the
    // destructor leaves it open, Detach hands it back (Close does close it).
    void Attach(int fd);
    // Writes out pending data, leaves the descriptor's offset at the
    // position, forgets the descriptor and returns it (hFileNull when none).
    // A failed write-out throws CFileException; the file is detached anyway.
    int Detach();
    int GetHandle() const { return m_hFile; }

    // The full path given to Open (or SetFilePath), and its parts.
    _String GetFilePath() const { return m_strFileName; }
    _String GetFileName() const;
    _String GetFileTitle() const;
    _String GetFileExt() const;
    _String GetFileDir() const;
    _String GetFileDrive() const;
    _String GetFileRoot() const;

    // Times, size, attributes and full path of this open file / of `path`.
    // False when the file is not open / does not exist.
    bool GetStatus(CFileStatus &status) const;
    static bool GetStatus(const char *path, CFileStatus &status);

    // The name of a numbered file beside this one: this file's folder,
    // `newTitle` and this file's extension, numbered as the free function
    // GetNextValidNumberedName does; this file's own path counts as free.
    _String GetNextValidNumberedName(const char *newTitle) const;

    // Moves a file or folder; fails when the target exists. Files may move
    // between file systems. Refused with sharingViolation while the file is
    // open through this class anywhere. Throws CFileException.
    static void Rename(const char *oldName, const char *newName);
    static void Move(const char *oldName, const char *newName) { Rename(oldName, newName); }
    // Deletes a file; refused with sharingViolation while it is open through
    // this class anywhere. Throws CFileException.
    static void Remove(const char *fileName);
    // Copies a file with its permissions and modification time; fails when
    // the target exists or when the source is open with a mode that denies
    // reading. Throws CFileException.
    static void Copy(const char *from, const char *to);

    // drive + directory + title + extension; a separator is put after a
    // directory that lacks one, a dot before an extension that lacks one.
    static _String CreateFilePath(
        const char *drive, const char *dir, const char *title, const char *ext);
    static _String CreateFilePath(const char *dir, const char *title, const char *ext);
    static _String CreateFilePath(const char *dir, const char *fileName);

protected:
    _String m_strFileName;

private:
    void resetState();
    int writeOut();
    void flushOrThrow();
    bool fillBuffer(std::uint64_t position);
    void ensureBuffer();
    void checkOpen() const;

    int m_hFile = hFileNull;
    bool m_bCloseOnDelete = false;
    bool m_bCanRead = false;
    bool m_bCanWrite = false;
    // True when nobody else may change the file's length (it was opened with
    // a share mode that denies writing), so m_nLength needs no system call.
    bool m_bLengthKnown = false;
    std::uint64_t m_nLength = 0;
    std::uint64_t m_nPosition = 0;

    // The buffer holds the file's bytes [m_nBufferStart, m_nBufferStart +
    // m_nBufferUsed), of which [m_nDirtyBegin, m_nDirtyEnd) are written here
    // but not yet to the file.
    std::unique_ptr<unsigned char[]> m_pBuffer;
    std::uint64_t m_nBufferStart = 0;
    std::size_t m_nBufferUsed = 0;
    std::size_t m_nDirtyBegin = 0;
    std::size_t m_nDirtyEnd = 0;
};

} // namespace kx_gen
