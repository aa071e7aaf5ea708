#include "kx_gen/SharedHeader.h"

#include "kx_gen/CategoryDB.h"

namespace kx_gen {

namespace {

bool tagChanged(const CTaggedDataManager &tags, std::uint32_t id)
{
    bool changed = false;
    KX_TAG_CHECK(tags.getTagChanged(id, changed));
    return changed;
}

} // namespace

CSharedHeader::CSharedHeader()
{
    KX_TAG_CHECK(m_tags.setString(kCategoryNameString, CCategoryDB::getUnfiledCategoryName()));
    KX_TAG_CHECK(m_tags.setBool(kOutlineChangedTag, true));
    KX_TAG_CHECK(m_tags.setBool(kSynchronizedTag, false));
    CreateNewFields();
}

void CSharedHeader::CreateNewFields()
{
    bool found = false;
    KX_TAG_CHECK(m_tags.hasStringTag(kPalmMatchNameString, found));
    if (!found)
        KX_TAG_CHECK(m_tags.setString(kPalmMatchNameString, _String()));
    KX_TAG_CHECK(m_tags.hasTag(kPrivateTag, found));
    if (!found)
        KX_TAG_CHECK(m_tags.setBool(kPrivateTag, false));
    KX_TAG_CHECK(m_tags.hasTag(kNumberingTag, found));
    if (!found) {
        const std::uint8_t none[kNumberingSize] = {};
        KX_TAG_CHECK(m_tags.setData(kNumberingTag, none, kNumberingSize));
    }
    KX_TAG_CHECK(m_tags.hasTag(kNumberingDividerTag, found));
    if (!found)
        KX_TAG_CHECK(m_tags.setUInt16(kNumberingDividerTag, 0));
}

void CSharedHeader::SetCategoryName(const _String &name)
{
    // A missing or unreadable name counts as a different one.
    _String old;
    const bool same = m_tags.getString(kCategoryNameString, old) == kTagOK && old == name;
    KX_TAG_CHECK(m_tags.setString(kCategoryNameString, name));
    if (!same)
        SetOutlineChanged(true);
}

_String CSharedHeader::GetCategoryName() const
{
    _String name;
    KX_TAG_CHECK(m_tags.getString(kCategoryNameString, name));
    return name;
}

void CSharedHeader::SetCategoryChanged(bool changed)
{
    KX_TAG_CHECK(m_tags.setStringTagChanged(kCategoryNameString, changed));
}

bool CSharedHeader::GetCategoryChanged() const
{
    return tagChanged(m_tags, kStringTagIDCode + kCategoryNameString);
}

void CSharedHeader::SetPalmMatchName(const _String &name)
{
    KX_TAG_CHECK(m_tags.setString(kPalmMatchNameString, name));
}

_String CSharedHeader::GetPalmMatchName() const
{
    _String name;
    KX_TAG_CHECK(m_tags.getString(kPalmMatchNameString, name));
    return name;
}

void CSharedHeader::SetOutlineChanged(bool changed)
{
    KX_TAG_CHECK(m_tags.setBool(kOutlineChangedTag, changed));
}

bool CSharedHeader::GetOutlineChanged() const
{
    bool value = false;
    KX_TAG_CHECK(m_tags.getBool(kOutlineChangedTag, value));
    return value;
}

void CSharedHeader::SetSynchronized(bool synchronized)
{
    KX_TAG_CHECK(m_tags.setBool(kSynchronizedTag, synchronized));
}

bool CSharedHeader::GetSynchronized() const
{
    bool value = false;
    KX_TAG_CHECK(m_tags.getBool(kSynchronizedTag, value));
    return value;
}

void CSharedHeader::SetPrivate(bool isPrivate)
{
    KX_TAG_CHECK(m_tags.setBool(kPrivateTag, isPrivate));
}

bool CSharedHeader::GetPrivate() const
{
    bool value = false;
    KX_TAG_CHECK(m_tags.getBool(kPrivateTag, value));
    return value;
}

void CSharedHeader::SetPrivateTagChanged(bool changed)
{
    KX_TAG_CHECK(m_tags.setTagChanged(kPrivateTag, changed));
}

bool CSharedHeader::GetPrivateTagChanged() const
{
    return tagChanged(m_tags, kPrivateTag);
}

void CSharedHeader::setNumbering(const std::uint8_t *scheme)
{
    KX_TAG_CHECK(m_tags.setData(kNumberingTag, scheme, kNumberingSize));
}

void CSharedHeader::getNumbering(std::uint8_t *scheme) const
{
    std::uint32_t size = kNumberingSize;
    KX_TAG_CHECK(m_tags.getData(kNumberingTag, scheme, size));
    // A shorter value from a file would leave part of the caller's bytes
    // unset.
    if (size != kNumberingSize)
        KX_TAG_CHECK(kTagDataCorrupt);
}

void CSharedHeader::setNumberingChanged(bool changed)
{
    KX_TAG_CHECK(m_tags.setTagChanged(kNumberingTag, changed));
}

bool CSharedHeader::getNumberingChanged() const
{
    return tagChanged(m_tags, kNumberingTag);
}

void CSharedHeader::setNumberingDivider(std::uint16_t divider)
{
    KX_TAG_CHECK(m_tags.setUInt16(kNumberingDividerTag, divider));
}

std::uint16_t CSharedHeader::getNumberingDivider() const
{
    std::uint16_t value = 0;
    KX_TAG_CHECK(m_tags.getUInt16(kNumberingDividerTag, value));
    return value;
}

void CSharedHeader::setNumberingDividerChanged(bool changed)
{
    KX_TAG_CHECK(m_tags.setTagChanged(kNumberingDividerTag, changed));
}

bool CSharedHeader::getNumberingDividerChanged() const
{
    return tagChanged(m_tags, kNumberingDividerTag);
}

} // namespace kx_gen
