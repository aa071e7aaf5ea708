#include "Opml.h"

#include "kx_gen/String.h"

#include <expat.h>

#include <cstring>
#include <strings.h>

namespace formats {

namespace {

void Indent(std::string &out, int depth)
{
    out.append(static_cast<std::size_t>(depth) * 2, ' ');
}

std::string AttributeText(std::string_view modelText)
{
    // Paragraphs as LF only: a CR would come back as a second break.
    std::string text;
    const std::vector<std::string> paras = SplitParagraphs(modelText);
    for (std::size_t i = 0; i < paras.size(); ++i) {
        if (i > 0)
            text += '\n';
        text += paras[i];
    }
    return XmlEscape(Utf8FromModel(text), true);
}

// The visible line numbers of the expanded items that have sub-items, as
// head/expansionState lists them: lines are counted over the items that
// the expansion shows, from 0.
std::string ExpansionState(const SFlatOutline &outline)
{
    std::string state;
    const std::size_t count = outline.m_Items.size();
    int line = 0;
    int collapsedLevel = -1; // items below a collapsed one are hidden
    for (std::size_t i = 0; i < count; ++i) {
        const SFlatItem &item = outline.m_Items[i];
        if (collapsedLevel >= 0 && item.m_nLevel > collapsedLevel)
            continue;
        collapsedLevel = -1;
        const bool branch = i + 1 < count && outline.m_Items[i + 1].m_nLevel > item.m_nLevel;
        if (branch && item.m_bExpanded) {
            if (!state.empty())
                state += ',';
            state += std::to_string(line);
        } else if (branch) {
            collapsedLevel = item.m_nLevel;
        }
        ++line;
    }
    return state;
}

// Expands the items that an expansionState names and collapses the others.
// The list is read in one pass, so it must be increasing, as writers make
// it; numbers out of order leave the rest collapsed.
void ApplyExpansionState(SFlatOutline &outline, std::string_view state)
{
    std::vector<long> lines;
    std::size_t pos = 0;
    while (pos < state.size()) {
        while (pos < state.size()
            && (state[pos] == ',' || state[pos] == ' ' || state[pos] == '\t' || state[pos] == '\n'
                || state[pos] == '\r'))
            ++pos;
        long value = 0;
        bool digits = false;
        while (pos < state.size() && state[pos] >= '0' && state[pos] <= '9') {
            if (value < 100000000)
                value = value * 10 + (state[pos] - '0');
            digits = true;
            ++pos;
        }
        if (!digits) {
            if (pos < state.size())
                ++pos;
            continue;
        }
        lines.push_back(value);
    }
    std::size_t next = 0;
    long line = 0;
    int collapsedLevel = -1;
    for (SFlatItem &item : outline.m_Items) {
        item.m_bExpanded = false;
        if (collapsedLevel >= 0 && item.m_nLevel > collapsedLevel)
            continue;
        collapsedLevel = -1;
        if (next < lines.size() && lines[next] == line) {
            item.m_bExpanded = true;
            ++next;
        } else {
            collapsedLevel = item.m_nLevel;
        }
        ++line;
    }
}

struct SReader {
    XML_Parser m_Parser = nullptr;
    SFlatOutline *m_pOutline = nullptr;
    CImportReport *m_pReport = nullptr;
    int m_nDepth = 0;
    bool m_bSawRoot = false;
    bool m_bSawBody = false;
    int m_nBodyDepth = -1; // element depth of <body>
    int m_nHeadDepth = -1;
    int m_nOutlineDepth = 0; // open <outline> elements inside the body
    bool m_bInTitle = false;
    bool m_bInExpansion = false;
    bool m_bSawExpansion = false;
    std::string m_strTitle; // UTF-8
    std::string m_strExpansion;

    int Line() const { return static_cast<int>(XML_GetCurrentLineNumber(m_Parser)); }

    void Refuse(const std::string &reason)
    {
        m_pReport->Fail(Line(), reason);
        XML_StopParser(m_Parser, XML_FALSE);
    }

    // Attribute text to the model's paragraphs (LF, or CR LF, to CR LF).
    std::string ModelText(const char *utf8)
    {
        const std::string text = ModelFromUtf8(utf8, Line(), *m_pReport);
        std::string out;
        const std::vector<std::string> paras = SplitParagraphs(text);
        for (std::size_t i = 0; i < paras.size(); ++i) {
            if (i > 0)
                out += "\r\n";
            out += paras[i];
        }
        return out;
    }

    void Start(const char *name, const char **attributes)
    {
        if (++m_nDepth > kMaxOpmlDepth) {
            Refuse("the outline is nested too deeply (more than " + std::to_string(kMaxOpmlDepth)
                + " levels)");
            return;
        }
        if (m_nDepth == 1) {
            if (std::strcmp(name, "opml") != 0) {
                Refuse("this is no OPML file (its root element is <" + std::string(name) + ">)");
                return;
            }
            m_bSawRoot = true;
            return;
        }
        if (m_nDepth == 2 && std::strcmp(name, "body") == 0) {
            m_bSawBody = true;
            m_nBodyDepth = m_nDepth;
            return;
        }
        if (m_nDepth == 2 && std::strcmp(name, "head") == 0) {
            m_nHeadDepth = m_nDepth;
            return;
        }
        if (m_nHeadDepth == 2 && m_nDepth == 3 && std::strcmp(name, "title") == 0) {
            m_bInTitle = true;
            return;
        }
        if (m_nHeadDepth == 2 && m_nDepth == 3 && std::strcmp(name, "expansionState") == 0) {
            m_bInExpansion = true;
            m_bSawExpansion = true;
            return;
        }
        if (m_nBodyDepth < 0 || std::strcmp(name, "outline") != 0)
            return;
        // Only outline elements directly inside the body or another outline
        // are items; anything else between them is ignored with its content.
        if (m_nDepth != m_nBodyDepth + 1 + m_nOutlineDepth) {
            return;
        }
        SFlatItem item;
        item.m_nLevel = m_nOutlineDepth;
        item.m_bExpanded = true;
        for (const char **a = attributes; a[0] && a[1]; a += 2) {
            if (std::strcmp(a[0], "text") == 0)
                item.m_strText = ModelText(a[1]);
            else if (std::strcmp(a[0], "_note") == 0)
                item.m_strNote = ModelText(a[1]);
            else if (std::strcmp(a[0], "_status") == 0)
                item.m_bChecked = std::strcmp(a[1], "checked") == 0;
            else if (std::strcmp(a[0], "_complete") == 0)
                item.m_bChecked = std::strcmp(a[1], "true") == 0;
        }
        m_pOutline->m_Items.push_back(std::move(item));
        ++m_nOutlineDepth;
    }

    void End(const char *name)
    {
        if (m_nDepth == 3) {
            m_bInTitle = false;
            m_bInExpansion = false;
        }
        if (m_nBodyDepth >= 0 && std::strcmp(name, "outline") == 0
            && m_nDepth == m_nBodyDepth + m_nOutlineDepth && m_nOutlineDepth > 0)
            --m_nOutlineDepth;
        if (m_nDepth == m_nBodyDepth)
            m_nBodyDepth = -1;
        if (m_nDepth == m_nHeadDepth)
            m_nHeadDepth = -1;
        --m_nDepth;
    }
};

void XMLCALL OnStart(void *data, const XML_Char *name, const XML_Char **attributes)
{
    static_cast<SReader *>(data)->Start(name, attributes);
}

void XMLCALL OnEnd(void *data, const XML_Char *name)
{
    static_cast<SReader *>(data)->End(name);
}

void XMLCALL OnText(void *data, const XML_Char *text, int length)
{
    auto *reader = static_cast<SReader *>(data);
    if (reader->m_bInTitle && reader->m_strTitle.size() < 4096)
        reader->m_strTitle.append(text, static_cast<std::size_t>(length));
    if (reader->m_bInExpansion && reader->m_strExpansion.size() < kMaxImportBytes / 4)
        reader->m_strExpansion.append(text, static_cast<std::size_t>(length));
}

void XMLCALL OnEntityDecl(void *data, const XML_Char *, int, const XML_Char *, int,
    const XML_Char *, const XML_Char *, const XML_Char *, const XML_Char *)
{
    static_cast<SReader *>(data)->Refuse("entity declarations are not accepted");
}

int XMLCALL OnUnknownEncoding(void *, const XML_Char *name, XML_Encoding *info)
{
    if (strcasecmp(name, "windows-1252") != 0 && strcasecmp(name, "cp1252") != 0)
        return XML_STATUS_ERROR;
    for (int i = 0; i < 256; ++i)
        info->map[i] = kx_gen::Windows1252ToUnicode(static_cast<unsigned char>(i));
    info->data = nullptr;
    info->convert = nullptr;
    info->release = nullptr;
    return XML_STATUS_OK;
}

} // namespace

std::string WriteOpml(const SFlatOutline &outline)
{
    std::string out;
    out.reserve(outline.m_Items.size() * 64 + 256);
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    out += "<opml version=\"2.0\">\n";
    out += "  <head>\n    <title>";
    out += XmlEscape(Utf8FromModel(outline.m_strTitle), false);
    out += "</title>\n";
    const std::string expansion = ExpansionState(outline);
    if (!expansion.empty())
        out += "    <expansionState>" + expansion + "</expansionState>\n";
    out += "  </head>\n  <body>\n";
    const std::size_t count = outline.m_Items.size();
    for (std::size_t i = 0; i < count; ++i) {
        const SFlatItem &item = outline.m_Items[i];
        const int depth = item.m_nLevel + 2;
        Indent(out, depth);
        out += "<outline text=\"";
        out += AttributeText(item.m_strText);
        out += '"';
        if (!item.m_strNote.empty()) {
            out += " _note=\"";
            out += AttributeText(item.m_strNote);
            out += '"';
        }
        if (item.m_bChecked)
            out += " _status=\"checked\"";
        const int next = i + 1 < count ? outline.m_Items[i + 1].m_nLevel : -1;
        if (next > item.m_nLevel) {
            out += ">\n";
            continue;
        }
        out += "/>\n";
        for (int level = item.m_nLevel - 1; level >= next && level >= 0; --level) {
            Indent(out, level + 2);
            out += "</outline>\n";
        }
    }
    out += "  </body>\n</opml>\n";
    return out;
}

bool ReadOpml(std::string_view data, SFlatOutline &outline, CImportReport &report)
{
    outline = SFlatOutline();
    if (data.size() > kMaxImportBytes) {
        report.Fail(0, "the file is too large to import");
        return false;
    }
    XML_Parser parser = XML_ParserCreate(nullptr);
    if (!parser) {
        report.Fail(0, "out of memory");
        return false;
    }
    SReader reader;
    reader.m_Parser = parser;
    reader.m_pOutline = &outline;
    reader.m_pReport = &report;
    XML_SetUserData(parser, &reader);
    XML_SetElementHandler(parser, OnStart, OnEnd);
    XML_SetCharacterDataHandler(parser, OnText);
    XML_SetEntityDeclHandler(parser, OnEntityDecl);
    XML_SetUnknownEncodingHandler(parser, OnUnknownEncoding, nullptr);
    XML_SetParamEntityParsing(parser, XML_PARAM_ENTITY_PARSING_NEVER);

    const XML_Status status
        = XML_Parse(parser, data.data(), static_cast<int>(data.size()), XML_TRUE);
    if (status != XML_STATUS_OK && !report.Failed()) {
        report.Fail(static_cast<int>(XML_GetCurrentLineNumber(parser)),
            std::string("the file is no well-formed XML (")
                + XML_ErrorString(XML_GetErrorCode(parser)) + ")");
    }
    XML_ParserFree(parser);
    if (report.Failed())
        return false;
    if (!reader.m_bSawRoot) {
        report.Fail(0, "this is no OPML file");
        return false;
    }
    if (!reader.m_bSawBody) {
        report.Fail(0, "the OPML file has no <body>");
        return false;
    }
    if (reader.m_bSawExpansion)
        ApplyExpansionState(outline, reader.m_strExpansion);
    outline.m_strTitle = ModelFromUtf8(reader.m_strTitle, 0, report);
    // Titles are one line.
    for (char &c : outline.m_strTitle) {
        if (c == '\r' || c == '\n' || c == '\t')
            c = ' ';
    }
    return true;
}

} // namespace formats
