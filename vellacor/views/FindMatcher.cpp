#include "FindMatcher.h"

#include "QtStrings.h"
#include "TextChars.h"

#include <QCoreApplication>

namespace {

QString Tr(const char *text)
{
    return QCoreApplication::translate("CTextMatcher", text);
}

QString ParaString(const CTextLine &para)
{
    return ToQString(para.GetData(), para.GetLength());
}

} // namespace

bool CTextMatcher::Prepare(const CFindOptions &options, QString *error)
{
    m_bReady = false;
    m_Options = options;
    QString reason;
    if (options.m_strText.isEmpty()) {
        reason = Tr("Enter the text to look for.");
    } else if (options.Has(CFindOptions::kRegex)) {
        QRegularExpression::PatternOptions po = QRegularExpression::NoPatternOption;
        if (!options.Has(CFindOptions::kMatchCase))
            po |= QRegularExpression::CaseInsensitiveOption;
        m_Regex = QRegularExpression(options.m_strText, po);
        if (!m_Regex.isValid()) {
            reason = Tr("The regular expression is not valid: %1 (at character %2).")
                         .arg(m_Regex.errorString())
                         .arg(m_Regex.patternErrorOffset() + 1);
        }
    } else if (QString refused; !FromQString(options.m_strText, m_strPlain, &refused)) {
        reason = Tr("The character %1 cannot occur in an outline.").arg(refused);
    }
    if (!reason.isEmpty()) {
        if (error)
            *error = reason;
        return false;
    }
    m_bReady = true;
    return true;
}

bool CTextMatcher::WholeWordAt(const CTextLine &para, int at, int length) const
{
    if (!m_Options.Has(CFindOptions::kWholeWord))
        return true;
    const char *text = para.GetData();
    const bool before = at > 0 && IsWordChar1252(static_cast<unsigned char>(text[at - 1]));
    const bool after = at + length < para.GetLength()
        && IsWordChar1252(static_cast<unsigned char>(text[at + length]));
    return !before && !after;
}

int CTextMatcher::RegexFrom(const QString &para, int from, int *pLength) const
{
    QRegularExpressionMatchIterator it = m_Regex.globalMatch(para, from);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        const int at = static_cast<int>(m.capturedStart(0));
        const int length = static_cast<int>(m.capturedLength(0));
        if (length <= 0)
            continue;
        if (m_Options.Has(CFindOptions::kWholeWord)) {
            const auto word = [&](int i) {
                return i >= 0 && i < para.size()
                    && IsWordChar1252(static_cast<unsigned char>(
                        para.at(i).unicode() < 256 ? para.at(i).unicode() : 'a'));
            };
            if (word(at - 1) || word(at + length))
                continue;
        }
        *pLength = length;
        return at;
    }
    return -1;
}

bool CTextMatcher::MatchText(
    const CTextCtrl &text, CTextPos from, bool backward, CTextPos *pHit, int *pLength) const
{
    if (!m_bReady)
        return false;
    if (!m_Options.Has(CFindOptions::kRegex)) {
        unsigned flags = m_Options.m_nFlags & (CFindOptions::kMatchCase | CFindOptions::kWholeWord);
        if (backward)
            flags |= CTextCtrl::kFindBackward;
        if (!text.FindText(m_strPlain, from, flags, false, pHit))
            return false;
        if (pLength)
            *pLength = m_strPlain.GetLength();
        return true;
    }
    const int count = text.GetParaCount();
    const int k0 = std::clamp(from.m_nLine, 0, count - 1);
    const int o0 = std::clamp(from.m_nChar, 0, text.GetPara(k0).GetLength());
    int length = 0;
    if (!backward) {
        for (int k = k0; k < count; ++k) {
            const int at = RegexFrom(ParaString(text.GetPara(k)), k == k0 ? o0 : 0, &length);
            if (at >= 0) {
                *pHit = { at, k };
                if (pLength)
                    *pLength = length;
                return true;
            }
        }
        return false;
    }
    for (int k = k0; k >= 0; --k) {
        const QString para = ParaString(text.GetPara(k));
        const int limit = k == k0 ? o0 : static_cast<int>(para.size()) + 1;
        int best = -1;
        int bestLength = 0;
        for (int at = RegexFrom(para, 0, &length); at >= 0 && at < limit;
             at = RegexFrom(para, at + 1, &length)) {
            best = at;
            bestLength = length;
        }
        if (best >= 0) {
            *pHit = { best, k };
            if (pLength)
                *pLength = bestLength;
            return true;
        }
    }
    return false;
}

int CTextMatcher::MatchLengthAt(const CTextCtrl &text, CTextPos at) const
{
    if (!m_bReady || !text.IsValidParaPos(at))
        return 0;
    CTextPos hit;
    int length = 0;
    if (!MatchText(text, at, false, &hit, &length) || !(hit == at))
        return 0;
    return length;
}

void CTextMatcher::MatchesInPara(const CTextLine &para, std::vector<std::pair<int, int>> *out) const
{
    out->clear();
    if (!m_bReady)
        return;
    if (m_Options.Has(CFindOptions::kRegex)) {
        const QString text = ParaString(para);
        int length = 0;
        for (int at = RegexFrom(text, 0, &length); at >= 0;
             at = RegexFrom(text, at + length, &length))
            out->emplace_back(at, length);
        return;
    }
    const std::string_view text = para.GetText();
    const std::string_view pat = m_strPlain.str();
    const bool matchCase = m_Options.Has(CFindOptions::kMatchCase);
    const int length = static_cast<int>(pat.size());
    for (std::size_t at = 0; at + pat.size() <= text.size();) {
        bool same = true;
        for (std::size_t i = 0; i < pat.size() && same; ++i) {
            const auto a = static_cast<unsigned char>(text[at + i]);
            const auto b = static_cast<unsigned char>(pat[i]);
            same = matchCase ? a == b : ToLower1252(a) == ToLower1252(b);
        }
        if (same && WholeWordAt(para, static_cast<int>(at), length)) {
            out->emplace_back(static_cast<int>(at), length);
            at += pat.size();
        } else {
            ++at;
        }
    }
}

bool CTextMatcher::MatchNote(const COutlineItem &item) const
{
    if (!m_bReady || !item.HasNote())
        return false;
    CTextCtrl note;
    note.SetString(item.m_strNote.GetString());
    CTextPos hit;
    return MatchText(note, CTextPos(), false, &hit, nullptr);
}

bool CTextMatcher::ReplacementFor(const CTextCtrl &text, CTextPos at, const QString &replacement,
    kx_gen::_String *out, QString *refused) const
{
    if (!m_bReady || !text.IsValidParaPos(at))
        return false;
    if (!m_Options.Has(CFindOptions::kRegex))
        return FromQString(replacement, *out, refused);
    const QString para = ParaString(text.GetPara(at.m_nLine));
    const QRegularExpressionMatch m = m_Regex.match(para, at.m_nChar);
    if (!m.hasMatch() || m.capturedStart(0) != at.m_nChar)
        return false;
    QString expanded;
    for (qsizetype i = 0; i < replacement.size(); ++i) {
        const QChar c = replacement.at(i);
        const QChar next = i + 1 < replacement.size() ? replacement.at(i + 1) : QChar();
        if ((c == QLatin1Char('\\') || c == QLatin1Char('$')) && next.isDigit()) {
            expanded += m.captured(next.digitValue());
            ++i;
        } else if ((c == QLatin1Char('\\') || c == QLatin1Char('$')) && next == c) {
            expanded += c;
            ++i;
        } else {
            expanded += c;
        }
    }
    return FromQString(expanded, *out, refused);
}

COutlineMan::CItemMatch CTextMatcher::ItemMatch(const COutlineNode *skipNote) const
{
    const bool notes = m_Options.Has(CFindOptions::kNotes);
    return [this, notes, skipNote](
               const COutlineNode *node, CTextPos from, bool backward, CTextPos *pHit) {
        if (MatchText(node->m_Item.m_Text, from, backward, pHit, nullptr))
            return true;
        if (notes && node != skipNote && MatchNote(node->m_Item)) {
            *pHit = CTextPos();
            return true;
        }
        return false;
    };
}
