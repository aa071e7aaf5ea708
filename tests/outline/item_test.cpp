#include "OutlineItem.h"

#include "kx_gen/DibUtil.h"
#include "kx_gen/DrawingFormat.h"
#include "kx_gen/Memory.h"
#include "kx_gen/OutlineRecord.h"

#include <gtest/gtest.h>

#include <cstdint>

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
    // The text lives in the item alone from now on.
    EXPECT_EQ(m_Record.GetText(), "");
    EXPECT_FALSE(m_Record.HasNote());
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
