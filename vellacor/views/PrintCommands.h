#pragma once

// The printing commands of an outline window, for the main frame to call:
// Page Setup (57605), Print (57607), Print Preview (57609) and Export to
// PDF, and printing without a window for the command line. All of them go
// through COutlinePrinter, so the preview shows what the printer and the
// PDF get.

#include "OutlinePrinter.h"
#include "PrinterSettings.h"

#include <QString>

class QPrinter;
class QWidget;
class CZumraView;

namespace kx_gen {
class CAppRegistry;
}

// The two print preferences that the print dialog shows and changes.
struct CPrintPreferences {
    bool m_bPrintHidden = false;
    bool m_bPrintNotes = false;
};

// The print options of a view: the page settings' margins, the view's
// check box mode, its block selection when `selection` is set, and the
// preferences.
CPrintOptions PrintOptionsOf(const CZumraView &view, const CAppPrinterSettings &page,
    const CPrintPreferences &prefs, bool selection);

// 57605: Page Setup over the page settings of `settings` ("PageSetup");
// true when the user changed and stored them.
bool RunPageSetup(QWidget *parent, kx_gen::CAppRegistry &settings);
// 57607: the print dialog (with "Print Hidden Items" and "Print Notes"),
// then printing. True when pages were printed. `prefs` receives the boxes'
// values when the user confirmed the dialog.
bool RunPrint(CZumraView &view, kx_gen::CAppRegistry &settings, CPrintPreferences &prefs);
// 57609: the preview window over the same pages.
void RunPrintPreview(
    CZumraView &view, kx_gen::CAppRegistry &settings, const CPrintPreferences &prefs);
// File > Export to PDF: asks for a file and prints the whole outline into
// it. True when the file was written.
bool RunExportPdf(CZumraView &view, kx_gen::CAppRegistry &settings, const CPrintPreferences &prefs);

// The print options of an outline without a window: the check box mode
// and the hidden checked items as the outline stores them (the manager's
// show-checked state is set to match).
CPrintOptions PrintOptionsOfOutline(
    COutlineMan &man, const CAppPrinterSettings &page, const CPrintPreferences &prefs);

// The command line's printing: opens the outline file, prints it to
// `pdf` (a PDF file) or, when `pdf` is empty, on the printer named
// `printer` (the default printer when that is empty too), with the page
// settings of `settings` when given. False with `error` set when the file
// cannot be opened or nothing could be printed.
bool PrintOutlineFile(const QString &file, const QString &pdf, const QString &printer,
    kx_gen::CAppRegistry *settings, const CPrintPreferences &prefs, QString *error);

// Lays out and prints `man` on `printer` (page settings applied first).
// False with `error` set when the margins leave no room or nothing could
// be printed.
bool PrintOutline(COutlineMan &man, const QFont &font, const CPrintOptions &options,
    const CAppPrinterSettings &page, QPrinter &printer, QString *error);
// The same into a PDF file, without any window: the command line's export
// and the tests use it.
bool PrintOutlineToPdf(COutlineMan &man, const QFont &font, const CPrintOptions &options,
    const CAppPrinterSettings &page, const QString &path, QString *error);
