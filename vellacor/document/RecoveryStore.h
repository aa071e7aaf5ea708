#pragma once

// Recovery copies of unsaved work. While the program runs it keeps, in the
// user's data folder, a copy of every outline with changes that are not
// saved (never-saved outlines included); a clean exit removes them. After a
// crash or a kill they are still there, and the next start offers them
// back. A copy is an outline file of its own, written with the safe save:
// the outline's own file and its records' change marks are never touched.
//
// Each copy "<name>.kxo" has a description "<name>.info" beside it: lines
// "original=<path of the outline's file, empty when never saved>",
// "title=", "time=<seconds since 1970>" and "kept=1" for a copy that is to
// outlive a clean exit (the window closed without saving).

#include "kx_gen/String.h"

#include <cstdint>
#include <map>
#include <vector>

class COutlineDoc;
class COutlineDocTemplate;

class CRecoveryStore {
public:
    struct SCopy {
        kx_gen::_String strPath; // the copy
        kx_gen::_String strOriginal; // empty: the outline was never saved
        kx_gen::_String strTitle;
        std::int64_t nTime = 0;
        bool bKept = false;
    };

    // Copies go to `folder` (made when needed); empty: DefaultFolder().
    explicit CRecoveryStore(const kx_gen::_String &folder = kx_gen::_String());
    // Leaves this run's copies: only RemoveSessionCopies removes them.
    ~CRecoveryStore() = default;
    CRecoveryStore(const CRecoveryStore &) = delete;
    CRecoveryStore &operator=(const CRecoveryStore &) = delete;

    // "Recovery" in the program's data folder ($XDG_DATA_HOME/Larkwell/
    // Vellacor, by default ~/.local/share/Larkwell/Vellacor).
    static kx_gen::_String DefaultFolder();
    const kx_gen::_String &Folder() const { return m_strFolder; }

    // The copies that earlier runs left, oldest first.
    std::vector<SCopy> LeftOver() const;
    // Removes a copy and its description; false when the copy stays.
    static bool Remove(const SCopy &copy);

    // This run's copies follow `documents`: each modified one (not the
    // Filing Cabinet) gets its copy written anew, the copies of the others
    // go. False when a copy could not be written (the old one then stays).
    bool Update(const std::vector<COutlineDoc *> &documents);
    // A copy of `document` that outlives a clean exit, for a window that
    // has to close without saving. False when it could not be written.
    bool Keep(COutlineDoc &document, kx_gen::_String *where = nullptr);
    // The copy of a document that is gone (closed) is no longer needed.
    void Forget(const COutlineDoc *document);
    // A clean exit: every copy of this run goes (kept ones stay).
    void RemoveSessionCopies();

    // The copy of `document` now, or empty.
    kx_gen::_String CopyOf(const COutlineDoc *document) const;

    // Takes a left-over copy for this run: it becomes a file of this run
    // that no later run offers, to open a document from (whose file it
    // stays until the document is gone). Empty when it cannot be moved.
    kx_gen::_String Adopt(const SCopy &copy);
    // The document opened from the adopted file `path` of `copy`; the copy
    // is no longer offered.
    void AdoptedBy(const SCopy &copy, const kx_gen::_String &path, const COutlineDoc *document);

    // Reads a description; false when it is not one.
    static bool ReadInfo(const kx_gen::_String &infoPath, SCopy &copy);

private:
    // Writes the copy and its description; false after a failure, with
    // whatever was at `path` before still there.
    bool Write(COutlineDoc &document, const kx_gen::_String &path, bool kept);
    kx_gen::_String NewPath(const char *prefix);

    kx_gen::_String m_strFolder;
    kx_gen::_String m_strSession;
    int m_nNext = 0;
    std::map<const COutlineDoc *, kx_gen::_String> m_Copies;
    // Adopted copies and the documents opened from them.
    std::map<const COutlineDoc *, kx_gen::_String> m_Adopted;
};

// Opens a copy as a new outline that has not been saved yet (titled as the
// outline was, to be saved beside its original), so that nothing is
// written over the original's file until the user saves; the copy then
// goes and `store` keeps the new document's own. Null when it could not be
// opened (reported); the copy then stays.
COutlineDoc *OpenRecoveredOutline(
    COutlineDocTemplate &documents, CRecoveryStore &store, const CRecoveryStore::SCopy &copy);
