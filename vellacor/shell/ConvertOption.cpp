#include "ConvertOption.h"

#include "Convert.h"
#include "Preferences.h"
#include "PrintCommands.h"

#include "kx_gen/AppRegistry.h"

#include <QDir>
#include <QFileInfo>
#include <QString>

#include <iostream>

namespace shell {
namespace {

constexpr char kOption[] = "--convert-to";

std::vector<std::string> Arguments(int argc, char **argv)
{
    return std::vector<std::string>(argv + 1, argv + argc);
}

// The value after --convert-to.
std::string FormatName(const std::vector<std::string> &args)
{
    for (std::size_t i = 0; i + 1 < args.size(); ++i)
        if (args[i] == kOption)
            return args[i + 1];
    return std::string();
}

bool IsPdf(const std::string &name)
{
    return name == "pdf" || name == "PDF";
}

// PDF: the outlines printed through the same pages as the preview.
int ConvertToPdf(const std::vector<std::string> &args)
{
    QString outdir;
    bool force = false;
    QStringList files;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string &arg = args[i];
        if (arg == kOption) {
            ++i;
        } else if (arg == "--outdir") {
            if (++i >= args.size()) {
                std::cerr << "vellacor: --outdir needs a folder\n";
                return 2;
            }
            outdir = QString::fromStdString(args[i]);
        } else if (arg == "--force") {
            force = true;
        } else if (!arg.empty() && arg[0] == '-') {
            std::cerr << "vellacor: unknown option " << arg << "\n";
            return 2;
        } else {
            files << QString::fromLocal8Bit(arg.c_str());
        }
    }
    if (files.isEmpty()) {
        std::cerr << "vellacor: --convert-to pdf needs at least one outline file\n";
        return 2;
    }
    if (!outdir.isEmpty() && !QDir().mkpath(outdir)) {
        std::cerr << "vellacor: cannot make the folder " << outdir.toStdString() << "\n";
        return 1;
    }
    kx_gen::CAppRegistry settings("Larkwell", "Idealoom");
    CPreferences preferences;
    preferences.LoadPreferences(settings);
    CPrintPreferences options;
    options.m_bPrintHidden = preferences.m_bPrintHiddenItems;
    options.m_bPrintNotes = preferences.m_bPrintNotes;
    int status = 0;
    for (const QString &file : files) {
        const QFileInfo in(file);
        const QString folder = outdir.isEmpty() ? in.absolutePath() : outdir;
        const QString out = QDir(folder).filePath(in.completeBaseName() + QStringLiteral(".pdf"));
        if (QFileInfo::exists(out) && !force) {
            std::cerr << "vellacor: " << out.toStdString() << " exists (--force replaces it)\n";
            status = 1;
            continue;
        }
        QString error;
        if (!PrintOutlineFile(file, out, QString(), &settings, options, &error)) {
            std::cerr << "vellacor: " << file.toStdString() << ": " << error.toStdString() << "\n";
            status = 1;
            continue;
        }
        std::cout << file.toStdString() << " -> " << out.toStdString() << "\n";
    }
    return status;
}

} // namespace

bool WantsConversion(int argc, char **argv)
{
    for (const std::string &arg : Arguments(argc, argv))
        if (arg == kOption)
            return true;
    return false;
}

bool ConversionNeedsGui(int argc, char **argv)
{
    return IsPdf(FormatName(Arguments(argc, argv)));
}

int RunConversion(int argc, char **argv)
{
    const std::vector<std::string> args = Arguments(argc, argv);
    if (IsPdf(FormatName(args)))
        return ConvertToPdf(args);
    return formats::RunConvertCommand(args, std::cout, std::cerr);
}

} // namespace shell
