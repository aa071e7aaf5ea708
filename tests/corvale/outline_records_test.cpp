// Outline records: their fields, the change flags that synchronisation
// relies on, drawings, and removing records with or without their ids.

#include "OutlineFixtures.h"
#include "TempDir.h"

#include "kx_gen/DrawingFormat.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace kx_gen;
using namespace outline_test;

namespace {

class OutlineRecords : public ::testing::Test {
protected:
    COutlineRecord *newRecord()
    {
        return static_cast<COutlineRecord *>(m_db.GetRecordset()->Append());
    }

    // A record as it came from the file: its fields set, every changed bit
    // cleared (the state after a synchronisation).
    COutlineRecord *syncedRecord(const char *text, const char *note, bool checked = false)
    {
        COutlineRecord *r = newRecord();
        r->SetText(text);
        if (note)
            r->SetNote(note);
        else
            r->DeleteNote();
        r->SetChecked(checked);
        clearTagChanges(*r);
        return r;
    }

    static void clearTagChanges(COutlineRecord &r)
    {
        CTaggedDataManager::TagType t;
        for (std::uint32_t offset = 0; r.GetTags().getTagAt(offset, t) == kTagOK;
             offset += kTagHeaderSize + t.length)
            KX_TAG_CHECK(r.GetTags().setTagChanged(t.id, false));
    }

    static bool changed(const COutlineRecord &r, std::uint32_t id)
    {
        bool on = false;
        KX_TAG_CHECK(r.GetTags().getTagChanged(id, on));
        return on;
    }

    UnfiledName m_unfiled;
    COutlineDB m_db;
};

constexpr std::uint32_t kText = kStringTagIDCode + COutlineRecord::kTextString;
constexpr std::uint32_t kNote = kStringTagIDCode + COutlineRecord::kNoteString;

} // namespace

TEST_F(OutlineRecords, NewRecordHasEveryFieldButTheDrawing)
{
    COutlineRecord *r = newRecord();
    EXPECT_EQ(r->GetFlag(), 0);
    EXPECT_EQ(r->GetId(), 0u);
    EXPECT_EQ(r->GetIndent(), 0);
    EXPECT_EQ(r->GetText(), "");
    EXPECT_EQ(r->GetNote(), "");
    EXPECT_FALSE(r->HasNote());
    EXPECT_TRUE(r->GetExpanded());
    EXPECT_FALSE(r->GetChecked());
    EXPECT_FALSE(r->HasDrawing());
    EXPECT_FALSE(r->IsFileRecord());

    // The same block as setting each default on its own gives.
    COutlineRecord byHand;
    KX_TAG_CHECK(byHand.GetTags().setUInt32(5, 0));
    KX_TAG_CHECK(byHand.GetTags().setUInt8(6, 0));
    KX_TAG_CHECK(byHand.GetTags().setString(7, ""));
    KX_TAG_CHECK(byHand.GetTags().setString(8, ""));
    KX_TAG_CHECK(byHand.GetTags().setBool(9, true));
    KX_TAG_CHECK(byHand.GetTags().setBool(10, false));
    EXPECT_EQ(bytesOf(r->GetTags()), bytesOf(byHand.GetTags()));

    CLinkedOutlRec linked;
    linked.Init();
    EXPECT_EQ(linked.getInternalId(), 0u);
    EXPECT_EQ(linked.getParentId(), 0u);
    EXPECT_TRUE(linked.GetExpanded());
}

TEST_F(OutlineRecords, NotesComeAndGo)
{
    COutlineRecord *r = newRecord();
    r->SetNote("remember");
    EXPECT_TRUE(r->HasNote());
    r->DeleteNote();
    EXPECT_FALSE(r->HasNote());
    EXPECT_EQ(thrown([&] { r->GetNote(); }).id, kMsgDataClassNotFound);
    r->SetText("text");
    r->DeleteText();
    EXPECT_EQ(r->GetText(), "");
}

TEST_F(OutlineRecords, UpdateChangedFieldsMarksWhatDiffersFromTheStoredRow)
{
    const COutlineRecord *stored = syncedRecord("same", "note", false);

    // Identical: nothing is marked, and the record is not changed.
    COutlineRecord *same = syncedRecord("same", "note", false);
    KX_TAG_CHECK(same->GetTags().setTagChanged(COutlineRecord::kIndentTag, true));
    same->UpdateChangedFields(*stored);
    for (std::uint32_t id : { COutlineRecord::kIndentTag, kText, kNote,
             COutlineRecord::kExpandedTag, COutlineRecord::kCheckedTag })
        EXPECT_FALSE(changed(*same, id)) << id;
    same->updateRecordChanged();
    EXPECT_FALSE(same->IsChanged());

    // Each field on its own.
    COutlineRecord *edited = syncedRecord("edited", "note", true);
    edited->SetIndent(2);
    edited->UpdateChangedFields(*stored);
    EXPECT_TRUE(changed(*edited, kText));
    EXPECT_TRUE(changed(*edited, COutlineRecord::kCheckedTag));
    EXPECT_TRUE(changed(*edited, COutlineRecord::kIndentTag));
    EXPECT_FALSE(changed(*edited, kNote));
    EXPECT_FALSE(changed(*edited, COutlineRecord::kExpandedTag));
    edited->updateRecordChanged();
    EXPECT_TRUE(edited->IsChanged());

    // Collapsing an item is a change of its field, not of the record.
    COutlineRecord *collapsed = syncedRecord("same", "note");
    collapsed->SetExpanded(false);
    collapsed->UpdateChangedFields(*stored);
    EXPECT_TRUE(changed(*collapsed, COutlineRecord::kExpandedTag));
    collapsed->updateRecordChanged();
    EXPECT_FALSE(collapsed->IsChanged());
}

TEST_F(OutlineRecords, NoteChangesCoverEveryCombination)
{
    const COutlineRecord *withNote = syncedRecord("t", "old note");
    const COutlineRecord *withoutNote = syncedRecord("t", nullptr);

    COutlineRecord *added = syncedRecord("t", "new note");
    added->UpdateChangedFields(*withoutNote);
    EXPECT_TRUE(changed(*added, kNote));

    COutlineRecord *neither = syncedRecord("t", nullptr);
    neither->UpdateChangedFields(*withoutNote);
    EXPECT_FALSE(changed(*neither, kNote)); // created empty, unchanged
    EXPECT_EQ(neither->GetNote(), "");

    COutlineRecord *sameText = syncedRecord("t", "old note");
    sameText->UpdateChangedFields(*withNote);
    EXPECT_FALSE(changed(*sameText, kNote));

    COutlineRecord *otherText = syncedRecord("t", "other note");
    otherText->UpdateChangedFields(*withNote);
    EXPECT_TRUE(changed(*otherText, kNote));

    // A note removed since the last synchronisation must reach the handheld.
    COutlineRecord *removed = syncedRecord("t", nullptr);
    removed->UpdateChangedFields(*withNote);
    EXPECT_TRUE(changed(*removed, kNote));
    EXPECT_EQ(removed->GetNote(), "");
    removed->updateRecordChanged();
    EXPECT_TRUE(removed->IsChanged());
}

TEST_F(OutlineRecords, DrawingsRoundTripAndCountAsChanges)
{
    MemHolder dib(makeDrawing());
    COutlineRecord *r = syncedRecord("picture", nullptr);
    ASSERT_TRUE(r->SetDrawing(dib.get()));
    EXPECT_TRUE(r->HasDrawing());
    std::uint32_t width = 0, height = 0;
    r->GetDrawingSize(width, height);
    EXPECT_EQ(width, 16u);
    EXPECT_EQ(height, 8u);

    MemHolder back(r->GetDrawing());
    ASSERT_TRUE(back);
    const auto *a = static_cast<const std::uint8_t *>(MemGetPtr(dib.get()));
    const auto *b = static_cast<const std::uint8_t *>(MemGetPtr(back.get()));
    EXPECT_EQ(DIBWidth(b), 16);
    EXPECT_EQ(DIBHeight(b), 8);
    EXPECT_EQ(std::memcmp(a + 40, b + 40, 16 * 4), 0) << "colours";
    EXPECT_EQ(std::memcmp(FindDIBBits(a), FindDIBBits(b), 8 * 8), 0) << "pixels";
    MemReleasePtr(dib.get());
    MemReleasePtr(back.get());

    // The drawing is not compared with the stored row: its own changed bit
    // decides, and it makes the record changed.
    const COutlineRecord *stored = syncedRecord("picture", nullptr);
    r->UpdateChangedFields(*stored);
    r->updateRecordChanged();
    EXPECT_TRUE(r->IsChanged());
    KX_TAG_CHECK(r->GetTags().setTagChanged(COutlineRecord::kDrawingTag, false));
    r->updateRecordChanged();
    EXPECT_FALSE(r->IsChanged());

    r->DeleteBitmap();
    EXPECT_FALSE(r->HasDrawing());
    EXPECT_EQ(r->GetDrawing(), nullptr);
    r->GetDrawingSize(width, height);
    EXPECT_EQ(width + height, 0u);
}

TEST_F(OutlineRecords, BadDrawingsAreNeitherStoredNorReturned)
{
    COutlineRecord *r = newRecord();
    MemHolder notADib(MemAlloc(10));
    EXPECT_FALSE(r->SetDrawing(notADib.get()));
    EXPECT_FALSE(r->SetDrawing(nullptr));
    EXPECT_FALSE(r->HasDrawing());

    const char truncated[] = { 2, 16, 0, 0, 0, 8, 0, 0, 0 };
    r->SetDrawingData(truncated, sizeof truncated);
    EXPECT_TRUE(r->HasDrawing());
    EXPECT_EQ(r->GetDrawing(), nullptr);
    std::uint32_t width = 0, height = 0;
    r->GetDrawingSize(width, height);
    EXPECT_EQ(width, 16u); // the size is read from the bytes alone
    EXPECT_EQ(height, 8u);

    r->SetDrawingData(truncated, 3);
    r->GetDrawingSize(width, height);
    EXPECT_EQ(width + height, 0u);
}

TEST_F(OutlineRecords, DeleteAllKeepsTheIdsOfSynchronisedItemsWhenAsked)
{
    m_db.GetRecordset()->Free();
    addItem(m_db, 0, "never synchronised", 0);
    addItem(m_db, 0, "a", 17);
    addItem(m_db, 1, "b", 42);
    m_db.DeleteAll(true);
    EXPECT_EQ(m_db.GetRecordset()->getSize(), 0u);
    EXPECT_EQ(m_db.GetDeletedQuibs().GetIds(), (std::vector<std::uint32_t> { 17, 42 }));

    // Ids deleted before stay; without keeping, the list ends empty.
    addItem(m_db, 0, "c", 50);
    m_db.DeleteAll(true);
    EXPECT_EQ(m_db.GetDeletedQuibs().GetIds(), (std::vector<std::uint32_t> { 17, 42, 50 }));
    addItem(m_db, 0, "d", 60);
    m_db.DeleteAll(false);
    EXPECT_EQ(m_db.GetDeletedQuibs().GetSize(), 0u);
    EXPECT_EQ(m_db.GetRecordset()->getSize(), 0u);
}

TEST_F(OutlineRecords, DeletedIdsAreAListWithDuplicates)
{
    m_db.AddDeletedId(5);
    m_db.AddDeletedId(8);
    m_db.AddDeletedId(5);
    COutlineRecord *r = addItem(m_db, 0, "x", 8);
    EXPECT_TRUE(m_db.IsDeleted(r));
    m_db.removeDeletedId(5);
    EXPECT_EQ(m_db.GetDeletedQuibs().GetIds(), (std::vector<std::uint32_t> { 8, 5 }));
    EXPECT_TRUE(m_db.IsDeleted(5));
    m_db.removeDeletedId(99);
    EXPECT_EQ(m_db.GetDeletedQuibs().GetSize(), 2u);

    EXPECT_TRUE(m_db.Delete(r));
    COutlineRecord stray;
    EXPECT_FALSE(m_db.Delete(&stray));
}

TEST_F(OutlineRecords, FieldsSurviveWritingAndReading)
{
    TempDir dir;
    COutlineDB db;
    buildSampleOutline(db);
    writeNew(db, dir.file("s.kxo"));
    COutlineDB read;
    load(read, dir.file("s.kxo"));
    ASSERT_EQ(read.GetRecordset()->getSize(), 6u);
    const COutlineRecord *bread = read.GetOutlineRecord(2);
    EXPECT_EQ(bread->GetText(), "Bread\nwholemeal");
    EXPECT_EQ(bread->GetNote(), "From the bakery on the corner");
    EXPECT_EQ(bread->GetIndent(), 1);
    EXPECT_EQ(bread->GetId(), 103u);
    EXPECT_TRUE(read.GetOutlineRecord(1)->GetChecked());
    EXPECT_TRUE(read.GetOutlineRecord(1)->IsChanged());
    EXPECT_FALSE(read.GetOutlineRecord(3)->GetExpanded());
    EXPECT_TRUE(read.GetOutlineRecord(3)->IsNew());

    // A copy is a record of no file with the same tags.
    COutlineRecord copy;
    copy = *bread;
    EXPECT_FALSE(copy.IsFileRecord());
    EXPECT_EQ(bytesOf(copy.GetTags()), bytesOf(bread->GetTags()));
}
