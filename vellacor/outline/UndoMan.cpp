#include "UndoMan.h"

#include <algorithm>
#include <memory>
#include <new>

using kx_gen::_String;

CUndoMan::~CUndoMan()
{
    Clear();
}

bool CUndoMan::GetLabelText(int, _String &text) const
{
    text.Empty();
    return false;
}

void CUndoMan::DisposeRecord(CUndoRecord *record)
{
    if (m_pfnDispose)
        m_pfnDispose(m_pDisposeParam, 0, record);
    delete record;
}

void CUndoMan::DestroyGroup(CUndoGroup *group)
{
    // Newest first: a record may refer to what an earlier one in the same
    // group made.
    for (auto it = group->rbegin(); it != group->rend(); ++it)
        DisposeRecord(*it);
    m_nRecords -= static_cast<int>(group->size());
    if (group == m_pLastEnded)
        m_pLastEnded = nullptr;
    if (group == m_pCurGroup)
        m_pCurGroup = nullptr;
    delete group;
}

void CUndoMan::BeginGroup(int label, bool merge)
{
    if (m_bRecording) {
        ++m_nDepth;
        return;
    }
    // A new command makes the undone ones unreachable; newest first, so
    // that no group outlives one that it depends on.
    while (static_cast<int>(m_Groups.size()) > m_nPos) {
        CUndoGroup *group = m_Groups.back();
        m_Groups.pop_back();
        DestroyGroup(group);
    }
    // Whole groups go, oldest first, so no command is ever half forgotten.
    std::size_t drop = 0;
    int remaining = m_nRecords;
    while (remaining >= m_nMaxRecords && drop < m_Groups.size())
        remaining -= static_cast<int>(m_Groups[drop++]->size());
    for (std::size_t i = 0; i < drop; ++i)
        DestroyGroup(m_Groups[i]);
    m_Groups.erase(m_Groups.begin(), m_Groups.begin() + static_cast<std::ptrdiff_t>(drop));
    m_nPos = static_cast<int>(m_Groups.size());

    if (merge && !m_Groups.empty() && m_Groups.back()->m_nLabel == label) {
        m_pCurGroup = m_Groups.back();
        m_bNewGroup = false;
    } else {
        auto group = std::make_unique<CUndoGroup>(label);
        m_Groups.reserve(m_Groups.size() + 1);
        m_pCurGroup = group.release();
        m_Groups.push_back(m_pCurGroup);
        m_bNewGroup = true;
    }
    m_bRecording = true;
    m_nDepth = 1;
    m_nPos = static_cast<int>(m_Groups.size());
}

void CUndoMan::EndGroup()
{
    if (!m_bRecording)
        return;
    if (--m_nDepth > 0)
        return;
    m_bRecording = false;
    m_bNewGroup = false;
    CUndoGroup *group = m_pCurGroup;
    m_pCurGroup = nullptr;
    m_pLastEnded = nullptr;
    if (group) {
        if (group->empty()) {
            m_Groups.erase(std::find(m_Groups.begin(), m_Groups.end(), group));
            delete group;
        } else {
            m_pLastEnded = group;
        }
    }
    m_nPos = static_cast<int>(m_Groups.size());
}

void CUndoMan::ReserveRecord()
{
    // Room for one more record, growing by half again: a reserve of
    // exactly one more would copy the whole group at every record.
    if (m_pCurGroup && m_pCurGroup->size() == m_pCurGroup->capacity())
        m_pCurGroup->reserve(
            std::max<std::size_t>(16, m_pCurGroup->size() + m_pCurGroup->size() / 2 + 1));
}

void CUndoMan::AddRecord(CUndoRecord *record)
{
    if (!record)
        return;
    if (!m_bRecording) {
        try {
            BeginGroup(0, false);
        } catch (...) {
            DisposeRecord(record);
            throw;
        }
        AddRecord(record);
        EndGroup();
        return;
    }
    try {
        m_pCurGroup->push_back(record);
    } catch (...) {
        DisposeRecord(record);
        throw;
    }
    m_bNewGroup = false;
    ++m_nRecords;
}

bool CUndoMan::AppendToGroup(CUndoGroup *group, CUndoRecord *record)
{
    if (!record)
        return false;
    const bool last = group && m_nPos > 0 && m_Groups[static_cast<std::size_t>(m_nPos - 1)] == group
        && m_nPos == static_cast<int>(m_Groups.size());
    if (last) {
        try {
            group->push_back(record);
            ++m_nRecords;
            return true;
        } catch (const std::bad_alloc &) {
        }
    }
    DisposeRecord(record);
    return false;
}

bool CUndoMan::Step(bool undo)
{
    const int count = static_cast<int>(m_Groups.size());
    if (undo) {
        if (m_nPos > 0)
            --m_nPos;
        return m_nPos > 0;
    }
    if (m_nPos < count)
        ++m_nPos;
    return m_nPos < count;
}

void CUndoMan::GetUndoLabel(_String &text) const
{
    text.Empty();
    if (const CUndoGroup *group = GetUndoGroup())
        GetLabelText(group->m_nLabel, text);
}

void CUndoMan::GetRedoLabel(_String &text) const
{
    text.Empty();
    if (const CUndoGroup *group = GetRedoGroup())
        GetLabelText(group->m_nLabel, text);
}

namespace {

_String MenuText(const char *verb, const _String &label, const char *key)
{
    std::string text(verb);
    if (!label.IsEmpty()) {
        text += ' ';
        text += label.str();
    }
    text += '\t';
    text += key;
    return _String(std::move(text));
}

} // namespace

_String CUndoMan::GetUndoMenuText() const
{
    _String label;
    GetUndoLabel(label);
    return MenuText("&Undo", label, "Ctrl+Z");
}

_String CUndoMan::GetRedoMenuText() const
{
    _String label;
    GetRedoLabel(label);
    return MenuText("&Redo", label, "Ctrl+Y");
}

void CUndoMan::Clear()
{
    // Newest first, as when redo groups are discarded.
    while (!m_Groups.empty()) {
        CUndoGroup *group = m_Groups.back();
        m_Groups.pop_back();
        DestroyGroup(group);
    }
    m_pCurGroup = nullptr;
    m_pLastEnded = nullptr;
    m_bRecording = false;
    m_bNewGroup = false;
    m_nDepth = 0;
    m_nPos = 0;
    m_nRecords = 0;
}

bool CUndoMan::HasGroup(const CUndoGroup *group) const
{
    return group && std::find(m_Groups.begin(), m_Groups.end(), group) != m_Groups.end();
}
