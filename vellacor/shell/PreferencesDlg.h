#pragma once

// The Preferences dialog: edits a copy of the preferences record.

#include "Preferences.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

class CPreferencesDlg : public QDialog {
    Q_OBJECT

public:
    // `palmMode` shows the choice of where new outlines are saved.
    CPreferencesDlg(const CPreferences &preferences, bool palmMode, QWidget *parent = nullptr);

    // The record as the controls leave it (after OK).
    const CPreferences &preferences() const { return m_Prefs; }
    void accept() override;

    // The auto-save controls, for the tests.
    QCheckBox *autoSaveBox() const { return m_pAutoSave; }
    QLineEdit *minutesEdit() const { return m_pMinutes; }

private:
    void ChooseFont(bool listFont);
    void ShowFonts();

    CPreferences m_Prefs;
    bool m_bPalmMode;
    QLineEdit *m_pFolder;
    QLineEdit *m_pListFont;
    QLineEdit *m_pOutlineFont;
    QComboBox *m_pWordExport;
    QCheckBox *m_pExportNotes;
    QComboBox *m_pSaveIn;
    QCheckBox *m_pCreateNew;
    QCheckBox *m_pAutoChecking;
    QCheckBox *m_pPasteSingle;
    QCheckBox *m_pAutoSave;
    QLineEdit *m_pMinutes;
};
