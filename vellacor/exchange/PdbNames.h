#pragma once

// The file names of the .pdb import and export: the dialogs' filters, the
// name proposed for an export, the export dialog's title check, and how an
// imported file is named.

#include "kx_gen/String.h"

#include <vector>

class CMessageSink;

namespace exchange {

struct SFileFilter {
    kx_gen::_String m_strName; // "Outlines (*.kxo.pdb)"
    kx_gen::_String m_strPattern; // "*.kxo.pdb"
};

// The five entries of both dialogs' filter: outlines as Name.kxo.pdb and
// Name_kxo.pdb, templates alike, and all files.
std::vector<SFileFilter> PdbFileFilters();

// The file name the export dialog proposes for an outline file title: every
// blank becomes an underscore ("My list" -> "My_list").
kx_gen::_String ProposedPdbFileName(const kx_gen::_String &fileTitle);

// The export dialog's check when the user presses OK: the chosen file's
// title is cut at its last dot (Name.kxo.pdb -> Name), and when the rest
// has 24 characters or more, message 232 is shown through `sink` (may be
// null) and the result is false: the dialog stays open.
bool CheckPdbFileTitle(const kx_gen::_String &chosenPath, CMessageSink *sink);

// What an imported .pdb file becomes.
struct SImportName {
    // The new outline's file title.
    kx_gen::_String m_strTitle;
    bool m_bTemplate = false;
    // "kxo" or "kxt".
    const char *Extension() const;
};

// Derives the new file's title and kind from the .pdb file's name by its
// real suffixes: Name.kxo.pdb and Name_kxo.pdb give the outline Name,
// Name.kxt.pdb and Name_kxt.pdb the template Name, and any other name
// (Name.pdb, Name.PDB, Name.txt) a plain outline named after the whole
// title. A name that would be empty ("_kxo.pdb") keeps the suffix as its
// title; the title is then made a valid file title (ValidateFileTitle).
SImportName ImportNameFromPdb(const kx_gen::_String &pdbPath);

} // namespace exchange
