#include "OutlineItem.h"
#include "OutlineTestSupport.h"

#include "kx_gen/DibUtil.h"
#include "kx_gen/DrawingFormat.h"
#include "kx_gen/Memory.h"
#include "kx_gen/OutlineRecord.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

using kx_gen::COutlineRecord;

namespace {

class Item : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_Record.Init();
        m_Item.m_pRecord = &m_Record;
    }

    COutlineRecord m_Record;
    COutlineItem m_Item;
};

} // namespace

TEST_F(Item, StoringAndLoadingCarryEveryField)
{
    m_Item.m_nId = 4711;
    m_Item.m_nLevel = 4;
    m_Item.m_bChecked = true;
    m_Item.m_bExpanded = false;
    m_Item.m_Text.SetString("one\r\ntwo");
    m_Item.m_strNote = "note";
    m_Item.StoreToRecord();
    EXPECT_EQ(m_Record.GetId(), 4711u);
    EXPECT_EQ(m_Record.GetIndent(), 4);
    EXPECT_EQ(m_Record.GetText(), "one\r\ntwo");
    EXPECT_EQ(m_Record.GetNote(), "note");

    COutlineItem loaded;
    loaded.m_pRecord = &m_Record;
    loaded.LoadFromRecord();
    EXPECT_EQ(loaded.m_nId, 4711u);
    EXPECT_EQ(loaded.m_nLevel, 4);
    EXPECT_TRUE(loaded.m_bChecked);
    EXPECT_FALSE(loaded.m_bExpanded);
    EXPECT_EQ(loaded.m_Text.GetString(), "one\r\ntwo");
    EXPECT_EQ(loaded.m_strNote, "note");
    // The record keeps its copy until it is released.
    EXPECT_EQ(m_Record.GetText(), "one\r\ntwo");
    loaded.ReleaseRecordText();
    EXPECT_EQ(m_Record.GetText(), "");
    EXPECT_FALSE(m_Record.HasNote());
    EXPECT_EQ(loaded.m_Text.GetString(), "one\r\ntwo");
}

TEST_F(Item, StoringWritesOnlyWhatDiffers)
{
    m_Item.m_Text.SetString("text");
    m_Item.m_nId = 5;
    EXPECT_TRUE(m_Item.StoreToRecord());
    // As after a synchronisation: no field marked changed.
    for (std::uint32_t id : { 5u, 6u, 9u, 10u, 0x10007u, 0x10008u })
        m_Record.GetTags().setTagChanged(id, false);
    const std::vector<std::uint8_t> before(
        m_Record.GetRawDataPtr(), m_Record.GetRawDataPtr() + m_Record.GetRecSize());
    EXPECT_FALSE(m_Item.StoreToRecord());
    EXPECT_EQ(std::vector<std::uint8_t>(
                  m_Record.GetRawDataPtr(), m_Record.GetRawDataPtr() + m_Record.GetRecSize()),
        before);

    m_Item.m_Text.SetString("text\r\nmore");
    EXPECT_TRUE(m_Item.StoreToRecord());
    bool textChanged = false;
    bool idChanged = true;
    m_Record.GetTags().getStringTagChanged(COutlineRecord::kTextString, textChanged);
    m_Record.GetTags().getTagChanged(COutlineRecord::kIdTag, idChanged);
    EXPECT_TRUE(textChanged);
    EXPECT_FALSE(idChanged);
    EXPECT_EQ(m_Record.GetText(), "text\r\nmore");
}

TEST_F(Item, TextStoredAsUtf16IsReadConverted)
{
    // "Caf\u00e9" as UTF-16 with its terminator, flagged as such.
    const std::uint8_t units[] = { 'C', 0, 'a', 0, 'f', 0, 0xE9, 0, 0, 0 };
    const std::uint32_t id = kx_gen::kStringTagIDCode + COutlineRecord::kTextString;
    kx_gen::CTaggedDataManager &tags = m_Record.GetTags();
    ASSERT_EQ(tags.setData(id, units, sizeof units), kx_gen::kTagOK);
    std::uint32_t offset = 0;
    bool found = false;
    kx_gen::CTaggedDataManager::TagType header;
    ASSERT_EQ(tags.findTag(id, offset, found, &header), kx_gen::kTagOK);
    header.flags |= kx_gen::kTagUnicodeFlag;
    tags.writeTagHeader(offset, header);
    m_Item.LoadFromRecord();
    EXPECT_EQ(m_Item.m_Text.GetString(), "Caf\xE9");
    // Storing it back writes 8-bit text.
    EXPECT_TRUE(m_Item.StoreToRecord());
    EXPECT_EQ(m_Record.GetText(), "Caf\xE9");
}

TEST_F(Item, ALevelBeyondTheDeepestReadsAsTopLevel)
{
    m_Record.SetIndent(12);
    m_Item.LoadFromRecord();
    EXPECT_EQ(m_Item.m_nLevel, 0);
    m_Record.SetIndent(9);
    m_Item.LoadFromRecord();
    EXPECT_EQ(m_Item.m_nLevel, 9);
}

TEST_F(Item, AMissingTextReadsAsEmpty)
{
    m_Record.SetText("gone");
    m_Record.GetTags().deleteStringData(COutlineRecord::kTextString);
    m_Item.m_Text.SetString("old");
    m_Item.LoadFromRecord();
    EXPECT_TRUE(m_Item.m_Text.IsEmptyText());
    EXPECT_TRUE(m_Item.m_strNote.IsEmpty());
}

TEST_F(Item, DrawingsStayInTheRecordAndTheItemKnowsTheirSize)
{
    kx_gen::MemHolder dib(kx_gen::CreateDIB(20, 12, 8));
    ASSERT_TRUE(dib);
    EXPECT_FALSE(m_Item.HasDrawing());
    EXPECT_EQ(m_Item.GetDrawing(), nullptr);
    ASSERT_TRUE(m_Item.SetDrawing(dib.get()));
    EXPECT_EQ(m_Item.m_nDrawWidth, 20);
    EXPECT_EQ(m_Item.m_nDrawHeight, 12);
    kx_gen::MemHolder back(m_Item.GetDrawing());
    ASSERT_TRUE(back);
    const void *header = kx_gen::MemGetPtr(back.get());
    EXPECT_EQ(kx_gen::DIBWidth(header), 20);
    kx_gen::MemReleasePtr(back.get());

    COutlineItem loaded;
    loaded.m_pRecord = &m_Record;
    loaded.LoadFromRecord();
    EXPECT_EQ(loaded.m_nDrawWidth, 20);
    EXPECT_EQ(loaded.m_nDrawHeight, 12);

    m_Item.DeleteDrawing();
    EXPECT_FALSE(m_Item.HasDrawing());
    EXPECT_EQ(m_Item.m_nDrawHeight, 0);
    EXPECT_FALSE(m_Record.HasDrawing());
}

TEST_F(Item, ADamagedDrawingSizeMeansNoDrawing)
{
    // A drawing header claiming 4 billion pixels across.
    const std::uint8_t bytes[9]
        = { kx_gen::kDrawingFormatCode, 0xFF, 0xFF, 0xFF, 0xFF, 10, 0, 0, 0 };
    m_Record.SetDrawingData(bytes, sizeof bytes);
    m_Item.LoadFromRecord();
    EXPECT_FALSE(m_Item.HasDrawing());
    EXPECT_EQ(m_Item.m_nDrawHeight, 0);
    EXPECT_EQ(m_Item.GetDrawing(), nullptr);
}

TEST_F(Item, ResettingBlanksEverythingButTheDetachedFlag)
{
    m_Item.m_Text.SetString("x");
    m_Item.m_bChecked = true;
    COutlineItem source;
    source.m_bDetached = true;
    source.m_Text.SetString("source text");
    m_Item = source;
    EXPECT_TRUE(m_Item.m_bDetached);
    EXPECT_TRUE(m_Item.m_Text.IsEmptyText());
    EXPECT_FALSE(m_Item.m_bChecked);
    EXPECT_EQ(m_Item.m_pRecord, nullptr);
}

namespace {

// Gives `item` the fields of a typical item and stores them.
void StoreSample(COutlineItem &item)
{
    item.m_nId = 77;
    item.m_nLevel = 3;
    item.m_bChecked = true;
    item.m_bExpanded = false;
    item.m_Text.SetString("one\r\ntwo");
    item.m_strNote = "a note";
    item.StoreToRecord();
}

} // namespace

TEST_F(Item, AStoredItemIsKnownStoredUntilAFieldOrItsRecordChanges)
{
    StoreSample(m_Item);
    EXPECT_TRUE(m_Item.IsStored());
    COutlineRecord other;
    other.Init();
    // Each changes what storing the item would write, or what the record
    // holds, or which record it is; none goes unnoticed.
    const std::vector<std::function<void(COutlineItem &)>> changes {
        [](COutlineItem &i) { ++i.m_nId; },
        [](COutlineItem &i) { i.m_nLevel = 4; },
        [](COutlineItem &i) { i.m_bChecked = false; },
        [](COutlineItem &i) { i.m_bExpanded = true; },
        [](COutlineItem &i) { i.m_Text.SetString("one\r\ntwo"); },
        [](COutlineItem &i) {
            i.m_Text.InsertAt({ 3, 1 }, "!");
        },
        [](COutlineItem &i) { i.m_strNote = "a nope"; },
        [](COutlineItem &i) { i.m_strNote.Empty(); },
        [](COutlineItem &i) { i.m_pRecord->SetChecked(false); },
        [](COutlineItem &i) { i.m_pRecord->SetChanged(true); },
        [](COutlineItem &i) { i.m_pRecord->GetTags().get(0); },
        [&](COutlineItem &i) {
            other = *i.m_pRecord;
            i.m_pRecord = &other;
        },
        [](COutlineItem &i) { i.ReleaseRecordText(); },
    };
    for (std::size_t k = 0; k < changes.size(); ++k) {
        m_Item.m_pRecord = &m_Record;
        StoreSample(m_Item);
        ASSERT_TRUE(m_Item.IsStored()) << k;
        changes[k](m_Item);
        EXPECT_FALSE(m_Item.IsStored()) << k;
        // Storing again makes it true again.
        m_Item.StoreToRecord();
        EXPECT_TRUE(m_Item.IsStored()) << k;
    }
    // An item without a note is told from one that gains one.
    m_Item.m_pRecord = &m_Record;
    m_Item.m_strNote.Empty();
    m_Item.StoreToRecord();
    EXPECT_TRUE(m_Item.IsStored());
    m_Item.m_strNote = "x";
    EXPECT_FALSE(m_Item.IsStored());
}

TEST_F(Item, StoringIntoABlockThatMovesStillKnowsItStored)
{
    // The text grows well past the block's room, so the setters move the
    // block the store's scan was made of; nothing of the scan may be read
    // after that (the sanitizer build tells if it is).
    StoreSample(m_Item);
    const std::uint8_t *before = m_Record.GetRawDataPtr();
    const std::string longer(5000, 'w');
    m_Item.m_Text.SetString(kx_gen::_String(longer));
    m_Item.m_bChecked = !m_Item.m_bChecked;
    EXPECT_TRUE(m_Item.StoreToRecord());
    EXPECT_NE(m_Record.GetRawDataPtr(), before);
    EXPECT_EQ(m_Record.GetText(), longer.c_str());
    EXPECT_TRUE(m_Item.IsStored());
    EXPECT_FALSE(m_Item.StoreToRecord());
}

TEST_F(Item, TheSaveKeepsMarksWithTheStoredState)
{
    StoreSample(m_Item);
    EXPECT_EQ(m_Item.GetStoredMarks(), 0);
    // Marks set since the store, and the item told so, leave it stored.
    m_Record.SetChanged(true);
    m_Record.SetSortChanged(true);
    EXPECT_FALSE(m_Item.IsStored());
    m_Item.KeepStoredMarks(9);
    EXPECT_TRUE(m_Item.IsStored());
    EXPECT_EQ(m_Item.GetStoredMarks(), 9);
    // The next store or load forgets them.
    m_Item.m_bChecked = false;
    m_Item.StoreToRecord();
    EXPECT_EQ(m_Item.GetStoredMarks(), 0);
    m_Item.KeepStoredMarks(9);
    m_Item.LoadFromRecord();
    EXPECT_EQ(m_Item.GetStoredMarks(), 0);
    // An item that is not stored keeps no marks.
    m_Item.m_bChecked = true;
    m_Item.Reset(COutlineItem());
    m_Item.m_pRecord = &m_Record;
    m_Item.KeepStoredMarks(9);
    EXPECT_FALSE(m_Item.IsStored());
    EXPECT_EQ(m_Item.GetStoredMarks(), 0);
}

TEST_F(Item, ALoadIsKnownStoredOnlyWhenStoringWouldWriteNothing)
{
    COutlineItem writer;
    writer.m_pRecord = &m_Record;
    StoreSample(writer);
    m_Item.LoadFromRecord();
    EXPECT_TRUE(m_Item.IsStored());
    EXPECT_FALSE(m_Item.StoreToRecord());
    // The record begins as this program writes it, so the cases below that
    // change its one-value tags take the load past its shortcut.
    EXPECT_TRUE(CRecordScan(m_Record).IsWritten());

    const auto rewriteHeader
        = [](COutlineRecord &r, std::uint32_t id,
              const std::function<void(kx_gen::CTaggedDataManager::TagType &)> &change) {
              std::uint32_t offset = 0;
              bool found = false;
              kx_gen::CTaggedDataManager::TagType header;
              r.GetTags().findTag(id, offset, found, &header);
              ASSERT_TRUE(found);
              change(header);
              r.GetTags().writeTagHeader(offset, header);
          };
    // Records whose fields the setters would write again differently.
    const std::vector<std::function<void(COutlineRecord &)>> odd {
        [](COutlineRecord &r) { r.GetTags().deleteStringData(COutlineRecord::kNoteString); },
        [](COutlineRecord &r) { r.SetIndent(12); },
        [](COutlineRecord &r) { r.GetTags().setUInt8(COutlineRecord::kCheckedTag, 2); },
        [](COutlineRecord &r) { r.SetText("lone\rbreak"); },
        [](COutlineRecord &r) {
            const char text[] = { 'a', 0, 'b', 0 };
            r.GetTags().setData(
                kx_gen::kStringTagIDCode + COutlineRecord::kTextString, text, sizeof text);
        },
        [&](COutlineRecord &r) {
            rewriteHeader(r, kx_gen::kStringTagIDCode + COutlineRecord::kNoteString,
                [](auto &header) { header.version = 1; });
        },
        [](COutlineRecord &r) { r.GetTags().setUInt8(COutlineRecord::kExpandedTag, 2); },
        [&](COutlineRecord &r) {
            rewriteHeader(r, COutlineRecord::kIdTag, [](auto &header) { header.version = 1; });
        },
    };
    for (std::size_t k = 0; k < odd.size(); ++k) {
        StoreSample(writer);
        odd[k](m_Record);
        m_Item.LoadFromRecord();
        EXPECT_FALSE(m_Item.IsStored()) << k;
        EXPECT_TRUE(m_Item.StoreToRecord()) << k;
        EXPECT_TRUE(m_Item.IsStored()) << k;
        EXPECT_FALSE(m_Item.StoreToRecord()) << k;
    }

    // A UTF-16 flag on a value that is no string stays on it, so such a
    // record is never known stored.
    StoreSample(writer);
    rewriteHeader(m_Record, COutlineRecord::kIndentTag,
        [](auto &header) { header.flags |= kx_gen::kTagUnicodeFlag; });
    m_Item.LoadFromRecord();
    EXPECT_FALSE(m_Item.IsStored());
    EXPECT_EQ(m_Item.m_nLevel, writer.m_nLevel);
}
