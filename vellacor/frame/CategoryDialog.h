#pragma once

// The Edit categories dialog: the user's categories with Rename, Delete and
// New. The rules live in CCategoryEditor; this is the list around them.

#include "CategoryEditor.h"

#include <QDialog>

class QListWidget;

class CCategoryDialog : public QDialog {
    Q_OBJECT

public:
    CCategoryDialog(
        kx_gen::CCategoryDB &categories, CCategoryEditHost &host, QWidget *parent = nullptr);
    ~CCategoryDialog() override;

    // Set while any Edit categories dialog is open.
    static bool IsOpen() { return s_nOpen > 0; }
    bool IsChanged() const { return m_Editor.IsChanged(); }

private:
    void FillList(const kx_gen::CCategoryRecord *select);
    kx_gen::CCategoryRecord *Selected() const;

    CCategoryEditor m_Editor;
    QListWidget *m_pList;
    static int s_nOpen;
};
