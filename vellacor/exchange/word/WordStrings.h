#pragma once

// The program's texts, ids and numbers for the Word commands and the Word
// progress dialog.

namespace word {

// Commands (id, menu text, status text).
inline constexpr unsigned kCmdImportWordDoc = 32838;
inline constexpr const char kImportMenuText[] = "&Import MS Word Document...";
inline constexpr const char kImportStatusText[] = "Import MS Word file";
inline constexpr unsigned kCmdExportWordDoc = 32837;
inline constexpr const char kExportMenuText[] = "&Export to MS Word...";
inline constexpr const char kExportStatusText[] = "Export to MS Word";

// The progress dialog: resource, caption, its one text control and the
// message it posts itself on first activation to start the task.
inline constexpr unsigned kProgressDialogId = 228;
inline constexpr const char kProgressCaption[] = "Word Import/Export";
inline constexpr unsigned kProgressTextControlId = 1033;
inline constexpr unsigned kStartTaskMessage = 0x0400 + 111; // WM_USER + 111

// String table entries.
inline constexpr unsigned kIdsExportFirstStage = 185;
inline constexpr unsigned kIdsImportFirstStage = 186;
inline constexpr unsigned kIdsStepFormat = 187;
inline constexpr unsigned kIdsStopping = 188;
inline constexpr unsigned kIdsUnknownDatabaseError = 192;
inline constexpr unsigned kIdsImportSecondStage = 231;
inline constexpr unsigned kIdsWordDocuments = 61191;
inline constexpr unsigned kIdsWordExtension = 61192;
inline constexpr unsigned kIdsOpenTitle = 61440;

inline constexpr const char kExportFirstStage[] = "Initializing the Word Export Engine";
inline constexpr const char kImportFirstStage[] = "Initializing the Word Import Engine";
inline constexpr const char kStepFormat[] = "Step %d of %d";
inline constexpr const char kStopping[] = "Stopping the engine";
inline constexpr const char kUnknownDatabaseError[] = "An unknown database error!";
inline constexpr const char kImportSecondStage[] = "Loading MS Word document...";
inline constexpr const char kWordDocuments[] = "Word documents";
inline constexpr const char kWordExtension[] = "doc";
inline constexpr const char kModernWordExtension[] = "docx";
inline constexpr const char kOpenTitle[] = "Open";

// Texts of the dialog itself.
inline constexpr const char kReady[] = "Ready";
inline constexpr const char kError[] = "Error";
inline constexpr const char kUnknownCommand[] = "Unknown command is received";

// Open-file dialog flags added: hide read-only, file must exist.
inline constexpr unsigned kOpenDialogFlags = 0x1004;

// Dialog results.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;

} // namespace word
