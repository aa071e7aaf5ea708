#include "ItemDialogs.h"

#include "AppText.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

CNoteDlg::CNoteDlg(const QString &itemText, const QString &note, QWidget *parent)
    : QDialog(parent)
    , m_pEdit(new QPlainTextEdit(this))
{
    setObjectName(QStringLiteral("168"));
    setWindowTitle(AppText(appstr::kNoteFor) + QStringLiteral(" \"") + itemText + QLatin1Char('"'));
    m_pEdit->setObjectName(QStringLiteral("1014"));
    m_pEdit->setPlainText(note);
    m_pEdit->document()->setModified(false);
    m_pEdit->moveCursor(QTextCursor::End);
    m_pEdit->ensureCursorVisible();
    m_pEdit->setMinimumSize(360, 200);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QPushButton *remove
        = buttons->addButton(AppText(appstr::kDeleteButton), QDialogButtonBox::ResetRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &CNoteDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(remove, &QPushButton::clicked, this, &CNoteDlg::DeleteNote);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_pEdit, 1);
    layout->addWidget(buttons);
    m_pEdit->setFocus();
}

QString CNoteDlg::note() const
{
    return m_pEdit->toPlainText();
}

void CNoteDlg::accept()
{
    m_bChanged = m_bChanged || m_pEdit->document()->isModified();
    QDialog::accept();
}

void CNoteDlg::DeleteNote()
{
    if (QMessageBox::question(this, windowTitle(), AppText(appstr::kReallyDeleteNote),
            QMessageBox::Yes | QMessageBox::No)
        != QMessageBox::Yes)
        return;
    m_pEdit->clear();
    m_bChanged = true;
    accept();
}

static void AppendOnce(QStringList &list, const QString &text)
{
    if (!text.isEmpty() && !list.contains(text))
        list.append(text);
}

QStringList DateFormatsFor(const QDate &when, const QLocale &locale)
{
    QStringList list;
    // The short forms first, then the long ones, as the locale writes them.
    AppendOnce(list, locale.toString(when, QLocale::ShortFormat));
    AppendOnce(list, locale.toString(when, QLocale::NarrowFormat));
    AppendOnce(list, when.toString(Qt::ISODate));
    AppendOnce(list, locale.toString(when, QLocale::LongFormat));
    AppendOnce(list, locale.toString(when, QStringLiteral("d MMMM yyyy")));
    AppendOnce(list, locale.toString(when, QStringLiteral("dddd, d MMMM yyyy")));
    return list;
}

QStringList TimeFormatsFor(const QTime &when, const QLocale &locale)
{
    QStringList list;
    for (QLocale::FormatType type : { QLocale::ShortFormat, QLocale::LongFormat }) {
        QString format = locale.timeFormat(type);
        // Each format once with seconds and once without.
        QString withSeconds = format;
        if (!withSeconds.contains(QLatin1Char('s')))
            withSeconds.replace(QStringLiteral("mm"), QStringLiteral("mm:ss"));
        QString withoutSeconds = format;
        withoutSeconds.remove(QStringLiteral(":ss")).remove(QStringLiteral(".ss"));
        AppendOnce(list, locale.toString(when, withSeconds));
        AppendOnce(list, locale.toString(when, withoutSeconds));
    }
    AppendOnce(list, when.toString(QStringLiteral("HH:mm:ss")));
    AppendOnce(list, when.toString(QStringLiteral("HH:mm")));
    return list;
}

CFormatListDlg::CFormatListDlg(const QString &caption, const QStringList &choices, QWidget *parent)
    : QDialog(parent)
    , m_pList(new QListWidget(this))
{
    setWindowTitle(caption);
    m_pList->setObjectName(QStringLiteral("1063"));
    m_pList->addItems(choices);
    m_pList->setCurrentRow(0);
    auto *label = new QLabel(AppText(appstr::kAvailableFormatsLabel), this);
    label->setBuddy(m_pList);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_pList, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(m_pList, 1);
    layout->addWidget(buttons);
}

QString CFormatListDlg::chosen() const
{
    const QListWidgetItem *item = m_pList->currentItem();
    return item ? item->text() : QString();
}

CDateDlg::CDateDlg(QWidget *parent)
    : CFormatListDlg(
        AppText(appstr::kDateCaption), DateFormatsFor(QDate::currentDate(), QLocale()), parent)
{
    setObjectName(QStringLiteral("245"));
}

CTimeDlg::CTimeDlg(QWidget *parent)
    : CFormatListDlg(
        AppText(appstr::kTimeCaption), TimeFormatsFor(QTime::currentTime(), QLocale()), parent)
{
    setObjectName(QStringLiteral("246"));
}
