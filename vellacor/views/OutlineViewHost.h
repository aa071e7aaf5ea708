#pragma once

#include "OutlineMan.h"

#include <QString>

namespace kx_gen {
class CAppRegistry;
}

// What an outline view needs from the document and the window around it.
// The outline window implements it over its document and frame; tests
// implement it with a recorder. Every call comes from the GUI thread.
class COutlineViewHost {
public:
    virtual ~COutlineViewHost() = default;

    // The outline is the user's filing cabinet (some update hints only
    // concern its view).
    virtual bool IsFilingCabinet() const = 0;
    // The outline is a template (.kxt).
    virtual bool IsTemplate() const = 0;
    // The outline lies in the Conflicts folder: editing commands refuse.
    virtual bool IsConflict() const = 0;
    // The outline was just made by New and has never been shown: the caret
    // and the top row start at its first item instead of the stored ones.
    virtual bool IsJustCreated() const = 0;
    // The document's modified flag.
    virtual void SetModified(bool modified) = 0;
    // Sets up the outline window's title bar, its category box and its
    // icon for this outline. Called once, at the start of the initial
    // update.
    virtual void PrepareFrame() = 0;
    // Writes the outline as it stands to a recovery copy: beside the
    // outline's file, or in the user's data folder for an outline that was
    // never saved. Must neither touch the outline's own file nor change the
    // document's name or modified flag. On success stores the copy's path
    // in `*where` and returns true; on failure returns false (a storage
    // error is not shown: the caller reports the failure with its own
    // message).
    virtual bool WriteRecoveryCopy(QString *where) = 0;
    // Shows a message to the user (a message box with the text).
    virtual void ShowMessage(const QString &text) = 0;
    // Closes the outline window without saving and without asking. The
    // view calls it from a queued call, never inside its own handlers.
    virtual void CloseWindow() = 0;
    // The caret moved or the view's position text changed (the status bar
    // shows GetStatusText). The default ignores it.
    virtual void CaretMoved() { }

    // ---- Editing -------------------------------------------------------------

    // Asks a question with Yes and No; true for Yes. The default asks in a
    // message box.
    virtual bool AskYesNo(const QString &text);
    // A typed or pasted character cannot be stored in the outline (the view
    // has beeped): the status bar says which. The default ignores it.
    virtual void CharacterRefused(const QString &character) { (void)character; }
    // The note dialog for an item whose text is `itemText`: true after OK
    // with a change, the new note in `*note` (empty: delete it).
    virtual bool EditNote(const QString &itemText, QString *note)
    {
        (void)itemText;
        (void)note;
        return false;
    }
    // The date / time dialog: true after OK, the chosen text in `*text`.
    virtual bool PickDate(QString *text)
    {
        (void)text;
        return false;
    }
    virtual bool PickTime(QString *text)
    {
        (void)text;
        return false;
    }
    // Opens the drawing editor for an item of this outline.
    virtual void OpenDrawing(COutlineNode *node) { (void)node; }
    // The preference "Paste all text lines in a single node".
    virtual bool PasteInSingleNode() const { return false; }
    // The user's Filing Cabinet outline, opened when needed; null when it
    // cannot be had.
    virtual COutlineMan *FilingCabinet() { return nullptr; }
    // Items were added to the Filing Cabinet: it is modified and its views
    // show them.
    virtual void FilingCabinetChanged() { }

    // ---- Searching and dragging ------------------------------------------------

    // The settings store (the dialogs keep their last texts there); null:
    // nothing is kept.
    virtual kx_gen::CAppRegistry *Settings() { return nullptr; }
    // A short note for the status bar (where a search hit lies). The
    // default ignores it.
    virtual void StatusMessage(const QString &text) { (void)text; }
    // Brings the outline's window to the front (a drag came over it).
    virtual void ActivateWindow() { }
};
