#include "Text.h"

#include <cstring>

namespace mirrick {

namespace {

// The length of the UTF-8 sequence at `text` (which has `left` bytes), or 0
// when it is malformed, overlong, a surrogate or beyond U+10FFFF.
std::size_t Utf8SequenceLength(const unsigned char *text, std::size_t left)
{
    unsigned char lead = text[0];
    if (lead < 0x80)
        return 1;
    std::size_t length = 0;
    unsigned long codePoint = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        codePoint = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        codePoint = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        codePoint = lead & 0x07;
    } else {
        return 0;
    }
    if (length > left)
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((text[i] & 0xC0) != 0x80)
            return 0;
        codePoint = (codePoint << 6) | (text[i] & 0x3F);
    }
    static const unsigned long kSmallest[] = { 0, 0, 0x80, 0x800, 0x10000 };
    if (codePoint < kSmallest[length] || codePoint > 0x10FFFF
        || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
        return 0;
    // C1 control characters.
    if (codePoint >= 0x80 && codePoint < 0xA0)
        return 0;
    return length;
}

} // namespace

bool IsCleanText(const char *text, std::size_t maxBytes, bool allowEmpty)
{
    if (!text)
        return false;
    std::size_t length = ::strnlen(text, maxBytes + 1);
    if (length > maxBytes || (length == 0 && !allowEmpty))
        return false;
    const auto *bytes = reinterpret_cast<const unsigned char *>(text);
    for (std::size_t i = 0; i < length;) {
        if (bytes[i] < 0x20 || bytes[i] == 0x7F)
            return false;
        std::size_t step = Utf8SequenceLength(bytes + i, length - i);
        if (step == 0)
            return false;
        i += step;
    }
    return true;
}

std::string JoinFolder(const std::string &folder, const std::string &name)
{
    if (folder.empty() || folder.back() == '/')
        return folder + name;
    return folder + "/" + name;
}

bool IsPlainFileName(const std::string &name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

} // namespace mirrick
