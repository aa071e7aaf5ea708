#include "LineNrsCustomDlg.h"

#include "AppStrings.h"
#include "LineNumbering.h"
#include "QtStrings.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace {

struct TStyleChoice {
    unsigned m_nText;
    std::uint8_t m_nStyle;
};

constexpr TStyleChoice kChoices[] = {
    { appstr::kStyleNone, kNumberNone },
    { appstr::kStyleNumeric, kNumberNumeric },
    { appstr::kStyleUpperAlpha, kNumberUpperAlpha },
    { appstr::kStyleLowerAlpha, kNumberLowerAlpha },
    { appstr::kStyleLegal, kNumberLegal },
    { appstr::kStyleUpperRoman, kNumberUpperRoman },
    { appstr::kStyleLowerRoman, kNumberLowerRoman },
};

} // namespace

CLineNrsCustomDlg::CLineNrsCustomDlg(const std::uint8_t *styles, QWidget *parent)
    : QDialog(parent)
{
    std::copy(styles, styles + 10, m_Styles);
    setWindowTitle(ToQString(appstr::Get(appstr::kCustomNumberingCaption)));
    auto *form = new QFormLayout;
    for (int level = 0; level < kShownLevels; ++level) {
        auto *box = new QComboBox(this);
        for (const TStyleChoice &choice : kChoices)
            box->addItem(ToQString(appstr::Get(choice.m_nText)), int(choice.m_nStyle));
        const int found = box->findData(int(m_Styles[level]));
        box->setCurrentIndex(found >= 0 ? found : 0);
        char label[32];
        std::snprintf(label, sizeof label, appstr::Get(appstr::kLevelLabel), level + 1);
        form->addRow(ToQString(label), box);
        m_pLevels[level] = box;
    }
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

void CLineNrsCustomDlg::GetStyles(std::uint8_t *styles) const
{
    std::copy(std::begin(m_Styles), std::end(m_Styles), styles);
    for (int level = 0; level < kShownLevels; ++level)
        styles[level] = static_cast<std::uint8_t>(m_pLevels[level]->currentData().toInt());
}
