#pragma once

#include "kx_gen/Export.h"
#include "kx_gen/String.h"
#include "kx_gen/Time.h"

#include <cstdint>

namespace kx_gen {

// A typed value for table cells: a number, an owned string or an owned
// binary block, with its type and size in bytes.
class KX_GEN_EXPORT CDBVariant {
public:
    enum Type : std::uint16_t {
        typeNone = 0,
        typeShort = 1,
        typeUShort = 2,
        typeLong = 3,
        typeULong = 4,
        typeDouble = 5,
        typeBool = 6,
        typeString = 7,
        typeBinary = 8,
        typeChar = 9,
        typeUChar = 10,
        typeDateTime = 11,
    };

    CDBVariant() = default;
    CDBVariant(std::int16_t value);
    CDBVariant(std::uint16_t value);
    CDBVariant(std::int32_t value);
    CDBVariant(std::uint32_t value);
    CDBVariant(double value);
    CDBVariant(bool value);
    CDBVariant(const _String &value);
    CDBVariant(const char *value);
    // A copy of `size` bytes of `data`. Throws CException message 11 when
    // memory runs out.
    CDBVariant(const void *data, std::int32_t size);
    CDBVariant(char value);
    CDBVariant(unsigned char value);
    CDBVariant(TTime value);
    CDBVariant(const CDBVariant &other);
    ~CDBVariant();

    CDBVariant &operator=(const CDBVariant &other);
    CDBVariant &operator=(const char *text);
    CDBVariant &operator=(const _String &text);
    CDBVariant &operator=(TTime time);

    // Numeric values converted to the target type; 0 (false) for a string,
    // a binary block or no value.
    operator std::uint16_t() const;
    operator double() const;
    operator bool() const;
    operator TTime() const;

    std::uint16_t GetType() const { return m_nType; }
    // The string's length for a string, else the bytes of the value.
    std::int32_t GetSize() const;
    bool IsEmpty() const { return GetSize() == 0; }
    // Frees the value; the variant becomes an empty binary block.
    void SetEmpty();
    // Takes over `block` (allocated with std::malloc; the variant frees it)
    // as a binary value of `size` bytes, without copying.
    void AttachBinaryObj(void *block, std::int32_t size);

    // The string value (empty for other types).
    _String GetString() const;
    // The binary block (null for other types); owned by the variant.
    const void *GetBinary() const { return m_nType == typeBinary ? m_value.pBinary : nullptr; }

    // A text for diagnostics: "short 5", "String abc", "Binary size = 3"...
    _String ConvertToString() const;

private:
    void release();
    void copyFrom(const CDBVariant &other);
    double numeric() const;

    union Value {
        std::int16_t s;
        std::uint16_t us;
        std::int32_t l;
        std::uint32_t ul;
        double d;
        bool b;
        char c;
        unsigned char uc;
        std::int32_t time;
        _String *pString;
        void *pBinary;
    };

    Value m_value {};
    std::int32_t m_nSize = 0;
    std::uint16_t m_nType = typeNone;
};

} // namespace kx_gen
