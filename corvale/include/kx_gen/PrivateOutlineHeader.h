#pragma once

#include "kx_gen/Export.h"
#include "kx_gen/String.h"
#include "kx_gen/TaggedDataHeader.h"
#include "kx_gen/WinTypes.h"

#include <cstdint>

namespace kx_gen {

// A document window's placement as the outline file stores it: 40 bytes,
// ten little-endian i32 in this order (the normal rectangle's top comes
// before its left).
struct KX_GEN_EXPORT TStoredWindowPos {
    std::int32_t flags = 0;
    std::int32_t showCmd = 0;
    std::int32_t minX = 0;
    std::int32_t minY = 0;
    std::int32_t maxX = 0;
    std::int32_t maxY = 0;
    std::int32_t normalTop = 0;
    std::int32_t normalLeft = 0;
    std::int32_t normalRight = 0;
    std::int32_t normalBottom = 0;

    static constexpr std::uint32_t kStoredSize = 40;
    void ToBytes(std::uint8_t *out) const;
    static TStoredWindowPos FromBytes(const std::uint8_t *in);
};

// A document font as the outline file stores it: a LOGFONT without its face
// name (which has a string tag of its own), 28 bytes: five little-endian i32
// (height, width, escapement, orientation, weight), then one byte each of
// italic, underline, strike-out, character set, output precision, clip
// precision, quality, pitch and family.
struct KX_GEN_EXPORT TStoredFontInfo {
    std::int32_t height = 0;
    std::int32_t width = 0;
    std::int32_t escapement = 0;
    std::int32_t orientation = 0;
    std::int32_t weight = 0;
    std::uint8_t italic = 0;
    std::uint8_t underline = 0;
    std::uint8_t strikeOut = 0;
    std::uint8_t charSet = 0;
    std::uint8_t outPrecision = 0;
    std::uint8_t clipPrecision = 0;
    std::uint8_t quality = 0;
    std::uint8_t pitchAndFamily = 0;

    static constexpr std::uint32_t kStoredSize = 28;
    void ToBytes(std::uint8_t *out) const;
    static TStoredFontInfo FromBytes(const std::uint8_t *in);
};

// Header 3 of an outline file: the desktop's own view settings.
class KX_GEN_EXPORT CPrivateOutlineHeader : public CTaggedDataHeader {
public:
    static constexpr std::uint32_t kShowCheckedTag = 1;
    static constexpr std::uint32_t kSelectedIndexTag = 2;
    static constexpr std::uint32_t kTopIndexTag = 3;
    static constexpr std::uint32_t kWindowPosTag = 4;
    static constexpr std::uint32_t kFontInfoTag = 5;
    static constexpr std::uint32_t kFontColorTag = 6;
    static constexpr std::uint32_t kShowHeadingsTag = 7;
    static constexpr std::uint32_t kFaceNameString = 1; // string tag index
    static constexpr std::uint32_t kTitleString = 2; // string tag index
    static constexpr std::uint8_t kDefaultShowHeadingsMode = 10;
    static constexpr std::uint32_t kDefaultSize = 512;

    // A header with every field at its default: checked items shown, first
    // item selected and on top, placement and font all 0, colour 0,
    // headings mode 10, no face name, title "Untitled". Throws CException
    // message 18 when memory runs out.
    CPrivateOutlineHeader();

    // Adds the headings mode (10) when the block lacks it.
    void CreateNewFields() override;

    // Getters throw CException message 16 for a missing tag, 15 for a
    // corrupt block; setters throw message 18 when memory runs out.
    void SetOutlineTitle(const _String &title);
    _String GetOutlineTitle() const;
    void SetShowCheckedItems(bool show);
    bool GetShowCheckedItems() const;
    // The same byte read as the outline view's check-box mode: 0 check boxes
    // and checked items shown, 1 check boxes hidden, 2 checked items hidden.
    // A file written through the boolean keeps meaning what it meant (0 and
    // 1); larger values read as 2. The setter stores the mode as it is.
    void SetCheckBoxMode(std::uint8_t mode);
    std::uint8_t GetCheckBoxMode() const;
    // The changed bit of the show-checked-items field.
    void setCheckedItemsChanged(bool changed);
    bool ShowCheckedItemsChanged() const;
    void SetSelectedIndex(std::uint32_t index);
    std::uint32_t GetSelectedIndex() const;
    void SetTopIndex(std::uint32_t index);
    std::uint32_t GetTopIndex() const;
    void SetShowHeadingsMode(std::uint8_t mode);
    std::uint8_t GetShowHeadingsMode() const;

    // The font (tag 5 and the face name) and its colour (tag 6).
    void SetOutlineFont(const LOGFONT &font, COLORREF color);
    // Rebuilds the LOGFONT; the colour is 0 when the header has none. A face
    // name longer than 31 bytes is cut.
    void GetOutlineFont(LOGFONT &font, COLORREF &color) const;

    void SetOutlineWindowPos(const WINDOWPLACEMENT &placement);
    // Fills the placement (its length set to 44).
    void GetOutlineWindowPos(WINDOWPLACEMENT &placement) const;

    void SetStoredWindowPos(const TStoredWindowPos &pos);
    TStoredWindowPos GetStoredWindowPos() const;
    void SetStoredFontInfo(const TStoredFontInfo &info);
    TStoredFontInfo GetStoredFontInfo() const;
};

} // namespace kx_gen
