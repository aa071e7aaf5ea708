#include "PreferencesDlg.h"

#include "AppText.h"
#include "QtValues.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString FaceOf(const kx_gen::LOGFONT &font)
{
    const QString face = ToQString(font.lfFaceName);
    return face.isEmpty() ? ToQFont(font).family() : face;
}

// A group with a read-only field and one button beside it.
QGroupBox *FieldGroup(const QString &title, QLineEdit *field, QPushButton *button, QWidget *parent)
{
    auto *group = new QGroupBox(title, parent);
    auto *row = new QHBoxLayout(group);
    field->setReadOnly(true);
    row->addWidget(field, 1);
    row->addWidget(button);
    return group;
}

} // namespace

CPreferencesDlg::CPreferencesDlg(const CPreferences &preferences, bool palmMode, QWidget *parent)
    : QDialog(parent)
    , m_Prefs(preferences)
    , m_bPalmMode(palmMode)
    , m_pFolder(new QLineEdit(this))
    , m_pListFont(new QLineEdit(this))
    , m_pOutlineFont(new QLineEdit(this))
    , m_pWordExport(new QComboBox(this))
    , m_pExportNotes(new QCheckBox(AppText(appstr::kExportNotes), this))
    , m_pSaveIn(new QComboBox(this))
    , m_pCreateNew(new QCheckBox(AppText(appstr::kAutoCreateNew), this))
    , m_pAutoChecking(new QCheckBox(AppText(appstr::kAutoChecking), this))
    , m_pPasteSingle(new QCheckBox(AppText(appstr::kPasteSingleNode), this))
    , m_pAutoSave(new QCheckBox(AppText(appstr::kAutoSave), this))
    , m_pMinutes(new QLineEdit(this))
{
    setWindowTitle(AppText(appstr::kPreferencesCaption));
    auto *layout = new QVBoxLayout(this);

    auto *browse = new QPushButton(AppText(appstr::kBrowseButton), this);
    layout->addWidget(FieldGroup(AppText(appstr::kMyDocumentsGroup), m_pFolder, browse, this));
    m_pFolder->setText(PathToQString(m_Prefs.m_strPath));
    m_pFolder->setMinimumWidth(320);
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString folder = QFileDialog::getExistingDirectory(
            this, AppText(appstr::kSelectStartingDirectory), m_pFolder->text());
        if (!folder.isEmpty()) {
            m_pFolder->setText(folder);
            m_Prefs.m_strPath = PathFromQString(folder);
        }
    });

    auto *listSelect = new QPushButton(AppText(appstr::kSelectButton), this);
    auto *outlineSelect = new QPushButton(AppText(appstr::kSelectButton), this);
    layout->addWidget(FieldGroup(AppText(appstr::kListFontGroup), m_pListFont, listSelect, this));
    layout->addWidget(
        FieldGroup(AppText(appstr::kOutlineFontGroup), m_pOutlineFont, outlineSelect, this));
    connect(listSelect, &QPushButton::clicked, this, [this] { ChooseFont(true); });
    connect(outlineSelect, &QPushButton::clicked, this, [this] { ChooseFont(false); });
    ShowFonts();

    auto *word = new QGroupBox(AppText(appstr::kWordExportGroup), this);
    auto *wordLayout = new QVBoxLayout(word);
    m_pWordExport->addItems(
        { AppText(appstr::kExportToOutlineDocument), AppText(appstr::kExportToBulletList) });
    m_pWordExport->setCurrentIndex(m_Prefs.m_nWordExport);
    m_pExportNotes->setChecked(m_Prefs.m_bWordExportNotes);
    wordLayout->addWidget(m_pWordExport);
    wordLayout->addWidget(m_pExportNotes);
    layout->addWidget(word);

    auto *saveRow = new QHBoxLayout;
    auto *saveLabel = new QLabel(AppText(appstr::kSaveNewOutlinesIn), this);
    m_pSaveIn->addItems(
        { AppText(appstr::kHandheldOutlinesSection), AppText(appstr::kDesktopOutlinesSection) });
    m_pSaveIn->setCurrentIndex(m_Prefs.m_nSaveFolder);
    saveLabel->setBuddy(m_pSaveIn);
    saveRow->addWidget(saveLabel);
    saveRow->addWidget(m_pSaveIn, 1);
    layout->addLayout(saveRow);
    // Without Palm Desktop there is only the desktop to save to.
    saveLabel->setVisible(palmMode);
    m_pSaveIn->setVisible(palmMode);
    m_pSaveIn->setEnabled(palmMode);

    m_pCreateNew->setChecked(m_Prefs.m_bCreateNew);
    m_pAutoChecking->setChecked(m_Prefs.m_bAutoChecking);
    m_pPasteSingle->setChecked(m_Prefs.m_bPasteInSingleNode);
    layout->addWidget(m_pCreateNew);
    layout->addWidget(m_pAutoChecking);
    layout->addWidget(m_pPasteSingle);

    auto *autoRow = new QHBoxLayout;
    m_pMinutes->setValidator(new QIntValidator(0, 999, m_pMinutes));
    m_pMinutes->setMaximumWidth(60);
    autoRow->addWidget(m_pAutoSave);
    autoRow->addWidget(m_pMinutes);
    autoRow->addWidget(new QLabel(AppText(appstr::kMinutes), this));
    autoRow->addStretch(1);
    layout->addLayout(autoRow);
    const bool autoSave = m_Prefs.m_nAutoSave > 0;
    m_pAutoSave->setChecked(autoSave);
    m_pMinutes->setEnabled(autoSave);
    m_pMinutes->setText(autoSave ? QString::number(m_Prefs.m_nAutoSave) : QString());
    connect(m_pAutoSave, &QCheckBox::toggled, this, [this](bool on) {
        m_pMinutes->setEnabled(on);
        if (on) {
            m_pMinutes->setText(QString::number(std::max(1, m_Prefs.m_nAutoSave)));
            m_pMinutes->setFocus();
            m_pMinutes->selectAll();
        } else {
            m_pMinutes->clear();
        }
    });

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CPreferencesDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

void CPreferencesDlg::ShowFonts()
{
    m_pListFont->setText(FaceOf(m_Prefs.m_lfListFont));
    m_pOutlineFont->setText(FaceOf(m_Prefs.m_lfOutlineFont));
}

void CPreferencesDlg::ChooseFont(bool listFont)
{
    kx_gen::LOGFONT &font = listFont ? m_Prefs.m_lfListFont : m_Prefs.m_lfOutlineFont;
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, ToQFont(font), this);
    if (!ok)
        return;
    font = FromQFont(chosen);
    ShowFonts();
    if (listFont)
        QMessageBox::information(this, windowTitle(), AppText(appstr::kRestartForListFont));
}

void CPreferencesDlg::accept()
{
    m_Prefs.m_nWordExport = m_pWordExport->currentIndex();
    m_Prefs.m_bWordExportNotes = m_pExportNotes->isChecked();
    if (m_bPalmMode)
        m_Prefs.m_nSaveFolder = m_pSaveIn->currentIndex();
    m_Prefs.m_bCreateNew = m_pCreateNew->isChecked();
    m_Prefs.m_bAutoChecking = m_pAutoChecking->isChecked();
    m_Prefs.m_bPasteInSingleNode = m_pPasteSingle->isChecked();
    m_Prefs.m_nAutoSave = m_pAutoSave->isChecked() ? m_pMinutes->text().toInt() : 0;
    m_Prefs.Clamp();
    QDialog::accept();
}
