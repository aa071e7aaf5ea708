#pragma once

// The file pane's column table: which columns show, in which order and how
// wide. It is kept byte for byte in the settings store as three records of
// nine bytes (code as a 32-bit int, width in pixels as a 32-bit int, a
// visible flag byte), little-endian.

#include <array>
#include <cstdint>

namespace kx_gen {
class CAppRegistry;
}

struct SFileListColumn {
    std::int32_t m_nCode = 0;
    std::int32_t m_nWidth = 0;
    bool m_bVisible = true;
};

class CFileListColumns {
public:
    // Column codes.
    static constexpr int kTitle = 1;
    static constexpr int kFileName = 2;
    static constexpr int kCategory = 4;

    static constexpr int kCount = 3;
    static constexpr int kRecordSize = 9;
    static constexpr int kTableSize = kCount * kRecordSize;

    // Title 200, Category 100, File name 150, all visible.
    CFileListColumns();

    // The table as stored; the defaults when `bytes` is not a whole table,
    // shows no column, or lacks one of the three codes.
    static CFileListColumns FromBytes(const unsigned char *bytes, std::uint32_t size);
    std::array<unsigned char, kTableSize> ToBytes() const;

    // "FileList"/"Colunms" (the defaults when missing or unreadable).
    static CFileListColumns Load(kx_gen::CAppRegistry &settings);
    bool Save(kx_gen::CAppRegistry &settings) const;

    const SFileListColumn &At(int index) const { return m_Columns[index]; }
    SFileListColumn &At(int index) { return m_Columns[index]; }
    // The codes of the visible columns in table order.
    int VisibleCount() const;
    int VisibleCode(int visibleIndex) const;
    // The visible index of `code`, or -1.
    int VisibleIndexOf(int code) const;

private:
    std::array<SFileListColumn, kCount> m_Columns;
};
