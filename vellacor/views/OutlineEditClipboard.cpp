// The outline view's clipboard: text and items out, outline data, rich
// text and plain text in.

#include "OutlineEditView.h"

#include "KXClipboard.h"
#include "QtStrings.h"
#include "RtfParagraphs.h"
#include "UndoOutlineMan.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextList>

#include <cstring>

namespace {

using Label = CUndoOutlineMan::Label;

// The names under which other programs offer rich text.
const QStringList &RichTextFormats()
{
    static const QStringList formats = {
        QStringLiteral("text/rtf"),
        QStringLiteral("application/rtf"),
        QStringLiteral("text/richtext"),
        QStringLiteral("Rich Text Format"),
        QStringLiteral("RichEdit Text and Objects"),
        QStringLiteral("application/x-qt-windows-mime;value=\"Rich Text Format\""),
    };
    return formats;
}

const QMimeData *ClipboardData()
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    return clipboard ? clipboard->mimeData() : nullptr;
}

// Model text (paragraphs joined by CR LF) as clipboard text, whose lines
// end in a line feed alone on this system.
QString ClipboardText(const kx_gen::_String &text)
{
    QString out = ToQString(text);
    out.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return out;
}

// The texts of the node and its subtree in document order, each ending a
// line.
QString SubtreeText(const COutlineMan &man, COutlineNode *node)
{
    QString text;
    const COutlineTree &tree = man.GetTree();
    for (COutlineNode *n = node; n; n = tree.GetNextInDocument(n)) {
        if (n != node) {
            const COutlineNode *up = n;
            while (up && up != node && !tree.IsRoot(up))
                up = up->m_pParent;
            if (up != node)
                break;
        }
        text += ClipboardText(n->m_Item.m_Text.GetString());
        text += QLatin1Char('\n');
    }
    return text;
}

// The paragraphs of an HTML text with their indents in twips: list levels
// and block indents count 720 each, margins by their pixels. False when the
// text holds no paragraph.
bool ReadHtmlParagraphs(const QString &html, CRtfContent *content)
{
    QTextDocument document;
    document.setHtml(html);
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const QString text = block.text();
        const QString refused = FirstUnsupportedCharacter(text);
        if (!refused.isEmpty() && !content->m_nUnsupported)
            content->m_nUnsupported = refused.toUcs4().value(0);
        kx_gen::_String bytes;
        if (!refused.isEmpty() || !FromQString(text, bytes))
            continue;
        const QTextBlockFormat format = block.blockFormat();
        int indent = format.indent() * 720 + static_cast<int>(format.leftMargin() * 15);
        if (const QTextList *list = block.textList())
            indent += list->format().indent() * 720;
        CRtfParagraph paragraph;
        paragraph.m_strText = bytes.str();
        paragraph.m_nIndent = indent;
        content->m_Paragraphs.push_back(std::move(paragraph));
    }
    return !content->m_Paragraphs.empty();
}

// Puts a transfer block (taken) and a text on the clipboard; true only
// when both the block was built and the clipboard took it.
bool PutItems(kx_gen::HMEM block, const QString &text)
{
    CKXClipboard clipboard(nullptr, CKXClipboard::OutlineFormat());
    if (!clipboard.IsOpen()) {
        kx_gen::MemFree(block);
        return false;
    }
    clipboard.Empty();
    const bool placed = block && clipboard.SetData(block);
    clipboard.SetText(text);
    return clipboard.Close() && placed;
}

} // namespace

// ---- Out ------------------------------------------------------------------------------

bool COutlineEditView::CopyCommand()
{
    if (!m_bReady || !m_Caret.IsSet())
        return false;
    if (IsBlockSelection()) {
        COutlineNode *first = m_SelItems.front();
        COutlineNode *last = m_SelItems.back();
        QString text;
        for (COutlineNode *n : m_SelItems) {
            text += ClipboardText(n->m_Item.m_Text.GetString());
            text += QLatin1Char('\n');
        }
        return PutItems(m_pMan->MakeTransferBlock(first, last), text);
    }
    if (!HasSelection())
        return false;
    const CTextCtrl &body = m_SelStart.m_pItem->m_Item.m_Text;
    const QString text = ClipboardText(body.GetRange(ParaOf(m_SelStart), ParaOf(m_SelEnd)));
    CKXClipboard clipboard(nullptr, CKXClipboard::OutlineFormat());
    if (!clipboard.IsOpen())
        return false;
    clipboard.Empty();
    clipboard.SetText(text);
    return clipboard.Close();
}

void COutlineEditView::CutCommand()
{
    if (!IsBlockSelection() && !HasSelection())
        return;
    if (!IsEditable()) {
        BeginEdit(Label::kLabelCut, false, false);
        return;
    }
    // What is not on the clipboard is not deleted.
    if (!CopyCommand())
        return;
    const int label = IsBlockSelection() ? Label::kLabelCutNodes : Label::kLabelCut;
    if (!BeginEdit(label, false, false))
        return;
    EndEdit(DeleteSelectionInGroup());
    m_bTypingRun = false;
}

bool COutlineEditView::CopyItem(COutlineNode *node)
{
    if (!node)
        return false;
    return PutItems(m_pMan->MakeTransferBlock(node), SubtreeText(*m_pMan, node));
}

void COutlineEditView::CutItem(COutlineNode *node)
{
    CutAfterCopy(node, Label::kLabelCutNodes, [this, node] { return CopyItem(node); });
}

void COutlineEditView::CutAfterCopy(
    COutlineNode *node, int label, const std::function<bool()> &copy)
{
    if (!node)
        return;
    if (!IsEditable()) {
        BeginEdit(label, false, false);
        return;
    }
    // The item leaves this outline only once its copy is safe elsewhere.
    if (!copy())
        return;
    if (!BeginEdit(label, false, false))
        return;
    m_pMan->DeleteItem(node);
    if (COutlineNode *fresh = m_pMan->EnsureItem(nullptr))
        WrapItem(fresh, true);
    m_Geometry.InvalidateRows();
    EndEdit(m_Caret.IsSet() ? m_Caret.RowStart() : COutlinePos());
}

// ---- In --------------------------------------------------------------------------------

void COutlineEditView::ReadClipboardKinds() const
{
    m_bClipboardKnown = true;
    m_bClipboardPaste = m_bClipboardItems = false;
    const QMimeData *mime = ClipboardData();
    if (!mime)
        return;
    m_bClipboardItems = mime->hasFormat(CKXClipboard::OutlineFormat());
    m_bClipboardPaste = m_bClipboardItems || mime->hasText();
    for (const QString &format : RichTextFormats()) {
        if (mime->hasFormat(format))
            m_bClipboardPaste = true;
    }
}

bool COutlineEditView::CanPaste() const
{
    if (!m_bClipboardKnown)
        ReadClipboardKinds();
    return m_bClipboardPaste;
}

bool COutlineEditView::ClipboardHoldsItems() const
{
    if (!m_bClipboardKnown)
        ReadClipboardKinds();
    return m_bClipboardItems;
}

void COutlineEditView::PasteCommand(COutlineNode *after, bool itemsOnly)
{
    if (const QMimeData *mime = ClipboardData())
        PasteFromMime(*mime, after, itemsOnly);
}

bool COutlineEditView::PasteFromMime(const QMimeData &data, COutlineNode *after, bool itemsOnly)
{
    if (!after || IsBlockSelection())
        return false;
    const QMimeData *mime = &data;
    bool pasted = false;
    if (mime->hasFormat(CKXClipboard::OutlineFormat())) {
        const COutlinePos keep = itemsOnly ? COutlinePos(0, 0, after) : m_Caret;
        if (!BeginEdit(Label::kLabelPasteNodes, false, false))
            return false;
        COutlinePos caret = keep;
        pasted = PasteOutlineData(*mime, after, &caret);
        EndEdit(caret);
        return pasted;
    }
    if (itemsOnly)
        return false;
    QByteArray rtf;
    for (const QString &format : RichTextFormats()) {
        if (mime->hasFormat(format)) {
            rtf = mime->data(format);
            break;
        }
    }
    const bool single = m_pHost && m_pHost->PasteInSingleNode();
    // Web pages and many programs here offer HTML rather than RTF: its
    // paragraphs and list levels are read the same way.
    CRtfContent html;
    const bool useHtml = !single && rtf.isEmpty() && mime->hasHtml()
        && ReadHtmlParagraphs(mime->html(), &html) && html.m_Paragraphs.size() > 1;
    if (useHtml) {
        if (html.m_nUnsupported) {
            const char32_t code = html.m_nUnsupported;
            RefuseCharacter(QString::fromUcs4(&code, 1));
            return false;
        }
        if (!BeginEdit(Label::kLabelPasteNodes, false, false))
            return false;
        COutlinePos caret = m_Caret;
        pasted = PasteRichTextContent(html, &caret);
        EndEdit(caret);
    } else if (single || rtf.isEmpty()) {
        const QString text = mime->text();
        if (text.isEmpty())
            return false;
        const QString refused = FirstUnsupportedCharacter(text);
        if (!refused.isEmpty()) {
            RefuseCharacter(refused);
            return false;
        }
        if (!BeginEdit(Label::kLabelPaste, false, true))
            return false;
        COutlinePos caret = m_Caret;
        pasted = PastePlainText(text, &caret);
        EndEdit(caret);
    } else {
        const CRtfContent content
            = ReadRtfParagraphs(rtf.constData(), static_cast<std::size_t>(rtf.size()));
        if (content.m_nUnsupported) {
            const char32_t code = content.m_nUnsupported;
            RefuseCharacter(QString::fromUcs4(&code, 1));
            return false;
        }
        if (!BeginEdit(Label::kLabelPasteNodes, false, false))
            return false;
        COutlinePos caret = m_Caret;
        pasted = PasteRichTextContent(content, &caret);
        EndEdit(caret);
    }
    m_bTypingRun = false;
    return pasted;
}

bool COutlineEditView::PasteOutlineData(
    const QMimeData &mime, COutlineNode *after, COutlinePos *caret)
{
    const QByteArray data = mime.data(CKXClipboard::OutlineFormat());
    if (data.isEmpty())
        return false;
    kx_gen::MemHolder block(kx_gen::MemAlloc(static_cast<std::size_t>(data.size())));
    if (!block.get())
        return false;
    std::memcpy(
        kx_gen::MemGetPtr(block.get()), data.constData(), static_cast<std::size_t>(data.size()));
    kx_gen::MemReleasePtr(block.get());
    COutlineMan scratch;
    if (!m_pMan->LoadTransferBlock(block.get(), scratch, true))
        return false;
    COutlineNode *first = nullptr;
    if (!InsertScratch(scratch, after, &first))
        return false;
    (void)caret;
    return true;
}

bool COutlineEditView::PasteRichTextContent(const CRtfContent &content, COutlinePos *caret)
{
    std::vector<const CRtfParagraph *> paragraphs;
    std::vector<int> indents;
    for (const CRtfParagraph &p : content.m_Paragraphs) {
        if (p.m_strText.empty())
            continue;
        paragraphs.push_back(&p);
        indents.push_back(p.m_nIndent);
    }
    if (paragraphs.empty())
        return false;
    const std::vector<int> levels = LevelsFromIndents(indents);
    COutlineMan scratch;
    if (!scratch.NewOutline(false))
        return false;
    // The last item made at each level: the parent of the next deeper one.
    COutlineNode *lastAt[COutlineItem::kLevelCount] = {};
    for (std::size_t i = 0; i < paragraphs.size(); ++i) {
        const int level = levels[i];
        COutlineNode *fresh = nullptr;
        if (level == 0) {
            fresh = scratch.AddFirstItem();
        } else if (COutlineNode *sibling = lastAt[level]) {
            scratch.Collapse(sibling);
            fresh = scratch.NewItem(sibling);
        } else if (COutlineNode *parent = lastAt[level - 1]) {
            scratch.Collapse(parent);
            fresh = scratch.NewItem(parent);
            if (fresh)
                scratch.Indent(fresh);
        }
        if (!fresh)
            break;
        fresh->m_Item.m_Text.SetString(kx_gen::_String(paragraphs[i]->m_strText));
        lastAt[level] = fresh;
        for (int deeper = level + 1; deeper < COutlineItem::kLevelCount; ++deeper)
            lastAt[deeper] = nullptr;
    }
    for (COutlineNode *n = scratch.GetTree().GetFirstChild(nullptr); n;
         n = scratch.GetNextInDocument(n)) {
        if (n->m_pFirstChild)
            scratch.Expand(n);
    }
    COutlineNode *first = nullptr;
    (void)caret;
    return InsertScratch(scratch, m_Caret.m_pItem, &first);
}

bool COutlineEditView::PastePlainText(const QString &text, COutlinePos *caret)
{
    kx_gen::_String bytes;
    if (!FromQString(text, bytes))
        return false;
    COutlineNode *node = m_Caret.m_pItem;
    const CTextPos from = ParaOf(m_SelStart.m_pItem == node ? m_SelStart : m_Caret);
    const CTextPos to = ParaOf(m_SelEnd.m_pItem == node ? m_SelEnd : m_Caret);
    COutlineNode *endNode = node;
    CTextPos end = from;
    if (m_pHost && m_pHost->PasteInSingleNode()) {
        // One item: every line break becomes a paragraph break.
        std::string joined;
        joined.reserve(bytes.size() + 16);
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            const char c = bytes[i];
            if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
                continue;
            if (c == '\n' || c == '\r')
                joined += "\r\n";
            else
                joined += c;
        }
        if (!(from == to))
            m_pMan->DeleteText(node, from, to);
        if (!m_pMan->InsertText(node, from, kx_gen::_String(std::move(joined)), &end))
            return false;
    } else if (!m_pMan->PasteTextLines(node, from, to, bytes, &endNode, &end)) {
        return false;
    }
    m_Geometry.InvalidateRows();
    if (endNode) {
        WrapItem(endNode, false);
        *caret = RowPosOf(endNode, end);
    }
    return true;
}

bool COutlineEditView::InsertScratch(
    const COutlineMan &scratch, COutlineNode *after, COutlineNode **ppFirst)
{
    COutlineNode *parent = m_pMan->GetTree().GetParent(after);
    const bool inserted = m_pMan->InsertTransfer(scratch, parent, after, ppFirst);
    m_Geometry.InvalidateRows();
    return inserted;
}
