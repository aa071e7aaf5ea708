#pragma once

#include "kx_gen/Export.h"
#include "kx_gen/String.h"

#include <memory>

namespace kx_gen {

// Every failure of the library is reported by throwing a heap-allocated
// exception object by pointer (`throw new CException(...)`). The catcher owns
// it: it reads GetDescription() and calls Delete(). ExceptionHolder does the
// latter on every path.
class KX_GEN_EXPORT CException
{
public:
    // A message given as text; the object keeps its own copy.
    CException(const char *message, int errorNumber = -1);
    // A message from the library's string table (ids 1 to 25).
    explicit CException(unsigned stringId, int errorNumber = -1);
    virtual ~CException();

    CException(const CException &) = default;
    CException &operator=(const CException &) = default;

    // The message, or "Unknown exception" when there is none.
    _String GetDescription() const;
    int GetErrorNumber() const { return m_nError; }
    // The string-table id the message came from, 0 when it was given as text.
    unsigned GetStringId() const { return m_nStringId; }

    // Destroys this exception; the catcher calls it once it has been shown.
    void Delete();

protected:
    _String m_strMessage;
    int m_nError = -1;
    unsigned m_nStringId = 0;
};

// Marks errors in the format of a database file.
class KX_GEN_EXPORT CDBException : public CException
{
public:
    using CException::CException;
};

// A file operation failed: the cause, the operating-system error and the
// file's name. The message is the system's text for the error when the cause
// is generic, else the cause's name.
class KX_GEN_EXPORT CFileException : public CException
{
public:
    enum Cause {
        none = 0,
        generic = 1,
        fileNotFound = 2,
        badPath = 3,
        tooManyOpenFiles = 4,
        accessDenied = 5,
        invalidFile = 6,
        removeCurrentDir = 7,
        directoryFull = 8,
        badSeek = 9,
        hardIO = 10,
        sharingViolation = 11,
        lockViolation = 12,
        diskFull = 13,
        endOfFile = 14,
    };

    CFileException(int cause, long osError, const char *fileName);

    int GetCause() const { return m_cause; }
    long GetOsError() const { return m_lOsError; }
    const _String &GetFileName() const { return m_strFileName; }

    // The name of a cause ("fileNotFound", ...; "unknown" for others).
    static const char *CauseName(int cause);
    // The cause for a Windows error number (ERROR_FILE_NOT_FOUND and so on).
    static int OsErrorToException(long windowsError);
    // The cause for a POSIX errno value.
    static int ErrnoToException(int errnoValue);
    // Builds the exception for the current errno (or the given one).
    static CFileException *FromErrno(int errnoValue, const char *fileName);

private:
    int m_cause = none;
    long m_lOsError = 0;
    _String m_strFileName;
};

// The library's message table: the text of id 1..25, or an empty string.
KX_GEN_EXPORT _String LoadLibraryString(unsigned stringId);
// The error number that the library stores with message `stringId` (-1 when
// the table gives none).
KX_GEN_EXPORT int LibraryErrorNumber(unsigned stringId);

// Throw `new CException(id, LibraryErrorNumber(id))` / the CDBException alike.
[[noreturn]] KX_GEN_EXPORT void ThrowException(unsigned stringId);
[[noreturn]] KX_GEN_EXPORT void ThrowDBException(unsigned stringId);

struct ExceptionDeleter
{
    void operator()(CException *e) const
    {
        if (e)
            e->Delete();
    }
};
// Owns a caught exception: `catch (CException *e) { ExceptionHolder h(e); ... }`.
using ExceptionHolder = std::unique_ptr<CException, ExceptionDeleter>;

// String-table ids used by the library itself.
enum LibraryMessage : unsigned {
    kMsgInitializing = 1,
    kMsgDbStructureUnknown = 2,
    kMsgDbStructureDifferent = 3,
    kMsgDbVersionNewer = 4,
    kMsgMissingNewRecord = 5,
    kMsgMissingEndRecord = 6,
    kMsgOpenOrCreate = 7,
    kMsgFileReadError = 8,
    kMsgFileWriteError = 9,
    kMsgFileIO = 10,
    kMsgOutOfMemory = 11,
    kMsgHeaderSizeLess = 12,
    kMsgCheckCodeDifferent = 13,
    kMsgRecordedHeaderBigger = 14,
    kMsgDataCorruption = 15,
    kMsgDataClassNotFound = 16,
    kMsgDataBufferOverflow = 17,
    kMsgUnknownData = 18,
    kMsgNoFreeCategoryId = 19,
    kMsgHeaderSizeChanged = 20,
    kMsgMaxCategories = 21,
    kMsgImageTooBig = 22,
    kMsgCannotLoadDib = 23,
    kMsgCannotSaveDib = 24,
    kMsgMemOutlineVersion = 25,
};

} // namespace kx_gen
