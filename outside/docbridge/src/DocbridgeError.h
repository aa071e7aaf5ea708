#pragma once

#include <stdexcept>
#include <string>

namespace docbridge {

// A failed read or write. The text is for the user, in UTF-8; it names what
// was wrong without quoting raw bytes from the document.
class CDocbridgeError : public std::runtime_error {
public:
    explicit CDocbridgeError(const std::string &text)
        : std::runtime_error(text)
    {
    }
};

// Thrown when a task notices that it has been asked to stop.
class CTaskStopped { };

} // namespace docbridge
