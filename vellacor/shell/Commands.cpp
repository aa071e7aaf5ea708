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
    { kPreferences, "&Preferences...", "Change the program's preferences",
        QKeySequence::Preferences, nullptr },
    { kEditCategories, "Edit &Categories...", "Add, rename and delete categories",
        QKeySequence::UnknownKey, nullptr },
};

} // namespace

const Command *Find(int id)
{
    const auto it = std::find_if(
        std::begin(kTable), std::end(kTable), [id](const Command &c) { return c.id == id; });
    return it == std::end(kTable) ? nullptr : it;
}

} // namespace cmd
