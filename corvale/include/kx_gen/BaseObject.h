#pragma once

#include "kx_gen/Export.h"
#include "kx_gen/FileStream.h"

namespace kx_gen {

// The root of the classes that read and write themselves on a CFileStream.
class KX_GEN_EXPORT CBaseObject {
public:
    virtual ~CBaseObject();
    // Reads the object's state from `stream`; errors as the stream's.
    virtual void Read(CFileStream &stream) = 0;
    // Writes the object's state to `stream`; errors as the stream's.
    virtual void Write(CFileStream &stream) const = 0;
};

inline CFileStream &operator>>(CFileStream &stream, CBaseObject &object)
{
    object.Read(stream);
    return stream;
}

inline CFileStream &operator<<(CFileStream &stream, const CBaseObject &object)
{
    object.Write(stream);
    return stream;
}

} // namespace kx_gen
