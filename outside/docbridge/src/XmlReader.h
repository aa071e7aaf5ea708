#pragma once

// A thin layer over expat for the XML parts of a document: element names
// split into namespace and local name, attributes looked up by local name,
// and a refusal of document type declarations (no part of a Word document
// has one, and they are the door to entity expansion attacks).

#include <functional>
#include <string>
#include <string_view>

namespace docbridge {

class CXmlHandler {
public:
    virtual ~CXmlHandler() = default;
    // `attributes` is expat's null-terminated list of name/value pairs;
    // use Attribute() to read it.
    virtual void StartElement(std::string_view ns, std::string_view local, const char **attributes)
        = 0;
    virtual void EndElement(std::string_view ns, std::string_view local) = 0;
    virtual void Text(std::string_view utf8) = 0;
};

// The value of the attribute with that local name (any namespace), or null.
const char *Attribute(const char **attributes, std::string_view local);

// Parses `xml` in slices, calling `poll` between them (it may throw to
// abandon the work). Handlers may throw; the parser is freed either way.
// Malformed XML throws CDocbridgeError naming `partName`.
void ParseXml(std::string_view xml, const std::string &partName, CXmlHandler &handler,
    const std::function<void()> &poll = {});

} // namespace docbridge
