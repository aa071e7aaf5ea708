#include "StatusIndicators.h"

#include <QLabel>
#include <QStatusBar>

CStatusIndicators::CStatusIndicators(QStatusBar &bar)
    : QObject(&bar)
{
    m_pPosition = AddIndicator(bar, QString());
    m_pOverwrite = AddIndicator(bar, tr("OVR"));
    m_pReadOnly = AddIndicator(bar, tr("READ"));
    m_pUser = AddIndicator(bar, QString());
    m_pUser->setToolTip(tr("The user whose outlines are shown"));
    m_pOverwrite->setToolTip(tr("Typing replaces characters (Insert switches)"));
    m_pReadOnly->setToolTip(tr("The outline cannot be changed"));
    SetOverwrite(false);
    SetReadOnly(false);
    SetUser(QString());
}

QLabel *CStatusIndicators::AddIndicator(QStatusBar &bar, const QString &widest)
{
    auto *label = new QLabel(&bar);
    label->setAlignment(Qt::AlignCenter);
    label->setContentsMargins(6, 0, 6, 0);
    // A fixed width for the on/off indicators, so that the bar does not
    // jump when one goes on.
    if (!widest.isEmpty())
        label->setMinimumWidth(label->fontMetrics().horizontalAdvance(widest) + 14);
    bar.addPermanentWidget(label);
    return label;
}

void CStatusIndicators::SetPosition(const QString &text)
{
    m_pPosition->setText(text);
    m_pPosition->setVisible(!text.isEmpty());
}

void CStatusIndicators::SetOverwrite(bool on)
{
    m_pOverwrite->setText(on ? tr("OVR") : QString());
}

void CStatusIndicators::SetReadOnly(bool on)
{
    m_pReadOnly->setText(on ? tr("READ") : QString());
}

void CStatusIndicators::SetUser(const QString &name)
{
    m_pUser->setText(name);
    m_pUser->setVisible(!name.isEmpty());
}
