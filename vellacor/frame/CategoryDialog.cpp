#include "CategoryDialog.h"

#include "AppText.h"

#include "kx_gen/CategoryRecord.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

int CCategoryDialog::s_nOpen = 0;

CCategoryDialog::CCategoryDialog(
    kx_gen::CCategoryDB &categories, CCategoryEditHost &host, QWidget *parent)
    : QDialog(parent)
    , m_Editor(categories, host)
    , m_pList(new QListWidget(this))
{
    ++s_nOpen;
    setObjectName(QStringLiteral("101"));
    setWindowTitle(AppText(appstr::kEditCategoriesCaption));
    m_pList->setObjectName(QStringLiteral("1006"));
    m_pList->setMinimumSize(220, 220);

    auto *buttons = new QVBoxLayout;
    auto addButton = [&](unsigned text, const char *id) {
        auto *button = new QPushButton(AppText(text), this);
        button->setObjectName(QString::fromLatin1(id));
        button->setAutoDefault(false);
        buttons->addWidget(button);
        return button;
    };
    QPushButton *rename = addButton(appstr::kRenameButton, "3");
    QPushButton *remove = addButton(appstr::kDeleteButton, "4");
    remove->setText(remove->text().remove(QLatin1Char('&')));
    QPushButton *add = addButton(appstr::kNewButton, "5");
    buttons->addStretch(1);
    QPushButton *done = addButton(appstr::kDoneButton, "1");
    done->setDefault(true);

    auto *layout = new QHBoxLayout(this);
    layout->addWidget(m_pList, 1);
    layout->addLayout(buttons);

    connect(add, &QPushButton::clicked, this, [this] {
        if (kx_gen::CCategoryRecord *record = m_Editor.New())
            FillList(record);
    });
    connect(rename, &QPushButton::clicked, this, [this] {
        if (kx_gen::CCategoryRecord *record = m_Editor.Rename(Selected()))
            FillList(record);
    });
    connect(remove, &QPushButton::clicked, this, [this] {
        if (m_Editor.Delete(Selected()))
            FillList(nullptr);
    });
    connect(m_pList, &QListWidget::itemDoubleClicked, rename, &QPushButton::click);
    connect(done, &QPushButton::clicked, this, &QDialog::accept);
    FillList(nullptr);
}

CCategoryDialog::~CCategoryDialog()
{
    --s_nOpen;
}

void CCategoryDialog::FillList(const kx_gen::CCategoryRecord *select)
{
    m_pList->clear();
    for (kx_gen::CCategoryRecord *record : m_Editor.ListedCategories()) {
        auto *item = new QListWidgetItem(ToQString(record->GetCategoryName()), m_pList);
        item->setData(Qt::UserRole, QVariant::fromValue(static_cast<void *>(record)));
        if (record == select)
            m_pList->setCurrentItem(item);
    }
    if (!m_pList->currentItem() && m_pList->count() > 0)
        m_pList->setCurrentRow(0);
}

kx_gen::CCategoryRecord *CCategoryDialog::Selected() const
{
    const QListWidgetItem *item = m_pList->currentItem();
    return item ? static_cast<kx_gen::CCategoryRecord *>(item->data(Qt::UserRole).value<void *>())
                : nullptr;
}
