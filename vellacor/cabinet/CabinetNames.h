#pragma once

// Names of the cabinet's files and folders, the kinds of outline lists, and
// the texts that the cabinet shows.

namespace cabinet {

// The folder below a HotSync user directory that holds the user's outlines,
// and the default desktop folder's name in the documents folder.
inline constexpr char kProductFolderName[] = "Vellacor";
inline constexpr char kCategoriesFileName[] = "categories.dat";
inline constexpr char kFilingCabinetFileName[] = "Folder.kxo";
inline constexpr char kConflictsFolderName[] = "Conflicts";
inline constexpr char kBackupFolderName[] = "Backup";
inline constexpr char kArchiveFolderName[] = "Archive";
// Extensions without their dot.
inline constexpr char kOutlineExtension[] = "kxo";
inline constexpr char kTemplateExtension[] = "kxt";

// The kinds of outline lists (roots).
enum RootKind : int {
    kRootNone = 1,
    kRootDesktopOutlines = 2,
    kRootDesktopTemplates = 3,
    kRootHandheldOutlines = 4,
    kRootHandheldTemplates = 5,
    kRootConflicts = 6,
};

// Root titles.
inline constexpr char kDesktopOutlinesTitle[] = "Desktop Outlines";
inline constexpr char kDesktopTemplatesTitle[] = "Desktop Templates";
inline constexpr char kHandheldOutlinesTitle[] = "Handheld Outlines";
inline constexpr char kHandheldTemplatesTitle[] = "Handheld Templates";
inline constexpr char kConflictsTitle[] = "Conflicts";

// Settings store sections and values.
inline constexpr char kUsersSection[] = "Users";
inline constexpr char kActiveUserValue[] = "Active User";
inline constexpr char kAmountOfUsersValue[] = "Amount of users";
inline constexpr char kUserNameFormat[] = "UserName%d";
inline constexpr char kCategoryFormat[] = "Category%d";
inline constexpr char kUserHtmlSectionFormat[] = "UserHtml_%s";
inline constexpr char kHtmlPathValue[] = "Html Path";
inline constexpr char kRulePathValue[] = "Rule Path";
inline constexpr char kExportFolderPathValue[] = "Export Folder Path";
inline constexpr char kPreferencesSection[] = "Preferences";
inline constexpr char kDesktopPathValue[] = "Path";
inline constexpr char kMoveToArchiveValue[] = "Move to archive";

// The user of desktop-only mode.
inline constexpr char kDefaultUserName[] = "default";

// Texts shown to the user.
inline constexpr char kMsgUnknownException[] = "Unknown exception";
inline constexpr char kMsgCategoryFileCorrupted[]
    = "The category file is corrupted. Should I rebuild it?\n";
inline constexpr char kMsgCannotCreateCategoryFile[]
    = "The program can not create a category file.Quit.\n";
inline constexpr char kMsgFilingCabinetCorrupted[] = "The trush can is corrupted";
inline constexpr char kMsgFunctionFailed[]
    = "The function %s failed. The error code is %d. Please contact your program vendor.";
inline constexpr char kMsgFunctionMissing[]
    = "The function %s is missing in the %s. Please contact your program vendor.";
inline constexpr char kMsgPalmLibrariesDifferent[]
    = "Please contact your software vendor. The Palm libraries are different than expected???\n";
inline constexpr char kRenameFileCaption[] = "Rename file";
inline constexpr char kDuplicateFileCaption[] = "Duplicate file";
inline constexpr char kMsgEnterValidFileName[] = "Please enter a valid file name";
inline constexpr char kMsgSelectFile[] = "Please select a file!";
inline constexpr char kMsgReallyDelete[] = "Do you really want to delete the file?";
inline constexpr char kMsgMaxCategoriesOnMove[]
    = "Maximum count of categories is reached! Please change the outline category before to "
      "move it to the handheld outlnes!";
inline constexpr char kMsgConflicts[]
    = "The conflicts folder holds outlines that were changed on both the desktop and Palm. "
      "Outlines in the Conflicts folder do not synchronize, and might be over-written the next "
      "time you HotSync. Before making changes, please drag this outline to a different "
      "folder.\n\n";
// Desktop-only mode has no Archive folder to move a deleted outline into.
inline constexpr char kMsgNoArchiveFolder[]
    = "There is no Archive folder without Palm Desktop. The file was not deleted.";

} // namespace cabinet
