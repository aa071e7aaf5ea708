#pragma once

#include "kx_gen/String.h"

#include <vector>

// One primitive change kept for undo and redo. Records are owned by their
// group and destroyed through this virtual destructor, after the undo
// manager's disposal hook has seen them.
class CUndoRecord {
public:
    CUndoRecord() = default;
    virtual ~CUndoRecord() = default;
    CUndoRecord(const CUndoRecord &) = delete;
    CUndoRecord &operator=(const CUndoRecord &) = delete;
};

// The records of one user command, oldest first, with the command's label.
// The group holds pointers only; the undo manager owns the records.
class CUndoGroup : public std::vector<CUndoRecord *> {
public:
    explicit CUndoGroup(int label)
        : m_nLabel(label)
    {
    }
    int m_nLabel;
};

// An undo history: a list of groups, each one command, and a position that
// separates the groups that can be undone from those that can be redone.
// Recording happens between BeginGroup and EndGroup; replaying the records
// is the owner's business (the outline manager's Undo and Redo), which
// then moves the position with Step.
//
// The total number of records is limited: when a command begins while the
// history holds m_nMaxRecords records or more, whole groups are dropped,
// oldest first, until it holds fewer. A single command may exceed the limit.
//
// Every record passes the disposal hook just before it is destroyed, so that
// its owner can free what the record holds (the outline manager frees the
// items that deleted-item records keep).
class CUndoMan {
public:
    // Called as (param, 0, record) before a record is destroyed.
    using PFNDISPOSE = void (*)(void *param, int reserved, CUndoRecord *record);

    static constexpr int kMaxRecords = 1024;

    CUndoMan() = default;
    // Clears the history (every record goes through the disposal hook).
    virtual ~CUndoMan();
    CUndoMan(const CUndoMan &) = delete;
    CUndoMan &operator=(const CUndoMan &) = delete;

    // The menu text of a label into `text`; false, with `text` emptied, for
    // a label without one. The base knows no labels.
    virtual bool GetLabelText(int label, kx_gen::_String &text) const;

    void SetDispose(PFNDISPOSE dispose, void *param)
    {
        m_pfnDispose = dispose;
        m_pDisposeParam = param;
    }

    // Starts recording a command: drops every redo group, then the oldest
    // groups while the history is full, and opens a group with `label`.
    // With `merge`, when the last group has the same label it is opened
    // again and the command's records join it (a run of typing). A
    // BeginGroup while a group is being recorded only nests: the records go
    // on into the open group, which the matching EndGroup leaves open until
    // the outermost one. Throws std::bad_alloc (then nothing is recording).
    void BeginGroup(int label, bool merge);
    // Ends recording; a group that received no record is removed, so a
    // command that changed nothing leaves no undo step.
    void EndGroup();
    bool IsRecording() const { return m_bRecording; }

    // Makes room for one more record in the group being recorded, so that
    // the AddRecord that follows cannot fail. Outside a group it does
    // nothing. Throws std::bad_alloc.
    void ReserveRecord();
    // Appends a record (the history owns it from now on) to the group being
    // recorded. Outside a group the record becomes an unnamed group of its
    // own, so that no change ever escapes the history. When memory runs out
    // the record is disposed of and std::bad_alloc thrown, unless
    // ReserveRecord made room first.
    void AddRecord(CUndoRecord *record);
    // Appends a record to a group that is already closed (the last one that
    // can be undone): used for the changes that follow from a command, such
    // as automatic check marks. Disposes of the record and returns false
    // when `group` is not the history's last undo group or memory runs out.
    bool AppendToGroup(CUndoGroup *group, CUndoRecord *record);

    bool CanUndo() const { return m_nPos > 0; }
    bool CanRedo() const { return m_nPos < static_cast<int>(m_Groups.size()); }
    // The group that the next undo / redo replays, or null.
    CUndoGroup *GetUndoGroup() const { return CanUndo() ? m_Groups[m_nPos - 1] : nullptr; }
    CUndoGroup *GetRedoGroup() const { return CanRedo() ? m_Groups[m_nPos] : nullptr; }
    // Moves the position after a replay: down by one after an undo, up by
    // one after a redo (never beyond the ends). Returns whether more can be
    // undone / redone.
    bool Step(bool undo);
    // The label text of the group that would be undone / redone; empty when
    // there is none or its label has no text.
    void GetUndoLabel(kx_gen::_String &text) const;
    void GetRedoLabel(kx_gen::_String &text) const;
    // "&Undo <label>\tCtrl+Z", or "&Undo\tCtrl+Z" when the next group has no
    // label text or there is nothing to undo; likewise for redo.
    kx_gen::_String GetUndoMenuText() const;
    kx_gen::_String GetRedoMenuText() const;

    // Destroys every group and record (each through the disposal hook).
    void Clear();

    // The group being recorded, or null.
    CUndoGroup *GetCurrentGroup() const { return m_pCurGroup; }
    // The group that the last EndGroup closed, while it is still in the
    // history; null when that command recorded nothing.
    CUndoGroup *GetLastEndedGroup() const { return m_pLastEnded; }
    // Whether `group` is still one of the history's groups.
    bool HasGroup(const CUndoGroup *group) const;
    int GetGroupCount() const { return static_cast<int>(m_Groups.size()); }
    CUndoGroup *GetGroup(int index) const { return m_Groups[static_cast<std::size_t>(index)]; }
    int GetPos() const { return m_nPos; }
    int GetRecordCount() const { return m_nRecords; }
    int GetMaxRecords() const { return m_nMaxRecords; }

protected:
    // Disposes of and destroys the group's records, then the group.
    void DestroyGroup(CUndoGroup *group);
    void DisposeRecord(CUndoRecord *record);

    int m_nMaxRecords = kMaxRecords;
    CUndoGroup *m_pCurGroup = nullptr;
    // Oldest first.
    std::vector<CUndoGroup *> m_Groups;
    // Groups below this index can be undone, the others redone.
    int m_nPos = 0;
    bool m_bRecording = false;
    // Set while the group that BeginGroup created has no record yet.
    bool m_bNewGroup = false;
    int m_nRecords = 0;
    PFNDISPOSE m_pfnDispose = nullptr;
    void *m_pDisposeParam = nullptr;
    // Nesting depth of BeginGroup calls while recording.
    int m_nDepth = 0;
    CUndoGroup *m_pLastEnded = nullptr;
};
