#pragma once

#include "NoteText.h"
#include "RecordScan.h"
#include "TextCtrl.h"

#include "kx_gen/Memory.h"
#include "kx_gen/String.h"

#include <cstdint>

namespace kx_gen {
class COutlineRecord;
}

// One item of an open outline. While the outline is open the item's own
// fields are the truth; its record in the outline file's record set is only
// the carrier for loading and saving (LoadFromRecord, StoreToRecord), and it
// keeps the drawing, which is fetched on demand.
class COutlineItem {
public:
    // Levels run from 0 (top level) to kMaxLevel.
    static constexpr int kMaxLevel = 9;
    static constexpr int kLevelCount = kMaxLevel + 1;
    static bool IsValidLevel(int level) { return level >= 0 && level < kLevelCount; }
    // parent's level + 1, clamped to the deepest level.
    static std::uint8_t ChildLevel(int parentLevel)
    {
        return static_cast<std::uint8_t>(parentLevel + 1 > kMaxLevel ? kMaxLevel : parentLevel + 1);
    }

    // A blank item: no record, id 0, level 0, unchecked, collapsed, no
    // drawing, empty text and note, not detached.
    COutlineItem() = default;
    COutlineItem(const COutlineItem &) = delete;
    // Makes this a blank item that keeps only the source's detached flag:
    // an item value inserted into the tree is always blank.
    COutlineItem &operator=(const COutlineItem &source)
    {
        Reset(source);
        return *this;
    }
    void Reset(const COutlineItem &source);

    // The functions below that touch the record expect it to be bound and
    // throw the storage library's exceptions (CException by pointer) when
    // its fields cannot be read or written, and std::bad_alloc.

    // Reads id, level (a stored level above the deepest is taken as 0),
    // checked, expanded, drawing size, text and note from the record. The
    // record keeps its own copy of text and note; from now on the item's
    // fields are the truth, and StoreToRecord brings the record up to date.
    void LoadFromRecord();
    // The same, given a scan of the record as it stands. With `borrowText`,
    // text and note use the record's bytes in place (CTextCtrl::BorrowString,
    // CNoteText::Borrow): only for records whose bytes the caller keeps
    // alive and unchanged for as long as the item lives.
    void LoadFromRecord(const CRecordScan &scan, bool borrowText = false);
    // Writes id, level, checked, expanded, text and note into the record,
    // each only when it differs from what the record holds (a tag given its
    // own value would stay as it is). True when any field was written. The
    // drawing is written into the record whenever it changes.
    bool StoreToRecord();
    // The same, given a scan of the record as it stands.
    bool StoreToRecord(const CRecordScan &scan);
    // Empties the record's text and removes its note, so that the text lives
    // in the item alone (for records that are copied elsewhere).
    void ReleaseRecordText();

    // Whether storing the item would write nothing, known without reading
    // the record: the item is bound to the record it was last loaded from
    // or stored into, the record has not changed since, and neither have
    // id, level, checked, expanded and text (a note is compared with the
    // record's). The fields are changed directly all over the program, so
    // this compares them with what was loaded or stored rather than trust
    // a flag. A load that StoreToRecord would still have to complete (a
    // missing note, an odd byte) leaves it false.
    bool IsStored() const;
    // A byte that the saving manager keeps with what was loaded or stored;
    // 0 after every load or store. KeepStoredMarks also takes the record as
    // it is now for the one the fields were stored into: only for a record
    // that since then had nothing changed but its marks.
    std::uint8_t GetStoredMarks() const { return m_Stored.m_nMarks; }
    void KeepStoredMarks(std::uint8_t marks);

    // The drawing as a new DIB that the caller frees (MemFree), or null when
    // the item has none or it cannot be converted.
    kx_gen::HMEM GetDrawing() const;
    // Stores the DIB (which stays the caller's) as the item's drawing and
    // takes its size from the record. False when the DIB cannot be
    // converted; the item is then unchanged.
    bool SetDrawing(kx_gen::HMEM dib);
    // Removes the drawing.
    void DeleteDrawing();
    bool HasDrawing() const { return m_nDrawWidth > 0; }
    // Takes the drawing's size from the record again (after its drawing
    // bytes were replaced). Throws as the record's getters do.
    void LoadDrawingSize();

    bool HasNote() const { return !m_strNote.IsEmpty(); }
    void ClearNote() { m_strNote.Empty(); }

    // The record in the open outline's record set; owned by the record set,
    // never by the item. Null only before the manager binds one.
    kx_gen::COutlineRecord *m_pRecord = nullptr;
    // The handheld's record id; 0 for an item never synchronised.
    std::uint32_t m_nId = 0;
    // Position among the shown siblings, from 0 (set by renumbering).
    std::int32_t m_nIndex = 0;
    // 0 for a top-level item, the parent's level + 1 otherwise.
    std::uint8_t m_nLevel = 0;
    bool m_bChecked = false;
    bool m_bExpanded = false;
    // Set while the item is out of the tree and lives only in an undo record.
    bool m_bDetached = false;
    // Drawing size in pixels; a width of 0 or less means no drawing.
    std::int32_t m_nDrawWidth = 0;
    std::int32_t m_nDrawHeight = 0;
    CTextCtrl m_Text;
    // Empty when the item has no note.
    CNoteText m_strNote;

private:
    // The largest drawing side taken from a record; larger sizes (only a
    // damaged record has them) count as no drawing.
    static constexpr std::uint32_t kMaxDrawingSide = 0x7FFF;
    void SetDrawSize(std::uint32_t width, std::uint32_t height);
    // Whether the record's text tag holds exactly this item's text.
    bool TextHeldBy(const CRecordScan::TTag &tag) const;
    // Whether StoreToRecord, right after a load from `scan`, would write
    // nothing.
    bool LoadedExactly(const CRecordScan &scan) const;
    // What IsStored compares with, taken once the record holds the fields.
    // `noteData` is where the note's bytes start in the record's block, or
    // null to look it up.
    void TakeStored(const std::uint8_t *noteData = nullptr);
    void ForgetStored() { m_Stored.m_nFields = 0; }
    void FindStoredNote(const std::uint8_t *noteData);
    std::uint8_t StoredFields() const;

    // The fields as last loaded or stored, with the record they went to
    // and that record's change count then.
    struct TStored {
        const kx_gen::COutlineRecord *m_pRecord = nullptr;
        std::uint32_t m_nRecordChanges = 0;
        std::uint32_t m_nId = 0;
        std::uint8_t m_nLevel = 0;
        // Checked, expanded and whether there is a note; 0 when nothing was
        // taken.
        std::uint8_t m_nFields = 0;
        std::uint8_t m_nMarks = 0;
        // Where the note's bytes start in the record's block, so that
        // comparing it needs no walk over the tags; 0 when not known.
        std::uint16_t m_nNoteData = 0;
    };
    TStored m_Stored;
};
