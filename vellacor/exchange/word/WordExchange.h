#pragma once

// The two Word commands without their widgets: what happens before and
// after Docbridge runs a task. The GUI supplies the open outline documents,
// the modal progress dialog and the message boxes through the small
// interfaces below; tests supply recorders.

#include "WordProgress.h"

#include "OutlineServices.h"

#include "docbridge/Docbridge.h"

#include "kx_gen/String.h"

#include <functional>
#include <string>

namespace kx_gen {
class COutlineDB;
}

namespace word {

// ---- Texts and names -------------------------------------------------------------

// Windows-1252 <-> UTF-8 (file names, Docbridge's error texts). Characters
// the code page lacks become '?'.
kx_gen::_String Windows1252FromUtf8(const std::string &utf8);
std::string Utf8FromWindows1252(const kx_gen::_String &text);

// The open dialog's filter entry: "Word documents (*.doc;*.docx)" with the
// patterns "*.doc;*.docx" (old documents are offered, then refused with a
// clear message, so that the user learns why they do not open).
struct TFileFilter {
    kx_gen::_String m_strDescription;
    kx_gen::_String m_strPatterns; // separated by ';'
};
TFileFilter ImportFileFilter();
// The same as one Qt file dialog filter: "Word documents (*.doc *.docx)".
kx_gen::_String ImportFileFilterForQt();

// Whether the file can be imported: true, or false with the reason in
// `message` (a missing or unreadable file, an old binary Word document, a
// file that is no .docx at all).
bool CheckImportFile(const std::string &path, kx_gen::_String &message);

// The title of a Word file for the imported outline: its name without the
// extension, in Windows-1252.
kx_gen::_String WordFileTitle(const std::string &path);

// Where an export goes unless the user chooses otherwise: "<title>.docx"
// in `folder`, the title made usable as a file title and numbered past
// files that already exist.
std::string DefaultExportPath(const std::string &folder, const kx_gen::_String &title);

// ---- Task records -------------------------------------------------------------------

// The export task from the two preferences: "Word export" (0 outline
// document, 1 bullet list document) is stored inverted, 1 for the outline
// document; "Word export notes" non-zero exports the notes.
TExportTask MakeExportTask(int wordExportPreference, int exportNotesPreference,
    kx_gen::COutlineDB *db, const kx_gen::_String &title, const std::string &documentPath);
TImportTask MakeImportTask(kx_gen::COutlineDB *db, const std::string &path);

// ---- The commands ------------------------------------------------------------------

// Runs the progress dialog modally for the state (the GUI builds
// CWordProgressBarDlg around it) and returns kIdOk or kIdCancel.
using RunProgressDialogFn = std::function<int(CWordProgressState &state)>;

// The new outline document an import fills.
class CWordImportTarget {
public:
    virtual ~CWordImportTarget() = default;
    // The new document's outline database, holding no records (items that
    // the default template brought along are removed first, tree included).
    virtual kx_gen::COutlineDB *GetDB() = 0;
    // Builds the outline tree from the imported records; false when it
    // cannot (the error has been reported).
    virtual bool RebuildTreeFromRecords() = 0;
    // Sets the outline title (private header) and the document title.
    virtual void SetTitle(const kx_gen::_String &title) = 0;
    virtual void SetModified() = 0;
};

// Makes and discards the new outline documents of imports.
class CWordImportDocuments {
public:
    virtual ~CWordImportDocuments() = default;
    // A new outline document from the default template, or null after
    // reporting why there is none. Storage errors may be thrown.
    virtual CWordImportTarget *CreateFromDefaultTemplate() = 0;
    // Closes the document without saving; nothing of it remains.
    virtual void Discard(CWordImportTarget *document) = 0;
};

// The open outline an export reads.
class CWordExportSource {
public:
    virtual ~CWordExportSource() = default;
    // Writes the outline tree into the database records; false when it
    // cannot (the error has been reported).
    virtual bool UpdateRecordsFromTree() = 0;
    virtual kx_gen::COutlineDB *GetDB() = 0;
};

// The application's busy state (a wait cursor), set around an export.
class CBusyIndicator {
public:
    virtual ~CBusyIndicator() = default;
    virtual void SetBusy(bool busy) = 0;
};

// The import command after the file dialog: checks the file, makes the new
// document, runs the dialog in import mode, and on OK builds the tree and
// gives the outline the Word file's title and the modified mark. Any other
// end, and any failure, discards the new document. Storage exceptions show
// their text, others "An unknown database error!". Returns the kept
// document, or null.
CWordImportTarget *ImportWordDocument(const std::string &path, CDocbridge &bridge,
    CWordImportDocuments &documents, const RunProgressDialogFn &runDialog, CMessageSink &messages);

// The export command: brings the records up to date from the tree, reads
// the outline title, sets the busy state, runs the dialog in export mode
// and clears the busy state. True when the dialog ended with OK (the
// document has been written to `documentPath`).
bool ExportWordDocument(CWordExportSource &source, int wordExportPreference,
    int exportNotesPreference, const std::string &documentPath, CDocbridge &bridge,
    const RunProgressDialogFn &runDialog, CBusyIndicator *busy, CMessageSink &messages);

} // namespace word
