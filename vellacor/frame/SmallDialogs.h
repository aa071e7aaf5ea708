#pragma once

// The one-field name dialog, the delete-file question with its "Archive"
// box, and the save-as-template choice between the two template lists.

#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QLineEdit;

class CNameDlg : public QDialog {
    Q_OBJECT

public:
    CNameDlg(const QString &caption, const QString &text, QWidget *parent = nullptr);
    QString text() const;

private:
    QLineEdit *m_pEdit;
};

class CDeleteFileDlg : public QDialog {
    Q_OBJECT

public:
    CDeleteFileDlg(const QString &message, bool archive, QWidget *parent = nullptr);
    bool archive() const;

private:
    QCheckBox *m_pArchive;
};

class CSaveAsTemplDlg : public QDialog {
    Q_OBJECT

public:
    explicit CSaveAsTemplDlg(QWidget *parent = nullptr);
    // The root kind chosen: handheld or desktop templates.
    int rootKind() const;

private:
    QButtonGroup *m_pGroup;
};
