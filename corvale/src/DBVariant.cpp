#include "kx_gen/DBVariant.h"

#include "kx_gen/Exception.h"

#include <cstdlib>
#include <cstring>

namespace kx_gen {

CDBVariant::CDBVariant(std::int16_t value)
    : m_nSize(2)
    , m_nType(typeShort)
{
    m_value.s = value;
}

CDBVariant::CDBVariant(std::uint16_t value)
    : m_nSize(2)
    , m_nType(typeUShort)
{
    m_value.us = value;
}

CDBVariant::CDBVariant(std::int32_t value)
    : m_nSize(4)
    , m_nType(typeLong)
{
    m_value.l = value;
}

CDBVariant::CDBVariant(std::uint32_t value)
    : m_nSize(4)
    , m_nType(typeULong)
{
    m_value.ul = value;
}

CDBVariant::CDBVariant(double value)
    : m_nSize(8)
    , m_nType(typeDouble)
{
    m_value.d = value;
}

CDBVariant::CDBVariant(bool value)
    : m_nSize(1)
    , m_nType(typeBool)
{
    m_value.b = value;
}

CDBVariant::CDBVariant(const _String &value)
{
    *this = value;
}

CDBVariant::CDBVariant(const char *value)
{
    *this = value;
}

CDBVariant::CDBVariant(const void *data, std::int32_t size)
    : m_nType(typeBinary)
{
    if (size > 0 && data) {
        m_value.pBinary = std::malloc(static_cast<std::size_t>(size));
        if (!m_value.pBinary) {
            m_nType = typeNone;
            ThrowException(kMsgOutOfMemory);
        }
        std::memcpy(m_value.pBinary, data, static_cast<std::size_t>(size));
        m_nSize = size;
    }
}

CDBVariant::CDBVariant(char value)
    : m_nSize(1)
    , m_nType(typeChar)
{
    m_value.c = value;
}

CDBVariant::CDBVariant(unsigned char value)
    : m_nSize(1)
    , m_nType(typeUChar)
{
    m_value.uc = value;
}

CDBVariant::CDBVariant(TTime value)
    : m_nSize(4)
    , m_nType(typeDateTime)
{
    m_value.time = value.time;
}

CDBVariant::CDBVariant(const CDBVariant &other)
{
    copyFrom(other);
}

CDBVariant::~CDBVariant()
{
    release();
}

void CDBVariant::release()
{
    if (m_nType == typeString)
        delete m_value.pString;
    else if (m_nType == typeBinary)
        std::free(m_value.pBinary);
    m_value = Value {};
    m_nSize = 0;
    m_nType = typeNone;
}

void CDBVariant::copyFrom(const CDBVariant &other)
{
    if (other.m_nType == typeString) {
        m_value.pString = new _String(*other.m_value.pString);
    } else if (other.m_nType == typeBinary) {
        m_value.pBinary = nullptr;
        if (other.m_value.pBinary && other.m_nSize > 0) {
            void *copy = std::malloc(static_cast<std::size_t>(other.m_nSize));
            if (!copy)
                ThrowException(kMsgOutOfMemory);
            std::memcpy(copy, other.m_value.pBinary, static_cast<std::size_t>(other.m_nSize));
            m_value.pBinary = copy;
        }
    } else {
        m_value = other.m_value;
    }
    m_nSize = other.m_nSize;
    m_nType = other.m_nType;
}

CDBVariant &CDBVariant::operator=(const CDBVariant &other)
{
    if (this != &other) {
        // Copy first so that a failed copy leaves this value intact.
        CDBVariant copy(other);
        release();
        m_value = copy.m_value;
        m_nSize = copy.m_nSize;
        m_nType = copy.m_nType;
        copy.m_nType = typeNone;
        copy.m_value = Value {};
    }
    return *this;
}

CDBVariant &CDBVariant::operator=(const char *text)
{
    return *this = _String(text);
}

CDBVariant &CDBVariant::operator=(const _String &text)
{
    auto *copy = new _String(text);
    release();
    m_value.pString = copy;
    m_nSize = copy->GetLength();
    m_nType = typeString;
    return *this;
}

CDBVariant &CDBVariant::operator=(TTime time)
{
    release();
    m_value.time = time.time;
    m_nSize = 4;
    m_nType = typeDateTime;
    return *this;
}

double CDBVariant::numeric() const
{
    switch (m_nType) {
    case typeShort:
        return m_value.s;
    case typeUShort:
        return m_value.us;
    case typeLong:
        return m_value.l;
    case typeULong:
        return m_value.ul;
    case typeDouble:
        return m_value.d;
    case typeBool:
        return m_value.b ? 1 : 0;
    case typeChar:
        return m_value.c;
    case typeUChar:
        return m_value.uc;
    case typeDateTime:
        return m_value.time;
    default:
        return 0;
    }
}

namespace {

// Doubles outside the integer range (or NaN) have no integer value; they
// convert to 0 instead of invoking undefined behaviour.
std::int64_t toInteger(double v)
{
    if (!(v > -9.2e18 && v < 9.2e18))
        return 0;
    return static_cast<std::int64_t>(v);
}

} // namespace

CDBVariant::operator std::uint16_t() const
{
    return static_cast<std::uint16_t>(toInteger(numeric()));
}

CDBVariant::operator double() const
{
    return numeric();
}

CDBVariant::operator bool() const
{
    return numeric() != 0;
}

CDBVariant::operator TTime() const
{
    if (m_nType == typeDateTime)
        return TTime { m_value.time };
    return TTime { static_cast<std::int32_t>(toInteger(numeric())) };
}

std::int32_t CDBVariant::GetSize() const
{
    if (m_nType == typeString)
        return m_value.pString->GetLength();
    return m_nSize;
}

void CDBVariant::SetEmpty()
{
    release();
    m_nType = typeBinary;
}

void CDBVariant::AttachBinaryObj(void *block, std::int32_t size)
{
    release();
    m_value.pBinary = block;
    m_nSize = block && size > 0 ? size : 0;
    m_nType = typeBinary;
}

_String CDBVariant::GetString() const
{
    return m_nType == typeString ? *m_value.pString : _String();
}

_String CDBVariant::ConvertToString() const
{
    _String text;
    switch (m_nType) {
    case typeShort:
        text.FormatString("short %d", m_value.s);
        break;
    case typeUShort:
        text.FormatString("unsigned short %d", m_value.us);
        break;
    case typeLong:
        text.FormatString("long %ld", static_cast<long>(m_value.l));
        break;
    case typeULong:
        text.FormatString("unsigned long %ld", static_cast<long>(m_value.ul));
        break;
    case typeDouble:
        text.FormatString("double %10.3f", m_value.d);
        break;
    case typeBool:
        text.FormatString("bool %s", m_value.b ? "true" : "false");
        break;
    case typeString:
        text.FormatString("String %s", m_value.pString->c_str());
        break;
    case typeBinary:
        text.FormatString("Binary size = %ld", static_cast<long>(m_nSize));
        break;
    case typeChar:
        text.FormatString("char %c", m_value.c);
        break;
    case typeUChar:
        text.FormatString("unsigned char %c", m_value.uc);
        break;
    case typeDateTime:
        text.FormatString("Date time = %ld", static_cast<long>(m_value.time));
        break;
    default:
        break;
    }
    return text;
}

} // namespace kx_gen
