#include "MainFrame.h"
#include "ScreenshotOption.h"

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
    QCommandLineOption screenshotOption(
        QStringLiteral("screenshot"),
        QStringLiteral("Render the main window to the PNG file <file> after start-up and exit."),
        QStringLiteral("file"));
    parser.addOption(screenshotOption);
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("An outline to open."),
                                 QStringLiteral("[file]"));
    parser.process(app);

    MainFrame frame;
    frame.show();

    if (parser.isSet(screenshotOption))
        scheduleScreenshotAndQuit(&frame, parser.value(screenshotOption));

    return app.exec();
}
