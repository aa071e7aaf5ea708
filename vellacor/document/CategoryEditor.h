#pragma once

// The rules of the Edit categories dialog: new, rename and delete on the
// active user's category file, with every refusal and question. The dialog
// shows the list and calls these; tests call them with a scripted prompter.

#include "kx_gen/String.h"

#include <vector>

namespace kx_gen {
class CCategoryDB;
class CCategoryRecord;
} // namespace kx_gen

class CCabinetPrompter;

// What category edits change beyond the file.
class CCategoryEditHost {
public:
    virtual ~CCategoryEditHost() = default;

    virtual CCabinetPrompter &Prompter() = 0;
    // Rewrites the category of every outline file named `oldName` to
    // `newName` (null: the unfiled category).
    virtual void RewriteOutlines(const char *oldName, const char *newName) = 0;
    // Empties and refills the program's category list.
    virtual void RebuildCategoryList() = 0;
    // Tells the file pane and the open outlines that `oldName` is now
    // `newName` (both the same for a new category).
    virtual void Announce(const kx_gen::_String &oldName, const kx_gen::_String &newName) = 0;
};

class CCategoryEditor {
public:
    CCategoryEditor(kx_gen::CCategoryDB &categories, CCategoryEditHost &host);

    // The categories the dialog lists: the non-empty ones in slot order, the
    // unfiled one left out.
    std::vector<kx_gen::CCategoryRecord *> ListedCategories() const;

    // Each returns the category to select afterwards, or null when it was
    // refused or cancelled (nothing changed then). `selected` may be null.
    kx_gen::CCategoryRecord *New();
    kx_gen::CCategoryRecord *Rename(kx_gen::CCategoryRecord *selected);
    // Returns whether the category was deleted.
    bool Delete(kx_gen::CCategoryRecord *selected);

    // Set once any category was added, renamed or deleted.
    bool IsChanged() const { return m_bChanged; }

private:
    bool IsUnfiled(const kx_gen::CCategoryRecord *record) const;
    // Asks for a name (trimmed); false on Cancel or, after the message, for
    // an empty name.
    bool AskName(kx_gen::_String &name);

    kx_gen::CCategoryDB &m_Categories;
    CCategoryEditHost &m_Host;
    bool m_bChanged = false;
};
