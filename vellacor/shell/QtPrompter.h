#pragma once

// The questions of the model and the documents, asked with message boxes
// and the program's small dialogs.

#include "CabinetHost.h"

class QWidget;

class CQtPrompter : public CCabinetPrompter {
public:
    // Boxes are centred on `parent` (may be null until the main window is).
    explicit CQtPrompter(QWidget *parent = nullptr);
    void SetParent(QWidget *parent) { m_pParent = parent; }

    void ShowMessage(const kx_gen::_String &text) override;
    bool AskYesNo(const kx_gen::_String &question) override;
    bool AskText(const kx_gen::_String &caption, kx_gen::_String &text) override;
    bool AskDelete(const kx_gen::_String &message, bool &archive) override;
    Answer AskYesNoCancel(const kx_gen::_String &question) override;
    bool AskOkCancel(const kx_gen::_String &question) override;
    int AskTemplateRoot() override;

private:
    QWidget *m_pParent;
};
