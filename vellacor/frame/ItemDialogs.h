#pragma once

// The note editor, and the pickers that insert the current date or time in
// one of the locale's formats.

#include <QDateTime>
#include <QDialog>

class QListWidget;
class QPlainTextEdit;

class CNoteDlg : public QDialog {
    Q_OBJECT

public:
    // `itemText` is the item's whole text (its paragraphs joined by line
    // breaks), shown in the caption.
    CNoteDlg(const QString &itemText, const QString &note, QWidget *parent = nullptr);

    QString note() const;
    // Whether the note was edited (or deleted) before OK.
    bool isChanged() const { return m_bChanged; }

    void accept() override;

private:
    void DeleteNote();

    QPlainTextEdit *m_pEdit;
    bool m_bChanged = false;
};

// The formats of `when` in the locale, each once, in the order given.
QStringList DateFormatsFor(const QDate &when, const QLocale &locale);
QStringList TimeFormatsFor(const QTime &when, const QLocale &locale);

class CFormatListDlg : public QDialog {
    Q_OBJECT

public:
    CFormatListDlg(const QString &caption, const QStringList &choices, QWidget *parent = nullptr);
    QString chosen() const;

private:
    QListWidget *m_pList;
};

class CDateDlg : public CFormatListDlg {
    Q_OBJECT

public:
    explicit CDateDlg(QWidget *parent = nullptr);
};

class CTimeDlg : public CFormatListDlg {
    Q_OBJECT

public:
    explicit CTimeDlg(QWidget *parent = nullptr);
};
