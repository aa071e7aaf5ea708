#include "AppContext.h"
#include "MainFrame.h"
#include "PalmLibrary.h"
#include "QtPrompter.h"
#include "ScreenshotOption.h"

#include "kx_gen/AppRegistry.h"
#include "kx_gen/CategoryDB.h"

#include <QApplication>
#include <QCommandLineParser>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vellacor"));
    QApplication::setOrganizationName(QStringLiteral("Larkwell"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Vellacor, the desktop outliner"));
    parser.addHelpOption();
    QCommandLineOption screenshotOption(QStringLiteral("screenshot"),
        QStringLiteral("Render the main window to the PNG file <file> after start-up and exit."),
        QStringLiteral("file"));
    parser.addOption(screenshotOption);
    parser.addPositionalArgument(
        QStringLiteral("file"), QStringLiteral("An outline to open."), QStringLiteral("[file]"));
    parser.process(app);

    kx_gen::CCategoryDB::setUnfiledCategoryName("Unfiled");
    kx_gen::CAppRegistry settings("Larkwell", "Idealoom");
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
    frame.show();
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

    if (parser.isSet(screenshotOption))
        scheduleScreenshotAndQuit(&frame, parser.value(screenshotOption));

    const int status = app.exec();
    // Whatever closed the window, the documents are gone before the users.
    context.Documents().CloseAllDocuments(false);
    context.Stop();
    return status;
}
