// COutlineMan: saving with the change marks that synchronisation relies on.

#include "OutlineMan.h"

#include "RecordScan.h"
#include "SafeSaveFile.h"

#include "kx_gen/DBConstants.h"
#include "kx_gen/Exception.h"
#include "kx_gen/File.h"
#include "kx_gen/OutlineDB.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using kx_gen::_String;
using kx_gen::CException;
using kx_gen::CFile;
using kx_gen::COutlineDB;
using kx_gen::COutlineRecord;
using kx_gen::ExceptionHolder;

// The rows of the file being replaced, read straight from it through a
// window that follows the save's mostly sequential order, so that comparing
// a record with its row costs no allocation. A row that is not where and
// what it should be is left to the database's own reader, which reports it.
class CRowWindow {
public:
    explicit CRowWindow(const char *path)
    {
        m_nFd = open(path, O_RDONLY | O_CLOEXEC);
        struct stat st { };
        if (m_nFd >= 0 && fstat(m_nFd, &st) == 0 && S_ISREG(st.st_mode))
            m_nFileSize = static_cast<std::uint64_t>(st.st_size);
    }
    ~CRowWindow()
    {
        if (m_nFd >= 0)
            close(m_nFd);
    }
    CRowWindow(const CRowWindow &) = delete;
    CRowWindow &operator=(const CRowWindow &) = delete;

    bool IsReadable() const { return m_nFd >= 0; }
    // The tag block of the framed row at `pos`, or false.
    bool RowAt(std::uint32_t pos, const std::uint8_t *&block, std::uint32_t &length)
    {
        constexpr std::uint32_t frame = kx_gen::kStartTagLen + 4;
        const std::uint8_t *head = Bytes(pos, frame);
        if (!head || std::memcmp(head, kx_gen::kRecordStartTag, kx_gen::kStartTagLen) != 0)
            return false;
        const std::uint8_t *l = head + kx_gen::kStartTagLen;
        length = std::uint32_t(l[0]) | (std::uint32_t(l[1]) << 8) | (std::uint32_t(l[2]) << 16)
            | (std::uint32_t(l[3]) << 24);
        const std::uint64_t total = std::uint64_t(frame) + length + kx_gen::kEndTagLen;
        if (pos + total > m_nFileSize)
            return false;
        const std::uint8_t *row = Bytes(pos, static_cast<std::size_t>(total));
        if (!row
            || std::memcmp(row + frame + length, kx_gen::kRecordEndTag, kx_gen::kEndTagLen) != 0)
            return false;
        block = row + frame;
        return true;
    }

private:
    static constexpr std::size_t kWindow = 1 << 18;

    // `count` bytes at `pos`, read into the window when they are not there.
    const std::uint8_t *Bytes(std::uint64_t pos, std::size_t count)
    {
        if (m_nFd < 0 || pos + count > m_nFileSize)
            return nullptr;
        if (pos >= m_nStart && pos + count <= m_nStart + m_nUsed)
            return m_Buffer.data() + (pos - m_nStart);
        const std::size_t want = std::max<std::size_t>(
            count, static_cast<std::size_t>(std::min<std::uint64_t>(kWindow, m_nFileSize - pos)));
        if (m_Buffer.size() < want)
            m_Buffer.resize(want);
        std::size_t got = 0;
        while (got < want) {
            const ssize_t n
                = pread(m_nFd, m_Buffer.data() + got, want - got, static_cast<off_t>(pos + got));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            got += static_cast<std::size_t>(n);
        }
        m_nStart = pos;
        m_nUsed = got;
        return got >= count ? m_Buffer.data() : nullptr;
    }

    int m_nFd = -1;
    std::uint64_t m_nFileSize = 0;
    std::vector<std::uint8_t> m_Buffer;
    std::uint64_t m_nStart = 0;
    std::size_t m_nUsed = 0;
};

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

// Marks a record whose row cannot be found in the file as changed in every
// field the comparison decides, adding the empty note the comparison would.
void MarkEveryFieldChanged(COutlineRecord &record)
{
    bool hasNote = false;
    if (record.GetTags().hasStringTag(COutlineRecord::kNoteString, hasNote) == kx_gen::kTagOK
        && !hasNote)
        record.SetNote(_String());
    for (const std::uint32_t id : kComparedTags)
        record.GetTags().setTagChanged(id, true);
    record.updateRecordChanged();
    record.SetSortChanged(true);
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

// What marking a record whose row in the file holds exactly its bytes
// depends on, in one byte, so that an item can keep it for the next save
// (COutlineItem::KeepStoredMarks): whether the fields are marked changed,
// the record's changed bit and its sort mark. 0 when the record cannot be
// marked that way.
constexpr std::uint8_t kMarksKnown = 0x01;
constexpr std::uint8_t kMarksFieldChanged = 0x02;
constexpr std::uint8_t kMarksRecordChanged = 0x04;
constexpr std::uint8_t kMarksSortChanged = 0x08;

std::uint8_t MarksOf(const CRecordScan &scan)
{
    std::uint8_t status = 0;
    std::uint8_t sort = 0;
    // Without a note the comparison would add an empty one: leave that to it.
    if (!scan.IsValid() || !scan.m_Note.IsFound() || !scan.m_Status.GetByte(status)
        || !scan.m_SortChanged.GetByte(sort))
        return 0;
    const bool hasDrawing = scan.m_Drawing.IsFound() && scan.m_Drawing.Length() > 0;
    const bool fieldChanged = scan.m_Indent.IsChanged() || scan.m_Text.IsChanged()
        || scan.m_Note.IsChanged() || scan.m_Checked.IsChanged()
        || (hasDrawing && scan.m_Drawing.IsChanged());
    return static_cast<std::uint8_t>(kMarksKnown | (fieldChanged ? kMarksFieldChanged : 0)
        | (kx_gen::CDBRecord::GetBit(status, kx_gen::kChangeBitPos) ? kMarksRecordChanged : 0)
        | (sort != 0 ? kMarksSortChanged : 0));
}

// Whether marking with these marks changes the record.
bool MarksNeedSetting(std::uint8_t marks, bool moved)
{
    const bool fieldChanged = marks & kMarksFieldChanged;
    return fieldChanged != bool(marks & kMarksRecordChanged)
        || (moved && !(marks & kMarksSortChanged));
}

// Marks a record whose row in the file holds exactly its bytes, as the
// comparison with that row would: every field equals its stored value, so
// the fields keep the marks they have (the file's), and only the record's
// changed bit and, after a move, its sort mark may need setting. Returns
// the marks the record has then.
std::uint8_t MarkAsItsRow(COutlineRecord &record, std::uint8_t marks, bool moved, bool &changed)
{
    const bool fieldChanged = marks & kMarksFieldChanged;
    if (fieldChanged != bool(marks & kMarksRecordChanged))
        record.SetChanged(fieldChanged);
    const bool sort = moved || (marks & kMarksSortChanged);
    if (moved && !(marks & kMarksSortChanged))
        record.SetSortChanged(true);
    if (fieldChanged)
        changed = true;
    return static_cast<std::uint8_t>(kMarksKnown
        | (fieldChanged ? kMarksFieldChanged | kMarksRecordChanged : 0)
        | (sort ? kMarksSortChanged : 0));
}

// MarkAsItsRow for a record whose row in the file is the tag block
// `row` of `length` bytes, when that row holds exactly the record's bytes.
// `scan` is the record's, or null to make one. 0 when the row differs or
// the record cannot be judged here.
std::uint8_t MarkUnchangedRecord(COutlineRecord &record, const CRecordScan *scan,
    const std::uint8_t *row, std::uint32_t length, bool moved, bool &changed)
{
    if (length != record.GetRecSize()
        || (length && std::memcmp(row, record.GetRawDataPtr(), length) != 0))
        return 0;
    std::optional<CRecordScan> own;
    if (!scan)
        scan = &own.emplace(record);
    const std::uint8_t marks = MarksOf(*scan);
    if (!marks)
        return 0;
    return MarkAsItsRow(record, marks, moved, changed);
}

} // namespace

// A record in the order of the save, with what the save may change in it.
struct COutlineMan::TSaveRow {
    COutlineRecord *m_pRecord;
    std::uint32_t m_nOldRowIndex;
    std::uint32_t m_nOldPos;
    std::uint8_t m_nOldStatus = 0;
    bool m_bOldSortChanged = false;
    bool m_bOldStatusTagChanged = false;
    bool m_bOldSortTagChanged = false;
    // Set when the save leaves the marks alone: there is nothing to put back.
    bool m_bMarksKept = false;

    // A row whose marks the save leaves as they are.
    struct TMarksKept { };
    TSaveRow(COutlineRecord *record, TMarksKept)
        : m_pRecord(record)
        , m_nOldRowIndex(record->GetRowIndex())
        , m_nOldPos(record->GetPos())
        , m_bMarksKept(true)
    {
    }

    // A row whose marks may change, read through the record's accessors.
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

    TSaveRow(COutlineRecord *record, const CRecordScan &scan)
        : m_pRecord(record)
        , m_nOldRowIndex(record->GetRowIndex())
        , m_nOldPos(record->GetPos())
    {
        std::uint8_t sort = 0;
        if (scan.IsValid() && scan.m_Status.GetByte(m_nOldStatus)
            && scan.m_SortChanged.GetByte(sort)) {
            m_bOldSortChanged = sort != 0;
            m_bOldStatusTagChanged = scan.m_Status.IsChanged();
            m_bOldSortTagChanged = scan.m_SortChanged.IsChanged();
            return;
        }
        m_nOldStatus = record->GetFlag();
        m_bOldSortChanged = record->IsSortChanged();
        m_bOldStatusTagChanged = TagChanged(*record, kx_gen::kStatusTagID);
        m_bOldSortTagChanged = TagChanged(*record, kx_gen::kSortChangedTagID);
    }

    // Puts the record's place and marks back as they were before the save.
    void Restore() const
    {
        m_pRecord->SetRowIndex(m_nOldRowIndex);
        m_pRecord->SetPos(m_nOldPos);
        if (m_bMarksKept)
            return;
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
        ShowUnknownException();
        return false;
    }
    SetModified(false);
    return true;
}

void COutlineMan::SaveToFile(const char *path)
{
    // A target that may not be written is refused before anything changes.
    CSafeSaveFile file(path);
    if (!m_bNewDB && !file.TargetExists())
        throw kx_gen::CFileException::FromErrno(ENOENT, file.GetTargetPath());

    // A failed save leaves the record set, the records' places and marks and
    // the headers as they were, as it leaves the file on disk: the next save
    // compares with that file again.
    kx_gen::CDBRecordset *records = m_pDB->GetRecordset();
    std::vector<kx_gen::CDBRecord *> previous(records->getSize());
    for (std::size_t i = 0; i < previous.size(); ++i)
        previous[i] = records->getRecord(i);
    std::vector<kx_gen::CDBRecord *> fresh;
    std::vector<TSaveRow> rows;
    rows.reserve(previous.size());
    COutlineDB savedHeaders;
    savedHeaders.InitNewDatabase();
    savedHeaders.copySharedHeader(*m_pDB);
    savedHeaders.copyPrivateHeader(*m_pDB);
    struct CRestore {
        kx_gen::CDBRecordset &records;
        const std::vector<kx_gen::CDBRecord *> &previous;
        const std::vector<kx_gen::CDBRecord *> &fresh;
        const std::vector<TSaveRow> &rows;
        COutlineDB &db;
        const COutlineDB &headers;
        bool done = false;
        ~CRestore()
        {
            if (done)
                return;
            try {
                records.emptyRS();
                for (kx_gen::CDBRecord *record : previous)
                    records.add(record);
                for (kx_gen::CDBRecord *record : fresh)
                    records.add(record);
                for (const TSaveRow &row : rows)
                    row.Restore();
                db.copySharedHeader(headers);
                db.copyPrivateHeader(headers);
            } catch (CException *e) {
                ExceptionHolder holder(e);
            } catch (...) {
                // Out of memory while putting things back: nothing more to do.
            }
        }
    } restore { *records, previous, fresh, rows, *m_pDB, savedHeaders };

    CCloseGuard closeGuard(m_pDB);
    std::unique_ptr<CRowWindow> window;
    // The open serial that the records read from or written to the old file
    // hold their rows of, while that file is still the one on disk: it may
    // have been rewritten or replaced since (by a synchronisation, say), or
    // this may be a save over another file. 0 when none can be trusted.
    std::uint32_t fileSerial = 0;
    if (!m_bNewDB) {
        // The old file is only read: its rows for the comparison, its
        // headers for the header check and the conduit's block, which the
        // new file carries on.
        m_pDB->OpenWithoutUpgrade(
            file.GetTargetPath(), CFile::modeRead | CFile::shareDenyWrite, nullptr);
        window = std::make_unique<CRowWindow>(file.GetTargetPath());
        if (m_pDB->GetOpenedIdentity().SameAs(m_FileIdentity))
            fileSerial = m_nFileSerial;
    } else {
        m_pDB->SetSynchronized(false);
        m_pDB->SetOutlineChanged(true);
    }

    // One pass over the items in document order, which is the records' new
    // order: each item goes back into its record, the record takes its new
    // place and is compared with its row in the file, all while its bytes
    // are at hand. An item known to be stored in a record known to hold its
    // row needs neither: only the marks the comparison would set.
    records->emptyRS();
    records->reserve(previous.size());
    bool changed = m_pDB->GetOutlineChanged();
    COutlineRecord stored;
    COutlineNode *next = nullptr;
    int unread = 0;
    // Items that need their record's bytes come in runs (a file written
    // elsewhere, a pasted part): the bytes are asked for ahead after such
    // an item.
    bool reading = fileSerial == 0;
    for (COutlineNode *n = m_Tree.GetFirstChild(nullptr); n; n = next) {
        // The walk is bound by memory: ask for the next item's bytes early.
        next = m_Tree.GetNextInDocument(n);
        if (next) {
            if (const COutlineRecord *ahead = next->m_Item.m_pRecord) {
                __builtin_prefetch(ahead);
                __builtin_prefetch(reinterpret_cast<const char *>(ahead) + 64);
                // A note is compared with the record's even when all else
                // is known.
                if (reading || next->m_Item.HasNote()) {
                    const std::uint8_t *bytes = ahead->GetRawDataPtr();
                    for (std::uint32_t k = 0; k < ahead->GetRecSize(); k += 64)
                        __builtin_prefetch(bytes + k);
                }
            }
            if (reading)
                __builtin_prefetch(next->m_Item.m_Text.GetPara(0).GetData());
        }
        COutlineItem &item = n->m_Item;
        if (!item.m_pRecord) {
            // Every inserted item is bound at once; one that is not still
            // gets a record rather than being lost.
            fresh.reserve(fresh.size() + 1);
            std::unique_ptr<kx_gen::CDBRecord> record(records->CreateDBRecord());
            fresh.push_back(record.get());
            item.m_pRecord = static_cast<COutlineRecord *>(record.release());
        }
        COutlineRecord &record = *item.m_pRecord;
        const std::uint32_t position = static_cast<std::uint32_t>(rows.size());
        if (fileSerial && item.IsStored() && record.HoldsRowOf(fileSerial)) {
            // Storing the item would write nothing, and the record is its
            // row in the old file: comparing the two would find them equal.
            std::uint8_t marks = item.GetStoredMarks();
            if (!marks)
                marks = MarksOf(CRecordScan(record));
            if (marks) {
                const bool moved = position != record.GetRowIndex();
                if (MarksNeedSetting(marks, moved))
                    rows.emplace_back(&record);
                else
                    rows.emplace_back(&record, TSaveRow::TMarksKept());
                records->add(&record);
                if (moved)
                    changed = true;
                item.KeepStoredMarks(MarkAsItsRow(record, marks, moved, changed));
                ++unread;
                reading = false;
                continue;
            }
        }
        reading = true;
        const CRecordScan scan(record);
        rows.emplace_back(&record, scan);
        const bool touched = item.StoreToRecord(scan);
        records->add(&record);
        item.KeepStoredMarks(MarkRecord(
            rows.back(), position, touched ? nullptr : &scan, window.get(), stored, changed));
    }

    bool keepTimes = false;
    if (!m_bNewDB) {
        if (changed)
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
    }
    m_pDB->Open(file.GetTempPath(), CFile::modeCreate | CFile::modeWrite);
    const std::uint32_t written = m_pDB->GetOpenSerial();
    m_pDB->WriteAllHeaders();
    m_pDB->WriteRows();
    m_pDB->Close();
    file.Commit(keepTimes);
    // The records now hold their rows of the file in place, for as long as
    // it keeps this identity.
    m_FileIdentity = file.GetCommittedIdentity();
    m_nFileSerial = m_FileIdentity.m_bKnown ? written : 0;
    restore.done = true;
    m_nLoadedRows = static_cast<int>(rows.size());
    m_nRowsSavedUnread = unread;

    if (records->getSize() != previous.size() + fresh.size()) {
        // Records that no item held were not saved: they belong to nothing.
        std::vector<kx_gen::CDBRecord *> saved;
        saved.reserve(rows.size());
        for (const TSaveRow &row : rows)
            saved.push_back(row.m_pRecord);
        std::sort(saved.begin(), saved.end());
        for (kx_gen::CDBRecord *record : previous) {
            if (!std::binary_search(saved.begin(), saved.end(), record))
                records->DeleteDBRecord(record);
        }
    }
}

std::uint8_t COutlineMan::MarkRecord(const TSaveRow &row, std::uint32_t position,
    const CRecordScan *scan, CRowWindow *window, COutlineRecord &stored, bool &changed)
{
    COutlineRecord &record = *row.m_pRecord;
    const bool moved = position != row.m_nOldRowIndex;
    if (moved)
        changed = true;
    if (m_bNewDB || row.m_nOldPos == kx_gen::kNoFilePos) {
        record.SetNew(true);
        record.SetSortChanged(moved);
        changed = true;
        return 0;
    }
    if (window) {
        const std::uint8_t *block = nullptr;
        std::uint32_t length = 0;
        if (window->RowAt(row.m_nOldPos, block, length)) {
            if (const std::uint8_t marks
                = MarkUnchangedRecord(record, scan, block, length, moved, changed))
                return marks;
        } else if (window->IsReadable()) {
            // No row where the record's was: the file is not the one it was
            // read from (a save over another outline, or a file rewritten
            // since). Reading there would fail the whole save; the record
            // has nothing to be compared with, so all of it counts as
            // changed.
            MarkEveryFieldChanged(record);
            changed = true;
            return 0;
        }
    }
    m_pDB->ReadRow(row.m_nOldPos, &stored);
    record.UpdateChangedFields(stored);
    KeepPendingMarks(record, stored);
    record.updateRecordChanged();
    if (record.IsChanged())
        changed = true;
    record.SetSortChanged(moved || stored.IsSortChanged());
    return 0;
}

void COutlineMan::RememberLoadedFile(const char *path)
{
    // The identity at the open against the one now tells whether the file
    // changed while it was read, or was replaced since.
    const kx_gen::TFileIdentity now = kx_gen::TFileIdentity::OfPath(path);
    if (m_pDB && now.SameAs(m_pDB->GetOpenedIdentity())) {
        m_FileIdentity = now;
        m_nFileSerial = m_pDB->GetOpenSerial();
    } else {
        m_FileIdentity = kx_gen::TFileIdentity();
        m_nFileSerial = 0;
    }
}

void COutlineMan::StoreItemsInRecords()
{
    if (!m_pDB)
        return;
    kx_gen::CDBRecordset *records = m_pDB->GetRecordset();
    std::vector<kx_gen::CDBRecord *> previous(records->getSize());
    for (std::size_t i = 0; i < previous.size(); ++i)
        previous[i] = records->getRecord(i);
    std::vector<kx_gen::CDBRecord *> ordered;
    ordered.reserve(previous.size());
    for (COutlineNode *n = m_Tree.GetFirstChild(nullptr); n; n = m_Tree.GetNextInDocument(n)) {
        COutlineItem &item = n->m_Item;
        if (!item.m_pRecord) {
            std::unique_ptr<kx_gen::CDBRecord> record(records->CreateDBRecord());
            item.m_pRecord = static_cast<COutlineRecord *>(record.release());
        }
        item.StoreToRecord(CRecordScan(*item.m_pRecord));
        ordered.push_back(item.m_pRecord);
    }
    records->emptyRS();
    records->reserve(ordered.size());
    for (kx_gen::CDBRecord *record : ordered)
        records->add(record);
    // Records that no item holds belong to nothing: they would only be
    // written as items that the outline does not have.
    std::sort(ordered.begin(), ordered.end());
    for (kx_gen::CDBRecord *record : previous)
        if (!std::binary_search(ordered.begin(), ordered.end(), record))
            records->DeleteDBRecord(record);
}
