#pragma once

// The category box of the outline windows and the file pane: the sorted
// categories of the user's file, the program's own category names, and the
// entry that opens the Edit categories dialog.

#include "kx_gen/String.h"

#include <QComboBox>

namespace kx_gen {
class CCategoryDB;
}
class CCategoryList;

class CComboCat : public QComboBox {
    Q_OBJECT

public:
    // Item data of the entries that are not categories.
    static constexpr int kAll = -2;
    static constexpr int kEditCategories = -3;
    static constexpr int kSeparator = -4;

    explicit CComboCat(QWidget *parent = nullptr);

    // The lists shown (either may be null). They stay the caller's.
    void SetSources(kx_gen::CCategoryDB *file, CCategoryList *list);
    // Refills the box: "All" first when asked for, the file's categories in
    // display order, the program's own names after a separator, then a
    // separator and "Edit Categories ...".
    void Fill(bool withAll);
    // Refills without "All" and selects the same text again (or item 0).
    void Refill();
    // The data of the selected entry (a category id), -1 without one.
    int GetSelectedId() const;
    kx_gen::_String GetSelectedName() const;
    // Selects the entry named `name` exactly, else the first that starts
    // with it, else item 0. Returns the exact match's index or -1.
    int SelectName(const kx_gen::_String &name);

signals:
    // The user chose a category (not a separator, not the dialog entry).
    void categoryChosen(const QString &name);
    // The user chose "Edit Categories ...".
    void editCategoriesRequested();

private:
    void OnActivated(int index);
    void AddEntry(const QString &text, int data);
    bool IsReal(int index) const;

    kx_gen::CCategoryDB *m_pFile = nullptr;
    CCategoryList *m_pList = nullptr;
    int m_nLastSel = -1;
};
