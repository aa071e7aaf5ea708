#include "XmlReader.h"

#include "DocbridgeError.h"

#include <expat.h>

#include <exception>
#include <memory>

namespace docbridge {

namespace {

constexpr char kSeparator = '\x01';

std::pair<std::string_view, std::string_view> splitName(const char *name)
{
    std::string_view all(name);
    const std::size_t cut = all.rfind(kSeparator);
    if (cut == std::string_view::npos)
        return { {}, all };
    return { all.substr(0, cut), all.substr(cut + 1) };
}

struct TContext {
    XML_Parser m_parser = nullptr;
    CXmlHandler *m_pHandler = nullptr;
    std::exception_ptr m_error;
    bool m_bDoctype = false;
};

// Handlers must not let exceptions run through expat's C frames: they are
// kept and rethrown once the parser has stopped.
template <typename Fn> void guarded(void *data, Fn &&fn)
{
    auto *context = static_cast<TContext *>(data);
    if (context->m_error)
        return;
    try {
        fn(*context);
    } catch (...) {
        context->m_error = std::current_exception();
        XML_StopParser(context->m_parser, XML_FALSE);
    }
}

void XMLCALL onStart(void *data, const XML_Char *name, const XML_Char **attributes)
{
    guarded(data, [&](TContext &c) {
        auto [ns, local] = splitName(name);
        c.m_pHandler->StartElement(ns, local, attributes);
    });
}

void XMLCALL onEnd(void *data, const XML_Char *name)
{
    guarded(data, [&](TContext &c) {
        auto [ns, local] = splitName(name);
        c.m_pHandler->EndElement(ns, local);
    });
}

void XMLCALL onText(void *data, const XML_Char *text, int length)
{
    guarded(data, [&](TContext &c) {
        c.m_pHandler->Text(std::string_view(text, static_cast<std::size_t>(length)));
    });
}

void XMLCALL onDoctype(void *data, const XML_Char *, const XML_Char *, const XML_Char *, int)
{
    auto *context = static_cast<TContext *>(data);
    context->m_bDoctype = true;
    XML_StopParser(context->m_parser, XML_FALSE);
}

struct TParserDeleter {
    void operator()(XML_ParserStruct *parser) const { XML_ParserFree(parser); }
};

} // namespace

const char *Attribute(const char **attributes, std::string_view local)
{
    for (const char **a = attributes; a && a[0] && a[1]; a += 2)
        if (splitName(a[0]).second == local)
            return a[1];
    return nullptr;
}

void ParseXml(std::string_view xml, const std::string &partName, CXmlHandler &handler,
    const std::function<void()> &poll)
{
    std::unique_ptr<XML_ParserStruct, TParserDeleter> parser(
        XML_ParserCreateNS(nullptr, kSeparator));
    if (!parser)
        throw CDocbridgeError("The XML reader could not be started.");
    TContext context;
    context.m_parser = parser.get();
    context.m_pHandler = &handler;
    XML_SetUserData(parser.get(), &context);
    XML_SetElementHandler(parser.get(), onStart, onEnd);
    XML_SetCharacterDataHandler(parser.get(), onText);
    XML_SetStartDoctypeDeclHandler(parser.get(), onDoctype);
    XML_SetParamEntityParsing(parser.get(), XML_PARAM_ENTITY_PARSING_NEVER);

    constexpr std::size_t kSlice = 256 * 1024;
    std::size_t pos = 0;
    do {
        const std::size_t length = std::min(kSlice, xml.size() - pos);
        const bool last = pos + length == xml.size();
        const XML_Status status = XML_Parse(
            parser.get(), xml.data() + pos, static_cast<int>(length), last ? XML_TRUE : XML_FALSE);
        if (context.m_error)
            std::rethrow_exception(context.m_error);
        if (context.m_bDoctype)
            throw CDocbridgeError("The document is damaged: its part " + partName
                + " carries a document type declaration, which Word documents never do.");
        if (status != XML_STATUS_OK) {
            throw CDocbridgeError("The document is damaged: its part " + partName
                + " is not well-formed XML (line "
                + std::to_string(XML_GetCurrentLineNumber(parser.get())) + ": "
                + XML_ErrorString(XML_GetErrorCode(parser.get())) + ").");
        }
        pos += length;
        if (poll)
            poll();
    } while (pos < xml.size());
}

} // namespace docbridge
