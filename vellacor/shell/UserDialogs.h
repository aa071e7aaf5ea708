#pragma once

// The dialogs of the program's own users: the one-field name dialog and the
// Users dialog that adds, renames and deletes users.

#include <QDialog>

#include <functional>

class CCabinetPrompter;
struct CCabinetEnv;
class CUserList;
class QLineEdit;
class QListWidget;

// "Enter a new user name": its result is the name trimmed at both ends; an
// empty name is refused and the dialog stays open.
class CUserDlg : public QDialog {
    Q_OBJECT

public:
    // Messages go through `prompter` (message boxes when null).
    CUserDlg(const QString &caption, const QString &name, CCabinetPrompter *prompter,
        QWidget *parent = nullptr);
    QString name() const { return m_strName; }
    QLineEdit *edit() const { return m_pEdit; }

    void accept() override;

private:
    CCabinetPrompter *m_pPrompter;
    QLineEdit *m_pEdit;
    QString m_strName;
};

// "Users": the non-profile users and the buttons that change the list.
class CUsersDlg : public QDialog {
    Q_OBJECT

public:
    // Asks for a name with the caption, starting from `name`; true for OK.
    using NameAsker = std::function<bool(const QString &caption, QString &name)>;

    // Questions, messages and storage errors go through `env`'s prompter.
    CUsersDlg(CUserList &users, CCabinetEnv &env, QWidget *parent = nullptr);

    // Replaces the name dialog (tests answer from a script).
    void SetNameAsker(NameAsker asker) { m_AskName = std::move(asker); }
    QListWidget *list() const { return m_pList; }

public slots:
    void OnNew();
    void OnRename();
    void OnDelete();

private:
    CUserList &m_Users;
    CCabinetEnv &m_env;
    CCabinetPrompter &m_Prompter;
    QListWidget *m_pList;
    NameAsker m_AskName;
};
