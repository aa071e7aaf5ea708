#include "RecoveryOffer.h"

#include "AppContext.h"
#include "AppText.h"
#include "OutlineDoc.h"

#include "kx_gen/PathUtils.h"

#include <QDateTime>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>
#include <QVBoxLayout>

namespace {

constexpr int kDefaultIntervalSeconds = 30;

QString Describe(const CRecoveryStore::SCopy &copy)
{
    const QString when = QDateTime::fromSecsSinceEpoch(copy.nTime).toString(
        QStringLiteral("yyyy-MM-dd hh:mm"));
    const QString where = copy.strOriginal.IsEmpty()
        ? QObject::tr("never saved")
        : PathToQString(copy.strOriginal);
    return QStringLiteral("%1  (%2, %3)").arg(ToQString(copy.strTitle), where, when);
}

} // namespace

// ---- Keeping the copies ------------------------------------------------------

CRecoveryKeeper::CRecoveryKeeper(CAppContext &context, QObject *parent)
    : QObject(parent)
    , m_Context(context)
{
    bool ok = false;
    const int seconds = qEnvironmentVariableIntValue("VELLACOR_RECOVERY_SECONDS", &ok);
    m_Timer.setInterval((ok && seconds > 0 ? seconds : kDefaultIntervalSeconds) * 1000);
    connect(&m_Timer, &QTimer::timeout, this, &CRecoveryKeeper::Tick);
}

void CRecoveryKeeper::Start()
{
    m_Timer.start();
}

void CRecoveryKeeper::Tick()
{
    m_Context.Recovery().Update(m_Context.Documents().InStackingOrder());
}

// ---- The offer -----------------------------------------------------------------

bool ParseRecoveredAnswer(const QString &text, RecoveredAnswer &answer)
{
    if (text.isEmpty())
        answer = RecoveredAnswer::kAsk;
    else if (text == QLatin1String("open"))
        answer = RecoveredAnswer::kOpen;
    else if (text == QLatin1String("discard"))
        answer = RecoveredAnswer::kDiscard;
    else if (text == QLatin1String("later"))
        answer = RecoveredAnswer::kLater;
    else
        return false;
    return true;
}

bool OpenRecoveredCopy(CAppContext &context, const CRecoveryStore::SCopy &copy)
{
    return OpenRecoveredOutline(context.Documents(), context.Recovery(), copy) != nullptr;
}

bool SaveRecoveredCopyAs(QWidget *parent, const CRecoveryStore::SCopy &copy, const QString &target)
{
    QString path = target;
    if (path.isEmpty()) {
        const QString folder = copy.strOriginal.IsEmpty()
            ? QString()
            : QFileInfo(PathToQString(copy.strOriginal)).absolutePath();
        path = QFileDialog::getSaveFileName(parent, AppText(appstr::kSaveAsCaption),
            folder + QLatin1Char('/') + ToQString(copy.strTitle) + QStringLiteral(".kxo"),
            QStringLiteral("Outline Format (*.kxo)"));
        if (path.isEmpty())
            return false;
    }
    QFile source(PathToQString(copy.strPath));
    QSaveFile out(path);
    if (!source.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly)
        || out.write(source.readAll()) != source.size() || !out.commit()) {
        QMessageBox::warning(parent, AppText(appstr::kRecoveredCaption),
            QObject::tr("The recovered outline could not be written to %1.").arg(path));
        return false;
    }
    CRecoveryStore::Remove(copy);
    return true;
}

CRecoveredDlg::CRecoveredDlg(
    CAppContext &context, std::vector<CRecoveryStore::SCopy> copies, QWidget *parent)
    : QDialog(parent)
    , m_Context(context)
    , m_Copies(std::move(copies))
    , m_pList(new QListWidget(this))
{
    setObjectName(QStringLiteral("RecoveredDlg"));
    setWindowTitle(AppText(appstr::kRecoveredCaption));
    auto *layout = new QVBoxLayout(this);
    auto *label = new QLabel(AppText(appstr::kRecoveredQuestion), this);
    label->setWordWrap(true);
    layout->addWidget(label);
    for (const CRecoveryStore::SCopy &copy : m_Copies)
        m_pList->addItem(Describe(copy));
    m_pList->setCurrentRow(0);
    layout->addWidget(m_pList);
    auto *buttons = new QDialogButtonBox(this);
    auto add = [&](unsigned text, auto slot) {
        QPushButton *button = buttons->addButton(AppText(text), QDialogButtonBox::ActionRole);
        connect(button, &QPushButton::clicked, this, slot);
        return button;
    };
    add(appstr::kRecoveredOpen, &CRecoveredDlg::OpenSelected)->setDefault(true);
    add(appstr::kRecoveredSaveAs, &CRecoveredDlg::SaveSelectedAs);
    add(appstr::kRecoveredDiscard, &CRecoveredDlg::DiscardSelected);
    add(appstr::kRecoveredLater, &QDialog::reject);
    layout->addWidget(buttons);
    resize(560, 300);
}

int CRecoveredDlg::Selected() const
{
    const int row = m_pList->currentRow();
    return row >= 0 && row < static_cast<int>(m_Copies.size()) ? row : -1;
}

void CRecoveredDlg::Done(int row)
{
    m_Copies.erase(m_Copies.begin() + row);
    delete m_pList->takeItem(row);
    if (m_Copies.empty())
        accept();
}

void CRecoveredDlg::OpenSelected()
{
    const int row = Selected();
    if (row >= 0 && OpenRecoveredCopy(m_Context, m_Copies[static_cast<std::size_t>(row)]))
        Done(row);
}

void CRecoveredDlg::SaveSelectedAs()
{
    const int row = Selected();
    if (row >= 0 && SaveRecoveredCopyAs(this, m_Copies[static_cast<std::size_t>(row)]))
        Done(row);
}

void CRecoveredDlg::DiscardSelected()
{
    const int row = Selected();
    if (row >= 0 && CRecoveryStore::Remove(m_Copies[static_cast<std::size_t>(row)]))
        Done(row);
}

int OfferRecoveredOutlines(QWidget *parent, CAppContext &context, RecoveredAnswer answer)
{
    std::vector<CRecoveryStore::SCopy> copies = context.Recovery().LeftOver();
    const int count = static_cast<int>(copies.size());
    if (copies.empty())
        return 0;
    switch (answer) {
    case RecoveredAnswer::kAsk: {
        CRecoveredDlg dialog(context, std::move(copies), parent);
        dialog.exec();
        break;
    }
    case RecoveredAnswer::kOpen:
        for (const CRecoveryStore::SCopy &copy : copies)
            OpenRecoveredCopy(context, copy);
        break;
    case RecoveredAnswer::kDiscard:
        for (const CRecoveryStore::SCopy &copy : copies)
            CRecoveryStore::Remove(copy);
        break;
    case RecoveredAnswer::kLater:
        break;
    }
    return count;
}
