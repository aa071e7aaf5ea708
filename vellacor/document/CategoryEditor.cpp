#include "CategoryEditor.h"

#include "AppStrings.h"
#include "CabinetHost.h"

#include "kx_gen/CategoryDB.h"
#include "kx_gen/CategoryRecord.h"
#include "kx_gen/Time.h"

using kx_gen::_String;
using kx_gen::CCategoryDB;
using kx_gen::CCategoryRecord;

CCategoryEditor::CCategoryEditor(CCategoryDB &categories, CCategoryEditHost &host)
    : m_Categories(categories)
    , m_Host(host)
{
}

bool CCategoryEditor::IsUnfiled(const CCategoryRecord *record) const
{
    return record->GetCategoryName() == CCategoryDB::getUnfiledCategoryName();
}

std::vector<CCategoryRecord *> CCategoryEditor::ListedCategories() const
{
    std::vector<CCategoryRecord *> listed;
    for (CCategoryRecord &record : m_Categories)
        if (!IsUnfiled(&record))
            listed.push_back(&record);
    return listed;
}

bool CCategoryEditor::AskName(_String &name)
{
    if (!m_Host.Prompter().AskText(_String(), name))
        return false;
    name.Trim();
    if (name.IsEmpty()) {
        m_Host.Prompter().ShowMessage(appstr::Get(appstr::kCategoryNameInvalid));
        return false;
    }
    return true;
}

CCategoryRecord *CCategoryEditor::New()
{
    CCabinetPrompter &prompter = m_Host.Prompter();
    if (m_Categories.isFull()) {
        prompter.ShowMessage(appstr::Get(appstr::kMaxCategories));
        return nullptr;
    }
    _String name;
    if (!AskName(name))
        return nullptr;
    if (m_Categories.FindCategory(name.c_str())) {
        prompter.ShowMessage(appstr::Get(appstr::kCategoryExists));
        return nullptr;
    }
    CCategoryRecord *record = m_Categories.AddNewCategory(name.c_str());
    m_bChanged = true;
    m_Host.RebuildCategoryList();
    m_Host.Announce(name, name);
    return record;
}

bool CCategoryEditor::Delete(CCategoryRecord *selected)
{
    CCabinetPrompter &prompter = m_Host.Prompter();
    if (!selected) {
        prompter.ShowMessage(appstr::Get(appstr::kSelectCategory));
        return false;
    }
    if (IsUnfiled(selected)) {
        prompter.ShowMessage(appstr::Get(appstr::kCannotDeleteDefaultCategory));
        return false;
    }
    if (!prompter.AskOkCancel(appstr::Get(appstr::kDeleteCategoryQuestion)))
        return false;
    const _String oldName = selected->GetCategoryName();
    m_Categories.DeleteCategory(selected, kx_gen::CTime::GetTickCount());
    m_bChanged = true;
    m_Host.RewriteOutlines(oldName.c_str(), nullptr);
    m_Host.RebuildCategoryList();
    m_Host.Announce(oldName, CCategoryDB::getUnfiledCategoryName());
    return true;
}

CCategoryRecord *CCategoryEditor::Rename(CCategoryRecord *selected)
{
    CCabinetPrompter &prompter = m_Host.Prompter();
    if (!selected) {
        prompter.ShowMessage(appstr::Get(appstr::kSelectCategory));
        return nullptr;
    }
    const bool unfiled = IsUnfiled(selected);
    if (unfiled && m_Categories.GetCategoryCount() >= CCategoryDB::GetMaxCategoryAmount() - 1) {
        prompter.ShowMessage(appstr::Get(appstr::kCannotRenameUnfiled));
        return nullptr;
    }
    const _String oldName = selected->GetCategoryName();
    _String name = oldName;
    if (!AskName(name))
        return nullptr;
    if (name == oldName)
        return selected;
    prompter.ShowMessage(appstr::Get(appstr::kCategoryRenamedInfo));
    CCategoryRecord *result = m_Categories.FindCategory(name.c_str());
    if (!unfiled) {
        if (result && result != selected)
            // The two merge under the category that already had the name.
            m_Categories.DeleteCategory(selected, kx_gen::CTime::GetTickCount());
        else
            m_Categories.RenameCategory(
                result = selected, name.c_str(), kx_gen::CTime::GetTickCount());
    } else if (!result) {
        // The unfiled category stays; its outlines go to a new category.
        result = m_Categories.AddNewCategory(name.c_str());
    }
    m_Host.RewriteOutlines(oldName.c_str(), name.c_str());
    m_Host.RebuildCategoryList();
    m_Host.Announce(oldName, name);
    m_bChanged = true;
    return result;
}
