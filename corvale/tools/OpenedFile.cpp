#include "OpenedFile.h"

#include "kx_gen/CategoryDB.h"
#include "kx_gen/DBConstants.h"
#include "kx_gen/File.h"
#include "kx_gen/PathUtils.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace corvale_tool {

using namespace kx_gen;

namespace {

constexpr unsigned kReadMode = CFile::modeRead | CFile::shareDenyWrite;

std::string lowerExtension(const std::string &path)
{
    std::string ext = GetFileExt(path.c_str()).str();
    std::transform(ext.begin(), ext.end(), ext.begin(),
        [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

FileKind kindByName(const std::string &path)
{
    const std::string ext = lowerExtension(path);
    if (ext == ".dat")
        return FileKind::categories;
    if (ext == ".kxt")
        return FileKind::outlineTemplate;
    return FileKind::outline;
}

} // namespace

const char *KindName(FileKind kind)
{
    switch (kind) {
    case FileKind::outline:
        return "outline";
    case FileKind::outlineTemplate:
        return "template";
    case FileKind::categories:
        return "categories";
    case FileKind::memoryOutline:
        return "memory-outline";
    }
    return "outline";
}

FileKind DetectKind(const std::string &path)
{
    CFile file(path.c_str(), kReadMode);
    std::uint8_t info[kDbInfoSize] = {};
    if (file.GetLength() < kDbInfoSize)
        return kindByName(path);
    file.Read(info, kDbInfoSize);
    file.Close();
    const std::uint32_t check
        = info[0] | (info[1] << 8) | (info[2] << 16) | (std::uint32_t(info[3]) << 24);
    const unsigned version = info[4] | (info[5] << 8);
    if (check != kDbCheckCode)
        return kindByName(path);
    if (version == CMemOutlDB::kVersion)
        return FileKind::memoryOutline;
    // The outline extensions win over the version, so that an outline of a
    // newer version gets the outline's refusal.
    const std::string ext = lowerExtension(path);
    if (ext == ".kxo" || ext == ".kxt" || ext == ".dat")
        return kindByName(path);
    return version == CCategoryDB::kCategoryDbVersion ? FileKind::categories : FileKind::outline;
}

COutlineDB *OpenedFile::outline() const
{
    return isOutline() ? static_cast<COutlineDB *>(db.get()) : nullptr;
}

CMemOutlDB *OpenedFile::memoryOutline() const
{
    return kind == FileKind::memoryOutline ? static_cast<CMemOutlDB *>(db.get()) : nullptr;
}

OpenedFile LoadFile(const std::string &path)
{
    OpenedFile file;
    file.kind = DetectKind(path);
    switch (file.kind) {
    case FileKind::outline:
    case FileKind::outlineTemplate: {
        auto db = std::make_unique<COutlineDB>();
        db->OpenWithoutUpgrade(path.c_str(), kReadMode, &file.wouldUpgrade);
        file.db = std::move(db);
        break;
    }
    case FileKind::memoryOutline: {
        // No header area: the records follow the db info directly.
        auto db = std::make_unique<CMemOutlDB>();
        db->CFileStream::Open(path.c_str(), kReadMode);
        db->ReadDbInfo();
        db->CheckDbInfo();
        db->ReadRows();
        db->Close();
        file.db = std::move(db);
        return file;
    }
    case FileKind::categories:
        file.db = OpenCategoryFile(path.c_str(), kReadMode);
        break;
    }
    for (const THeaderInfo &entry : file.db->GetHeaderManager().GetFileList()) {
        if (file.db->ReadHeader(entry.id))
            file.headersRead.push_back(entry.id);
    }
    file.db->ReadRows();
    file.db->Close();
    return file;
}

std::vector<TagEntry> ListTags(const CTaggedDataManager &tags, std::uint32_t *trailing)
{
    std::vector<TagEntry> list;
    std::uint32_t offset = 0;
    TagEntry entry;
    std::int32_t rc;
    while ((rc = tags.getTagAt(offset, entry.header)) == kTagOK) {
        entry.data = tags.get(offset + kTagHeaderSize);
        list.push_back(entry);
        offset += kTagHeaderSize + entry.header.length;
    }
    if (rc != kTagNotFound)
        KX_TAG_CHECK(rc);
    if (trailing)
        *trailing = offset < tags.size() ? tags.size() - offset : 0;
    return list;
}

} // namespace corvale_tool
