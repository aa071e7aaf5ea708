#pragma once

// The HTML export settings dialog and the export command's host, as the
// main window shows them. The rules live in CHtmlSetDlgModel and
// CHtmlExportCommand; these classes only put them on the screen.

#include "HtmlSetDlg.h"

#include <QDialog>

class QLineEdit;

// Resource 251, "HTML export settings...": the template, rules and export
// folder fields with their browse buttons. Accepting stores the fields
// through the model (OnOK); a store that fails keeps the dialog open.
class CHtmlSetDlg : public QDialog {
    Q_OBJECT
public:
    CHtmlSetDlg(formats::CHtmlSetDlgModel &model, QWidget *parent = nullptr);

    void accept() override;

private:
    void Browse(QLineEdit *edit, const formats::SHtmlBrowseSetup &setup);

    formats::CHtmlSetDlgModel &m_Model;
    QLineEdit *m_pTemplate = nullptr;
    QLineEdit *m_pRules = nullptr;
    QLineEdit *m_pFolder = nullptr;
};

// The export command's dialogs over a parent window: the settings dialog
// above, a Yes/No question and a message box.
class CHtmlExportWidgetHost : public formats::CHtmlExportHost {
public:
    explicit CHtmlExportWidgetHost(QWidget *parent)
        : m_pParent(parent)
    {
    }
    bool RunSettingsDialog(formats::CHtmlSetDlgModel &dialog) override;
    bool Ask(const std::string &question) override;
    void Show(const std::string &text) override;

private:
    QWidget *m_pParent;
};
