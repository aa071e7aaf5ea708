#include "PrintCommands.h"

#include "AppStrings.h"
#include "QtStrings.h"
#include "ZumraView.h"

#include "kx_gen/OutlineDB.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QVBoxLayout>

#include <cstdio>

namespace {

// The check box modes as outlines store them.
constexpr std::uint8_t kStoredHideBoxes = 1;
constexpr std::uint8_t kStoredHideChecked = 2;

QString AppText(unsigned id)
{
    return ToQString(appstr::Get(id));
}

QString FormatPath(unsigned id, const QString &path)
{
    QString text = AppText(id);
    text.replace(QStringLiteral("%s"), QDir::toNativeSeparators(path));
    return text;
}

void ReportError(QWidget *parent, const QString &text)
{
    QMessageBox::warning(parent, AppText(appstr::kAppName), text);
}

bool HasPrinter(QWidget *parent)
{
    if (!QPrinterInfo::defaultPrinter().isNull() || !QPrinterInfo::availablePrinters().isEmpty())
        return true;
    ReportError(parent, AppText(appstr::kNoDefaultPrinter));
    return false;
}

} // namespace

CPrintOptions PrintOptionsOf(const CZumraView &view, const CAppPrinterSettings &page,
    const CPrintPreferences &prefs, bool selection)
{
    CPrintOptions options;
    options.m_bPrintHidden = prefs.m_bPrintHidden;
    options.m_bPrintNotes = prefs.m_bPrintNotes;
    options.m_nMargins[0] = page.m_nLeftMargin;
    options.m_nMargins[1] = page.m_nTopMargin;
    options.m_nMargins[2] = page.m_nRightMargin;
    options.m_nMargins[3] = page.m_nBottomMargin;
    options.m_bShowCheckBoxes = view.Layout().m_bShowCheckBoxes;
    if (selection && view.IsBlockSelection() && !view.GetSelItems().empty()) {
        options.m_pFirst = view.GetSelItems().front();
        options.m_pLast = view.GetSelItems().back();
    }
    return options;
}

CPrintOptions PrintOptionsOfOutline(
    COutlineMan &man, const CAppPrinterSettings &page, const CPrintPreferences &prefs)
{
    CPrintOptions options;
    options.m_bPrintHidden = prefs.m_bPrintHidden;
    options.m_bPrintNotes = prefs.m_bPrintNotes;
    options.m_nMargins[0] = page.m_nLeftMargin;
    options.m_nMargins[1] = page.m_nTopMargin;
    options.m_nMargins[2] = page.m_nRightMargin;
    options.m_nMargins[3] = page.m_nBottomMargin;
    std::uint8_t mode = 0;
    if (man.IsOpen()
        && man.GetDB()->GetPrivateOutlineHeaderPtr()->GetTags().getUInt8(
               kx_gen::CPrivateOutlineHeader::kShowCheckedTag, mode)
            != 0)
        mode = 0;
    if (mode > kStoredHideChecked)
        mode = kStoredHideChecked;
    options.m_bShowCheckBoxes = mode != kStoredHideBoxes;
    man.SetShowChecked(mode != kStoredHideChecked);
    man.Renumber();
    return options;
}

bool PrintOutlineFile(const QString &file, const QString &pdf, const QString &printerName,
    kx_gen::CAppRegistry *settings, const CPrintPreferences &prefs, QString *error)
{
    COutlineMan man;
    if (!man.Load(PathFromQString(file).c_str())) {
        if (error)
            *error = FormatPath(appstr::kCannotOpenFile, file);
        return false;
    }
    CAppPrinterSettings page;
    if (settings)
        page.Load(*settings);
    const CPrintOptions options = PrintOptionsOfOutline(man, page, prefs);
    const QFont font = COutlinePrinter::OutlineFont(man);
    if (!pdf.isEmpty())
        return PrintOutlineToPdf(man, font, options, page, pdf, error);
    QPrinter printer(QPrinter::HighResolution);
    if (!printerName.isEmpty())
        printer.setPrinterName(printerName);
    if (!printer.isValid()) {
        if (error)
            *error = AppText(appstr::kNoDefaultPrinter);
        return false;
    }
    printer.setDocName(ToQString(man.GetDB()->GetOutlineTitle()));
    return PrintOutline(man, font, options, page, printer, error);
}

bool PrintOutline(COutlineMan &man, const QFont &font, const CPrintOptions &options,
    const CAppPrinterSettings &page, QPrinter &printer, QString *error)
{
    page.ApplyTo(printer);
    COutlinePrinter outline(man, font, options);
    if (!outline.Layout(printer)) {
        if (error)
            *error = AppText(appstr::kPageMarginsNoRoom);
        return false;
    }
    if (!outline.Print(printer)) {
        if (error)
            *error = FormatPath(appstr::kPrintFailed,
                printer.outputFileName().isEmpty() ? printer.printerName()
                                                   : printer.outputFileName());
        return false;
    }
    return true;
}

bool PrintOutlineToPdf(COutlineMan &man, const QFont &font, const CPrintOptions &options,
    const CAppPrinterSettings &page, const QString &path, QString *error)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    printer.setDocName(
        ToQString(man.IsOpen() ? man.GetDB()->GetOutlineTitle() : kx_gen::_String()));
    printer.setCreator(AppText(appstr::kAppName));
    return PrintOutline(man, font, options, page, printer, error);
}

bool RunPageSetup(QWidget *parent, kx_gen::CAppRegistry &settings)
{
    CAppPrinterSettings page;
    page.Load(settings);
    QPrinter printer;
    page.ApplyTo(printer);
    page.ApplyMarginsTo(printer);
    QPageSetupDialog dialog(&printer, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    page.TakeFrom(printer);
    page.Save(settings);
    return true;
}

bool RunPrint(CZumraView &view, kx_gen::CAppRegistry &settings, CPrintPreferences &prefs)
{
    if (!view.IsReady() || !HasPrinter(&view))
        return false;
    CAppPrinterSettings page;
    page.Load(settings);
    QPrinter printer(QPrinter::HighResolution);
    page.ApplyTo(printer);

    QPrintDialog dialog(&printer, &view);
    QAbstractPrintDialog::PrintDialogOptions flags
        = QAbstractPrintDialog::PrintPageRange | QAbstractPrintDialog::PrintShowPageSize;
    if (view.IsBlockSelection())
        flags |= QAbstractPrintDialog::PrintSelection;
    dialog.setOptions(flags);
    if (view.IsBlockSelection())
        dialog.setPrintRange(QAbstractPrintDialog::Selection);
    auto *extra = new QWidget;
    extra->setWindowTitle(AppText(appstr::kAppName));
    auto *hidden = new QCheckBox(AppText(appstr::kPrintHiddenItems), extra);
    auto *notes = new QCheckBox(AppText(appstr::kPrintNotes), extra);
    hidden->setChecked(prefs.m_bPrintHidden);
    notes->setChecked(prefs.m_bPrintNotes);
    auto *layout = new QVBoxLayout(extra);
    layout->addWidget(hidden);
    layout->addWidget(notes);
    layout->addStretch();
    dialog.setOptionTabs({ extra });
    if (dialog.exec() != QDialog::Accepted)
        return false;
    prefs.m_bPrintHidden = hidden->isChecked();
    prefs.m_bPrintNotes = notes->isChecked();

    CPrintOptions options
        = PrintOptionsOf(view, page, prefs, dialog.printRange() == QAbstractPrintDialog::Selection);
    if (dialog.printRange() == QAbstractPrintDialog::PageRange) {
        options.m_nFromPage = printer.fromPage();
        options.m_nToPage = printer.toPage();
        if (options.m_nFromPage == 0 && options.m_nToPage == 0)
            options.m_nFromPage = options.m_nToPage = 1;
    }
    QString error;
    COutlineMan &man = *view.GetMan();
    const bool printed = PrintOutline(man, view.GetOutlineFont(), options, page, printer, &error);
    if (!printed && !error.isEmpty())
        ReportError(&view, error);
    return printed;
}

void RunPrintPreview(
    CZumraView &view, kx_gen::CAppRegistry &settings, const CPrintPreferences &prefs)
{
    if (!view.IsReady())
        return;
    CAppPrinterSettings page;
    page.Load(settings);
    QPrinter printer(QPrinter::HighResolution);
    page.ApplyTo(printer);
    const CPrintOptions options = PrintOptionsOf(view, page, prefs, false);
    QPrintPreviewDialog preview(&printer, &view);
    preview.setWindowTitle(AppText(appstr::kPrintPreviewCaption));
    bool reported = false;
    QObject::connect(
        &preview, &QPrintPreviewDialog::paintRequested, &preview, [&](QPrinter *target) {
            QString error;
            if (!PrintOutline(*view.GetMan(), view.GetOutlineFont(), options, page, *target, &error)
                && !reported && !error.isEmpty()) {
                reported = true;
                ReportError(&view, error);
            }
        });
    preview.exec();
}

bool RunExportPdf(CZumraView &view, kx_gen::CAppRegistry &settings, const CPrintPreferences &prefs)
{
    if (!view.IsReady())
        return false;
    COutlineMan &man = *view.GetMan();
    QString name = ToQString(man.GetDB()->GetOutlineTitle());
    if (name.isEmpty())
        name = AppText(appstr::kUntitled);
    const QString path = QFileDialog::getSaveFileName(&view, AppText(appstr::kExportPdfCaption),
        QDir::home().filePath(name + QStringLiteral(".pdf")), AppText(appstr::kPdfFilter));
    if (path.isEmpty())
        return false;
    CAppPrinterSettings page;
    page.Load(settings);
    QString error;
    const CPrintOptions options = PrintOptionsOf(view, page, prefs, false);
    if (PrintOutlineToPdf(man, view.GetOutlineFont(), options, page, path, &error))
        return true;
    ReportError(&view, error);
    return false;
}
