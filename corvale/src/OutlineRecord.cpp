#include "kx_gen/OutlineRecord.h"

#include "kx_gen/DrawingFormat.h"

#include <cstdlib>
#include <vector>

namespace kx_gen {

namespace {

void setDefaults(CTaggedDataManager &tags)
{
    KX_TAG_CHECK(tags.setUInt32(COutlineRecord::kIdTag, 0));
    KX_TAG_CHECK(tags.setUInt8(COutlineRecord::kIndentTag, 0));
    KX_TAG_CHECK(tags.setString(COutlineRecord::kTextString, _String()));
    KX_TAG_CHECK(tags.setString(COutlineRecord::kNoteString, _String()));
    KX_TAG_CHECK(tags.setBool(COutlineRecord::kExpandedTag, true));
    KX_TAG_CHECK(tags.setBool(COutlineRecord::kCheckedTag, false));
}

// The tags of setDefaults as one block, in id order.
const std::vector<std::uint8_t> &defaultTags()
{
    static const std::vector<std::uint8_t> bytes = [] {
        std::uint8_t *data = nullptr;
        CTaggedDataManager tags(&data, 0, false, 0, kMemBlock);
        try {
            setDefaults(tags);
        } catch (...) {
            std::free(data);
            throw;
        }
        std::vector<std::uint8_t> block(data, data + tags.size());
        std::free(data);
        return block;
    }();
    return bytes;
}

} // namespace

COutlineRecord &COutlineRecord::operator=(const COutlineRecord &other)
{
    CDBRecord::operator=(other);
    return *this;
}

void COutlineRecord::Init()
{
    CDBRecord::Init();
    // A new record holds only tags below the outline's own (status and sort
    // changed): the defaults then go after them in one piece, which is what
    // setting them one by one would give.
    CTaggedDataManager::TagType tag;
    std::uint32_t offset = 0;
    bool onlyLowerIds = true;
    std::int32_t rc;
    while ((rc = m_tags.getTagAt(offset, tag)) == kTagOK) {
        onlyLowerIds = onlyLowerIds && tag.id < kIdTag;
        offset += kTagHeaderSize + tag.length;
    }
    if (onlyLowerIds && rc == kTagNotFound && offset == m_tags.size()) {
        const std::vector<std::uint8_t> &defaults = defaultTags();
        KX_TAG_CHECK(
            m_tags.insert(offset, defaults.data(), static_cast<std::uint32_t>(defaults.size())));
        return;
    }
    setDefaults(m_tags);
}

void COutlineRecord::SetId(std::uint32_t id)
{
    KX_TAG_CHECK(m_tags.setUInt32(kIdTag, id));
}

std::uint32_t COutlineRecord::GetId() const
{
    std::uint32_t id = 0;
    KX_TAG_CHECK(m_tags.getUInt32(kIdTag, id));
    return id;
}

void COutlineRecord::SetIndent(std::uint8_t level)
{
    KX_TAG_CHECK(m_tags.setUInt8(kIndentTag, level));
}

void COutlineRecord::SetText(const _String &text)
{
    KX_TAG_CHECK(m_tags.setString(kTextString, text));
}

_String COutlineRecord::GetText() const
{
    _String text;
    GetText(text);
    return text;
}

void COutlineRecord::DeleteText()
{
    SetText(_String());
}

void COutlineRecord::SetNote(const _String &note)
{
    KX_TAG_CHECK(m_tags.setString(kNoteString, note));
}

_String COutlineRecord::GetNote() const
{
    _String note;
    GetNote(note);
    return note;
}

bool COutlineRecord::hasWideNote() const
{
    _String note;
    return m_tags.getString(kNoteString, note) == kTagOK && !note.IsEmpty();
}

void COutlineRecord::DeleteNote()
{
    KX_TAG_CHECK(m_tags.deleteStringData(kNoteString));
}

void COutlineRecord::SetExpanded(bool expanded)
{
    KX_TAG_CHECK(m_tags.setBool(kExpandedTag, expanded));
}

void COutlineRecord::SetChecked(bool checked)
{
    KX_TAG_CHECK(m_tags.setBool(kCheckedTag, checked));
}

bool COutlineRecord::SetDrawing(HMEM dib)
{
    MemHolder drawing(ConvertDibToInternalFormat(dib));
    if (!drawing)
        return false;
    const void *bytes = MemGetPtr(drawing.get());
    const std::size_t size = MemGetSize(drawing.get());
    if (!bytes || size > 0xFFFFFFFFu - kTagHeaderSize) {
        MemReleasePtr(drawing.get());
        return false;
    }
    const std::int32_t rc = m_tags.setData(kDrawingTag, bytes, static_cast<std::uint32_t>(size));
    MemReleasePtr(drawing.get());
    KX_TAG_CHECK(rc);
    return true;
}

void COutlineRecord::SetDrawingData(const void *data, std::uint32_t size)
{
    KX_TAG_CHECK(m_tags.setData(kDrawingTag, data, size));
}

HMEM COutlineRecord::GetDrawing() const
{
    std::uint32_t size = 0;
    const std::uint8_t *data = GetDrawingData(size);
    if (!data || size == 0)
        return nullptr;
    return ConvertInternalFormatToDib(data, size);
}

void COutlineRecord::GetDrawingSize(std::uint32_t &width, std::uint32_t &height) const
{
    width = 0;
    height = 0;
    std::uint32_t size = 0;
    const std::uint8_t *data = GetDrawingData(size);
    if (!data || !GetDrawingFormatSize(data, size, &width, &height)) {
        width = 0;
        height = 0;
    }
}

void COutlineRecord::DeleteBitmap()
{
    KX_TAG_CHECK(m_tags.deleteData(kDrawingTag));
}

bool COutlineRecord::fieldChanged(std::uint32_t id) const
{
    bool changed = false;
    const std::int32_t rc = m_tags.getTagChanged(id, changed);
    if (rc == kTagNotFound)
        return false;
    KX_TAG_CHECK(rc);
    return changed;
}

void COutlineRecord::UpdateChangedFields(const COutlineRecord &older)
{
    KX_TAG_CHECK(m_tags.setTagChanged(kIndentTag, GetIndent() != older.GetIndent()));
    KX_TAG_CHECK(m_tags.setStringTagChanged(kTextString, GetText() != older.GetText()));
    KX_TAG_CHECK(m_tags.setTagChanged(kExpandedTag, GetExpanded() != older.GetExpanded()));
    KX_TAG_CHECK(m_tags.setTagChanged(kCheckedTag, GetChecked() != older.GetChecked()));

    const bool hasNote = HasNote();
    const bool olderHasNote = older.HasNote();
    bool noteChanged = false;
    if (hasNote && olderHasNote)
        noteChanged = GetNote() != older.GetNote();
    else
        // A note that appeared, or one that was removed since: both must
        // reach the handheld.
        noteChanged = hasNote != olderHasNote;

    bool found = false;
    KX_TAG_CHECK(m_tags.hasStringTag(kNoteString, found));
    if (!found)
        SetNote(_String());
    KX_TAG_CHECK(m_tags.setStringTagChanged(kNoteString, noteChanged));
}

void COutlineRecord::updateRecordChanged()
{
    bool changed = fieldChanged(kIndentTag) || fieldChanged(kStringTagIDCode + kTextString)
        || fieldChanged(kStringTagIDCode + kNoteString) || fieldChanged(kCheckedTag)
        || (HasDrawing() && fieldChanged(kDrawingTag));
    SetChanged(changed);
}

} // namespace kx_gen
