#include "ComboCat.h"

#include "AppText.h"
#include "CategoryList.h"

#include "kx_gen/CategoryDB.h"
#include "kx_gen/CategoryRecord.h"

#include <QPainter>
#include <QStandardItemModel>
#include <QStyledItemDelegate>

namespace {

// Separators are a line across the entry, a pixel above its middle.
class CSeparatorDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
        const QModelIndex &index) const override
    {
        if (index.data(Qt::UserRole).toInt() != CComboCat::kSeparator) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        const int y = option.rect.center().y() - 1;
        painter->save();
        painter->setPen(option.palette.color(QPalette::WindowText));
        painter->drawLine(option.rect.left() + 2, y, option.rect.right() - 2, y);
        painter->restore();
    }
};

} // namespace

CComboCat::CComboCat(QWidget *parent)
    : QComboBox(parent)
{
    setObjectName(QStringLiteral("1013"));
    setItemDelegate(new CSeparatorDelegate(this));
    setSizeAdjustPolicy(QComboBox::AdjustToContents);
    setMaxVisibleItems(12);
    connect(this, &QComboBox::activated, this, &CComboCat::OnActivated);
}

void CComboCat::SetSources(kx_gen::CCategoryDB *file, CCategoryList *list)
{
    m_pFile = file;
    m_pList = list;
}

void CComboCat::AddEntry(const QString &text, int data)
{
    addItem(text, data);
    if (data == kSeparator) {
        if (auto *model = qobject_cast<QStandardItemModel *>(this->model()))
            if (QStandardItem *item = model->item(count() - 1))
                item->setFlags(item->flags() & ~(Qt::ItemIsSelectable | Qt::ItemIsEnabled));
    }
}

void CComboCat::Fill(bool withAll)
{
    const QSignalBlocker blocker(this);
    clear();
    if (withAll)
        AddEntry(AppText(appstr::kAllCategories), kAll);
    if (m_pFile)
        for (kx_gen::CCategoryRecord *record : BuildSortedView(*m_pFile))
            AddEntry(
                ToQString(record->GetCategoryName()), static_cast<int>(record->GetCategoryId()));
    if (m_pList && m_pList->GetCount() > 0) {
        AddEntry(AppText(appstr::kCategorySeparator), kSeparator);
        for (int i = 0; i < m_pList->GetCount(); ++i)
            AddEntry(ToQString(m_pList->GetName(i)),
                static_cast<int>(m_pList->GetAt(i).m_pRecord->GetCategoryId()));
    }
    AddEntry(AppText(appstr::kCategorySeparator), kSeparator);
    AddEntry(AppText(appstr::kEditCategoriesItem), kEditCategories);
    m_nLastSel = -1;
}

void CComboCat::Refill()
{
    const kx_gen::_String selected = GetSelectedName();
    Fill(false);
    if (SelectName(selected) < 0) {
        const QSignalBlocker blocker(this);
        setCurrentIndex(0);
        m_nLastSel = 0;
    }
}

int CComboCat::GetSelectedId() const
{
    return currentIndex() < 0 ? -1 : currentData().toInt();
}

kx_gen::_String CComboCat::GetSelectedName() const
{
    return currentIndex() < 0 ? kx_gen::_String() : ToKxString(currentText());
}

int CComboCat::SelectName(const kx_gen::_String &name)
{
    const QString text = ToQString(name);
    int exact = -1;
    int prefix = -1;
    for (int i = 0; i < count(); ++i) {
        if (!IsReal(i))
            continue;
        if (itemText(i) == text) {
            exact = i;
            break;
        }
        if (prefix < 0 && !text.isEmpty() && itemText(i).startsWith(text))
            prefix = i;
    }
    const int chosen = exact >= 0 ? exact : (prefix >= 0 ? prefix : 0);
    const QSignalBlocker blocker(this);
    setCurrentIndex(count() > 0 ? chosen : -1);
    m_nLastSel = currentIndex();
    return exact;
}

bool CComboCat::IsReal(int index) const
{
    const int data = itemData(index).toInt();
    return data != kSeparator && data != kEditCategories;
}

void CComboCat::OnActivated(int index)
{
    if (IsReal(index)) {
        m_nLastSel = index;
        if (itemData(index).toInt() != kAll)
            emit categoryChosen(itemText(index));
        else
            emit categoryChosen(QString());
        return;
    }
    // Back to the nearest real entry at or above the last real choice.
    int back = std::min(m_nLastSel, count() - 1);
    while (back > 0 && !IsReal(back))
        --back;
    {
        const QSignalBlocker blocker(this);
        setCurrentIndex(std::max(back, 0));
    }
    if (itemData(index).toInt() == kEditCategories)
        emit editCategoriesRequested();
}
