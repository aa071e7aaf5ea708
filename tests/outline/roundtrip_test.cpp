// Random outlines, written as files with arbitrary indents, loaded, saved
// and loaded again: whatever the indents, the tree obeys its level rules,
// and a save followed by a load gives back the same outline.

#include "OutlineTestSupport.h"

#include "../corvale/TempDir.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

// Every item's level is its depth, at most 9, and its record says so too.
void ExpectLevelRules(const COutlineMan &man)
{
    const COutlineTree &tree = man.GetTree();
    for (COutlineNode *n = tree.GetFirstChild(nullptr); n; n = tree.GetNextInDocument(n)) {
        int depth = 0;
        for (const COutlineNode *a = tree.GetParent(n); a; a = tree.GetParent(a))
            ++depth;
        ASSERT_EQ(n->m_Item.m_nLevel, depth);
        ASSERT_LE(depth, COutlineItem::kMaxLevel);
        ASSERT_EQ(n->m_Item.m_pRecord->GetIndent(), depth);
    }
}

std::string RandomWord(std::mt19937 &rng)
{
    std::string s;
    const int n = 1 + static_cast<int>(rng() % 8);
    for (int i = 0; i < n; ++i)
        s += static_cast<char>('a' + rng() % 26);
    if (rng() % 5 == 0)
        s += "\r\n" + std::string(1, static_cast<char>('A' + rng() % 26));
    return s;
}

} // namespace

TEST(RoundTrip, RandomOutlinesKeepTheirShapeThroughSaveAndLoad)
{
    TempDir dir;
    std::mt19937 rng(20240607);
    for (int round = 0; round < 40; ++round) {
        std::vector<TRow> rows;
        const int count = static_cast<int>(rng() % 60);
        for (int i = 0; i < count; ++i) {
            // Mostly plausible indents, with jumps and damage mixed in.
            const int indent
                = rng() % 6 == 0 ? static_cast<int>(rng() % 256) : static_cast<int>(rng() % 10);
            rows.emplace_back(indent, RandomWord(rng),
                static_cast<std::uint32_t>(rng() % 3 ? i : 0),
                rng() % 4 == 0 ? RandomWord(rng) : std::string(), rng() % 3 == 0, rng() % 2 == 0);
        }
        const std::string path = dir.file("r" + std::to_string(round) + ".kxo");
        WriteOutlineFile(path, rows);

        COutlineMan man;
        ASSERT_TRUE(man.Load(path.c_str()));
        ExpectLevelRules(man);
        const unsigned flags
            = COutlineMan::kDumpLevels | COutlineMan::kDumpChecked | COutlineMan::kDumpExpanded;
        const std::string loaded = man.DebugDump(flags).str();
        ASSERT_TRUE(man.Save(path.c_str()));

        COutlineMan again;
        ASSERT_TRUE(again.Load(path.c_str()));
        ExpectLevelRules(again);
        EXPECT_EQ(again.DebugDump(flags).str(), loaded) << "round " << round;
        // The repaired outline needs no repair the second time: saving it
        // again changes nothing that synchronisation sees.
        const std::string bytes = dir.read("r" + std::to_string(round) + ".kxo");
        ASSERT_TRUE(again.Save(path.c_str()));
        EXPECT_EQ(dir.read("r" + std::to_string(round) + ".kxo"), bytes) << "round " << round;
    }
}
