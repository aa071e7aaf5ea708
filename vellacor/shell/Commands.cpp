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
