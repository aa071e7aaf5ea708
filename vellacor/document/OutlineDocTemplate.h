#pragma once

// The open outline documents of the program: opening, creating and closing
// them, remembering which were open at exit and opening them again, and the
// changes that concern every open outline.

#include "kx_gen/String.h"

#include <memory>
#include <vector>

namespace kx_gen {
class CAppRegistry;
}

class CDocumentHost;
class COutlineDoc;

// Makes and destroys the windows of documents: the shell.
class CDocWindows {
public:
    virtual ~CDocWindows() = default;

    // Gives `document` its window (frame and view), which calls
    // COutlineDoc::SetFrame. `place` is a stacking position to take (from
    // CDocFrame::StackingOrder), or -1 for the top. False when the window
    // could not be made.
    virtual bool CreateWindowFor(COutlineDoc &document, int place) = 0;
    // Destroys the document's window without any question.
    virtual void DestroyWindowOf(COutlineDoc &document) = 0;
};

class COutlineDocTemplate {
public:
    // `windows` (may be null: no windows, as in tests) and `settings` (may
    // be null: nothing is remembered) stay the caller's.
    COutlineDocTemplate(CDocumentHost &host, CDocWindows *windows, kx_gen::CAppRegistry *settings);
    ~COutlineDocTemplate();
    COutlineDocTemplate(const COutlineDocTemplate &) = delete;
    COutlineDocTemplate &operator=(const COutlineDocTemplate &) = delete;

    // Without a path a new outline; with one the file, or null when it is
    // open already (its window comes to the front) or cannot be read (after
    // the message). `place` as for CDocWindows::CreateWindowFor.
    COutlineDoc *OpenDocumentFile(const kx_gen::_String &path, int place = -1);
    // The open document of `path`, or null.
    COutlineDoc *FindDocument(const kx_gen::_String &path) const;

    // Asks as the document's SaveModified does, then destroys its window and
    // the document. False (nothing closed) when the user cancelled or the
    // save failed.
    bool CloseDocument(COutlineDoc *document);
    // Destroys the window and the document without any question.
    void RemoveDocument(COutlineDoc *document);
    // Records the open files (unless recording is off), then closes every
    // document as CloseDocument does, the Filing Cabinet last. False when
    // one stayed open (the user cancelled); the others are closed.
    bool CloseAllDocuments(bool endSession);
    // Opens the files recorded at the last exit that still exist; true when
    // any was recorded.
    bool ReopenFiles();
    // Writes the paths of the open documents (not the Filing Cabinet),
    // bottom window first, to the section "Open Files".
    void RecordOpenFiles();
    void SetRecordOpenFiles(bool record) { m_bRecordOpenFiles = record; }

    // Applies a category rename to every open outline that is neither the
    // Filing Cabinet nor a template.
    void RenameCategoryInOpenDocuments(
        const kx_gen::_String &oldName, const kx_gen::_String &newName);
    // Closes (asking as usual) every document whose file lies in the
    // Handheld Outlines folder. False when one stayed open (the user
    // cancelled, or its save failed).
    bool CloseDocumentsInHandheldOutlines();
    // Save All: every modified document saved without questions. False when
    // any could not be saved (it stays modified).
    bool SaveAll();
    bool IsSavingAll() const { return m_bSavingAll; }
    // Before a synchronisation: every modified document saved without
    // questions, then every document closed except the Filing Cabinet (its
    // user closes it) and those that could not be saved, which stay open
    // and modified so that nothing of them is lost. `closed` receives the
    // files of the closed documents, bottom window first, for reopening;
    // the result are the documents that stayed open unsaved.
    std::vector<COutlineDoc *> SaveAndCloseForSync(std::vector<kx_gen::_String> &closed);

    // Closes `document`'s window and opens `path` in a window at the same
    // place in the stacking order (Save As Template).
    void ReplaceWithFile(COutlineDoc *document, const kx_gen::_String &path);

    const std::vector<std::unique_ptr<COutlineDoc>> &GetDocuments() const { return m_Documents; }
    // The open documents bottom window first (documents without a window
    // last, in opening order).
    std::vector<COutlineDoc *> InStackingOrder() const;

    // Takes a document made elsewhere (the Filing Cabinet) into the list.
    COutlineDoc *Adopt(std::unique_ptr<COutlineDoc> document);
    // A document for an import, not yet listed or shown; Show lists it and
    // gives it its window (null when that failed, the document then gone).
    std::unique_ptr<COutlineDoc> MakeImportDocument();
    COutlineDoc *Show(std::unique_ptr<COutlineDoc> document);

private:
    CDocumentHost &m_Host;
    CDocWindows *m_pWindows;
    kx_gen::CAppRegistry *m_pSettings;
    std::vector<std::unique_ptr<COutlineDoc>> m_Documents;
    bool m_bRecordOpenFiles = true;
    bool m_bSavingAll = false;
};
