#include "SmallDialogs.h"

#include "AppText.h"
#include "CabinetNames.h"
#include "QtStrings.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QVBoxLayout>

namespace {

QDialogButtonBox *OkCancel(QDialog *dialog)
{
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

} // namespace

CNameDlg::CNameDlg(const QString &caption, const QString &text, QWidget *parent)
    : QDialog(parent)
    , m_pEdit(new QLineEdit(text, this))
{
    setObjectName(QStringLiteral("155"));
    setWindowTitle(caption.isEmpty() ? AppText(appstr::kAppName) : caption);
    auto *form = new QFormLayout(this);
    m_pEdit->setMaxLength(255);
    m_pEdit->setMinimumWidth(260);
    m_pEdit->selectAll();
    form->addRow(AppText(appstr::kNewNameLabel), m_pEdit);
    QDialogButtonBox *buttons = OkCancel(this);
    form->addRow(buttons);
    // Only text the outline files can hold may leave the dialog.
    auto check = [this, buttons] {
        buttons->button(QDialogButtonBox::Ok)
            ->setEnabled(FirstUnsupportedCharacter(m_pEdit->text()).isEmpty());
    };
    connect(m_pEdit, &QLineEdit::textChanged, this, check);
    check();
}

QString CNameDlg::text() const
{
    return m_pEdit->text();
}

CDeleteFileDlg::CDeleteFileDlg(const QString &message, bool archive, QWidget *parent)
    : QDialog(parent)
    , m_pArchive(new QCheckBox(AppText(appstr::kArchiveLabel), this))
{
    setWindowTitle(AppText(appstr::kDeleteFileCaption));
    auto *layout = new QVBoxLayout(this);
    auto *row = new QHBoxLayout;
    auto *icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxQuestion).pixmap(32, 32));
    row->addWidget(icon, 0, Qt::AlignTop);
    auto *text = new QLabel(message, this);
    text->setWordWrap(true);
    row->addWidget(text, 1);
    layout->addLayout(row);
    m_pArchive->setChecked(archive);
    layout->addWidget(m_pArchive);
    layout->addWidget(OkCancel(this));
}

bool CDeleteFileDlg::archive() const
{
    return m_pArchive->isChecked();
}

CSaveAsTemplDlg::CSaveAsTemplDlg(QWidget *parent)
    : QDialog(parent)
    , m_pGroup(new QButtonGroup(this))
{
    setWindowTitle(AppText(appstr::kSaveAsTemplateCaption));
    auto *layout = new QVBoxLayout(this);
    auto *handheld = new QRadioButton(AppText(appstr::kHandheldTemplates), this);
    auto *desktop = new QRadioButton(AppText(appstr::kDesktopTemplates), this);
    m_pGroup->addButton(handheld, cabinet::kRootHandheldTemplates);
    m_pGroup->addButton(desktop, cabinet::kRootDesktopTemplates);
    handheld->setChecked(true);
    layout->addWidget(handheld);
    layout->addWidget(desktop);
    layout->addWidget(OkCancel(this));
}

int CSaveAsTemplDlg::rootKind() const
{
    return m_pGroup->checkedId();
}
