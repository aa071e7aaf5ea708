// COutlineMan: life cycle, loading and the header values.

#include "OutlineMan.h"

#include "kx_gen/Exception.h"
#include "kx_gen/File.h"
#include "kx_gen/OutlineDB.h"
#include "kx_gen/WinTypes.h"

#include <memory>

using kx_gen::_String;
using kx_gen::CException;
using kx_gen::COutlineDB;
using kx_gen::COutlineRecord;
using kx_gen::ExceptionHolder;

namespace {

// Shown when building the tree fails for a reason other than the storage
// library's.
const char *const kTextUnknownDatabaseError = "An unknown database error!";

} // namespace

COutlineMan::COutlineMan(COutlineSettings *settings, CMessageSink *messages)
    : m_pSettings(settings)
    , m_pMessages(messages)
{
}

COutlineMan::~COutlineMan()
{
    Close();
}

void COutlineMan::SetModified(bool) { }

void COutlineMan::ShowMessage(const _String &text)
{
    if (m_pMessages)
        m_pMessages->ShowMessage(text);
}

void COutlineMan::ShowUnknownException()
{
    ShowMessage(_String("Unknown exception"));
}

bool COutlineMan::NewOutline(bool createFirstItem)
{
    Close();
    m_bNewDB = true;
    try {
        auto db = std::make_unique<COutlineDB>();
        db->InitNewDatabase();
        kx_gen::LOGFONT font;
        kx_gen::COLORREF colour = 0;
        std::uint8_t numbering[kNumberingSize] = {};
        if (m_pSettings) {
            m_pSettings->GetOutlineFont(font);
            colour = m_pSettings->GetWindowTextColor();
            m_pSettings->GetDefaultNumbering(numbering);
        }
        db->SetOutlineFont(font, colour);
        db->setNumbering(numbering);
        db->setNumberingDivider(0);
        // A new outline starts with its check boxes shown.
        db->SetCheckBoxMode(0);
        m_pDB = db.release();
    } catch (CException *e) {
        ExceptionHolder holder(e);
        ShowMessage(holder->GetDescription());
        return false;
    } catch (...) {
        ShowUnknownException();
        return false;
    }
    StartNewHistory();
    if (createFirstItem)
        AddFirstItem();
    return true;
}

bool COutlineMan::Load(const char *path)
{
    Close();
    m_bNewDB = false;
    // Declared outside the try, so that a failure clears the items built so
    // far before the records they point at go.
    std::unique_ptr<COutlineDB> db;
    COutlineNode *last = nullptr;
    bool building = false;
    try {
        db = std::make_unique<COutlineDB>();
        StartNewHistory();
        db->Open(path, kx_gen::CFile::modeRead | kx_gen::CFile::shareDenyWrite);
        db->ReadSharedHeader();
        db->ReadPrivateHeader();
        // Each record becomes its item as soon as it is read: its bytes are
        // still in cache then, where a second pass would find them cold.
        // The item's scan is the one walk over each record's tags; from
        // then on the items hold the fields, so an index of the tags would
        // go unused.
        db->ReadRows(
            [&](kx_gen::CDBRecord &record) {
                building = true;
                last = AddLoadedItem(static_cast<COutlineRecord *>(&record), last);
                building = false;
            },
            kx_gen::CDatabase::kTagsUnindexed);
        db->Close();
    } catch (CException *e) {
        ExceptionHolder holder(e);
        m_Tree.RemoveAll();
        m_LoadedBlocks.clear();
        ShowMessage(holder->GetDescription());
        return false;
    } catch (...) {
        m_Tree.RemoveAll();
        m_LoadedBlocks.clear();
        if (building)
            ShowMessage(kTextUnknownDatabaseError);
        else
            ShowUnknownException();
        return false;
    }
    m_pDB = db.release();
    const int rows = static_cast<int>(m_pDB->GetRecordset()->getSize());
    // A loaded outline always has an item to edit; AddFirstItem reports its
    // own failure.
    if (rows == 0 && !AddFirstItem()) {
        Close();
        return false;
    }
    SetModified(false);
    m_nLoadedRows = rows;
    RememberLoadedFile(path);
    return true;
}

bool COutlineMan::BuildTree()
{
    kx_gen::CDBRecordset *records = m_pDB->GetRecordset();
    const std::size_t count = records->getSize();
    COutlineNode *last = nullptr;
    try {
        for (std::size_t i = 0; i < count; ++i)
            last = AddLoadedItem(static_cast<COutlineRecord *>(records->getRecord(i)), last);
        // A loaded outline always has an item to edit.
        // AddFirstItem reports its own failure.
        if (count == 0 && !AddFirstItem())
            return false;
    } catch (CException *e) {
        ExceptionHolder holder(e);
        ShowMessage(holder->GetDescription());
        return false;
    } catch (...) {
        ShowMessage(kTextUnknownDatabaseError);
        return false;
    }
    return true;
}

COutlineNode *COutlineMan::AddLoadedItem(COutlineRecord *record, COutlineNode *last)
{
    const CRecordScan scan(*record);
    std::uint8_t stored = 0;
    if (!scan.IsValid() || !scan.m_Indent.GetByte(stored))
        stored = record->GetIndent();
    // A level beyond the deepest is damage; the item reads it as the top
    // level, and so does the repair.
    const std::uint8_t indent = COutlineItem::IsValidLevel(stored) ? stored : 0;
    // The parent is the nearest of the previous item and its ancestors that
    // lies above the stored level, so no item ends up more than one level
    // below the item before it.
    COutlineNode *parent = last;
    while (parent && parent->m_Item.m_nLevel >= indent)
        parent = m_Tree.GetParent(parent);
    const std::uint8_t level = parent ? COutlineItem::ChildLevel(parent->m_Item.m_nLevel) : 0;
    COutlineNode *node = m_Tree.InsertLast(parent);
    COutlineItem &item = node->m_Item;
    item.m_pRecord = record;
    // A record that shares the bytes it was read into lends the item its
    // text: the block is kept here for as long as the items may use it.
    const std::shared_ptr<const void> &block = record->GetDataKeeper();
    const bool borrow = block != nullptr;
    if (borrow && (m_LoadedBlocks.empty() || m_LoadedBlocks.back() != block))
        m_LoadedBlocks.push_back(block);
    item.LoadFromRecord(scan, borrow);
    if (level != stored) {
        record->SetIndent(level);
        item.m_nLevel = level;
    }
    return node;
}

void COutlineMan::Close()
{
    DeleteHistory();
    // Items point at records of the database: free them first.
    m_Tree.RemoveAll();
    m_LoadedBlocks.clear();
    delete m_pDB;
    m_pDB = nullptr;
    m_FileIdentity = kx_gen::TFileIdentity();
    m_nFileSerial = 0;
    for (TLevelExtent &extent : m_LevelExtent)
        extent = TLevelExtent();
    m_nLoadedRows = -1;
}

void COutlineMan::ClearAll()
{
    if (!m_pDB)
        return;
    StartNewHistory();
    // Views forget every item they point at before the items go.
    Notify(kNotifyClearing, nullptr);
    m_Tree.RemoveAll();
    for (TLevelExtent &extent : m_LevelExtent)
        extent = TLevelExtent();
    try {
        m_pDB->DeleteAll(false);
    } catch (CException *e) {
        ExceptionHolder holder(e);
        ShowMessage(holder->GetDescription());
    }
    if (COutlineNode *node = AddFirstItem())
        Notify(kNotifyInserted, node);
}

COutlineNode *COutlineMan::AddFirstItem()
{
    if (!m_pDB)
        return nullptr;
    kx_gen::CDBRecordset *records = m_pDB->GetRecordset();
    kx_gen::CDBRecord *record = nullptr;
    try {
        record = records->Append();
    } catch (CException *e) {
        ExceptionHolder holder(e);
        ShowMessage(holder->GetDescription());
        return nullptr;
    } catch (...) {
        ShowUnknownException();
        return nullptr;
    }
    try {
        const COutlineItem blank;
        COutlineNode *node = m_Tree.InsertLast(blank, nullptr);
        node->m_Item.m_pRecord = static_cast<COutlineRecord *>(record);
        RecordFirstItem(node);
        return node;
    } catch (...) {
        ShowUnknownException();
        records->Delete(record);
        return nullptr;
    }
}

COutlineNode *COutlineMan::EnsureItem(COutlineNode *node)
{
    COutlineNode *first = GetFirstVisible();
    if (!node)
        return first ? nullptr : AddFirstItem();
    if (node != first)
        return nullptr;
    if (COutlineNode *next = GetNextShownSibling(node))
        return next;
    return AddFirstItem();
}

_String COutlineMan::GetCategoryName() const
{
    return m_pDB ? m_pDB->GetCategoryName() : _String();
}

void COutlineMan::GetNumbering(std::uint8_t *scheme) const
{
    if (m_pDB)
        m_pDB->getNumbering(scheme);
}

void COutlineMan::SetNumbering(const std::uint8_t *scheme)
{
    if (m_pDB)
        m_pDB->setNumbering(scheme);
}

bool COutlineMan::ValidateNumbering(std::uint8_t *scheme)
{
    bool valid = true;
    for (int level = 0; level < kNumberingSize; ++level) {
        if (scheme[level] > kMaxNumberingStyle) {
            scheme[level] = 0;
            valid = false;
        }
    }
    return valid;
}

void COutlineMan::SetNumberingDivider(std::uint8_t divider)
{
    if (m_pDB)
        m_pDB->setNumberingDivider(static_cast<std::uint16_t>(divider * 256 + divider));
}
