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
    kImportPdb = 32958,
    kExportPdb = 32959,
    kImportWord = 32838,
    kExportWord = 32837,
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
