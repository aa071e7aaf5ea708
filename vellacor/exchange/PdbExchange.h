#pragma once

#include "PdbNames.h"
#include "TarnvelLibrary.h"

#include "kx_gen/String.h"

#include <vector>

struct CCabinetEnv;
class CRootList;

// What the open or save dialog of a .pdb import or export shows.
struct SPdbDialogSetup {
    kx_gen::_String m_strCaption; // "Open" or "Save As"
    kx_gen::_String m_strFolder; // the initial folder
    kx_gen::_String m_strFileName; // the proposed name (export only)
    std::vector<exchange::SFileFilter> m_Filters;
    // The open dialog accepts only existing files; the save dialog also new
    // ones, and asks before it replaces one.
    bool m_bFileMustExist = false;
};

// The import and export of Palm OS .pdb outline files through the converter
// in the HotSync folder. The GUI runs each command in two steps around its
// file dialog:
//
//   Export:  BeginExport(document path, setup) -> show the save dialog from
//            `setup`, with CheckPdbFileTitle on OK -> ExportToPdb(document
//            path, chosen path), or Cancel() when the user cancels.
//   Import:  BeginImport(setup) -> show the open dialog -> ImportFromPdb(
//            chosen path, the user's lists, new path), or Cancel().
//
// Every step shows its refusals and failures through the environment's
// prompter and returns false; a failed step changes no file and no open
// document. The converter is loaded by Begin... (so that a missing converter
// is reported before any dialog) and released when the command ends. The
// GUI makes one object per command (or per active user), on the
// user-interface thread.
class CPdbExchange {
public:
    // `env` provides the prompter, the open documents and the settings
    // store; `userFolder` is the active user's outline folder, where imported
    // outlines and templates go and where the first export is proposed.
    CPdbExchange(CCabinetEnv &env, const kx_gen::_String &userFolder);

    // Saves the outline first when it is open with changes (an outline that
    // was never saved, `documentPath` empty, or whose save fails is not
    // exported), binds the converter's convertPCtoPDB and fills the save
    // dialog: caption "Save As", the folder of the previous export (the
    // user's folder before the first), the document's file title with blanks
    // as underscores.
    bool BeginExport(const kx_gen::_String &documentPath, SPdbDialogSetup &setup);
    // Writes the .pdb file `pdbPath` for the outline file `documentPath` and
    // remembers its folder for the next export. A failed conversion is shown
    // with the converter's reason, and an existing file at `pdbPath` is then
    // left as it was.
    bool ExportToPdb(const kx_gen::_String &documentPath, const kx_gen::_String &pdbPath);

    // Binds the converter's convertPDBtoPC and fills the open dialog:
    // caption "Open", the user's folder.
    bool BeginImport(SPdbDialogSetup &setup);
    // Converts `pdbPath` into a new outline or template in the user's folder,
    // named after the .pdb file (ImportNameFromPdb). When a file of that
    // name exists the user is asked "The file name %s already exists.
    // Overwrite the other file?": No takes the next numbered name, Yes
    // replaces it (closing it unsaved when it is open, once the conversion
    // has succeeded). On success the file is entered in `roots` (may be null)
    // and opened, and `newPath` holds its path.
    bool ImportFromPdb(const kx_gen::_String &pdbPath, CRootList *roots, kx_gen::_String &newPath);

    // Ends a command whose dialog was cancelled.
    void Cancel() { m_Library.Release(); }

    // The folder the next export is proposed in.
    kx_gen::_String ExportFolder() const;

private:
    void ShowMessage(const kx_gen::_String &text) const;
    // The converter's reason for `result`, or the code when it tells none.
    void ShowConversionFailure(int result) const;

    CCabinetEnv &m_env;
    kx_gen::_String m_strUserFolder;
    CTarnvelLibrary m_Library;
};
