#include "PaneCommands.h"

#include "CabinetNames.h"
#include "RootList.h"
#include "User.h"

#include "kx_gen/OutlineDB.h"

namespace cabinet {

int SetFileCategory(CRootList &roots, const std::vector<kx_gen::_String> &paths,
    const kx_gen::_String &category,
    const std::function<void(const kx_gen::_String &path)> &fileChanged)
{
    int changed = 0;
    for (const kx_gen::_String &path : paths) {
        CFileTreeRoot *root = roots.FindRootOf(path);
        if (!root
            || (root->m_nKind != kRootDesktopOutlines && root->m_nKind != kRootHandheldOutlines))
            continue;
        const int index = root->FindPath(path);
        CTreeData *entry = index >= 0 ? root->GetDataAt(index) : nullptr;
        if (!entry || entry->m_strCategory == category)
            continue;
        if (!kx_gen::updateFileCategory(path.c_str(), true, nullptr, category.c_str()))
            continue;
        entry->m_strCategory = category;
        entry->ReadFileFacts(path);
        root->m_bResort = 1;
        ++changed;
        if (fileChanged)
            fileChanged(path);
    }
    return changed;
}

bool ShowFilingCabinet(CUser &user, CFilingCabinetWindow &window)
{
    COutlineDoc *document = user.GetFilingCabinet();
    if (!document)
        return false;
    window.Show(*document);
    return true;
}

bool EmptyFilingCabinet(CUser &user, CFilingCabinetWindow &window)
{
    COutlineDoc *document = user.GetFilingCabinet();
    if (!document)
        return false;
    window.Empty(*document);
    return true;
}

} // namespace cabinet
