#include "OutlineItem.h"

#include "kx_gen/DBConstants.h"
#include "kx_gen/OutlineRecord.h"

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
    m_strNote = kx_gen::_String();
    m_bDetached = detached;
}

void COutlineItem::LoadFromRecord()
{
    const kx_gen::COutlineRecord &record = *m_pRecord;
    m_nId = record.GetId();
    const std::uint8_t indent = record.GetIndent();
    m_nLevel = IsValidLevel(indent) ? indent : 0;
    m_bChecked = record.GetChecked();
    m_bExpanded = record.GetExpanded();
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    record.GetDrawingSize(width, height);
    SetDrawSize(width, height);

    kx_gen::_String text;
    bool hasText = false;
    if (record.GetTags().hasStringTag(kx_gen::COutlineRecord::kTextString, hasText)
            == kx_gen::kTagOK
        && hasText)
        record.GetText(text);
    m_Text.SetString(text);
    if (record.HasNote())
        record.GetNote(m_strNote);
    else
        m_strNote.Empty();
    ReleaseRecordText();
}

void COutlineItem::StoreToRecord()
{
    kx_gen::COutlineRecord &record = *m_pRecord;
    record.SetId(m_nId);
    record.SetIndent(m_nLevel);
    record.SetChecked(m_bChecked);
    record.SetExpanded(m_bExpanded);
    record.SetText(m_Text.GetString());
    record.SetNote(m_strNote);
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
