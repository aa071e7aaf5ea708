#include "AppStrings.h"

#include <algorithm>
#include <iterator>
#include <vector>

namespace appstr {
namespace {

struct Entry {
    unsigned id;
    const char *text;
};

constexpr Entry kTable[] = {
    { kDocTemplate,
        "\nUntitled\nUntitled\nPalm Outlines (*.kxo)\n.kxo\nIdealoom.Document\nIdealoom Document" },
    { kNoDefaultPrinter,
        "There is no default printer installed! Please setup a printer before attempting to "
        "print." },
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
    { kClearPictureQuestion, "Are you sure you want to clear this picture?" },
    { kCategoryRenamedInfo,
        "All outlines with the renamed category will receive the new category name!" },
    { kConflictsReadOnly,
        "The conflicts folder holds outlines that were changed on both the desktop and Palm. "
        "Outlines in the Conflicts folder do not synchronize, and might be over-written the next "
        "time you HotSync. Before making changes, please drag this outline to a different "
        "folder.\n\n" },
    { kEnterValidFileName, "Please enter a valid file name" },
    { kEditCategoriesItem, "Edit Categories ..." },
    { kMaxCategoriesOnSave,
        "Maximum count of categories is reached! Please change the outline category before to "
        "save it as handheld outlne!" },
    { kDeleteCheckedQuestion, "Are you sure you want to delete the checked items?" },
    { kTemplateDocTemplate,
        "\nUntitled\nUntitled\nPalm Templates(*.kxt)\n.kxt\nIdealoom.DocumentTemplate\nIdealoom "
        "Document Template" },
    { kDeleteCategoryQuestion,
        "You are about to delete a category. All outlines in that category will be placed in "
        "the Unfiled category." },
    { kUnknownDatabaseError, "An unknown database error!" },
    { kMaxImageDimensions, "The maximum image dimensions are %d x %d. The image must be shrunk." },
    { kTemplateTitleLabel, "Template Title" },
    { kNoteFor, "Note for " },
    { kPrintPreviewCaption, "Print Preview" },
    { kUnfiled, "Unfiled" },
    { kPageFooter, "Page %d/%d" },
    { kSchemeNumeric, "Numeric" },
    { kSchemeAlphabetic, "Alphabetic" },
    { kSchemeLegal, "Legal" },
    { kSchemeRoman, "Roman" },
    { kSchemeMixed, "Mixed" },
    { kReallyDeleteNote, "Are you sure you want to delete?" },
    { kSchemeCustom, "Custom..." },
    { kSelectNumberingScheme, "Please select a line numbers scheme!" },
    { kStyleNumeric, "Numeric (1, 2, 3)" },
    { kStyleUpperAlpha, "Alpha Uppercase (A, B, C)" },
    { kStyleLowerAlpha, "Alpha Lowercase (a, b, c)" },
    { kStyleLegal, "Legal (1.,2., 2.1, 2.2, 2.1.1, etc.)" },
    { kStyleUpperRoman, "Roman Uppercase (I, II, III)" },
    { kStyleLowerRoman, "Roman Lowercase (i, ii, iii)" },
    { kStyleNone, "None" },
    { kSchemeNone, "None" },
    { kImageFilter,
        "All image files (*.jpg *.jpeg *.gif *.bmp *.dib *.png);;JPEG (*.jpg *.jpeg);;GIF "
        "(*.gif);;BMP (*.bmp);;DIB (*.dib)" },
    { kPictureViewer, "Picture Viewer" },
    { kToolbarTitle, "Toolbar" },
    { kDeleteSelectedItems, "All selected items will be deleted. Are you sure?" },
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
    { kLineNumbersCaption, "Line numbers" },
    { kCustomNumberingCaption, "Custom line numbering" },
    { kNumberingLabel, "Numbering:" },
    { kDividerLabel, "Divider:" },
    { kSelectButton, "Select" },
    { kLevelLabel, "Level %d:" },
    { kPrintHiddenItems, "Print Hidden Items" },
    { kPrintNotes, "Print Notes" },
    { kExportPdfCaption, "Export to PDF" },
    { kPdfFilter, "PDF (*.pdf)" },
    { kPageMarginsNoRoom,
        "The page margins leave no room to print on. Please choose smaller margins in Page "
        "Setup." },
    { kPrintFailed, "The outline could not be printed to %s." },
    { kClipButton, "Clip" },
    { kShrinkButton, "Shrink" },
    { kClipboardTooBig, "The clipboard picture is bigger than 160 x140" },
    { kDeleteDrawingQuestion, "Are you sure you want to delete this drawing" },
    { kPictureErrorCaption, "CPanoramaBitmap Error" },
    { kPictureUnreadable, "The file %s is not a picture that can be read." },
    { kPictureConversionFailed,
        "The picture could not be converted; the drawing was left as it was." },
    { kMenuFile, "&File" },
    { kMenuOpen, "&Open...\tCtrl+O" },
    { kMenuDelete, "&Delete..." },
    { kMenuClose, "&Close" },
    { kMenuEdit, "&Edit" },
    { kMenuCut, "Cu&t\tCtrl+X" },
    { kMenuCopy, "&Copy\tCtrl+C" },
    { kMenuPaste, "&Paste\tCtrl+V" },
    { kMenuNew, "&New" },
    { kMenuBitmapFormat, "&Bitmap format" },
    { kFormatPalm2, "Palm 2 color system palette" },
    { kFormatPalm4, "Palm 4 color system palette" },
    { kFormatPalm16Grey, "Palm 16 color system gray palette" },
    { kFormatPalm16, "Palm 16 color palette" },
    { kFormatPalm256, "Palm 256 color sytem palette" },
    { kFormatWindows, "Windows bitmap" },
    { kNoteMenu, "Note" },
    { kDrawingMenu, "Drawing" },
};

} // namespace

const char *Get(unsigned id)
{
    // Sorted once, so that the table may be written in any order.
    static const std::vector<Entry> sorted = [] {
        std::vector<Entry> entries(std::begin(kTable), std::end(kTable));
        std::stable_sort(entries.begin(), entries.end(),
            [](const Entry &a, const Entry &b) { return a.id < b.id; });
        return entries;
    }();
    const auto entry = std::lower_bound(sorted.begin(), sorted.end(), id,
        [](const Entry &e, unsigned key) { return e.id < key; });
    return entry != sorted.end() && entry->id == id ? entry->text : "";
}

} // namespace appstr
