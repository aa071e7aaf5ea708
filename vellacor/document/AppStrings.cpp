#include "AppStrings.h"

#include <algorithm>
#include <iterator>

namespace appstr {
namespace {

struct Entry {
    unsigned id;
    const char *text;
};

// Sorted by id.
constexpr Entry kTable[] = {
    { kDocTemplate,
        "\nUntitled\nUntitled\nPalm Outlines (*.kxo)\n.kxo\nIdealoom.Document\nIdealoom Document" },
    { kOutlineFilter, "Outline Format (kxo)\nOutline Format (*.kxo)\n*.kxo\nOutline Document" },
    { kTemplateFilter, "Template Format (kxt)\nTemplate Format (*.kxt)\n*.kxt\nTemplate Document" },
    { kFileExistsOverwrite, "The file name %s already exists. Overwrite the existing file?" },
    { kFilingCabinetTitle, "Filing Cabinet" },
    { kSelectCategory, "Please, select a category!" },
    { kMaxCategories, "Maximum count of categories is reached!\n" },
    { kCannotDeleteDefaultCategory, "You can not delete the default category!\n" },
    { kCategoryExists, "There is a category with the same name\n" },
    { kCategoryNameInvalid, "The category name is not valid!\n" },
    { kCannotRenameUnfiled,
        "You cannot rename the Unfiled category since there are already 15 categories defined. "
        "Please delete another category first." },
    { kCategoryRenamedInfo,
        "All outlines with the renamed category will receive the new category name!" },
    { kEnterValidFileName, "Please enter a valid file name" },
    { kEditCategoriesItem, "Edit Categories ..." },
    { kMaxCategoriesOnSave,
        "Maximum count of categories is reached! Please change the outline category before to "
        "save it as handheld outlne!" },
    { kTemplateDocTemplate,
        "\nUntitled\nUntitled\nPalm Templates(*.kxt)\n.kxt\nIdealoom.DocumentTemplate\nIdealoom "
        "Document Template" },
    { kDeleteCategoryQuestion,
        "You are about to delete a category. All outlines in that category will be placed in "
        "the Unfiled category." },
    { kUnknownDatabaseError, "An unknown database error!" },
    { kTemplateTitleLabel, "Template Title" },
    { kNoteFor, "Note for " },
    { kUnfiled, "Unfiled" },
    { kReallyDeleteNote, "Are you sure you want to delete?" },
    { kSaveAsCaption, "Save As" },
    { kOutlineExtension, "kxo" },
    { kTemplateExtension, "kxt" },
    { kAllCategories, "All" },
    { kSaveChangesTo, "Save changes to %1?" },
    { kUnknownException, "Unknown exception" },
    { kFileExistsOverwriteOther, "The file name %s already exists. Overwrite the other file?" },
    { kUntitled, "Untitled" },
    { kEditCategoriesCaption, "Edit categories" },
    { kNewNameLabel, "New Name" },
    { kNotesCaption, "Notes" },
    { kDeleteButton, "&Delete" },
    { kDateCaption, "Date" },
    { kTimeCaption, "Time" },
    { kAvailableFormatsLabel, "&Available formats:" },
    { kTitleLabel, "Title" },
    { kCategoryLabel, "Category" },
    { kRenameButton, "Rename" },
    { kNewButton, "New" },
    { kDoneButton, "Done" },
    { kCategorySeparator, "----" },
    { kAppName, "Vellacor" },
    { kFilingCabinetLocked, "The Filing Cabinet's title cannot be changed." },
    { kPrivateOutline, "Private outline" },
    { kUnsupportedCharacter, "The character %1 cannot be stored in an outline." },
    { kSaveAsTemplateCaption, "Save As Template" },
    { kHandheldTemplates, "Handheld Templates" },
    { kDesktopTemplates, "Desktop Templates" },
    { kRecoveryWritten,
        "The outline window had to be closed after an error. Your unsaved changes were kept in "
        "%s." },
    { kCannotOpenFile, "The file %s cannot be opened." },
    { kFileListCaption, "File list" },
    { kFileNameLabel, "File name" },
    { kMenuRename, "Rename" },
    { kMenuMoveToHandheld, "Move to Handheld Outlines" },
    { kMenuMoveToDesktop, "Move to Desktop Outlines" },
    { kMenuNewFromTemplate, "New outline from template" },
    { kMenuSaveAsTemplate, "Save as Template" },
    { kMenuDuplicate, "Duplicate" },
    { kMenuDelete, "Delete" },
    { kMenuNew, "New" },
    { kUsersCaption, "Users" },
    { kSelectUserLabel, "Select a user:" },
    { kOkButton, "OK" },
    { kCancelButton, "Cancel" },
    { kNewUserButton, "New..." },
    { kRenameUserButton, "Rename..." },
    { kDeleteUserButton, "Delete..." },
    { kHelpButton, "Help" },
    { kEnterNewUserLabel, "Enter a new user name" },
    { kNewUserCaption, "New User" },
    { kRenameUserCaption, "Rename User" },
    { kPleaseSelectUser, "Please select a user   \n" },
    { kDeleteUserQuestion, "Delete user?" },
    { kPleaseEnterUserName, "Please enter a user name\n" },
    { kHotSyncRunning, "Vellacor can not start while a HotSync process is running. Try again when the synchronization is done." },
};

} // namespace

const char *Get(unsigned id)
{
    const auto *entry = std::lower_bound(std::begin(kTable), std::end(kTable), id,
        [](const Entry &e, unsigned key) { return e.id < key; });
    return entry != std::end(kTable) && entry->id == id ? entry->text : "";
}

} // namespace appstr
