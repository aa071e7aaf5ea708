#include "kx_gen/PrivateOutlineHeader.h"

#include "kx_gen/ByteOrder.h"

#include <cstring>

namespace kx_gen {

namespace {

void putI32(std::uint8_t *&p, std::int32_t v)
{
    PutLE32(p, static_cast<std::uint32_t>(v));
    p += 4;
}

std::int32_t getI32(const std::uint8_t *&p)
{
    const auto v = static_cast<std::int32_t>(GetLE32(p));
    p += 4;
    return v;
}

} // namespace

void TStoredWindowPos::ToBytes(std::uint8_t *out) const
{
    for (std::int32_t v : { flags, showCmd, minX, minY, maxX, maxY, normalTop, normalLeft,
             normalRight, normalBottom })
        putI32(out, v);
}

TStoredWindowPos TStoredWindowPos::FromBytes(const std::uint8_t *in)
{
    TStoredWindowPos pos;
    for (std::int32_t *v : { &pos.flags, &pos.showCmd, &pos.minX, &pos.minY, &pos.maxX, &pos.maxY,
             &pos.normalTop, &pos.normalLeft, &pos.normalRight, &pos.normalBottom })
        *v = getI32(in);
    return pos;
}

void TStoredFontInfo::ToBytes(std::uint8_t *out) const
{
    for (std::int32_t v : { height, width, escapement, orientation, weight })
        putI32(out, v);
    for (std::uint8_t b : { italic, underline, strikeOut, charSet, outPrecision, clipPrecision,
             quality, pitchAndFamily })
        *out++ = b;
}

TStoredFontInfo TStoredFontInfo::FromBytes(const std::uint8_t *in)
{
    TStoredFontInfo info;
    for (std::int32_t *v :
        { &info.height, &info.width, &info.escapement, &info.orientation, &info.weight })
        *v = getI32(in);
    for (std::uint8_t *b : { &info.italic, &info.underline, &info.strikeOut, &info.charSet,
             &info.outPrecision, &info.clipPrecision, &info.quality, &info.pitchAndFamily })
        *b = *in++;
    return info;
}

CPrivateOutlineHeader::CPrivateOutlineHeader()
{
    KX_TAG_CHECK(m_tags.setUInt8(kShowCheckedTag, 1));
    KX_TAG_CHECK(m_tags.setUInt32(kSelectedIndexTag, 0));
    KX_TAG_CHECK(m_tags.setUInt32(kTopIndexTag, 0));
    SetStoredWindowPos(TStoredWindowPos());
    SetStoredFontInfo(TStoredFontInfo());
    KX_TAG_CHECK(m_tags.setUInt32(kFontColorTag, 0));
    KX_TAG_CHECK(m_tags.setString(kFaceNameString, _String()));
    KX_TAG_CHECK(m_tags.setString(kTitleString, _String("Untitled")));
    CreateNewFields();
}

void CPrivateOutlineHeader::CreateNewFields()
{
    bool found = false;
    KX_TAG_CHECK(m_tags.hasTag(kShowHeadingsTag, found));
    if (!found)
        KX_TAG_CHECK(m_tags.setUInt8(kShowHeadingsTag, kDefaultShowHeadingsMode));
}

void CPrivateOutlineHeader::SetOutlineTitle(const _String &title)
{
    KX_TAG_CHECK(m_tags.setString(kTitleString, title));
}

_String CPrivateOutlineHeader::GetOutlineTitle() const
{
    _String title;
    KX_TAG_CHECK(m_tags.getString(kTitleString, title));
    return title;
}

void CPrivateOutlineHeader::SetShowCheckedItems(bool show)
{
    KX_TAG_CHECK(m_tags.setUInt8(kShowCheckedTag, show ? 1 : 0));
}

bool CPrivateOutlineHeader::GetShowCheckedItems() const
{
    std::uint8_t value = 0;
    KX_TAG_CHECK(m_tags.getUInt8(kShowCheckedTag, value));
    return value != 0;
}

void CPrivateOutlineHeader::SetCheckBoxMode(std::uint8_t mode)
{
    KX_TAG_CHECK(m_tags.setUInt8(kShowCheckedTag, mode));
}

std::uint8_t CPrivateOutlineHeader::GetCheckBoxMode() const
{
    std::uint8_t value = 0;
    KX_TAG_CHECK(m_tags.getUInt8(kShowCheckedTag, value));
    return value > 2 ? 2 : value;
}

void CPrivateOutlineHeader::setCheckedItemsChanged(bool changed)
{
    KX_TAG_CHECK(m_tags.setTagChanged(kShowCheckedTag, changed));
}

bool CPrivateOutlineHeader::ShowCheckedItemsChanged() const
{
    bool changed = false;
    KX_TAG_CHECK(m_tags.getTagChanged(kShowCheckedTag, changed));
    return changed;
}

void CPrivateOutlineHeader::SetSelectedIndex(std::uint32_t index)
{
    KX_TAG_CHECK(m_tags.setUInt32(kSelectedIndexTag, index));
}

std::uint32_t CPrivateOutlineHeader::GetSelectedIndex() const
{
    std::uint32_t value = 0;
    KX_TAG_CHECK(m_tags.getUInt32(kSelectedIndexTag, value));
    return value;
}

void CPrivateOutlineHeader::SetTopIndex(std::uint32_t index)
{
    KX_TAG_CHECK(m_tags.setUInt32(kTopIndexTag, index));
}

std::uint32_t CPrivateOutlineHeader::GetTopIndex() const
{
    std::uint32_t value = 0;
    KX_TAG_CHECK(m_tags.getUInt32(kTopIndexTag, value));
    return value;
}

void CPrivateOutlineHeader::SetShowHeadingsMode(std::uint8_t mode)
{
    KX_TAG_CHECK(m_tags.setUInt8(kShowHeadingsTag, mode));
}

std::uint8_t CPrivateOutlineHeader::GetShowHeadingsMode() const
{
    std::uint8_t value = 0;
    KX_TAG_CHECK(m_tags.getUInt8(kShowHeadingsTag, value));
    return value;
}

void CPrivateOutlineHeader::SetStoredWindowPos(const TStoredWindowPos &pos)
{
    std::uint8_t bytes[TStoredWindowPos::kStoredSize];
    pos.ToBytes(bytes);
    KX_TAG_CHECK(m_tags.setData(kWindowPosTag, bytes, sizeof bytes));
}

TStoredWindowPos CPrivateOutlineHeader::GetStoredWindowPos() const
{
    std::uint8_t bytes[TStoredWindowPos::kStoredSize];
    std::uint32_t size = sizeof bytes;
    KX_TAG_CHECK(m_tags.getData(kWindowPosTag, bytes, size));
    if (size != sizeof bytes)
        KX_TAG_CHECK(kTagDataCorrupt);
    return TStoredWindowPos::FromBytes(bytes);
}

void CPrivateOutlineHeader::SetStoredFontInfo(const TStoredFontInfo &info)
{
    std::uint8_t bytes[TStoredFontInfo::kStoredSize];
    info.ToBytes(bytes);
    KX_TAG_CHECK(m_tags.setData(kFontInfoTag, bytes, sizeof bytes));
}

TStoredFontInfo CPrivateOutlineHeader::GetStoredFontInfo() const
{
    std::uint8_t bytes[TStoredFontInfo::kStoredSize];
    std::uint32_t size = sizeof bytes;
    KX_TAG_CHECK(m_tags.getData(kFontInfoTag, bytes, size));
    if (size != sizeof bytes)
        KX_TAG_CHECK(kTagDataCorrupt);
    return TStoredFontInfo::FromBytes(bytes);
}

void CPrivateOutlineHeader::SetOutlineFont(const LOGFONT &font, COLORREF color)
{
    TStoredFontInfo info;
    info.height = font.lfHeight;
    info.width = font.lfWidth;
    info.escapement = font.lfEscapement;
    info.orientation = font.lfOrientation;
    info.weight = font.lfWeight;
    info.italic = font.lfItalic;
    info.underline = font.lfUnderline;
    info.strikeOut = font.lfStrikeOut;
    info.charSet = font.lfCharSet;
    info.outPrecision = font.lfOutPrecision;
    info.clipPrecision = font.lfClipPrecision;
    info.quality = font.lfQuality;
    info.pitchAndFamily = font.lfPitchAndFamily;
    SetStoredFontInfo(info);
    // The face name may fill its whole buffer without a terminator.
    KX_TAG_CHECK(m_tags.setString(
        kFaceNameString, _String(font.lfFaceName, strnlen(font.lfFaceName, LF_FACESIZE))));
    KX_TAG_CHECK(m_tags.setUInt32(kFontColorTag, color));
}

void CPrivateOutlineHeader::GetOutlineFont(LOGFONT &font, COLORREF &color) const
{
    const TStoredFontInfo info = GetStoredFontInfo();
    font = LOGFONT();
    font.lfHeight = info.height;
    font.lfWidth = info.width;
    font.lfEscapement = info.escapement;
    font.lfOrientation = info.orientation;
    font.lfWeight = info.weight;
    font.lfItalic = info.italic;
    font.lfUnderline = info.underline;
    font.lfStrikeOut = info.strikeOut;
    font.lfCharSet = info.charSet;
    font.lfOutPrecision = info.outPrecision;
    font.lfClipPrecision = info.clipPrecision;
    font.lfQuality = info.quality;
    font.lfPitchAndFamily = info.pitchAndFamily;
    _String face;
    KX_TAG_CHECK(m_tags.getString(kFaceNameString, face));
    std::strncpy(font.lfFaceName, face.c_str(), LF_FACESIZE - 1);
    font.lfFaceName[LF_FACESIZE - 1] = 0;

    bool found = false;
    KX_TAG_CHECK(m_tags.hasTag(kFontColorTag, found));
    color = 0;
    if (found) {
        std::uint32_t value = 0;
        KX_TAG_CHECK(m_tags.getUInt32(kFontColorTag, value));
        color = value;
    }
}

void CPrivateOutlineHeader::SetOutlineWindowPos(const WINDOWPLACEMENT &placement)
{
    TStoredWindowPos pos;
    pos.flags = static_cast<std::int32_t>(placement.flags);
    pos.showCmd = static_cast<std::int32_t>(placement.showCmd);
    pos.minX = placement.ptMinPosition.x;
    pos.minY = placement.ptMinPosition.y;
    pos.maxX = placement.ptMaxPosition.x;
    pos.maxY = placement.ptMaxPosition.y;
    pos.normalTop = placement.rcNormalPosition.top;
    pos.normalLeft = placement.rcNormalPosition.left;
    pos.normalRight = placement.rcNormalPosition.right;
    pos.normalBottom = placement.rcNormalPosition.bottom;
    SetStoredWindowPos(pos);
}

void CPrivateOutlineHeader::GetOutlineWindowPos(WINDOWPLACEMENT &placement) const
{
    const TStoredWindowPos pos = GetStoredWindowPos();
    placement = WINDOWPLACEMENT();
    placement.length = sizeof(WINDOWPLACEMENT);
    placement.flags = static_cast<std::uint32_t>(pos.flags);
    placement.showCmd = static_cast<std::uint32_t>(pos.showCmd);
    placement.ptMinPosition = { pos.minX, pos.minY };
    placement.ptMaxPosition = { pos.maxX, pos.maxY };
    placement.rcNormalPosition.left = pos.normalLeft;
    placement.rcNormalPosition.top = pos.normalTop;
    placement.rcNormalPosition.right = pos.normalRight;
    placement.rcNormalPosition.bottom = pos.normalBottom;
}

} // namespace kx_gen
