#include "ExchangeCommands.h"

#include "AppContext.h"
#include "AppText.h"
#include "OutlineDoc.h"
#include "PdbExchange.h"
#include "StorageGuard.h"
#include "User.h"
#include "WordExchange.h"
#include "WordStrings.h"

#include "docbridge/Docbridge.h"
#include "kx_gen/AppRegistry.h"
#include "kx_gen/OutlineDB.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString FilterText(const std::vector<exchange::SFileFilter> &filters)
{
    QStringList parts;
    for (const exchange::SFileFilter &filter : filters)
        parts << ToQString(filter.m_strName);
    return parts.join(QStringLiteral(";;"));
}

int PreferenceInt(kx_gen::CAppRegistry &settings, const char *name)
{
    std::int32_t value = 0;
    if (settings.OpenSection("Preferences")) {
        settings.ReadInt(name, value);
        settings.CloseSection();
    }
    return value;
}

// The progress of one Word task: a label the library's worker updates
// through queued calls, and Cancel, which asks the task to stop and waits
// for its end.
class CWordProgressBarDlg : public QDialog {
public:
    CWordProgressBarDlg(word::CWordProgressState &state, CMessageSink &messages, QWidget *parent)
        : QDialog(parent)
        , m_State(state)
        , m_Messages(messages)
        , m_pLabel(new QLabel(this))
        , m_Receiver(
              [this](std::function<void()> work) {
                  QMetaObject::invokeMethod(this, std::move(work), Qt::QueuedConnection);
              },
              [this](std::uintptr_t code, const std::int32_t *argument) {
                  Apply(m_State.OnNotification(code, argument));
              })
    {
        setObjectName(QStringLiteral("228"));
        setWindowTitle(QString::fromLatin1(word::kProgressCaption));
        m_pLabel->setObjectName(QStringLiteral("1033"));
        m_pLabel->setMinimumWidth(320);
        auto *buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
        connect(buttons, &QDialogButtonBox::rejected, this, [this] { m_State.OnCancel(); });
        auto *layout = new QVBoxLayout(this);
        layout->addWidget(m_pLabel);
        layout->addWidget(buttons);
        m_State.SetWindow(&m_Receiver);
        Apply(m_State.OnInitDialog());
    }

    void reject() override { m_State.OnCancel(); }

protected:
    void showEvent(QShowEvent *event) override
    {
        QDialog::showEvent(event);
        if (m_State.OnActivate())
            QMetaObject::invokeMethod(
                this, [this] { Apply(m_State.OnStartTask()); }, Qt::QueuedConnection);
    }

private:
    void Apply(const word::TProgressReaction &reaction)
    {
        if (reaction.m_bSetText) {
            m_pLabel->setText(ToQString(reaction.m_strText));
            m_pLabel->repaint();
        }
        if (reaction.m_bShowError)
            m_Messages.ShowMessage(reaction.m_strError);
        if (reaction.m_nEndDialog != 0)
            done(reaction.m_nEndDialog);
    }

    word::CWordProgressState &m_State;
    CMessageSink &m_Messages;
    QLabel *m_pLabel;
    word::CWordProgressReceiver m_Receiver;
};

// The new outline an import fills, until it is shown or dropped.
class CImportTarget : public word::CWordImportTarget {
public:
    explicit CImportTarget(std::unique_ptr<COutlineDoc> document)
        : m_pDocument(std::move(document))
    {
    }
    kx_gen::COutlineDB *GetDB() override { return m_pDocument->GetOutline().GetDB(); }
    bool RebuildTreeFromRecords() override { return m_pDocument->GetOutline().BuildTree(); }
    void SetTitle(const kx_gen::_String &title) override
    {
        m_pDocument->m_strOutlineTitle = title;
        m_pDocument->SetTitle(title);
    }
    void SetModified() override { m_pDocument->SetModifiedFlag(true); }

    std::unique_ptr<COutlineDoc> m_pDocument;
};

class CImportDocuments : public word::CWordImportDocuments {
public:
    explicit CImportDocuments(COutlineDocTemplate &documents)
        : m_Documents(documents)
    {
    }
    word::CWordImportTarget *CreateFromDefaultTemplate() override
    {
        std::unique_ptr<COutlineDoc> document = m_Documents.MakeImportDocument();
        if (!document)
            return nullptr;
        m_pTarget = std::make_unique<CImportTarget>(std::move(document));
        return m_pTarget.get();
    }
    void Discard(word::CWordImportTarget *) override { m_pTarget.reset(); }

    COutlineDocTemplate &m_Documents;
    std::unique_ptr<CImportTarget> m_pTarget;
};

class CExportSource : public word::CWordExportSource {
public:
    CExportSource(COutlineDoc &document, CMessageSink &messages)
        : m_Doc(document)
        , m_Messages(messages)
    {
    }
    bool UpdateRecordsFromTree() override
    {
        return RunStorageOperation(
            &m_Messages, [this] { m_Doc.GetOutline().StoreItemsInRecords(); });
    }
    kx_gen::COutlineDB *GetDB() override { return m_Doc.GetOutline().GetDB(); }

private:
    COutlineDoc &m_Doc;
    CMessageSink &m_Messages;
};

class CWaitCursor : public word::CBusyIndicator {
public:
    void SetBusy(bool busy) override
    {
        if (busy)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    }
};

int RunProgress(word::CWordProgressState &state, CMessageSink &messages, QWidget *parent)
{
    CWordProgressBarDlg dialog(state, messages, parent);
    return dialog.exec();
}

} // namespace

CExchangeCommands::CExchangeCommands(CAppContext &context, QWidget *parent)
    : QObject(parent)
    , m_Context(context)
    , m_pParent(parent)
    , m_pBridge(std::make_unique<CDocbridge>())
{
    m_pBridge->StartWorkingThread();
}

CExchangeCommands::~CExchangeCommands()
{
    m_pBridge->StopWorkingThread();
}

bool CExchangeCommands::SaveBeforeExport(COutlineDoc *document)
{
    if (!document)
        return false;
    if (document->IsModified())
        return document->SaveByTitle();
    return !document->GetPathName().IsEmpty();
}

void CExchangeCommands::ImportPdb()
{
    CUser *user = m_Context.ActiveUser();
    if (!user)
        return;
    CPdbExchange exchange(m_Context.Env(), user->BaseFolder());
    SPdbDialogSetup setup;
    if (!exchange.BeginImport(setup))
        return;
    const QString path = QFileDialog::getOpenFileName(m_pParent, ToQString(setup.m_strCaption),
        PathToQString(setup.m_strFolder), FilterText(setup.m_Filters));
    exchange.Cancel();
    if (!path.isEmpty())
        ImportPdbFrom(path);
}

bool CExchangeCommands::ImportPdbFrom(const QString &path)
{
    CUser *user = m_Context.ActiveUser();
    if (!user)
        return false;
    CPdbExchange exchange(m_Context.Env(), user->BaseFolder());
    SPdbDialogSetup setup;
    kx_gen::_String newPath;
    return exchange.BeginImport(setup)
        && exchange.ImportFromPdb(PathFromQString(path), &user->GetRoots(), newPath);
}

void CExchangeCommands::ExportPdb(COutlineDoc *document)
{
    CUser *user = m_Context.ActiveUser();
    if (!user || !SaveBeforeExport(document))
        return;
    CPdbExchange exchange(m_Context.Env(), user->BaseFolder());
    SPdbDialogSetup setup;
    if (!exchange.BeginExport(document->GetPathName(), setup))
        return;
    exchange.Cancel();
    QString start
        = PathToQString(setup.m_strFolder) + QLatin1Char('/') + PathToQString(setup.m_strFileName);
    for (;;) {
        const QString path = QFileDialog::getSaveFileName(
            m_pParent, ToQString(setup.m_strCaption), start, FilterText(setup.m_Filters));
        if (path.isEmpty())
            return;
        // The handheld takes only short names: the dialog asks again.
        if (exchange::CheckPdbFileTitle(PathFromQString(path), &m_Context.Messages())) {
            ExportPdbTo(document, path);
            return;
        }
        start = path;
    }
}

bool CExchangeCommands::ExportPdbTo(COutlineDoc *document, const QString &path)
{
    CUser *user = m_Context.ActiveUser();
    if (!user || !SaveBeforeExport(document))
        return false;
    CPdbExchange exchange(m_Context.Env(), user->BaseFolder());
    SPdbDialogSetup setup;
    return exchange.BeginExport(document->GetPathName(), setup)
        && exchange.ExportToPdb(document->GetPathName(), PathFromQString(path));
}

void CExchangeCommands::ImportWord()
{
    CUser *user = m_Context.ActiveUser();
    const QString folder = PathToQString(user ? user->BaseFolder() : m_Context.DesktopFolder());
    const QString path = QFileDialog::getOpenFileName(m_pParent,
        QString::fromLatin1(word::kOpenTitle), folder, ToQString(word::ImportFileFilterForQt()));
    if (path.isEmpty())
        return;
    ImportWordFrom(path);
}

COutlineDoc *CExchangeCommands::ImportWordFrom(const QString &path)
{
    CImportDocuments documents(m_Context.Documents());
    word::CWordImportTarget *kept = word::ImportWordDocument(
        QFile::encodeName(path).toStdString(), *m_pBridge, documents,
        [this](word::CWordProgressState &state) {
            return RunProgress(state, m_Context.Messages(), m_pParent);
        },
        m_Context.Messages());
    if (!kept || !documents.m_pTarget)
        return nullptr;
    return m_Context.Documents().Show(std::move(documents.m_pTarget->m_pDocument));
}

void CExchangeCommands::ExportWord(COutlineDoc *document)
{
    if (!document || !document->GetOutline().GetDB())
        return;
    const QString folder = document->GetPathName().IsEmpty()
        ? PathToQString(m_Context.DesktopFolder())
        : QFileInfo(PathToQString(document->GetPathName())).absolutePath();
    const QString proposed = QString::fromStdString(
        word::DefaultExportPath(QFile::encodeName(folder).toStdString(), document->GetTitle()));
    const QString path = QFileDialog::getSaveFileName(
        m_pParent, AppText(appstr::kSaveAsCaption), proposed, AppText(appstr::kWordExportFilter));
    if (path.isEmpty())
        return;
    ExportWordTo(document, path);
}

bool CExchangeCommands::ExportWordTo(COutlineDoc *document, const QString &path)
{
    if (!document || !document->GetOutline().GetDB())
        return false;
    CExportSource source(*document, m_Context.Messages());
    CWaitCursor busy;
    kx_gen::CAppRegistry &settings = m_Context.Settings();
    return word::ExportWordDocument(
        source, PreferenceInt(settings, "Word export"),
        PreferenceInt(settings, "Word export notes"), QFile::encodeName(path).toStdString(),
        *m_pBridge,
        [this](word::CWordProgressState &state) {
            return RunProgress(state, m_Context.Messages(), m_pParent);
        },
        &busy, m_Context.Messages());
}
