// The string table is searched by halving: one entry out of order hides
// others. Every text of these ids must be found, and the program's own
// formats must keep their conversions.

#include "AppStrings.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

const unsigned kIds[] = { appstr::kDocTemplate, appstr::kNoDefaultPrinter, appstr::kOutlineFilter,
    appstr::kClearPictureQuestion, appstr::kMaxImageDimensions, appstr::kPrintPreviewCaption,
    appstr::kUnfiled, appstr::kPageFooter, appstr::kSchemeNumeric, appstr::kSchemeMixed,
    appstr::kReallyDeleteNote, appstr::kSchemeCustom, appstr::kSelectNumberingScheme,
    appstr::kStyleNumeric, appstr::kStyleNone, appstr::kSchemeNone, appstr::kImageFilter,
    appstr::kPictureViewer, appstr::kToolbarTitle, appstr::kSaveAsCaption, appstr::kSaveChangesTo,
    appstr::kUnknownException, appstr::kCannotOpenFile, appstr::kLineNumbersCaption,
    appstr::kLevelLabel, appstr::kPrintNotes, appstr::kPageMarginsNoRoom,
    appstr::kDeleteDrawingQuestion, appstr::kPictureErrorCaption, appstr::kFormatPalm2,
    appstr::kFormatWindows };

} // namespace

TEST(AppStrings, EveryTextIsFound)
{
    for (unsigned id : kIds)
        EXPECT_STRNE(appstr::Get(id), "") << "id " << id;
    EXPECT_STREQ(appstr::Get(1), "");
}

TEST(AppStrings, FormatsKeepTheirConversions)
{
    EXPECT_STREQ(appstr::Get(appstr::kPageFooter), "Page %d/%d");
    EXPECT_STREQ(appstr::Get(appstr::kMaxImageDimensions),
        "The maximum image dimensions are %d x %d. The image must be shrunk.");
    EXPECT_NE(std::strstr(appstr::Get(appstr::kLevelLabel), "%d"), nullptr);
    EXPECT_NE(std::strstr(appstr::Get(appstr::kCannotOpenFile), "%s"), nullptr);
}
