#include "TextCtrl.h"

#include "TextChars.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <iterator>
#include <stdexcept>
#include <string_view>

using kx_gen::_String;

namespace {

// A paragraph that has never been wrapped counts as one row holding all of it.
int RowCountOf(const CTextLine &line)
{
    return line.GetRows().IsEmpty() ? 1 : line.GetRows().GetSize();
}

// Row `index` of a paragraph, cut to the characters it has now: the rows of a
// stale paragraph may describe text that has since been removed.
CTextRow RowOf(const CTextLine &line, int index)
{
    const int n = line.GetLength();
    if (line.GetRows().IsEmpty())
        return { 0, n, n };
    CTextRow row = line.GetRows()[index];
    row.m_nStart = std::clamp(row.m_nStart, 0, n);
    row.m_nLength = std::clamp(row.m_nLength, 0, n - row.m_nStart);
    return row;
}

bool MatchesAt(std::string_view text, std::string_view pattern, std::size_t at, bool matchCase)
{
    if (matchCase)
        return text.compare(at, pattern.size(), pattern) == 0;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (ToLower1252(static_cast<unsigned char>(text[at + i]))
            != ToLower1252(static_cast<unsigned char>(pattern[i])))
            return false;
    }
    return true;
}

bool IsWholeWordAt(std::string_view text, std::size_t at, std::size_t length)
{
    if (at > 0 && IsWordChar1252(static_cast<unsigned char>(text[at - 1])))
        return false;
    const std::size_t after = at + length;
    return after >= text.size() || !IsWordChar1252(static_cast<unsigned char>(text[after]));
}

} // namespace

CTextCtrl::CTextCtrl(const CTextCtrl &other)
    : m_FirstPara(other.m_FirstPara)
    , m_nRows(other.m_nRows)
{
    if (other.MoreParaCount() > 0)
        m_pMoreParas = std::make_unique<std::vector<CTextLine>>(*other.m_pMoreParas);
}

CTextCtrl &CTextCtrl::operator=(const CTextCtrl &other)
{
    if (this != &other) {
        CTextCtrl copy(other);
        *this = std::move(copy);
    }
    return *this;
}

std::vector<CTextLine> &CTextCtrl::MoreParas()
{
    if (!m_pMoreParas)
        m_pMoreParas = std::make_unique<std::vector<CTextLine>>();
    return *m_pMoreParas;
}

void CTextCtrl::SetString(const _String &text)
{
    SetChars(text.c_str(), text.size());
}

void CTextCtrl::Clear()
{
    m_Unchanged.m_bSet = false;
    if (m_pMoreParas)
        m_pMoreParas->clear();
    m_FirstPara.Truncate(0);
    m_FirstPara.MarkStale();
}

void CTextCtrl::SetChars(const char *text, std::size_t length)
{
    Clear();
    if (length > 0)
        InsertChars({ 0, 0 }, std::string_view(text, length));
}

void CTextCtrl::BorrowParagraphs(const char *text, const char *end)
{
    Clear();
    // Paragraphs break where InsertChars breaks them: at a carriage return,
    // which takes a line feed right after it along. One pass finds both the
    // breaks and the end.
    CTextLine *para = &m_FirstPara;
    const char *p = text;
    try {
        for (;;) {
            if (end - p > INT_MAX)
                throw std::length_error("text longer than 2 GB");
            if (end > p)
                para->Borrow(p, static_cast<int>(end - p));
            if (*end == 0)
                break;
            p = end + 1;
            if (*p == '\n')
                ++p;
            std::vector<CTextLine> &more = MoreParas();
            more.emplace_back();
            para = &more.back();
            end = strchrnul(p, '\r');
        }
    } catch (...) {
        // As SetChars: out of memory leaves the text empty.
        Clear();
        throw;
    }
}

_String CTextCtrl::GetString() const
{
    const int count = GetParaCount();
    std::size_t size = 2 * static_cast<std::size_t>(count - 1);
    for (int k = 0; k < count; ++k)
        size += static_cast<std::size_t>(GetPara(k).GetLength());
    std::string out;
    out.reserve(size);
    for (int k = 0; k < count; ++k) {
        if (k > 0)
            out += "\r\n";
        out += GetPara(k).GetText();
    }
    return _String(std::move(out));
}

_String CTextCtrl::GetRange(CTextPos from, CTextPos to) const
{
    if (!IsValidParaPos(from) || !IsValidParaPos(to))
        return {};
    if (to < from)
        std::swap(from, to);
    std::string out;
    for (int k = from.m_nLine; k <= to.m_nLine; ++k) {
        const std::string_view text = GetPara(k).GetText();
        const std::size_t begin = k == from.m_nLine ? static_cast<std::size_t>(from.m_nChar) : 0;
        const std::size_t end
            = k == to.m_nLine ? static_cast<std::size_t>(to.m_nChar) : text.size();
        if (k > from.m_nLine)
            out += "\r\n";
        out += text.substr(begin, end - begin);
    }
    return _String(std::move(out));
}

bool CTextCtrl::IsValidParaPos(CTextPos pos) const
{
    return pos.m_nLine >= 0 && pos.m_nLine < GetParaCount() && pos.m_nChar >= 0
        && pos.m_nChar <= GetPara(pos.m_nLine).GetLength();
}

CTextPos CTextCtrl::GetEndPos() const
{
    const int last = GetParaCount() - 1;
    return { GetPara(last).GetLength(), last };
}

CTextPos CTextCtrl::InsertAt(CTextPos pos, const _String &text)
{
    return InsertChars(pos, text.str());
}

CTextPos CTextCtrl::InsertChars(CTextPos pos, std::string_view all)
{
    m_Unchanged.m_bSet = false;
    if (all.empty() || !IsValidParaPos(pos))
        return pos;
    if (all.size() > static_cast<std::size_t>(INT_MAX))
        throw std::length_error("text longer than 2 GB");
    CTextLine &para = Para(pos.m_nLine);
    const int offset = pos.m_nChar;

    std::size_t breakAt = all.find('\r');
    if (breakAt == std::string_view::npos) {
        para.Insert(offset, all.data(), static_cast<int>(all.size()));
        para.MarkStale();
        return { offset + static_cast<int>(all.size()), pos.m_nLine };
    }

    // Several paragraphs: build the new ones aside first, so that running out
    // of memory leaves the text as it was.
    const std::string_view first = all.substr(0, breakAt);
    const std::string_view tail = para.GetText().substr(static_cast<std::size_t>(offset));
    std::vector<CTextLine> added;
    int lastLength = 0;
    while (breakAt != std::string_view::npos) {
        std::size_t next = breakAt + 1;
        if (next < all.size() && all[next] == '\n')
            ++next;
        breakAt = all.find('\r', next);
        const std::string_view piece = all.substr(
            next, breakAt == std::string_view::npos ? std::string_view::npos : breakAt - next);
        added.emplace_back();
        added.back().Append(piece.data(), static_cast<int>(piece.size()));
        lastLength = static_cast<int>(piece.size());
    }
    added.back().Append(tail.data(), static_cast<int>(tail.size()));
    para.Reserve(static_cast<long long>(offset) + static_cast<long long>(first.size()));
    std::vector<CTextLine> &more = MoreParas();
    more.reserve(more.size() + added.size());

    // Nothing below allocates. Making room may have moved the paragraph.
    CTextLine &head = Para(pos.m_nLine);
    head.Truncate(offset);
    head.Append(first.data(), static_cast<int>(first.size()));
    head.MarkStale();
    more.insert(more.begin() + pos.m_nLine, std::make_move_iterator(added.begin()),
        std::make_move_iterator(added.end()));
    return { lastLength, pos.m_nLine + static_cast<int>(added.size()) };
}

bool CTextCtrl::DeleteRange(CTextPos from, CTextPos to)
{
    m_Unchanged.m_bSet = false;
    if (!IsValidParaPos(from) || !IsValidParaPos(to))
        return false;
    if (to < from)
        std::swap(from, to);
    if (from == to)
        return false;
    CTextLine &first = Para(from.m_nLine);
    if (from.m_nLine == to.m_nLine) {
        first.Remove(from.m_nChar, to.m_nChar - from.m_nChar);
        first.MarkStale();
        return true;
    }
    const CTextLine &last = Para(to.m_nLine);
    const int tailLength = last.GetLength() - to.m_nChar;
    first.Reserve(static_cast<long long>(from.m_nChar) + tailLength);
    first.Truncate(from.m_nChar);
    first.Append(last.GetData() + to.m_nChar, tailLength);
    first.MarkStale();
    // Paragraphs from.m_nLine + 1 .. to.m_nLine live at one index lower here.
    m_pMoreParas->erase(m_pMoreParas->begin() + from.m_nLine, m_pMoreParas->begin() + to.m_nLine);
    return true;
}

int CTextCtrl::WrapAll(const CMeasureDC *dc, const CTextFont &font, int width)
{
    int rows = 0;
    const int count = GetParaCount();
    for (int k = 0; k < count; ++k) {
        CTextLine &para = Para(k);
        para.Wrap(dc, font, width);
        rows += para.GetRows().GetSize();
    }
    m_nRows = rows;
    return rows;
}

int CTextCtrl::WrapStale(const CMeasureDC *dc, const CTextFont &font, int width)
{
    if (m_nRows == 0)
        return WrapAll(dc, font, width);
    int rows = 0;
    const int count = GetParaCount();
    for (int k = 0; k < count; ++k) {
        CTextLine &para = Para(k);
        if (para.IsStale())
            para.Wrap(dc, font, width);
        rows += para.GetRows().GetSize();
    }
    m_nRows = rows;
    return rows;
}

void CTextCtrl::LocateRow(int row, int *pPara, int *pRowInPara) const
{
    const int count = GetParaCount();
    if (row < 0)
        row = 0;
    for (int k = 0; k < count; ++k) {
        const int rows = RowCountOf(GetPara(k));
        if (row < rows || k == count - 1) {
            *pPara = k;
            *pRowInPara = std::min(row, rows - 1);
            return;
        }
        row -= rows;
    }
}

const char *CTextCtrl::GetRowInfo(int row, int *pLength) const
{
    *pLength = 0;
    if (row < 0)
        return nullptr;
    const int count = GetParaCount();
    for (int k = 0; k < count; ++k) {
        const CTextLine &para = GetPara(k);
        const int rows = RowCountOf(para);
        if (row < rows) {
            const CTextRow r = RowOf(para, row);
            *pLength = r.m_nLength;
            return para.GetData() + r.m_nStart;
        }
        row -= rows;
    }
    return nullptr;
}

CTextPos CTextCtrl::RowToPara(CTextPos rowPos) const
{
    int k = 0;
    int j = 0;
    LocateRow(rowPos.m_nLine, &k, &j);
    const CTextLine &para = GetPara(k);
    const CTextRow row = RowOf(para, j);
    const int c = std::max(rowPos.m_nChar, 0);
    int offset;
    if (c < row.m_nLength)
        offset = row.m_nStart + c;
    else
        offset = std::min(row.m_nLast + 1, para.GetLength());
    return { std::clamp(offset, 0, para.GetLength()), k };
}

CTextPos CTextCtrl::ParaToRow(CTextPos paraPos) const
{
    const int k = std::clamp(paraPos.m_nLine, 0, GetParaCount() - 1);
    const CTextLine &para = GetPara(k);
    const int o = std::clamp(paraPos.m_nChar, 0, para.GetLength());
    int before = 0;
    for (int i = 0; i < k; ++i)
        before += RowCountOf(GetPara(i));

    const int rows = RowCountOf(para);
    if (o < para.GetLength()) {
        for (int j = 0; j < rows; ++j) {
            const CTextRow row = RowOf(para, j);
            if (row.m_nStart + row.m_nLength >= o)
                return { o - row.m_nStart, before + j };
        }
    }
    const CTextRow last = RowOf(para, rows - 1);
    if (o == para.GetLength())
        return { last.m_nLength, before + rows - 1 };
    return { o - last.m_nStart, before + rows - 1 };
}

int CTextCtrl::FindInPara(int para, const _String &pattern, int from, unsigned options) const
{
    const std::string_view text = GetPara(para).GetText();
    const std::string_view pat = pattern.str();
    if (pat.size() > text.size())
        return -1;
    const bool matchCase = options & kFindMatchCase;
    const bool wholeWord = options & kFindWholeWord;
    for (std::size_t at = static_cast<std::size_t>(from); at + pat.size() <= text.size(); ++at) {
        if (MatchesAt(text, pat, at, matchCase)
            && (!wholeWord || IsWholeWordAt(text, at, pat.size())))
            return static_cast<int>(at);
    }
    return -1;
}

int CTextCtrl::FindLastInPara(int para, const _String &pattern, int before, unsigned options) const
{
    const std::string_view text = GetPara(para).GetText();
    const std::string_view pat = pattern.str();
    if (pat.size() > text.size() || before <= 0)
        return -1;
    const bool matchCase = options & kFindMatchCase;
    const bool wholeWord = options & kFindWholeWord;
    std::size_t at = std::min(static_cast<std::size_t>(before) - 1, text.size() - pat.size());
    for (;; --at) {
        if (MatchesAt(text, pat, at, matchCase)
            && (!wholeWord || IsWholeWordAt(text, at, pat.size())))
            return static_cast<int>(at);
        if (at == 0)
            return -1;
    }
}

bool CTextCtrl::FindText(const _String &pattern, CTextPos start, unsigned options, bool wrapAround,
    CTextPos *pFound) const
{
    if (pattern.IsEmpty())
        return false;
    const int count = GetParaCount();
    const int k0 = std::clamp(start.m_nLine, 0, count - 1);
    const int o0 = std::clamp(start.m_nChar, 0, GetPara(k0).GetLength());
    auto found = [pFound](int offset, int para) {
        *pFound = { offset, para };
        return true;
    };

    if (options & kFindBackward) {
        for (int k = k0; k >= 0; --k) {
            const int before = k == k0 ? o0 : GetPara(k).GetLength() + 1;
            const int at = FindLastInPara(k, pattern, before, options);
            if (at >= 0)
                return found(at, k);
        }
        if (wrapAround) {
            for (int k = count - 1; k >= k0; --k) {
                const int at = FindLastInPara(k, pattern, GetPara(k).GetLength() + 1, options);
                if (at >= 0)
                    return found(at, k);
            }
        }
        return false;
    }

    for (int k = k0; k < count; ++k) {
        const int at = FindInPara(k, pattern, k == k0 ? o0 : 0, options);
        if (at >= 0)
            return found(at, k);
    }
    if (wrapAround) {
        for (int k = 0; k <= k0; ++k) {
            const int at = FindInPara(k, pattern, 0, options);
            if (at >= 0)
                return found(at, k);
        }
    }
    return false;
}
