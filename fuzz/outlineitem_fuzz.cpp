// Arbitrary bytes as the tag block of an outline record, as a damaged file
// hands it to the outline model. Loading an item walks the block once
// instead of asking the record field by field, and storing an item writes
// only the fields that differ; both must do exactly what the record's own
// accessors do. So: whatever the item reads must equal what the accessors
// read, and storing into the record must leave the same bytes as setting
// every field through the accessors. Damage must surface as the library's
// exception, never as a crash.

#include "OutlineItem.h"

#include "kx_gen/Exception.h"
#include "kx_gen/FileStream.h"
#include "kx_gen/MemFile.h"
#include "kx_gen/OutlineRecord.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

using namespace kx_gen;

namespace {

// The record framed as in a file, read through the record's own reader.
bool ReadRecord(const std::uint8_t *data, std::size_t size, COutlineRecord &record)
{
    std::vector<std::uint8_t> framed;
    framed.insert(framed.end(), kRecordStartTag, kRecordStartTag + kStartTagLen);
    const auto length = static_cast<std::uint32_t>(size);
    for (int k = 0; k < 4; ++k)
        framed.push_back(static_cast<std::uint8_t>(length >> (8 * k)));
    framed.insert(framed.end(), data, data + size);
    framed.insert(framed.end(), kRecordEndTag, kRecordEndTag + kEndTagLen);
    MemFile file(framed.data(), static_cast<unsigned>(framed.size()));
    CFileStream stream(&file);
    try {
        record.Read(stream);
    } catch (CException *e) {
        e->Delete();
        return false;
    }
    return true;
}

// Runs f; true when it finished, false when it threw one of the library's
// exceptions for a damaged tag block. Anything else is a fault.
template <typename F> bool Try(F f)
{
    try {
        f();
        return true;
    } catch (CException *e) {
        const unsigned id = e->GetStringId();
        e->Delete();
        if (id != kMsgDataCorruption && id != kMsgDataClassNotFound && id != kMsgDataBufferOverflow
            && id != kMsgUnknownData)
            std::abort();
        return false;
    }
}

struct Fields {
    std::uint32_t id = 0;
    int level = 0;
    bool checked = false;
    bool expanded = false;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    _String text;
    _String note;
};

// What the record's accessors say, as an item reads it.
bool ReadByAccessors(const COutlineRecord &record, Fields &f)
{
    return Try([&] {
        f.id = record.GetId();
        const std::uint8_t indent = record.GetIndent();
        f.level = indent <= COutlineItem::kMaxLevel ? indent : 0;
        f.checked = record.GetChecked();
        f.expanded = record.GetExpanded();
        record.GetDrawingSize(f.width, f.height);
        bool hasText = false;
        if (record.GetTags().hasStringTag(COutlineRecord::kTextString, hasText) == kTagOK
            && hasText)
            record.GetText(f.text);
        if (record.HasNote())
            record.GetNote(f.note);
    });
}

// A text as the text object holds it: paragraph breaks become CR LF.
_String Normalised(const _String &text)
{
    CTextCtrl control;
    control.SetString(text);
    return control.GetString();
}

std::vector<std::uint8_t> Bytes(const COutlineRecord &record)
{
    const std::uint8_t *p = record.GetRawDataPtr();
    return p ? std::vector<std::uint8_t>(p, p + record.GetRecSize()) : std::vector<std::uint8_t>();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size > 1 << 16)
        return 0;
    COutlineRecord record;
    if (!ReadRecord(data, size, record))
        return 0;

    Fields expected;
    const bool readable = ReadByAccessors(record, expected);
    COutlineItem item;
    item.m_pRecord = &record;
    const bool loaded = Try([&] { item.LoadFromRecord(); });
    if (readable != loaded)
        std::abort();
    if (!loaded)
        return 0;
    const bool sized = expected.width > 0 && expected.height > 0 && expected.width <= 0x7FFF
        && expected.height <= 0x7FFF;
    if (item.m_nId != expected.id || item.m_nLevel != expected.level
        || item.m_bChecked != expected.checked || item.m_bExpanded != expected.expanded
        || item.m_Text.GetString() != Normalised(expected.text)
        || !(item.m_strNote == expected.note) || item.HasDrawing() != sized
        || (sized && item.m_nDrawHeight != static_cast<std::int32_t>(expected.height)))
        std::abort();
    // A load that knows itself stored must be one that storing would leave
    // as it is: a save skips such items.
    const bool knownStored = item.IsStored();
    if (knownStored) {
        const std::vector<std::uint8_t> before = Bytes(record);
        if (!Try([&] { item.StoreToRecord(); }) || Bytes(record) != before)
            std::abort();
    }

    {
        // A record just read from a file carries the index of its tags, and
        // its item borrows the text: the same item must come out.
        record.GetTags().indexTags();
        COutlineItem borrowed;
        borrowed.m_pRecord = &record;
        if (!Try([&] { borrowed.LoadFromRecord(CRecordScan(record), true); }))
            std::abort();
        if (borrowed.m_nId != item.m_nId || borrowed.m_nLevel != item.m_nLevel
            || borrowed.m_bChecked != item.m_bChecked || borrowed.m_bExpanded != item.m_bExpanded
            || borrowed.m_Text.GetString() != item.m_Text.GetString()
            || !(borrowed.m_strNote == item.m_strNote)
            || borrowed.m_nDrawWidth != item.m_nDrawWidth
            || borrowed.m_nDrawHeight != item.m_nDrawHeight
            || borrowed.IsStored() != knownStored)
            std::abort();
    }

    // Storing a changed item: only what differs versus every field.
    item.m_nLevel = static_cast<std::uint8_t>((item.m_nLevel + (size & 1)) % 10);
    if (size & 2)
        item.m_Text.SetString("changed");
    if (size & 4)
        item.m_strNote = "";
    COutlineRecord everyField(record);
    const bool stored = Try([&] { item.StoreToRecord(); });
    const bool storedAll = Try([&] {
        everyField.SetId(item.m_nId);
        everyField.SetIndent(item.m_nLevel);
        everyField.SetChecked(item.m_bChecked);
        everyField.SetExpanded(item.m_bExpanded);
        everyField.SetText(item.m_Text.GetString());
        everyField.SetNote(item.m_strNote.GetString());
    });
    if (stored != storedAll || (stored && Bytes(record) != Bytes(everyField)))
        std::abort();
    return 0;
}
