#include "UserDialogs.h"

#include "AppText.h"
#include "CabinetHost.h"
#include "QtStrings.h"
#include "UserList.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

CUser *UserOf(QListWidgetItem *item)
{
    return item ? static_cast<CUser *>(item->data(Qt::UserRole).value<void *>()) : nullptr;
}

} // namespace

CUserDlg::CUserDlg(
    const QString &caption, const QString &name, CCabinetPrompter *prompter, QWidget *parent)
    : QDialog(parent)
    , m_pPrompter(prompter)
    , m_pEdit(new QLineEdit(name))
{
    setWindowTitle(caption);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(AppText(appstr::kEnterNewUserLabel)));
    m_pEdit->setObjectName(QStringLiteral("name"));
    layout->addWidget(m_pEdit);
    auto *buttons = new QDialogButtonBox;
    buttons->addButton(AppText(appstr::kOkButton), QDialogButtonBox::AcceptRole)
        ->setObjectName(QStringLiteral("ok"));
    buttons->addButton(AppText(appstr::kCancelButton), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

void CUserDlg::accept()
{
    const QString name = m_pEdit->text().trimmed();
    if (name.isEmpty()) {
        if (m_pPrompter)
            m_pPrompter->ShowMessage(appstr::Get(appstr::kPleaseEnterUserName));
        else
            QMessageBox::warning(this, windowTitle(), AppText(appstr::kPleaseEnterUserName));
        m_pEdit->setFocus();
        return;
    }
    m_strName = name;
    QDialog::accept();
}

CUsersDlg::CUsersDlg(CUserList &users, CCabinetEnv &env, QWidget *parent)
    : QDialog(parent)
    , m_Users(users)
    , m_env(env)
    , m_Prompter(*env.m_pPrompter)
    , m_pList(new QListWidget)
{
    setWindowTitle(AppText(appstr::kUsersCaption));
    m_AskName = [this](const QString &caption, QString &name) {
        CUserDlg dialog(caption, name, &m_Prompter, this);
        if (dialog.exec() != QDialog::Accepted)
            return false;
        name = dialog.name();
        return true;
    };
    auto *layout = new QHBoxLayout(this);
    auto *left = new QVBoxLayout;
    left->addWidget(new QLabel(AppText(appstr::kSelectUserLabel)));
    m_pList->setObjectName(QStringLiteral("users"));
    left->addWidget(m_pList);
    layout->addLayout(left, 1);
    auto *buttons = new QVBoxLayout;
    auto button = [this, buttons](unsigned text, const char *name) {
        auto *b = new QPushButton(AppText(text));
        b->setObjectName(QString::fromLatin1(name));
        buttons->addWidget(b);
        return b;
    };
    connect(button(appstr::kOkButton, "ok"), &QPushButton::clicked, this, &QDialog::accept);
    connect(button(appstr::kNewUserButton, "new"), &QPushButton::clicked, this, &CUsersDlg::OnNew);
    connect(button(appstr::kRenameUserButton, "rename"), &QPushButton::clicked, this,
        &CUsersDlg::OnRename);
    connect(button(appstr::kDeleteUserButton, "delete"), &QPushButton::clicked, this,
        &CUsersDlg::OnDelete);
    button(appstr::kHelpButton, "help");
    buttons->addStretch(1);
    layout->addLayout(buttons);

    for (int i = 0; i < m_Users.GetCount(); ++i) {
        CUser *user = m_Users.GetAt(i);
        if (!user || user->m_bProfile)
            continue;
        auto *item = new QListWidgetItem(ToQString(user->GetName()), m_pList);
        item->setData(Qt::UserRole, QVariant::fromValue(static_cast<void *>(user)));
    }
}

void CUsersDlg::OnNew()
{
    QString name;
    if (!m_AskName(AppText(appstr::kNewUserCaption), name))
        return;
    kx_gen::_String kxName;
    QString refused;
    if (!FromQString(name, kxName, &refused)) {
        m_Prompter.ShowMessage(ToKxString(AppText(appstr::kUnsupportedCharacter).arg(refused)));
        return;
    }
    CUser *user = nullptr;
    if (!m_env.Attempt([&] { user = m_Users.AddUser(kxName, 0); }) || !user)
        return;
    auto *item = new QListWidgetItem(name, m_pList);
    item->setData(Qt::UserRole, QVariant::fromValue(static_cast<void *>(user)));
    m_pList->setCurrentItem(item);
    m_pList->setFocus();
}

void CUsersDlg::OnRename()
{
    QListWidgetItem *item = m_pList->currentItem();
    CUser *user = UserOf(item);
    if (!user) {
        m_Prompter.ShowMessage(appstr::Get(appstr::kPleaseSelectUser));
        return;
    }
    QString name = item->text();
    if (!m_AskName(AppText(appstr::kRenameUserCaption), name) || name == item->text())
        return;
    kx_gen::_String kxName;
    QString refused;
    if (!FromQString(name, kxName, &refused)) {
        m_Prompter.ShowMessage(ToKxString(AppText(appstr::kUnsupportedCharacter).arg(refused)));
        return;
    }
    const kx_gen::_String oldName = user->GetName();
    if (!m_env.Attempt([&] { user->SetName(kxName); })) {
        user->SetName(oldName);
        return;
    }
    item->setText(name);
    m_pList->setCurrentItem(item);
}

void CUsersDlg::OnDelete()
{
    QListWidgetItem *item = m_pList->currentItem();
    CUser *user = UserOf(item);
    if (!user) {
        m_Prompter.ShowMessage(appstr::Get(appstr::kPleaseSelectUser));
        return;
    }
    if (!m_Prompter.AskOkCancel(appstr::Get(appstr::kDeleteUserQuestion)))
        return;
    bool removed = false;
    if (!m_env.Attempt([&] { removed = m_Users.RemoveUser(user); }) || !removed)
        return;
    delete item;
}
