#include "FlatOutline.h"

#include "kx_gen/Exception.h"
#include "kx_gen/OutlineDB.h"
#include "kx_gen/OutlineRecord.h"

#include <algorithm>

namespace formats {

SFlatOutline FlattenOutline(const COutlineMan &man)
{
    SFlatOutline flat;
    if (man.GetDB())
        flat.m_strTitle = man.GetDB()->GetOutlineTitle().str();
    const COutlineTree &tree = man.GetTree();
    for (const COutlineNode *n = tree.GetFirstChild(nullptr); n; n = tree.GetNextInDocument(n)) {
        SFlatItem item;
        item.m_nLevel = n->m_Item.m_nLevel;
        item.m_strText = n->m_Item.m_Text.GetString().str();
        item.m_strNote = n->m_Item.m_strNote.str();
        item.m_bChecked = n->m_Item.m_bChecked;
        item.m_bExpanded = n->m_Item.m_bExpanded;
        item.m_pNode = n;
        flat.m_Items.push_back(std::move(item));
    }
    return flat;
}

void FoldLevels(SFlatOutline &outline, CImportReport &report)
{
    int previous = -1;
    bool folded = false;
    for (SFlatItem &item : outline.m_Items) {
        int level = std::max(item.m_nLevel, 0);
        if (level > COutlineItem::kMaxLevel) {
            level = COutlineItem::kMaxLevel;
            folded = true;
        }
        level = std::min(level, previous + 1);
        item.m_nLevel = level;
        previous = level;
    }
    if (folded) {
        report.Warn(0,
            "items deeper than " + std::to_string(COutlineItem::kLevelCount)
                + " levels were kept at the deepest level");
    }
}

bool FillOutline(const SFlatOutline &source, COutlineMan &man, CImportReport &report)
{
    SFlatOutline outline = source;
    FoldLevels(outline, report);
    if (!man.NewOutline(false)) {
        report.Fail(0, "a new outline could not be made");
        return false;
    }
    try {
        kx_gen::COutlineDB *db = man.GetDB();
        if (!outline.m_strTitle.empty())
            db->SetOutlineTitle(kx_gen::_String(outline.m_strTitle));
        kx_gen::CDBRecordset *records = db->GetRecordset();
        for (const SFlatItem &item : outline.m_Items) {
            auto *record = static_cast<kx_gen::COutlineRecord *>(records->Append());
            if (!record) {
                report.Fail(0, "the outline refused an item");
                man.Close();
                return false;
            }
            record->SetIndent(static_cast<std::uint8_t>(item.m_nLevel));
            record->SetText(kx_gen::_String(item.m_strText));
            if (!item.m_strNote.empty())
                record->SetNote(kx_gen::_String(item.m_strNote));
            record->SetChecked(item.m_bChecked);
            record->SetExpanded(item.m_bExpanded);
        }
    } catch (kx_gen::CException *e) {
        report.Fail(0, e->GetDescription().str());
        e->Delete();
        man.Close();
        return false;
    }
    if (!man.BuildTree()) {
        report.Fail(0, "the outline could not be built");
        man.Close();
        return false;
    }
    man.SetModified(true);
    return true;
}

} // namespace formats
