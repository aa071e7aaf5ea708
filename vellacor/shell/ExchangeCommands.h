#pragma once

// The import and export commands of the main window: Palm OS .pdb outline
// files through the converter in the HotSync folder, and Word documents
// through the Word library, with their file dialogs and the progress dialog.

#include <QObject>

#include <memory>

class CAppContext;
class CDocbridge;
class COutlineDoc;
class QWidget;

class CExchangeCommands : public QObject {
    Q_OBJECT

public:
    // Starts the Word library's worker; `parent` owns the dialogs.
    CExchangeCommands(CAppContext &context, QWidget *parent);
    ~CExchangeCommands() override;

    void ImportPdb();
    // An unmodified outline that was never saved has nothing to export; a
    // modified one is saved first (by its title), and a failed save stops.
    void ExportPdb(COutlineDoc *document);
    void ImportWord();
    void ExportWord(COutlineDoc *document);

    // The steps after the file dialogs: the progress dialog runs the task.
    // The imported outline opens in a window of its own (returned; null
    // when nothing was imported).
    COutlineDoc *ImportWordFrom(const QString &path);
    bool ImportPdbFrom(const QString &path);
    bool ExportPdbTo(COutlineDoc *document, const QString &path);
    bool ExportWordTo(COutlineDoc *document, const QString &path);

private:
    // Saves a modified document before an export; false when the export
    // should not go on.
    bool SaveBeforeExport(COutlineDoc *document);

    CAppContext &m_Context;
    QWidget *m_pParent;
    std::unique_ptr<CDocbridge> m_pBridge;
};
