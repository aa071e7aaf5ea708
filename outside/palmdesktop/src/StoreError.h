#pragma once

#include <stdexcept>
#include <string>

namespace palmdesktop {

// A failure inside the Palm desktop component: the error code that the
// library call returns (see PalmDesktop.h) and a message for people, which the
// palm-desktop command prints.
class CStoreError : public std::runtime_error {
public:
    CStoreError(int code, const std::string &message)
        : std::runtime_error(message)
        , m_nCode(code)
    {
    }

    int Code() const { return m_nCode; }

private:
    int m_nCode;
};

} // namespace palmdesktop
