#pragma once

#include "kx_gen/DBRecordset.h"
#include "kx_gen/Database.h"
#include "kx_gen/DeletedQuibs.h"
#include "kx_gen/Export.h"
#include "kx_gen/OutlineRecord.h"
#include "kx_gen/PrivateOutlineHeader.h"
#include "kx_gen/SharedHeader.h"
#include "kx_gen/String.h"
#include "kx_gen/WinTypes.h"

#include <cstddef>
#include <cstdint>

namespace kx_gen {

// The records of an outline file.
class KX_GEN_EXPORT COutlineRecordset : public CDBRecordset {
public:
    // A new COutlineRecord with its defaults; the caller owns it until added.
    CDBRecord *CreateDBRecord() override;
    // A COutlineRecord without tags, for CDBRecord::Read to fill.
    CDBRecord *CreateRecordToRead() override;
    std::size_t RecordToReadSize() const override { return sizeof(COutlineRecord); }
    CDBRecord *CreateRecordToReadAt(void *place) override;
};

// An outline document (.kxo) or template (.kxt): the container with the
// shared header (id 2) and the private header (id 3) beside the conduit
// header, the list of deleted item ids as its extra rows, and one
// COutlineRecord per item in document order.
//
// All operations throw the library's exceptions on failure; the shortcuts
// throw what the headers' accessors throw.
class KX_GEN_EXPORT COutlineDB : public CDatabase {
public:
    static constexpr std::uint16_t kSharedHeaderID = 2;
    static constexpr std::uint16_t kPrivateHeaderID = 3;
    static constexpr std::uint16_t kVersion = 0;

    // A database of version 0 with the conduit (255 bytes), shared (512) and
    // private (512) headers registered at their defaults, and no records.
    COutlineDB();
    ~COutlineDB() override;

    // Opens as CDatabase::Open does. A file whose headers are smaller than
    // today's defaults is first enlarged in place: opened read-write, read
    // completely, rewritten with the headers at their default sizes, and
    // then opened with `mode`; the headers and records in memory are those
    // of the file afterwards (records freed). The caller sees a normal open.
    // A failure during the enlargement leaves the file closed.
    void Open(const char *path, unsigned mode) override;
    // Opens as CDatabase::Open does but never writes: headers smaller than
    // today's defaults are accepted as they are. `wouldUpgrade` (may be
    // null) tells whether Open would have enlarged them.
    void OpenWithoutUpgrade(const char *path, unsigned mode, bool *wouldUpgrade);
    // True when the header table read holds a known header smaller than its
    // default size.
    bool HeadersNeedUpgrade() const;

    // Version other than 0: CDBException message 4.
    void CheckDbInfo() override;
    // Base preparation and an empty list of deleted ids.
    void InitNewDatabase() override;
    void ReadExtraRows() override;
    void WriteExtraRows() override;
    CDBRecordset *CreateRecordset() override;

    CSharedHeader *GetSharedHeaderPtr() const;
    CPrivateOutlineHeader *GetPrivateOutlineHeaderPtr() const;
    bool ReadSharedHeader() { return ReadHeader(kSharedHeaderID); }
    void WriteSharedHeader() { WriteHeader(kSharedHeaderID); }
    bool ReadPrivateHeader() { return ReadHeader(kPrivateHeaderID); }
    void WritePrivateHeader() { WriteHeader(kPrivateHeaderID); }

    // Shared header shortcuts.
    void SetCategoryName(const _String &name) { shared().SetCategoryName(name); }
    _String GetCategoryName() const { return shared().GetCategoryName(); }
    void SetCategoryChanged(bool changed) { shared().SetCategoryChanged(changed); }
    bool GetCategoryChanged() const { return shared().GetCategoryChanged(); }
    void SetOutlineChanged(bool changed) { shared().SetOutlineChanged(changed); }
    bool GetOutlineChanged() const { return shared().GetOutlineChanged(); }
    void SetPrivate(bool isPrivate) { shared().SetPrivate(isPrivate); }
    bool GetPrivate() const { return shared().GetPrivate(); }
    void SetPrivateTagChanged(bool changed) { shared().SetPrivateTagChanged(changed); }
    bool GetPrivateTagChanged() const { return shared().GetPrivateTagChanged(); }
    void SetSynchronized(bool synchronized) { shared().SetSynchronized(synchronized); }
    bool GetSynchronized() const { return shared().GetSynchronized(); }
    void SetPalmMatchName(const _String &name) { shared().SetPalmMatchName(name); }
    _String GetPalmMatchName() const { return shared().GetPalmMatchName(); }
    // kNumberingSize (10) bytes.
    void setNumbering(const std::uint8_t *scheme) { shared().setNumbering(scheme); }
    void getNumbering(std::uint8_t *scheme) const { shared().getNumbering(scheme); }
    void setNumberingChanged(bool changed) { shared().setNumberingChanged(changed); }
    bool getNumberingChanged() const { return shared().getNumberingChanged(); }
    void setNumberingDivider(std::uint16_t divider) { shared().setNumberingDivider(divider); }
    std::uint16_t getNumberingDivider() const { return shared().getNumberingDivider(); }
    void setNumberingDividerChanged(bool changed) { shared().setNumberingDividerChanged(changed); }
    bool getNumberingDividerChanged() const { return shared().getNumberingDividerChanged(); }

    // Private header shortcuts.
    void SetOutlineTitle(const _String &title) { priv().SetOutlineTitle(title); }
    _String GetOutlineTitle() const { return priv().GetOutlineTitle(); }
    void SetShowCheckedItems(bool show) { priv().SetShowCheckedItems(show); }
    bool GetShowCheckedItems() const { return priv().GetShowCheckedItems(); }
    void SetCheckBoxMode(std::uint8_t mode) { priv().SetCheckBoxMode(mode); }
    std::uint8_t GetCheckBoxMode() const { return priv().GetCheckBoxMode(); }
    void setCheckedItemsChanged(bool changed) { priv().setCheckedItemsChanged(changed); }
    bool ShowCheckedItemsChanged() const { return priv().ShowCheckedItemsChanged(); }
    void SetSelectedIndex(std::uint32_t index) { priv().SetSelectedIndex(index); }
    std::uint32_t GetSelectedIndex() const { return priv().GetSelectedIndex(); }
    void SetTopIndex(std::uint32_t index) { priv().SetTopIndex(index); }
    std::uint32_t GetTopIndex() const { return priv().GetTopIndex(); }
    void SetShowHeadingsMode(std::uint8_t mode) { priv().SetShowHeadingsMode(mode); }
    std::uint8_t GetShowHeadingsMode() const { return priv().GetShowHeadingsMode(); }
    void SetOutlineFont(const LOGFONT &font, COLORREF color) { priv().SetOutlineFont(font, color); }
    void GetOutlineFont(LOGFONT &font, COLORREF &color) const
    {
        priv().GetOutlineFont(font, color);
    }
    void SetOutlineWindowPos(const WINDOWPLACEMENT &placement)
    {
        priv().SetOutlineWindowPos(placement);
    }
    void GetOutlineWindowPos(WINDOWPLACEMENT &placement) const
    {
        priv().GetOutlineWindowPos(placement);
    }

    // True when the category names, the private flags, the numbering
    // schemes and the dividers are equal.
    bool compareSharedHeader(const COutlineDB &other) const;
    // True when show-checked-items and the titles are equal; no other private
    // field counts.
    bool comparePrivateHeader(const COutlineDB &other) const;
    // Replace this database's header by a byte copy of the other's.
    void copySharedHeader(const COutlineDB &other);
    void copyPrivateHeader(const COutlineDB &other);

    // The record at index as an outline record, or null.
    COutlineRecord *GetOutlineRecord(std::size_t index);
    // Removes and frees the record; false when it is not in the recordset.
    bool Delete(COutlineRecord *record);
    // Removes and frees every record. With keepIds, the non-zero id of every
    // record removed is added to the deleted ids, which keep the ids they
    // held; without, the deleted ids end empty.
    void DeleteAll(bool keepIds);

    bool IsDeleted(std::uint32_t id) const { return m_deletedQuibs.IsDeleted(id); }
    // By the record's id.
    bool IsDeleted(const COutlineRecord *record) const;
    void AddDeletedId(std::uint32_t id) { m_deletedQuibs.Add(id); }
    void removeDeletedId(std::uint32_t id) { m_deletedQuibs.removeId(id); }
    CDeletedQuibs &GetDeletedQuibs() { return m_deletedQuibs; }
    const CDeletedQuibs &GetDeletedQuibs() const { return m_deletedQuibs; }

private:
    CSharedHeader &shared() const;
    CPrivateOutlineHeader &priv() const;
    void upgradeHeaders(const char *path);

    CDeletedQuibs m_deletedQuibs;
};

// Opens the outline file at `path` read-write and reads its shared header.
// Unless `force` is true, a file whose category is not `oldName` is left
// alone. Otherwise its category becomes `newName`, marked changed together
// with the outline, and the header is written back in place. True when the
// file was processed (changed or not), false when anything failed (the
// exception is swallowed).
KX_GEN_EXPORT bool updateFileCategory(
    const char *path, bool force, const char *oldName, const char *newName);
// Runs updateFileCategory (path, false, oldName, newName) on every file in
// `directory` with the extension `extension` (without its dot). `newName`
// null stands for the unfiled category name.
KX_GEN_EXPORT void updateCategory(const char *directory, const char *extension, const char *oldName,
    const char *newName = nullptr);

} // namespace kx_gen
