#include "UsersCombo.h"

#include "QtStrings.h"
#include "UserList.h"

CUsersCombo::CUsersCombo(QWidget *parent)
    : CComboCat(parent)
{
    setObjectName(QString::number(kControlId));
    setSizeAdjustPolicy(QComboBox::AdjustToContents);
    // The box holds users, not categories: its own activation replaces the
    // category box's.
    disconnect(this, &QComboBox::activated, nullptr, nullptr);
    connect(this, &QComboBox::activated, this, &CUsersCombo::userChosen);
}

void CUsersCombo::FillUsers()
{
    const QSignalBlocker blocker(this);
    clear();
    for (int i = 0; m_pUsers && i < m_pUsers->GetCount(); ++i) {
        const CUser *user = m_pUsers->GetAt(i);
        if (user && !user->m_bProfile)
            addItem(ToQString(user->GetName()), QVariant::fromValue(qulonglong(user->GetUserId())));
    }
}

CUser *CUsersCombo::GetSelectedUser() const
{
    if (!m_pUsers || currentIndex() < 0)
        return nullptr;
    if (CUser *byName = m_pUsers->FindByName(ToKxString(currentText())))
        return byName;
    return m_pUsers->FindById(std::uint32_t(currentData().toULongLong()));
}

bool CUsersCombo::SelectUser(const kx_gen::_String &name)
{
    const QString text = ToQString(name);
    if (currentIndex() >= 0 && currentText() == text)
        return true;
    const int index = findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index < 0)
        return false;
    const QSignalBlocker blocker(this);
    setCurrentIndex(index);
    return true;
}
