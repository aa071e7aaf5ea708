#include "kx_gen/CategoryDB.h"

#include "kx_gen/Exception.h"
#include "kx_gen/File.h"
#include "kx_gen/PathUtils.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>

namespace kx_gen {

namespace {

std::mutex g_unfiledMutex;
char g_unfiledName[CCategoryDB::kUnfiledCategoryNameSize] = "";

// Closes the database at the end of a scope, also when an exception passes;
// a failure to close is reported only when nothing else is.
class CloseGuard {
public:
    explicit CloseGuard(CCategoryDB &db)
        : m_db(db)
    {
    }
    ~CloseGuard() noexcept(false)
    {
        if (std::uncaught_exceptions() > m_pending) {
            try {
                m_db.Close();
            } catch (CException *e) {
                ExceptionHolder holder(e);
            }
        } else {
            m_db.Close();
        }
    }

private:
    CCategoryDB &m_db;
    int m_pending = std::uncaught_exceptions();
};

} // namespace

// --- CCategoryIterator ------------------------------------------------------

CCategoryIterator::CCategoryIterator(const CDBRecordset *slots, std::size_t slot)
    : m_pSlots(slots)
    , m_nSlot(slot)
{
    skipEmpty();
}

void CCategoryIterator::skipEmpty()
{
    if (!m_pSlots)
        return;
    while (m_nSlot < m_pSlots->getSize() && m_pSlots->getRecord(m_nSlot)->IsEmpty())
        ++m_nSlot;
}

CCategoryRecord &CCategoryIterator::operator*() const
{
    return *static_cast<CCategoryRecord *>(m_pSlots->getRecord(m_nSlot));
}

CCategoryIterator &CCategoryIterator::operator++()
{
    ++m_nSlot;
    skipEmpty();
    return *this;
}

// --- CCategoryDB ------------------------------------------------------------

CCategoryDB::CCategoryDB()
    : CDatabase(kCategoryDbVersion)
{
}

CCategoryDB::~CCategoryDB() = default;

void CCategoryDB::setUnfiledCategoryName(const char *name)
{
    std::lock_guard<std::mutex> guard(g_unfiledMutex);
    std::size_t length = name ? std::strlen(name) : 0;
    length = std::min(length, kUnfiledCategoryNameSize - 1);
    if (length)
        std::memcpy(g_unfiledName, name, length);
    g_unfiledName[length] = 0;
}

_String CCategoryDB::getUnfiledCategoryName()
{
    std::lock_guard<std::mutex> guard(g_unfiledMutex);
    return _String(g_unfiledName);
}

CDBRecordset *CCategoryDB::CreateRecordset()
{
    return new CCategoryRecordset;
}

const CDBRecordset *CCategoryDB::slotRecords() const
{
    return m_pRecordset;
}

void CCategoryDB::InitNewDatabase()
{
    CDatabase::InitNewDatabase();
    GetRecordset()->Free();
    m_bNew = true;
    m_nNextId = kFirstDesktopCategoryCounter;
    AddNewCategory(0, getUnfiledCategoryName(), nullptr);
}

void CCategoryDB::CheckDbInfo()
{
    if (m_dbInfo.version > kCategoryDbVersion)
        ThrowException(kMsgDbVersionNewer);
}

void CCategoryDB::WriteDbInfo()
{
    m_dbInfo.version = kCategoryDbVersion;
    CDatabase::WriteDbInfo();
}

void CCategoryDB::ReadExtraRows()
{
    std::int32_t counter = 0;
    *this >> counter;
    m_nNextId = counter;
    // Files of version 0 have no flag; theirs stays the default.
    if (m_dbInfo.version > 0) {
        std::uint8_t flag = 0;
        *this >> flag;
        m_bNew = flag != 0;
    } else {
        m_bNew = true;
    }
}

void CCategoryDB::WriteExtraRows()
{
    *this << m_nNextId << static_cast<std::uint8_t>(m_bNew ? 1 : 0);
}

void CCategoryDB::CreateFile(const char *path)
{
    {
        CloseGuard guard(*this);
        Open(path, CFile::modeCreate | CFile::modeWrite);
        InitNewDatabase();
        WriteAllHeaders();
        WriteRows();
    }
    LoadFile(path);
}

void CCategoryDB::LoadFile(const char *path)
{
    // Guarded before opening: a file whose db info or table is refused
    // stays open otherwise.
    CloseGuard guard(*this);
    Open(path, CFile::modeReadWrite);
    ReadRows();
}

void CCategoryDB::SaveFile(const char *path)
{
    CloseGuard guard(*this);
    if (IsFileExist(path)) {
        Open(path, CFile::modeReadWrite);
        WriteRows();
    } else {
        Open(path, CFile::modeCreate | CFile::modeWrite);
        WriteAllHeaders();
        WriteRows();
    }
}

std::size_t CCategoryDB::firstEmptySlot() const
{
    const CDBRecordset *all = slotRecords();
    std::size_t count = all ? all->getSize() : 0;
    for (std::size_t i = 0; i < count; ++i)
        if (all->getRecord(i)->IsEmpty())
            return i;
    return count;
}

std::size_t CCategoryDB::FindFirstHole()
{
    std::size_t slot = firstEmptySlot();
    if (slot == GetRecordset()->getSize())
        GetRecordset()->Append();
    return slot;
}

CCategoryRecord *CCategoryDB::placeCategory(
    CCategoryRecord *record, std::uint32_t id, const char *name, CTime time)
{
    record->SetEmpty(false);
    record->SetNew(true);
    record->SetCategoryId(id);
    record->SetCategoryName(_String(name));
    record->SetLastChangedTime(time);
    return record;
}

CCategoryRecord *CCategoryDB::AddNewCategory(const char *name, const CTime *time)
{
    // Checked before FindFirstHole appends a slot, so that a full table is
    // not left with a seventeenth, phantom category.
    if (firstEmptySlot() >= static_cast<std::size_t>(kMaxCategoryAmount))
        ThrowException(kMsgMaxCategories);
    std::uint32_t id = GetNewCategoryId();
    return AddNewCategory(id, name, time);
}

CCategoryRecord *CCategoryDB::AddNewCategory(std::uint32_t id, const char *name, const CTime *time)
{
    if (firstEmptySlot() >= static_cast<std::size_t>(kMaxCategoryAmount))
        ThrowException(kMsgMaxCategories);
    CTime when = time ? *time : CTime::GetTickCount();
    std::size_t slot = FindFirstHole();
    return placeCategory(GetSlot(slot), id, name, when);
}

CCategoryRecord *CCategoryDB::AddNewCategory(
    std::uint32_t id, const char *name, CTime time, std::size_t slot)
{
    ResizeDB(slot);
    return placeCategory(GetSlot(slot), id, name, time);
}

void CCategoryDB::DeleteCategory(CCategoryRecord *record, CTime time)
{
    record->SetEmpty(true);
    record->SetDeleted(true);
    record->SetLastChangedTime(time);
}

void CCategoryDB::UndeleteCategory(CCategoryRecord *record, CTime time)
{
    // The id first: when none is left the record stays deleted.
    std::uint32_t id = GetNewCategoryId();
    record->SetEmpty(false);
    record->SetDeleted(false);
    record->SetNew(true);
    record->SetChanged(true);
    record->SetLastChangedTime(time);
    record->SetCategoryId(id);
}

void CCategoryDB::RenameCategory(CCategoryRecord *record, const char *name, CTime time)
{
    record->SetCategoryName(_String(name));
    record->SetChanged(true);
    record->SetLastChangedTime(time);
}

void CCategoryDB::SetCategoryID(CCategoryRecord *record, std::uint32_t id)
{
    record->SetCategoryId(id);
    record->SetChanged(true);
}

std::uint32_t CCategoryDB::GetCategoryID(const CCategoryRecord *record) const
{
    return record->GetCategoryId();
}

void CCategoryDB::GetCategoryName(const CCategoryRecord *record, _String &name) const
{
    name = record->GetCategoryName();
}

CCategoryRecord *CCategoryDB::FindCategory(const char *name)
{
    _String wanted(name);
    for (CCategoryRecord &record : *this)
        if (record.GetCategoryName() == wanted)
            return &record;
    return nullptr;
}

CCategoryRecord *CCategoryDB::FindCategory(std::uint32_t id)
{
    for (CCategoryRecord &record : *this)
        if (record.GetCategoryId() == id)
            return &record;
    return nullptr;
}

std::uint16_t CCategoryDB::GetCategoryCount() const
{
    std::size_t count = 0;
    for (CCategoryIterator it = GetIterator(); it != End(); ++it)
        ++count;
    return static_cast<std::uint16_t>(std::min<std::size_t>(count, 0xFFFF));
}

std::uint32_t CCategoryDB::GetNewCategoryId()
{
    auto used = [this](std::int64_t id) {
        for (const CCategoryRecord &record : *this)
            if (record.GetCategoryId() == static_cast<std::uint32_t>(id))
                return true;
        return false;
    };
    // The counter comes from the file; one outside 0..255 would give ids
    // that are no category ids (or overflow), so it starts over at 128.
    std::int64_t candidate = static_cast<std::int64_t>(m_nNextId) + 1;
    if (candidate > static_cast<std::int64_t>(kMaxCategoryId) || candidate < 1)
        candidate = kFirstDesktopCategoryCounter;
    // Past 255 the search goes on once from 128, so that free ids below the
    // counter are found too; 384 steps cover every id from 1 to 255 and then
    // 128 to 255.
    for (int step = 0; step < 384; ++step) {
        if (!used(candidate)) {
            m_nNextId = static_cast<std::int32_t>(candidate);
            return static_cast<std::uint32_t>(candidate);
        }
        if (++candidate > static_cast<std::int64_t>(kMaxCategoryId))
            candidate = kFirstDesktopCategoryCounter;
    }
    ThrowException(kMsgNoFreeCategoryId);
}

void CCategoryDB::ResizeDB(std::size_t slot)
{
    if (slot >= static_cast<std::size_t>(kMaxCategoryAmount))
        ThrowException(kMsgMaxCategories);
    CDBRecordset *all = GetRecordset();
    while (all->getSize() <= slot)
        all->Append()->SetEmpty(true);
}

void CCategoryDB::deleteAllCategories()
{
    GetRecordset()->Free();
    m_nNextId = kFirstDesktopCategoryCounter;
}

void CCategoryDB::setDesktopCategoryIDs()
{
    _String unfiled = getUnfiledCategoryName();
    if (CCategoryRecord *record = FindCategory(unfiled.c_str()))
        record->SetCategoryId(0);
    m_nNextId = kFirstDesktopCategoryCounter;
    for (CCategoryRecord &record : *this) {
        if (record.GetCategoryId() == 0 && record.GetCategoryName() == unfiled)
            continue;
        if (m_nNextId >= static_cast<std::int32_t>(kMaxCategoryId))
            ThrowException(kMsgNoFreeCategoryId);
        record.SetCategoryId(static_cast<std::uint32_t>(++m_nNextId));
    }
}

CCategoryRecord *CCategoryDB::GetSlot(std::size_t slot)
{
    return static_cast<CCategoryRecord *>(GetRecordset()->getRecord(slot));
}

std::size_t CCategoryDB::GetSlotCount() const
{
    return slotRecords() ? slotRecords()->getSize() : 0;
}

CCategoryIterator CCategoryDB::GetIterator() const
{
    return CCategoryIterator(slotRecords(), 0);
}

CCategoryIterator CCategoryDB::End() const
{
    return CCategoryIterator(slotRecords(), GetSlotCount());
}

} // namespace kx_gen
