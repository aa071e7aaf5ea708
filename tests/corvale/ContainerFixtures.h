#pragma once

// Small concrete classes over the container library for its tests: a
// header with two fields, and a database with the registered headers of an
// outline-like file (1, 2, 3) or of a category-like file (1 only).

#include "kx_gen/DBRecord.h"
#include "kx_gen/Database.h"
#include "kx_gen/Exception.h"
#include "kx_gen/TaggedDataHeader.h"

#include "Thrown.h"

#include <cstdint>
#include <string>

namespace container_test {

using namespace kx_gen;

using corvale_test::Thrown;
using corvale_test::thrown;

// A header with a u16 under tag 1 (default 7) and string 1 (default "sample").
class CSampleHeader : public CTaggedDataHeader {
public:
    CSampleHeader() { CreateNewFields(); }
    void CreateNewFields() override
    {
        bool found = false;
        KX_TAG_CHECK(m_tags.hasTag(1, found));
        if (!found)
            KX_TAG_CHECK(m_tags.setUInt16(1, 7));
        KX_TAG_CHECK(m_tags.hasStringTag(1, found));
        if (!found)
            KX_TAG_CHECK(m_tags.setString(1, "sample"));
    }
    std::uint16_t GetNumber() const
    {
        std::uint16_t v = 0;
        KX_TAG_CHECK(m_tags.getUInt16(1, v));
        return v;
    }
    void SetNumber(std::uint16_t v) { KX_TAG_CHECK(m_tags.setUInt16(1, v)); }
    _String GetName() const
    {
        _String s;
        KX_TAG_CHECK(m_tags.getString(1, s));
        return s;
    }
    void SetName(const char *s) { KX_TAG_CHECK(m_tags.setString(1, s)); }
};

// A database of version 0 whose extra rows are one u32 (like an outline's
// count of deleted ids). `headers` 3 registers headers 2 and 3 (512 bytes
// each) beside the conduit header; 1 registers only the conduit header.
class CSampleDB : public CDatabase {
public:
    explicit CSampleDB(int headers = 3, std::uint32_t defaultSize = 512)
        : CDatabase(0)
    {
        if (headers >= 2)
            m_headerManager.RegisterHeader({ 2, defaultSize }, new CSampleHeader);
        if (headers >= 3)
            m_headerManager.RegisterHeader({ 3, defaultSize }, new CSampleHeader);
    }

    void CheckDbInfo() override
    {
        if (m_dbInfo.version > 0)
            ThrowDBException(kMsgDbVersionNewer);
    }
    void ReadExtraRows() override { *this >> m_nExtra; }
    void WriteExtraRows() override { *this << m_nExtra; }

    CSampleHeader *Header(std::uint16_t id)
    {
        return static_cast<CSampleHeader *>(m_headerManager.GetHeaderPtr(id));
    }

    // Opening with the in-place enlargement of headers that an older program
    // wrote smaller: the sequence an outline database runs when an ordinary
    // open reports error 19.
    void OpenUpgrading(const char *path, unsigned mode)
    {
        try {
            Open(path, mode);
            return;
        } catch (CException *e) {
            ExceptionHolder h(e);
            if (e->GetErrorNumber() != kHeaderSizeChangedError)
                throw h.release();
        }
        Close();
        SetReportSizeProblem(false);
        Open(path, CFile::modeReadWrite);
        ReadHeader(1);
        ReadHeader(3);
        ReadHeader(2);
        ReadRows();
        GetHeaderManager().ResizeHeaders();
        WriteAllHeaders();
        WriteRows();
        GetRecordset()->Free();
        Close();
        SetReportSizeProblem(true);
        Open(path, mode);
    }

    std::uint32_t m_nExtra = 0;
};

// Reads every tag of a block as a program would: each string tag as text,
// every other tag as bytes. Returns the first non-zero code.
inline std::int32_t walkTags(const CTaggedDataManager &tags)
{
    CTaggedDataManager::TagType tag;
    std::uint32_t offset = 0;
    std::int32_t rc;
    while ((rc = tags.getTagAt(offset, tag)) == kTagOK) {
        if (tag.id >= kStringTagIDCode) {
            _String text;
            rc = tags.getString(tag.id - kStringTagIDCode, text);
        } else {
            std::string bytes(tag.length, '\0');
            std::uint32_t size = tag.length;
            rc = tags.getData(tag.id, bytes.data(), size);
        }
        if (rc != kTagOK)
            return rc;
        offset += kTagHeaderSize + tag.length;
    }
    return rc == kTagNotFound ? kTagOK : rc;
}

// Opens a file and reads everything in it, walking every tag; throws what
// the library throws, and the tag walk's code through ProcessError.
inline void loadAll(CSampleDB &db, const std::string &path)
{
    db.Open(path.c_str(), CFile::modeRead | CFile::shareDenyWrite);
    for (std::uint16_t id : { 1, 2, 3 })
        if (db.ReadHeader(id))
            KX_TAG_CHECK(walkTags(db.GetHeaderManager().GetHeaderPtr(id)->GetTags()));
    db.ReadRows();
    for (std::size_t i = 0; i < db.GetRecordset()->getSize(); ++i)
        KX_TAG_CHECK(walkTags(db.getRecord(i)->GetTags()));
    db.Close();
}

} // namespace container_test
