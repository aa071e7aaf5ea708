#pragma once

#include "kx_gen/BaseObject.h"
#include "kx_gen/DBConstants.h"
#include "kx_gen/Export.h"
#include "kx_gen/TaggedDataManager.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>

namespace kx_gen {

class CRecordSlab;

// One row of a database: a tag block with the status byte (tag 1) and the
// sort-changed flag (tag 2), framed on disk as start marker, u32 length,
// tag block, end marker. Derived records add their own tags in Init.
class KX_GEN_EXPORT CDBRecord : public CBaseObject {
public:
    // A record with status 0 and sort-changed false, in no file. Init (called
    // by the recordset that makes the record) adds the class's defaults.
    // Throws CException message 18 when memory runs out.
    CDBRecord();
    // Selects the constructor of a record that Read is about to fill.
    struct TToBeRead { };
    // A record without any tag, in no file: Read gives it its tags. Costs no
    // allocation, which matters when a file's rows are read.
    explicit CDBRecord(TToBeRead)
        : m_tags(&m_pData, 0, false, 0, kMemBlock)
    {
    }
    // Deep copies of the tag block; the copy is in no file (pos 0xFFFFFFFF)
    // and keeps the row index of the source.
    CDBRecord(const CDBRecord &other);
    CDBRecord &operator=(const CDBRecord &other);
    ~CDBRecord() override;
    // Records read from a file, and those a recordset builds (see
    // CDBRecordset::Append), may live side by side in one allocation (see
    // CDBRecordset::CreateRecordToReadAt); deleting one destroys it and
    // gives its place back to that allocation, which goes when its last
    // record does. Any other record is freed as usual.
    static void operator delete(CDBRecord *record, std::destroying_delete_t);

    // Reads one framed record at the stream's position, replacing the tag
    // block, and remembers where it was read (see HoldsRowOf). Throws
    // CDBException message 5 / 6 for a missing start / end marker,
    // CException message 8 when the file ends before the record does and
    // message 11 when memory runs out. A length above 64 KiB is checked
    // against the file before anything is allocated, so no length makes it
    // set aside more than that or than the file holds. After a failure the
    // record holds what was read and must not be written back. Ends with
    // FinishRead.
    void Read(CFileStream &stream) override;
    // Called once the record's tag block has come from a file, by Read and
    // by CDatabase::ReadRows (which gives the records their bytes in place
    // and never calls Read): derived records that must fix up or check what
    // a file held override this rather than Read. The base does nothing.
    virtual void FinishRead();
    // Writes the framed record at the stream's position and remembers that
    // position (GetPos, HoldsRowOf). Throws the stream's exceptions.
    void Write(CFileStream &stream) const override;
    // Gives the record its class defaults; the base record has none.
    virtual void Init();

    // Makes the record's tag block the `length` bytes at `data`, read in
    // place rather than copied: `keeper` keeps them alive for as long as the
    // record uses them. The first change copies them into a block of the
    // record's own, so the bytes are never written and records sharing them
    // never see each other's changes. `pos` is the file offset of the
    // record's start marker, in the file that the stream with open serial
    // `openSerial` read (0: not known). The caller has checked the framing.
    void ShareData(const std::uint8_t *data, std::uint32_t length,
        std::shared_ptr<const void> keeper, std::uint32_t pos, std::uint32_t openSerial = 0)
    {
        m_tags.shareBuffer(&m_pData, data, length, std::move(keeper));
        m_nPos = pos;
        m_nRowSerial = openSerial;
        m_nRowChanges = m_tags.changeCount();
    }

    // Bytes and address of the tag block (null when the data was freed).
    // The block may be shared with other records read from the same file:
    // it is read-only, and stays valid until the record changes or goes.
    std::uint32_t GetRecSize() const { return m_tags.size(); }
    const std::uint8_t *GetRawDataPtr() const { return m_pData; }
    // What keeps the tag block alive while it is shared with other records
    // read from the same file (null once the record holds its own bytes):
    // holding it keeps the bytes the record was read with valid and
    // unchanged, whatever becomes of the record.
    const std::shared_ptr<const void> &GetDataKeeper() const { return m_tags.keeper(); }
    // Frees the tag block; the record then holds no tags at all.
    void FreeData();
    // Trims the block's spare capacity. Throws CException message 18 on failure.
    void resize();

    // File offset of the start marker when last read or written.
    std::uint32_t GetPos() const { return m_nPos; }
    // A position set by hand says nothing about what the file holds there.
    void SetPos(std::uint32_t pos)
    {
        m_nPos = pos;
        m_nRowSerial = 0;
    }
    // Whether the tag block is, byte for byte, the row at GetPos() of the
    // file that the stream with open serial `openSerial` (see
    // CFileStream::GetOpenSerial) last read this record from or wrote it to:
    // the record has not changed since, nor been given another position. A
    // copy holds no row. What became of the file since is the caller's to
    // know.
    bool HoldsRowOf(std::uint32_t openSerial) const
    {
        return openSerial != 0 && m_nRowSerial == openSerial
            && m_nRowChanges == m_tags.changeCount() && m_nPos != kNoFilePos;
    }
    bool IsFileRecord() const { return m_nPos != kNoFilePos; }
    // Index in the recordset at the time the record was added.
    std::uint32_t GetRowIndex() const { return m_nRowIndex; }
    void SetRowIndex(std::uint32_t index) { m_nRowIndex = index; }

    // Status bits of tag 1. The setters rewrite the status tag (setting its
    // changed bit when the byte changes); all throw the tag exceptions of
    // ProcessError when the tag is missing or corrupt.
    void SetNew(bool on) { setStatusBit(kNewBitPos, on); }
    bool IsNew() const { return GetBit(GetFlag(), kNewBitPos); }
    void SetDeleted(bool on) { setStatusBit(kDelBitPos, on); }
    bool IsDeleted() const { return GetBit(GetFlag(), kDelBitPos); }
    void SetChanged(bool on) { setStatusBit(kChangeBitPos, on); }
    bool IsChanged() const { return GetBit(GetFlag(), kChangeBitPos); }
    void SetEmpty(bool on) { setStatusBit(kEmptyBitPos, on); }
    bool IsEmpty() const { return GetBit(GetFlag(), kEmptyBitPos); }
    void SetArchived(bool on) { setStatusBit(kArchivedBitPos, on); }
    bool IsArchived() const { return GetBit(GetFlag(), kArchivedBitPos); }
    // The whole status byte.
    void SetFlag(std::uint8_t status);
    std::uint8_t GetFlag() const;
    // Clears the new, changed and deleted bits.
    void ClearChanges();
    void SetSortChanged(bool on);
    bool IsSortChanged() const;

    // Bit `pos` counted from the most significant bit (mask 0x80 >> pos).
    static bool GetBit(std::uint8_t byte, int pos) { return (byte & (0x80 >> pos)) != 0; }
    static void SetBit(std::uint8_t *byte, int pos, bool on)
    {
        const auto mask = static_cast<std::uint8_t>(0x80 >> pos);
        *byte = on ? static_cast<std::uint8_t>(*byte | mask)
                   : static_cast<std::uint8_t>(*byte & ~mask);
    }

    // The tag block, for the typed field accessors of derived records.
    CTaggedDataManager &GetTags() { return m_tags; }
    const CTaggedDataManager &GetTags() const { return m_tags; }

protected:
    void setStatusBit(int pos, bool on);
    void copyDataFrom(const CDBRecord &other);

    std::uint32_t m_nRowIndex = 0;
    // Where the record was last read or written; writing a record does not
    // change its contents, so Write is const and updates this alone.
    mutable std::uint32_t m_nPos = kNoFilePos;
    // The open serial of the stream whose file holds the block at m_nPos
    // (0: none), and the block's change count when it was read or written.
    mutable std::uint32_t m_nRowSerial = 0;
    mutable std::uint32_t m_nRowChanges = 0;
    std::uint8_t *m_pData = nullptr;
    CTaggedDataManager m_tags;

private:
    friend class CDBRecordset;
    friend class CRecordSlab;
    // The status and sort-changed tags every new record starts with.
    void setBaseDefaults();
    // Turns a record made without tags in a slab of new records into what
    // the default constructor makes, its tags in `storage` (lent by the
    // slab, right after the record).
    void startInSlab(std::uint8_t *storage);

    // The allocation the record lives in, or null when it has its own.
    CRecordSlab *m_pSlab = nullptr;
    // The record's place in the recordset that holds it, kept by that
    // recordset so that removing a record needs no search. Neither copied
    // nor assigned: a copy is in no recordset.
    std::size_t m_nSlot = static_cast<std::size_t>(-1);
};

} // namespace kx_gen
