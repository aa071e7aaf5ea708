#pragma once

// The File menu's exchange formats besides .pdb and Word: OPML, Markdown and
// plain text in and out, and the HTML page with its per-user settings. The
// dialogs and messages are here; the formats themselves know no widgets.

#include "FormatExchange.h"

#include <QString>

#include <functional>

class CAppContext;
class COutlineDoc;
class QMenu;
class QWidget;

class CFormatCommands {
public:
    CFormatCommands(CAppContext &context, QWidget *parent);

    // One entry per format, each running the command for it.
    void FillImportMenu(QMenu &menu);
    // `activeDocument` is asked at the moment an entry is chosen.
    void FillExportMenu(QMenu &menu, std::function<COutlineDoc *()> activeDocument);

    // The file dialog, then ImportFrom. The new outline opens in a window.
    void Import(formats::EFormat format);
    COutlineDoc *ImportFrom(const QString &path, formats::EFormat format);
    // The save dialog (asking before it replaces a file), then ExportTo.
    void Export(COutlineDoc *document, formats::EFormat format);
    bool ExportTo(COutlineDoc *document, formats::EFormat format, const QString &path);

    // "Export to HTML": the user's settings (the dialog while they are not
    // valid), then the page in the export folder. "HTML export settings...".
    bool ExportHtml(COutlineDoc *document);
    bool HtmlSettings();

private:
    CAppContext &m_Context;
    QWidget *m_pParent;
};
