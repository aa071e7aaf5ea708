#pragma once

// What the main window's Import and Export submenus call: the formats by
// name and extension, the file dialogs' filters, and one function each to
// export the active outline to a file and to import a file into a new
// outline. No widgets here; the caller shows the dialogs and the messages.

#include "FlatOutline.h"
#include "HtmlExport.h"

#include <string>
#include <string_view>
#include <vector>

namespace formats {

enum class EFormat {
    kUnknown,
    kOutline, // .kxo, and templates .kxt
    kOpml,
    kMarkdown,
    kPlainText,
    kHtml, // export only
    kPdb, // through the converter
    kDocx, // through Docbridge
};

// The format a path names by its extension (any letter case): .kxo/.kxt,
// .opml, .md/.markdown, .txt, .html/.htm, .pdb, .docx.
EFormat FormatFromPath(std::string_view path);
// The format a command-line name gives: "kxo", "opml", "md", "txt",
// "html", "pdb", "docx".
EFormat FormatFromName(std::string_view name);
// The extension written for the format, with its dot (".kxo", ".md", ...).
const char *FormatExtension(EFormat format);

// One entry of a file dialog's filter list.
struct SFormatFilter {
    EFormat m_Format;
    std::string m_strDescription; // "OPML outline (*.opml)"
    std::string m_strPatterns; // "*.opml", several separated by blanks
};
// The formats this library reads (OPML, Markdown, plain text) and writes
// (those and HTML), in menu order.
std::vector<SFormatFilter> ImportFilters();
std::vector<SFormatFilter> ExportFilters();
// The menu texts of the Import and Export submenus' entries.
const char *ImportMenuText(EFormat format);
const char *ExportMenuText(EFormat format);

// Reads a whole file of at most kMaxImportBytes. False with a reason.
bool ReadWholeFile(const std::string &path, std::string &data, std::string &error);
// Writes the file beside its place and renames it over the place when
// complete, so a failure leaves whatever was there. An existing file is
// refused unless `overwrite` is set. False with a reason.
bool WriteFileSafely(
    const std::string &path, std::string_view data, bool overwrite, std::string &error);

struct SExportOptions {
    // Replace an existing file (the caller has asked).
    bool m_bOverwrite = false;
    // HTML only: the template and rules files; empty for the shipped ones.
    std::string m_strTemplatePath;
    std::string m_strRulesPath;
    // HTML only: the date for {{date}}; empty for today's.
    std::string m_strDate;
};

// Writes the manager's open outline to `path` as OPML, Markdown, plain text
// or HTML. Nothing is written on failure; `error` then says why. Warnings
// (of a rules file) go to `report`.
bool ExportOutline(const COutlineMan &man, EFormat format, const std::string &path,
    const SExportOptions &options, std::string &error, CImportReport *report = nullptr);

// Replaces the manager's outline by the OPML, Markdown or plain text file
// at `path`, titled from the file (the file's name when it names no title).
// Warnings (characters kept as markers, folded levels) go to `report`. A
// file that cannot be read or is refused leaves the manager as it was, with
// the reason in `report`; only when the model itself refuses the new outline
// is the manager left empty. The caller imports into a manager of its own
// and makes the new document only after success.
bool ImportOutline(
    const std::string &path, EFormat format, COutlineMan &man, CImportReport &report);

// Parses data already read (what ImportOutline does after reading).
bool ParseOutline(
    std::string_view data, EFormat format, SFlatOutline &outline, CImportReport &report);

// The folder of the running program, where the shipped HTML template and
// rules lie in "html/"; empty when it cannot be told.
std::string ProgramFolder();
std::string DefaultTemplatePath();
std::string DefaultRulesPath();

// Today's date as the page shows it ("2026-12-09").
std::string TodayText();

} // namespace formats
