#include "NoteText.h"

#include <cstring>
#include <stdexcept>
#include <utility>

CNoteText &CNoteText::operator=(const CNoteText &other)
{
    if (this != &other)
        Assign(other.view());
    return *this;
}

CNoteText &CNoteText::operator=(CNoteText &&other) noexcept
{
    if (this != &other) {
        Free();
        Take(other);
    }
    return *this;
}

void CNoteText::Assign(std::string_view text)
{
    if (text.size() > UINT32_MAX - 1)
        throw std::length_error("note longer than 4 GB");
    char *chars = nullptr;
    if (!text.empty()) {
        // Allocated before anything changes: `text` may be this note's own.
        chars = new char[text.size() + 1];
        std::memcpy(chars, text.data(), text.size());
        chars[text.size()] = 0;
    }
    Free();
    m_pChars = chars;
    m_nLength = static_cast<std::uint32_t>(text.size());
    m_bOwned = chars != nullptr;
}
