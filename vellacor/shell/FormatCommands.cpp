#include "FormatCommands.h"

#include "AppContext.h"
#include "AppText.h"
#include "HtmlSetDlg.h"
#include "HtmlSetDlgWidget.h"
#include "OutlineDoc.h"
#include "OutlineDocTemplate.h"
#include "QtLook.h"
#include "QtStrings.h"
#include "User.h"

#include "kx_gen/OutlineDB.h"

#include <QAction>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QMessageBox>

#include <memory>

namespace {

QString Filter(const formats::SFormatFilter &filter)
{
    return QString::fromStdString(filter.m_strDescription);
}

const formats::SFormatFilter *FilterOf(
    const std::vector<formats::SFormatFilter> &filters, formats::EFormat format)
{
    for (const formats::SFormatFilter &filter : filters)
        if (filter.m_Format == format)
            return &filter;
    return nullptr;
}

} // namespace

CFormatCommands::CFormatCommands(CAppContext &context, QWidget *parent)
    : m_Context(context)
    , m_pParent(parent)
{
}

void CFormatCommands::FillImportMenu(QMenu &menu)
{
    for (const formats::SFormatFilter &filter : formats::ImportFilters()) {
        const formats::EFormat format = filter.m_Format;
        QAction *action = menu.addAction(QString::fromUtf8(formats::ImportMenuText(format)));
        action->setObjectName(QStringLiteral("import-%1").arg(static_cast<int>(format)));
        QObject::connect(
            action, &QAction::triggered, m_pParent, [this, format] { Import(format); });
    }
}

void CFormatCommands::FillExportMenu(QMenu &menu, std::function<COutlineDoc *()> activeDocument)
{
    for (const formats::SFormatFilter &filter : formats::ExportFilters()) {
        const formats::EFormat format = filter.m_Format;
        QAction *action = menu.addAction(QString::fromUtf8(formats::ExportMenuText(format)));
        action->setObjectName(QStringLiteral("export-%1").arg(static_cast<int>(format)));
        QObject::connect(action, &QAction::triggered, m_pParent,
            [this, format, activeDocument] { Export(activeDocument(), format); });
    }
}

void CFormatCommands::Import(formats::EFormat format)
{
    const formats::SFormatFilter *filter = FilterOf(formats::ImportFilters(), format);
    if (!filter)
        return;
    const QString path = QFileDialog::getOpenFileName(m_pParent,
        QString::fromUtf8(formats::ImportMenuText(format)).remove(QLatin1Char('&')),
        PathToQString(m_Context.DesktopFolder()), Filter(*filter));
    if (!path.isEmpty())
        ImportFrom(path, format);
}

COutlineDoc *CFormatCommands::ImportFrom(const QString &path, formats::EFormat format)
{
    std::unique_ptr<COutlineDoc> document = m_Context.Documents().MakeImportDocument();
    if (!document)
        return nullptr;
    formats::CImportReport report;
    bool imported = false;
    {
        CWaitCursor wait;
        imported = formats::ImportOutline(
            PathFromQString(path).str(), format, document->GetOutline(), report);
    }
    if (!imported) {
        // The new outline is dropped unseen: a refused file leaves nothing.
        QMessageBox::warning(m_pParent, AppText(appstr::kAppName),
            QStringLiteral("%1\n\n%2")
                .arg(QFileInfo(path).fileName(), QString::fromStdString(report.Error())));
        return nullptr;
    }
    const kx_gen::_String title = document->GetOutline().GetDB()->GetOutlineTitle();
    document->m_strOutlineTitle = title;
    document->SetTitle(title);
    document->SetModifiedFlag(true);
    COutlineDoc *shown = m_Context.Documents().Show(std::move(document));
    if (shown && !report.Warnings().empty())
        QMessageBox::information(
            m_pParent, AppText(appstr::kAppName), QString::fromStdString(report.WarningText()));
    return shown;
}

void CFormatCommands::Export(COutlineDoc *document, formats::EFormat format)
{
    const formats::SFormatFilter *filter = FilterOf(formats::ExportFilters(), format);
    if (!document || !filter)
        return;
    const QString folder = document->GetPathName().IsEmpty()
        ? PathToQString(m_Context.DesktopFolder())
        : QFileInfo(PathToQString(document->GetPathName())).absolutePath();
    const QString suggested = folder + QLatin1Char('/') + ToQString(document->GetTitle())
        + QString::fromLatin1(formats::FormatExtension(format));
    // The dialog asks before it replaces a file.
    QString path = QFileDialog::getSaveFileName(m_pParent,
        QString::fromUtf8(formats::ExportMenuText(format)).remove(QLatin1Char('&')), suggested,
        Filter(*filter));
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QString::fromLatin1(formats::FormatExtension(format));
    ExportTo(document, format, path);
}

bool CFormatCommands::ExportTo(COutlineDoc *document, formats::EFormat format, const QString &path)
{
    if (!document)
        return false;
    formats::SExportOptions options;
    options.m_bOverwrite = true;
    std::string error;
    formats::CImportReport report;
    bool written = false;
    {
        CWaitCursor wait;
        written = formats::ExportOutline(
            document->GetOutline(), format, PathFromQString(path).str(), options, error, &report);
    }
    if (!written) {
        QMessageBox::warning(m_pParent, AppText(appstr::kAppName),
            QStringLiteral("%1\n\n%2")
                .arg(QFileInfo(path).fileName(), QString::fromStdString(error)));
        return false;
    }
    if (!report.Warnings().empty())
        QMessageBox::information(
            m_pParent, AppText(appstr::kAppName), QString::fromStdString(report.WarningText()));
    return true;
}

bool CFormatCommands::ExportHtml(COutlineDoc *document)
{
    CUser *user = m_Context.ActiveUser();
    if (!document || !user)
        return false;
    formats::CUserHtmlSettingsStore store(*user, m_Context.Settings());
    CHtmlExportWidgetHost host(m_pParent);
    formats::CHtmlExportCommand command(
        user->GetName().str(), store, host, user->BaseFolder().str());
    return command.Export(document->GetOutline(), document->GetPathName().str());
}

bool CFormatCommands::HtmlSettings()
{
    CUser *user = m_Context.ActiveUser();
    if (!user)
        return false;
    formats::CUserHtmlSettingsStore store(*user, m_Context.Settings());
    CHtmlExportWidgetHost host(m_pParent);
    formats::CHtmlExportCommand command(
        user->GetName().str(), store, host, user->BaseFolder().str());
    return command.EditSettings();
}
