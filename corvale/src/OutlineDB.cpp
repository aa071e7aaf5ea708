#include "kx_gen/OutlineDB.h"

#include "kx_gen/CategoryDB.h"
#include "kx_gen/Exception.h"
#include "kx_gen/File.h"
#include "kx_gen/FileFind.h"
#include "kx_gen/PathUtils.h"

#include <cstring>
#include <memory>

namespace kx_gen {

CDBRecord *COutlineRecordset::CreateDBRecord()
{
    auto record = std::make_unique<COutlineRecord>();
    record->Init();
    return record.release();
}

CDBRecord *COutlineRecordset::CreateRecordToRead()
{
    return new COutlineRecord(CDBRecord::TToBeRead());
}

CDBRecord *COutlineRecordset::CreateRecordToReadAt(void *place)
{
    return new (place) COutlineRecord(CDBRecord::TToBeRead());
}

COutlineDB::COutlineDB()
    : CDatabase(kVersion)
{
    m_headerManager.RegisterHeader(
        { kSharedHeaderID, CSharedHeader::kDefaultSize }, new CSharedHeader);
    m_headerManager.RegisterHeader(
        { kPrivateHeaderID, CPrivateOutlineHeader::kDefaultSize }, new CPrivateOutlineHeader);
    GetRecordset();
}

COutlineDB::~COutlineDB() = default;

void COutlineDB::Open(const char *path, unsigned mode)
{
    try {
        CDatabase::Open(path, mode);
        return;
    } catch (CException *e) {
        ExceptionHolder holder(e);
        if (e->GetErrorNumber() != kHeaderSizeChangedError)
            throw holder.release();
    }
    upgradeHeaders(path);
    CDatabase::Open(path, mode);
}

void COutlineDB::upgradeHeaders(const char *path)
{
    // Whatever happens, the size check is on again afterwards and the file
    // is not left open half-rewritten.
    struct Restore {
        COutlineDB &db;
        bool closed = false;
        ~Restore()
        {
            db.SetReportSizeProblem(true);
            if (!closed) {
                try {
                    db.CFileStream::Close();
                } catch (CException *e) {
                    ExceptionHolder holder(e);
                }
            }
        }
    } restore { *this };

    Close();
    SetReportSizeProblem(false);
    CDatabase::Open(path, CFile::modeReadWrite);
    ReadHeader(kConduitHeaderID);
    ReadHeader(kPrivateHeaderID);
    ReadHeader(kSharedHeaderID);
    ReadRows();
    m_headerManager.ResizeHeaders();
    WriteAllHeaders();
    WriteRows();
    GetRecordset()->Free();
    Close();
    restore.closed = true;
}

void COutlineDB::OpenWithoutUpgrade(const char *path, unsigned mode, bool *wouldUpgrade)
{
    const bool report = m_headerManager.GetReportSizeProblem();
    SetReportSizeProblem(false);
    try {
        CDatabase::Open(path, mode);
    } catch (...) {
        SetReportSizeProblem(report);
        throw;
    }
    SetReportSizeProblem(report);
    if (wouldUpgrade)
        *wouldUpgrade = HeadersNeedUpgrade();
}

bool COutlineDB::HeadersNeedUpgrade() const
{
    for (const THeaderInfo &info : m_headerManager.GetRegisteredList()) {
        if (!info.present)
            continue;
        for (const THeaderInfo &entry : m_headerManager.GetFileList())
            if (entry.id == info.id && entry.size < info.size)
                return true;
    }
    return false;
}

void COutlineDB::CheckDbInfo()
{
    if (m_dbInfo.version != kVersion)
        ThrowDBException(kMsgDbVersionNewer);
}

void COutlineDB::InitNewDatabase()
{
    CDatabase::InitNewDatabase();
    m_deletedQuibs.RemoveAll();
}

void COutlineDB::ReadExtraRows()
{
    m_deletedQuibs.Read(*this);
}

void COutlineDB::WriteExtraRows()
{
    m_deletedQuibs.Write(*this);
}

CDBRecordset *COutlineDB::CreateRecordset()
{
    return new COutlineRecordset;
}

CSharedHeader *COutlineDB::GetSharedHeaderPtr() const
{
    return static_cast<CSharedHeader *>(m_headerManager.GetHeaderPtr(kSharedHeaderID));
}

CPrivateOutlineHeader *COutlineDB::GetPrivateOutlineHeaderPtr() const
{
    return static_cast<CPrivateOutlineHeader *>(m_headerManager.GetHeaderPtr(kPrivateHeaderID));
}

CSharedHeader &COutlineDB::shared() const
{
    return *GetSharedHeaderPtr();
}

CPrivateOutlineHeader &COutlineDB::priv() const
{
    return *GetPrivateOutlineHeaderPtr();
}

bool COutlineDB::compareSharedHeader(const COutlineDB &other) const
{
    std::uint8_t mine[CSharedHeader::kNumberingSize];
    std::uint8_t theirs[CSharedHeader::kNumberingSize];
    getNumbering(mine);
    other.getNumbering(theirs);
    return GetCategoryName() == other.GetCategoryName() && GetPrivate() == other.GetPrivate()
        && std::memcmp(mine, theirs, sizeof mine) == 0
        && getNumberingDivider() == other.getNumberingDivider();
}

bool COutlineDB::comparePrivateHeader(const COutlineDB &other) const
{
    return GetShowCheckedItems() == other.GetShowCheckedItems()
        && GetOutlineTitle() == other.GetOutlineTitle();
}

void COutlineDB::copySharedHeader(const COutlineDB &other)
{
    if (&other != this)
        shared() = other.shared();
}

void COutlineDB::copyPrivateHeader(const COutlineDB &other)
{
    if (&other != this)
        priv() = other.priv();
}

COutlineRecord *COutlineDB::GetOutlineRecord(std::size_t index)
{
    return dynamic_cast<COutlineRecord *>(getRecord(index));
}

bool COutlineDB::Delete(COutlineRecord *record)
{
    return GetRecordset()->Delete(record);
}

void COutlineDB::DeleteAll(bool keepIds)
{
    // Ids recorded before stay with keepIds: forgetting them would let items
    // deleted earlier come back from the handheld.
    if (!keepIds)
        m_deletedQuibs.RemoveAll();
    CDBRecordset *records = GetRecordset();
    while (records->getSize() > 0) {
        CDBRecord *record = records->getRecord(0);
        if (keepIds) {
            if (auto *outline = dynamic_cast<COutlineRecord *>(record)) {
                const std::uint32_t id = outline->GetId();
                if (id != 0)
                    m_deletedQuibs.Add(id);
            }
        }
        records->Delete(std::size_t(0));
    }
}

bool COutlineDB::IsDeleted(const COutlineRecord *record) const
{
    return record && IsDeleted(record->GetId());
}

bool updateFileCategory(const char *path, bool force, const char *oldName, const char *newName)
{
    try {
        COutlineDB db;
        db.Open(path, CFile::modeReadWrite);
        db.ReadSharedHeader();
        if (!force && db.GetCategoryName() != _String(oldName)) {
            db.Close();
            return true;
        }
        db.SetCategoryName(_String(newName));
        db.SetCategoryChanged(true);
        db.SetOutlineChanged(true);
        db.WriteSharedHeader();
        db.Close();
        return true;
    } catch (CException *e) {
        ExceptionHolder holder(e);
        return false;
    }
}

void updateCategory(
    const char *directory, const char *extension, const char *oldName, const char *newName)
{
    const _String target = newName ? _String(newName) : CCategoryDB::getUnfiledCategoryName();
    _String pattern;
    pattern.FormatString(
        "%s*.%s", JoinPath(_String(directory), _String()).c_str(), extension ? extension : "");
    CFileFind find;
    bool more = find.FindFile(pattern);
    while (more) {
        more = find.FindNextFileA();
        if (find.IsDirectory())
            continue;
        updateFileCategory(find.GetFilePath(), false, oldName, target);
    }
}

} // namespace kx_gen
