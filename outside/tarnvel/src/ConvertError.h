#pragma once

// The one error type inside the converter: a code of the C interface and the
// text that tells the user what went wrong.

#include <stdexcept>
#include <string>

namespace tarnvel {

class CConvertError : public std::runtime_error {
public:
    CConvertError(int code, const std::string &message)
        : std::runtime_error(message)
        , m_nCode(code)
    {
    }
    int Code() const { return m_nCode; }

private:
    int m_nCode;
};

} // namespace tarnvel
