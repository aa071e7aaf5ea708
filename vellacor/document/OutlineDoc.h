#pragma once

// The document of one outline file: the outline's manager, its title, and
// the program's naming rule: the file name follows the title, the title lives
// inside the file, and a file that has been synchronised with the handheld
// keeps its name when the title changes.

#include "OutlineMan.h"

#include "kx_gen/String.h"

class CDocFrame;
class CDocumentHost;
class COutlineDocTemplate;
class CRootList;
class CUser;

class COutlineDoc {
public:
    // The manager, told where its modified state goes.
    class CDocOutline : public COutlineMan {
    public:
        CDocOutline(COutlineDoc *doc, COutlineSettings *settings, CMessageSink *messages)
            : COutlineMan(settings, messages)
            , m_pDoc(doc)
        {
        }
        void SetModified(bool modified) override;

        COutlineDoc *m_pDoc;
    };

    // Kinds of the wholesale changes that documents announce to their views.
    enum ViewHint {
        kHintLayout = 0, // lay the outline out again
        kHintReplaced = 1, // the content was replaced (the Filing Cabinet emptied)
        kHintAppended = 4, // items were appended from elsewhere (to the Filing Cabinet)
    };

    COutlineDoc(CDocumentHost &host, COutlineDocTemplate *docTemplate = nullptr);
    ~COutlineDoc();
    COutlineDoc(const COutlineDoc &) = delete;
    COutlineDoc &operator=(const COutlineDoc &) = delete;

    // ---- What the window shows ---------------------------------------------

    // The window title: the outline's title, "Filing Cabinet" for the
    // Filing Cabinet. `text` becomes the outline's title while it has none.
    void SetTitle(const kx_gen::_String &text);
    const kx_gen::_String &GetTitle() const { return m_strTitle; }
    // The title bar's edit: the new title, and the document is modified.
    void SetOutlineTitle(const kx_gen::_String &title);
    // The frame's category box: the outline is filed under `name`.
    void SetCategory(const kx_gen::_String &name);

    bool IsModified() const { return m_bModified; }
    // Does nothing while the file lies in the Conflicts folder.
    void SetModifiedFlag(bool modified = true);

    const kx_gen::_String &GetPathName() const { return m_strPathName; }
    COutlineMan &GetOutline() { return m_Outline; }
    const COutlineMan &GetOutline() const { return m_Outline; }
    CDocFrame *GetFrame() const { return m_pFrame; }
    void SetFrame(CDocFrame *frame) { m_pFrame = frame; }
    void UpdateAllViews(int hint);

    // ---- Life cycle --------------------------------------------------------

    // A new outline with one empty item, filed under the user's filter
    // category. For an import the outline starts without items: the import
    // fills its records and then builds the tree. False after a storage
    // error (reported).
    bool OnNewDocument(bool forImport = false);
    // Opens `path`. An outline already open in another document brings that
    // window to the front and fails without a message; a storage error is
    // reported and fails.
    bool OnOpenDocument(const kx_gen::_String &path);
    // Writes the outline to `path` (the view's state and the title go into
    // the headers first). False after a reported error; the document then
    // keeps its state.
    bool OnSaveDocument(const kx_gen::_String &path);
    // Clears the title and closes the manager.
    void DeleteContents();

    // ---- Saving --------------------------------------------------------------

    // The Save command: the file follows the title unless the outline has
    // been synchronised; a handheld outline's category must be in (or fit
    // into) the user's category file.
    bool SaveByTitle();
    // Saving without questions (Save All, HotSync). Unlike the interactive
    // save it never marks a document saved that was not written: a failure
    // leaves it modified, reported, and returns false.
    bool SaveAllByTitle();
    // Asked before the window closes: true when it may close.
    bool SaveModified();
    // Stores the headers of an unmodified outline (view state, settings)
    // without changing the file's time. Errors are ignored: nothing but
    // those settings is at stake.
    void WriteHeadersOnly();
    // Save As to a path the user chose (the dialog is the shell's).
    bool SaveAs(const kx_gen::_String &path);
    // Save As Template: a template beside the outline (or, for an outline
    // in no list, in the list the user chooses), then the window shows the
    // template. Nothing changes when the user cancels.
    bool SaveAsTemplate();

    // The path for `title` (see the naming rule); `path` holds the current
    // path on entry and the result on success. False (after "Please enter a
    // valid file name" with `showError`) for a title that names no file.
    bool MakePathFromTitle(kx_gen::_String &path, const kx_gen::_String &title, bool showError);
    // Whether the next save renames the file after the title.
    bool TitleNeedsRename() const;

    // The file was moved or renamed by the outline lists: the document now
    // lives at `path` under `title`.
    void Renamed(const kx_gen::_String &path, const kx_gen::_String &title);

    // A category was renamed (to `newName`; empty: the unfiled category).
    void RenameCategory(const kx_gen::_String &oldName, const kx_gen::_String &newName);

    // ---- State ---------------------------------------------------------------

    bool m_bFilingCabinet = false;
    kx_gen::_String m_strOutlineTitle;
    bool m_bTemplate = false;
    // The folder a never-saved outline will be saved in (empty: the default).
    kx_gen::_String m_strNewFolder;
    bool m_bConflict = false;

private:
    CUser *User() const;
    CRootList *Roots() const;
    // The handheld category check of a save to `target`: false (after the
    // message) when the category is not in the file and the file is full.
    bool AcceptCategoryFor(const kx_gen::_String &target, bool &added);
    bool WriteAndRename(const kx_gen::_String &target, bool replace);
    kx_gen::_String DefaultFolder() const;
    void ShowMessage(const kx_gen::_String &text);

    CDocumentHost &m_Host;
    COutlineDocTemplate *m_pTemplate;
    CDocOutline m_Outline;
    CDocFrame *m_pFrame = nullptr;
    kx_gen::_String m_strTitle;
    kx_gen::_String m_strPathName;
    bool m_bModified = false;
};

// True when `path` has the template extension (in any letter case).
bool IsTemplatePath(const kx_gen::_String &path);
