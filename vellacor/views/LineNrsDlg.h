#pragma once

// The Line numbers dialog: one of the predefined schemes or the custom
// styles, and the divider after every label; and the command that applies
// the result to an outline view.

#include "LineNumbering.h"

#include <QDialog>

class QComboBox;
class QPushButton;
class CZumraView;

class CLineNrsDlg : public QDialog {
    Q_OBJECT

public:
    // Starts from the outline's numbering.
    explicit CLineNrsDlg(const CNumbering &numbering, QWidget *parent = nullptr);
    // The numbering as chosen (meaningful after accept).
    const CNumbering &Numbering() const { return m_Numbering; }

    // Test access: the scheme and divider boxes, the custom button.
    QComboBox *SchemeBox() const { return m_pScheme; }
    QComboBox *DividerBox() const { return m_pDivider; }
    QPushButton *CustomButton() const { return m_pCustom; }
    // Opens the custom dialog over the current styles; on OK takes them and
    // shows Custom. Replaceable so that tests need not drive a second
    // modal dialog.
    virtual bool RunCustomDialog(std::uint8_t *styles);

public slots:
    void accept() override;

private:
    void SchemeChanged();
    void OpenCustom();

    CNumbering m_Numbering;
    QComboBox *m_pScheme;
    QComboBox *m_pDivider;
    QPushButton *m_pCustom;
    bool m_bFilling = false;
};

// Command 32991: asks for the numbering of the view's outline and, when
// the styles or the divider changed, stores them in the outline, marks it
// modified and lays the view out again with the new labels. True when the
// numbering changed.
bool RunLineNumbersCommand(CZumraView &view);
// The part of it after the dialog, for callers that have the numbering
// already: the same storing and repainting; false when nothing differs.
bool ApplyLineNumbering(CZumraView &view, const CNumbering &numbering);
