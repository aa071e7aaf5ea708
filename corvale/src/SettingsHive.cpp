#include "kx_gen/SettingsHive.h"

#include <cstdio>
#include <cstring>
#include <utility>

namespace kx_gen {

// The library's own types, so that the containers built on them stay
// inside the library rather than becoming exported symbols.
struct SettingsHiveValueSlot {
    CSettingsHive::Value value;
};

struct SettingsHiveNode {
    std::string name;
    // Both maps are keyed by the case-folded name.
    std::map<std::string, std::unique_ptr<SettingsHiveNode>> children;
    std::map<std::string, SettingsHiveValueSlot> values;

    std::unique_ptr<SettingsHiveNode> Clone() const
    {
        auto copy = std::make_unique<SettingsHiveNode>();
        copy->name = name;
        copy->values = values;
        for (const auto &[folded, child] : children)
            copy->children.emplace(folded, child->Clone());
        return copy;
    }
};

namespace {

using Node = SettingsHiveNode;

// Decimal text without std::to_string, whose inline tables would be
// exported from the library.
std::string Decimal(std::uint64_t n)
{
    char text[24];
    std::snprintf(text, sizeof text, "%llu", static_cast<unsigned long long>(n));
    return text;
}

constexpr char kHexDigits[] = "0123456789abcdef";

// Windows-1252 lower case: ASCII letters, the accented capitals and the
// four capitals outside the Latin-1 range.
unsigned char FoldByte(unsigned char c)
{
    if (c >= 'A' && c <= 'Z')
        return static_cast<unsigned char>(c + 0x20);
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7)
        return static_cast<unsigned char>(c + 0x20);
    switch (c) {
    case 0x8A:
        return 0x9A;
    case 0x8C:
        return 0x9C;
    case 0x8E:
        return 0x9E;
    case 0x9F:
        return 0xFF;
    default:
        return c;
    }
}

std::string Fold(std::string_view s)
{
    std::string out(s);
    for (char &c : out)
        c = static_cast<char>(FoldByte(static_cast<unsigned char>(c)));
    return out;
}

// Splits a key path into its segments, checking the limits.
long SplitPath(std::string_view path, std::vector<std::string_view> *segments)
{
    segments->clear();
    if (path.empty())
        return kRegSuccess;
    std::size_t start = 0;
    for (;;) {
        std::size_t end = path.find('\\', start);
        std::string_view segment
            = path.substr(start, end == std::string_view::npos ? path.npos : end - start);
        if (segment.empty() || segment.size() > kRegMaxKeyNameLength
            || segment.find('\0') != std::string_view::npos)
            return kRegInvalidParameter;
        if (segments->size() == kRegMaxKeyDepth)
            return kRegInvalidParameter;
        segments->push_back(segment);
        if (end == std::string_view::npos)
            return kRegSuccess;
        start = end + 1;
    }
}

bool ValidValueName(std::string_view name)
{
    return name.size() <= kRegMaxValueNameLength && name.find('\0') == std::string_view::npos;
}

const Node *FindNode(const Node *root, std::string_view path, long *result)
{
    std::vector<std::string_view> segments;
    *result = SplitPath(path, &segments);
    if (*result != kRegSuccess)
        return nullptr;
    const Node *node = root;
    for (std::string_view segment : segments) {
        auto it = node->children.find(Fold(segment));
        if (it == node->children.end()) {
            *result = kRegNotFound;
            return nullptr;
        }
        node = it->second.get();
    }
    return node;
}

Node *FindNode(Node *root, std::string_view path, long *result)
{
    return const_cast<Node *>(FindNode(static_cast<const Node *>(root), path, result));
}

Node *CreateNode(Node *root, const std::vector<std::string_view> &segments, bool *created)
{
    Node *node = root;
    for (std::string_view segment : segments) {
        std::string folded = Fold(segment);
        auto it = node->children.find(folded);
        if (it == node->children.end()) {
            auto child = std::make_unique<SettingsHiveNode>();
            child->name = std::string(segment);
            it = node->children.emplace(std::move(folded), std::move(child)).first;
            *created = true;
        }
        node = it->second.get();
    }
    return node;
}

// --- file form -------------------------------------------------------------

bool NeedsEscape(unsigned char c)
{
    return c < 0x20 || c > 0x7E || c == '%' || c == '"' || c == '[' || c == ']';
}

void AppendEscaped(std::string *out, std::string_view text)
{
    for (char ch : text) {
        auto c = static_cast<unsigned char>(ch);
        if (NeedsEscape(c)) {
            out->push_back('%');
            out->push_back("0123456789ABCDEF"[c >> 4]);
            out->push_back("0123456789ABCDEF"[c & 15]);
        } else {
            out->push_back(ch);
        }
    }
}

void AppendHex(std::string *out, const std::vector<unsigned char> &data)
{
    for (unsigned char c : data) {
        out->push_back(kHexDigits[c >> 4]);
        out->push_back(kHexDigits[c & 15]);
    }
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool Unescape(std::string_view text, std::string *out)
{
    out->clear();
    out->reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto c = static_cast<unsigned char>(text[i]);
        if (c == '%') {
            if (text.size() - i < 3)
                return false;
            int hi = HexValue(text[i + 1]);
            int lo = HexValue(text[i + 2]);
            if (hi < 0 || lo < 0)
                return false;
            out->push_back(static_cast<char>(hi * 16 + lo));
            i += 2;
        } else if (NeedsEscape(c)) {
            return false;
        } else {
            out->push_back(static_cast<char>(c));
        }
    }
    return true;
}

bool ParseHexBytes(std::string_view text, std::vector<unsigned char> *out)
{
    if (text.size() % 2 != 0 || text.size() / 2 > kRegMaxValueSize)
        return false;
    out->resize(text.size() / 2);
    for (std::size_t i = 0; i < out->size(); ++i) {
        int hi = HexValue(text[2 * i]);
        int lo = HexValue(text[2 * i + 1]);
        if (hi < 0 || lo < 0)
            return false;
        (*out)[i] = static_cast<unsigned char>(hi * 16 + lo);
    }
    return true;
}

// A decimal number of at most `maxDigits` digits, no sign, fitting `limit`.
bool ParseDecimal(
    std::string_view text, std::size_t maxDigits, std::uint64_t limit, std::uint64_t *value)
{
    if (text.empty() || text.size() > maxDigits)
        return false;
    std::uint64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + static_cast<unsigned>(c - '0');
    }
    if (v > limit)
        return false;
    *value = v;
    return true;
}

bool StartsWith(std::string_view s, std::string_view prefix)
{
    return s.substr(0, prefix.size()) == prefix;
}

// The data part of a value line, after "=".
bool ParseValueData(std::string_view text, CSettingsHive::Value *value)
{
    if (StartsWith(text, "sz:\"")) {
        if (text.size() < 5 || text.back() != '"')
            return false;
        std::string content;
        if (!Unescape(text.substr(4, text.size() - 5), &content)
            || content.size() + 1 > kRegMaxValueSize)
            return false;
        value->type = REG_SZ;
        value->data.assign(content.begin(), content.end());
        value->data.push_back(0);
        return true;
    }
    if (StartsWith(text, "dword:")) {
        std::string_view digits = text.substr(6);
        std::vector<unsigned char> bigEndian;
        if (digits.size() != 8 || !ParseHexBytes(digits, &bigEndian))
            return false;
        value->type = REG_DWORD;
        value->data.assign(bigEndian.rbegin(), bigEndian.rend());
        return true;
    }
    if (StartsWith(text, "binary:")) {
        value->type = REG_BINARY;
        return ParseHexBytes(text.substr(7), &value->data);
    }
    if (StartsWith(text, "hex(")) {
        std::size_t close = text.find("):", 4);
        std::uint64_t type = 0;
        if (close == std::string_view::npos
            || !ParseDecimal(text.substr(4, close - 4), 10, 0xFFFFFFFFu, &type))
            return false;
        value->type = static_cast<std::uint32_t>(type);
        return ParseHexBytes(text.substr(close + 2), &value->data);
    }
    return false;
}

void AppendValueLine(std::string *out, const CSettingsHive::Value &value)
{
    out->push_back('"');
    AppendEscaped(out, value.name);
    out->append("\"=");
    const std::vector<unsigned char> &d = value.data;
    if (value.type == REG_SZ && !d.empty() && d.back() == 0
        && std::memchr(d.data(), 0, d.size() - 1) == nullptr) {
        out->append("sz:\"");
        AppendEscaped(
            out, std::string_view(reinterpret_cast<const char *>(d.data()), d.size() - 1));
        out->push_back('"');
    } else if (value.type == REG_DWORD && d.size() == 4) {
        out->append("dword:");
        AppendHex(out, { d[3], d[2], d[1], d[0] });
    } else if (value.type == REG_BINARY) {
        out->append("binary:");
        AppendHex(out, d);
    } else {
        out->append("hex(");
        out->append(Decimal(value.type));
        out->append("):");
        AppendHex(out, d);
    }
    out->push_back('\n');
}

// Writes a key line for every key that has values or no sub-keys (keys with
// sub-keys exist implicitly), so that the text grows only with the content.
void SerializeNode(const Node &node, std::string *path, std::string *out, bool isRoot)
{
    if (!node.values.empty() || (node.children.empty() && !isRoot)) {
        out->push_back('[');
        out->append(*path);
        out->append("]\n");
        for (const auto &[folded, slot] : node.values)
            AppendValueLine(out, slot.value);
    }
    for (const auto &[folded, child] : node.children) {
        std::size_t length = path->size();
        if (!isRoot)
            path->push_back('\\');
        AppendEscaped(path, child->name);
        SerializeNode(*child, path, out, false);
        path->resize(length);
    }
}

bool Fail(std::string *error, std::size_t line, const char *what)
{
    if (error)
        *error = "line " + Decimal(line) + ": " + what;
    return false;
}

} // namespace

CSettingsHive::CSettingsHive()
    : m_root(std::make_unique<SettingsHiveNode>())
{
}
CSettingsHive::~CSettingsHive() = default;
CSettingsHive::CSettingsHive(const CSettingsHive &other)
    : m_root(other.m_root->Clone())
{
}
CSettingsHive &CSettingsHive::operator=(const CSettingsHive &other)
{
    if (this != &other)
        m_root = other.m_root->Clone();
    return *this;
}
CSettingsHive::CSettingsHive(CSettingsHive &&other) noexcept
    : m_root(std::exchange(other.m_root, std::make_unique<SettingsHiveNode>()))
{
}
CSettingsHive &CSettingsHive::operator=(CSettingsHive &&other) noexcept
{
    std::swap(m_root, other.m_root);
    return *this;
}

void CSettingsHive::Clear()
{
    m_root = std::make_unique<SettingsHiveNode>();
}

bool CSettingsHive::IsEmpty() const
{
    return m_root->children.empty() && m_root->values.empty();
}

CSettingsHive::ParseResult CSettingsHive::Parse(
    const char *text, std::size_t size, std::string *error)
{
    Clear();
    if (size == 0)
        return kParsed;
    if (size > kMaxFileSize) {
        Fail(error, 0, "the file is too large");
        return kMalformed;
    }

    std::string_view all(text, size);
    std::size_t pos = 0;
    std::size_t lineNumber = 0;
    auto nextLine = [&](std::string_view *line) {
        if (pos >= all.size())
            return false;
        std::size_t end = all.find('\n', pos);
        if (end == std::string_view::npos)
            end = all.size();
        *line = all.substr(pos, end - pos);
        if (!line->empty() && line->back() == '\r')
            line->remove_suffix(1);
        pos = end + 1;
        ++lineNumber;
        return true;
    };

    std::string_view line;
    nextLine(&line);
    std::uint64_t version = 0;
    if (!StartsWith(line, "KXHIVE ") || !ParseDecimal(line.substr(7), 9, 999999999, &version)
        || version == 0) {
        Fail(error, 1, "not a settings hive");
        return kMalformed;
    }
    if (version > static_cast<std::uint64_t>(kFormatVersion)) {
        Fail(error, 1, "the hive has a newer format");
        return kNewerVersion;
    }

    auto parseLines = [&]() {
        Node *current = nullptr;
        std::vector<std::string_view> rawSegments;
        std::vector<std::string> segments;
        std::vector<std::string_view> views;
        std::string name;
        while (nextLine(&line)) {
            if (line.empty() || line[0] == ';')
                continue;
            if (line[0] == '[') {
                if (line.size() < 2 || line.back() != ']')
                    return Fail(error, lineNumber, "unterminated key");
                // Segments are split before unescaping, so that an escaped
                // backslash stays inside its segment (and is refused below).
                std::string_view inner = line.substr(1, line.size() - 2);
                rawSegments.clear();
                for (std::size_t start = 0; !inner.empty();) {
                    std::size_t end = inner.find('\\', start);
                    if (rawSegments.size() == kRegMaxKeyDepth)
                        return Fail(error, lineNumber, "key path too deep");
                    rawSegments.push_back(
                        inner.substr(start, end == inner.npos ? inner.npos : end - start));
                    if (end == inner.npos)
                        break;
                    start = end + 1;
                }
                segments.resize(rawSegments.size());
                views.resize(rawSegments.size());
                for (std::size_t i = 0; i < rawSegments.size(); ++i) {
                    if (!Unescape(rawSegments[i], &segments[i]) || segments[i].empty()
                        || segments[i].size() > kRegMaxKeyNameLength
                        || segments[i].find('\\') != std::string::npos
                        || segments[i].find('\0') != std::string::npos)
                        return Fail(error, lineNumber, "bad key name");
                    views[i] = segments[i];
                }
                bool created = false;
                current = CreateNode(m_root.get(), views, &created);
                continue;
            }
            if (line[0] == '"') {
                if (!current)
                    return Fail(error, lineNumber, "value outside a key");
                std::size_t close = line.find('"', 1);
                if (close == std::string_view::npos || close + 1 >= line.size()
                    || line[close + 1] != '=')
                    return Fail(error, lineNumber, "bad value name");
                if (!Unescape(line.substr(1, close - 1), &name) || !ValidValueName(name))
                    return Fail(error, lineNumber, "bad value name");
                Value value;
                if (!ParseValueData(line.substr(close + 2), &value))
                    return Fail(error, lineNumber, "bad value data");
                value.name = name;
                current->values.insert_or_assign(
                    Fold(name), SettingsHiveValueSlot { std::move(value) });
                continue;
            }
            return Fail(error, lineNumber, "unknown line");
        }
        return true;
    };
    if (!parseLines()) {
        Clear();
        return kMalformed;
    }
    return kParsed;
}

std::string CSettingsHive::Serialize() const
{
    std::string out = "KXHIVE " + Decimal(kFormatVersion) + "\n";
    std::string path;
    SerializeNode(*m_root, &path, &out, true);
    return out;
}

long CSettingsHive::KeyExists(std::string_view path) const
{
    long result;
    FindNode(m_root.get(), path, &result);
    return result;
}

long CSettingsHive::CreateKey(std::string_view path, bool *created)
{
    std::vector<std::string_view> segments;
    long result = SplitPath(path, &segments);
    bool added = false;
    if (result == kRegSuccess)
        CreateNode(m_root.get(), segments, &added);
    if (created)
        *created = added;
    return result;
}

long CSettingsHive::DeleteKey(std::string_view path)
{
    std::vector<std::string_view> segments;
    long result = SplitPath(path, &segments);
    if (result != kRegSuccess)
        return result;
    if (segments.empty())
        return kRegAccessDenied;
    Node *parent = m_root.get();
    for (std::size_t i = 0; i + 1 < segments.size(); ++i) {
        auto it = parent->children.find(Fold(segments[i]));
        if (it == parent->children.end())
            return kRegNotFound;
        parent = it->second.get();
    }
    return parent->children.erase(Fold(segments.back())) ? kRegSuccess : kRegNotFound;
}

long CSettingsHive::GetKeyPath(std::string_view path, std::string *stored) const
{
    std::vector<std::string_view> segments;
    long result = SplitPath(path, &segments);
    if (result != kRegSuccess)
        return result;
    std::string out;
    const Node *node = m_root.get();
    for (std::string_view segment : segments) {
        auto it = node->children.find(Fold(segment));
        if (it == node->children.end())
            return kRegNotFound;
        node = it->second.get();
        if (!out.empty())
            out.push_back('\\');
        out += node->name;
    }
    *stored = std::move(out);
    return kRegSuccess;
}

long CSettingsHive::SetValue(std::string_view path, std::string_view name, std::uint32_t type,
    const void *data, std::size_t size, bool *changed)
{
    if (changed)
        *changed = false;
    if (!ValidValueName(name) || size > kRegMaxValueSize || (size && !data))
        return kRegInvalidParameter;
    long result;
    Node *node = FindNode(m_root.get(), path, &result);
    if (!node)
        return result;
    const auto *bytes = static_cast<const unsigned char *>(data);
    std::string folded = Fold(name);
    auto it = node->values.find(folded);
    if (it != node->values.end()) {
        Value &v = it->second.value;
        if (v.type == type && v.data.size() == size
            && (size == 0 || std::memcmp(v.data.data(), bytes, size) == 0))
            return kRegSuccess;
        v.type = type;
        v.data.assign(bytes, bytes + size);
    } else {
        Value v;
        v.name = std::string(name);
        v.type = type;
        v.data.assign(bytes, bytes + size);
        node->values.emplace(std::move(folded), SettingsHiveValueSlot { std::move(v) });
    }
    if (changed)
        *changed = true;
    return kRegSuccess;
}

const CSettingsHive::Value *CSettingsHive::FindValue(
    std::string_view path, std::string_view name) const
{
    long result;
    const Node *node = FindNode(m_root.get(), path, &result);
    if (!node)
        return nullptr;
    auto it = node->values.find(Fold(name));
    return it == node->values.end() ? nullptr : &it->second.value;
}

long CSettingsHive::DeleteValue(std::string_view path, std::string_view name)
{
    long result;
    Node *node = FindNode(m_root.get(), path, &result);
    if (!node)
        return result;
    return node->values.erase(Fold(name)) ? kRegSuccess : kRegNotFound;
}

long CSettingsHive::EnumKey(std::string_view path, std::size_t index, std::string *name) const
{
    long result;
    const Node *node = FindNode(m_root.get(), path, &result);
    if (!node)
        return result;
    if (index >= node->children.size())
        return kRegNoMoreItems;
    *name = std::next(node->children.begin(), static_cast<std::ptrdiff_t>(index))->second->name;
    return kRegSuccess;
}

long CSettingsHive::EnumValue(std::string_view path, std::size_t index, const Value **value) const
{
    long result;
    const Node *node = FindNode(m_root.get(), path, &result);
    if (!node)
        return result;
    if (index >= node->values.size())
        return kRegNoMoreItems;
    *value = &std::next(node->values.begin(), static_cast<std::ptrdiff_t>(index))->second.value;
    return kRegSuccess;
}

} // namespace kx_gen
