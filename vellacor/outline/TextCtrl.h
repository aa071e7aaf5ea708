#pragma once

#include "TextFont.h"
#include "TextLine.h"

#include "kx_gen/String.h"

#include <climits>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

// A position in an item text: a character offset and a line. For a row
// position the line is a row counted over all paragraphs of the text and the
// offset lies within that row; for a paragraph position the line is a
// paragraph and the offset lies within it (the paragraph's length is its end).
struct CTextPos {
    int m_nChar = 0;
    int m_nLine = 0;

    friend bool operator==(const CTextPos &a, const CTextPos &b) = default;
    friend bool operator<(const CTextPos &a, const CTextPos &b)
    {
        return a.m_nLine < b.m_nLine || (a.m_nLine == b.m_nLine && a.m_nChar < b.m_nChar);
    }
};

// The text of an outline item: paragraphs separated by hard line breaks,
// each wrapped into rows for a pixel width. Editing works in paragraph
// positions, the view and its caret in row positions; this class converts
// between them. Every edit marks the paragraphs it touched stale, and the
// view re-wraps them (WrapStale) before it looks at rows again.
//
// There is always at least one paragraph: an empty text is one empty
// paragraph. Text is Windows-1252 bytes; a carriage return, alone or followed
// by a line feed, separates paragraphs, and GetString joins them with CR LF.
class CTextCtrl {
public:
    // Options of FindText.
    static constexpr unsigned kFindMatchCase = 0x01;
    static constexpr unsigned kFindWholeWord = 0x02;
    static constexpr unsigned kFindBackward = 0x10;

    // An empty text that has never been wrapped.
    CTextCtrl() = default;
    CTextCtrl(const CTextCtrl &other);
    CTextCtrl(CTextCtrl &&) noexcept = default;
    CTextCtrl &operator=(const CTextCtrl &other);
    CTextCtrl &operator=(CTextCtrl &&) noexcept = default;

    // Replaces the whole text. Throws std::bad_alloc when memory runs out,
    // leaving the text empty.
    void SetString(const kx_gen::_String &text);
    // The same for `length` bytes at `text`, which need no terminator.
    void SetChars(const char *text, std::size_t length);
    // The same for the zero-terminated `text`, whose characters stay alive
    // and unchanged for as long as this text (or anything it is moved into)
    // may use them, as the bytes an outline was read into do: the
    // paragraphs use them in place until they change, which spares loading
    // an outline a copy of every text.
    void BorrowString(const char *text)
    {
        // Nearly every text loaded is one paragraph: after one scan it takes
        // the characters as they are. (Inline: a load does this per item.)
        const char *end = strchrnul(text, '\r');
        if (*end == 0 && end > text && end - text <= INT_MAX && MoreParaCount() == 0) {
            m_Unchanged.m_bSet = false;
            m_FirstPara.Borrow(text, static_cast<int>(end - text));
            return;
        }
        BorrowParagraphs(text, end);
    }
    // All paragraphs joined with "\r\n"; empty for an empty text.
    kx_gen::_String GetString() const;
    // The text between two paragraph positions, in either order, paragraphs
    // joined with "\r\n"; empty when either position is not valid.
    kx_gen::_String GetRange(CTextPos from, CTextPos to) const;
    // Exactly one paragraph, and it is empty.
    bool IsEmptyText() const { return MoreParaCount() == 0 && m_FirstPara.GetLength() == 0; }

    // Inserts `text` at paragraph position `pos` and returns the position
    // just after it. A carriage return (or CR LF) in `text` starts a new
    // paragraph; a lone line feed is an ordinary character. An empty text or
    // a position that is not valid changes nothing and returns `pos`.
    // Throws std::bad_alloc (or std::length_error for a paragraph beyond
    // 2 GB) and then changes nothing.
    CTextPos InsertAt(CTextPos pos, const kx_gen::_String &text);
    // Removes the text between two paragraph positions, in either order;
    // removing from the end of one paragraph to the start of the next joins
    // them. Returns false, changing nothing, when the positions are equal or
    // either is not valid. Throws std::bad_alloc and then changes nothing.
    bool DeleteRange(CTextPos from, CTextPos to);
    // 0 <= paragraph < paragraph count and 0 <= offset <= its length.
    bool IsValidParaPos(CTextPos pos) const;

    // Wraps every paragraph to `width` pixels and returns the number of rows
    // (at least 1). `dc` measures exactly, or is null when the font's tables
    // are exact (see FitChars). Throws std::bad_alloc.
    int WrapAll(const CMeasureDC *dc, const CTextFont &font, int width);
    // Wraps only the stale paragraphs, or everything when the text has never
    // been wrapped, and returns the new number of rows.
    int WrapStale(const CMeasureDC *dc, const CTextFont &font, int width);
    // The number of rows after the last wrap; 0 before the first one.
    int GetRowCount() const { return m_nRows; }

    // In the row functions below, a paragraph that has never been wrapped
    // counts as one row holding all of it.

    // The characters of row `row` (counted over all paragraphs) and their
    // number in `*pLength`; null and 0 when there is no such row. The pointer
    // is valid until the text changes.
    const char *GetRowInfo(int row, int *pLength) const;
    // Converts a row position to a paragraph position. An offset at or past
    // the end of a row gives the row's end. A row before the first or after
    // the last is taken as the first or last row, a negative offset as 0.
    CTextPos RowToPara(CTextPos rowPos) const;
    // Converts a paragraph position to a row position. A position exactly at
    // a soft break lies at the end of the earlier row. A position outside the
    // text is first moved to the nearest position inside it.
    CTextPos ParaToRow(CTextPos paraPos) const;

    // Looks for `pattern` from paragraph position `start`. Options:
    // kFindMatchCase compares exactly, else Windows-1252 letters match in
    // either case; kFindWholeWord accepts only an occurrence whose neighbours
    // in its paragraph are not letters, digits or '_'; kFindBackward looks
    // for the last occurrence that starts before `start`, else for the first
    // that starts at or after it. With `wrapAround`, a search that reaches
    // the end (beginning) continues once from the beginning (end). An
    // occurrence never spans paragraphs. On a hit stores its start in
    // `*pFound` and returns true; an empty pattern finds nothing. A start
    // outside the text is moved to the nearest position inside it. To search
    // a whole text backwards, start at GetEndPos(); to find the next or the
    // previous occurrence, start one character after a hit or at the hit.
    bool FindText(const kx_gen::_String &pattern, CTextPos start, unsigned options, bool wrapAround,
        CTextPos *pFound) const;

    int GetParaCount() const { return 1 + static_cast<int>(MoreParaCount()); }
    // Paragraph `index`, 0 <= index < GetParaCount().
    const CTextLine &GetPara(int index) const
    {
        return index == 0 ? m_FirstPara : (*m_pMoreParas)[static_cast<std::size_t>(index - 1)];
    }
    // The paragraph position after the last character.
    CTextPos GetEndPos() const;

    // A mark that says the characters are as they were when it was set. Any
    // edit (even one that turns out to change nothing), any replacement of
    // the whole text, and any copy or move into this text clears it, and so
    // does a move out of it; wrapping does not. The owner sets it once it
    // knows the text to equal something, to learn later without comparing
    // whether it still does.
    void MarkUnchanged() { m_Unchanged.m_bSet = true; }
    bool IsUnchanged() const { return m_Unchanged.m_bSet; }

private:
    // One empty paragraph, stale and not marked unchanged.
    void Clear();
    // BorrowString for any text; `end` is where the first paragraph ends.
    void BorrowParagraphs(const char *text, const char *end);
    CTextPos InsertChars(CTextPos pos, std::string_view all);
    CTextLine &Para(int index)
    {
        return index == 0 ? m_FirstPara : (*m_pMoreParas)[static_cast<std::size_t>(index - 1)];
    }
    std::size_t MoreParaCount() const { return m_pMoreParas ? m_pMoreParas->size() : 0; }
    // The paragraphs after the first, made when the first of them comes.
    std::vector<CTextLine> &MoreParas();
    // The paragraph and its row that hold row `row`, clamped into the text.
    void LocateRow(int row, int *pPara, int *pRowInPara) const;
    int FindInPara(int para, const kx_gen::_String &pattern, int from, unsigned options) const;
    int FindLastInPara(
        int para, const kx_gen::_String &pattern, int before, unsigned options) const;

    // The paragraphs: the first one lives here, because most items have only
    // one and it is never removed; the others follow in order, in a list of
    // their own that a text of one paragraph does without (every item of an
    // outline holds a text, so what it costs counts).
    CTextLine m_FirstPara;
    std::unique_ptr<std::vector<CTextLine>> m_pMoreParas;
    // Rows of all paragraphs after the last wrap; 0 when never wrapped.
    int m_nRows = 0;

    // The mark is never carried over: a text that receives a copy or a move
    // has changed, and so has one whose characters were moved out.
    struct TUnchangedMark {
        TUnchangedMark() = default;
        TUnchangedMark(const TUnchangedMark &) noexcept { }
        TUnchangedMark(TUnchangedMark &&source) noexcept { source.m_bSet = false; }
        TUnchangedMark &operator=(const TUnchangedMark &) noexcept
        {
            m_bSet = false;
            return *this;
        }
        TUnchangedMark &operator=(TUnchangedMark &&source) noexcept
        {
            m_bSet = false;
            source.m_bSet = false;
            return *this;
        }
        bool m_bSet = false;
    };
    TUnchangedMark m_Unchanged;
};
