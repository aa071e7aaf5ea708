#include "RtfParagraphs.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstring>
#include <map>

namespace {

// Groups nested deeper than this are read as if they were skipped: no
// real document comes near it, and the state stack stays small.
constexpr int kMaxDepth = 256;
// Digits of a control word's parameter beyond these are read but ignored.
constexpr int kMaxParamDigits = 10;

struct TState {
    int m_nIndent = 0;
    // Fallback characters that follow a \u, as \uc says.
    int m_nUnicodeSkip = 1;
    bool m_bSkip = false;
};

// Destinations whose text is not part of the body.
bool IsSkippedDestination(const std::string &word)
{
    static const char *const kSkipped[] = { "fonttbl", "colortbl", "stylesheet", "info", "pict",
        "object", "header", "headerl", "headerr", "headerf", "footer", "footerl", "footerr",
        "footerf", "footnote", "fldinst", "themedata", "colorschememapping", "datastore",
        "latentstyles", "listtable", "listoverridetable", "rsidtbl", "generator", "xmlnstbl",
        "mmathPr", "pgdsctbl", "filetbl", "revtbl", "listtext", "pntext", "bkmkstart", "bkmkend",
        "annotation", "atnid", "atnauthor", "comment", "private", "userprops", "wgrffmtfilter",
        "shpinst", "nonshppict", "falt", "panose", "fname", "objdata" };
    for (const char *s : kSkipped) {
        if (word == s)
            return true;
    }
    return false;
}

// Control words that stand for one character.
int SymbolOf(const std::string &word)
{
    struct TSymbol {
        const char *m_pszWord;
        int m_nByte;
    };
    static const TSymbol kSymbols[]
        = { { "tab", '\t' }, { "emdash", 0x97 }, { "endash", 0x96 }, { "lquote", 0x91 },
              { "rquote", 0x92 }, { "ldblquote", 0x93 }, { "rdblquote", 0x94 }, { "bullet", 0x95 },
              { "emspace", ' ' }, { "enspace", ' ' }, { "qmspace", ' ' }, { "line", ' ' } };
    for (const TSymbol &s : kSymbols) {
        if (word == s.m_pszWord)
            return s.m_nByte;
    }
    return -1;
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

class CRtfReader {
public:
    CRtfReader(const char *data, std::size_t size)
        : m_pData(data)
        , m_nSize(size)
    {
    }

    CRtfContent Read()
    {
        while (m_nPos < m_nSize) {
            const char c = m_pData[m_nPos++];
            if (c == '{') {
                OpenGroup();
            } else if (c == '}') {
                CloseGroup();
            } else if (c == '\\') {
                ControlWord();
            } else if (c == '\r' || c == '\n') {
                // Line ends in RTF source are not text.
            } else {
                Character(static_cast<unsigned char>(c));
            }
        }
        // A last paragraph without its end keeps the indent it was written
        // with, not that of the groups closed after it.
        if (!m_Current.m_strText.empty())
            m_Result.m_Paragraphs.push_back(std::move(m_Current));
        return std::move(m_Result);
    }

private:
    void OpenGroup()
    {
        m_Stack.push_back(m_State);
        if (static_cast<int>(m_Stack.size()) > kMaxDepth)
            m_State.m_bSkip = true;
        m_bGroupStart = true;
    }

    void CloseGroup()
    {
        if (!m_Stack.empty()) {
            m_State = m_Stack.back();
            m_Stack.pop_back();
        }
        m_bGroupStart = false;
    }

    void Character(unsigned char c)
    {
        m_bGroupStart = false;
        if (m_nFallback > 0) {
            --m_nFallback;
            return;
        }
        if (m_State.m_bSkip)
            return;
        m_Current.m_strText.push_back(static_cast<char>(c));
        m_Current.m_nIndent = m_State.m_nIndent;
    }

    void EndParagraph()
    {
        m_Current.m_nIndent = m_State.m_nIndent;
        m_Result.m_Paragraphs.push_back(std::move(m_Current));
        m_Current = CRtfParagraph();
    }

    void ControlWord()
    {
        if (m_nPos >= m_nSize)
            return;
        const char first = m_pData[m_nPos];
        if (!std::isalpha(static_cast<unsigned char>(first))) {
            ++m_nPos;
            ControlSymbol(first);
            return;
        }
        std::string word;
        while (m_nPos < m_nSize && std::isalpha(static_cast<unsigned char>(m_pData[m_nPos]))) {
            if (word.size() < 32)
                word.push_back(m_pData[m_nPos]);
            ++m_nPos;
        }
        bool hasParam = false;
        bool negative = false;
        long long param = 0;
        if (m_nPos < m_nSize && m_pData[m_nPos] == '-') {
            negative = true;
            ++m_nPos;
        }
        int digits = 0;
        while (m_nPos < m_nSize && std::isdigit(static_cast<unsigned char>(m_pData[m_nPos]))) {
            if (digits++ < kMaxParamDigits)
                param = param * 10 + (m_pData[m_nPos] - '0');
            hasParam = true;
            ++m_nPos;
        }
        if (m_nPos < m_nSize && m_pData[m_nPos] == ' ')
            ++m_nPos;
        param = std::clamp<long long>(negative ? -param : param, INT_MIN, INT_MAX);
        Apply(word, hasParam, static_cast<int>(param));
    }

    void ControlSymbol(char c)
    {
        switch (c) {
        case '\\':
        case '{':
        case '}':
            Character(static_cast<unsigned char>(c));
            break;
        case '~':
            Character(0xA0);
            break;
        case '_':
            Character('-');
            break;
        case '*':
            // An ignorable destination: its text is not ours.
            if (m_bGroupStart)
                m_State.m_bSkip = true;
            break;
        case '\'': {
            if (m_nPos + 2 <= m_nSize) {
                const int hi = HexValue(m_pData[m_nPos]);
                const int lo = HexValue(m_pData[m_nPos + 1]);
                if (hi >= 0 && lo >= 0) {
                    m_nPos += 2;
                    Character(static_cast<unsigned char>(hi * 16 + lo));
                }
            }
            break;
        }
        case '\r':
        case '\n':
            // "\" before a line end is a paragraph end.
            if (!m_State.m_bSkip)
                EndParagraph();
            break;
        default:
            break;
        }
        m_bGroupStart = false;
    }

    void Apply(const std::string &word, bool hasParam, int param)
    {
        const bool groupStart = m_bGroupStart;
        m_bGroupStart = false;
        if (groupStart && IsSkippedDestination(word)) {
            m_State.m_bSkip = true;
            return;
        }
        if (word == "par" || word == "sect" || word == "row") {
            if (!m_State.m_bSkip)
                EndParagraph();
        } else if (word == "pard") {
            m_State.m_nIndent = 0;
        } else if (word == "li") {
            m_State.m_nIndent = hasParam ? param : 0;
        } else if (word == "uc") {
            m_State.m_nUnicodeSkip = hasParam ? std::clamp(param, 0, 16) : 1;
        } else if (word == "u") {
            Unicode(param);
        } else if (word == "bin") {
            // Binary data of that many bytes follows: never text.
            const std::size_t skip = hasParam && param > 0 ? static_cast<std::size_t>(param) : 0;
            m_nPos += std::min(skip, m_nSize - m_nPos);
        } else {
            const int symbol = SymbolOf(word);
            if (symbol >= 0)
                Character(static_cast<unsigned char>(symbol));
        }
    }

    void Unicode(int param)
    {
        // Parameters are signed 16-bit; values past that are code points.
        char32_t code = static_cast<char32_t>(param < 0 ? param + 65536 : param);
        const int fallback = m_State.m_nUnicodeSkip;
        if (!m_State.m_bSkip) {
            const int byte = ToWindows1252(code);
            if (byte >= 0) {
                m_nFallback = 0;
                Character(static_cast<unsigned char>(byte));
            } else if (!m_Result.m_nUnsupported) {
                m_Result.m_nUnsupported = code;
            }
        }
        m_nFallback = fallback;
    }

    const char *m_pData;
    std::size_t m_nSize;
    std::size_t m_nPos = 0;
    TState m_State;
    std::vector<TState> m_Stack;
    bool m_bGroupStart = false;
    int m_nFallback = 0;
    CRtfParagraph m_Current;
    CRtfContent m_Result;
};

} // namespace

int ToWindows1252(char32_t code)
{
    if (code < 0x80 || (code >= 0xA0 && code <= 0xFF))
        return static_cast<int>(code);
    static const char16_t kHigh[32] = { 0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0, 0x017D, 0, 0, 0x2018, 0x2019, 0x201C, 0x201D,
        0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178 };
    for (int i = 0; i < 32; ++i) {
        if (kHigh[i] != 0 && kHigh[i] == code)
            return 0x80 + i;
    }
    return -1;
}

CRtfContent ReadRtfParagraphs(const char *data, std::size_t size)
{
    if (!data)
        return {};
    return CRtfReader(data, size).Read();
}

std::vector<int> LevelsFromIndents(const std::vector<int> &indents)
{
    std::vector<int> levels;
    levels.reserve(indents.size());
    std::map<int, int> seen;
    int deepest = -1;
    int previous = -1;
    for (const int indent : indents) {
        int level;
        auto it = seen.find(indent);
        if (it != seen.end()) {
            level = it->second;
        } else {
            auto larger = seen.upper_bound(indent);
            if (larger == seen.end())
                level = std::min(deepest + 1, 9);
            else
                level = std::max(larger->second - 1, 0);
            seen.emplace(indent, level);
        }
        deepest = std::max(deepest, level);
        // A tree has no gaps: a level is at most one below the one before.
        level = std::min(level, previous + 1);
        levels.push_back(level);
        previous = level;
    }
    return levels;
}
