#include "FindReplaceDlg.h"

#include "AppStrings.h"
#include "QtStrings.h"

#include "kx_gen/AppRegistry.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

QString AppText(unsigned id)
{
    return ToQString(appstr::Get(id));
}

constexpr const char *kMatchCaseValue = "MatchCase";
constexpr const char *kWholeWordValue = "WholeWord";
constexpr const char *kFindWhatValue = "FindWhat";
constexpr const char *kReplaceWithValue = "ReplaceWith";
constexpr const char *kRegexValue = "RegularExpression";
constexpr const char *kNotesValue = "SearchNotes";

// The buttons of a dialog's right-hand column.
QPushButton *ColumnButton(const QString &text, QVBoxLayout *column, QWidget *parent)
{
    auto *button = new QPushButton(text, parent);
    column->addWidget(button);
    return button;
}

} // namespace

// ---- Settings ---------------------------------------------------------------------

void LoadFindSettings(kx_gen::CAppRegistry *settings, const char *section, CFindOptions *options,
    QString *replaceWith)
{
    *options = CFindOptions();
    if (replaceWith)
        replaceWith->clear();
    if (!settings || !settings->OpenSection(section))
        return;
    const auto flag = [settings, options](const char *name, unsigned bit) {
        std::int32_t value = 0;
        if (settings->ReadInt(name, value) && value != 0)
            options->m_nFlags |= bit;
    };
    flag(kMatchCaseValue, CFindOptions::kMatchCase);
    flag(kWholeWordValue, CFindOptions::kWholeWord);
    flag(kRegexValue, CFindOptions::kRegex);
    flag(kNotesValue, CFindOptions::kNotes);
    kx_gen::_String text;
    if (settings->ReadString(kFindWhatValue, text))
        options->m_strText = ToQString(text);
    if (replaceWith && settings->ReadString(kReplaceWithValue, text))
        *replaceWith = ToQString(text);
    settings->CloseSection();
}

void SaveFindSettings(kx_gen::CAppRegistry *settings, const char *section,
    const CFindOptions &options, const QString *replaceWith)
{
    if (!settings || !settings->OpenSection(section))
        return;
    settings->WriteInt(kMatchCaseValue, options.Has(CFindOptions::kMatchCase) ? 1 : 0);
    settings->WriteInt(kWholeWordValue, options.Has(CFindOptions::kWholeWord) ? 1 : 0);
    settings->WriteInt(kRegexValue, options.Has(CFindOptions::kRegex) ? 1 : 0);
    if (!replaceWith)
        settings->WriteInt(kNotesValue, options.Has(CFindOptions::kNotes) ? 1 : 0);
    settings->WriteString(kFindWhatValue, ToKxString(options.m_strText).c_str());
    if (replaceWith)
        settings->WriteString(kReplaceWithValue, ToKxString(*replaceWith).c_str());
    settings->CloseSection();
}

// ---- The common part ------------------------------------------------------------------

CFindDlgBase::CFindDlgBase(const CFindOptions &initial, QWidget *parent)
    : QDialog(parent)
    , m_pFind(new QLineEdit(initial.m_strText, this))
    , m_pError(new QLabel(this))
    , m_pWholeWord(new QCheckBox(AppText(appstr::kMatchWholeWord), this))
    , m_pMatchCase(new QCheckBox(AppText(appstr::kMatchCase), this))
    , m_pRegex(new QCheckBox(AppText(appstr::kRegularExpression), this))
{
    m_pFind->setMinimumWidth(240);
    m_pFind->selectAll();
    m_pError->setWordWrap(true);
    m_pError->setObjectName(QStringLiteral("error"));
    QPalette errorPalette = m_pError->palette();
    errorPalette.setColor(QPalette::WindowText, QColor(0xb0, 0x00, 0x20));
    m_pError->setPalette(errorPalette);
    m_pError->hide();
    m_pWholeWord->setChecked(initial.Has(CFindOptions::kWholeWord));
    m_pMatchCase->setChecked(initial.Has(CFindOptions::kMatchCase));
    m_pRegex->setChecked(initial.Has(CFindOptions::kRegex));
    connect(m_pFind, &QLineEdit::textChanged, this, &CFindDlgBase::Revalidate);
    connect(m_pRegex, &QCheckBox::toggled, this, &CFindDlgBase::Revalidate);
    connect(m_pMatchCase, &QCheckBox::toggled, this, &CFindDlgBase::Revalidate);
}

CFindOptions CFindDlgBase::Options() const
{
    CFindOptions options;
    options.m_strText = m_pFind->text();
    if (m_pMatchCase->isChecked())
        options.m_nFlags |= CFindOptions::kMatchCase;
    if (m_pWholeWord->isChecked())
        options.m_nFlags |= CFindOptions::kWholeWord;
    if (m_pRegex->isChecked())
        options.m_nFlags |= CFindOptions::kRegex;
    options.m_nFlags |= ExtraFlags();
    return options;
}

QString CFindDlgBase::ErrorText() const
{
    return m_pError->isHidden() ? QString() : m_pError->text();
}

void CFindDlgBase::ShowError(const QString &text)
{
    m_pError->setText(text);
    m_pError->setVisible(!text.isEmpty());
}

void CFindDlgBase::Revalidate()
{
    // An empty text only disables the buttons; a broken one says why.
    QString error;
    CTextMatcher matcher;
    const bool usable = matcher.Prepare(Options(), &error);
    ShowError(usable || m_pFind->text().isEmpty() ? QString() : error);
    EnableButtons(usable);
}

// ---- Find ---------------------------------------------------------------------------------

CFindTextDlg::CFindTextDlg(const CFindOptions &initial, QWidget *parent)
    : CFindDlgBase(initial, parent)
    , m_pNotes(new QCheckBox(AppText(appstr::kSearchNotes), this))
    , m_pUp(new QRadioButton(AppText(appstr::kDirectionUp), this))
    , m_pDown(new QRadioButton(AppText(appstr::kDirectionDown), this))
{
    setObjectName(QStringLiteral("195"));
    setWindowTitle(AppText(appstr::kFindCaption));
    m_pNotes->setChecked(initial.Has(CFindOptions::kNotes));
    (initial.Has(CFindOptions::kUp) ? m_pUp : m_pDown)->setChecked(true);

    auto *layout = new QHBoxLayout(this);
    auto *left = new QGridLayout;
    auto *label = new QLabel(AppText(appstr::kFindWhatLabel), this);
    label->setBuddy(m_pFind);
    left->addWidget(label, 0, 0);
    left->addWidget(m_pFind, 0, 1, 1, 2);
    left->addWidget(m_pError, 1, 1, 1, 2);
    auto *boxes = new QVBoxLayout;
    boxes->addWidget(m_pWholeWord);
    boxes->addWidget(m_pMatchCase);
    boxes->addWidget(m_pRegex);
    boxes->addWidget(m_pNotes);
    boxes->addStretch();
    left->addLayout(boxes, 2, 0, 1, 2);
    auto *direction = new QGroupBox(AppText(appstr::kDirectionGroup), this);
    auto *dirLayout = new QHBoxLayout(direction);
    dirLayout->addWidget(m_pUp);
    dirLayout->addWidget(m_pDown);
    left->addWidget(direction, 2, 2, Qt::AlignTop);
    layout->addLayout(left, 1);

    auto *column = new QVBoxLayout;
    m_pFindNext = ColumnButton(AppText(appstr::kFindNextButton), column, this);
    m_pFindNext->setDefault(true);
    QPushButton *cancel = ColumnButton(AppText(appstr::kCancelButton), column, this);
    column->addStretch();
    layout->addLayout(column);

    connect(m_pFindNext, &QPushButton::clicked, this, &CFindTextDlg::FindNext);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_pNotes, &QCheckBox::toggled, this, [this] { Revalidate(); });
    connect(m_pUp, &QRadioButton::toggled, this, [this] { Revalidate(); });
    Revalidate();
}

void CFindTextDlg::EnableButtons(bool usable)
{
    m_pFindNext->setEnabled(usable);
}

unsigned CFindTextDlg::ExtraFlags() const
{
    return (m_pNotes->isChecked() ? CFindOptions::kNotes : 0)
        | (m_pUp->isChecked() ? CFindOptions::kUp : 0);
}

void CFindTextDlg::FindNext()
{
    Revalidate();
    if (!m_pFindNext->isEnabled())
        return;
    if (m_onFindNext && m_onFindNext(Options()))
        accept();
}

// ---- Replace ---------------------------------------------------------------------------

CEditReplaceDlg::CEditReplaceDlg(
    const CFindOptions &initial, const QString &replaceWith, QWidget *parent)
    : CFindDlgBase(initial, parent)
    , m_pReplace(new QLineEdit(replaceWith, this))
{
    setObjectName(QStringLiteral("196"));
    setWindowTitle(AppText(appstr::kReplaceCaption));
    auto *layout = new QHBoxLayout(this);
    auto *left = new QGridLayout;
    auto *findLabel = new QLabel(AppText(appstr::kFindWhatLabel), this);
    findLabel->setBuddy(m_pFind);
    auto *replaceLabel = new QLabel(AppText(appstr::kReplaceWithLabel), this);
    replaceLabel->setBuddy(m_pReplace);
    left->addWidget(findLabel, 0, 0);
    left->addWidget(m_pFind, 0, 1);
    left->addWidget(m_pError, 1, 1);
    left->addWidget(replaceLabel, 2, 0);
    left->addWidget(m_pReplace, 2, 1);
    auto *boxes = new QVBoxLayout;
    boxes->addWidget(m_pWholeWord);
    boxes->addWidget(m_pMatchCase);
    boxes->addWidget(m_pRegex);
    boxes->addStretch();
    left->addLayout(boxes, 3, 0, 1, 2);
    layout->addLayout(left, 1);

    auto *column = new QVBoxLayout;
    const unsigned texts[3]
        = { appstr::kFindNextButton, appstr::kReplaceButton, appstr::kReplaceAllButton };
    for (int action = kFindNext; action <= kReplaceAll; ++action) {
        m_pButtons[action] = ColumnButton(AppText(texts[action]), column, this);
        connect(m_pButtons[action], &QPushButton::clicked, this, [this, action] { Act(action); });
    }
    m_pButtons[kFindNext]->setDefault(true);
    QPushButton *cancel = ColumnButton(AppText(appstr::kCancelButton), column, this);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    column->addStretch();
    layout->addLayout(column);
    Revalidate();
}

QString CEditReplaceDlg::ReplaceWith() const
{
    return m_pReplace->text();
}

QPushButton *CEditReplaceDlg::Button(int action) const
{
    return action >= kFindNext && action <= kReplaceAll ? m_pButtons[action] : nullptr;
}

void CEditReplaceDlg::EnableButtons(bool usable)
{
    for (QPushButton *button : m_pButtons) {
        if (button)
            button->setEnabled(usable);
    }
}

void CEditReplaceDlg::Act(int action)
{
    Revalidate();
    if (!m_pButtons[action]->isEnabled())
        return;
    QString refused = FirstUnsupportedCharacter(m_pReplace->text());
    if (!refused.isEmpty()) {
        ShowError(tr("The character %1 cannot occur in an outline.").arg(refused));
        return;
    }
    if (m_onAction)
        m_onAction(action, Options(), ReplaceWith());
}
