#pragma once

// The program's string table: every message, caption and label that the
// program shows, keyed by its resource id, in Windows-1252. Widgets convert
// them through the Qt edge; translations can replace this one table later.

namespace appstr {

enum Id : unsigned {
    kDocTemplate = 129, // the outline document type's description
    kOutlineFilter = 149,
    kTemplateFilter = 150,
    kFileExistsOverwrite = 151,
    kFilingCabinetTitle = 155,
    kSelectCategory = 156,
    kMaxCategories = 157,
    kCannotDeleteDefaultCategory = 158,
    kCategoryExists = 159,
    kCategoryNameInvalid = 160,
    kCannotRenameUnfiled = 161,
    kCategoryRenamedInfo = 171,
    kConflictsReadOnly = 172,
    kEnterValidFileName = 173,
    kEditCategoriesItem = 175,
    kMaxCategoriesOnSave = 177,
    kDeleteCheckedQuestion = 178,
    kTemplateDocTemplate = 180,
    kDeleteCategoryQuestion = 191,
    kUnknownDatabaseError = 192,
    kTemplateTitleLabel = 207,
    kNoteFor = 215,
    kUnfiled = 234,
    kDeleteSelectedItems = 247,
    kReallyDeleteNote = 254,
    // 32777 to 57644: the outline view's menu texts, keyed by command id.
    kSaveAsCaption = 61441,
    kOutlineExtension = 61455,
    kTemplateExtension = 61456,
    kAllCategories = 61470,
    kSaveChangesTo = 61699,

    // Texts without an id of their own.
    kUnknownException = 100000,
    kFileExistsOverwriteOther,
    kUntitled,
    kEditCategoriesCaption,
    kNewNameLabel,
    kNotesCaption,
    kDeleteButton,
    kDateCaption,
    kTimeCaption,
    kAvailableFormatsLabel,
    kTitleLabel,
    kCategoryLabel,
    kRenameButton,
    kNewButton,
    kDoneButton,
    kCategorySeparator,
    kAppName,
    kFilingCabinetLocked,
    kPrivateOutline,
    kUnsupportedCharacter,
    kSaveAsTemplateCaption,
    kHandheldTemplates,
    kDesktopTemplates,
    kRecoveryWritten,
    kCannotOpenFile,
    kDeleteFileCaption,
    kArchiveLabel,
    kNoteMenu,
    kDrawingMenu,
};

// The text of `id`; an empty string for an id the table lacks.
const char *Get(unsigned id);

} // namespace appstr
