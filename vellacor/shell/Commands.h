#pragma once

// The program's commands: id, menu text, status text and shortcut, in one
// table from which the main window makes each action once.

#include <QKeySequence>
#include <QString>

namespace cmd {

enum Id : int {
    kFileNew = 57600,
    kFileOpen = 57601,
    kFileClose = 57602,
    kFileSave = 57603,
    kFileSaveAs = 57604,
    kFileSaveAsTemplate = 32957,
    kFileSaveAll = 32975,
    kAppExit = 57665,
    kEditCategories = 32829,
    kPreferences = 32800,
    kExportPdf = 32801,
    kPageSetup = 57605,
    kPrint = 57607,
    kPrintPreview = 57609,
    kLineNumbers = 32991,
    kImportPdb = 32958,
    kExportPdb = 32959,
    kImportWord = 32838,
    kExportWord = 32837,

    // The outline lists: on the pane's selection, or on the active outline
    // when it lies in no list.
    kNewFromTemplate = 32853,
    kRenameOutline = 33101,
    kMoveToHandheld = 33102,
    kMoveToDesktop = 33103,
    kDuplicateOutline = 33104,
    kDeleteOutline = 33105,
    kShowFilingCabinet = 32790,
    kEmptyFilingCabinet = 32778,
    kUsers = 32830,

    // Windows and bars.
    kShowOutlineList = 33110,
    kWindowCascade = 57650,
    kWindowTile = 57651,
    kWindowNext = 57652,
    kRecentFile1 = 57616,
    kHelpManual = 57667,
    kAbout = 57664,

    // Exchange formats of the Import and Export submenus, and the HTML
    // page with its settings.
    kImportFormat = 33120,
    kExportFormat = 33130,
    kHtmlExport = 32993,
    kHtmlSettings = 32994,
};

struct Command {
    int id;
    const char *menuText;
    const char *statusText;
    QKeySequence::StandardKey standardKey;
    const char *shortcut; // when there is no standard key
};

// The entry of `id`; null for an id the table lacks.
const Command *Find(int id);

} // namespace cmd
