#include "HtmlSetDlgWidget.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

namespace {

QString Text(const std::string &utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string Utf8(const QString &text)
{
    return text.toUtf8().toStdString();
}

} // namespace

CHtmlSetDlg::CHtmlSetDlg(formats::CHtmlSetDlgModel &model, QWidget *parent)
    : QDialog(parent)
    , m_Model(model)
{
    setWindowTitle(QString::fromLatin1(formats::kHtmlSetDlgCaption));
    setObjectName(QStringLiteral("HtmlSetDlg_%1").arg(formats::kHtmlSetDlgId));
    auto *grid = new QGridLayout(this);
    grid->addWidget(new QLabel(tr("User: %1").arg(Text(model.UserName()))), 0, 0, 1, 3);

    const struct {
        const char *label;
        QLineEdit **edit;
        const std::string *value;
        unsigned id;
        formats::SHtmlBrowseSetup setup;
    } rows[] = {
        { "HTML &template:", &m_pTemplate, &model.m_strTemplatePath, formats::kTemplateEditId,
            model.TemplateBrowse() },
        { "&Rules file:", &m_pRules, &model.m_strRulesPath, formats::kRulesEditId,
            model.RulesBrowse() },
        { "&Export folder:", &m_pFolder, &model.m_strExportFolder, formats::kExportFolderEditId,
            model.FolderBrowse() },
    };
    int row = 1;
    for (const auto &r : rows) {
        auto *edit = new QLineEdit(Text(*r.value));
        edit->setObjectName(QStringLiteral("edit%1").arg(r.id));
        edit->setMinimumWidth(360);
        auto *label = new QLabel(tr(r.label));
        label->setBuddy(edit);
        auto *browse = new QPushButton(tr("Browse..."));
        const formats::SHtmlBrowseSetup setup = r.setup;
        connect(browse, &QPushButton::clicked, this, [this, edit, setup] { Browse(edit, setup); });
        grid->addWidget(label, row, 0);
        grid->addWidget(edit, row, 1);
        grid->addWidget(browse, row, 2);
        *r.edit = edit;
        ++row;
    }
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    grid->addWidget(buttons, row, 0, 1, 3);
}

void CHtmlSetDlg::Browse(QLineEdit *edit, const formats::SHtmlBrowseSetup &setup)
{
    QString chosen;
    if (setup.m_bFolder) {
        chosen = QFileDialog::getExistingDirectory(this, Text(setup.m_strCaption),
            edit->text().isEmpty() ? Text(setup.m_strStartFolder) : edit->text());
    } else {
        const QString filter
            = Text(setup.m_strFilterText) + QStringLiteral(" (") + Text(setup.m_strPattern) + ')';
        chosen = QFileDialog::getOpenFileName(
            this, Text(setup.m_strCaption), Text(setup.m_strStartFolder), filter);
    }
    if (!chosen.isEmpty())
        edit->setText(chosen);
}

void CHtmlSetDlg::accept()
{
    m_Model.m_strTemplatePath = Utf8(m_pTemplate->text());
    m_Model.m_strRulesPath = Utf8(m_pRules->text());
    m_Model.m_strExportFolder = Utf8(m_pFolder->text());
    if (!m_Model.OnOK()) {
        QMessageBox::warning(this, windowTitle(), tr("The settings could not be stored."));
        return;
    }
    QDialog::accept();
}

bool CHtmlExportWidgetHost::RunSettingsDialog(formats::CHtmlSetDlgModel &dialog)
{
    CHtmlSetDlg widget(dialog, m_pParent);
    return widget.exec() == QDialog::Accepted;
}

bool CHtmlExportWidgetHost::Ask(const std::string &question)
{
    return QMessageBox::question(m_pParent, QString(), Text(question),
               QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
        == QMessageBox::Yes;
}

void CHtmlExportWidgetHost::Show(const std::string &text)
{
    QMessageBox::information(m_pParent, QString(), Text(text));
}
