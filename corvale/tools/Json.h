#pragma once

// Just enough JSON writing for the dump: objects, arrays, integers, booleans
// and strings, with strings escaped so that any byte sequence gives valid
// JSON.

#include <cstdint>
#include <string>
#include <string_view>

namespace corvale_tool {

// `text` as a JSON string literal (quotes included). Bytes that are not
// valid UTF-8 are written as \u00XX of the byte's value.
std::string JsonString(std::string_view text);

// Appends comma-separated members and elements. Usage:
//   JsonWriter w; w.beginObject(); w.key("a"); w.value(1); w.endObject();
class JsonWriter {
public:
    void beginObject() { open('{'); }
    void endObject() { close('}'); }
    void beginArray() { open('['); }
    void endArray() { close(']'); }
    void key(std::string_view name);
    void value(std::int64_t number);
    void value(std::uint32_t number) { value(std::int64_t(number)); }
    void value(int number) { value(std::int64_t(number)); }
    void value(bool flag);
    void value(std::string_view text);
    void value(const char *text) { value(std::string_view(text)); }

    const std::string &str() const { return m_out; }

private:
    void open(char bracket);
    void close(char bracket);
    void separate();

    std::string m_out;
    bool m_bFirst = true;
    bool m_bAfterKey = false;
};

} // namespace corvale_tool
