#include "LineNrsDlg.h"

#include "AppStrings.h"
#include "LineNrsCustomDlg.h"
#include "QtStrings.h"
#include "ZumraView.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <iterator>

namespace {

constexpr unsigned kSchemeTexts[]
    = { appstr::kSchemeNone, appstr::kSchemeNumeric, appstr::kSchemeAlphabetic,
          appstr::kSchemeLegal, appstr::kSchemeRoman, appstr::kSchemeMixed, appstr::kSchemeCustom };

// The divider box's entries and the characters they stand for.
constexpr char kDividers[] = { 0, '.', ')' };

QString AppText(unsigned id)
{
    return ToQString(appstr::Get(id));
}

} // namespace

CLineNrsDlg::CLineNrsDlg(const CNumbering &numbering, QWidget *parent)
    : QDialog(parent)
    , m_Numbering(numbering)
{
    setWindowTitle(AppText(appstr::kLineNumbersCaption));
    m_pScheme = new QComboBox(this);
    for (int scheme = 0; scheme <= kSchemeCustom; ++scheme)
        m_pScheme->addItem(AppText(kSchemeTexts[scheme]), scheme);
    m_pDivider = new QComboBox(this);
    m_pDivider->addItem(QStringLiteral(" "));
    m_pDivider->addItem(QStringLiteral("."));
    m_pDivider->addItem(QStringLiteral(")"));
    m_pCustom = new QPushButton(QStringLiteral("..."), this);

    auto *schemeRow = new QHBoxLayout;
    schemeRow->addWidget(m_pScheme, 1);
    schemeRow->addWidget(m_pCustom);
    auto *form = new QFormLayout;
    form->addRow(AppText(appstr::kNumberingLabel), schemeRow);
    form->addRow(AppText(appstr::kDividerLabel), m_pDivider);
    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(AppText(appstr::kSelectButton), QDialogButtonBox::AcceptRole)
        ->setDefault(true);
    buttons->addButton(QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &CLineNrsDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);

    m_bFilling = true;
    m_pScheme->setCurrentIndex(DetectScheme(m_Numbering.m_Numbering));
    const char *found
        = std::find(std::begin(kDividers), std::end(kDividers), m_Numbering.m_chDivider);
    m_pDivider->setCurrentIndex(found == std::end(kDividers) ? 0 : int(found - kDividers));
    m_bFilling = false;
    SchemeChanged();
    connect(m_pScheme, &QComboBox::currentIndexChanged, this, [this] {
        SchemeChanged();
        if (!m_bFilling && m_pScheme->currentData().toInt() == kSchemeCustom)
            OpenCustom();
    });
    connect(m_pCustom, &QPushButton::clicked, this, &CLineNrsDlg::OpenCustom);
}

void CLineNrsDlg::SchemeChanged()
{
    const int scheme = m_pScheme->currentIndex() < 0 ? -1 : m_pScheme->currentData().toInt();
    m_pCustom->setVisible(scheme == kSchemeCustom);
    m_pDivider->setEnabled(scheme != kSchemeNone);
}

bool CLineNrsDlg::RunCustomDialog(std::uint8_t *styles)
{
    CLineNrsCustomDlg dialog(styles, this);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    dialog.GetStyles(styles);
    return true;
}

void CLineNrsDlg::OpenCustom()
{
    std::uint8_t styles[10];
    std::copy(std::begin(m_Numbering.m_Numbering), std::end(m_Numbering.m_Numbering), styles);
    if (!RunCustomDialog(styles))
        return;
    std::copy(std::begin(styles), std::end(styles), m_Numbering.m_Numbering);
    m_bFilling = true;
    m_pScheme->setCurrentIndex(kSchemeCustom);
    m_bFilling = false;
    SchemeChanged();
}

void CLineNrsDlg::accept()
{
    const int index = m_pScheme->currentIndex();
    if (index < 0) {
        QMessageBox::warning(this, windowTitle(), AppText(appstr::kSelectNumberingScheme));
        return;
    }
    const int scheme = m_pScheme->itemData(index).toInt();
    if (scheme != kSchemeCustom)
        SchemeStyles(scheme, m_Numbering.m_Numbering);
    const int divider = std::clamp(m_pDivider->currentIndex(), 0, 2);
    m_Numbering.m_chDivider = kDividers[divider];
    QDialog::accept();
}

bool ApplyLineNumbering(CZumraView &view, const CNumbering &numbering)
{
    return view.ApplyNumbering(numbering);
}

bool RunLineNumbersCommand(CZumraView &view)
{
    if (!view.IsReady() || !view.GetMan() || !view.GetMan()->IsOpen())
        return false;
    // Refused before the dialog: an outline of the Conflicts folder keeps
    // its numbering.
    if (view.RefusesEdits())
        return false;
    CLineNrsDlg dialog(view.Geometry().Numbering(), &view);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    return ApplyLineNumbering(view, dialog.Numbering());
}
