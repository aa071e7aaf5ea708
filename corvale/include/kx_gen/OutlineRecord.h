#pragma once

#include "kx_gen/DBRecord.h"
#include "kx_gen/Export.h"
#include "kx_gen/Memory.h"
#include "kx_gen/String.h"
#include "kx_gen/TaggedDataManager.h"

#include <cstdint>

namespace kx_gen {

// One outline item on disk. The tree is not stored: records follow each
// other in document order and each holds its indent level. Beside the status
// and sort-changed tags of every record it holds the handheld's record id,
// the level, the text and the note (string tags), the expanded and checked
// flags and, when the item has one, a drawing in the internal drawing format.
//
// Every getter throws CException message 16 when its tag is missing and 15
// when the tag block is corrupt; every setter throws message 18 when memory
// runs out. Init creates every field except the drawing.
class KX_GEN_EXPORT COutlineRecord : public CDBRecord {
public:
    static constexpr std::uint32_t kIdTag = 5;
    static constexpr std::uint32_t kIndentTag = 6;
    static constexpr std::uint32_t kTextString = 7; // string tag index
    static constexpr std::uint32_t kNoteString = 8; // string tag index
    static constexpr std::uint32_t kExpandedTag = 9;
    static constexpr std::uint32_t kCheckedTag = 10;
    static constexpr std::uint32_t kDrawingTag = 12;

    COutlineRecord() = default;
    // A record without tags that Read is about to fill.
    explicit COutlineRecord(TToBeRead toBeRead)
        : CDBRecord(toBeRead)
    {
    }
    COutlineRecord(const COutlineRecord &other) = default;
    // Deep copy of the tags; the copy is in no file.
    COutlineRecord &operator=(const COutlineRecord &other);

    // Id 0, level 0, empty text and note, expanded, not checked, no drawing.
    void Init() override;

    // The handheld's unique record id; 0 for an item never synchronised.
    void SetId(std::uint32_t id);
    std::uint32_t GetId() const;
    // The indent level, 0 for the top level.
    void SetIndent(std::uint8_t level);
    std::uint8_t GetIndent() const
    {
        std::uint8_t level = 0;
        KX_TAG_CHECK(m_tags.getUInt8(kIndentTag, level));
        return level;
    }

    void SetText(const _String &text);
    _String GetText() const;
    // Fills `text` (cheaper in loops: the string's buffer is reused).
    void GetText(_String &text) const { KX_TAG_CHECK(m_tags.getString(kTextString, text)); }
    // Empties the text.
    void DeleteText();

    void SetNote(const _String &note);
    // The note; throws message 16 when the record has none (DeleteNote).
    _String GetNote() const;
    void GetNote(_String &note) const { KX_TAG_CHECK(m_tags.getString(kNoteString, note)); }
    // True when the record holds a note with some text.
    bool HasNote() const
    {
        std::uint32_t size = 0;
        const std::uint8_t *data = m_tags.findData(kStringTagIDCode + kNoteString, size);
        if (!data || size <= 1)
            return false;
        // A leading 0 byte may still start UTF-16 text: read it properly.
        return data[0] != 0 || hasWideNote();
    }
    // Removes the note's tag.
    void DeleteNote();

    void SetExpanded(bool expanded);
    bool GetExpanded() const
    {
        bool value = false;
        KX_TAG_CHECK(m_tags.getBool(kExpandedTag, value));
        return value;
    }
    void SetChecked(bool checked);
    bool GetChecked() const
    {
        bool value = false;
        KX_TAG_CHECK(m_tags.getBool(kCheckedTag, value));
        return value;
    }

    // Stores a DIB as the item's drawing, converted to the internal drawing
    // format. The DIB stays the caller's. False, with nothing stored, when
    // the DIB cannot be converted.
    bool SetDrawing(HMEM dib);
    // The drawing as a new DIB that the caller frees with MemFree, or null
    // when the record has none or its bytes cannot be converted.
    HMEM GetDrawing() const;
    // True when the record holds drawing bytes (that need not be valid).
    bool HasDrawing() const
    {
        std::uint32_t size = 0;
        return m_tags.findData(kDrawingTag, size) && size > 0;
    }
    // The drawing's width and height as its bytes record them; 0 x 0 without
    // a drawing or when the bytes are too short to say.
    void GetDrawingSize(std::uint32_t &width, std::uint32_t &height) const;
    // Removes the drawing.
    void DeleteBitmap();
    // The drawing bytes in place (valid until the record changes), or null
    // when there are none.
    const std::uint8_t *GetDrawingData(std::uint32_t &size) const
    {
        const std::uint8_t *data = m_tags.findData(kDrawingTag, size);
        return size ? data : nullptr;
    }
    // Stores drawing bytes as they are.
    void SetDrawingData(const void *data, std::uint32_t size);

    // Sets or clears the changed bit of the level, text, expanded, checked
    // and note fields by comparing this record with an older version of the
    // same item. A note that only one of the two has counts as changed; when
    // neither has one, an empty note is created unchanged. The drawing is
    // not compared: its bit says whether it was set since the last
    // synchronisation.
    void UpdateChangedFields(const COutlineRecord &older);
    // Sets the record's changed status bit when the level, text, note,
    // checked or (when present) drawing field is marked changed, else clears
    // it. The expanded flag does not count.
    void updateRecordChanged();

protected:
    bool fieldChanged(std::uint32_t id) const;

private:
    // A note whose first byte is 0 holds text only when stored as UTF-16.
    bool hasWideNote() const;
};

} // namespace kx_gen
