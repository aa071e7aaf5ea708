#include "PrintPagination.h"

#include <algorithm>
#include <utility>

bool PaginateEntries(
    const std::vector<CPrintExtent> &entries, int rowHeight, int pageHeight, CPrintPages &pages)
{
    pages.clear();
    if (rowHeight <= 0 || pageHeight < rowHeight)
        return false;
    pages.emplace_back();
    int used = 0;
    auto newPage = [&] {
        pages.emplace_back();
        used = 0;
    };
    for (int e = 0; e < static_cast<int>(entries.size()); ++e) {
        const CPrintExtent &entry = entries[static_cast<std::size_t>(e)];
        if (entry.m_bPicture) {
            const int height = std::clamp(entry.m_nSize, 0, pageHeight);
            if (height == 0)
                continue;
            if (used > 0 && used + height > pageHeight)
                newPage();
            pages.back().push_back({ e, 0, height });
            used += height;
            continue;
        }
        int row = 0;
        const int rows = std::max(entry.m_nSize, 1);
        while (row < rows) {
            int fit = (pageHeight - used) / rowHeight;
            if (fit <= 0) {
                newPage();
                fit = pageHeight / rowHeight;
            }
            const int count = std::min(fit, rows - row);
            pages.back().push_back({ e, row, count });
            used += count * rowHeight;
            row += count;
        }
    }
    if (pages.back().empty() && pages.size() > 1)
        pages.pop_back();
    return true;
}

bool ClampPageRange(int from, int to, int pageCount, int *first, int *last)
{
    if (pageCount <= 0)
        return false;
    if (from == 0 && to == 0) {
        *first = 1;
        *last = pageCount;
        return true;
    }
    if (to < from)
        std::swap(from, to);
    if (to <= 0)
        from = to = 1;
    from = std::max(from, 1);
    to = std::min(to, pageCount);
    if (from > to)
        return false;
    *first = from;
    *last = to;
    return true;
}
