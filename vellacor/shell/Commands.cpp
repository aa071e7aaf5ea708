#include "Commands.h"

#include <algorithm>
#include <iterator>

namespace cmd {
namespace {

constexpr Command kTable[] = {
    { kFileNew, "&New", "Create a new outline", QKeySequence::New, nullptr },
    { kFileOpen, "&Open...", "Open an existing outline", QKeySequence::Open, nullptr },
    { kFileClose, "&Close", "Close the active outline", QKeySequence::Close, nullptr },
    { kFileSave, "&Save", "Save the active outline", QKeySequence::Save, nullptr },
    { kFileSaveAs, "Save &As...", "Save the active outline with a new name", QKeySequence::SaveAs,
        nullptr },
    { kFileSaveAsTemplate, "Save As &Template...", "Save the active outline as a template",
        QKeySequence::UnknownKey, nullptr },
    { kFileSaveAll, "Save A&ll", "Save all open outlines", QKeySequence::UnknownKey, nullptr },
    { kAppExit, "E&xit", "Quit the application; prompts to save documents", QKeySequence::Quit,
        nullptr },
    { kImportPdb, "Import Palm OS (.pd&b) outline file...",
        "Import outline saved by Idealoom for the Palm OS", QKeySequence::UnknownKey, nullptr },
    { kExportPdb, "Expo&rt to Palm OS (.pdb) outline file...",
        "Export outline to Idealoom for the Palm OS format", QKeySequence::UnknownKey, nullptr },
    { kImportWord, "&Import MS Word Document...", "Import MS Word file", QKeySequence::UnknownKey,
        nullptr },
    { kExportWord, "&Export to MS Word...", "Export to MS Word", QKeySequence::UnknownKey,
        nullptr },
    { kPageSetup, "Page Set&up...", "Change the printing options", QKeySequence::UnknownKey,
        nullptr },
    { kPrintPreview, "Print Pre&view", "Display full pages", QKeySequence::UnknownKey, nullptr },
    { kPrint, "&Print...", "Print the active outline", QKeySequence::Print, nullptr },
    { kExportPdf, "Export to P&DF...", "Write the active outline as a PDF document",
        QKeySequence::UnknownKey, nullptr },
    { kLineNumbers, "Line Numbers ...", "Number the outline's items by level",
        QKeySequence::UnknownKey, nullptr },
    { kPreferences, "&Preferences...", "Change the program's preferences",
        QKeySequence::Preferences, nullptr },
    { kEditCategories, "Edit &Categories...", "Add, rename and delete categories",
        QKeySequence::UnknownKey, nullptr },
    { kNewFromTemplate, "New Outline from &Template",
        "Create a new outline from the template selected in the outline list",
        QKeySequence::UnknownKey, nullptr },
    { kRenameOutline, "Rena&me Outline", "Rename the outline selected in the outline list",
        QKeySequence::UnknownKey, "F2" },
    { kDuplicateOutline, "D&uplicate Outline", "Copy the selected outline in its list",
        QKeySequence::UnknownKey, nullptr },
    { kDeleteOutline, "&Delete Outline...", "Delete or archive the selected outlines",
        QKeySequence::UnknownKey, nullptr },
    { kMoveToDesktop, "Move to &Desktop Outlines",
        "Move the outline from the handheld's list to the desktop's", QKeySequence::UnknownKey,
        nullptr },
    { kMoveToHandheld, "Move to &Handheld Outlines",
        "Move the outline to the list the handheld synchronizes", QKeySequence::UnknownKey,
        nullptr },
    { kShowFilingCabinet, "Show &Filing Cabinet", "Show the items kept in the Filing Cabinet",
        QKeySequence::UnknownKey, nullptr },
    { kEmptyFilingCabinet, "&Empty Filing Cabinet", "Remove every item of the Filing Cabinet",
        QKeySequence::UnknownKey, nullptr },
    { kUsers, "&Users...", "Add, rename and delete users", QKeySequence::UnknownKey, nullptr },
    { kShowOutlineList, "Show Outline &List", "Show or hide the outline list",
        QKeySequence::UnknownKey, "F9" },
    { kWindowCascade, "&Cascade", "Arrange the outline windows so they overlap",
        QKeySequence::UnknownKey, nullptr },
    { kWindowTile, "&Tile", "Arrange the outline windows side by side", QKeySequence::UnknownKey,
        nullptr },
    { kWindowNext, "&Next Window", "Activate the next outline window", QKeySequence::NextChild,
        nullptr },
    { kHelpManual, "Vellacor &Manual", "Open the manual", QKeySequence::HelpContents, nullptr },
    { kAbout, "&About Vellacor...", "Show the program's version", QKeySequence::UnknownKey,
        nullptr },
    { kHtmlSettings, "HTML export settings...",
        "Choose the template, rules and folder of the HTML page", QKeySequence::UnknownKey,
        nullptr },
    { kHtmlExport, "Export to HTML", "Export to HTML", QKeySequence::UnknownKey, nullptr },
};

} // namespace

const Command *Find(int id)
{
    const auto it = std::find_if(
        std::begin(kTable), std::end(kTable), [id](const Command &c) { return c.id == id; });
    return it == std::end(kTable) ? nullptr : it;
}

} // namespace cmd
