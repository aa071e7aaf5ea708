#include "AppContext.h"
#include "AppText.h"
#include "ConvertOption.h"
#include "FileViewControlBar.h"
#include "GlobalLock.h"
#include "InstanceHandOff.h"
#include "MainFrame.h"
#include "PalmLibrary.h"
#include "PrintCommands.h"
#include "QtPrompter.h"
#include "RecoveryOffer.h"
#include "ScreenshotOption.h"
#include "ShellNames.h"

#include "kx_gen/AppRegistry.h"
#include "kx_gen/CategoryDB.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QIcon>
#include <QMessageBox>
#include <QTreeView>

#include <cstdio>
#include <cstring>

int main(int argc, char *argv[])
{
    // Conversions run without a window, and without a display when the
    // format does not paint.
    if (shell::WantsConversion(argc, argv) && !shell::ConversionNeedsGui(argc, argv))
        return shell::RunConversion(argc, argv);
    if (shell::WantsConversion(argc, argv)) {
        if (qEnvironmentVariableIsEmpty("DISPLAY")
            && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication app(argc, argv);
        kx_gen::CCategoryDB::setUnfiledCategoryName("Unfiled");
        return shell::RunConversion(argc, argv);
    }
    // Help needs no display either.
    for (int i = 1; i < argc; ++i)
        if ((!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h"))
            && qEnvironmentVariableIsEmpty("DISPLAY")
            && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vellacor"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/vellacor.svg")));
    QApplication::setOrganizationName(QStringLiteral("Larkwell"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Vellacor, the desktop outliner"));
    parser.addHelpOption();
    QCommandLineOption screenshotOption(QStringLiteral("screenshot"),
        QStringLiteral("Render the main window to the PNG file <file> after start-up and exit."),
        QStringLiteral("file"));
    parser.addOption(screenshotOption);
    QCommandLineOption pdfOption(QStringLiteral("print-to-pdf"),
        QStringLiteral("Print the outline <file> to the PDF document <pdf> and exit."),
        QStringLiteral("pdf"));
    parser.addOption(pdfOption);
    // Handled before the window exists; listed here for --help.
    QCommandLineOption convertOption(QStringLiteral("convert-to"),
        QStringLiteral("Convert the outlines <file>... to <format> (opml, md, txt, html, docx, "
                       "pdb, pdf, or kxo from an importable format) and exit; --outdir DIR "
                       "and --force as the converter takes them."),
        QStringLiteral("format"));
    parser.addOption(convertOption);
    QCommandLineOption recoveredOption(QStringLiteral("recovered"),
        QStringLiteral("Answer the offer of unsaved outlines of the last run without asking: "
                       "open, discard or later."),
        QStringLiteral("answer"));
    parser.addOption(recoveredOption);
    parser.addPositionalArgument(
        QStringLiteral("file"), QStringLiteral("An outline to open."), QStringLiteral("[file]"));
    // The desktop's print commands: "/p FILE" prints on the default
    // printer, "/pt FILE PRINTER ..." on the named one, without a window.
    QStringList arguments = QApplication::arguments();
    QString printFile;
    QString printer;
    const qsizetype print = arguments.indexOf(QStringLiteral("/p"));
    const qsizetype printTo = arguments.indexOf(QStringLiteral("/pt"));
    if (print > 0 && print + 1 < arguments.size()) {
        printFile = arguments.at(print + 1);
        arguments.remove(print, 2);
    } else if (printTo > 0 && printTo + 2 < arguments.size()) {
        printFile = arguments.at(printTo + 1);
        printer = arguments.at(printTo + 2);
        arguments.remove(printTo, std::min<qsizetype>(5, arguments.size() - printTo));
    }
    parser.process(arguments);
    RecoveredAnswer recovered = RecoveredAnswer::kAsk;
    if (!ParseRecoveredAnswer(parser.value(recoveredOption), recovered)) {
        std::fprintf(stderr, "vellacor: --recovered takes open, discard or later\n");
        return 2;
    }

    kx_gen::CCategoryDB::setUnfiledCategoryName("Unfiled");
    kx_gen::CAppRegistry settings("Larkwell", "Idealoom");
    const QString pdf = parser.value(pdfOption);
    if (!printFile.isEmpty() || !pdf.isEmpty()) {
        const QString file = printFile.isEmpty() && !parser.positionalArguments().isEmpty()
            ? parser.positionalArguments().first()
            : printFile;
        CPreferences preferences;
        preferences.LoadPreferences(settings);
        CPrintPreferences options;
        options.m_bPrintHidden = preferences.m_bPrintHiddenItems;
        options.m_bPrintNotes = preferences.m_bPrintNotes;
        QString error;
        if (!PrintOutlineFile(file, pdf, printer, &settings, options, &error)) {
            std::fprintf(stderr, "vellacor: %s\n", qPrintable(error));
            return 1;
        }
        return 0;
    }
    // One instance at a time: a second one hands its file to the first.
    CGlobalLock startup(shell::kStartupLockName);
    if (!startup.Lock(shell::kStartupLockTimeoutMs))
        return 1;
    const bool screenshot = parser.isSet(screenshotOption);
    if (screenshot)
        applyScreenshotPalette();
    if (!screenshot) {
        const QStringList files = parser.positionalArguments();
        const std::string handed = files.isEmpty()
            ? std::string()
            : PathFromQString(QFileInfo(files.first()).absoluteFilePath()).str();
        if (shell::HandOffToRunningInstance(handed))
            return 0;
    }
    // Not while a HotSync works on the files.
    CHotSyncLock hotsync;
    if (hotsync.IsValid() && !hotsync.Lock(shell::kHotSyncLockTimeoutMs)) {
        QMessageBox::warning(nullptr, AppText(appstr::kAppName), AppText(appstr::kHotSyncRunning));
        return 1;
    }

    CQtPrompter prompter;
    CAppContext context(prompter, settings);
    MainFrame frame(&context);
    prompter.SetParent(&frame);
    context.SetWindows(&frame);
    context.m_onQuit = [] { QApplication::exit(1); };

    CPalmLibrary palm;
    palm.DetectPalm(&prompter);
    if (!context.Start(palm.IsLoaded() ? &palm : nullptr))
        return 1;
    if (screenshot)
        frame.show();
    else
        frame.RestoreState();
    frame.StartListening();
    frame.RestartAutoSave();
    // Without a file to open, the outlines of last time come back, and a
    // new one when the preferences ask for it.
    if (parser.positionalArguments().isEmpty()) {
        context.Documents().ReopenFiles();
        if (context.Preferences().m_bCreateNew)
            frame.FileNew();
    }
    for (const QString &file : parser.positionalArguments())
        frame.OpenFile(file);
    // Without an outline to type into, the keyboard starts in the list.
    if (!frame.activeFrame() && frame.pane())
        frame.pane()->tree()->setFocus();

    hotsync.Unlock();
    startup.Unlock();
    // Unsaved work of a run that did not end cleanly is offered back (with
    // the locks free, so that neither a HotSync nor a second start waits
    // for the answer), and this run's is kept from now on.
    CRecoveryKeeper recovery(context);
    if (!screenshot)
        OfferRecoveredOutlines(&frame, context, recovered);
    recovery.Start();
    if (screenshot)
        scheduleScreenshotAndQuit(&frame, parser.value(screenshotOption));

    const int status = app.exec();
    // Whatever closed the window, the documents are gone before the users.
    if (context.Documents().CloseAllDocuments(false))
        context.Recovery().RemoveSessionCopies();
    context.Stop();
    return status;
}
