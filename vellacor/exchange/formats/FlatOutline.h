#pragma once

// An outline as the exchange formats see it: its title and its items in
// document order, each with its level. Writers read it, readers fill it, and
// two functions move it in and out of an outline manager.

#include "FormatText.h"

#include "OutlineMan.h"

#include <string>
#include <vector>

namespace formats {

struct SFlatItem {
    // 0 for a top-level item. Readers may store any depth; FoldLevels brings
    // it into the model's range.
    int m_nLevel = 0;
    // Windows-1252; paragraphs separated by CR LF.
    std::string m_strText;
    std::string m_strNote;
    bool m_bChecked = false;
    bool m_bExpanded = true;
    // The item's node when the outline came from a manager (drawings and
    // numbering are read through it); null for an imported item.
    const COutlineNode *m_pNode = nullptr;
};

struct SFlatOutline {
    std::string m_strTitle; // Windows-1252
    std::vector<SFlatItem> m_Items;
};

// The manager's open outline: title, then every item in document order,
// checked and collapsed ones included. Throws std::bad_alloc.
SFlatOutline FlattenOutline(const COutlineMan &man);

// Makes every level fit the model: an item is at most one level below the
// one before it, and none below the deepest level (those are kept at the
// deepest level, with one warning).
void FoldLevels(SFlatOutline &outline, CImportReport &report);

// Replaces the manager's outline by a new one that holds the items (their
// levels folded first) and the title. An outline without items gets one
// empty item. False when the model refuses (its error has gone to the
// manager's message sink, and into `report`); the manager is then empty.
bool FillOutline(const SFlatOutline &outline, COutlineMan &man, CImportReport &report);

} // namespace formats
