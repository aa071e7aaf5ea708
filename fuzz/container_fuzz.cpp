// Opens arbitrary bytes as a container file, reads its headers and rows and
// every tag of them, then writes what was read to a second file and checks
// that it reads back the same. Every failure must be one of the library's
// exceptions: a crash, a leak, a sanitizer report or a huge allocation is a
// finding.

#include "kx_gen/DBRecord.h"
#include "kx_gen/Database.h"
#include "kx_gen/Exception.h"
#include "kx_gen/MemFile.h"
#include "kx_gen/TaggedDataHeader.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

using namespace kx_gen;

namespace {

// A registered header with two fields, added when the file lacks them.
class FuzzHeader : public CTaggedDataHeader {
public:
    FuzzHeader() { CreateNewFields(); }
    void CreateNewFields() override
    {
        bool found = false;
        KX_TAG_CHECK(m_tags.hasTag(1, found));
        if (!found)
            KX_TAG_CHECK(m_tags.setUInt16(1, 7));
        KX_TAG_CHECK(m_tags.hasStringTag(0, found));
        if (!found)
            KX_TAG_CHECK(m_tags.setString(0, "name"));
    }
};

// The conduit header (1) and one header of its own (2, 64 bytes); the extra
// rows are one u32.
class FuzzDB : public CDatabase {
public:
    FuzzDB()
        : CDatabase(0)
    {
        m_headerManager.RegisterHeader({ 2, 64 }, new FuzzHeader);
    }
    void CheckDbInfo() override
    {
        if (m_dbInfo.version > 0)
            ThrowDBException(kMsgDbVersionNewer);
    }
    void ReadExtraRows() override { *this >> m_nExtra; }
    void WriteExtraRows() override { *this << m_nExtra; }

    std::uint32_t m_nExtra = 0;
};

// Reads every tag: strings as text, everything else as bytes, plus the
// per-tag queries.
void walkTags(const CTaggedDataManager &tags)
{
    CTaggedDataManager::TagType tag;
    std::uint32_t offset = 0;
    std::int32_t rc;
    while ((rc = tags.getTagAt(offset, tag)) == kTagOK) {
        if (tag.id >= kStringTagIDCode) {
            _String text;
            KX_TAG_CHECK(tags.getString(tag.id - kStringTagIDCode, text));
        } else {
            // Lookups find the first tag of an id; in a block from a file that
            // need not be this one (ids may repeat or be out of order).
            std::vector<std::uint8_t> bytes(tag.length);
            std::uint32_t size = tag.length;
            KX_TAG_CHECK(tags.getData(tag.id, bytes.data(), size));
        }
        bool changed = false;
        std::uint8_t version = 0;
        KX_TAG_CHECK(tags.getTagChanged(tag.id, changed));
        KX_TAG_CHECK(tags.getTagVersion(tag.id, version));
        offset += kTagHeaderSize + tag.length;
    }
    if (rc != kTagNotFound)
        KX_TAG_CHECK(rc);
}

// Opens `file` as the database reads a file on disk; with `upgrade`, headers
// smaller than the registered size are enlarged in memory instead of refused.
void openOn(FuzzDB &db, CFile &file, bool upgrade)
{
    db.Attach(&file);
    db.SetReportSizeProblem(!upgrade);
    db.ReadDbInfo();
    db.CheckDbInfo();
    db.ReadHeaderInfo();
}

void readAll(FuzzDB &db)
{
    for (std::uint16_t id : { 1, 2 })
        if (db.ReadHeader(id))
            walkTags(db.GetHeaderManager().GetHeaderPtr(id)->GetTags());
    db.ReadRows();
    CDBRecordset *rows = db.GetRecordset();
    for (std::size_t i = 0; i < rows->getSize(); ++i) {
        CDBRecord *r = rows->getRecord(i);
        walkTags(r->GetTags());
        r->IsNew();
        r->IsDeleted();
        r->IsSortChanged();
    }
}

std::string bytesOf(const CTaggedDataManager &tags)
{
    const std::uint8_t *p = tags.get(0);
    return p ? std::string(reinterpret_cast<const char *>(p), tags.size()) : std::string();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size > (1u << 20))
        return 0;
    std::vector<unsigned char> input(data, data + size);
    for (bool upgrade : { false, true }) {
        // Files are declared before the databases attached to them, so that
        // every database lets go of its file before the file goes away.
        MemFile source(input.data(), static_cast<unsigned>(input.size()));
        MemFile copy;
        FuzzDB db;
        try {
            openOn(db, source, upgrade);
            readAll(db);
            db.purgeDeletedRecs();
        } catch (CException *e) {
            ExceptionHolder h(e);
            continue;
        }

        // What was read must write and read back unchanged.
        if (upgrade)
            db.GetHeaderManager().ResizeHeaders();
        FuzzDB back;
        try {
            db.Attach(&copy);
            db.WriteAllHeaders();
            db.WriteRows();
            copy.SeekToBegin();
            openOn(back, copy, false);
            readAll(back);
        } catch (CException *e) {
            ExceptionHolder h(e);
            // A header whose fields grew past its block cannot be written.
            if (e->GetStringId() == kMsgHeaderSizeLess)
                continue;
            __builtin_trap();
        }
        CDBRecordset *a = db.GetRecordset();
        CDBRecordset *b = back.GetRecordset();
        if (a->getSize() != b->getSize() || back.m_nExtra != db.m_nExtra)
            __builtin_trap();
        for (std::size_t i = 0; i < a->getSize(); ++i)
            if (bytesOf(a->getRecord(i)->GetTags()) != bytesOf(b->getRecord(i)->GetTags()))
                __builtin_trap();
        for (std::uint16_t id : { 1, 2 })
            if (bytesOf(db.GetHeaderManager().GetHeaderPtr(id)->GetTags())
                != bytesOf(back.GetHeaderManager().GetHeaderPtr(id)->GetTags()))
                __builtin_trap();
    }
    return 0;
}
