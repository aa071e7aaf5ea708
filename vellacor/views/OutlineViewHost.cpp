#include "OutlineViewHost.h"

#include <QApplication>
#include <QMessageBox>

bool COutlineViewHost::AskYesNo(const QString &text)
{
    return QMessageBox::question(QApplication::activeWindow(), QString(), text,
               QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
        == QMessageBox::Yes;
}
