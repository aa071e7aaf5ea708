#pragma once

// The Find and Replace dialogs of the outline view. They only collect the
// text and the options and say which button was pressed; the view does the
// searching and replacing (FindCommands.cpp), so both dialogs stay modal
// while the view works behind them. An expression that does not compile
// is reported under the find text and never reaches the view.

#include "FindMatcher.h"

#include <QDialog>

#include <functional>

class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace kx_gen {
class CAppRegistry;
}

// The options as the settings store keeps them: "MatchCase", "WholeWord"
// and "FindWhat" (and "ReplaceWith" for Replace) in `section`, beside the
// options the outline's search adds ("RegularExpression", "SearchNotes").
void LoadFindSettings(kx_gen::CAppRegistry *settings, const char *section, CFindOptions *options,
    QString *replaceWith);
void SaveFindSettings(kx_gen::CAppRegistry *settings, const char *section,
    const CFindOptions &options, const QString *replaceWith);

// What the two dialogs share: the find text with its error line and the
// option boxes.
class CFindDlgBase : public QDialog {
    Q_OBJECT
public:
    CFindOptions Options() const;
    QLineEdit *FindEdit() const { return m_pFind; }
    QCheckBox *WholeWordBox() const { return m_pWholeWord; }
    QCheckBox *MatchCaseBox() const { return m_pMatchCase; }
    QCheckBox *RegexBox() const { return m_pRegex; }
    // The error line under the find text; empty while the text is usable.
    QString ErrorText() const;
    // Shows a message of the search in the dialog's error line.
    void ShowError(const QString &text);

protected:
    CFindDlgBase(const CFindOptions &initial, QWidget *parent);
    // Enables the buttons that need a usable find text.
    virtual void EnableButtons(bool usable) = 0;
    // Options of the dialog beyond the common ones.
    virtual unsigned ExtraFlags() const { return 0; }
    // Re-reads the find text and the options.
    void Revalidate();

    QLineEdit *m_pFind;
    QLabel *m_pError;
    QCheckBox *m_pWholeWord;
    QCheckBox *m_pMatchCase;
    QCheckBox *m_pRegex;
};

// Find (195): "Find Next" asks `m_onFindNext`, which answers whether it
// found the text; a hit closes the dialog.
class CFindTextDlg : public CFindDlgBase {
    Q_OBJECT
public:
    CFindTextDlg(const CFindOptions &initial, QWidget *parent = nullptr);
    QCheckBox *NotesBox() const { return m_pNotes; }
    QRadioButton *UpButton() const { return m_pUp; }
    QPushButton *FindNextButton() const { return m_pFindNext; }

    std::function<bool(const CFindOptions &)> m_onFindNext;

protected:
    void EnableButtons(bool usable) override;
    unsigned ExtraFlags() const override;

private:
    void FindNext();

    QCheckBox *m_pNotes;
    QRadioButton *m_pUp;
    QRadioButton *m_pDown;
    QPushButton *m_pFindNext;
};

// Replace (196): each button asks `m_onAction` with the options and the
// replacement; the dialog stays open until Cancel.
class CEditReplaceDlg : public CFindDlgBase {
    Q_OBJECT
public:
    enum EAction { kFindNext, kReplaceOne, kReplaceAll };

    CEditReplaceDlg(
        const CFindOptions &initial, const QString &replaceWith, QWidget *parent = nullptr);
    QString ReplaceWith() const;
    QLineEdit *ReplaceEdit() const { return m_pReplace; }
    QPushButton *Button(int action) const;

    std::function<void(int action, const CFindOptions &, const QString &replaceWith)> m_onAction;

protected:
    void EnableButtons(bool usable) override;

private:
    void Act(int action);

    QLineEdit *m_pReplace;
    QPushButton *m_pButtons[3] = {};
};
