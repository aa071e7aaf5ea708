#pragma once

// Internal to the outline manager's editing sources.

#include "OutlineMan.h"
#include "UndoOutlineMan.h"

// Makes an editing operation one command of the history when its caller has
// not begun a group: the group is opened with the operation's label and, at
// the end, closed and followed by AfterEdit, as the views do.
class COutlineMan::CAutoGroup {
public:
    // Throws std::bad_alloc.
    CAutoGroup(COutlineMan &man, int label)
        : m_Man(man)
        , m_Undo(man.History())
    {
        if (!m_Undo.IsRecording()) {
            m_Undo.BeginGroup(label, false);
            m_bOwn = true;
        }
    }
    ~CAutoGroup()
    {
        if (m_bOwn) {
            m_Undo.EndGroup();
            m_Man.AfterEdit(false);
        }
    }
    CAutoGroup(const CAutoGroup &) = delete;
    CAutoGroup &operator=(const CAutoGroup &) = delete;

private:
    COutlineMan &m_Man;
    CUndoOutlineMan &m_Undo;
    bool m_bOwn = false;
};
