#pragma once

// Texts and names of the .pdb import and export.

namespace exchange {

// The converter's file in the HotSync folder and its entry points.
inline constexpr char kTarnvelLibraryName[] = "libTarnvel.so";
inline constexpr char kConvertToPdbFunction[] = "convertPCtoPDB";
inline constexpr char kConvertFromPdbFunction[] = "convertPDBtoPC";
inline constexpr char kLastErrorFunction[] = "tarnvelLastError";

// Command ids, menu and status texts of the two commands.
inline constexpr int kIdImportPdb = 32958;
inline constexpr int kIdExportPdb = 32959;
inline constexpr char kImportPdbMenuText[] = "Import Palm OS (.pd&b) outline file...";
inline constexpr char kImportPdbStatusText[] = "Import outline saved by Idealoom for the Palm OS";
inline constexpr char kExportPdbMenuText[] = "Expo&rt to Palm OS (.pdb) outline file...";
inline constexpr char kExportPdbStatusText[] = "Export outline to Idealoom for the Palm OS format";

// String table entries.
inline constexpr char kOpenTitle[] = "Open"; // 61440
inline constexpr char kSaveAsTitle[] = "Save As"; // 61441
inline constexpr char kOutlineExtensionText[] = "kxo"; // 61455
inline constexpr char kTemplateExtensionText[] = "kxt"; // 61456
inline constexpr char kOutlinesFilterName[] = "Outlines"; // 61458
inline constexpr char kTemplatesFilterName[] = "Templates"; // 61459
inline constexpr char kAllFilesFilterName[] = "All Files"; // 271
inline constexpr char kMsgFileTitleTooLong[]
    = "The file title should be maximum 23 characters long!"; // 232
inline constexpr char kMsgPalmLibrariesDifferent[] = "Please contact your software vendor. The "
                                                     "Palm libraries are different than "
                                                     "expected???\n"; // 170
inline constexpr char kMsgFileExistsOverwrite[]
    = "The file name %s already exists. Overwrite the other file?";
inline constexpr char kMsgUnknownException[] = "Unknown exception";

// Texts of this program's own for what the converter reports.
inline constexpr char kMsgConverterMissing[]
    = "The Palm OS outline converter (libTarnvel.so) is not installed in the HotSync folder.";
inline constexpr char kMsgConversionFailedCode[] = "The conversion failed (error %d).";
inline constexpr char kMsgOutlineNeverSaved[] = "Please save the outline before exporting it.";
inline constexpr char kMsgExportOverItself[] = "The outline cannot be exported over its own file.";

// The settings value that remembers the folder of the last export.
inline constexpr char kPdbExportFolderValue[] = "Pdb Export Folder";

// The longest export file title (before its last dot) the dialog accepts.
inline constexpr int kMaxPdbFileTitleLength = 23;

} // namespace exchange
