#pragma once

// What outline documents need from the program around them, and what they
// need from their window. The shell implements both; tests implement them
// with recorders and scripted answers.

#include "kx_gen/String.h"

class CCabinetPrompter;
class CMessageSink;
class COutlineSettings;
class CUser;
class COutlineDoc;

class CDocumentHost {
public:
    virtual ~CDocumentHost() = default;

    virtual CCabinetPrompter &Prompter() = 0;
    // Where the managers report storage errors.
    virtual CMessageSink &Messages() = 0;
    // The application values new outlines start with (may be null).
    virtual COutlineSettings *OutlineSettings() = 0;
    // The active user, whose lists and category file documents use; null
    // when there is none.
    virtual CUser *ActiveUser() = 0;
    // Palm mode: Palm's user library was found at start.
    virtual bool IsPalmMode() const = 0;
    // The preference "Save new outlines in:" (empty when not set), and the
    // desktop folder of the preference "Path".
    virtual kx_gen::_String SaveNewOutlinesIn() const = 0;
    virtual kx_gen::_String DesktopFolder() const = 0;
    // Set while Save All runs or a HotSync forces documents to be saved:
    // documents then save without asking.
    virtual bool IsSavingAll() const = 0;
    // A document was written to `newPath` (it lay at `oldPath`, empty when it
    // was new): the outline lists refresh both entries and the pane selects
    // the new one; `categoriesChanged` when a category was added to the
    // user's file on the way.
    virtual void FileSaved(
        const kx_gen::_String &oldPath, const kx_gen::_String &newPath, bool categoriesChanged)
        = 0;
};

// The window of one document: its frame and outline view.
class CDocFrame {
public:
    virtual ~CDocFrame() = default;

    // Whether the window has its outline view yet.
    virtual bool HasView() const = 0;
    // The view commits the text being edited and stores its state (current
    // and top item, check-box mode, heading level) in the private header.
    virtual void StoreViewState() = 0;
    // The document's title (or its modified state) changed.
    virtual void TitleChanged() = 0;
    // Brings the window to the front.
    virtual void Activate() = 0;
    // Lays out or repaints the views after a wholesale change (a kind of
    // COutlineDoc::ViewHint).
    virtual void UpdateViews(int hint) = 0;
    // The window's place in the stacking order: 0 at the bottom.
    virtual int StackingOrder() const = 0;
};
