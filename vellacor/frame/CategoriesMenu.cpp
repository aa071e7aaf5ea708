#include "CategoriesMenu.h"

#include "CategoryList.h"
#include "QtStrings.h"

#include "kx_gen/CategoryRecord.h"

bool CCategoriesMenu::Create(QMenu &menu, kx_gen::CCategoryDB *file)
{
    menu.clear();
    m_Records.clear();
    if (!file)
        return false;
    m_Records = BuildSortedView(*file);
    for (std::size_t i = 0; i < m_Records.size(); ++i) {
        QAction *action = menu.addAction(ToQString(m_Records[i]->GetCategoryName()));
        action->setData(kFirstCommand + static_cast<int>(i));
    }
    return !m_Records.empty();
}

kx_gen::CCategoryRecord *CCategoriesMenu::FromCommand(int id) const
{
    const int index = id - kFirstCommand;
    return index >= 0 && index < static_cast<int>(m_Records.size())
        ? m_Records[static_cast<std::size_t>(index)]
        : nullptr;
}
