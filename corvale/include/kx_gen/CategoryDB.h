#pragma once

#include "kx_gen/CategoryRecord.h"
#include "kx_gen/Database.h"
#include "kx_gen/Export.h"
#include "kx_gen/String.h"
#include "kx_gen/Time.h"

#include <cstddef>
#include <cstdint>

namespace kx_gen {

class CCategoryDB;

// Walks the slots of a category table in index order, skipping empty slots.
//   for (CCategoryIterator it = db.GetIterator(); it != db.End(); ++it)
//       use(*it);
// Adding categories while walking is allowed; deleting records is not.
class KX_GEN_EXPORT CCategoryIterator {
public:
    CCategoryIterator() = default;
    // Positioned at the first non-empty slot at or after `slot`.
    CCategoryIterator(const CDBRecordset *slots, std::size_t slot);

    bool operator!=(const CCategoryIterator &other) const { return m_nSlot != other.m_nSlot; }
    bool operator==(const CCategoryIterator &other) const { return m_nSlot == other.m_nSlot; }
    CCategoryRecord &operator*() const;
    CCategoryRecord *operator->() const { return &**this; }
    CCategoryIterator &operator++();
    // The slot index of the current category.
    std::size_t GetSlot() const { return m_nSlot; }

private:
    void skipEmpty();

    const CDBRecordset *m_pSlots = nullptr;
    std::size_t m_nSlot = 0;
};

// A user's category table ("categories.dat"): a container file (version 1,
// the conduit header only) whose records are the slots of the handheld's
// category table. A slot's index never changes; a deleted category leaves
// an empty slot that the next new category takes, so the table stays
// aligned with the handheld's. Desktop-made categories take ids from 128 up.
//
// Extra rows: i32 next-id counter, u8 new-database flag (the flag only in
// files of version 1 and later).
//
// All operations throw the library's exceptions on failure.
class KX_GEN_EXPORT CCategoryDB : public CDatabase {
public:
    static constexpr std::uint16_t kCategoryDbVersion = 1;
    static constexpr int kMaxCategoryAmount = 16;
    // The counter's value in a new table: the first new id is one more.
    static constexpr std::int32_t kFirstDesktopCategoryCounter = 128;
    static constexpr std::uint32_t kMaxCategoryId = 255;
    // Size of the buffer holding the unfiled category's name, terminator included.
    static constexpr std::size_t kUnfiledCategoryNameSize = 32;

    CCategoryDB();
    ~CCategoryDB() override;

    static int GetMaxCategoryAmount() { return kMaxCategoryAmount; }
    // The name of the unfiled category, shared by every table of the
    // process (empty until set; the program sets its "Unfiled" at start-up).
    // Longer names are cut to kUnfiledCategoryNameSize - 1 bytes.
    static void setUnfiledCategoryName(const char *name);
    static _String getUnfiledCategoryName();

    // A new table: no file rows, new flag on, counter 128, and the unfiled
    // category (id 0, the current unfiled name, the current time) in slot 0.
    void InitNewDatabase() override;
    // A version above 1 throws CException message 4.
    void CheckDbInfo() override;
    // Always writes version 1.
    void WriteDbInfo() override;
    void ReadExtraRows() override;
    void WriteExtraRows() override;
    CDBRecordset *CreateRecordset() override;

    // The three ways the program uses a category file. Each closes the file
    // again, also when it throws.
    // Creates the file with a new table (replacing any file of that name)
    // and loads it back.
    void CreateFile(const char *path);
    // Reads every slot of the file (opened read-write, as the table belongs
    // to whoever loaded it).
    void LoadFile(const char *path);
    // Writes every slot: in place when the file exists, else into a new file.
    void SaveFile(const char *path);

    // A new category with a fresh id (GetNewCategoryId) in the first empty
    // slot; `time` defaults to now. With 16 slots in use throws CException
    // error 20, message 21, and the table is left as it was.
    CCategoryRecord *AddNewCategory(const char *name, const CTime *time = nullptr);
    // The same with a given id.
    CCategoryRecord *AddNewCategory(
        std::uint32_t id, const char *name, const CTime *time = nullptr);
    // A category in the given slot (whatever the slot held), the table
    // growing with empty slots up to it. A slot of 16 or more throws
    // message 21.
    CCategoryRecord *AddNewCategory(
        std::uint32_t id, const char *name, CTime time, std::size_t slot);

    // Marks the category deleted and its slot empty; id and name stay so
    // that the deletion can be synchronised.
    void DeleteCategory(CCategoryRecord *record, CTime time);
    // Brings a deleted category back, new and changed, with a fresh id.
    void UndeleteCategory(CCategoryRecord *record, CTime time);
    // These set the record's changed bit.
    void RenameCategory(CCategoryRecord *record, const char *name, CTime time);
    void SetCategoryID(CCategoryRecord *record, std::uint32_t id);
    std::uint32_t GetCategoryID(const CCategoryRecord *record) const;
    void GetCategoryName(const CCategoryRecord *record, _String &name) const;

    // The first non-empty slot with that exact name (byte-wise, case
    // sensitive) / that id; null when none.
    CCategoryRecord *FindCategory(const char *name);
    CCategoryRecord *FindCategory(std::uint32_t id);
    CCategoryRecord *FindCategory(int id) { return FindCategory(static_cast<std::uint32_t>(id)); }
    // Non-empty slots.
    std::uint16_t GetCategoryCount() const;
    bool isFull() const { return GetCategoryCount() >= kMaxCategoryAmount; }
    // The index of the first empty slot; when there is none, a slot with
    // default fields (not empty) is appended and its index returned.
    std::size_t FindFirstHole();
    // The next free id: the first that no non-empty slot uses, searching up
    // from one above the counter and on from 128 past 255. The counter keeps
    // the id. Throws CException error 18, message 19 when 128 to 255 are all
    // taken.
    std::uint32_t GetNewCategoryId();
    // Appends empty slots until slot index `slot` exists (slot < 16, else
    // message 21).
    void ResizeDB(std::size_t slot);
    // Removes every slot and resets the counter to 128.
    void deleteAllCategories();
    // Gives the desktop's ids: 0 to the category named like the unfiled one,
    // then 129, 130, ... to the others in slot order; the counter ends at
    // the last id given.
    void setDesktopCategoryIDs();

    bool isNew() const { return m_bNew; }
    void setNewFlag(bool isNew) { m_bNew = isNew; }
    std::int32_t GetNextIdCounter() const { return m_nNextId; }

    // The slot at index, or null.
    CCategoryRecord *GetSlot(std::size_t slot);
    std::size_t GetSlotCount() const;

    CCategoryIterator GetIterator() const;
    CCategoryIterator End() const;
    CCategoryIterator begin() const { return GetIterator(); }
    CCategoryIterator end() const { return End(); }

private:
    CCategoryRecord *placeCategory(
        CCategoryRecord *record, std::uint32_t id, const char *name, CTime time);
    std::size_t firstEmptySlot() const;
    // Named so that it never meets the Qt keyword of the same name.
    const CDBRecordset *slotRecords() const;

    std::int32_t m_nNextId = kFirstDesktopCategoryCounter;
    bool m_bNew = true;
};

} // namespace kx_gen
