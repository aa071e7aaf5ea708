#include "OutlineItem.h"

#include "kx_gen/ByteOrder.h"
#include "kx_gen/DBConstants.h"
#include "kx_gen/DrawingFormat.h"
#include "kx_gen/OutlineRecord.h"

#include <cstring>

void COutlineItem::Reset(const COutlineItem &source)
{
    const bool detached = source.m_bDetached;
    m_pRecord = nullptr;
    m_nId = 0;
    m_nIndex = 0;
    m_nLevel = 0;
    m_bChecked = false;
    m_bExpanded = false;
    m_nDrawWidth = 0;
    m_nDrawHeight = 0;
    m_Text = CTextCtrl();
    m_strNote.Empty();
    m_bDetached = detached;
    ForgetStored();
}

void COutlineItem::LoadFromRecord()
{
    LoadFromRecord(CRecordScan(*m_pRecord));
}

inline std::uint8_t COutlineItem::StoredFields() const
{
    // The top bit tells a state taken from one that was not.
    return static_cast<std::uint8_t>(
        0x80 | (m_bChecked ? 1 : 0) | (m_bExpanded ? 2 : 0) | (HasNote() ? 4 : 0));
}

inline void COutlineItem::FindStoredNote(const std::uint8_t *noteData)
{
    m_Stored.m_nNoteData = 0;
    if (!HasNote())
        return;
    if (!noteData) {
        std::uint32_t length = 0;
        noteData = m_pRecord->GetTags().findData(
            kx_gen::kStringTagIDCode + kx_gen::COutlineRecord::kNoteString, length);
    }
    const std::uint8_t *block = m_pRecord->GetRawDataPtr();
    if (noteData && block && noteData > block && noteData - block <= 0xFFFF)
        m_Stored.m_nNoteData = static_cast<std::uint16_t>(noteData - block);
}

inline void COutlineItem::TakeStored(const std::uint8_t *noteData)
{
    m_Stored.m_pRecord = m_pRecord;
    m_Stored.m_nRecordChanges = m_pRecord->GetTags().changeCount();
    m_Stored.m_nId = m_nId;
    m_Stored.m_nLevel = m_nLevel;
    m_Stored.m_nFields = StoredFields();
    m_Stored.m_nMarks = 0;
    FindStoredNote(noteData);
    m_Text.MarkUnchanged();
}

inline bool COutlineItem::LoadedExactly(const CRecordScan &scan) const
{
    // Called after a load from the scan: the values were read from these
    // tags, and text and note as 8-bit strings, so what is left to know is
    // whether the setters would write them back as they are. A version, a
    // UTF-16 flag, a boolean byte other than 0 or 1 or a level read as
    // another makes them write. (Every load asks this, so the tests are
    // folded together.)
    const CRecordScan::TTag &indent = scan.m_Indent;
    const CRecordScan::TTag &note = scan.m_Note;
    const CRecordScan::TTag &text = scan.m_Text;
    std::uint32_t odd
        = std::uint32_t(note.Version() | text.Version()) | (indent.Data()[0] ^ m_nLevel);
    // A scan of a record as written has checked the one-value tags already.
    if (!scan.IsWritten()) {
        const CRecordScan::TTag &id = scan.m_Id;
        const CRecordScan::TTag &checked = scan.m_Checked;
        const CRecordScan::TTag &expanded = scan.m_Expanded;
        odd |= std::uint32_t(
                   id.Version() | indent.Version() | checked.Version() | expanded.Version())
            | ((id.Flags() | indent.Flags() | checked.Flags() | expanded.Flags())
                & kx_gen::kTagUnicodeFlag)
            | ((checked.Data()[0] | expanded.Data()[0]) & ~1u);
    }
    if (odd || !note.IsFound() || note.Length() != m_strNote.size() + 1 || !text.IsFound()
        || text.Length() == 0)
        return false;
    // A text without a carriage return is one paragraph of the bytes before
    // the first 0: it reads back as stored when that 0 ends the tag. Any
    // other text is compared.
    if (m_Text.GetParaCount() == 1)
        return static_cast<std::uint32_t>(m_Text.GetPara(0).GetLength()) + 1 == text.Length();
    return TextHeldBy(text);
}

void COutlineItem::LoadFromRecord(const CRecordScan &scan, bool borrowText)
{
    ForgetStored();
    const kx_gen::COutlineRecord &record = *m_pRecord;
    std::uint32_t id = 0;
    std::uint8_t indent = 0;
    std::uint8_t checked = 0;
    std::uint8_t expanded = 0;
    bool valuesRead = true;
    if (scan.IsWritten()) {
        // Nearly every record: each value is in its place, of its length.
        id = kx_gen::GetLE32(scan.m_Id.Data());
        indent = scan.m_Indent.Data()[0];
        checked = scan.m_Checked.Data()[0];
        expanded = scan.m_Expanded.Data()[0];
    } else {
        valuesRead = scan.IsValid() && scan.m_Id.GetU32(id) && scan.m_Indent.GetByte(indent)
            && scan.m_Checked.GetByte(checked) && scan.m_Expanded.GetByte(expanded);
    }
    std::string_view note;
    if (valuesRead && (!scan.m_Text.IsFound() || scan.m_Text.IsPlainString())
        && (!scan.m_Note.IsFound() || scan.m_Note.GetPlainString(note))) {
        m_nId = id;
        m_nLevel = IsValidLevel(indent) ? indent : 0;
        m_bChecked = checked != 0;
        m_bExpanded = expanded != 0;
        std::uint32_t width = 0;
        std::uint32_t height = 0;
        if (scan.m_Drawing.IsFound()
            && kx_gen::GetDrawingFormatSize(
                scan.m_Drawing.Data(), scan.m_Drawing.Length(), &width, &height))
            SetDrawSize(width, height);
        else
            m_nDrawWidth = m_nDrawHeight = 0;
        if (!scan.m_Text.IsFound() || scan.m_Text.Length() == 0) {
            m_Text.SetChars(nullptr, 0);
        } else if (borrowText) {
            m_Text.BorrowString(reinterpret_cast<const char *>(scan.m_Text.Data()));
        } else {
            std::string_view text;
            scan.m_Text.GetPlainString(text);
            m_Text.SetChars(text.data(), text.size());
        }
        // Nine items in ten have no note: clearing costs less than a copy.
        // A plain string's bytes end in a 0, so a borrowed note is one too.
        if (note.empty())
            m_strNote.Empty();
        else if (borrowText)
            m_strNote.Borrow(note.data(), static_cast<std::uint32_t>(note.size()));
        else
            m_strNote = note;
        if (LoadedExactly(scan))
            TakeStored(scan.m_Note.Data());
        return;
    }

    // Anything unusual (damage, UTF-16 strings) goes through the record's
    // accessors, which convert what they can and report the rest.
    m_nId = record.GetId();
    indent = record.GetIndent();
    m_nLevel = IsValidLevel(indent) ? indent : 0;
    m_bChecked = record.GetChecked();
    m_bExpanded = record.GetExpanded();
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    record.GetDrawingSize(width, height);
    SetDrawSize(width, height);
    kx_gen::_String plain;
    bool hasText = false;
    if (record.GetTags().hasStringTag(kx_gen::COutlineRecord::kTextString, hasText)
            == kx_gen::kTagOK
        && hasText)
        record.GetText(plain);
    m_Text.SetString(plain);
    if (record.HasNote())
        m_strNote = record.GetNote();
    else
        m_strNote.Empty();
}

bool COutlineItem::TextHeldBy(const CRecordScan::TTag &tag) const
{
    // The record holds the paragraphs joined by CR LF and a 0 byte.
    if (!tag.IsFound() || tag.Version() != 0 || (tag.Flags() & kx_gen::kTagUnicodeFlag))
        return false;
    const int paras = m_Text.GetParaCount();
    std::size_t length = 2 * static_cast<std::size_t>(paras - 1) + 1;
    for (int k = 0; k < paras; ++k)
        length += static_cast<std::size_t>(m_Text.GetPara(k).GetLength());
    if (tag.Length() != length || tag.Data()[length - 1] != 0)
        return false;
    const char *p = reinterpret_cast<const char *>(tag.Data());
    for (int k = 0; k < paras; ++k) {
        if (k > 0) {
            if (p[0] != '\r' || p[1] != '\n')
                return false;
            p += 2;
        }
        const std::string_view para = m_Text.GetPara(k).GetText();
        if (para.compare(0, para.size(), p, para.size()) != 0)
            return false;
        p += para.size();
    }
    return true;
}

bool COutlineItem::StoreToRecord()
{
    return StoreToRecord(CRecordScan(*m_pRecord));
}

bool COutlineItem::StoreToRecord(const CRecordScan &scan)
{
    ForgetStored();
    kx_gen::COutlineRecord &record = *m_pRecord;
    // Only the fields that differ are written: a setter given the value a
    // tag holds would leave it as it is anyway.
    bool id = true, level = true, checked = true, expanded = true, text = true, note = true;
    {
        if (scan.IsValid()) {
            const std::uint8_t idBytes[4] = { static_cast<std::uint8_t>(m_nId),
                static_cast<std::uint8_t>(m_nId >> 8), static_cast<std::uint8_t>(m_nId >> 16),
                static_cast<std::uint8_t>(m_nId >> 24) };
            const std::uint8_t checkedByte = m_bChecked ? 1 : 0;
            const std::uint8_t expandedByte = m_bExpanded ? 1 : 0;
            id = !scan.m_Id.Holds(idBytes, 4);
            level = !scan.m_Indent.Holds(&m_nLevel, 1);
            checked = !scan.m_Checked.Holds(&checkedByte, 1);
            expanded = !scan.m_Expanded.Holds(&expandedByte, 1);
            text = !TextHeldBy(scan.m_Text);
            note = !scan.m_Note.Holds(
                m_strNote.c_str(), static_cast<std::uint32_t>(m_strNote.size() + 1));
        }
    }
    // The setters may move the block the scan points into: what is wanted
    // of its tags is read before any of them runs. They write each value as
    // Holds reads it, except that they keep a UTF-16 flag on a tag that is
    // not a string: such a record is stored again next time.
    const auto flagged
        = [](const CRecordScan::TTag &tag) { return (tag.Flags() & kx_gen::kTagUnicodeFlag) != 0; };
    const bool storedExactly = scan.IsValid() && !flagged(scan.m_Id) && !flagged(scan.m_Indent)
        && !flagged(scan.m_Checked) && !flagged(scan.m_Expanded);
    if (id)
        record.SetId(m_nId);
    if (level)
        record.SetIndent(m_nLevel);
    if (checked)
        record.SetChecked(m_bChecked);
    if (expanded)
        record.SetExpanded(m_bExpanded);
    if (text)
        record.SetText(m_Text.GetString());
    if (note)
        record.SetNote(m_strNote.GetString());
    if (storedExactly)
        TakeStored();
    return id || level || checked || expanded || text || note;
}

bool COutlineItem::IsStored() const
{
    if (!m_pRecord || m_Stored.m_pRecord != m_pRecord
        || m_Stored.m_nRecordChanges != m_pRecord->GetTags().changeCount()
        || m_Stored.m_nId != m_nId || m_Stored.m_nLevel != m_nLevel
        || m_Stored.m_nFields != StoredFields() || !m_Text.IsUnchanged())
        return false;
    if (!HasNote())
        return true;
    // One item in ten or so has a note; it is not watched the way the item
    // text is, so it is compared with the record's, which held exactly the
    // note stored. The record has not changed since, so the note is where
    // it was then.
    const std::uint32_t wanted = static_cast<std::uint32_t>(m_strNote.size()) + 1;
    const std::uint8_t *stored = nullptr;
    std::uint32_t length = 0;
    const std::uint32_t at = m_Stored.m_nNoteData;
    if (at >= kx_gen::kTagHeaderSize && at <= m_pRecord->GetRecSize()) {
        const std::uint8_t *header = m_pRecord->GetRawDataPtr() + at - kx_gen::kTagHeaderSize;
        if (kx_gen::GetLE32(header + kx_gen::kTagIdOffset)
            == kx_gen::kStringTagIDCode + kx_gen::COutlineRecord::kNoteString) {
            length = kx_gen::GetLE32(header + kx_gen::kTagLengthOffset);
            if (length <= m_pRecord->GetRecSize() - at)
                stored = header + kx_gen::kTagHeaderSize;
        }
    }
    if (!stored)
        stored = m_pRecord->GetTags().findData(
            kx_gen::kStringTagIDCode + kx_gen::COutlineRecord::kNoteString, length);
    return stored && length == wanted && std::memcmp(stored, m_strNote.c_str(), length) == 0;
}

void COutlineItem::KeepStoredMarks(std::uint8_t marks)
{
    if (!m_pRecord || m_Stored.m_pRecord != m_pRecord || m_Stored.m_nFields == 0)
        return;
    // Written only when different: a save that changes nothing leaves the
    // items' memory clean.
    if (m_Stored.m_nMarks != marks)
        m_Stored.m_nMarks = marks;
    const std::uint32_t changes = m_pRecord->GetTags().changeCount();
    if (m_Stored.m_nRecordChanges != changes) {
        m_Stored.m_nRecordChanges = changes;
        // Marks are rewritten in place, but a missing mark is added.
        FindStoredNote(nullptr);
    }
}

void COutlineItem::ReleaseRecordText()
{
    m_pRecord->DeleteText();
    if (m_pRecord->HasNote())
        m_pRecord->DeleteNote();
}

kx_gen::HMEM COutlineItem::GetDrawing() const
{
    return m_nDrawWidth > 0 && m_pRecord ? m_pRecord->GetDrawing() : nullptr;
}

bool COutlineItem::SetDrawing(kx_gen::HMEM dib)
{
    if (!m_pRecord->SetDrawing(dib))
        return false;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    m_pRecord->GetDrawingSize(width, height);
    SetDrawSize(width, height);
    return true;
}

void COutlineItem::LoadDrawingSize()
{
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    m_pRecord->GetDrawingSize(width, height);
    SetDrawSize(width, height);
}

void COutlineItem::DeleteDrawing()
{
    m_pRecord->DeleteBitmap();
    m_nDrawWidth = 0;
    m_nDrawHeight = 0;
}

void COutlineItem::SetDrawSize(std::uint32_t width, std::uint32_t height)
{
    // Sizes come from the file: one that does not fit the item's fields
    // counts as no drawing rather than as a negative or huge picture.
    if (width == 0 || height == 0 || width > kMaxDrawingSide || height > kMaxDrawingSide) {
        m_nDrawWidth = 0;
        m_nDrawHeight = 0;
        return;
    }
    m_nDrawWidth = static_cast<std::int32_t>(width);
    m_nDrawHeight = static_cast<std::int32_t>(height);
}
