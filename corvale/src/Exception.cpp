#include "kx_gen/Exception.h"

#include <cerrno>
#include <cstring>

namespace kx_gen {

namespace {

struct LibraryText
{
    unsigned id;
    int error;
    const char *text;
};

constexpr LibraryText kLibraryTexts[] = {
    {1, -1, "Corvale.DLL Initializing"},
    {2, -1, "The db structure is unknown"},
    {3, -1, "The db structure is different"},
    {4, 3, "The db version is newer than your application. Please update your application!"},
    {5, 4, "Missing new record identifier"},
    {6, 5, "Missing end record identifier"},
    {7, -1, "There was a problem opening or creating a file."},
    {8, 7, "File IO read error"},
    {9, 8, "File IO write error"},
    {10, 9, "File IO"},
    {11, 10, "Out of memory"},
    {12, 11, "The default header size is less than the Header object"},
    {13, 12,
     "The db check code is different. This is not a .kxo file. Perhaps you renamed it from a "
     ".kxo.pdb file? That won't work. "},
    {14, 13, "The recorded header size is bigger than the default header size"},
    {15, -1, "Data corruption error"},
    {16, -1, "Data class not found error"},
    {17, -1, "Data buffer overflow error"},
    {18, -1, "Unknown data error"},
    {19, 18, "The KX did not find any free category ID"},
    {20, 19, "The header size is changed, but the db version not"},
    {21, 20, "The max amount of categories is 16"},
    {22, -1, "The image is too big"},
    {23, -1, "Cannot load DIB"},
    {24, -1, "Can not save DIB"},
    {25, 21,
     "The memory outline database version is not correct. Please contact Larkwell technical "
     "support!"},
};

const LibraryText *findText(unsigned id)
{
    for (const LibraryText &t : kLibraryTexts)
        if (t.id == id)
            return &t;
    return nullptr;
}

} // namespace

_String LoadLibraryString(unsigned stringId)
{
    const LibraryText *t = findText(stringId);
    return t ? _String(t->text) : _String();
}

int LibraryErrorNumber(unsigned stringId)
{
    const LibraryText *t = findText(stringId);
    return t ? t->error : -1;
}

void ThrowException(unsigned stringId)
{
    throw new CException(stringId, LibraryErrorNumber(stringId));
}

void ThrowDBException(unsigned stringId)
{
    throw new CDBException(stringId, LibraryErrorNumber(stringId));
}

CException::CException(const char *message, int errorNumber)
    : m_strMessage(message)
    , m_nError(errorNumber)
{
}

CException::CException(unsigned stringId, int errorNumber)
    : m_strMessage(LoadLibraryString(stringId))
    , m_nError(errorNumber)
    , m_nStringId(stringId)
{
}

CException::~CException() = default;

_String CException::GetDescription() const
{
    return m_strMessage.IsEmpty() ? _String("Unknown exception") : m_strMessage;
}

void CException::Delete()
{
    delete this;
}

const char *CFileException::CauseName(int cause)
{
    static constexpr const char *kNames[] = {
        "none", "generic", "fileNotFound", "badPath", "tooManyOpenFiles",
        "accessDenied", "invalidFile", "removeCurrentDir", "directoryFull", "badSeek",
        "hardIO", "sharingViolation", "lockViolation", "diskFull", "endOfFile",
    };
    if (cause >= 0 && cause < static_cast<int>(std::size(kNames)))
        return kNames[cause];
    return "unknown";
}

CFileException::CFileException(int cause, long osError, const char *fileName)
    : CException(cause == generic ? std::strerror(static_cast<int>(osError)) : CauseName(cause),
                 -1)
    , m_cause(cause)
    , m_lOsError(osError)
    , m_strFileName(fileName)
{
}

int CFileException::OsErrorToException(long e)
{
    switch (e) {
    case 0:
        return none;
    case 2: case 6: case 18: case 107:
        return fileNotFound;
    case 3: case 15: case 17: case 34: case 52: case 53: case 55: case 67: case 85:
    case 111: case 123: case 124: case 125: case 144: case 154: case 161: case 206: case 267:
        return badPath;
    case 4: case 36: case 68: case 113:
        return tooManyOpenFiles;
    case 5: case 12: case 19: case 29: case 54: case 58: case 64: case 65: case 71: case 80:
    case 82: case 86: case 170: case 183: case 999:
        return accessDenied;
    case 11: case 26: case 60: case 66: case 114: case 182: case 191: case 193:
        return invalidFile;
    case 16: case 145:
        return removeCurrentDir;
    case 20: case 21: case 22: case 23: case 57: case 59: case 88: case 117: case 995:
    case 996: case 997:
        return hardIO;
    case 24: case 25: case 27: case 30: case 131: case 132:
        return badSeek;
    case 32:
        return sharingViolation;
    case 33: case 108: case 167:
        return lockViolation;
    case 39: case 112:
        return diskFull;
    case 38:
        return endOfFile;
    case 62:
        return directoryFull;
    default:
        return generic;
    }
}

int CFileException::ErrnoToException(int e)
{
    switch (e) {
    case 0:
        return none;
    case ENOENT:
        return fileNotFound;
    case ENOTDIR: case ENAMETOOLONG: case ELOOP: case EXDEV: case EINVAL:
        return badPath;
    case EMFILE: case ENFILE:
        return tooManyOpenFiles;
    case EACCES: case EPERM: case EROFS: case EEXIST: case EISDIR: case ETXTBSY:
        return accessDenied;
    case EBADF:
        return invalidFile;
    case EBUSY: case ENOTEMPTY:
        return removeCurrentDir;
    case EIO: case ENXIO: case ENODEV:
        return hardIO;
    case ESPIPE: case EOVERFLOW:
        return badSeek;
    case EAGAIN:
        return sharingViolation;
    case ENOLCK: case EDEADLK:
        return lockViolation;
    case ENOSPC: case EDQUOT: case EFBIG:
        return diskFull;
    default:
        return generic;
    }
}

CFileException *CFileException::FromErrno(int errnoValue, const char *fileName)
{
    return new CFileException(ErrnoToException(errnoValue), errnoValue, fileName);
}

} // namespace kx_gen
