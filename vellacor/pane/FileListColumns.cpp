#include "FileListColumns.h"

#include "kx_gen/AppRegistry.h"

namespace {

constexpr char kSection[] = "FileList";
constexpr char kValue[] = "Colunms";

std::int32_t ReadInt32(const unsigned char *p)
{
    const std::uint32_t value = std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8
        | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
    return static_cast<std::int32_t>(value);
}

void WriteInt32(unsigned char *p, std::int32_t value)
{
    const auto bits = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<unsigned char>(bits >> (8 * i));
}

} // namespace

CFileListColumns::CFileListColumns()
    : m_Columns { { { kTitle, 200, true }, { kCategory, 100, true }, { kFileName, 150, true } } }
{
}

CFileListColumns CFileListColumns::FromBytes(const unsigned char *bytes, std::uint32_t size)
{
    CFileListColumns table;
    if (!bytes || size != kTableSize)
        return CFileListColumns();
    int seen = 0;
    bool anyVisible = false;
    for (int i = 0; i < kCount; ++i) {
        const unsigned char *record = bytes + i * kRecordSize;
        SFileListColumn &column = table.m_Columns[i];
        column.m_nCode = ReadInt32(record);
        column.m_nWidth = ReadInt32(record + 4);
        column.m_bVisible = record[8] != 0;
        if (column.m_nCode != kTitle && column.m_nCode != kFileName
            && column.m_nCode != kCategory)
            return CFileListColumns();
        seen |= column.m_nCode;
        anyVisible = anyVisible || column.m_bVisible;
    }
    if (seen != (kTitle | kFileName | kCategory) || !anyVisible)
        return CFileListColumns();
    // A width no header could have is a damaged record, not a choice.
    for (SFileListColumn &column : table.m_Columns)
        if (column.m_nWidth < 0 || column.m_nWidth > 10000)
            column.m_nWidth = 100;
    return table;
}

std::array<unsigned char, CFileListColumns::kTableSize> CFileListColumns::ToBytes() const
{
    std::array<unsigned char, kTableSize> bytes {};
    for (int i = 0; i < kCount; ++i) {
        unsigned char *record = bytes.data() + i * kRecordSize;
        WriteInt32(record, m_Columns[i].m_nCode);
        WriteInt32(record + 4, m_Columns[i].m_nWidth);
        record[8] = m_Columns[i].m_bVisible ? 1 : 0;
    }
    return bytes;
}

CFileListColumns CFileListColumns::Load(kx_gen::CAppRegistry &settings)
{
    if (!settings.OpenSection(kSection))
        return CFileListColumns();
    std::uint32_t size = 0;
    std::array<unsigned char, kTableSize> bytes {};
    const bool read = settings.getBinaryDataSize(kValue, size) && size == kTableSize
        && settings.ReadBinary(kValue, bytes.data(), kTableSize);
    settings.CloseSection();
    return read ? FromBytes(bytes.data(), kTableSize) : CFileListColumns();
}

bool CFileListColumns::Save(kx_gen::CAppRegistry &settings) const
{
    if (!settings.OpenSection(kSection))
        return false;
    const auto bytes = ToBytes();
    const bool written = settings.WriteBinary(kValue, bytes.data(), kTableSize);
    settings.CloseSection();
    return written;
}

int CFileListColumns::VisibleCount() const
{
    int count = 0;
    for (const SFileListColumn &column : m_Columns)
        count += column.m_bVisible ? 1 : 0;
    return count;
}

int CFileListColumns::VisibleCode(int visibleIndex) const
{
    for (const SFileListColumn &column : m_Columns) {
        if (!column.m_bVisible)
            continue;
        if (visibleIndex-- == 0)
            return column.m_nCode;
    }
    return 0;
}

int CFileListColumns::VisibleIndexOf(int code) const
{
    int index = 0;
    for (const SFileListColumn &column : m_Columns) {
        if (!column.m_bVisible)
            continue;
        if (column.m_nCode == code)
            return index;
        ++index;
    }
    return -1;
}
