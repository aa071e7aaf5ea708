#pragma once

// What a search looks for, and the test of one item text against it: plain
// text as the outline's own search matches it, or a regular expression over
// each paragraph, with or without case and whole words. Find, Replace and
// the find bar all match through it, so that what one highlights the other
// finds.

#include "OutlineMan.h"

#include <QRegularExpression>
#include <QString>

#include <utility>
#include <vector>

struct CFindOptions {
    // The option bits of the outline's search, as the view stores them.
    static constexpr unsigned kMatchCase = 0x01;
    static constexpr unsigned kWholeWord = 0x02;
    static constexpr unsigned kUp = 0x10;
    // Bits the outline's own search does not know.
    static constexpr unsigned kRegex = 0x100;
    static constexpr unsigned kNotes = 0x200;

    QString m_strText;
    unsigned m_nFlags = 0;

    bool Has(unsigned bit) const { return (m_nFlags & bit) != 0; }
};

class CTextMatcher {
public:
    // Takes the options. False, with the reason in `*error`, for an empty
    // text, a regular expression that does not compile, or a plain text
    // that Windows-1252 cannot hold. Empty matches of an expression are
    // never reported.
    bool Prepare(const CFindOptions &options, QString *error);
    bool IsReady() const { return m_bReady; }
    const CFindOptions &Options() const { return m_Options; }

    // The first match at or after paragraph position `from` (backwards: the
    // last one that starts before it), its start in `*pHit` and its length
    // in characters in `*pLength` (may be null). Matches never span
    // paragraphs and are never empty.
    bool MatchText(
        const CTextCtrl &text, CTextPos from, bool backward, CTextPos *pHit, int *pLength) const;
    // The length of the match that starts exactly at `at`; 0 when none does.
    int MatchLengthAt(const CTextCtrl &text, CTextPos at) const;
    // Every match of one paragraph as (offset, length), left to right,
    // none overlapping.
    void MatchesInPara(const CTextLine &para, std::vector<std::pair<int, int>> *out) const;
    // Whether the item's note holds a match (plain text or expression; a
    // note's line breaks count as paragraph ends).
    bool MatchNote(const COutlineItem &item) const;
    // The text that replaces the match at `at`: `replacement` as it is for
    // plain text; for an expression, with \0 to \9 and $0 to $9 standing for
    // the match and its groups ("\\" and "$$" for the characters). False
    // when the result does not fit Windows-1252 or no match starts at `at`.
    bool ReplacementFor(const CTextCtrl &text, CTextPos at, const QString &replacement,
        kx_gen::_String *out, QString *refused = nullptr) const;

    // The outline's test of one item, for COutlineMan::FindWith. With
    // kNotes an item whose text has no match from the start position but
    // whose note has one is a hit at (0, 0) (MatchLengthAt then gives 0),
    // except for `skipNote`, whose note was the last hit.
    COutlineMan::CItemMatch ItemMatch(const COutlineNode *skipNote = nullptr) const;

private:
    // Start and length of the first regex match in `para` at or after
    // `from` that passes the whole-word rule; -1 when none.
    int RegexFrom(const QString &para, int from, int *pLength) const;
    bool WholeWordAt(const CTextLine &para, int at, int length) const;

    CFindOptions m_Options;
    kx_gen::_String m_strPlain;
    QRegularExpression m_Regex;
    bool m_bReady = false;
};
