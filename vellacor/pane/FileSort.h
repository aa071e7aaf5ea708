#pragma once

// The order of the entries of the file pane's lists. The comparator last
// chosen is kept for the whole program, so that a list read again later is
// sorted the same way.

class CFileTreeRoot;
class CTreeData;

struct SFileSortOrder {
    // A column code of CFileListColumns; 0 leaves the lists in listing order.
    int m_nColumn = 0;
    bool m_bAscending = true;
};

// The comparator of the whole program.
SFileSortOrder &CurrentFileSortOrder();

// Negative, zero or positive as `a` sorts before, with or after `b` by the
// key of `column` (title, full path or category), without regard to letter
// case; descending swaps the operands.
int CompareEntries(const CTreeData &a, const CTreeData &b, const SFileSortOrder &order);

// Sorts the entries of `root`: a selection sort that, for each end position
// from the last down to the second, finds the greatest entry not yet placed
// (the earliest of equal ones) and swaps it with the entry at the end when
// the two compare unequal. Template lists are not sorted by category.
void SortRoot(CFileTreeRoot &root, const SFileSortOrder &order);
