// Printing: page breaks of rows and drawings, page ranges, the printed
// entries of an outline, the page settings in the settings store, and a
// PDF whose text holds the title, the items in order and the page footers.

#include "OutlinePrinter.h"
#include "PrintCommands.h"
#include "PrinterSettings.h"
#include "QtImages.h"
#include "ViewFixture.h"

#include "kx_gen/AppRegistry.h"
#include "kx_gen/OutlineDB.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cstdlib>

namespace {

// Letter paper at the layout's own 96 dots per inch.
const QSize kLetter96(816, 1056);

QFont TestFont()
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(14);
    return font;
}

std::string Items(int count, const char *prefix = "item")
{
    std::string line;
    for (int i = 1; i <= count; ++i)
        line += std::string(prefix) + std::to_string(i) + " ";
    return line;
}

void GiveDrawing(COutlineMan &man, const char *text, int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.fillRect(QRect(4, 4, width - 8, height - 8), Qt::black);
    p.end();
    const kx_gen::HMEM dib = QImageToDib(image);
    QVERIFY(dib);
    QVERIFY(man.SetItemDrawing(NodeOf(man, text), dib));
    kx_gen::MemFree(dib);
}

int PageHeightUsed(const COutlinePrinter &printer, int page)
{
    int used = 0;
    for (const CPrintBlock &block : printer.Pages()[static_cast<std::size_t>(page)]) {
        const bool picture = printer.Entries()[static_cast<std::size_t>(block.m_nEntry)].m_nKind
            == COutlinePrinter::kDrawing;
        used += picture ? block.m_nCount : block.m_nCount * printer.RowHeight();
    }
    return used;
}

QString PdfText(const QString &pdf, const QString &extra = QString())
{
    QProcess run;
    QStringList args { QStringLiteral("-layout") };
    if (!extra.isEmpty())
        args << extra.split(QLatin1Char(' '));
    args << pdf << QStringLiteral("-");
    run.start(QStringLiteral("pdftotext"), args);
    if (!run.waitForFinished(30000))
        return QString();
    return QString::fromUtf8(run.readAllStandardOutput());
}

} // namespace

class tst_OutlinePrinter : public QObject {
    Q_OBJECT
private slots:
    void rowsSplitAndPicturesStayWhole();
    void pageRanges();
    void marginsInsetThePageAtAnyResolution();
    void knownOutlineFillsKnownPages();
    void entriesFollowNotesDrawingsAndHiddenItems();
    void numberedOutlinesPrintWithoutExpanders();
    void hiddenItemsAreNumberedAsPrinted();
    void marginsWithoutRoomAreRefused();
    void pageSettingsRoundTrip();
    void pdfHoldsTitleItemsAndFooters();
    void outlineFilePrintsWithoutAWindow();
    void previewShowsThePagesOfThePdf();
    void viewSelectionAndCheckBoxModeReachThePrinter();
};

void tst_OutlinePrinter::rowsSplitAndPicturesStayWhole()
{
    // Pages of 10 rows of 10.
    CPrintPages pages;
    QVERIFY(PaginateEntries(
        { { false, 7 }, { false, 6 }, { true, 35 }, { false, 1 } }, 10, 100, pages));
    QCOMPARE(pages.size(), std::size_t(2));
    // The second entry continues on the next page after three rows...
    QCOMPARE(pages[0].size(), std::size_t(2));
    QCOMPARE(pages[0][1].m_nFirst, 0);
    QCOMPARE(pages[0][1].m_nCount, 3);
    QCOMPARE(pages[1][0].m_nEntry, 1);
    QCOMPARE(pages[1][0].m_nFirst, 3);
    QCOMPARE(pages[1][0].m_nCount, 3);
    // ...and the picture fits whole below it.
    QCOMPARE(pages[1][1].m_nEntry, 2);
    QCOMPARE(pages[1][1].m_nCount, 35);

    // A picture that does not fit the rest starts the next page.
    QVERIFY(PaginateEntries({ { false, 8 }, { true, 30 } }, 10, 100, pages));
    QCOMPARE(pages.size(), std::size_t(2));
    QCOMPARE(pages[1][0].m_nEntry, 1);

    // A picture taller than a page gets a page of its own at the page's
    // height; the page after it goes on normally.
    QVERIFY(PaginateEntries({ { false, 1 }, { true, 250 }, { false, 2 } }, 10, 100, pages));
    QCOMPARE(pages.size(), std::size_t(3));
    QCOMPARE(pages[1][0].m_nCount, 100);
    QCOMPARE(pages[2][0].m_nEntry, 2);

    // A row taller than the page: refused instead of looping for ever.
    QVERIFY(!PaginateEntries({ { false, 3 } }, 120, 100, pages));
    QVERIFY(pages.empty());
    QVERIFY(!PaginateEntries({ { false, 3 } }, 10, 0, pages));

    // Nothing to print still makes one (empty) page.
    QVERIFY(PaginateEntries({}, 10, 100, pages));
    QCOMPARE(pages.size(), std::size_t(1));
}

void tst_OutlinePrinter::pageRanges()
{
    int first = 0;
    int last = 0;
    QVERIFY(ClampPageRange(0, 0, 7, &first, &last));
    QCOMPARE(first, 1);
    QCOMPARE(last, 7);
    QVERIFY(ClampPageRange(5, 3, 7, &first, &last));
    QCOMPARE(first, 3);
    QCOMPARE(last, 5);
    QVERIFY(ClampPageRange(4, 99, 7, &first, &last));
    QCOMPARE(last, 7);
    QVERIFY(ClampPageRange(-3, -1, 7, &first, &last));
    QCOMPARE(first, 1);
    QCOMPARE(last, 1);
    QVERIFY(!ClampPageRange(9, 12, 7, &first, &last));
    QVERIFY(!ClampPageRange(0, 0, 0, &first, &last));
}

void tst_OutlinePrinter::marginsInsetThePageAtAnyResolution()
{
    COutlineMan man;
    MakeOutline(man, "a b c");
    CPrintOptions options;
    options.m_bHeader = false;
    options.m_bFooter = false;
    COutlinePrinter printer(man, TestFont(), options);
    // Letter at 600 dots per inch: 720 twips are 300 dots.
    QVERIFY(printer.Layout(QSize(5100, 6600), 600));
    const QRect page = printer.PageRect();
    QCOMPARE(page.left() * 600 / COutlinePrinter::kLayoutDpi, 300);
    QCOMPARE(page.top() * 600 / COutlinePrinter::kLayoutDpi, 300);
    QCOMPARE((816 - page.right() - 1) * 600 / COutlinePrinter::kLayoutDpi, 300);
    QCOMPARE(page.width(), 816 - 96);
    QCOMPARE(page.height(), 1056 - 96);
}

void tst_OutlinePrinter::knownOutlineFillsKnownPages()
{
    COutlineMan man;
    MakeOutline(man, Items(200));
    CPrintOptions options;
    COutlinePrinter printer(man, TestFont(), options);
    QVERIFY(printer.Layout(kLetter96, 96));
    const int rowsPerPage = printer.PageRect().height() / printer.RowHeight();
    QVERIFY(rowsPerPage > 20);
    QCOMPARE(printer.PageCount(), (200 + rowsPerPage - 1) / rowsPerPage);
    int rows = 0;
    for (int p = 0; p < printer.PageCount(); ++p) {
        QVERIFY(PageHeightUsed(printer, p) <= printer.PageRect().height());
        for (const CPrintBlock &block : printer.Pages()[static_cast<std::size_t>(p)])
            rows += block.m_nCount;
    }
    QCOMPARE(rows, 200);

    // The same outline in landscape needs more pages; a long item wraps
    // to the printable width and continues on the next page.
    COutlinePrinter wide(man, TestFont(), options);
    QVERIFY(wide.Layout(QSize(1056, 816), 96));
    QVERIFY(wide.PageCount() > printer.PageCount());

    COutlineMan longer;
    MakeOutline(longer, Items(rowsPerPage - 2) + "long");
    std::string text;
    for (int i = 0; i < 60; ++i)
        text += "wrapping words across the printable width ";
    NodeOf(longer, "long")->m_Item.m_Text.SetString(kx_gen::_String(text.c_str()));
    COutlinePrinter split(longer, TestFont(), options);
    QVERIFY(split.Layout(kLetter96, 96));
    QCOMPARE(split.PageCount(), 2);
    const CPrintBlock &tail = split.Pages()[1][0];
    QCOMPARE(tail.m_nEntry, rowsPerPage - 2);
    QCOMPARE(tail.m_nFirst, 2);
}

void tst_OutlinePrinter::entriesFollowNotesDrawingsAndHiddenItems()
{
    COutlineMan man;
    MakeOutline(man, "a+ (b c) d (e) f");
    NodeOf(man, "b")->m_Item.m_strNote = kx_gen::_String("note of b\rsecond line");
    GiveDrawing(man, "c", 40, 30);
    GiveDrawing(man, "e", 40, 30);
    auto kinds = [&man](const CPrintOptions &options) {
        COutlinePrinter printer(man, TestFont(), options);
        QString s;
        for (const auto &entry : printer.Entries())
            s += QString::fromStdString(TextOf(entry.m_pItem))
                + (entry.m_nKind == COutlinePrinter::kNote           ? QStringLiteral("/note ")
                        : entry.m_nKind == COutlinePrinter::kDrawing ? QStringLiteral("/drawing ")
                                                                     : QStringLiteral(" "));
        return s.trimmed();
    };
    CPrintOptions options;
    QCOMPARE(kinds(options), QStringLiteral("a b c c/drawing d f"));
    options.m_bPrintNotes = true;
    QCOMPARE(kinds(options), QStringLiteral("a b b/note c c/drawing d f"));
    // Collapsed branches in document order.
    options.m_bPrintHidden = true;
    QCOMPARE(kinds(options), QStringLiteral("a b b/note c c/drawing d e e/drawing f"));
    // A selection prints from its first to its last item.
    options.m_pFirst = NodeOf(man, "c");
    options.m_pLast = NodeOf(man, "d");
    options.m_bPrintHidden = false;
    QCOMPARE(kinds(options), QStringLiteral("c c/drawing d"));

    // Printing leaves the items' own wrapping alone.
    NodeOf(man, "a")->m_Item.m_Text.WrapAll(nullptr, CTextFont(), 5000);
    const int rowsBefore = NodeOf(man, "a")->m_Item.m_Text.GetRowCount();
    COutlinePrinter printer(man, TestFont(), CPrintOptions());
    QVERIFY(printer.Layout(kLetter96, 96));
    QCOMPARE(NodeOf(man, "a")->m_Item.m_Text.GetRowCount(), rowsBefore);
}

void tst_OutlinePrinter::numberedOutlinesPrintWithoutExpanders()
{
    COutlineMan man;
    MakeOutline(man, "a+ (b c)");
    {
        COutlinePrinter printer(man, TestFont(), CPrintOptions());
        QVERIFY(printer.Layout(kLetter96, 96));
        QVERIFY(printer.Geometry().Layout().m_bShowExpanders);
    }
    const std::uint8_t legal[10] = { 1, 1, 1, 1, 1, 1, 1, 1, 1, 0 };
    man.SetNumbering(legal);
    COutlinePrinter printer(man, TestFont(), CPrintOptions());
    QVERIFY(printer.Layout(kLetter96, 96));
    QVERIFY(!printer.Geometry().Layout().m_bShowExpanders);
    QVERIFY(printer.Geometry().Layout().m_nLabelWidth[1] > 0);
}

void tst_OutlinePrinter::hiddenItemsAreNumberedAsPrinted()
{
    COutlineMan man;
    MakeOutline(man, "a+ (x:b c (d e)) x:f g");
    const std::uint8_t legal[10] = { 1, 1, 1, 1, 1, 1, 1, 1, 1, 0 };
    man.SetNumbering(legal);
    man.SetShowChecked(false);
    man.Renumber();
    auto labels = [&man](bool hidden, COutlineNode *first = nullptr) {
        CPrintOptions options;
        options.m_bPrintHidden = hidden;
        options.m_pFirst = first;
        COutlinePrinter printer(man, TestFont(), options);
        QStringList list;
        for (int e = 0; e < static_cast<int>(printer.Entries().size()); ++e)
            list << QString::fromStdString(
                TextOf(printer.Entries()[e].m_pItem) + "=" + printer.EntryLabel(e));
        return list.join(QLatin1Char(' '));
    };
    // The shown items keep the outline's numbers...
    QCOMPARE(labels(false), QStringLiteral("a=1 c=1.1 g=2"));
    // ...and printing the hidden ones numbers every printed item, so no
    // two items share a number.
    QCOMPARE(labels(true), QStringLiteral("a=1 b=1.1 c=1.2 d=1.2.1 e=1.2.2 f=2 g=3"));
    QCOMPARE(labels(true, NodeOf(man, "d")), QStringLiteral("d=1.2.1 e=1.2.2 f=2 g=3"));
    // The outline's own numbering is left as it was.
    QCOMPARE(NodeOf(man, "g")->m_Item.m_nIndex, 1);
}

void tst_OutlinePrinter::marginsWithoutRoomAreRefused()
{
    COutlineMan man;
    MakeOutline(man, "a b");
    CPrintOptions options;
    options.m_nMargins[1] = options.m_nMargins[3] = 7900; // 11 inches together
    COutlinePrinter printer(man, TestFont(), options);
    QVERIFY(!printer.Layout(kLetter96, 96));
    QCOMPARE(printer.PageCount(), 0);

    QTemporaryDir dir;
    QString error;
    const QString pdf = QDir(dir.path()).filePath(QStringLiteral("none.pdf"));
    QVERIFY(!PrintOutlineToPdf(man, TestFont(), options, CAppPrinterSettings(), pdf, &error));
    QVERIFY(!error.isEmpty());
}

void tst_OutlinePrinter::pageSettingsRoundTrip()
{
    QTemporaryDir dir;
    ::setenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit().constData(), 1);
    kx_gen::CAppRegistry settings("Larkwell", "Idealoom");
    CAppPrinterSettings page;
    page.Load(settings);
    QCOMPARE(page.m_nLeftMargin, 720);
    QCOMPARE(page.m_nBottomMargin, 720);

    page.m_nLeftMargin = 1440;
    page.m_nTopMargin = 567; // one centimetre
    page.m_nRightMargin = 0;
    page.m_nBottomMargin = 2880;
    page.m_nOrientation = CAppPrinterSettings::kLandscape;
    page.m_nPaperSize = 9; // A4
    page.m_nPaperLength = 123; // dropped: only a user-defined paper keeps it
    page.Save(settings);
    CAppPrinterSettings back;
    back.Load(settings);
    QCOMPARE(back.m_nLeftMargin, 1440);
    QCOMPARE(back.m_nTopMargin, 567);
    QCOMPARE(back.m_nRightMargin, 0);
    QCOMPARE(back.m_nBottomMargin, 2880);
    QCOMPARE(back.m_nOrientation, int(CAppPrinterSettings::kLandscape));
    QCOMPARE(back.m_nPaperSize, 9);
    QCOMPARE(back.m_nPaperLength, 0);

    // Through a printer's page layout and back, the margins keep their twips.
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    back.ApplyTo(printer);
    back.ApplyMarginsTo(printer);
    CAppPrinterSettings taken;
    taken.TakeFrom(printer);
    QCOMPARE(taken.m_nLeftMargin, 1440);
    QCOMPARE(taken.m_nTopMargin, 567);
    QCOMPARE(taken.m_nBottomMargin, 2880);
    QCOMPARE(taken.m_nOrientation, int(CAppPrinterSettings::kLandscape));
    QCOMPARE(taken.m_nPaperSize, 9);

    // One value missing: every value takes its default.
    settings.OpenSection("PageSetup");
    settings.DeleteValue("Page Paper Width");
    settings.CloseSection();
    CAppPrinterSettings partial;
    partial.m_nLeftMargin = 5;
    partial.Load(settings);
    QCOMPARE(partial.m_nLeftMargin, 720);
    QCOMPARE(partial.m_nPaperSize, 0);
}

void tst_OutlinePrinter::pdfHoldsTitleItemsAndFooters()
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext (poppler-utils) is not installed");
    COutlineMan man;
    MakeOutline(man, "Garden+ (Seeds Soil Fence) Kitchen+ (Tiles) " + Items(80, "row"));
    man.GetDB()->SetOutlineTitle(kx_gen::_String("Spring plans"));
    NodeOf(man, "Soil")->m_Item.m_strNote = kx_gen::_String("Ask about clay");
    GiveDrawing(man, "Fence", 120, 90);
    const std::uint8_t legal[10] = { 1, 1, 1, 1, 1, 1, 1, 1, 1, 0 };
    man.SetNumbering(legal);
    man.SetNumberingDivider('.');
    man.Renumber();

    QTemporaryDir dir;
    const QString pdf = QDir(dir.path()).filePath(QStringLiteral("outline.pdf"));
    CPrintOptions options;
    options.m_bPrintNotes = true;
    CAppPrinterSettings page;
    page.m_nPaperSize = 1; // Letter
    page.m_nOrientation = CAppPrinterSettings::kPortrait;
    QString error;
    QVERIFY2(PrintOutlineToPdf(man, TestFont(), options, page, pdf, &error), qPrintable(error));
    if (const char *keep = std::getenv("VELLACOR_KEEP_PDF"))
        QFile::copy(pdf, QString::fromLocal8Bit(keep));

    COutlinePrinter printer(man, TestFont(), options);
    QVERIFY(printer.Layout(kLetter96, 96));
    const int pages = printer.PageCount();
    QVERIFY(pages >= 2);

    const QString text = PdfText(pdf);
    QVERIFY(!text.isEmpty());
    QCOMPARE(text.count(QStringLiteral("Spring plans")), pages);
    for (int p = 1; p <= pages; ++p)
        QVERIFY2(text.contains(QStringLiteral("Page %1/%2").arg(p).arg(pages)), qPrintable(text));
    // Items in order, with their legal numbers; the note below its item.
    const QStringList expected { QStringLiteral("1. Garden"), QStringLiteral("1.1. Seeds"),
        QStringLiteral("1.2. Soil"), QStringLiteral("Ask about clay"), QStringLiteral("1.3. Fence"),
        QStringLiteral("2. Kitchen"), QStringLiteral("2.1. Tiles"), QStringLiteral("3. row1"),
        QStringLiteral("82. row80") };
    qsizetype at = 0;
    for (const QString &piece : expected) {
        const QRegularExpression re(QRegularExpression::escape(piece).replace(
            QStringLiteral("\\ "), QStringLiteral("\\s+")));
        const QRegularExpressionMatch m = re.match(text, at);
        QVERIFY2(m.hasMatch(), qPrintable(piece));
        at = m.capturedEnd();
    }
    // The last page's text is its own: the footer and the last rows.
    const QString last = PdfText(pdf, QStringLiteral("-f %1 -l %1").arg(pages));
    QVERIFY(last.contains(QStringLiteral("Page %1/%1").arg(pages)));
    QVERIFY(last.contains(QStringLiteral("row80")));
    QVERIFY(!last.contains(QStringLiteral("Garden")));
}

void tst_OutlinePrinter::outlineFilePrintsWithoutAWindow()
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext (poppler-utils) is not installed");
    QTemporaryDir dir;
    const QString kxo = QDir(dir.path()).filePath(QStringLiteral("trip.kxo"));
    {
        COutlineMan man;
        MakeOutline(man, "Tickets Hotel+ (x:Booked Paid) Packing");
        man.GetDB()->SetOutlineTitle(kx_gen::_String("Summer trip"));
        // Checked items hidden: they stay off the page unless hidden items
        // are printed.
        man.GetDB()->GetPrivateOutlineHeaderPtr()->GetTags().setUInt8(
            kx_gen::CPrivateOutlineHeader::kShowCheckedTag, 2);
        QVERIFY(man.Save(kxo.toLocal8Bit().constData()));
    }
    const QString pdf = QDir(dir.path()).filePath(QStringLiteral("trip.pdf"));
    QString error;
    QVERIFY2(PrintOutlineFile(kxo, pdf, QString(), nullptr, CPrintPreferences(), &error),
        qPrintable(error));
    if (const char *keep = std::getenv("VELLACOR_KEEP_PDF"))
        QFile::copy(pdf, QString::fromLocal8Bit(keep));
    QString text = PdfText(pdf);
    QVERIFY2(text.contains(QStringLiteral("Summer trip")), qPrintable(text));
    QVERIFY(text.contains(QStringLiteral("Page 1/1")));
    QVERIFY(text.indexOf(QStringLiteral("Tickets")) < text.indexOf(QStringLiteral("Packing")));
    QVERIFY(!text.contains(QStringLiteral("Booked")));
    CPrintPreferences hidden;
    hidden.m_bPrintHidden = true;
    QVERIFY(PrintOutlineFile(kxo, pdf, QString(), nullptr, hidden, &error));
    text = PdfText(pdf);
    QVERIFY(text.indexOf(QStringLiteral("Booked")) > text.indexOf(QStringLiteral("Hotel")));

    QVERIFY(!PrintOutlineFile(QDir(dir.path()).filePath(QStringLiteral("none.kxo")), pdf, QString(),
        nullptr, CPrintPreferences(), &error));
    QVERIFY(error.contains(QStringLiteral("none.kxo")));
}

void tst_OutlinePrinter::previewShowsThePagesOfThePdf()
{
    COutlineMan man;
    MakeOutline(man, "Garden+ (Seeds Soil) " + Items(90, "row"));
    man.GetDB()->SetOutlineTitle(kx_gen::_String("Preview"));
    CAppPrinterSettings page;
    page.m_nPaperSize = 1; // Letter
    CPrintOptions options;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    QPrintPreviewWidget preview(&printer);
    int printed = 0;
    connect(&preview, &QPrintPreviewWidget::paintRequested, this, [&](QPrinter *target) {
        QString error;
        printed += PrintOutline(man, TestFont(), options, page, *target, &error) ? 1 : 0;
    });
    preview.resize(700, 900);
    preview.show();
    preview.updatePreview();
    QVERIFY(printed >= 1);
    COutlinePrinter pages(man, TestFont(), options);
    QVERIFY(pages.Layout(kLetter96, 96));
    QCOMPARE(preview.pageCount(), pages.PageCount());
    // To look at the preview: VELLACOR_KEEP_GRAB=preview.png
    if (const char *keep = std::getenv("VELLACOR_KEEP_GRAB"))
        preview.grab().save(QString::fromLocal8Bit(keep));
}

void tst_OutlinePrinter::viewSelectionAndCheckBoxModeReachThePrinter()
{
    CViewFixture f;
    f.Open("one two three four");
    CZumraView &view = f.View();
    view.SetSelection(COutlinePos(0, 0, f.Node("two")), COutlinePos(2, 0, f.Node("three")));
    QVERIFY(view.IsBlockSelection());
    CAppPrinterSettings page;
    page.m_nLeftMargin = 1000;
    CPrintPreferences prefs;
    prefs.m_bPrintNotes = true;
    CPrintOptions options = PrintOptionsOf(view, page, prefs, true);
    QCOMPARE(options.m_pFirst, f.Node("two"));
    QCOMPARE(options.m_pLast, f.Node("three"));
    QCOMPARE(options.m_nMargins[0], 1000);
    QVERIFY(options.m_bPrintNotes);
    QVERIFY(options.m_bShowCheckBoxes);
    COutlinePrinter printer(f.m_Man, view.GetOutlineFont(), options);
    QCOMPARE(printer.Entries().size(), std::size_t(2));
    // Without "Selection" chosen the whole outline prints; hidden check
    // boxes stay hidden on paper.
    view.ApplyCheckMode(CZumraView::kHideCheckBoxes);
    options = PrintOptionsOf(view, page, prefs, false);
    QVERIFY(!options.m_pFirst);
    QVERIFY(!options.m_bShowCheckBoxes);
    COutlinePrinter all(f.m_Man, view.GetOutlineFont(), options);
    QCOMPARE(all.Entries().size(), std::size_t(4));
    QVERIFY(all.Layout(kLetter96, 96));
    QVERIFY(!all.Geometry().Layout().m_bShowCheckBoxes);
}

QTEST_MAIN(tst_OutlinePrinter)
#include "tst_outlineprinter.moc"
