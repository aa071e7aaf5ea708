#include "KxoFile.h"

#include "tarnvel/Tarnvel.h"

#include "kx_gen/CategoryDB.h"
#include "kx_gen/DBConstants.h"
#include "kx_gen/Exception.h"
#include "kx_gen/File.h"
#include "kx_gen/OutlineDB.h"
#include "kx_gen/PathUtils.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarnvel {

using namespace kx_gen;

namespace {

bool changedTag(const COutlineRecord &record, std::uint32_t id)
{
    bool changed = false;
    return record.GetTags().getTagChanged(id, changed) == 0 && changed;
}

void markTag(COutlineRecord &record, std::uint32_t id, bool changed)
{
    KX_TAG_CHECK(record.GetTags().setTagChanged(id, changed));
}

SItem loadItem(const COutlineRecord &record)
{
    SItem item;
    item.m_nId = record.GetId();
    item.m_nLevel = record.GetIndent();
    item.m_bChecked = record.GetChecked();
    item.m_bExpanded = record.GetExpanded();
    item.m_strText = ToHandheldText(record.GetText().str());
    bool hasNote = false;
    KX_TAG_CHECK(record.GetTags().hasStringTag(COutlineRecord::kNoteString, hasNote));
    item.m_bHasNote = hasNote;
    if (hasNote)
        item.m_strNote = ToHandheldText(record.GetNote().str());
    std::uint32_t size = 0;
    if (const std::uint8_t *drawing = record.GetDrawingData(size); drawing && size) {
        item.m_bHasDrawing = true;
        item.m_strDrawing.assign(reinterpret_cast<const char *>(drawing), size);
    }
    item.m_nStatus = record.GetFlag();
    const std::pair<std::uint32_t, std::uint8_t> fields[] = {
        { COutlineRecord::kIndentTag, kFieldLevel },
        { kStringTagIDCode + COutlineRecord::kTextString, kFieldText },
        { kStringTagIDCode + COutlineRecord::kNoteString, kFieldNote },
        { COutlineRecord::kExpandedTag, kFieldExpanded },
        { COutlineRecord::kCheckedTag, kFieldChecked },
        { COutlineRecord::kDrawingTag, kFieldDrawing },
    };
    for (const auto &[tag, bit] : fields)
        if (changedTag(record, tag))
            item.m_nChangedFields |= bit;
    if (record.IsSortChanged())
        item.m_nChangedFields |= kFieldSortChanged;
    if (changedTag(record, kStatusTagID))
        item.m_nChangedFields |= kFieldStatus;
    return item;
}

void storeItem(COutlineRecord &record, const SItem &item)
{
    record.SetId(item.m_nId);
    record.SetIndent(item.m_nLevel);
    record.SetText(_String(ToDesktopText(item.m_strText)));
    if (item.m_bHasNote)
        record.SetNote(_String(ToDesktopText(item.m_strNote)));
    else
        record.DeleteNote();
    record.SetExpanded(item.m_bExpanded);
    record.SetChecked(item.m_bChecked);
    if (item.m_bHasDrawing)
        record.SetDrawingData(
            item.m_strDrawing.data(), static_cast<std::uint32_t>(item.m_strDrawing.size()));
    record.SetFlag(item.m_nStatus);
    record.SetSortChanged(item.m_nChangedFields & kFieldSortChanged);
    const std::pair<std::uint32_t, std::uint8_t> fields[] = {
        { COutlineRecord::kIndentTag, kFieldLevel },
        { kStringTagIDCode + COutlineRecord::kTextString, kFieldText },
        { COutlineRecord::kExpandedTag, kFieldExpanded },
        { COutlineRecord::kCheckedTag, kFieldChecked },
    };
    for (const auto &[tag, bit] : fields)
        markTag(record, tag, item.m_nChangedFields & bit);
    if (item.m_bHasNote)
        markTag(record, kStringTagIDCode + COutlineRecord::kNoteString,
            item.m_nChangedFields & kFieldNote);
    if (item.m_bHasDrawing)
        markTag(record, COutlineRecord::kDrawingTag, item.m_nChangedFields & kFieldDrawing);
    markTag(record, kStatusTagID, item.m_nChangedFields & kFieldStatus);
}

std::string describe(CException *e)
{
    ExceptionHolder holder(e);
    return holder->GetDescription().str();
}

// A path beside `path` that does not exist yet.
std::string scratchPath(const std::string &path)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string candidate
            = path + ".tarnvel-" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
        struct stat status { };
        if (::lstat(candidate.c_str(), &status) != 0 && errno == ENOENT)
            return candidate;
    }
    throw CConvertError(kTarnvelErrWrite, "No scratch file can be made beside " + path + ".");
}

void commit(const std::string &scratch, const std::string &path)
{
    if (std::rename(scratch.c_str(), path.c_str()) != 0) {
        const std::string reason = std::strerror(errno);
        std::remove(scratch.c_str());
        throw CConvertError(
            kTarnvelErrWrite, "The file " + path + " cannot be written: " + reason + ".");
    }
}

} // namespace

std::string UnfiledName()
{
    std::string name = CCategoryDB::getUnfiledCategoryName().str();
    return name.empty() ? std::string("Unfiled") : name;
}

SOutline LoadOutlineFile(const std::string &path)
{
    SOutline outline;
    struct stat status { };
    if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode))
        throw CConvertError(kTarnvelErrRead, "The outline file " + path + " cannot be opened.");
    try {
        COutlineDB db;
        db.OpenWithoutUpgrade(path.c_str(), CFile::modeRead | CFile::shareDenyWrite, nullptr);
        db.ReadSharedHeader();
        db.ReadPrivateHeader();
        db.ReadRows();
        db.Close();

        outline.m_bTemplate = GetFileExt(path.c_str()) == ".kxt";
        outline.m_strTitle = db.GetOutlineTitle().str();
        outline.m_strCategory = db.GetCategoryName().str();
        outline.m_strMatchName = db.GetPalmMatchName().str();
        const std::pair<bool, std::uint16_t> flags[] = {
            { db.GetPrivate(), kOutlinePrivate },
            { db.GetOutlineChanged(), kOutlineChanged },
            { db.GetSynchronized(), kOutlineSynchronized },
            { db.GetShowCheckedItems(), kOutlineShowChecked },
            { db.GetCategoryChanged(), kOutlineCategoryChanged },
            { db.GetPrivateTagChanged(), kOutlinePrivateChanged },
            { db.getNumberingChanged(), kOutlineNumberingChanged },
            { db.getNumberingDividerChanged(), kOutlineDividerChanged },
            { db.ShowCheckedItemsChanged(), kOutlineShowCheckedChanged },
            { true, kOutlineHasFont },
        };
        for (const auto &[on, bit] : flags)
            if (on)
                outline.m_nFlags |= bit;
        db.getNumbering(outline.m_numbering.data());
        outline.m_nDivider = db.getNumberingDivider();
        outline.m_nHeadingsMode = db.GetShowHeadingsMode();
        const CDeletedQuibs &deleted = db.GetDeletedQuibs();
        outline.m_deletedIds = deleted.GetIds();
        LOGFONT font;
        COLORREF colour = 0;
        db.GetOutlineFont(font, colour);
        SFontInfo &info = outline.m_font;
        info.m_nHeight = font.lfHeight;
        info.m_nWidth = font.lfWidth;
        info.m_nEscapement = font.lfEscapement;
        info.m_nOrientation = font.lfOrientation;
        info.m_nWeight = font.lfWeight;
        info.m_bytes = { font.lfItalic, font.lfUnderline, font.lfStrikeOut, font.lfCharSet,
            font.lfOutPrecision, font.lfClipPrecision, font.lfQuality, font.lfPitchAndFamily };
        info.m_nColour = colour;
        info.m_strFaceName.assign(
            font.lfFaceName, ::strnlen(font.lfFaceName, sizeof font.lfFaceName));

        CDBRecordset *records = db.GetRecordset();
        outline.m_items.reserve(records->getSize());
        for (std::size_t i = 0; i < records->getSize(); ++i)
            outline.m_items.push_back(
                loadItem(*static_cast<COutlineRecord *>(records->getRecord(i))));
    } catch (CException *e) {
        throw CConvertError(
            kTarnvelErrOutlineFile, "The outline file " + path + " cannot be read: " + describe(e));
    }
    outline.m_nDate = static_cast<std::uint32_t>(status.st_mtim.tv_sec) + kEpochDelta1904;
    return outline;
}

void SaveOutlineFile(const SOutline &outline, const std::string &path)
{
    const std::string scratch = scratchPath(path);
    try {
        COutlineDB db;
        db.InitNewDatabase();
        db.SetCategoryName(
            _String(outline.m_strCategory.empty() ? UnfiledName() : outline.m_strCategory));
        db.SetPalmMatchName(_String(outline.m_strMatchName));
        db.SetPrivate(outline.m_nFlags & kOutlinePrivate);
        db.setNumbering(outline.m_numbering.data());
        db.setNumberingDivider(outline.m_nDivider);
        db.SetOutlineChanged(outline.m_nFlags & kOutlineChanged);
        db.SetSynchronized(outline.m_nFlags & kOutlineSynchronized);
        db.SetCategoryChanged(outline.m_nFlags & kOutlineCategoryChanged);
        db.SetPrivateTagChanged(outline.m_nFlags & kOutlinePrivateChanged);
        db.setNumberingChanged(outline.m_nFlags & kOutlineNumberingChanged);
        db.setNumberingDividerChanged(outline.m_nFlags & kOutlineDividerChanged);
        db.SetOutlineTitle(_String(outline.m_strTitle));
        db.SetShowCheckedItems(outline.m_nFlags & kOutlineShowChecked);
        db.setCheckedItemsChanged(outline.m_nFlags & kOutlineShowCheckedChanged);
        db.SetShowHeadingsMode(outline.m_nHeadingsMode);
        if (outline.m_nFlags & kOutlineHasFont) {
            const SFontInfo &info = outline.m_font;
            LOGFONT font;
            font.lfHeight = info.m_nHeight;
            font.lfWidth = info.m_nWidth;
            font.lfEscapement = info.m_nEscapement;
            font.lfOrientation = info.m_nOrientation;
            font.lfWeight = info.m_nWeight;
            font.lfItalic = info.m_bytes[0];
            font.lfUnderline = info.m_bytes[1];
            font.lfStrikeOut = info.m_bytes[2];
            font.lfCharSet = info.m_bytes[3];
            font.lfOutPrecision = info.m_bytes[4];
            font.lfClipPrecision = info.m_bytes[5];
            font.lfQuality = info.m_bytes[6];
            font.lfPitchAndFamily = info.m_bytes[7];
            std::memcpy(font.lfFaceName, info.m_strFaceName.data(),
                std::min(info.m_strFaceName.size(), sizeof font.lfFaceName - 1));
            db.SetOutlineFont(font, info.m_nColour);
        }
        for (std::uint32_t id : outline.m_deletedIds)
            db.AddDeletedId(id);
        CDBRecordset *records = db.GetRecordset();
        records->reserve(outline.m_items.size());
        for (const SItem &item : outline.m_items)
            storeItem(*static_cast<COutlineRecord *>(records->Append()), item);

        db.Open(scratch.c_str(), CFile::modeCreate | CFile::modeWrite);
        db.WriteAllHeaders();
        db.WriteRows();
        db.Close();
    } catch (CException *e) {
        std::remove(scratch.c_str());
        throw CConvertError(
            kTarnvelErrWrite, "The outline file " + path + " cannot be written: " + describe(e));
    }
    commit(scratch, path);
}

void WriteFileAtomically(const std::string &path, const std::string &bytes)
{
    const std::string scratch = scratchPath(path);
    const int fd = ::open(scratch.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        throw CConvertError(kTarnvelErrWrite,
            "The file " + path + " cannot be written: " + std::strerror(errno) + ".");
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const std::string reason = std::strerror(n < 0 ? errno : EIO);
            ::close(fd);
            std::remove(scratch.c_str());
            throw CConvertError(
                kTarnvelErrWrite, "The file " + path + " cannot be written: " + reason + ".");
        }
        done += static_cast<std::size_t>(n);
    }
    if (::fsync(fd) != 0 || ::close(fd) != 0) {
        const std::string reason = std::strerror(errno);
        std::remove(scratch.c_str());
        throw CConvertError(
            kTarnvelErrWrite, "The file " + path + " cannot be written: " + reason + ".");
    }
    commit(scratch, path);
}

} // namespace tarnvel
