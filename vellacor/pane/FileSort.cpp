#include "FileSort.h"

#include "CabinetText.h"
#include "FileListColumns.h"
#include "FileTreeRoot.h"

#include <cstring>

namespace {

int CompareNoCase(const kx_gen::_String &a, const kx_gen::_String &b)
{
    const kx_gen::_String upperA = cabinet::MakeUpper(a);
    const kx_gen::_String upperB = cabinet::MakeUpper(b);
    return std::strcmp(upperA.c_str(), upperB.c_str());
}

} // namespace

SFileSortOrder &CurrentFileSortOrder()
{
    static SFileSortOrder order;
    return order;
}

int CompareEntries(const CTreeData &a, const CTreeData &b, const SFileSortOrder &order)
{
    const CTreeData &first = order.m_bAscending ? a : b;
    const CTreeData &second = order.m_bAscending ? b : a;
    switch (order.m_nColumn) {
    case CFileListColumns::kTitle:
        return CompareNoCase(first.m_strTitle, second.m_strTitle);
    case CFileListColumns::kFileName:
        return CompareNoCase(first.m_strPath, second.m_strPath);
    case CFileListColumns::kCategory:
        return CompareNoCase(first.m_strCategory, second.m_strCategory);
    default:
        return 0;
    }
}

void SortRoot(CFileTreeRoot &root, const SFileSortOrder &order)
{
    if (order.m_nColumn == 0)
        return;
    if (order.m_nColumn == CFileListColumns::kCategory && root.IsTemplateRoot())
        return;
    for (int end = root.GetCount() - 1; end >= 1; --end) {
        int greatest = 0;
        for (int i = 1; i <= end; ++i)
            if (CompareEntries(*root.GetDataAt(i), *root.GetDataAt(greatest), order) > 0)
                greatest = i;
        if (greatest != end
            && CompareEntries(*root.GetDataAt(greatest), *root.GetDataAt(end), order) != 0)
            root.Swap(greatest, end);
    }
}
