#include "FindBar.h"

#include "AppStrings.h"
#include "QtStrings.h"
#include "ZumraView.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

namespace {

QString AppText(unsigned id)
{
    return ToQString(appstr::Get(id));
}

} // namespace

CFindBar::CFindBar(CZumraView *view)
    : QWidget(view)
    , m_pView(view)
    , m_pEdit(new QLineEdit(this))
    , m_pCase(new QCheckBox(AppText(appstr::kMatchCase), this))
    , m_pCount(new QLabel(this))
{
    setObjectName(QStringLiteral("findBar"));
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 3, 6, 3);
    auto *label = new QLabel(AppText(appstr::kFindWhatLabel), this);
    label->setBuddy(m_pEdit);
    m_pEdit->setClearButtonEnabled(true);
    m_pEdit->setMinimumWidth(160);
    m_pEdit->installEventFilter(this);
    auto button = [this, layout](const QString &text, Qt::ArrowType arrow) {
        auto *b = new QToolButton(this);
        b->setToolTip(text);
        b->setAutoRaise(true);
        if (arrow != Qt::NoArrow)
            b->setArrowType(arrow);
        else
            b->setText(QStringLiteral("\u2715"));
        layout->addWidget(b);
        return b;
    };
    layout->addWidget(label);
    layout->addWidget(m_pEdit, 1);
    QToolButton *prev = button(AppText(appstr::kFindBarPrevious), Qt::UpArrow);
    QToolButton *next = button(AppText(appstr::kFindBarNext), Qt::DownArrow);
    layout->addWidget(m_pCase);
    m_pCount->setMinimumWidth(
        m_pCount->fontMetrics().horizontalAdvance(QStringLiteral("0000 in view")));
    layout->addWidget(m_pCount);
    layout->addStretch();
    QToolButton *close = button(AppText(appstr::kFindBarClose), Qt::NoArrow);
    connect(m_pEdit, &QLineEdit::textChanged, this, &CFindBar::TextChanged);
    connect(m_pCase, &QCheckBox::toggled, this, &CFindBar::TextChanged);
    connect(prev, &QToolButton::clicked, this, [this] { Step(true); });
    connect(next, &QToolButton::clicked, this, [this] { Step(false); });
    connect(close, &QToolButton::clicked, this, &CFindBar::Close);
    hide();
}

CFindOptions CFindBar::Options() const
{
    CFindOptions options;
    options.m_strText = m_pEdit->text();
    if (m_pCase->isChecked())
        options.m_nFlags |= CFindOptions::kMatchCase;
    return options;
}

void CFindBar::Open()
{
    m_Origin = m_pView->HasSelection() ? m_pView->GetSelStart() : m_pView->GetCaret();
    const COutlinePos &from = m_pView->GetSelStart();
    const COutlinePos &to = m_pView->GetSelEnd();
    if (m_pView->HasSelection() && from.m_pItem == to.m_pItem && from.m_nRow == to.m_nRow) {
        int length = 0;
        const char *text = from.m_pItem->m_Item.m_Text.GetRowInfo(from.m_nRow, &length);
        if (text && to.m_nChar <= length) {
            const QString word = ToQString(text + from.m_nChar, to.m_nChar - from.m_nChar);
            const QSignalBlocker block(m_pEdit);
            m_pEdit->setText(word);
        }
    }
    const bool wasHidden = isHidden();
    // The match reached shows as the selection while the bar has the focus.
    m_pView->SetShowSelectionAlways(true);
    show();
    if (wasHidden)
        m_pView->RelayoutFindBar();
    m_pEdit->setFocus();
    m_pEdit->selectAll();
    m_pView->SetHighlight(Options());
    ShowCount(m_pView->Highlight().IsReady());
}

void CFindBar::Close()
{
    hide();
    m_pView->SetShowSelectionAlways(false);
    m_pView->SetHighlight(CFindOptions());
    m_pView->RelayoutFindBar();
    m_pView->setFocus();
}

void CFindBar::TextChanged()
{
    const CFindOptions options = Options();
    m_pView->SetHighlight(options);
    bool found = false;
    if (!options.m_strText.isEmpty()) {
        found = m_pView->FindBarStep(options, false, m_Origin);
        m_pView->RememberSearch(options);
    }
    ShowCount(found);
}

void CFindBar::Step(bool backward)
{
    const CFindOptions options = Options();
    if (options.m_strText.isEmpty())
        return;
    const bool found = m_pView->FindBarStep(options, backward, COutlinePos());
    // Typing goes on from the match reached.
    m_Origin = m_pView->GetSelStart();
    m_pView->RememberSearch(options);
    ShowCount(found);
}

void CFindBar::ShowCount(bool found)
{
    QPalette palette = m_pEdit->palette();
    palette.setColor(QPalette::Base, QPalette().color(QPalette::Base));
    if (m_pEdit->text().isEmpty()) {
        m_pCount->clear();
    } else if (!found) {
        m_pCount->setText(AppText(appstr::kFindBarNoMatch));
        palette.setColor(QPalette::Base, QColor(0xff, 0xd0, 0xd0));
        palette.setColor(QPalette::Text, Qt::black);
    } else {
        m_pCount->setText(
            AppText(appstr::kFindBarMatches)
                .replace(QStringLiteral("%d"), QString::number(m_pView->CountVisibleMatches())));
    }
    m_pEdit->setPalette(palette);
}

bool CFindBar::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_pEdit && event->type() == QEvent::ShortcutOverride) {
        // The view's keys (Tab indents, Ctrl+Z undoes the outline) do not
        // reach past the bar's text; F3 and Escape still act.
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() != Qt::Key_F3 && key->key() != Qt::Key_Escape
            && !(key->key() == Qt::Key_F && (key->modifiers() & Qt::ControlModifier)))
            event->accept();
        return false;
    }
    if (watched == m_pEdit && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            Step((key->modifiers() & Qt::ShiftModifier) != 0);
            return true;
        }
        if (key->key() == Qt::Key_Escape) {
            Close();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void CFindBar::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape)
        Close();
    // Nothing typed in the bar moves the outline's caret.
    event->accept();
}
