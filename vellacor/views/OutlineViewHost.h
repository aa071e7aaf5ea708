#pragma once

#include <QString>

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
};
