#include "kx_gen/CategoryRecord.h"

#include <memory>

namespace kx_gen {

void CCategoryRecord::Init()
{
    CDBRecord::Init();
    SetCategoryId(0);
    SetCategoryName(_String());
    SetLastChangedTime(CTime(0));
}

void CCategoryRecord::FinishRead()
{
    CTaggedDataManager &tags = GetTags();
    // A field added with its default did not change since the last
    // synchronisation, so its changed bit is cleared again.
    auto addMissing = [&tags](std::uint32_t id, auto setDefault) {
        bool found = false;
        KX_TAG_CHECK(tags.hasTag(id, found));
        if (!found) {
            KX_TAG_CHECK(setDefault());
            KX_TAG_CHECK(tags.setTagChanged(id, false));
        }
    };
    addMissing(kStatusTagID, [&] { return tags.setUInt8(kStatusTagID, 0); });
    addMissing(kSortChangedTagID, [&] { return tags.setBool(kSortChangedTagID, false); });
    addMissing(kCategoryIdTagID, [&] { return tags.setUInt32(kCategoryIdTagID, 0); });
    addMissing(kStringTagIDCode + kNameStringIndex,
        [&] { return tags.setString(kNameStringIndex, _String()); });
    addMissing(kLastChangedTagID, [&] { return tags.setInt32(kLastChangedTagID, 0); });
    // A field of the wrong size or an unterminated name is refused here, so
    // that a table that loaded never throws from its accessors later.
    GetFlag();
    IsSortChanged();
    GetCategoryId();
    GetCategoryName();
    GetLastChangedTime();
}

void CCategoryRecord::SetCategoryId(std::uint32_t id)
{
    KX_TAG_CHECK(GetTags().setUInt32(kCategoryIdTagID, id));
}

std::uint32_t CCategoryRecord::GetCategoryId() const
{
    std::uint32_t id = 0;
    KX_TAG_CHECK(GetTags().getUInt32(kCategoryIdTagID, id));
    return id;
}

void CCategoryRecord::SetCategoryName(const _String &name)
{
    KX_TAG_CHECK(GetTags().setString(kNameStringIndex, name));
}

_String CCategoryRecord::GetCategoryName() const
{
    _String name;
    KX_TAG_CHECK(GetTags().getString(kNameStringIndex, name));
    return name;
}

void CCategoryRecord::SetLastChangedTime(CTime time)
{
    KX_TAG_CHECK(GetTags().setInt32(kLastChangedTagID, time.GetTime()));
}

CTime CCategoryRecord::GetLastChangedTime() const
{
    std::int32_t seconds = 0;
    KX_TAG_CHECK(GetTags().getInt32(kLastChangedTagID, seconds));
    return CTime(seconds);
}

CDBRecord *CCategoryRecordset::CreateDBRecord()
{
    auto record = std::make_unique<CCategoryRecord>();
    record->Init();
    return record.release();
}

} // namespace kx_gen
