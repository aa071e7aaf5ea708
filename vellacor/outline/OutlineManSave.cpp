// COutlineMan: saving with the change marks that synchronisation relies on.

#include "OutlineMan.h"

#include "SafeSaveFile.h"

#include "kx_gen/DBConstants.h"
#include "kx_gen/Exception.h"
#include "kx_gen/File.h"
#include "kx_gen/OutlineDB.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <memory>
#include <vector>

using kx_gen::_String;
using kx_gen::CException;
using kx_gen::CFile;
using kx_gen::COutlineDB;
using kx_gen::COutlineRecord;
using kx_gen::ExceptionHolder;

namespace {

// The fields whose changed marks the comparison with the file decides.
const std::uint32_t kComparedTags[] = {
    COutlineRecord::kIndentTag,
    kx_gen::kStringTagIDCode + COutlineRecord::kTextString,
    kx_gen::kStringTagIDCode + COutlineRecord::kNoteString,
    COutlineRecord::kExpandedTag,
    COutlineRecord::kCheckedTag,
};

// A field marked changed in the file's row was changed by an earlier save
// and has not been synchronised since: the mark stays until the
// synchronisation clears it, even when this save brings no new change.
void KeepPendingMarks(COutlineRecord &record, const COutlineRecord &stored)
{
    for (const std::uint32_t id : kComparedTags) {
        bool pending = false;
        if (stored.GetTags().getTagChanged(id, pending) == kx_gen::kTagOK && pending)
            record.GetTags().setTagChanged(id, true);
    }
}

// Closes the database's file on every path out of a save; an error while
// closing after an earlier failure adds nothing.
class CCloseGuard {
public:
    explicit CCloseGuard(COutlineDB *db)
        : m_pDB(db)
    {
    }
    ~CCloseGuard()
    {
        try {
            m_pDB->Close();
        } catch (CException *e) {
            ExceptionHolder holder(e);
        }
    }
    CCloseGuard(const CCloseGuard &) = delete;
    CCloseGuard &operator=(const CCloseGuard &) = delete;

private:
    COutlineDB *m_pDB;
};

} // namespace

// A record in the order of the save, with where it was in the file before
// and the marks that the save may change.
struct COutlineMan::TSaveRow {
    COutlineRecord *m_pRecord;
    std::uint32_t m_nOldRowIndex;
    std::uint32_t m_nOldPos;
    std::uint8_t m_nOldStatus;
    bool m_bOldSortChanged;
    bool m_bOldStatusTagChanged;
    bool m_bOldSortTagChanged;

    explicit TSaveRow(COutlineRecord *record)
        : m_pRecord(record)
        , m_nOldRowIndex(record->GetRowIndex())
        , m_nOldPos(record->GetPos())
        , m_nOldStatus(record->GetFlag())
        , m_bOldSortChanged(record->IsSortChanged())
        , m_bOldStatusTagChanged(TagChanged(*record, kx_gen::kStatusTagID))
        , m_bOldSortTagChanged(TagChanged(*record, kx_gen::kSortChangedTagID))
    {
    }

    // Puts the record back as it was before the save.
    void Restore() const
    {
        m_pRecord->SetRowIndex(m_nOldRowIndex);
        m_pRecord->SetPos(m_nOldPos);
        m_pRecord->SetFlag(m_nOldStatus);
        m_pRecord->SetSortChanged(m_bOldSortChanged);
        m_pRecord->GetTags().setTagChanged(kx_gen::kStatusTagID, m_bOldStatusTagChanged);
        m_pRecord->GetTags().setTagChanged(kx_gen::kSortChangedTagID, m_bOldSortTagChanged);
    }

    static bool TagChanged(const COutlineRecord &record, std::uint32_t id)
    {
        bool changed = false;
        record.GetTags().getTagChanged(id, changed);
        return changed;
    }
};

bool COutlineMan::Save(const char *path)
{
    if (!m_pDB || !path)
        return false;
    try {
        SaveToFile(path);
        // The records now have their rows in the new file.
        ++m_nFileGeneration;
    } catch (CException *e) {
        ExceptionHolder holder(e);
        ShowMessage(holder->GetDescription());
        return false;
    } catch (...) {
        return false;
    }
    SetModified(false);
    return true;
}

void COutlineMan::SaveToFile(const char *path)
{
    kx_gen::CDBRecordset *records = m_pDB->GetRecordset();

    // The items go back into their records in document order; that order is
    // the records' new sort order.
    std::vector<TSaveRow> rows;
    rows.reserve(records->getSize());
    for (COutlineNode *n = m_Tree.GetFirstChild(nullptr); n; n = m_Tree.GetNextInDocument(n)) {
        COutlineItem &item = n->m_Item;
        if (!item.m_pRecord) {
            // Every inserted item is bound at once; one that is not still
            // gets a record rather than being lost.
            std::unique_ptr<kx_gen::CDBRecord> fresh(records->CreateDBRecord());
            records->add(fresh.get());
            item.m_pRecord = static_cast<COutlineRecord *>(fresh.release());
        }
        item.StoreToRecord();
        rows.emplace_back(item.m_pRecord);
    }
    if (records->getSize() != rows.size()) {
        // Records that no item holds would be written as items of their
        // own; they belong to nothing and go.
        std::vector<kx_gen::CDBRecord *> bound;
        bound.reserve(rows.size());
        for (const TSaveRow &row : rows)
            bound.push_back(row.m_pRecord);
        std::sort(bound.begin(), bound.end());
        std::vector<kx_gen::CDBRecord *> orphans;
        for (std::size_t i = 0; i < records->getSize(); ++i) {
            kx_gen::CDBRecord *r = records->getRecord(i);
            if (!std::binary_search(bound.begin(), bound.end(), r))
                orphans.push_back(r);
        }
        for (kx_gen::CDBRecord *r : orphans)
            records->Delete(r);
    }
    // A failed save leaves the records and the headers as they were, as is
    // the file on disk: the next save compares with that file again.
    COutlineDB savedHeaders;
    savedHeaders.InitNewDatabase();
    savedHeaders.copySharedHeader(*m_pDB);
    savedHeaders.copyPrivateHeader(*m_pDB);
    struct CRestore {
        const std::vector<TSaveRow> &rows;
        COutlineDB &db;
        const COutlineDB &headers;
        bool done = false;
        ~CRestore()
        {
            if (done)
                return;
            try {
                for (const TSaveRow &row : rows)
                    row.Restore();
                db.copySharedHeader(headers);
                db.copyPrivateHeader(headers);
            } catch (CException *e) {
                ExceptionHolder holder(e);
            }
        }
    } restore { rows, *m_pDB, savedHeaders };

    // Adding gives each record its place in this order as its row index.
    records->emptyRS();
    records->reserve(rows.size());
    for (const TSaveRow &row : rows)
        records->add(row.m_pRecord);

    CSafeSaveFile file(path);
    CCloseGuard closeGuard(m_pDB);
    bool keepTimes = false;
    if (m_bNewDB) {
        m_pDB->Open(file.GetTempPath(), CFile::modeCreate | CFile::modeWrite);
        m_pDB->SetSynchronized(false);
        m_pDB->SetOutlineChanged(true);
        m_pDB->WriteAllHeaders();
        MarkChanges(rows);
        m_pDB->WriteRows();
    } else {
        // The old file is only read: its rows for the comparison, its
        // headers for the header check and the conduit's block, which the
        // new file carries on.
        if (!file.TargetExists())
            throw kx_gen::CFileException::FromErrno(ENOENT, file.GetTargetPath());
        m_pDB->OpenWithoutUpgrade(
            file.GetTargetPath(), CFile::modeRead | CFile::shareDenyWrite, nullptr);
        if (MarkChanges(rows))
            m_pDB->SetOutlineChanged(true);
        if (!m_pDB->GetOutlineChanged() && static_cast<int>(rows.size()) != m_nLoadedRows)
            m_pDB->SetOutlineChanged(true);
        if (!m_pDB->GetOutlineChanged()) {
            // The headers written are always the ones in memory; reading the
            // file's only tells whether they differ.
            COutlineDB scratch;
            scratch.InitNewDatabase();
            scratch.copySharedHeader(*m_pDB);
            scratch.copyPrivateHeader(*m_pDB);
            m_pDB->ReadSharedHeader();
            m_pDB->ReadPrivateHeader();
            if (!scratch.compareSharedHeader(*m_pDB) || !scratch.comparePrivateHeader(*m_pDB))
                scratch.SetOutlineChanged(true);
            m_pDB->copySharedHeader(scratch);
            m_pDB->copyPrivateHeader(scratch);
        }
        m_pDB->ReadConduitHeader();
        m_pDB->Close();
        keepTimes = !m_pDB->GetOutlineChanged();

        m_pDB->Open(file.GetTempPath(), CFile::modeCreate | CFile::modeWrite);
        m_pDB->WriteAllHeaders();
        m_pDB->WriteRows();
    }
    m_pDB->Close();
    file.Commit(keepTimes);
    restore.done = true;
    m_nLoadedRows = static_cast<int>(rows.size());
}

bool COutlineMan::MarkChanges(const std::vector<TSaveRow> &rows)
{
    bool changed = m_pDB->GetOutlineChanged();
    COutlineRecord stored;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        COutlineRecord &record = *rows[i].m_pRecord;
        bool pendingSort = false;
        if (m_bNewDB || rows[i].m_nOldPos == kx_gen::kNoFilePos) {
            record.SetNew(true);
            changed = true;
        } else {
            m_pDB->ReadRow(rows[i].m_nOldPos, &stored);
            record.UpdateChangedFields(stored);
            KeepPendingMarks(record, stored);
            record.updateRecordChanged();
            if (record.IsChanged())
                changed = true;
            pendingSort = stored.IsSortChanged();
        }
        const bool moved = i != rows[i].m_nOldRowIndex;
        record.SetSortChanged(moved || pendingSort);
        if (moved)
            changed = true;
    }
    return changed;
}
