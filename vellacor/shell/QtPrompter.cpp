#include "QtPrompter.h"

#include "AppText.h"
#include "SmallDialogs.h"

#include <QMessageBox>

CQtPrompter::CQtPrompter(QWidget *parent)
    : m_pParent(parent)
{
}

void CQtPrompter::ShowMessage(const kx_gen::_String &text)
{
    QMessageBox::warning(m_pParent, AppText(appstr::kAppName), ToQString(text).trimmed());
}

bool CQtPrompter::AskYesNo(const kx_gen::_String &question)
{
    return QMessageBox::question(m_pParent, AppText(appstr::kAppName),
               ToQString(question).trimmed(), QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
        == QMessageBox::Yes;
}

CCabinetPrompter::Answer CQtPrompter::AskYesNoCancel(const kx_gen::_String &question)
{
    switch (
        QMessageBox::question(m_pParent, AppText(appstr::kAppName), ToQString(question).trimmed(),
            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes)) {
    case QMessageBox::Yes:
        return kYes;
    case QMessageBox::No:
        return kNo;
    default:
        return kCancel;
    }
}

bool CQtPrompter::AskOkCancel(const kx_gen::_String &question)
{
    return QMessageBox::question(m_pParent, AppText(appstr::kAppName),
               ToQString(question).trimmed(), QMessageBox::Ok | QMessageBox::Cancel,
               QMessageBox::Cancel)
        == QMessageBox::Ok;
}

bool CQtPrompter::AskText(const kx_gen::_String &caption, kx_gen::_String &text)
{
    CNameDlg dialog(ToQString(caption), ToQString(text), m_pParent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    // The dialog lets only text through that the outline files can hold.
    return FromQString(dialog.text(), text);
}

bool CQtPrompter::AskDelete(const kx_gen::_String &message, bool &archive)
{
    CDeleteFileDlg dialog(ToQString(message), archive, m_pParent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    archive = dialog.archive();
    return true;
}

int CQtPrompter::AskTemplateRoot()
{
    CSaveAsTemplDlg dialog(m_pParent);
    return dialog.exec() == QDialog::Accepted ? dialog.rootKind() : 0;
}
