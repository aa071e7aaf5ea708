#pragma once

// The users box of the main window's toolbar: every user of the list who is
// not a Palm Desktop profile, by name, each entry carrying the user's id.

#include "ComboCat.h"

#include "kx_gen/String.h"

class CUser;
class CUserList;

class CUsersCombo : public CComboCat {
    Q_OBJECT

public:
    static constexpr int kControlId = 101;

    explicit CUsersCombo(QWidget *parent = nullptr);

    // The list shown (may be null). It stays the caller's.
    void SetUsers(CUserList *users) { m_pUsers = users; }
    // Empties the box and adds every non-profile user in list order.
    void FillUsers();
    // The user whose name is the selected text, else the one whose id the
    // selected entry carries; null without a selection.
    CUser *GetSelectedUser() const;
    // True when the selection has that name already or an entry of that
    // name could be selected.
    bool SelectUser(const kx_gen::_String &name);

signals:
    // The user confirmed a choice in the box.
    void userChosen();

private:
    CUserList *m_pUsers = nullptr;
};
